// A folder text typed by a person, or passed on a command line, taken as a walk's root by
// the same rule in both programs: exact names, trailing spaces and dots dropped as Windows
// drops them unless a folder of the untrimmed name exists too, exact conversion.
#pragma once
#include <cstddef>

// `text` (NUL-terminated, at most MAX_FOLDER_TEXT units to be taken; it is cut at the
// trimmed length) as 8-bit text at `out` (FOLDER_TEXT_BYTES): the bytes the walk starts
// from ("C:\" is walked from "C:"), with the units they hold in `units`; 0 for an empty text,
// -1 for a refused one.
int typedFolderRoot(wchar_t* text, char* out, std::size_t& units);
