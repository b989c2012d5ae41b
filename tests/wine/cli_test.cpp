// The real vellmoor-cli.exe on a real tree: its report, its exit code and the disk.
#include "tests/wine/harness.h"

#include <sddl.h>
#include <winioctl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

std::string builtCli() { return onDriveZ(VELLMOOR_CLI_EXE); }

struct Ran {
    DWORD code;
    std::string out, err;
};

// A run under way: its standard output and error go to files in `dir`, its current folder.
struct Started {
    PROCESS_INFORMATION pi;
    std::string outFile, errFile;
    bool ok;
};

Started startCli(const std::string& arguments, const std::string& dir, HANDLE stdOut = nullptr,
                 const std::string& program = builtCli())
{
    static unsigned runs;
    Started s = {{}, dir + "\\stdout" + std::to_string(runs) + ".txt", dir + "\\stderr" + std::to_string(runs) + ".txt", false};
    ++runs;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(s.outFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    HANDLE err = CreateFileA(s.errFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = stdOut != nullptr ? stdOut : out;
    si.hStdError = err;
    std::string line = "\"" + program + "\" " + arguments;
    s.ok = createProcessA(nullptr, &line[0], TRUE, dir.c_str(), si, s.pi) != 0;
    DWORD error = GetLastError();
    if (!s.ok)
        ADD_FAILURE() << "the run could not start: error " << error;
    CloseHandle(out);
    CloseHandle(err);
    return s;
}

Ran finishCli(Started& s)
{
    Ran r = {12345, "", ""};
    if (s.ok) {
        DWORD waited = WaitForSingleObject(s.pi.hProcess, 120000);
        if (waited == WAIT_OBJECT_0)
            GetExitCodeProcess(s.pi.hProcess, &r.code);
        else {
            ADD_FAILURE() << "the run did not end: wait " << waited << ", error " << GetLastError();
            TerminateProcess(s.pi.hProcess, 1);  // left running, it would hold the runner's output
        }
        CloseHandle(s.pi.hThread);
        CloseHandle(s.pi.hProcess);
    }
    r.out = readFile(s.outFile);
    r.err = readFile(s.errFile);
    return r;
}

// Runs the program (or another) with `arguments`, its standard output redirected to a file.
Ran runCli(const std::string& arguments, const std::string& dir, HANDLE stdOut = nullptr, const std::string& program = builtCli())
{
    Started s = startCli(arguments, dir, stdOut, program);
    return finishCli(s);
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
    std::string brokenBytes, validBytes;  // copied where many shortcuts are needed: saving each costs
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
        brokenBytes = readFile(missing);
        validBytes = readFile(valid);
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
    EXPECT_NE(r.out.find("path,target,reason,modified,owner,found,synced\r\n"), std::string::npos) << r.out;
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

// Wine's own mount manager request: a drive letter for a Unix folder, or with none, the
// letter gone. Every program sees the change at once, as when a stick is pulled.
bool wineDrive(wchar_t letter, const char* unixFolder)
{
    struct UnixDrive {
        ULONG size, type, fsType;
        DWORD serial;
        ULONGLONG unixDevice;
        WCHAR letter;
        USHORT mountPoint, device, label;
    };
    std::string record(sizeof(UnixDrive), '\0');
    UnixDrive d = {};
    d.type = unixFolder != nullptr ? DRIVE_REMOVABLE : 0;  // GetDriveType answers the type given (measured: 2, 3, 4)
    d.letter = letter;
    if (unixFolder != nullptr) {
        d.mountPoint = static_cast<USHORT>(record.size());
        record += std::string(unixFolder) + '\0';
    }
    d.size = static_cast<ULONG>(record.size());
    std::memcpy(&record[0], &d, sizeof d);
    HANDLE manager = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD got = 0;
    bool done = manager != INVALID_HANDLE_VALUE &&
                DeviceIoControl(manager, CTL_CODE(0x6d, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS), &record[0],
                                static_cast<DWORD>(record.size()), nullptr, 0, &got, nullptr);
    if (manager != INVALID_HANDLE_VALUE)
        CloseHandle(manager);
    return done;
}

unsigned shortcutsIn(const std::string& folder)
{
    WIN32_FIND_DATAA f;
    HANDLE find = FindFirstFileA((folder + "\\*.lnk").c_str(), &f);
    unsigned n = 0;
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &f) != 0)
        ++n;
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    return n;
}

// Shortcuts to a missing file on a drive that is there, the drive pulled once deleting has
// begun: every shortcut still on disk then is kept, and says why.
TEST_F(CliTest, ADriveThatLeavesWhileDeletingKeepsItsShortcuts)
{
    const unsigned count = 400;  // a second or two of deleting: the drive goes within milliseconds
    std::string unixFolder = "/tmp/vellmoor-leaving-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(onDriveZ(unixFolder).c_str(), nullptr);
    if (GetDriveTypeA("R:\\") != DRIVE_NO_ROOT_DIR || !wineDrive(L'R', unixFolder.c_str()))
        GTEST_SKIP() << "drive R: is in use, or Wine's mount manager did not take a new drive";
    makeShortcut(missing, "R:\\nothere\\x.exe");
    std::string bytes = readFile(missing), tree = work + "\\leaving";
    CreateDirectoryA(tree.c_str(), nullptr);
    for (unsigned i = 0; i < count; ++i)
        writeFile(tree + "\\" + std::to_string(i) + ".lnk", bytes);
    Started s = startCli("delete --format csv " + inQuotes(tree), work);
    unsigned left = count;
    for (int i = 0; i < 6000 && (left = shortcutsIn(tree)) == count; ++i)
        Sleep(10);
    bool pulled = wineDrive(L'R', nullptr);
    Ran r = finishCli(s);
    RemoveDirectoryA(onDriveZ(unixFolder).c_str());
    ASSERT_TRUE(pulled);
    ASSERT_LT(left, count) << "deleting never began";
    unsigned kept = 0, deleted = 0;
    for (std::size_t at = 0; (at = r.out.find(",kept,its target's drive or share is not there now", at)) != std::string::npos; ++at)
        ++kept;
    for (std::size_t at = 0; (at = r.out.find(",deleted,", at)) != std::string::npos; ++at)
        ++deleted;
    unsigned onDisk = shortcutsIn(tree);
    EXPECT_EQ(r.code, 1u) << r.err;
    EXPECT_GT(onDisk, 0u) << "every shortcut was deleted, after its drive had gone too";
    EXPECT_EQ(kept, onDisk);
    EXPECT_EQ(kept + deleted, count);
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

// Whether a report or a log holds `part`.
bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The report's line that starts with `start`, or nothing.
std::string lineOf(const std::string& report, const std::string& start)
{
    std::size_t at = report.find("\n" + start);
    return at == std::string::npos ? "" : report.substr(at + 1, report.find('\n', at + 1) - at - 1);
}

// Every profile's places, each entry with its owner (a made-up account's SID, as for a
// deleted account); a profile whose folder is gone is told and skipped; a shortcut whose
// target the shell read through this account's known folder is judged as its owner sees it.
// A path as JSON writes it, in reports and in the quarantine's manifest.
std::string escapedPath(const std::string& path)
{
    std::string out;
    for (char c : path)
        out += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return out;
}

// The file in quarantine `q` that the manifest's line for `name` keeps.
std::string storedIn(const std::string& q, const std::string& manifest, const std::string& name)
{
    std::size_t at = manifest.find("\"stored\":\"", manifest.find(name)) + 10;
    return q + "\\" + manifest.substr(at, manifest.find('"', at) - at);
}

TEST_F(CliTest, AllProfilesListEachEntryWithItsOwner)
{
    std::string ann = makeTempDir("clann"), gone = makeTempDir("clgone");
    std::string menu = ann + "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu";
    for (const std::string& sub : {ann + "\\Desktop", ann + "\\AppData", ann + "\\AppData\\Roaming",
                                   ann + "\\AppData\\Roaming\\Microsoft", ann + "\\AppData\\Roaming\\Microsoft\\Windows", menu})
        CreateDirectoryA(sub.c_str(), nullptr);
    writeFile(ann + "\\Desktop\\a.lnk", brokenBytes);
    writeFile(menu + "\\b.lnk", brokenBytes);
    char reader[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_PROFILE, nullptr, 0, reader), S_OK);
    std::string mine = std::string(reader) + "\\vm-cli-report-" + std::to_string(GetCurrentProcessId()) + ".txt";
    std::string others = mine + ".other";
    writeFile(mine, "r");
    writeFile(others, "r");
    makeShortcut(ann + "\\Desktop\\report.lnk", others);
    makeShortcut(ann + "\\Desktop\\budget.lnk", mine);  // its owner has it
    DeleteFileA(mine.c_str());
    DeleteFileA(others.c_str());
    writeFile(ann + mine.substr(std::strlen(reader)), "b");
    addKnownFolderBlock(ann + "\\Desktop\\report.lnk");
    addKnownFolderBlock(ann + "\\Desktop\\budget.lnk");
    std::string sid = registerProfile(ann), goneSid = registerProfile(gone, 1);
    removeTree(gone);
    // A link out of the profile is no way out of it.
    std::string outside = makeTempDir("clout");
    writeFile(outside + "\\x.lnk", brokenBytes);
    ASSERT_TRUE(unixLink(ann + "\\Desktop\\escape", outside));

    Ran r = runCli("list --all-profiles --format csv", work);
    Ran all = runCli("list --all-profiles --all --format json", work);
    EXPECT_FALSE(has(r.out, "x.lnk") || has(all.out, "x.lnk")) << r.out;

    // The same shortcuts where every account reads them (no profile holds the folder): each
    // account's place is asked. Its owner has the one, and the other may be in a known folder
    // only its owner's session knows.
    std::string everyone = "C:\\vm-everyone-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(everyone.c_str(), nullptr);
    for (const char* name : {"budget.lnk", "report.lnk"})
        writeFile(everyone + "\\" + name, readFile(ann + "\\Desktop\\" + name));
    Ran shared = runCli("list --all --format csv " + inQuotes(everyone), work);
    removeTree(everyone);
    EXPECT_TRUE(has(lineOf(shared.out, everyone + "\\budget.lnk,"), ",present,")) << shared.out;
    EXPECT_TRUE(has(lineOf(shared.out, everyone + "\\report.lnk,"), ",user-dependent,")) << shared.out;

    // Nor is the owner's registry: a Desktop redirected outside the profile is named, not walked.
    HKEY folders;
    std::string shellFolders = sid + "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    ASSERT_EQ(RegCreateKeyExA(HKEY_USERS, shellFolders.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &folders, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(folders, "Desktop", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(outside.c_str()),
                   static_cast<DWORD>(outside.size() + 1));
    RegCloseKey(folders);
    Ran redirected = runCli("list --all-profiles --format csv", work);
    RegDeleteTreeA(HKEY_USERS, sid.c_str());
    EXPECT_FALSE(has(redirected.out, "x.lnk")) << redirected.out;
    EXPECT_TRUE(has(redirected.err, "a place of the profile of " + sid + " skipped: " + outside + " lies outside it"))
        << redirected.err;
    EXPECT_TRUE(has(lineOf(redirected.out, ann + "\\Desktop\\a.lnk,"), ",missing,")) << redirected.out;
    EXPECT_TRUE(unixRemove(ann + "\\Desktop\\escape"));
    removeTree(outside);
    unregisterProfile(sid);
    unregisterProfile(goneSid);
    EXPECT_EQ(r.code, 1u) << r.err;
    EXPECT_TRUE(has(r.err, "profile of " + goneSid + " skipped: its folder " + gone + " is not there")) << r.err;
    EXPECT_TRUE(has(r.out, "path,target,reason,modified,owner,found,synced\r\n")) << r.out;
    EXPECT_TRUE(has(lineOf(r.out, ann + "\\Desktop\\a.lnk,"), ",missing,")) << r.out;
    EXPECT_TRUE(has(lineOf(r.out, ann + "\\Desktop\\a.lnk,"), "," + sid + ",")) << r.out;
    EXPECT_TRUE(has(lineOf(r.out, menu + "\\b.lnk,"), "," + sid + ",")) << r.out;
    EXPECT_FALSE(has(r.out, "report.lnk") || has(r.out, "budget.lnk")) << r.out;
    EXPECT_TRUE(has(all.out, escapedPath(ann + "\\Desktop\\report.lnk") + "\",\"target\":")) << all.out;
    EXPECT_TRUE(has(all.out, "\"reason\":\"user-dependent\",\"modified\"")) << all.out;
    std::size_t budget = all.out.find("budget.lnk\"");
    EXPECT_TRUE(budget != std::string::npos && all.out.compare(all.out.find("\"reason\":", budget), 18, "\"reason\":\"present\"") == 0)
        << all.out;
    EXPECT_TRUE(has(all.out, "\"owner\":\"" + sid + "\"")) << all.out;
    removeTree(ann);
}

