#include "cli/cli_args.h"

#include <cstring>

const char cliUsage[] =
    "Finds broken shortcuts (.lnk, .pif) and deletes them.\n"
    "\n"
    "  vellmoor-cli list   [--all] [--remote] [--include-absent] [--format text|csv|json] [--output FILE]\n"
    "                      (--standard | FOLDER...)\n"
    "  vellmoor-cli delete [--recycle] [--remote] [--include-absent] [--format text|csv|json] [--output FILE]\n"
    "                      (--standard | FOLDER...)\n"
    "  vellmoor-cli --help | -h | /?      vellmoor-cli --version\n"
    "\n"
    "  --standard        the Start menus and desktops (yours and all users'), Quick Launch, Send To\n"
    "  --all             list every shortcut, broken or not\n"
    "  --remote          test network targets too\n"
    "  --include-absent  also delete shortcuts to an absent drive or an unreachable share\n"
    "  --recycle         to the Recycle Bin (kept where a drive has none)\n"
    "\n"
    "Exit codes: 0 nothing to delete (list) or everything deleted (delete); 1 something to delete\n"
    "(list) or not everything deleted (delete); 2 bad usage, a folder or output file that cannot be\n"
    "used; 3 stopped by Ctrl+C.\n";

static bool is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

// "--format json" or "--format=json": the value, or null when none follows.
static const char* valueOf(const char* name, int count, const char* const* args, int& i)
{
    std::size_t n = std::strlen(name);
    if (std::strncmp(args[i], name, n) == 0 && args[i][n] == '=')
        return args[i] + n + 1;
    if (!is(args[i], name))
        return nullptr;
    return ++i < count ? args[i] : nullptr;
}

static bool startsWith(const char* a, const char* prefix) { return std::strncmp(a, prefix, std::strlen(prefix)) == 0; }

const char* parseCliArguments(int count, const char* const* args, CliArguments& out)
{
    out = CliArguments{};
    if (count == 0)
        return "no command: list or delete (see --help)";
    const char* first = args[0];
    if (is(first, "--help") || is(first, "-h") || is(first, "/?"))
        return out.command = CLI_HELP, nullptr;
    if (is(first, "--version"))
        return out.command = CLI_VERSION, nullptr;
    if (is(first, "list"))
        out.command = CLI_LIST;
    else if (is(first, "delete"))
        out.command = CLI_DELETE;
    else
        return "unknown command (list or delete)";
    for (int i = 1; i < count; ++i) {
        const char* a = args[i];
        if (is(a, "--all"))
            out.all = true;
        else if (is(a, "--remote"))
            out.remote = true;
        else if (is(a, "--include-absent"))
            out.includeAbsent = true;
        else if (is(a, "--recycle"))
            out.recycle = true;
        else if (is(a, "--standard"))
            out.standard = true;
        else if (startsWith(a, "--format")) {
            const char* v = valueOf("--format", count, args, i);
            if (v == nullptr)
                return startsWith(a, "--format=") || is(a, "--format") ? "--format needs text, csv or json"
                                                                        : "unknown option";
            if (is(v, "text"))
                out.format = FORMAT_TEXT;
            else if (is(v, "csv"))
                out.format = FORMAT_CSV;
            else if (is(v, "json"))
                out.format = FORMAT_JSON;
            else
                return "--format needs text, csv or json";
        } else if (startsWith(a, "--output")) {
            const char* v = valueOf("--output", count, args, i);
            if (v == nullptr || *v == '\0')
                return is(a, "--output") || startsWith(a, "--output=") ? "--output needs a file" : "unknown option";
            out.output = v;
        } else if (a[0] == '-' || (a[0] == '/' && a[1] == '?')) {
            return "unknown option";
        } else {
            out.folders.push_back(a);
        }
    }
    if (out.all && out.command == CLI_DELETE)
        return "--all goes with list only: delete never deletes a valid shortcut";
    if (out.recycle && out.command == CLI_LIST)
        return "--recycle goes with delete only";
    if (out.standard == !out.folders.empty())
        return "name the folders to search, or --standard, one of the two";
    return nullptr;
}
