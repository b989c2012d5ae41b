#include "results/delete_file.h"

#include "results/recycle_item.h"
#include "results/unpin_item.h"
#include "search/exact_text.h"
#include "search/file_lookup.h"
#include "search/shortcut_check.h"
#include "search/target_reason.h"

int(WINAPI* shellFileOperation)(LPSHFILEOPSTRUCTA op) = SHFileOperationA;

// No progress, no question, no error box; to the bin.
static const FILEOP_FLAGS DELETE_TO_BIN = FOF_SILENT | FOF_NOCONFIRMATION | FOF_FILESONLY | FOF_NOERRORUI | FOF_ALLOWUNDO;

// Where the system has it (Windows 10 1607 on NTFS), the name goes at once, not when the
// last program holding the file lets go: a second run never finds a file pending deletion.
static const FILE_INFO_BY_HANDLE_CLASS DISPOSITION_INFO_EX = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
static const DWORD DISPOSE_DELETE = 0x1, DISPOSE_POSIX = 0x2;

static bool markForDeletion(HANDLE h)
{
    DWORD flags = DISPOSE_DELETE | DISPOSE_POSIX;
    if (SetFileInformationByHandle(h, DISPOSITION_INFO_EX, &flags, sizeof flags))
        return true;
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return SetFileInformationByHandle(h, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

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
    bool deleted = markForDeletion(h);
    DWORD error = GetLastError();
    if (!deleted && readOnly) {
        attributes.FileAttributes = was.FileAttributes;
        SetFileInformationByHandle(h, FileBasicInfo, &attributes, sizeof attributes);
    }
    CloseHandle(h);
    SetLastError(error);
    return deleted;
}

static HWND deletionOwner;  // of the shell's operation

// To the bin, through the shell's operation, which takes a name. The caller holds the
// checked file open across it; afterwards that file must be gone from its name.
static bool recycle(char* source, int len, const FileIdentity& identity)
{
    source[len + 1] = '\0';  // the shell takes a list of names ending in a double NUL
    SHFILEOPSTRUCTA op = {};
    op.hwnd = deletionOwner;  // none in the console program
    op.wFunc = FO_DELETE;
    op.pFrom = source;
    op.fFlags = DELETE_TO_BIN;
    if (shellFileOperation(&op) != 0)
        return false;
    HANDLE again;
    FoundFile after = findListedFile(source, identity, again);
    if (again != INVALID_HANDLE_VALUE)
        CloseHandle(again);
    return after == FOUND_NOTHING || after == FOUND_DELETE_PENDING || after == FOUND_OTHER_FILE;
}

// Through the shell's file operation, which tells what it put in the bin; where the system
// has none that works, by name.
static DeleteOutcome toTheBin(char* source, int len, const FileIdentity& identity)
{
    static wchar_t wide[PATH_BUF_BYTES];
    static const DeleteOutcome outcomes[] = {
        /* BIN_UNAVAILABLE */ OUTCOME_FAILED, /* BIN_RECYCLED */ OUTCOME_RECYCLED, /* BIN_FOR_GOOD */ OUTCOME_DELETED,
        /* BIN_REFUSED */ OUTCOME_NO_BIN,     /* BIN_OTHER_FILE */ OUTCOME_NOT_THE_FILE,
        /* BIN_UNCONFIRMED */ OUTCOME_UNCONFIRMED, /* BIN_FAILED */ OUTCOME_FAILED,
    };
    static_assert(sizeof outcomes / sizeof outcomes[0] == BIN_FAILED + 1, "an outcome for every answer of the bin");
    BinOutcome bin = wideOf(source, wide, PATH_BUF_BYTES) > 0 ? recycleListedFile(wide, identity) : BIN_FAILED;
    if (bin != BIN_UNAVAILABLE)
        return outcomes[bin];
    return recycle(source, len, identity) ? OUTCOME_RECYCLED : OUTCOME_FAILED;
}

HRESULT(WINAPI* queryRecycleBin)(LPCWSTR, LPSHQUERYRBINFO) = SHQueryRecycleBinW;

// The documented question: the bin of a volume that has none (a memory card, most network
// shares) cannot be queried. Each query totals the whole bin, so a volume is asked once per
// Delete or run, not once per file.
static const unsigned BIN_VOLUMES = 16;
static std::uint32_t binVolume[BIN_VOLUMES];
static bool binAnswer[BIN_VOLUMES];
static unsigned binVolumesKnown;

void beginDeletions(HWND owner)
{
    binVolumesKnown = 0;
    deletionOwner = owner;
}

static bool hasRecycleBin(const char* source, std::uint32_t volume)
{
    for (unsigned i = 0; i < binVolumesKnown; ++i)
        if (binVolume[i] == volume)
            return binAnswer[i];
    static wchar_t wide[PATH_BUF_BYTES];
    SHQUERYRBINFO info = {};
    info.cbSize = sizeof info;
    bool has = wideOf(source, wide, PATH_BUF_BYTES) > 0 && SUCCEEDED(queryRecycleBin(wide, &info));
    if (binVolumesKnown < BIN_VOLUMES) {
        binVolume[binVolumesKnown] = volume;
        binAnswer[binVolumesKnown++] = has;
    }
    return has;
}

// Nothing of the listed file at its name: gone from its volume, or only moved there.
static DeleteOutcome awayFromItsName(const char* source, const FileIdentity& identity)
{
    switch (findMovedFile(source, identity)) {
    case NOW_GONE: return OUTCOME_GONE;
    case NOW_MOVED: return OUTCOME_MOVED;
    default: return OUTCOME_NOT_AT_NAME;
    }
}

// What a failure to delete or recycle left: the file may have gone meanwhile (a second run
// on the same tree), or still be there, in use or denied.
static DeleteResult afterFailure(const char* source, const FileIdentity& identity, DWORD error)
{
    HANDLE again;
    FoundFile now = findListedFile(source, identity, again);
    if (again != INVALID_HANDLE_VALUE)
        CloseHandle(again);
    if (now == FOUND_NOTHING || now == FOUND_DELETE_PENDING)
        return {now == FOUND_NOTHING ? awayFromItsName(source, identity) : OUTCOME_GONE, 0};
    return {OUTCOME_FAILED, error};
}

// The target is checked again as the search checked it: one put back since (a drive
// reconnected, a program reinstalled) makes the shortcut valid again, and one whose drive
// has gone since (unplugged, another medium in it) may only be away. A shortcut the shell
// cannot read now says nothing about its target.
static DeleteOutcome checkAgain(SearchState& search, const char* source, const ListedFile& listed)
{
    lstrcpynA(search.pathBuf, source, PATH_BUF_BYTES);
    ShortcutState state = checkShortcut(search, listed.networkTested);
    if (state == SHORTCUT_UNREADABLE)
        return OUTCOME_UNREADABLE;
    // The drive or share asked now, not as the search found it.
    Reason away = state == SHORTCUT_MISSING || state == SHORTCUT_UNREACHABLE ? rootAwayNow(search.targetBuf) : REASON_PRESENT;
    switch (ruleOf(away != REASON_PRESENT ? away : targetReason(state, search.targetBuf))) {
    case RULE_MISSING: return OUTCOME_DELETED;
    case RULE_AWAY: return listed.unsureToo ? OUTCOME_DELETED : OUTCOME_ROOT_AWAY;
    case RULE_UNSURE: return listed.unsureToo ? OUTCOME_DELETED : OUTCOME_NOT_MISSING;
    case RULE_FOUND: return listed.unsureToo ? OUTCOME_DELETED : OUTCOME_NOT_BROKEN;  // chosen in the window as that
    default: return state == SHORTCUT_USER_DEPENDENT ? OUTCOME_NOT_MISSING : OUTCOME_NOT_BROKEN;
    }
}

DeleteResult deleteListedFile(SearchState& search, char* source, int len, const ListedFile& listed, bool toBin,
                              const HandOver* handOver)
{
    if (!namesExactly(source))
        return {OUTCOME_NOT_THE_FILE, 0};  // the shell would delete every file a pattern matches, or a name's twin
    HANDLE held;
    DWORD error = 0;
    FoundFile found = findListedFile(source, listed.identity, held, &error);
    if (found == FOUND_NOTHING || found == FOUND_DELETE_PENDING)
        return {found == FOUND_NOTHING ? awayFromItsName(source, listed.identity) : OUTCOME_GONE, 0};
    if (found != FOUND_LISTED)
        return {found == FOUND_UNREADABLE ? OUTCOME_FAILED : OUTCOME_NOT_THE_FILE, error};
    DeleteResult result = {listed.checked ? checkAgain(search, source, listed) : OUTCOME_DELETED, 0};
    // Readable when listed, not now: another program, such as a second run on the same tree,
    // holds it for a moment. It may go meanwhile, or be readable again.
    for (int tries = 0; result.outcome == OUTCOME_UNREADABLE && tries < 8; ++tries) {
        DeleteResult now = afterFailure(source, listed.identity, 0);
        if (now.outcome != OUTCOME_FAILED) {
            result = now;  // it went while it was being read
            break;
        }
        Sleep(25);
        result.outcome = checkAgain(search, source, listed);
    }
    if (result.outcome == OUTCOME_DELETED) {
        toBin = toBin && handOver == nullptr && !isInRecycledFolder(source, static_cast<std::size_t>(len));
        // A program reading the file for a moment (a second run checking it) holds it without
        // delete sharing: the file is taken once it lets go.
        for (int tries = 1;; ++tries) {
            // Unpinned once it is sure to go: the very file, checked; nothing else loses a pin.
            if (handOver != nullptr)
                result.outcome = handOver->take(handOver->context, held, listed.identity);
            else if (!toBin)
                result.outcome = (unpinBeforeDeleting(source), deleteForGood(held)) ? OUTCOME_DELETED : OUTCOME_FAILED;
            else if (!hasRecycleBin(source, listed.identity.volume))  // there the shell would delete for good, unasked
                result.outcome = OUTCOME_NO_BIN;
            else
                result.outcome = (unpinBeforeDeleting(source), toTheBin(source, len, listed.identity));
            if (result.outcome != OUTCOME_FAILED)
                break;
            result = afterFailure(source, listed.identity, toBin ? 0 : GetLastError());
            if (result.outcome != OUTCOME_FAILED || result.error != ERROR_SHARING_VIOLATION || tries == 8)
                break;
            Sleep(25);
        }
    }
    CloseHandle(held);
    return result;
}
