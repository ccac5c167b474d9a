#include "core/gCRect.h"

#include <gtest/gtest.h>

namespace {

struct IntersectCase {
    const char* name;
    gCRect a, b, expected;
};

TEST(gCRect, IntersectKeepsTheSharedPartAndGivesZeroWhenNothingIsShared)
{
    const IntersectCase cases[] = {
        {"overlap", {0, 0, 10, 10}, {5, 3, 20, 8}, {5, 3, 10, 8}},
        {"inside", {0, 0, 10, 10}, {2, 2, 4, 4}, {2, 2, 4, 4}},
        {"touching right edge", {0, 0, 10, 10}, {10, 0, 20, 10}, {}},
        {"touching bottom edge", {0, 0, 10, 10}, {0, 10, 10, 20}, {}},
        {"apart", {-20, -20, -10, -10}, {10, 10, 20, 20}, {}},
        {"empty operand", {0, 0, 10, 10}, {5, 5, 5, 9}, {}},
        {"inverted operand", {0, 0, 10, 10}, {8, 8, 2, 2}, {}},
        {"far edges of the range", {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, {-1, -1, 1, 1}, {-1, -1, 1, 1}},
    };
    for (const IntersectCase& c : cases) {
        EXPECT_EQ(c.a.Intersect(c.b), c.expected) << c.name;
        EXPECT_EQ(c.b.Intersect(c.a), c.expected) << c.name;
    }
}

TEST(gCRect, ContainsLeavesTheFarEdgesOutUnlessEdgesAreIncluded)
{
    const gCRect rect{2, 3, 6, 8};
    struct {
        gCPoint point;
        bool halfOpen, withEdges;
    } cases[] = {
        {{2, 3}, true, true},   {{5, 7}, true, true},    {{6, 5}, false, true},  {{4, 8}, false, true},
        {{6, 8}, false, true},  {{1, 5}, false, false},  {{4, 2}, false, false}, {{7, 5}, false, false},
        {{4, 9}, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rect.Contains(c.point), c.halfOpen) << c.point.x << "," << c.point.y;
        EXPECT_EQ(rect.ContainsWithEdges(c.point), c.withEdges) << c.point.x << "," << c.point.y;
    }
}

} // namespace
