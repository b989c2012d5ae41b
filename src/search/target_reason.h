// Why a shortcut is listed, as both programs judge it: one classification for the window's
// grey entries and the console program's reasons.
#pragma once

#include "search/reason_rule.h"
#include "search/shortcut_check.h"

// The reason for a shortcut checked as `state`, its target in `target`. A missing or
// unreachable target's drive or share decides first: absent, or not answering. Each drive or
// share is asked at most once every few seconds.
Reason targetReason(ShortcutState state, const char* target);
// The same for a target about to lose its shortcut: its drive or share asked now, and away
// too where a drive letter holds another volume than the search found there. REASON_PRESENT:
// there.
Reason rootAwayNow(const char* target);
