#include "search/search_run.h"

#include <cstring>

#include "app/app_state.h"
#include "results/result_list.h"
#include "search/pump.h"
#include "search/shortcut_check.h"
#include "search/walk_rules.h"
#include "settings/folder_history.h"

// Drawn at once, every new entry would cost the list a scroll and a scroll-bar update, more
// than checking a shortcut takes. While entries come in the list is held undrawn; the next
// progress step after SHOW_ENTRIES_MS brings the newest entry into view and draws the list
// once, so it still fills up visibly during the walk.
static const DWORD SHOW_ENTRIES_MS = 200;
static bool listHeld;
static DWORD listShownAt;
static LRESULT newestEntry;

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

static void appendEntry(std::size_t length)
{
    if (!listHeld) {
        SendMessageA(app.resultList, WM_SETREDRAW, FALSE, 0);
        listHeld = true;
        newestEntry = -1;
    }
    LRESULT index = SendMessageA(app.resultList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(app.pathBuf));
    if (index < 0)
        return;
    ++app.linkCount;
    newestEntry = index;
    SIZE size;
    if (GetTextExtentPoint32A(app.listDc, app.pathBuf, static_cast<int>(length), &size) && size.cx > app.maxExtent)
        app.maxExtent = size.cx;
}

static int showProgress()
{
    if (listHeld && GetTickCount() - listShownAt >= SHOW_ENTRIES_MS)
        showEntries();
    char text[32];
    formatProgress(text, sizeof text, app.linkCount, app.tally);
    SetWindowTextA(app.statusLabel, text);
    return pumpMessages();
}

// One find record serves every level: it is read only between a find call and the nested
// walk or shortcut check that follows, never after a nested walk returns.
int scanFolder(char* end)
{
    int r = pumpMessages();
    if (r != PUMP_GO_ON)
        return r;
    std::size_t depth = static_cast<std::size_t>(end - app.pathBuf);
    end[0] = '\\';
    end[1] = '*';
    end[2] = '\0';
    HANDLE find = FindFirstFileA(app.pathBuf, &app.findData);
    if (find == INVALID_HANDLE_VALUE) {
        *end = '\0';
        return PUMP_GO_ON;
    }
    do {
        const char* name = app.findData.cFileName;
        std::size_t length = std::strlen(name);
        if (app.findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (isDotEntry(name) || !folderFits(depth, length))
                continue;
            std::memcpy(end + 1, name, length + 1);
            r = scanFolder(end + 1 + length);
            if (r != PUMP_GO_ON)
                break;
            continue;
        }
        ++app.tally;
        bool shortcut = shortcutFits(depth, length) && isShortcutName(name, length);
        if (shortcut) {
            std::memcpy(end + 1, name, length + 1);
            if (app.settings.listAll != 0 || isBrokenShortcut())
                appendEntry(depth + 1 + length);
        }
        if (progressDue(shortcut, app.tally)) {
            r = showProgress();
            if (r != PUMP_GO_ON)
                break;
        }
    } while (FindNextFileA(find, &app.findData));
    FindClose(find);
    *end = '\0';
    return r;
}

void searchRun()
{
    if (GetAsyncKeyState(VK_SHIFT) < 0) {
        updateStatus(-1);  // Shift+Search only empties the list
        return;
    }
    int len = static_cast<int>(
        SendMessageA(app.folderBox, WM_GETTEXT, FOLDER_TEXT_BYTES, reinterpret_cast<LPARAM>(app.pathBuf)));
    updateStatus(-1);
    if (len <= 0)
        return;
    // Only the key-down bit survives the shift: 0x2000 while Ctrl is held.
    app.settings.listAll = (static_cast<unsigned short>(GetAsyncKeyState(VK_CONTROL)) >> 2) & 0x2000;
    // "C:\" is walked from "C:" so the walk's own backslash does not double it.
    if (len == 3)
        len = 2;

    beginRun();
    SetWindowTextA(app.searchButton, "---");
    // Neither reading a shortcut nor testing its target may bring up a system box about a
    // drive without media; set once for the walk, as the call is not free.
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    listShownAt = GetTickCount();
    int r = scanFolder(app.pathBuf + len);
    SetErrorMode(oldMode);
    showEntries();
    endRun();
    if (r == PUMP_CLOSING)
        return;  // the button keeps "---" and the status its last progress
    SetWindowTextA(app.searchButton, "Search");
    if (r == PUMP_GO_ON || app.linkCount != 0)
        rememberFolder();
    app.settings.listAll = 0;
    SendMessageA(app.resultList, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(app.maxExtent + 4), 0);
    SetFocus(app.resultList);
    app.hoverIndex = HOVER_NONE;
    updateStatus(0);
}
