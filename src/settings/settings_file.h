// The settings file beside the executable: the settings block and the folder history.
#pragma once
#include <windows.h>

// Once at start-up, after the folder box exists. Any failure leaves the defaults.
void loadSettings();

// Once at an accepted close, unless the file was there but could not be read at start.
// A new file replaces the old one only when it was written whole. Failures are not reported.
void saveSettings();

// The writes of the save; tests put one that fails in its place.
extern BOOL(WINAPI* settingsWrite)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
