// The main window procedure: routes every message and command to the code that owns it.
#pragma once
#include <windows.h>

// Class name and title, followed in storage by the version text the About box joins to it.
extern char appName[];

LRESULT CALLBACK mainWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// Insert-after handle for SetWindowPos from the Top Most option.
HWND topMostMarker();

// Tab and Shift+Tab move the focus among the controls as in a dialog; Enter in the folder
// box (its list closed) searches as the Search button does. True when `msg` was handled.
bool handleDialogKey(const MSG& msg);

// The control that gets the focus whenever the window is activated, until the user moves it.
void setActiveFocus(HWND control);
