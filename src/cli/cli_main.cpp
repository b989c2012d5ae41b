// vellmoor-cli: the window's search and deletion for scripts, administrators and fleet
// tools. The same walk, shortcut check, name and identity rules and deletion; it creates
// no window, shows no dialog, writes its report to standard output (or --output) and
// tells what it did by its exit code.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "cli/cli_args.h"
#include "cli/cli_output.h"
#include "version.h"
#include "results/delete_file.h"
#include "search/exact_text.h"
#include "search/folder_text.h"
#include "search/folder_walk.h"
#include "search/pump.h"
#include "search/shortcut_check.h"
#include "search/walk_rules.h"

enum ExitCode { EXIT_CLEAN = 0, EXIT_SOMETHING_LEFT = 1, EXIT_USAGE = 2, EXIT_STOPPED = 3 };

// --- Text out ------------------------------------------------------------------------

static std::string utf8Of(const wchar_t* w, int n = -1)
{
    int bytes = WideCharToMultiByte(CP_UTF8, 0, w, n, nullptr, 0, nullptr, nullptr);
    std::string s(bytes > 0 ? static_cast<std::size_t>(bytes) : 0, '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, w, n, &s[0], bytes, nullptr, nullptr);
    if (n < 0 && !s.empty())
        s.pop_back();  // the NUL
    return s;
}

static std::wstring wideOfUtf8(const std::string& s)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(n > 0 ? static_cast<std::size_t>(n) : 0, L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

// The program's 8-bit text (the process code page) as UTF-8.
static std::string utf8OfText(const char* text)
{
    static wchar_t wide[PATH_BUF_BYTES * 2];
    return MultiByteToWideChar(CP_ACP, 0, text, -1, wide, PATH_BUF_BYTES * 2) > 0 ? utf8Of(wide) : std::string();
}

// To a console as Unicode, whatever its code page; to a file or a pipe as UTF-8 bytes.
static bool writeOut(HANDLE h, const std::string& text)
{
    DWORD mode;
    if (GetConsoleMode(h, &mode)) {
        std::wstring w = wideOfUtf8(text);
        DWORD done;
        return WriteConsoleW(h, w.data(), static_cast<DWORD>(w.size()), &done, nullptr) != 0;
    }
    DWORD done = 0;
    return text.empty() || (WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &done, nullptr) &&
                            done == text.size());
}

static void complain(const std::string& line) { writeOut(GetStdHandle(STD_ERROR_HANDLE), "vellmoor-cli: " + line + "\r\n"); }

// --- Ctrl+C ---------------------------------------------------------------------------

static volatile LONG stopRequested;

static BOOL WINAPI onConsoleControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    InterlockedExchange(&stopRequested, 1);
    return TRUE;  // the current file is finished and what was done is reported
}

// --- The walk's observer ----------------------------------------------------------------

struct Entry {
    std::string text;  // the path in the program's 8-bit text, as deletion takes it
    std::string path, target, reason, modified;
    int length;
    ListedFile file;
    bool deletable;  // what delete deletes with these options
};

static std::vector<Entry> entries;
static CliArguments options;
static unsigned shortcutsMet;

static HANDLE progressOut;  // standard error when it is a console; null otherwise
static DWORD progressShownAt;

static void showProgress(bool force)
{
    if (progressOut == nullptr || (!force && GetTickCount() - progressShownAt < 100))
        return;
    progressShownAt = GetTickCount();
    char line[96];
    wsprintfA(line, "\r%u files, %u shortcuts, %u listed ", app.tally, shortcutsMet, static_cast<unsigned>(entries.size()));
    writeOut(progressOut, line);
}

static void clearProgress()
{
    if (progressOut != nullptr)
        writeOut(progressOut, "\r" + std::string(60, ' ') + "\r");
}

