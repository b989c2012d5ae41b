#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <utility>

#include "search/file_identity.h"
#include "search/folder_text.h"
#include "search/reason_rule.h"
#include "search/walk_rules.h"

namespace {

TEST(WalkRules, ShortcutNames)
{
    struct Case {
        const char* name;
        bool shortcut;
    } cases[] = {
        {".lnk", true},      {"A.LNK", true},       {"a.Lnk", true},   {"b.pif", true},   {"x.PiF", true},
        {"x.lnk.txt", false}, {"lnk", false},       {"xlnk", false},   {"a.lnk ", false}, {"a.ln", false},
        {"a.lnkk", false},   {"", false},           {"a_lnk", false},  {"a.exe", false},  {"\xE9.lnk", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isShortcutName(c.name, std::strlen(c.name)), c.shortcut) << '"' << c.name << '"';
    // A report's place: the name Windows reaches, trailing dots and spaces dropped.
    for (const wchar_t* name : {L"C:\\t\\good.lnk", L"C:\\t\\good.lnk.", L"C:\\t\\good.LNK ", L"x.pif. ."})
        EXPECT_TRUE(namesShortcutFile(name));
    for (const wchar_t* name : {L"C:\\t\\r.csv", L"C:\\t.lnk\\r", L"lnk", L"C:\\a.ln\u212A"})
        EXPECT_FALSE(namesShortcutFile(name));
}

TEST(WalkRules, PathLimitsFitTheBuffer)
{
    // A folder's own path is depth + 1 + length bytes: at most 343.
    EXPECT_TRUE(folderFits(300, 42));   // 343
    EXPECT_FALSE(folderFits(300, 43));  // 344
    // A shortcut's full path: at most 350.
    EXPECT_TRUE(shortcutFits(300, 49));   // 350
    EXPECT_FALSE(shortcutFits(300, 50));  // 351
}

TEST(WalkRules, DotEntries)
{
    EXPECT_TRUE(isDotEntry("."));
    EXPECT_TRUE(isDotEntry(".."));
    EXPECT_FALSE(isDotEntry(".git"));
    EXPECT_FALSE(isDotEntry("..."));
    EXPECT_FALSE(isDotEntry("a"));
}

// Names the system's path rules would turn into another file, or into a device.
TEST(WalkRules, ExactNamesAndPaths)
{
    struct Case {
        const wchar_t* name;
        bool exact;
    } names[] = {
        {L"Game.lnk", true},  {L"Old Apps", true},  {L".git", true},       {L".", true},           {L"..", true},
        {L"Old Apps.", false}, {L"a.lnk ", false},  {L"...", false},       {L"x. ", false},        {L"CON", false},
        {L"con.lnk", false},  {L"COM1.lnk", false}, {L"AUX.txt.lnk", false}, {L"nul .lnk", false}, {L"lpt9", false},
        {L"COM\u00B9.lnk", false}, {L"LPT\u00B3", false}, {L"COM0.lnk", false}, {L"CONOUT$.lnk", false},
        {L"COM10.lnk", true}, {L"CONSOLE.lnk", true}, {L"xCON.lnk", true}, {L"COM.lnk", true}, {L"LPT\u00B4.lnk", true},
        {L"a.CON", true},     {L"", true},
    };
    for (const Case& c : names) {
        SCOPED_TRACE("case " + std::to_string(&c - names));
        EXPECT_EQ(isExactName(c.name, std::wcslen(c.name)), c.exact);
        std::wstring path = std::wstring(L"C:\\a\\") + c.name + L"\\b";
        EXPECT_EQ(isExactPath(path.c_str()), c.exact);
    }
    EXPECT_TRUE(isExactPath(L"C:"));
    EXPECT_TRUE(isExactPath(L"C:\\"));
    EXPECT_TRUE(isExactPath(L"\\\\server\\share\\dir\\"));
    EXPECT_FALSE(isExactPath(L"C:/Old Apps./x"));
    EXPECT_FALSE(isExactPath(L"C:\\Old Apps "));
}

TEST(WalkRules, FileSystemTargets)
{
    for (const char* path : {"C:\\a.exe", "\\\\server\\a", ":a"})
        EXPECT_TRUE(isFileSystemTarget(path)) << path;
    for (const char* shell : {"", "::{208D2C60-3AEA-1069-A2D7-08002B30309D}"})
        EXPECT_FALSE(isFileSystemTarget(shell)) << shell;
}

TEST(WalkRules, ProgressEveryShortcutAndEveryEighthFile)
{
    int due = 0;
    for (unsigned tally = 1; tally <= 24; ++tally)
        due += progressDue(false, tally);
    EXPECT_EQ(due, 3);
    EXPECT_TRUE(progressDue(true, 3));
    char text[32];
    formatProgress(text, sizeof text, 4294967295u, 4294967295u);
    EXPECT_STREQ(text, "4294967295 / 4294967295 Files");
    EXPECT_LT(std::strlen(text), 30u);
}

TEST(WalkRules, NativeProgramFiles)
{
    const char* x86 = "C:\\Program Files (x86)";
    const char* native = "C:\\Program Files";
    char out[260];
    ASSERT_TRUE(mapToNativeProgramFiles("C:\\Program Files (x86)\\App\\a.exe", x86, native, out, sizeof out));
    EXPECT_STREQ(out, "C:\\Program Files\\App\\a.exe");
    ASSERT_TRUE(mapToNativeProgramFiles("c:\\program files (X86)\\a.exe", "C:\\Program Files (x86)\\", native, out, sizeof out));
    EXPECT_STREQ(out, "C:\\Program Files\\a.exe");
    ASSERT_TRUE(mapToNativeProgramFiles("C:\\Program Files (x86)", x86, native, out, sizeof out));
    EXPECT_STREQ(out, "C:\\Program Files");

    EXPECT_FALSE(mapToNativeProgramFiles("C:\\Program Files (x86)Extra\\a.exe", x86, native, out, sizeof out));
    EXPECT_FALSE(mapToNativeProgramFiles("C:\\Program Files\\a.exe", x86, native, out, sizeof out));
    EXPECT_FALSE(mapToNativeProgramFiles("D:\\a.exe", x86, native, out, sizeof out));
    EXPECT_FALSE(mapToNativeProgramFiles("C:\\Program Files\\a.exe", native, native, out, sizeof out));  // 32-bit Windows
    EXPECT_FALSE(mapToNativeProgramFiles("C:\\a", "", native, out, sizeof out));
    char small[20];
    std::strcpy(small, "untouched");
    EXPECT_FALSE(mapToNativeProgramFiles("C:\\Program Files (x86)\\a long name.exe", x86, native, small, sizeof small));
    EXPECT_STREQ(small, "untouched");
}

// What Delete may act on: a file, or a reparse point that is no link; and only the very file.
TEST(WalkRules, PlainFilesAndIdentity)
{
    struct Case {
        std::uint32_t attributes, tag;
        bool plain;
    } kinds[] = {
        {0x20, 0, true},                  {0x21, 0, true},  // read-only too
        {0x10, 0, false},                 {0x410, 0xA0000003, false},  // folder, junction
        {0x420, 0xA000000C, false},       {0x420, 0x80000013, true},   // file symlink; deduplicated file
        {0x420, 0x9000001A, true},        // cloud placeholder
    };
    for (const Case& c : kinds)
        EXPECT_EQ(isPlainFileKind(c.attributes, c.tag), c.plain) << std::hex << c.attributes << ' ' << c.tag;
    // Identity: the number alone is none (FAT numbers a file by its directory entry, ext4 and
    // ReFS give numbers again, some shares answer 0 for every file).
    const FileIdentity a = {7, 0, 42, true, 300, 1000, 2000, {1, 2}, true};
    FileIdentity zero = a;
    zero.indexLow = 0;
    FileIdentity without128 = a;
    without128.hasId128 = false;
    struct Same {
        const char* what;
        FileIdentity b;
        bool same, sameAfterMoveOnFat;  // FAT numbers a moved file by its new place
    } others[] = {
        {"itself", a, true, true},
        {"without a 128-bit ID on one side", without128, true, true},
        {"another volume", {8, 0, 42, true, 300, 1000, 2000, {1, 2}, true}, false, false},
        {"another number", {7, 1, 42, true, 300, 1000, 2000, {1, 2}, true}, false, true},
        {"the same number, another size", {7, 0, 42, true, 301, 1000, 2000, {1, 2}, true}, false, false},
        {"the same number, made again", {7, 0, 42, true, 300, 1001, 2000, {1, 2}, true}, false, false},
        {"the same number, written since", {7, 0, 42, true, 300, 1000, 2001, {1, 2}, true}, false, false},
        {"the same 64-bit number, another 128-bit ID", {7, 0, 42, true, 300, 1000, 2000, {1, 3}, true}, false, true},
        {"not read", {7, 0, 42, false, 300, 1000, 2000, {1, 2}, true}, false, false},
    };
    for (const Same& o : others) {
        EXPECT_EQ(sameFile(a, o.b) && sameFile(o.b, a), o.same) << o.what;
        EXPECT_EQ(sameFileMoved(a, o.b, true), o.same) << o.what;
        EXPECT_EQ(sameFileMoved(a, o.b, false), o.sameAfterMoveOnFat) << o.what;
    }
    FileIdentity zeroSmaller = zero;
    zeroSmaller.size = 299;
    EXPECT_TRUE(sameFile(zero, zero));
    EXPECT_FALSE(sameFile(zero, zeroSmaller)) << "no number: size and times decide";
}

// A typed folder text: what is walked, what is recorded, what is refused.
TEST(WalkRules, TypedFolderTexts)
{
    struct Case {
        const wchar_t* typed;
        FolderTextKind kind;
        std::size_t length, walkLength;
    } cases[] = {
        {L"", FOLDER_TEXT_EMPTY, 0, 0},             {L"C:\\", FOLDER_TEXT_OK, 3, 2},           {L"c:\\", FOLDER_TEXT_OK, 3, 2},
        {L"C:", FOLDER_TEXT_OK, 2, 2},              {L"V:x", FOLDER_TEXT_OK, 3, 3},            {L"\u65E5", FOLDER_TEXT_OK, 1, 1},
        {L"\u00E9:\\", FOLDER_TEXT_OK, 3, 3},        {L"C:\\Links ", FOLDER_TEXT_TRIMMED, 8, 8}, {L"C:\\Links. .", FOLDER_TEXT_TRIMMED, 8, 8},
        {L"C:\\a\\..", FOLDER_TEXT_OK, 7, 7},       {L"C:\\a\\.", FOLDER_TEXT_OK, 6, 6},       {L"C:\\a\\", FOLDER_TEXT_OK, 5, 5},
        {L"C:\\a\\ . ", FOLDER_TEXT_BAD, 0, 0},     {L"C:\\Links \\x", FOLDER_TEXT_BAD, 0, 0}, {L"C:\\COM1", FOLDER_TEXT_BAD, 0, 0},
        {L"C:\\a?", FOLDER_TEXT_BAD, 0, 0},         {L"C:\\*", FOLDER_TEXT_BAD, 0, 0},         {L"C:\\COM1 ", FOLDER_TEXT_BAD, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("case " + std::to_string(&c - cases));
        FolderText t = readFolderText(c.typed);
        EXPECT_EQ(t.kind, c.kind);
        if (c.kind == FOLDER_TEXT_OK || c.kind == FOLDER_TEXT_TRIMMED)
            EXPECT_EQ(std::make_pair(t.length, t.walkLength), std::make_pair(c.length, c.walkLength));
    }
    std::wstring longest = L"C:\\" + std::wstring(MAX_FOLDER_TEXT - 3, L'\u65E5');
    EXPECT_EQ(readFolderText(longest.c_str()).kind, FOLDER_TEXT_OK);
    EXPECT_EQ(readFolderText((longest + L"x").c_str()).kind, FOLDER_TEXT_BAD);

    for (const char* full : {"C:\\", "c:\\x", "\\\\server\\share"})
        EXPECT_TRUE(isFullPath(full)) << full;
    for (const char* relative : {"2024", "%USERPROFILE%", " C:\\x", "C:x", "C:", "\\x", "\xC3\xA9:\\x"})
        EXPECT_FALSE(isFullPath(relative)) << relative;
    EXPECT_TRUE(isBareDrive("V:"));
    EXPECT_FALSE(isBareDrive("\xC3\xA9"));  // one two-byte character
}

// The root a missing target lies on: whether the drive or the share is there decides why.
TEST(WalkRules, TargetRoots)
{
    const char* cases[][2] = {
        {"C:\\Apps\\x.exe", "C:\\"}, {"q:x.exe", "q:\\"},  {"\\\\srv\\share\\a\\b", "\\\\srv\\share\\"},
        {"\\\\srv\\share", "\\\\srv\\share\\"}, {"\\\\srv", ""}, {"\\\\srv\\\\x", ""}, {"\\x", ""}, {"rel\\x", ""},
    };
    for (auto& c : cases) {
        char root[32] = "";
        EXPECT_EQ(targetRoot(c[0], root, sizeof root), c[1][0] != '\0') << c[0];
        EXPECT_STREQ(root, c[1]) << c[0];
    }
}

}  // namespace

// Every reason either program reports: its word, and what it makes of an entry in both.
TEST(ReasonRule, EveryReason)
{
    const struct {
        Reason reason;
        const char* name;
        ReasonRule rule;
        bool listed;
    } rows[] = {
        {REASON_MISSING, "missing", RULE_MISSING, true},
        {REASON_DRIVE_ABSENT, "drive-absent", RULE_AWAY, true},
        {REASON_SHARE_UNREACHABLE, "share-unreachable", RULE_AWAY, true},
        {REASON_NOT_ANSWERING, "not-answering", RULE_AWAY, true},
        {REASON_DENIED, "denied", RULE_UNSURE, false},
        {REASON_UNREACHABLE, "unreachable", RULE_UNSURE, false},
        {REASON_USER_DEPENDENT, "user-dependent", RULE_KEPT, false},
        {REASON_PRESENT, "present", RULE_KEPT, false},
        {REASON_NOT_TESTED, "not-tested", RULE_KEPT, false},
        {REASON_NO_TARGET, "no-target", RULE_KEPT, false},
        {REASON_UNREADABLE, "unreadable", RULE_KEPT, false},
        {REASON_LINK, "link", RULE_KEPT, false},
        {REASON_MOVED, "moved", RULE_FOUND, true},
        {REASON_REPAIRABLE, "repairable", RULE_KEPT, false},
        {static_cast<Reason>(REASON_REPAIRABLE + 1), "unreadable", RULE_KEPT, false},  // nobody's reason deletes nothing
    };
    for (const auto& r : rows) {
        EXPECT_STREQ(reasonName(r.reason), r.name) << r.name;
        EXPECT_EQ(ruleOf(r.reason), r.rule) << r.name;
        EXPECT_EQ(isListedAsBroken(r.reason), r.listed) << r.name;
        EXPECT_EQ(isPlainlyMissing(r.reason), r.rule == RULE_MISSING) << r.name;
    }
}

// The one "inside" rule, for the walk's links, the profiles, the quarantine and the roots.
TEST(WalkRules, LiesWithin)
{
    const struct {
        const wchar_t *path, *folder;
        bool within, orIsIt;
    } rows[] = {
        {L"C:\\Users\\Ann\\Desktop", L"C:\\Users\\Ann", true, true},
        {L"c:\\users\\ann\\x.lnk", L"C:\\Users\\Ann\\", true, true},   // ASCII case, a trailing backslash
        {L"C:\\Users\\Ann", L"C:\\Users\\Ann", false, true},            // itself
        {L"C:\\Users\\Ann", L"C:\\Users\\Ann\\", false, true},
        {L"C:\\Users\\Anna\\x", L"C:\\Users\\Ann", false, false},       // a longer name is no folder below
        {L"C:\\Users\\Ann\\", L"C:\\Users\\Ann", false, false},         // nothing after the separator
        {L"C:\\x", L"C:\\", true, true},                                 // below a drive's root
        {L"\\\\?\\C:\\q\\a.vmq", L"\\\\?\\C:\\q", true, true},
        {L"C:\\Users", L"C:\\Users\\Ann", false, false},
        {L"C:\\x", L"", false, false},
        {L"C:\\\xC9\\x", L"C:\\\xE9", false, false},                     // only ASCII is folded
    };
    for (const auto& r : rows) {
        EXPECT_EQ(liesWithin(r.path, r.folder), r.within) << std::wstring(r.path).size();
        EXPECT_EQ(liesWithin(r.path, r.folder, true), r.orIsIt) << std::wstring(r.path).size();
    }
}

// A shortcut that syncs to its user's other PCs: by its cloud attributes, or inside a synced folder.
TEST(WalkRules, SyncedPlaces)
{
    const std::vector<std::wstring> folders = {L"C:\\Users\\Ann\\OneDrive - Contoso"};  // inside: the rule above
    const struct {
        const wchar_t* path;
        unsigned long attributes;
        bool synced;
    } rows[] = {
        {L"C:\\Users\\Ann\\OneDrive - Contoso\\Desktop\\a.lnk", 0x20, true},
        {L"C:\\Users\\Ann\\Desktop\\a.lnk", 0x20, false},
        {L"C:\\x.lnk", 0x400000, true},  // recalled on access
        {L"C:\\x.lnk", 0x80000, true},   // pinned
        {L"C:\\x.lnk", 0x100000, true},  // unpinned
        {L"C:\\x.lnk", 0x40000, false},  // recalled on open only: not one of the three
    };
    for (const auto& r : rows)
        EXPECT_EQ(isSyncedPlace(r.path, r.attributes, folders), r.synced) << std::wstring(r.path).size() << " " << r.attributes;
}
