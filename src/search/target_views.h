// Whether a shortcut's target is gone: it is looked for in every view a 32-bit program on
// 64-bit Windows has of the file system, and in its UTF-16 form where the 8-bit one lost
// something. Missing only when every view says "not there": a tool that deletes errs toward
// keeping, and a target it may not see is no missing one.
#pragma once

// In the order they are asked; asking stops at the first view that holds the target.
enum TargetView {
    VIEW_AS_SEEN,               // the 8-bit path, through the process's own view
    VIEW_UNREDIRECTED,          // the same with WOW64 redirection off (System32, Sysnative)
    VIEW_NATIVE_PROGRAM_FILES,  // the x86 program folder the shell substituted, as the native one
    VIEW_WIDE,                  // the UTF-16 path, when the 8-bit one differs from it
    VIEW_WIDE_UNREDIRECTED,
    VIEW_COUNT
};

struct TargetFacts {
    bool wow64;               // a 32-bit process on 64-bit Windows
    bool underX86Programs;    // the target lies under the x86 program folder
    bool wideDiffers;         // the 8-bit target does not convert back to the stored UTF-16 one
};

enum TargetVerdict {
    TARGET_PRESENT,
    TARGET_MISSING,      // the system says it is not there
    TARGET_DENIED,       // it may be there, but this account may not look
    TARGET_UNREACHABLE,  // its drive, server or share did not answer as it should
};

// What the system's error for a target's attributes means.
TargetVerdict verdictOfError(unsigned long error);

// `look` answers for one view: 0 when the target is there, else the system's error. It is
// asked only for the views that apply to `facts`, until one holds the target. Missing only
// when each says "not there"; otherwise the first other error decides.
TargetVerdict judgeTarget(const TargetFacts& facts, unsigned long (*look)(TargetView view, void* context), void* context);
