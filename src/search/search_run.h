// The search: walks the typed folder and lists every shortcut whose target is gone.
#pragma once
#include <cstddef>

// The Search command. Shift clears the results instead; Ctrl lists every shortcut.
void searchRun();

// Walks the folder whose path ends at `end` in pathBuf, `units` UTF-16 units long (the
// path limits count units, whatever the code page makes of them in bytes). Returns 1 when the folder was
// walked (or could not be opened), 0 when the user cancelled, -1 when a close or quit
// message was seen; pathBuf is cut back to the folder's path on every return but an
// immediate stop.
int scanFolder(char* end, std::size_t units);

