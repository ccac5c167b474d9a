#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/CRLE.h"
#include "imaging/CRLE8.h"
#include "support/AllocationFailure.h"

#include <gtest/gtest.h>

#include <random>

TEST(Image, CreationSizesRowsAndClearsPixels)
{
    CImage image(3, 2, 1);
    ASSERT_TRUE(image.IsCreated());
    EXPECT_EQ(image.AreRowsAligned(), 0); // creation resets the flag
    EXPECT_EQ(image.GetRowBytes(), 12);
    CImNav nav(&image, nullptr);
    ASSERT_TRUE(nav.IsLocked());
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x)
            EXPECT_EQ(nav.Row(y)[x], 0u);
}

TEST(Image, EightBitRowBytesFollowAlignment)
{
    CImage8 aligned;
    ASSERT_EQ(aligned.CreateAligned(5, 2), eSuccess);
    void* pixels = nullptr;
    ASSERT_EQ(aligned.GetPixelPointer(&pixels, nullptr), eSuccess);
    EXPECT_EQ(aligned.GetRowBytes(), 8);
    EXPECT_EQ(aligned.GetRowStride(), 8);
    EXPECT_TRUE(aligned.AreRowsAligned());

    CImage8 plain;
    ASSERT_EQ(plain.CreateImageBuffer(5, 2), eSuccess);
    ASSERT_EQ(plain.GetPixelPointer(&pixels, nullptr), eSuccess);
    EXPECT_EQ(plain.GetRowBytes(), 5);
}

TEST(Image, RefusesSizesThatCannotBeBuffered)
{
    CImage image;
    EXPECT_EQ(image.CreateImageBuffer(-1, 4), eBadParameter);
    EXPECT_EQ(image.IsCreated(), 0);
    EXPECT_EQ(image.CreateImageBuffer(4, -1), eBadParameter);
    // 0x40000000 x 4 bytes per row wraps 32 bits; the byte count must not.
    EXPECT_EQ(image.CreateImageBuffer(0x40000000, 2), eNoMemory);
    EXPECT_EQ(image.CreateImageBuffer(0x7FFFFFFF, 0x7FFFFFFF), eNoMemory);
    EXPECT_EQ(image.IsCreated(), 0);
}

TEST(Image, FailedAllocationLeavesImageEmpty)
{
    CImage image;
    AllocationFailure failure(1);
    EXPECT_EQ(image.CreateImageBuffer(4, 4), eNoMemory);
    EXPECT_EQ(image.IsCreated(), 0);
    EXPECT_FALSE(image.HasPixelBuffer());
}

TEST(Image, SetSizeKeepsTheBufferOnlyForTheSameSize)
{
    CImage image(4, 4);
    void* before = nullptr;
    ASSERT_EQ(image.Lock(&before), eSuccess);
    static_cast<CPixel*>(before)[5] = 0xFF123456;
    ASSERT_EQ(image.SetSize(4, 4), eSuccess);
    void* after = nullptr;
    ASSERT_EQ(image.Lock(&after), eSuccess);
    EXPECT_EQ(before, after);
    EXPECT_EQ(static_cast<CPixel*>(after)[5], 0u);

    ASSERT_EQ(image.SetSizeFromPoint({7, 3}), eSuccess);
    EXPECT_EQ(image.GetWidth(), 7);
    EXPECT_EQ(image.GetHeight(), 3);
}

TEST(Image, PixelPointerOfUncreatedAndCompressedImages)
{
    CImage empty;
    void* pixels = reinterpret_cast<void*>(1);
    EXPECT_EQ(empty.GetPixelPointer(&pixels, nullptr), eGenericFailure);
    EXPECT_EQ(pixels, nullptr);

    CImage flat(20, 20);
    ASSERT_EQ(flat.Compress(), eSuccess);
    ASSERT_TRUE(flat.IsCompressed());
    pixels = reinterpret_cast<void*>(1);
    EXPECT_EQ(flat.GetPixelPointer(&pixels, nullptr), eSuccess);
    EXPECT_EQ(pixels, nullptr);
    CImNav nav(&flat, nullptr);
    EXPECT_FALSE(nav.IsLocked());
}

