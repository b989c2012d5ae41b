#include "results/delete_entries.h"

#include <cstring>
#include <shellapi.h>

#include "app/app_state.h"
#include "results/listed_files.h"
#include "results/result_list.h"
#include "results/status_text.h"
#include "results/tooltip.h"
#include "search/exact_text.h"
#include "search/file_lookup.h"
#include "search/pump.h"
#include "search/shortcut_check.h"
#include "search/walk_rules.h"

int(WINAPI* shellFileOperation)(LPSHFILEOPSTRUCTA op) = SHFileOperationA;

// No progress, no question, no error box; to the bin.
static const FILEOP_FLAGS DELETE_TO_BIN = FOF_SILENT | FOF_NOCONFIRMATION | FOF_FILESONLY | FOF_NOERRORUI | FOF_ALLOWUNDO;

static const DWORD AS_ITSELF = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS;
static const DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// For good, through a handle on the very file that was checked: no name is looked up
// between the check and the deletion, so nothing can be swapped in between.
static bool deleteForGood(HANDLE held)
{
    const DWORD access = DELETE | FILE_READ_ATTRIBUTES;
    HANDLE h = ReOpenFile(held, access | FILE_WRITE_ATTRIBUTES, SHARE_ALL, AS_ITSELF);
    if (h == INVALID_HANDLE_VALUE)
        h = ReOpenFile(held, access, SHARE_ALL, AS_ITSELF);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    // As the shell's deletion does, a read-only file goes too; if it stays, it stays read-only.
    FILE_BASIC_INFO was;
    bool readOnly = GetFileInformationByHandleEx(h, FileBasicInfo, &was, sizeof was) &&
                    (was.FileAttributes & FILE_ATTRIBUTE_READONLY);
    FILE_BASIC_INFO attributes = {};  // times left at 0 stay as they are
    if (readOnly) {
        attributes.FileAttributes = was.FileAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        if (attributes.FileAttributes == 0)
            attributes.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(h, FileBasicInfo, &attributes, sizeof attributes);
    }
    FILE_DISPOSITION_INFO disposition = {TRUE};
    bool deleted = SetFileInformationByHandle(h, FileDispositionInfo, &disposition, sizeof disposition) != 0;
    if (!deleted && readOnly) {
        attributes.FileAttributes = was.FileAttributes;
        SetFileInformationByHandle(h, FileBasicInfo, &attributes, sizeof attributes);
    }
    CloseHandle(h);
    return deleted;
}

// To the bin, through the shell's operation, which takes a name. The caller holds the
// checked file open across it; afterwards that file must be gone from its name.
static bool recycle(char* source, int len, const FileIdentity& identity)
{
    source[len + 1] = '\0';  // the shell takes a list of names ending in a double NUL
    SHFILEOPSTRUCTA op = {};
    op.hwnd = app.mainWindow;
    op.wFunc = FO_DELETE;
    op.pFrom = source;
    op.fFlags = DELETE_TO_BIN;
    if (shellFileOperation(&op) != 0)
        return false;
    HANDLE again;
    FoundFile after = findListedFile(source, identity, again);
    if (again != INVALID_HANDLE_VALUE)
        CloseHandle(again);
    return after == FOUND_NOTHING || after == FOUND_OTHER_FILE;
}

HRESULT(WINAPI* queryRecycleBin)(LPCWSTR, LPSHQUERYRBINFO) = SHQueryRecycleBinW;

// The documented question: the bin of a volume that has none (a memory card, most network
// shares) cannot be queried.
static bool hasRecycleBin(const char* source)
{
    static wchar_t wide[PATH_BUF_BYTES];
    SHQUERYRBINFO info = {};
    info.cbSize = sizeof info;
    return MultiByteToWideChar(CP_ACP, 0, source, -1, wide, PATH_BUF_BYTES) > 0 &&
           SUCCEEDED(queryRecycleBin(wide, &info));
}

// The target is checked again as the search checked it: one put back since (a drive
// reconnected, a program reinstalled) makes the shortcut valid again.
static bool stillBroken(const char* source)
{
    lstrcpynA(app.pathBuf, source, PATH_BUF_BYTES);
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    bool broken = isBrokenShortcut();
    SetErrorMode(oldMode);
    return broken;
}

