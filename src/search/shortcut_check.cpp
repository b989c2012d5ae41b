#include "search/shortcut_check.h"

#include <objbase.h>
#include <shlobj.h>

#include "search/exact_text.h"
#include "search/installer_target.h"
#include "search/link_layout.h"
#include "search/owner_view.h"
#include "search/path_limits.h"
#include "search/root_answers.h"
#include "search/target_views.h"
#include "search/user_profiles.h"
#include "search/walk_rules.h"

static SearchState* checking;  // the search whose shortcut is checked
static bool advertised;        // the shortcut is a Windows Installer's: its descriptor names the target

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

// The shortcut's bytes, read in one go: the shell loads the link from them, and what it does
// not give (the link's layout) is read from the same bytes, not from the file again.
static unsigned char linkBytes[64 * 1024];
static DWORD linkSize;  // 0: none held (not read, or too large: the shell read the file itself)

static HRESULT loadFromBytes(IShellLinkA* link, const wchar_t* path)
{
    linkSize = 0;
    HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return HRESULT_FROM_WIN32(GetLastError());
    DWORD got = 0;
    BOOL read = ReadFile(h, linkBytes, sizeof linkBytes, &got, nullptr);
    DWORD error = GetLastError();
    CloseHandle(h);
    if (!read)
        return HRESULT_FROM_WIN32(error);
    if (got == sizeof linkBytes)
        return S_FALSE;  // larger than the buffer: loaded from the file
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, got != 0 ? got : 1);
    void* at = copy != nullptr ? GlobalLock(copy) : nullptr;
    if (at == nullptr) {
        if (copy != nullptr)
            GlobalFree(copy);
        return E_OUTOFMEMORY;
    }
    CopyMemory(at, linkBytes, got);
    GlobalUnlock(copy);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(copy, TRUE, &stream))) {
        GlobalFree(copy);
        return E_OUTOFMEMORY;
    }
    IPersistStream* persist = nullptr;
    HRESULT hr = link->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(&persist));
    if (SUCCEEDED(hr)) {
        hr = persist->Load(stream);
        persist->Release();
    }
    stream->Release();
    linkSize = SUCCEEDED(hr) ? got : 0;
    return SUCCEEDED(hr) ? S_OK : hr;
}

// What the shell does not give, from the shortcut's bytes as they were loaded; a shortcut too
// large to hold is read again (`path`).
static bool readLayout(const wchar_t* path, LinkLayout& layout)
{
    if (linkSize != 0)
        return readLinkLayout(linkBytes, linkSize, layout);
    HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    static unsigned char bytes[256 * 1024];
    DWORD got = 0;
    bool read = ReadFile(h, bytes, sizeof bytes, &got, nullptr) && got < sizeof bytes;
    CloseHandle(h);
    return read && readLinkLayout(bytes, got, layout);
}

// The link header's flags, from the bytes held.
static DWORD linkFlags()
{
    return linkSize >= 0x18 ? linkBytes[0x14] | linkBytes[0x15] << 8 | linkBytes[0x16] << 16 | static_cast<DWORD>(linkBytes[0x17]) << 24 : 0;
}

static HRESULT loadFromFile(IShellLinkA* link, const wchar_t* path)
{
    IPersistFile* file = nullptr;
    HRESULT hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(hr)) {
        hr = file->Load(path, STGM_READ);
        file->Release();
    }
    return hr;
}

static HRESULT storedPath(IShellLinkA* link)
{
    checking->targetBuf[0] = '\0';
    // The stored path as it is: Resolve would search for moved targets and may show UI.
    return link->GetPath(checking->targetBuf, MAX_PATH, nullptr, 0);
}

