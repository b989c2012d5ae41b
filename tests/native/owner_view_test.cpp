#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "search/link_layout.h"
#include "search/owner_view.h"

namespace {

using Bytes = std::vector<unsigned char>;

void put32(Bytes& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void put16(Bytes& b, unsigned v)
{
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}

// A shell link as the documented layout has it: an ID list, link information with a local
// path (and its UTF-16 form) on a volume and a share's name, a name, a relative path, an
// environment block, an installer's descriptor, a known-folder block.
struct Link {
    std::string local;
    bool wideLocal = false, idList = false, name = false, knownFolder = false, terminated = true;
    std::string env;
    unsigned volumeType = 3, serial = 0x1234;
    std::string net, device, suffix;  // network path: net + "\\" + suffix, mapped to `device`
    std::string relative;
    bool darwin = false;

    Bytes bytes() const
    {
        Bytes b;
        bool info = !local.empty() || !net.empty();
        std::uint32_t flags = 0x80 | (idList ? 0x1 : 0) | (info ? 0x2 : 0) | (name ? 0x4 : 0) | (!relative.empty() ? 0x8 : 0) |
                              (!env.empty() ? 0x200 : 0) | (darwin ? 0x1000 : 0);
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
        if (!env.empty()) {
            put32(b, 0x314), put32(b, 0xA0000001);
            Bytes ansi(260, 0), wide(520, 0);
            for (std::size_t i = 0; i < env.size(); ++i)
                ansi[i] = static_cast<unsigned char>(env[i]), wide[2 * i] = static_cast<unsigned char>(env[i]);
            b.insert(b.end(), ansi.begin(), ansi.end());
            b.insert(b.end(), wide.begin(), wide.end());
        }
        if (darwin) {
            put32(b, 0x314), put32(b, 0xA0000006);
            b.resize(b.size() + 780, 0x41);
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

TEST(OwnerView, LinkLayoutRead)
{
    struct Case {
        const char* what;
        Link link;
        bool read;
        const char* local;
        const wchar_t* wide;
        const char* env;
        bool knownFolder;
    } cases[] = {
        {"link information only", {"C:\\Users\\ann\\x.exe"}, true, "C:\\Users\\ann\\x.exe", L"", "", false},
        {"with its UTF-16 form", {"C:\\a.exe", true}, true, "C:\\a.exe", L"C:\\a.exe", "", false},
        {"after an ID list, before a name", {"C:\\a.exe", false, true, true}, true, "C:\\a.exe", L"", "", false},
        {"an environment string", {"C:\\a.exe", false, false, false, false, true, "%LOCALAPPDATA%\\App\\a.exe"}, true,
         "C:\\a.exe", L"", "%LOCALAPPDATA%\\App\\a.exe", false},
        {"a known folder", {"C:\\Users\\ann\\Documents\\b.xlsx", false, true, false, true}, true,
         "C:\\Users\\ann\\Documents\\b.xlsx", L"", "", true},
        {"no closing block", {"C:\\a.exe", false, false, false, true, false}, true, "C:\\a.exe", L"", "", true},
        {"no target stored", {""}, true, "", L"", "", false},
    };
    for (const Case& c : cases) {
        Bytes b = c.link.bytes();
        LinkLayout layout;
        ASSERT_EQ(readLinkLayout(b.data(), b.size(), layout), c.read) << c.what;
        EXPECT_EQ(layout.localAnsi, c.local) << c.what;
        EXPECT_EQ(layout.localWide, c.wide) << c.what;
        EXPECT_EQ(layout.envAnsi, c.env) << c.what;
        EXPECT_EQ(layout.envWide, std::wstring(c.env, c.env + std::char_traits<char>::length(c.env))) << c.what;
        EXPECT_EQ(layout.knownFolder, c.knownFolder) << c.what;
        // Cut anywhere, it is refused, or read as far as it goes (a cut between two parts
        // leaves a shorter link): never more than the whole holds, never a byte past the end.
        for (std::size_t cut = 0; cut < b.size(); ++cut) {
            Bytes part(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(cut));
            LinkLayout partial;
            if (readLinkLayout(part.data(), part.size(), partial)) {
                EXPECT_TRUE(partial.localAnsi.empty() || partial.localAnsi == c.local) << c.what << ", cut at " << cut;
                EXPECT_TRUE(partial.envAnsi.empty() || partial.envAnsi == c.env) << c.what << ", cut at " << cut;
                EXPECT_TRUE(!partial.knownFolder || c.knownFolder) << c.what << ", cut at " << cut;
            }
        }
    }
    // Where else the target may be: the volume it was on, the share it was mapped from, the
    // path from the shortcut's folder; and an installer's shortcut. A share's name is stored in
    // 8 bits only here.
    Link removable{"E:\\App\\app.exe"}, mapped, both{"C:\\Old\\", true}, advertised{"C:\\Windows\\Installer\\i.ico"};
    removable.volumeType = 2, removable.serial = 0xBEEF;
    mapped.net = "\\\\srv\\apps", mapped.device = "H:", mapped.suffix = "App\\app.exe", mapped.relative = "app.exe";
    both.net = "\\\\srv\\c$\\", both.suffix = "app.exe", both.relative = "..\\..\\Old\\app.exe";
    advertised.darwin = true;
    const struct {
        const char* what;
        Link link;
        const char* local;
        unsigned type, serial;
        const char* network;
        const wchar_t* wideNetwork;
        const char* device;
        const wchar_t* relative;
    } places[] = {
        {"a removable volume", removable, "E:\\App\\app.exe", 2, 0xBEEF, "", L"", "", L""},
        {"a mapped drive's share only", mapped, "", 0, 0, "\\\\srv\\apps\\App\\app.exe", L"", "H:", L"app.exe"},
        {"a local path and its share, wide", both, "C:\\Old\\app.exe", 3, 0x1234, "\\\\srv\\c$\\app.exe", L"", "",
         L"..\\..\\Old\\app.exe"},
        {"an installer's shortcut", advertised, "C:\\Windows\\Installer\\i.ico", 3, 0x1234, "", L"", "", L""},
    };
    for (const auto& p : places) {
        Bytes b = p.link.bytes();
        LinkLayout layout;
        ASSERT_TRUE(readLinkLayout(b.data(), b.size(), layout)) << p.what;
        EXPECT_EQ(layout.localAnsi, p.local) << p.what;
        EXPECT_EQ(layout.hasVolume, p.type != 0) << p.what;
        EXPECT_EQ(layout.volumeType, p.type) << p.what;
        EXPECT_EQ(layout.volumeSerial, p.serial) << p.what;
        EXPECT_EQ(layout.networkAnsi, p.network) << p.what;
        EXPECT_EQ(layout.networkWide, p.wideNetwork) << p.what;
        EXPECT_EQ(layout.networkDrive, p.device) << p.what;
        EXPECT_EQ(layout.relativeWide, p.relative) << p.what;
        EXPECT_EQ(layout.advertised, p.link.darwin) << p.what;
        for (std::size_t cut = 0; cut < b.size(); ++cut) {
            Bytes part(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(cut));
            LinkLayout partial;
            if (readLinkLayout(part.data(), part.size(), partial))
                EXPECT_TRUE(partial.networkAnsi.empty() || partial.networkAnsi == p.network) << p.what << ", cut at " << cut;
        }
    }

    Bytes other = Link{"C:\\a.exe"}.bytes();
    other[4] ^= 1;  // another class: no shell link
    LinkLayout layout;
    EXPECT_FALSE(readLinkLayout(other.data(), other.size(), layout));
}

// Where the owner of a shortcut in another profile would find its target, and whether not
// finding it there proves it missing.
TEST(OwnerView, TargetsLookedForAsTheirOwnerSeesThem)
{
    const std::wstring reader = L"C:\\Users\\admin", owner = L"C:\\Users\\ann";
    const std::vector<std::pair<std::wstring, std::wstring>> machine = {{L"ProgramFiles", L"C:\\Program Files"}};
    struct Case {
        const char* what;
        OwnerFacts facts;
        bool concerns;
        std::vector<std::wstring> paths;
        bool complete;
    } cases[] = {
        {"a known folder re-based onto the reader's",
         {reader, owner, L"C:\\Users\\admin\\Documents\\b.xlsx", L"C:\\Users\\ann\\Documents\\b.xlsx", L"", true, L"", L"", machine},
         true, {L"C:\\Users\\ann\\Documents\\b.xlsx"}, false},
        {"a variable the reader expanded",
         {reader, owner, L"C:\\Users\\admin\\AppData\\Local\\App\\a.exe", L"C:\\Users\\ann\\AppData\\Local\\App\\a.exe",
          L"%LOCALAPPDATA%\\App\\a.exe", false, L"", L"D:\\Redirected\\ann\\Local", machine},
         true, {L"C:\\Users\\ann\\AppData\\Local\\App\\a.exe", L"D:\\Redirected\\ann\\Local\\App\\a.exe"}, true},
        {"a variable whose owner's value is only the usual place",
         {reader, owner, L"C:\\Users\\admin\\AppData\\Roaming\\a.exe", L"", L"%AppData%\\a.exe", false, L"", L"", machine},
         true, {L"C:\\Users\\ann\\AppData\\Roaming\\a.exe"}, false},
        {"the profile itself, and a machine-wide variable",
         {reader, owner, L"C:\\Users\\admin\\x.exe", L"", L"%USERPROFILE%\\x.exe", false, L"", L"", machine},
         true, {L"C:\\Users\\ann\\x.exe"}, true},
        {"a variable that cannot be had for another account",
         {reader, owner, L"C:\\Users\\admin\\x.exe", L"", L"%HOMEDRIVE%%HOMEPATH%\\x.exe", false, L"", L"", machine},
         true, {L"C:\\Users\\ann\\x.exe"}, false},
        {"a path stored as it is, into the reader's profile: read as saved",
         {reader, owner, L"C:\\Users\\admin\\x.exe", L"C:\\Users\\admin\\x.exe", L"", false, L"", L"", machine}, false, {}, true},
        {"a target outside the reader's profile",
         {reader, owner, L"C:\\Program Files\\App\\a.exe", L"", L"%ProgramFiles%\\App\\a.exe", false, L"", L"", machine},
         false, {}, true},
        {"the reader's own shortcut", {reader, L"c:\\users\\ADMIN\\", L"C:\\Users\\admin\\Documents\\b.xlsx", L"", L"", true, L"", L"", machine},
         false, {}, true},
        {"a shortcut in no profile", {reader, L"", L"C:\\Users\\admin\\Documents\\b.xlsx", L"", L"", true, L"", L"", machine},
         false, {}, true},
        {"a profile whose name begins like the reader's",
         {reader, owner, L"C:\\Users\\administrator\\x.exe", L"", L"%USERPROFILE%\\x.exe", false, L"", L"", machine}, false, {}, true},
    };
    for (const Case& c : cases) {
        OwnerPlaces p = ownerPlaces(c.facts);
        EXPECT_EQ(p.concerns, c.concerns) << c.what;
        EXPECT_EQ(p.paths, c.paths) << c.what;
        EXPECT_EQ(p.complete, c.complete) << c.what;
    }
}

}  // namespace
