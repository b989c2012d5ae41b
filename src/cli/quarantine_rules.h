// The console program's quarantine, as text and rules: its manifest's lines, the names its
// files are kept under, which paths a file may be put back at, and who may write to a
// folder it trusts.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "search/file_identity.h"

// One line of manifest.jsonl: written, and flushed, before the file is moved, so that no
// file is ever kept without the line that says where it belongs.
struct QuarantineLine {
    std::string original, target, reason, time, stored;  // UTF-8
    FileIdentity identity;
    // The file's own access list (SDDL) while it is away, closed to all but the system and
    // the administrators; empty where it could not be read, and in lines of older versions.
    std::string access;
    // The number of the folder it was taken from on its volume: restore puts it back into that
    // very folder while it is still at its path. 0 where unknown, and in older lines.
    std::uint64_t folder = 0;
};

// One JSON object and "\n".
std::string manifestLine(const QuarantineLine& line);
// False for a line that is no such object, torn or edited (its file is then not restored).
bool readManifestLine(const std::string& text, QuarantineLine& out);

// Notes besides the files' lines. Each run writes a head before its first line: the folders
// it searched, so that restore puts files back only below them. After each move, the stored
// name, as moved in or as restored: a file missing from the quarantine after its move, and
// not restored, is lost, not a move that never happened.
struct ManifestNote {
    std::vector<std::string> searched;
    std::string moved, restored;
};
std::string manifestHead(const std::vector<std::string>& searched);
std::string manifestMoved(const std::string& stored, bool restored);
// Any note, into the field it fills; false for anything else (a file's line among them).
bool readManifestNote(const std::string& text, ManifestNote& note);

// "20261209110546-4120-7.vmq": the time (UTC, digits only), the process and a count. Not a
// shortcut's extension: a search through the quarantine does not list what it keeps.
std::string storedName(const std::string& time14, unsigned process, unsigned sequence);
bool isStoredName(const wchar_t* name, std::size_t length);

// A full path split into its volume's root ("C:\", "\\server\share\", either with "\\?\")
// and the names below it, the file's last. False where a restore must not write: a relative
// path, a device, "." or "..", an empty name, a stream or a wildcard.
bool splitFullPath(const std::wstring& path, std::wstring& root, std::vector<std::wstring>& names);

// Whether restore may put a file back at `original` (a full path, as its line has it): below
// a folder one of the runs searched, every name one the system takes as it stands (no device,
// no trailing dot or space) and the last a shortcut's, as the walk lists them.
bool restorablePath(const std::wstring& original, const std::vector<std::wstring>& searched);

// One entry of a folder's access list, its account already judged: trusted are the system,
// the administrators and the account the program runs as.
struct AccessEntry {
    bool allows;  // anything but a denial counts as allowing
    bool trusted;
    std::uint32_t mask;
};

// Whether an account not trusted may add, remove or rename what the folder holds, or change
// who may: a missing list lets everyone; an owner may always change the list. Entries only
// for what is made inside count too: the manifest and the kept files inherit them.
bool othersMayWrite(bool hasList, bool ownerTrusted, const std::vector<AccessEntry>& entries);
