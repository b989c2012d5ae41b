// Names between the system's UTF-16 and the program's 8-bit text: exactly, or not at all.
#pragma once
#include <cstddef>

// `wide` as 8-bit text at `out`, with its NUL: its length, or 0 when the code page cannot
// hold it exactly (a '?' or a best-fit look-alike would name another file), when it is a
// pattern, or when it does not fit `room` bytes.
std::size_t narrowExactly(const wchar_t* wide, char* out, std::size_t room);

// The program's 8-bit `text` (its first `length` bytes, or all of it with -1) as UTF-16 at
// `out`, NUL-terminated: the units written without the NUL, or 0 when it does not convert
// exactly or does not fit `outChars`.
int wideOf(const char* text, wchar_t* out, std::size_t outChars, int length = -1);

// 8-bit `path` names exactly what it says: no pattern, and no name that the path rules
// would change ("Old Apps." is reached as "Old Apps") or open as a device.
bool namesExactly(const char* path);

// The path the system finally reaches through `path`, links resolved, as "\\?\C:\..."; false
// when it cannot be opened or the result does not fit `outChars`.
bool finalPathOf(const wchar_t* path, wchar_t* out, unsigned long outChars);
bool finalPathOfHandle(void* h, wchar_t* out, unsigned long outChars);  // of an open file or folder
