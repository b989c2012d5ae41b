#include "search/shortcut_check.h"

#include <objbase.h>
#include <shlobj.h>

#include "app/app_state.h"
#include "search/walk_rules.h"

HRESULT resolveShortcut()
{
    // Never a system box about a missing disk or an unreadable file.
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    IShellLinkA* link = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(&link));
    if (SUCCEEDED(hr)) {
        IPersistFile* file = nullptr;
        hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
        if (SUCCEEDED(hr)) {
            wchar_t* widePath = reinterpret_cast<wchar_t*>(app.targetBuf);
            MultiByteToWideChar(CP_ACP, 0, app.pathBuf, -1, widePath, sizeof app.targetBuf / sizeof(wchar_t));
            hr = file->Load(widePath, STGM_READ);
            if (SUCCEEDED(hr)) {
                app.targetBuf[0] = '\0';
                // The stored path as it is: Resolve would search for moved targets and may show UI.
                hr = link->GetPath(app.targetBuf, MAX_PATH, &app.findData, 0);
            }
            file->Release();
        }
        link->Release();
    }
    SetErrorMode(oldMode);
    return hr;
}

typedef BOOL(WINAPI* DisableRedirectionFn)(PVOID*);
typedef BOOL(WINAPI* RevertRedirectionFn)(PVOID);

// A 32-bit program on 64-bit Windows sees System32 redirected to its own 32-bit copy; a
// target that only the 64-bit side holds would be called missing. Looked up at run time:
// 32-bit Windows has no such functions.
static DWORD attributesSeenNatively(const char* path, const wchar_t* widePath)
{
    static HMODULE kernel = GetModuleHandleA("kernel32.dll");
    static DisableRedirectionFn disable = reinterpret_cast<DisableRedirectionFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64DisableWow64FsRedirection")));
    static RevertRedirectionFn revert = reinterpret_cast<RevertRedirectionFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64RevertWow64FsRedirection")));
    PVOID old = nullptr;
    bool off = disable != nullptr && revert != nullptr && disable(&old);
    DWORD attributes = widePath != nullptr ? GetFileAttributesW(widePath) : GetFileAttributesA(path);
    if (off)
        revert(old);
    return attributes;
}

// The shell hands a 32-bit reader the x86 program folder for targets stored as the
// native "Program Files"; the same path there is tested before calling the target missing.
static bool existsUnderNativeProgramFiles(const char* target)
{
#if defined(_WIN64)
    (void)target;
    return false;
#else
    static char x86Dir[MAX_PATH];
    static char nativeDir[MAX_PATH];
    static bool known = GetEnvironmentVariableA("ProgramFiles(x86)", x86Dir, MAX_PATH) - 1u < MAX_PATH - 1u &&
                        GetEnvironmentVariableA("ProgramW6432", nativeDir, MAX_PATH) - 1u < MAX_PATH - 1u;
    char native[MAX_PATH];
    return known && mapToNativeProgramFiles(target, x86Dir, nativeDir, native, sizeof native) &&
           attributesSeenNatively(native, nullptr) != INVALID_FILE_ATTRIBUTES;
#endif
}

// A target the 8-bit code page cannot represent comes back with '?' or a look-alike letter
// (best fit) in its place, naming no file or another one. Before such a target is called
// missing, the shortcut is read again for its wide form, which is tested if it differs.
// Only shortcuts that look broken pay for this second reading.
static bool existsUnderWideName()
{
    static wchar_t wideLink[PATH_BUF_BYTES];
    static wchar_t wideTarget[MAX_PATH];
    static wchar_t roundTrip[MAX_PATH];
    static WIN32_FIND_DATAW wideFindData;
    bool differs = false;
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            MultiByteToWideChar(CP_ACP, 0, app.pathBuf, -1, wideLink, PATH_BUF_BYTES);
            wideTarget[0] = L'\0';
            if (SUCCEEDED(file->Load(wideLink, STGM_READ)) &&
                SUCCEEDED(link->GetPath(wideTarget, MAX_PATH, &wideFindData, 0)) && wideTarget[0] != L'\0') {
                roundTrip[0] = L'\0';
                MultiByteToWideChar(CP_ACP, 0, app.targetBuf, -1, roundTrip, MAX_PATH);
                differs = lstrcmpW(roundTrip, wideTarget) != 0;
            }
            file->Release();
        }
        link->Release();
    }
    SetErrorMode(oldMode);
    // Tested like the 8-bit target, under the normal error mode.
    return differs && attributesSeenNatively(nullptr, wideTarget) != INVALID_FILE_ATTRIBUTES;
}

bool isBrokenShortcut()
{
    if (FAILED(resolveShortcut()))
        return false;
    if (app.targetBuf[0] == '\0')
        return false;  // no file-system target: a virtual folder, a control-panel item
    if (app.targetBuf[0] == '\\' && app.settings.remoteOn == 0)
        return false;  // network targets are tested only with Remote on
    if (attributesSeenNatively(app.targetBuf, nullptr) != INVALID_FILE_ATTRIBUTES)
        return false;
    return !existsUnderNativeProgramFiles(app.targetBuf) && !existsUnderWideName();
}