// The caller sets the error mode that keeps system boxes about missing disks away.
HRESULT resolveShortcut(SearchState& search)
{
    checking = &search;
    checking->found[0] = L'\0';
    advertised = false;
    wideTarget[0] = L'\0';
    static wchar_t path[PATH_BUF_BYTES];
    if (wideOf(checking->pathBuf, path, PATH_BUF_BYTES) == 0 || lstrlenW(path) > static_cast<int>(MAX_SHORTCUT_PATH))
        return E_INVALIDARG;
    IShellLinkA* link = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, reinterpret_cast<void**>(&link));
    if (FAILED(hr))
        return hr;
    hr = loadFromBytes(link, path);
    if (hr == S_FALSE)
        hr = loadFromFile(link, path);
    if (SUCCEEDED(hr))
        hr = storedPath(link);
    // A target named by its relative path alone: the shell finds it only knowing the file's place.
    const DWORD HAS_RELATIVE_PATH = 0x8, HAS_DARWIN_ID = 0x1000;
    if (SUCCEEDED(hr) && checking->targetBuf[0] == '\0' && (linkFlags() & HAS_RELATIVE_PATH) != 0) {
        link->Release();
        link = nullptr;
        hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, reinterpret_cast<void**>(&link));
        if (SUCCEEDED(hr) && SUCCEEDED(hr = loadFromFile(link, path)))
            hr = storedPath(link);
    }
    if (SUCCEEDED(hr)) {
        LinkLayout large;  // a link too large to hold is read once more for its flag
        advertised = linkSize != 0 ? (linkFlags() & HAS_DARWIN_ID) != 0 : readLayout(path, large) && large.advertised;
        if (checking->targetBuf[0] != '\0')
            readWideTarget(link);  // only a target that will be tested needs it
    }
    if (link != nullptr)
        link->Release();
    return hr;
}

typedef BOOL(WINAPI* DisableRedirectionFn)(PVOID*);
typedef BOOL(WINAPI* RevertRedirectionFn)(PVOID);
typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE, PBOOL);

// Looked up at run time: 32-bit Windows before XP SP2 has none of these.
static FARPROC kernelFunction(const char* name)
{
    static HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel != nullptr ? GetProcAddress(kernel, name) : nullptr;
}

template <typename Fn>
static Fn kernelFunctionAs(const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(kernelFunction(name)));
}

