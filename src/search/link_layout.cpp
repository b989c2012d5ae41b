#include "search/link_layout.h"

#include <cstdint>

namespace {
// Every read is checked against the end: a damaged or hostile file reads nothing past it.
struct Bytes {
    const unsigned char* data;
    std::size_t size;

    bool has(std::size_t at, std::size_t n) const { return at <= size && n <= size - at; }
    std::uint32_t u32(std::size_t at) const
    {
        return static_cast<std::uint32_t>(data[at]) | static_cast<std::uint32_t>(data[at + 1]) << 8 |
               static_cast<std::uint32_t>(data[at + 2]) << 16 | static_cast<std::uint32_t>(data[at + 3]) << 24;
    }
    std::uint16_t u16(std::size_t at) const { return static_cast<std::uint16_t>(data[at] | data[at + 1] << 8); }
    // A NUL-ended string within [at, end).
    bool ansi(std::size_t at, std::size_t end, std::string& out) const
    {
        out.clear();
        for (; at < end; ++at) {
            if (data[at] == 0)
                return true;
            out += static_cast<char>(data[at]);
        }
        return false;
    }
    bool wide(std::size_t at, std::size_t end, std::wstring& out) const
    {
        out.clear();
        for (; at + 1 < end; at += 2) {
            wchar_t c = static_cast<wchar_t>(u16(at));
            if (c == 0)
                return true;
            out += c;
        }
        return false;
    }
};
}  // namespace

enum : std::uint32_t {
    HAS_ID_LIST = 0x1,
    HAS_LINK_INFO = 0x2,
    IS_UNICODE = 0x80,
    LOCAL_PATH = 0x1,  // the link information holds a volume and a local base path
    ENVIRONMENT_BLOCK = 0xA0000001,
    SPECIAL_FOLDER_BLOCK = 0xA0000005,
    KNOWN_FOLDER_BLOCK = 0xA000000B,
};

static const std::size_t HEADER_SIZE = 0x4C;

static bool readLinkInfo(const Bytes& b, std::size_t at, std::size_t end, LinkLayout& out)
{
    if (!b.has(at, 0x1C))
        return false;
    std::uint32_t headerSize = b.u32(at + 4), flags = b.u32(at + 8);
    if (!(flags & LOCAL_PATH))
        return true;  // a network path only: nothing of it is re-based
    std::string base, suffix;
    std::uint32_t baseAt = b.u32(at + 16), suffixAt = b.u32(at + 24);
    if (!b.ansi(at + baseAt, end, base) || !b.ansi(at + suffixAt, end, suffix))
        return false;
    out.localAnsi = base + suffix;
    if (headerSize >= 0x24 && b.has(at, 0x24)) {
        std::wstring wideBase, wideSuffix;
        if (!b.wide(at + b.u32(at + 28), end, wideBase) || !b.wide(at + b.u32(at + 32), end, wideSuffix))
            return false;
        out.localWide = wideBase + wideSuffix;
    }
    return true;
}

bool readLinkLayout(const unsigned char* bytes, std::size_t size, LinkLayout& out)
{
    out = LinkLayout{};
    Bytes b = {bytes, size};
    static const unsigned char SHELL_LINK[16] = {0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    if (!b.has(0, HEADER_SIZE) || b.u32(0) != HEADER_SIZE)
        return false;
    for (int i = 0; i < 16; ++i)
        if (bytes[4 + i] != SHELL_LINK[i])
            return false;
    std::uint32_t flags = b.u32(0x14);
    std::size_t at = HEADER_SIZE;
    if (flags & HAS_ID_LIST) {
        if (!b.has(at, 2))
            return false;
        at += 2 + static_cast<std::size_t>(b.u16(at));
    }
    if (flags & HAS_LINK_INFO) {
        if (!b.has(at, 4))
            return false;
        std::size_t infoSize = b.u32(at);
        if (infoSize < 0x1C || !b.has(at, infoSize) || !readLinkInfo(b, at, at + infoSize, out))
            return false;
        at += infoSize;
    }
    // Name, relative path, working folder, arguments, icon: each counted, in the link's width.
    for (std::uint32_t flag = 0x4; flag <= 0x40; flag <<= 1)
        if (flags & flag) {
            if (!b.has(at, 2))
                return false;
            at += 2 + static_cast<std::size_t>(b.u16(at)) * (flags & IS_UNICODE ? 2 : 1);
        }
    // The extra blocks, until one smaller than a block's own size field ends them.
    while (b.has(at, 4)) {
        std::size_t blockSize = b.u32(at);
        if (blockSize < 8)
            return true;
        if (!b.has(at, blockSize))
            return false;
        std::uint32_t signature = b.u32(at + 4);
        if (signature == ENVIRONMENT_BLOCK && blockSize >= 8 + 260 + 520) {
            if (!b.ansi(at + 8, at + 8 + 260, out.envAnsi))
                out.envAnsi.clear();
            if (!b.wide(at + 8 + 260, at + 8 + 260 + 520, out.envWide))
                out.envWide.clear();
        } else if (signature == KNOWN_FOLDER_BLOCK || signature == SPECIAL_FOLDER_BLOCK) {
            out.knownFolder = true;
        }
        at += blockSize;
    }
    return at == size;  // a file may end without the last, empty block, but not inside one
}
