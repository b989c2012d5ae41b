// Measures the search of the real program against the limit for the same tree: a bare walk
// with the same enumeration calls plus the bare per-shortcut check, with no window, no pump
// and no list. Usage: search_bench [files] [shortcuts] [broken percent] [rounds]
//        search_bench --ctrl COUNT [rounds]: the walk of COUNT shortcuts as a Ctrl search drives it
//        search_bench --recycle COUNT: Delete of COUNT listed shortcuts to the Recycle Bin
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cwchar>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

#include "app/app_state.h"
#include "app/startup.h"
#include "bench/bench_tree.h"
#include "res/resource.h"
#include "search/folder_walk.h"
#include "search/pump.h"
#include "search/walk_rules.h"

// The limit: the same enumeration and the same per-shortcut calls, nothing else.
static char path[400];
static WIN32_FIND_DATAA fd;
static unsigned bareLinks, bareBroken, bareFiles;

static bool bareCheck(wchar_t* wide, char* target)
{
    IShellLinkA* sl = nullptr;
    bool broken = false;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, reinterpret_cast<void**>(&sl)))) {
        IPersistFile* pf = nullptr;
        if (SUCCEEDED(sl->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pf)))) {
            MultiByteToWideChar(CP_ACP, 0, path, -1, wide, 400);
            if (SUCCEEDED(pf->Load(wide, STGM_READ))) {
                target[0] = '\0';
                if (SUCCEEDED(sl->GetPath(target, MAX_PATH, &fd, 0)) && target[0] != '\0')
                    broken = GetFileAttributesA(target) == INVALID_FILE_ATTRIBUTES;
            }
            pf->Release();
        }
        sl->Release();
    }
    return broken;
}

