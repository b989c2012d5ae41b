// libFuzzer target: a quarantine manifest's line or note, read as restore reads it. What is
// taken is written again and must read back the same, its texts well-formed UTF-8: restore
// trusts nothing else of it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/quarantine_rules.h"

static void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

// Valid UTF-8 only, as every text a line gives back must be.
static bool wellFormed(const std::string& s)
{
    std::wstring wide;
    for (std::size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        if (c >= 0x80 && (c < 0xC2 || c > 0xF4))
            return false;
        unsigned u = n == 1 ? c : c & (0x7F >> n);
        for (std::size_t k = 1; k < n; ++k) {
            if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
            u = (u << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        }
        if ((n == 2 && u < 0x80) || (n == 3 && u < 0x800) || (n == 4 && u < 0x10000) || u > 0x10FFFF ||
            (u >= 0xD800 && u <= 0xDFFF))
            return false;
        i += n;
    }
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    QuarantineLine line, again;
    ManifestNote note, noteAgain;
    if (readManifestNote(text, note)) {
        std::string written = !note.moved.empty()    ? manifestMoved(note.moved, false)
                              : !note.restored.empty() ? manifestMoved(note.restored, true)
                                                       : manifestHead(note.searched);
        check(readManifestNote(written, noteAgain) && noteAgain.searched == note.searched &&
              noteAgain.moved == note.moved && noteAgain.restored == note.restored);
        for (const std::string& f : note.searched)
            check(wellFormed(f));
        return 0;
    }
    if (!readManifestLine(text, line))
        return 0;
    check(wellFormed(line.original) && wellFormed(line.target) && wellFormed(line.reason));
    std::wstring original(line.original.begin(), line.original.end());
    restorablePath(original, {L"C:\\", std::wstring(line.target.begin(), line.target.end())});
    std::wstring stored(line.stored.begin(), line.stored.end());
    check(isStoredName(stored.c_str(), stored.size()));
    check(readManifestLine(manifestLine(line), again));
    check(again.original == line.original && again.target == line.target && again.reason == line.reason &&
          again.time == line.time && again.stored == line.stored && again.access == line.access &&
          sameFile(again.identity, line.identity));
    return 0;
}
