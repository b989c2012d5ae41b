// The file-time tooltip, the clipboard and the entry actions, with real files, the real
// clipboard, the real pointer and the real shell.
#include "tests/wine/harness.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>

#include "res/resource.h"
#include "results/entry_actions.h"

namespace {

class EntryTest : public ProgramTest {
protected:
    std::string folder;
    void SetUp() override
    {
        SetCursorPos(1270, 1010);
        ProgramTest::SetUp();
        SetWindowPos(app.mainWindow, HWND_TOP, 0, 0, 700, 500, SWP_NOZORDER);
        SetForegroundWindow(app.mainWindow);
        runUntilIdle();
        folder = makeTempDir("entry");
    }
    void TearDown() override
    {
        SetCursorPos(1270, 1010);
        removeTree(folder);
        ProgramTest::TearDown();
    }
    // What the context menu does when it opens on entry i.
    void menuOn(unsigned i)
    {
        app.menuEntry = i;
        app.itemLen = static_cast<int>(SendMessageA(app.resultList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(app.itemPath)));
    }
};

// --- The tooltip ---------------------------------------------------------------------

FILETIME utc(int year, int month, int day, int hour, int minute, int second)
{
    SYSTEMTIME st = {};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    st.wHour = static_cast<WORD>(hour);
    st.wMinute = static_cast<WORD>(minute);
    st.wSecond = static_cast<WORD>(second);
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

// The tip's labels as UTF-8: 作成, 更新, 参照; the date reads yyyy年mm月dd日.
const char CREATED[] = "\xE4\xBD\x9C\xE6\x88\x90";
const char WRITTEN[] = "\xE6\x9B\xB4\xE6\x96\xB0";
const char ACCESSED[] = "\xE5\x8F\x82\xE7\x85\xA7";

// One line of the tip for a UTC time shown `bias` minutes east of UTC, worked out here
// without the system's local-time conversion.
std::string tipLine(const char* label, FILETIME t, long eastMinutes)
{
    ULARGE_INTEGER v;
    v.LowPart = t.dwLowDateTime;
    v.HighPart = t.dwHighDateTime;
    v.QuadPart += static_cast<ULONGLONG>(static_cast<LONGLONG>(eastMinutes) * 60 * 10000000LL);
    FILETIME shifted = {v.LowPart, v.HighPart};
    SYSTEMTIME st;
    FileTimeToSystemTime(&shifted, &st);
    char line[64];
    std::snprintf(line, sizeof line, "%s %u\xE5\xB9\xB4%02u\xE6\x9C\x88%02u\xE6\x97\xA5 %02u:%02u:%02u", label, st.wYear,
                  st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
    return line;
}

int toolCount() { return static_cast<int>(SendMessageA(app.tipWindow, TTM_GETTOOLCOUNT, 0, 0)); }

// The registered tool's text as the control holds it, read wide (the 8-bit read stops at 80)
// and given as UTF-8, whatever the code page: what every system shows.
std::string toolText()
{
    wchar_t text[128] = L"";
    TTTOOLINFOW ti = {};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.hwnd = app.mainWindow;
    ti.uId = reinterpret_cast<UINT_PTR>(app.resultList);
    ti.lpszText = text;
    SendMessageW(app.tipWindow, TTM_GETTEXTW, sizeof text / sizeof text[0], reinterpret_cast<LPARAM>(&ti));
    char narrow[256] = "";
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

// Moves the real pointer to (x, y) in the list and lets the list see it.
void pointAt(int x, int y)
{
    POINT p = {x, y};
    ClientToScreen(app.resultList, &p);
    SetCursorPos(p.x, p.y);
    for (int i = 0; i < 20; ++i) {
        Sleep(10);
        runUntilIdle();
    }
}

void pointAtEntry(unsigned i, int dx = 5)
{
    RECT r;
    SendMessageA(app.resultList, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
    pointAt(r.left + dx, (r.top + r.bottom) / 2);
}

TEST_F(EntryTest, TipShowsTheShortcutFileTimesInLocalTime)
{
    TIME_ZONE_INFORMATION tz;
    DWORD zone = GetTimeZoneInformation(&tz);
    long east = -(tz.Bias + (zone == TIME_ZONE_ID_DAYLIGHT ? tz.DaylightBias : 0));
    EXPECT_NE(east, 0) << "run with a time zone other than UTC (the test command sets TZ)";
    std::vector<std::string> files;
    for (int i = 0; i < 2; ++i) {
        files.push_back(folder + "\\tip" + std::to_string(i) + ".lnk");
        writeFile(files.back(), "x");
        HANDLE h = CreateFileA(files.back().c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        FILETIME access = utc(2021, 11, 12, 13, 14, 15 + i), write = utc(2019, 1, 2, 3, 4, 5 + i);
        ASSERT_TRUE(SetFileTime(h, nullptr, &access, &write));
        CloseHandle(h);
    }
    files.push_back(folder + "\\gone.lnk");
    addEntries(files);
    app.hoverIndex = HOVER_NONE;  // as a search leaves it
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_TIPTIME, 0);
    ASSERT_EQ(app.settings.tipTime, 1u);

    pointAtEntry(0);
    ASSERT_EQ(toolCount(), 1);
    // Wine keeps no creation time of its own: compare with what the system reports.
    HANDLE h = CreateFileA(files[0].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME created, accessed, written;
    GetFileTime(h, &created, &accessed, &written);
    CloseHandle(h);
    std::string want = tipLine(CREATED, created, east) + "\r\n" +
                       tipLine(WRITTEN, utc(2019, 1, 2, 3, 4, 5), east) + "\r\n" +
                       tipLine(ACCESSED, utc(2021, 11, 12, 13, 14, 15), east);
    EXPECT_EQ(toolText(), want);

    // Within the entry the tool stays as it was built, even though the file changed.
    h = CreateFileA(files[0].c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME later = utc(2022, 2, 2, 2, 2, 2);
    SetFileTime(h, nullptr, &later, &later);
    CloseHandle(h);
    pointAtEntry(0, 40);
    EXPECT_EQ(toolCount(), 1);
    EXPECT_EQ(toolText(), want);

    pointAtEntry(1);
    EXPECT_EQ(toolCount(), 1);
    EXPECT_NE(toolText().find(tipLine(WRITTEN, utc(2019, 1, 2, 3, 4, 6), east)), std::string::npos);
    pointAtEntry(2);  // its file is gone
    EXPECT_EQ(toolCount(), 0);
    pointAtEntry(1);
    EXPECT_EQ(toolCount(), 1);
    RECT c;
    GetClientRect(app.resultList, &c);
    pointAt(10, c.bottom - 3);  // below the entries
    EXPECT_EQ(toolCount(), 0);

    // A drag hands the tip over too: it ends on an entry that shows its own times.
    for (unsigned i : {0u, 1u}) {
        RECT r;
        SendMessageA(app.resultList, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
        SendMessageA(app.resultList, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(r.left + 5, r.top + 2));
    }
    EXPECT_NE(toolText().find(tipLine(WRITTEN, utc(2019, 1, 2, 3, 4, 6), east)), std::string::npos);
    // Entries removed or cleared under a resting pointer take their tip with them.
    selectEntry(0, false);  // the drag selected both; entry 1 goes
    SendMessageA(app.mainWindow, WM_COMMAND, IDC_DELETE, 0);
    EXPECT_EQ(listEntries(), (std::vector<std::string>{files[0], files[2]}));
    EXPECT_EQ(toolCount(), 0);
    pointAtEntry(0, 30);
    EXPECT_EQ(toolCount(), 1);
    SendMessageA(app.mainWindow, WM_COMMAND, IDC_REMOTE, reinterpret_cast<LPARAM>(app.remoteCheck));
    EXPECT_EQ(toolCount(), 0);
}

// --- The clipboard -------------------------------------------------------------------

void putOnClipboard(const char* text, bool bitmap)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    if (text != nullptr) {
        HGLOBAL m = GlobalAlloc(GMEM_MOVEABLE, lstrlenA(text) + 1);
        lstrcpyA(static_cast<char*>(GlobalLock(m)), text);
        GlobalUnlock(m);
        SetClipboardData(CF_TEXT, m);
    }
    if (bitmap)
        SetClipboardData(CF_BITMAP, CreateBitmap(1, 1, 1, 1, nullptr));
    CloseClipboard();
}

TEST_F(EntryTest, CopyPutsTheEntriesOnTheClipboard)
{
    putOnClipboard("before", false);
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_COPY, 0);  // an empty list changes nothing
    SendMessageA(app.resultList, WM_CHAR, 3, 0);
    EXPECT_EQ(clipboardText(), "before");

    addEntries({"C:\\a\\one.lnk", "C:\\b\\two.lnk", "D:\\three.pif"});
    putOnClipboard(nullptr, true);  // only a picture: it stays beside the text
    SendMessageA(app.resultList, WM_CHAR, 3, 0);  // Ctrl+C
    EXPECT_EQ(clipboardText(), "C:\\a\\one.lnk\r\nC:\\b\\two.lnk\r\nD:\\three.pif");
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));

    putOnClipboard("old text", true);  // text there: the clipboard is emptied first
    menuOn(1);
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_COPYNAME, 0);
    EXPECT_EQ(clipboardText(), "C:\\b\\two.lnk");
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));

    // The list changed after the menu opened: the menu's entry is copied, sized as fetched.
    SendMessageA(app.resultList, LB_DELETESTRING, 1, 0);
    SendMessageA(app.resultList, LB_INSERTSTRING, 1, reinterpret_cast<LPARAM>("C:\\b\\a much longer name than before.lnk"));
    app.hoverIndex = HOVER_NONE;
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_COPYNAME, 0);
    EXPECT_EQ(clipboardText(), "C:\\b\\two.lnk");
}

