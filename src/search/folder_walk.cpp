#include "search/folder_walk.h"

#include <cstring>

#include "search/exact_text.h"
#include "search/file_lookup.h"
#include "search/root_answers.h"
#include "search/target_reason.h"
#include "search/walk_rules.h"

// The found entry's name is one the system takes as it stands (see isExactName). Asked
// only of folders and shortcuts: most files are neither, and are only counted.
static SearchState* search;  // the walk's: its path, its entry, its count

static bool foundNameIsExact()
{
    const wchar_t* name = search->findData.cFileName;
    return isExactName(name, static_cast<std::size_t>(lstrlenW(name)));
}

// The folder named by the first `length` bytes of pathBuf, as the wide calls take it.
static const wchar_t* wideFolder(std::size_t length)
{
    static wchar_t path[PATH_BUF_BYTES + 2];  // room for the root's backslash and the NUL
    int n = wideOf(search->pathBuf, path, PATH_BUF_BYTES, static_cast<int>(length));
    if (n <= 0)
        return nullptr;
    if (path[n - 1] == L':')
        path[n++] = L'\\';  // "C:" alone is the drive's current folder, not its root
    path[n] = L'\0';
    return path;
}

// A folder's final path, links resolved, from the first `length` bytes of pathBuf.
static bool folderFinalPath(std::size_t length, wchar_t* out, DWORD outChars)
{
    const wchar_t* path = wideFolder(length);
    return path != nullptr && finalPathOf(path, out, outChars);
}

// The volume of the folder being walked, asked once for the root and once below each folder
// link (which may lead to another volume) rather than once for every listed file.
static std::uint32_t walkVolume;
static bool walkVolumeKnown;

static void takeFolderVolume(std::size_t length)
{
    const wchar_t* path = wideFolder(length);
    walkVolumeKnown = path != nullptr && folderVolume(path, walkVolume);
}

// The folders holding the links the walk is inside, as lengths of pathBuf: below a link
// the text of pathBuf no longer says where the walk really is.
static std::size_t linkFolders[MAX_FOLDER_PATH / 2 + 1];  // each level adds two bytes at least
static unsigned linksInside;

// A folder link (junction, symbolic link; Wine shows a Unix link so too) whose target is a
// folder the walk is inside, or one of their ancestors, would make the walk endless, however
// it got there: through a folder outside the tree, two links lead back to each other. The
// folders the walk is inside are the one being walked and those holding each link above it,
// with everything between them. Only links pay for this; a link elsewhere is walked.
static bool leadsBackUp(std::size_t folderLength, std::size_t linkLength)
{
    static wchar_t folder[1024];
    static wchar_t target[1024];
    if (!folderFinalPath(linkLength, target, 1024))
        return false;  // a link that cannot be opened cannot be walked either
    for (unsigned k = 0; k <= linksInside; ++k) {
        std::size_t length = k < linksInside ? linkFolders[k] : folderLength;
        if (folderFinalPath(length, folder, 1024) && liesWithin(folder, target, true))
            return true;
    }
    return false;
}

// Where the walk's root ends in pathBuf, whether it could be listed at all, and who is told.
static char* walkRoot;
static bool rootUnopened;
static const WalkObserver* observer;

static bool leadsOutOfFence(std::size_t linkLength)
{
    static wchar_t target[1024];
    if (observer->fence == nullptr)
        return false;
    // Strictly inside: a link to the fence itself leads back up.
    return !folderFinalPath(linkLength, target, 1024) || !liesWithin(target, observer->fence);
}

// A folder's entries are read through a handle on it, a buffer at a time, each with the
// file's number, size and times: a listed file's identity costs no open of its own.
// Windows 8 on also gives the 128-bit file ID; Windows 7 and Wine refuse that class.
struct EntryWithId128 {
    DWORD next, index;
    LARGE_INTEGER created, accessed, written, changed, size, allocated;
    DWORD attributes, nameBytes, eaSize, reparseTag;
    BYTE id[16];
    WCHAR name[1];
};
static const FILE_INFO_BY_HANDLE_CLASS ENTRIES_WITH_ID128 = static_cast<FILE_INFO_BY_HANDLE_CLASS>(19);
static bool id128Refused;

const DWORD ENTRY_BUFFER_BYTES = 32 * 1024;
static BYTE* entryBuffers[MAX_FOLDER_PATH / 2 + 2];  // one a level, kept for the next walk

struct FolderEntries {
    HANDLE folder;
    BYTE* buffer;
    DWORD at;         // the next entry's offset in the buffer, or ENTRY_BUFFER_BYTES for none
    bool withId128;
};

// The entry's identity, as the folder lists it (the volume is the walk's).
static FileIdentity entryIdentity;

