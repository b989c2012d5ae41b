// The search end to end in this process: real folders, real shortcuts, the real list.
#include "tests/wine/harness.h"

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <functional>
#include <map>
#include <cstring>

#include "res/resource.h"
#include "results/entry_annotation.h"
#include "results/entry_drawing.h"
#include "results/tooltip.h"
#include "search/shortcut_check.h"

namespace {

class SearchTest : public ProgramTest {
protected:
    std::string root;
    void SetUp() override
    {
        SetCursorPos(1270, 1010);
        ProgramTest::SetUp();
        root = makeTempDir("tree");
    }
    void TearDown() override
    {
        removeTree(root);
        ProgramTest::TearDown();
    }
    // A shortcut whose target existed when it was saved and is gone now.
    void brokenShortcut(const std::string& link)
    {
        std::string target = link + ".target";
        writeFile(target, "t");
        makeShortcut(link, target);
        DeleteFileA(target.c_str());
    }
    void validShortcut(const std::string& link, const std::string& target) { makeShortcut(link, target); }
    // b0.lnk to b<count-1>.lnk in the root, all broken: one saved through the shell, the rest
    // copies of it, which is much quicker.
    void brokenShortcuts(int count)
    {
        brokenShortcut(root + "\\b0.lnk");
        std::string bytes = readFile(root + "\\b0.lnk");
        for (int i = 1; i < count; ++i)
            writeFile(root + "\\b" + std::to_string(i) + ".lnk", bytes);
    }
    std::vector<std::string> search(const std::string& folder)
    {
        SetWindowTextA(app.folderBox, folder.c_str());
        SendMessageA(app.mainWindow, WM_COMMAND, IDC_SEARCH, 0);
        runUntilIdle();
        std::vector<std::string> e = listEntries();
        std::sort(e.begin(), e.end());
        return e;
    }
};

using Paths = std::vector<std::string>;

std::wstring fullPathOf(const wchar_t* relative)
{
    wchar_t full[MAX_PATH];
    return GetFullPathNameW(relative, MAX_PATH, full, nullptr) > 0 ? full : L"";
}

std::string narrow(const std::wstring& w)
{
    char text[4 * MAX_PATH];
    return WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, text, sizeof text, nullptr, nullptr) > 0 ? text : "";
}

TEST_F(SearchTest, ListsBrokenShortcutsOnly)
{
    CreateDirectoryA((root + "\\sub").c_str(), nullptr);
    CreateDirectoryA((root + "\\sub\\.git").c_str(), nullptr);
    CreateDirectoryA((root + "\\folder").c_str(), nullptr);
    writeFile(root + "\\file.txt", "x");
    brokenShortcut(root + "\\broken.lnk");
    brokenShortcut(root + "\\sub\\.git\\deep.lnk");
    validShortcut(root + "\\tofile.lnk", root + "\\file.txt");
    validShortcut(root + "\\tofolder.lnk", root + "\\folder");
    // A folder target that is gone.
    CreateDirectoryA((root + "\\gonefolder").c_str(), nullptr);
    makeShortcut(root + "\\sub\\tofolder.lnk", root + "\\gonefolder");
    RemoveDirectoryA((root + "\\gonefolder").c_str());

    EXPECT_EQ(search(root), (Paths{root + "\\broken.lnk", root + "\\sub\\.git\\deep.lnk", root + "\\sub\\tofolder.lnk"}));
    EXPECT_EQ(windowText(app.statusLabel), "0 / 3 Links");
    EXPECT_EQ(windowText(app.searchButton), "Search");
    EXPECT_EQ(app.busy, 0);
    EXPECT_EQ(app.hoverIndex, HOVER_NONE);
    EXPECT_EQ(GetFocus(), app.resultList);
    EXPECT_EQ(app.settings.listAll, 0u);
    EXPECT_GT(SendMessageA(app.resultList, LB_GETHORIZONTALEXTENT, 0, 0), 4);
    EXPECT_EQ(historyItems(), Paths{root});
    EXPECT_EQ(windowText(app.folderBox), root);
}

// Shortcuts in another account's profile whose targets the shell reads through this
// account's known folder: looked for where their owner would find them. One there for its
// owner is valid; one whose owner may see a folder this account cannot (redirected) is not
// listed either. A target stored as it is, and a shortcut in this account's own profile, are
// judged as they read.
TEST_F(SearchTest, AnotherAccountsShortcutIsJudgedAsItsOwnerSeesIt)
{
    char reader[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_PROFILE, nullptr, 0, reader), S_OK);
    std::string ann = root + "\\ann", mine = std::string(reader) + "\\vm-mine-" + std::to_string(GetCurrentProcessId());
    for (const char* sub : {"", "\\Desktop", "\\Documents"})
        CreateDirectoryA((ann + sub).c_str(), nullptr);
    CreateDirectoryA(mine.c_str(), nullptr);
    std::string sid = registerProfile(ann);
    ASSERT_FALSE(sid.empty());
    for (const char* name : {"budget.txt", "report.txt", "gone.txt"}) {
        writeFile(mine + "\\" + name, "t");
        makeShortcut(ann + "\\Desktop\\" + name + ".lnk", mine + "\\" + name);
        DeleteFileA((mine + "\\" + name).c_str());
    }
    addKnownFolderBlock(ann + "\\Desktop\\budget.txt.lnk");
    addKnownFolderBlock(ann + "\\Desktop\\report.txt.lnk");
    brokenShortcut(root + "\\own.lnk");  // this account's own profile holds it
    std::string budget = ann + mine.substr(std::strlen(reader)) + "\\budget.txt";
    CreateDirectoryA(budget.substr(0, budget.rfind('\\')).c_str(), nullptr);
    writeFile(budget, "b");  // the same place below its owner's profile

    Paths listed = search(root);
    unregisterProfile(sid);
    RemoveDirectoryA(mine.c_str());
    EXPECT_EQ(listed, (Paths{ann + "\\Desktop\\gone.txt.lnk", root + "\\own.lnk"}));
}

TEST_F(SearchTest, NamesThatCountAsShortcuts)
{
    brokenShortcut(root + "\\model.lnk");
    std::string bytes = readFile(root + "\\model.lnk");
    DeleteFileA((root + "\\model.lnk").c_str());
    // Distinct base names: the file system may not tell a.Lnk from A.LNK.
    for (const char* name : {".lnk", "A.LNK", "c.Lnk", "b.pif", "x.lnk.txt", "lnk", "d.lnkx"})
        writeFile(root + "\\" + name, bytes);
    EXPECT_EQ(search(root), (Paths{root + "\\.lnk", root + "\\A.LNK", root + "\\b.pif", root + "\\c.Lnk"}));
}

TEST_F(SearchTest, FilesThatAreNoShortcutsAreNotListed)
{
    writeFile(root + "\\empty.lnk", "");
    writeFile(root + "\\text.lnk", "this is not a shortcut\r\n");
    writeFile(root + "\\damaged.lnk", std::string("\x4c\0\0\0\x01\x14\x02\0", 8));
    EXPECT_EQ(search(root), Paths{});
    EXPECT_EQ(windowText(app.statusLabel), "No File");
}

// Shortcuts to shell folders: no target path, or a namespace path like "::{GUID}".
TEST_F(SearchTest, ShortcutWithoutFileSystemTargetIsNotListed)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    for (int folder : {CSIDL_DRIVES, CSIDL_NETWORK, CSIDL_PRINTERS}) {
        LPITEMIDLIST pidl = nullptr;
        ASSERT_TRUE(SUCCEEDED(SHGetSpecialFolderLocation(nullptr, folder, &pidl)));
        IShellLinkA* link = nullptr;
        ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                               reinterpret_cast<void**>(&link))));
        link->SetIDList(pidl);
        IPersistFile* file = nullptr;
        link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
        wchar_t path[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, (root + "\\shell" + std::to_string(folder) + ".lnk").c_str(), -1, path, MAX_PATH);
        ASSERT_TRUE(SUCCEEDED(file->Save(path, TRUE)));
        file->Release();
        link->Release();
        CoTaskMemFree(pidl);
    }
    EXPECT_EQ(search(root), Paths{});
}