// --- The shell -------------------------------------------------------------------------

std::vector<std::string> executed;
HINSTANCE WINAPI recordExecute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR dir, INT show)
{
    auto text = [](LPCSTR s) { return s == nullptr ? std::string("-") : std::string(s); };
    executed.push_back(std::string(owner == app.mainWindow ? "main" : owner == nullptr ? "none" : "?") + "|" +
                       text(verb) + "|" + text(file) + "|" + text(parameters) + "|" + text(dir) + "|" +
                       std::to_string(show));
    return reinterpret_cast<HINSTANCE>(33);
}

TEST_F(EntryTest, ActionsHandTheShellTheExactFileVerbAndParameters)
{
    addEntries({"D:\\a,b\\c.lnk"});
    menuOn(0);
    executed.clear();
    shellExecute = recordExecute;
    for (UINT id : {IDM_OPENFOLDER, IDM_OPENLINK, IDM_PROPERTY, IDM_HELP})
        SendMessageA(app.mainWindow, WM_COMMAND, id, 0);
    // A help file named without its dot ("vellmchm") could be a program: nothing is opened.
    char noDot[] = "C:\\work\\vellmoor";
    char* exe = app.exePath;
    char* ext = app.extPtr;
    app.exePath = noDot;
    app.extPtr = noDot + sizeof noDot - 4;
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_HELP, 0);
    app.exePath = exe;
    app.extPtr = ext;
    shellExecute = ShellExecuteA;
    char windows[MAX_PATH];
    GetSystemWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_EQ(executed, (std::vector<std::string>{
                            "none|-|" + std::string(windows) + "\\explorer.exe|/N,/SELECT,\"D:\\a,b\\c.lnk\"|-|1",
                            "none|-|D:\\a,b\\c.lnk|-|-|1",
                            "main|properties|D:\\a,b\\c.lnk|-|-|1",
                            "none|-|" + dir + "\\vellmoor.chm|-|-|1",
                        }));
}

