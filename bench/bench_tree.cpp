// Trees of files and shortcuts for the benchmarks, and a clock.
#include "bench/bench_tree.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

double now()
{
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

void writeSmall(const std::string& path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD w;
    WriteFile(h, "bench", 5, &w, nullptr);
    CloseHandle(h);
}

void saveShortcut(const std::string& link, const std::string& target)
{
    IShellLinkA* sl = nullptr;
    CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, reinterpret_cast<void**>(&sl));
    sl->SetPath(target.c_str());
    IPersistFile* pf = nullptr;
    sl->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pf));
    wchar_t w[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, w, MAX_PATH);
    pf->Save(w, TRUE);
    pf->Release();
    sl->Release();
}

// Folders of 50 entries, shortcuts spread evenly, `brokenPercent` of them broken. One
// shortcut per kind is saved through the shell and the rest are copies (saving is slow).
void buildTree(const std::string& root, unsigned files, unsigned shortcuts, unsigned brokenPercent)
{
    CreateDirectoryA(root.c_str(), nullptr);
    writeSmall(root + "\\target.txt");
    writeSmall(root + "\\gone.txt");
    saveShortcut(root + "\\valid.model", root + "\\target.txt");
    saveShortcut(root + "\\broken.model", root + "\\gone.txt");
    DeleteFileA((root + "\\gone.txt").c_str());
    unsigned total = files + shortcuts;
    unsigned madeLinks = 0;
    std::string folder;
    for (unsigned i = 0; i < total; ++i) {
        if (i % 50 == 0) {
            folder = root + "\\d" + std::to_string(i / 2500);
            CreateDirectoryA(folder.c_str(), nullptr);
            folder += "\\f" + std::to_string(i / 50);
            CreateDirectoryA(folder.c_str(), nullptr);
        }
        bool link = static_cast<unsigned long long>(madeLinks) * total < static_cast<unsigned long long>(i + 1) * shortcuts;
        if (link) {
            bool broken = (madeLinks * brokenPercent) / 100 != ((madeLinks + 1) * brokenPercent) / 100;
            const char* model = broken ? "\\broken.model" : "\\valid.model";
            CopyFileA((root + model).c_str(), (folder + "\\s" + std::to_string(i) + ".lnk").c_str(), FALSE);
            ++madeLinks;
        } else {
            writeSmall(folder + "\\n" + std::to_string(i) + ".dat");
        }
    }
}

