// The folder walk: depth first below the folder in pathBuf, within the path limits, never
// through a link back into itself. What it finds it tells an observer, which the window
// and the console program each implement.
#pragma once
#include <cstddef>

#include "results/listed_file.h"
#include "search/reason_rule.h"
#include "search/search_state.h"
#include "search/shortcut_check.h"

// A shortcut the walk met, in pathBuf, as it is handed to the observer.
struct FoundShortcut {
    const char* path;
    int length;
    bool checked;          // opened and its target tested (the window's Ctrl search opens none)
    ShortcutState state;   // with `checked`: what the check found
    const char* target;    // with `checked`: its stored target ("" where it has none), valid during the call
    const wchar_t* found;  // with `checked`: where a target not at that path was found instead, or ""
    Reason reason;         // with `checked`: the reason both programs give, asked once (see targetReason)
    const WIN32_FIND_DATAW* find;
    ListedFile file;       // for `listed`: its identity, read through a handle just now
    bool link;             // for `listed`, when checked: a link or a folder is at its name, never deletable
};

struct WalkObserver {
    void* context;
    bool checksTargets;  // each shortcut is opened and its target tested before `lists` is asked
    bool testsNetwork;   // network targets are tested too (Remote)
    // Whether the shortcut is listed.
    bool (*lists)(void* context, const FoundShortcut& s);
    // A listed shortcut, with its identity.
    void (*listed)(void* context, const FoundShortcut& s);
    // Between steps: on entering a folder, after every shortcut and every eighth other file
    // (`showCounts`). Returns 1 to go on, 0 when the user stopped, -1 on a close.
    int (*step)(void* context, bool showCounts);
    // A final path ("\\?\C:\Users\Ann") a folder link must lead inside to be walked, or null:
    // a user's profile, walked for another account, must not lead the walk anywhere else.
    const wchar_t* fence;
};
// Walks the folder whose path is the first `rootLength` bytes of pathBuf (`rootUnits`
// UTF-16 units: the limits count units). Counts files in tally. Returns the first step
// result of 0 or -1, else 1; pathBuf is cut back to the root. `rootOpened` is false when
// the root itself could not be listed (missing, a file, denied); an empty drive can.
int walkFolder(SearchState& state, int rootLength, std::size_t rootUnits, const WalkObserver& tell, bool& rootOpened);
