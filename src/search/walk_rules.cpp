#include "search/walk_rules.h"

#include <cstdio>
#include <cstring>

static char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool isShortcutName(const char* name, std::size_t length)
{
    if (length < 4 || name[length - 4] != '.')
        return false;
    char a = upperAscii(name[length - 3]);
    char b = upperAscii(name[length - 2]);
    char c = upperAscii(name[length - 1]);
    return (a == 'L' && b == 'N' && c == 'K') || (a == 'P' && b == 'I' && c == 'F');
}

bool namesShortcutFile(const wchar_t* path)
{
    std::size_t n = 0;
    while (path[n] != L'\0')
        ++n;
    while (n > 0 && (path[n - 1] == L' ' || path[n - 1] == L'.'))
        --n;
    char tail[4];
    if (n < 4)
        return false;
    for (std::size_t i = 0; i < 4; ++i) {
        wchar_t c = path[n - 4 + i];
        tail[i] = c < 0x80 ? static_cast<char>(c) : '?';
    }
    return isShortcutName(tail, 4);
}

bool folderFits(std::size_t depth, std::size_t length) { return depth + length < MAX_FOLDER_PATH; }
bool shortcutFits(std::size_t depth, std::size_t length) { return depth + length < MAX_SHORTCUT_PATH; }

