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

bool namesExactly(const char* path)
{
    static wchar_t wide[MAX_PATH * 2];
    return namesOneFile(path) && MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH * 2) > 0 && isExactPath(wide);
}

bool finalPathOf(const wchar_t* path, wchar_t* out, unsigned long outChars)
{
    HANDLE h = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD got = GetFinalPathNameByHandleW(h, out, outChars, FILE_NAME_NORMALIZED);
    CloseHandle(h);
    return got > 0 && got < outChars;
}

bool isPlainFile(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return false;
    static wchar_t wide[MAX_PATH * 2];
    static wchar_t parent[MAX_PATH * 2];
    static wchar_t file[MAX_PATH * 4];
    static wchar_t folder[MAX_PATH * 4];
    int n = MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH * 2);
    int cut = n - 1;
    while (cut > 0 && wide[cut] != L'\\')
        --cut;
    if (cut <= 0 || !finalPathOf(wide, file, MAX_PATH * 4))
        return false;
    int parentLength = wide[cut - 1] == L':' ? cut + 1 : cut;  // "C:" alone is the drive's current folder
    lstrcpynW(parent, wide, parentLength + 1);
    if (!finalPathOf(parent, folder, MAX_PATH * 4))
        return false;
    // The file's own final path is its folder's with its name: it is no link to elsewhere.
    int f = lstrlenW(folder);
    if (f > 0 && folder[f - 1] == L'\\')
        --f;  // a drive root
    const wchar_t* name = wide + cut + 1;
    int nameLength = lstrlenW(name);
    return lstrlenW(file) == f + 1 + nameLength && CompareStringOrdinal(file, f, folder, f, TRUE) == CSTR_EQUAL &&
           file[f] == L'\\' && CompareStringOrdinal(file + f + 1, nameLength, name, nameLength, TRUE) == CSTR_EQUAL;
}
