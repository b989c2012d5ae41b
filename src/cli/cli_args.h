// The console program's command line, as UTF-8 arguments: what to do, how to report it,
// where. Refused with a one-line reason before anything is touched.
#pragma once
#include <string>
#include <vector>

enum CliCommand { CLI_LIST, CLI_DELETE, CLI_RESTORE, CLI_HELP, CLI_VERSION };
enum CliFormat { FORMAT_TEXT, FORMAT_CSV, FORMAT_JSON };

struct CliArguments {
    CliCommand command = CLI_HELP;
    bool all = false, remote = false, includeAbsent = false, recycle = false, standard = false, allProfiles = false;
    bool includeSynced = false;
    CliFormat format = FORMAT_TEXT;
    unsigned waitSeconds = 3;  // for a drive or server to answer its first lookup
    const char* output = nullptr;  // null: standard output
    const char* quarantine = nullptr;  // delete: moved there, not deleted; restore: the folder
    std::vector<const char*> folders;
};

// `args` without the program's own name. Null when understood, else why not.
const char* parseCliArguments(int count, const char* const* args, CliArguments& out);

extern const char cliUsage[];

// Of the roots' final paths ("\\?\C:\t"), those equal to an earlier one or inside another:
// what they hold is walked once, from the outer one.
std::vector<bool> coveredRoots(const std::vector<std::wstring>& finals);
