#include <gtest/gtest.h>

#include "search/target_views.h"

namespace {

struct Answers {
    unsigned long errors[VIEW_COUNT];  // per view: 0 there, 2 not found, 5 denied, 21 not ready
    unsigned askedMask;
    int lastAsked;
    bool inOrder;
};

unsigned long answer(TargetView view, void* context)
{
    Answers& a = *static_cast<Answers*>(context);
    if (static_cast<int>(view) <= a.lastAsked)
        a.inOrder = false;
    a.lastAsked = view;
    a.askedMask |= 1u << view;
    return a.errors[view];
}

// Every combination of facts and per-view answers (there, not found, denied, not ready):
// present when a view that applies holds the target, and asking stops there; missing only
// when each says "not there"; otherwise the first other answer decides.
TEST(TargetViews, MissingOnlyWhenEveryViewThatAppliesSaysNotThere)
{
    const unsigned long kinds[] = {0, 2, 5, 21};
    const TargetVerdict verdicts[] = {TARGET_PRESENT, TARGET_MISSING, TARGET_DENIED, TARGET_UNREACHABLE};
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
        for (unsigned combination = 0; combination < 1024; ++combination) {  // 4 answers for each of 5 views
            Answers a = {{}, 0, -1, true};
            unsigned holding = 0;
            TargetVerdict expected = TARGET_MISSING;
            for (int v = 0; v < VIEW_COUNT; ++v) {
                unsigned kind = (combination >> (2 * v)) & 3u;
                a.errors[v] = kinds[kind];
                if ((applying >> v) & 1u) {
                    holding |= (kind == 0 ? 1u : 0u) << v;
                    if (holding == 0 && expected == TARGET_MISSING)
                        expected = verdicts[kind];
                }
            }
            TargetVerdict verdict = judgeTarget(facts, answer, &a);
            // Views asked: the applying ones up to and including the first that holds it.
            unsigned upToFirst = holding != 0 ? ((holding & (0u - holding)) << 1) - 1 : ~0u;
            SCOPED_TRACE(testing::Message() << "facts " << f << ", answers " << combination);
            EXPECT_EQ(verdict, holding != 0 ? TARGET_PRESENT : expected);
            EXPECT_EQ(a.askedMask, applying & upToFirst);
            EXPECT_TRUE(a.inOrder);
        }
    }
}

// The one table of what a system error says of a target.
TEST(TargetViews, WhatAnErrorSays)
{
    struct Case {
        unsigned long error;
        TargetVerdict verdict;
    } cases[] = {
        {0, TARGET_PRESENT},     {2, TARGET_MISSING},      {3, TARGET_MISSING},
        {5, TARGET_DENIED},      {32, TARGET_DENIED},      {33, TARGET_DENIED},
        {1314, TARGET_DENIED},   {21, TARGET_UNREACHABLE}, // not ready: a card reader without a card
        {53, TARGET_UNREACHABLE},  // bad network path: a server gone, or a folder missing on a share
        {67, TARGET_UNREACHABLE},  {64, TARGET_UNREACHABLE}, {1231, TARGET_UNREACHABLE},
        {123, TARGET_UNREACHABLE}, // a name no file can have: never taken for "not there"
    };
    for (const Case& c : cases)
        EXPECT_EQ(verdictOfError(c.error), c.verdict) << c.error;
}

}  // namespace
