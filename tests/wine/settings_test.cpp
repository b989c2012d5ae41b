// The settings file and the folder history: load, save, and the history while running.
#include "tests/wine/harness.h"

#include <cstring>

#include "app/startup.h"
#include "res/resource.h"
#include "settings/settings_codec.h"
#include "settings/settings_file.h"

namespace {

std::string block(int left, int top, int right, int bottom, unsigned remote, unsigned topMost, unsigned recycle,
                  unsigned tip, unsigned reserved = 0)
{
    Settings s = {};
    s.windowRect = {left, top, right, bottom};
    s.remoteOn = remote;
    s.topMost = topMost;
    s.recycle = recycle;
    s.tipTime = tip;
    s.reserved1 = reserved;
    s.reserved2 = reserved + 1;
    s.reserved3 = reserved + 2;
    unsigned char b[SETTINGS_BYTES];
    encodeSettingsBlock(s, b);
    return std::string(reinterpret_cast<char*>(b), SETTINGS_BYTES);
}

std::string strings(const std::vector<std::string>& v)
{
    std::string out;
    for (const std::string& s : v)
        out += s + std::string(1, '\0');
    return out;
}

using Paths = std::vector<std::string>;

class SettingsTest : public ::testing::Test {
protected:
    std::string dir, exe, file;
    bool running = false;
    void SetUp() override
    {
        SetCursorPos(1270, 1010);
        dir = makeTempDir("set");
        exe = dir + "\\vellmoor.exe";
        file = dir + "\\vellmoor.qnf";
    }
    void TearDown() override
    {
        stop();
        removeTree(dir);
    }
    void start()
    {
        ASSERT_TRUE(startTestProgram("\"" + exe + "\""));
        running = true;
        runUntilIdle();
    }
    void stop()
    {
        if (running)
            closeTestProgram();
        running = false;
    }
    void restart()
    {
        stop();
        start();
    }
    void search(const std::string& folder)
    {
        SetWindowTextA(app.folderBox, folder.c_str());
        SendMessageA(app.mainWindow, WM_COMMAND, IDC_SEARCH, 0);
        runUntilIdle();
    }
};

TEST_F(SettingsTest, NoFileGivesDefaults)
{
    start();
    EXPECT_EQ(app.settings.windowRect.left, 0);
    EXPECT_EQ(app.settings.windowRect.top, 0);
    EXPECT_EQ(app.settings.remoteOn + app.settings.topMost + app.settings.recycle + app.settings.tipTime, 0u);
    EXPECT_EQ(historyItems(), Paths{});
    EXPECT_EQ(windowText(app.folderBox), "");
}

TEST_F(SettingsTest, SettingsAndHistoryComeBack)
{
    writeFile(file, block(30, 40, 530, 440, 1, 0, 1, 1, 0x11223344) + strings({"C:\\one", "D:\\two", "\\\\srv\\three"}));
    start();
    RECT r;
    GetWindowRect(app.mainWindow, &r);
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.top, 40);
    EXPECT_EQ(r.right, 530);
    EXPECT_EQ(r.bottom, 440);
    EXPECT_EQ(SendMessageA(app.remoteCheck, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(app.settings.recycle, 1u);
    EXPECT_EQ(app.settings.tipTime, 1u);
    EXPECT_EQ(historyItems(), (Paths{"C:\\one", "D:\\two", "\\\\srv\\three"}));
    EXPECT_EQ(windowText(app.folderBox), "C:\\one");
    stop();
    // Saved back byte for byte, reserved words included.
    EXPECT_EQ(readFile(file), block(30, 40, 530, 440, 1, 0, 1, 1, 0x11223344) + strings({"C:\\one", "D:\\two", "\\\\srv\\three"}));
}

TEST_F(SettingsTest, FortyStringsGiveThirtyTwo)
{
    Paths many;
    for (int i = 0; i < 40; ++i)
        many.push_back("C:\\f" + std::to_string(i));
    writeFile(file, block(0, 0, 400, 300, 0, 0, 0, 0) + strings(many));
    start();
    EXPECT_EQ(historyItems(), Paths(many.begin(), many.begin() + 32));
}

TEST_F(SettingsTest, FirstStringDecidesForTheBlock)
{
    writeFile(file, block(0, 0, 400, 300, 0, 0, 0, 0) + strings({"1\\x", "C:\\y"}));
    start();
    EXPECT_EQ(historyItems(), Paths{});
    EXPECT_EQ(windowText(app.folderBox), "");
}

TEST_F(SettingsTest, ExactlyFortyEightBytes)
{
    writeFile(file, block(5, 6, 405, 306, 1, 0, 0, 0));
    start();
    EXPECT_EQ(app.settings.windowRect.left, 5);
    EXPECT_EQ(app.settings.remoteOn, 1u);
    EXPECT_EQ(historyItems(), Paths{});
    EXPECT_EQ(SendMessageA(app.folderBox, CB_GETCURSEL, 0, 0), CB_ERR);
}

TEST_F(SettingsTest, ShortFileTakesWhatItHas)
{
    writeFile(file, block(77, 0, 0, 0, 0, 0, 0, 0).substr(0, 6));
    start();
    EXPECT_EQ(app.settings.windowRect.left, 77);
    EXPECT_EQ(app.settings.windowRect.top, 0);
    EXPECT_GT(app.settings.windowRect.right, 100) << "the default size stays";
}

TEST_F(SettingsTest, DamagedHistoryIsReadSafely)
{
    std::string longOne = "C:\\" + std::string(300, 'x');
    writeFile(file, block(0, 0, 400, 300, 0, 0, 0, 0) + strings({"C:\\a", longOne, "C:\\b"}) + "C:\\cut");
    start();
    EXPECT_EQ(historyItems(), (Paths{"C:\\a", "C:\\b"}));
}

TEST_F(SettingsTest, OlderLongerFileIsCutOnSave)
{
    Paths many;
    for (int i = 0; i < 10; ++i)
        many.push_back("C:\\a rather long folder name " + std::to_string(i));
    writeFile(file, block(0, 0, 400, 300, 0, 0, 0, 0) + strings(many));
    start();
    for (int i = 9; i >= 1; --i)
        SendMessageA(app.folderBox, CB_DELETESTRING, static_cast<WPARAM>(i), 0);
    stop();
    EXPECT_EQ(readFile(file).size(), 48u + many[0].size() + 1);
}

TEST_F(SettingsTest, ThirtyFiveSearchesKeepThirtyTwoAfterRestart)
{
    start();
    std::string base = makeTempDir("many");
    for (int i = 0; i < 35; ++i)
        search(base + "\\missing" + std::to_string(i));
    EXPECT_EQ(historyItems().size(), 35u);
    EXPECT_EQ(historyItems()[0], base + "\\missing34");
    restart();
    Paths h = historyItems();
    ASSERT_EQ(h.size(), 32u);
    EXPECT_EQ(h[0], base + "\\missing34");
    EXPECT_EQ(h[31], base + "\\missing3");
    removeTree(base);
}

TEST_F(SettingsTest, SearchMovesAKnownFolderToTheTop)
{
    writeFile(file, block(0, 0, 400, 300, 0, 0, 0, 0) + strings({"C:\\h0", "C:\\h1", "C:\\h2", dir + "\\sub"}));
    CreateDirectoryA((dir + "\\sub").c_str(), nullptr);
    start();
    search(dir + "\\SUB");  // found ignoring case, stored as typed
    EXPECT_EQ(historyItems(), (Paths{dir + "\\SUB", "C:\\h0", "C:\\h1", "C:\\h2"}));
    EXPECT_EQ(windowText(app.folderBox), dir + "\\SUB");
    search(dir + "\\SUB");
    EXPECT_EQ(historyItems().size(), 4u);
}

TEST_F(SettingsTest, PickingAnotherFolderClearsTheResults)
{
    writeFile(file, block(0, 0, 400, 300, 0, 0, 0, 0) + strings({"C:\\h0", "C:\\h1", "C:\\h2"}));
    start();
    addEntries({"C:\\x.lnk"});
    SendMessageA(app.folderBox, CB_SETCURSEL, 0, 0);
    SendMessageA(app.mainWindow, WM_COMMAND, MAKEWPARAM(IDC_FOLDER, CBN_CLOSEUP), reinterpret_cast<LPARAM>(app.folderBox));
    EXPECT_EQ(listEntries().size(), 1u);
    SendMessageA(app.folderBox, CB_SETCURSEL, 2, 0);
    SendMessageA(app.mainWindow, WM_COMMAND, MAKEWPARAM(IDC_FOLDER, CBN_CLOSEUP), reinterpret_cast<LPARAM>(app.folderBox));
    EXPECT_EQ(listEntries().size(), 0u);
    EXPECT_EQ(windowText(app.statusLabel), "Not yet");
}

TEST_F(SettingsTest, ShiftCloseUpDeletesThePickedFolderAndRestoresTheText)
{
    writeFile(file, block(0, 0, 400, 300, 0, 0, 0, 0) + strings({"C:\\h0", "C:\\h1", "C:\\h2"}));
    start();
    addEntries({"C:\\x.lnk"});
    SetWindowTextA(app.folderBox, "C:\\typed");
    SendMessageA(app.mainWindow, WM_COMMAND, MAKEWPARAM(IDC_FOLDER, CBN_DROPDOWN), reinterpret_cast<LPARAM>(app.folderBox));
    SendMessageA(app.folderBox, CB_SETCURSEL, 2, 0);  // the edit field now shows C:\h2
    pressKey(VK_SHIFT, true);
    SendMessageA(app.mainWindow, WM_COMMAND, MAKEWPARAM(IDC_FOLDER, CBN_CLOSEUP), reinterpret_cast<LPARAM>(app.folderBox));
    pressKey(VK_SHIFT, false);
    EXPECT_EQ(historyItems(), (Paths{"C:\\h0", "C:\\h1"}));
    runUntilIdle();
    EXPECT_EQ(windowText(app.folderBox), "C:\\typed");
    EXPECT_EQ(listEntries().size(), 1u);
}

// Ordinary messages that re-post themselves `lParam` more times, noting whether the folder
// text was restored when each ran; the last ends the loop.
std::string restoredWhen;
const UINT ORDINARY = WM_USER + 9;
LRESULT CALLBACK noteRestore(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg != ORDINARY)
        return DefWindowProcA(w, msg, wp, lp);
    restoredWhen += windowText(app.folderBox).empty() ? '.' : 'R';
    if (lp > 0)
        PostMessageA(w, ORDINARY, 0, lp - 1);
    else
        PostQuitMessage(0);
    return 0;
}

TEST_F(SettingsTest, RestoreChainWaitsBehindOrdinaryMessages)
{
    start();
    HWND w = makeMessageWindow("NoteRestore", noteRestore);
    runUntilIdle();
    struct Case {
        LPARAM chain;
        LPARAM ordinary;
        const char* seen;
    } cases[] = {
        {0, 5, ".....R"},  // five go first, then the text is set
        // Each pass of the chain lets five go first and one more runs between passes.
        {2, 30, ".................RRRRRRRRRRRRRR"},
    };
    for (const Case& c : cases) {
        SetWindowTextA(app.folderBox, "");
        lstrcpyA(app.restoreText, "C:\\restored");
        restoredWhen.clear();
        PostMessageA(app.mainWindow, MSG_RESTORE_FOLDER_TEXT, 1, c.chain);
        PostMessageA(w, ORDINARY, 0, c.ordinary);
        runMessageLoop();
        EXPECT_EQ(restoredWhen, c.seen) << "chain " << c.chain;
        EXPECT_EQ(windowText(app.folderBox), "C:\\restored");
    }
    DestroyWindow(w);
    PostMessageA(app.mainWindow, MSG_RESTORE_FOLDER_TEXT, 0, 0);  // flag 0: nothing at the end
    lstrcpyA(app.restoreText, "C:\\other");
    runUntilIdle();
    EXPECT_EQ(windowText(app.folderBox), "C:\\restored");
}

// A history an earlier version wrote in the legacy code page (Windows-1252 here) survives
// the UTF-8 code page: "Café" stays "Café". Valid UTF-8 is taken as it is.
TEST_F(SettingsTest, LegacyHistoryTextLoadsAsItWasMeant)
{
    writeFile(file, block(0, 0, 400, 300, 0, 0, 0, 0) + strings({"C:\\Caf\xE9", "C:\\\xC3\x9C" "ber"}));
    start();
    std::string cafe = GetACP() == CP_UTF8 ? "C:\\Caf\xC3\xA9" : "C:\\Caf\xE9";  // under 1252, as it was
    EXPECT_EQ(historyItems(), (Paths{cafe, "C:\\\xC3\x9C" "ber"}));
}

TEST_F(SettingsTest, ACutFileLoadsOnlyWholeStrings)
{
    const Paths folders = {"C:\\first", "D:\\second folder", "E:\\x"};
    const std::string full = block(3, 4, 403, 304, 1, 0, 1, 0) + strings(folders);
    // Every cut is decoded natively; here the file is read through. Lengths and the whole
    // strings they hold: none, a short block, the block alone, two bytes into the first
    // string, then each string's end (after 8, 16 and 4 characters) without and with its NUL.
    const std::pair<std::size_t, std::size_t> cuts[] = {{0, 0},  {20, 0}, {48, 0}, {50, 0}, {56, 0},
                                                        {57, 1}, {73, 1}, {74, 2}, {78, 2}, {79, 3}};
    for (auto [n, whole] : cuts) {
        writeFile(file, full.substr(0, n));
        start();
        SCOPED_TRACE("length " + std::to_string(n));
        EXPECT_EQ(historyItems(), Paths(folders.begin(), folders.begin() + whole));
        stop();
    }
}

TEST_F(SettingsTest, AFolderOrAHugeFileInItsPlace)
{
    CreateDirectoryA(file.c_str(), nullptr);  // a folder with the settings file's name
    start();
    EXPECT_EQ(historyItems(), Paths{});
    stop();
    RemoveDirectoryA(file.c_str());
    // Megabytes of history-like text: at most 32 folders are taken, each a whole string.
    std::string huge = block(0, 0, 400, 300, 0, 0, 0, 0);
    while (huge.size() < (3u << 20))
        huge += "C:\\folder" + std::to_string(huge.size()) + std::string(1, '\0');
    writeFile(file, huge);
    start();
    Paths taken = historyItems();
    EXPECT_EQ(taken.size(), 32u);
    EXPECT_EQ(taken.at(0), "C:\\folder48");
}

// A file held by another program: read when it shares reading, never overwritten with the
// defaults when it could not be read at start, and left whole when it cannot be replaced.
TEST_F(SettingsTest, HeldFileIsReadOrLeftAsItWas)
{
    const std::string kept = block(1, 2, 401, 302, 1, 0, 0, 0) + strings({"C:\\a", "C:\\b"});
    writeFile(file, kept);
    HANDLE held = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    start();
    EXPECT_EQ(app.settings.windowRect.left, 1);
    EXPECT_EQ(historyItems(), (Paths{"C:\\a", "C:\\b"}));
    stop();  // it cannot be replaced while held: nothing written, nothing shown
    CloseHandle(held);
    EXPECT_EQ(readFile(file), kept);

    held = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    start();  // not readable: defaults
    CloseHandle(held);
    EXPECT_EQ(app.settings.windowRect.left, 0);
    EXPECT_EQ(historyItems(), Paths{});
    stop();  // ... which must not replace the user's file
    EXPECT_EQ(readFile(file), kept);
    EXPECT_FALSE(fileExists(file + "~"));
}

// A save whose write stops halfway (a full disk) leaves the old file as it was, through a new
// file or, where none can be made beside it, in place; in place, a save that works leaves
// the new file alone, without the old one's tail.
BOOL WINAPI halfWrite(HANDLE h, LPCVOID bytes, DWORD size, LPDWORD written, LPOVERLAPPED o)
{
    WriteFile(h, bytes, size / 2, written, o);
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

TEST_F(SettingsTest, SaveThatFailsMidwayLeavesTheOldFile)
{
    const std::string kept = block(1, 2, 401, 302, 0, 0, 0, 0) + strings({"C:\\old", "C:\\a long folder text to be cut"});
    for (bool inPlace : {false, true}) {
        SCOPED_TRACE(inPlace ? "in place" : "through a new file");
        writeFile(file, kept);
        if (inPlace)
            ASSERT_TRUE(CreateDirectoryA((file + "~").c_str(), nullptr));  // no new file can take that name
        start();
        search(dir);
        SetWindowPos(app.mainWindow, nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);  // the block changes too
        settingsWrite = halfWrite;
        stop();
        settingsWrite = WriteFile;
        EXPECT_EQ(readFile(file), kept);
        start();
        SendMessageA(app.folderBox, CB_DELETESTRING, 1, 0);
        stop();
        EXPECT_EQ(readFile(file).size(), SETTINGS_BYTES + 7) << "only C:\\old is left";
        start();
        EXPECT_EQ(historyItems(), Paths{"C:\\old"});
        stop();
        RemoveDirectoryA((file + "~").c_str());
    }
}

// Relative folder texts are kept as the folders they named; one that the loader would not
// take first is never written first.
TEST_F(SettingsTest, RelativeAndOddFolderTextsSurviveARestart)
{
    CreateDirectoryA((dir + "\\2024").c_str(), nullptr);
    CreateDirectoryA((dir + "\\%VM%").c_str(), nullptr);
    char oldDir[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, oldDir);
    SetCurrentDirectoryA(dir.c_str());
    start();
    search("2024");
    search("%VM%");
    SetCurrentDirectoryA(oldDir);
    EXPECT_EQ(historyItems(), (Paths{dir + "\\%VM%", dir + "\\2024"}));
    SendMessageA(app.folderBox, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("1\\x"));  // as a damaged file may hold
    restart();
    EXPECT_EQ(historyItems(), (Paths{dir + "\\%VM%", "1\\x", dir + "\\2024"}));
}

}  // namespace
