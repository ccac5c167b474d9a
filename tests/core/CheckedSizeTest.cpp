#include "core/CheckedSize.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(CheckedSize, RefusesNegativeWrappedAndOversizedProducts)
{
    struct Case {
        int64_t a, b, c;
        uint64_t limit;
        bool fits;
        uint64_t product;
    };
    const Case cases[] = {
        {640, 480, 4, UINT64_MAX, true, 1228800},
        {0, -1, 4, UINT64_MAX, false, 0},                       // a negative factor beside a zero
        {INT64_MAX, INT64_MAX, 1, UINT64_MAX, false, 0},        // wraps 64 bits
        {0, INT64_MAX, INT64_MAX, UINT64_MAX, true, 0},         // zero first: nothing wraps
        {4096, 4096, 1, uint64_t(1) << 24, true, 1u << 24},     // exactly at the limit
        {4097, 4096, 1, uint64_t(1) << 24, false, 0},
    };
    for (const Case& c : cases) {
        uint64_t product = 99;
        EXPECT_EQ(MulSizes({c.a, c.b, c.c}, product, c.limit), c.fits) << c.a << " x " << c.b << " x " << c.c;
        EXPECT_EQ(product, c.fits ? c.product : 99u) << "a refused product leaves the result alone";
    }
}

TEST(CheckedSize, TheResultTypeIsALimitToo)
{
    uint32_t narrow = 7;
    EXPECT_FALSE(MulSizes({65536, 65536}, narrow));
    EXPECT_EQ(narrow, 7u);
    int32_t signedBytes = 0;
    EXPECT_FALSE(MulSizes({INT32_MAX, 2}, signedBytes));
    EXPECT_TRUE(MulSizes({1 << 15, 1 << 15, 1}, signedBytes));
    EXPECT_EQ(signedBytes, 1 << 30);
    static_assert(SizesFit({3, 4}, 12) && !SizesFit({3, 4}, 11));
}