TEST_F(SearchTest, CtrlListsEveryShortcutWithoutOpeningIt)
{
    writeFile(root + "\\file.txt", "x");
    validShortcut(root + "\\valid.lnk", root + "\\file.txt");
    writeFile(root + "\\empty.lnk", "");
    // Held open without sharing: opening it would fail, listing it must not need to.
    HANDLE locked = CreateFileA((root + "\\valid.lnk").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    pressKey(VK_CONTROL, true);
    Paths found = search(root);
    pressKey(VK_CONTROL, false);
    CloseHandle(locked);
    EXPECT_EQ(found, (Paths{root + "\\empty.lnk", root + "\\valid.lnk"}));
    EXPECT_EQ(app.settings.listAll, 0u);
    EXPECT_EQ(search(root), Paths{});
}

TEST_F(SearchTest, ShiftSearchOnlyClears)
{
    brokenShortcut(root + "\\broken.lnk");
    ASSERT_EQ(search(root).size(), 1u);
    pressKey(VK_SHIFT, true);
    Paths found = search(root);
    pressKey(VK_SHIFT, false);
    EXPECT_EQ(found, Paths{});
    EXPECT_EQ(windowText(app.statusLabel), "Not yet");
}

TEST_F(SearchTest, EmptyFolderTextOnlyClears)
{
    addEntries({"C:\\x.lnk"});
    EXPECT_EQ(search(""), Paths{});
    EXPECT_EQ(windowText(app.statusLabel), "Not yet");
    EXPECT_EQ(historyItems(), Paths{});
}

TEST_F(SearchTest, RootEndingInABackslashKeepsItsTextInTheHistory)
{
    brokenShortcut(root + "\\broken.lnk");
    EXPECT_EQ(search(root + "\\"), Paths{root + "\\\\broken.lnk"});
    EXPECT_EQ(historyItems(), Paths{root + "\\"});
}

// The folder box's text is read wide and taken exactly: never cut to a parent, a trailing
// space dropped as Windows drops it, and the status line says what happened.
TEST_F(SearchTest, TypedFolders)
{
    std::wstring w(root.begin(), root.end());
    std::wstring deep = w + L"\\" + std::wstring(80, L'\u65E5');  // past 259 bytes, far below 259 units
    CreateDirectoryW(deep.c_str(), nullptr);
    CreateDirectoryW((deep + L"\\\u65E5\u672C\u8A9E").c_str(), nullptr);
    CreateDirectoryW((w + L"\\Links").c_str(), nullptr);
    CreateDirectoryW((w + L"\\Twin").c_str(), nullptr);
    CreateDirectoryW((L"\\\\?\\" + w + L"\\Twin ").c_str(), nullptr);
    writeFile(root + "\\file.txt", "f");
    for (const std::wstring& link : {deep + L"\\parent.lnk", deep + L"\\\u65E5\u672C\u8A9E\\in.lnk", w + L"\\Links\\l.lnk",
                                     w + L"\\Twin\\t.lnk"})
        brokenShortcut(narrow(link));
    struct Row {
        std::wstring typed;
        Paths listed;
        const char* status;
        std::wstring recorded;  // empty: the history is untouched
    } rows[] = {
        {w + L"\\missing", {}, "No Folder", w + L"\\missing"},
        {w + L"\\file.txt", {}, "No Folder", w + L"\\file.txt"},
        {L"\u65E5", {}, "No Folder", fullPathOf(L"\u65E5")},  // relative, one three-byte character
        {deep + L"\\\u65E5\u672C\u8A9E", {narrow(deep + L"\\\u65E5\u672C\u8A9E\\in.lnk")}, "0 / 1 Links",
         deep + L"\\\u65E5\u672C\u8A9E"},
        {w + L"\\" + std::wstring(259 - w.size(), L'a'), {}, "Bad Folder", L""},  // 260 units
        {w + L"\\Links ", {root + "\\Links\\l.lnk"}, "0 / 1 Links", w + L"\\Links"},
        {w + L"\\Twin ", {}, "Bad Folder", L""},  // names "Twin" and "Twin " alike
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(narrow(row.typed));
        Paths before = historyItems();
        SetWindowTextW(app.folderBox, row.typed.c_str());
        SendMessageA(app.mainWindow, WM_COMMAND, IDC_SEARCH, 0);
        runUntilIdle();
        EXPECT_EQ(listEntries(), row.listed);
        EXPECT_EQ(windowText(app.statusLabel), row.status);
        Paths history = historyItems();
        if (row.recorded.empty())
            EXPECT_EQ(history, before);
        else
            EXPECT_EQ(history.at(0), narrow(row.recorded));
    }
}

TEST_F(SearchTest, DriveRootsAreWalkedWithOneBackslash)
{
    // The test set-up maps drive V: to an empty folder of the tests' own.
    if (GetDriveTypeA("V:\\") == DRIVE_NO_ROOT_DIR)
        GTEST_SKIP() << "drive V: is not mapped for the tests";
    removeTree("V:\\t");
    CreateDirectoryA("V:\\t", nullptr);
    brokenShortcut("V:\\t\\broken.lnk");
    const Paths expect{"V:\\t\\broken.lnk"};
    // A drive-letter target is tested with Remote off: only a leading backslash means network.
    EXPECT_EQ(search("V:\\"), expect);
    EXPECT_EQ(search("V:"), expect);
    EXPECT_EQ(search("V:x"), Paths{}) << "only a drive letter, a colon and a backslash are a root";
    EXPECT_EQ(historyItems(), (Paths{"V:\\x", "V:\\"}));  // recorded as the folder it named
    removeTree("V:\\t");
}

// Counts what the pump dispatches while a walk runs.
int heartbeats;
LRESULT CALLBACK heartbeatProc(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_APP)
        ++heartbeats;
    return DefWindowProcA(w, msg, wp, lp);
}

HWND makeCounter()
{
    heartbeats = 0;
    return makeMessageWindow("SearchCounter", heartbeatProc);
}

TEST_F(SearchTest, TenOrdinaryFilesPumpTwice)
{
    for (int i = 0; i < 10; ++i)
        writeFile(root + "\\f" + std::to_string(i) + ".txt", "x");
    HWND counter = makeCounter();
    for (int i = 0; i < 20; ++i)
        PostMessageA(counter, WM_APP, 0, 0);
    SetWindowTextA(app.folderBox, root.c_str());
    SendMessageA(app.mainWindow, WM_COMMAND, IDC_SEARCH, 0);
    EXPECT_EQ(heartbeats, 10);  // five on entering the folder, five after the eighth file
    EXPECT_EQ(app.search.tally, 0u) << "idle again: the count of selected entries";
    DestroyWindow(counter);
}

TEST_F(SearchTest, EscMidWalkKeepsWhatWasFound)
{
    brokenShortcuts(12);
    HWND stopper = actDuringRun([] { return app.linkCount >= 2; },
                                [] { PostMessageA(app.resultList, WM_KEYDOWN, VK_ESCAPE, 0); });
    SetWindowTextA(app.folderBox, root.c_str());
    SendMessageA(app.mainWindow, WM_COMMAND, IDC_SEARCH, 0);
    unsigned found = static_cast<unsigned>(listEntries().size());
    EXPECT_GE(found, 2u);
    EXPECT_LT(found, 12u);
    EXPECT_EQ(windowText(app.searchButton), "Search");
    EXPECT_EQ(windowText(app.statusLabel), "0 / " + std::to_string(found) + " Links");
    runUntilIdle();
    EXPECT_EQ(historyItems(), Paths{root});
    DestroyWindow(stopper);
}

