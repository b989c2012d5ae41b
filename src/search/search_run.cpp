#include "search/search_run.h"

#include <cstring>

#include "app/app_state.h"
#include "results/result_list.h"
#include "results/status_text.h"
#include "search/exact_text.h"
#include "search/folder_walk.h"
#include "search/folder_text.h"
#include "search/pump.h"
#include "search/shortcut_check.h"
#include "search/walk_rules.h"
#include "settings/folder_history.h"

// The window's side of the walk: the list fills, the counts show, the window stays alive.
static int walkStep(bool showCounts)
{
    if (showCounts) {
        entriesProgress();
        char text[32];
        formatProgress(text, sizeof text, app.linkCount, app.tally);
        SetWindowTextA(app.statusLabel, text);
    }
    return pumpMessages();
}

// With Ctrl held every shortcut is listed unopened; otherwise the broken ones.
static bool listsShortcut(bool& checked)
{
    checked = app.settings.listAll == 0;
    return !checked || isBrokenShortcut();
}

// The typed text with its trailing spaces or dots dropped names a folder, but one whose
// name really ends so exists too: the text names two folders.
static bool untrimmedFolderExists(wchar_t* typed, std::size_t trimmed)
{
    const DWORD room = MAX_FOLDER_TEXT * 2;
    static wchar_t full[room];
    static wchar_t exact[sizeof "\\\\?\\UNC" + room + MAX_FOLDER_TEXT];  // the prefix, the path, what was trimmed
    wchar_t kept = typed[trimmed];
    typed[trimmed] = L'\0';
    DWORD n = GetFullPathNameW(typed, room, full, nullptr);
    typed[trimmed] = kept;
    if (n == 0 || n >= room)
        return false;
    // Through "\\?\", the only way to name a folder whose name ends in a space or a dot.
    bool unc = full[0] == L'\\' && full[1] == L'\\';
    lstrcpyW(exact, unc ? L"\\\\?\\UNC" : L"\\\\?\\");
    lstrcatW(exact, unc ? full + 1 : full);
    lstrcatW(exact, typed + trimmed);
    DWORD attributes = GetFileAttributesW(exact);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The folder box's text as the walk's root in pathBuf: read wide and converted exactly,
// never cut to a parent or best-fitted to a look-alike. Returns the bytes the walk starts
// from (with the units they hold in `units`), 0 for an empty text and -1 for a refused one.
static int takeTypedFolder(std::size_t& units)
{
    static wchar_t typed[MAX_FOLDER_TEXT + 2];  // a unit more than allowed: a longer text is refused
    GetWindowTextW(app.folderBox, typed, MAX_FOLDER_TEXT + 2);
    FolderText folder = readFolderText(typed);
    if (folder.kind == FOLDER_TEXT_EMPTY)
        return 0;
    if (folder.kind == FOLDER_TEXT_BAD ||
        (folder.kind == FOLDER_TEXT_TRIMMED && untrimmedFolderExists(typed, folder.length)))
        return -1;
    typed[folder.length] = L'\0';
    std::size_t bytes = narrowExactly(typed, app.pathBuf, FOLDER_TEXT_BYTES);
    if (bytes == 0)
        return -1;
    units = folder.walkLength;
    return folder.walkLength == 2 && folder.length == 3 ? 2 : static_cast<int>(bytes);
}

void searchRun()
{
    if (GetAsyncKeyState(VK_SHIFT) < 0) {
        updateStatus(-1);  // Shift+Search only empties the list
        return;
    }
    std::size_t units = 0;
    int len = takeTypedFolder(units);
    updateStatus(-1);
    if (len < 0)
        SetWindowTextA(app.statusLabel, badFolderText);  // nothing walked, nothing recorded
    if (len <= 0)
        return;
    // Only the key-down bit survives the shift: 0x2000 while Ctrl is held.
    app.settings.listAll = (static_cast<unsigned short>(GetAsyncKeyState(VK_CONTROL)) >> 2) & 0x2000;

    beginRun();
    SetWindowTextA(app.searchButton, "---");
    beginEntries();
    static const WalkObserver window = {listsShortcut, appendEntry, walkStep};
    bool rootOpened;
    int r = walkFolder(len, units, window, rootOpened);
    showEntries();
    endRun();
    SetWindowTextA(app.searchButton, "Search");
    // A close posted by another program ends the walk but leaves the window open: it shows
    // what was kept as a cancelled run does, and records no folder.
    if (r == PUMP_GO_ON || (r == PUMP_CANCELLED && app.linkCount != 0))
        rememberFolder();
    app.settings.listAll = 0;
    SendMessageA(app.resultList, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(app.maxExtent + 4), 0);
    SetFocus(app.resultList);
    app.hoverIndex = HOVER_NONE;
    updateStatus(0);
    if (!rootOpened)
        SetWindowTextA(app.statusLabel, noFolderText);  // "No File" would read as nothing broken here
}