// Shortcuts that still work though their stored path is gone, each where Windows also looks:
// by the path relative to the shortcut, on its removable volume now at another letter, and
// through the share its mapped drive stood for. Each is `moved`, with where, and never
// deleted; a removable volume that is away is `drive-absent`.
TEST_F(CliTest, AShortcutThatStillWorksIsNeverCalledMissing)
{
    if (GetDriveTypeA("Q:\\") != DRIVE_NO_ROOT_DIR || GetDriveTypeA("E:\\") != DRIVE_NO_ROOT_DIR ||
        GetFileAttributesA("\\\\vmshare\\v\\") == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "drive Q: or E: is in use, or the tests' share \\\\vmshare\\v is not there";
    std::string tree = work + "\\works", stick = "/tmp/vellmoor-stick-" + std::to_string(GetCurrentProcessId());
    for (const std::string& d : {tree, tree + "\\App", onDriveZ(stick), onDriveZ(stick) + "\\Tool", std::string("V:\\vmmapped")})
        CreateDirectoryA(d.c_str(), nullptr);
    for (const std::string& f : {tree + "\\App\\app.exe", onDriveZ(stick) + "\\Tool\\tool.exe", std::string("V:\\vmmapped\\app.exe")})
        writeFile(f, "x");
    writeFile(onDriveZ(stick) + "\\.windows-serial", "beef\n");  // Wine's volume serial for a Unix folder
    bool stickIn = wineDrive(L'S', stick.c_str());
    Link relative{"C:\\vmold\\App\\app.exe"}, away{"C:\\vmstick\\Tool\\tool.exe"}, moved{"E:\\Tool\\tool.exe"},
        mapped{"Q:\\vmmapped\\app.exe"};  // Wine's shell gives the local path without the part below the share
    relative.relative = "App\\app.exe";
    away.volumeType = moved.volumeType = DRIVE_REMOVABLE;
    away.serial = 0xC0DE, moved.serial = 0xBEEF;
    mapped.volumeType = DRIVE_REMOTE, mapped.net = "\\\\vmshare\\v", mapped.suffix = "vmmapped\\app.exe";
    const struct {
        const char* name;
        const Link& link;
        std::string reason, found;
    } rows[] = {
        {"relative.lnk", relative, "moved", tree + "\\App\\app.exe"},
        {"away.lnk", away, "drive-absent", ""},
        {"stick.lnk", moved, stickIn ? "moved" : "drive-absent", stickIn ? "S:\\Tool\\tool.exe" : ""},
        {"mapped.lnk", mapped, "moved", "\\\\vmshare\\v\\vmmapped\\app.exe"},
    };
    for (const auto& row : rows)
        writeLink(tree + "\\" + row.name, row.link);
    Ran r = runCli("list --all --remote --format csv " + inQuotes(tree), work);
    for (const auto& row : rows) {
        std::string line = lineOf(r.out, tree + "\\" + row.name + ",");
        EXPECT_TRUE(has(line, "," + row.link.local + "," + row.reason + ",") && has(line, "," + row.found + ",\r")) << line;
    }
    // Without Remote the share is not asked: the mapped drive is only away.
    EXPECT_TRUE(has(runCli("list --format csv " + inQuotes(tree), work).out, ",Q:\\vmmapped\\app.exe,drive-absent,"));
    r = runCli("delete --remote --include-absent --format csv " + inQuotes(tree), work);
    for (const auto& row : rows)
        EXPECT_EQ(fileExists(tree + "\\" + row.name), row.reason == "moved") << row.name << "\n" << r.out;

    // In a folder that syncs to other PCs a missing shortcut is marked, and deleted only when asked.
    writeFile(tree + "\\gone.lnk", brokenBytes);
    setSyncedFolder(tree);
    r = runCli("delete --format csv " + inQuotes(tree), work);
    bool keptThere = fileExists(tree + "\\gone.lnk");
    Ran asked = runCli("delete --include-synced " + inQuotes(tree), work);
    setSyncedFolder("");
    EXPECT_TRUE(keptThere && has(lineOf(r.out, tree + "\\gone.lnk,"), ",missing,") &&
                has(r.out, ",kept,in a folder that syncs to other PCs (deleted there too): only with --include-synced,root,,yes\r"))
        << r.out;
    EXPECT_EQ(asked.out, tree + "\\gone.lnk\r\n");
    EXPECT_FALSE(fileExists(tree + "\\gone.lnk"));
    if (stickIn)
        wineDrive(L'S', nullptr);
    removeTree(onDriveZ(stick));
    removeTree("V:\\vmmapped");
    EXPECT_TRUE(stickIn) << "Wine's mount manager did not take a removable drive";
}

// An installer's (advertised) shortcut, its stored path the product's icon that is not there:
// present while its product is installed, repairable once its file is gone (the installer puts
// it back on first use), and missing, with its product code, once the product is uninstalled.
TEST_F(CliTest, AnInstallersShortcutIsJudgedByTheInstaller)
{
    const std::string msi = TEST_MSI, product = "{6B1E5D0A-3C2F-4E8B-9A71-0D4C2B8E5F13}";
    if (msi.empty())
        GTEST_SKIP() << "no installer package: wixl was not at hand when the tests were built";
    ASSERT_EQ(runCli("/i " + inQuotes(onDriveZ(msi)) + " /qn", work, nullptr, "msiexec.exe").code, 0u);
    std::string tree = work + "\\installed", link = tree + "\\app.lnk";
    CreateDirectoryA(tree.c_str(), nullptr);
    Link advertised{"C:\\Windows\\Installer\\" + product + "\\icon.exe"};
    advertised.darwin = darwinDescriptor(product, "Main", "{6B1E5D0A-3C2F-4E8B-9A71-0D4C2B8E5F15}");
    writeLink(link, advertised);
    auto judged = [&] {
        std::string line = lineOf(runCli("list --all --format csv " + inQuotes(tree), work).out, link + ",");
        std::size_t target = line.find(',') + 1, reason = line.find(',', target) + 1;
        return line.substr(target, line.find(',', reason) - target);  // "target,reason"
    };
    std::string installed = judged(), app = installed.substr(0, installed.find(','));
    bool removed = app.size() > 4 && DeleteFileA(app.c_str());
    std::string repairable = judged();
    DWORD uninstalled = runCli("/x " + product + " /qn", work, nullptr, "msiexec.exe").code;
    std::string gone = judged();
    Ran r = runCli("delete " + inQuotes(tree), work);
    EXPECT_TRUE(has(installed, "VmAdvertised\\app.exe,present")) << installed;
    EXPECT_TRUE(removed) << app;
    EXPECT_EQ(repairable, product + ",repairable");
    EXPECT_EQ(uninstalled, 0u);
    EXPECT_EQ(gone, product + ",missing");
    EXPECT_EQ(r.out, link + "\r\n");
    EXPECT_FALSE(fileExists(link));
}

// What an administrator's scripts met, one row each: a prepared tree and arguments, then the
// exit code, the gist of standard error, and the report and the disk afterwards.
// A folder's access list as SDDL: "D:(A;OICI;FA;;;WD)" opens it to everyone.
bool setAccess(const std::string& path, const char* sddl)
{
    PSECURITY_DESCRIPTOR sd;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr))
        return false;
    bool set = SetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, sd) != 0;
    LocalFree(sd);
    return set;
}

