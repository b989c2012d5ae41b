// libFuzzer target: the process command line, parsed in place as start-up does, then the
// side-file extension written where the parser pointed.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "app/command_line.h"

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
    return 0;
}
