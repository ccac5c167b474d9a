// Stops added where the gradient already has a colour: the new stop takes that colour (or its
// alpha), so the look of the gradient stays as it was.
#include "imaging/CGradient.h"

#include "support/ResourceFixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <limits>

// Worked by hand on a linear table: position p reads 24.8 index p x 4095 x 256. At 0.5 that is
// entry 2047 (f = 127, channel 255 x 127 >> 8 = 126) blended half-way towards entry 2048
// (f = 128, channel 127): 126. At 0.25, after a stop at 0.5 (index 2048): entries 1023 and 1024
// of the run from the first stop (f = 127 and 128), blended at 192.
TEST(GradientStops, NewStopsTakeTheColourOrAlphaTheGradientHasThere)
{
    ScopedResourceContext scope;
    CPixel clear = 0x00000000, black = 0xFF000000, white = 0xFFFFFFFF;
    CPixel red = 0x12FF0000, green = 0xFF00FF00;
    struct sCase {
        const char* name;
        CPixel start;
        std::function<int32_t(CGradient&)> add;
        int32_t index;
        CPixel stop;
        float position;
    };
    const sCase cases[] = {
        {"point at 0.5", black, [](CGradient& g) { return g.AddPointAt(0.5f); }, 1, 0xFF7E7E7E, 0.5f},
        {"colour at 0.5 keeps the alpha there", clear, [&](CGradient& g) { return g.SetColourAt(&red, 0.5f); }, 1,
         0x7EFF0000, 0.5f},
        {"colour at 1/4", clear,
         [&](CGradient& g) {
             EXPECT_EQ(g.SetColourAt(&red, 0.5f), 1);
             return g.SetColourAtFraction(&green, 1, 4);
         },
         1, 0x3E00FF00, 0.25f},
        {"colour at 3/4 replaces nothing", black, [&](CGradient& g) { return g.SetColourAtFraction(&green, 3, 4); }, 1,
         0xFF00FF00, 0.75f},
    };
    for (const sCase& c : cases) {
        CGradient gradient(&c.start, &white);
        int32_t index = c.add(gradient);
        EXPECT_EQ(index, c.index) << c.name;
        ASSERT_GE(index, 0) << c.name;
        EXPECT_EQ(gradient.GetPoint(index).colour, c.stop) << c.name;
        EXPECT_EQ(gradient.GetPoint(index).position, c.position) << c.name;
        EXPECT_EQ(gradient.GetPoint(0).colour, c.start) << c.name << ": the first stop stays";
    }
}

// The stop added by AddPointAt is the colour already shown there, so no table entry moves by
// more than the rounding of the stop's colour and of the shorter run's 1/256 weights: two steps
// of a channel (a run of 410 entries from 0x40 towards 76 gives 76 where the whole run gave 78).
TEST(GradientStops, APointAddedWhereTheGradientIsLeavesItsLookAlone)
{
    ScopedResourceContext scope;
    CPixel start = 0x20104080, end = 0xF0E0C0FF;
    for (float position : {0.5f, 0.1f, 0.9f}) {
        CGradient before(&start, &end), after(&start, &end);
        before.BuildTable();
        ASSERT_GT(after.AddPointAt(position), 0);
        EXPECT_EQ(after.GetPointCount(), 3);
        after.BuildTable();
        for (int32_t i = 0; i < CGradient::kTableSize; ++i)
            for (int shift : {0, 8, 16, 24}) {
                int a = int(before.GetEntry(i) >> shift & 0xFF), b = int(after.GetEntry(i) >> shift & 0xFF);
                ASSERT_LE(std::abs(a - b), 2) << position << " entry " << i << " shift " << shift;
            }
    }
}

TEST(GradientStops, PositionsBeyondTheStopsOrUndefinedAddNothing)
{
    ScopedResourceContext scope;
    CPixel black = 0xFF000000, white = 0xFFFFFFFF, green = 0xFF00FF00;
    CGradient gradient(&black, &white);
    EXPECT_EQ(gradient.SetColourAtFraction(&green, 1, 0), -1);
    EXPECT_EQ(gradient.SetColourAtFraction(&green, 0, 0), -1);
    EXPECT_EQ(gradient.SetColourAt(&green, 2.5f), -1);
    EXPECT_EQ(gradient.AddPointAt(std::numeric_limits<float>::quiet_NaN()), -1);
    EXPECT_EQ(gradient.GetPointCount(), 2);
}
