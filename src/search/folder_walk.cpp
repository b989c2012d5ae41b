#include "search/folder_walk.h"

#include "app/app_state.h"
#include "search/exact_text.h"
#include "search/file_lookup.h"
#include "search/pump.h"
#include "search/walk_rules.h"

// The folder path in pathBuf, as the wide find functions take it. Every name in pathBuf
// came from a wide name that round-trips exactly, so this is the folder that was found.
static wchar_t widePattern[PATH_BUF_BYTES];

// The found entry's name is one the system takes as it stands (see isExactName). Asked
// only of folders and shortcuts: most files are neither, and are only counted.
static bool foundNameIsExact()
{
    const wchar_t* name = app.findData.cFileName;
    return isExactName(name, static_cast<std::size_t>(lstrlenW(name)));
}

// The folder named by the first `length` bytes of pathBuf, as the wide calls take it.
static const wchar_t* wideFolder(std::size_t length)
{
    static wchar_t path[PATH_BUF_BYTES + 2];  // room for the root's backslash and the NUL
    int n = wideOf(app.pathBuf, path, PATH_BUF_BYTES, static_cast<int>(length));
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

// Whether `folder` is `target` or lies below it.
static bool liesIn(const wchar_t* folder, const wchar_t* target, int n)
{
    return lstrlenW(folder) >= n && CompareStringOrdinal(folder, n, target, n, TRUE) == CSTR_EQUAL &&
           (folder[n] == L'\0' || folder[n] == L'\\');
}

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
    int n = lstrlenW(target);
    if (n > 0 && target[n - 1] == L'\\')
        --n;  // a drive root
    for (unsigned k = 0; k <= linksInside; ++k) {
        std::size_t length = k < linksInside ? linkFolders[k] : folderLength;
        if (folderFinalPath(length, folder, 1024) && liesIn(folder, target, n))
            return true;
    }
    return false;
}

// Where the walk's root ends in pathBuf, whether it could be listed at all, and who is told.
static char* walkRoot;
static bool rootUnopened;
static const WalkObserver* observer;

// The shortcut in pathBuf, checked if the observer asks for it, and its identity read now,
// so that Delete acts on this very file or on none.
static void tellShortcut(int length)
{
    FoundShortcut s = {app.pathBuf, length, observer->checksTargets, SHORTCUT_UNREADABLE, &app.findData, {}, false};
    if (s.checked)
        s.state = checkShortcut(observer->testsNetwork);
    if (!observer->lists(observer->context, s))
        return;
    bool plain = true;
    s.file.identity = identifyFile(app.pathBuf, walkVolumeKnown ? &walkVolume : nullptr, s.checked ? &plain : nullptr);
    s.file.checked = s.checked;
    s.file.networkTested = observer->testsNetwork;
    s.link = !plain;
    observer->listed(observer->context, s);
}

// One find record serves every level: it is read only between a find call and the nested
// walk or shortcut check that follows, never after a nested walk returns.
static int scanFolder(char* end, std::size_t units)
{
    int r = observer->step(observer->context, false);
    if (r != PUMP_GO_ON)
        return r;
    std::size_t depth = static_cast<std::size_t>(end - app.pathBuf);
    std::size_t room = PATH_BUF_BYTES - depth - 1;
    end[0] = '\\';
    end[1] = '*';
    end[2] = '\0';
    HANDLE find = INVALID_HANDLE_VALUE;
    if (wideOf(app.pathBuf, widePattern, PATH_BUF_BYTES) > 0)
        find = FindFirstFileW(widePattern, &app.findData);
    if (find == INVALID_HANDLE_VALUE) {
        // An empty drive lists nothing at all; a missing folder, a file or a denied one fails otherwise.
        if (end == walkRoot && GetLastError() != ERROR_FILE_NOT_FOUND)
            rootUnopened = true;
        *end = '\0';
        return PUMP_GO_ON;
    }
    do {
        if (app.findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            std::size_t length = narrowExactly(app.findData.cFileName, end + 1, room);
            std::size_t nameUnits = static_cast<std::size_t>(lstrlenW(app.findData.cFileName));
            if (length == 0 || isDotEntry(end + 1) || !folderFits(units, nameUnits) || !foundNameIsExact())
                continue;  // a folder the program could not name is not walked
            bool link = (app.findData.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            if (link && leadsBackUp(depth, depth + 1 + length))
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
        ++app.tally;
        std::size_t length = narrowExactly(app.findData.cFileName, end + 1, room);
        bool shortcut = length != 0 && isShortcutName(end + 1, length) &&
                        shortcutFits(units, static_cast<std::size_t>(lstrlenW(app.findData.cFileName))) &&
                        foundNameIsExact();
        if (shortcut)
            tellShortcut(static_cast<int>(depth + 1 + length));
        if (progressDue(shortcut, app.tally)) {
            r = observer->step(observer->context, true);
            if (r != PUMP_GO_ON)
                break;
        }
    } while (FindNextFileW(find, &app.findData));
    FindClose(find);
    *end = '\0';
    return r;
}

int walkFolder(int rootLength, std::size_t rootUnits, const WalkObserver& tell, bool& rootOpened)
{
    // Neither reading a shortcut nor testing its target may bring up a system box about a
    // drive without media; set once for the walk, as the call is not free.
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    observer = &tell;
    linksInside = 0;
    walkRoot = app.pathBuf + rootLength;
    rootUnopened = false;
    takeFolderVolume(static_cast<std::size_t>(rootLength));
    int r = scanFolder(walkRoot, rootUnits);
    SetErrorMode(oldMode);
    rootOpened = !rootUnopened;
    return r;
}