// Why a target counts as missing: its drive or share may only be away for now. Broken
// shortcuts come in runs on one drive: the last root's answer is kept.
static const char* reasonMissing(const char* target)
{
    static char root[PATH_BUF_BYTES], lastRoot[PATH_BUF_BYTES];
    static const char* lastAnswer;
    if (!targetRoot(target, root, sizeof root))
        return "missing";
    if (lastAnswer != nullptr && lstrcmpiA(root, lastRoot) == 0)
        return lastAnswer;
    DWORD serial;
    if (root[0] == '\\')
        lastAnswer = GetFileAttributesA(root) == INVALID_FILE_ATTRIBUTES ? "share-unreachable" : "missing";
    else if (GetDriveTypeA(root) == DRIVE_NO_ROOT_DIR ||
             !GetVolumeInformationA(root, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0))
        lastAnswer = "drive-absent";  // no such letter, or no medium in the drive
    else
        lastAnswer = "missing";
    lstrcpynA(lastRoot, root, PATH_BUF_BYTES);
    return lastAnswer;
}

static const char* pendingReason;

static bool cliLists(bool& checked)
{
    ++shortcutsMet;
    ShortcutState state = checkShortcut();
    checked = true;
    if (state == SHORTCUT_MISSING)
        pendingReason = reasonMissing(app.targetBuf);
    else if (options.all)
        pendingReason = state == SHORTCUT_PRESENT ? "present" : state == SHORTCUT_NOT_TESTED ? "not-tested" : "no-target";
    else
        return false;
    return true;
}

static std::string modifiedTime(const FILETIME& t)
{
    SYSTEMTIME s;
    if (!FileTimeToSystemTime(&t, &s))
        return "";
    return isoTime(s.wYear, s.wMonth, s.wDay, s.wHour, s.wMinute, s.wSecond);
}

static void cliListed(const char* path, int length, const ListedFile& file)
{
    Entry e;
    e.text = path;
    e.path = utf8OfText(path);
    bool resolved = std::string(pendingReason) != "no-target";
    e.target = resolved ? utf8OfText(app.targetBuf) : "";
    e.reason = pendingReason;
    e.modified = modifiedTime(app.findData.ftLastWriteTime);
    e.length = length;
    e.file = file;
    e.deletable = e.reason == "missing" ||
                  (options.includeAbsent && (e.reason == "drive-absent" || e.reason == "share-unreachable"));
    entries.push_back(e);
}

static int cliStep(bool)
{
    showProgress(false);
    return stopRequested ? PUMP_CANCELLED : PUMP_GO_ON;
}

// --- Folders --------------------------------------------------------------------------

struct WalkRoot {
    std::string text;  // the program's 8-bit text
    std::size_t walkBytes, walkUnits;
};

// A typed folder by the window's rules: exact, within the limits, and a folder.
static bool takeFolder(const std::wstring& typed, std::vector<WalkRoot>& out)
{
    FolderText t = readFolderText(typed.c_str());
    if (t.kind != FOLDER_TEXT_OK && t.kind != FOLDER_TEXT_TRIMMED)
        return false;
    std::wstring name = typed.substr(0, t.length);
    DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    char text[FOLDER_TEXT_BYTES];
    std::size_t bytes = narrowExactly(name.c_str(), text, sizeof text);
    if (bytes == 0)
        return false;
    out.push_back({text, t.walkLength == 2 && t.length == 3 ? 2 : bytes, t.walkLength});
    return true;
}

static void standardFolders(std::vector<WalkRoot>& out)
{
    const KNOWNFOLDERID* ids[] = {&FOLDERID_StartMenu, &FOLDERID_CommonStartMenu, &FOLDERID_Desktop,
                                  &FOLDERID_PublicDesktop, &FOLDERID_QuickLaunch, &FOLDERID_SendTo};
    for (const KNOWNFOLDERID* id : ids) {
        PWSTR path = nullptr;
        if (SUCCEEDED(SHGetKnownFolderPath(*id, 0, nullptr, &path)) && path != nullptr)
            takeFolder(path, out);  // a place that is not there is skipped
        CoTaskMemFree(path);
    }
}

// --- Deleting -------------------------------------------------------------------------

static const char* errorText(DeleteOutcome o)
{
    switch (o) {
    case OUTCOME_NOT_THE_FILE: return "another file, a folder or a link is at its name now";
    case OUTCOME_NOT_BROKEN: return "its target is back";
    case OUTCOME_NO_BIN: return "the drive has no Recycle Bin";
    case OUTCOME_FAILED: return "in use or access denied";
    default: return "";
    }
}

