#include "settings/settings_file.h"

#include <string>

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

// A file that is there but could not be read (held by a backup program, a second copy
// saving, an offline folder) must not be overwritten with the defaults at close.
static bool loadFailed;

BOOL(WINAPI* settingsWrite)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED) = WriteFile;

void loadSettings()
{
    loadFailed = false;
    if (!setSideFileExtension(app.extPtr, "qnf"))
        return;
    HANDLE file = CreateFileA(app.exePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        loadFailed = error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
        return;
    }
    unsigned char block[SETTINGS_BYTES];
    DWORD got = 0;
    if (!ReadFile(file, block, SETTINGS_BYTES, &got, nullptr)) {
        got = 0;
        loadFailed = true;
    }
    decodeSettingsBlock(block, got, app.settings);

    DWORD size = GetFileSize(file, nullptr);
    if (size != INVALID_FILE_SIZE && size > SETTINGS_BYTES) {
        DWORD n = size - SETTINGS_BYTES;
        if (n > MAX_HISTORY_BYTES)
            n = MAX_HISTORY_BYTES;
        HGLOBAL memory = GlobalAlloc(GMEM_FIXED, n);
        if (memory != nullptr) {
            unsigned char* history = static_cast<unsigned char*>(memory);
            if (!ReadFile(file, history, n, &got, nullptr)) {
                got = 0;
                loadFailed = true;
            }
            addHistory(history, got);
            GlobalFree(memory);
            SendMessageA(app.folderBox, CB_SETCURSEL, 0, 0);
        } else {
            loadFailed = true;  // the history could not be taken, so it must not be lost
        }
    }
    CloseHandle(file);
}

static bool writeAll(HANDLE file, const void* bytes, DWORD size)
{
    DWORD written = 0;
    return settingsWrite(file, bytes, size, &written, nullptr) && written == size;
}

// History item i into pathBuf; its length, or -1 when there is none (or it cannot be kept).
static LRESULT historyItem(unsigned i)
{
    LRESULT len = SendMessageA(app.folderBox, CB_GETLBTEXTLEN, i, 0);
    if (len < 0 || len >= static_cast<LRESULT>(FOLDER_TEXT_BYTES))
        return -1;  // none, or not a searched folder: it would not fit pathBuf
    return SendMessageA(app.folderBox, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(app.search.pathBuf));
}

// The block, then up to 32 folders; the first written is one the loader takes the block
// for, so one odd text never costs the whole history.
static std::string settingsBytes()
{
    unsigned char block[SETTINGS_BYTES];
    encodeSettingsBlock(app.settings, block);
    std::string bytes(reinterpret_cast<const char*>(block), SETTINGS_BYTES);
    unsigned count = 0, first = 0;
    while (count < MAX_HISTORY && SendMessageA(app.folderBox, CB_GETLBTEXTLEN, count, 0) >= 0)
        ++count;
    for (unsigned i = 0; i < count; ++i)
        if (historyItem(i) > 0 && opensHistory(app.search.pathBuf[0])) {
            first = i;
            break;
        }
    for (unsigned k = 0; k < count; ++k) {
        unsigned i = k == 0 ? first : (k <= first ? k - 1 : k);
        LRESULT len = historyItem(i);
        if (len >= 0)
            bytes.append(app.search.pathBuf, static_cast<std::size_t>(len) + 1);
    }
    return bytes;
}

// A folder that takes no new file may still let the file itself be rewritten. The room is
// taken first, so that the one write cannot stop halfway for want of it; where it fails
// after all, the old bytes go back.
static void rewriteInPlace(const wchar_t* path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    LARGE_INTEGER size, start = {}, length;
    length.QuadPart = static_cast<LONGLONG>(bytes.size());
    std::string old;
    DWORD read = 0;
    if (GetFileSizeEx(file, &size) && size.QuadPart <= static_cast<LONGLONG>(MAX_HISTORY_BYTES + SETTINGS_BYTES)) {
        old.resize(static_cast<std::size_t>(size.QuadPart));
        bool kept = old.empty() || (ReadFile(file, &old[0], static_cast<DWORD>(old.size()), &read, nullptr) && read == old.size());
        bool room = length.QuadPart <= size.QuadPart ||
                    (SetFilePointerEx(file, length, nullptr, FILE_BEGIN) && SetEndOfFile(file));
        bool written = kept && room && SetFilePointerEx(file, start, nullptr, FILE_BEGIN) &&
                       writeAll(file, bytes.data(), static_cast<DWORD>(bytes.size()));
        if (written) {
            SetEndOfFile(file);  // an older, longer file must not keep its tail
        } else if (kept) {
            DWORD again;
            SetFilePointerEx(file, start, nullptr, FILE_BEGIN);
            WriteFile(file, old.data(), static_cast<DWORD>(old.size()), &again, nullptr);
            SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
            SetEndOfFile(file);
        }
    }
    CloseHandle(file);
}

void saveSettings()
{
    if (loadFailed || !setSideFileExtension(app.extPtr, "qnf"))
        return;
    static wchar_t path[MAX_BYTES_PER_UNIT * MAX_PATH + 2];
    static wchar_t fresh[MAX_BYTES_PER_UNIT * MAX_PATH + 2];
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, app.exePath, -1, path, MAX_BYTES_PER_UNIT * MAX_PATH) <= 0)
        return;
    std::string bytes = settingsBytes();
    // A new file beside the old one replaces it only when it is whole: a failed write, a full
    // disk or a power cut leaves the old file as it was.
    lstrcpyW(fresh, path);
    lstrcatW(fresh, L"~");
    HANDLE file = CreateFileW(fresh, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return rewriteInPlace(path, bytes);
    bool whole = writeAll(file, bytes.data(), static_cast<DWORD>(bytes.size())) && FlushFileBuffers(file);
    CloseHandle(file);
    if (!whole || !MoveFileExW(fresh, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        DeleteFileW(fresh);
}
