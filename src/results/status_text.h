// Texts of the status line and the rules of deletion that need no window.
#pragma once
#include <cstddef>

// "%u / %u Links" (selected, total), or "No File" for an empty list; `out` holds 32 bytes.
void formatStatus(char* out, std::size_t size, unsigned selected, unsigned total);

// The end of a search whose folder could not be opened (missing, a file, denied), and of
// one whose folder text was refused (a pattern, a name the system would change, too long).
extern const char noFolderText[];
extern const char badFolderText[];

// Whether a raw item-from-point result (outside flag in bit 16) or a normalised hover value
// names one of `count` entries.
bool namesEntry(unsigned hover, unsigned count);

// The list box reports only the low 16 bits of an index; with 65,536 entries or more that
// is ambiguous. Rebuilds the full index from the first visible entry (`top`), and maps a
// point outside the list to a value at or above any count.
unsigned normaliseHover(unsigned raw, unsigned top);