// Reads the next buffer; false at the end or on an error (GetLastError tells).
static bool readEntries(FolderEntries& e)
{
    if (e.withId128 && GetFileInformationByHandleEx(e.folder, ENTRIES_WITH_ID128, e.buffer, ENTRY_BUFFER_BYTES)) {
        e.at = 0;
        return true;
    }
    if (e.withId128 && GetLastError() == ERROR_NO_MORE_FILES)
        return false;
    if (e.withId128 && GetLastError() == ERROR_INVALID_PARAMETER)
        id128Refused = true;  // not on this system: asked no more
    e.withId128 = false;
    if (!GetFileInformationByHandleEx(e.folder, FileIdBothDirectoryInfo, e.buffer, ENTRY_BUFFER_BYTES))
        return false;
    e.at = 0;
    return true;
}

// The next entry into findData and entryIdentity; false when the folder has no more.
static bool nextEntry(FolderEntries& e)
{
    if (e.at >= ENTRY_BUFFER_BYTES && !readEntries(e))
        return false;
    const BYTE* raw = e.buffer + e.at;
    // Both kinds of entry begin alike; the file ID and the name follow at their own places.
    struct Head {
        DWORD next, index;
        LARGE_INTEGER created, accessed, written, changed, size, allocated;
        DWORD attributes, nameBytes;
    } head;
    std::memcpy(&head, raw, sizeof head);
    WIN32_FIND_DATAW& f = search->findData;
    f.dwFileAttributes = head.attributes;
    f.ftCreationTime = {head.created.LowPart, static_cast<DWORD>(head.created.HighPart)};
    f.ftLastWriteTime = {head.written.LowPart, static_cast<DWORD>(head.written.HighPart)};
    f.nFileSizeHigh = static_cast<DWORD>(head.size.HighPart);
    f.nFileSizeLow = head.size.LowPart;
    entryIdentity.size = static_cast<std::uint64_t>(head.size.QuadPart);
    entryIdentity.created = static_cast<std::uint64_t>(head.created.QuadPart);
    entryIdentity.written = static_cast<std::uint64_t>(head.written.QuadPart);
    const WCHAR* name;
    entryIdentity.hasId128 = e.withId128;
    if (e.withId128) {
        const EntryWithId128& x = *reinterpret_cast<const EntryWithId128*>(raw);
        name = x.name;
        std::memcpy(entryIdentity.id128, x.id, sizeof x.id);
        std::memcpy(&entryIdentity.indexLow, x.id, 4);  // a 64-bit number is the ID's low half
        std::memcpy(&entryIdentity.indexHigh, x.id + 4, 4);
    } else {
        const FILE_ID_BOTH_DIR_INFO& x = *reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(raw);
        name = x.FileName;
        entryIdentity.indexHigh = static_cast<std::uint32_t>(x.FileId.HighPart);
        entryIdentity.indexLow = x.FileId.LowPart;
    }
    DWORD next = head.next, nameBytes = head.nameBytes;
    std::size_t units = nameBytes / sizeof(WCHAR);
    if (units >= MAX_PATH)
        units = 0;  // no name the system makes; an empty one is never walked or listed
    std::memcpy(f.cFileName, name, units * sizeof(WCHAR));
    f.cFileName[units] = L'\0';
    e.at = next != 0 ? e.at + next : ENTRY_BUFFER_BYTES;
    return true;
}

// The shortcut in pathBuf, checked if the observer asks for it. A checked one is opened to
// see that it is a plain file at its name, and its identity read through that handle; an
// unchecked one (a Ctrl search lists every shortcut) keeps the identity its folder listed.
static void tellShortcut(int length)
{
    FoundShortcut s = {search->pathBuf, length, observer->checksTargets, SHORTCUT_UNREADABLE, "", L"", REASON_UNREADABLE,
                       &search->findData, {}, false};
    FileIdentity listed = entryIdentity;
    if (s.checked) {
        s.state = checkShortcut(*search, observer->testsNetwork);
        if (waitStopped())
            return;  // stopped while its drive or server was waited for: neither judged nor told
        bool resolved = s.state != SHORTCUT_UNREADABLE && s.state != SHORTCUT_NO_TARGET;
        s.target = resolved ? search->targetBuf : "";
        s.found = s.state == SHORTCUT_MOVED ? search->found : L"";
        s.reason = targetReason(s.state, search->targetBuf);
    }
    if (!observer->lists(observer->context, s))
        return;
    bool plain = true;
    if (s.checked || !walkVolumeKnown) {
        s.file.identity = identifyFile(search->pathBuf, walkVolumeKnown ? &walkVolume : nullptr, s.checked ? &plain : nullptr);
        if (listed.hasId128 && !s.file.identity.hasId128) {
            std::memcpy(s.file.identity.id128, listed.id128, sizeof listed.id128);
            s.file.identity.hasId128 = true;
        }
    } else {
        s.file.identity = listed;
        s.file.identity.volume = walkVolume;
        s.file.identity.known = true;
    }
    s.file.checked = s.checked;
    s.file.networkTested = observer->testsNetwork;
    s.link = !plain;
    observer->listed(observer->context, s);
}

