#include "search/target_reason.h"

#include <cstring>

#include "search/path_limits.h"
#include "search/root_answers.h"
#include "search/walk_rules.h"

// How long a drive's or share's answer stands during a search.
static const unsigned long long ROOT_ANSWER_MS = 5000;

const char* rootAwayNow(const char* target) { return rootAway(target, 0); }

const char* targetReason(ShortcutState state, const char* target)
{
    const char* away;
    switch (state) {
    case SHORTCUT_MISSING: return (away = rootAway(target, ROOT_ANSWER_MS)) != nullptr ? away : "missing";
    case SHORTCUT_UNREACHABLE: return (away = rootAway(target, ROOT_ANSWER_MS)) != nullptr ? away : "unreachable";
    case SHORTCUT_DENIED: return "denied";
    case SHORTCUT_USER_DEPENDENT: return "user-dependent";
    case SHORTCUT_PRESENT: return "present";
    case SHORTCUT_NOT_TESTED: return "not-tested";
    case SHORTCUT_NO_TARGET: return "no-target";
    default: return "unreadable";
    }
}
