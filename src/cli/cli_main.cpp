// vellmoor-cli: the window's search and deletion for scripts, administrators and fleet
// tools. The same walk, shortcut check, name and identity rules and deletion; it creates
// no window, shows no dialog, writes its report to standard output (or --output) and
// tells what it did by its exit code.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/cli_console.h"
#include "cli/cli_folders.h"
#include "cli/cli_output.h"
#include "cli/cli_quarantine.h"
#include "cli/cli_report_file.h"
#include "version.h"
#include "results/delete_file.h"
#include "search/folder_walk.h"
#include "search/owner_view.h"
#include "search/root_answers.h"
#include "search/shortcut_check.h"
#include "search/target_reason.h"
#include "search/user_profiles.h"
#include "search/walk_rules.h"

enum ExitCode {
    EXIT_CLEAN = 0,
    EXIT_SOMETHING_LEFT = 1,
    EXIT_USAGE = 2,       // nothing touched; or a folder that could not be searched
    EXIT_STOPPED = 3,
    EXIT_REPORT_LOST = 4  // files were deleted, but the report could not be written
};

// --- Ctrl+C ---------------------------------------------------------------------------

static volatile LONG stopRequested;
static HANDLE mainThread;

static BOOL WINAPI onConsoleControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    if (InterlockedExchange(&stopRequested, 1) == 0)
        return TRUE;  // the current file is finished and what was done is reported
    // A second one: the run may be stuck on a server that does not answer.
    if (mainThread != nullptr)
        CancelSynchronousIo(mainThread);
    ExitProcess(EXIT_STOPPED);
}

// --- The walk's observer ----------------------------------------------------------------

static SearchState search;  // the one search of the run, and the checks before deletions

struct Entry {
    std::string text;  // the path in the program's 8-bit text, as deletion takes it
    std::string path, target, modified, owner, found;
    Reason reason;
    int length;
    ListedFile file;
    bool synced;     // in a folder that syncs to its user's other PCs: deleted there too
    bool deletable;  // what delete deletes with these options
};

struct Run {
    const CliArguments& options;
    std::vector<Entry> entries;
    unsigned shortcutsMet, unreadable;
    std::vector<std::wstring> synced;  // the folders that sync to other PCs
};

static bool cliLists(void* context, const FoundShortcut& s)
{
    Run& run = *static_cast<Run*>(context);
    ++run.shortcutsMet;
    if (s.state == SHORTCUT_UNREADABLE)
        ++run.unreadable;
    return run.options.all || isListedAsBroken(s.reason) || (run.options.includeAbsent && ruleOf(s.reason) == RULE_UNSURE);
}

static void cliListed(void* context, const FoundShortcut& s)
{
    Run& run = *static_cast<Run*>(context);
    // What deletion would refuse as it stands is never offered for deletion: with --all it
    // is listed as what it is.
    if (s.link && !run.options.all)
        return;
    Entry e;
    e.text = s.path;
    e.path = utf8OfText(s.path);
    std::wstring wide = wideOfUtf8(e.path);
    e.owner = ownerOf(wide);
    e.target = utf8OfText(s.target);
    e.found = utf8Of(s.found);
    e.reason = s.link ? REASON_LINK : s.reason;
    e.modified = isoOfFileTime(s.find->ftLastWriteTime);
    e.length = s.length;
    e.file = s.file;
    ReasonRule rule = ruleOf(e.reason);
    e.synced = isSyncedPlace(wide, s.find->dwFileAttributes, run.synced);
    e.deletable = (rule == RULE_MISSING || (run.options.includeAbsent && (rule == RULE_AWAY || rule == RULE_UNSURE))) &&
                  (!e.synced || run.options.includeSynced);
    e.file.unsureToo = e.deletable && rule != RULE_MISSING;
    run.entries.push_back(e);
}

static void showWalkProgress(const Run& run, bool now)
{
    showProgress(std::to_string(search.tally) + " files, " + std::to_string(run.shortcutsMet) + " shortcuts, " +
                     std::to_string(run.entries.size()) + " listed",
                 now);
}

static int cliStep(void* context, bool)
{
    showWalkProgress(*static_cast<const Run*>(context), false);
    return stopRequested ? PUMP_CANCELLED : PUMP_GO_ON;
}

// --- Deleting -------------------------------------------------------------------------