static unsigned level;  // of the folder being scanned, from 0 at the root

// One entry record serves every level: it is read only between reading an entry and the
// nested walk or shortcut check that follows, never after a nested walk returns.
static int scanFolder(char* end, std::size_t units)
{
    int r = observer->step(observer->context, false);
    if (r != PUMP_GO_ON)
        return r;
    std::size_t depth = static_cast<std::size_t>(end - search->pathBuf);
    std::size_t room = PATH_BUF_BYTES - depth - 1;
    const wchar_t* path = wideFolder(depth);
    FolderEntries entries = {INVALID_HANDLE_VALUE, nullptr, ENTRY_BUFFER_BYTES, !id128Refused};
    if (level >= sizeof entryBuffers / sizeof entryBuffers[0])
        return PUMP_GO_ON;  // deeper than the path limit lets any walk go
    if (entryBuffers[level] == nullptr)
        entryBuffers[level] = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, ENTRY_BUFFER_BYTES));
    entries.buffer = entryBuffers[level];
    if (path != nullptr && entries.buffer != nullptr)
        entries.folder = CreateFileW(path, FILE_LIST_DIRECTORY | SYNCHRONIZE, SHARE_EVERYTHING, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    end[0] = '\\';  // each name goes after it
    bool any = entries.folder != INVALID_HANDLE_VALUE && nextEntry(entries);
    if (!any) {
        // An empty drive lists nothing at all; a missing folder, a file or a denied one fails otherwise.
        DWORD error = GetLastError();
        if (end == walkRoot &&
            (entries.folder == INVALID_HANDLE_VALUE || (error != ERROR_NO_MORE_FILES && error != ERROR_FILE_NOT_FOUND)))
            rootUnopened = true;
        if (entries.folder != INVALID_HANDLE_VALUE)
            CloseHandle(entries.folder);
        *end = '\0';
        return PUMP_GO_ON;
    }
    ++level;
    do {
        if (search->findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            std::size_t length = narrowExactly(search->findData.cFileName, end + 1, room);
            std::size_t nameUnits = static_cast<std::size_t>(lstrlenW(search->findData.cFileName));
            if (length == 0 || isDotEntry(end + 1) || !folderFits(units, nameUnits) || !foundNameIsExact())
                continue;  // a folder the program could not name is not walked
            bool link = (search->findData.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            if (link && (leadsBackUp(depth, depth + 1 + length) || leadsOutOfFence(depth + 1 + length)))
                continue;
            std::uint32_t volumeAbove = walkVolume;
            bool volumeAboveKnown = walkVolumeKnown;
            if (link) {
                linkFolders[linksInside++] = depth;
                takeFolderVolume(depth + 1 + length);
            }
            r = scanFolder(end + 1 + length, units + 1 + nameUnits);
            if (link) {
                --linksInside;
                walkVolume = volumeAbove;
                walkVolumeKnown = volumeAboveKnown;
            }
            if (r != PUMP_GO_ON)
                break;
            continue;
        }
        ++search->tally;
        std::size_t length = narrowExactly(search->findData.cFileName, end + 1, room);
        bool shortcut = length != 0 && isShortcutName(end + 1, length) &&
                        shortcutFits(units, static_cast<std::size_t>(lstrlenW(search->findData.cFileName))) &&
                        foundNameIsExact();
        if (shortcut) {
            tellShortcut(static_cast<int>(depth + 1 + length));
            if ((r = takeWaitStop()) != PUMP_GO_ON)
                break;  // stopped while a drive or server was waited for
        }
        if (progressDue(shortcut, search->tally)) {
            r = observer->step(observer->context, true);
            if (r != PUMP_GO_ON)
                break;
        }
    } while (nextEntry(entries));
    --level;
    CloseHandle(entries.folder);
    *end = '\0';
    return r;
}

int walkFolder(SearchState& state, int rootLength, std::size_t rootUnits, const WalkObserver& tell, bool& rootOpened)
{
    search = &state;
    // Neither reading a shortcut nor testing its target may bring up a system box about a
    // drive without media; set once for the walk, as the call is not free.
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    observer = &tell;
    forgetRoots();  // a drive away in the last search may be back
    setWhileWaiting(tell.step, tell.context);
    linksInside = 0;
    level = 0;
    walkRoot = search->pathBuf + rootLength;
    rootUnopened = false;
    takeFolderVolume(static_cast<std::size_t>(rootLength));
    int r = scanFolder(walkRoot, rootUnits);
    setWhileWaiting(nullptr, nullptr);  // a check before a deletion waits without the walk's steps
    SetErrorMode(oldMode);
    rootOpened = !rootUnopened;
    return r;
}