bool isDotEntry(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

bool progressDue(bool shortcut, unsigned tally) { return shortcut || (tally & 7u) == 0; }

void formatProgress(char* out, std::size_t size, unsigned links, unsigned files)
{
    std::snprintf(out, size, "%u / %u Files", links, files);
}

static bool sameIgnoringCase(const char* a, const char* b, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        if (upperAscii(a[i]) != upperAscii(b[i]))
            return false;
    return true;
}

bool mapToNativeProgramFiles(const char* target, const char* x86Dir, const char* nativeDir,
                             char* out, std::size_t outSize)
{
    std::size_t n = std::strlen(x86Dir);
    while (n > 0 && x86Dir[n - 1] == '\\')
        --n;
    if (n == 0 || std::strlen(target) < n || !sameIgnoringCase(target, x86Dir, n))
        return false;
    if (target[n] != '\\' && target[n] != '\0')
        return false;  // "Program Files (x86)Extra" is another folder
    std::size_t m = std::strlen(nativeDir);
    while (m > 0 && nativeDir[m - 1] == '\\')
        --m;
    if (m == 0 || (m == n && sameIgnoringCase(nativeDir, x86Dir, n)))
        return false;  // a 32-bit Windows: both names are the same folder
    const char* rest = target + n;
    std::size_t restLen = std::strlen(rest);
    if (m + restLen + 1 > outSize)
        return false;
    std::memcpy(out, nativeDir, m);
    std::memcpy(out + m, rest, restLen + 1);
    return true;
}

bool isFileSystemTarget(const char* target)
{
    return target[0] != '\0' && !(target[0] == ':' && target[1] == ':');
}

bool namesOneFile(const char* path)
{
    for (; *path != '\0'; ++path)
        if (*path == '?' || *path == '*')
            return false;
    return true;
}

static wchar_t upperAsciiWide(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

static bool sameWordIgnoringCase(const wchar_t* a, std::size_t n, const char* word)
{
    std::size_t i = 0;
    for (; i < n && word[i] != '\0'; ++i)
        if (upperAsciiWide(a[i]) != static_cast<wchar_t>(word[i]))
            return false;
    return i == n && word[i] == '\0';
}

// CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0-9 and LPT0-9 with the superscripts 1, 2, 3 too.
static bool isDeviceName(const wchar_t* base, std::size_t n)
{
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : devices)
        if (sameWordIgnoringCase(base, n, device))
            return true;
    if (n != 4 || !(sameWordIgnoringCase(base, 3, "COM") || sameWordIgnoringCase(base, 3, "LPT")))
        return false;
    wchar_t d = base[3];
    return (d >= L'0' && d <= L'9') || d == L'\u00B9' || d == L'\u00B2' || d == L'\u00B3';
}

bool isExactName(const wchar_t* name, std::size_t length)
{
    if ((length == 1 && name[0] == L'.') || (length == 2 && name[0] == L'.' && name[1] == L'.'))
        return true;
    if (length > 0 && (name[length - 1] == L'.' || name[length - 1] == L' '))
        return false;
    // The device is named by what comes before the first dot, trailing spaces ignored.
    std::size_t base = 0;
    while (base < length && name[base] != L'.')
        ++base;
    while (base > 0 && name[base - 1] == L' ')
        --base;
    return !isDeviceName(name, base);
}

bool isExactPath(const wchar_t* path)
{
    for (;;) {
        std::size_t n = 0;
        while (path[n] != L'\0' && path[n] != L'\\' && path[n] != L'/')
            ++n;
        if (!isExactName(path, n))
            return false;
        if (path[n] == L'\0')
            return true;
        path += n + 1;
    }
}

bool isDrivePrefix(const char* text)
{
    return ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z')) && text[1] == ':';
}

bool targetRoot(const char* target, char* out, std::size_t size)
{
    std::size_t n = 0;
    if (isDrivePrefix(target)) {
        n = 2;
    } else if (target[0] == '\\' && target[1] == '\\') {
        const char* server = target + 2;
        const char* share = std::strchr(server, '\\');
        if (share == nullptr || share == server || share[1] == '\0' || share[1] == '\\')
            return false;
        const char* end = std::strchr(share + 1, '\\');
        n = end != nullptr ? static_cast<std::size_t>(end - target) : std::strlen(target);
    } else {
        return false;
    }
    if (n + 2 > size)
        return false;
    std::memcpy(out, target, n);
    out[n] = '\\';
    out[n + 1] = '\0';
    return true;
}

// The bin's folder names, upper case, as Windows has named them since 95, 2000 and Vista.
template <typename C>
static bool recycleFolderAt(const C* path, std::size_t length)
{
    static const char* const names[] = {"RECYCLED", "RECYCLER", "$RECYCLE.BIN"};
    for (const char* name : names) {
        std::size_t n = std::strlen(name), i = 0;
        if (length < 3 + n + 2)
            continue;
        while (i < n && (path[3 + i] >= 'a' && path[3 + i] <= 'z' ? path[3 + i] - 'a' + 'A' : path[3 + i]) == name[i])
            ++i;
        if (i == n && path[3 + n] == '\\')
            return true;
    }
    return false;
}

bool isInRecycledFolder(const char* path, std::size_t length) { return recycleFolderAt(path, length); }

bool isInRecycleBin(const wchar_t* path)
{
    if (path[0] == L'\\' && path[1] == L'\\' && path[2] == L'?' && path[3] == L'\\')
        path += 4;
    std::size_t n = 0;
    while (path[n] != L'\0')
        ++n;
    return n > 2 && path[1] == L':' && recycleFolderAt(path, n);
}

static wchar_t foldedUnit(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool liesWithin(const std::wstring& path, const std::wstring& folder, bool orIsIt)
{
    std::size_t n = folder.size();
    if (n > 0 && folder[n - 1] == L'\\')
        --n;
    if (n == 0 || path.size() < n || (path.size() == n ? !orIsIt : path[n] != L'\\' || path.size() == n + 1))
        return false;
    for (std::size_t i = 0; i < n; ++i)
        if (foldedUnit(path[i]) != foldedUnit(folder[i]))
            return false;
    return true;
}

bool isSyncedPlace(const std::wstring& path, unsigned long attributes, const std::vector<std::wstring>& folders)
{
    const unsigned long PINNED = 0x80000, UNPINNED = 0x100000, RECALL_ON_DATA_ACCESS = 0x400000;
    if (attributes & (PINNED | UNPINNED | RECALL_ON_DATA_ACCESS))
        return true;
    for (const std::wstring& folder : folders)
        if (liesWithin(path, folder))
            return true;
    return false;
}
