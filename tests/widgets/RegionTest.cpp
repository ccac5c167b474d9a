#include "widgets/CRegion.h"

#include "support/AllocationFailure.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <utility>
#include <vector>

namespace {

using PixelSet = std::set<std::pair<int, int>>;

std::vector<gCRect> RectsOf(const CRegion& region)
{
    std::vector<gCRect> rects;
    for (int32_t i = 0; i < region.GetCount(); ++i)
        rects.push_back(region.GetRect(i));
    return rects;
}

void AddPixels(PixelSet& set, const gCRect& r)
{
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            set.insert({x, y});
}

void RemovePixels(PixelSet& set, const gCRect& r)
{
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            set.erase({x, y});
}

// The region's invariants and its area against the pixel set.
void ExpectMatches(const CRegion& region, const PixelSet& expected)
{
    PixelSet covered;
    gCRect box;
    bool first = true;
    for (const gCRect& r : RectsOf(region)) {
        ASSERT_FALSE(r.IsEmpty());
        ASSERT_LT(r.left, r.right);
        ASSERT_LT(r.top, r.bottom);
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                ASSERT_TRUE(covered.insert({x, y}).second) << "rectangles overlap";
        if (first)
            box = r;
        box.left = std::min(box.left, r.left);
        box.top = std::min(box.top, r.top);
        box.right = std::max(box.right, r.right);
        box.bottom = std::max(box.bottom, r.bottom);
        first = false;
    }
    EXPECT_EQ(covered, expected);
    EXPECT_EQ(region.GetBounds(), box);
}

gCRect RandomRect(std::mt19937& random)
{
    std::uniform_int_distribution<int> coord(0, 24);
    std::uniform_int_distribution<int> size(0, 12);
    int left = coord(random), top = coord(random);
    return gCRect{left, top, left + size(random), top + size(random)};
}

TEST(SubtractRect, PiecesInOrderTopBottomLeftRight)
{
    struct Case {
        gCRect a, b;
        std::vector<gCRect> pieces;
    } cases[] = {
        {{0, 0, 20, 20}, {5, 5, 15, 15},
         {{0, 0, 20, 5}, {0, 15, 20, 20}, {0, 5, 5, 15}, {15, 5, 20, 15}}},
        {{0, 0, 10, 10}, {0, 0, 20, 20}, {}},
        {{0, 0, 10, 10}, {10, 0, 20, 10}, {{0, 0, 10, 10}}},
        {{0, 0, 10, 10}, {20, 20, 30, 30}, {{0, 0, 10, 10}}},
        {{0, 0, 10, 10}, {-5, 5, 15, 15}, {{0, 0, 10, 5}}},
        {{0, 0, 10, 10}, {3, -5, 7, 15}, {{0, 0, 3, 10}, {7, 0, 10, 10}}},
    };
    for (const Case& c : cases) {
        gCRect out[4] = {{-1, -1, -1, -1}, {-1, -1, -1, -1}, {-1, -1, -1, -1}, {-1, -1, -1, -1}};
        int32_t n = SubtractRect(c.a, c.b, out);
        ASSERT_EQ(n, int32_t(c.pieces.size()));
        for (int32_t i = 0; i < n; ++i)
            EXPECT_EQ(out[i], c.pieces[size_t(i)]) << i;
        if (n == 0) {
            EXPECT_EQ(out[0], (gCRect{-1, -1, -1, -1}));
        }
    }
}

TEST(Region, AddingKeepsStoredRectanglesAndAppendsPieces)
{
    CRegion region;
    ASSERT_EQ(region.AddRect({5, 5, 15, 15}), eSuccess);
    ASSERT_EQ(region.AddRect({0, 0, 10, 10}), eSuccess);
    std::vector<gCRect> expected{{5, 5, 15, 15}, {0, 0, 10, 5}, {0, 5, 5, 10}};
    EXPECT_EQ(RectsOf(region), expected);
    EXPECT_EQ(region.GetBounds(), (gCRect{0, 0, 15, 15}));

    // Empty, or already inside: nothing changes.
    ASSERT_EQ(region.AddRect({3, 3, 3, 9}), eSuccess);
    ASSERT_EQ(region.AddRect({6, 6, 9, 9}), eSuccess);
    EXPECT_EQ(RectsOf(region), expected);

    // A rectangle that covers the stored ones replaces them and goes last, whole.
    ASSERT_EQ(region.AddRect({20, 20, 22, 22}), eSuccess);
    ASSERT_EQ(region.AddRect({-1, -1, 16, 16}), eSuccess);
    expected = {{20, 20, 22, 22}, {-1, -1, 16, 16}};
    EXPECT_EQ(RectsOf(region), expected);
}

TEST(Region, SubtractingSplitsInPlaceAndAppends)
{
    CRegion region;
    ASSERT_EQ(region.AddRect({0, 0, 20, 20}), eSuccess);
    ASSERT_EQ(region.SubtractRect({5, 5, 15, 15}), eSuccess);
    std::vector<gCRect> expected{{0, 0, 20, 5}, {0, 15, 20, 20}, {0, 5, 5, 15}, {15, 5, 20, 15}};
    EXPECT_EQ(RectsOf(region), expected);

    // Overlapping nothing and containing nothing: list and box untouched.
    ASSERT_EQ(region.SubtractRect({40, 40, 50, 50}), eSuccess);
    EXPECT_EQ(RectsOf(region), expected);
    EXPECT_EQ(region.GetBounds(), (gCRect{0, 0, 20, 20}));

    CRegion nothing;
    ASSERT_EQ(region.SubtractRegion(nothing), eSuccess);
    EXPECT_EQ(RectsOf(region), expected);

    ASSERT_EQ(region.SubtractRegion(region), eSuccess);
    EXPECT_EQ(region.GetCount(), 0);
    EXPECT_EQ(region.GetBounds(), gCRect{});
}

TEST(Region, ClipOffsetAndCopy)
{
    CRegion region;
    EXPECT_EQ(region.ClipToRect({0, 0, 10, 10}), 0);
    region.Offset({5, 5});
    EXPECT_EQ(region.GetBounds(), gCRect{});

    ASSERT_EQ(region.AddRect({2, 2, 4, 4}), eSuccess);
    ASSERT_EQ(region.AddRect({8, 8, 30, 30}), eSuccess);
    EXPECT_EQ(region.ClipToRect({5, 5, 5, 20}), 0);
    EXPECT_EQ(region.GetCount(), 2);
    EXPECT_EQ(region.ClipToRect({0, 0, 10, 10}), 1);
    std::vector<gCRect> expected{{2, 2, 4, 4}, {8, 8, 10, 10}};
    EXPECT_EQ(RectsOf(region), expected);
    EXPECT_EQ(region.ClipToRect({50, 50, 60, 60}), 0);
    EXPECT_EQ(region.GetCount(), 0);

    ASSERT_EQ(region.AddRect({0, 0, 3, 3}), eSuccess);
    region.Offset({-1, 2});
    EXPECT_EQ(region.GetBounds(), (gCRect{-1, 2, 2, 5}));
    gCArray<gCRect> out;
    ASSERT_EQ(region.CopyRects(out), eSuccess);
    ASSERT_EQ(out.GetSize(), 1);
    EXPECT_EQ(out[0], (gCRect{-1, 2, 2, 5}));
    region.Clear();
    ASSERT_EQ(region.CopyRects(out), eSuccess);
    EXPECT_EQ(out.GetSize(), 0);
    EXPECT_EQ(out.GetData(), nullptr);
}

TEST(Region, SetRectMinusRegion)
{
    CRegion holes;
    ASSERT_EQ(holes.AddRect({2, 2, 4, 4}), eSuccess);
    CRegion region;
    ASSERT_EQ(region.AddRect({100, 100, 101, 101}), eSuccess);
    ASSERT_EQ(region.SetRectMinusRegion(holes, {0, 0, 0, 5}), eSuccess);
    EXPECT_EQ(region.GetCount(), 0);
    ASSERT_EQ(region.SetRectMinusRegion(holes, {0, 0, 6, 6}), eSuccess);
    PixelSet expected;
    AddPixels(expected, {0, 0, 6, 6});
    RemovePixels(expected, {2, 2, 4, 4});
    ExpectMatches(region, expected);
}

// Random sequences of every operation against a plain set of pixels.
TEST(Region, MatchesPixelSetModel)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 300; ++round) {
        CRegion region;
        PixelSet model;
        for (int step = 0; step < 25; ++step) {
            gCRect r = RandomRect(random);
            switch (random() % 6) {
            case 0:
            case 1:
                ASSERT_EQ(region.AddRect(r), eSuccess);
                AddPixels(model, r);
                break;
            case 2:
                ASSERT_EQ(region.SubtractRect(r), eSuccess);
                RemovePixels(model, r);
                break;
            case 3: {
                CRegion other;
                gCRect s = RandomRect(random);
                ASSERT_EQ(other.AddRect(r), eSuccess);
                ASSERT_EQ(other.AddRect(s), eSuccess);
                if (random() % 2) {
                    ASSERT_EQ(region.AddRegion(other), eSuccess);
                    AddPixels(model, r);
                    AddPixels(model, s);
                } else {
                    ASSERT_EQ(region.SubtractRegion(other), eSuccess);
                    RemovePixels(model, r);
                    RemovePixels(model, s);
                }
                break;
            }
            case 4: {
                gCRect clip = RandomRect(random);
                clip.right += 6;
                clip.bottom += 6;
                clip.left -= 3;
                int32_t kept = region.ClipToRect(clip);
                PixelSet clipped;
                for (auto p : model)
                    if (p.first >= clip.left && p.first < clip.right && p.second >= clip.top &&
                        p.second < clip.bottom)
                        clipped.insert(p);
                if (!region.IsEmpty() && !clip.IsEmpty()) {
                    EXPECT_EQ(kept, clipped.empty() ? 0 : 1);
                }
                if (kept == 0)
                    region.Clear();
                model = kept ? clipped : PixelSet();
                break;
            }
            case 5: {
                CRegion copy;
                ASSERT_EQ(copy.SetRectMinusRegion(region, r), eSuccess);
                PixelSet rest;
                AddPixels(rest, r);
                for (auto p : model)
                    rest.erase(p);
                ExpectMatches(copy, rest);
                break;
            }
            }
            ExpectMatches(region, model);
            if (HasFatalFailure())
                return;
        }
    }
}

