#include "cli/cli_output.h"

#include <cstdio>

// A spreadsheet takes a cell that starts with one of these for a formula: a target stored
// as "=1+2" would be computed in whoever opens a fleet's sheet. An apostrophe in front
// keeps it text.
static bool startsLikeFormula(const std::string& s)
{
    return !s.empty() && std::string("=+-@\t\r").find(s[0]) != std::string::npos;
}

static void csvField(std::string& out, const std::string& field)
{
    std::string s = startsLikeFormula(field) ? "'" + field : field;
    if (s.find_first_of(",\"\r\n") == std::string::npos) {
        out += s;
        return;
    }
    out += '"';
    for (char c : s) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

// Windows paths are full of backslashes: every one doubled. Control characters escaped;
// everything else stays as UTF-8.
void jsonString(std::string& out, const std::string& s)
{
    out += '"';
    for (char c : s) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", u);
            out += esc;
        } else {
            out += c;
        }
    }
    out += '"';
}

std::string reportStart(CliFormat format, bool withAction)
{
    if (format == FORMAT_CSV)
        return withAction ? "path,target,reason,modified,action,error,owner,found,synced\r\n"
                          : "path,target,reason,modified,owner,found,synced\r\n";
    return format == FORMAT_JSON ? "[" : "";
}

std::string reportRecord(CliFormat format, const CliRecord& r, bool withAction, bool first)
{
    std::string out;
    if (format == FORMAT_TEXT)
        return r.path + "\r\n";
    if (format == FORMAT_CSV) {
        const std::string* fields[] = {&r.path, &r.target, &r.reason, &r.modified, &r.action, &r.error, &r.owner, &r.found};
        for (int i = 0; i < 8; ++i) {
            if (i >= 4 && i < 6 && !withAction)
                continue;
            if (i > 0)
                out += ',';
            csvField(out, *fields[i]);
        }
        return out + (r.synced ? ",yes\r\n" : ",\r\n");
    }
    if (!first)
        out += ',';
    const char* names[] = {"path", "target", "reason", "modified", "action", "error", "owner", "found"};
    const std::string* values[] = {&r.path, &r.target, &r.reason, &r.modified, &r.action, &r.error, &r.owner, &r.found};
    out += '{';
    for (int i = 0; i < 8; ++i) {
        if (i >= 4 && i < 6 && !withAction)
            continue;
        if (i > 0)
            out += ',';
        jsonString(out, names[i]);
        out += ':';
        jsonString(out, *values[i]);
    }
    return out + (r.synced ? ",\"synced\":true}" : ",\"synced\":false}");
}

std::string reportEnd(CliFormat format) { return format == FORMAT_JSON ? "]\r\n" : ""; }

std::string isoTime(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute, unsigned second)
{
    char text[40];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", year, month, day, hour, minute, second);
    return text;
}

std::size_t consoleChunk(const wchar_t* text, std::size_t n, std::size_t most)
{
    if (n <= most)
        return n;
    std::size_t take = most;
    if (take > 1 && text[take - 1] >= 0xD800 && text[take - 1] <= 0xDBFF)
        --take;  // the pair's first half goes with its second
    return take;
}
