#include "results/delete_entries.h"

#include <cstring>
#include <shellapi.h>

#include "app/app_state.h"
#include "results/result_list.h"
#include "results/status_text.h"
#include "results/tooltip.h"
#include "search/exact_text.h"
#include "search/pump.h"
#include "search/walk_rules.h"

int(WINAPI* shellFileOperation)(LPSHFILEOPSTRUCTA op) = SHFileOperationA;

static const FILEOP_FLAGS DELETE_FOR_GOOD = FOF_SILENT | FOF_NOCONFIRMATION | FOF_FILESONLY | FOF_NOERRORUI;
static const FILEOP_FLAGS DELETE_TO_BIN = DELETE_FOR_GOOD | FOF_ALLOWUNDO;

// Deletes entry i and keeps the list in step: gone files leave the list, survivors are
// deselected, failures stay as they were. With `menuEntry`, the entry must still be the one
// whose context menu was opened. Returns the entry's text length (0 or less: not read).
static int deleteEntry(unsigned i, bool menuEntry)
{
    // The path lives in a buffer of its own: messages dispatched while the shell works
    // (a drop, a restore of the folder text) cannot change what is being deleted.
    char source[PATH_BUF_BYTES];
    LRESULT textLen = SendMessageA(app.resultList, LB_GETTEXTLEN, i, 0);
    if (textLen < 0)
        return -1;
    if (textLen == 0 || textLen > static_cast<LRESULT>(MAX_SHORTCUT_PATH))
        return 0;
    int len = static_cast<int>(SendMessageA(app.resultList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(source)));
    if (len <= 0)
        return len;
    if (menuEntry && std::strcmp(source, app.itemPath) != 0)
        return -1;  // the list changed since the menu opened: delete nothing rather than the wrong file
    if (!namesExactly(source))
        return len;  // the shell would delete every file a pattern matches, or a name's twin
    // The shell deletes a folder whole, and through a link the file it leads to: only a
    // plain file, as the search listed, is handed over.
    if (!isPlainFile(source))
        return len;
    source[len + 1] = '\0';  // the shell takes a list of names ending in a double NUL

    SHFILEOPSTRUCTA op = {};
    op.hwnd = app.mainWindow;
    op.wFunc = FO_DELETE;
    op.pFrom = source;
    op.fFlags = (app.settings.recycle != 0 && !isInRecycledFolder(source, static_cast<std::size_t>(len)))
                    ? DELETE_TO_BIN : DELETE_FOR_GOOD;
    if (shellFileOperation(&op) != 0)
        return len;
    // The shell may dispatch messages while it works: a command run inside it may have
    // changed the list, and row i may now be another entry.
    char now[PATH_BUF_BYTES];
    LRESULT nowLen = SendMessageA(app.resultList, LB_GETTEXTLEN, i, 0);
    if (nowLen != len || SendMessageA(app.resultList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(now)) != len ||
        std::memcmp(now, source, static_cast<std::size_t>(len)) != 0)
        return len;
    if (static_cast<LONG>(GetFileAttributesA(source)) > 0) {
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
    beginRun();
    SendMessageA(app.deleteButton, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("---"));
    // From the last entry up, so a removal never moves an entry still to be visited.
    for (unsigned i = app.linkCount; i-- > 0;) {
        if (SendMessageA(app.resultList, LB_GETSEL, i, 0) > 0)
            deleteEntry(i, false);
        if (pumpMessages() != PUMP_GO_ON)
            break;
    }
    finishDeleting(true);
}
