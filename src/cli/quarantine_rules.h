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
};

// One JSON object and "\n".
std::string manifestLine(const QuarantineLine& line);
// False for a line that is no such object, torn or edited (its file is then not restored).
bool readManifestLine(const std::string& text, QuarantineLine& out);

// "20261209110546-4120-7.vmq": the time (UTC, digits only), the process and a count. Not a
// shortcut's extension: a search through the quarantine does not list what it keeps.
std::string storedName(const std::string& time14, unsigned process, unsigned sequence);
bool isStoredName(const wchar_t* name, std::size_t length);

// A full path split into its volume's root ("C:\", "\\server\share\", either with "\\?\")
// and the names below it, the file's last. False where a restore must not write: a relative
// path, a device, "." or "..", an empty name, a stream or a wildcard.
bool splitFullPath(const std::wstring& path, std::wstring& root, std::vector<std::wstring>& names);

// One entry of a folder's access list, its account already judged: trusted are the system,
// the administrators and the account the program runs as.
struct AccessEntry {
    bool allows;       // anything but a denial counts as allowing
    bool inheritOnly;  // for what is made inside, not the folder itself
    bool trusted;
    std::uint32_t mask;
};

// Whether an account not trusted may add, remove or rename what the folder holds, or change
// who may: a missing list lets everyone; an owner may always change the list.
bool othersMayWrite(bool hasList, bool ownerTrusted, const std::vector<AccessEntry>& entries);
