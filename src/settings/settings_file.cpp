#include "settings/settings_file.h"

#include "app/app_state.h"
#include "app/command_line.h"
#include "settings/settings_codec.h"

// A history block is at most 32 folder texts; a larger file is damaged, and its size must
// not decide how much memory start-up asks for.
static const DWORD MAX_HISTORY_BYTES = 64 * 1024;

static void addHistory(const unsigned char* bytes, DWORD size)
{
    HistoryView view;
    decodeHistory(bytes, size, view);
    for (unsigned i = 0; i < view.count; ++i) {
        LRESULT index = SendMessageA(app.folderBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(view.text[i]));
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
        if (len > static_cast<LRESULT>(MAX_HISTORY_TEXT))
            continue;  // cannot be a searched folder, and would not fit pathBuf
        len = SendMessageA(app.folderBox, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(app.pathBuf));
        if (len < 0)
            break;
        WriteFile(file, app.pathBuf, static_cast<DWORD>(len) + 1, &written, nullptr);
    }
    SetEndOfFile(file);  // an older, longer file must not keep its tail
    CloseHandle(file);
}
