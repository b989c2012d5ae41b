// Process start and stop: builds the window and its controls, runs the message loop.
#pragma once

// Start-up up to the automatic search. False when no main window could be made.
bool startProgram(char* commandLine);

// Runs until the quit message. Every private message waits behind up to five ordinary ones.
void runMessageLoop();

// Frees what start-up acquired for the life of the process.
void finishProgram();
