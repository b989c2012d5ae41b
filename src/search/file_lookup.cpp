#include "search/file_lookup.h"

#include "app/app_state.h"
#include "search/exact_text.h"

// For its attributes only.
static HANDLE openItself(const wchar_t* path)
{
    return CreateFileW(path, FILE_READ_ATTRIBUTES, SHARE_EVERYTHING, nullptr, OPEN_EXISTING, OPEN_AS_ITSELF, nullptr);
}

static bool identityOf(HANDLE h, FileIdentity& id)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info))
        return false;
    id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow, true};
    return true;
}

// The file's number alone, as GetFileInformationByHandle reports it, without asking for the
// volume: under Wine that costs a round trip to its mount manager, most of a millisecond.
typedef LONG(NTAPI* QueryFileFn)(HANDLE, void* status, void* info, ULONG size, int infoClass);
static const int FILE_INTERNAL_INFORMATION = 6;

static bool fileIndexOf(HANDLE h, FileIdentity& id)
{
    static QueryFileFn query = reinterpret_cast<QueryFileFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationFile")));
    ULONG_PTR status[2];  // IO_STATUS_BLOCK
    LARGE_INTEGER index;
    if (query == nullptr || query(h, status, &index, sizeof index, FILE_INTERNAL_INFORMATION) < 0)
        return false;
    id.indexHigh = static_cast<std::uint32_t>(index.HighPart);
    id.indexLow = index.LowPart;
    return true;
}

static wchar_t widePath[PATH_BUF_BYTES];

static bool toWide(const char* path)
{
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, widePath, PATH_BUF_BYTES) > 0;
}

FileIdentity identifyFile(const char* path, const std::uint32_t* volume)
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
    CloseHandle(h);
    return id;
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

FoundFile findListedFile(const char* path, const FileIdentity& listed, HANDLE& held)
{
    held = INVALID_HANDLE_VALUE;
    if (!toWide(path))
        return FOUND_UNREADABLE;
    HANDLE h = openItself(widePath);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? FOUND_NOTHING : FOUND_UNREADABLE;
    }
    FileIdentity now;
    FoundFile found = !identityOf(h, now)          ? FOUND_UNREADABLE
                      : !sameFile(now, listed)     ? FOUND_OTHER_FILE
                      : !isPlainFileHandle(h, widePath) ? FOUND_NOT_PLAIN
                                                    : FOUND_LISTED;
    if (found == FOUND_LISTED)
        held = h;
    else
        CloseHandle(h);
    return found;
}
