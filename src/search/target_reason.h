// Why a shortcut is listed, in the words both programs show: one classification for the
// window's grey entries and the console program's reasons.
#pragma once

#include "search/reason_rule.h"
#include "search/shortcut_check.h"

// The reason for a shortcut checked as `state`, its target in `target`: "missing",
// "drive-absent" (no such letter, or no medium), "share-unreachable", "denied",
// "unreachable", "user-dependent", "present", "not-tested", "no-target" or "unreadable". Each
// drive or share is asked at most once every few seconds.
const char* targetReason(ShortcutState state, const char* target);
// The same for a target about to lose its shortcut: its drive or share asked now, and away
// too where a drive letter holds another volume than the search found there. Null: there.
const char* rootAwayNow(const char* target);
