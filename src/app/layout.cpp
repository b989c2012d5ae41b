#include "app/layout.h"

#include <shlobj.h>

#include "app/app_state.h"
#include "app/geometry.h"

static void resizeControl(HWND w, const Box& b)
{
    SetWindowPos(w, nullptr, 0, 0, b.width, b.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

static void moveControl(HWND w, const Box& b)
{
    SetWindowPos(w, nullptr, b.x, b.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void layoutControls(int width, int height)
{
    int u = app.unit;
    resizeControl(app.folderBox, folderBoxSize(u, width));
    moveControl(app.searchButton, searchButtonPos(u, width));
    moveControl(app.deleteButton, deleteButtonPos(u, width));
    Box list = resultListSize(u, width, height);
    // A minimised window reports 0 x 0; a negative size means nothing to the list.
    if (list.width < 0)
        list.width = 0;
    if (list.height < 0)
        list.height = 0;
    resizeControl(app.resultList, list);
}

// Keeps the normal-state rectangle: maximised, minimised and hidden states leave it alone.
static void rememberWindowRect(bool moved)
{
    LONG style = GetWindowLongA(app.mainWindow, GWL_STYLE);
    if ((style & (WS_MINIMIZE | WS_VISIBLE | WS_MAXIMIZE)) != WS_VISIBLE)
        return;
    if (moved)
        keepOnMonitor(app.mainWindow);
    RECT r;
    if (GetWindowRect(app.mainWindow, &r))
        app.settings.windowRect = {r.left, r.top, r.right, r.bottom};
}

void onSize(int width, int height)
{
    if (app.resultList != nullptr)
        layoutControls(width, height);
    rememberWindowRect(false);
}

void onMove() { rememberWindowRect(true); }

void onGetMinMaxInfo(MINMAXINFO* info)
{
    info->ptMinTrackSize.x = minTrackWidth(app.unit, app.frameX);
    info->ptMinTrackSize.y = minTrackHeight(app.unit, app.frameX, app.frameY);
}

static bool onAMonitor(int x, int y, void*)
{
    POINT p = {x, y};
    return MonitorFromPoint(p, MONITOR_DEFAULTTONULL) != nullptr;
}

void keepOnMonitor(HWND window)
{
    RECT r;
    if (!GetWindowRect(window, &r))
        return;
    Rect32 win = {r.left, r.top, r.right, r.bottom};
    if (staysOnMonitors(win, onAMonitor, nullptr))
        return;
    POINT centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    MONITORINFO mi = {};
    mi.cbSize = sizeof mi;
    if (!GetMonitorInfoA(MonitorFromPoint(centre, MONITOR_DEFAULTTONEAREST), &mi))
        return;
    Rect32 work = {mi.rcWork.left, mi.rcWork.top, mi.rcWork.right, mi.rcWork.bottom};
    int x, y;
    pullOntoWorkArea(win, work, GetSystemMetrics(SM_CYCAPTION), x, y);
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void placePopup(WPARAM preselect)
{
    HWND popup = GetLastActivePopup(app.mainWindow);
    if (popup == nullptr || popup == app.mainWindow)
        return;
    SendMessageA(popup, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(app.appIcon));
    RECT r;
    if (!GetWindowRect(popup, &r))
        return;
    if (preselect != 0) {
        // The browser reads the path while handling the request, which happens after this
        // handler returns; pathBuf is not touched in between.
        LRESULT len = SendMessageA(app.folderBox, WM_GETTEXT, FOLDER_TEXT_BYTES, reinterpret_cast<LPARAM>(app.search.pathBuf));
        if (len > 0)
            PostMessageA(popup, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(app.search.pathBuf));
    }
    const WindowRect& w = app.settings.windowRect;
    int x = popupCoordinate(w.left, app.frameX, r.right - r.left, GetSystemMetrics(SM_CXSCREEN));
    int y = popupCoordinate(w.top, app.frameY, r.bottom - r.top, GetSystemMetrics(SM_CYSCREEN));
    SetWindowPos(popup, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}
