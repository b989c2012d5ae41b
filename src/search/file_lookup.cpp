#include "search/file_lookup.h"

#include <cstring>

#include "search/exact_text.h"
#include "search/path_limits.h"
#include "search/walk_rules.h"

HANDLE(WINAPI* openForLookup)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) = CreateFileW;

// For its attributes only.
static HANDLE openItself(const wchar_t* path)
{
    return openForLookup(path, FILE_READ_ATTRIBUTES, SHARE_EVERYTHING, nullptr, OPEN_EXISTING, OPEN_AS_ITSELF, nullptr);
}

static std::uint64_t joined(DWORD high, DWORD low) { return (std::uint64_t{high} << 32) | low; }

// The 128-bit file ID, where the system (Windows 8 on) and the volume give one.
static const FILE_INFO_BY_HANDLE_CLASS FILE_ID_INFO_CLASS = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);

static void id128Of(HANDLE h, FileIdentity& id)
{
    struct {
        ULONGLONG volume;
        BYTE fileId[16];
    } info;
    id.hasId128 = GetFileInformationByHandleEx(h, FILE_ID_INFO_CLASS, &info, sizeof info) != 0;
    if (id.hasId128)
        std::memcpy(id.id128, info.fileId, sizeof id.id128);
}

static bool identityOf(HANDLE h, FileIdentity& id)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info))
        return false;
    id = {info.dwVolumeSerialNumber,
          info.nFileIndexHigh,
          info.nFileIndexLow,
          true,
          joined(info.nFileSizeHigh, info.nFileSizeLow),
          joined(info.ftCreationTime.dwHighDateTime, info.ftCreationTime.dwLowDateTime),
          joined(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime),
          {},
          false};
    id128Of(h, id);
    return true;
}

// Windows refuses to open a file that is deleted but still held open by another program,
// with "access denied" like a real denial; only the status behind it tells them apart.
typedef LONG(NTAPI* LastStatusFn)();
static const LONG STATUS_DELETE_PENDING_ = static_cast<LONG>(0xC0000056);

static bool deletePending()
{
    static LastStatusFn lastStatus = reinterpret_cast<LastStatusFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetLastNtStatus")));
    return lastStatus != nullptr && lastStatus() == STATUS_DELETE_PENDING_;
}

// The file's number, size and time, as GetFileInformationByHandle reports them, without
// asking for the volume: under Wine that costs a round trip to its mount manager, most of a
// millisecond.
typedef LONG(NTAPI* QueryFileFn)(HANDLE, void* status, void* info, ULONG size, int infoClass);
static const int FILE_INTERNAL_INFORMATION = 6, FILE_NETWORK_OPEN_INFORMATION = 34;

struct NetworkOpenInformation {
    LARGE_INTEGER created, accessed, written, changed, allocated, size;
    ULONG attributes, padding;  // 56 bytes, as the system's, whatever the compiler aligns
};

static bool fileIndexOf(HANDLE h, FileIdentity& id)
{
    static QueryFileFn query = reinterpret_cast<QueryFileFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationFile")));
    ULONG_PTR status[2];  // IO_STATUS_BLOCK
    LARGE_INTEGER index;
    NetworkOpenInformation info;
    if (query == nullptr || query(h, status, &index, sizeof index, FILE_INTERNAL_INFORMATION) < 0 ||
        query(h, status, &info, sizeof info, FILE_NETWORK_OPEN_INFORMATION) < 0)
        return false;
    id.indexHigh = static_cast<std::uint32_t>(index.HighPart);
    id.indexLow = index.LowPart;
    id.size = static_cast<std::uint64_t>(info.size.QuadPart);
    id.created = static_cast<std::uint64_t>(info.created.QuadPart);
    id.written = static_cast<std::uint64_t>(info.written.QuadPart);
    return true;  // the 128-bit ID, where there is one, came with the folder's listing
}

static wchar_t widePath[PATH_BUF_BYTES];

static bool toWide(const char* path)
{
    return wideOf(path, widePath, PATH_BUF_BYTES) > 0;
}

static bool isPlainFileHandle(HANDLE h, const wchar_t* path);

FileIdentity identifyFile(const char* path, const std::uint32_t* volume, bool* plain)
{
    FileIdentity id = {};
    if (!toWide(path))
        return id;
    HANDLE h = openItself(widePath);
    if (h == INVALID_HANDLE_VALUE)
        return id;
    if (volume != nullptr && fileIndexOf(h, id)) {
        id.volume = *volume;
        id.known = true;
    } else {
        identityOf(h, id);
    }
    if (plain != nullptr)
        *plain = isPlainFileHandle(h, widePath);
    CloseHandle(h);
    return id;
}

bool identifyHandle(HANDLE h, FileIdentity& id, bool* keepsFileIds)
{
    bool known = identityOf(h, id);
    if (keepsFileIds != nullptr) {
        wchar_t system[MAX_PATH + 1];
        *keepsFileIds = GetVolumeInformationByHandleW(h, nullptr, 0, nullptr, nullptr, nullptr, system, MAX_PATH + 1) &&
                        (lstrcmpiW(system, L"NTFS") == 0 || lstrcmpiW(system, L"ReFS") == 0);
    }
    return known;
}

bool identifyPath(const wchar_t* path, FileIdentity& id, bool* keepsFileIds)
{
    HANDLE h = openItself(path);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    bool known = identifyHandle(h, id, keepsFileIds);
    CloseHandle(h);
    return known;
}

