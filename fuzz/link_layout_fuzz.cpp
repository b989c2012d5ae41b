// libFuzzer target: a shortcut file's bytes, read for the target it stores besides the
// shell's. Whatever the bytes, nothing is read past them and nothing longer than they are
// comes out.
#include <cstddef>
#include <cstdint>

#include "search/link_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    LinkLayout layout;
    // A network path is the share's name and the path below it, both in the bytes.
    if (readLinkLayout(data, size, layout) &&
        (layout.localAnsi.size() > size || layout.localWide.size() * 2 > size || layout.envAnsi.size() > size ||
         layout.envWide.size() * 2 > size || layout.networkAnsi.size() > size + 1 || layout.networkWide.size() * 2 > size + 2 ||
         layout.networkDrive.size() > size || layout.relativeAnsi.size() > size || layout.relativeWide.size() * 2 > size))
        __builtin_trap();
    return 0;
}
