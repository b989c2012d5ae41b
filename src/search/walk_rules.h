// The folder walk's rules on names, path lengths and counters.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// Longest folder path the walk enters and longest shortcut path it opens, in UTF-16 units
// (as the legacy code page counted characters), without the NUL.
constexpr std::size_t MAX_FOLDER_PATH = 343;
constexpr std::size_t MAX_SHORTCUT_PATH = 350;

// A name ending in ".lnk" or ".pif" in any ASCII case; ".lnk" alone counts.
bool isShortcutName(const char* name, std::size_t length);

// The same of a wide path's last name, as Windows reaches it: trailing spaces and dots
// dropped ("good.lnk. " opens "good.lnk").
bool namesShortcutFile(const wchar_t* path);

// `depth` is the length of the folder's path, `length` that of the entry's name, in units.
bool folderFits(std::size_t depth, std::size_t length);
bool shortcutFits(std::size_t depth, std::size_t length);

// "." and "..", which every folder lists and the walk must not enter.
bool isDotEntry(const char* name);

// Progress after a file: every shortcut shows progress, other files every eighth of the run.
bool progressDue(bool shortcut, unsigned tally);

// "%u / %u Files" into `out` (at least 30 bytes).
void formatProgress(char* out, std::size_t size, unsigned links, unsigned files);

// A target under the 32-bit program folder, rewritten onto the native one: the shell hands a
// 32-bit reader the x86 folder for targets stored as "Program Files". Returns false (out
// untouched) when `target` does not lie under `x86Dir` or the result would not fit.
bool mapToNativeProgramFiles(const char* target, const char* x86Dir, const char* nativeDir,
                             char* out, std::size_t outSize);

// A name the system would not take as it stands: one ending in a dot or a space (the path
// rules drop them, so it would name its dot-less twin) or a device name (CON, AUX.txt.lnk,
// COM1.lnk: opening it opens the device). "." and ".." pass: the walk skips them itself.
bool isExactName(const wchar_t* name, std::size_t length);

// Every name in a folder path is exact; the empty names of "\\server" and of a trailing
// backslash, and "." and "..", which name what they say, pass.
bool isExactPath(const wchar_t* path);

// A stored target the file system can be asked about: not empty (a virtual folder, a
// control-panel item) and no shell namespace path ("::{GUID}": Network, Printers).
bool isFileSystemTarget(const char* target);

// A path with '?' or '*' names no single file: the shell would take it as a pattern. No
// code page the program runs under has either byte inside a double-byte character.
bool namesOneFile(const char* path);

// A path inside a Recycle Bin's own folder at a drive's root ("X:\$Recycle.Bin\...", and
// the older RECYCLER and RECYCLED, any case): deleting it to the bin would put the bin's own
// content back into it. Only the positions after "X:\" are looked at.
bool isInRecycledFolder(const char* path, std::size_t length);
// The same of a final path, "\\?\X:\..." or "X:\...".
bool isInRecycleBin(const wchar_t* path);

// "X:" at the start of `text`, with an ASCII drive letter.
bool isDrivePrefix(const char* text);

// The root a target path lies on: "X:\" for a drive path, "\\server\share\" for a network
// one. False (out untouched) for anything else or when it does not fit `size`.
bool targetRoot(const char* target, char* out, std::size_t size);

// The one rule for "this path lies inside that folder", for every caller: names compared as
// the file system compares most of them (case-insensitive in ASCII), a trailing backslash of
// the folder (a drive's root) ignored. A folder does not lie inside itself, unless `orIsIt`.
bool liesWithin(const std::wstring& path, const std::wstring& folder, bool orIsIt = false);

// A file that syncs to its user's other PCs: cloud-managed by its attributes (recalled on
// access, pinned or unpinned), or inside one of the synced `folders` (OneDrive's).
bool isSyncedPlace(const std::wstring& path, unsigned long attributes, const std::vector<std::wstring>& folders);
