#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/settings_codec.h"

namespace {

std::vector<unsigned char> bytesOf(const std::string& s) { return std::vector<unsigned char>(s.begin(), s.end()); }

std::vector<std::string> historyOf(const std::string& s)
{
    std::vector<unsigned char> b = bytesOf(s);
    HistoryView v;
    decodeHistory(b.data(), b.size(), v);
    std::vector<std::string> out(v.text, v.text + v.count);
    return out;
}

TEST(SettingsCodec, BlockIsLittleEndianWordsInOrder)
{
    Settings s = {};
    s.windowRect = {-5, 10, 300, 0x7FFFFFFF};
    s.remoteOn = 1;
    s.topMost = 2;
    s.recycle = 3;
    s.tipTime = 4;
    s.reserved1 = 0xDEADBEEF;
    s.listAll = 0x2000;
    s.reserved2 = 7;
    s.reserved3 = 0x01020304;
    unsigned char out[SETTINGS_BYTES];
    encodeSettingsBlock(s, out);
    const unsigned char expect[SETTINGS_BYTES] = {
        0xFB, 0xFF, 0xFF, 0xFF, 10, 0, 0, 0, 0x2C, 1, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 1, 0, 0, 0, 2, 0, 0, 0,
        3,    0,    0,    0,    4,  0, 0, 0, 0xEF, 0xBE, 0xAD, 0xDE, 0, 0x20, 0, 0, 7, 0, 0, 0, 4, 3, 2, 1};
    for (unsigned i = 0; i < SETTINGS_BYTES; ++i)
        EXPECT_EQ(out[i], expect[i]) << "byte " << i;
    Settings back = {};
    decodeSettingsBlock(out, SETTINGS_BYTES, back);
    EXPECT_EQ(back.windowRect.left, -5);
    EXPECT_EQ(back.reserved1, 0xDEADBEEFu);
    EXPECT_EQ(back.reserved3, 0x01020304u);
}

TEST(SettingsCodec, ShortBlockKeepsTheRest)
{
    Settings s = {};
    s.windowRect = {0, 0, 284, 166};
    s.tipTime = 1;
    const unsigned char five[5] = {100, 0, 0, 0, 0x20};
    decodeSettingsBlock(five, sizeof five, s);
    EXPECT_EQ(s.windowRect.left, 100);
    EXPECT_EQ(s.windowRect.top, 0x20);  // only its lowest byte came from the file
    EXPECT_EQ(s.windowRect.right, 284);
    EXPECT_EQ(s.tipTime, 1u);
    decodeSettingsBlock(five, 0, s);
    EXPECT_EQ(s.windowRect.left, 100);
}

TEST(SettingsCodec, HistoryStrings)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(historyOf(std::string("C:\\a\0D:\\b\0\\\\srv\\c\0", 18)), (V{"C:\\a", "D:\\b", "\\\\srv\\c"}));
    EXPECT_EQ(historyOf(std::string("\\\\srv\\x\0C:\\y\0", 13)), (V{"\\\\srv\\x", "C:\\y"}));
    // The first byte decides for the whole block.
    EXPECT_EQ(historyOf(std::string("1\\x\0C:\\y\0", 9)), V{});
    EXPECT_EQ(historyOf(std::string("\x82\xA0\0C:\\y\0", 7)), V{});
    EXPECT_EQ(historyOf(std::string("\0C:\\y\0", 6)), V{});
    EXPECT_EQ(historyOf(""), V{});
    // A last string without its NUL is left out; nothing past the bytes is read.
    EXPECT_EQ(historyOf(std::string("C:\\a\0C:\\cut", 11)), V{"C:\\a"});
    EXPECT_EQ(historyOf("C:\\nonul"), V{});
    // Cut anywhere: only the strings whose NUL is kept come back.
    const std::string three("C:\\a\0D:\\b\0\\\\srv\\c\0", 18);
    for (std::size_t n = 0; n <= three.size(); ++n) {
        V whole;
        for (std::size_t at = 0, end; (end = three.find('\0', at)) < n; at = end + 1)
            whole.push_back(three.substr(at, end - at));
        EXPECT_EQ(historyOf(three.substr(0, n)), whole) << "length " << n;
    }
}

TEST(SettingsCodec, HistoryTakesAtMost32AndSkipsOverlongStrings)
{
    std::string block;
    for (int i = 0; i < 40; ++i)
        block += "C:\\f" + std::to_string(i) + std::string(1, '\0');
    std::vector<std::string> got = historyOf(block);
    ASSERT_EQ(got.size(), 32u);
    EXPECT_EQ(got.front(), "C:\\f0");
    EXPECT_EQ(got.back(), "C:\\f31");

    std::string damaged = "C:\\a" + std::string(1, '\0') + "C:\\" + std::string(300, 'x') + std::string(1, '\0') +
                          "C:\\" + std::string(256, 'y') + std::string(1, '\0') + "D:\\b" + std::string(1, '\0');
    // Counted in characters as the search counts them: 259 two-byte ones fit, 260 do not.
    std::string e259 = "E:";
    for (int i = 0; i < 257; ++i)
        e259 += "\xC3\xA9";
    damaged += e259 + std::string(1, '\0') + e259 + "\xC3\xA9" + std::string(1, '\0');
    got = historyOf(damaged);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0], "C:\\a");
    EXPECT_EQ(got[1].size(), 259u);  // the longest folder text the search reads
    EXPECT_EQ(got[2], "D:\\b");
    EXPECT_EQ(got[3], e259);
}

// History written under a legacy code page is told from UTF-8 by its form alone.
TEST(SettingsCodec, Utf8Text)
{
    struct Case {
        const char* text;
        bool utf8;
    } cases[] = {
        {"C:\\plain", true},          {"C:\\Caf\xC3\xA9", true},     {"\xE4\xB8\xAD\xE6\x96\x87", true},
        {"\xF0\x9F\x98\x80", true},     {"\xF4\x8F\xBF\xBF", true},     {"C:\\Caf\xE9", false},
        {"\x83\x74\x83\x48", false},    {"\xC0\xAF", false},             {"\xE0\x80\xAF", false},
        {"\xED\xA0\x80", false},        {"\xF4\x90\x80\x80", false},    {"\xF5\x80\x80\x80", false},
        {"\xE4\xB8", false},            {"\xC3", false},                 {"\x80", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isUtf8Text(c.text), c.utf8) << "case " << (&c - cases);
}

}  // namespace
