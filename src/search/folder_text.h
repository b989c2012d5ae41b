// What a typed folder text names: the rules applied to the folder box's text (and the
// command-line folder) before a search walks it. Counted in UTF-16 units, whatever the
// code page makes of them in bytes.
#pragma once
#include <cstddef>

// Longest typed folder text, in UTF-16 units, as the legacy code page counted characters.
constexpr std::size_t MAX_FOLDER_TEXT = 259;

enum FolderTextKind {
    FOLDER_TEXT_EMPTY,    // nothing to walk
    FOLDER_TEXT_BAD,      // a pattern, a name the system would change, too long: refused
    FOLDER_TEXT_OK,       // walked as it stands
    FOLDER_TEXT_TRIMMED,  // trailing spaces or dots dropped, as Windows drops them
};

struct FolderText {
    FolderTextKind kind;
    std::size_t length;      // units of the text to walk and record (after trimming)
    std::size_t walkLength;  // units the walk starts from: "C:\" is walked from "C:"
};

// `text` (NUL-terminated) as typed. Trailing spaces and dots of the last name are dropped
// ("Links " names "Links"), never "." or ".."; every name must then be exact.
FolderText readFolderText(const wchar_t* text);

// "X:" with an ASCII drive letter: a bare drive, recorded as its root "X:\".
bool isBareDrive(const char* text);

// A full path: "X:\" with an ASCII drive letter, or a network path "\\server\...". Any
// other text names a folder only from the current folder, or the drive's.
bool isFullPath(const char* text);
