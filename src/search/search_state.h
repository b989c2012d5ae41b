// What one search owns: the path it walks, the target it tests, the folder entry it reads and
// its count of files. The window keeps one in its state record; the console program its own.
#pragma once
#include <windows.h>

#include "search/path_limits.h"

struct SearchState {
    char pathBuf[PATH_BUF_BYTES];
    alignas(wchar_t) char targetBuf[702];  // the shortcut's UTF-16 path, then its 8-bit target
    WIN32_FIND_DATAW findData;  // wide: the 8-bit find functions turn names they cannot hold into patterns
    unsigned tally;  // files met by the walk (the window also counts selected entries in it)
    wchar_t found[MAX_PATH];  // where a target not at its stored path was found instead, or ""
};

// What a walk's step, and so the walk, returns.
enum StepResult { PUMP_CLOSING = -1, PUMP_CANCELLED = 0, PUMP_GO_ON = 1 };
