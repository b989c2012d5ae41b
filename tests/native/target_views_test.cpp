#include <gtest/gtest.h>

#include "search/target_views.h"

namespace {

struct Answers {
    unsigned presentMask;  // bit per view: the target is there
    unsigned askedMask;
    int lastAsked;
    bool inOrder;
};

bool answer(TargetView view, void* context)
{
    Answers& a = *static_cast<Answers*>(context);
    if (static_cast<int>(view) <= a.lastAsked)
        a.inOrder = false;
    a.lastAsked = view;
    a.askedMask |= 1u << view;
    return (a.presentMask >> view) & 1u;
}

// Every combination of facts and per-view answers: gone only when no view that applies
// holds the target, and asking stops at the first that does.
TEST(TargetViews, GoneOnlyWhenEveryViewThatAppliesSaysGone)
{
    for (unsigned f = 0; f < 8; ++f) {
        TargetFacts facts = {(f & 1) != 0, (f & 2) != 0, (f & 4) != 0};
        unsigned applying = 1u << VIEW_AS_SEEN;
        if (facts.wow64)
            applying |= 1u << VIEW_UNREDIRECTED;
        if (facts.wow64 && facts.underX86Programs)
            applying |= 1u << VIEW_NATIVE_PROGRAM_FILES;
        if (facts.wideDiffers)
            applying |= 1u << VIEW_WIDE;
        if (facts.wideDiffers && facts.wow64)
            applying |= 1u << VIEW_WIDE_UNREDIRECTED;
        for (unsigned present = 0; present < (1u << VIEW_COUNT); ++present) {
            Answers a = {present, 0, -1, true};
            bool gone = targetGone(facts, answer, &a);
            unsigned holding = present & applying;
            // Views asked: the applying ones up to and including the first that holds it.
            unsigned upToFirst = holding != 0 ? ((holding & (0u - holding)) << 1) - 1 : ~0u;
            SCOPED_TRACE(testing::Message() << "facts " << f << ", present " << present);
            EXPECT_EQ(gone, holding == 0);
            EXPECT_EQ(a.askedMask, applying & upToFirst);
            EXPECT_TRUE(a.inOrder);
        }
    }
}

}  // namespace
