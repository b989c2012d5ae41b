#include "settings/folder_history.h"

#include "app/app_state.h"
#include "results/result_list.h"
#include "search/exact_text.h"
#include "search/folder_text.h"

void onFolderBoxList(WORD code)
{
    if (code == CBN_DROPDOWN) {
        SendMessageA(app.folderBox, WM_GETTEXT, FOLDER_TEXT_BYTES, reinterpret_cast<LPARAM>(app.restoreText));
        return;
    }
    LRESULT sel = SendMessageA(app.folderBox, CB_GETCURSEL, 0, 0);
    if (sel < 0)
        return;
    if (GetAsyncKeyState(VK_SHIFT) < 0) {
        SendMessageA(app.folderBox, CB_DELETESTRING, static_cast<WPARAM>(sel), 0);
        PostMessageA(app.mainWindow, MSG_RESTORE_FOLDER_TEXT, 1, 2);
    } else if (sel != 0) {
        updateStatus(-1);
    }
}

// A relative text ("2024", "%USERPROFILE%", " C:\x") names a folder only from this run's
// current folder: it is recorded as the full path of the folder it named when searched.
static void makeFullPath()
{
    static wchar_t wide[FOLDER_TEXT_BYTES];
    static wchar_t full[MAX_FOLDER_TEXT + 1];
    static char text[FOLDER_TEXT_BYTES];
    if (isFullPath(app.search.pathBuf) || wideOf(app.search.pathBuf, wide, FOLDER_TEXT_BYTES) <= 0)
        return;
    DWORD n = GetFullPathNameW(wide, MAX_FOLDER_TEXT + 1, full, nullptr);
    if (n == 0 || n > MAX_FOLDER_TEXT || narrowExactly(full, text, FOLDER_TEXT_BYTES) == 0)
        return;  // kept as typed; the save still puts a loadable folder first
    lstrcpynA(app.search.pathBuf, text, FOLDER_TEXT_BYTES);
}

void rememberFolder()
{
    if (isBareDrive(app.search.pathBuf)) {  // record its root
        app.search.pathBuf[2] = '\\';
        app.search.pathBuf[3] = '\0';
    }
    makeFullPath();
    LRESULT i = SendMessageA(app.folderBox, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(app.search.pathBuf));
    if (i == 0)
        return;
    if (i > 0)
        SendMessageA(app.folderBox, CB_DELETESTRING, static_cast<WPARAM>(i), 0);
    SendMessageA(app.folderBox, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(app.search.pathBuf));
    lstrcpynA(app.restoreText, app.search.pathBuf, FOLDER_TEXT_BYTES);
    PostMessageA(app.mainWindow, MSG_RESTORE_FOLDER_TEXT, 1, 1);
}

void restoreFolderText(WPARAM flag, LPARAM count)
{
    if (static_cast<int>(count) > 0) {
        PostMessageA(app.mainWindow, MSG_RESTORE_FOLDER_TEXT, flag, count - 1);
        return;
    }
    if (flag == 1)
        SetWindowTextA(app.folderBox, app.restoreText);
}
