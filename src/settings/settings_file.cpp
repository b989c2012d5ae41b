#include "settings/settings_file.h"

#include "app/app_state.h"
#include "app/command_line.h"
#include "settings/settings_codec.h"

// A history block is at most 32 folder texts; a larger file is damaged, and its size must
// not decide how much memory start-up asks for.
static const DWORD MAX_HISTORY_BYTES = 64 * 1024;

// The code page the system's 8-bit calls use for programs without the UTF-8 element, in
// which earlier versions wrote the history.
static UINT legacyCodePage()
{
    DWORD cp = 0;
    if (GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                       reinterpret_cast<LPWSTR>(&cp), sizeof cp / sizeof(WCHAR)) == 0 || cp == 0)
        return 1252;
    return cp;
}

// A stored folder as this process's 8-bit text: under UTF-8, a string that is no UTF-8 was
// written by an earlier version in the legacy code page, so a "Café" stays "Café". Null when
// it cannot be converted or no longer fits a folder text.
static const char* historyText(const char* stored)
{
    static char converted[FOLDER_TEXT_BYTES];
    static wchar_t wide[MAX_HISTORY_TEXT + 1];
    if (GetACP() != CP_UTF8 || isUtf8Text(stored))
        return stored;
    if (MultiByteToWideChar(legacyCodePage(), MB_ERR_INVALID_CHARS, stored, -1, wide, MAX_HISTORY_TEXT + 1) <= 0 ||
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, converted, FOLDER_TEXT_BYTES, nullptr, nullptr) <= 0)
        return nullptr;
    return converted;
}

static void addHistory(const unsigned char* bytes, DWORD size)
{
    HistoryView view;
    decodeHistory(bytes, size, view);
    for (unsigned i = 0; i < view.count; ++i) {
        const char* text = historyText(view.text[i]);
        if (text == nullptr)
            continue;
        LRESULT index = SendMessageA(app.folderBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        if (static_cast<unsigned long>(index) >= MAX_HISTORY - 1)
            break;  // 32 taken, or the box refused one
    }
}

void loadSettings()
{
    if (!setSideFileExtension(app.extPtr, "qnf"))
        return;
    HANDLE file = CreateFileA(app.exePath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    unsigned char block[SETTINGS_BYTES];
    DWORD got = 0;
    if (!ReadFile(file, block, SETTINGS_BYTES, &got, nullptr))
        got = 0;
    decodeSettingsBlock(block, got, app.settings);

    DWORD size = GetFileSize(file, nullptr);
    if (size != INVALID_FILE_SIZE && size > SETTINGS_BYTES) {
        DWORD n = size - SETTINGS_BYTES;
        if (n > MAX_HISTORY_BYTES)
            n = MAX_HISTORY_BYTES;
        HGLOBAL memory = GlobalAlloc(GMEM_FIXED, n);
        if (memory != nullptr) {
            unsigned char* history = static_cast<unsigned char*>(memory);
            if (!ReadFile(file, history, n, &got, nullptr))
                got = 0;
            addHistory(history, got);
            GlobalFree(memory);
            SendMessageA(app.folderBox, CB_SETCURSEL, 0, 0);
        }
    }
    CloseHandle(file);
}

void saveSettings()
{
    if (!setSideFileExtension(app.extPtr, "qnf"))
        return;
    HANDLE file = CreateFileA(app.exePath, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    unsigned char block[SETTINGS_BYTES];
    encodeSettingsBlock(app.settings, block);
    DWORD written;
    WriteFile(file, block, SETTINGS_BYTES, &written, nullptr);
    for (unsigned i = 0; i < MAX_HISTORY; ++i) {
        LRESULT len = SendMessageA(app.folderBox, CB_GETLBTEXTLEN, i, 0);
        if (len < 0)
            break;
        if (len >= static_cast<LRESULT>(FOLDER_TEXT_BYTES))
            continue;  // cannot be a searched folder, and would not fit pathBuf
        len = SendMessageA(app.folderBox, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(app.pathBuf));
        if (len < 0)
            break;
        WriteFile(file, app.pathBuf, static_cast<DWORD>(len) + 1, &written, nullptr);
    }
    SetEndOfFile(file);  // an older, longer file must not keep its tail
    CloseHandle(file);
}
