#include "settings/folder_history.h"

#include "app/app_state.h"
#include "results/result_list.h"
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

void rememberFolder()
{
    if (isBareDrive(app.pathBuf)) {  // record its root
        app.pathBuf[2] = '\\';
        app.pathBuf[3] = '\0';
    }
    LRESULT i = SendMessageA(app.folderBox, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(app.pathBuf));
    if (i == 0)
        return;
    if (i > 0)
        SendMessageA(app.folderBox, CB_DELETESTRING, static_cast<WPARAM>(i), 0);
    SendMessageA(app.folderBox, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(app.pathBuf));
    lstrcpynA(app.restoreText, app.pathBuf, FOLDER_TEXT_BYTES);
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
