// The busy state and the cooperative message pump that long runs call between steps.
//
// A run: beginRun() before its first step, pumpMessages() between steps; at the first
// result of 0 (cancelled) or -1 (a close or quit was taken from the queue) it unwinds at
// once without pumping again, and endRun() on every way out.
#pragma once

#include "search/search_state.h"  // the results

// Dispatches up to five waiting messages without translating them. Esc or X stops the run.
int pumpMessages();

void beginRun();
void endRun();

// Shown in the status line while a stopped run unwinds.
extern const char cancelNotice[];
