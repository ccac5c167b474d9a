#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/ImageCopy.h"

#include "support/AllocationFailure.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

void FillIndexes(CImage& image)
{
    CImNav nav(&image, nullptr);
    for (int32_t y = 0; y < nav.GetHeight(); ++y)
        for (int32_t x = 0; x < nav.GetWidth(); ++x)
            nav.Row(y)[x] = 0xFF000000u | uint32_t(y << 8) | uint32_t(x);
}

std::vector<uint32_t> Row(CImage& image, int32_t y)
{
    CImNav nav(&image, nullptr);
    return std::vector<uint32_t>(nav.Row(y), nav.Row(y) + nav.GetWidth());
}

std::vector<uint32_t> Columns(CImage& image, int32_t y)
{
    std::vector<uint32_t> columns;
    for (uint32_t p : Row(image, y))
        columns.push_back(p & 0xFF);
    return columns;
}

} // namespace

TEST(Tiling, StartColumnsByMode)
{
    struct sCase { int32_t mode; int32_t W; int32_t w; std::vector<uint32_t> columns; bool eightBit; };
    const sCase cases[] = {
        {0, 10, 3, {0, 1, 2, 0, 1, 2, 0, 1, 2, 0}, false},
        {1, 10, 3, {1, 2, 0, 1, 2, 0, 1, 2, 0, 1}, false},
        {4, 10, 3, {2, 0, 1, 2, 0, 1, 2, 0, 1, 2}, false},
        {0, 10, 3, {0, 1, 2, 0, 1, 2, 0, 1, 2, 0}, true},
        {1, 10, 3, {1, 2, 0, 1, 2, 0, 1, 2, 0, 1}, true},
        {4, 10, 3, {2, 0, 1, 2, 0, 1, 2, 0, 1, 2}, true},
        {4, 2, 5, {0, 1}, false},
        {4, 2, 5, {3, 4}, true},
    };
    for (const sCase& c : cases) {
        if (!c.eightBit) {
            CImage source(c.w, 1), destination(c.W, 1);
            FillIndexes(source);
            ASSERT_EQ(TileImage(&destination, &source, c.mode), eSuccess);
            EXPECT_EQ(Columns(destination, 0), c.columns) << "mode " << c.mode << " W " << c.W;
        } else {
            CImage8 source(c.w, 1), destination(c.W, 1);
            {
                CImNav8 nav(&source, nullptr);
                for (int32_t x = 0; x < c.w; ++x)
                    nav.Row(0)[x] = uint8_t(x);
            }
            ASSERT_EQ(TileImage8(&destination, &source, c.mode), eSuccess);
            CImNav8 nav(&destination, nullptr);
            EXPECT_EQ(std::vector<uint32_t>(nav.Row(0), nav.Row(0) + c.W), c.columns) << "8-bit mode " << c.mode;
        }
    }
}

TEST(Tiling, RowsWrapAndEmptySourcesDoNothing)
{
    CImage source(2, 3), destination(3, 7);
    FillIndexes(source);
    ASSERT_EQ(TileImage(&destination, &source, 2), eSuccess);
    // y0 = h - (H rem h) - 1 = 3 - 1 - 1 = 1
    const uint32_t rows[] = {1, 2, 0, 1, 2, 0, 1};
    for (int32_t y = 0; y < 7; ++y)
        EXPECT_EQ((Row(destination, y)[0] >> 8) & 0xFF, rows[y]) << y;

    CImage empty(0, 4);
    CImage target(4, 4);
    FillIndexes(target);
    ASSERT_EQ(TileImage(&target, &empty, 0), eSuccess);
    EXPECT_EQ(Columns(target, 0), (std::vector<uint32_t>{0, 1, 2, 3}));
    CImage never;
    EXPECT_EQ(TileImage(&target, &never, 0), eNoMemory);
}

TEST(Copies, CopyWithinOneImageIsOverlapSafe)
{
    CImage image(4, 5);
    FillIndexes(image);
    std::vector<std::vector<uint32_t>> before;
    for (int32_t y = 0; y < 5; ++y)
        before.push_back(Row(image, y));
    gCRect from{0, 0, 4, 4}, to{0, 1, 4, 5};
    CImNavBase source(&image, &from), destination(&image, &to);
    ASSERT_EQ(CopyImagePixels(destination, source), eSuccess);
    source.Unlock();
    destination.Unlock();
    for (int32_t y = 1; y < 5; ++y)
        EXPECT_EQ(Row(image, y), before[size_t(y - 1)]);

    gCRect left{0, 0, 3, 1}, right{1, 0, 4, 1};
    CImage line(4, 1);
    FillIndexes(line);
    CImNavBase a(&line, &left), b(&line, &right);
    ASSERT_EQ(CopyImagePixels(b, a), eSuccess);
    a.Unlock();
    b.Unlock();
    EXPECT_EQ(Columns(line, 0), (std::vector<uint32_t>{0, 0, 1, 2}));
}

