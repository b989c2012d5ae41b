// What makes a listed file that file: the volume and the file's number on it, read through
// a handle when the search lists it and again just before Delete acts on it.
#pragma once
#include <cstdint>

struct FileIdentity {
    std::uint32_t volume;
    std::uint32_t indexHigh, indexLow;
    bool known;  // false: it could not be read, and nothing may be done to the file
    // What tells a file found by its number from another that got the same number since.
    std::uint64_t size, written;
};

// Both known and the same file: a case twin, a hard link to another file or a file found
// through a swapped folder all differ.
bool sameFile(const FileIdentity& a, const FileIdentity& b);

// Attributes and reparse tag of a file Delete may act on: no folder, and no name surrogate
// (symbolic link, junction) that leads elsewhere. Other reparse points (deduplicated files,
// cloud placeholders) are files in their own right.
bool isPlainFileKind(std::uint32_t attributes, std::uint32_t reparseTag);