TEST_F(SearchTest, EscBeforeAnythingWasListedLeavesTheHistory)
{
    brokenShortcut(root + "\\b0.lnk");
    PostMessageA(app.resultList, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(search(root), Paths{});
    EXPECT_EQ(historyItems(), Paths{});
    EXPECT_EQ(windowText(app.statusLabel), "No File");
}

TEST_F(SearchTest, PostedCloseEndsTheWalkAndKeepsTheWindow)
{
    brokenShortcuts(12);
    HWND stopper = actDuringRun([] { return app.linkCount >= 1; }, [] { PostMessageA(app.mainWindow, WM_CLOSE, 0, 0); });
    pressKey(VK_CONTROL, true);
    SetWindowTextA(app.folderBox, root.c_str());
    SendMessageA(app.mainWindow, WM_COMMAND, IDC_SEARCH, 0);
    pressKey(VK_CONTROL, false);
    EXPECT_TRUE(IsWindow(app.mainWindow));
    EXPECT_EQ(app.busy, 0);
    // The window that stays shows what it kept, as after a cancel.
    EXPECT_EQ(windowText(app.searchButton), "Search");
    EXPECT_EQ(windowText(app.statusLabel), "0 / " + std::to_string(app.linkCount) + " Links");
    EXPECT_EQ(app.settings.listAll, 0u);
    EXPECT_FALSE(IsWindowEnabled(app.deleteButton));
    runUntilIdle();
    EXPECT_EQ(historyItems(), Paths{});
    DestroyWindow(stopper);
}

// A restore of the folder text still queued when the next walk starts is dispatched by its
// pumps; a walk stopped before it lists anything records nothing that would restore again.
TEST_F(SearchTest, QueuedRestoreDuringAWalkPutsBackTheFolderText)
{
    for (int i = 0; i < 40; ++i)
        writeFile(root + "\\plain" + std::to_string(i) + ".txt", "x");
    SetWindowTextA(app.folderBox, root.c_str());
    SendMessageA(app.mainWindow, WM_COMMAND, IDC_SEARCH, 0);  // queues the restore
    PostMessageA(app.mainWindow, MSG_RESTORE_FOLDER_TEXT, 1, 3);  // and a longer chain, due mid-walk
    HWND stopper = actDuringRun([] { return app.search.tally >= 32; },
                                [] { PostMessageA(app.resultList, WM_KEYDOWN, VK_ESCAPE, 0); });
    SendMessageA(app.mainWindow, WM_COMMAND, IDC_SEARCH, 0);
    DestroyWindow(stopper);
    runUntilIdle();
    EXPECT_EQ(windowText(app.statusLabel), "No File");
    EXPECT_EQ(windowText(app.folderBox), root);
}

// A close or an end-of-session query at the first, a middle and the last pump of a walk.
TEST_F(SearchTest, CloseRequestsAtEveryStepOfAWalk)
{
    const unsigned n = 6;
    brokenShortcuts(n);
    for (const CloseWay& way : closeWays)  // posted first: they must leave the history empty
        for (unsigned step : {1u, n / 2, n}) {
            SCOPED_TRACE(std::string(way.name) + " after entry " + std::to_string(step));
            LRESULT answer = -7;
            HWND actor = actDuringRun([&] { return app.linkCount >= step; },
                                      [&] {
                                          if (way.posted)
                                              PostMessageA(app.mainWindow, way.msg, 0, 0);
                                          else
                                              answer = SendMessageA(app.mainWindow, way.msg, 0, 0);
                                      });
            SetWindowTextA(app.folderBox, root.c_str());
            SendMessageA(app.mainWindow, WM_COMMAND, IDC_SEARCH, 0);
            DestroyWindow(actor);
            EXPECT_TRUE(IsWindow(app.mainWindow));
            EXPECT_EQ(app.busy, 0);
            EXPECT_EQ(app.linkCount, step);  // stopped at the pump that followed the entry
            runUntilIdle();
            EXPECT_EQ(windowText(app.searchButton), "Search");
            EXPECT_EQ(windowText(app.statusLabel), "0 / " + std::to_string(step) + " Links");
            if (way.posted) {
                EXPECT_EQ(historyItems(), Paths{});
            } else {
                EXPECT_EQ(answer, 0);  // refused: the program is busy
                EXPECT_EQ(historyItems(), Paths{root});
            }
            EXPECT_FALSE(fileExists(dir + "\\vellmoor.qnf"));
        }
    // The real close, once idle, writes the settings once, with the walked folder.
    EXPECT_EQ(SendMessageA(app.mainWindow, WM_CLOSE, 0, 0), 0);
    EXPECT_NE(readFile(dir + "\\vellmoor.qnf").find(root + std::string(1, '\0')), std::string::npos);
    EXPECT_FALSE(runUntilIdle());
    closeNow();
}

// Paints entry `i` now and counts its pixels in other colours than the list's background.
int inkedPixels(int i)
{
    RedrawWindow(app.resultList, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RECT r;
    SendMessageA(app.resultList, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
    HDC dc = GetDC(app.resultList);
    COLORREF background = GetSysColor(COLOR_WINDOW);
    int inked = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.left + 200; ++x)
            inked += GetPixel(dc, x, y) != background;
    ReleaseDC(app.resultList, dc);
    return inked;
}

TEST_F(SearchTest, EntriesAreDrawnAndScrolledToWhenTheWalkEnds)
{
    SetWindowPos(app.mainWindow, nullptr, 0, 0, 700, 600, SWP_NOMOVE | SWP_NOZORDER);
    brokenShortcuts(60);
    ASSERT_EQ(search(root).size(), 60u);
    // The scroll bar covers every entry and the last one is in view.
    SCROLLINFO si = {sizeof si, SIF_ALL};
    ASSERT_TRUE(GetScrollInfo(app.resultList, SB_VERT, &si));
    EXPECT_EQ(si.nMax, 59);
    RECT client, last;
    GetClientRect(app.resultList, &client);
    SendMessageA(app.resultList, LB_GETITEMRECT, 59, reinterpret_cast<LPARAM>(&last));
    EXPECT_GE(last.top, 0);
    EXPECT_LE(last.bottom, client.bottom);
    EXPECT_EQ(static_cast<int>(SendMessageA(app.resultList, LB_GETTOPINDEX, 0, 0)), si.nPos);
    // And the list draws its entries again.
    EXPECT_GT(inkedPixels(si.nPos), 20);
}

// Has the list painted, as when it is uncovered, once the walk has listed two entries.
int inkedDuringWalk;
LRESULT CALLBACK painterProc(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg != WM_APP)
        return DefWindowProcA(w, msg, wp, lp);
    if (app.linkCount < 2)
        PostMessageA(w, WM_APP, 0, 0);
    else
        inkedDuringWalk = inkedPixels(0);
    return 0;
}

TEST_F(SearchTest, ListPaintsItsEntriesWhenUncoveredDuringTheWalk)
{
    SetWindowPos(app.mainWindow, nullptr, 0, 0, 700, 600, SWP_NOMOVE | SWP_NOZORDER);
    brokenShortcuts(20);
    HWND painter = makeMessageWindow("SearchPainter", painterProc);
    PostMessageA(painter, WM_APP, 0, 0);
    inkedDuringWalk = -1;
    EXPECT_EQ(search(root).size(), 20u);
    EXPECT_GT(inkedDuringWalk, 20);
    DestroyWindow(painter);
}

// Clicks the middle of the list, for real, once the walk has listed two entries.
LRESULT CALLBACK clickerProc(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg != WM_APP)
        return DefWindowProcA(w, msg, wp, lp);
    if (app.linkCount < 2) {
        PostMessageA(w, WM_APP, 0, 0);
        return 0;
    }
    RECT r;
    GetWindowRect(app.resultList, &r);
    INPUT in[3] = {};
    for (INPUT& i : in)
        i.type = INPUT_MOUSE;
    in[0].mi.dx = ((r.left + r.right) / 2) * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    in[0].mi.dy = ((r.top + r.bottom) / 2) * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(3, in, sizeof(INPUT));
    return 0;
}

