#include "app/command_line.h"

#include "search/folder_text.h"

void parseCommandLine(char* text, CommandLine& out)
{
    char* p = text;
    if (*p == '"') {
        out.exePath = ++p;
        while (*p != '\0' && *p != '"')
            ++p;
    } else {
        out.exePath = p;
        // Every byte above a space belongs to the path, those of multibyte characters too.
        while (static_cast<unsigned char>(*p) > 0x20)
            ++p;
    }
    // With fewer than three characters there is no extension inside the text to overwrite.
    out.extPtr = (p - out.exePath >= 3) ? p - 3 : nullptr;

    while (*p == ' ' || *p == '"')
        ++p;
    out.argument = p;
    while (*p != '\0')
        ++p;
    if (p > out.argument && p[-1] == '"')
        p[-1] = '\0';
}

bool namesSideFiles(const CommandLine& cl)
{
    if (cl.extPtr == nullptr || cl.extPtr - cl.exePath < 4 || cl.extPtr[-1] != '.')
        return false;
    for (const char* p = cl.extPtr; p < cl.extPtr + 3; ++p)
        if (*p == '\\' || *p == '/' || *p == '.')
            return false;
    return isFullPath(cl.exePath);
}

bool setSideFileExtension(char* extPtr, const char* ext)
{
    if (extPtr == nullptr)
        return false;
    extPtr[0] = ext[0];
    extPtr[1] = ext[1];
    extPtr[2] = ext[2];
    extPtr[3] = '\0';
    return true;
}