static void bareWalk(std::size_t end, bool check)
{
    std::strcpy(path + end, "\\*");
    HANDLE h = FindFirstFileA(path, &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    static wchar_t wide[400];
    static char target[MAX_PATH];
    do {
        std::size_t len = std::strlen(fd.cFileName);
        std::memcpy(path + end + 1, fd.cFileName, len + 1);
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (std::strcmp(fd.cFileName, ".") != 0 && std::strcmp(fd.cFileName, "..") != 0)
                bareWalk(end + 1 + len, check);
        } else {
            ++bareFiles;
            if (len >= 4 && _stricmp(fd.cFileName + len - 4, ".lnk") == 0) {
                ++bareLinks;
                if (check && bareCheck(wide, target))
                    ++bareBroken;
            }
        }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    path[end] = '\0';
}

static double timeBare(const std::string& root, bool check)
{
    std::strcpy(path, root.c_str());
    bareLinks = bareBroken = bareFiles = 0;
    double t = now();
    bareWalk(root.size(), check);
    return now() - t;
}

static double timeProgram(const std::string& root)
{
    SetWindowTextA(app.folderBox, root.c_str());
    double t = now();
    SendMessageA(app.mainWindow, WM_COMMAND, IDC_SEARCH, 0);  // returns after the final status line
    return now() - t;
}

// One progress step as the walk makes it, on the idle window: the status text and a pump
// call. The limit has neither, so this shows how much of the difference they are.
static double timeProgressStep(int steps)
{
    char text[32];
    beginRun();
    double t = now();
    for (int i = 0; i < steps; ++i) {
        formatProgress(text, sizeof text, static_cast<unsigned>(i), static_cast<unsigned>(i));
        SetWindowTextA(app.statusLabel, text);
        pumpMessages();
    }
    double elapsed = now() - t;
    endRun();
    return elapsed / steps;
}

// The console program's list of the same tree, as a process of its own (start-up included),
// its report thrown away: no window, no pump. Negative when it is not beside the build.
static double timeCli(const std::string& root)
{
    char cli[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, cli, MAX_PATH);
    std::string path(cli, n);
    path = path.substr(0, path.rfind('\\')) + "\\..\\vellmoor-cli.exe";
    std::string line = "\"" + path + "\" list --output NUL \"" + root + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    double t = now();
    if (!CreateProcessA(path.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    double elapsed = now() - t;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return elapsed;
}

// A folder of `count` copies of one broken shortcut, made once.
static std::string shortcutFolder(const std::string& temp, const char* tag, unsigned count)
{
    std::string folder = temp + "vellmoor_bench_" + tag + "_" + std::to_string(count);
    if (GetFileAttributesA((folder + "\\0.lnk").c_str()) != INVALID_FILE_ATTRIBUTES)
        return folder;
    CreateDirectoryA(folder.c_str(), nullptr);
    writeSmall(folder + "\\gone.exe");
    saveShortcut(folder + "\\model.lnk.x", folder + "\\gone.exe");
    DeleteFileA((folder + "\\gone.exe").c_str());
    for (unsigned i = 0; i < count; ++i)
        CopyFileA((folder + "\\model.lnk.x").c_str(), (folder + "\\" + std::to_string(i) + ".lnk").c_str(), FALSE);
    return folder;
}

// The walk as a Ctrl search drives it: every shortcut listed unopened, with the identity
// Delete will need; no list box. Written for either shape of the walk's observer (with a
// context pointer, or the older one), so that one source measures both builds.
static unsigned walkListed;

template <typename T, typename = void>
struct HasContext : std::false_type {};
template <typename T>
struct HasContext<T, std::void_t<decltype(&T::context)>> : std::true_type {};

template <typename Observer>
static Observer ctrlObserver()
{
    Observer o = {};
    if constexpr (HasContext<Observer>::value) {
        o.lists = [](void*, const auto&) { return true; };
        o.listed = [](void*, const auto&) { ++walkListed; };
        o.step = [](void*, bool) { return 1; };
    } else {
        o.lists = [](auto& checked) { return checked = false, true; };
        o.listed = [](const char*, int, const auto&) { ++walkListed; };
        o.step = [](bool) { return 1; };
    }
    return o;
}

static int benchCtrlSearch(const std::string& temp, unsigned count, int rounds)
{
    std::string folder = shortcutFolder(temp, "ctrl", count);
    const WalkObserver observer = ctrlObserver<WalkObserver>();
    double best = 1e9;
    for (int i = 0; i < rounds; ++i) {
        lstrcpynA(app.search.pathBuf, folder.c_str(), MAX_PATH);
        walkListed = 0;
        bool opened;
        double t = now();
        walkFolder(app.search, static_cast<int>(folder.size()), folder.size(), observer, opened);
        double elapsed = now() - t;
        std::printf("round %d: Ctrl walk of %u shortcuts: %.1f ms, %u listed\n", i + 1, count, elapsed * 1000, walkListed);
        best = elapsed < best ? elapsed : best;
    }
    std::printf("Ctrl walk:       %8.1f ms for %u shortcuts, %.1f us each\n", best * 1000, count, best * 1e6 / count);
    return 0;
}

// Searching `count` broken shortcuts, then Delete of all of them with Recycle on; the bin
// (under Wine, the trash of $XDG_DATA_HOME) is emptied before each round by the caller.
static int benchRecycle(const std::string& temp, unsigned count)
{
    std::string model = shortcutFolder(temp, "recycle_model", 1) + "\\model.lnk.x";
    std::string folder = temp + "vellmoor_bench_recycle";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (unsigned i = 0; i < count; ++i)
        CopyFileA(model.c_str(), (folder + "\\r" + std::to_string(i) + ".lnk").c_str(), FALSE);
    SetWindowTextA(app.folderBox, folder.c_str());
    SendMessageA(app.mainWindow, WM_COMMAND, IDC_SEARCH, 0);
    unsigned listed = app.linkCount;
    app.settings.recycle = 1;
    SendMessageA(app.mainWindow, WM_COMMAND, IDM_SELALL, 0);
    double t = now();
    SendMessageA(app.mainWindow, WM_COMMAND, IDC_DELETE, 0);
    double elapsed = now() - t;
    std::printf("recycle:         %8.1f ms for %u listed shortcuts, %u left listed\n", elapsed * 1000, listed, app.linkCount);
    return 0;
}

int main(int argc, char** argv)
{
    bool ctrl = argc > 2 && std::strcmp(argv[1], "--ctrl") == 0;
    bool recycle = argc > 2 && std::strcmp(argv[1], "--recycle") == 0;
    unsigned files = argc > 1 ? static_cast<unsigned>(std::atoi(argv[1])) : 18000;
    unsigned shortcuts = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 2000;
    unsigned brokenPercent = argc > 3 ? static_cast<unsigned>(std::atoi(argv[3])) : 10;
    int rounds = argc > 4 ? std::atoi(argv[4]) : 5;

    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string root = std::string(temp) + "vellmoor_bench_" + std::to_string(files) + "_" + std::to_string(shortcuts) + "_" +
                       std::to_string(brokenPercent);
    static wchar_t commandLine[MAX_PATH + 16];
    std::swprintf(commandLine, MAX_PATH + 16, L"\"%hs\\vellmoor.exe\"", temp);
    if (!startProgram(commandLine)) {
        std::printf("could not start the program\n");
        return 1;
    }
    if (ctrl || recycle) {
        int r = ctrl ? benchCtrlSearch(temp, static_cast<unsigned>(std::atoi(argv[2])), argc > 3 ? std::atoi(argv[3]) : 3)
                     : benchRecycle(temp, static_cast<unsigned>(std::atoi(argv[2])));
        SendMessageA(app.mainWindow, WM_CLOSE, 0, 0);
        finishProgram();
        return r;
    }
    if (GetFileAttributesA((root + "\\valid.model").c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::printf("building %u files and %u shortcuts under %s\n", files, shortcuts, root.c_str());
        buildTree(root, files, shortcuts, brokenPercent);
    }

    double bestProgram = 1e9, bestLimit = 1e9, bestWalk = 1e9, bestCli = 1e9;
    timeBare(root, true);  // warm the caches once
    for (int i = 0; i < rounds; ++i) {
        double p = timeProgram(root);
        double l = timeBare(root, true);
        double w = timeBare(root, false);
        double c = timeCli(root);
        std::printf("round %d: program %.1f ms, limit %.1f ms, bare walk %.1f ms, console list %.1f ms\n", i + 1,
                    p * 1000, l * 1000, w * 1000, c * 1000);
        bestCli = c < bestCli ? c : bestCli;
        bestProgram = p < bestProgram ? p : bestProgram;
        bestLimit = l < bestLimit ? l : bestLimit;
        bestWalk = w < bestWalk ? w : bestWalk;
    }
    timeBare(root, true);
    double step = timeProgressStep(2000);
    unsigned steps = bareLinks + (bareFiles - bareLinks) / 8;
    std::printf("tree: %u files, %u of them shortcuts, %u broken; program listed %u\n", bareFiles, bareLinks, bareBroken,
                app.linkCount);
    std::printf("program search:  %8.1f ms\n", bestProgram * 1000);
    std::printf("limit:           %8.1f ms  (bare walk %.1f ms + bare shortcut checks)\n", bestLimit * 1000, bestWalk * 1000);
    std::printf("ratio:           %8.3f\n", bestProgram / bestLimit);
    if (bestCli > 0)
        std::printf("console list:    %8.1f ms, ratio %.3f (a process of its own, start-up included)\n", bestCli * 1000,
                    bestCli / bestLimit);
    std::printf("per file (walk): %8.2f us\n", bestWalk * 1e6 / bareFiles);
    std::printf("per shortcut:    %8.1f us (limit), %.1f us (program, walk share removed)\n",
                (bestLimit - bestWalk) * 1e6 / bareLinks, (bestProgram - bestWalk) * 1e6 / bareLinks);
    std::printf("progress steps:  about %u x %.1f us = %.1f ms (status text + pump; not in the limit)\n", steps, step * 1e6,
                steps * step * 1000);
    SendMessageA(app.mainWindow, WM_CLOSE, 0, 0);
    finishProgram();
    return 0;
}
