#include "cli/cli_console.h"

#include "cli/cli_output.h"
#include "search/exact_text.h"
#include "search/path_limits.h"

std::string utf8Of(const wchar_t* w, int n)
{
    int bytes = WideCharToMultiByte(CP_UTF8, 0, w, n, nullptr, 0, nullptr, nullptr);
    std::string s(bytes > 0 ? static_cast<std::size_t>(bytes) : 0, '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, w, n, &s[0], bytes, nullptr, nullptr);
    if (n < 0 && !s.empty())
        s.pop_back();  // the NUL
    return s;
}

std::wstring wideOfUtf8(const std::string& s)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(n > 0 ? static_cast<std::size_t>(n) : 0, L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

std::string utf8OfText(const char* text)
{
    static wchar_t wide[PATH_BUF_BYTES];
    return wideOf(text, wide, PATH_BUF_BYTES) > 0 ? utf8Of(wide) : std::string();
}

std::string systemMessage(unsigned long error)
{
    if (error == 0)
        return "in use or access denied";
    wchar_t* text = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                             nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = n > 0 ? utf8Of(text, static_cast<int>(n)) : std::string();
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    return "system error " + std::to_string(error) + (message.empty() ? "" : ": " + message);
}

std::string isoOfFileTime(const FILETIME& t)
{
    SYSTEMTIME s;
    if (!FileTimeToSystemTime(&t, &s))
        return "";
    return isoTime(s.wYear, s.wMonth, s.wDay, s.wHour, s.wMinute, s.wSecond);
}

// A console takes at most a 64 KB buffer a call (Windows 7 fails larger writes): 8,192 units
// a call, with short writes taken up again.
static const std::size_t CONSOLE_UNITS = 8192;

bool writeOut(HANDLE h, const std::string& text)
{
    DWORD mode;
    if (GetConsoleMode(h, &mode)) {
        std::wstring w = wideOfUtf8(text);
        for (std::size_t at = 0; at < w.size();) {
            DWORD done = 0;
            std::size_t n = consoleChunk(w.data() + at, w.size() - at, CONSOLE_UNITS);
            if (!WriteConsoleW(h, w.data() + at, static_cast<DWORD>(n), &done, nullptr) || done == 0)
                return false;
            at += done;
        }
        return true;
    }
    for (std::size_t at = 0; at < text.size();) {
        DWORD done = 0;
        if (!WriteFile(h, text.data() + at, static_cast<DWORD>(text.size() - at), &done, nullptr) || done == 0)
            return false;
        at += done;
    }
    return true;
}

static HANDLE progressOut;  // standard error when it is a console; null otherwise
static DWORD progressShownAt;
static std::size_t progressShown;  // characters on the line now

void startProgress()
{
    DWORD mode;
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    progressOut = GetConsoleMode(err, &mode) ? err : nullptr;
}

void showProgress(const std::string& line, bool now)
{
    if (progressOut == nullptr || (!now && GetTickCount() - progressShownAt < 100))
        return;
    progressShownAt = GetTickCount();
    std::string pad(progressShown > line.size() ? progressShown - line.size() : 0, ' ');
    writeOut(progressOut, "\r" + line + pad);
    progressShown = line.size();
}

void clearProgress()
{
    if (progressOut == nullptr || progressShown == 0)
        return;
    writeOut(progressOut, "\r" + std::string(progressShown, ' ') + "\r");
    progressShown = 0;
}

void complain(const std::string& line)
{
    clearProgress();
    writeOut(GetStdHandle(STD_ERROR_HANDLE), "vellmoor-cli: " + line + "\r\n");
}
