// Resampling between 8-bit and 32-bit images: small cases worked out by hand, and run-length
// sources of both sizes giving what their raw pixels give.
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/Resample.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using Values = std::vector<uint32_t>;

// Pixels of either size as 32-bit values, row by row.
void Put(CImageBase& image, const Values& values)
{
    CImNavBase nav(&image, nullptr);
    for (int32_t y = 0; y < nav.GetHeight(); ++y)
        for (int32_t x = 0; x < nav.GetWidth(); ++x) {
            uint32_t v = values[size_t(y * nav.GetWidth() + x)];
            auto* row = static_cast<uint8_t*>(nav.GetFirstPixel()) + ptrdiff_t(y) * nav.GetRowBytes();
            if (nav.GetBytesPerPixel() == 4)
                reinterpret_cast<CPixel*>(row)[x] = v;
            else
                row[x] = uint8_t(v);
        }
}

Values Get(CImageBase& image)
{
    CImNavBase nav(&image, nullptr);
    Values values;
    for (int32_t y = 0; y < nav.GetHeight(); ++y) {
        auto* row = static_cast<const uint8_t*>(nav.GetFirstPixel()) + ptrdiff_t(y) * nav.GetRowBytes();
        for (int32_t x = 0; x < nav.GetWidth(); ++x)
            values.push_back(nav.GetBytesPerPixel() == 4 ? reinterpret_cast<const CPixel*>(row)[x] : row[x]);
    }
    return values;
}

std::unique_ptr<CImageBase> Make(bool wide, int32_t width, int32_t height)
{
    if (wide)
        return std::make_unique<CImage>(width, height);
    return std::make_unique<CImage8>(width, height);
}

// Equal, or with edgeAddsOne the raw value may exceed the run-length one by 1 in a channel,
// and only in the outer columns.
void ExpectAgree(const Values& raw, const Values& packed, bool edgeAddsOne, int32_t width)
{
    ASSERT_EQ(raw.size(), packed.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == packed[i])
            continue;
        ASSERT_TRUE(edgeAddsOne) << "at " << i;
        const int32_t x = int32_t(i % size_t(width));
        EXPECT_TRUE(x < 2 || x >= width - 2) << "inner column " << x;
        for (int shift : {0, 8, 16}) {
            const int32_t more = int32_t(raw[i] >> shift & 0xFF) - int32_t(packed[i] >> shift & 0xFF);
            EXPECT_TRUE(more == 0 || more == 1) << "at " << i << ": " << more;
        }
    }
}

} // namespace