static CliRecord recordOf(const Entry& e)
{
    CliRecord r;
    r.path = e.path;
    r.target = e.target;
    r.reason = e.reason;
    r.modified = e.modified;
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

static int run()
{
    std::vector<std::string> args = utf8Arguments();
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    HANDLE stdOut = GetStdHandle(STD_OUTPUT_HANDLE);
    if (const char* why = parseCliArguments(static_cast<int>(argv.size()), argv.data(), options)) {
        complain(std::string(why) + " (vellmoor-cli --help)");
        return EXIT_USAGE;
    }
    if (options.command == CLI_HELP)
        return writeOut(stdOut, cliUsage), EXIT_CLEAN;
    if (options.command == CLI_VERSION)
        return writeOut(stdOut, "vellmoor-cli " VER_TEXT "\r\n"), EXIT_CLEAN;

    // No system box about a drive without media, whatever is asked of one.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    std::vector<WalkRoot> folders;
    if (options.standard)
        standardFolders(folders);
    for (const char* f : options.folders)
        if (!takeFolder(wideOfUtf8(f), folders)) {
            complain(std::string("cannot search ") + f + ": no such folder, or a name the system would change");
            return EXIT_USAGE;
        }
    HANDLE report = stdOut;
    if (options.output != nullptr) {
        report = CreateFileW(wideOfUtf8(options.output).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (report == INVALID_HANDLE_VALUE) {
            complain(std::string("cannot write ") + options.output);
            return EXIT_USAGE;
        }
    }
    DWORD mode;
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    progressOut = GetConsoleMode(err, &mode) ? err : nullptr;
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
    app.settings.remoteOn = options.remote;

    static const WalkObserver console = {cliLists, cliListed, cliStep};
    bool stopped = false;
    for (const WalkRoot& f : folders) {
        lstrcpynA(app.pathBuf, f.text.c_str(), FOLDER_TEXT_BYTES);
        bool opened;
        if (walkFolder(static_cast<int>(f.walkBytes), f.walkUnits, console, opened) != PUMP_GO_ON) {
            stopped = true;
            break;
        }
    }
    showProgress(true);

    bool deleting = options.command == CLI_DELETE;
    bool left = false;
    std::string text = reportStart(options.format, deleting);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        CliRecord r = recordOf(e);
        if (!deleting) {
            left = left || e.deletable;
        } else if (!e.deletable) {
            r.action = "kept";
            r.error = "its drive or share may only be away for now";
        } else if (stopped || stopRequested) {
            r.action = "kept";
            r.error = "stopped";
            left = true;
        } else {
            char source[PATH_BUF_BYTES];
            lstrcpynA(source, e.text.c_str(), PATH_BUF_BYTES - 1);
            DeleteOutcome o = deleteListedFile(source, e.length, e.file, options.recycle);
            r.action = o == OUTCOME_RECYCLED ? "recycled" : isGone(o) ? "deleted" : o == OUTCOME_FAILED ? "failed" : "kept";
            r.error = o == OUTCOME_ALREADY_GONE ? "already gone" : errorText(o);
            left = left || !isGone(o);
        }
        // As text, a deletion reports what went; what stayed is told on the error output.
        if (deleting && options.format == FORMAT_TEXT && r.action != "deleted" && r.action != "recycled")
            complain(r.action + ": " + r.path + " (" + r.error + ")");
        else
            text += reportRecord(options.format, r, deleting, i == 0);
    }
    text += reportEnd(options.format);
    clearProgress();
    bool written = writeOut(report, text);
    if (report != stdOut)
        written = CloseHandle(report) && written;
    if (!written) {
        complain(std::string("cannot write ") + (options.output != nullptr ? options.output : "the report"));
        return EXIT_USAGE;
    }
    if (stopped || stopRequested)
        return EXIT_STOPPED;
    return left ? EXIT_SOMETHING_LEFT : EXIT_CLEAN;
}

int main()
{
    int code = run();
    ExitProcess(static_cast<UINT>(code));
}
