// What makes a listed file that file: its volume, its number there, its size and times, and
// the 128-bit file ID where the volume gives one; read when the search lists it and again
// through a handle just before Delete acts on it.
#pragma once
#include <cstdint>

struct FileIdentity {
    std::uint32_t volume;
    std::uint32_t indexHigh, indexLow;  // 0 on volumes that number no files (some shares)
    bool known;  // false: it could not be read, and nothing may be done to the file
    // A file number alone is no identity: FAT and exFAT number a file by its directory entry,
    // ext4 and ReFS give numbers again. A file made again at the name differs in these.
    std::uint64_t size, created, written;
    std::uint8_t id128[16];
    bool hasId128;
};

// Both known and the same file: a case twin, a hard link to another file, a file found
// through a swapped folder or one made again at its name all differ. Where the volume numbers
// no files, size and times decide (with the name, which the caller opened).
bool sameFile(const FileIdentity& a, const FileIdentity& b);

// The listed file after a move within its volume: where the volume keeps a file's number
// through a move (NTFS, ReFS), as sameFile; where it numbers a file by its place (FAT), by
// volume, size and times alone.
bool sameFileMoved(const FileIdentity& listed, const FileIdentity& now, bool keepsFileIds);

// Attributes and reparse tag of a file Delete may act on: no folder, and no name surrogate
// (symbolic link, junction) that leads elsewhere. Other reparse points (deduplicated files,
// cloud placeholders) are files in their own right.
bool isPlainFileKind(std::uint32_t attributes, std::uint32_t reparseTag);
