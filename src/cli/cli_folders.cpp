#include "cli/cli_folders.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "cli/cli_console.h"
#include "search/exact_text.h"
#include "search/path_limits.h"
#include "search/typed_folder.h"

struct Candidate {
    WalkRoot root;
    std::wstring finalPath;
};

// "\\?\C:\x" and "\\?\UNC\server\share" name what "C:\x" and "\\server\share" name.
static std::wstring withoutLongPrefix(const std::wstring& text)
{
    if (text.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        return L"\\" + text.substr(7);
    if (text.compare(0, 4, L"\\\\?\\") == 0)
        return text.substr(4);
    return text;
}

// A full path without a trailing separator, but for a drive's root ("C:\\"): the walk adds
// its own.
static void dropTrailingSeparator(std::wstring& full)
{
    if (full.size() > 3 && full.back() == L'\\')
        full.pop_back();
}

// The typed text by the window's rule, then as the full path it names ("..", "/" and a
// trailing separator resolved), which must itself pass the rule and be a folder.
static const char* takeFolder(const std::wstring& typed, std::vector<Candidate>& out)
{
    static wchar_t text[MAX_FOLDER_TEXT + 2];
    std::wstring given = withoutLongPrefix(typed);
    if (given.size() > MAX_FOLDER_TEXT)
        return "longer than 259 characters";
    lstrcpynW(text, given.c_str(), MAX_FOLDER_TEXT + 2);
    std::size_t units = 0;
    char bytes[FOLDER_TEXT_BYTES];
    if (typedFolderRoot(text, bytes, units) <= 0)
        return "a pattern, a name the system would change, or a name that two folders answer to";
    static wchar_t full[MAX_FOLDER_TEXT + 2];
    DWORD n = GetFullPathNameW(text, MAX_FOLDER_TEXT + 2, full, nullptr);
    if (n == 0 || n > MAX_FOLDER_TEXT)
        return "longer than 259 characters as a full path";
    std::wstring path = full;
    dropTrailingSeparator(path);
    lstrcpynW(text, path.c_str(), MAX_FOLDER_TEXT + 2);
    Candidate c;
    int walk = typedFolderRoot(text, bytes, c.root.walkUnits);
    if (walk <= 0)
        return "a name the system would change";
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return "no such folder";
    // A folder that cannot be opened is still named: its walk tells that it cannot be listed.
    static wchar_t real[MAX_PATH * 4];
    bool unc = path[0] == L'\\' && path[1] == L'\\';
    c.finalPath = finalPathOf(path.c_str(), real, MAX_PATH * 4) ? real : (unc ? L"\\\\?\\UNC" + path.substr(1) : L"\\\\?\\" + path);
    c.root.text = bytes;
    c.root.walkBytes = static_cast<std::size_t>(walk);
    out.push_back(c);
    return nullptr;
}

// Where the system defines no Quick Launch folder (Wine, and some editions), it is still
// in its place under the roaming application data.
static std::wstring quickLaunch()
{
    PWSTR path = nullptr;
    std::wstring place;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_QuickLaunch, 0, nullptr, &path)) && path != nullptr)
        place = path;
    CoTaskMemFree(path);
    path = nullptr;
    if (place.empty() && SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &path)) && path != nullptr)
        place = std::wstring(path) + L"\\Microsoft\\Internet Explorer\\Quick Launch";
    CoTaskMemFree(path);
    return place;
}

static void standardFolders(std::vector<Candidate>& out)
{
    const KNOWNFOLDERID* ids[] = {&FOLDERID_StartMenu, &FOLDERID_CommonStartMenu, &FOLDERID_Desktop,
                                  &FOLDERID_PublicDesktop, &FOLDERID_SendTo};
    for (const KNOWNFOLDERID* id : ids) {
        PWSTR path = nullptr;
        if (SUCCEEDED(SHGetKnownFolderPath(*id, 0, nullptr, &path)) && path != nullptr)
            takeFolder(path, out);  // a place that is not there is skipped
        CoTaskMemFree(path);
    }
    std::wstring pins = quickLaunch();
    if (!pins.empty())
        takeFolder(pins, out);
}

std::string takeRoots(const CliArguments& options, std::vector<WalkRoot>& out)
{
    std::vector<Candidate> found;
    if (options.standard)
        standardFolders(found);
    for (const char* f : options.folders)
        if (const char* why = takeFolder(wideOfUtf8(f), found))
            return std::string("cannot search ") + f + ": " + why;
    std::vector<std::wstring> finals;
    for (const Candidate& c : found)
        finals.push_back(c.finalPath);
    std::vector<bool> covered = coveredRoots(finals);
    for (std::size_t i = 0; i < found.size(); ++i)
        if (!covered[i])
            out.push_back(found[i].root);
    return "";
}
