// Reads the process command line in place: the executable path, where its three-letter
// extension sits (the side files are named by overwriting it) and the folder argument.
#pragma once

struct CommandLine {
    char* exePath;   // first character of the executable path
    char* extPtr;    // three characters before the end of that path; null when the path is shorter
    char* argument;  // the folder argument, NUL-terminated; empty when there is none
};

// Edits `text` in place: a trailing quote after the argument becomes NUL.
void parseCommandLine(char* text, CommandLine& out);

// The executable path is a full path ("X:\..." or "\\server\...") ending in a three-letter
// extension: the side files can be named by rewriting it.
bool namesSideFiles(const CommandLine& cl);

// Writes `ext` (three characters) and a NUL at `extPtr`, so the executable path names a
// side file beside it. Returns false, writing nothing, when there is no extension position.
bool setSideFileExtension(char* extPtr, const char* ext);