TEST_F(SearchTest, ClickIntoTheListStopsTheWalkWhileItFills)
{
    SetWindowPos(app.mainWindow, HWND_TOP, 0, 0, 700, 600, SWP_NOZORDER);
    SetForegroundWindow(app.mainWindow);
    runUntilIdle();
    brokenShortcuts(400);
    HWND clicker = makeMessageWindow("SearchClicker", clickerProc);
    PostMessageA(clicker, WM_APP, 0, 0);
    std::size_t found = search(root).size();
    SetCursorPos(1270, 1010);
    EXPECT_GE(found, 2u);
    EXPECT_LT(found, 400u) << "the click reached the list and stopped the walk";
    EXPECT_EQ(windowText(app.searchButton), "Search");
    DestroyWindow(clicker);
}

// The error mode seen by whatever the pump dispatches during the walk.
UINT modeDuringWalk;
LRESULT CALLBACK modeProbeProc(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_APP && app.busy > 0)
        modeDuringWalk = GetErrorMode();
    return msg == WM_APP ? 0 : DefWindowProcA(w, msg, wp, lp);
}

TEST_F(SearchTest, NoSystemBoxesDuringTheWalkAndTheModeIsRestored)
{
    UINT before = SetErrorMode(0);
    brokenShortcut(root + "\\b0.lnk");
    HWND probe = makeMessageWindow("SearchModeProbe", modeProbeProc);
    PostMessageA(probe, WM_APP, 0, 0);
    modeDuringWalk = 0;
    EXPECT_EQ(search(root).size(), 1u);
    EXPECT_EQ(modeDuringWalk & (SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX),
              static_cast<UINT>(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX));
    EXPECT_EQ(GetErrorMode(), 0u);
    SetErrorMode(before);
    DestroyWindow(probe);
}

// Long paths are made through the wide functions with the \\?\ prefix, which take any length.
std::wstring longName(const std::string& path) { return L"\\\\?\\" + std::wstring(path.begin(), path.end()); }

// Makes folders under `base` until the path is exactly `length` bytes long.
std::string pathOfLength(const std::string& base, std::size_t length)
{
    std::string p = base;
    while (p.size() < length) {
        std::size_t room = length - p.size() - 1;  // minus the backslash
        std::size_t part = std::min<std::size_t>(room, 100);
        if (room > part && room - part < 2)
            part = room - 2;  // leave room for one more level of at least one character
        p += "\\" + std::string(part, 'd');
        CreateDirectoryW(longName(p).c_str(), nullptr);
    }
    return p;
}

void writeLong(const std::string& path, const std::string& bytes)
{
    HANDLE h = CreateFileW(longName(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD w;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &w, nullptr);
    CloseHandle(h);
}

TEST_F(SearchTest, PathLimits)
{
    // The limits count characters: 100 + 70 two-byte ones (over 350 bytes) are listed.
    std::wstring e = std::wstring(root.begin(), root.end()) + L"\\" + std::wstring(100, L'\u00E9');
    CreateDirectoryW(e.c_str(), nullptr);
    std::string wide185 = narrow(e + L"\\" + std::wstring(70, L'\u00E9') + L".lnk");
    writeFile(wide185, "x");
    pressKey(VK_CONTROL, true);
    EXPECT_EQ(search(root), Paths{wide185});
    pressKey(VK_CONTROL, false);
    removeTree(narrow(e));
    CreateDirectoryA((root + "\\L").c_str(), nullptr);
    CreateDirectoryA((root + "\\M").c_str(), nullptr);
    std::string inside = pathOfLength(root + "\\L", 343);   // walked
    std::string outside = pathOfLength(root + "\\M", 344);  // not walked
    ASSERT_EQ(inside.size(), 343u);
    ASSERT_EQ(outside.size(), 344u);
    WIN32_FIND_DATAA fd;
    HANDLE probe = FindFirstFileA((inside + "\\*").c_str(), &fd);
    if (probe == INVALID_HANDLE_VALUE)
        GTEST_SKIP() << "the 8-bit find functions take no path this long here";
    FindClose(probe);
    brokenShortcut(root + "\\model.lnk");
    std::string bytes = readFile(root + "\\model.lnk");
    DeleteFileA((root + "\\model.lnk").c_str());
    // A shortcut path of 350 bytes is listed; one of 351 is counted and never opened.
    std::string ok350 = inside + "\\" + std::string(350 - inside.size() - 5, 'k') + ".lnk";
    std::string no351 = inside + "\\" + std::string(351 - inside.size() - 5, 'n') + ".lnk";
    ASSERT_EQ(ok350.size(), 350u);
    writeLong(ok350, bytes);
    writeLong(no351, bytes);
    writeLong(outside + "\\x.lnk", bytes);
    pressKey(VK_CONTROL, true);
    Paths found = search(root);
    pressKey(VK_CONTROL, false);
    EXPECT_EQ(found, Paths{ok350});
    // Opened and judged as any other: its target is gone.
    EXPECT_EQ(search(root), Paths{ok350});
}

// Pixels of `colour` in entry i's row, as the list painted it.
int pixelsOf(unsigned i, COLORREF colour)
{
    RECT r;
    SendMessageA(app.resultList, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
    HDC dc = GetDC(app.resultList);
    int count = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            count += GetPixel(dc, x, y) == colour ? 1 : 0;
    ReleaseDC(app.resultList, dc);
    return count;
}

// A shortcut to a drive that is not there is listed grey, with why after its path and at the
// head of its tip; a missing one is drawn as text is. Select Missing takes only the second.
TEST_F(SearchTest, AnEntryWhoseDriveIsAwayIsGreyAndSaysWhy)
{
    if (GetDriveTypeA("Q:\\") != DRIVE_NO_ROOT_DIR || GetDriveTypeA("V:\\") == DRIVE_NO_ROOT_DIR)
        GTEST_SKIP() << "drive Q: is in use, or the tests' drive V: is not mapped";
    CreateDirectoryA("V:\\vmgrey", nullptr);
    writeFile("V:\\vmgrey\\app.exe", "x");
    makeShortcut(root + "\\absent.lnk", "V:\\vmgrey\\app.exe");
    removeTree("V:\\vmgrey");
    std::string bytes = readFile(root + "\\absent.lnk");
    for (std::size_t at; (at = bytes.find("V:\\")) != std::string::npos;)
        bytes[at] = 'Q';  // the stored letter of a drive that is not there
    writeFile(root + "\\absent.lnk", bytes);
    brokenShortcut(root + "\\missing.lnk");
    ASSERT_EQ(search(root), (Paths{root + "\\absent.lnk", root + "\\missing.lnk"}));
    SendMessageA(app.resultList, LB_SETSEL, FALSE, -1);
    UpdateWindow(app.resultList);
    COLORREF grey = GetSysColor(COLOR_GRAYTEXT), text = GetSysColor(COLOR_WINDOWTEXT);
    EXPECT_GT(pixelsOf(0, grey), 20);
    EXPECT_EQ(pixelsOf(0, text), 0);
    EXPECT_EQ(pixelsOf(1, grey), 0);
    EXPECT_GT(pixelsOf(1, text), 20);
    // The reason widens the list's extent beyond the longer path.
    SIZE path;
    std::wstring wide(root.begin(), root.end());
    GetTextExtentPoint32W(app.listDc, (wide + L"\\missing.lnk").c_str(), static_cast<int>(wide.size() + 12), &path);
    EXPECT_GT(SendMessageA(app.resultList, LB_GETHORIZONTALEXTENT, 0, 0), path.cx + 40);

    hoverTooltip(0);
    EXPECT_EQ(std::wstring(app.tipShown).substr(0, 22), L"drive Q: not present\r\n");
    hoverTooltip(1);
    EXPECT_EQ(std::wstring(app.tipShown).find(L"not present"), std::wstring::npos);
    dropTooltip();

    // Screen readers hear the path, and the grey entry's reason as its description (the
    // system's identity strings read by a stand-in: Wine's annotation service has none).
    readIdentity = [](IAccPropServices*, const BYTE* id, DWORD, DWORD* child) {
        *child = *id;
        return S_OK;
    };
    for (BYTE child : {1, 2, 0}) {
        VARIANT v;
        BOOL has = TRUE;
        EXPECT_EQ(entryAnnotation()->GetPropValue(&child, 1, PROPID_ACC_DESCRIPTION, &v, &has), S_OK);
        EXPECT_EQ(has, child == 1) << int(child);
        if (has)
            EXPECT_EQ(std::wstring(v.bstrVal), L"drive Q: not present");
        VariantClear(&v);
    }
    BYTE first = 1;
    VARIANT v;
    BOOL has = TRUE;
    entryAnnotation()->GetPropValue(&first, 1, PROPID_ACC_NAME, &v, &has);
    EXPECT_FALSE(has) << "its name stays the path";

    SendMessageA(app.mainWindow, WM_COMMAND, IDM_SELMISSING, 0);
    EXPECT_EQ(SendMessageA(app.resultList, LB_GETSEL, 0, 0), 0);
    EXPECT_GT(SendMessageA(app.resultList, LB_GETSEL, 1, 0), 0);
    EXPECT_EQ(windowText(app.statusLabel), "1 / 2 Links");
    // Copy gives the paths alone.
    SendMessageA(app.resultList, LB_SETSEL, TRUE, -1);
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_COPY, 0);
    EXPECT_EQ(clipboardText(), root + "\\absent.lnk\r\n" + root + "\\missing.lnk");
}

// A shortcut whose stored path is gone but whose path relative to itself still leads to its
// target works: grey, with where its target is in its tip, and Select Missing leaves it; so
// does a missing one in a folder that syncs to other PCs, and one the system's link tracking
// finds.
TEST_F(SearchTest, AShortcutThatStillWorksIsGreyWithWhereItsTargetIs)
{
    CreateDirectoryA((root + "\\App").c_str(), nullptr);
    writeFile(root + "\\App\\app.exe", "x");
    Link stale{"C:\\vmold\\App\\app.exe"};
    stale.relative = ".\\App\\app.exe";
    writeLink(root + "\\moved.lnk", stale);
    brokenShortcut(root + "\\missing.lnk");
    ASSERT_EQ(search(root), (Paths{root + "\\missing.lnk", root + "\\moved.lnk"}));
    unsigned moved = listEntries()[0] == root + "\\moved.lnk" ? 0 : 1;
    hoverTooltip(moved);  // its reason, then where
    std::wstring wide(root.begin(), root.end());
    std::wstring head = L"target found elsewhere\r\nfound at " + wide + L"\\App\\app.exe\r\n";
    EXPECT_EQ(std::wstring(app.tipShown).substr(0, head.size()), head);
    dropTooltip();
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_SELMISSING, 0);
    EXPECT_EQ(SendMessageA(app.resultList, LB_GETSEL, moved, 0), 0);
    EXPECT_GT(SendMessageA(app.resultList, LB_GETSEL, 1 - moved, 0), 0);

    // In a folder that syncs to the user's other PCs, the missing one is grey too.
    setSyncedFolder(root);
    search(root);
    setSyncedFolder("");
    char why[64];
    entryReason(1 - moved, why, sizeof why);
    EXPECT_STREQ(why, "synced to your other PCs");
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_SELMISSING, 0);
    EXPECT_EQ(SendMessageA(app.resultList, LB_GETSELCOUNT, 0, 0), 0);

    // The system's link tracking, last (through its seam: Wine tracks nothing, and its
    // Resolve gives no other path): a target it tracks down is found there.
    static std::wstring tracked;
    tracked = wide + L"\\App\\app.exe";
    bool (*system)(const wchar_t*, bool, wchar_t*) = trackLink;
    trackLink = [](const wchar_t*, bool, wchar_t* found) { return lstrcpyW(found, tracked.c_str()) != nullptr; };
    search(root);
    trackLink = system;
    entryReason(1 - moved, why, sizeof why);
    EXPECT_STREQ(why, "target found elsewhere");
}

