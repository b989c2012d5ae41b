// Window geometry as plain arithmetic on the layout unit (about one line of the UI font).
#pragma once

struct Box {
    int x, y, width, height;
};

enum ControlSlot { SLOT_FOLDER, SLOT_SEARCH, SLOT_STATUS, SLOT_REMOTE, SLOT_DELETE, SLOT_LIST, SLOT_COUNT };

// Layout unit from the icon-title font's height, and from the stock GUI font's height.
int unitFromIconFont(int height);
int unitFromStockFont(int height);

// Client size the main window starts with.
int initialClientWidth(int unit);
int initialClientHeight(int unit);

// Where each child control is created.
Box creationBox(ControlSlot slot, int unit);

// Sizes and positions after a size change to a client area of width x height. Controls that
// only move keep their size; those that only grow keep their position.
Box folderBoxSize(int unit, int width);
Box searchButtonPos(int unit, int width);
Box deleteButtonPos(int unit, int width);
Box resultListSize(int unit, int width, int height);

// Smallest outer size the window can be dragged to.
int minTrackWidth(int unit, int frameX);
int minTrackHeight(int unit, int frameX, int frameY);

struct Rect32 {
    int left, top, right, bottom;
};

// Whether a window stays where it is: its top-left corner lies on a monitor, and then the
// first point past its bottom-right does too, not necessarily on the same one.
bool staysOnMonitors(const Rect32& win, bool (*onMonitor)(int x, int y, void* context), void* context);

// Where a window whose outer rectangle is `win` goes when neither of its corners is on a
// monitor: its centre is pulled onto the nearest monitor's work area `work`, its top edge
// at most half a caption above it. Returns the new top-left corner in `x`, `y`.
void pullOntoWorkArea(const Rect32& win, const Rect32& work, int captionHeight, int& x, int& y);

// One coordinate of a popup placed at the main window's client corner: pulled back
// when it would reach past the screen edge (the test is unsigned on purpose, so a popup
// far off to the left or top is brought back onto the primary screen).
int popupCoordinate(int windowEdge, int frame, int popupSize, int screenSize);
