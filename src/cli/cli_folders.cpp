#include "cli/cli_folders.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "cli/cli_console.h"
#include "search/exact_text.h"
#include "search/path_limits.h"
#include "search/owner_view.h"
#include "search/typed_folder.h"
#include "search/user_profiles.h"

struct Candidate {
    WalkRoot root;
    std::wstring finalPath;
};

std::wstring withoutLongPrefix(const std::wstring& text)
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
    Candidate c = {};
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

static std::wstring knownFolder(const KNOWNFOLDERID& id)
{
    PWSTR path = nullptr;
    std::wstring place;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)) && path != nullptr)
        place = path;
    CoTaskMemFree(path);
    return place;
}

// Each profile's Desktop, Start menu, Quick Launch and Send To, where they usually are and,
// for a signed-in user, where that user's registry redirects them; then the all-users ones.
static void profileFolders(std::vector<Candidate>& out)
{
    for (const UserProfile& p : userProfiles()) {
        if (GetFileAttributesW(p.folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
            complain("profile of " + utf8Of(p.owner.c_str()) + " skipped: its folder " + utf8Of(p.folder.c_str()) +
                     " is not there");
            continue;
        }
        static wchar_t real[MAX_PATH * 4];
        if (!finalPathOf(p.folder.c_str(), real, MAX_PATH * 4)) {
            complain("profile of " + utf8Of(p.owner.c_str()) + " skipped: its folder " + utf8Of(p.folder.c_str()) +
                     " cannot be opened");
            continue;
        }
        const std::wstring profile = real, roaming = p.folder + L"\\AppData\\Roaming";
        std::wstring appData = ownerShellFolder(p, L"AppData");
        const std::size_t usual = 4;  // the places the system puts them; then the owner's redirections
        std::vector<std::wstring> places = {
            p.folder + L"\\Desktop", roaming + L"\\Microsoft\\Windows\\Start Menu",
            roaming + L"\\Microsoft\\Internet Explorer\\Quick Launch", roaming + L"\\Microsoft\\Windows\\SendTo",
            ownerShellFolder(p, L"Desktop"), ownerShellFolder(p, L"Start Menu"), ownerShellFolder(p, L"SendTo"),
            appData.empty() ? L"" : appData + L"\\Microsoft\\Internet Explorer\\Quick Launch"};
        for (std::size_t i = 0; i < places.size(); ++i) {
            std::size_t before = out.size();
            if (places[i].empty() || takeFolder(places[i], out) != nullptr || out.size() == before)
                continue;  // a place that is not there is skipped
            // Only the profile itself, or a share its folders are redirected to (folder
            // redirection): what a user's registry or links name is no way out of it.
            Candidate& c = out.back();
            bool share = i >= usual && c.finalPath.compare(0, 8, L"\\\\?\\UNC\\") == 0;
            if (!share && !liesWithin(c.finalPath, profile)) {
                complain("a place of the profile of " + utf8Of(p.owner.c_str()) + " skipped: " +
                         utf8Of(places[i].c_str()) + " lies outside it");
                out.pop_back();
                continue;
            }
            c.root.ofAProfile = true;
            c.root.fence = share ? c.finalPath : profile;
        }
    }
    for (const KNOWNFOLDERID* id : {&FOLDERID_CommonStartMenu, &FOLDERID_PublicDesktop})
        takeFolder(knownFolder(*id), out);
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
    if (options.allProfiles)
        profileFolders(found);
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

std::string ownerOf(const std::wstring& path)
{
    static const std::wstring common[] = {knownFolder(FOLDERID_CommonStartMenu), knownFolder(FOLDERID_PublicDesktop)};
    for (const std::wstring& folder : common)
        if (!folder.empty() && liesWithin(path, folder))
            return "all-users";
    const UserProfile* p = profileHolding(path);
    return p != nullptr ? utf8Of(p->owner.c_str()) : "";
}