TEST_F(SearchTest, NetworkTargetsOnlyWithRemote)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    makeShortcut(root + "\\unc.lnk", "\\\\nohost.invalid\\share\\file.txt");
    // The stored target must begin with a backslash for this test to mean anything.
    lstrcpyA(app.search.pathBuf, (root + "\\unc.lnk").c_str());
    ASSERT_TRUE(SUCCEEDED(resolveShortcut(app.search)));
    if (app.search.targetBuf[0] != '\\')
        GTEST_SKIP() << "this Wine stores the UNC target as " << app.search.targetBuf;
    EXPECT_EQ(search(root), Paths{});
    SendMessageA(app.remoteCheck, BM_CLICK, 0, 0);
    EXPECT_EQ(search(root), Paths{root + "\\unc.lnk"}) << "its server does not answer";
}

// A server that does not answer (the tests' \\vmhung, whose every lookup takes 5 s) as two
// shares, with Remote on: one wait of 3 s per share, not one per shortcut; its shortcuts are
// grey, "server not answering", and Select Missing leaves them; Esc during a wait stops the
// search at once.
TEST_F(SearchTest, AServerThatDoesNotAnswerIsWaitedForOncePerShare)
{
    char share[64] = "";
    GetEnvironmentVariableA("VELLMOOR_HUNG_SHARE", share, sizeof share);
    if (share[0] == '\0')
        GTEST_SKIP() << "no server that does not answer in this environment";
    Paths listed;
    for (int i = 1; i <= 3; ++i) {
        for (const char* s : {"a", "b"}) {
            listed.push_back(root + "\\" + s + std::to_string(i) + ".lnk");
            writeLink(listed.back(), Link{std::string(share) + "\\" + s + "\\App" + std::to_string(i) + "\\app.exe"});
        }
        listed.push_back(root + "\\gone" + std::to_string(i) + ".lnk");
        brokenShortcut(listed.back());
    }
    std::sort(listed.begin(), listed.end());
    SendMessageA(app.remoteCheck, BM_CLICK, 0, 0);
    DWORD started = GetTickCount();
    EXPECT_EQ(search(root), listed);
    EXPECT_LT(GetTickCount() - started, 15000u) << "waited for more than once per share";
    int silent = 0;
    for (int i = 0; i < 9; ++i) {
        char why[64];
        entryReason(static_cast<unsigned>(i), why, sizeof why);
        silent += std::string(why) == "server not answering";
    }
    EXPECT_EQ(silent, 6);
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_SELMISSING, 0);
    EXPECT_EQ(SendMessageA(app.resultList, LB_GETSELCOUNT, 0, 0), 3);

    static DWORD escAt;
    escAt = 0;
    started = GetTickCount();
    HWND stopper = actDuringRun([started] { return GetTickCount() - started > 1000; },
                                [] { escAt = GetTickCount(), PostMessageA(app.resultList, WM_KEYDOWN, VK_ESCAPE, 0); });
    SetWindowTextA(app.folderBox, root.c_str());
    SendMessageA(app.mainWindow, WM_COMMAND, IDC_SEARCH, 0);
    DWORD ended = GetTickCount();
    ASSERT_NE(escAt, 0u);
    EXPECT_LT(ended - escAt, 2000u) << "Esc did not stop the wait";
    EXPECT_EQ(windowText(app.searchButton), "Search");
    DestroyWindow(stopper);
}

