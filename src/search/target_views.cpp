#include "search/target_views.h"

static bool applies(TargetView view, const TargetFacts& facts)
{
    switch (view) {
    case VIEW_AS_SEEN: return true;
    case VIEW_UNREDIRECTED: return facts.wow64;
    case VIEW_NATIVE_PROGRAM_FILES: return facts.wow64 && facts.underX86Programs;
    case VIEW_WIDE: return facts.wideDiffers;
    case VIEW_WIDE_UNREDIRECTED: return facts.wideDiffers && facts.wow64;
    default: return false;
    }
}

// Only "no such file" and "no such path" say a target is not there. A denial, a sharing or
// lock violation say it may be; everything else (not ready, a bad network path, which can
// mean a missing folder on a share as well as a server that is gone) is unreachable.
TargetVerdict verdictOfError(unsigned long error)
{
    static const struct {
        unsigned long error;
        TargetVerdict verdict;
    } known[] = {
        {2, TARGET_MISSING},   // ERROR_FILE_NOT_FOUND
        {3, TARGET_MISSING},   // ERROR_PATH_NOT_FOUND
        {5, TARGET_DENIED},    // ERROR_ACCESS_DENIED
        {32, TARGET_DENIED},   // ERROR_SHARING_VIOLATION
        {33, TARGET_DENIED},   // ERROR_LOCK_VIOLATION
        {1314, TARGET_DENIED}, // ERROR_PRIVILEGE_NOT_HELD
    };
    if (error == 0)
        return TARGET_PRESENT;
    for (const auto& k : known)
        if (k.error == error)
            return k.verdict;
    return TARGET_UNREACHABLE;
}

TargetVerdict judgeTarget(const TargetFacts& facts, unsigned long (*look)(TargetView view, void* context), void* context)
{
    TargetVerdict verdict = TARGET_MISSING;
    for (int v = VIEW_AS_SEEN; v < VIEW_COUNT; ++v) {
        TargetView view = static_cast<TargetView>(v);
        if (!applies(view, facts))
            continue;
        TargetVerdict now = verdictOfError(look(view, context));
        if (now == TARGET_PRESENT)
            return now;
        if (verdict == TARGET_MISSING)
            verdict = now;
    }
    return verdict;
}
