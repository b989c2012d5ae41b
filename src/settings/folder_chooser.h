// Choosing the folder with the shell's folder browser, or by dropping it on the window.
#pragma once
#include <windows.h>
#include <shellapi.h>

// The shell's folder browser at the main window; `preselect` nonzero starts it at the typed
// folder. Nonzero when a file-system folder was confirmed: its path is in pathBuf.
int browseFolder(int preselect);

// "F&older": the confirmed folder goes into the folder box and the results are cleared.
void chooseFolder(bool preselect);

// WM_DROPFILES: an existing folder dropped first goes into the folder box; the list stays.
void dropFolder(HDROP drop);
