// A Windows Installer ("advertised") shortcut names its program by product, feature and
// component, not by a path: whether it works is the installer's answer.
#pragma once
#include <windows.h>

enum InstallerAnswer {
    INSTALLER_UNKNOWN,     // no installer here, or the shortcut names nothing it knows how to read
    INSTALLER_GONE,        // the product is not installed: the shortcut is broken
    INSTALLER_LOCAL,       // installed, its file where the installer put it
    INSTALLER_REPAIRABLE,  // installed, its file not there (or installed for another user): the installer puts it back on first use
};

// The answer for the shortcut at `shortcut`. `text` (at least 39 units) receives the
// product code, or with INSTALLER_LOCAL the file's path (up to MAX_PATH units).
InstallerAnswer askInstaller(const wchar_t* shortcut, wchar_t* text);