TEST_F(SearchTest, TargetBeyondTheCodePageIsTestedThroughWideNames)
{
    std::wstring wroot(root.begin(), root.end());
    std::wstring target = wroot + L"\\\x03A9\x0434\x4E2D.txt";  // Greek, Cyrillic, CJK
    HANDLE h = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    makeShortcutW(wroot + L"\\valid.lnk", target);
    std::wstring goneTarget = wroot + L"\\\x03A9gone.txt";
    h = CreateFileW(goneTarget.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(h);
    makeShortcutW(wroot + L"\\broken.lnk", goneTarget);
    DeleteFileW(goneTarget.c_str());

    // The shell must give the wide name back for the wide test to have something to test.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* link = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                           reinterpret_cast<void**>(&link))));
    IPersistFile* file = nullptr;
    link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    wchar_t stored[MAX_PATH] = L"";
    file->Load((wroot + L"\\valid.lnk").c_str(), STGM_READ);
    link->GetPath(stored, MAX_PATH, nullptr, 0);
    file->Release();
    link->Release();
    if (target != stored)
        GTEST_SKIP() << "this shell keeps only the 8-bit form of the target";
    EXPECT_EQ(search(root), Paths{root + "\\broken.lnk"});
}

void writeFileW(const std::wstring& path, const std::string& bytes = "")
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
}

// Under the UTF-8 code page every name is named exactly: listed, deleted and copied as it is.
// (Under a legacy code page such names are skipped; NamesTheCodePageCannotHold... shows it.)
TEST_F(SearchTest, EveryNameIsExactUnderUtf8)
{
    if (GetACP() != CP_UTF8)
        GTEST_SKIP() << "the legacy code page skips these names";
    // 中文, Жук, 😀, Ωmega, 壊れ: broken, to targets with the same names (gone).
    const std::string chinese = "\xE4\xB8\xAD\xE6\x96\x87.lnk", beetle = "\xD0\x96\xD1\x83\xD0\xBA.lnk",
                      smile = "\xF0\x9F\x98\x80.lnk", omega = "\xCE\xA9mega.lnk", broken = "\xE5\xA3\x8A\xE3\x82\x8C.lnk";
    for (const std::string& name : {chinese, beetle, smile, omega, broken})
        brokenShortcut(root + "\\" + name);
    writeFile(root + "\\\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt", "t");  // 日本.lnk to 日本語.txt
    makeShortcut(root + "\\\xE6\x97\xA5\xE6\x9C\xAC.lnk", root + "\\\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt");
    // An existing target longer in UTF-8 than the 8-bit target buffer: its wide form finds it.
    std::string deep = root;
    for (int level = 0; level < 2; ++level) {
        deep += "\\";
        for (int i = 0; i < 50; ++i)
            deep += "\xE6\x96\x87";
        ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    }
    writeFile(deep + "\\t.txt", "t");
    makeShortcut(root + "\\long.lnk", deep + "\\t.txt");

    Paths expected;
    for (const std::string& name : {chinese, beetle, smile, omega, broken})
        expected.push_back(root + "\\" + name);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(search(root), expected);
    // The scroll range fits the widest entry as drawn, which GDI's 8-bit calls would not measure.
    LONG widest = 0;
    for (const std::string& entry : expected) {
        wchar_t wide[MAX_PATH];
        SIZE size = {};
        GetTextExtentPoint32W(app.listDc, wide, MultiByteToWideChar(CP_UTF8, 0, entry.c_str(), -1, wide, MAX_PATH) - 1, &size);
        widest = std::max(widest, size.cx);
    }
    EXPECT_EQ(SendMessageA(app.resultList, LB_GETHORIZONTALEXTENT, 0, 0), widest + 4);

    // Other programs paste the UTF-16 text: the exact names, in the list's order.
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_COPY, 0);
    std::string joined;
    for (const std::string& entry : listEntries())
        joined += (joined.empty() ? "" : "\r\n") + entry;
    EXPECT_EQ(clipboardText(CF_UNICODETEXT), joined);

    // One selected entry deletes that file alone.
    unsigned i = static_cast<unsigned>(SendMessageA(app.resultList, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                    reinterpret_cast<LPARAM>((root + "\\" + beetle).c_str())));
    selectEntry(i, true);
    SendMessageA(app.mainWindow, WM_COMMAND, IDC_DELETE, 0);
    for (const std::string& path : expected)
        EXPECT_EQ(fileExists(path), path != root + "\\" + beetle) << path;
}

// Names the path rules would change and device names, made as other systems make them
// ("\\?\" keeps a name as it is): never opened, listed, walked or deleted; typed, refused.
TEST_F(SearchTest, NamesTheSystemWouldChangeAreNeverActedOn)
{
    brokenShortcut(root + "\\model.lnk");
    std::string broken = readFile(root + "\\model.lnk");
    DeleteFileA((root + "\\model.lnk").c_str());
    writeFile(root + "\\target.txt", "t");
    CreateDirectoryA((root + "\\Old Apps").c_str(), nullptr);
    validShortcut(root + "\\Old Apps\\Game.lnk", root + "\\target.txt");
    std::wstring raw = L"\\\\?\\" + std::wstring(root.begin(), root.end());
    ASSERT_TRUE(CreateDirectoryW((raw + L"\\Old Apps.").c_str(), nullptr));
    for (const wchar_t* name : {L"\\Old Apps.\\Game.lnk", L"\\Game.lnk ", L"\\COM1.lnk", L"\\AUX.txt.lnk",
                                L"\\nul .lnk", L"\\LPT\u00B2.lnk"})
        writeFileW(raw + name, broken);

    pressKey(VK_CONTROL, true);  // listed unopened: only the exact name could be listed
    EXPECT_EQ(search(root), Paths{root + "\\Old Apps\\Game.lnk"});
    pressKey(VK_CONTROL, false);
    EXPECT_EQ(search(root), Paths{});
    EXPECT_EQ(historyItems(), Paths{root});

    // A typed folder the system would name otherwise, or longer than the box's read: the
    // first 259 bytes of the long one name the root, full of broken shortcuts.
    for (const std::string& typed : {root + "\\Old Apps.", root + "\\Old Apps. \\", root + "\\COM1",
                                     root + std::string(300, '\\') + "elsewhere"}) {
        SetWindowTextA(app.folderBox, typed.c_str());
        pressKey(VK_CONTROL, true);
        SendMessageA(app.mainWindow, WM_COMMAND, IDC_SEARCH, 0);
        pressKey(VK_CONTROL, false);
        runUntilIdle();
        EXPECT_EQ(listEntries(), Paths{}) << typed.size();
        EXPECT_EQ(windowText(app.statusLabel), "Bad Folder");
    }
    EXPECT_EQ(historyItems(), Paths{root});

    // Such an entry in the list anyway deletes nothing, not even the twin it would reach.
    addEntries({root + "\\Old Apps.\\Game.lnk"});
    selectEntry(0, true);
    SendMessageA(app.mainWindow, WM_COMMAND, IDC_DELETE, 0);
    EXPECT_EQ(listEntries(), Paths{root + "\\Old Apps.\\Game.lnk"});
    EXPECT_FALSE(isSelected(0));
    EXPECT_TRUE(fileExists(root + "\\Old Apps\\Game.lnk"));
    EXPECT_NE(GetFileAttributesW((raw + L"\\Old Apps.\\Game.lnk").c_str()), INVALID_FILE_ATTRIBUTES);
}

