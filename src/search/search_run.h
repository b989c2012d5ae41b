// The search: walks the typed folder and lists every shortcut whose target is gone.
#pragma once

// The Search command. Shift clears the results instead; Ctrl lists every shortcut.
void searchRun();
