// Makes a small Start-menu-like folder with some shortcuts whose programs were uninstalled,
// and one to a USB drive that is not plugged in, for trying the program out and for the
// README's screenshot. Usage: make_demo FOLDER
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

// A shortcut to a program on a USB drive that is not plugged in: its link information alone
// (the documented layout), as the shell stores no item list for a drive it cannot see.
static void saveToAbsentDrive(const std::string& link, const std::string& target)
{
    auto u32 = [](std::string& b, unsigned v) {
        for (int i = 0; i < 4; ++i)
            b += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    std::string volume;
    u32(volume, 0x11), u32(volume, 2), u32(volume, 0x1234), u32(volume, 0x10);  // removable
    volume += '\0';
    std::string body = volume + target + '\0' + '\0';
    std::string bytes;
    u32(bytes, 0x4C);
    const unsigned char shellLink[16] = {0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    bytes.append(reinterpret_cast<const char*>(shellLink), 16);
    u32(bytes, 0x2);  // link information only
    bytes.resize(0x3C, '\0');
    u32(bytes, 1);  // shown normally
    bytes.resize(0x4C, '\0');
    unsigned base = 0x1C + static_cast<unsigned>(volume.size());
    u32(bytes, 0x1C + static_cast<unsigned>(body.size())), u32(bytes, 0x1C), u32(bytes, 1), u32(bytes, 0x1C), u32(bytes, base),
        u32(bytes, 0), u32(bytes, base + static_cast<unsigned>(target.size()) + 1);
    bytes += body;
    u32(bytes, 0);
    HANDLE h = CreateFileA(link.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
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
    saveToAbsentDrive(root + "\\Programs\\Tools\\Backup.lnk", "Q:\\Backup\\backup.exe");
    CoUninitialize();
    return 0;
}
