// Start-up in its fixed order: DPI awareness, command line, IME, class, font and unit,
// main window, COM, child controls, list subclass, tooltip, settings, show, auto-search.
#include "app/startup.h"

#include <objbase.h>
#include <imm.h>

#include "app/app_state.h"
#include "app/command_line.h"
#include "app/geometry.h"
#include "app/main_window.h"
#include "res/resource.h"
#include "search/exact_text.h"
#include "results/entry_annotation.h"
#include "results/result_list.h"
#include "settings/settings_file.h"

static bool comEntered;

static void becomeDpiAware()
{
    HMODULE user32 = LoadLibraryA("user32.dll");
    if (user32 == nullptr)
        return;
    typedef BOOL(WINAPI * SetAwareFn)();
    SetAwareFn setAware = reinterpret_cast<SetAwareFn>(reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDPIAware")));
    if (setAware != nullptr)
        setAware();
    FreeLibrary(user32);
}

// Side files are named by rewriting the executable path's extension. Started by a bare
// name ("vellmoor" from the PATH) the command line names no file beside the program, and a
// path too short to hold an extension would have them written outside the text: the
// module's own file name serves then.
static void takeCommandLine(char* text, char*& argument)
{
    CommandLine cl;
    parseCommandLine(text, cl);
    app.exePath = cl.exePath;
    app.extPtr = cl.extPtr;
    argument = cl.argument;
    if (namesSideFiles(cl))
        return;
    app.exePath = app.extPtr = nullptr;
    static wchar_t module[MAX_PATH + 1];
    DWORD n = GetModuleFileNameW(nullptr, module, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH)
        return;
    std::size_t bytes = narrowExactly(module, app.modulePath, sizeof app.modulePath);
    if (bytes >= 4) {
        app.exePath = app.modulePath;
        app.extPtr = app.modulePath + bytes - 3;
    }
}

static bool makeFont()
{
    LOGFONTA lf;
    if (SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof lf, &lf, 0)) {
        app.uiFont = CreateFontIndirectA(&lf);
        if (app.uiFont != nullptr) {
            app.unit = unitFromIconFont(lf.lfHeight);
            return true;
        }
    }
    app.uiFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (GetObjectA(app.uiFont, sizeof lf, &lf) == 0)
        return false;
    app.unit = unitFromStockFont(lf.lfHeight);
    return true;
}

struct ControlSpec {
    HWND AppState::*field;
    ControlSlot slot;
    const char* className;
    const char* text;
    DWORD exStyle;
    DWORD style;
    int id;
};

static const ControlSpec controls[] = {
    {&AppState::folderBox, SLOT_FOLDER, "COMBOBOX", nullptr, WS_EX_CLIENTEDGE, 0x50200A42 | WS_TABSTOP, IDC_FOLDER},
    {&AppState::searchButton, SLOT_SEARCH, "BUTTON", "Search", WS_EX_STATICEDGE, 0x50000F00 | WS_TABSTOP, IDC_SEARCH},
    {&AppState::statusLabel, SLOT_STATUS, "STATIC", "Not yet", 0, 0x50000001, IDC_STATUS},
    {&AppState::remoteCheck, SLOT_REMOTE, "BUTTON", "Remote", 0, 0x50000003 | WS_TABSTOP, IDC_REMOTE},
    {&AppState::deleteButton, SLOT_DELETE, "BUTTON", "Delete", WS_EX_STATICEDGE, 0x58000F00 | WS_TABSTOP, IDC_DELETE},
    // Owner-drawn, keeping its strings: the path is what is copied and read aloud.
    {&AppState::resultList, SLOT_LIST, "LISTBOX", nullptr, WS_EX_CLIENTEDGE, 0x54300149 | LBS_OWNERDRAWFIXED | WS_TABSTOP, IDC_LIST},
};

static void createControls(HINSTANCE instance)
{
    for (const ControlSpec& c : controls) {
        Box b = creationBox(c.slot, app.unit);
        HWND w = CreateWindowExA(c.exStyle, c.className, c.text, c.style, b.x, b.y, b.width, b.height,
                                 app.mainWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
        app.*c.field = w;
        SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(app.uiFont), TRUE);
    }
}

