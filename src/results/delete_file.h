// Deleting one listed file, for the window and the console program alike: only the very
// file the search listed, only while it is a plain file and, in a list of broken shortcuts,
// still broken; for good through a handle on it, or to the Recycle Bin through the shell.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include "results/listed_file.h"
#include "search/search_state.h"

enum DeleteOutcome {
    OUTCOME_GONE,          // no longer on its volume: deleted by another program, or another run
    OUTCOME_MOVED,         // not at its name, but on its volume under another: kept
    OUTCOME_NOT_AT_NAME,   // not at its name, and its volume cannot say where it is: kept
    OUTCOME_DELETED,
    OUTCOME_RECYCLED,
    OUTCOME_NOT_THE_FILE,  // another file, a folder or a link at its name: kept
    OUTCOME_NOT_BROKEN,    // its target is back: kept
    OUTCOME_NOT_MISSING,   // its target may be there now (denied, not answering): kept
    OUTCOME_UNREADABLE,    // the shell could not read it again to check its target: kept
    OUTCOME_UNCONFIRMED,   // something went to the bin, not shown to be the listed file
    OUTCOME_NO_BIN,        // to the bin on a volume without one: kept
    OUTCOME_QUARANTINED,   // handed over, and moved away from its name
    OUTCOME_OTHER_DRIVE,   // handed over to a place on another volume: kept
    OUTCOME_ROOT_AWAY,     // listed as missing, and its target's drive or share is away now: kept
    OUTCOME_FAILED,        // in use, denied, or the operation failed: kept
};

// The file is no longer on its volume, whoever removed it: its entry goes.
inline bool isGone(DeleteOutcome o)
{
    return o == OUTCOME_GONE || o == OUTCOME_DELETED || o == OUTCOME_RECYCLED || o == OUTCOME_QUARANTINED;
}

struct DeleteResult {
    DeleteOutcome outcome;
    unsigned long error;  // with OUTCOME_FAILED: the system's error code, where it gave one
};

// Before a Delete of many entries, or a console run: what was learnt of the volumes' bins
// is asked again. `owner`: the window the shell's Recycle Bin operation belongs to, or null.
void beginDeletions(HWND owner);

// Instead of deleting: a checked file handed to `take` with its checked handle, which answers
// what became of it and leaves the system's error behind where it failed. It unpins the file
// (unpinBeforeDeleting) once it is sure to take it.
struct HandOver {
    DeleteOutcome (*take)(void* context, HANDLE held, const FileIdentity& listed);
    void* context;
};

// `source` holds the path (`len` bytes) with room for a second NUL after it. A checked
// shortcut's target is checked again through `search`.
DeleteResult deleteListedFile(SearchState& search, char* source, int len, const ListedFile& listed, bool toBin,
                              const HandOver* handOver = nullptr);

// The shell's file operation and its question whether a volume has a Recycle Bin; tests
// put recorders in their place.
extern int(WINAPI* shellFileOperation)(LPSHFILEOPSTRUCTA op);
extern HRESULT(WINAPI* queryRecycleBin)(LPCWSTR path, LPSHQUERYRBINFO info);
