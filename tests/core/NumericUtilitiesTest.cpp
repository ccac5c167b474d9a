#include "core/EaseOvershoot.h"
#include "core/QuickSort.h"
#include "core/SineTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

TEST(SineTable, CoversOneTurnAndOneEntryPast)
{
    BuildSineTable();
    EXPECT_EQ(gSineTable[0].sine, 0.0f);
    EXPECT_EQ(gSineTable[0].cosine, 1.0f);
    EXPECT_NEAR(gSineTable[kSineTableSteps].sine, 0.0f, 1e-6f);
    EXPECT_NEAR(gSineTable[kSineTableSteps].cosine, 1.0f, 1e-6f);
    // A quarter turn lies between entries 1999 and 2000.
    EXPECT_NEAR(gSineTable[2000].sine, 1.0f, 1e-5f);
    float angle = 8000.0f * 6.2831855f / 7999.0f;
    EXPECT_EQ(gSineTable[8000].sine, std::sin(angle));
    EXPECT_GT(gSineTable[8000].sine, 0.0f);
}

namespace {

int32_t Ascending(intptr_t a, intptr_t b, intptr_t context)
{
    EXPECT_EQ(context, 77);
    return int32_t(a - b);
}

#pragma pack(push, 1)
// Seven bytes: swapped as one word and three single bytes.
struct Packed {
    int32_t key;
    char tag[3];
};
#pragma pack(pop)
static_assert(sizeof(Packed) == 7);

int32_t ByKey(intptr_t a, intptr_t b, intptr_t)
{
    Packed left;
    Packed right;
    std::memcpy(&left, reinterpret_cast<const void*>(a), sizeof left);
    std::memcpy(&right, reinterpret_cast<const void*>(b), sizeof right);
    return left.key - right.key;
}

std::vector<intptr_t> Sorted(std::vector<intptr_t> values)
{
    QuickSortWithCallback(values.data(), uint32_t(values.size()), Ascending, 77);
    return values;
}

} // namespace

TEST(QuickSort, SortsWithTheCallback)
{
    struct Case {
        std::vector<intptr_t> input;
        std::vector<intptr_t> expected;
    };
    const Case cases[] = {
        {{3, 1, 2}, {1, 2, 3}},
        {{}, {}},
        {{9}, {9}},
        {{2, 1}, {1, 2}},
        {{5, 5, 1, 5, 1}, {1, 1, 5, 5, 5}},
        {{1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}},
        {{6, 5, 4, 3, 2, 1}, {1, 2, 3, 4, 5, 6}},
        {{-4, 8, 0, -9, 3}, {-9, -4, 0, 3, 8}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Sorted(c.input), c.expected);
}

TEST(QuickSort, SortsPointersByWhatTheyPointTo)
{
    int32_t values[] = {30, 10, 20};
    std::vector<intptr_t> pointers;
    for (int32_t& value : values)
        pointers.push_back(reinterpret_cast<intptr_t>(&value));
    auto byValue = [](intptr_t a, intptr_t b, intptr_t) -> int32_t {
        return *reinterpret_cast<int32_t*>(a) - *reinterpret_cast<int32_t*>(b);
    };
    QuickSortWithCallback(pointers.data(), uint32_t(pointers.size()), byValue, 0);
    EXPECT_EQ(pointers[0], reinterpret_cast<intptr_t>(&values[1]));
    EXPECT_EQ(pointers[2], reinterpret_cast<intptr_t>(&values[0]));
}

TEST(QuickSort, AllFormsGiveTheSameOrder)
{
    std::mt19937 random(7);
    std::vector<intptr_t> values(500);
    for (intptr_t& value : values)
        value = intptr_t(random() % 100);

    std::vector<intptr_t> byCallback = Sorted(values);
    std::vector<intptr_t> byElements = values;
    QuickSortElements(byElements.data(), uint32_t(byElements.size()), sizeof(intptr_t), Ascending, 77);
    EXPECT_EQ(byElements, byCallback);
    for (size_t i = 1; i < byCallback.size(); ++i)
        ASSERT_LE(byCallback[i - 1], byCallback[i]);

    // A range leaves what lies outside it alone.
    std::vector<intptr_t> partial = {9, 8, 7, 6, 5, 4};
    QuickSortRange(partial.data(), 1, 4, Ascending, 77);
    EXPECT_EQ(partial, (std::vector<intptr_t>{9, 5, 6, 7, 8, 4}));
}

TEST(QuickSort, SortsElementsOfAnySizeWithTheirBytesIntact)
{
    std::vector<Packed> records;
    for (int32_t key : {4, 2, 9, 1, 7, 3}) {
        Packed record{key, {char('a' + key), char('b' + key), char('c' + key)}};
        records.push_back(record);
    }
    QuickSortElements(records.data(), uint32_t(records.size()), sizeof(Packed), ByKey, 0);
    const int32_t expected[] = {1, 2, 3, 4, 7, 9};
    for (size_t i = 0; i < records.size(); ++i) {
        int32_t key = records[i].key; // packed: read by value, never through a reference
        EXPECT_EQ(key, expected[i]);
        EXPECT_EQ(records[i].tag[0], char('a' + expected[i]));
        EXPECT_EQ(records[i].tag[2], char('c' + expected[i]));
    }
}

TEST(EaseOvershoot, RisesOvershootsAndSettles)
{
    struct Case {
        float t;
        float k;
        float expected;
        float tolerance;
    };
    const float below = std::nextafter(0.8f, 0.0f);
    const Case cases[] = {
        {0.0f, 0.0f, 0.0f, 0.0f},
        {0.0f, 1.0f, 0.0f, 0.0f},
        {0.0f, 3.0f, 0.0f, 0.0f},
        {1.0f, 0.0f, 1.0f, 1e-6f},
        {1.0f, 1.0f, 1.0f, 1e-6f},
        {1.0f, 3.0f, 1.0f, 1e-6f},
        {below, 1.0f, 1.1f, 1e-5f},
        {0.8f, 1.0f, 1.1f, 1e-6f},
        {0.92f, 1.0f, 0.95f, 1e-6f},
        {0.4f, 1.0f, 0.55f, 1e-6f},
        {0.8f, 0.0f, 1.0f, 0.0f}, // without overshoot the curve is flat from 0.8
        {0.9f, 0.0f, 1.0f, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "t=" << c.t << " k=" << c.k);
        EXPECT_NEAR(EaseOvershoot(c.t, c.k), c.expected, c.tolerance);
    }
}

TEST(EaseOvershoot, NotANumberTakesTheSettlingPiece)
{
    float value = EaseOvershoot(std::numeric_limits<float>::quiet_NaN(), 1.0f);
    EXPECT_TRUE(std::isnan(value));
    // Beyond 1 the settling polynomial goes on rather than being clamped.
    EXPECT_NE(EaseOvershoot(1.2f, 1.0f), 1.0f);
}
