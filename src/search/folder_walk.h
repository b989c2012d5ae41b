// The folder walk: depth first below the folder in pathBuf, within the path limits, never
// through a link back into itself. What it finds it tells an observer, which the window
// and the console program each implement.
#pragma once
#include <cstddef>

#include "results/listed_files.h"

struct WalkObserver {
    // The shortcut in pathBuf is listed; `checked`: its target was found missing (not listed
    // unopened, as a Ctrl search lists every shortcut).
    bool (*lists)(bool& checked);
    // A listed shortcut, with its identity read through a handle just now.
    void (*listed)(const char* path, int length, const ListedFile& file);
    // Between steps: on entering a folder, after every shortcut and every eighth other file
    // (`showCounts`). Returns 1 to go on, 0 when the user stopped, -1 on a close.
    int (*step)(bool showCounts);
};

// Walks the folder whose path is the first `rootLength` bytes of pathBuf (`rootUnits`
// UTF-16 units: the limits count units). Counts files in tally. Returns the first step
// result of 0 or -1, else 1; pathBuf is cut back to the root. `rootOpened` is false when
// the root itself could not be listed (missing, a file, denied); an empty drive can.
int walkFolder(int rootLength, std::size_t rootUnits, const WalkObserver& tell, bool& rootOpened);
