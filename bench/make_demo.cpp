// Makes a small Start-menu-like folder with some shortcuts whose programs were uninstalled,
// for trying the program out and for the README's screenshot. Usage: make_demo FOLDER
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>

static void save(const std::string& link, const std::string& target)
{
    IShellLinkA* sl = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, reinterpret_cast<void**>(&sl))))
        return;
    sl->SetPath(target.c_str());
    IPersistFile* pf = nullptr;
    if (SUCCEEDED(sl->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pf)))) {
        wchar_t w[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, w, MAX_PATH);
        pf->Save(w, TRUE);
        pf->Release();
    }
    sl->Release();
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::printf("usage: make_demo FOLDER\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::string root = argv[1];
    std::string apps = root + "\\Apps";
    const char* folders[] = {"", "\\Programs", "\\Programs\\Old Paint", "\\Programs\\Tools", "\\Desktop"};
    for (const char* f : folders)
        CreateDirectoryA((root + f).c_str(), nullptr);
    CreateDirectoryA(apps.c_str(), nullptr);
    struct Item {
        const char* link;
        const char* target;
        bool uninstalled;
    } items[] = {
        {"\\Programs\\Old Paint\\Old Paint.lnk", "\\oldpaint.exe", true},
        {"\\Programs\\Old Paint\\Read Me.lnk", "\\oldpaint-readme.txt", true},
        {"\\Programs\\Tools\\Editor.lnk", "\\editor.exe", false},
        {"\\Programs\\Tools\\Disk Checker.lnk", "\\diskcheck.exe", true},
        {"\\Desktop\\Editor.lnk", "\\editor.exe", false},
        {"\\Desktop\\Game 2019.lnk", "\\game2019.exe", true},
        {"\\Desktop\\Photos.lnk", "\\photos", false},
    };
    for (const Item& it : items) {
        std::string target = apps + it.target;
        if (it.target[std::strlen(it.target) - 4] == '.')
            CloseHandle(CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        else
            CreateDirectoryA(target.c_str(), nullptr);
        save(root + it.link, target);
    }
    for (const Item& it : items)
        if (it.uninstalled)
            DeleteFileA((apps + it.target).c_str());
    CoUninitialize();
    return 0;
}
