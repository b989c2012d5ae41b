// The one process-wide state record. Everything runs on one thread; `busy` is the only
// guard against re-entry through the message pump.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "settings/settings_block.h"

// Private messages: the main loop lets up to five ordinary messages go first.
constexpr UINT MSG_PLACE_POPUP = 0x8002;
constexpr UINT MSG_RESTORE_FOLDER_TEXT = 0x800A;

#include "search/path_limits.h"
#include "search/search_state.h"

constexpr int ITEM_PATH_BYTES = PATH_BUF_BYTES;

// hoverIndex after a search: names no entry, and differs from every pointer position.
constexpr unsigned HOVER_NONE = 0xFFFFFFFFu;

struct AppState {
    HWND mainWindow, folderBox, searchButton, remoteCheck, deleteButton, statusLabel, resultList, tipWindow;
    HFONT uiFont;
    HDC listDc;
    HICON appIcon;
    WNDPROC listBaseProc;
    int unit, frameX, frameY;

    int busy;  // 0 idle, positive: a run is on the stack, negative: it was asked to stop
    unsigned linkCount;
    int maxExtent;

    unsigned hoverIndex;  // entry under the pointer, see normaliseHover()
    char itemPath[ITEM_PATH_BYTES];
    int itemLen;
    unsigned menuEntry;  // the entry the context menu was opened for; itemPath holds its text
    unsigned menuPick;  // last enabled menu item highlighted; bit 16: right button went down on it

    SearchState search;  // the engine's: pathBuf, targetBuf, findData, tally
    char restoreText[FOLDER_TEXT_BYTES];  // the folder text a queued restore puts back; a walk may own pathBuf by then
    char tipText[96];  // the tip in Shift_JIS, the program's own text
    wchar_t tipShown[160 + MAX_PATH + 16];  // the reason and where the target was found, if any, and the same as UTF-16, as the control shows it on every system
    TTTOOLINFOW toolInfo;

    char* exePath;  // inside the command-line text; the side files are named by rewriting extPtr
    char* extPtr;
    char modulePath[MAX_BYTES_PER_UNIT * MAX_PATH + 4];  // used instead when the command line names no file

    Settings settings;
};

extern AppState app;
