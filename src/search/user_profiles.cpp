#include "search/user_profiles.h"

#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include "search/owner_view.h"

static const wchar_t PROFILE_LIST[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

static std::wstring stringValue(HKEY key, const wchar_t* name, bool expand)
{
    wchar_t raw[MAX_PATH * 2] = {};
    DWORD size = sizeof raw - sizeof(wchar_t), type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(raw), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return L"";
    if (!expand || type != REG_EXPAND_SZ)
        return raw;
    wchar_t expanded[MAX_PATH * 2];
    DWORD n = ExpandEnvironmentStringsW(raw, expanded, MAX_PATH * 2);
    return n > 0 && n <= MAX_PATH * 2 ? expanded : L"";
}

static std::wstring accountName(const std::wstring& sidText)
{
    PSID sid;
    if (!ConvertStringSidToSidW(sidText.c_str(), &sid))
        return sidText;
    wchar_t name[256], domain[256];
    DWORD nameSize = 256, domainSize = 256;
    SID_NAME_USE use;
    bool found = LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use) != 0;
    LocalFree(sid);
    return found ? name : sidText;  // a deleted account's profile keeps its SID
}

// The system's own accounts (local system, local service, network service) have profiles
// too, but no desktop or Start menu of a person's.
static bool isServiceAccount(const std::wstring& sid)
{
    return sid == L"S-1-5-18" || sid == L"S-1-5-19" || sid == L"S-1-5-20";
}

// Each subkey of `parent` that opens for reading: its name and the open key.
template <typename Each>
static void forEachSubkey(HKEY parent, Each each)
{
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(parent, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY key;
        if (RegOpenKeyExW(parent, name, 0, KEY_READ, &key) != ERROR_SUCCESS)
            continue;
        each(name, key);
        RegCloseKey(key);
    }
}

static std::vector<UserProfile> readProfiles()
{
    std::vector<UserProfile> profiles;
    HKEY list;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, PROFILE_LIST, 0, KEY_READ | KEY_WOW64_64KEY, &list) != ERROR_SUCCESS)
        return profiles;
    forEachSubkey(list, [&](const wchar_t* name, HKEY key) {
        std::wstring sid = name;
        if (isServiceAccount(sid) || (sid.size() > 4 && lstrcmpiW(sid.c_str() + sid.size() - 4, L".bak") == 0))
            return;
        std::wstring folder = stringValue(key, L"ProfileImagePath", true);
        if (folder.empty())
            return;
        HKEY hive;
        bool signedIn = RegOpenKeyExW(HKEY_USERS, name, 0, KEY_READ, &hive) == ERROR_SUCCESS;
        if (signedIn)
            RegCloseKey(hive);
        profiles.push_back({sid, folder, accountName(sid), signedIn});
    });
    RegCloseKey(list);
    return profiles;
}

const std::vector<UserProfile>& userProfiles()
{
    static const std::vector<UserProfile> profiles = readProfiles();
    return profiles;
}

const std::wstring& readerProfile()
{
    static const std::wstring profile = [] {
        wchar_t folder[MAX_PATH];
        return SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, folder) == S_OK ? std::wstring(folder)
                                                                                                   : std::wstring();
    }();
    return profile;
}

const UserProfile* profileHolding(const std::wstring& path)
{
    const UserProfile* holding = nullptr;
    for (const UserProfile& p : userProfiles())
        if (liesWithin(path, p.folder) && (holding == nullptr || p.folder.size() > holding->folder.size()))
            holding = &p;
    return holding;
}

std::wstring ownerShellFolder(const UserProfile& profile, const wchar_t* value)
{
    if (!profile.signedIn)
        return L"";
    HKEY key;
    std::wstring path = profile.sid + L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    if (RegOpenKeyExW(HKEY_USERS, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return L"";
    std::wstring raw = stringValue(key, value, false);
    RegCloseKey(key);
    // Its variables are the owner's, not this process's: only the profile itself is taken.
    const std::wstring variable = L"%USERPROFILE%";
    if (raw.size() >= variable.size() && CompareStringOrdinal(raw.c_str(), static_cast<int>(variable.size()), variable.c_str(),
                                                              static_cast<int>(variable.size()), TRUE) == CSTR_EQUAL)
        raw = profile.folder + raw.substr(variable.size());
    return raw.find(L'%') == std::wstring::npos ? raw : L"";
}

// Every OneDrive account's folder under one user's registry.
static void addSyncedFolders(HKEY user, std::vector<std::wstring>& out)
{
    HKEY accounts;
    if (RegOpenKeyExW(user, L"Software\\Microsoft\\OneDrive\\Accounts", 0, KEY_READ, &accounts) != ERROR_SUCCESS)
        return;
    forEachSubkey(accounts, [&](const wchar_t*, HKEY account) {
        std::wstring folder = stringValue(account, L"UserFolder", false);
        if (!folder.empty())
            out.push_back(folder);
    });
    RegCloseKey(accounts);
}

std::vector<std::wstring> syncedFolders()
{
    std::vector<std::wstring> folders;
    addSyncedFolders(HKEY_CURRENT_USER, folders);
    for (const UserProfile& profile : userProfiles()) {
        HKEY hive;
        if (profile.signedIn && RegOpenKeyExW(HKEY_USERS, profile.sid.c_str(), 0, KEY_READ, &hive) == ERROR_SUCCESS) {
            addSyncedFolders(hive, folders);
            RegCloseKey(hive);
        }
    }
    return folders;
}
