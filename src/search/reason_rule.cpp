#include "search/reason_rule.h"

#include <cstring>

ReasonRule ruleOfReason(const char* reason)
{
    static const struct {
        const char* reason;
        ReasonRule rule;
    } rules[] = {
        {"missing", RULE_MISSING},     {"drive-absent", RULE_AWAY}, {"share-unreachable", RULE_AWAY},
        {"denied", RULE_UNSURE},       {"unreachable", RULE_UNSURE},
    };
    for (const auto& r : rules)
        if (std::strcmp(reason, r.reason) == 0)
            return r.rule;
    return RULE_KEPT;  // present, user-dependent, not-tested, no-target, unreadable, link, and any other
}

bool isPlainlyMissing(const char* reason) { return ruleOfReason(reason) == RULE_MISSING; }

bool isListedAsBroken(const char* reason)
{
    ReasonRule rule = ruleOfReason(reason);
    return rule == RULE_MISSING || rule == RULE_AWAY;
}
