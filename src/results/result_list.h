// The result list: its subclass (pointer tracking, drag selection, keys, context menu),
// the selection commands, and the status line.
#pragma once
#include <windows.h>

LRESULT CALLBACK resultListProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// mode < 0: clear the results; 0: recount the list; > 0: keep linkCount. Modes 0 and above
// show the counts and enable Delete exactly when something is selected.
void updateStatus(int mode);

// "SelRe&v", "Sel&All", "SelCl&r".
void selectEntries(UINT command);
