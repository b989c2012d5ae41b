// Folders the console program writes into (the quarantine, restore's targets, the report's
// folder), held as themselves, and who besides the system, the administrators and the running
// account may write to them.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Held without delete sharing: while open it cannot be renamed, deleted or replaced. Opened
// as itself, never through a link at its own name.
HANDLE openFolder(const std::wstring& path, DWORD moreAccess = 0);

// What is named `name` (a bare name) inside the folder held by `folder`, opened or made there
// without looking up the folder's path again: `disposition` is FILE_OPEN, FILE_CREATE or
// FILE_OPEN_IF; `asFolder` opens or makes only a folder, else a file is made and either kind
// opened; `sd` is a new one's security. A link at
// that name is opened as itself. INVALID_HANDLE_VALUE and the last error on failure.
HANDLE openIn(HANDLE folder, const std::wstring& name, DWORD access, DWORD share, DWORD disposition, bool asFolder,
              PSECURITY_DESCRIPTOR sd = nullptr);
// The file held by `h` (with DELETE) to `name` inside the folder held by `folder`; over a file
// there only with `replace`.
bool moveInto(HANDLE h, HANDLE folder, const std::wstring& name, bool replace);
// Whether `path` still names the folder held by `held`. Windows moves files by the held
// folder itself, but Wine by the name it was opened at: a folder moved away meanwhile would
// send them to whatever is at that name now.
bool stillNamed(HANDLE held, const std::wstring& path);
// The file held by `h` (with DELETE) deleted when closed.
bool deleteOnClose(HANDLE h);

// Whether the folder held by `h` is the one named `name` inside `parent` (a final path, or
// empty where the system gives none); `parent` becomes the folder's final path.
bool sitsInside(HANDLE h, std::wstring& parent, const std::wstring& name);
// Whether the folder held by `h` is reached by its own last name in `full`, not through a link
// or junction there.
bool reachedByItsName(HANDLE h, const std::wstring& full);

// Of a folder or a file held with READ_CONTROL: whether an account not trusted may add,
// remove or rename what it holds, or change who may (see othersMayWrite).
bool othersMayWriteTo(HANDLE held);
bool isElevated();

// The access list of a file held with READ_CONTROL, as SDDL (UTF-8); empty where unreadable.
std::string accessListOf(HANDLE held);
// Puts `sddl`'s access list on a file held with WRITE_DAC, protected or inheriting as it says.
bool setAccessList(HANDLE held, const std::string& sddl);
// The account the program runs as.
bool currentUser(std::vector<BYTE>& sid);
