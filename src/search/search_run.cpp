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
#include "search/target_reason.h"
#include "search/typed_folder.h"
#include "search/user_profiles.h"
#include "search/walk_rules.h"
#include "settings/folder_history.h"

// The window's side of the walk: the list fills, the counts show, the window stays alive.
static int walkStep(void*, bool showCounts)
{
    if (showCounts) {
        entriesProgress();
        char text[32];
        formatProgress(text, sizeof text, app.linkCount, app.search.tally);
        SetWindowTextA(app.statusLabel, text);
    }
    return pumpMessages();
}

// With Ctrl held every shortcut is listed unopened; otherwise the broken ones.
static bool listsShortcut(void*, const FoundShortcut& s)
{
    return !s.checked || isListedAsBroken(s.reason);
}

static std::vector<std::wstring> syncedPlaces;  // read afresh by each search

// A link or a folder at a shortcut's name is never deleted: listing it among the broken
// ones would offer what Delete then refuses. A Ctrl list shows every name as it is.
static void listShortcut(void*, const FoundShortcut& s)
{
    if (s.link)
        return;
    // Listed because its drive or share is away: chosen as that, it is deleted as that.
    ListedFile file = s.file;
    file.unsureToo = s.checked && ruleOf(s.reason) != RULE_MISSING;
    file.away = !s.checked ? AWAY_NONE
                : s.state == SHORTCUT_VOLUME_AWAY ? AWAY_VOLUME
                : s.reason == REASON_DRIVE_ABSENT ? AWAY_DRIVE
                : s.reason == REASON_SHARE_UNREACHABLE ? AWAY_SERVER
                : s.reason == REASON_NOT_ANSWERING ? AWAY_SILENT
                : s.reason == REASON_MOVED ? AWAY_MOVED
                                                      : AWAY_NONE;
    file.found = s.found;  // copied by the record
    static wchar_t wide[PATH_BUF_BYTES];
    if (s.checked && wideOf(s.path, wide, PATH_BUF_BYTES, s.length) > 0 && isSyncedPlace(wide, s.find->dwFileAttributes, syncedPlaces))
        file.away = AWAY_SYNCED;  // deleted here, it would be deleted on every PC
    file.drive = s.target[0] != '\0' && s.target[1] == ':' ? s.target[0] : '\0';
    appendEntry(s.path, s.length, file);
}

// The folder box's text as the walk's root in pathBuf: read wide and converted exactly,
// never cut to a parent or best-fitted to a look-alike. Returns the bytes the walk starts
// from (with the units they hold in `units`), 0 for an empty text and -1 for a refused one.
static int takeTypedFolder(std::size_t& units)
{
    static wchar_t typed[MAX_FOLDER_TEXT + 2];  // a unit more than allowed: a longer text is refused
    GetWindowTextW(app.folderBox, typed, MAX_FOLDER_TEXT + 2);
    return typedFolderRoot(typed, app.search.pathBuf, units);
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
    syncedPlaces = syncedFolders();
    SetWindowTextA(app.searchButton, "---");
    beginEntries();
    const WalkObserver window = {nullptr,      app.settings.listAll == 0, app.settings.remoteOn != 0, listsShortcut,
                                 listShortcut, walkStep,                  nullptr};
    bool rootOpened;
    int r = walkFolder(app.search, len, units, window, rootOpened);
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
