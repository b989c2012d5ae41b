// The user profiles the system lists, and the running account's own: whose a shortcut is,
// and where another account's per-user folders are.
#pragma once
#include <string>
#include <vector>

struct UserProfile {
    std::wstring sid;     // "S-1-5-21-..."
    std::wstring folder;  // "C:\Users\ann"
    std::wstring owner;   // the account's name; its SID where no account has it any more
    bool signedIn;        // its registry is loaded: its folders' redirections can be read
};

// Read once: the subkeys of ProfileList that are people's profiles (no service accounts, no
// ".bak" copies), in the registry's order.
const std::vector<UserProfile>& userProfiles();

// The running account's profile folder; empty where it has none.
const std::wstring& readerProfile();

// The profile `path` lies in, or null.
const UserProfile* profileHolding(const std::wstring& path);

// What the profile's own registry names (a signed-in user's User Shell Folders) for `value`
// ("AppData", "Local AppData", "Desktop"...), with its variables taken as the owner's; empty
// where it cannot be read.
std::wstring ownerShellFolder(const UserProfile& profile, const wchar_t* value);

// The folders that sync to their users' other PCs (OneDrive's), as the running account's and
// every signed-in user's registry name them: read afresh on each call.
std::vector<std::wstring> syncedFolders();
