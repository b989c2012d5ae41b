// Reads a shortcut's stored target through the shell's shortcut object and tests it.
#pragma once
#include <windows.h>

#include "search/search_state.h"

// Loads the shortcut named in the search's pathBuf and leaves its target in its targetBuf. Returns the
// result of the last step made; negative when the file is not a readable shortcut.
// The caller keeps system boxes away (SEM_FAILCRITICALERRORS) for this and the target test.
HRESULT resolveShortcut(SearchState& search);

enum ShortcutState {
    SHORTCUT_UNREADABLE,  // no shortcut the shell can read
    SHORTCUT_NO_TARGET,   // a shell object (Network, a control-panel item), no file
    SHORTCUT_NOT_TESTED,  // a network target with Remote off
    SHORTCUT_PRESENT,
    SHORTCUT_DENIED,      // the target may be there: this account may not look (never listed as broken)
    SHORTCUT_UNREACHABLE, // its drive, server or share did not answer as it should (never listed as broken)
    SHORTCUT_USER_DEPENDENT,  // in another account's profile, and its owner may see a target this one cannot
    SHORTCUT_MISSING,     // broken: the system says the target is not there
    SHORTCUT_MOVED,       // not at its stored path, but where Windows also looks: in the search's `found`
    SHORTCUT_VOLUME_AWAY, // on a removable volume, and its letter holds another volume now
    SHORTCUT_REPAIRABLE,  // an installer's, its product installed, its file not there: put back on first use
};

// The shortcut in pathBuf, read and its target tested; the target stays in targetBuf. An
// installer's shortcut is judged by the installer alone: its product gone, it is missing with
// the product code as its target.
// Network targets (leading backslash) are tested only with `testNetwork`. A target missing at
// its stored path is looked for where Windows also looks, in this order: as its owner sees it,
// by its path relative to the shortcut, on its removable volume under another letter, and
// (with `testNetwork`) through the share a drive letter was mapped to.
ShortcutState checkShortcut(SearchState& search, bool testNetwork);

// The last place asked for a missing target: the system's link tracking (IShellLink::Resolve
// without search or window, never saving), for a shortcut with a tracking block. A seam:
// Wine has no tracking service.
extern bool (*trackLink)(const wchar_t* shortcut, bool trackerBlock, wchar_t* found);
