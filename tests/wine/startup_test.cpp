// Start-up: the window, its six controls and the tooltip, as the user gets them.
#include "tests/wine/harness.h"

#include "app/geometry.h"
#include "app/startup.h"
#include "res/resource.h"

namespace {

struct Expected {
    HWND AppState::*field;
    const char* className;
    const char* text;
    LONG style;
    LONG exStyle;
    int id;
    ControlSlot slot;
};

TEST_F(ProgramTest, CreatesSixControlsWithTheirClassesTextsAndGeometry)
{
    EXPECT_EQ(windowText(app.mainWindow), "Vellmoor");
    const Expected controls[] = {
        {&AppState::folderBox, "ComboBox", "", 0x50200A42 | WS_TABSTOP, WS_EX_CLIENTEDGE, IDC_FOLDER, SLOT_FOLDER},
        {&AppState::searchButton, "Button", "Search", 0x50000F00 | WS_TABSTOP, WS_EX_STATICEDGE, IDC_SEARCH, SLOT_SEARCH},
        {&AppState::statusLabel, "Static", "Not yet", 0x50000001, 0, IDC_STATUS, SLOT_STATUS},
        {&AppState::remoteCheck, "Button", "Remote", 0x50000003 | WS_TABSTOP, 0, IDC_REMOTE, SLOT_REMOTE},
        {&AppState::deleteButton, "Button", "Delete", 0x58000F00 | WS_TABSTOP, WS_EX_STATICEDGE, IDC_DELETE, SLOT_DELETE},
        {&AppState::resultList, "ListBox", "", 0x54300159 | WS_TABSTOP, WS_EX_CLIENTEDGE, IDC_LIST, SLOT_LIST},
    };
    for (const Expected& c : controls) {
        HWND w = app.*c.field;
        ASSERT_NE(w, nullptr) << c.className;
        char cls[64];
        GetClassNameA(w, cls, sizeof cls);
        EXPECT_STRCASEEQ(cls, c.className);
        if (c.slot != SLOT_FOLDER && c.slot != SLOT_LIST) {
            EXPECT_EQ(windowText(w), c.text);
        }
        EXPECT_EQ(GetWindowLongA(w, GWL_STYLE) & ~WS_VSCROLL & ~WS_HSCROLL, c.style & ~WS_VSCROLL & ~WS_HSCROLL) << c.className;
        if (c.slot != SLOT_FOLDER)  // Wine's combo box drops its client edge
            EXPECT_EQ(GetWindowLongA(w, GWL_EXSTYLE) & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE), c.exStyle) << c.className;
        EXPECT_EQ(GetDlgCtrlID(w), c.id) << c.className;
        EXPECT_EQ(GetParent(w), app.mainWindow);
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(w, WM_GETFONT, 0, 0)), app.uiFont) << c.className;
        // Sizes as created, or as laid out since (the window is at its initial size).
        RECT r;
        GetWindowRect(w, &r);
        MapWindowPoints(nullptr, app.mainWindow, reinterpret_cast<POINT*>(&r), 2);
        Box b = creationBox(c.slot, app.unit);
        if (c.slot == SLOT_STATUS || c.slot == SLOT_REMOTE || c.slot == SLOT_LIST) {
            EXPECT_EQ(r.left, b.x) << c.className;
            EXPECT_EQ(r.top, b.y) << c.className;
            EXPECT_EQ(r.right - r.left, b.width) << c.className;
        }
    }
    EXPECT_FALSE(IsWindowEnabled(app.deleteButton));
    EXPECT_EQ(GetWindowLongA(app.mainWindow, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, WS_EX_ACCEPTFILES);
}

