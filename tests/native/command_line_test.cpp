#include <gtest/gtest.h>

#include <string>

#include "app/command_line.h"

namespace {

struct Parsed {
    std::string exe;       // up to where the side-file extension would end
    std::string ext;       // the three characters at extPtr, or "<none>"
    std::string argument;
};

Parsed parse(std::string text)
{
    text.push_back('\0');
    CommandLine cl;
    parseCommandLine(&text[0], cl);
    Parsed p;
    p.ext = cl.extPtr ? std::string(cl.extPtr, 3) : "<none>";
    p.exe = cl.extPtr ? std::string(cl.exePath, cl.extPtr + 3) : std::string(cl.exePath);
    p.argument = cl.argument;
    return p;
}

TEST(CommandLine, SplitsPathExtensionAndArgument)
{
    struct Case {
        const char* text;
        const char* exe;
        const char* ext;
        const char* argument;
    } cases[] = {
        {"\"C:\\Program Files\\V\\vellmoor.exe\" \"C:\\My Links\\\"", "C:\\Program Files\\V\\vellmoor.exe", "exe",
         "C:\\My Links\\"},
        {"\"C:\\v.exe\" \"D:\\a b\"", "C:\\v.exe", "exe", "D:\\a b"},
        {"C:\\v.exe     D:\\x", "C:\\v.exe", "exe", "D:\\x"},
        {"C:\\v.exe", "C:\\v.exe", "exe", ""},
        {"\"C:\\v.exe\"", "C:\\v.exe", "exe", ""},
        {"C:\\Tools\\finder", "C:\\Tools\\finder", "der", ""},
        {"C:\\v.exe D:\\with space\\ and more", "C:\\v.exe", "exe", "D:\\with space\\ and more"},
        {"\"C:\\v.exe\"D:\\x", "C:\\v.exe", "exe", "D:\\x"},
        {"abc", "abc", "abc", ""},
        {"C:\\v.exe \"\"", "C:\\v.exe", "exe", ""},
    };
    for (const Case& c : cases) {
        Parsed p = parse(c.text);
        EXPECT_EQ(p.exe, c.exe) << c.text;
        EXPECT_EQ(p.ext, c.ext) << c.text;
        EXPECT_EQ(p.argument, c.argument) << c.text;
    }
}

// Only a full path ending in an extension names the side files; anything else (a bare name
// from the PATH, a relative path, no extension) leaves them to the module's own name.
TEST(CommandLine, SideFilesNeedAFullPathWithAnExtension)
{
    struct Case {
        const char* text;
        bool names;
    } cases[] = {
        {"\"C:\\Program Files\\V\\vellmoor.exe\" D:\\x", true}, {"C:\\v.exe", true}, {"\\\\srv\\s\\v.exe", true},
        {"vellmoor D:\\x", false}, {"vellmoor.exe", false}, {"sub\\v.exe", false}, {"C:\\Tools\\finder", false},
        {"C:\\x.y\\run", false}, {"\"a\"", false}, {"C:v.exe", false}, {"\\v.exe", false},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        CommandLine cl;
        parseCommandLine(&text[0], cl);
        EXPECT_EQ(namesSideFiles(cl), c.names) << c.text;
    }
}

TEST(CommandLine, BytesAboveAsciiBelongToThePath)
{
    // Shift_JIS "\x83\x5c" carries a backslash byte, and 0xA0 is a non-breaking space in 1252.
    Parsed p = parse("C:\\\x83\x5c\xA0x.exe D:\\y");
    EXPECT_EQ(p.exe, "C:\\\x83\x5c\xA0x.exe");
    EXPECT_EQ(p.argument, "D:\\y");
}

TEST(CommandLine, PathTooShortHasNoExtensionPosition)
{
    for (const char* text : {"ab", "\"a\" C:\\x", "a", "\"\""}) {
        Parsed p = parse(text);
        EXPECT_EQ(p.ext, "<none>") << text;
    }
    EXPECT_EQ(parse("\"a\" C:\\x").argument, "C:\\x");
}

TEST(CommandLine, SideFileNameStaysInsideTheText)
{
    // Room for exactly the text: writing the side-file name must end on its terminator
    // or on the quote or space after the path, never past the buffer.
    for (const char* text : {"C:\\v.exe", "\"C:\\v.exe\"", "C:\\v.exe D:\\x", "abc"}) {
        std::string buf(text);
        buf.push_back('\0');
        CommandLine cl;
        parseCommandLine(&buf[0], cl);
        ASSERT_NE(cl.extPtr, nullptr);
        ASSERT_LE(cl.extPtr + 4, &buf[0] + buf.size()) << text;
        ASSERT_TRUE(setSideFileExtension(cl.extPtr, "qnf"));
        EXPECT_EQ(std::string(cl.exePath).substr(std::string(cl.exePath).size() - 3), "qnf") << text;
    }
    std::string buf = "C:\\v.exe D:\\x";
    buf.push_back('\0');
    CommandLine cl;
    parseCommandLine(&buf[0], cl);
    setSideFileExtension(cl.extPtr, "qnf");
    EXPECT_STREQ(cl.exePath, "C:\\v.qnf");
    EXPECT_STREQ(cl.argument, "D:\\x");  // the argument survives the rename
    EXPECT_FALSE(setSideFileExtension(nullptr, "qnf"));
}

}  // namespace
