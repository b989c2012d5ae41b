#include "results/entry_drawing.h"

#include "app/app_state.h"
#include "results/entry_texts.h"
#include "results/listed_files.h"
#include "search/exact_text.h"

// Between the path and the reason: as drawn, four spaces.
static const wchar_t REASON_GAP[] = L"    ";
static const int MARGIN = 2;  // as the list box draws its own strings

void measureEntry(MEASUREITEMSTRUCT* m)
{
    HDC dc = GetDC(nullptr);
    HGDIOBJ was = SelectObject(dc, app.uiFont);
    TEXTMETRICW tm;
    m->itemHeight = GetTextMetricsW(dc, &tm) ? static_cast<UINT>(tm.tmHeight) : 16;
    SelectObject(dc, was);
    ReleaseDC(nullptr, dc);
}

void entryReason(unsigned i, char* out, int size)
{
    const ListedFile* file = listedFileOf(i);
    formatAwayText(out, static_cast<std::size_t>(size), file != nullptr ? file->away : AWAY_NONE,
                   file != nullptr ? file->drive : '\0');
}

int entryExtent(HDC dc, const wchar_t* path, int length, const char* reason)
{
    SIZE size = {};
    GetTextExtentPoint32W(dc, path, length, &size);
    int width = size.cx;
    if (*reason != '\0') {
        wchar_t wide[64];
        int n = MultiByteToWideChar(CP_ACP, 0, reason, -1, wide, 64) - 1;
        SIZE more = {}, gap = {};
        GetTextExtentPoint32W(dc, REASON_GAP, 4, &gap);
        if (n > 0 && GetTextExtentPoint32W(dc, wide, n, &more))
            width += gap.cx + more.cx;
    }
    return width;  // the list adds its margins when the extent is set
}

// The system's grey, unless it cannot be told from the background: a display without a solid
// grey answers 0, and a high-contrast scheme may set it to the window's own colour.
static COLORREF greyText(COLORREF background)
{
    COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
    if (grey == 0 || grey == background)
        grey = GetSysColor(COLOR_BTNSHADOW);
    return grey == background ? GetSysColor(COLOR_WINDOWTEXT) : grey;
}

void drawEntry(const DRAWITEMSTRUCT* d)
{
    if (d->itemID == static_cast<UINT>(-1)) {
        if (d->itemState & ODS_FOCUS)
            DrawFocusRect(d->hDC, &d->rcItem);
        return;
    }
    static char text[PATH_BUF_BYTES];
    static wchar_t wide[PATH_BUF_BYTES];
    LRESULT len = SendMessageA(d->hwndItem, LB_GETTEXTLEN, d->itemID, 0);
    int n = 0;
    if (len >= 0 && len < PATH_BUF_BYTES && SendMessageA(d->hwndItem, LB_GETTEXT, d->itemID, reinterpret_cast<LPARAM>(text)) >= 0)
        n = wideOf(text, wide, PATH_BUF_BYTES);
    char reason[64];
    entryReason(d->itemID, reason, sizeof reason);
    bool selected = (d->itemState & ODS_SELECTED) != 0;
    COLORREF back = GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    COLORREF fore = GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    if (*reason != '\0' && !selected)
        fore = greyText(back);
    COLORREF oldBack = SetBkColor(d->hDC, back), oldFore = SetTextColor(d->hDC, fore);
    int x = d->rcItem.left + MARGIN;
    ExtTextOutW(d->hDC, x, d->rcItem.top, ETO_OPAQUE | ETO_CLIPPED, &d->rcItem, wide, static_cast<UINT>(n), nullptr);
    if (*reason != '\0') {
        SIZE size = {};
        GetTextExtentPoint32W(d->hDC, wide, n, &size);
        wchar_t shown[80];
        lstrcpyW(shown, REASON_GAP);  // the gap, then the reason
        int m = MultiByteToWideChar(CP_ACP, 0, reason, -1, shown + 4, 76);
        if (m > 1)
            ExtTextOutW(d->hDC, x + size.cx, d->rcItem.top, ETO_CLIPPED, &d->rcItem, shown, static_cast<UINT>(m - 1 + 4), nullptr);
    }
    if (d->itemState & ODS_FOCUS)
        DrawFocusRect(d->hDC, &d->rcItem);
    SetBkColor(d->hDC, oldBack);
    SetTextColor(d->hDC, oldFore);
}
