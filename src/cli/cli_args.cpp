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

// "--format json" or "--format=json": whether args[i] is the option `name`; `value` is its
// value, or null when none follows.
static bool valueOption(const char* name, int count, const char* const* args, int& i, const char*& value)
{
    std::size_t n = std::strlen(name);
    const char* a = args[i];
    if (std::strncmp(a, name, n) != 0 || (a[n] != '\0' && a[n] != '='))
        return false;
    value = a[n] == '=' ? a + n + 1 : (i + 1 < count ? args[++i] : nullptr);
    return true;
}

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
        const char* value;
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
        else if (valueOption("--format", count, args, i, value)) {
            if (value != nullptr && is(value, "text"))
                out.format = FORMAT_TEXT;
            else if (value != nullptr && is(value, "csv"))
                out.format = FORMAT_CSV;
            else if (value != nullptr && is(value, "json"))
                out.format = FORMAT_JSON;
            else
                return "--format needs text, csv or json";
        } else if (valueOption("--output", count, args, i, value)) {
            if (value == nullptr || *value == '\0')
                return "--output needs a file";
            out.output = value;
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
