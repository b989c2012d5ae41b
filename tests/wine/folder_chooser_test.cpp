// Choosing the folder: the shell's real folder browser, real drops, and the window's placement
// through its real messages.
#include "tests/wine/harness.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "app/geometry.h"
#include "res/resource.h"
#include "search/pump.h"
#include "settings/settings_codec.h"

namespace {

// What the browser looked like, read from inside its modal loop; then `confirm` is selected
// (when not empty) and OK pressed, or Cancel.
struct BrowserSeen {
    bool found;
    std::string cls, selected;
    HWND owner;
    HICON icon;
    RECT rect;
};
BrowserSeen seen;
std::string confirm;
bool pressOk;
int selectionTicks;  // how long to wait for a selection to show, in 100 ms ticks

std::string selectedTreeItem(HWND box)
{
    HWND tree = FindWindowExA(box, nullptr, WC_TREEVIEWA, nullptr);
    HTREEITEM item = tree != nullptr ? TreeView_GetSelection(tree) : nullptr;
    if (item == nullptr)
        return "";
    char text[MAX_PATH] = "";
    TVITEMA tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = MAX_PATH;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
    return text;
}

std::string leafOf(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

// Reads the browser, lets it settle for a few ticks (it fills its tree and takes a posted
// selection in its own time), selects `confirm` until the tree shows it, then presses OK;
// or Cancel.
void CALLBACK actOnBrowser(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND box = GetLastActivePopup(app.mainWindow);
    if (box == app.mainWindow || box == nullptr)
        return;
    static int ticks;
    if (!seen.found) {
        char cls[32] = "";
        GetClassNameA(box, cls, sizeof cls);
        seen = {true, cls, "", GetWindow(box, GW_OWNER), reinterpret_cast<HICON>(SendMessageA(box, WM_GETICON, ICON_BIG, 0)),
                {}};
        GetWindowRect(box, &seen.rect);
        ticks = 0;
    }
    if (++ticks < 5)
        return;
    // A fresh prefix can take seconds to fill the tree: wait for a selection to show, or
    // take none when the time is up.
    static bool read;
    if (ticks == 5)
        read = false;
    if (!read) {
        seen.selected = selectedTreeItem(box);
        read = !seen.selected.empty() || ticks >= selectionTicks;
        if (!read)
            return;
    }
    if (!confirm.empty() && selectedTreeItem(box) != leafOf(confirm) && ticks < 60) {
        SendMessageA(box, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(confirm.c_str()));
        return;
    }
    KillTimer(nullptr, id);
    PostMessageA(box, WM_COMMAND, pressOk ? IDOK : IDCANCEL, 0);
}

class FolderChooserTest : public ProgramTest {
protected:
    std::string folder;
    void SetUp() override
    {
        ProgramTest::SetUp();
        // On the tests' own drive: Wine's browser matches each folder of the path by its
        // modification time too, and a write into %TEMP% while it opens (seen on a CI
        // machine) loses the preselection.
        folder = makeTempDir("pick", GetDriveTypeA("V:\\") == DRIVE_NO_ROOT_DIR ? nullptr : "V:\\");
        seen = {};
    }
    void TearDown() override
    {
        removeTree(folder);
        ProgramTest::TearDown();
    }
    // "F&older" as the menu sends it: second parameter 1 when chosen with the right button.
    void browse(bool rightButton, bool ok, const std::string& toConfirm = "")
    {
        seen = {};
        // Ten seconds where a preselection should show, four to show that none does.
        selectionTicks = rightButton && windowText(app.folderBox) != "" ? 100 : 40;
        pressOk = ok;
        confirm = toConfirm;
        SetTimer(nullptr, 0, 100, actOnBrowser);
        SendMessageA(app.mainWindow, WM_COMMAND, IDM_FOLDER, rightButton ? 1 : 0);
        runUntilIdle();
    }
    std::string leaf(const std::string& path) { return leafOf(path); }
};

TEST_F(FolderChooserTest, BrowserOpensAtTheNormalWindowAndConfirmsAFolder)
{
    SetWindowPos(app.mainWindow, nullptr, 60, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(app.mainWindow, SW_MAXIMIZE);  // popups still go to the normal-state corner
    runUntilIdle();
    SetWindowTextA(app.folderBox, folder.c_str());
    addEntries({"C:\\old.lnk"});
    browse(false, true, folder);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.cls, "#32770");
    EXPECT_EQ(seen.owner, app.mainWindow);
    EXPECT_EQ(seen.icon, app.appIcon);
    EXPECT_NE(seen.selected, leaf(folder));  // the left button preselects nothing
    int w = seen.rect.right - seen.rect.left, h = seen.rect.bottom - seen.rect.top;
    EXPECT_EQ(seen.rect.left, popupCoordinate(60, app.frameX, w, GetSystemMetrics(SM_CXSCREEN)));
    EXPECT_EQ(seen.rect.top, popupCoordinate(80, app.frameY, h, GetSystemMetrics(SM_CYSCREEN)));
    EXPECT_EQ(windowText(app.folderBox), folder);
    EXPECT_EQ(listEntries().size(), 0u);
    EXPECT_EQ(windowText(app.statusLabel), "Not yet");
}

TEST_F(FolderChooserTest, RightButtonPreselectsTheTypedFolderAndCancelKeepsEverything)
{
    SetWindowTextA(app.folderBox, folder.c_str());
    addEntries({"C:\\old.lnk"});
    SetWindowTextA(app.statusLabel, "0 / 1 Links");
    browse(true, false);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.cls, "#32770");
    EXPECT_EQ(seen.icon, app.appIcon);  // the placement ran, and with it the preselection request
    EXPECT_EQ(seen.selected, leaf(folder));
    EXPECT_EQ(windowText(app.folderBox), folder);
    EXPECT_EQ(listEntries(), (std::vector<std::string>{"C:\\old.lnk"}));
    EXPECT_EQ(windowText(app.statusLabel), "0 / 1 Links");

    // OK on the preselection takes it as the browser names it.
    SetWindowTextA(app.folderBox, (folder + "\\").c_str());
    browse(true, true);
    EXPECT_EQ(windowText(app.folderBox), folder);
    EXPECT_EQ(windowText(app.statusLabel), "Not yet");

    // An empty folder box preselects nothing.
    SetWindowTextA(app.folderBox, "");
    browse(true, false);
    ASSERT_TRUE(seen.found);
    EXPECT_NE(seen.selected, leaf(folder));
    EXPECT_EQ(windowText(app.folderBox), "");
}

// A drop as the shell makes one: wide names (given here in UTF-8).
HDROP makeDrop(const std::vector<std::string>& paths)
{
    std::wstring list;
    for (const std::string& p : paths) {
        wchar_t wide[1024];
        int n = MultiByteToWideChar(CP_UTF8, 0, p.c_str(), -1, wide, 1024);
        list.append(wide, static_cast<std::size_t>(n));
    }
    list += L'\0';
    std::size_t bytes = list.size() * sizeof(wchar_t);
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + bytes);
    DROPFILES* d = static_cast<DROPFILES*>(GlobalLock(h));
    d->pFiles = sizeof(DROPFILES);
    d->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(d) + sizeof(DROPFILES), list.data(), bytes);
    GlobalUnlock(h);
    return static_cast<HDROP>(h);
}

