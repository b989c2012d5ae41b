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
// path (and its UTF-16 form), a name, an environment block, a known-folder block.
struct Link {
    std::string local;
    bool wideLocal = false, idList = false, name = false, knownFolder = false, terminated = true;
    std::string env;

    Bytes bytes() const
    {
        Bytes b;
        std::uint32_t flags = 0x80 | (idList ? 0x1 : 0) | (!local.empty() ? 0x2 : 0) | (name ? 0x4 : 0) | (!env.empty() ? 0x200 : 0);
        put32(b, 0x4C);
        const unsigned char clsid[16] = {0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
        b.insert(b.end(), clsid, clsid + 16);
        put32(b, flags);
        b.resize(0x4C, 0);
        if (idList) {
            put16(b, 4);
            put32(b, 0);
        }
        if (!local.empty()) {
            std::uint32_t header = wideLocal ? 0x24 : 0x1C;
            Bytes volume;
            put32(volume, 0x11), put32(volume, 3), put32(volume, 0x1234), put32(volume, 0x10), volume.push_back(0);
            std::uint32_t base = header + static_cast<std::uint32_t>(volume.size());
            std::uint32_t suffix = base + static_cast<std::uint32_t>(local.size()) + 1;
            std::uint32_t wideBase = suffix + 1, wideSuffix = wideBase + 2 * static_cast<std::uint32_t>(local.size() + 1);
            std::uint32_t size = wideLocal ? wideSuffix + 2 : suffix + 1;
            put32(b, size), put32(b, header), put32(b, 1), put32(b, header), put32(b, base), put32(b, 0), put32(b, suffix);
            if (wideLocal)
                put32(b, wideBase), put32(b, wideSuffix);
            b.insert(b.end(), volume.begin(), volume.end());
            b.insert(b.end(), local.begin(), local.end());
            b.push_back(0), b.push_back(0);
            if (wideLocal) {
                for (char c : local)
                    put16(b, static_cast<unsigned char>(c));
                put16(b, 0), put16(b, 0);
            }
        }
        if (name) {
            put16(b, 2);
            put16(b, 'h'), put16(b, 'i');
        }
        if (!env.empty()) {
            put32(b, 0x314), put32(b, 0xA0000001);
            Bytes ansi(260, 0), wide(520, 0);
            for (std::size_t i = 0; i < env.size(); ++i)
                ansi[i] = static_cast<unsigned char>(env[i]), wide[2 * i] = static_cast<unsigned char>(env[i]);
            b.insert(b.end(), ansi.begin(), ansi.end());
            b.insert(b.end(), wide.begin(), wide.end());
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
