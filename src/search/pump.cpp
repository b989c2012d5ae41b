#include "search/pump.h"

#include <windows.h>

#include "app/app_state.h"

const char cancelNotice[] = "Stopped";

static const int MAX_DISPATCH = 5;
static const DWORD CANCEL_PAUSE_MS = 811;  // long enough to read the notice

int pumpMessages()
{
    MSG msg;
    for (int dispatched = 0; dispatched < MAX_DISPATCH;) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            break;
        // A close, end of session or quit ends the run; the message itself is dropped.
        if (msg.message == WM_CLOSE || msg.message == WM_QUERYENDSESSION || msg.message == WM_QUIT)
            return PUMP_CLOSING;
        if (msg.message == WM_KEYDOWN && (msg.wParam == VK_ESCAPE || msg.wParam == 'X')) {
            if (app.busy > 0)
                app.busy = -1;
            break;
        }
        // No TranslateMessage: keys typed during a run must not reach the folder box as text.
        DispatchMessageA(&msg);
        ++dispatched;
    }
    if (app.busy >= 0)
        return PUMP_GO_ON;
    SetWindowTextA(app.statusLabel, cancelNotice);
    Sleep(CANCEL_PAUSE_MS);
    return PUMP_CANCELLED;
}

void beginRun() { app.busy = 1; }
void endRun() { app.busy = 0; }
