#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "results/entry_texts.h"

namespace {

TEST(EntryTexts, TipHasThreeLabelledLinesAndNoBreakAtTheEnd)
{
    TipTime times[3] = {{2021, 3, 4, 5, 6, 7}, {1999, 12, 31, 23, 59, 58}, {2024, 1, 2, 0, 0, 0}};
    char out[TIP_TEXT_BYTES];
    formatTipText(out, times);
    // 作成 2021年03月04日 05:06:07 / 更新 … / 参照 …, in Shift_JIS.
    const std::string want =
        "\x8D\xEC\x90\xAC 2021\x94N03\x8C\x8E" "04\x93\xFA 05:06:07\r\n"
        "\x8D\x58\x90\x56 1999\x94N12\x8C\x8E" "31\x93\xFA 23:59:58\r\n"
        "\x8E\x51\x8F\xC6 2024\x94N01\x8C\x8E" "02\x93\xFA 00:00:00";
    EXPECT_EQ(std::string(out), want);
    EXPECT_EQ(want.size(), 88u);
}

TEST(EntryTexts, TipNeverRunsPastItsBuffer)
{
    // The largest year a system time holds fits whole; absurd values are cut at the end.
    struct Case {
        TipTime t;
        std::size_t length;
    } cases[] = {{{30827, 12, 31, 23, 59, 59}, 3 * 31 - 2}, {{4294967295u, 4294967295u, 99, 99, 99, 99}, TIP_TEXT_BYTES - 1}};
    for (const Case& c : cases) {
        TipTime times[3] = {c.t, c.t, c.t};
        std::vector<char> out(TIP_TEXT_BYTES + 16, '#');
        formatTipText(out.data(), times);
        EXPECT_EQ(std::strlen(out.data()), c.length);
        for (std::size_t i = TIP_TEXT_BYTES; i < out.size(); ++i)
            EXPECT_EQ(out[i], '#') << c.t.year;
    }
}

struct FakeList {
    std::vector<std::string> texts;
    unsigned asked = 0;
};

int fetchFake(unsigned i, char* at, std::size_t room, void* context)
{
    FakeList& list = *static_cast<FakeList*>(context);
    ++list.asked;
    const std::string& t = list.texts.at(i);
    if (t == "!")
        return -1;  // the entry could not be read
    if (t.size() >= room)
        return 0;
    std::memcpy(at, t.c_str(), t.size() + 1);
    return static_cast<int>(t.size());
}

// What a grey entry says after its path and at the head of its tip; cut to its buffer.
TEST(EntryTexts, WhyAnEntryIsGrey)
{
    struct Case {
        EntryAway away;
        char drive;
        std::size_t size;
        const char* text;
    } cases[] = {
        {AWAY_DRIVE, 'Q', 64, "drive Q: not present"}, {AWAY_DRIVE, 'q', 64, "drive Q: not present"},
        {AWAY_DRIVE, '\\', 64, "drive not present"},   {AWAY_SERVER, '\\', 64, "server not answering"},
        {AWAY_SILENT, 's', 64, "drive S: not answering"},   {AWAY_SILENT, '\\', 64, "server not answering"},
        {AWAY_MOVED, '\\', 64, "target found elsewhere"},  {AWAY_VOLUME, 'e', 64, "drive E: holds another volume"},  {AWAY_SYNCED, 'C', 64, "synced to your other PCs"},
        {AWAY_NONE, 'C', 64, ""},                      {AWAY_SERVER, '\\', 7, "server"},
    };
    for (const Case& c : cases) {
        char out[65];
        std::memset(out, 'x', sizeof out);
        formatAwayText(out, c.size, c.away, c.drive);
        EXPECT_STREQ(out, c.text) << c.away << c.drive;
        EXPECT_EQ(out[c.size], 'x') << "nothing past its buffer";
    }
}

TEST(EntryTexts, JoinedEntries)
{
    struct Case {
        std::vector<std::string> texts;
        std::size_t size;
        std::string joined;
    } cases[] = {
        {{"C:\\a.lnk", "C:\\b.lnk", "D:\\c.pif"}, 3 * 8 + 6, "C:\\a.lnk\r\nC:\\b.lnk\r\nD:\\c.pif"},
        {{"C:\\a.lnk"}, 10, "C:\\a.lnk"},
        {{"x", "!", "y"}, 9, "x\r\ny"},      // an unreadable entry adds no line break
        {{"x", "y", "!"}, 9, "x\r\ny\r\n"},  // not even for the last one
        {{""}, 2, ""},
        // A list longer than the block was sized for: what fits, and never past it.
        {{"abcd", "efgh", "ijkl"}, 8, "abcd\r\n"},
        {{"abcdefgh"}, 4, ""},
    };
    for (const Case& c : cases) {
        FakeList list{c.texts};
        std::vector<char> out(c.size + 8, '#');
        std::size_t n = joinEntries(out.data(), c.size, 0, static_cast<unsigned>(c.texts.size() - 1), fetchFake, &list);
        EXPECT_EQ(std::string(out.data()), c.joined);
        EXPECT_EQ(n, c.joined.size());
        EXPECT_EQ(list.asked, c.texts.size());
        for (std::size_t i = c.size; i < out.size(); ++i)
            EXPECT_EQ(out[i], '#') << c.joined;
    }
}

}  // namespace
