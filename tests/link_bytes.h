// A shell link's bytes, written as the documented layout has them, for the tests of the
// program's own reader and for shortcuts the shell would not save as they are.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using Bytes = std::vector<unsigned char>;

inline void put32(Bytes& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

inline void put16(Bytes& b, unsigned v)
{
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}

// A shell link as the documented layout has it: an ID list, link information with a local
// path (and its UTF-16 form) on a volume and a share's name, a name, a relative path, an
// environment block, an installer's descriptor, a tracking block, a known-folder block.
struct Link {
    std::string local;
    bool wideLocal = false, idList = false, name = false, knownFolder = false, terminated = true;
    std::string env;
    unsigned volumeType = 3, serial = 0x1234;
    std::string net, device, suffix;  // network path: net + "\\" + suffix, mapped to `device`
    std::string relative;
    std::string darwin;  // an installer's descriptor: an advertised shortcut
    bool tracker = false;

    Bytes bytes() const
    {
        Bytes b;
        bool info = !local.empty() || !net.empty();
        std::uint32_t flags = 0x80 | (idList ? 0x1 : 0) | (info ? 0x2 : 0) | (name ? 0x4 : 0) | (!relative.empty() ? 0x8 : 0) |
                              (!env.empty() ? 0x200 : 0) | (!darwin.empty() ? 0x1000 : 0);
        put32(b, 0x4C);
        const unsigned char clsid[16] = {0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
        b.insert(b.end(), clsid, clsid + 16);
        put32(b, flags);
        b.resize(0x4C, 0);
        if (idList) {
            put16(b, 4);
            put32(b, 0);
        }
        if (info) {
            std::uint32_t header = wideLocal ? 0x24 : 0x1C;
            Bytes body;  // after the header, offsets counted from the link information's start
            auto here = [&] { return header + static_cast<std::uint32_t>(body.size()); };
            std::uint32_t volumeAt = 0, baseAt = 0, netAt = 0;
            if (!local.empty()) {
                volumeAt = here();
                put32(body, 0x11), put32(body, volumeType), put32(body, serial), put32(body, 0x10), body.push_back(0);
                baseAt = here();
                body.insert(body.end(), local.begin(), local.end());
                body.push_back(0);
            }
            if (!net.empty()) {
                netAt = here();
                std::uint32_t deviceAt = 0x14 + static_cast<std::uint32_t>(net.size()) + 1;
                put32(body, deviceAt + static_cast<std::uint32_t>(device.size()) + 1), put32(body, device.empty() ? 0 : 1);
                put32(body, 0x14), put32(body, device.empty() ? 0 : deviceAt), put32(body, 0);
                body.insert(body.end(), net.begin(), net.end());
                body.push_back(0);
                body.insert(body.end(), device.begin(), device.end());
                body.push_back(0);
            }
            std::uint32_t suffixAt = here();
            body.insert(body.end(), suffix.begin(), suffix.end());
            body.push_back(0);
            std::uint32_t wideBase = here(), wideSuffix = 0;
            if (wideLocal) {
                for (char c : local)
                    put16(body, static_cast<unsigned char>(c));
                put16(body, 0);
                wideSuffix = here();
                for (char c : suffix)
                    put16(body, static_cast<unsigned char>(c));
                put16(body, 0);
            }
            put32(b, here()), put32(b, header), put32(b, (local.empty() ? 0 : 1) | (net.empty() ? 0 : 2));
            put32(b, volumeAt), put32(b, baseAt), put32(b, netAt), put32(b, suffixAt);
            if (wideLocal)
                put32(b, wideBase), put32(b, wideSuffix);
            b.insert(b.end(), body.begin(), body.end());
        }
        if (name) {
            put16(b, 2);
            put16(b, 'h'), put16(b, 'i');
        }
        if (!relative.empty()) {
            put16(b, static_cast<unsigned>(relative.size()));
            for (char c : relative)
                put16(b, static_cast<unsigned char>(c));
        }
        // The environment string and the installer's descriptor: 260 bytes, then 260 units.
        for (auto [text, signature] : {std::pair<const std::string&, std::uint32_t>{env, 0xA0000001}, {darwin, 0xA0000006}}) {
            if (text.empty())
                continue;
            put32(b, 0x314), put32(b, signature);
            Bytes ansi(260, 0), wide(520, 0);
            for (std::size_t i = 0; i < text.size(); ++i)
                ansi[i] = static_cast<unsigned char>(text[i]), wide[2 * i] = static_cast<unsigned char>(text[i]);
            b.insert(b.end(), ansi.begin(), ansi.end());
            b.insert(b.end(), wide.begin(), wide.end());
        }
        if (tracker) {
            put32(b, 0x60), put32(b, 0xA0000003);
            b.resize(b.size() + 0x58, 0x22);
        }
        if (knownFolder) {
            put32(b, 0x1C), put32(b, 0xA000000B);
            b.resize(b.size() + 20, 0x11);
        }
        if (terminated)
            put32(b, 0);
        return b;
    }
};