TEST_F(CliTest, EveryWordOfTheReportHolds)
{
    std::string outside = makeTempDir("clioutside");
    writeFile(outside + "\\elsewhere.lnk", brokenBytes);
    HANDLE held = INVALID_HANDLE_VALUE;
    struct Row {
        const char* name;
        std::function<std::string(const std::string& t)> prepare;  // makes the tree in t, gives the arguments
        DWORD code;
        const char* errHas;                                         // the gist of standard error; "" for none
        std::function<void(const std::string& t, const Ran& r)> check;
        std::function<void(const std::string& t)> during;           // while the program runs
        HANDLE stdOut;
    } rows[] = {
        {"a list never writes its report over a shortcut",
         [&](const std::string& t) {
             writeFile(t + "\\good.lnk", validBytes);
             writeFile(t + "\\a.lnk", brokenBytes);
             return "list --output " + inQuotes(t + "\\good.lnk.") + " " + inQuotes(t);
         },
         2, "named like a shortcut",
         [&](const std::string& t, const Ran&) {
             EXPECT_EQ(readFile(t + "\\good.lnk"), validBytes);
             // Elsewhere the report goes whole to a new file, moved over the old one at the end.
             writeFile(t + "\\report.csv", "old");
             Ran r = runCli("list --format=csv --output=" + inQuotes(t + "\\report.csv") + " " + inQuotes(t), work);
             EXPECT_EQ(r.code, 1u);
             EXPECT_EQ(r.out, "");
             EXPECT_TRUE(has(readFile(t + "\\report.csv"), t + "\\a.lnk,")) << readFile(t + "\\report.csv");
             WIN32_FIND_DATAA fd;
             HANDLE find = FindFirstFileA((t + "\\*.tmp").c_str(), &fd);
             EXPECT_EQ(find, INVALID_HANDLE_VALUE) << "a new file left behind";
             if (find != INVALID_HANDLE_VALUE)
                 FindClose(find);
         }},
        {"a value is never the next option",
         [&](const std::string& t) {
             writeFile(t + "\\a.lnk", brokenBytes);
             return "delete --output --recycle " + inQuotes(t);
         },
         2, "--output needs a file name",
         [&](const std::string& t, const Ran&) {
             EXPECT_TRUE(fileExists(t + "\\a.lnk"));
             EXPECT_FALSE(fileExists(work + "\\--recycle"));
         }},
        {"an option given twice, and no command: the hint once",
         [&](const std::string& t) { return "list --all --all " + inQuotes(t); }, 2, "an option is given twice",
         [&](const std::string&, const Ran&) {
             Ran none = runCli("", work);
             EXPECT_EQ(none.code, 2u);
             EXPECT_EQ(none.err, "vellmoor-cli: no command: list, delete or restore (see vellmoor-cli --help)\r\n");
         }},
        {"a file whose folder was renamed during the run is moved, not deleted",
         [&](const std::string& t) {
             CreateDirectoryA((t + "\\A").c_str(), nullptr);
             CreateDirectoryA((t + "\\B").c_str(), nullptr);
             for (int i = 0; i < 300; ++i)
                 writeFile(t + "\\A\\" + std::to_string(i) + ".lnk", brokenBytes);
             writeFile(t + "\\B\\x.lnk", brokenBytes);
             return "delete --format csv " + inQuotes(t + "\\A") + " " + inQuotes(t + "\\B");
         },
         0, "",
         [&](const std::string& t, const Ran& r) {
             EXPECT_TRUE(has(lineOf(r.out, t + "\\B\\x.lnk,"), ",missing,")) << r.out;
             EXPECT_TRUE(has(lineOf(r.out, t + "\\B\\x.lnk,"), ",moved,")) << r.out;
             EXPECT_TRUE(fileExists(t + "\\C\\x.lnk"));
         },
         // Once the deletions have begun (A's folder changes), B is renamed: its entry comes last.
         [&](const std::string& t) {
             WIN32_FILE_ATTRIBUTE_DATA before, now;
             GetFileAttributesExA((t + "\\A").c_str(), GetFileExInfoStandard, &before);
             for (int i = 0; i < 20000; ++i) {
                 GetFileAttributesExA((t + "\\A").c_str(), GetFileExInfoStandard, &now);
                 if (CompareFileTime(&now.ftLastWriteTime, &before.ftLastWriteTime) != 0)
                     break;
                 Sleep(1);
             }
             EXPECT_TRUE(MoveFileA((t + "\\B").c_str(), (t + "\\C").c_str()));
         }},
        // 400 are enough to overlap: one run or the other finds the rest gone, even on a loaded machine.
        {"two runs at once: every file gone, both say so",
         [&](const std::string& t) {
             for (int i = 0; i < 400; ++i)
                 writeFile(t + "\\" + std::to_string(i) + ".lnk", brokenBytes);
             return "delete --format json " + inQuotes(t);
         },
         0, "",
         [&](const std::string& t, const Ran& r) {
             EXPECT_FALSE(has(r.out, "\"kept\"") || has(r.out, "\"failed\"")) << r.out.substr(0, 2000);
             EXPECT_EQ(runCli("list " + inQuotes(t), work).code, 0u);
         },
         [&](const std::string& t) {
             Ran second = runCli("delete --format json " + inQuotes(t), work);
             EXPECT_EQ(second.code, 0u) << second.err;
             EXPECT_FALSE(has(second.out, "\"kept\"") || has(second.out, "\"failed\"")) << second.out.substr(0, 2000);
         }},
        {"a link at a shortcut's name: list and delete agree",
         [&](const std::string& t) {
             unixLink(t + "\\sym.lnk", outside + "\\elsewhere.lnk");
             return "list " + inQuotes(t);
         },
         0, "",
         [&](const std::string& t, const Ran& r) {
             EXPECT_EQ(r.out, "");
             Ran all = runCli("list --all --format csv " + inQuotes(t), work);
             EXPECT_TRUE(has(all.out, t + "\\sym.lnk,")) << all.out;
             EXPECT_TRUE(has(all.out, ",link,")) << all.out;
             EXPECT_EQ(runCli("delete " + inQuotes(t), work).code, 0u);
             EXPECT_TRUE(fileExists(outside + "\\elsewhere.lnk"));
         }},
        {"a shortcut held without sharing, and a junk file named .lnk: told, never silent",
         [&](const std::string& t) {
             writeFile(t + "\\a.lnk", brokenBytes);
             writeFile(t + "\\.lnk", "junk");
             held = CreateFileA((t + "\\a.lnk").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
             return "delete " + inQuotes(t);
         },
         0, "2 shortcut(s) could not be read",
         [&](const std::string& t, const Ran&) {
             EXPECT_TRUE(fileExists(t + "\\a.lnk"));
             Ran all = runCli("list --all --format csv " + inQuotes(t), work);
             CloseHandle(held);
             EXPECT_TRUE(has(all.out, t + "\\a.lnk,,unreadable,")) << all.out;
             EXPECT_TRUE(has(all.out, t + "\\.lnk,,unreadable,")) << all.out;
         }},
        {"a folder text the window refuses is refused",
         [&](const std::string& t) {
             CreateDirectoryA((t + "\\Links").c_str(), nullptr);
             CreateDirectoryW((L"\\\\?\\" + std::wstring(t.begin(), t.end()) + L"\\Links ").c_str(), nullptr);
             writeFile(t + "\\Links\\a.lnk", brokenBytes);
             return "delete " + inQuotes(t + "\\Links ");
         },
         2, "two folders answer to",
         [&](const std::string& t, const Ran&) { EXPECT_TRUE(fileExists(t + "\\Links\\a.lnk")); }},
        {"report paths are the files' paths, each once",
         [&](const std::string& t) {
             CreateDirectoryA((t + "\\sub").c_str(), nullptr);
             writeFile(t + "\\a.lnk", brokenBytes);
             writeFile(t + "\\sub\\b.lnk", brokenBytes);
             std::string slashed = t;
             for (char& c : slashed)
                 c = c == '\\' ? '/' : c;
             return "list " + inQuotes(t + "\\sub") + " " + t + "\\ " + inQuotes(t + "\\sub\\..") + " " +
                    inQuotes(slashed) + " " + inQuotes("\\\\?\\" + t);
         },
         1, "",
         [&](const std::string& t, const Ran& r) {
             EXPECT_EQ(sortedLines(r.out), (std::vector<std::string>{t + "\\a.lnk", t + "\\sub\\b.lnk"}));
         }},
        {"a report held by another program after deleting: the whole report stays beside it, named",
         [&](const std::string& t) {
             CreateDirectoryA((t + "\\tree").c_str(), nullptr);
             for (const char* n : {"a", "b", "c"})
                 writeFile(t + "\\tree\\" + n + ".lnk", brokenBytes);
             writeFile(t + "\\report.csv", "old");
             // Open to reading and writing, but not to being replaced.
             held = CreateFileA((t + "\\report.csv").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
             return "delete --format csv --output " + inQuotes(t + "\\report.csv") + " " + inQuotes(t + "\\tree");
         },
         4, "after files were deleted; the whole report is in ",
         [&](const std::string& t, const Ran& r) {
             CloseHandle(held);
             EXPECT_EQ(readFile(t + "\\report.csv"), "old");
             std::string named = "the whole report is in ";
             std::size_t at = r.err.find(named) + named.size();
             std::string kept = readFile(r.err.substr(at, r.err.find_first_of("\r\n", at) - at));
             for (const char* n : {"a", "b", "c"})
                 EXPECT_TRUE(has(lineOf(kept, t + "\\tree\\" + n + ".lnk,"), ",deleted,")) << kept;
         }},
        {"run elevated, a report folder others may write to, or one that is a link, is refused untouched",
         [&](const std::string& t) {
             writeFile(t + "\\a.lnk", brokenBytes);
             CreateDirectoryA((t + "\\open").c_str(), nullptr);
             setAccess(t + "\\open", "D:(A;OICI;FA;;;SY)(A;OICI;FA;;;WD)");
             return "delete --output " + inQuotes(t + "\\open\\r.csv") + " " + inQuotes(t);
         },
         2, "other accounts may write to its folder",
         [&](const std::string& t, const Ran&) {
             EXPECT_FALSE(fileExists(t + "\\open\\r.csv"));
             ASSERT_TRUE(unixLink(t + "\\linked", outside));
             Ran r = runCli("delete --output " + inQuotes(t + "\\linked\\r.csv") + " " + inQuotes(t + "\\a.lnk\\.."), work);
             EXPECT_EQ(r.code, 2u);
             EXPECT_TRUE(has(r.err, "its folder is a link or a junction")) << r.err;
             EXPECT_TRUE(unixRemove(t + "\\linked"));
             EXPECT_FALSE(fileExists(outside + "\\r.csv"));
             EXPECT_TRUE(fileExists(t + "\\a.lnk"));
         }},
        {"a shortcut path of exactly 350 characters is judged as any other; one of 351 is never opened",
         [&](const std::string& t) {
             std::wstring folder = L"\\\\?\\" + std::wstring(t.begin(), t.end()) + L"\\" + std::wstring(150, L'a');
             CreateDirectoryW(folder.c_str(), nullptr);
             folder += L"\\" + std::wstring(343 - (folder.size() - 4) - 1, L'b');  // a folder path of 343
             CreateDirectoryW(folder.c_str(), nullptr);
             for (const wchar_t* name : {L"\\k2.lnk", L"\\k23.lnk"}) {  // 350 and 351
                 HANDLE h = CreateFileW((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
                 DWORD written;
                 WriteFile(h, brokenBytes.data(), static_cast<DWORD>(brokenBytes.size()), &written, nullptr);
                 CloseHandle(h);
             }
             return "list --all --format csv " + inQuotes(t);
         },
         1, "",
         [&](const std::string& t, const Ran& r) {
             std::string k2 = t + "\\" + std::string(150, 'a') + "\\" + std::string(343 - t.size() - 152, 'b') + "\\k2.lnk";
             ASSERT_EQ(k2.size(), 350u);
             EXPECT_TRUE(has(lineOf(r.out, k2 + ","), ",missing,")) << r.out;
             EXPECT_FALSE(has(r.out, "k23.lnk")) << r.out;
             removeTree("\\\\?\\" + t);
         }},
        {"a report that cannot be written after deleting has an exit code of its own",
         [&](const std::string& t) {
             writeFile(t + "\\a.lnk", brokenBytes);
             return "delete " + inQuotes(t);
         },
         4, "after files were deleted",
         [&](const std::string& t, const Ran&) { EXPECT_FALSE(fileExists(t + "\\a.lnk")); }, nullptr,
         CreateFileA("Z:\\dev\\full", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr)},
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string t = makeTempDir("clirow");
        std::string arguments = row.prepare(t);
        if (row.stdOut != nullptr)
            SetHandleInformation(row.stdOut, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
        Started s = startCli(arguments, work, row.stdOut);
        if (row.during)
            row.during(t);
        Ran r = finishCli(s);
        if (row.stdOut != nullptr)
            CloseHandle(row.stdOut);
        EXPECT_EQ(r.code, row.code) << r.err;
        if (*row.errHas == '\0')
            EXPECT_EQ(r.err, "");
        else
            EXPECT_TRUE(has(r.err, row.errHas)) << r.err;
        row.check(t, r);
        removeTree(t);
    }
    removeTree(outside);
}

std::vector<std::string> filesIn(const std::string& dir, const char* pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((dir + "\\" + pattern).c_str(), &fd);
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &fd) != 0)
        names.push_back(fd.cFileName);
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    return names;
}

// Delete into a quarantine, then restore, again and again: names outside ASCII, a name
// taken meanwhile, a folder removed meanwhile, a file swapped inside the quarantine.
TEST_F(CliTest, QuarantineTakesWhatDeleteWouldAndPutsItBack)
{
    std::string t = makeTempDir("cliq"), q = work + "\\quarantine";
    std::string odd = t + "\\\xC3\x9C" "bung \xE4\xB8\xAD", oddLink = odd + "\\\xC3\xA4 \xE2\x82\xAC.lnk";
    CreateDirectoryA(odd.c_str(), nullptr);
    CreateDirectoryA((t + "\\sub").c_str(), nullptr);
    std::string b = t + "\\b.lnk", c = t + "\\sub\\c.lnk", d = t + "\\d.lnk", e = t + "\\e.lnk";
    for (const std::string& f : {oddLink, b, c, d, e})
        writeFile(f, brokenBytes);
    writeFile(t + "\\valid.lnk", validBytes);
    ASSERT_TRUE(setAccess(d, "D:P(A;;FA;;;SY)(A;;FA;;;WD)"));  // its own list, open to everyone

    Ran r = runCli("delete --quarantine " + inQuotes(q) + " --format csv " + inQuotes(t), work);
    EXPECT_EQ(r.code, 0u) << r.err;
    for (const std::string& f : {oddLink, b, c, d, e}) {
        EXPECT_TRUE(has(lineOf(r.out, f + ","), ",missing,")) << r.out;
        EXPECT_TRUE(has(lineOf(r.out, f + ","), ",quarantined,")) << r.out;
        EXPECT_FALSE(fileExists(f)) << f;
    }
    EXPECT_TRUE(fileExists(t + "\\valid.lnk"));
    EXPECT_EQ(filesIn(q, "*.vmq").size(), 5u);
    // Made for the system and the administrators only, nothing inherited from the folder
    // it is in (Wine stores the administrators as the account itself).
    auto accessOf = [](const std::string& path) {
        std::vector<char> got(4096);
        DWORD need;
        LPSTR text = nullptr;
        std::string sddl;
        if (GetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, got.data(), 4096, &need) &&
            ConvertSecurityDescriptorToStringSecurityDescriptorA(got.data(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text,
                                                                 nullptr))
            sddl = text;
        LocalFree(text);
        return sddl;
    };
    std::string sddl = accessOf(q);
    EXPECT_TRUE(has(sddl, "(A;OICI;FA;;;SY)") && !has(sddl, ";WD)") && !has(sddl, ";BU)") && !has(sddl, ";AU)") &&
                std::count(sddl.begin(), sddl.end(), '(') == 2) << sddl;
    std::string manifest = readFile(q + "\\manifest.jsonl");
    // Away, a file is closed to all but the system and the administrators, its owner too
    // (Wine keeps no protected flag, and shows the administrators as the account itself).
    sddl = accessOf(storedIn(q, manifest, "d.lnk"));
    EXPECT_TRUE(has(sddl, ";SY)") && !has(sddl, ";WD)")) << sddl;
    EXPECT_EQ(std::count(manifest.begin(), manifest.end(), '\n'), 1 + 5 + 5) << "the run's head, a line and a note each";
    EXPECT_EQ(runCli("list " + inQuotes(work), work).out, "") << "what a quarantine keeps is no shortcut to list";

    // Meanwhile: b's name taken, c's folder gone, e's stored file swapped for another.
    writeFile(b, "another");
    removeTree(t + "\\sub");
    std::string eStored = storedIn(q, manifest, "e.lnk");
    ASSERT_TRUE(DeleteFileA(eStored.c_str()));
    writeFile(eStored, brokenBytes);
    r = runCli("restore --format csv " + inQuotes(q), work);
    EXPECT_EQ(r.code, 1u) << r.err;
    EXPECT_TRUE(has(lineOf(r.out, b + ","), ",kept,occupied")) << r.out;
    EXPECT_TRUE(has(lineOf(r.out, e + ","), ",kept,not the file that was quarantined")) << r.out;
    for (const std::string& f : {oddLink, c, d}) {
        EXPECT_TRUE(has(lineOf(r.out, f + ","), ",restored,")) << r.out;
        EXPECT_EQ(readFile(f), brokenBytes) << f;
    }
    EXPECT_TRUE(has(accessOf(d), ";WD)")) << "back with its own list: " << accessOf(d);
    EXPECT_EQ(readFile(b), "another");
    EXPECT_FALSE(fileExists(e));

    // Again: only what is still away is told of; once the name is free, it goes back.
    r = runCli("restore --format csv " + inQuotes(q), work);
    EXPECT_EQ(r.code, 1u);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3) << r.out;
    // A file taken out of the quarantine after its move is lost, and says so every time.
    ASSERT_TRUE(DeleteFileA(b.c_str()));
    ASSERT_TRUE(DeleteFileA(eStored.c_str()));
    r = runCli("restore " + inQuotes(q), work);
    EXPECT_EQ(r.code, 1u) << r.err;
    EXPECT_EQ(r.out, b + "\r\n");
    EXPECT_TRUE(has(r.err, "lost: " + e + " (moved into the quarantine and no longer there)")) << r.err;
    EXPECT_EQ(readFile(b), brokenBytes);
    r = runCli("restore --format csv " + inQuotes(q), work);
    EXPECT_EQ(r.code, 1u);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2) << r.out;

    // Folders that are no quarantine, or one that others may write to, are refused untouched.
    std::string open = makeTempDir("cliqopen");
    ASSERT_TRUE(setAccess(open, "D:(A;OICI;FA;;;WD)"));
    writeFile(t + "\\f.lnk", brokenBytes);
    for (const std::string& bad : {"delete --quarantine " + inQuotes(open) + " " + inQuotes(t), "restore " + inQuotes(open),
                                   "restore " + inQuotes(t), "restore " + inQuotes(t + "\\nowhere"),
                                   "delete --quarantine " + inQuotes(t) + " " + inQuotes(t),
                                   "delete --quarantine " + inQuotes(q) + " --recycle " + inQuotes(t)}) {
        r = runCli(bad, work);
        EXPECT_EQ(r.code, 2u) << bad;
        EXPECT_EQ(r.out, "") << bad;
    }
    EXPECT_TRUE(fileExists(t + "\\f.lnk"));
    EXPECT_TRUE(filesIn(open, "*").size() == 2) << "nothing written into a folder others may write";

    // A file on another drive stays; on the way back, no folder is made where others may
    // write, and no link along the path is followed.
    std::string q2 = work + "\\q2", g = t + "\\links\\g.lnk", h = open + "\\sub\\h.lnk", i = "V:\\vmq\\i.lnk";
    CreateDirectoryA((t + "\\links").c_str(), nullptr);
    CreateDirectoryA((open + "\\sub").c_str(), nullptr);
    CreateDirectoryA("V:\\vmq", nullptr);
    for (const std::string& f : {g, h, i})
        writeFile(f, brokenBytes);
    r = runCli("delete --quarantine " + inQuotes(q2) + " --format csv " + inQuotes(t + "\\links") + " " +
                   inQuotes(open + "\\sub") + " V:\\vmq",
               work);
    EXPECT_EQ(r.code, 1u) << r.err;
    EXPECT_TRUE(has(lineOf(r.out, i + ","), ",kept,quarantine on another drive")) << r.out;
    EXPECT_TRUE(fileExists(i));
    removeTree("V:\\vmq");
    removeTree(t + "\\links");
    removeTree(open + "\\sub");
    std::string elsewhere = makeTempDir("cliqelsewhere");
    ASSERT_TRUE(unixLink(t + "\\links", elsewhere));
    r = runCli("restore --format csv " + inQuotes(q2), work);
    EXPECT_EQ(r.code, 1u) << r.err;
    EXPECT_TRUE(has(lineOf(r.out, g + ","), ",kept,a link or junction along its path")) << r.out;
    EXPECT_TRUE(has(lineOf(r.out, h + ","), ",kept,\"its folder is gone, and other accounts may write")) << r.out;
    EXPECT_TRUE(filesIn(elsewhere, "*.lnk").empty());
    EXPECT_FALSE(fileExists(open + "\\sub"));
    EXPECT_TRUE(unixRemove(t + "\\links"));
    removeTree(elsewhere);
    removeTree(open);
    removeTree(t);
}

// Restore trusts nothing it holds: lines edited to send a file where no run searched, or to
// a name no search lists, a file removed from the quarantine, a manifest others may write, a
// report aimed at the manifest, a DIR that is a link, two runs into one DIR.
TEST_F(CliTest, QuarantineTrustsNothingItHolds)
{
    std::string t = makeTempDir("cliqh"), q = work + "\\qh", m = q + "\\manifest.jsonl";
    const char* names[] = {"system", "dll", "device", "bytes", "removed", "kept"};
    for (const char* n : names)
        writeFile(t + "\\" + n + ".lnk", brokenBytes);
    Ran r = runCli("delete --quarantine " + inQuotes(q) + " " + inQuotes(t), work);
    ASSERT_EQ(r.code, 0u) << r.err;
    std::string manifest = readFile(m), system32 = "C:\\windows\\system32\\Startup-e.lnk";
    EXPECT_TRUE(has(manifest, "{\"searched\":[\"" + escapedPath(t) + "\"]}\n")) << manifest;
    auto edit = [&](const char* name, const std::string& to) {
        std::string from = escapedPath(t + "\\" + name + ".lnk");
        ASSERT_TRUE(has(manifest, from)) << name;
        manifest.replace(manifest.find(from), from.size(), to);
    };
    edit("system", escapedPath(system32));
    edit("dll", escapedPath(t + "\\evil.dll"));
    edit("device", escapedPath(t + "\\CON.lnk"));
    edit("bytes", escapedPath(t + "\\b\xFF\xFE.lnk"));
    writeFile(m, manifest);
    ASSERT_TRUE(DeleteFileA(storedIn(q, manifest, "removed.lnk").c_str()));

    r = runCli("restore --format csv " + inQuotes(q), work);
    EXPECT_EQ(r.code, 1u) << r.err;
    EXPECT_TRUE(has(r.err, "1 line(s) of the manifest could not be read")) << r.err;
    for (const std::string& f : {system32, t + "\\evil.dll", t + "\\CON.lnk"})
        EXPECT_TRUE(has(lineOf(r.out, f + ","), ",kept,not a shortcut's name below a folder the run searched")) << r.out;
    EXPECT_TRUE(has(lineOf(r.out, t + "\\removed.lnk,"), ",lost,moved into the quarantine and no longer there")) << r.out;
    EXPECT_TRUE(has(r.out, ",kept,not in the manifest")) << "the file of the line that cannot be read: " << r.out;
    EXPECT_TRUE(has(lineOf(r.out, t + "\\kept.lnk,"), ",restored,")) << r.out;
    EXPECT_FALSE(fileExists(system32));
    EXPECT_FALSE(fileExists(t + "\\evil.dll"));
    EXPECT_EQ(filesIn(t, "*.lnk"), std::vector<std::string>{"kept.lnk"});
    EXPECT_EQ(filesIn(q, "*.vmq").size(), 4u);

    // The report never replaces the manifest, and a manifest others may write is not trusted.
    manifest = readFile(m);
    writeFile(t + "\\more.lnk", brokenBytes);
    for (const char* output : {"\\manifest.jsonl", "\\report.csv"}) {
        r = runCli("delete --quarantine " + inQuotes(q) + " --output " + inQuotes(q + output) + " " + inQuotes(t), work);
        EXPECT_EQ(r.code, 2u) << output;
        EXPECT_TRUE(has(r.err, "inside the quarantine folder")) << r.err;
    }
    EXPECT_EQ(readFile(m), manifest);
    EXPECT_TRUE(fileExists(t + "\\more.lnk"));
    ASSERT_TRUE(setAccess(m, "D:(A;;FA;;;SY)(A;;FA;;;WD)"));
    for (const std::string& command : {"restore " + inQuotes(q), "delete --quarantine " + inQuotes(q) + " " + inQuotes(t)}) {
        r = runCli(command, work);
        EXPECT_EQ(r.code, 2u) << command;
        EXPECT_TRUE(has(r.err, "other accounts may write")) << r.err;
    }
    EXPECT_TRUE(fileExists(t + "\\more.lnk"));

    // A DIR that is a link is refused, and nothing goes through it.
    std::string real = makeTempDir("cliqreal"), linked = work + "\\qlink";
    ASSERT_TRUE(unixLink(linked, real));
    r = runCli("delete --quarantine " + inQuotes(linked) + " " + inQuotes(t), work);
    EXPECT_EQ(r.code, 2u);
    EXPECT_TRUE(has(r.err, "is a link, a junction or no folder")) << r.err;
    EXPECT_TRUE(filesIn(real, "*.*").size() == 2 && fileExists(t + "\\more.lnk")) << "nothing went through it";
    EXPECT_TRUE(unixRemove(linked));
    removeTree(real);

    // A quarantine moved to another drive says so, and keeps its files.
    std::string one = makeTempDir("cliqone"), q3 = work + "\\q3";
    writeFile(one + "\\0.lnk", brokenBytes);
    ASSERT_EQ(runCli("delete --quarantine " + inQuotes(q3) + " " + inQuotes(one), work).code, 0u);
    ASSERT_TRUE(MoveFileExA(q3.c_str(), "V:\\q3", MOVEFILE_COPY_ALLOWED));
    r = runCli("restore --format csv V:\\q3", work);
    EXPECT_EQ(r.code, 1u) << r.err;
    EXPECT_TRUE(has(r.out, ",kept,its folder is on another drive than the quarantine now")) << r.out;
    EXPECT_FALSE(fileExists(one + "\\0.lnk"));
    removeTree("V:\\q3");
    removeTree(one);
    removeTree(t);
}

}  // namespace
