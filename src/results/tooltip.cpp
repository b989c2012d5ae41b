#include "results/tooltip.h"

#include "app/app_state.h"
#include "results/entry_drawing.h"
#include "results/entry_texts.h"
#include "results/listed_files.h"

// A reason line of at most 62 units above the times.
static const int REASON_UNITS = 64;
static_assert(sizeof app.tipText >= TIP_TEXT_BYTES &&
                  sizeof app.tipShown / sizeof(wchar_t) >= TIP_TEXT_BYTES + REASON_UNITS + 9 + MAX_PATH + 2,
              "the tip text must fit its buffers");

// The Japanese labels and date format are Shift_JIS; through the 8-bit calls they would show
// as garbage on every system whose code page is not 932.
static const UINT SHIFT_JIS = 932;

// The reason an entry is grey first, then the times of the shortcut file itself, not of its
// target. A time that cannot be read or converted gives no tip: no date at all is better
// than a wrong one.
static int buildTipText(unsigned index)
{
    HANDLE file = CreateFileA(app.itemPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    FILETIME created, accessed, written;
    BOOL read = GetFileTime(file, &created, &accessed, &written);
    CloseHandle(file);
    if (!read)
        return 0;
    const FILETIME* shown[3] = {&created, &written, &accessed};
    TipTime times[3];
    for (int i = 0; i < 3; ++i) {
        FILETIME local;
        SYSTEMTIME st;
        if (!FileTimeToLocalFileTime(shown[i], &local) || !FileTimeToSystemTime(&local, &st))
            return 0;
        times[i] = {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    }
    formatTipText(app.tipText, times);
    char reason[REASON_UNITS - 2];
    entryReason(index, reason, sizeof reason);
    int at = *reason != '\0' ? MultiByteToWideChar(CP_ACP, 0, reason, -1, app.tipShown, REASON_UNITS - 2) : 0;
    if (at > 0) {
        app.tipShown[at - 1] = L'\r';
        app.tipShown[at++] = L'\n';
    }
    const ListedFile* listed = listedFileOf(index);
    if (listed != nullptr && listed->found != nullptr) {
        static const wchar_t foundAt[] = L"found at ";
        lstrcpyW(app.tipShown + at, foundAt);
        lstrcpynW(app.tipShown + at + 9, listed->found, MAX_PATH);
        at += lstrlenW(app.tipShown + at);
        app.tipShown[at++] = L'\r';
        app.tipShown[at++] = L'\n';
    }
    return MultiByteToWideChar(SHIFT_JIS, 0, app.tipText, -1, app.tipShown + at, TIP_TEXT_BYTES) > 0;
}

// The tool covers the whole list: left registered, it shows one entry's times over any other.
static void removeTool()
{
    if (app.toolInfo.cbSize != 0) {
        SendMessageW(app.tipWindow, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&app.toolInfo));
        app.toolInfo.cbSize = 0;
    }
}

void dropTooltip()
{
    removeTool();
    app.hoverIndex = HOVER_NONE;  // the next move over the list hands a tip over afresh
}

void hoverTooltip(unsigned index)
{
    removeTool();
    if (index >= app.linkCount || app.tipWindow == nullptr)
        return;
    LRESULT len = SendMessageA(app.resultList, LB_GETTEXTLEN, index, 0);
    if (len < 0 || len >= ITEM_PATH_BYTES)
        return;  // never write past itemPath
    app.itemLen = static_cast<int>(SendMessageA(app.resultList, LB_GETTEXT, index, reinterpret_cast<LPARAM>(app.itemPath)));
    if (!buildTipText(index))
        return;
    SendMessageA(app.resultList, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&app.toolInfo.rect));
    // The 32-bit record up to lParam is 44 bytes; the same fields in a 64-bit process are larger.
    app.toolInfo.cbSize = TTTOOLINFOW_V2_SIZE;
    SendMessageW(app.tipWindow, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&app.toolInfo));
}

void activateTooltip(unsigned on)
{
    dropTooltip();  // a tip built before the switch may name another entry by now
    SendMessageA(app.tipWindow, TTM_ACTIVATE, on, 0);
}