TEST_F(ProgramTest, ClientAreaAndUnitFollowTheFont)
{
    LOGFONTA lf;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof lf, &lf, 0));
    EXPECT_EQ(app.unit, unitFromIconFont(lf.lfHeight));
    RECT c;
    GetClientRect(app.mainWindow, &c);
    EXPECT_EQ(c.right, initialClientWidth(app.unit));
    EXPECT_EQ(c.bottom, initialClientHeight(app.unit));
    RECT w;
    GetWindowRect(app.mainWindow, &w);
    EXPECT_EQ(w.left, 0);  // no settings file: top-left corner
    EXPECT_EQ(w.top, 0);
    EXPECT_TRUE(IsWindowVisible(app.mainWindow));
    EXPECT_EQ(GetWindowLongA(app.mainWindow, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
}

TEST_F(ProgramTest, ListIsSubclassedAndMeasuresWithTheUiFont)
{
    EXPECT_NE(app.listBaseProc, nullptr);
    EXPECT_NE(GetWindowLongPtrA(app.resultList, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(app.listBaseProc));
    ASSERT_NE(app.listDc, nullptr);
    EXPECT_EQ(GetCurrentObject(app.listDc, OBJ_FONT), static_cast<HGDIOBJ>(app.uiFont));
}

TEST_F(ProgramTest, TooltipIsConfigured)
{
    ASSERT_NE(app.tipWindow, nullptr);
    char cls[64];
    GetClassNameA(app.tipWindow, cls, sizeof cls);
    EXPECT_STREQ(cls, TOOLTIPS_CLASSA);
    EXPECT_EQ(SendMessageA(app.tipWindow, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0), 30000);
    EXPECT_EQ(SendMessageA(app.tipWindow, TTM_GETDELAYTIME, TTDT_INITIAL, 0), 120);
    EXPECT_EQ(SendMessageA(app.tipWindow, TTM_GETMAXTIPWIDTH, 0, 0), 1200);
}

TEST_F(ProgramTest, MenuBarHasItsPopups)
{
    HMENU bar = GetMenu(app.mainWindow);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(GetMenuItemCount(bar), 5);
    const char* captions[] = {"&File", "&Edit", "&Set'g", "&Help", ""};
    for (int i = 0; i < 5; ++i) {
        char text[32] = "?";
        GetMenuStringA(bar, i, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, captions[i]);
    }
    HMENU context = GetSubMenu(bar, CONTEXT_MENU_POS);
    char text[32];
    GetMenuStringA(context, IDM_DELITEM, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "&Delet Item");
    EXPECT_EQ(GetMenuItemID(context, 6), static_cast<UINT>(IDM_DELITEM));
    EXPECT_EQ(GetMenuItemCount(context), 7);
}

// What the loop dispatched to the recorder, in order: 'P' private, 'A' ordinary.
std::string dispatched;
const UINT PRIVATE = 0x8123, ORDINARY = WM_USER + 7;
LRESULT CALLBACK recordDispatch(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == PRIVATE || msg == ORDINARY) {
        dispatched += msg == PRIVATE ? 'P' : 'A';
        return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

TEST(Startup, LoopLetsFiveOrdinaryMessagesPassAPrivateOneAndStopsAtAQuit)
{
    HWND w = makeMessageWindow("RecordDispatch", recordDispatch);
    runUntilIdle();
    dispatched.clear();
    PostMessageA(w, PRIVATE, 0, 0);
    for (int i = 0; i < 7; ++i)
        PostMessageA(w, ORDINARY, 0, 0);
    PostQuitMessage(0);
    runMessageLoop();
    EXPECT_EQ(dispatched, "AAAAAPAA");

    // A quit among the ordinary ones ends the loop there: the private message is not run.
    dispatched.clear();
    PostMessageA(w, PRIVATE, 0, 0);
    PostMessageA(w, ORDINARY, 0, 0);
    PostMessageA(w, WM_QUIT, 0, 0);
    PostMessageA(w, ORDINARY, 0, 0);
    runMessageLoop();
    EXPECT_EQ(dispatched, "A");
    MSG m;
    EXPECT_TRUE(PeekMessageA(&m, w, ORDINARY, ORDINARY, PM_REMOVE));
    DestroyWindow(w);
}

TEST(Startup, FolderArgumentStartsASearch)
{
    std::string dir = makeTempDir("arg");
    std::string target = dir + "\\t.txt";
    writeFile(target, "x");
    makeShortcut(dir + "\\gone.lnk", target);
    DeleteFileA(target.c_str());
    ASSERT_TRUE(startTestProgram("\"" + dir + "\\vellmoor.exe\" \"" + dir + "\""));
    EXPECT_EQ(windowText(app.folderBox), dir);
    runUntilIdle();
    EXPECT_EQ(listEntries(), std::vector<std::string>{dir + "\\gone.lnk"});
    EXPECT_EQ(windowText(app.statusLabel), "0 / 1 Links");
    closeTestProgram();
    removeTree(dir);
}

// "ｄ" would be best-fitted to the existing "d" by an 8-bit read of the command line.
TEST(Startup, FileMissingOrInexactArgumentStartsNothingUnderEitherCodePage)
{
    std::string dir = makeTempDir("arg");
    writeFile(dir + "\\file.txt", "x");
    CreateDirectoryA((dir + "\\d").c_str(), nullptr);
    std::wstring wdir(dir.begin(), dir.end());
    for (std::wstring arg : {wdir + L"\\file.txt", wdir + L"\\missing", wdir + L"\\\xFF44"}) {
        ASSERT_TRUE(startTestProgram(L"\"" + wdir + L"\\vellmoor.exe\" " + arg));
        runUntilIdle();
        EXPECT_EQ(windowText(app.folderBox), "") << arg.size();
        EXPECT_EQ(windowText(app.statusLabel), "Not yet") << arg.size();
        closeTestProgram();
    }
    removeTree(dir);
}

// Started by a bare name (cmd passes it as typed), by a relative path or a path without an
// extension, the side files are named after the program's own file, never the current folder.
TEST(Startup, CommandLinesNamingNoFileUseTheModuleForSideFiles)
{
    std::string dir = makeTempDir("short");
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string expected = module;
    expected = expected.substr(0, expected.size() - 3) + "qnf";
    for (const char* program : {"\"a\"", "vellmoor", "sub\\vellmoor.exe", "C:\\Tools\\finder", "\"C:\\x.y\\run\""}) {
        ASSERT_TRUE(startTestProgram(std::string(program) + " " + dir));
        EXPECT_EQ(app.exePath, app.modulePath) << program;
        EXPECT_STREQ(app.exePath, expected.c_str()) << program;  // the settings load already named it
        closeTestProgram();  // saves beside the test program
        EXPECT_TRUE(fileExists(expected)) << program;
        DeleteFileA(expected.c_str());
    }
    removeTree(dir);
}

}  // namespace