TEST(Copies, RefusesMismatchedAreasAndPixelSizes)
{
    CImage wide(4, 4);
    CImage8 narrow(4, 4);
    CImNavBase w(&wide, nullptr), n(&narrow, nullptr);
    EXPECT_EQ(CopyNavRows(n, w), eBadParameter) << "32-bit rows into an 8-bit image";
    EXPECT_EQ(CopyImage(&narrow, &wide), eBadParameter);
    gCRect small{0, 0, 2, 2};
    CImage other(4, 4);
    CImNavBase part(&other, &small);
    EXPECT_EQ(CopyNavRows(part, w), eBadParameter);
}

TEST(Copies, CopyImageTakesTheCommonPartWhateverTheStorage)
{
    CImage source(12, 12), destination(10, 14);
    {
        CImNav nav(&source, nullptr);
        CPixel grey = 0xFF808080;
        nav.Fill(&grey);
        nav.Row(3)[4] = 0xFF123456;
    }
    FillIndexes(destination);
    ASSERT_EQ(CopyImage(&destination, &source), eSuccess);
    EXPECT_EQ(Row(destination, 3)[4], 0xFF123456u);
    EXPECT_EQ(Row(destination, 11)[9], 0xFF808080u);
    EXPECT_EQ(Row(destination, 12)[0], 0xFF000C00u) << "below the source stays";

    ASSERT_EQ(source.Compress(), eSuccess);
    ASSERT_TRUE(source.IsCompressed());
    CImage target(20, 20);
    ASSERT_EQ(CopyImage(&target, &source), eSuccess);
    EXPECT_EQ(Row(target, 3)[4], 0xFF123456u);
    EXPECT_EQ(Row(target, 11)[11], 0xFF808080u);
    EXPECT_EQ(Row(target, 12)[12], 0u) << "the copy is clamped to the source's size";

    ASSERT_EQ(target.Compress(), eSuccess);
    ASSERT_TRUE(target.IsCompressed());
    ASSERT_EQ(source.Decompress(), eSuccess);
    ASSERT_EQ(CopyImage(&target, &source), eSuccess);
    EXPECT_TRUE(target.IsCompressed()) << "a compressed destination is compressed again";
}

TEST(Copies, RunLengthCopyNeverReadsPastTheSource)
{
    CImage8 source(10, 10);
    {
        CImNav8 nav(&source, nullptr);
        nav.Fill(7);
    }
    ASSERT_EQ(source.Compress(), eSuccess);
    CImage8 destination(30, 30);
    CImNavBase out(&destination, nullptr);
    ASSERT_EQ(CopyFromRunLength(out, &source), eSuccess);
    CImNav8 nav(&destination, nullptr);
    EXPECT_EQ(nav.Row(9)[9], 7);
    EXPECT_EQ(nav.Row(9)[10], 0);
    EXPECT_EQ(nav.Row(10)[0], 0);
}

TEST(Scrolling, WrapsRowsAndColumns)
{
    struct sCase { int32_t width; int32_t height; gCPoint offset; };
    const sCase cases[] = {
        {4, 1, {1, 0}}, {4, 1, {3, 0}}, {4, 3, {0, 1}}, {4, 3, {4, 3}}, {5, 6, {-2, 4}},
        {7, 6, {6, -4}}, {3, 9, {1, 3}}, {6, 4, {-13, 9}}, {5, 7, {INT32_MIN, INT32_MIN}},
        {5, 7, {INT32_MAX, INT32_MAX}},
    };
    for (const sCase& c : cases) {
        CImage image(c.width, c.height);
        FillIndexes(image);
        std::vector<std::vector<uint32_t>> before;
        for (int32_t y = 0; y < c.height; ++y)
            before.push_back(Row(image, y));
        CImNavBase area(&image, nullptr);
        ASSERT_EQ(ScrollImageWrap(area, &c.offset), eSuccess);
        area.Unlock();
        auto mod = [](int64_t v, int64_t m) { return ((v % m) + m) % m; };
        for (int32_t y = 0; y < c.height; ++y) {
            std::vector<uint32_t> row = Row(image, y);
            for (int32_t x = 0; x < c.width; ++x)
                ASSERT_EQ(row[size_t(x)], before[size_t(mod(int64_t(y) - c.offset.y, c.height))][size_t(mod(int64_t(x) - c.offset.x, c.width))])
                    << c.width << "x" << c.height << " by " << c.offset.x << "," << c.offset.y << " at " << x << "," << y;
        }
    }
}

TEST(Scrolling, FailsWithoutBuffersAndLeavesThePixels)
{
    CImage image(6, 4);
    FillIndexes(image);
    std::vector<uint32_t> first = Row(image, 0);
    gCPoint offset{2, 1};
    CImNavBase area(&image, nullptr);
    {
        AllocationFailure failure(1);
        EXPECT_EQ(ScrollImageWrap(area, &offset), eNoMemory);
    }
    {
        AllocationFailure failure(2);
        EXPECT_EQ(ScrollImageWrap(area, &offset), eNoMemory);
    }
    area.Unlock();
    EXPECT_EQ(Row(image, 0), first);
    CImage empty(0, 0);
    CImNavBase none(&empty, nullptr);
    EXPECT_EQ(ScrollImageWrap(none, &offset), eSuccess);
}
