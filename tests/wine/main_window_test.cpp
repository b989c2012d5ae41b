// The main window: busy gate, close handling, menus, right-button execution, About.
#include "tests/wine/harness.h"

#include "res/resource.h"

namespace {

LRESULT command(UINT id, UINT code = 0, LPARAM control = 0)
{
    return SendMessageA(app.mainWindow, WM_COMMAND, MAKEWPARAM(id, code), control);
}

bool takePosted(UINT msg, MSG* out = nullptr)
{
    MSG m;
    if (!PeekMessageA(&m, app.mainWindow, msg, msg, PM_REMOVE))
        return false;
    if (out != nullptr)
        *out = m;
    return true;
}

TEST_F(ProgramTest, BusyGateTurnsCommandsIntoCancelRequests)
{
    app.busy = 1;
    // Focus and edit changes, and the folder box's list opening, closing or losing its pick
    // (a click into the box, then a switch to another program) are no requests to stop.
    for (UINT code : {3u, 4u, 5u, UINT{CBN_DROPDOWN}, UINT{CBN_CLOSEUP}, UINT{CBN_SELENDCANCEL}}) {
        command(IDC_FOLDER, code);
        EXPECT_EQ(app.busy, 1) << "code " << code;
    }
    command(IDM_TOPMOST);
    EXPECT_EQ(app.busy, -1);
    EXPECT_EQ(app.settings.topMost, 0u);

    // While the cancel is pending nothing is carried out, not even a harmless option.
    command(IDM_EXIT);
    command(IDM_TOPMOST);
    EXPECT_EQ(app.busy, -1);
    EXPECT_EQ(app.settings.topMost, 0u);
    EXPECT_FALSE(takePosted(WM_CLOSE));

    app.busy = 0;
    command(IDM_TOPMOST);
    EXPECT_EQ(app.settings.topMost, 1u);
    // Wine 8 does not show HWND_TOPMOST in the extended style; the option is what is checked.
    command(IDM_TOPMOST);
    EXPECT_EQ(app.settings.topMost, 0u);
    command(IDM_EXIT);
    EXPECT_TRUE(takePosted(WM_CLOSE));
    EXPECT_TRUE(IsWindow(app.mainWindow));
}

// The list's procedure as the list's WM_DESTROY reaches it.
HWND watchedList;
LONG_PTR procAtListDestroy;
LRESULT CALLBACK watchListDestroy(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && m->hwnd == watchedList && m->message == WM_DESTROY)
        procAtListDestroy = GetWindowLongPtrA(m->hwnd, GWLP_WNDPROC);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(ProgramTest, CloseIsRefusedWhileARunIsOnTheStack)
{
    app.busy = 1;
    EXPECT_EQ(SendMessageA(app.mainWindow, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(app.busy, -1);
    EXPECT_TRUE(IsWindow(app.mainWindow));
    EXPECT_EQ(SendMessageA(app.mainWindow, WM_QUERYENDSESSION, 0, 0), 0);
    EXPECT_EQ(app.busy, -1);
    EXPECT_TRUE(IsWindow(app.mainWindow));
    app.busy = 1;
    EXPECT_EQ(SendMessageA(app.mainWindow, WM_QUERYENDSESSION, 0, 0), 0);
    EXPECT_EQ(app.busy, -1);
    EXPECT_FALSE(fileExists(dir + "\\vellmoor.qnf"));

    app.busy = 0;
    HWND list = app.resultList;
    watchedList = list;
    procAtListDestroy = 0;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, watchListDestroy, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    EXPECT_EQ(SendMessageA(app.mainWindow, WM_QUERYENDSESSION, 0, 0), 1);
    UnhookWindowsHookEx(hook);
    EXPECT_FALSE(IsWindow(app.mainWindow));
    EXPECT_FALSE(IsWindow(list));
    // The subclass is taken off before the list goes: its procedure reads state being torn down.
    EXPECT_EQ(procAtListDestroy, reinterpret_cast<LONG_PTR>(app.listBaseProc));
    EXPECT_TRUE(fileExists(dir + "\\vellmoor.qnf"));
    EXPECT_FALSE(runUntilIdle());  // the quit message follows
    closeNow();
}

TEST_F(ProgramTest, CloseWhenIdleSavesAndEndsTheLoop)
{
    EXPECT_EQ(SendMessageA(app.mainWindow, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(IsWindow(app.mainWindow));
    EXPECT_EQ(readFile(dir + "\\vellmoor.qnf").size(), 48u);
    EXPECT_FALSE(runUntilIdle());
    closeNow();
}

TEST_F(ProgramTest, EditMenuIsGreyWithoutEntries)
{
    HMENU edit = GetSubMenu(GetMenu(app.mainWindow), 1);
    SendMessageA(app.mainWindow, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 1);
    for (UINT id = IDM_SELREV; id <= IDM_COPY; ++id)
        EXPECT_TRUE(GetMenuState(edit, id, MF_BYCOMMAND) & MF_GRAYED) << id;
    addEntries({"C:\\a.lnk"});
    SendMessageA(app.mainWindow, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 1);
    for (UINT id = IDM_SELREV; id <= IDM_COPY; ++id)
        EXPECT_FALSE(GetMenuState(edit, id, MF_BYCOMMAND) & MF_GRAYED) << id;
}

TEST_F(ProgramTest, OptionsMenuReducesValuesToTheirLowestBit)
{
    app.settings.topMost = 3;
    app.settings.recycle = 2;
    app.settings.tipTime = 0x101;
    app.menuPick = IDM_FOLDER;
    HMENU options = GetSubMenu(GetMenu(app.mainWindow), 2);
    SendMessageA(app.mainWindow, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(options), 2);
    EXPECT_EQ(app.menuPick, 0u);
    EXPECT_EQ(app.settings.topMost, 1u);
    EXPECT_EQ(app.settings.recycle, 0u);
    EXPECT_EQ(app.settings.tipTime, 1u);
    EXPECT_TRUE(GetMenuState(options, IDM_TOPMOST, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(options, IDM_RECYCLE, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(options, IDM_TIPTIME, MF_BYCOMMAND) & MF_CHECKED);
    command(IDM_RECYCLE);
    EXPECT_EQ(app.settings.recycle, 1u);
}

TEST_F(ProgramTest, MenuSelectRemembersOnlyEnabledItems)
{
    HMENU file = GetSubMenu(GetMenu(app.mainWindow), 0);
    LPARAM menu = reinterpret_cast<LPARAM>(file);
    SendMessageA(app.mainWindow, WM_MENUSELECT, MAKEWPARAM(IDM_FOLDER, MF_HILITE), menu);
    EXPECT_EQ(app.menuPick, static_cast<unsigned>(IDM_FOLDER));
    SendMessageA(app.mainWindow, WM_MENUSELECT, MAKEWPARAM(IDM_EXIT, MF_HILITE | MF_GRAYED), menu);
    EXPECT_EQ(app.menuPick, 0u);
    app.menuPick = IDM_FOLDER;
    SendMessageA(app.mainWindow, WM_MENUSELECT, MAKEWPARAM(0, MF_HILITE | MF_POPUP), menu);
    EXPECT_EQ(app.menuPick, 0u);
    // The menu closing keeps a pick the right button was pressed on, and only that.
    app.menuPick = 0x10000 | IDM_FOLDER;
    SendMessageA(app.mainWindow, WM_MENUSELECT, 0xFFFF0000, 0);
    EXPECT_EQ(app.menuPick, 0x10000u | IDM_FOLDER);
    app.menuPick = IDM_FOLDER;
    SendMessageA(app.mainWindow, WM_MENUSELECT, 0xFFFF0000, 0);
    EXPECT_EQ(app.menuPick, 0u);
}

TEST_F(ProgramTest, RightButtonReleaseCarriesOutTheItem)
{
    runUntilIdle();
    SendMessageA(app.mainWindow, WM_MENUSELECT, MAKEWPARAM(IDM_FOLDER, MF_HILITE), 0);
    // Without the right button having gone down, idling does nothing.
    SendMessageA(app.mainWindow, WM_ENTERIDLE, MSGF_MENU, 0);
    EXPECT_FALSE(takePosted(WM_COMMAND));

    app.menuPick |= 0x10000;  // the right button went down on the item
    SendMessageA(app.mainWindow, WM_ENTERIDLE, MSGF_DIALOGBOX, 0);
    EXPECT_FALSE(takePosted(WM_COMMAND));
    SendMessageA(app.mainWindow, WM_ENTERIDLE, MSGF_MENU, 0);
    // Alt down and up close the menu; the command must come after them, not before.
    std::vector<std::string> posted;
    MSG m;
    while (PeekMessageA(&m, app.mainWindow, 0, 0, PM_REMOVE))
        posted.push_back(std::to_string(m.message) + ":" + std::to_string(m.wParam) + ":" + std::to_string(static_cast<DWORD>(m.lParam)));
    EXPECT_EQ(posted, (std::vector<std::string>{
                          std::to_string(WM_KEYDOWN) + ":" + std::to_string(VK_MENU) + ":" + std::to_string(0x00380001),
                          std::to_string(WM_KEYUP) + ":" + std::to_string(VK_MENU) + ":" + std::to_string(0xC0380001u),
                          std::to_string(WM_COMMAND) + ":" + std::to_string(IDM_FOLDER) + ":1"}));
    // A second idle before the menu closes does not carry it out twice.
    SendMessageA(app.mainWindow, WM_ENTERIDLE, MSGF_MENU, 0);
    EXPECT_FALSE(takePosted(WM_COMMAND));
}

TEST_F(ProgramTest, RightButtonDownIsRecordedWhileIdling)
{
    SendMessageA(app.mainWindow, WM_MENUSELECT, MAKEWPARAM(IDM_ABOUT, MF_HILITE), 0);
    SetCursorPos(1270, 1010);  // over no window of ours
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    SendInput(1, &in, sizeof in);
    for (int i = 0; i < 50 && GetAsyncKeyState(VK_RBUTTON) >= 0; ++i)
        Sleep(10);
    SendMessageA(app.mainWindow, WM_ENTERIDLE, MSGF_MENU, 0);
    in.mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    SendInput(1, &in, sizeof in);
    EXPECT_EQ(app.menuPick, 0x10000u | IDM_ABOUT);
    EXPECT_FALSE(takePosted(WM_COMMAND));
}

// Reads and closes the About box from inside its own modal loop.
std::string aboutCaption;
HICON aboutIcon;
RECT aboutRect;
void CALLBACK closeAbout(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND box = GetLastActivePopup(app.mainWindow);
    if (box == app.mainWindow)
        return;
    aboutCaption = windowText(box);
    aboutIcon = reinterpret_cast<HICON>(SendMessageA(box, WM_GETICON, ICON_BIG, 0));
    GetWindowRect(box, &aboutRect);
    KillTimer(nullptr, id);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

TEST_F(ProgramTest, AboutBoxHasTheVersionCaptionAndSitsOnTheWindow)
{
    SetWindowPos(app.mainWindow, nullptr, 100, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    runUntilIdle();
    SetTimer(nullptr, 0, 300, closeAbout);
    command(IDM_ABOUT);
    EXPECT_EQ(aboutCaption, "Vellmoor  1.520");
    EXPECT_EQ(aboutIcon, app.appIcon);
    EXPECT_EQ(aboutRect.left, 100 + app.frameX);
    EXPECT_EQ(aboutRect.top, 120 + app.frameY);
}

TEST_F(ProgramTest, RemoteBoxSetsItsFlagAndClearsResults)
{
    addEntries({"C:\\a.lnk", "C:\\b.lnk"});
    SendMessageA(app.remoteCheck, BM_CLICK, 0, 0);
    EXPECT_EQ(app.settings.remoteOn, 1u);
    EXPECT_EQ(SendMessageA(app.resultList, LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(windowText(app.statusLabel), "Not yet");
    SendMessageA(app.remoteCheck, BM_CLICK, 0, 0);
    EXPECT_EQ(app.settings.remoteOn, 0u);
}

TEST_F(ProgramTest, LayoutFollowsTheWindowSize)
{
    int u = app.unit;
    RECT want = {0, 0, 400, 300};
    AdjustWindowRectEx(&want, WS_OVERLAPPEDWINDOW, TRUE, WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE);
    SetWindowPos(app.mainWindow, nullptr, 0, 0, want.right - want.left, want.bottom - want.top, SWP_NOMOVE | SWP_NOZORDER);
    RECT c;
    GetClientRect(app.mainWindow, &c);
    RECT r;
    GetWindowRect(app.searchButton, &r);
    MapWindowPoints(nullptr, app.mainWindow, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, c.right - 4 * u - 4);
    GetWindowRect(app.resultList, &r);
    EXPECT_EQ(r.right - r.left, c.right - 8);
    EXPECT_EQ(r.bottom - r.top, c.bottom - 2 * u - 32);
    RECT w;
    GetWindowRect(app.mainWindow, &w);
    EXPECT_EQ(app.settings.windowRect.right - app.settings.windowRect.left, w.right - w.left);
    // Maximised: the remembered rectangle stays the normal one.
    WindowRect normal = app.settings.windowRect;
    ShowWindow(app.mainWindow, SW_MAXIMIZE);
    runUntilIdle();
    EXPECT_EQ(app.settings.windowRect.right, normal.right);
    EXPECT_EQ(app.settings.windowRect.bottom, normal.bottom);
}

// A keyboard user: the focus starts in the folder box (in the list when a search starts),
// Tab and Shift+Tab go round the enabled controls in order, Enter in the folder box searches.
TEST_F(ProgramTest, KeyboardReachesEveryControlAndEnterSearches)
{
    auto focused = [] {
        HWND f = GetFocus();
        return f != nullptr && GetParent(f) == app.folderBox ? app.folderBox : f;
    };
    auto key = [](WORD vk) {
        PostMessageA(GetFocus(), WM_KEYDOWN, vk, 1);
        runUntilIdle();
    };
    EXPECT_EQ(focused(), app.folderBox);
    for (HWND next : {app.searchButton, app.remoteCheck, app.resultList, app.folderBox}) {  // Delete is disabled
        key(VK_TAB);
        EXPECT_EQ(focused(), next);
    }
    pressKey(VK_SHIFT, true);
    key(VK_TAB);
    pressKey(VK_SHIFT, false);
    EXPECT_EQ(focused(), app.resultList);

    std::string folder = makeTempDir("enter");
    SetWindowTextA(app.folderBox, folder.c_str());
    SetFocus(app.folderBox);
    key(VK_RETURN);
    EXPECT_EQ(windowText(app.statusLabel), "No File");
    EXPECT_EQ(historyItems().at(0), folder);
    EXPECT_EQ(focused(), app.resultList);

    closeNow();
    ASSERT_TRUE(startTestProgram("\"" + exePath + "\" \"" + folder + "\""));
    closed = false;
    runUntilIdle();
    EXPECT_EQ(focused(), app.resultList);
    removeTree(folder);
}

}  // namespace
