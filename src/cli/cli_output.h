// The console program's reports: one path a line, CSV (RFC 4180) or one JSON array, all
// UTF-8 without a byte-order mark.
#pragma once
#include <cstddef>
#include <string>

#include "cli/cli_args.h"

struct CliRecord {
    std::string path, target, reason, modified;  // modified: ISO 8601, UTC
    std::string action, error;                   // delete and restore only
    std::string owner;  // the account whose profile holds it, "all-users", or empty
    std::string found;  // with reason "moved": where the target is now
    bool synced = false;  // in a folder that syncs to its user's other PCs
};

// The header (CSV), or the opening (JSON), of a report; `withAction` for delete.
std::string reportStart(CliFormat format, bool withAction);
// One record, with whatever separates it from the one before (`first`: none).
std::string reportRecord(CliFormat format, const CliRecord& r, bool withAction, bool first);
std::string reportEnd(CliFormat format);

// `s` as a JSON string, quoted, at the end of `out`.
void jsonString(std::string& out, const std::string& s);

// How many of the `n` UTF-16 units at `text` one console write takes: at most `most`, and
// never the first half of a surrogate pair without its second.
std::size_t consoleChunk(const wchar_t* text, std::size_t n, std::size_t most);

// "2024-01-02T03:04:05Z".
std::string isoTime(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute, unsigned second);
