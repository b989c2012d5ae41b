// How the program scales: memory and handles before and after searches of growing trees
// and over 200 searches in a row, list commands at growing list sizes, and a Ctrl search
// of 25,000 and of 100,000 shortcuts. Usage: scale_bench [largest tree, in files]
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/startup.h"
#include "bench/bench_tree.h"
#include "res/resource.h"
#include "results/result_list.h"

// The process's handles as the system lists them: GetProcessHandleCount answers 0 under Wine.
static long countHandles()
{
    using Query = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
    static Query query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    struct Entry {
        USHORT process, backTrace;
        UCHAR type, attributes;
        USHORT handle;
        void* object;
        ULONG access;
    };
    struct Table {
        ULONG count;
        Entry entries[1];
    };
    static std::vector<char> buffer(1 << 20);
    if (query == nullptr)
        return -1;
    ULONG needed = 0;
    LONG status;
    while ((status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) ==
           static_cast<LONG>(0xC0000004))  // too small
        buffer.resize(buffer.size() * 2);
    if (status != 0)
        return -1;
    const Table* t = reinterpret_cast<const Table*>(buffer.data());
    USHORT self = static_cast<USHORT>(GetCurrentProcessId());
    long n = 0;
    for (ULONG i = 0; i < t->count; ++i)
        n += t->entries[i].process == self;
    return n;
}

struct Figures {
    double workingKb, peakKb, pagefileKb, privateKb;
    long handles;
    DWORD handleCount, gdi, user;
};

static Figures figures()
{
    PROCESS_MEMORY_COUNTERS_EX m = {};
    m.cb = sizeof m;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m), sizeof m);
    DWORD handleCount = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handleCount);
    return {m.WorkingSetSize / 1024.0,
            m.PeakWorkingSetSize / 1024.0,
            m.PagefileUsage / 1024.0,
            m.PrivateUsage / 1024.0,
            countHandles(),
            handleCount,
            GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS),
            GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)};
}

static void printFigures(const char* when, const Figures& f)
{
    std::printf("  %-22s working set %8.0f KB, peak %8.0f KB, pagefile %8.0f KB, handles %4ld\n", when, f.workingKb,
                f.peakKb, f.pagefileKb, f.handles);
}

static double search(const std::string& folder)
{
    SetWindowTextA(app.folderBox, folder.c_str());
    double t = now();
    SendMessageA(app.mainWindow, WM_COMMAND, IDC_SEARCH, 0);
    return now() - t;
}

static bool holdCtrl(bool down)
{
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = VK_CONTROL;
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &in, sizeof in);
    for (int i = 0; i < 200 && (GetAsyncKeyState(VK_CONTROL) < 0) != down; ++i) {
        Sleep(10);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
        }
    }
    return (GetAsyncKeyState(VK_CONTROL) < 0) == down;
}

