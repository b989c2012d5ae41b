// libFuzzer target: a quarantine manifest's line, read as restore reads it. A line taken is
// written again and must read back the same: restore trusts nothing else of it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cli/quarantine_rules.h"

static void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    QuarantineLine line, again;
    if (!readManifestLine(text, line))
        return 0;
    std::wstring stored(line.stored.begin(), line.stored.end());
    check(isStoredName(stored.c_str(), stored.size()));
    check(readManifestLine(manifestLine(line), again));
    check(again.original == line.original && again.target == line.target && again.reason == line.reason &&
          again.time == line.time && again.stored == line.stored && sameFile(again.identity, line.identity));
    return 0;
}
