// The result list draws its own entries: the path as the list holds it, and for an entry
// whose drive or server may only be away, the path in the system's grey with the reason
// after it. The list stays a list of strings: what is copied and read aloud is the path.
#pragma once
#include <windows.h>

// The height of one entry in the list's font.
void measureEntry(MEASUREITEMSTRUCT* m);
void drawEntry(const DRAWITEMSTRUCT* d);

// Entry i's reason, "" for none, into `out` (`size` bytes).
void entryReason(unsigned i, char* out, int size);

// The width an entry takes: its path and, where it has one, its reason.
int entryExtent(HDC dc, const wchar_t* path, int length, const char* reason);