// The action and its explanation; whether the listed file is still at its name, undeleted.
static bool describe(DeleteResult d, CliRecord& r)
{
    struct Word {
        const char* action;
        const char* error;
        bool left;
    };
    static const Word words[] = {
        /* GONE */ {"gone", "no longer on its drive: deleted by another program", false},
        /* MOVED */ {"moved", "on its drive under another name now", false},
        /* NOT_AT_NAME */ {"gone", "not at its name now; its drive cannot tell whether it is elsewhere", false},
        /* DELETED */ {"deleted", "", false},
        /* RECYCLED */ {"recycled", "", false},
        /* NOT_THE_FILE */ {"kept", "another file, a folder or a link is at its name now", false},
        /* NOT_BROKEN */ {"kept", "its target is back", false},
        /* NOT_MISSING */ {"kept", "its target may be there now: access denied, not answering, or in its owner's profile", false},
        /* UNREADABLE */ {"failed", "it cannot be read as a shortcut now", true},
        /* UNCONFIRMED */ {"failed", "could not confirm that the Recycle Bin holds this very file", true},
        /* NO_BIN */ {"kept", "the drive has no Recycle Bin", true},
        /* QUARANTINED */ {"quarantined", "", false},
        /* OTHER_DRIVE */ {"kept", "quarantine on another drive", true},
        /* ROOT_AWAY */ {"kept", "its target's drive or share is not there now", true},
        /* FAILED */ {"failed", "", true},
    };
    static_assert(sizeof words / sizeof words[0] == OUTCOME_FAILED + 1, "a word for every outcome");
    const Word& w = words[d.outcome];
    r.action = w.action;
    r.error = d.outcome == OUTCOME_FAILED ? systemMessage(d.error) : w.error;
    return w.left;
}

static CliRecord recordOf(const Entry& e)
{
    CliRecord r;
    r.path = e.path;
    r.target = e.target;
    r.reason = reasonName(e.reason);
    r.modified = e.modified;
    r.owner = e.owner;
    r.found = e.found;
    r.synced = e.synced;
    return r;
}

// --- Entry ----------------------------------------------------------------------------

static std::vector<std::string> utf8Arguments()
{
    int n = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &n);
    std::vector<std::string> out;
    for (int i = 1; argv != nullptr && i < n; ++i)
        out.push_back(utf8Of(argv[i]));
    LocalFree(argv);
    return out;
}

// Walks every root; false when one could not be listed (the others still are).
static bool walkRoots(Run& run, const std::vector<WalkRoot>& roots)
{
    WalkObserver console = {&run, true, run.options.remote, cliLists, cliListed, cliStep, nullptr};
    bool all = true;
    unsigned profilesUnread = 0;
    for (const WalkRoot& f : roots) {
        console.fence = f.fence.empty() ? nullptr : f.fence.c_str();
        lstrcpynA(search.pathBuf, f.text.c_str(), FOLDER_TEXT_BYTES);
        bool opened;
        if (walkFolder(search, static_cast<int>(f.walkBytes), f.walkUnits, console, opened) != PUMP_GO_ON)
            break;
        if (!opened && f.ofAProfile) {
            ++profilesUnread;  // another account's folders: told, not a failure of the run
        } else if (!opened) {
            complain("cannot list " + utf8OfText(f.text.c_str()) + ": access denied, or it is gone");
            all = false;
        }
    }
    showWalkProgress(run, true);
    if (profilesUnread > 0)
        complain(std::to_string(profilesUnread) + " folder(s) of user profiles could not be listed: access denied");
    return all;
}

// Whether an action means the file went where it was asked to.
static bool done(const std::string& action)
{
    return action == "deleted" || action == "recycled" || action == "quarantined" || action == "restored";
}

// As text, a deletion or restore reports what it did; what stayed is told on the error output.
static std::string reportOf(const CliArguments& options, const std::vector<CliRecord>& records)
{
    bool acting = options.command != CLI_LIST;
    std::string text = reportStart(options.format, acting);
    bool first = true;
    for (const CliRecord& r : records) {
        if (acting && options.format == FORMAT_TEXT && !done(r.action)) {
            complain(r.action + ": " + r.path + " (" + r.error + ")");
            continue;
        }
        text += reportRecord(options.format, r, acting, first);
        first = false;
    }
    return text + reportEnd(options.format);
}

static int finish(const CliArguments& options, const ReportPlace& report, const std::vector<CliRecord>& records)
{
    bool changed = false;
    for (const CliRecord& r : records)
        changed = changed || done(r.action);
    std::string text = reportOf(options, records);
    clearProgress();
    std::wstring kept;
    if (writeReport(report, text, changed, kept))
        return EXIT_CLEAN;
    complain(std::string("cannot write the report to ") + (options.output != nullptr ? options.output : "standard output") +
             (!changed                           ? ""
              : options.command == CLI_RESTORE   ? ", after files were put back"
              : options.quarantine != nullptr    ? ", after files were moved into the quarantine"
                                                 : ", after files were deleted") +
             (kept.empty() ? "" : "; the whole report is in " + utf8Of(kept.c_str())));
    return changed ? EXIT_REPORT_LOST : EXIT_USAGE;
}

// A report inside the quarantine could replace its manifest, or be taken for a kept file.
static std::string reportOutside(const ReportPlace& report, const Quarantine& q)
{
    if (q.path.empty() || report.final.empty() || !liesWithin(report.final, q.path))
        return "";
    return "will not write the report inside the quarantine folder";
}

