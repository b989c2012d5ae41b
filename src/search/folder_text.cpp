#include "search/folder_text.h"

#include "search/walk_rules.h"

static bool isAsciiLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

FolderText readFolderText(const wchar_t* text)
{
    std::size_t n = 0;
    while (text[n] != L'\0')
        ++n;
    FolderText out = {FOLDER_TEXT_EMPTY, 0, 0};
    if (n == 0)
        return out;
    out.kind = FOLDER_TEXT_BAD;
    if (n > MAX_FOLDER_TEXT)
        return out;
    std::size_t start = n;  // the last name
    while (start > 0 && text[start - 1] != L'\\' && text[start - 1] != L'/')
        --start;
    std::size_t end = n;
    bool dots = (n - start == 1 && text[start] == L'.') || (n - start == 2 && text[start] == L'.' && text[start + 1] == L'.');
    if (!dots)
        while (end > start && (text[end - 1] == L' ' || text[end - 1] == L'.'))
            --end;
    if (end == start && end != n)
        return out;  // nothing but dots and spaces: no name is left
    for (std::size_t i = 0; i < end; ++i)
        if (text[i] == L'?' || text[i] == L'*')
            return out;
    // Every name but the (trimmed) last is checked as it stands; so is the last.
    wchar_t name[MAX_FOLDER_TEXT + 1];
    std::size_t from = 0;
    for (std::size_t i = 0; i <= end; ++i) {
        if (i < end && text[i] != L'\\' && text[i] != L'/')
            continue;
        std::size_t k = 0;
        for (std::size_t j = from; j < i; ++j)
            name[k++] = text[j];
        if (!isExactName(name, k))
            return out;
        from = i + 1;
    }
    out.kind = end == n ? FOLDER_TEXT_OK : FOLDER_TEXT_TRIMMED;
    out.length = end;
    bool driveRoot = end == 3 && isAsciiLetter(text[0]) && text[1] == L':' && text[2] == L'\\';
    out.walkLength = driveRoot ? 2 : end;
    return out;
}

bool isBareDrive(const char* text) { return isDrivePrefix(text) && text[2] == '\0'; }

bool isFullPath(const char* text)
{
    return (text[0] == '\\' && text[1] == '\\') || (isDrivePrefix(text) && text[2] == '\\');
}
