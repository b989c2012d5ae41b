// The result list: drag selection, caret moves, keys, context menu, status line.
#include "tests/wine/harness.h"

#include <cstdio>
#include <cstring>

#include "res/resource.h"

namespace {

class ListTest : public ProgramTest {
protected:
    void SetUp() override
    {
        SetCursorPos(1270, 1010);  // the real pointer stays off the list
        ProgramTest::SetUp();
        // Room for a dozen entries to be visible.
        SetWindowPos(app.mainWindow, nullptr, 0, 0, 700, 600, SWP_NOMOVE | SWP_NOZORDER);
        runUntilIdle();
    }
    void fill(unsigned n, unsigned first = 0)
    {
        std::vector<std::string> e;
        for (unsigned i = first; i < first + n; ++i) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "C:\\links\\entry%05u.lnk", i);
            e.push_back(buf);
        }
        addEntries(e);
        updateStatusFromList();
    }
    void updateStatusFromList() { SendMessageA(app.mainWindow, WM_COMMAND, MAKEWPARAM(IDC_LIST, LBN_SELCHANGE), 0); }
    LPARAM pointOf(unsigned i)
    {
        RECT r;
        SendMessageA(app.resultList, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
        return MAKELPARAM(r.left + 5, (r.top + r.bottom) / 2);
    }
    void move(unsigned i, WPARAM keys) { SendMessageA(app.resultList, WM_MOUSEMOVE, keys, pointOf(i)); }
    int postedCommands(UINT id)
    {
        int n = 0;
        MSG m;
        while (PeekMessageA(&m, app.mainWindow, WM_COMMAND, WM_COMMAND, PM_REMOVE))
            n += LOWORD(m.wParam) == id;
        return n;
    }
};

TEST_F(ListTest, LeftDragTogglesEachEntryEntered)
{
    fill(10);
    app.hoverIndex = 3;  // the button went down on entry 3
    move(4, MK_LBUTTON);
    EXPECT_TRUE(isSelected(4));
    EXPECT_EQ(windowText(app.statusLabel), "1 / 10 Links");
    move(5, MK_LBUTTON);
    EXPECT_TRUE(isSelected(5));
    EXPECT_EQ(windowText(app.statusLabel), "2 / 10 Links");
    move(4, MK_LBUTTON);
    EXPECT_FALSE(isSelected(4));
    EXPECT_EQ(windowText(app.statusLabel), "1 / 10 Links");
    EXPECT_TRUE(IsWindowEnabled(app.deleteButton));
    // Moving within the same entry changes nothing.
    move(4, MK_LBUTTON);
    EXPECT_FALSE(isSelected(4));
}