// The recorder copied to `path`; returns what it wrote once the shell started it.
std::string copyRecorder(const std::string& path)
{
    std::string built = std::string("Z:") + RECORD_START_EXE;
    for (char& c : built)
        if (c == '/')
            c = '\\';
    CopyFileA(built.c_str(), path.c_str(), FALSE);
    return path;
}

std::string waitForRecord(const std::string& exe)
{
    for (int i = 0; i < 300; ++i) {
        std::string text = fileExists(exe + ".txt") ? readFile(exe + ".txt") : "";
        if (!text.empty())
            return text;
        Sleep(20);
    }
    return "<not started>";
}

std::string classValue(const std::string& key)
{
    char value[MAX_PATH] = "";
    LONG size = sizeof value;
    RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), value, &size);
    return value;
}

void setClassValue(const std::string& key, const std::string& value)
{
    RegSetValueA(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, value.c_str(), static_cast<DWORD>(value.size()));
}

// The Explorer processes this one started. One started for a folder may stay (it does when
// Wine's desktop process, which comes and goes, is not there to take the request), and Wine
// hands every process it starts this one's standard error: the test runner would wait for
// it. The desktop process may be one of them too, started earlier: it is left alone.
std::vector<DWORD> explorersStartedHere()
{
    std::vector<DWORD> out;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 e = {};
    e.dwSize = sizeof e;
    for (BOOL more = Process32First(snap, &e); more; more = Process32Next(snap, &e))
        if (e.th32ParentProcessID == GetCurrentProcessId() && lstrcmpiA(e.szExeFile, "explorer.exe") == 0)
            out.push_back(e.th32ProcessID);
    CloseHandle(snap);
    return out;
}

