// What a shortcut file stores of its target besides what the shell gives: the link
// information's local path, the environment string, and whether the shell re-bases the
// target onto the reader's own known folder. Read from the documented shell-link layout.
#pragma once
#include <cstddef>
#include <string>

struct LinkLayout {
    std::string localAnsi;   // the link information's local path, in the 8-bit code page it was saved in
    std::wstring localWide;  // the same, where the link stores it in UTF-16
    std::string envAnsi;     // the environment string ("%LOCALAPPDATA%\App\app.exe")
    std::wstring envWide;
    bool knownFolder = false;  // a known-folder or special-folder block: read through the reader's folder
};

// False for bytes that are no shell link, or end before what they announce.
bool readLinkLayout(const unsigned char* bytes, std::size_t size, LinkLayout& out);