TEST(Image, PixelPointerAddressesThePoint)
{
    CImage image(10, 10);
    void* base = nullptr;
    void* at = nullptr;
    ASSERT_EQ(image.GetPixelPointer(&base, nullptr), eSuccess);
    gCPoint point{3, 2};
    ASSERT_EQ(image.GetPixelPointer(&at, &point), eSuccess);
    EXPECT_EQ(static_cast<CPixel*>(at) - static_cast<CPixel*>(base), 23);
}

namespace {

// Pixels in long runs with transparent noise between them.
void FillRuns(CImage& image, uint32_t seed)
{
    std::mt19937 random(seed);
    CImNav nav(&image, nullptr);
    for (int32_t y = 0; y < nav.GetHeight(); ++y) {
        CPixel* row = nav.Row(y);
        for (int32_t x = 0; x < nav.GetWidth();) {
            int32_t length = int32_t(random() % 20) + 1;
            CPixel colour = (random() % 3 == 0) ? (random() & 0x00FFFFFF) : (random() | 0xFF000000);
            for (int32_t i = 0; i < length && x < nav.GetWidth(); ++i, ++x)
                row[x] = (random() % 7 == 0) ? (random() | 0xFF000000) : colour;
        }
    }
}

} // namespace

TEST(Image, CompressRoundTripKeepsEveryVisiblePixel)
{
    CImage image(64, 40);
    FillRuns(image, 7);
    CImage copy(64, 40);
    {
        CImNav from(&image, nullptr), to(&copy, nullptr);
        for (int32_t y = 0; y < 40; ++y)
            std::copy(from.Row(y), from.Row(y) + 64, to.Row(y));
    }
    ASSERT_EQ(image.Compress(), eSuccess);
    ASSERT_TRUE(image.IsCompressed());
    EXPECT_FALSE(image.HasPixelBuffer());
    EXPECT_TRUE(image.IsCreated());
    ASSERT_EQ(image.Decompress(), eSuccess);
    EXPECT_FALSE(image.IsCompressed());
    CImNav a(&image, nullptr), b(&copy, nullptr);
    ASSERT_TRUE(a.IsLocked());
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 64; ++x) {
            CPixel original = b.Row(y)[x];
            // Transparent pixels keep only their transparency.
            if (original >> 24)
                ASSERT_EQ(a.Row(y)[x], original) << x << "," << y;
            else
                ASSERT_EQ(a.Row(y)[x] >> 24, 0u);
        }
}

TEST(Image, CompressKeepsRawPixelsWhenTheFormDoesNotPay)
{
    CImage noise(20, 20);
    {
        CImNav nav(&noise, nullptr);
        std::mt19937 random(3);
        for (int32_t y = 0; y < 20; ++y)
            for (int32_t x = 0; x < 20; ++x)
                nav.Row(y)[x] = random() | 0xFF000000;
    }
    ASSERT_EQ(noise.Compress(), eSuccess);
    EXPECT_FALSE(noise.IsCompressed());
    EXPECT_TRUE(noise.HasPixelBuffer());

    CImage aligned(20, 20);
    ASSERT_EQ(aligned.CreateAligned(20, 20), eSuccess);
    ASSERT_EQ(aligned.Compress(), eSuccess);
    EXPECT_FALSE(aligned.IsCompressed());
}

TEST(Image, CompressLimitIsEightyPercentRoundedHalfAway)
{
    EXPECT_EQ(CompressionLimit(10, 10), 80);
    EXPECT_EQ(CompressionLimit(3, 3), 7);
    EXPECT_EQ(CompressionLimit(100, 100), 8000);
}

