// The main window procedure: routes every message and command to the code that owns it.
#pragma once
#include <windows.h>

// Class name and title, followed in storage by the version text the About box joins to it.
extern char appName[];

LRESULT CALLBACK mainWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// Insert-after handle for SetWindowPos from the Top Most option.
HWND topMostMarker();
