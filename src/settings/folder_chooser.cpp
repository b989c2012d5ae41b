#include "settings/folder_chooser.h"

#include <objbase.h>
#include <shlobj.h>

#include "app/app_state.h"
#include "results/result_list.h"
#include "search/exact_text.h"
#include "search/walk_rules.h"

// "LNK 検索フォルダー" (LNK search folder) in Shift_JIS: the program's own text, shown
// through the wide call so it reads right on every system.
static const char BROWSER_TITLE[] = "LNK \x8C\x9F\x8D\xF5\x83\x74\x83\x48\x83\x8B\x83\x5F\x81\x5B";

// The wide form of a chosen folder; the 8-bit calls would convert it with best fit ("ｄata"
// becomes its sibling "data") and cut it to a parent.
static wchar_t chosenFolder[MAX_PATH];

// A folder chosen outside the folder box becomes its text only when that text names exactly
// this folder and is no longer than a typed one may be; pathBuf holds it then.
static bool takeChosenFolder()
{
    return static_cast<std::size_t>(lstrlenW(chosenFolder)) <= MAX_FOLDER_TEXT && isExactPath(chosenFolder) &&
           narrowExactly(chosenFolder, app.search.pathBuf, FOLDER_TEXT_BYTES) != 0;
}

int browseFolder(int preselect)
{
    static wchar_t title[sizeof BROWSER_TITLE];
    static wchar_t displayName[MAX_PATH];
    if (MultiByteToWideChar(932, 0, BROWSER_TITLE, -1, title, sizeof BROWSER_TITLE) <= 0)
        title[0] = L'\0';
    BROWSEINFOW info = {};
    info.hwndOwner = app.mainWindow;
    info.pszDisplayName = displayName;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    // Handled by the browser's own modal loop once its window exists.
    PostMessageA(app.mainWindow, MSG_PLACE_POPUP, static_cast<WPARAM>(preselect), 0);
    LPITEMIDLIST item = SHBrowseForFolderW(&info);
    if (item == nullptr)
        return 0;
    BOOL found = SHGetPathFromIDListW(item, chosenFolder);
    CoTaskMemFree(item);
    return found && takeChosenFolder();
}

void chooseFolder(bool preselect)
{
    if (!browseFolder(preselect ? 1 : 0))
        return;
    SendMessageA(app.folderBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(app.search.pathBuf));
    updateStatus(-1);
}

void dropFolder(HDROP drop)
{
    // A run builds its paths in pathBuf and counts in tally: a drop must not touch either.
    if (app.busy != 0) {
        DragFinish(drop);
        return;
    }
    UINT need = DragQueryFileW(drop, 0, nullptr, 0);
    bool taken = need > 0 && need < MAX_PATH && DragQueryFileW(drop, 0, chosenFolder, MAX_PATH) == need &&
                 takeChosenFolder();
    DragFinish(drop);
    if (!taken)
        return;
    DWORD attributes = GetFileAttributesA(app.search.pathBuf);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    SendMessageA(app.folderBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(app.search.pathBuf));
    updateStatus(0);
}
