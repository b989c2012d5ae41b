#include "tests/wine/harness.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <utility>

#include "app/startup.h"
#include "results/listed_files.h"
#include "search/file_lookup.h"

static wchar_t commandLineText[32768];

BOOL createProcessA(const char* app, char* commandLine, BOOL inherit, const char* dir, STARTUPINFOA& si,
                    PROCESS_INFORMATION& pi)
{
    if (CreateProcessA(app, commandLine, nullptr, nullptr, inherit, 0, nullptr, dir, &si, &pi))
        return TRUE;
    std::fprintf(stderr, "note: could not start %s (error %lu); trying once more\n", commandLine, GetLastError());
    Sleep(200);
    return CreateProcessA(app, commandLine, nullptr, nullptr, inherit, 0, nullptr, dir, &si, &pi);
}

std::string makeTempDir(const char* tag, const char* under)
{
    char base[MAX_PATH];
    if (under != nullptr)
        lstrcpynA(base, under, MAX_PATH);
    else
        GetTempPathA(MAX_PATH, base);
    static unsigned counter;
    for (;;) {
        char path[MAX_PATH];
        std::snprintf(path, sizeof path, "%svm_%s_%lu_%u", base, tag, GetCurrentProcessId(), counter++);
        if (CreateDirectoryA(path, nullptr))
            return path;
    }
}

// Wide, so names the code page cannot hold are removed too.
static void removeTreeW(const std::wstring& path)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring full = path + L"\\" + name;
            if ((name.back() == L' ' || name.back() == L'.') && full[1] == L':')
                full = L"\\\\?\\" + full;  // removed as itself, not as its twin without the space
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                // A folder link goes, never what it leads to (it may lead back up the tree).
                if (!RemoveDirectoryW(full.c_str()))
                    DeleteFileW(full.c_str());
                continue;
            }
            SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTreeW(full);
            else
                DeleteFileW(full.c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(path.c_str());
}

void removeTree(const std::string& path)
{
    wchar_t wide[1024];
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, 1024) > 0)
        removeTreeW(wide);
}

void writeFile(const std::string& path, const std::string& bytes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD w;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &w, nullptr);
    CloseHandle(h);
}

std::string readFile(const std::string& path)
{
    std::string out;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return out;
    char buf[4096];
    DWORD got;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0)
        out.append(buf, got);
    CloseHandle(h);
    return out;
}

bool fileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

static std::wstring widen(const std::string& s)
{
    wchar_t buf[1024];
    int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, buf, 1024);
    return std::wstring(buf, n > 0 ? n - 1 : 0);
}

void makeShortcutW(const std::wstring& linkPath, const std::wstring& target)
{
    bool entered = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    IShellLinkW* link = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                           reinterpret_cast<void**>(&link))));
    link->SetPath(target.c_str());
    IPersistFile* file = nullptr;
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
    EXPECT_TRUE(SUCCEEDED(file->Save(linkPath.c_str(), TRUE)));
    file->Release();
    link->Release();
    if (entered)
        CoUninitialize();
}

void makeShortcut(const std::string& linkPath, const std::string& target)
{
    makeShortcutW(widen(linkPath), widen(target));
}

void setSyncedFolder(const std::string& folder)
{
    if (folder.empty()) {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Microsoft\\OneDrive");
        return;
    }
    HKEY account;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\OneDrive\\Accounts\\Business1", 0, nullptr, 0, KEY_WRITE,
                        nullptr, &account, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(account, "UserFolder", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>(folder.size() + 1));
    RegCloseKey(account);
}

void writeLink(const std::string& path, const Link& link)
{
    Bytes bytes = link.bytes();
    writeFile(path, std::string(bytes.begin(), bytes.end()));
}

std::string darwinDescriptor(const std::string& product, const std::string& feature, const std::string& component)
{
    static const char digits[] = "!$%&'()*+,-.0123456789=?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[]^_`abcdefghijklmnopqrstuvwxyz{}~";
    auto packed = [](const std::string& text) {
        GUID guid = {};
        CLSIDFromString(widen(text).c_str(), &guid);
        DWORD parts[4];
        std::memcpy(parts, &guid, sizeof parts);
        std::string out;
        for (DWORD part : parts)
            for (int i = 0; i < 5; ++i, part /= 85)
                out += digits[part % 85];
        return out;
    };
    return packed(product) + feature + ">" + packed(component);
}

