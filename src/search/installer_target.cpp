#include "search/installer_target.h"

typedef UINT(WINAPI* ShortcutTargetFn)(LPCWSTR, LPWSTR, LPWSTR, LPWSTR);
typedef INT(WINAPI* ProductStateFn)(LPCWSTR);
typedef INT(WINAPI* ComponentPathFn)(LPCWSTR, LPCWSTR, LPWSTR, LPDWORD);
typedef UINT(WINAPI* EnumProductsFn)(LPCWSTR, LPCWSTR, DWORD, DWORD, LPWSTR, DWORD*, LPWSTR, LPDWORD);

namespace {
// The installer's values (msi.h), kept here so the engine needs no import library.
const INT STATE_UNKNOWN = -1, STATE_LOCAL = 3, STATE_SOURCE = 4;
const DWORD EVERY_CONTEXT = 7;  // per-user managed and unmanaged, and per-machine

struct Installer {
    ShortcutTargetFn shortcutTarget;
    ProductStateFn productState;
    ComponentPathFn componentPath;
    EnumProductsFn enumProducts;
};

// Loaded on the first installer's shortcut, from the system folder only: a program folder
// or a shortcut's folder may hold a planted msi.dll.
const Installer& installer()
{
    static Installer found = [] {
        Installer i = {};
        wchar_t path[MAX_PATH];
        UINT n = GetSystemDirectoryW(path, MAX_PATH - 9);
        if (n == 0 || n >= MAX_PATH - 9)
            return i;
        lstrcatW(path, L"\\msi.dll");
        HMODULE msi = LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (msi == nullptr)
            return i;
        i.shortcutTarget = reinterpret_cast<ShortcutTargetFn>(reinterpret_cast<void*>(GetProcAddress(msi, "MsiGetShortcutTargetW")));
        i.productState = reinterpret_cast<ProductStateFn>(reinterpret_cast<void*>(GetProcAddress(msi, "MsiQueryProductStateW")));
        i.componentPath = reinterpret_cast<ComponentPathFn>(reinterpret_cast<void*>(GetProcAddress(msi, "MsiGetComponentPathW")));
        i.enumProducts = reinterpret_cast<EnumProductsFn>(reinterpret_cast<void*>(GetProcAddress(msi, "MsiEnumProductsExW")));
        return i;
    }();
    return found;
}
}  // namespace

InstallerAnswer askInstaller(const wchar_t* shortcut, wchar_t* text)
{
    const Installer& msi = installer();
    if (msi.shortcutTarget == nullptr || msi.productState == nullptr || msi.componentPath == nullptr || msi.enumProducts == nullptr)
        return INSTALLER_UNKNOWN;
    wchar_t product[39], feature[40], component[39];
    if (msi.shortcutTarget(shortcut, product, feature, component) != ERROR_SUCCESS)
        return INSTALLER_UNKNOWN;
    lstrcpynW(text, product, 39);
    if (msi.productState(product) == STATE_UNKNOWN) {
        // Unknown to this account may be another user's per-user install: gone only when no
        // user and not the machine has it.
        UINT any = msi.enumProducts(product, L"s-1-1-0", EVERY_CONTEXT, 0, nullptr, nullptr, nullptr, nullptr);
        return any == ERROR_NO_MORE_ITEMS ? INSTALLER_GONE : any == ERROR_SUCCESS ? INSTALLER_REPAIRABLE : INSTALLER_UNKNOWN;
    }
    DWORD size = MAX_PATH;
    INT state = msi.componentPath(product, component, text, &size);
    if (state == STATE_LOCAL || state == STATE_SOURCE)
        return INSTALLER_LOCAL;
    lstrcpynW(text, product, 39);
    return INSTALLER_REPAIRABLE;  // absent, advertised or broken: the installer acts on first use
}