bool isPlainKindHandle(HANDLE h, bool folder)
{
    FILE_ATTRIBUTE_TAG_INFO tag;
    if (!GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tag, sizeof tag))
        return false;
    if (!folder)
        return isPlainFileKind(tag.FileAttributes, tag.ReparseTag);
    return (tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           isPlainFileKind(tag.FileAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY), tag.ReparseTag);
}

bool folderVolume(const wchar_t* folder, std::uint32_t& volume)
{
    HANDLE h = CreateFileW(folder, FILE_READ_ATTRIBUTES, SHARE_EVERYTHING, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    bool known = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (known)
        volume = info.dwVolumeSerialNumber;
    return known;
}

// Where the system gives final paths, the file sits where its name says: Wine opens a link
// to a file as the file it leads to, with that file's identity. Where it gives none
// (volumes mounted into a folder, some drivers and shares), the identity alone decides.
static bool sitsAtItsName(HANDLE h, const wchar_t* path)
{
    static wchar_t file[MAX_PATH * 4];
    static wchar_t folder[MAX_PATH * 4];
    static wchar_t parent[PATH_BUF_BYTES + 1];
    int cut = lstrlenW(path);
    while (cut > 0 && path[cut] != L'\\')
        --cut;
    if (cut <= 0 || !finalPathOfHandle(h, file, MAX_PATH * 4))
        return true;
    int parentLength = path[cut - 1] == L':' ? cut + 1 : cut;  // "C:" alone is the drive's current folder
    lstrcpynW(parent, path, parentLength + 1);
    if (!finalPathOf(parent, folder, MAX_PATH * 4))
        return true;
    int f = lstrlenW(folder);
    if (f > 0 && folder[f - 1] == L'\\')
        --f;  // a drive root
    const wchar_t* name = path + cut + 1;
    int nameLength = lstrlenW(name);
    return lstrlenW(file) == f + 1 + nameLength && CompareStringOrdinal(file, f, folder, f, TRUE) == CSTR_EQUAL &&
           file[f] == L'\\' && CompareStringOrdinal(file + f + 1, nameLength, name, nameLength, TRUE) == CSTR_EQUAL;
}

static bool isPlainFileHandle(HANDLE h, const wchar_t* path)
{
    FILE_ATTRIBUTE_TAG_INFO tag;
    if (!GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tag, sizeof tag)) {
        // Some drivers answer only the plain question; without a tag a reparse point is a link.
        BY_HANDLE_FILE_INFORMATION info;
        if (!GetFileInformationByHandle(h, &info))
            return false;
        tag.FileAttributes = info.dwFileAttributes;
        tag.ReparseTag = ~0u;
    }
    return isPlainFileKind(tag.FileAttributes, tag.ReparseTag) && sitsAtItsName(h, path);
}

FoundFile findListedFile(const char* path, const FileIdentity& listed, HANDLE& held, DWORD* error)
{
    held = INVALID_HANDLE_VALUE;
    if (!toWide(path))
        return FOUND_UNREADABLE;
    HANDLE h = openItself(widePath);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD e = GetLastError();
        if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND)
            return FOUND_NOTHING;
        if (e == ERROR_ACCESS_DENIED && deletePending())
            return FOUND_DELETE_PENDING;
        if (error != nullptr)
            *error = e;
        return FOUND_UNREADABLE;
    }
    FileIdentity now;
    bool read = identityOf(h, now);
    if (!read && error != nullptr)
        *error = GetLastError();
    FoundFile found = !read                        ? FOUND_UNREADABLE
                      : !sameFile(now, listed)     ? FOUND_OTHER_FILE
                      : !isPlainFileHandle(h, widePath) ? FOUND_NOT_PLAIN
                                                    : FOUND_LISTED;
    if (found == FOUND_LISTED)
        held = h;
    else
        CloseHandle(h);
    return found;
}

WhereNow findMovedFile(const char* path, const FileIdentity& listed)
{
    char rootText[PATH_BUF_BYTES];
    static wchar_t root[PATH_BUF_BYTES];
    static wchar_t now[MAX_PATH * 4];
    if (!listed.known || (listed.indexHigh == 0 && listed.indexLow == 0) || !targetRoot(path, rootText, sizeof rootText) ||
        wideOf(rootText, root, PATH_BUF_BYTES) == 0)
        return NOW_UNKNOWN;  // a volume that numbers no files cannot be asked by number
    HANDLE volume = openForLookup(root, 0, SHARE_EVERYTHING, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (volume == INVALID_HANDLE_VALUE)
        return NOW_UNKNOWN;
    FILE_ID_DESCRIPTOR id = {};
    id.dwSize = sizeof id;
    id.Type = FileIdType;
    id.FileId.QuadPart = static_cast<LONGLONG>(joined(listed.indexHigh, listed.indexLow));
    HANDLE h = OpenFileById(volume, &id, FILE_READ_ATTRIBUTES, SHARE_EVERYTHING, nullptr, OPEN_AS_ITSELF);
    DWORD error = GetLastError();
    CloseHandle(volume);
    if (h == INVALID_HANDLE_VALUE)
        return error == ERROR_INVALID_PARAMETER || error == ERROR_FILE_NOT_FOUND || error == ERROR_NOT_FOUND ? NOW_GONE
                                                                                                             : NOW_UNKNOWN;
    // File numbers are given again to new files: the same number with another size or times
    // is another file, and the listed one is gone.
    FileIdentity found;
    WhereNow where = identityOf(h, found) && sameFile(found, listed) ? NOW_MOVED : NOW_GONE;
    if (where == NOW_MOVED && finalPathOfHandle(h, now, MAX_PATH * 4) && isInRecycleBin(now))
        where = NOW_GONE;  // put in the bin by another program or another run
    CloseHandle(h);
    return where;
}