// Reduction boxes are 2 x 2 here. 32 -> 8 divides the box's R + G + B by 3n at once (12 / 12 = 1,
// where greying each pixel first would give 0). Bilinear 32 -> 8 interpolates, then greys:
// blue 255 and red 255 meet at 127 + 127 -> 84, though each end alone is 85. The 8-bit
// bilinear rounds towards minus infinity (-9856 >> 8 = -39 gives 88) and adds 1 on the edge.
TEST(ResampleMix, EightAndThirtyTwoBitMixesWorkedByHand)
{
    enum eOp { eReduce, eStretch, eNearest };
    struct sCase {
        const char* name;
        eOp op;
        bool wideSource, wideDestination;
        int32_t w, h;
        Values source;
        int32_t W, H;
        Values expected;
    };
    const Values box8 = {10, 20, 30, 41, 50, 60, 70, 80};
    const Values box32 = {0xFF000004, 0xFF000004, 0xFF0000FF, 0xFF00FF00,
                          0xFF000004, 0xFF000000, 0xFFFF0000, 0x00000000};
    const sCase cases[] = {
        {"reduce 8 to 8", eReduce, false, false, 4, 2, box8, 2, 1, {35, 55}},
        {"reduce 8 to 32", eReduce, false, true, 4, 2, box8, 2, 1, {0xFF232323, 0xFF373737}},
        {"reduce 32 to 8", eReduce, true, false, 4, 2, box32, 2, 1, {1, 63}},
        {"stretch 32 to 8", eStretch, true, false, 2, 1, {0xFF0000FF, 0xFFFF0000}, 4, 1, {85, 85, 84, 85}},
        {"stretch 8 to 8", eStretch, false, false, 2, 2, {0, 255, 100, 0}, 4, 4,
         {0, 0, 127, 255, 0, 0, 127, 255, 50, 50, 88, 128, 100, 100, 50, 0}},
        {"stretch 8 to 32", eStretch, false, true, 2, 1, {0, 255}, 4, 1,
         {0xFF000000, 0xFF000000, 0xFF7F7F7F, 0xFFFFFFFF}},
        {"nearest 8 to 32", eNearest, false, true, 2, 1, {10, 200}, 4, 1,
         {0xFF0A0A0A, 0xFF0A0A0A, 0xFFC8C8C8, 0xFFC8C8C8}},
        {"nearest 8 to 8", eNearest, false, false, 4, 1, {1, 2, 3, 4}, 2, 1, {1, 3}},
    };
    for (const sCase& c : cases) {
        std::unique_ptr<CImageBase> source = Make(c.wideSource, c.w, c.h);
        std::unique_ptr<CImageBase> destination = Make(c.wideDestination, c.W, c.H);
        Put(*source, c.source);
        eResultCode result = c.op == eNearest ? ResizeImageNearest(destination.get(), source.get())
                                              : StretchImage(destination.get(), source.get(), c.op == eReduce);
        ASSERT_EQ(result, eSuccess) << c.name;
        EXPECT_EQ(Get(*destination), c.expected) << c.name;
    }
}

// The run-length readers and samplers are a second implementation of every path; for each mix
// of sizes they must give what the raw pixels give, enlarging and reducing. The one intended
// difference: the raw 8-bit edge rule adds 1 before weighting, the 8-bit sampler does not.
TEST(ResampleMix, RunLengthSourcesOfBothSizesGiveTheRawResults)
{
    std::mt19937 random(11);
    for (bool wideSource : {false, true}) {
        const int32_t w = 96, h = 64;
        Values pixels(size_t(w * h));
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                pixels[size_t(y * w + x)] =
                    (x / 9 + y / 6) % 3 == 0 ? uint32_t(random()) | 0xFF000000u : 0xFF5A3C1Eu + uint32_t(y / 8);
        std::unique_ptr<CImageBase> raw = Make(wideSource, w, h), packed = Make(wideSource, w, h);
        Put(*raw, pixels);
        Put(*packed, pixels);
        ASSERT_EQ(packed->Compress(), eSuccess);
        ASSERT_TRUE(packed->IsCompressed()) << wideSource;
        for (bool wideDestination : {false, true})
            for (auto [W, H] : {std::pair{13, 9}, {30, 20}, {200, 150}, {40, 130}}) {
                for (int32_t reduce : {0, 1}) {
                    std::unique_ptr<CImageBase> a = Make(wideDestination, W, H), b = Make(wideDestination, W, H);
                    ASSERT_EQ(StretchImage(a.get(), raw.get(), reduce), eSuccess);
                    ASSERT_EQ(StretchImage(b.get(), packed.get(), reduce), eSuccess);
                    // Enlarging an 8-bit source across, the columns beyond the first and last
                    // source pixel take the edge rule, which adds one in the raw form only.
                    const bool edgeAddsOne = !wideSource && W > w;
                    ExpectAgree(Get(*a), Get(*b), edgeAddsOne, W);
                }
                std::unique_ptr<CImageBase> a = Make(wideDestination, W, H), b = Make(wideDestination, W, H);
                ASSERT_EQ(ResizeImageNearest(a.get(), raw.get()), eSuccess);
                ASSERT_EQ(ResizeImageNearest(b.get(), packed.get()), eSuccess);
                EXPECT_EQ(Get(*a), Get(*b)) << wideSource << wideDestination << " nearest " << W << "x" << H;
            }
        EXPECT_TRUE(packed->IsCompressed()) << "the source stays in its run-length form";
    }
}
