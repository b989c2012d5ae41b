// Finding a listed file again by its name, as itself: a final link is never followed, and
// the file must still be the one the search listed.
#pragma once
#include <windows.h>

#include "search/file_identity.h"

// A listed file is opened as itself (a link, not what it leads to), sharing everything, so
// that looking never gets in another program's way.
constexpr DWORD OPEN_AS_ITSELF = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS;
constexpr DWORD SHARE_EVERYTHING = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The identity of the file `path` names itself; unknown when it cannot be opened. A walk
// that knows the volume of the folder passes it in `volume`, which saves asking for it.
// With `plain`, also whether it is a plain file where its name says (not a link or folder).
FileIdentity identifyFile(const char* path, const std::uint32_t* volume = nullptr, bool* plain = nullptr);

// The identity of the file at a wide `path`, opened as itself; with `keepsFileIds`, whether
// its volume keeps a file's ID when it is moved (NTFS, ReFS).
bool identifyPath(const wchar_t* path, FileIdentity& id, bool* keepsFileIds = nullptr);

// The same, of an open file.
bool identifyHandle(HANDLE h, FileIdentity& id, bool* keepsFileIds = nullptr);

// Whether an open file is a plain file (or with `folder`, a plain folder): no link or
// junction that leads elsewhere.
bool isPlainKindHandle(HANDLE h, bool folder);

// The volume serial number of the files in `folder` (links followed).
bool folderVolume(const wchar_t* folder, std::uint32_t& volume);

enum FoundFile {
    FOUND_NOTHING,     // no such file or folder: the listed file is gone from its name
    FOUND_DELETE_PENDING,  // deleted, while another program still holds it open
    FOUND_UNREADABLE,  // it could not be opened or read (in use, denied)
    FOUND_OTHER_FILE,  // the name now leads to another file
    FOUND_NOT_PLAIN,   // the listed file, but as a folder or through a link
    FOUND_LISTED       // the listed file, a plain file where its name says
};

// With FOUND_LISTED, `held` is an open handle on the file (attributes only, every sharing
// allowed) that the caller closes; otherwise it is INVALID_HANDLE_VALUE. `error` gets the
// system's error where the file could not be opened or read.
FoundFile findListedFile(const char* path, const FileIdentity& listed, HANDLE& held, DWORD* error = nullptr);

enum WhereNow {
    NOW_GONE,     // no longer on its volume (or in a Recycle Bin)
    NOW_MOVED,    // on its volume under another name: renamed, or its folder was
    NOW_UNKNOWN,  // its volume cannot be asked by file number
};

// Where a listed file is when nothing is at its name: looked up by its number on its
// volume, and taken for the same file only with the size and time it was listed with.
WhereNow findMovedFile(const char* path, const FileIdentity& listed);

// How a name is opened for the lookups; tests put a stand-in here.
extern HANDLE(WINAPI* openForLookup)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
