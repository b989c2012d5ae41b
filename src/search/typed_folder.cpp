#include "search/typed_folder.h"

#include <windows.h>

#include "search/exact_text.h"
#include "search/folder_text.h"
#include "search/path_limits.h"

// The typed text with its trailing spaces or dots dropped names a folder, but one whose
// name really ends so exists too: the text names two folders.
static bool untrimmedFolderExists(wchar_t* typed, std::size_t trimmed)
{
    const DWORD room = MAX_FOLDER_TEXT * 2;
    static wchar_t full[room];
    static wchar_t exact[sizeof "\\\\?\\UNC" + room + MAX_FOLDER_TEXT];  // the prefix, the path, what was trimmed
    wchar_t kept = typed[trimmed];
    typed[trimmed] = L'\0';
    DWORD n = GetFullPathNameW(typed, room, full, nullptr);
    typed[trimmed] = kept;
    if (n == 0 || n >= room)
        return false;
    // Through "\\?\", the only way to name a folder whose name ends in a space or a dot.
    bool unc = full[0] == L'\\' && full[1] == L'\\';
    lstrcpyW(exact, unc ? L"\\\\?\\UNC" : L"\\\\?\\");
    lstrcatW(exact, unc ? full + 1 : full);
    lstrcatW(exact, typed + trimmed);
    DWORD attributes = GetFileAttributesW(exact);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int typedFolderRoot(wchar_t* text, char* out, std::size_t& units)
{
    FolderText folder = readFolderText(text);
    if (folder.kind == FOLDER_TEXT_EMPTY)
        return 0;
    if (folder.kind == FOLDER_TEXT_BAD || (folder.kind == FOLDER_TEXT_TRIMMED && untrimmedFolderExists(text, folder.length)))
        return -1;
    text[folder.length] = L'\0';
    std::size_t bytes = narrowExactly(text, out, FOLDER_TEXT_BYTES);
    if (bytes == 0)
        return -1;
    units = folder.walkLength;
    return folder.walkLength == 2 && folder.length == 3 ? 2 : static_cast<int>(bytes);
}
