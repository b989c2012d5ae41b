#include "app/geometry.h"

int unitFromIconFont(int height) { return height >= 0 ? height : 2 - height; }
int unitFromStockFont(int height) { return height >= 0 ? height : -height; }

int initialClientWidth(int unit) { return 18 * unit + 16; }
int initialClientHeight(int unit) { return 6 * unit + 36; }

Box creationBox(ControlSlot slot, int u)
{
    switch (slot) {
    case SLOT_FOLDER: return {4, 4, 14 * u + 4, 16 * u + 6};
    case SLOT_SEARCH: return {14 * u + 14, 4, 4 * u, u + 8};
    case SLOT_STATUS: return {0, u + 22, 9 * u + 4, u + 4};
    case SLOT_REMOTE: return {9 * u + 5, u + 22, 5 * u + 6, u + 4};
    case SLOT_DELETE: return {14 * u + 14, u + 16, 4 * u, u + 8};
    case SLOT_LIST: return {4, 2 * u + 28, 18 * u + 8, 4 * u + 4};
    default: return {0, 0, 0, 0};
    }
}

Box folderBoxSize(int u, int width) { return {4, 4, width - 4 * u - 14, 16 * u + 6}; }
Box searchButtonPos(int u, int width) { return {width - 4 * u - 4, 4, 4 * u, u + 8}; }
Box deleteButtonPos(int u, int width) { return {width - 4 * u - 4, u + 16, 4 * u, u + 8}; }
Box resultListSize(int u, int width, int height) { return {4, 2 * u + 28, width - 8, height - 2 * u - 32}; }

int minTrackWidth(int u, int frameX) { return 18 * u + 16 + 2 * frameX; }
int minTrackHeight(int u, int frameX, int frameY) { return 6 * u + 24 + frameY + frameX; }

void pullOntoWorkArea(const Rect32& win, const Rect32& work, int captionHeight, int& x, int& y)
{
    int cx = (win.left + win.right) / 2;
    int cy = (win.top + win.bottom) / 2;
    x = win.left;
    y = win.top;
    if (cx < work.left)
        x += work.left - cx;
    else if (cx > work.right)
        x += work.right - cx;
    int halfCaption = captionHeight / 2;
    if (y < work.top - halfCaption)
        y = work.top - halfCaption;
    else if (cy > work.bottom)
        y += work.bottom - cy;
}

int popupCoordinate(int windowEdge, int frame, int popupSize, int screenSize)
{
    int v = static_cast<int>(static_cast<unsigned>(windowEdge) + static_cast<unsigned>(frame));
    if (static_cast<unsigned>(v) + static_cast<unsigned>(popupSize) >= static_cast<unsigned>(screenSize))
        v = screenSize - popupSize;
    return v;
}

bool staysOnMonitors(const Rect32& win, bool (*onMonitor)(int x, int y, void* context), void* context)
{
    return onMonitor(win.left, win.top, context) && onMonitor(win.right, win.bottom, context);
}
