#include <gtest/gtest.h>

#include "app/geometry.h"

namespace {

void expectBox(const Box& b, int x, int y, int w, int h, const char* what)
{
    EXPECT_EQ(b.x, x) << what;
    EXPECT_EQ(b.y, y) << what;
    EXPECT_EQ(b.width, w) << what;
    EXPECT_EQ(b.height, h) << what;
}

TEST(Geometry, UnitFromFontHeights)
{
    EXPECT_EQ(unitFromIconFont(-12), 14);
    EXPECT_EQ(unitFromIconFont(16), 16);
    EXPECT_EQ(unitFromIconFont(0), 0);
    EXPECT_EQ(unitFromStockFont(-11), 11);
    EXPECT_EQ(unitFromStockFont(13), 13);
}

TEST(Geometry, ControlsAtUnit14)
{
    EXPECT_EQ(initialClientWidth(14), 268);
    EXPECT_EQ(initialClientHeight(14), 120);
    expectBox(creationBox(SLOT_FOLDER, 14), 4, 4, 200, 230, "folder");
    expectBox(creationBox(SLOT_SEARCH, 14), 210, 4, 56, 22, "search");
    expectBox(creationBox(SLOT_STATUS, 14), 0, 36, 130, 18, "status");
    expectBox(creationBox(SLOT_REMOTE, 14), 131, 36, 76, 18, "remote");
    expectBox(creationBox(SLOT_DELETE, 14), 210, 30, 56, 22, "delete");
    expectBox(creationBox(SLOT_LIST, 14), 4, 56, 260, 60, "list");
}

TEST(Geometry, ResizedTo400By300)
{
    expectBox(folderBoxSize(14, 400), 4, 4, 330, 230, "folder");
    expectBox(searchButtonPos(14, 400), 340, 4, 56, 22, "search");
    expectBox(deleteButtonPos(14, 400), 340, 30, 56, 22, "delete");
    expectBox(resultListSize(14, 400, 300), 4, 56, 392, 240, "list");
    // Back at the initial size: two pixels left of the creation values; the list as created.
    EXPECT_EQ(folderBoxSize(14, 268).width, 198);
    EXPECT_EQ(searchButtonPos(14, 268).x, 208);
    expectBox(resultListSize(14, 268, 120), 4, 56, 260, 60, "list at start");
}

TEST(Geometry, MinimumTrackingSize)
{
    EXPECT_EQ(minTrackWidth(14, 8), 284);
    EXPECT_EQ(minTrackHeight(14, 8, 50), 166);
}

TEST(Geometry, PullOntoWorkArea)
{
    Rect32 work = {0, 0, 1920, 1040};
    int x, y;
    pullOntoWorkArea({-500, 100, 300, 700}, work, 23, x, y);
    EXPECT_EQ(x, -400);
    EXPECT_EQ(y, 100);
    pullOntoWorkArea({100, -50, 900, 550}, work, 23, x, y);
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, -11);
    pullOntoWorkArea({1800, 900, 2600, 1500}, work, 23, x, y);
    EXPECT_EQ(x, 1520);  // centre 2200 brought to 1920
    EXPECT_EQ(y, 740);   // centre 1200 brought to 1040
}

// Two monitors side by side, 0..1920 and 1920..3840, both 1080 high.
int lookups;
bool onTwoMonitors(int x, int y, void*)
{
    ++lookups;
    return x >= 0 && x < 3840 && y >= 0 && y < 1080;
}

TEST(Geometry, StaysOnMonitors)
{
    struct Case {
        Rect32 win;
        bool stays;
        int lookups;
    } cases[] = {
        {{100, 100, 900, 700}, true, 2},      // on one monitor
        {{1500, 100, 2300, 700}, true, 2},    // spanning both: each corner on one
        {{-500, 100, 300, 700}, false, 1},    // top-left off: the other corner is not asked
        {{3500, 100, 4300, 700}, false, 2},   // bottom-right off the right monitor
        {{100, 700, 900, 1300}, false, 2},    // below both
        {{-900, -900, -100, -300}, false, 1}, // off every monitor
        {{3039, 479, 3840, 1080}, false, 2},  // the point past the corner is the first pixel beyond
    };
    for (const Case& c : cases) {
        lookups = 0;
        EXPECT_EQ(staysOnMonitors(c.win, onTwoMonitors, nullptr), c.stays) << c.win.left << "," << c.win.top;
        EXPECT_EQ(lookups, c.lookups) << c.win.left << "," << c.win.top;
    }
}

TEST(Geometry, PopupPlacement)
{
    EXPECT_EQ(popupCoordinate(100, 8, 400, 1920), 108);
    EXPECT_EQ(popupCoordinate(1700, 8, 400, 1920), 1520);
    EXPECT_EQ(popupCoordinate(-1000, 8, 400, 1920), 1520);
    EXPECT_EQ(popupCoordinate(-300, 8, 400, 1920), -292);
}

}  // namespace
