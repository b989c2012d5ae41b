#include "search/shortcut_check.h"

#include <objbase.h>
#include <shlobj.h>

#include "app/app_state.h"
#include "search/walk_rules.h"

// The target as the shell stores it, in UTF-16: the 8-bit form loses what the code page
// cannot hold. Read from the same object, so it costs no second load.
static wchar_t wideTarget[MAX_PATH];

static void readWideTarget(IShellLinkA* link)
{
    IShellLinkW* wide = nullptr;
    if (FAILED(link->QueryInterface(IID_IShellLinkW, reinterpret_cast<void**>(&wide))))
        return;
    if (FAILED(wide->GetPath(wideTarget, MAX_PATH, nullptr, 0)))
        wideTarget[0] = L'\0';
    wide->Release();
}

// The caller sets the error mode that keeps system boxes about missing disks away.
HRESULT resolveShortcut()
{
    wideTarget[0] = L'\0';
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
                if (SUCCEEDED(hr) && app.targetBuf[0] != '\0')
                    readWideTarget(link);  // only a target that will be tested needs it
            }
            file->Release();
        }
        link->Release();
    }
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
// (best fit) in its place, naming no file or another one; its wide form is tested instead.
static bool existsUnderWideName()
{
    static wchar_t roundTrip[MAX_PATH];
    if (wideTarget[0] == L'\0')
        return false;
    roundTrip[0] = L'\0';
    MultiByteToWideChar(CP_ACP, 0, app.targetBuf, -1, roundTrip, MAX_PATH);
    return lstrcmpW(roundTrip, wideTarget) != 0 && attributesSeenNatively(nullptr, wideTarget) != INVALID_FILE_ATTRIBUTES;
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
