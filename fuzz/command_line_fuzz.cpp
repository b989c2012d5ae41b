// libFuzzer target: the process command line, parsed in place as start-up does, then the
// side-file extension written where the parser pointed; and the same bytes, split at NULs,
// as the console program's arguments.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "app/command_line.h"
#include "cli/cli_args.h"

static void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Exactly the text and its NUL, so the sanitizer sees any step outside it.
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    char* begin = text.data();
    char* end = begin + std::strlen(begin);  // the first NUL ends a command line
    CommandLine cl;
    parseCommandLine(begin, cl);
    check(cl.exePath >= begin && cl.exePath <= end);
    check(cl.argument >= begin && cl.argument <= end);
    check(std::strlen(cl.argument) <= static_cast<std::size_t>(end - cl.argument));
    if (cl.extPtr != nullptr) {
        check(cl.extPtr >= cl.exePath && cl.extPtr + 3 <= end);
        check(setSideFileExtension(cl.extPtr, "qnf"));
        check(std::memcmp(cl.extPtr, "qnf", 4) == 0);
    } else {
        check(!setSideFileExtension(cl.extPtr, "qnf"));
    }

    std::vector<char> bytes(data, data + size);
    bytes.push_back('\0');
    std::vector<const char*> args;
    for (std::size_t at = 0; at < size; at += std::strlen(&bytes[at]) + 1)
        args.push_back(&bytes[at]);
    CliArguments a;
    if (parseCliArguments(static_cast<int>(args.size()), args.data(), a) == nullptr) {
        bool restoring = a.command == CLI_RESTORE;
        check(a.command == CLI_HELP || a.command == CLI_VERSION || restoring ||
              (a.standard ? 1 : 0) + (a.allProfiles ? 1 : 0) + (a.folders.empty() ? 0 : 1) == 1);
        check(!(a.all && a.command == CLI_DELETE));
        check(!(a.recycle && a.quarantine != nullptr));
        check(!restoring || (a.quarantine != nullptr && a.folders.empty() && !a.standard));
        if (a.quarantine != nullptr)
            check(a.quarantine >= bytes.data() && a.quarantine < bytes.data() + bytes.size());
        for (const char* f : a.folders)
            check(f >= bytes.data() && f < bytes.data() + bytes.size());
    }
    return 0;
}
