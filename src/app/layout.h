// Child-control layout, the remembered window rectangle, monitors, and popup placement.
#pragma once
#include <windows.h>

void layoutControls(int width, int height);
void onSize(int width, int height);
void onMove();
void onGetMinMaxInfo(MINMAXINFO* info);
void keepOnMonitor(HWND window);

// Decorates and places the modal popup that just opened (About box, folder browser);
// `preselect` also selects the typed folder in a folder browser.
void placePopup(WPARAM preselect);