// The wheel scrolls the list under a resting pointer: a press there and a small move keep
// the entry now under the pointer selected.
TEST_F(ListTest, PressAfterAScrollSelectsTheEntryNowThere)
{
    fill(100);
    move(2, 0);
    ASSERT_EQ(app.hoverIndex, 2u);
    SendMessageA(app.resultList, LB_SETTOPINDEX, 10, 0);
    LPARAM at = pointOf(12);
    SendMessageA(app.resultList, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(app.resultList, WM_MOUSEMOVE, MK_LBUTTON, at + 2);
    SendMessageA(app.resultList, WM_LBUTTONUP, 0, at + 2);
    EXPECT_TRUE(isSelected(12));
    EXPECT_EQ(SendMessageA(app.resultList, LB_GETSELCOUNT, 0, 0), 1);
}

TEST_F(ListTest, RightDragMovesOnlyTheCaret)
{
    fill(10);
    move(6, MK_RBUTTON);
    EXPECT_EQ(SendMessageA(app.resultList, LB_GETCARETINDEX, 0, 0), 6);
    EXPECT_EQ(SendMessageA(app.resultList, LB_GETSELCOUNT, 0, 0), 0);
    EXPECT_EQ(app.hoverIndex, 6u);
}

TEST_F(ListTest, PointerTrackingIsOffDuringARun)
{
    fill(10);
    app.hoverIndex = 3;
    app.busy = 1;
    move(4, MK_LBUTTON);
    EXPECT_FALSE(isSelected(4));
    EXPECT_EQ(app.hoverIndex, 3u);
    app.busy = 0;
}

bool menuWasOpen;
RECT menuRect;
void CALLBACK closeMenu(HWND, UINT, UINT_PTR id, DWORD)
{
    GUITHREADINFO gti = {};
    gti.cbSize = sizeof gti;
    GetGUIThreadInfo(GetCurrentThreadId(), &gti);
    if (gti.flags & GUI_INMENUMODE) {
        menuWasOpen = true;
        GetWindowRect(FindWindowA("#32768", nullptr), &menuRect);
        EndMenu();
    }
    KillTimer(nullptr, id);
}

// A context menu asked for at a screen point, or from the keyboard (both coordinates -1).
bool contextMenu(LPARAM at = MAKELPARAM(-1, -1))
{
    menuWasOpen = false;
    SetTimer(nullptr, 0, 200, closeMenu);
    SendMessageA(app.resultList, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(app.resultList), at);
    MSG m;
    DWORD until = GetTickCount() + 500;
    while (GetTickCount() < until) {  // let the timer fire if no menu ran
        if (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&m);
        Sleep(5);
    }
    return menuWasOpen;
}

LPARAM onScreen(LPARAM clientPoint)
{
    POINT p = {static_cast<short>(LOWORD(clientPoint)), static_cast<short>(HIWORD(clientPoint))};
    ClientToScreen(app.resultList, &p);
    return MAKELPARAM(p.x, p.y);
}

// The menu acts on the entry under the point of a mouse request, taken then, and on the
// caret's entry from the keyboard: never on where the pointer last rested.
TEST_F(ListTest, ContextMenuActsOnTheEntryAtItsRequest)
{
    EXPECT_FALSE(contextMenu()) << "empty list";
    fill(10);
    move(3, 0);
    EXPECT_TRUE(contextMenu(onScreen(pointOf(7))));
    EXPECT_STREQ(app.itemPath, "C:\\links\\entry00007.lnk");
    EXPECT_EQ(app.itemLen, 23);
    EXPECT_EQ(app.menuEntry, 7u);
    RECT last;
    SendMessageA(app.resultList, LB_GETITEMRECT, 9, reinterpret_cast<LPARAM>(&last));
    EXPECT_FALSE(contextMenu(onScreen(MAKELPARAM(5, last.bottom + 20)))) << "below the last entry";

    // From the keyboard, at the caret's entry, with the pointer last over another.
    SendMessageA(app.resultList, LB_SETCARETINDEX, 4, FALSE);
    EXPECT_TRUE(contextMenu());
    EXPECT_STREQ(app.itemPath, "C:\\links\\entry00004.lnk");
    EXPECT_EQ(app.menuEntry, 4u);
    RECT r;
    SendMessageA(app.resultList, LB_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&r));
    LPARAM corner = onScreen(MAKELPARAM(r.left, r.bottom));
    EXPECT_EQ(menuRect.left, static_cast<short>(LOWORD(corner)));
    EXPECT_EQ(menuRect.top, static_cast<short>(HIWORD(corner)));

    // A list scrolled under a still pointer: the entry now under it.
    fill(90, 10);
    LPARAM still = onScreen(pointOf(1));
    SendMessageA(app.resultList, LB_SETTOPINDEX, 3, 0);
    ASSERT_EQ(SendMessageA(app.resultList, LB_GETTOPINDEX, 0, 0), 3);
    EXPECT_TRUE(contextMenu(still));
    EXPECT_STREQ(app.itemPath, "C:\\links\\entry00004.lnk");
}

TEST_F(ListTest, SelectionCommands)
{
    fill(10);
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_SELCLR, 0);
    for (unsigned i : {1u, 4u, 8u})
        selectEntry(i, true);
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_SELALL, 0);
    EXPECT_EQ(windowText(app.statusLabel), "10 / 10 Links");
    EXPECT_TRUE(IsWindowEnabled(app.deleteButton));
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_SELREV, 0);
    EXPECT_EQ(windowText(app.statusLabel), "0 / 10 Links");
    EXPECT_FALSE(IsWindowEnabled(app.deleteButton));
    selectEntry(2, true);
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_SELREV, 0);
    EXPECT_EQ(windowText(app.statusLabel), "9 / 10 Links");
    EXPECT_FALSE(isSelected(2));
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_SELCLR, 0);
    EXPECT_EQ(windowText(app.statusLabel), "0 / 10 Links");
}

TEST_F(ListTest, SelectionCommandsOnAnEmptyListLeaveTheStatus)
{
    SetWindowTextA(app.statusLabel, "Not yet");
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_SELALL, 0);
    EXPECT_EQ(windowText(app.statusLabel), "Not yet");
}

TEST_F(ListTest, DeleteKeyPostsOneCommandOnRelease)
{
    fill(3);
    runUntilIdle();
    for (int i = 0; i < 4; ++i)  // auto-repeat
        SendMessageA(app.resultList, WM_KEYDOWN, VK_DELETE, 0x40000001);
    EXPECT_EQ(postedCommands(IDC_DELETE), 0);
    SendMessageA(app.resultList, WM_KEYUP, VK_DELETE, static_cast<LPARAM>(0xC0000001u));
    EXPECT_EQ(postedCommands(IDC_DELETE), 1);
}

TEST_F(ListTest, CtrlAActsAtOnceAndLeftPressRefreshesTheStatus)
{
    fill(5);
    SendMessageA(app.resultList, WM_CHAR, 1, 0);
    EXPECT_EQ(windowText(app.statusLabel), "5 / 5 Links");  // no queue in between
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_SELCLR, 0);
    LPARAM p = pointOf(2);
    SendMessageA(app.resultList, WM_LBUTTONDOWN, MK_LBUTTON, p);
    SendMessageA(app.resultList, WM_LBUTTONUP, 0, p);
    runUntilIdle();
    EXPECT_TRUE(isSelected(2));
    EXPECT_EQ(windowText(app.statusLabel), "1 / 5 Links");
}

