#include "results/entry_actions.h"

#include <cstring>
#include <initializer_list>

#include "app/app_state.h"
#include "app/command_line.h"
#include "res/resource.h"
#include "results/entry_texts.h"

HINSTANCE(WINAPI* shellExecute)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT) = ShellExecuteA;

// LB_GETTEXT writes the whole text whatever room is left: the length is asked first.
static int fetchListEntry(unsigned i, char* at, std::size_t room, void*)
{
    LRESULT len = SendMessageA(app.resultList, LB_GETTEXTLEN, i, 0);
    if (len < 0 || static_cast<std::size_t>(len) >= room)
        return 0;
    return static_cast<int>(SendMessageA(app.resultList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(at)));
}

// The menu's entry as it was fetched with itemLen: the list may have changed since.
static int fetchItemPath(unsigned, char* at, std::size_t room, void*)
{
    std::size_t n = static_cast<std::size_t>(app.itemLen);
    if (n >= room)
        return 0;
    std::memcpy(at, app.itemPath, n);
    at[n] = '\0';
    return app.itemLen;
}

// The same text as UTF-16: Windows converts CF_TEXT with the clipboard's locale, not the
// process code page, so under UTF-8 other programs would paste garbage.
static HGLOBAL wideCopy(const char* text)
{
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 0)
        return nullptr;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(n) * sizeof(wchar_t));
    if (block == nullptr)
        return nullptr;
    wchar_t* wide = static_cast<wchar_t*>(GlobalLock(block));
    bool made = wide != nullptr && MultiByteToWideChar(CP_ACP, 0, text, -1, wide, n) > 0;
    if (wide != nullptr)
        GlobalUnlock(block);
    if (!made) {
        GlobalFree(block);
        return nullptr;
    }
    return block;
}

void copyEntries(int index)
{
    if (app.linkCount == 0)
        return;
    std::size_t size = 0;
    unsigned last = 0;
    if (index >= 0) {
        if (app.itemLen < 0 || app.itemLen >= ITEM_PATH_BYTES)
            return;
        size = static_cast<std::size_t>(app.itemLen) + 2;
    } else {
        unsigned count = 0;
        for (LRESULT len; (len = SendMessageA(app.resultList, LB_GETTEXTLEN, count, 0)) >= 0; ++count)
            size += static_cast<std::size_t>(len) + 2;
        if (count == 0)
            return;
        last = count - 1;
    }
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (block == nullptr)
        return;
    char* text = static_cast<char*>(GlobalLock(block));
    if (text == nullptr) {
        GlobalFree(block);
        return;
    }
    joinEntries(text, size, 0, last, index >= 0 ? fetchItemPath : fetchListEntry, nullptr);
    HGLOBAL wide = wideCopy(text);
    GlobalUnlock(block);
    // Unicode text with the user's locale: Windows makes CF_TEXT from it for 8-bit readers,
    // in their own code page rather than this process's UTF-8. Without it, the 8-bit text.
    HGLOBAL locale = wide != nullptr ? GlobalAlloc(GMEM_MOVEABLE, sizeof(LCID)) : nullptr;
    if (locale != nullptr) {
        LCID* id = static_cast<LCID*>(GlobalLock(locale));
        if (id != nullptr) {
            *id = GetUserDefaultLCID();
            GlobalUnlock(locale);
        }
    }
    if (!OpenClipboard(app.mainWindow)) {
        for (HGLOBAL m : {block, wide, locale})
            if (m != nullptr)
                GlobalFree(m);
        return;
    }
    // Only text is replaced: a picture the user copied stays beside it.
    if (IsClipboardFormatAvailable(CF_TEXT) || IsClipboardFormatAvailable(CF_UNICODETEXT))
        EmptyClipboard();
    if (wide != nullptr && SetClipboardData(CF_UNICODETEXT, wide) != nullptr) {
        wide = nullptr;  // the clipboard owns it now
        if (locale != nullptr && SetClipboardData(CF_LOCALE, locale) != nullptr)
            locale = nullptr;
    } else if (SetClipboardData(CF_TEXT, block) != nullptr) {
        block = nullptr;
    }
    CloseClipboard();
    for (HGLOBAL m : {block, wide, locale})
        if (m != nullptr)
            GlobalFree(m);
}

void entryAction(UINT command)
{
    switch (command) {
    case IDM_OPENFOLDER: {
        // Quoted: Explorer splits its parameters at commas, and a path cannot hold a quote.
        char parameters[sizeof "/N,/SELECT,\"\"" + ITEM_PATH_BYTES];
        lstrcpyA(parameters, "/N,/SELECT,\"");
        lstrcatA(parameters, app.itemPath);
        lstrcatA(parameters, "\"");
        // By its full path: a bare name is looked for in the program's and the current folder
        // first, where a planted EXPLORER.exe would run instead.
        char explorer[MAX_BYTES_PER_UNIT * MAX_PATH + 16];
        // The system's Windows folder: on a Remote Desktop host GetWindowsDirectory may be the
        // user's private copy.
        UINT n = GetSystemWindowsDirectoryA(explorer, MAX_BYTES_PER_UNIT * MAX_PATH);
        if (n == 0 || n >= MAX_BYTES_PER_UNIT * MAX_PATH)
            break;
        lstrcatA(explorer, explorer[n - 1] == '\\' ? "explorer.exe" : "\\explorer.exe");
        shellExecute(nullptr, nullptr, explorer, parameters, nullptr, SW_SHOWNORMAL);
        break;
    }
    case IDM_OPENLINK: shellExecute(nullptr, nullptr, app.itemPath, nullptr, nullptr, SW_SHOWNORMAL); break;
    case IDM_PROPERTY: shellExecute(app.mainWindow, "properties", app.itemPath, nullptr, nullptr, SW_SHOWNORMAL); break;
    // The entry fetched when the menu opened; the list may have changed since.
    case IDM_COPYNAME: copyEntries(0); break;
    default: break;
    }
}

void openHelp()
{
    // Only a help file: a name without its dot ("finchm") could be a program the shell runs.
    if (app.extPtr == nullptr || app.extPtr == app.exePath || app.extPtr[-1] != '.' ||
        !setSideFileExtension(app.extPtr, "chm"))
        return;
    shellExecute(nullptr, nullptr, app.exePath, nullptr, nullptr, SW_SHOWNORMAL);
}
