#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/cli_output.h"
#include "cli/quarantine_rules.h"

namespace {

// What the parser makes of an argument list: the error, or a summary of what it took.
std::string parsed(std::vector<const char*> args)
{
    CliArguments a;
    if (const char* why = parseCliArguments(static_cast<int>(args.size()), args.data(), a))
        return std::string("error: ") + why;
    const char* commands[] = {"list", "delete", "restore", "help", "version"};
    std::string s = commands[a.command];
    for (auto [on, name] : {std::pair<bool, const char*>{a.all, " all"}, {a.remote, " remote"}, {a.includeAbsent, " absent"},
                            {a.recycle, " recycle"}, {a.standard, " standard"},
                            {a.allProfiles, " profiles"}, {a.includeSynced, " synced"}})
        if (on)
            s += name;
    s += a.format == FORMAT_CSV ? " csv" : a.format == FORMAT_JSON ? " json" : "";
    if (a.waitSeconds != 3)
        s += " wait=" + std::to_string(a.waitSeconds);
    if (a.output != nullptr)
        s += std::string(" >") + a.output;
    if (a.quarantine != nullptr)
        s += std::string(" q=") + a.quarantine;
    for (const char* f : a.folders)
        s += std::string(" [") + f + "]";
    return s;
}

TEST(Cli, Arguments)
{
    struct Case {
        std::vector<const char*> args;
        const char* result;
    } cases[] = {
        {{"list", "C:\\x"}, "list [C:\\x]"},
        {{"list", "--all", "--remote", "--format", "json", "--output", "r.json", "--standard"}, "list all remote standard json >r.json"},
        {{"delete", "--recycle", "--include-absent", "--format=csv", "--output=o", "D:\\a", "E:\\b"}, "delete absent recycle csv >o [D:\\a] [E:\\b]"},
        {{"--help"}, "help"}, {{"-h"}, "help"}, {{"/?"}, "help"}, {{"--version"}, "version"},
        {{}, "error: no command: list, delete or restore"},
        {{"erase", "C:\\x"}, "error: unknown command (list, delete or restore)"},
        {{"list", "--bogus", "C:\\x"}, "error: unknown option"},
        {{"list", "/?", "C:\\x"}, "error: unknown option"},
        {{"list", "--formats", "C:\\x"}, "error: unknown option"},
        {{"list", "C:\\x", "--format"}, "error: --format needs text, csv or json"},
        {{"list", "--format", "xml", "C:\\x"}, "error: --format needs text, csv or json"},
        {{"list", "--wait", "1", "C:\\x"}, "list wait=1 [C:\\x]"},
        {{"delete", "--wait=600", "C:\\x"}, "delete wait=600 [C:\\x]"},
        {{"list", "--wait", "0", "C:\\x"}, "error: --wait needs a number of seconds from 1 to 600"},
        {{"list", "--wait", "601", "C:\\x"}, "error: --wait needs a number of seconds from 1 to 600"},
        {{"list", "--wait", "99999999999", "C:\\x"}, "error: --wait needs a number of seconds from 1 to 600"},
        {{"list", "--wait", "2s", "C:\\x"}, "error: --wait needs a number of seconds from 1 to 600"},
        {{"list", "--wait", "C:\\x"}, "error: --wait needs a number of seconds from 1 to 600"},
        {{"list", "--wait", "1", "--wait", "2", "C:\\x"}, "error: an option is given twice"},
        {{"restore", "--wait", "1", "Q:\\q"}, "error: restore takes the quarantine folder, and only --format and --output"},
        {{"list", "--output"}, "error: --output needs a file name"},
        {{"list", "--output="}, "error: --output needs a file name"},
        // A value is never the next option: the report would go to a file named "--recycle"
        // and the deletion be for good.
        {{"delete", "--output", "--recycle", "C:\\x"}, "error: --output needs a file name"},
        {{"list", "--output", "--format", "C:\\x"}, "error: --output needs a file name"},
        {{"list", "--format", "--all", "C:\\x"}, "error: --format needs text, csv or json"},
        {{"list", "--all", "--all", "C:\\x"}, "error: an option is given twice"},
        {{"list", "--format", "csv", "--format=json", "C:\\x"}, "error: an option is given twice"},
        {{"list", "--output=a", "--output", "b", "C:\\x"}, "error: an option is given twice"},
        {{"delete", "--", "-x", "--recycle"}, "delete [-x] [--recycle]"},
        {{"list", "--all", "--", "--"}, "list all [--]"},
        {{"delete", "--all", "C:\\x"}, "error: --all goes with list only: delete never deletes a valid shortcut"},
        {{"list", "--recycle", "C:\\x"}, "error: --recycle and --quarantine go with delete only"},
        {{"delete", "--quarantine", "Q:\\q", "C:\\x"}, "delete q=Q:\\q [C:\\x]"},
        {{"delete", "--quarantine=Q:\\q", "--standard"}, "delete standard q=Q:\\q"},
        {{"delete", "--quarantine", "--recycle", "C:\\x"}, "error: --quarantine needs a folder"},
        {{"delete", "--quarantine", "Q:\\q", "--recycle", "C:\\x"}, "error: --recycle and --quarantine exclude each other"},
        {{"delete", "--quarantine", "Q:\\q", "--quarantine", "Q:\\r", "C:\\x"}, "error: an option is given twice"},
        {{"list", "--quarantine", "Q:\\q", "C:\\x"}, "error: --recycle and --quarantine go with delete only"},
        {{"restore", "--format", "json", "--", "Q:\\q"}, "restore json q=Q:\\q"},
        {{"restore", "Q:\\q", "Q:\\r"}, "error: restore takes the quarantine folder, and only --format and --output"},
        {{"restore", "--standard"}, "error: restore takes the quarantine folder, and only --format and --output"},
        {{"restore", "--remote", "Q:\\q"}, "error: restore takes the quarantine folder, and only --format and --output"},
        {{"restore", "--quarantine", "Q:\\q", "Q:\\q"}, "error: --recycle and --quarantine go with delete only"},
        {{"list"}, "error: name the folders to search, or --standard, or --all-profiles: one of them"},
        {{"delete", "--standard", "C:\\x"}, "error: name the folders to search, or --standard, or --all-profiles: one of them"},
        {{"delete", "--all-profiles", "--include-absent"}, "delete absent profiles"},
        {{"delete", "--include-synced", "C:\\x"}, "delete synced [C:\\x]"},
        {{"restore", "--include-synced", "Q:\\q"}, "error: restore takes the quarantine folder, and only --format and --output"},
        {{"list", "--all-profiles", "--standard"}, "error: name the folders to search, or --standard, or --all-profiles: one of them"},
        {{"list", "--all-profiles", "C:\\x"}, "error: name the folders to search, or --standard, or --all-profiles: one of them"},
        {{"restore", "--all-profiles", "Q:\\q"}, "error: restore takes the quarantine folder, and only --format and --output"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parsed(c.args), c.result) << (c.args.empty() ? "" : c.args[0]);
}

// CSV as RFC 4180 (quoted where a comma, quote or line break needs it, quotes doubled);
// JSON with backslashes, quotes and control characters escaped, the rest as UTF-8.
TEST(Cli, ReportsEscapeWhatTheirReadersNeed)
{
    CliRecord r = {"C:\\a,b \"c\" \xC3\xA9.lnk", "D:\\x\ny", "moved", "2024-01-02T03:04:05Z", "deleted", "tab\there", "ann", "E:\\x,y", true};
    EXPECT_EQ(reportStart(FORMAT_CSV, true), "path,target,reason,modified,action,error,owner,found,synced\r\n");
    EXPECT_EQ(reportStart(FORMAT_CSV, false), "path,target,reason,modified,owner,found,synced\r\n");
    EXPECT_EQ(reportRecord(FORMAT_CSV, r, true, true),
              "\"C:\\a,b \"\"c\"\" \xC3\xA9.lnk\",\"D:\\x\ny\",moved,2024-01-02T03:04:05Z,deleted,tab\there,ann,\"E:\\x,y\",yes\r\n");
    EXPECT_EQ(reportRecord(FORMAT_CSV, r, false, true).find(",deleted"), std::string::npos);
    // What a spreadsheet would compute stays text in CSV; JSON keeps it exact.
    for (const char* formula : {"=1+2", "+1", "-2+3", "@SUM(1+1)", "\tx", "\rx"}) {
        CliRecord f = {"C:\\a.lnk", formula, "missing", "", "", ""};
        std::string row = reportRecord(FORMAT_CSV, f, false, true);
        EXPECT_TRUE(row.rfind("C:\\a.lnk,'", 0) == 0 || row.rfind("C:\\a.lnk,\"'", 0) == 0) << row;
        EXPECT_NE(reportRecord(FORMAT_JSON, f, false, true).find(std::string("\"target\":\"") + (formula[0] == '\t' ? "\\u0009" : formula[0] == '\r' ? "\\u000d" : formula)), std::string::npos) << formula;
    }
    EXPECT_EQ(reportRecord(FORMAT_CSV, CliRecord{"C:\\x=y.lnk", "C:\\a-b", "missing", "", "", ""}, false, true),
              "C:\\x=y.lnk,C:\\a-b,missing,,,,\r\n");
    EXPECT_EQ(reportStart(FORMAT_JSON, false) + reportRecord(FORMAT_JSON, r, false, true) +
                  reportRecord(FORMAT_JSON, r, true, false) + reportEnd(FORMAT_JSON),
              "[{\"path\":\"C:\\\\a,b \\\"c\\\" \xC3\xA9.lnk\",\"target\":\"D:\\\\x\\u000ay\",\"reason\":\"moved\","
              "\"modified\":\"2024-01-02T03:04:05Z\",\"owner\":\"ann\",\"found\":\"E:\\\\x,y\",\"synced\":true},"
              "{\"path\":\"C:\\\\a,b \\\"c\\\" \xC3\xA9.lnk\",\"target\":\"D:\\\\x\\u000ay\",\"reason\":\"moved\","
              "\"modified\":\"2024-01-02T03:04:05Z\",\"action\":\"deleted\",\"error\":\"tab\\u0009here\",\"owner\":\"ann\","
              "\"found\":\"E:\\\\x,y\",\"synced\":true}]\r\n");
    EXPECT_EQ(reportStart(FORMAT_TEXT, true) + reportRecord(FORMAT_TEXT, r, true, true) + reportEnd(FORMAT_TEXT),
              r.path + "\r\n");
    EXPECT_EQ(isoTime(2024, 1, 2, 3, 4, 5), "2024-01-02T03:04:05Z");
}

// At most 8,192 units to a console a call, never half a surrogate pair.
TEST(Cli, ConsoleChunks)
{
    std::wstring text(9000, L'a');
    EXPECT_EQ(consoleChunk(text.data(), text.size(), 8192), 8192u);
    EXPECT_EQ(consoleChunk(text.data(), 100, 8192), 100u);
    text[8191] = static_cast<wchar_t>(0xD83D);  // the first half of an emoji
    text[8192] = static_cast<wchar_t>(0xDE00);
    EXPECT_EQ(consoleChunk(text.data(), text.size(), 8192), 8191u);
    EXPECT_EQ(consoleChunk(text.data() + 8191, text.size() - 8191, 8192), text.size() - 8191);
}

// A folder named twice, or inside another named folder, is walked once, from the outer one.
TEST(Cli, RootsWalkedOnce)
{
    struct Case {
        std::vector<std::wstring> finals;
        std::vector<bool> covered;
    } cases[] = {
        {{L"\\\\?\\C:\\t", L"\\\\?\\C:\\t"}, {false, true}},
        {{L"\\\\?\\C:\\t\\sub", L"\\\\?\\C:\\t"}, {true, false}},
        {{L"\\\\?\\C:\\t", L"\\\\?\\C:\\t\\sub", L"\\\\?\\C:\\t2"}, {false, true, false}},
        {{L"\\\\?\\C:\\", L"\\\\?\\C:\\t", L"\\\\?\\D:\\t"}, {false, true, false}},
        {{L"\\\\?\\C:\\t\\a", L"\\\\?\\C:\\t\\a", L"\\\\?\\C:\\t"}, {true, true, false}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(coveredRoots(c.finals), c.covered) << c.finals.size();
}

// A manifest line reads back as it was written, names outside ASCII and quotes included;
// a torn, edited or foreign line is refused, and its file is then never put back.
TEST(Cli, QuarantineManifestLines)
{
    QuarantineLine line = {"C:\\Users\\Ann\\Desktop\\\xC3\x9C" "bung \"1\" \xF0\x9F\x98\x80.lnk", "D:\\gone\\x.exe", "missing",
                           "2026-12-09T11:05:46Z", storedName("20261209110546", 4120, 7),
                           {0x43000000, 0x10, 0x20, true, 300, 1000, 2000, {0xAB, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xCD}, true}};
    EXPECT_EQ(line.stored, "20261209110546-4120-7.vmq");
    std::string text = manifestLine(line);
    ASSERT_EQ(text.back(), '\n');
    EXPECT_EQ(text.find('\n'), text.size() - 1) << "one line each";
    QuarantineLine back;
    ASSERT_TRUE(readManifestLine(text, back)) << text;
    EXPECT_EQ(back.original, line.original);
    EXPECT_EQ(back.target, line.target);
    EXPECT_EQ(back.stored, line.stored);
    EXPECT_EQ(back.time, line.time);
    EXPECT_TRUE(sameFile(back.identity, line.identity));
    line.identity.hasId128 = false;
    ASSERT_TRUE(readManifestLine(manifestLine(line), back));
    EXPECT_FALSE(back.identity.hasId128);
    EXPECT_EQ(back.access, "") << "a line without the file's access list, as older versions wrote it";
    line.access = "D:P(A;;FA;;;SY)(A;;0x1200a9;;;S-1-5-21-1-2-3-1001)";
    ASSERT_TRUE(readManifestLine(manifestLine(line), back));
    EXPECT_EQ(back.access, line.access);
    EXPECT_EQ(back.folder, 0u) << "a line without its folder's number, as older versions wrote it";
    line.folder = 0x0005000000001234ull;
    ASSERT_TRUE(readManifestLine(manifestLine(line), back));
    EXPECT_EQ(back.folder, line.folder);
    line.access.clear();
    line.folder = 0;
    // Escapes another writer might use read as the characters they stand for.
    std::string escaped = text;
    escaped.replace(escaped.find("\xF0\x9F\x98\x80"), 4, "\\ud83d\\ude00");
    ASSERT_TRUE(readManifestLine(escaped, back));
    EXPECT_EQ(back.original.substr(back.original.size() - 8), "\xF0\x9F\x98\x80.lnk");
    auto replaced = [&](const char* from, const char* to, const std::string& in = std::string()) {
        std::string t = in.empty() ? text : in;
        std::size_t at = t.find(from);
        if (at == std::string::npos)
            ADD_FAILURE() << "no " << from << " in " << t;
        return at == std::string::npos ? t : t.replace(at, std::strlen(from), to);
    };
    const std::string refused[] = {
        text.substr(0, text.size() / 2),                            // torn by a crash
        "", "{}", "[]", text + text,                                // two objects run together
        replaced("\"stored\":\"2026", "\"stored\":\"..\\\\2026"),  // a name that leaves the folder
        replaced(".vmq", ".lnk"),
        replaced("\"size\":300", "\"size\":-300"),
        replaced("\"size\":300", "\"size\":99999999999999999999"),  // past 64 bits
        replaced("\"volume\":1124073472", "\"volume\":4294967296"),
        replaced("\"size\":300", "\"size\":300,\"size\":300"),
        replaced("\"size\":300", "\"size\":300,\"access\":\"D:\",\"access\":\"D:\""),
        replaced("\"size\":300", "\"size\":300,\"folder\":\"7\""),
        replaced("\"size\":300", "\"sized\":300"),
        replaced(",\"time\":\"2026-12-09T11:05:46Z\"", ""),
        replaced("\\ud83d", "\\udc00", escaped),          // half a pair
        replaced("\\ude00", "x", escaped),
        replaced("Ann", "A\tn"),                                   // a control character unescaped
        replaced("\"id128\":\"", "\"id128\":\"0"),
        replaced("Ann", "A\xFFn"), replaced("Ann", "A\xC0\xAFn"),  // not UTF-8: another name than was moved
        replaced("Ann", "A\xED\xA0\x80n"), replaced("\xF0\x9F\x98\x80", "\xF0\x9F\x98"),
        replaced("Ann", "A\xF4\x90\x80\x80n"),                  // past U+10FFFF
    };
    for (const std::string& r : refused)
        EXPECT_FALSE(readManifestLine(r, back)) << r;
    EXPECT_TRUE(readManifestLine(replaced("\"size\":300", " \"size\" : 300 "), back)) << "blanks between tokens";

    // The notes: a run's searched folders, a move in or back; none reads as another or as a line.
    ManifestNote note;
    const std::vector<std::string> folders = {"C:\\Users\\Ann\\Desktop", "D:\\\xC3\x9C"};
    ASSERT_TRUE(readManifestNote(manifestHead(folders), note));
    EXPECT_TRUE(note.searched == folders && note.moved.empty() && note.restored.empty());
    for (bool restored : {false, true}) {
        ASSERT_TRUE(readManifestNote(manifestMoved(line.stored, restored), note));
        EXPECT_TRUE(note.searched.empty() && (restored ? note.restored : note.moved) == line.stored &&
                    (restored ? note.moved : note.restored).empty());
    }
    EXPECT_FALSE(readManifestLine(manifestHead(folders), back));
    for (const std::string& r : {text, manifestMoved("x.lnk", false), std::string("{\"searched\":[\"\"]}"),
                                 std::string("{\"searched\":[\"C:\\\\t\"],\"moved\":\"1-2-3.vmq\"}"),
                                 std::string("{\"searched\":\"C:\\\\t\"}"), std::string("{\"searched\":[\"C:\\\\t\"]"),
                                 std::string("{\"searched\":[\"\xFF\"]}")})
        EXPECT_FALSE(readManifestNote(r, note)) << r;
    EXPECT_TRUE(readManifestNote(manifestHead({}), note));
}

TEST(Cli, QuarantineNamesAndRestorePaths)
{
    for (auto [name, stored] : {std::pair<const wchar_t*, bool>{L"20261209110546-4120-7.vmq", true},
                                {L"1-2-3.vmq", true}, {L"20261209110546-4120-7.lnk", false},
                                {L"20261209110546-4120.vmq", false}, {L"x20261209110546-4120-7.vmq", false},
                                {L"20261209110546-4120-7.vmq.lnk", false}, {L"manifest.jsonl", false}, {L"", false}})
        EXPECT_EQ(isStoredName(name, std::wcslen(name)), stored) << std::wstring(name).size();
    struct Case {
        const wchar_t* path;
        const wchar_t* root;  // null: refused
        std::vector<std::wstring> names;
    } cases[] = {
        {L"C:\\a\\b.lnk", L"C:\\", {L"a", L"b.lnk"}},
        {L"c:\\b.lnk", L"c:\\", {L"b.lnk"}},
        {L"\\\\?\\C:\\\u00dcbung\\b.lnk", L"C:\\", {L"\u00dcbung", L"b.lnk"}},
        {L"\\\\srv\\share\\a\\b.lnk", L"\\\\srv\\share\\", {L"a", L"b.lnk"}},
        {L"\\\\?\\UNC\\srv\\share\\b.lnk", L"\\\\srv\\share\\", {L"b.lnk"}},
        {L"a\\b.lnk", nullptr, {}},               {L"\\a\\b.lnk", nullptr, {}},
        {L"C:b.lnk", nullptr, {}},                  {L"C:\\a\\..\\..\\b.lnk", nullptr, {}},
        {L"C:\\a\\.\\b.lnk", nullptr, {}},       {L"C:\\a\\\\b.lnk", nullptr, {}},
        {L"C:\\a\\", nullptr, {}},                {L"C:\\a\\b.lnk:stream", nullptr, {}},
        {L"C:\\a\\*.lnk", nullptr, {}},           {L"C:\\a/..\\b.lnk", nullptr, {}},
        {L"\\\\.\\C:\\b.lnk", nullptr, {}},      {L"\\\\?\\Volume{1}\\b.lnk", nullptr, {}},
        {L"\\\\srv\\b.lnk", nullptr, {}},        {L"\\\\srv\\share", nullptr, {}},
    };
    // Where restore may put a file back: below a searched folder, under a name the walk lists.
    const std::vector<std::wstring> searched = {L"C:\\Users\\Ann\\Desktop", L"\\\\srv\\share\\Links\\", L"D:\\"};
    for (auto [path, restorable] : std::initializer_list<std::pair<const wchar_t*, bool>>{
             {L"C:\\Users\\Ann\\Desktop\\a.lnk", true},
             {L"c:\\users\\ann\\desktop\\Sub\\B.PIF", true},
             {L"\\\\srv\\share\\Links\\a.lnk", true},
             {L"D:\\a.lnk", true},
             {L"C:\\Users\\Ann\\Desktop.lnk", false},                  // beside the folder, not in it
             {L"C:\\Users\\Ann\\Desktop2\\a.lnk", false},
             {L"C:\\Windows\\System32\\Startup-e.lnk", false},         // a folder no run searched
             {L"C:\\Users\\Ann\\Desktop\\evil.dll", false},          // no search lists it
             {L"C:\\Users\\Ann\\Desktop\\desktop.ini", false},
             {L"C:\\Users\\Ann\\Desktop\\CON", false},
             {L"C:\\Users\\Ann\\Desktop\\CON.lnk", false},           // a device
             {L"C:\\Users\\Ann\\Desktop\\COM1\\a.lnk", false},
             {L"C:\\Users\\Ann\\Desktop\\a.lnk.", false},            // another name than its own
             {L"C:\\Users\\Ann\\Desktop\\x \\a.lnk", false},
             {L"C:\\Users\\Ann\\Desktop\\..\\..\\a.lnk", false},
             {L"C:\\Users\\Ann\\Desktop", false},
         })
        EXPECT_EQ(restorablePath(path, searched), restorable) << std::wstring(path).size();
    EXPECT_FALSE(restorablePath(L"C:\\Users\\Ann\\Desktop\\a.lnk", {})) << "no folder searched, nowhere to go";

    for (const Case& c : cases) {
        std::wstring root;
        std::vector<std::wstring> names;
        bool split = splitFullPath(c.path, root, names);
        EXPECT_EQ(split, c.root != nullptr) << std::wstring(c.path).size();
        if (split && c.root != nullptr) {
            EXPECT_TRUE(root == c.root && names == c.names) << std::wstring(c.path).size();
        }
    }
}

TEST(Cli, WhoMayWriteAQuarantine)
{
    const std::uint32_t full = 0x1F01FF, readRun = 0x1200A9, addFile = 0x2, addFolder = 0x4, deleteChild = 0x40,
                        writeList = 0x40000, genericWrite = 0x40000000;
    struct Case {
        const char* what;
        bool hasList, ownerTrusted;
        std::vector<AccessEntry> entries;
        bool others;
    } cases[] = {
        {"the system and the administrators", true, true, {{true, true, full}, {true, true, full}}, false},
        {"everyone may read", true, true, {{true, true, full}, {true, false, readRun}}, false},
        {"no list at all", false, true, {}, true},
        {"an owner not trusted", true, false, {{true, true, full}}, true},
        {"users may make files", true, true, {{true, false, readRun | addFile}}, true},
        {"users may make folders", true, true, {{true, false, addFolder}}, true},
        {"users may delete what is inside", true, true, {{true, false, deleteChild}}, true},
        {"users may change the list", true, true, {{true, false, writeList}}, true},
        {"generic write", true, true, {{true, false, genericWrite}}, true},
        {"only for what is made inside: the manifest inherits it", true, true, {{true, false, full}}, true},
        {"a denial is no permission", true, true, {{false, false, full}}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(othersMayWrite(c.hasList, c.ownerTrusted, c.entries), c.others) << c.what;
}

}  // namespace
