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

bool targetGone(const TargetFacts& facts, bool (*present)(TargetView view, void* context), void* context)
{
    for (int v = VIEW_AS_SEEN; v < VIEW_COUNT; ++v) {
        TargetView view = static_cast<TargetView>(v);
        if (applies(view, facts) && present(view, context))
            return false;
    }
    return true;
}
