// Main window messages, the busy gate, the command table, menu set-up, the right-button
// execution of menu items, close handling and the About box.
#include "app/main_window.h"

#include "app/app_state.h"
#include "app/layout.h"
#include "res/resource.h"
#include "results/delete_entries.h"
#include "results/entry_annotation.h"
#include "results/entry_drawing.h"
#include "results/entry_actions.h"
#include "results/result_list.h"
#include "results/tooltip.h"
#include "search/search_run.h"
#include "settings/folder_chooser.h"
#include "settings/folder_history.h"
#include "settings/settings_file.h"

char appName[] = "Vellmoor\0 1.520";

static const char aboutText[] =
    "Finds shortcuts (.lnk, .pif) whose targets are gone, and deletes them.\r\n"
    "2022/05/25  Vellmoor, by the Vellmoor authors";

HWND topMostMarker()
{
    // Only the lowest bit counts: an odd value in a damaged file must not become a handle.
    return (app.settings.topMost & 1) ? HWND_TOPMOST : HWND_NOTOPMOST;
}

static void applyTopMost()
{
    SetWindowPos(app.mainWindow, topMostMarker(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

static LRESULT onClose(UINT msg)
{
    if (app.busy > 0) {
        app.busy = -1;  // the run stops; the user closes again once it has
        return 0;
    }
    if (app.busy < 0)
        return 0;
    saveSettings();
    stopAnnotating(app.resultList);
    ReleaseDC(app.resultList, app.listDc);
    app.listDc = nullptr;
    SetWindowLongPtrA(app.resultList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(app.listBaseProc));
    DestroyWindow(app.mainWindow);
    return msg & 1;  // WM_QUERYENDSESSION: the session may end
}

static void showAbout()
{
    PostMessageA(app.mainWindow, MSG_PLACE_POPUP, 0, 0);
    appName[sizeof "Vellmoor" - 1] = ' ';
    MessageBoxA(app.mainWindow, aboutText, appName, MB_ICONINFORMATION);
}

// Focus and edit changes never stop a run; nor do the folder box's list opening, closing or
// losing its pick, which a click into the box and a switch to another program send: only
// what the user asks for does.
static bool stopsARun(WORD id, WORD code)
{
    if (code >= 3 && code <= 5)
        return false;
    return !(id == IDC_FOLDER && (code == CBN_DROPDOWN || code == CBN_CLOSEUP || code == CBN_SELENDCANCEL));
}

// While a run is on the stack it owns pathBuf and the counters; a command may only stop it.
static bool passesBusyGate(WPARAM wParam)
{
    if (app.busy > 0) {
        if (stopsARun(LOWORD(wParam), HIWORD(wParam)))
            app.busy = -1;
        return false;
    }
    // A cancel is pending: the run is still unwinding and must not meet a second one.
    return app.busy == 0;
}

static LRESULT onCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (!passesBusyGate(wParam))
        return 0;
    WORD id = LOWORD(wParam);
    WORD code = HIWORD(wParam);
    switch (id) {
    case IDC_FOLDER:
        if (code == CBN_DROPDOWN || code == CBN_CLOSEUP) {
            onFolderBoxList(code);
            return 0;
        }
        break;
    case IDC_SEARCH: searchRun(); return 0;
    case IDC_REMOTE:
        app.settings.remoteOn = static_cast<unsigned>(SendMessageA(reinterpret_cast<HWND>(lParam), BM_GETCHECK, 0, 0));
        updateStatus(-1);
        return 0;
    case IDC_DELETE:
        if (app.linkCount > 0)
            deleteEntries(IDC_DELETE, 0);
        return 0;
    case IDC_LIST:
        if (code == LBN_SELCHANGE) {
            updateStatus(2);
            return 0;
        }
        break;
    case IDM_FOLDER: chooseFolder(lParam == 1); return 0;
    case IDM_EXIT: PostMessageA(app.mainWindow, WM_CLOSE, 0, 0); return 0;
    case IDM_SELREV:
    case IDM_SELALL:
    case IDM_SELCLR:
    case IDM_SELMISSING: selectEntries(id); return 0;
    case IDM_COPY: copyEntries(-1); return 0;
    case IDM_TOPMOST:
        app.settings.topMost ^= 1;
        applyTopMost();
        return 0;
    case IDM_RECYCLE: app.settings.recycle ^= 1; return 0;
    case IDM_TIPTIME:
        app.settings.tipTime ^= 1;
        activateTooltip(app.settings.tipTime);
        return 0;
    case IDM_HELP: openHelp(); return 0;
    case IDM_ABOUT: showAbout(); return 0;
    case IDM_OPENFOLDER:
    case IDM_OPENLINK:
    case IDM_PROPERTY:
    case IDM_COPYNAME: entryAction(id); return 0;
    case IDM_DELITEM: deleteEntries(IDM_DELITEM, app.menuEntry); return 0;
    default: break;
    }
    return DefWindowProcA(window, WM_COMMAND, wParam, lParam);
}

static LRESULT onInitMenuPopup(HMENU menu, LPARAM lParam)
{
    app.menuPick = 0;
    switch (LOWORD(lParam)) {
    case 1: {
        UINT state = app.linkCount > 0 ? MF_ENABLED : MF_GRAYED;
        for (UINT id = IDM_SELREV; id <= IDM_COPY; ++id)
            EnableMenuItem(menu, id, MF_BYCOMMAND | state);
        EnableMenuItem(menu, IDM_SELMISSING, MF_BYCOMMAND | state);
        break;
    }
    case 2: {
        std::uint32_t* options[] = {&app.settings.topMost, &app.settings.recycle, &app.settings.tipTime};
        for (UINT i = 0; i < 3; ++i) {
            *options[i] &= 1;
            CheckMenuItem(menu, IDM_TOPMOST + i, MF_BYCOMMAND | (*options[i] ? MF_CHECKED : MF_UNCHECKED));
        }
        applyTopMost();
        break;
    }
    default: break;
    }
    return 0;
}

// A menu item is also carried out when the right button is pressed and released on it;
// "F&older" then starts at the typed folder (second command parameter 1).
static LRESULT onMenuSelect(WPARAM wParam)
{
    WORD flags = HIWORD(wParam);
    if ((flags & (MF_GRAYED | MF_DISABLED | MF_POPUP)) == 0)
        app.menuPick = LOWORD(wParam);
    else if (!(static_cast<DWORD>(wParam) >= 0xFFFF0000u && (app.menuPick & 0x10000)))
        app.menuPick = 0;
    return 0;
}

static LRESULT onEnterIdle(WPARAM wParam)
{
    if (wParam != MSGF_MENU)
        return 0;
    if (GetAsyncKeyState(VK_RBUTTON) < 0) {
        app.menuPick |= 0x10000;
    } else if ((app.menuPick & 0x10000) && LOWORD(app.menuPick) > 0x8000) {
        PostMessageA(app.mainWindow, WM_KEYDOWN, VK_MENU, 0x00380001);
        PostMessageA(app.mainWindow, WM_KEYUP, VK_MENU, static_cast<LPARAM>(0xC0380001u));
        PostMessageA(app.mainWindow, WM_COMMAND, LOWORD(app.menuPick), 1);
        app.menuPick = 0;  // the menu may idle again before it closes: carry the item out once
    }
    return 0;
}

static LRESULT onContextMenu(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (reinterpret_cast<HWND>(wParam) == app.searchButton) {
        MessageBeep(MB_ICONHAND);
        return 0;
    }
    return DefWindowProcA(window, WM_CONTEXTMENU, wParam, lParam);
}

// The control with the focus when the window was last left, given it back on return.
static HWND activeFocus;

void setActiveFocus(HWND control) { activeFocus = control; }

static LRESULT onActivate(WPARAM wParam)
{
    if (LOWORD(wParam) & 3) {  // WA_ACTIVE or WA_CLICKACTIVE
        SetFocus(activeFocus != nullptr && IsChild(app.mainWindow, activeFocus) ? activeFocus : app.resultList);
    } else {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(app.mainWindow, focus))
            activeFocus = focus;
    }
    return 0;
}

// The main window's child that holds `w` (the folder box for its edit field).
static HWND controlOf(HWND w)
{
    while (w != nullptr && GetParent(w) != app.mainWindow)
        w = GetParent(w);
    return w;
}

bool handleDialogKey(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN || app.mainWindow == nullptr)
        return false;
    HWND control = controlOf(msg.hwnd);
    if (control == nullptr)
        return false;
    if (msg.wParam == VK_TAB) {
        HWND next = GetNextDlgTabItem(app.mainWindow, control, GetAsyncKeyState(VK_SHIFT) < 0);
        if (next != nullptr)
            SetFocus(next);
        return true;
    }
    if (msg.wParam == VK_RETURN && control == app.folderBox &&
        !SendMessageA(app.folderBox, CB_GETDROPPEDSTATE, 0, 0)) {
        SendMessageA(app.mainWindow, WM_COMMAND, IDC_SEARCH, 0);
        return true;
    }
    return false;
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_SIZE: onSize(LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_MOVE: onMove(); return 0;
    case WM_ACTIVATE: return onActivate(wParam);
    case WM_CLOSE:
    case WM_QUERYENDSESSION: return onClose(msg);
    case WM_GETMINMAXINFO: onGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam)); return 0;
    case WM_CONTEXTMENU: return onContextMenu(window, wParam, lParam);
    case WM_COMMAND: return onCommand(window, wParam, lParam);
    case WM_INITMENUPOPUP: return onInitMenuPopup(reinterpret_cast<HMENU>(wParam), lParam);
    case WM_MENUSELECT: return onMenuSelect(wParam);
    case WM_ENTERIDLE: return onEnterIdle(wParam);
    case WM_DROPFILES: dropFolder(reinterpret_cast<HDROP>(wParam)); return 0;
    case WM_MEASUREITEM: measureEntry(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)); return TRUE;
    case WM_DRAWITEM: drawEntry(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); return TRUE;
    case MSG_PLACE_POPUP: placePopup(wParam); return 0;
    case MSG_RESTORE_FOLDER_TEXT: restoreFolderText(wParam, lParam); return 0;
    default: return DefWindowProcA(window, msg, wParam, lParam);
    }
}
