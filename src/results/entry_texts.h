// Texts made from an entry without the window system: the file-time tip, the reason an entry
// is drawn grey, and the clipboard's joined paths.
#pragma once
#include "results/listed_file.h"  // EntryAway
#include <cstddef>

struct TipTime {
    unsigned year, month, day, hour, minute, second;
};

// The tip's buffer: three lines of at most 31 bytes (a five-digit year), the last without CR LF.
constexpr std::size_t TIP_TEXT_BYTES = 96;

// Creation, last write and last access, each "label yyyy年mm月dd日 hh:mm:ss" in Shift_JIS
// with the labels 作成, 更新, 参照; lines joined by CR LF. `out` holds TIP_TEXT_BYTES.
void formatTipText(char* out, const TipTime times[3]);


// "drive Q: not present", "drive E: holds another volume" (a removable one's own is away),
// "drive S: not answering", "server not answering", "target found elsewhere", "synced to your
// other PCs", or "" for none.
void formatAwayText(char* out, std::size_t size, EntryAway away, char drive);

// Writes entry i's text at `at`, where `room` bytes are free for it and its NUL; returns its
// length, 0 or less when it wrote nothing.
typedef int (*FetchEntry)(unsigned i, char* at, std::size_t room, void* context);

// Entries first..last into `size` bytes: CR LF after each entry that gave text, except the
// last, and a NUL at the end. Never writes past `size`. Returns the text's length.
std::size_t joinEntries(char* out, std::size_t size, unsigned first, unsigned last, FetchEntry fetch, void* context);
