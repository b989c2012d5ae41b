// The real vellmoor-cli.exe on a real tree: its report, its exit code and the disk.
#include "tests/wine/harness.h"

#include <shlobj.h>

#include <algorithm>

namespace {

std::string builtCli() { return onDriveZ(VELLMOOR_CLI_EXE); }

struct Ran {
    DWORD code;
    std::string out;
};

// Runs the program with `arguments`, its standard output redirected to a file.
Ran runCli(const std::string& arguments, const std::string& dir)
{
    std::string outFile = dir + "\\stdout.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(outFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi;
    std::string line = "\"" + builtCli() + "\" " + arguments;
    Ran r = {12345, ""};
    if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0)
            GetExitCodeProcess(pi.hProcess, &r.code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(out);
    r.out = readFile(outFile);
    return r;
}

std::string inQuotes(const std::string& s) { return "\"" + s + "\""; }

// Lines of a text report in order: the walk takes entries as the file system gives them.
std::vector<std::string> sortedLines(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    std::sort(lines.begin(), lines.end());
    return lines;
}

class CliTest : public ::testing::Test {
protected:
    std::string root, work, target;
    std::string missing, odd, absent, valid;
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        root = makeTempDir("cli");
        work = makeTempDir("cliwork");
        target = root + "\\t.txt";
        writeFile(target, "t");
        missing = root + "\\gone.lnk";
        odd = root + "\\a,b 'c' \xC3\xA9\xE4\xB8\xAD.lnk";  // a comma, quotes, é and 中
        valid = root + "\\valid.lnk";
        makeShortcut(missing, target);
        makeShortcut(odd, target);
        makeShortcut(valid, work);
        // A target on a drive that is not there: saved on the tests' drive V:, whose letter
        // the stored path then loses.
        CreateDirectoryA("V:\\vmcli", nullptr);
        writeFile("V:\\vmcli\\app.exe", "x");
        absent = root + "\\absent.lnk";
        makeShortcut(absent, "V:\\vmcli\\app.exe");
        removeTree("V:\\vmcli");
        std::string bytes = readFile(absent);
        for (std::size_t at; (at = bytes.find("V:\\")) != std::string::npos;)
            bytes[at] = 'Q';
        writeFile(absent, bytes);
        DeleteFileA(target.c_str());
    }
    void TearDown() override
    {
        removeTree(root);
        removeTree(work);
    }
};

TEST_F(CliTest, ListAndDeleteReportAndExitAsFleetToolsExpect)
{
    if (GetDriveTypeA("Q:\\") != DRIVE_NO_ROOT_DIR || GetDriveTypeA("V:\\") == DRIVE_NO_ROOT_DIR)
        GTEST_SKIP() << "drive Q: is in use, or the tests' drive V: is not mapped";
    Ran r = runCli("list " + inQuotes(root), work);
    EXPECT_EQ(r.code, 1u);
    EXPECT_EQ(sortedLines(r.out), (std::vector<std::string>{odd, absent, missing}));
    r = runCli("list --format csv " + inQuotes(root), work);
    EXPECT_NE(r.out.find("path,target,reason,modified\r\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"" + odd + "\"," + target + ",missing,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(",Q:\\vmcli\\app.exe,drive-absent,"), std::string::npos) << r.out;

    r = runCli("delete --format json --output " + inQuotes(work + "\\report.json") + " " + inQuotes(root), work);
    EXPECT_EQ(r.code, 0u);
    EXPECT_EQ(r.out, "");
    std::string json = readFile(work + "\\report.json");
    EXPECT_NE(json.find("\"reason\":\"drive-absent\",\"modified\":"), std::string::npos) << json;
    EXPECT_NE(json.find("\"action\":\"kept\""), std::string::npos) << json;
    EXPECT_FALSE(fileExists(missing));
    EXPECT_FALSE(fileExists(odd));
    EXPECT_TRUE(fileExists(absent));
    EXPECT_TRUE(fileExists(valid));
    EXPECT_EQ(runCli("list " + inQuotes(root), work).code, 0u) << "only an absent drive's shortcut is left";
    r = runCli("delete --include-absent " + inQuotes(root), work);
    EXPECT_EQ(r.code, 0u);
    EXPECT_EQ(r.out, absent + "\r\n");
    EXPECT_FALSE(fileExists(absent));
    EXPECT_TRUE(fileExists(valid));

    // Refused before anything is touched.
    writeFile(target, "t");
    makeShortcut(missing, target);
    DeleteFileA(target.c_str());
    for (const std::string& bad : {"delete --all " + inQuotes(root), "list --format xml " + inQuotes(root),
                                   std::string("list --output"), "list " + inQuotes(root + "\\nowhere"), "erase " + inQuotes(root),
                                   "list --output " + inQuotes(work) + " " + inQuotes(root), std::string("list")}) {
        r = runCli(bad, work);
        EXPECT_EQ(r.code, 2u) << bad;
        EXPECT_EQ(r.out, "") << bad;
    }
    EXPECT_TRUE(fileExists(missing));
}

// The current user's Start menu and desktop, and the others of the standard places.
TEST_F(CliTest, StandardPlaces)
{
    char programs[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, 0, programs), S_OK);
    std::string link = std::string(programs) + "\\vellmoor cli test " + std::to_string(GetCurrentProcessId()) + ".lnk";
    writeFile(target, "t");
    makeShortcut(link, target);
    DeleteFileA(target.c_str());
    Ran r = runCli("list --standard", work);
    DeleteFileA(link.c_str());
    EXPECT_EQ(r.code, 1u);
    EXPECT_NE(r.out.find(link + "\r\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find(root), std::string::npos);
}

}  // namespace
