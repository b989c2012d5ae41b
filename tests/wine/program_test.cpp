// The real vellmoor.exe, started as its own process and driven from this one.
#include "tests/wine/harness.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "res/resource.h"
#include "settings/settings_codec.h"

namespace {

using Paths = std::vector<std::string>;

std::string builtExe() { return onDriveZ(VELLMOOR_EXE); }

struct Running {
    PROCESS_INFORMATION pi = {};
    HWND window = nullptr;
    // Ends the program with the test whatever happened: left running, it would hold the test
    // runner's output, and the runner would wait on it until its time-out.
    std::shared_ptr<void> process;
};

BOOL CALLBACK findMain(HWND w, LPARAM lp)
{
    Running* r = reinterpret_cast<Running*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[32];
    if (pid == r->pi.dwProcessId && GetClassNameA(w, cls, sizeof cls) && std::strcmp(cls, "Vellmoor") == 0) {
        r->window = w;
        return FALSE;
    }
    return TRUE;
}

Running launch(const std::string& exe, const std::string& args)
{
    Running r;
    std::string cmd = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::vector<char> text(cmd.begin(), cmd.end());
    text.push_back('\0');
    if (!createProcessA(exe.c_str(), text.data(), FALSE, nullptr, si, r.pi)) {
        DWORD error = GetLastError();
        ADD_FAILURE() << "the program could not start: error " << error;
        return r;
    }
    CloseHandle(r.pi.hThread);
    r.process.reset(r.pi.hProcess, [](HANDLE p) {
        if (WaitForSingleObject(p, 0) == WAIT_TIMEOUT)
            TerminateProcess(p, 1);
        CloseHandle(p);
    });
    WaitForInputIdle(r.pi.hProcess, 10000);
    for (int i = 0; i < 200 && r.window == nullptr; ++i) {
        EnumWindows(findMain, reinterpret_cast<LPARAM>(&r));
        if (r.window == nullptr)
            Sleep(25);
    }
    DWORD code = 0;
    if (r.window == nullptr && GetExitCodeProcess(r.pi.hProcess, &code))
        ADD_FAILURE() << "no window; the program's exit code: " << code;
    return r;
}

HWND child(HWND main, int id) { return GetDlgItem(main, id); }

std::string textOf(HWND w)
{
    char buf[512] = "";
    SendMessageA(w, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
    return buf;
}

// Waits until the status line reads "... Links" or "No File": the search has ended.
std::string waitForResult(HWND main)
{
    std::string s;
    for (int i = 0; i < 400; ++i) {
        s = textOf(child(main, IDC_STATUS));
        if (s == "No File" || s == "No Folder" || s == "Bad Folder" || (s.size() > 5 && s.compare(s.size() - 5, 5, "Links") == 0))
            break;
        Sleep(25);
    }
    return s;
}

// Other processes' list texts are read in UTF-16: Wine's 8-bit marshalling is unreliable.
std::string narrow(const wchar_t* w)
{
    char buf[1024];
    WideCharToMultiByte(CP_ACP, 0, w, -1, buf, sizeof buf, nullptr, nullptr);
    return buf;
}

Paths itemsOf(HWND control, UINT countMsg, UINT textMsg)
{
    Paths out;
    LRESULT n = SendMessageW(control, countMsg, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        wchar_t buf[512] = L"";
        SendMessageW(control, textMsg, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
        out.push_back(narrow(buf));
    }
    return out;
}

Paths listOf(HWND main) { return itemsOf(child(main, IDC_LIST), LB_GETCOUNT, LB_GETTEXT); }
Paths historyOf(HWND main) { return itemsOf(child(main, IDC_FOLDER), CB_GETCOUNT, CB_GETLBTEXT); }

DWORD closeAndWait(Running& r)
{
    PostMessageA(r.window, WM_CLOSE, 0, 0);
    DWORD code = 12345;
    if (WaitForSingleObject(r.pi.hProcess, 15000) == WAIT_OBJECT_0)
        GetExitCodeProcess(r.pi.hProcess, &code);
    r.process.reset();
    return code;
}

class ExeTest : public ::testing::Test {
protected:
    std::string dir, exe;
    void SetUp() override
    {
        dir = makeTempDir("exe");
        exe = dir + "\\vellmoor.exe";
        ASSERT_TRUE(CopyFileA(builtExe().c_str(), exe.c_str(), FALSE)) << builtExe();
    }
    void TearDown() override { removeTree(dir); }
    void search(HWND main, const std::string& folder)
    {
        SendMessageA(child(main, IDC_FOLDER), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
        SendMessageA(child(main, IDC_STATUS), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("waiting"));
        PostMessageA(main, WM_COMMAND, IDC_SEARCH, 0);
        waitForResult(main);
        // The folder text is put back through two posted messages after the status shows: a
        // text set before they ran would be replaced by the one just searched.
        Sleep(150);
    }
};

TEST_F(ExeTest, StartsWithItsWindowAndEndsWithExitCodeZero)
{
    Running r = launch(exe, "");
    ASSERT_NE(r.window, nullptr);
    EXPECT_EQ(textOf(r.window), "Vellmoor");
    const struct {
        int id;
        const char* cls;
        const char* text;
    } controls[] = {{IDC_FOLDER, "ComboBox", nullptr}, {IDC_SEARCH, "Button", "Search"}, {IDC_STATUS, "Static", "Not yet"},
                    {IDC_REMOTE, "Button", "Remote"},  {IDC_DELETE, "Button", "Delete"}, {IDC_LIST, "ListBox", nullptr}};
    for (const auto& c : controls) {
        HWND w = child(r.window, c.id);
        ASSERT_NE(w, nullptr) << c.cls;
        char cls[32];
        GetClassNameA(w, cls, sizeof cls);
        EXPECT_STRCASEEQ(cls, c.cls);
        if (c.text != nullptr)
            EXPECT_EQ(textOf(w), c.text);
    }
    EXPECT_NE(GetMenu(r.window), nullptr);
    RECT wr;
    GetWindowRect(r.window, &wr);
    EXPECT_EQ(wr.left, 0);
    EXPECT_EQ(wr.top, 0);
    EXPECT_EQ(closeAndWait(r), 0u);
    EXPECT_EQ(readFile(dir + "\\vellmoor.qnf").size(), 48u);
}

TEST_F(ExeTest, FolderArgumentListsTheBrokenShortcuts)
{
    std::string tree = makeTempDir("exetree");
    CreateDirectoryA((tree + "\\deeper").c_str(), nullptr);
    writeFile(tree + "\\kept.txt", "x");
    writeFile(tree + "\\gone.txt", "x");
    writeFile(tree + "\\deeper\\gone2.txt", "x");
    makeShortcut(tree + "\\valid.lnk", tree + "\\kept.txt");
    makeShortcut(tree + "\\broken.lnk", tree + "\\gone.txt");
    makeShortcut(tree + "\\deeper\\broken2.lnk", tree + "\\deeper\\gone2.txt");
    DeleteFileA((tree + "\\gone.txt").c_str());
    DeleteFileA((tree + "\\deeper\\gone2.txt").c_str());
    Running r = launch(exe, "\"" + tree + "\"");
    ASSERT_NE(r.window, nullptr);
    EXPECT_EQ(waitForResult(r.window), "0 / 2 Links");
    Paths found = listOf(r.window);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (Paths{tree + "\\broken.lnk", tree + "\\deeper\\broken2.lnk"}));
    EXPECT_EQ(textOf(child(r.window, IDC_SEARCH)), "Search");
    EXPECT_EQ(closeAndWait(r), 0u);
    removeTree(tree);
}

// Closed while a server that does not answer is waited for (the tests' \\vmhung, whose
// lookups take 5 s): the close stops the search within a second, and the next one ends the
// program at once, its settings saved, without waiting for the lookup.
TEST_F(ExeTest, ClosedWhileAServerDoesNotAnswerItEndsAtOnce)
{
    char share[64] = "";
    GetEnvironmentVariableA("VELLMOOR_HUNG_SHARE", share, sizeof share);
    if (share[0] == '\0')
        GTEST_SKIP() << "no server that does not answer in this environment";
    std::string tree = makeTempDir("exehung");
    writeLink(tree + "\\hung.lnk", Link{std::string(share) + "\\a\\App\\app.exe"});
    Running r = launch(exe, "");
    ASSERT_NE(r.window, nullptr);
    SendMessageA(child(r.window, IDC_REMOTE), BM_CLICK, 0, 0);
    SendMessageA(child(r.window, IDC_FOLDER), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(tree.c_str()));
    PostMessageA(r.window, WM_COMMAND, IDC_SEARCH, 0);
    Sleep(1000);
    DWORD closed = GetTickCount();
    DWORD_PTR answer;
    SendMessageTimeoutA(r.window, WM_CLOSE, 0, 0, SMTO_NORMAL, 2000, &answer);
    while (textOf(child(r.window, IDC_SEARCH)) != "Search" && GetTickCount() - closed < 5000)
        Sleep(20);
    EXPECT_LT(GetTickCount() - closed, 1500u) << "the close did not stop the wait";
    closed = GetTickCount();
    PostMessageA(r.window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(r.pi.hProcess, 15000), WAIT_OBJECT_0);
    DWORD code = 12345;
    GetExitCodeProcess(r.pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(readFile(dir + "\\vellmoor.qnf").size(), 48u);
    removeTree(tree);
}

TEST_F(ExeTest, HistoryAndPlaceSurviveARestart)
{
    std::string base = makeTempDir("hist");
    Running r = launch(exe, "");
    ASSERT_NE(r.window, nullptr);
    for (const char* f : {"\\one", "\\two", "\\three"})
        search(r.window, base + f);
    SetWindowPos(r.window, nullptr, 40, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Sleep(100);
    EXPECT_EQ(closeAndWait(r), 0u);

    r = launch(exe, "");
    ASSERT_NE(r.window, nullptr);
    EXPECT_EQ(historyOf(r.window), (Paths{base + "\\three", base + "\\two", base + "\\one"}));
    EXPECT_EQ(textOf(child(r.window, IDC_FOLDER)), base + "\\three");
    RECT wr;
    GetWindowRect(r.window, &wr);
    EXPECT_EQ(wr.left, 40);
    EXPECT_EQ(wr.top, 50);
    EXPECT_EQ(closeAndWait(r), 0u);
    removeTree(base);
}

TEST_F(ExeTest, TwoCopiesClosedInTurnLeaveTheLastOnesSettings)
{
    Running a = launch(exe, "");
    Running b = launch(exe, "");
    ASSERT_NE(a.window, nullptr);
    ASSERT_NE(b.window, nullptr);
    SetWindowPos(a.window, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetWindowPos(b.window, nullptr, 210, 220, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Sleep(100);
    EXPECT_EQ(closeAndWait(a), 0u);
    EXPECT_EQ(closeAndWait(b), 0u);
    std::string bytes = readFile(dir + "\\vellmoor.qnf");
    ASSERT_GE(bytes.size(), 48u);
    Settings s = {};
    decodeSettingsBlock(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), s);
    EXPECT_EQ(s.windowRect.left, 210);
    EXPECT_EQ(s.windowRect.top, 220);
}

// The download as a user unpacks it; run by tests/package_check.sh, which names the
// unpacked program and a demo folder made by make_demo.
TEST(Package, DISABLED_UnpackedProgramListsTheDemoShortcutsAndSavesBesideItself)
{
    const char* exe = std::getenv("VELLMOOR_PACKAGED_EXE");
    const char* demo = std::getenv("VELLMOOR_DEMO");
    ASSERT_TRUE(exe != nullptr && demo != nullptr);
    std::string folder = exe;
    folder.resize(folder.rfind('\\'));
    ASSERT_FALSE(fileExists(folder + "\\vellmoor.qnf"));
    Running r = launch(exe, std::string("\"") + demo + "\"");
    ASSERT_NE(r.window, nullptr);
    EXPECT_EQ(waitForResult(r.window), "0 / 5 Links");
    std::string d = demo;
    Paths listed = listOf(r.window);
    std::sort(listed.begin(), listed.end());  // as the file system lists them
    EXPECT_EQ(listed, (Paths{d + "\\Desktop\\Game 2019.lnk", d + "\\Programs\\Old Paint\\Old Paint.lnk",
                                      d + "\\Programs\\Old Paint\\Read Me.lnk", d + "\\Programs\\Tools\\Backup.lnk",
                                      d + "\\Programs\\Tools\\Disk Checker.lnk"}));
    EXPECT_EQ(closeAndWait(r), 0u);
    EXPECT_EQ(readFile(folder + "\\vellmoor.qnf").size() > 48, true);  // the block and the demo folder
}

}  // namespace
