#include "cli/cli_report_file.h"

#include "cli/cli_console.h"
#include "cli/cli_folders.h"
#include "cli/held_folder.h"
#include "search/exact_text.h"
#include "search/file_lookup.h"
#include "search/walk_rules.h"

static const DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The folder a full path's file lies in, with its last backslash.
static std::wstring folderOf(const std::wstring& path)
{
    std::size_t cut = path.find_last_of(L'\\');
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
}

// A new file in the held folder, made there and open for writing (and for deletion): its
// handle and name, or INVALID_HANDLE_VALUE when none can be made.
static HANDLE newFileIn(HANDLE folder, std::wstring& name)
{
    static unsigned sequence = 0;
    for (int attempt = 0; attempt < 64; ++attempt) {
        wchar_t text[40];
        wsprintfW(text, L"vmr%lx-%x.tmp", GetCurrentProcessId(), ++sequence);
        name = text;
        HANDLE h = openIn(folder, name, GENERIC_WRITE | DELETE, FILE_SHARE_READ, FILE_CREATE, false);
        if (h != INVALID_HANDLE_VALUE || (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS))
            return h;
    }
    return INVALID_HANDLE_VALUE;
}

std::string prepareReport(const char* output, ReportPlace& place)
{
    place = {GetStdHandle(STD_OUTPUT_HANDLE), L"", L"", INVALID_HANDLE_VALUE, L""};
    if (output == nullptr)
        return "";
    std::wstring named = wideOfUtf8(output);
    wchar_t full[MAX_PATH * 2];
    DWORD n = GetFullPathNameW(named.c_str(), MAX_PATH * 2, full, nullptr);
    if (n == 0 || n >= MAX_PATH * 2)
        return std::string("cannot write ") + output + ": no such place";
    // A report in a shortcut's place would replace the shortcut, and be found by the next
    // run as one that cannot be read.
    if (namesShortcutFile(full))
        return std::string("will not write the report to ") + output + ": it is named like a shortcut";
    DWORD attributes = GetFileAttributesW(full);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::string("will not write the report to ") + output + ": it is a folder";
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        // Opened as it is, without changing it: a device or a pipe is written directly; a
        // file is looked at under its real name (an 8.3 name or a link hides a shortcut's).
        HANDLE h = CreateFileW(full, GENERIC_WRITE, SHARE_ALL, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return std::string("cannot write ") + output;
        static wchar_t real[MAX_PATH * 4];
        bool disk = GetFileType(h) == FILE_TYPE_DISK;
        bool shortcut = disk && finalPathOfHandle(h, real, MAX_PATH * 4) && namesShortcutFile(real);
        if (!disk) {
            place.direct = h;
            return "";
        }
        CloseHandle(h);
        if (shortcut)
            return std::string("will not write the report to ") + output + ": it is a shortcut";
    } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
        // Devices (NUL, CON) have no attributes on some systems: opened as they are.
        HANDLE h = CreateFileW(full, GENERIC_WRITE, SHARE_ALL, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_DISK) {
            place.direct = h;
            return "";
        }
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
    // The folder, held for the run: no link, and, run elevated, none that other accounts may
    // write to, or could swap for a link to make this program write elsewhere.
    std::wstring folder = folderOf(full);
    place = {nullptr, full, L"", openFolder(folder), std::wstring(full + folder.size())};
    static wchar_t real[MAX_PATH * 4];
    if (place.folder == INVALID_HANDLE_VALUE || !finalPathOfHandle(place.folder, real, MAX_PATH * 4))
        return std::string("cannot write ") + output;
    if (!isPlainKindHandle(place.folder, true) || !reachedByItsName(place.folder, folder))
        return std::string("will not write the report to ") + output + ": its folder is a link or a junction";
    if (isElevated() && othersMayWriteTo(place.folder))
        return std::string("will not write the report to ") + output + ": other accounts may write to its folder";
    place.final = std::wstring(real) + (real[0] != L'\0' && real[lstrlenW(real) - 1] == L'\\' ? L"" : L"\\") +
                  place.name;
    // The folder must take a new file now, before anything is touched.
    std::wstring probe;
    HANDLE h = newFileIn(place.folder, probe);
    if (h == INVALID_HANDLE_VALUE)
        return std::string("cannot write ") + output;
    deleteOnClose(h);
    CloseHandle(h);
    return "";
}

void releaseReport(ReportPlace& place)
{
    if (place.folder != INVALID_HANDLE_VALUE && place.folder != nullptr)
        CloseHandle(place.folder);
    place.folder = INVALID_HANDLE_VALUE;
}

bool writeReport(const ReportPlace& place, const std::string& text, bool keep, std::wstring& keptAt)
{
    if (place.direct != nullptr) {
        bool written = writeOut(place.direct, text);
        if (place.direct != GetStdHandle(STD_OUTPUT_HANDLE))
            written = CloseHandle(place.direct) && written;
        return written;
    }
    // Made, written and put in place inside the folder held since the start, never by its
    // path, which another account may have made lead elsewhere meanwhile. Where it does, the
    // report is not put in place: only kept when it is the record of changes.
    bool named = stillNamed(place.folder, folderOf(place.path));
    std::wstring fresh;
    HANDLE h = named || keep ? newFileIn(place.folder, fresh) : INVALID_HANDLE_VALUE;
    if (h == INVALID_HANDLE_VALUE)
        return false;
    bool whole = writeOut(h, text) && FlushFileBuffers(h);
    bool placed = whole && named && moveInto(h, place.folder, place.name, true);
    static wchar_t real[MAX_PATH * 4];
    if (!placed && whole && keep)
        keptAt = (finalPathOfHandle(place.folder, real, MAX_PATH * 4) ? folderOf(withoutLongPrefix(real) + L"\\x")
                                                                      : folderOf(place.path)) +
                 fresh;
    else if (!placed)
        deleteOnClose(h);
    return CloseHandle(h) && placed;
}
