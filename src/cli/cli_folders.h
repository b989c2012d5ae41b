// The folders the console program walks: those named on its command line, taken by the
// window's rule for a typed folder and as full paths, or the standard places; each walked
// once, whatever else names it or holds it.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "cli/cli_args.h"

struct WalkRoot {
    std::string text;  // the program's 8-bit text
    std::size_t walkBytes, walkUnits;
    bool ofAProfile;   // one of --all-profiles': counted when it cannot be listed, no failure
    std::wstring fence;  // its profile's final path, which folder links must lead inside; or empty
};

// An empty string when every folder named can be searched, else why not.
std::string takeRoots(const CliArguments& options, std::vector<WalkRoot>& out);

// Whose a shortcut at `path` (UTF-16) is: the account whose profile holds it, "all-users"
// for the all-users Start menu and the Public desktop, else empty.
std::string ownerOf(const std::wstring& path);

// "\\?\C:\x" and "\\?\UNC\server\share" name what "C:\x" and "\\server\share" name.
std::wstring withoutLongPrefix(const std::wstring& text);
