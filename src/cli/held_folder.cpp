#include "cli/held_folder.h"

#include <aclapi.h>
#include <sddl.h>
#include <winternl.h>

#include <cstring>

#include "cli/quarantine_rules.h"
#include "cli/cli_console.h"
#include "search/exact_text.h"
#include "search/file_lookup.h"

static bool wellKnown(PSID sid, WELL_KNOWN_SID_TYPE type)
{
    BYTE known[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof known;
    return CreateWellKnownSid(type, nullptr, known, &size) && EqualSid(sid, known);
}

bool currentUser(std::vector<BYTE>& sid)
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    std::vector<BYTE> buffer(sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE);
    DWORD size;
    bool read = GetTokenInformation(token, TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()), &size) != 0;
    CloseHandle(token);
    if (!read)
        return false;
    PSID user = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    sid.assign(static_cast<BYTE*>(user), static_cast<BYTE*>(user) + GetLengthSid(user));
    return true;
}

// Creator Owner and Creator Group stand for whoever makes a file inside: this program, since
// no account not trusted may make one there.
static bool isTrusted(PSID sid)
{
    static const wchar_t TRUSTED_INSTALLER[] = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
    if (sid == nullptr || !IsValidSid(sid))
        return false;
    if (wellKnown(sid, WinLocalSystemSid) || wellKnown(sid, WinBuiltinAdministratorsSid) ||
        wellKnown(sid, WinCreatorOwnerSid) || wellKnown(sid, WinCreatorGroupSid))
        return true;
    std::vector<BYTE> user;
    if (currentUser(user) && EqualSid(sid, user.data()))
        return true;
    PSID installer;
    if (!ConvertStringSidToSidW(TRUSTED_INSTALLER, &installer))
        return false;
    bool same = EqualSid(sid, installer) != 0;
    LocalFree(installer);
    return same;
}

// Unknown kinds of entry count as allowing everything to an account not trusted.
static AccessEntry entryOf(const ACE_HEADER* ace)
{
    AccessEntry e = {ace->AceType != ACCESS_DENIED_ACE_TYPE && ace->AceType != ACCESS_DENIED_CALLBACK_ACE_TYPE, false, ~0u};
    bool plainLayout = ace->AceType == ACCESS_ALLOWED_ACE_TYPE || ace->AceType == ACCESS_DENIED_ACE_TYPE ||
                       ace->AceType == ACCESS_ALLOWED_CALLBACK_ACE_TYPE || ace->AceType == ACCESS_DENIED_CALLBACK_ACE_TYPE;
    if (plainLayout) {
        const ACCESS_ALLOWED_ACE* a = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(ace);
        e.mask = a->Mask;
        e.trusted = isTrusted(const_cast<DWORD*>(&a->SidStart));
    }
    return e;
}

bool othersMayWriteTo(HANDLE held)
{
    PSID owner = nullptr;
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetSecurityInfo(held, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                        &list, nullptr, &sd) != ERROR_SUCCESS)
        return true;  // what cannot be read cannot be trusted
    std::vector<AccessEntry> entries;
    for (DWORD i = 0; list != nullptr && i < list->AceCount; ++i) {
        void* ace;
        if (GetAce(list, i, &ace))
            entries.push_back(entryOf(static_cast<ACE_HEADER*>(ace)));
        else
            entries.push_back({true, false, ~0u});
    }
    bool others = othersMayWrite(list != nullptr, isTrusted(owner), entries);
    LocalFree(sd);
    return others;
}

bool isElevated()
{
    BYTE admins[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof admins;
    BOOL member = FALSE;
    return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size) &&
           CheckTokenMembership(nullptr, admins, &member) && member;
}

HANDLE openFolder(const std::wstring& path, DWORD moreAccess)
{
    return CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL | moreAccess,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, OPEN_AS_ITSELF, nullptr);
}

