#include "settings/settings_codec.h"

#include <cstring>

void decodeSettingsBlock(const unsigned char* bytes, std::size_t size, Settings& s)
{
    // Words the file does not cover keep their value: start from the current image.
    unsigned char image[SETTINGS_BYTES];
    encodeSettingsBlock(s, image);
    std::memcpy(image, bytes, size < SETTINGS_BYTES ? size : SETTINGS_BYTES);
    std::uint32_t w[SETTINGS_BYTES / 4];
    for (unsigned i = 0; i < SETTINGS_BYTES / 4; ++i) {
        const unsigned char* b = image + 4 * i;
        w[i] = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
               static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    }
    std::memcpy(&s, w, SETTINGS_BYTES);
}

void encodeSettingsBlock(const Settings& s, unsigned char out[SETTINGS_BYTES])
{
    std::uint32_t w[SETTINGS_BYTES / 4];
    std::memcpy(w, &s, SETTINGS_BYTES);
    for (unsigned i = 0; i < SETTINGS_BYTES / 4; ++i) {
        out[4 * i] = static_cast<unsigned char>(w[i]);
        out[4 * i + 1] = static_cast<unsigned char>(w[i] >> 8);
        out[4 * i + 2] = static_cast<unsigned char>(w[i] >> 16);
        out[4 * i + 3] = static_cast<unsigned char>(w[i] >> 24);
    }
}

void decodeHistory(const unsigned char* bytes, std::size_t size, HistoryView& out)
{
    out.count = 0;
    out.hasBlock = size > 0;
    // One test on the block's first byte decides for every string (signed, as stored).
    if (size == 0 || !opensHistory(static_cast<char>(bytes[0])))
        return;
    std::size_t pos = 0;
    while (pos < size && out.count < MAX_HISTORY) {
        const void* nul = std::memchr(bytes + pos, 0, size - pos);
        if (nul == nullptr)
            return;  // cut off without its NUL: not a folder that was searched
        std::size_t len = static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - (bytes + pos));
        if (historyTextUnits(reinterpret_cast<const char*>(bytes + pos), len) <= MAX_HISTORY_TEXT)
            out.text[out.count++] = reinterpret_cast<const char*>(bytes + pos);
        pos += len + 1;
    }
}

bool opensHistory(char first) { return static_cast<signed char>(first) >= 0x41; }

std::size_t historyTextUnits(const char* text, std::size_t length)
{
    if (!isUtf8Text(text))
        return length;  // a legacy code page: the limit counted its bytes
    std::size_t units = 0;
    for (std::size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) != 0x80)
            units += c >= 0xF0 ? 2 : 1;  // four-byte forms are surrogate pairs
    }
    return units;
}

bool isUtf8Text(const char* text)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p != 0) {
        unsigned c = *p++;
        if (c < 0x80)
            continue;
        int more;
        unsigned low = 0x80, high = 0xBF;  // the allowed range of the first continuation byte
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            if (c == 0xE0)
                low = 0xA0;  // overlong
            else if (c == 0xED)
                high = 0x9F;  // surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F;  // past U+10FFFF
        } else {
            return false;
        }
        for (int i = 0; i < more; ++i, ++p) {
            if (*p < low || *p > high)
                return false;
            low = 0x80;
            high = 0xBF;
        }
    }
    return true;
}