static bool runsUnderWow64()
{
    static IsWow64ProcessFn isWow64 = kernelFunctionAs<IsWow64ProcessFn>("IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64 != nullptr && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

// A 32-bit program on 64-bit Windows sees System32 redirected to its own 32-bit copy; this
// is the 64-bit side's answer.
static DWORD attributesUnredirected(const char* path, const wchar_t* widePath)
{
    static DisableRedirectionFn disable = kernelFunctionAs<DisableRedirectionFn>("Wow64DisableWow64FsRedirection");
    static RevertRedirectionFn revert = kernelFunctionAs<RevertRedirectionFn>("Wow64RevertWow64FsRedirection");
    PVOID old = nullptr;
    if (disable == nullptr || revert == nullptr || !disable(&old)) {
        SetLastError(ERROR_FILE_NOT_FOUND);  // no other view to ask
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = widePath != nullptr ? GetFileAttributesW(widePath) : GetFileAttributesA(path);
    DWORD error = GetLastError();
    revert(old);
    SetLastError(error);
    return attributes;
}

// The shell hands a 32-bit reader the x86 program folder for targets stored as the native
// "Program Files"; this is the same path under the native folder.
static char nativeProgramsTarget[MAX_PATH];

static bool mapsToNativeProgramFiles(const char* target)
{
    static char x86Dir[MAX_PATH];
    static char nativeDir[MAX_PATH];
    static bool known = GetEnvironmentVariableA("ProgramFiles(x86)", x86Dir, MAX_PATH) - 1u < MAX_PATH - 1u &&
                        GetEnvironmentVariableA("ProgramW6432", nativeDir, MAX_PATH) - 1u < MAX_PATH - 1u;
    return known && mapToNativeProgramFiles(target, x86Dir, nativeDir, nativeProgramsTarget, MAX_PATH);
}

// A target the 8-bit code page cannot represent comes back with '?' or a look-alike letter
// (best fit) in its place, naming no file or another one; its wide form is tested too.
static bool wideTargetDiffers()
{
    static wchar_t roundTrip[MAX_PATH];
    if (wideTarget[0] == L'\0')
        return false;
    return wideOf(checking->targetBuf, roundTrip, MAX_PATH) == 0 || lstrcmpW(roundTrip, wideTarget) != 0;
}

static unsigned long errorOf(DWORD attributes) { return attributes != INVALID_FILE_ATTRIBUTES ? 0 : GetLastError(); }

static unsigned long lookIn(TargetView view, void*)
{
    switch (view) {
    case VIEW_AS_SEEN: return errorOf(GetFileAttributesA(checking->targetBuf));
    case VIEW_UNREDIRECTED: return errorOf(attributesUnredirected(checking->targetBuf, nullptr));
    case VIEW_NATIVE_PROGRAM_FILES: return errorOf(GetFileAttributesA(nativeProgramsTarget));
    case VIEW_WIDE: return errorOf(GetFileAttributesW(wideTarget));
    case VIEW_WIDE_UNREDIRECTED: return errorOf(attributesUnredirected(nullptr, wideTarget));
    default: return ERROR_FILE_NOT_FOUND;
    }
}

// Variables every account expands alike.
static const std::vector<std::pair<std::wstring, std::wstring>>& machineVariables()
{
    static const std::vector<std::pair<std::wstring, std::wstring>> variables = [] {
        static const wchar_t* const names[] = {L"SystemRoot", L"windir", L"SystemDrive", L"ProgramFiles", L"ProgramFiles(x86)",
                                               L"ProgramW6432", L"CommonProgramFiles", L"CommonProgramFiles(x86)",
                                               L"CommonProgramW6432", L"ProgramData", L"ALLUSERSPROFILE", L"PUBLIC"};
        std::vector<std::pair<std::wstring, std::wstring>> found;
        wchar_t value[MAX_PATH];
        for (const wchar_t* name : names) {
            DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH);
            if (n > 0 && n < MAX_PATH)
                found.push_back({name, value});
        }
        return found;
    }();
    return variables;
}

// A missing target of a shortcut in another account's profile, read by this one: the shell
// may have put it into this account's profile. Looked for where its owner would find it. A
// shortcut in no profile (the all-users Start menu, the Public desktop) is every account's:
// looked for where each would find it.
static ShortcutState asItsOwnerSees()
{
    static wchar_t shortcut[PATH_BUF_BYTES];
    static wchar_t target[MAX_PATH];
    const std::wstring& reader = readerProfile();
    if (reader.empty() || wideOf(checking->pathBuf, shortcut, PATH_BUF_BYTES) == 0)
        return SHORTCUT_MISSING;
    if (wideTarget[0] != L'\0')
        lstrcpynW(target, wideTarget, MAX_PATH);
    else if (wideOf(checking->targetBuf, target, MAX_PATH) == 0)
        return SHORTCUT_MISSING;
    const UserProfile* holder;
    LinkLayout layout;
    if (!liesWithin(target, reader) || ((holder = profileHolding(shortcut)) != nullptr && lstrcmpiW(holder->folder.c_str(), reader.c_str()) == 0) ||
        !readLayout(shortcut, layout))
        return SHORTCUT_MISSING;  // the reader's own shortcuts are read as they read
    std::wstring storedLocal = layout.localWide, storedEnv = layout.envWide;
    wchar_t narrow[MAX_PATH];
    if (storedLocal.empty() && !layout.localAnsi.empty() && wideOf(layout.localAnsi.c_str(), narrow, MAX_PATH) > 0)
        storedLocal = narrow;
    if (storedEnv.empty() && !layout.envAnsi.empty() && wideOf(layout.envAnsi.c_str(), narrow, MAX_PATH) > 0)
        storedEnv = narrow;
    bool concerns = false, complete = true;
    for (const UserProfile& owner : userProfiles()) {
        if ((holder != nullptr && &owner != holder) || lstrcmpiW(owner.folder.c_str(), reader.c_str()) == 0)
            continue;
        OwnerFacts facts = {reader, owner.folder, target, storedLocal, storedEnv, layout.knownFolder,
                            ownerShellFolder(owner, L"AppData"), ownerShellFolder(owner, L"Local AppData"), machineVariables()};
        OwnerPlaces places = ownerPlaces(facts);
        concerns = concerns || places.concerns;
        for (std::size_t i = 0; places.concerns && i < places.paths.size(); ++i) {
            TargetVerdict there = verdictOfError(errorOf(GetFileAttributesW(places.paths[i].c_str())));
            if (there == TARGET_PRESENT)
                return SHORTCUT_PRESENT;
            places.complete = places.complete && there == TARGET_MISSING;
        }
        complete = complete && (!places.concerns || places.complete);
    }
    return !concerns || complete ? SHORTCUT_MISSING : SHORTCUT_USER_DEPENDENT;
}

static bool thereAt(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

// Asks the shell to resolve the link with tracking alone: no search, no window, never saved,
// at most a second.
static bool trackedBySystem(const wchar_t* shortcut, bool trackerBlock, wchar_t* found)
{
    if (!trackerBlock)
        return false;  // nothing to track by: asking would only cost a second load
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, reinterpret_cast<void**>(&link))))
        return false;
    IPersistFile* file = nullptr;
    bool tracked = false;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        const DWORD flags = SLR_NO_UI | SLR_NOUPDATE | SLR_NOSEARCH | SLR_NOLINKINFO | (1000u << 16);
        static wchar_t stored[MAX_PATH];
        tracked = SUCCEEDED(file->Load(shortcut, STGM_READ)) && SUCCEEDED(link->GetPath(stored, MAX_PATH, nullptr, 0)) &&
                  link->Resolve(nullptr, flags) == S_OK && SUCCEEDED(link->GetPath(found, MAX_PATH, nullptr, 0)) &&
                  found[0] != L'\0' && lstrcmpiW(found, stored) != 0;
        file->Release();
    }
    link->Release();
    return tracked;
}

