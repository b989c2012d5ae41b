// What the search knew of one listed file, and what Delete checks again before acting on it.
#pragma once
#include "search/file_identity.h"

// Why a listed target may only be away for now: its drive or its server is not there, or did
// not answer in time. Such an entry is drawn grey, with the reason after its path and at the
// head of its tip.
// An entry whose target was found elsewhere is grey too: its shortcut still works.
// One in a folder that syncs to its user's other PCs would be deleted there too: grey.
enum EntryAway : unsigned char { AWAY_NONE, AWAY_DRIVE, AWAY_SERVER, AWAY_SILENT, AWAY_MOVED, AWAY_SYNCED, AWAY_VOLUME };

struct ListedFile {
    FileIdentity identity;
    bool checked;        // listed as broken (a Ctrl search lists every shortcut unchecked)
    bool networkTested;  // its search tested network targets: Delete checks it again so
    bool unsureToo;      // deleted also while its target cannot be seen or does not answer
    EntryAway away;      // its drive or server may only be away: drawn grey
    char drive;          // with AWAY_DRIVE, AWAY_SILENT or AWAY_VOLUME, the target's drive letter
    const wchar_t* found;  // with AWAY_MOVED, where the target was found: the window's records own a copy
};
