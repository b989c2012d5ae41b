// A shortcut in another user's profile, read by this account: the shell expands its stored
// environment string with the reader's variables and re-bases a target in a known folder
// onto the reader's folder. Where that put the target inside the reader's own profile, it is
// looked for where its owner would find it.
#pragma once
#include "search/walk_rules.h"  // liesWithin
#include <string>
#include <utility>
#include <vector>

struct OwnerFacts {
    std::wstring readerProfile;  // the running account's profile folder
    std::wstring ownerProfile;   // the profile folder the shortcut lies in; empty: none
    std::wstring shellTarget;    // the target as the shell gave it to this reader
    std::wstring storedLocal;    // the link information's local path, as saved
    std::wstring storedEnv;      // the environment string, as saved
    bool knownFolder;            // the shell re-bases the target onto the reader's known folder
    // The owner's application-data folders where the owner's registry says (signed in);
    // empty where they cannot be known.
    std::wstring ownerAppData, ownerLocalAppData;
    // Machine-wide variables, the same for every account ("SystemRoot", "ProgramFiles"...).
    std::vector<std::pair<std::wstring, std::wstring>> machine;
};

struct OwnerPlaces {
    bool concerns;  // the shell may have read the target through the wrong eyes
    std::vector<std::wstring> paths;  // where the owner's target may be, each looked for
    bool complete;  // none there means missing; otherwise the owner may see one the reader cannot
};

OwnerPlaces ownerPlaces(const OwnerFacts& facts);