static std::string treeUnder(const char* temp, const char* name, unsigned files, unsigned shortcuts, unsigned broken)
{
    std::string root = std::string(temp) + "vellmoor_scale_" + name;
    if (GetFileAttributesA((root + "\\valid.model").c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::printf("  building %s: %u files, %u shortcuts\n", root.c_str(), files, shortcuts);
        std::fflush(stdout);
        buildTree(root, files, shortcuts, broken);
    }
    return root;
}

static void fillList(unsigned n)
{
    updateStatus(-1);
    SendMessageA(app.resultList, WM_SETREDRAW, FALSE, 0);
    char entry[64];
    for (unsigned i = 0; i < n; ++i) {
        std::snprintf(entry, sizeof entry, "C:\\links\\folder%03u\\entry%06u.lnk", i % 1000, i);
        SendMessageA(app.resultList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    }
    SendMessageA(app.resultList, WM_SETREDRAW, TRUE, 0);
    updateStatus(0);
}

static double command(WPARAM id)
{
    double t = now();
    SendMessageA(app.mainWindow, WM_COMMAND, id, 0);
    return (now() - t) * 1000;
}

int main(int argc, char** argv)
{
    unsigned largest = argc > 1 ? static_cast<unsigned>(std::atoi(argv[1])) : 200000;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static wchar_t commandLine[MAX_PATH + 16];
    std::swprintf(commandLine, MAX_PATH + 16, L"\"%hs\\vellmoor.exe\"", temp);
    if (!startProgram(commandLine)) {
        std::printf("could not start the program\n");
        return 1;
    }
    Figures f = figures();
    std::printf("Figures Wine cannot give (they read 0 here): PrivateUsage %.0f KB, GetProcessHandleCount %lu, "
                "GetGuiResources GDI %lu, USER %lu\n",
                f.privateKb, f.handleCount, f.gdi, f.user);

    // Trees of growing size, 10% shortcuts, half of them broken: the listed entries grow too.
    std::printf("\nSearches of growing trees\n");
    std::string small;
    for (unsigned files : {2000u, 20000u, largest}) {
        std::string name = std::to_string(files);
        std::string root = treeUnder(temp, name.c_str(), files - files / 10, files / 10, 50);
        if (files == 2000)
            small = root;
        search(root);  // once to warm the file caches
        updateStatus(-1);
        Figures before = figures();
        double t = search(root);
        Figures after = figures();
        unsigned listed = app.linkCount;
        updateStatus(-1);
        Figures cleared = figures();
        std::printf("%u files, %u listed, search %.0f ms\n", files, listed, t * 1000);
        printFigures("before", before);
        printFigures("after", after);
        printFigures("after clearing", cleared);
        std::printf("  pagefile growth per listed entry: %.0f bytes; handles after - before: %ld\n",
                    listed ? (after.pagefileKb - before.pagefileKb) * 1024 / listed : 0.0, after.handles - before.handles);
    }

    std::printf("\n200 searches in a row of the 2,000-file tree\n");
    for (int i = 1; i <= 200; ++i) {
        search(small);
        if (i == 1 || i % 50 == 0) {
            char when[32];
            std::snprintf(when, sizeof when, "after search %d", i);
            printFigures(when, figures());
        }
    }

    std::printf("\nList commands (ms; the per-entry cost should stay flat)\n");
    std::printf("  %8s %8s %8s %8s %8s %8s %8s %9s\n", "entries", "SelAll", "SelRev", "SelRev~", "SelClr", "Delete0",
                "Copy", "us/entry");
    for (unsigned n : {25000u, 50000u, 100000u}) {
        fillList(n);
        double all = command(IDM_SELALL);
        double rev = command(IDM_SELREV);  // all selected: none
        SendMessageA(app.mainWindow, WM_COMMAND, IDM_SELALL, 0);
        for (unsigned i = 0; i < n; i += 3)  // every third entry cleared, so reverse meets a pattern
            SendMessageA(app.resultList, LB_SETSEL, FALSE, i);
        double patterned = command(IDM_SELREV);
        double clr = command(IDM_SELCLR);
        double del = command(IDC_DELETE);  // nothing selected: visits every entry
        double copy = command(IDM_COPY);
        double sum = all + rev + patterned + clr + del + copy;
        std::printf("  %8u %8.1f %8.1f %8.1f %8.1f %8.1f %8.1f %9.2f\n", n, all, rev, patterned, clr, del, copy,
                    sum * 1000 / n);
    }
    updateStatus(-1);

    std::printf("\nSearch with Ctrl held (every shortcut listed, none opened)\n");
    std::string quarterTree = treeUnder(temp, "ctrl25k", 25000, 25000, 0);
    std::string many = treeUnder(temp, "ctrl100k", 100000, 100000, 0);
    if (!holdCtrl(true)) {
        std::printf("  Ctrl could not be held: not measured\n");
    } else {
        double quarter = search(quarterTree);
        unsigned quarterListed = app.linkCount;
        double whole = search(many);
        unsigned wholeListed = app.linkCount;
        holdCtrl(false);
        std::printf("  %6u listed in %.0f ms (%.1f us each)\n", quarterListed, quarter * 1000, quarter * 1e6 / quarterListed);
        std::printf("  %6u listed in %.0f ms (%.1f us each)\n", wholeListed, whole * 1000, whole * 1e6 / wholeListed);
        printFigures("after", figures());
    }
    SendMessageA(app.mainWindow, WM_CLOSE, 0, 0);
    finishProgram();
    return 0;
}