static int restore(const CliArguments& options, const ReportPlace& report)
{
    Quarantine q;
    std::string why = openQuarantine(options.quarantine, true, q);
    if (why.empty())
        why = reportOutside(report, q);
    if (!why.empty()) {
        closeQuarantine(q);
        complain(why);
        return EXIT_USAGE;
    }
    bool allBack;
    std::vector<CliRecord> records = restoreQuarantine(q, allBack);
    closeQuarantine(q);
    int code = finish(options, report, records);
    return code != EXIT_CLEAN ? code : allBack ? EXIT_CLEAN : EXIT_SOMETHING_LEFT;
}

// Where the report goes, its folder held from the start to the end of the run.
static ReportPlace report = {nullptr, L"", L"", INVALID_HANDLE_VALUE, L""};

static int run()
{
    std::vector<std::string> args = utf8Arguments();
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    HANDLE stdOut = GetStdHandle(STD_OUTPUT_HANDLE);
    CliArguments options;
    if (const char* why = parseCliArguments(static_cast<int>(argv.size()), argv.data(), options)) {
        complain(std::string(why) + " (see vellmoor-cli --help)");
        return EXIT_USAGE;
    }
    if (options.command == CLI_HELP)
        return writeOut(stdOut, cliUsage), EXIT_CLEAN;
    if (options.command == CLI_VERSION)
        return writeOut(stdOut, "vellmoor-cli " VER_TEXT "\r\n"), EXIT_CLEAN;

    // No system box about a drive without media, whatever is asked of one.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    std::vector<WalkRoot> roots;
    std::string why = options.command == CLI_RESTORE ? "" : takeRoots(options, roots);
    if (why.empty())
        why = prepareReport(options.output, report);
    if (why.empty() && options.command == CLI_RESTORE)
        return restore(options, report);
    Quarantine quarantine;
    if (why.empty() && options.quarantine != nullptr) {
        for (const WalkRoot& f : roots)
            quarantine.searched.push_back(utf8OfText(f.text.c_str()));
        why = openQuarantine(options.quarantine, false, quarantine);
        if (why.empty())
            why = reportOutside(report, quarantine);
    }
    if (!why.empty()) {
        closeQuarantine(quarantine);
        complain(why);
        return EXIT_USAGE;
    }
    mainThread = OpenThread(THREAD_TERMINATE, FALSE, GetCurrentThreadId());
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
    startProgress();

    setRootWait(options.waitSeconds * 1000);
    Run walk = {options, {}, 0, 0, syncedFolders()};
    bool allListed = walkRoots(walk, roots);
    if (walk.unreadable > 0)
        complain(std::to_string(walk.unreadable) + " shortcut(s) could not be read: in use by another program, "
                                                     "access denied, or no shortcut");

    bool deleting = options.command == CLI_DELETE;
    bool left = false;
    beginDeletions(nullptr);
    std::vector<Entry>& entries = walk.entries;
    std::vector<CliRecord> records;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        CliRecord r = recordOf(e);
        if (!deleting) {
            left = left || e.deletable;
        } else if (!e.deletable) {
            r.action = "kept";
            r.error = ruleOf(e.reason) == RULE_FOUND ? "its target is where Windows also looks: the shortcut works"
                      : e.synced && (ruleOf(e.reason) == RULE_MISSING || options.includeAbsent)
                          ? "in a folder that syncs to other PCs (deleted there too): only with --include-synced"
                          : "its drive or share may only be away for now";
        } else if (stopRequested) {
            r.action = "kept";
            r.error = "stopped";
            left = true;
        } else {
            showProgress("deleting " + std::to_string(i + 1) + " of " + std::to_string(entries.size()), i + 1 == entries.size());
            char source[PATH_BUF_BYTES];
            lstrcpynA(source, e.text.c_str(), PATH_BUF_BYTES - 1);
            QuarantineItem item = {&quarantine, source, e.path, e.target, reasonName(e.reason)};
            const HandOver toQuarantine = {quarantineFile, &item};
            DeleteResult d = deleteListedFile(search, source, e.length, e.file, options.recycle,
                                              options.quarantine != nullptr ? &toQuarantine : nullptr);
            left = describe(d, r) || left;
            if (quarantine.replaced && d.outcome == OUTCOME_FAILED)
                r.error = "the quarantine folder was moved or replaced during the run";
        }
        records.push_back(r);
    }
    closeQuarantine(quarantine);
    int code = finish(options, report, records);
    if (code != EXIT_CLEAN)
        return code;
    if (stopRequested)
        return EXIT_STOPPED;
    if (!allListed)
        return EXIT_USAGE;
    return left ? EXIT_SOMETHING_LEFT : EXIT_CLEAN;
}

int main()
{
    int code = run();
    releaseReport(report);
    if (lookupsAbandoned())
        TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
    ExitProcess(static_cast<UINT>(code));
}