// --- Relative to a held folder -----------------------------------------------------------
// The Win32 calls take full paths, and Wine refuses a root folder in SetFileInformationByHandle:
// the system's own calls, which every Windows and Wine has.

namespace {
using NtCreateFileCall = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER,
                                          ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using NtSetInformationFileCall = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
using StatusToErrorCall = ULONG(NTAPI*)(NTSTATUS);

struct NtCalls {
    NtCreateFileCall create = nullptr;
    NtSetInformationFileCall setInformation = nullptr;
    StatusToErrorCall toError = nullptr;
    NtCalls()
    {
        HMODULE nt = GetModuleHandleW(L"ntdll.dll");
        if (nt == nullptr)
            return;
        create = reinterpret_cast<NtCreateFileCall>(reinterpret_cast<void*>(GetProcAddress(nt, "NtCreateFile")));
        setInformation = reinterpret_cast<NtSetInformationFileCall>(
            reinterpret_cast<void*>(GetProcAddress(nt, "NtSetInformationFile")));
        toError = reinterpret_cast<StatusToErrorCall>(reinterpret_cast<void*>(GetProcAddress(nt, "RtlNtStatusToDosError")));
    }
};

const NtCalls& nt()
{
    static const NtCalls calls;
    return calls;
}

// FILE_RENAME_INFORMATION, which not every SDK declares.
struct RenameRecord {
    BOOLEAN replace;
    HANDLE root;
    ULONG nameBytes;
    WCHAR name[1];
};

const ULONG FILE_RENAME_INFORMATION_CLASS = 10;
const ULONG OPEN_FOLDER = 0x00000001, SYNCHRONOUS = 0x00000020,
            OPEN_LINK_ITSELF = 0x00200000, FOR_BACKUP = 0x00004000;

bool isBareName(const std::wstring& name)
{
    return !name.empty() && name != L"." && name != L".." && name.find_first_of(L"\\/:") == std::wstring::npos &&
           name.size() < 32768 / 2;
}

bool failed(NTSTATUS status)
{
    SetLastError(nt().toError != nullptr ? nt().toError(status) : ERROR_GEN_FAILURE);
    return false;
}
}  // namespace

HANDLE openIn(HANDLE folder, const std::wstring& name, DWORD access, DWORD share, DWORD disposition, bool asFolder,
              PSECURITY_DESCRIPTOR sd)
{
    if (nt().create == nullptr || !isBareName(name)) {
        SetLastError(nt().create == nullptr ? ERROR_CALL_NOT_IMPLEMENTED : ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    UNICODE_STRING text;
    text.Buffer = const_cast<PWSTR>(name.c_str());
    text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, sd);
    IO_STATUS_BLOCK io = {};
    HANDLE h = INVALID_HANDLE_VALUE;
    NTSTATUS status =
        nt().create(&h, access | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL, share, disposition,
                    (asFolder ? OPEN_FOLDER : 0) | SYNCHRONOUS | OPEN_LINK_ITSELF | FOR_BACKUP, nullptr, 0);
    if (status < 0) {
        failed(status);
        return INVALID_HANDLE_VALUE;
    }
    return h;
}

bool moveInto(HANDLE h, HANDLE folder, const std::wstring& name, bool replace)
{
    if (nt().setInformation == nullptr || !isBareName(name)) {
        SetLastError(nt().setInformation == nullptr ? ERROR_CALL_NOT_IMPLEMENTED : ERROR_INVALID_NAME);
        return false;
    }
    std::size_t bytes = offsetof(RenameRecord, name) + name.size() * sizeof(wchar_t);
    std::vector<ULONGLONG> buffer(bytes / sizeof(ULONGLONG) + 1);
    RenameRecord* record = reinterpret_cast<RenameRecord*>(buffer.data());
    record->replace = replace ? TRUE : FALSE;
    record->root = folder;
    record->nameBytes = static_cast<ULONG>(name.size() * sizeof(wchar_t));
    std::memcpy(record->name, name.c_str(), record->nameBytes);
    IO_STATUS_BLOCK io = {};
    NTSTATUS status = nt().setInformation(h, &io, record, static_cast<ULONG>(bytes), FILE_RENAME_INFORMATION_CLASS);
    return status >= 0 || failed(status);
}

bool stillNamed(HANDLE held, const std::wstring& path)
{
    HANDLE now = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, SHARE_EVERYTHING, nullptr, OPEN_EXISTING,
                             OPEN_AS_ITSELF, nullptr);
    BY_HANDLE_FILE_INFORMATION a, b;
    bool same = now != INVALID_HANDLE_VALUE && GetFileInformationByHandle(now, &a) && GetFileInformationByHandle(held, &b) &&
                a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
                a.nFileIndexLow == b.nFileIndexLow;
    if (now != INVALID_HANDLE_VALUE)
        CloseHandle(now);
    return same;
}