static void createTooltip(HINSTANCE instance)
{
    app.tipWindow = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, app.mainWindow, nullptr, instance, nullptr);
    if (app.tipWindow == nullptr)
        return;
    SendMessageA(app.tipWindow, TTM_SETDELAYTIME, TTDT_AUTOPOP, 30000);
    SendMessageA(app.tipWindow, TTM_SETDELAYTIME, TTDT_INITIAL, 120);
    SendMessageA(app.tipWindow, TTM_SETMAXTIPWIDTH, 0, 1200);
    app.toolInfo.cbSize = 0;  // no tool registered yet
    app.toolInfo.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    app.toolInfo.hwnd = app.mainWindow;
    app.toolInfo.uId = reinterpret_cast<UINT_PTR>(app.resultList);
    app.toolInfo.hinst = instance;
    app.toolInfo.lpszText = app.tipShown;
    app.toolInfo.lParam = 0;
}

static bool isExistingFolder(const char* path)
{
    // Also rules out the all-ones failure value.
    return *path != '\0' && static_cast<LONG>(GetFileAttributesA(path) & 0x80000010) > 0;
}

// The command line in the program's 8-bit text, converted exactly: a folder argument the code
// page cannot hold is refused, never best-fitted to a look-alike ("ｄata" to "data") or cut.
static char commandLineText[MAX_BYTES_PER_UNIT * 32768];

bool startProgram(const wchar_t* commandLine)
{
    // Reading a shortcut or testing its target, in a search or again before a deletion, must
    // never bring up the system's box about a drive without media: once, for the process.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    becomeDpiAware();
    if (narrowExactly(commandLine, commandLineText, sizeof commandLineText) == 0)
        commandLineText[0] = '\0';  // no argument; the side files are named after the module
    char* argument;
    takeCommandLine(commandLineText, argument);
    ImmDisableIME(static_cast<DWORD>(-1));

    HINSTANCE instance = GetModuleHandleA(nullptr);
    app.appIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = mainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = app.appIcon;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszMenuName = MAKEINTRESOURCEA(IDR_MENU);
    wc.lpszClassName = appName;
    RegisterClassExA(&wc);

    // The tooltip class must exist before the tooltip is made; Windows does not register it unasked.
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);

    if (!makeFont())
        return false;

    RECT r = {0, 0, initialClientWidth(app.unit), initialClientHeight(app.unit)};
    AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, TRUE, WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE);
    app.frameX = -r.left;
    app.frameY = -r.top;
    int width = r.right - r.left;
    int height = r.bottom - r.top;
    app.settings.windowRect = {0, 0, width, height};

    app.mainWindow = CreateWindowExA(WS_EX_TOPMOST | WS_EX_ACCEPTFILES | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE, appName,
                                     appName, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, width, height, nullptr,
                                     nullptr, instance, nullptr);
    if (app.mainWindow == nullptr)
        return false;

    comEntered = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));

    createControls(instance);
    app.listBaseProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(app.resultList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(resultListProc)));
    app.listDc = GetDC(app.resultList);
    SelectObject(app.listDc, app.uiFont);
    startAnnotating(app.resultList);
    createTooltip(instance);

    loadSettings();
    SendMessageA(app.remoteCheck, BM_SETCHECK, app.settings.remoteOn, 0);
    // Where a keyboard user starts: the list a search fills, or the folder box to type in.
    bool searching = isExistingFolder(argument);
    setActiveFocus(searching ? app.resultList : app.folderBox);

    const WindowRect& w = app.settings.windowRect;
    SetWindowPos(app.mainWindow, topMostMarker(), w.left, w.top, w.right - w.left, w.bottom - w.top, SWP_SHOWWINDOW);

    if (searching) {
        SendMessageA(app.folderBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argument));
        PostMessageA(app.mainWindow, WM_COMMAND, IDC_SEARCH, 0);
    }
    return true;
}

void runMessageLoop()
{
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message >= 0x8000) {
            // Private messages are deferred work: let pending painting and input go first.
            MSG early;
            for (int i = 0; i < 5 && PeekMessageA(&early, nullptr, 0, 0x7FFF, PM_REMOVE); ++i) {
                if (early.message == WM_QUIT)
                    return;
                DispatchMessageA(&early);
            }
            DispatchMessageA(&msg);
        } else if (!handleDialogKey(msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

void finishProgram()
{
    if (app.uiFont != nullptr)
        DeleteObject(app.uiFont);
    app.uiFont = nullptr;
    if (comEntered)
        CoUninitialize();
    comEntered = false;
}
