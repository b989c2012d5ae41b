#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/cli_output.h"

namespace {

// What the parser makes of an argument list: the error, or a summary of what it took.
std::string parsed(std::vector<const char*> args)
{
    CliArguments a;
    if (const char* why = parseCliArguments(static_cast<int>(args.size()), args.data(), a))
        return std::string("error: ") + why;
    std::string s = a.command == CLI_LIST ? "list" : a.command == CLI_DELETE ? "delete" : a.command == CLI_HELP ? "help" : "version";
    for (auto [on, name] : {std::pair<bool, const char*>{a.all, " all"}, {a.remote, " remote"}, {a.includeAbsent, " absent"},
                            {a.recycle, " recycle"}, {a.standard, " standard"}})
        if (on)
            s += name;
    s += a.format == FORMAT_CSV ? " csv" : a.format == FORMAT_JSON ? " json" : "";
    if (a.output != nullptr)
        s += std::string(" >") + a.output;
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
        {{}, "error: no command: list or delete"},
        {{"erase", "C:\\x"}, "error: unknown command (list or delete)"},
        {{"list", "--bogus", "C:\\x"}, "error: unknown option"},
        {{"list", "/?", "C:\\x"}, "error: unknown option"},
        {{"list", "--formats", "C:\\x"}, "error: unknown option"},
        {{"list", "C:\\x", "--format"}, "error: --format needs text, csv or json"},
        {{"list", "--format", "xml", "C:\\x"}, "error: --format needs text, csv or json"},
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
        {{"list", "--recycle", "C:\\x"}, "error: --recycle goes with delete only"},
        {{"list"}, "error: name the folders to search, or --standard, one of the two"},
        {{"delete", "--standard", "C:\\x"}, "error: name the folders to search, or --standard, one of the two"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parsed(c.args), c.result) << (c.args.empty() ? "" : c.args[0]);
}

// CSV as RFC 4180 (quoted where a comma, quote or line break needs it, quotes doubled);
// JSON with backslashes, quotes and control characters escaped, the rest as UTF-8.
TEST(Cli, ReportsEscapeWhatTheirReadersNeed)
{
    CliRecord r = {"C:\\a,b \"c\" \xC3\xA9.lnk", "D:\\x\ny", "missing", "2024-01-02T03:04:05Z", "deleted", "tab\there"};
    EXPECT_EQ(reportStart(FORMAT_CSV, true), "path,target,reason,modified,action,error\r\n");
    EXPECT_EQ(reportRecord(FORMAT_CSV, r, true, true),
              "\"C:\\a,b \"\"c\"\" \xC3\xA9.lnk\",\"D:\\x\ny\",missing,2024-01-02T03:04:05Z,deleted,tab\there\r\n");
    EXPECT_EQ(reportRecord(FORMAT_CSV, r, false, true).find(",deleted"), std::string::npos);
    // What a spreadsheet would compute stays text in CSV; JSON keeps it exact.
    for (const char* formula : {"=1+2", "+1", "-2+3", "@SUM(1+1)", "\tx", "\rx"}) {
        CliRecord f = {"C:\\a.lnk", formula, "missing", "", "", ""};
        std::string row = reportRecord(FORMAT_CSV, f, false, true);
        EXPECT_TRUE(row.rfind("C:\\a.lnk,'", 0) == 0 || row.rfind("C:\\a.lnk,\"'", 0) == 0) << row;
        EXPECT_NE(reportRecord(FORMAT_JSON, f, false, true).find(std::string("\"target\":\"") + (formula[0] == '\t' ? "\\u0009" : formula[0] == '\r' ? "\\u000d" : formula)), std::string::npos) << formula;
    }
    EXPECT_EQ(reportRecord(FORMAT_CSV, CliRecord{"C:\\x=y.lnk", "C:\\a-b", "missing", "", "", ""}, false, true),
              "C:\\x=y.lnk,C:\\a-b,missing,\r\n");
    EXPECT_EQ(reportStart(FORMAT_JSON, false) + reportRecord(FORMAT_JSON, r, false, true) +
                  reportRecord(FORMAT_JSON, r, true, false) + reportEnd(FORMAT_JSON),
              "[{\"path\":\"C:\\\\a,b \\\"c\\\" \xC3\xA9.lnk\",\"target\":\"D:\\\\x\\u000ay\",\"reason\":\"missing\","
              "\"modified\":\"2024-01-02T03:04:05Z\"},"
              "{\"path\":\"C:\\\\a,b \\\"c\\\" \xC3\xA9.lnk\",\"target\":\"D:\\\\x\\u000ay\",\"reason\":\"missing\","
              "\"modified\":\"2024-01-02T03:04:05Z\",\"action\":\"deleted\",\"error\":\"tab\\u0009here\"}]\r\n");
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

}  // namespace
