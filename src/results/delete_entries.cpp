#include "results/delete_entries.h"

#include <cstring>

#include "app/app_state.h"
#include "results/listed_files.h"
#include "results/result_list.h"
#include "results/tooltip.h"
#include "search/pump.h"

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
    bool gone = record != nullptr && isGone(deleteListedFile(app.search, source, len, listed, app.settings.recycle != 0).outcome);
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
// Not every list box brings its first shown entry back in range when entries below it go.
static void finishDeleting(bool refresh)
{
    endRun();
    LRESULT count = SendMessageA(app.resultList, LB_GETCOUNT, 0, 0);
    if (count > 0 && SendMessageA(app.resultList, LB_GETTOPINDEX, 0, 0) >= count)
        SendMessageA(app.resultList, LB_SETTOPINDEX, static_cast<WPARAM>(count - 1), 0);
    SendMessageA(app.deleteButton, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Delete"));
    if (refresh)
        updateStatus(2);
}

void deleteEntries(UINT command, unsigned index)
{
    beginDeletions(app.mainWindow);
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