PixelSet PixelsOf(const CRegion& region)
{
    PixelSet set;
    for (const gCRect& r : RectsOf(region))
        AddPixels(set, r);
    return set;
}

// Running out of memory halfway must never lose area that was already dirty, nor keep a
// half-subtracted rectangle: the region is either as before or as asked.
TEST(Region, OutOfMemoryLosesNoArea)
{
    const gCRect added{5, 5, 15, 15};
    const gCRect removed{4, 4, 6, 6};
    int failures = 0;
    for (int64_t k = 1;; ++k) {
        CRegion region;
        for (gCRect r : {gCRect{0, 0, 10, 10}, gCRect{12, 0, 20, 8}, gCRect{3, 12, 9, 20}})
            ASSERT_EQ(region.AddRect(r), eSuccess);
        PixelSet expected = PixelsOf(region);
        bool hit;
        {
            AllocationFailure failure(k);
            eResultCode result = region.AddRect(added);
            if (result == eSuccess) {
                AddPixels(expected, added);
                EXPECT_EQ(PixelsOf(region), expected);
                result = region.SubtractRect(removed);
                if (result == eSuccess)
                    RemovePixels(expected, removed);
            }
            EXPECT_TRUE(result == eSuccess || result == eNoMemory);
            failures += result == eNoMemory ? 1 : 0;
            hit = failure.Count() >= k;
        }
        EXPECT_EQ(PixelsOf(region), expected) << k;
        if (!hit)
            break;
    }
    EXPECT_GT(failures, 0);
}

} // namespace
