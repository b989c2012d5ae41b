// The result list: its subclass (pointer tracking, drag selection, keys, context menu),
// the selection commands, and the status line.
#pragma once
#include <windows.h>

#include "results/listed_files.h"

LRESULT CALLBACK resultListProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// mode < 0: clear the results; 0: recount the list; > 0: keep linkCount. Modes 0 and above
// show the counts and enable Delete exactly when something is selected.
void updateStatus(int mode);

// "SelRe&v", "Sel&All", "SelCl&r", "Select &Missing" (only entries whose target is missing
// on a drive or share that is there).
void selectEntries(UINT command);

// A walk's entries: each is added with the list's drawing held, as a scroll per entry would
// cost more than checking the shortcut. The list shows them at a progress step once
// SHOW_ENTRIES_MS have passed since it last did, when it must paint, and at the end.
void beginEntries();
void appendEntry(const char* path, int length, const ListedFile& file);  // counted in linkCount, widens maxExtent
void entriesProgress();
void showEntries();
