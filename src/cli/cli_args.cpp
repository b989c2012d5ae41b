#include "cli/cli_args.h"

#include <cstring>

#include "search/walk_rules.h"

const char cliUsage[] =
    "Finds broken shortcuts (.lnk, .pif) and deletes them.\n"
    "\n"
    "  vellmoor-cli list   [--all] [--remote] [--include-absent] [--include-synced] [--wait SECONDS]\n"
    "                      [--format text|csv|json] [--output FILE]\n"
    "                      (--standard | --all-profiles | [--] FOLDER...)\n"
    "  vellmoor-cli delete [--recycle | --quarantine DIR] [--remote] [--include-absent] [--include-synced]\n"
    "                      [--wait SECONDS]\n"
    "                      [--format text|csv|json] [--output FILE] (--standard | --all-profiles | [--] FOLDER...)\n"
    "  vellmoor-cli restore [--format text|csv|json] [--output FILE] [--] DIR\n"
    "  vellmoor-cli --help | -h | /?      vellmoor-cli --version\n"
    "\n"
    "  --standard        the Start menus and desktops (yours and all users'), Quick Launch, Send To\n"
    "  --all-profiles    the same places in every user profile on this PC, and all users' ones\n"
    "  --all             list every shortcut, broken or not, with why\n"
    "  --remote          test network targets too\n"
    "  --include-absent  also delete shortcuts to an absent drive, an unreachable share or one\n"
    "                    that does not answer\n"
    "  --include-synced  also delete shortcuts in a folder that syncs to other PCs (OneDrive):\n"
    "                    deleted there too\n"
    "  --wait SECONDS    how long a drive or server may take to answer before its shortcuts\n"
    "                    are taken as not answering (default 3, 1 to 600)\n"
    "  --recycle         to the Recycle Bin (kept where a drive has none)\n"
    "  --quarantine DIR  moved into DIR, on the same drive, with a manifest; restore DIR puts\n"
    "                    them back, except where something is at the name now\n"
    "  --                ends the options: the folders follow, also one named like an option\n"
    "\n"
    "Listed: missing (the target is not there, nor where Windows also looks: deleted);\n"
    "drive-absent, share-unreachable, not-answering (may only be away: deleted only with\n"
    "--include-absent); moved (found where Windows also looks, in `found`: never deleted).\n"
    "Any of them in a folder that syncs to other PCs is marked `synced` and deleted only with\n"
    "--include-synced.\n"
    "\n"
    "Exit codes: 0 nothing to delete (list) or nothing left to delete (delete); 1 something to\n"
    "delete (list) or something not deleted (delete); 2 bad usage or an output file that cannot\n"
    "be used (nothing touched), or a folder that could not be searched (the others were);\n"
    "3 stopped by Ctrl+C; 4 files were deleted but the report could not be put in place (a whole\n"
    "one is kept beside it, named on the error output).\n"
    "restore: 0 every file is back; 1 something is still in the quarantine, or was lost from it;\n"
    "2 bad usage, or DIR is no quarantine or it or its manifest may be written by other accounts;\n"
    "4 as for delete.\n";

static bool is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

// "--format json" or "--format=json": whether args[i] is the option `name`; `value` is its
// value, or null when none follows. A value never starts with "--": that is the next
// option, taken for a file name only by mistake.
static bool valueOption(const char* name, int count, const char* const* args, int& i, const char*& value)
{
    std::size_t n = std::strlen(name);
    const char* a = args[i];
    if (std::strncmp(a, name, n) != 0 || (a[n] != '\0' && a[n] != '='))
        return false;
    value = a[n] == '=' ? a + n + 1 : (i + 1 < count ? args[++i] : nullptr);
    if (value != nullptr && (*value == '\0' || std::strncmp(value, "--", 2) == 0))
        value = nullptr;
    return true;
}

// Each option once: a repeated one is a script's mistake, not a wish.
static bool once(bool& seen)
{
    bool first = !seen;
    seen = true;
    return first;
}