bool deleteOnClose(HANDLE h)
{
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return SetFileInformationByHandle(h, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

// Wine shows a link as the folder it leads to: only its final path tells.
bool sitsInside(HANDLE h, std::wstring& parent, const std::wstring& name)
{
    static wchar_t final[MAX_PATH * 4];
    if (!finalPathOfHandle(h, final, MAX_PATH * 4))
        return parent.clear(), true;
    std::wstring expected = parent + (!parent.empty() && parent.back() == L'\\' ? L"" : L"\\") + name;
    bool inside = parent.empty() || CompareStringOrdinal(final, -1, expected.c_str(), -1, TRUE) == CSTR_EQUAL;
    parent = final;
    return inside;
}

bool reachedByItsName(HANDLE h, const std::wstring& full)
{
    std::wstring path(32768, L'\0');
    DWORD n = GetLongPathNameW(full.c_str(), &path[0], static_cast<DWORD>(path.size()));
    path.resize(n > 0 && n < path.size() ? n : 0);
    if (path.empty())
        path = full;
    while (path.size() > 3 && path.back() == L'\\')
        path.pop_back();
    std::size_t cut = path.find_last_of(L'\\');
    if (cut == std::wstring::npos || cut + 1 == path.size())
        return true;  // a drive's root
    HANDLE parent = openFolder(path.substr(0, cut + 1));
    if (parent == INVALID_HANDLE_VALUE)
        return false;
    std::wstring parentFinal;
    sitsInside(parent, parentFinal, L"");
    CloseHandle(parent);
    return !parentFinal.empty() && sitsInside(h, parentFinal, path.substr(cut + 1));
}


std::string accessListOf(HANDLE held)
{
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetSecurityInfo(held, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr, &sd) !=
        ERROR_SUCCESS)
        return "";
    LPWSTR text = nullptr;
    std::string sddl;
    if (ConvertSecurityDescriptorToStringSecurityDescriptorW(sd, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr))
        sddl = utf8Of(text);
    LocalFree(text);
    LocalFree(sd);
    return sddl;
}

bool setAccessList(HANDLE held, const std::string& sddl)
{
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(wideOfUtf8(sddl).c_str(), SDDL_REVISION_1, &sd, nullptr))
        return false;
    BOOL present = FALSE, defaulted = FALSE;
    PACL list = nullptr;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision;
    bool set = GetSecurityDescriptorDacl(sd, &present, &list, &defaulted) && present &&
               GetSecurityDescriptorControl(sd, &control, &revision);
    // Inheriting: the entries inherited before come again from the folder it is back in.
    SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION |
                                ((control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION
                                                               : UNPROTECTED_DACL_SECURITY_INFORMATION);
    set = set && (SetSecurityInfo(held, SE_FILE_OBJECT, what, nullptr, nullptr, list, nullptr) == ERROR_SUCCESS ||
                  SetSecurityInfo(held, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, list, nullptr) ==
                      ERROR_SUCCESS);  // Wine takes no inheritance flag
    LocalFree(sd);
    return set;
}