// Whether the file behind entry `source` is gone afterwards: deleted here, or already gone
// when Delete came. Only the very file the search listed is deleted, and only while it is
// a plain file and, in a list of broken shortcuts, still broken.
static bool deleteListedFile(char* source, int len, const ListedFile& listed)
{
    if (!namesExactly(source))
        return false;  // the shell would delete every file a pattern matches, or a name's twin
    HANDLE held;
    FoundFile found = findListedFile(source, listed.identity, held);
    if (found != FOUND_LISTED)
        return found == FOUND_NOTHING;
    bool gone = false;
    if (!listed.checked || stillBroken(source)) {
        bool toBin = app.settings.recycle != 0 && !isInRecycledFolder(source, static_cast<std::size_t>(len));
        if (!toBin)
            gone = deleteForGood(held);
        else if (hasRecycleBin(source))  // elsewhere the shell would delete for good, unasked
            gone = recycle(source, len, listed.identity);
    }
    CloseHandle(held);
    return gone;
}

// Deletes entry i and keeps the list in step: an entry leaves the list exactly when its
// file is gone; every other entry stays, deselected. With `menuEntry`, the entry must still
// be the one whose context menu was opened. Returns the entry's text length (0 or less:
// not read).
static int deleteEntry(unsigned i, bool menuEntry)
{
    // The path lives in a buffer of its own: messages dispatched while the shell works
    // (a drop, a restore of the folder text) cannot change what is being deleted.
    char source[PATH_BUF_BYTES];
    LRESULT textLen = SendMessageA(app.resultList, LB_GETTEXTLEN, i, 0);
    if (textLen < 0)
        return -1;
    if (textLen == 0 || textLen > static_cast<LRESULT>(PATH_BUF_BYTES - 2))
        return 0;
    int len = static_cast<int>(SendMessageA(app.resultList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(source)));
    if (len <= 0)
        return len;
    if (menuEntry && std::strcmp(source, app.itemPath) != 0)
        return -1;  // the list changed since the menu opened: delete nothing rather than the wrong file
    // A copy: a search run inside the shell's operation may replace the records.
    const ListedFile* record = listedFileOf(i);
    ListedFile listed = record != nullptr ? *record : ListedFile{};
    bool gone = record != nullptr && deleteListedFile(source, len, listed);
    // The shell may dispatch messages while it works: a command run inside it may have
    // changed the list, and row i may now be another entry.
    char now[PATH_BUF_BYTES];
    LRESULT nowLen = SendMessageA(app.resultList, LB_GETTEXTLEN, i, 0);
    if (nowLen != len || SendMessageA(app.resultList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(now)) != len ||
        std::memcmp(now, source, static_cast<std::size_t>(len)) != 0)
        return len;
    if (!gone) {
        SendMessageA(app.resultList, LB_SETSEL, FALSE, static_cast<LPARAM>(i));
    } else {
        LRESULT left = SendMessageA(app.resultList, LB_DELETESTRING, i, 0);
        if (left >= 0)
            app.linkCount = static_cast<unsigned>(left);
        dropTooltip();  // the entries moved up under the pointer
    }
    return len;
}

// A multi-entry run always shows what it left, also after a close that the window outlived.
static void finishDeleting(bool refresh)
{
    endRun();
    SendMessageA(app.deleteButton, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Delete"));
    if (refresh)
        updateStatus(2);
}

void deleteEntries(UINT command, unsigned index)
{
    if (command & 0x10) {  // "&Delet Item"
        finishDeleting(deleteEntry(index, true) >= 0);
        return;
    }
    // The selected entries only: one of 100,000 must not cost 100,000 pumps.
    LRESULT n = SendMessageA(app.resultList, LB_GETSELCOUNT, 0, 0);
    int* selected = n > 0 ? static_cast<int*>(HeapAlloc(GetProcessHeap(), 0, static_cast<SIZE_T>(n) * sizeof(int))) : nullptr;
    if (selected != nullptr)
        n = SendMessageA(app.resultList, LB_GETSELITEMS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(selected));
    beginRun();
    SendMessageA(app.deleteButton, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("---"));
    // From the last entry up (the list gives them in order), so a removal never moves an
    // entry still to be visited.
    for (LRESULT k = selected != nullptr ? n : 0; k-- > 0;) {
        deleteEntry(static_cast<unsigned>(selected[k]), false);
        if (pumpMessages() != PUMP_GO_ON)
            break;
    }
    if (selected != nullptr)
        HeapFree(GetProcessHeap(), 0, selected);
    finishDeleting(true);
}
