// The console program's undo where the Recycle Bin is no undo (run as SYSTEM, or for other
// accounts): `delete --quarantine DIR` moves each checked file into DIR, on its own drive,
// after a manifest line; `restore DIR` puts them back. DIR is no way in: no account but the
// system, the administrators and the one running may write to it.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "cli/cli_output.h"
#include "results/delete_file.h"

struct Quarantine {
    HANDLE folder = INVALID_HANDLE_VALUE;  // held without delete sharing: DIR stays where it is
    HANDLE manifest = INVALID_HANDLE_VALUE;
    std::wstring path;  // "\\?\C:\Q"
    std::uint32_t volume = 0;
    unsigned sequence = 0;
    std::vector<std::string> searched;  // the run's folders (UTF-8), its head line's
    bool headWritten = false;
    bool replaced = false;  // DIR's name was found to lead elsewhere during the run: no more moves
};

// DIR for delete (made if missing: new, empty, or a quarantine already) or for restore
// (a quarantine): an empty string, or why not. A refused DIR that was made is removed again.
std::string openQuarantine(const char* folder, bool forRestore, Quarantine& q);
void closeQuarantine(Quarantine& q);

// What delete hands a checked file to: it is moved into the quarantine, its line first.
struct QuarantineItem {
    Quarantine* quarantine;
    const char* source;  // its path in the program's 8-bit text
    std::string original, target, reason;  // UTF-8
};
DeleteOutcome quarantineFile(void* item, HANDLE held, const FileIdentity& listed);

// Puts back each file still in the quarantine; one record each, with what became of it
// ("restored", "kept", "lost", "failed"). `allBack`: nothing is left in the quarantine.
std::vector<CliRecord> restoreQuarantine(Quarantine& q, bool& allBack);