bool (*trackLink)(const wchar_t* shortcut, bool trackerBlock, wchar_t* found) = trackedBySystem;

static ShortcutState foundAt(const wchar_t* path)
{
    lstrcpynW(checking->found, path, MAX_PATH);
    return SHORTCUT_MOVED;
}

// The serial of the volume at drive root "E:\" now; 0 for none.
static DWORD serialAt(const wchar_t* root)
{
    DWORD serial = 0;
    return GetVolumeInformationW(root, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0) ? serial : 0;
}

// A missing target looked for where Windows also looks before it gives up on a shortcut.
static ShortcutState lookElsewhere(bool testNetwork)
{
    static wchar_t shortcut[PATH_BUF_BYTES];
    static wchar_t place[MAX_PATH];
    LinkLayout layout;
    if (wideOf(checking->pathBuf, shortcut, PATH_BUF_BYTES) == 0 || !readLayout(shortcut, layout))
        return SHORTCUT_MISSING;
    // The path from the shortcut's own folder: a program folder moved with its shortcut.
    std::wstring relative = layout.relativeWide;
    if (relative.empty() && !layout.relativeAnsi.empty() && wideOf(layout.relativeAnsi.c_str(), place, MAX_PATH) > 0)
        relative = place;
    wchar_t* name = nullptr;
    if (!relative.empty() && GetFullPathNameW(shortcut, MAX_PATH, place, &name) - 1u < MAX_PATH - 1u && name != nullptr) {
        std::wstring joined = std::wstring(place, name) + relative;
        if (GetFullPathNameW(joined.c_str(), MAX_PATH, place, nullptr) - 1u < MAX_PATH - 1u && thereAt(place))
            return foundAt(place);
    }
    const char* target = checking->targetBuf;
    bool letter = ((target[0] | 0x20) >= 'a' && (target[0] | 0x20) <= 'z') && target[1] == ':' && target[2] == '\\';
    // A removable or optical volume: another one at its letter means its own is away, and its
    // own at another letter holds the target there.
    if (letter && layout.hasVolume && layout.volumeSerial != 0 &&
        (layout.volumeType == DRIVE_REMOVABLE || layout.volumeType == DRIVE_CDROM)) {
        wchar_t root[4] = {static_cast<wchar_t>(target[0]), L':', L'\\', 0};
        if (serialAt(root) != layout.volumeSerial) {
            DWORD drives = GetLogicalDrives();
            for (int i = 0; i < 26; ++i) {
                root[0] = static_cast<wchar_t>(L'A' + i);
                UINT type = (drives >> i) & 1 ? GetDriveTypeW(root) : DRIVE_NO_ROOT_DIR;
                if ((type == DRIVE_REMOVABLE || type == DRIVE_CDROM) && serialAt(root) == layout.volumeSerial &&
                    wideOf(target, place, MAX_PATH) > 0) {
                    place[0] = root[0];
                    if (thereAt(place))
                        return foundAt(place);
                }
            }
            return SHORTCUT_VOLUME_AWAY;
        }
    }
    // A drive letter mapped to a share, not mapped here (another session, SYSTEM): the share.
    std::wstring network = layout.networkWide;
    if (network.empty() && !layout.networkAnsi.empty() && wideOf(layout.networkAnsi.c_str(), place, MAX_PATH) > 0)
        network = place;
    if (testNetwork && letter && network.size() > 2 && network[0] == L'\\' && network[1] == L'\\') {
        char root[4] = {target[0], ':', '\\', 0};
        UINT type = GetDriveTypeA(root);
        if ((type == DRIVE_NO_ROOT_DIR || type == DRIVE_REMOTE) && network.size() < MAX_PATH) {
            lstrcpynW(place, network.c_str(), MAX_PATH);
            static char narrow[MAX_PATH];
            if (WideCharToMultiByte(CP_ACP, 0, place, -1, narrow, MAX_PATH, nullptr, nullptr) > 0 && rootAnswers(narrow, place) &&
                thereAt(place))
                return foundAt(place);
        }
    }
    // The system's link tracking, where it runs: a target moved on an NTFS volume.
    return trackLink(shortcut, layout.tracked, place) && thereAt(place) ? foundAt(place) : SHORTCUT_MISSING;
}

