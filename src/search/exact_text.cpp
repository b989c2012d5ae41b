#include "search/exact_text.h"

#include <windows.h>

#include "search/walk_rules.h"

std::size_t narrowExactly(const wchar_t* wide, char* out, std::size_t room)
{
    BOOL lossy = FALSE;
    static const bool utf8 = GetACP() == CP_UTF8;  // takes no best-fit flag, reports loss as failure
    int n = WideCharToMultiByte(CP_ACP, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, wide, -1, out,
                                static_cast<int>(room), nullptr, utf8 ? nullptr : &lossy);
    if (n <= 1 || lossy || !namesOneFile(out))
        return 0;
    return static_cast<std::size_t>(n - 1);
}

int wideOf(const char* text, wchar_t* out, std::size_t outChars, int length)
{
    if (outChars < 2)
        return 0;
    // With length -1 the NUL is converted and counted too: the whole buffer is its room.
    std::size_t room = length < 0 ? outChars : outChars - 1;
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, length, out, static_cast<int>(room));
    if (n <= 0)
        return 0;
    if (length < 0)
        return n - 1;  // the NUL was converted too
    out[n] = L'\0';
    return n;
}

bool namesExactly(const char* path)
{
    static wchar_t wide[MAX_PATH * 2];
    return namesOneFile(path) && wideOf(path, wide, MAX_PATH * 2) > 0 && isExactPath(wide);
}

bool finalPathOf(const wchar_t* path, wchar_t* out, unsigned long outChars)
{
    HANDLE h = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    bool got = finalPathOfHandle(h, out, outChars);
    CloseHandle(h);
    return got;
}

bool finalPathOfHandle(void* h, wchar_t* out, unsigned long outChars)
{
    DWORD got = GetFinalPathNameByHandleW(h, out, outChars, FILE_NAME_NORMALIZED);
    return got > 0 && got < outChars;
}
