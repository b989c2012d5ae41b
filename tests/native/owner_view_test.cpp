#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "search/link_layout.h"
#include "search/owner_view.h"
#include "tests/link_bytes.h"

namespace {

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
    advertised.darwin = "A";
    both.tracker = true;
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
        EXPECT_EQ(layout.advertised, !p.link.darwin.empty()) << p.what;
        EXPECT_EQ(layout.tracked, p.link.tracker) << p.what;
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
