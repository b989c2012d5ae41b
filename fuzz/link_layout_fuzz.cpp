// libFuzzer target: a shortcut file's bytes, read for the target it stores besides the
// shell's. Whatever the bytes, nothing is read past them and nothing longer than they are
// comes out.
#include <cstddef>
#include <cstdint>

#include "search/link_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    LinkLayout layout;
    // A local or network path joins two strings of the bytes, the base (or the share's name)
    // and the suffix below it, which may be the same bytes: each is no longer than they are.
    const std::size_t two = 2 * size;
    if (readLinkLayout(data, size, layout) &&
        (layout.localAnsi.size() > two || layout.localWide.size() * 2 > two || layout.envAnsi.size() > size ||
         layout.envWide.size() * 2 > size || layout.networkAnsi.size() > two + 1 || layout.networkWide.size() * 2 > two + 2 ||
         layout.networkDrive.size() > size || layout.relativeAnsi.size() > size || layout.relativeWide.size() * 2 > size))
        __builtin_trap();
    return 0;
}
