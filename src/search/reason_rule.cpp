#include "search/reason_rule.h"

namespace {
const struct {
    const char* name;
    ReasonRule rule;
} reasons[] = {
    /* PRESENT */ {"present", RULE_KEPT},
    /* MISSING */ {"missing", RULE_MISSING},
    /* DRIVE_ABSENT */ {"drive-absent", RULE_AWAY},
    /* SHARE_UNREACHABLE */ {"share-unreachable", RULE_AWAY},
    /* NOT_ANSWERING */ {"not-answering", RULE_AWAY},
    /* DENIED */ {"denied", RULE_UNSURE},
    /* UNREACHABLE */ {"unreachable", RULE_UNSURE},
    /* USER_DEPENDENT */ {"user-dependent", RULE_KEPT},
    /* NOT_TESTED */ {"not-tested", RULE_KEPT},
    /* NO_TARGET */ {"no-target", RULE_KEPT},
    /* UNREADABLE */ {"unreadable", RULE_KEPT},
    /* LINK */ {"link", RULE_KEPT},
    /* MOVED */ {"moved", RULE_FOUND},
    /* REPAIRABLE */ {"repairable", RULE_KEPT},
};
static_assert(sizeof reasons / sizeof reasons[0] == REASON_REPAIRABLE + 1, "a word and a rule for every reason");
}  // namespace

// Anything out of range is kept: a reason nobody named deletes nothing.
const char* reasonName(Reason reason) { return reason <= REASON_REPAIRABLE ? reasons[reason].name : "unreadable"; }

ReasonRule ruleOf(Reason reason) { return reason <= REASON_REPAIRABLE ? reasons[reason].rule : RULE_KEPT; }

bool isPlainlyMissing(Reason reason) { return ruleOf(reason) == RULE_MISSING; }

bool isListedAsBroken(Reason reason)
{
    ReasonRule rule = ruleOf(reason);
    return rule == RULE_MISSING || rule == RULE_AWAY || rule == RULE_FOUND;
}
