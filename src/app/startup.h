// Process start and stop: builds the window and its controls, runs the message loop.
#pragma once

// Start-up up to the automatic search, from the process's command line as the system keeps
// it (UTF-16). False when no main window could be made.
bool startProgram(const wchar_t* commandLine);

// Runs until the quit message. Every private message waits behind up to five ordinary ones.
void runMessageLoop();

// Frees what start-up acquired for the life of the process.
void finishProgram();