// The 8-bit find functions give "?" for what the code page lacks (a pattern the shell
// expands) and a look-alike for what it can only approximate (another file's name).
TEST_F(SearchTest, NamesTheCodePageCannotHoldAreNeitherListedNorDeleted)
{
    BOOL lossy = FALSE;
    char probe[8];
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, L"\x4E2D\x03A9\xFF41", -1, probe, sizeof probe, nullptr, &lossy);
    if (!lossy)
        GTEST_SKIP() << "this code page holds every name of the test";
    std::wstring wroot(root.begin(), root.end());
    for (const wchar_t* name : {L"a.lnk", L"b.lnk", L"O.lnk", L"ax.lnk", L"\x4E2D.lnk", L"\x03A9.lnk", L"\xFF41x.lnk"})
        writeFileW(wroot + L"\\" + name);
    CreateDirectoryW((wroot + L"\\\x4E2D").c_str(), nullptr);
    writeFileW(wroot + L"\\\x4E2D\\in.lnk");
    CreateDirectoryA((root + "\\d").c_str(), nullptr);  // what "?" as a folder would match
    writeFile(root + "\\d\\d.lnk", "x");

    pressKey(VK_CONTROL, true);
    Paths found = search(root);
    pressKey(VK_CONTROL, false);
    const Paths exact = {root + "\\O.lnk", root + "\\a.lnk", root + "\\ax.lnk", root + "\\b.lnk", root + "\\d\\d.lnk"};
    EXPECT_EQ(found, exact);
    // Typed or pasted, "ｄ" is not taken as the "d" beside it.
    Paths history = historyItems();
    SetWindowTextW(app.folderBox, (wroot + L"\\\xFF44").c_str());
    SendMessageA(app.mainWindow, WM_COMMAND, IDC_SEARCH, 0);
    runUntilIdle();
    EXPECT_EQ(windowText(app.statusLabel), "Bad Folder");
    EXPECT_EQ(historyItems(), history);
    pressKey(VK_CONTROL, true);
    EXPECT_EQ(search(root), exact);
    pressKey(VK_CONTROL, false);

    // A pattern reaching the list anyway is never handed to the shell.
    addEntries({root + "\\?.lnk"});
    selectEntry(app.linkCount - 1, true);
    SendMessageA(app.mainWindow, WM_COMMAND, IDC_DELETE, 0);
    EXPECT_EQ(listEntries().back(), root + "\\?.lnk");
    EXPECT_FALSE(isSelected(app.linkCount - 1));
    for (const std::string& path : exact)
        EXPECT_TRUE(fileExists(path)) << path;

    for (const char* name : {"\\O.lnk", "\\a.lnk"})  // O.lnk, not the omega one
        selectEntry(static_cast<unsigned>(SendMessageA(app.resultList, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                       reinterpret_cast<LPARAM>((root + name).c_str()))), true);
    SendMessageA(app.mainWindow, WM_COMMAND, IDC_DELETE, 0);
    EXPECT_FALSE(fileExists(root + "\\O.lnk"));
    EXPECT_FALSE(fileExists(root + "\\a.lnk"));
    for (const wchar_t* name : {L"\\b.lnk", L"\\ax.lnk", L"\\\x4E2D.lnk", L"\\\x03A9.lnk", L"\\\xFF41x.lnk", L"\\\x4E2D\\in.lnk"})
        EXPECT_NE(GetFileAttributesW((wroot + name).c_str()), INVALID_FILE_ATTRIBUTES) << name[1];
}

TEST_F(SearchTest, FolderLinksBackUpTheTreeAreNotWalkedOthersAre)
{
    if (unixPath(root).empty())
        GTEST_SKIP() << "not under Wine: folder links need mklink /J here";
    std::string outside = makeTempDir("outside");
    CreateDirectoryA((root + "\\a").c_str(), nullptr);
    CreateDirectoryA((root + "\\a\\b").c_str(), nullptr);
    brokenShortcut(root + "\\a\\b\\x.lnk");
    brokenShortcut(outside + "\\o.lnk");
    ASSERT_TRUE(unixLink(root + "\\a\\up", root));
    ASSERT_TRUE(unixLink(root + "\\a\\b\\up", root + "\\a"));
    ASSERT_TRUE(unixLink(root + "\\a\\b\\self", root + "\\a\\b"));
    ASSERT_TRUE(unixLink(root + "\\out", outside));
    ASSERT_TRUE(unixLink(outside + "\\back", root));  // a loop through a folder outside the tree
    EXPECT_EQ(search(root), (Paths{root + "\\a\\b\\x.lnk", root + "\\out\\o.lnk"}));
    EXPECT_EQ(windowText(app.statusLabel), "0 / 2 Links");
    // Searched from inside a link, the same rule holds: the tree behind "back" is outside.
    EXPECT_EQ(search(root + "\\out"), (Paths{root + "\\out\\back\\a\\b\\x.lnk", root + "\\out\\o.lnk"}));
    removeTree(root);  // the links only, not what they lead to
    EXPECT_TRUE(fileExists(outside + "\\o.lnk"));
    removeTree(outside);
}

// Files that only look like shortcuts, and one that is held shut: none listed, none stops
// the walk, each released by the time the search ends.
TEST_F(SearchTest, HostileShortcutFilesAreSkippedAndReleased)
{
    brokenShortcut(root + "\\model.lnk");
    std::string bytes = readFile(root + "\\model.lnk");
    std::string corrupt = bytes;
    for (std::size_t i = 20; i < corrupt.size(); i += 3)
        corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
    writeFile(root + "\\empty.lnk", "");
    writeFile(root + "\\truncated.lnk", bytes.substr(0, bytes.size() / 2));
    writeFile(root + "\\header.lnk", bytes.substr(0, 76));
    writeFile(root + "\\corrupt.lnk", corrupt);
    writeFile(root + "\\big.lnk", std::string(4 << 20, 'L'));
    writeFile(root + "\\locked.lnk", bytes);
    CreateDirectoryA((root + "\\folder.lnk").c_str(), nullptr);
    brokenShortcut(root + "\\folder.lnk\\inside.lnk");
    HANDLE held = CreateFileA((root + "\\locked.lnk").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Paths found = search(root);
    CloseHandle(held);
    EXPECT_EQ(found, (Paths{root + "\\folder.lnk\\inside.lnk", root + "\\model.lnk"}));
    for (const char* name : {"empty", "truncated", "header", "corrupt", "big", "locked"})
        EXPECT_TRUE(DeleteFileA((root + "\\" + name + ".lnk").c_str())) << name << " is still held";
}

TEST_F(SearchTest, TreeAsDeepAsTheFileFunctionsAllowIsWalkedToItsBottom)
{
    brokenShortcut(root + "\\model.lnk");
    std::string bytes = readFile(root + "\\model.lnk");
    DeleteFileA((root + "\\model.lnk").c_str());
    std::string deep = root;
    int levels = 0;
    while (deep.size() + 2 + 6 <= 259 && CreateDirectoryA((deep + "\\d").c_str(), nullptr)) {
        deep += "\\d";
        ++levels;
    }
    ASSERT_GT(levels, 80);
    writeFile(deep + "\\x.lnk", bytes);
    ASSERT_TRUE(fileExists(deep + "\\x.lnk"));
    EXPECT_EQ(search(root), Paths{deep + "\\x.lnk"});
}

TEST_F(SearchTest, FoldersRemovedAndCreatedDuringTheWalk)
{
    for (char c = 'a'; c <= 'e'; ++c) {
        CreateDirectoryA((root + "\\" + c).c_str(), nullptr);
        for (int i = 0; i < 3; ++i)
            writeFile(root + "\\" + c + "\\s" + std::to_string(i) + ".lnk", "x");
    }
    // Changed from inside the walk, as another program could: at the first pump inside a
    // subfolder, every other subfolder goes and a new one comes.
    std::string enteredFirst;
    HWND w = actDuringRun(
        [&] {
            std::string now = app.search.pathBuf;
            return app.busy > 0 && now.size() > root.size() + 1 && now.compare(0, root.size(), root) == 0;
        },
        [&] {
            enteredFirst = app.search.pathBuf;
            for (char c = 'a'; c <= 'e'; ++c) {
                std::string other = root + "\\" + c;
                if (other != enteredFirst)
                    removeTree(other);
            }
            CreateDirectoryA((root + "\\new").c_str(), nullptr);
            writeFile(root + "\\new\\n.lnk", "x");
        });
    pressKey(VK_CONTROL, true);  // every shortcut is listed: what the walk saw is what it lists
    Paths found = search(root);
    pressKey(VK_CONTROL, false);
    DestroyWindow(w);
    ASSERT_FALSE(enteredFirst.empty());
    for (int i = 0; i < 3; ++i)
        EXPECT_NE(std::find(found.begin(), found.end(), enteredFirst + "\\s" + std::to_string(i) + ".lnk"), found.end());
    for (const std::string& path : found)
        EXPECT_TRUE(fileExists(path)) << path << " was listed but never existed after the change";
    EXPECT_EQ(windowText(app.statusLabel), "0 / " + std::to_string(found.size()) + " Links");
}

TEST_F(SearchTest, TargetInEitherSystemFolderViewIsPresent)
{
#if defined(_WIN64)
    GTEST_SKIP() << "a 64-bit program sees no redirection";
#else
    typedef BOOL(WINAPI * Fn)(PVOID*);
    typedef BOOL(WINAPI * Rv)(PVOID);
    HMODULE k = GetModuleHandleA("kernel32.dll");
    Fn disable = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(k, "Wow64DisableWow64FsRedirection")));
    Rv revert = reinterpret_cast<Rv>(reinterpret_cast<void*>(GetProcAddress(k, "Wow64RevertWow64FsRedirection")));
    BOOL wow = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow);
    if (!wow || disable == nullptr)
        GTEST_SKIP() << "not running under WOW64";
    char sys[MAX_PATH];
    GetSystemDirectoryA(sys, MAX_PATH);
    std::string name = std::string(sys) + "\\vellmoor_only64_" + std::to_string(GetCurrentProcessId()) + ".txt";
    // Present in both views while the shortcut is saved, then only in the native one.
    writeFile(name, "32");
    PVOID old;
    ASSERT_TRUE(disable(&old));
    writeFile(name, "64");
    revert(old);
    makeShortcut(root + "\\only64.lnk", name);
    DeleteFileA(name.c_str());
    ASSERT_FALSE(fileExists(name));
    EXPECT_EQ(search(root), Paths{});
    disable(&old);
    DeleteFileA(name.c_str());
    revert(old);
    EXPECT_EQ(search(root), Paths{root + "\\only64.lnk"});
    // Only in the 32-bit copy, which the process sees as System32: present too.
    writeFile(name, "32");
    EXPECT_EQ(search(root), Paths{});
    DeleteFileA(name.c_str());
