// Why a shortcut is or is not listed, and the one rule, for both programs, of what that
// makes of it: listed as broken or not, and deleted always, only when asked, or never.
#pragma once

enum Reason : unsigned char {
    REASON_PRESENT,
    REASON_MISSING,            // not there, on a drive or share that answers
    REASON_DRIVE_ABSENT,       // no such letter, no medium, or another medium than the search found
    REASON_SHARE_UNREACHABLE,  // the share does not answer
    REASON_NOT_ANSWERING,      // its drive or server did not answer its first lookup in time
    REASON_DENIED,
    REASON_UNREACHABLE,
    REASON_USER_DEPENDENT,
    REASON_NOT_TESTED,
    REASON_NO_TARGET,
    REASON_UNREADABLE,
    REASON_LINK,   // a link or a folder at the shortcut's name
    REASON_MOVED,  // not at its stored path, but where Windows also looks for it
    REASON_REPAIRABLE,  // an installer's shortcut whose product is there: its file is put back on use
};

// The word both programs' reports use.
const char* reasonName(Reason reason);

enum ReasonRule {
    RULE_KEPT,     // not broken, or no judgement on its target: never listed as broken, never deleted
    RULE_MISSING,  // listed and deleted
    RULE_AWAY,     // its drive or server may only be away: listed (grey in the window), deleted only when asked
    RULE_UNSURE,   // the target may be there: not listed as broken, deleted only when asked
    RULE_FOUND,    // the shortcut still works: listed (grey in the window) with where, never deleted unasked
};

ReasonRule ruleOf(Reason reason);

// The target is not there on a drive or share that answers: the only reason a shortcut is
// deleted for without being asked to take the others too.
bool isPlainlyMissing(Reason reason);
// Listed: its target is missing, its drive or share is away, or it was found elsewhere.
bool isListedAsBroken(Reason reason);
