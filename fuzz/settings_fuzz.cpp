// libFuzzer target: the settings file's bytes, decoded as start-up does.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "settings/settings_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Settings s = {};
    decodeSettingsBlock(data, size, s);
    if (size <= SETTINGS_BYTES)
        return 0;
    HistoryView view;
    decodeHistory(data + SETTINGS_BYTES, size - SETTINGS_BYTES, view);
    if (view.count > MAX_HISTORY)
        __builtin_trap();
    for (unsigned i = 0; i < view.count; ++i) {
        const char* t = view.text[i];
        // Every string taken ends inside the input and fits a folder text.
        if (t < reinterpret_cast<const char*>(data) || t >= reinterpret_cast<const char*>(data + size))
            __builtin_trap();
        std::size_t left = static_cast<std::size_t>(reinterpret_cast<const char*>(data + size) - t);
        const void* nul = std::memchr(t, 0, left);
        if (nul == nullptr || historyTextUnits(t, static_cast<std::size_t>(static_cast<const char*>(nul) - t)) > MAX_HISTORY_TEXT)
            __builtin_trap();
        // Start-up asks of each string whether an earlier version wrote it in a legacy code page;
        // ASCII always counts as UTF-8.
        bool ascii = true;
        for (const char* c = t; *c != '\0'; ++c)
            ascii = ascii && static_cast<unsigned char>(*c) < 0x80;
        if (!isUtf8Text(t) && ascii)
            __builtin_trap();
    }
    return 0;
}
