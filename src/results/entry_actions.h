// What the user can do with listed shortcuts besides deleting them.
#pragma once
#include <windows.h>

// index < 0: every entry to the clipboard; otherwise the entry whose menu was opened.
void copyEntries(int index);

// "&Open Folder", "Open &Link", "&Property", "&Copy Name" on the context-menu entry.
void entryAction(UINT command);

void openHelp();
