#include "search/target_reason.h"

#include <cstring>

#include "search/path_limits.h"
#include "search/root_answers.h"
#include "search/walk_rules.h"

// How long a drive's or share's answer stands during a search.
static const unsigned long long ROOT_ANSWER_MS = 5000;

Reason rootAwayNow(const char* target) { return rootAway(target, 0); }

Reason targetReason(ShortcutState state, const char* target)
{
    Reason away;
    switch (state) {
    case SHORTCUT_MISSING: return (away = rootAway(target, ROOT_ANSWER_MS)) != REASON_PRESENT ? away : REASON_MISSING;
    case SHORTCUT_UNREACHABLE:
        return (away = rootAway(target, ROOT_ANSWER_MS)) != REASON_PRESENT ? away : REASON_UNREACHABLE;
    case SHORTCUT_MOVED: return REASON_MOVED;
    case SHORTCUT_REPAIRABLE: return REASON_REPAIRABLE;
    case SHORTCUT_VOLUME_AWAY: return REASON_DRIVE_ABSENT;
    case SHORTCUT_DENIED: return REASON_DENIED;
    case SHORTCUT_USER_DEPENDENT: return REASON_USER_DEPENDENT;
    case SHORTCUT_PRESENT: return REASON_PRESENT;
    case SHORTCUT_NOT_TESTED: return REASON_NOT_TESTED;
    case SHORTCUT_NO_TARGET: return REASON_NO_TARGET;
    default: return REASON_UNREADABLE;
    }
}
