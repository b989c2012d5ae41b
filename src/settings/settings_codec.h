// The settings file's bytes: a 48-byte block, then up to 32 NUL-terminated folder strings.
// Decoding is kept apart from the file I/O so it can be checked on damaged input.
#pragma once
#include <cstddef>

#include "settings/settings_block.h"

constexpr unsigned MAX_HISTORY = 32;
constexpr std::size_t MAX_HISTORY_TEXT = 259;  // a folder text the search reads, in UTF-16 units

struct HistoryView {
    const char* text[MAX_HISTORY];  // each NUL-terminated inside the decoded bytes
    unsigned count;
    bool hasBlock;  // bytes beyond the settings block were present
};

// The loader's test on the first byte of the history block (signed, as stored: 0x41 to
// 0x7F): drive letters and network paths pass; a digit, a space or a non-ASCII byte fails.
bool opensHistory(char first);

// Overwrites the leading words of `s` that `size` bytes cover (little-endian); the rest
// keeps what it held.
void decodeSettingsBlock(const unsigned char* bytes, std::size_t size, Settings& s);
void encodeSettingsBlock(const Settings& s, unsigned char out[SETTINGS_BYTES]);

// Picks the history strings out of the bytes after the block. Nothing is taken when the
// block's first byte is not a letter or a backslash path's first character (0x41..0x7F);
// a string without its NUL at the end of the bytes, and a string too long to be a folder
// text, are skipped. Never reads past `size`.
void decodeHistory(const unsigned char* bytes, std::size_t size, HistoryView& out);

// The UTF-16 units of a stored folder text of `length` bytes: counted as UTF-8 where it is
// UTF-8, otherwise one a byte, as the legacy code page it was written in counted them.
std::size_t historyTextUnits(const char* text, std::size_t length);

// NUL-terminated `text` is well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF). History written under a legacy code page mostly is not, unless it is ASCII.
bool isUtf8Text(const char* text);
