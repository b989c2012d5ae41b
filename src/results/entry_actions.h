// What the user can do with listed shortcuts besides deleting them.
#pragma once
#include <windows.h>
#include <shellapi.h>

// index < 0: every entry to the clipboard; otherwise the entry whose menu was opened, as it
// was fetched into itemPath with itemLen.
void copyEntries(int index);

// "&Open Folder", "Open &Link", "&Property", "&Copy Name" on the context-menu entry.
void entryAction(UINT command);

// "Hel&p": the executable's path with "chm" for its extension, opened through the shell.
void openHelp();

// The shell's ShellExecuteA; tests put a recorder in its place.
extern HINSTANCE(WINAPI* shellExecute)(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR folder, INT show);