TEST(Image, CompressAndDecompressReportMemoryFailures)
{
    ForEachAllocationFailure(
        [] {
            CImage image(30, 30);
            if (!image.IsCreated())
                return;
            eResultCode compressed = image.Compress();
            if (compressed != eSuccess) {
                EXPECT_EQ(compressed, eNoMemory);
                EXPECT_FALSE(image.IsCompressed());
                EXPECT_TRUE(image.HasPixelBuffer());
                return;
            }
            eResultCode decompressed = image.Decompress();
            if (decompressed != eSuccess) {
                EXPECT_EQ(decompressed, eNoMemory);
                EXPECT_TRUE(image.IsCompressed());
            }
        },
        [](bool) {});
}

TEST(Image, SetSizeOfACompressedImageGivesRawClearedPixels)
{
    CImage image(20, 20);
    ASSERT_EQ(image.Compress(), eSuccess);
    ASSERT_TRUE(image.IsCompressed());
    ASSERT_EQ(image.SetSize(20, 20), eSuccess);
    EXPECT_FALSE(image.IsCompressed());
    CImNav nav(&image, nullptr);
    EXPECT_TRUE(nav.IsLocked());
}

TEST(Image8, CompressRoundTrip)
{
    CImage8 image(50, 30);
    {
        CImNav8 nav(&image, nullptr);
        for (int32_t y = 0; y < 30; ++y)
            for (int32_t x = 0; x < 50; ++x)
                nav.Row(y)[x] = uint8_t((x / 7) * 20 + y % 3 * (x % 11 == 0));
    }
    std::vector<uint8_t> before(50 * 30);
    {
        CImNav8 nav(&image, nullptr);
        for (int32_t y = 0; y < 30; ++y)
            std::copy(nav.Row(y), nav.Row(y) + 50, before.begin() + y * 50);
    }
    ASSERT_EQ(image.Compress(), eSuccess);
    ASSERT_TRUE(image.IsCompressed());
    ASSERT_EQ(image.Decompress(), eSuccess);
    CImNav8 nav(&image, nullptr);
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 50; ++x)
            ASSERT_EQ(nav.Row(y)[x], before[size_t(y * 50 + x)]);
}

#include "platform/Window.h"

TEST(ImageDrawing, ShowsTheClippedAreaAtThePoint)
{
    std::unique_ptr<plat::Window> window = plat::Window::Create(40, 30, 0);
    if (!window)
        GTEST_SKIP() << "no window system";
    CImage image(10, 8);
    {
        CImNav nav(&image, nullptr);
        for (int32_t y = 0; y < 8; ++y)
            for (int32_t x = 0; x < 10; ++x)
                nav.Row(y)[x] = 0xFF000000u | uint32_t(x) << 8 | uint32_t(y);
    }
    const uint32_t background = window->GetPixel(9, 21);
    // Partly outside: clipped to columns 0..3 of rows 6..7, drawn with that size at (5, 20).
    gCRect area{-2, 6, 4, 12};
    gCPoint at{5, 20};
    EXPECT_EQ(image.DrawToWindow(window.get(), &area, &at), eSuccess);
    EXPECT_EQ(window->GetPixel(5, 20), 0xFF000006u);
    EXPECT_EQ(window->GetPixel(8, 21), 0xFF000307u);
    EXPECT_EQ(window->GetPixel(9, 21), background);
    EXPECT_EQ(window->GetPixel(5, 22), background);

    gCRect outside{20, 20, 30, 30};
    EXPECT_EQ(image.DrawToWindow(window.get(), &outside, &at), eSuccess);

    CImage8 grey(2, 2);
    {
        CImNav8 nav(&grey, nullptr);
        nav.Row(1)[1] = 0x40;
    }
    gCPoint corner{0, 0};
    EXPECT_EQ(grey.DrawToWindow(window.get(), nullptr, &corner), eSuccess);
    EXPECT_EQ(window->GetPixel(1, 1), 0xFF404040u);
}
