#include "results/delete_file.h"

#include "app/app_state.h"
#include "results/status_text.h"
#include "search/exact_text.h"
#include "search/file_lookup.h"
#include "search/shortcut_check.h"

int(WINAPI* shellFileOperation)(LPSHFILEOPSTRUCTA op) = SHFileOperationA;

// No progress, no question, no error box; to the bin.
static const FILEOP_FLAGS DELETE_TO_BIN = FOF_SILENT | FOF_NOCONFIRMATION | FOF_FILESONLY | FOF_NOERRORUI | FOF_ALLOWUNDO;

// For good, through a handle on the very file that was checked: no name is looked up
// between the check and the deletion, so nothing can be swapped in between.
static bool deleteForGood(HANDLE held)
{
    const DWORD access = DELETE | FILE_READ_ATTRIBUTES;
    HANDLE h = ReOpenFile(held, access | FILE_WRITE_ATTRIBUTES, SHARE_EVERYTHING, OPEN_AS_ITSELF);
    if (h == INVALID_HANDLE_VALUE)
        h = ReOpenFile(held, access, SHARE_EVERYTHING, OPEN_AS_ITSELF);
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
    op.hwnd = app.mainWindow;  // none in the console program
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

DeleteOutcome deleteListedFile(char* source, int len, const ListedFile& listed, bool toBin)
{
    if (!namesExactly(source))
        return OUTCOME_NOT_THE_FILE;  // the shell would delete every file a pattern matches, or a name's twin
    HANDLE held;
    FoundFile found = findListedFile(source, listed.identity, held);
    if (found != FOUND_LISTED)
        return found == FOUND_NOTHING ? OUTCOME_ALREADY_GONE
               : found == FOUND_UNREADABLE ? OUTCOME_FAILED : OUTCOME_NOT_THE_FILE;
    DeleteOutcome outcome = OUTCOME_NOT_BROKEN;
    if (!listed.checked || stillBroken(source)) {
        toBin = toBin && !isInRecycledFolder(source, static_cast<std::size_t>(len));
        if (!toBin)
            outcome = deleteForGood(held) ? OUTCOME_DELETED : OUTCOME_FAILED;
        else if (!hasRecycleBin(source))  // there the shell would delete for good, unasked
            outcome = OUTCOME_NO_BIN;
        else
            outcome = recycle(source, len, listed.identity) ? OUTCOME_RECYCLED : OUTCOME_FAILED;
    }
    CloseHandle(held);
    return outcome;
}