// An installer's shortcut, judged by the installer instead of any path: the path the shell
// gives for it is the product's icon, which cleaning tools and disk clean-ups remove.
static ShortcutState byInstaller()
{
    static wchar_t shortcut[PATH_BUF_BYTES];
    static wchar_t text[MAX_PATH];
    InstallerAnswer answer = wideOf(checking->pathBuf, shortcut, PATH_BUF_BYTES) > 0 ? askInstaller(shortcut, text) : INSTALLER_UNKNOWN;
    if (answer == INSTALLER_UNKNOWN ||
        WideCharToMultiByte(CP_ACP, 0, text, -1, checking->targetBuf, MAX_PATH, nullptr, nullptr) == 0) {
        checking->targetBuf[0] = '\0';
        return SHORTCUT_NO_TARGET;  // no installer's word: never called broken
    }
    return answer == INSTALLER_GONE ? SHORTCUT_MISSING : answer == INSTALLER_LOCAL ? SHORTCUT_PRESENT : SHORTCUT_REPAIRABLE;
}

ShortcutState checkShortcut(SearchState& search, bool testNetwork)
{
    if (FAILED(resolveShortcut(search)))
        return SHORTCUT_UNREADABLE;
    if (advertised)
        return byInstaller();
    if (!isFileSystemTarget(checking->targetBuf))
        return SHORTCUT_NO_TARGET;
    if (checking->targetBuf[0] == '\\' && !testNetwork)
        return SHORTCUT_NOT_TESTED;  // network targets are tested only with Remote on
    if (!rootAnswers(checking->targetBuf, wideTarget))
        return SHORTCUT_UNREACHABLE;  // its drive or server did not answer: not waited for again
    static const bool wow64 = runsUnderWow64();
    TargetFacts facts = {wow64, wow64 && mapsToNativeProgramFiles(checking->targetBuf), wideTargetDiffers()};
    static const ShortcutState states[] = {SHORTCUT_PRESENT, SHORTCUT_MISSING, SHORTCUT_DENIED, SHORTCUT_UNREACHABLE};
    ShortcutState state = states[judgeTarget(facts, lookIn, nullptr)];
    if (state == SHORTCUT_MISSING)
        state = asItsOwnerSees();
    return state == SHORTCUT_MISSING ? lookElsewhere(testNetwork) : state;
}
