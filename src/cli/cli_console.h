// The console program's text out: UTF-8 to files and pipes, Unicode to a console, a
// progress line on standard error that complaints never land on.
#pragma once
#include <windows.h>

#include <string>

std::string utf8Of(const wchar_t* w, int n = -1);
std::wstring wideOfUtf8(const std::string& s);
// The program's 8-bit text (the process code page) as UTF-8.
std::string utf8OfText(const char* text);

// "system error 5: Access is denied"; for 0, what a refusal without a code most often means.
std::string systemMessage(unsigned long error);
// "2024-01-02T03:04:05Z"; empty where the time cannot be told.
std::string isoOfFileTime(const FILETIME& t);

// To a console as Unicode, whatever its code page; to a file or a pipe as UTF-8 bytes.
bool writeOut(HANDLE h, const std::string& text);

// Standard error becomes the progress line's place when it is a console.
void startProgress();
// "\r" + `line` on the progress line, at most ten times a second unless `now`.
void showProgress(const std::string& line, bool now);
void clearProgress();

// One line on standard error, the progress line cleared first.
void complain(const std::string& line);