const char* parseCliArguments(int count, const char* const* args, CliArguments& out)
{
    out = CliArguments{};
    if (count == 0)
        return "no command: list, delete or restore";
    const char* first = args[0];
    if (is(first, "--help") || is(first, "-h") || is(first, "/?"))
        return out.command = CLI_HELP, nullptr;
    if (is(first, "--version"))
        return out.command = CLI_VERSION, nullptr;
    if (is(first, "list"))
        out.command = CLI_LIST;
    else if (is(first, "delete"))
        out.command = CLI_DELETE;
    else if (is(first, "restore"))
        out.command = CLI_RESTORE;
    else
        return "unknown command (list, delete or restore)";
    bool formatSeen = false, outputSeen = false, quarantineSeen = false, waitSeen = false, optionsEnded = false;
    for (int i = 1; i < count; ++i) {
        const char* a = args[i];
        const char* value;
        struct Flag {
            const char* name;
            bool& on;
        } flags[] = {{"--all", out.all},         {"--remote", out.remote},     {"--include-absent", out.includeAbsent},
                     {"--recycle", out.recycle}, {"--standard", out.standard}, {"--all-profiles", out.allProfiles},
                     {"--include-synced", out.includeSynced}};
        bool flag = false;
        for (Flag& f : flags)
            if (!optionsEnded && is(a, f.name)) {
                if (f.on)
                    return "an option is given twice";
                f.on = flag = true;
            }
        if (flag)
            continue;
        if (optionsEnded) {
            out.folders.push_back(a);
        } else if (is(a, "--")) {
            optionsEnded = true;  // what follows are folders, also one named "-x"
        } else if (valueOption("--format", count, args, i, value)) {
            if (!once(formatSeen))
                return "an option is given twice";
            if (value != nullptr && is(value, "text"))
                out.format = FORMAT_TEXT;
            else if (value != nullptr && is(value, "csv"))
                out.format = FORMAT_CSV;
            else if (value != nullptr && is(value, "json"))
                out.format = FORMAT_JSON;
            else
                return "--format needs text, csv or json";
        } else if (valueOption("--output", count, args, i, value)) {
            if (!once(outputSeen))
                return "an option is given twice";
            if (value == nullptr)
                return "--output needs a file name";
            out.output = value;
        } else if (valueOption("--wait", count, args, i, value)) {
            if (!once(waitSeen))
                return "an option is given twice";
            unsigned seconds = 0;
            for (const char* c = value; c != nullptr && *c >= '0' && *c <= '9' && seconds <= 600; ++c)
                seconds = seconds * 10 + static_cast<unsigned>(*c - '0');
            std::size_t digits = value != nullptr ? std::strspn(value, "0123456789") : 0;
            if (value == nullptr || digits == 0 || value[digits] != '\0' || seconds < 1 || seconds > 600)
                return "--wait needs a number of seconds from 1 to 600";
            out.waitSeconds = seconds;
        } else if (valueOption("--quarantine", count, args, i, value)) {
            if (!once(quarantineSeen))
                return "an option is given twice";
            if (value == nullptr)
                return "--quarantine needs a folder";
            out.quarantine = value;
        } else if (a[0] == '-' || (a[0] == '/' && a[1] == '?')) {
            return "unknown option";
        } else {
            out.folders.push_back(a);
        }
    }
    if (out.all && out.command == CLI_DELETE)
        return "--all goes with list only: delete never deletes a valid shortcut";
    if ((out.recycle || out.quarantine != nullptr) && out.command != CLI_DELETE)
        return "--recycle and --quarantine go with delete only";
    if (out.recycle && out.quarantine != nullptr)
        return "--recycle and --quarantine exclude each other";
    if (out.command == CLI_RESTORE) {
        if (out.all || out.remote || out.includeAbsent || out.includeSynced || waitSeen || out.standard || out.allProfiles ||
            out.folders.size() != 1)
            return "restore takes the quarantine folder, and only --format and --output";
        out.quarantine = out.folders[0];
        out.folders.clear();
        return nullptr;
    }
    if ((out.standard ? 1 : 0) + (out.allProfiles ? 1 : 0) + (out.folders.empty() ? 0 : 1) != 1)
        return "name the folders to search, or --standard, or --all-profiles: one of them";
    return nullptr;
}

std::vector<bool> coveredRoots(const std::vector<std::wstring>& finals)
{
    std::vector<bool> covered(finals.size(), false);
    for (std::size_t i = 0; i < finals.size(); ++i)
        for (std::size_t j = 0; j < finals.size() && !covered[i]; ++j)
            covered[i] = j != i && (liesWithin(finals[i], finals[j]) || (j < i && finals[i] == finals[j]));
    return covered;
}
