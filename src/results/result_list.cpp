#include "results/result_list.h"

#include "app/app_state.h"
#include "app/main_window.h"
#include "res/resource.h"
#include "results/entry_actions.h"
#include "results/entry_drawing.h"
#include "results/entry_texts.h"
#include "results/listed_files.h"
#include "results/status_text.h"
#include "results/tooltip.h"
#include "search/exact_text.h"

void updateStatus(int mode)
{
    char text[32];
    if (mode < 0) {
        SendMessageA(app.resultList, LB_RESETCONTENT, 0, 0);
        SendMessageA(app.resultList, LB_SETHORIZONTALEXTENT, 0, 0);
        app.linkCount = app.search.tally = 0;
        app.maxExtent = 0;
        forgetListedFiles();
        dropTooltip();
        lstrcpyA(text, "Not yet");
    } else {
        if (mode == 0)
            app.linkCount = static_cast<unsigned>(SendMessageA(app.resultList, LB_GETCOUNT, 0, 0));
        app.search.tally = app.linkCount != 0 ? static_cast<unsigned>(SendMessageA(app.resultList, LB_GETSELCOUNT, 0, 0)) : 0;
        formatStatus(text, sizeof text, app.search.tally, app.linkCount);
    }
    SetWindowTextA(app.statusLabel, text);
    EnableWindow(app.deleteButton, app.search.tally != 0);
}

// Drawn at once, every new entry would cost the list a scroll and a scroll-bar update, more
// than checking a shortcut takes; held, the list still fills up visibly during the walk.
static const DWORD SHOW_ENTRIES_MS = 200;
static bool listHeld;
static DWORD listShownAt;
static LRESULT newestEntry;

void beginEntries() { listShownAt = GetTickCount(); }

void showEntries()
{
    if (!listHeld)
        return;
    listHeld = false;
    if (newestEntry >= 0)
        SendMessageA(app.resultList, LB_SETCARETINDEX, static_cast<WPARAM>(newestEntry), FALSE);
    SendMessageA(app.resultList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(app.resultList, nullptr, TRUE);
    listShownAt = GetTickCount();
}

void entriesProgress()
{
    if (listHeld && GetTickCount() - listShownAt >= SHOW_ENTRIES_MS)
        showEntries();
}

void appendEntry(const char* path, int length, const ListedFile& file)
{
    if (!listHeld) {
        SendMessageA(app.resultList, WM_SETREDRAW, FALSE, 0);
        listHeld = true;
        newestEntry = -1;
    }
    LRESULT index = SendMessageA(app.resultList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path));
    if (index < 0)
        return;
    keepListedFile(index, file);  // without a record the entry is shown but never deleted
    ++app.linkCount;
    newestEntry = index;
    // GDI's 8-bit calls do not follow a UTF-8 process code page: measured as UTF-16.
    static wchar_t wide[PATH_BUF_BYTES];
    int n = wideOf(path, wide, PATH_BUF_BYTES, length);
    char reason[64];
    formatAwayText(reason, sizeof reason, file.away, file.drive);
    int width = n > 0 ? entryExtent(app.listDc, wide, n, reason) : 0;
    if (width > app.maxExtent)
        app.maxExtent = width;
}

// With one message for the whole list where it holds only counted entries: LB_SETSEL on a
// single entry also moves the caret to it and scrolls, and selecting 100,000 entries one
// by one took half a minute.
static bool selectAtOnce(UINT command)
{
    if (SendMessageA(app.resultList, LB_GETCOUNT, 0, 0) != static_cast<LRESULT>(app.linkCount))
        return false;
    if ((command & 3) != 0) {
        SendMessageA(app.resultList, LB_SETSEL, command & 1, -1);
        return true;
    }
    LRESULT n = SendMessageA(app.resultList, LB_GETSELCOUNT, 0, 0);
    if (n < 0)
        return false;
    int* was = nullptr;
    if (n > 0) {
        was = static_cast<int*>(HeapAlloc(GetProcessHeap(), 0, static_cast<SIZE_T>(n) * sizeof(int)));
        if (was == nullptr)
            return false;
        n = SendMessageA(app.resultList, LB_GETSELITEMS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(was));
    }
    if (n >= 0) {
        SendMessageA(app.resultList, LB_SETSEL, TRUE, -1);
        for (LRESULT k = 0; k < n; ++k)  // clearing one entry moves nothing
            SendMessageA(app.resultList, LB_SETSEL, FALSE, was[k]);
    }
    if (was != nullptr)
        HeapFree(GetProcessHeap(), 0, was);
    return n >= 0;
}

// Whether entry i's target was found missing on a drive or share that is there: not a Ctrl
// list's unchecked entry, nor one whose drive or server may only be away.
static bool isMissingEntry(unsigned i)
{
    const ListedFile* file = listedFileOf(i);
    return file != nullptr && file->checked && file->away == AWAY_NONE;
}

// All at once, then the others cleared one by one: clearing one entry moves nothing.
static void selectMissing()
{
    unsigned missing = 0;
    for (unsigned i = 0; i < app.linkCount; ++i)
        missing += isMissingEntry(i) ? 1 : 0;
    SendMessageA(app.resultList, LB_SETSEL, missing > 0, -1);
    for (unsigned i = 0; missing > 0 && i < app.linkCount; ++i)
        if (!isMissingEntry(i))
            SendMessageA(app.resultList, LB_SETSEL, FALSE, static_cast<LPARAM>(i));
}

