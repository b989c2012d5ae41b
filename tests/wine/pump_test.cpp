// The pump between the steps of a run: what it dispatches, what stops the run.
#include "tests/wine/harness.h"

#include "res/resource.h"
#include "search/pump.h"

namespace {

int dispatched;
LRESULT CALLBACK countingProc(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_APP)
        ++dispatched;
    return DefWindowProcA(w, msg, wp, lp);
}

class PumpTest : public ProgramTest {
protected:
    HWND counter = nullptr;
    void SetUp() override
    {
        ProgramTest::SetUp();
        counter = makeMessageWindow("PumpCounter", countingProc);
        dispatched = 0;
    }
    void TearDown() override
    {
        DestroyWindow(counter);
        ProgramTest::TearDown();
    }
    bool queued(UINT msg, WPARAM wp)
    {
        MSG m;
        return PeekMessageA(&m, nullptr, msg, msg, PM_NOREMOVE) && m.wParam == wp;
    }
};

TEST_F(PumpTest, DispatchesAtMostFivePerCall)
{
    app.busy = 1;
    for (int i = 0; i < 7; ++i)
        PostMessageA(counter, WM_APP, 0, 0);
    EXPECT_EQ(pumpMessages(), PUMP_GO_ON);
    EXPECT_EQ(dispatched, 5);
    EXPECT_EQ(pumpMessages(), PUMP_GO_ON);
    EXPECT_EQ(dispatched, 7);
    EXPECT_EQ(pumpMessages(), PUMP_GO_ON);  // empty queue
    EXPECT_EQ(app.busy, 1);
}

TEST_F(PumpTest, EscOrXStopsTheRunWithTheNotice)
{
    for (WPARAM key : {static_cast<WPARAM>(VK_ESCAPE), static_cast<WPARAM>('X')}) {
        app.busy = 1;
        PostMessageA(counter, WM_APP, 0, 0);
        PostMessageA(app.folderBox, WM_KEYDOWN, key, 0);
        PostMessageA(counter, WM_APP, 0, 0);
        DWORD start = GetTickCount();
        EXPECT_EQ(pumpMessages(), PUMP_CANCELLED);
        EXPECT_GE(GetTickCount() - start, 780u);
        EXPECT_EQ(app.busy, -1);
        EXPECT_EQ(windowText(app.statusLabel), cancelNotice);
        EXPECT_EQ(dispatched, 1) << "the loop stops at the key";
        EXPECT_FALSE(queued(WM_KEYDOWN, key)) << "the key is consumed";
        runUntilIdle();
        dispatched = 0;
    }
}

TEST_F(PumpTest, EscWhileIdleIsConsumedAndGoesOn)
{
    app.busy = 0;
    PostMessageA(app.resultList, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(pumpMessages(), PUMP_GO_ON);
    EXPECT_FALSE(queued(WM_KEYDOWN, VK_ESCAPE));
    EXPECT_EQ(app.busy, 0);
}

TEST_F(PumpTest, RealShiftXAndCtrlXStopARunAndTypeNothing)
{
    SetForegroundWindow(app.mainWindow);
    SetFocus(app.folderBox);
    runUntilIdle();
    for (WORD modifier : {static_cast<WORD>(VK_SHIFT), static_cast<WORD>(VK_CONTROL)}) {
        app.busy = 1;
        pressKey(modifier, true);
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wVk = in[1].ki.wVk = 'X';
        in[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof(INPUT));
        int r = PUMP_GO_ON;
        for (int i = 0; i < 100 && r == PUMP_GO_ON; ++i) {
            Sleep(10);
            r = pumpMessages();
        }
        pressKey(modifier, false);
        EXPECT_EQ(r, PUMP_CANCELLED) << "modifier " << modifier;
        app.busy = 0;
        runUntilIdle();
        EXPECT_EQ(windowText(app.folderBox), "") << "no character typed";
    }
}

TEST_F(PumpTest, PostedCloseEndsTheRunUndispatched)
{
    for (UINT msg : {static_cast<UINT>(WM_CLOSE), static_cast<UINT>(WM_QUERYENDSESSION), static_cast<UINT>(WM_QUIT)}) {
        app.busy = 1;
        PostMessageA(app.mainWindow, msg, 0, 0);
        PostMessageA(counter, WM_APP, 0, 0);
        EXPECT_EQ(pumpMessages(), PUMP_CLOSING);
        EXPECT_EQ(app.busy, 1);
        EXPECT_TRUE(IsWindow(app.mainWindow));
        EXPECT_EQ(dispatched, 0);
        EXPECT_NE(windowText(app.statusLabel), cancelNotice);
        runUntilIdle();
        dispatched = 0;
    }
    app.busy = 0;
}

TEST_F(PumpTest, CommandDuringARunCancelsAndASecondEscWaits)
{
    app.busy = 1;
    PostMessageA(app.mainWindow, WM_COMMAND, IDC_SEARCH, 0);
    PostMessageA(app.resultList, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(app.resultList, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(pumpMessages(), PUMP_CANCELLED);
    EXPECT_EQ(app.busy, -1);
    EXPECT_TRUE(queued(WM_KEYDOWN, VK_ESCAPE)) << "the second Esc is left for the main loop";
    EXPECT_EQ(windowText(app.searchButton), "Search") << "the command was not carried out";
    app.busy = 0;
}

TEST_F(PumpTest, CancelPendingReturnsZeroAgain)
{
    app.busy = -1;
    PostMessageA(app.resultList, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(pumpMessages(), PUMP_CANCELLED);
    app.busy = 0;
}

}  // namespace