#endif
}

// Between a search and a Delete the disk can change; whatever changed, only the file the
// search listed is deleted, and only while it is still a broken shortcut. An entry leaves
// the list exactly when its file is gone.
TEST_F(SearchTest, DeleteActsOnTheListedFileWhateverChangedOnDisk)
{
    std::string side = makeTempDir("side");
    validShortcut(side + "\\valid.lnk", side);
    auto swapFolder = [&](const std::string& f) {
        MoveFileA((f + "\\X").c_str(), (f + "\\aside").c_str());
        CreateDirectoryA((f + "\\other").c_str(), nullptr);
        CopyFileA((side + "\\valid.lnk").c_str(), (f + "\\other\\old.lnk").c_str(), FALSE);
        unixLink(f + "\\X", f + "\\other");
    };
    struct Row {
        const char* name;
        bool single, recycle;
        std::function<void(const std::string&)> change;  // after the search, in folder f
        std::vector<const char*> kept;  // files of f that must still hold what they held
        bool listedAfter;               // the entry stays, deselected
    } rows[] = {
        {"plain, multi", false, false, nullptr, {}, false},
        {"plain, single", true, false, nullptr, {}, false},
        {"plain, to the bin", false, true, nullptr, {}, false},
        {"read-only", false, false, [](const std::string& f) { SetFileAttributesA((f + "\\X\\old.lnk").c_str(), FILE_ATTRIBUTE_READONLY); }, {}, false},
        {"folder swapped for a link", false, false, swapFolder, {"\\aside\\old.lnk", "\\other\\old.lnk"}, true},
        {"folder swapped, to the bin", true, true, swapFolder, {"\\aside\\old.lnk", "\\other\\old.lnk"}, true},
        {"target put back", false, false, [](const std::string& f) { writeFile(f + "\\X\\old.lnk.target", "t"); },
         {"\\X\\old.lnk"}, true},
        {"hard link to a valid shortcut in its place", false, false,
         [&](const std::string& f) {
             DeleteFileA((f + "\\X\\old.lnk").c_str());
             unixLink(f + "\\X\\old.lnk", side + "\\valid.lnk", true);
         },
         {"\\X\\old.lnk"}, true},
        {"deleted by hand", false, false, [](const std::string& f) { DeleteFileA((f + "\\X\\old.lnk").c_str()); }, {}, false},
        // Only moved: the file is still on its volume, and its entry stays.
        {"folder renamed", true, false,
         [](const std::string& f) { MoveFileA((f + "\\X").c_str(), (f + "\\Y").c_str()); }, {"\\Y\\old.lnk"}, true},
    };
    std::string validBytes = readFile(side + "\\valid.lnk");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string f = makeTempDir("swap", (root + "\\").c_str());
        CreateDirectoryA((f + "\\X").c_str(), nullptr);
        brokenShortcut(f + "\\X\\old.lnk");
        ASSERT_EQ(search(f), Paths{f + "\\X\\old.lnk"});
        if (row.change)
            row.change(f);
        std::map<std::string, std::string> before;
        for (const char* k : row.kept)
            before[k] = readFile(f + k);
        app.settings.recycle = row.recycle;
        if (row.single) {
            app.menuEntry = 0;
            SendMessageA(app.resultList, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(app.itemPath));
            SendMessageA(app.mainWindow, WM_COMMAND, IDM_DELITEM, 0);
        } else {
            SendMessageA(app.mainWindow, WM_COMMAND, IDM_SELALL, 0);
            SendMessageA(app.mainWindow, WM_COMMAND, IDC_DELETE, 0);
        }
        for (const char* k : row.kept)
            EXPECT_EQ(readFile(f + k), before[k]) << k;
        if (row.kept.empty())
            EXPECT_FALSE(fileExists(f + "\\X\\old.lnk"));
        EXPECT_EQ(readFile(side + "\\valid.lnk"), validBytes);
        EXPECT_EQ(listEntries(), row.listedAfter ? Paths{f + "\\X\\old.lnk"} : Paths{});
        EXPECT_EQ(windowText(app.statusLabel), row.listedAfter ? "0 / 1 Links" : "No File");
    }

    // Case twins (Linux tools and shares make them): only the broken one is listed, and a
    // Delete repeated on its entry never reaches the valid one.
    CreateDirectoryA((root + "\\twins").c_str(), nullptr);
    brokenShortcut(root + "\\twins\\Old.lnk");
    ASSERT_TRUE(unixLink(root + "\\twins\\old.lnk", side + "\\valid.lnk", true));
    ASSERT_EQ(search(root + "\\twins"), Paths{root + "\\twins\\Old.lnk"});
    for (int i = 0; i < 2; ++i) {
        SendMessageA(app.mainWindow, WM_COMMAND, IDM_SELALL, 0);
        SendMessageA(app.mainWindow, WM_COMMAND, IDC_DELETE, 0);
    }
    EXPECT_EQ(listEntries(), Paths{});
    EXPECT_EQ(readFile(root + "\\twins\\old.lnk"), validBytes);
    removeTree(side);
}

}  // namespace