TEST_F(ListTest, UpdateStatusModes)
{
    fill(4);
    selectEntry(0, true);
    SendMessageA(app.resultList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("C:\\late.lnk"));
    updateStatusFromList();  // mode 2 keeps the count
    EXPECT_EQ(windowText(app.statusLabel), "1 / 4 Links");
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_SELALL, 0);  // selects the four it knew, then recounts
    EXPECT_EQ(windowText(app.statusLabel), "4 / 5 Links");
    SendMessageA(app.remoteCheck, BM_CLICK, 0, 0);  // clears
    EXPECT_EQ(windowText(app.statusLabel), "Not yet");
    EXPECT_EQ(app.linkCount, 0u);
    EXPECT_EQ(SendMessageA(app.resultList, LB_GETCOUNT, 0, 0), 0);
    EXPECT_FALSE(IsWindowEnabled(app.deleteButton));
}

TEST_F(ListTest, HugeListsNameTheEntryReallyUnderThePointer)
{
    SendMessageA(app.resultList, WM_SETREDRAW, FALSE, 0);
    fill(70000);
    SendMessageA(app.resultList, WM_SETREDRAW, TRUE, 0);
    SendMessageA(app.resultList, LB_SETTOPINDEX, 69990, 0);
    unsigned top = static_cast<unsigned>(SendMessageA(app.resultList, LB_GETTOPINDEX, 0, 0));
    ASSERT_GT(top, 65536u);
    move(top + 1, 0);
    EXPECT_EQ(app.hoverIndex, top + 1);
    EXPECT_TRUE(contextMenu(onScreen(pointOf(top + 1))));
    char expect[64];
    std::snprintf(expect, sizeof expect, "C:\\links\\entry%05u.lnk", top + 1);
    EXPECT_STREQ(app.itemPath, expect);
    // A point below the list is outside it and names nothing, even with this many entries.
    RECT c;
    GetClientRect(app.resultList, &c);
    SendMessageA(app.resultList, WM_MOUSEMOVE, 0, MAKELPARAM(5, c.bottom + 40));
    EXPECT_GE(app.hoverIndex, app.linkCount);
    app.itemPath[0] = '\0';
    EXPECT_FALSE(contextMenu(onScreen(MAKELPARAM(5, c.bottom + 40))));
}

// The whole list at a size a drive can give: selection commands, a delete with nothing
// selected and the copy each handle every entry.
TEST_F(ListTest, HundredThousandEntries)
{
    const unsigned n = 100000;
    fill(n);
    auto selected = [&] {
        std::vector<unsigned> on;
        for (unsigned i = 0; i < n; ++i)
            if (isSelected(i))
                on.push_back(i);
        return on;
    };
    SendMessageA(app.mainWindow, WM_COMMAND, IDC_DELETE, 0);  // visits every entry, deletes none
    runUntilIdle();
    EXPECT_EQ(SendMessageA(app.resultList, LB_GETCOUNT, 0, 0), static_cast<LRESULT>(n));
    EXPECT_EQ(windowText(app.statusLabel), "0 / 100000 Links");

    SendMessageA(app.mainWindow, WM_COMMAND, IDM_SELREV, 0);  // none selected: all
    EXPECT_EQ(windowText(app.statusLabel), "100000 / 100000 Links");
    const std::vector<unsigned> off = {0, 1, 65535, 65536, 99998, 99999};
    for (unsigned i : off)
        selectEntry(i, false);
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_SELREV, 0);
    EXPECT_EQ(selected(), off);
    EXPECT_EQ(windowText(app.statusLabel), "6 / 100000 Links");
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_SELALL, 0);
    EXPECT_EQ(selected().size(), n);
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_SELREV, 0);  // all selected: none
    EXPECT_EQ(windowText(app.statusLabel), "0 / 100000 Links");
    selectEntry(70000, true);
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_SELCLR, 0);
    EXPECT_TRUE(selected().empty());

    SendMessageA(app.mainWindow, WM_COMMAND, IDM_COPY, 0);
    std::string text = clipboardText();
    std::size_t entry = std::strlen("C:\\links\\entry00000.lnk");
    ASSERT_EQ(text.size(), n * (entry + 2) - 2);
    EXPECT_EQ(text.compare(0, entry + 2, "C:\\links\\entry00000.lnk\r\n"), 0);
    EXPECT_EQ(text.compare(text.size() - entry - 2, entry + 2, "\r\nC:\\links\\entry99999.lnk"), 0);
    EXPECT_EQ(text.compare(54321 * (entry + 2), entry, "C:\\links\\entry54321.lnk"), 0);
}

}  // namespace
