// The folder history in the folder box's drop-down list.
#pragma once
#include <windows.h>

// CBN_DROPDOWN keeps the typed text; CBN_CLOSEUP deletes the picked item with Shift, or
// clears the results when another folder than the last searched one was picked.
void onFolderBoxList(WORD code);

// After a search: the root folder in pathBuf goes to the top of the history.
void rememberFolder();

// MSG_RESTORE_FOLDER_TEXT: re-posts itself `count` times, then with flag 1 puts pathBuf
// back into the folder box, so pending messages (the box's own updates) go first.
void restoreFolderText(WPARAM flag, LPARAM count);
