// What each drive and share met during a search answered: whether it is there, and whether it
// answers at all. A drive or server that hangs is waited for once, not once per shortcut.
#pragma once

#include "search/reason_rule.h"

// A new walk: what was learnt of drives and shares is asked again.
void forgetRoots();

// Whether the target's drive or share answers lookups. The first target on each root is
// looked up on a thread of its own, waited for at most the root wait while `whileWaiting`
// runs (every 50 ms); a root that has not answered by then is silent for the rest of the
// walk, and its lookup abandoned. The caller then calls takeWaitStop.
bool rootAnswers(const char* target, const wchar_t* wideTarget);
void setRootWait(unsigned milliseconds);  // 3 s unless set
void setWhileWaiting(int (*step)(void* context, bool showCounts), void* context);  // null: none
// Whether a lookup was given up on and may still be under way: the process then ends at once
// (TerminateProcess), as ExitProcess would wait for it.
bool lookupsAbandoned();
// 1 (go on), or the step result of 0 or -1 that ended a wait since the last call.
int takeWaitStop();
// Whether a wait was stopped and takeWaitStop not yet called: the target is not judged.
bool waitStopped();

// REASON_DRIVE_ABSENT or REASON_SHARE_UNREACHABLE where the target's drive or share is away,
// REASON_NOT_ANSWERING where it did not answer in time this walk, else REASON_PRESENT.
// `maxAge` ms: how old a remembered answer may be; 0 asks now. A drive letter that holds
// another volume than the one first found there this walk counts as away. A silent root is
// never asked again.
Reason rootAway(const char* target, unsigned long long maxAge);
