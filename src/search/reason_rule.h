// The one rule, for both programs, of what a shortcut's reason makes of it: listed as broken
// or not, and deleted always, only when asked, or never.
#pragma once

enum ReasonRule {
    RULE_KEPT,     // not broken, or no judgement on its target: never listed as broken, never deleted
    RULE_MISSING,  // "missing": listed and deleted
    RULE_AWAY,     // "drive-absent", "share-unreachable": listed (grey in the window), deleted only when asked
    RULE_UNSURE,   // "denied", "unreachable": the target may be there; deleted only when asked
};

ReasonRule ruleOfReason(const char* reason);

// The target is not there on a drive or share that answers: the only reason a shortcut is
// deleted for without being asked to take the others too.
bool isPlainlyMissing(const char* reason);
// Listed as broken: its target is missing, or its drive or share is away.
bool isListedAsBroken(const char* reason);
