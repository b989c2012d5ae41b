// What a shortcut file stores of its target besides what the shell gives: the link
// information's local path, volume and network path, the path relative to the shortcut,
// the environment string, the installer's descriptor, and whether the shell re-bases the
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
    // The volume the local path was on when the link was saved.
    bool hasVolume = false;
    unsigned volumeType = 0;  // as GetDriveType answers: 2 removable, 3 fixed, 4 remote, 5 optical
    unsigned volumeSerial = 0;
    std::string networkAnsi;  // the network path ("\\server\share\app.exe"), and the drive it was mapped to
    std::wstring networkWide;
    std::string networkDrive;  // "H:"
    std::string relativeAnsi;  // the target relative to the shortcut's folder ("..\App\app.exe")
    std::wstring relativeWide;
    bool advertised = false;  // a Windows Installer shortcut: its descriptor, not a path, names the target
    bool tracked = false;     // a link-tracking block: the system's tracking may know where the target went
};

// False for bytes that are no shell link, or end before what they announce.
bool readLinkLayout(const unsigned char* bytes, std::size_t size, LinkLayout& out);
