// One checked file to the Recycle Bin through the shell's file operation, and evidence that
// what the bin then holds is that very file. Where the system has no such operation (Windows
// XP, Wine), the caller goes the older way.
#pragma once
#include <windows.h>
#include <shobjidl.h>

#include "search/file_identity.h"

enum BinOutcome {
    BIN_UNAVAILABLE,  // no working file operation here
    BIN_RECYCLED,     // the bin holds the listed file
    BIN_FOR_GOOD,     // the shell deleted it for good after all
    BIN_REFUSED,      // the shell would not recycle it (no bin, too large, a policy): kept
    BIN_OTHER_FILE,   // another file was at its name when the shell came to it: kept
    BIN_UNCONFIRMED,  // something went to the bin, but it cannot be shown to be the listed file
    BIN_FAILED,
};

BinOutcome recycleListedFile(const wchar_t* path, const FileIdentity& listed);

// Makes the shell's file operation; tests put a stand-in here.
extern HRESULT (*createFileOperation)(IFileOperation** operation);