void addKnownFolderBlock(const std::string& linkPath)
{
    std::string bytes = readFile(linkPath);
    ASSERT_GE(bytes.size(), 4u);
    ASSERT_EQ(bytes.substr(bytes.size() - 4), std::string(4, '\0')) << "the closing block";
    // Size 0x1C, signature 0xA000000B, FOLDERID_Documents, the offset of its item in the ID list.
    const unsigned char block[] = {0x1C, 0, 0, 0, 0x0B, 0, 0, 0xA0, 0xD0, 0x9A, 0xD3, 0xFD, 0x8F, 0x23, 0xAF, 0x46,
                                   0xAD, 0xB4, 0x6C, 0x85, 0x48, 0x03, 0x69, 0xC7, 0x14, 0, 0, 0};
    bytes.insert(bytes.size() - 4, reinterpret_cast<const char*>(block), sizeof block);
    writeFile(linkPath, bytes);
}

static const char PROFILE_LIST[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";

std::string registerProfile(const std::string& folder, int n)
{
    std::string sid = "S-1-5-21-7-7-" + std::to_string(n) + "-" + std::to_string(1000 + GetCurrentProcessId());
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, (PROFILE_LIST + sid).c_str(), 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return "";
    RegSetValueExA(key, "ProfileImagePath", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>(folder.size() + 1));
    RegCloseKey(key);
    return sid;
}

void unregisterProfile(const std::string& sid)
{
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, (PROFILE_LIST + sid).c_str(), KEY_WOW64_64KEY, 0);
}

bool startTestProgram(const std::string& commandLine)
{
    if (MultiByteToWideChar(CP_ACP, 0, commandLine.c_str(), -1, commandLineText, 32768) <= 0)
        return false;
    return startTestProgram(commandLineText);
}

bool startTestProgram(const std::wstring& commandLine)
{
    app = AppState{};
    lstrcpynW(commandLineText, commandLine.c_str(), 32768);
    return startProgram(commandLineText);
}

// The program's own loop, ended by a private message that re-posts itself until the queue
// holds nothing else, so it passes every message that came before it through the loop's rules.
static const UINT MSG_IDLE_PROBE = 0x8100;
static bool reachedIdle;
static WPARAM probeRound;  // a probe left behind by a loop that quit early is dropped

static LRESULT CALLBACK idleProbe(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != MSG_IDLE_PROBE)
        return DefWindowProcA(window, msg, wParam, lParam);
    if (wParam != probeRound)
        return 0;
    MSG next;
    if (!PeekMessageA(&next, nullptr, 0, 0, PM_NOREMOVE)) {
        reachedIdle = true;
        PostQuitMessage(0);
    } else if (next.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(next.wParam));  // the program's own: the loop ends on it
    } else {
        PostMessageA(window, MSG_IDLE_PROBE, probeRound, 0);
    }
    return 0;
}

bool runUntilIdle()
{
    static HWND probe = makeMessageWindow("VellmoorIdleProbe", idleProbe);
    reachedIdle = false;
    PostMessageA(probe, MSG_IDLE_PROBE, ++probeRound, 0);
    runMessageLoop();
    return reachedIdle;
}

void closeTestProgram()
{
    if (app.mainWindow != nullptr && IsWindow(app.mainWindow)) {
        app.busy = 0;
        SendMessageA(app.mainWindow, WM_CLOSE, 0, 0);
    }
    runUntilIdle();
    finishProgram();
}

