#include "results/entry_texts.h"

#include <cstdio>
#include <cstring>

static const char* const TIP_LABELS[3] = {"\x8D\xEC\x90\xAC", "\x8D\x58\x90\x56", "\x8E\x51\x8F\xC6"};
// " %u年%02u月%02u日 %02u:%02u:%02u\r\n" in Shift_JIS.
static const char TIP_DATE_FORMAT[] = " %u\x94N%02u\x8C\x8E%02u\x93\xFA %02u:%02u:%02u\r\n";

void formatTipText(char* out, const TipTime times[3])
{
    std::size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        const TipTime& t = times[i];
        int n = std::snprintf(out + at, TIP_TEXT_BYTES - at, "%s", TIP_LABELS[i]);
        if (n > 0)
            at += static_cast<std::size_t>(n);
        if (at < TIP_TEXT_BYTES) {
            n = std::snprintf(out + at, TIP_TEXT_BYTES - at, TIP_DATE_FORMAT, t.year, t.month, t.day, t.hour,
                              t.minute, t.second);
            if (n > 0)
                at += static_cast<std::size_t>(n);
        }
        if (at >= TIP_TEXT_BYTES)
            return;  // cut at the buffer's end; no real file time comes near it
    }
    // The last line ends after its seconds.
    out[at - 2] = '\0';
}

std::size_t joinEntries(char* out, std::size_t size, unsigned first, unsigned last, FetchEntry fetch, void* context)
{
    if (size == 0)
        return 0;
    std::size_t at = 0;
    for (unsigned i = first;; ++i) {
        int n = fetch(i, out + at, size - at, context);
        if (n > 0 && static_cast<std::size_t>(n) < size - at) {
            at += static_cast<std::size_t>(n);
            if (i < last && size - at > 2) {
                out[at++] = '\r';
                out[at++] = '\n';
            }
        }
        if (i >= last)
            break;
    }
    out[at] = '\0';
    return at;
}

void formatAwayText(char* out, std::size_t size, EntryAway away, char drive)
{
    if (size == 0)
        return;
    bool letter = (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
    if (away == AWAY_DRIVE && letter)
        std::snprintf(out, size, "drive %c: not present", drive >= 'a' ? drive - 'a' + 'A' : drive);
    else if (away == AWAY_DRIVE)
        std::snprintf(out, size, "drive not present");
    else if (away == AWAY_VOLUME && letter)
        std::snprintf(out, size, "drive %c: holds another volume", drive >= 'a' ? drive - 'a' + 'A' : drive);
    else if (away == AWAY_SILENT && letter)
        std::snprintf(out, size, "drive %c: not answering", drive >= 'a' ? drive - 'a' + 'A' : drive);
    else if (away == AWAY_SERVER || away == AWAY_SILENT)
        std::snprintf(out, size, "server not answering");
    else if (away == AWAY_MOVED)
        std::snprintf(out, size, "target found elsewhere");
    else if (away == AWAY_SYNCED)
        std::snprintf(out, size, "synced to your other PCs");
    else
        out[0] = '\0';
}