TEST_F(FolderChooserTest, DropTakesAnExistingFolderDroppedFirst)
{
    std::string other = makeTempDir("pick2");
    std::string file = folder + "\\f.txt";
    writeFile(file, "x");
    // Beside "data": "\uFF44ata" (full-width d), which best fit would turn into it.
    CreateDirectoryA((folder + "\\data").c_str(), nullptr);
    std::string fullWidth = folder + "\\\xEF\xBD\x84" "ata";
    CreateDirectoryW((std::wstring(folder.begin(), folder.end()) + L"\\\uFF44ata").c_str(), nullptr);
    struct Case {
        std::vector<std::string> dropped;
        bool taken;
    } cases[] = {
        {{file}, false},
        {{folder + "\\missing"}, false},
        {{file, other}, false},
        {{other, folder}, true},
        {{folder}, true},
        {{fullWidth}, GetACP() == CP_UTF8},  // taken only where the code page holds it exactly
        {{folder + std::string(263 - folder.size(), '\\')}, false},  // cut to 259, still the folder
    };
    for (const Case& c : cases) {
        SetWindowTextA(app.folderBox, "C:\\typed");
        SetWindowTextA(app.statusLabel, "Not yet");
        HDROP drop = makeDrop(c.dropped);
        PostMessageA(app.mainWindow, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
        runUntilIdle();
        SCOPED_TRACE(c.dropped[0]);
        EXPECT_EQ(GlobalSize(drop), 0u);  // released on every path
        EXPECT_EQ(windowText(app.folderBox), c.taken ? c.dropped[0] : "C:\\typed");
        EXPECT_EQ(windowText(app.statusLabel), c.taken ? "No File" : "Not yet");
    }
    // With results listed they stay, and the status line is recomputed from them.
    addEntries({"C:\\a.lnk", "C:\\b.lnk"});
    selectEntry(1, true);
    SetWindowTextA(app.statusLabel, "stale");
    PostMessageA(app.mainWindow, WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop({other})), 0);
    runUntilIdle();
    EXPECT_EQ(windowText(app.folderBox), other);
    EXPECT_EQ(listEntries().size(), 2u);
    EXPECT_EQ(windowText(app.statusLabel), "1 / 2 Links");
    removeTree(other);
}

