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
    HAS_RELATIVE_PATH = 0x8,
    HAS_DARWIN_ID = 0x1000,
    LOCAL_PATH = 0x1,    // the link information holds a volume and a local base path
    NETWORK_PATH = 0x2,  // ... and a network share with the path below it
    VALID_DEVICE = 0x1,  // the share was mapped to a drive letter
    ENVIRONMENT_BLOCK = 0xA0000001,
    SPECIAL_FOLDER_BLOCK = 0xA0000005,
    KNOWN_FOLDER_BLOCK = 0xA000000B,
    TRACKER_BLOCK = 0xA0000003,
};

static const std::size_t HEADER_SIZE = 0x4C;

// The share's name (and the drive it was mapped to) joined to the path below it.
static bool readNetworkLink(const Bytes& b, std::size_t at, std::size_t end, const std::string& suffix,
                            const std::wstring* wideSuffix, LinkLayout& out)
{
    if (!b.has(at, 0x14) || at + 0x14 > end)
        return false;
    std::uint32_t flags = b.u32(at + 4), nameAt = b.u32(at + 8), deviceAt = b.u32(at + 12);
    std::string name, device;
    if (!b.ansi(at + nameAt, end, name) || ((flags & VALID_DEVICE) && !b.ansi(at + deviceAt, end, device)))
        return false;
    auto join = [](const auto& share, const auto& below) {
        auto whole = share;
        if (!below.empty() && !whole.empty() && whole.back() != '\\')
            whole += '\\';
        return whole + below;
    };
    out.networkAnsi = join(name, suffix);
    out.networkDrive = device;
    if (nameAt > 0x14 && b.has(at, 0x1C) && wideSuffix != nullptr) {
        std::wstring wideName;
        if (!b.wide(at + b.u32(at + 0x14), end, wideName))
            return false;
        out.networkWide = join(wideName, *wideSuffix);
    }
    return true;
}

static bool readLinkInfo(const Bytes& b, std::size_t at, std::size_t end, LinkLayout& out)
{
    if (!b.has(at, 0x1C))
        return false;
    std::uint32_t headerSize = b.u32(at + 4), flags = b.u32(at + 8);
    if (!(flags & (LOCAL_PATH | NETWORK_PATH)))
        return true;
    std::string base, suffix;
    std::uint32_t suffixAt = b.u32(at + 24);
    if (!b.ansi(at + suffixAt, end, suffix))
        return false;
    bool hasWide = headerSize >= 0x24 && b.has(at, 0x24);
    std::wstring wideSuffix;
    if (hasWide && !b.wide(at + b.u32(at + 32), end, wideSuffix))
        return false;
    if (flags & NETWORK_PATH) {
        std::size_t networkAt = at + b.u32(at + 20);
        if (!readNetworkLink(b, networkAt, end, suffix, hasWide ? &wideSuffix : nullptr, out))
            return false;
    }
    if (!(flags & LOCAL_PATH))
        return true;
    std::size_t volumeAt = at + b.u32(at + 12);
    if (b.has(volumeAt, 16) && volumeAt + 16 <= end) {
        out.hasVolume = true;
        out.volumeType = b.u32(volumeAt + 4);
        out.volumeSerial = b.u32(volumeAt + 8);
    }
    if (!b.ansi(at + b.u32(at + 16), end, base))
        return false;
    out.localAnsi = base + suffix;
    if (hasWide) {
        std::wstring wideBase;
        if (!b.wide(at + b.u32(at + 28), end, wideBase))
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
    std::size_t width = flags & IS_UNICODE ? 2 : 1;
    for (std::uint32_t flag = 0x4; flag <= 0x40; flag <<= 1)
        if (flags & flag) {
            if (!b.has(at, 2))
                return false;
            std::size_t count = b.u16(at);
            if (!b.has(at + 2, count * width))
                return false;
            for (std::size_t i = 0; flag == HAS_RELATIVE_PATH && i < count; ++i) {
                if (width == 2)
                    out.relativeWide += static_cast<wchar_t>(b.u16(at + 2 + 2 * i));
                else
                    out.relativeAnsi += static_cast<char>(b.data[at + 2 + i]);
            }
            at += 2 + count * width;
        }
    out.advertised = (flags & HAS_DARWIN_ID) != 0;
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
        } else if (signature == TRACKER_BLOCK) {
            out.tracked = true;
        }
        at += blockSize;
    }
    return at == size;  // a file may end without the last, empty block, but not inside one
}