// What really starts: a shortcut to the recorder and a help file the recorder is registered
// for; never an EXPLORER.exe planted in the current folder.
TEST_F(EntryTest, TheShellStartsWhatTheActionsName)
{
    std::string recorder = copyRecorder(folder + "\\recorder.exe");
    makeShortcut(folder + "\\run it.lnk", recorder);
    addEntries({folder + "\\run it.lnk"});
    menuOn(0);
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_OPENLINK, 0);
    EXPECT_NE(waitForRecord(recorder).find("recorder.exe"), std::string::npos);

    std::string viewer = copyRecorder(folder + "\\viewer.exe");
    // This prefix's own association, borrowed for the test.
    std::string oldChm = classValue(".chm");
    setClassValue(".chm", "VellmoorTest.chm");
    setClassValue("VellmoorTest.chm\\shell\\open\\command", "\"" + viewer + "\" \"%1\"");
    writeFile(dir + "\\vellmoor.chm", "help");
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_HELP, 0);
    std::string opened = waitForRecord(viewer);
    setClassValue(".chm", oldChm);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "VellmoorTest.chm");
    EXPECT_NE(opened.find("\"" + dir + "\\vellmoor.chm\""), std::string::npos) << opened;

    std::string explorer = copyRecorder(folder + "\\EXPLORER.exe");
    char oldDir[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, oldDir);
    SetCurrentDirectoryA(folder.c_str());
    const std::vector<DWORD> before = explorersStartedHere();
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_OPENFOLDER, 0);
    std::string shown = waitForRecord(explorer);
    SetCurrentDirectoryA(oldDir);
    EXPECT_EQ(shown, "<not started>") << "an EXPLORER.exe in the current folder ran";
    for (DWORD id : explorersStartedHere())
        if (std::find(before.begin(), before.end(), id) == before.end())
            if (HANDLE p = OpenProcess(PROCESS_TERMINATE, FALSE, id)) {
                TerminateProcess(p, 0);
                CloseHandle(p);
            }
}

}  // namespace