TEST_F(FolderChooserTest, DropDuringAWalkLeavesTheWalkAlone)
{
    // The first pump of the walk dispatches the drop, while pathBuf holds the walk's path.
    for (int i = 0; i < 3; ++i) {
        std::string target = folder + "\\t" + std::to_string(i);
        writeFile(target, "t");
        makeShortcut(target + ".lnk", target);
        DeleteFileA(target.c_str());
    }
    for (int i = 0; i < 20; ++i)
        writeFile(folder + "\\plain" + std::to_string(i) + ".txt", "x");
    std::string other = makeTempDir("pick3");
    SetWindowTextA(app.folderBox, folder.c_str());
    HDROP drop = makeDrop({other});
    PostMessageA(app.mainWindow, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    SendMessageA(app.mainWindow, WM_COMMAND, IDC_SEARCH, 0);
    runUntilIdle();
    EXPECT_EQ(GlobalSize(drop), 0u);
    EXPECT_EQ(listEntries().size(), 3u);
    EXPECT_EQ(windowText(app.statusLabel), "0 / 3 Links");
    EXPECT_EQ(windowText(app.folderBox), folder);
    EXPECT_EQ(historyItems().at(0), folder);
    removeTree(other);
}

TEST_F(FolderChooserTest, WindowMovedOffTheMonitorComesBack)
{
    ShowWindow(app.mainWindow, SW_RESTORE);
    RECT before;
    GetWindowRect(app.mainWindow, &before);
    int w = before.right - before.left, h = before.bottom - before.top;
    SetWindowPos(app.mainWindow, nullptr, -500, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    runUntilIdle();
    POINT centre = {-500 + w / 2, 100 + h / 2};
    MONITORINFO mi = {};
    mi.cbSize = sizeof mi;
    ASSERT_TRUE(GetMonitorInfoA(MonitorFromPoint(centre, MONITOR_DEFAULTTONEAREST), &mi));
    int x, y;
    pullOntoWorkArea({-500, 100, -500 + w, 100 + h}, {mi.rcWork.left, mi.rcWork.top, mi.rcWork.right, mi.rcWork.bottom},
                     GetSystemMetrics(SM_CYCAPTION), x, y);
    ASSERT_NE(x, -500);  // the rule moves this window at all
    RECT after;
    GetWindowRect(app.mainWindow, &after);
    EXPECT_EQ(after.left, x);
    EXPECT_EQ(after.top, y);
    EXPECT_EQ(app.settings.windowRect.left, x);
    EXPECT_EQ(app.settings.windowRect.right, x + w);

    MINMAXINFO info = {};
    SendMessageA(app.mainWindow, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, minTrackWidth(app.unit, app.frameX));
    EXPECT_EQ(info.ptMinTrackSize.y, minTrackHeight(app.unit, app.frameX, app.frameY));
}

TEST_F(FolderChooserTest, MaximisedThenClosedKeepsTheNormalRectangle)
{
    SetWindowPos(app.mainWindow, nullptr, 70, 90, 500, 400, SWP_NOZORDER);
    runUntilIdle();
    ShowWindow(app.mainWindow, SW_MAXIMIZE);
    runUntilIdle();
    closeNow();
    std::string bytes = readFile(dir + "\\vellmoor.qnf");
    Settings s = {};
    decodeSettingsBlock(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), s);
    EXPECT_EQ(s.windowRect.left, 70);
    EXPECT_EQ(s.windowRect.top, 90);
    EXPECT_EQ(s.windowRect.right, 570);
    EXPECT_EQ(s.windowRect.bottom, 490);
}

}  // namespace