void selectEntries(UINT command)
{
    if (app.linkCount == 0)
        return;
    // Drawn once at the end rather than entry by entry.
    SendMessageA(app.resultList, WM_SETREDRAW, FALSE, 0);
    if (command == IDM_SELMISSING) {
        selectMissing();
    } else if (!selectAtOnce(command)) {
        for (unsigned i = app.linkCount; i-- > 0;) {
            BOOL on;
            if ((command & 3) == 0)  // SelRe&v
                on = SendMessageA(app.resultList, LB_GETSEL, i, 0) == 0;
            else
                on = command & 1;
            SendMessageA(app.resultList, LB_SETSEL, on, static_cast<LPARAM>(i));
        }
    }
    SendMessageA(app.resultList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(app.resultList, nullptr, TRUE);
    updateStatus(0);
}

// The list box's nearest entry to a client point, see normaliseHover().
static unsigned nearestEntry(LPARAM point)
{
    unsigned raw = static_cast<unsigned>(SendMessageA(app.resultList, LB_ITEMFROMPOINT, 0, point));
    unsigned top = static_cast<unsigned>(SendMessageA(app.resultList, LB_GETTOPINDEX, 0, 0));
    return normaliseHover(raw, top);
}

// The entry under a point of the list's client area, or a value that names none: the list
// box answers the nearest entry for a point below the last one.
static unsigned entryAt(POINT p)
{
    unsigned i = nearestEntry(MAKELPARAM(p.x, p.y));
    RECT r;
    if (!namesEntry(i, app.linkCount) ||
        SendMessageA(app.resultList, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r)) == LB_ERR || !PtInRect(&r, p))
        return HOVER_NONE;
    return i;
}

// A menu asked for with the mouse acts on the entry under the point of the request, taken
// now: the list may have scrolled under a resting pointer. From the keyboard (both
// coordinates -1) it acts on the caret's entry and opens at it.
static void showContextMenu(LPARAM lParam)
{
    POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    unsigned i;
    if (at.x == -1 && at.y == -1) {
        i = static_cast<unsigned>(SendMessageA(app.resultList, LB_GETCARETINDEX, 0, 0));
        if (!namesEntry(i, app.linkCount))
            return;
        SendMessageA(app.resultList, LB_SETCARETINDEX, i, FALSE);  // scrolled fully into view
        RECT r;
        if (SendMessageA(app.resultList, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r)) == LB_ERR)
            return;
        at = {r.left, r.bottom};
        ClientToScreen(app.resultList, &at);
    } else {
        POINT client = at;
        ScreenToClient(app.resultList, &client);
        i = entryAt(client);
        if (!namesEntry(i, app.linkCount))
            return;
    }
    LRESULT len = SendMessageA(app.resultList, LB_GETTEXTLEN, i, 0);
    if (len < 0 || len >= ITEM_PATH_BYTES)
        return;  // the search lists nothing longer; never write past itemPath
    app.itemLen = static_cast<int>(SendMessageA(app.resultList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(app.itemPath)));
    app.menuEntry = i;
    HMENU popup = GetSubMenu(GetMenu(app.mainWindow), CONTEXT_MENU_POS);
    TrackPopupMenu(popup, 0, at.x, at.y, 0, app.mainWindow, nullptr);
}

static void trackPointer(WPARAM keys, LPARAM point)
{
    if (app.busy != 0)
        return;  // a run owns the list; nothing may change under it
    unsigned i = nearestEntry(point);
    if (i == app.hoverIndex)
        return;
    app.hoverIndex = i;
    if (keys & MK_LBUTTON) {
        if (namesEntry(i, app.linkCount)) {
            BOOL selected = SendMessageA(app.resultList, LB_GETSEL, i, 0) != 0;
            SendMessageA(app.resultList, LB_SETSEL, !selected, static_cast<LPARAM>(i));
            updateStatus(2);
        }
    } else if (keys & MK_RBUTTON) {
        SendMessageA(app.resultList, LB_SETCARETINDEX, i, FALSE);
    }
    // Whatever the buttons: a drag ends on an entry whose tip must be its own.
    if (app.settings.tipTime)
        hoverTooltip(i);
}

LRESULT CALLBACK resultListProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CONTEXTMENU: showContextMenu(lParam); return 0;
    case WM_KEYUP:
        if (wParam != VK_DELETE)
            break;
        // On release, so that auto-repeat starts one deletion, not many.
        PostMessageA(app.mainWindow, WM_COMMAND, IDC_DELETE, 0);
        return 0;
    case WM_CHAR:
        if (wParam == 1) {  // Ctrl+A
            mainWindowProc(app.mainWindow, WM_COMMAND, IDM_SELALL, 0);
            return 0;
        }
        if (wParam == 3) {  // Ctrl+C
            copyEntries(-1);
            return 0;
        }
        break;
    case WM_PAINT: showEntries(); break;  // a list held by the walk must not paint blank
    case WM_MOUSEMOVE: trackPointer(wParam, lParam); break;
    case WM_LBUTTONDOWN:
        // The entry under the press, not the one under the pointer before the list scrolled:
        // a drag that starts here must not toggle the other back.
        if (app.busy == 0)
            app.hoverIndex = nearestEntry(lParam);
        // Posted: the status line must show the selection the list box's own click makes.
        PostMessageA(app.mainWindow, WM_COMMAND, MAKEWPARAM(IDC_LIST, LBN_SELCHANGE), 0);
        break;
    case WM_RBUTTONDOWN: {
        POINT p = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        unsigned i = entryAt(p);
        if (namesEntry(i, app.linkCount))
            SendMessageA(app.resultList, LB_SETCARETINDEX, i, FALSE);
        SetFocus(app.resultList);
        break;
    }
    default: break;
    }
    return CallWindowProcA(app.listBaseProc, window, msg, wParam, lParam);
}
