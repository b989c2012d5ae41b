#include <gtest/gtest.h>

#include <cstring>

#include "results/status_text.h"
#include "search/walk_rules.h"

namespace {

TEST(StatusText, LinksOrNoFile)
{
    char text[32];
    formatStatus(text, sizeof text, 2, 15);
    EXPECT_STREQ(text, "2 / 15 Links");
    formatStatus(text, sizeof text, 0, 0);
    EXPECT_STREQ(text, "No File");
    formatStatus(text, sizeof text, 4294967295u, 4294967295u);
    EXPECT_STREQ(text, "4294967295 / 4294967295 Links");
}

TEST(StatusText, RecycledFolderRule)
{
    struct Case {
        const char* path;
        bool recycled;
    } cases[] = {
        {"D:\\Recycled\\a.lnk", true},      {"D:\\RECYCLED\\a.lnk", true},     {"x:\\rEcYcLeD\\b", true},
        {"D:\\RECYCLER\\a.lnk", true},      {"C:\\$Recycle.Bin\\S-1-5-21\\$RAB.lnk", true},  {"C:\\$Recycle.Bin", false},
        {"D:\\sub\\RECYCLED\\a.lnk", false}, {"D:\\RECYCLED.lnk", false},
        {"D:\\RECYCLED", false},            {"D:\\RECYCLEDX\\a", false},       {"", false},
        {"abcRECYCLED\\x", true},  // only the fixed positions are looked at
    };
    for (const Case& c : cases)
        EXPECT_EQ(isInRecycledFolder(c.path, std::strlen(c.path)), c.recycled) << c.path;
    // Final paths, as a handle gives them.
    EXPECT_TRUE(isInRecycleBin(L"\\\\?\\C:\\$RECYCLE.BIN\\S-1-5-18\\$R1.lnk"));
    EXPECT_FALSE(isInRecycleBin(L"\\\\?\\C:\\Users\\$Recycle.Bin\\a.lnk"));
    EXPECT_FALSE(isInRecycleBin(L"\\\\?\\UNC\\srv\\RECYCLER\\a.lnk"));
}

TEST(StatusText, HoverIndexNamesOnlyListedEntries)
{
    // Outside the list: never an entry, whatever the count.
    EXPECT_FALSE(namesEntry(normaliseHover(0x10003, 0), 10));
    EXPECT_FALSE(namesEntry(normaliseHover(0x10003, 0), 200000));
    EXPECT_NE(normaliseHover(0x10003, 0), normaliseHover(0x10004, 0));
    // Small lists: the index as the list box reports it.
    EXPECT_EQ(normaliseHover(7, 3), 7u);
    EXPECT_TRUE(namesEntry(normaliseHover(7, 3), 10));
    EXPECT_FALSE(namesEntry(normaliseHover(10, 3), 10));
    // Past 65,535 the reported index wraps; the visible range gives it back.
    EXPECT_EQ(normaliseHover(70005 & 0xFFFF, 70000), 70005u);
    EXPECT_EQ(normaliseHover(65535, 65530), 65535u);
    EXPECT_EQ(normaliseHover(0, 65530), 65536u);
}

}  // namespace
