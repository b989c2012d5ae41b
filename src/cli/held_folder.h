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