// Wine takes the modifier keys' async state from the X server's keyboard, so they are pressed
// there, through xdotool, which Wine starts like any program. Other keys go through SendInput.
static bool pressInX(WORD vk, bool down)
{
    const char* name = vk == VK_SHIFT ? "shift" : vk == VK_CONTROL ? "ctrl" : nullptr;
    if (name == nullptr)
        return false;
    char cmd[128];
    std::snprintf(cmd, sizeof cmd, "/usr/bin/xdotool %s %s", down ? "keydown" : "keyup", name);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessA("Z:\\usr\\bin\\xdotool", cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

void pressKey(WORD vk, bool down)
{
    if (!pressInX(vk, down)) {
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
        SendInput(1, &in, sizeof in);
    }
    // Let the input reach the key state before the code under test reads it.
    for (int i = 0; i < 100 && ((GetAsyncKeyState(vk) < 0) != down); ++i) {
        Sleep(10);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
        }
    }
}

std::string windowText(HWND w)
{
    char buf[512];
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

std::vector<std::string> listEntries()
{
    std::vector<std::string> out;
    LRESULT n = SendMessageA(app.resultList, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        char buf[400];
        SendMessageA(app.resultList, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
        out.push_back(buf);
    }
    return out;
}

std::vector<std::string> historyItems()
{
    std::vector<std::string> out;
    LRESULT n = SendMessageA(app.folderBox, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        char buf[400];
        SendMessageA(app.folderBox, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
        out.push_back(buf);
    }
    return out;
}

void addEntries(const std::vector<std::string>& entries)
{
    // Held while it fills, as a search holds it: drawn at once, each entry costs Wine a
    // scroll-bar update of some milliseconds.
    SendMessageA(app.resultList, WM_SETREDRAW, FALSE, 0);
    for (const std::string& e : entries) {
        LRESULT i = SendMessageA(app.resultList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.c_str()));
        keepListedFile(i, {identifyFile(e.c_str()), false});  // as a Ctrl search lists them
    }
    SendMessageA(app.resultList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(app.resultList, nullptr, TRUE);
    app.linkCount = static_cast<unsigned>(SendMessageA(app.resultList, LB_GETCOUNT, 0, 0));
}

void selectEntry(unsigned i, bool on) { SendMessageA(app.resultList, LB_SETSEL, on, static_cast<LPARAM>(i)); }
bool isSelected(unsigned i) { return SendMessageA(app.resultList, LB_GETSEL, i, 0) > 0; }

HWND makeMessageWindow(const char* className, WNDPROC proc)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    return CreateWindowA(className, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

static std::function<bool()> actorDue;
static std::function<void()> actorAct;
static LRESULT CALLBACK actorProc(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg != WM_APP)
        return DefWindowProcA(w, msg, wp, lp);
    if (actorDue())
        actorAct();
    else
        PostMessageA(w, WM_APP, 0, 0);
    return 0;
}

HWND actDuringRun(std::function<bool()> due, std::function<void()> act)
{
    actorDue = std::move(due);
    actorAct = std::move(act);
    HWND w = makeMessageWindow("RunActor", actorProc);
    PostMessageA(w, WM_APP, 0, 0);
    return w;
}

const CloseWay closeWays[3] = {
    {"posted close", WM_CLOSE, true},
    {"sent close", WM_CLOSE, false},
    {"sent end-of-session query", WM_QUERYENDSESSION, false},
};

void ProgramTest::SetUp()
{
    dir = makeTempDir("prog");
    exePath = dir + "\\vellmoor.exe";
    ASSERT_TRUE(startTestProgram("\"" + exePath + "\""));
    runUntilIdle();
}

void ProgramTest::TearDown()
{
    if (!closed)
        closeTestProgram();
    removeTree(dir);
}

std::string clipboardText(UINT format)
{
    std::string text;
    if (!OpenClipboard(nullptr))
        return "<not opened>";
    HANDLE h = GetClipboardData(format);
    const void* p = h != nullptr ? GlobalLock(h) : nullptr;
    if (p == nullptr) {
        text = "<none>";
    } else if (format == CF_UNICODETEXT) {
        char utf8[8192];
        text = WideCharToMultiByte(CP_UTF8, 0, static_cast<const wchar_t*>(p), -1, utf8, sizeof utf8, nullptr, nullptr) > 0
                   ? utf8 : "<too long>";
    } else {
        text = static_cast<const char*>(p);
    }
    if (p != nullptr)
        GlobalUnlock(h);
    CloseClipboard();
    return text;
}

std::string onDriveZ(std::string unixPath)
{
    for (char& c : unixPath)
        if (c == '/')
            c = '\\';
    return "Z:" + unixPath;
}

std::string unixPath(const std::string& path)
{
    typedef char*(CDECL * ToUnix)(LPCWSTR);
    ToUnix toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (toUnix == nullptr)
        return "";
    std::wstring wide = widen(path);
    char* p = toUnix(wide.c_str());
    std::string out = p != nullptr ? p : "";
    HeapFree(GetProcessHeap(), 0, p);
    return out;
}

// Runs a Unix tool on Unix paths, and waits until `done` says its work is there: a Unix
// process gives no handle to wait on.
static bool runUnix(const char* tool, std::string cmd, const std::function<bool()>& done)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessA((std::string("Z:") + tool).c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    for (int i = 0; i < 250; ++i) {
        if (done())
            return true;
        Sleep(20);
    }
    return false;
}

bool unixRemove(const std::string& path)
{
    return runUnix("\\bin\\rm", "/bin/rm -f \"" + unixPath(path) + "\"",
                   [&] { return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

bool unixLink(const std::string& link, const std::string& target, bool hard)
{
    // The folder's Unix path and the name as given: Wine would find a twin's name for it.
    std::size_t cut = link.rfind('\\');
    std::string unixLinkPath = unixPath(link.substr(0, cut)) + "/" + link.substr(cut + 1);
    std::string cmd = std::string(hard ? "/bin/ln" : "/bin/ln -s") + " \"" + unixPath(target) + "\" \"" + unixLinkPath + "\"";
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    // A name differing only in case is found before the link is made.
    bool made = runUnix("\\bin\\ln", cmd, [&] {
        attributes = GetFileAttributesA(link.c_str());
        return hard ? sameFile(identifyFile(link.c_str()), identifyFile(target.c_str())) : attributes != INVALID_FILE_ATTRIBUTES;
    });
    return made && (hard || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0);
}
