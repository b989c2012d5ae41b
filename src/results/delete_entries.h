// Deleting the shortcut files behind list entries through the shell.
#pragma once
#include <windows.h>
#include <shellapi.h>

// IDC_DELETE: every selected entry, as a run that can be stopped. IDM_DELITEM: the entry
// whose context menu was opened, at `index`, at once.
void deleteEntries(UINT command, unsigned index);

// The shell's file operation and its question whether a volume has a Recycle Bin; tests
// put recorders in their place.
extern int(WINAPI* shellFileOperation)(LPSHFILEOPSTRUCTA op);
extern HRESULT(WINAPI* queryRecycleBin)(LPCWSTR path, LPSHQUERYRBINFO info);
