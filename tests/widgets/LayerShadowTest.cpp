#include "widgets/CWidgetEffectLayerShadow.h"

#include "WidgetTestSupport.h"
#include "imaging/CImNav8.h"
#include "imaging/CImage8.h"
#include "widgets/CCoWidget.h"

#include <gtest/gtest.h>

namespace {

class LayerShadowTest : public ::testing::Test {
protected:
    ScopedResourceContext context;
};

TEST_F(LayerShadowTest, ImagesFollowTheOwnerAndTheDownsampleLevelIsClamped)
{
    const int32_t before = CWidgetEffectShadow::GetLayerShadowCount();
    {
        CCoWidget owner;
        ASSERT_EQ(owner.SetSize(100, 40, false), eSuccess);
        auto* shadow = new CWidgetEffectLayerShadow;
        EXPECT_EQ(CWidgetEffectShadow::GetLayerShadowCount(), before + 1);
        shadow->SetDownsampleLevel(25);
        EXPECT_EQ(shadow->GetDownsampleLevel(), 10);
        shadow->SetDownsampleLevel(-3);
        EXPECT_EQ(shadow->GetDownsampleLevel(), 0);
        shadow->SetDownsampleLevel(1);
        ASSERT_EQ(owner.AttachUnderEffect(shadow, 0, false), eSuccess);
        // Radius 7: margin 15, so the layer is 130 x 70 and the small image 130/2 + 2 by 70/2 + 2.
        ASSERT_NE(shadow->GetLayerImage(), nullptr);
        EXPECT_EQ(shadow->GetLayerImage()->GetWidth(), 130);
        EXPECT_EQ(shadow->GetLayerImage()->GetHeight(), 70);
        ASSERT_NE(shadow->GetSmallImage(), nullptr);
        EXPECT_EQ(shadow->GetSmallImage()->GetWidth(), 67);
        EXPECT_EQ(shadow->GetSmallImage()->GetHeight(), 37);
        EXPECT_FALSE(shadow->GetDirtyRegion().IsEmpty()) << "a new layer waits to be rendered";
    }
    EXPECT_EQ(CWidgetEffectShadow::GetLayerShadowCount(), before);
}

// A transparent panel casts, through its layer shadow, the shadow of a blue child; the child's
// own shadow is in layer mode and reports the child's moves.
TEST_F(LayerShadowTest, TheShadowFollowsAChildThatMoves)
{
    CBackdrop backdrop;
    PrepareBackdrop(backdrop, 60, 40);
    backdrop.SetBackgroundColour(0xFFFFFFFFu);
    auto* panel = AddAt(backdrop, new CCoWidget, gCRect{0, 0, 60, 40});
    panel->SetColour(0x00FFFFFFu, false);
    auto* child = AddAt(*panel, new CCoWidget, gCRect{10, 10, 20, 20});
    child->SetColour(0xFF0000FFu, false);
    auto* reporter = new CWidgetEffectShadow;
    reporter->SetLayerMode(true);
    ASSERT_EQ(child->AttachUnderEffect(reporter, 0, false), eSuccess);
    auto* layerShadow = new CWidgetEffectLayerShadow;
    ASSERT_EQ(layerShadow->SetRadius(1.0f), eSuccess);
    ASSERT_EQ(layerShadow->SetOffset(gCPoint{6, 6}, false), eSuccess);
    ASSERT_EQ(layerShadow->SetOpacity(255, false), eSuccess);
    ASSERT_EQ(panel->AttachUnderEffect(layerShadow, 0, false), eSuccess);
    ASSERT_EQ(backdrop.InvalidateArea(gCRect{0, 0, 60, 40}, true), eSuccess);

    auto at = [&](int32_t x, int32_t y) {
        CImNav window(backdrop.GetOffscreenImage(), nullptr);
        return window.IsLocked() ? window.Row(y)[x] & 0x00FFFFFFu : 0xDEADBEEFu;
    };
    // The child spans 10..19: its shadow 16..25, seen where the child does not cover it.
    EXPECT_EQ(at(23, 23), 0u) << "the core of the shadow";
    EXPECT_EQ(at(5, 5), 0xFFFFFFu);
    EXPECT_EQ(at(15, 15), 0x0000FFu) << "the child over its shadow";
    EXPECT_EQ(at(45, 23), 0xFFFFFFu);

    ASSERT_EQ(child->SetPosition(35, 10, false), eSuccess);
    EXPECT_FALSE(layerShadow->GetDirtyRegion().IsEmpty()) << "the move reached the panel's layer";
    ASSERT_EQ(backdrop.Update(), eSuccess);
    EXPECT_EQ(at(23, 23), 0xFFFFFFu) << "the old shadow is gone";
    EXPECT_EQ(at(48, 23), 0u) << "the shadow moved with the child";
    EXPECT_TRUE(layerShadow->GetDirtyRegion().IsEmpty());
}

// A shadow with the panel's id among its layer ids is painted only where the panel's layer
// (rendered in the same pass by a layer shadow that draws nothing itself) has coverage.
TEST_F(LayerShadowTest, ALayerIdShadowFallsOnlyOnTheLayersCoverage)
{
    CBackdrop backdrop;
    PrepareBackdrop(backdrop, 60, 40);
    backdrop.SetBackgroundColour(0xFFFFFFFFu);
    auto* panel = AddAt(backdrop, new CCoWidget, gCRect{0, 0, 60, 40});
    panel->SetColour(0x00FFFFFFu, false);
    panel->SetId(77);
    auto* layerShadow = new CWidgetEffectLayerShadow;
    layerShadow->SetUserValue(1);
    ASSERT_EQ(panel->AttachMiddleEffect(layerShadow, 0, false), eSuccess);
    auto* child = AddAt(*panel, new CCoWidget, gCRect{10, 10, 20, 20});
    child->SetColour(0xFF0000FFu, false);
    auto* cast = new CWidgetEffectShadow;
    ASSERT_EQ(cast->SetRadius(0.1f), eSuccess);
    ASSERT_EQ(cast->SetOffset(gCPoint{6, 6}, false), eSuccess);
    ASSERT_EQ(cast->SetOpacity(255, false), eSuccess);
    ASSERT_EQ(cast->AddLayerId(77, false), eSuccess);
    ASSERT_EQ(child->AttachOverEffect(cast, 0, false), eSuccess);
    ASSERT_EQ(backdrop.InvalidateArea(gCRect{0, 0, 60, 40}, true), eSuccess);

    CImNav window(backdrop.GetOffscreenImage(), nullptr);
    ASSERT_TRUE(window.IsLocked());
    EXPECT_EQ(window.Row(18)[18] & 0x00FFFFFFu, 0u) << "over the child, where the layer is covered";
    EXPECT_EQ(window.Row(12)[12] & 0x00FFFFFFu, 0x0000FFu) << "outside the shadow";
    EXPECT_EQ(window.Row(23)[23] & 0x00FFFFFFu, 0xFFFFFFu) << "beyond the layer's coverage";
    EXPECT_EQ(cast->GetMarkedPass() + 1, int32_t(backdrop.GetUpdateCount())) << "marked in the pass just drawn";
}

} // namespace

namespace {

// A panel whose own layer shadow casts its children's shadows, the first child at `x`.
struct sCastingPanel {
    sCastingPanel(int32_t level, float radius, int32_t x)
    {
        PrepareBackdrop(backdrop, 120, 60);
        panel = AddAt(backdrop, new CCoWidget, gCRect{0, 0, 100, 40});
        panel->SetColour(0x00FFFFFFu, false);
        first = AddAt(*panel, new CCoWidget, gCRect{x, 5, x + 10, 15});
        first->SetColour(0xFF0000FFu, false);
        // Small blocks in two staggered rows: coverage that changes all along the panel.
        for (int32_t bx = 0; bx < 100; bx += 6) {
            AddAt(*panel, new CCoWidget, gCRect{bx, 18, bx + 3, 21})->SetColour(0xFF00FF00u, false);
            AddAt(*panel, new CCoWidget, gCRect{bx + 3, 24, bx + 6, 27})->SetColour(0x8000FF00u, false);
        }
        auto* reporter = new CWidgetEffectShadow;
        reporter->SetLayerMode(true);
        EXPECT_EQ(first->AttachUnderEffect(reporter, 0, false), eSuccess);
        shadow = new CWidgetEffectLayerShadow;
        EXPECT_EQ(shadow->SetRadius(radius), eSuccess);
        shadow->SetDownsampleLevel(level);
        EXPECT_EQ(panel->AttachUnderEffect(shadow, 0, false), eSuccess);
        EXPECT_EQ(backdrop.InvalidateArea(gCRect{0, 0, 120, 60}, true), eSuccess);
    }
    uint8_t Small(int32_t x, int32_t y, int32_t put = -1)
    {
        CImNav8 small(const_cast<CImage8*>(shadow->GetSmallImage()), nullptr);
        EXPECT_TRUE(small.IsLocked());
        if (put >= 0)
            small.Row(y)[x] = uint8_t(put);
        return small.IsLocked() ? small.Row(y)[x] : 0;
    }
    CBackdrop backdrop;
    CCoWidget* panel = nullptr;
    CCoWidget* first = nullptr;
    CWidgetEffectLayerShadow* shadow = nullptr;
};

// A child's move re-renders and reduces only the part of the layer it reaches, and gives the
// small image a panel drawn from scratch in the new state has.
TEST_F(LayerShadowTest, AMoveReducesOnlyTheAreaItReachesAndMatchesAWholeRender)
{
    const struct {
        int32_t level;
        float radius;
    } cases[] = {{0, 1.0f}, {1, 1.0f}, {1, 3.0f}, {2, 2.5f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "level " << c.level << " radius " << c.radius);
        sCastingPanel moved(c.level, c.radius, 5);
        const CImage8* small = moved.shadow->GetSmallImage();
        ASSERT_NE(small, nullptr);
        // Far right of the move: a value no reduction gives there.
        const int32_t farX = small->GetWidth() - 1, farY = small->GetHeight() - 1;
        moved.Small(farX, farY, 77);
        ASSERT_EQ(moved.first->SetPosition(7, 5, false), eSuccess);
        ASSERT_EQ(moved.backdrop.Update(), eSuccess);
        EXPECT_EQ(moved.Small(farX, farY), 77) << "reduced beyond the change";
        moved.Small(farX, farY, 0);

        sCastingPanel fresh(c.level, c.radius, 7);
        ASSERT_EQ(fresh.shadow->GetSmallImage()->GetWidth(), small->GetWidth());
        int32_t differences = 0;
        for (int32_t y = 0; y < small->GetHeight(); ++y)
            for (int32_t x = 0; x < small->GetWidth(); ++x)
                if (moved.Small(x, y) != fresh.Small(x, y) && differences++ < 3)
                    ADD_FAILURE() << x << "," << y << ": " << int(moved.Small(x, y)) << " against "
                                  << int(fresh.Small(x, y));
        EXPECT_EQ(differences, 0);
    }
}

// A layer rendered in the drawing pass (the over list) holds the coverage of the whole tree from
// the owner's root, siblings of the owner included, in the owner's coordinates.
TEST_F(LayerShadowTest, TheOverListLayerIsRenderedFromTheRoot)
{
    for (bool backdropRoot : {false, true}) {
        SCOPED_TRACE(backdropRoot);
        CBackdrop backdrop;
        CCoWidget plainRoot;
        CWidget* root = &plainRoot;
        if (backdropRoot) {
            PrepareBackdrop(backdrop, 60, 40);
            root = &backdrop;
        } else {
            plainRoot.SetVisible(true, false);
            plainRoot.SetColour(0x00000000u, false);
            ASSERT_EQ(plainRoot.SetSize(60, 40, false), eSuccess);
        }
        auto* owner = AddAt(*root, new CCoWidget, gCRect{10, 10, 40, 30});
        owner->SetColour(0x00FFFFFFu, false);
        AddAt(*owner, new CCoWidget, gCRect{15, 5, 20, 10})->SetColour(0xFF000000u, false);
        AddAt(*root, new CCoWidget, gCRect{0, 0, 20, 20})->SetColour(0xFF000000u, false);
        auto* shadow = new CWidgetEffectLayerShadow;
        ASSERT_EQ(shadow->SetRadius(1.0f), eSuccess);
        ASSERT_EQ(owner->AttachOverEffect(shadow, 0, false), eSuccess);
        ASSERT_EQ(shadow->GetUserValue(), 2u);
        CImage target(60, 40);
        ASSERT_EQ(shadow->Draw(gCRect{0, 0, 30, 20}, &target, 255), eSuccess);
        EXPECT_EQ(shadow->GetSmallImage(), nullptr);
        CImNav8 layer(shadow->GetLayerImage(), nullptr);
        ASSERT_TRUE(layer.IsLocked());
        EXPECT_EQ(layer.Row(2)[2], 255) << "the owner's sibling";
        EXPECT_EQ(layer.Row(7)[17], 255) << "the owner's child";
        EXPECT_EQ(layer.Row(15)[25], backdropRoot ? 255 : 0) << "only the root there";
        EXPECT_EQ(target.GetOrigin(), (gCPoint{0, 0}));
        EXPECT_EQ(shadow->GetLayerImage()->GetOrigin(), (gCPoint{0, 0}));
    }
}

// Coverage merged from an image in root coordinates lands at the owner's place in the layer,
// grown by the margin, clipped to the layer and to the source, never lowering what is there.
TEST_F(LayerShadowTest, MergedCoverageLandsAtTheOwnersPlaceGrownByTheMargin)
{
    CBackdrop backdrop;
    PrepareBackdrop(backdrop, 60, 40);
    auto* owner = AddAt(backdrop, new CCoWidget, gCRect{10, 10, 30, 30});
    auto* shadow = new CWidgetEffectLayerShadow;
    ASSERT_EQ(shadow->SetRadius(1.0f), eSuccess); // margin 2: the layer is 24 x 24
    ASSERT_EQ(owner->AttachUnderEffect(shadow, 0, false), eSuccess);
    // Source pixel (x, y) holds root point (x + 5, y + 5).
    CImage8 source;
    ASSERT_EQ(source.SetSize(30, 30), eSuccess);
    {
        CImNav8 fill(&source, nullptr);
        fill.Fill(200);
        fill.Row(5)[5] = 90;
    }
    source.SetOrigin(gCPoint{-5, -5});
    ASSERT_EQ(shadow->MergeIntoLayer(&source, gCRect{12, 12, 14, 14}), eSuccess);
    EXPECT_EQ(source.GetOrigin(), (gCPoint{-5, -5}));
    const struct {
        int32_t x, y;
        uint8_t value;
    } cases[] = {
        {2, 2, 90},   // root (10, 10), grown from (12, 12)
        {7, 7, 200},  // the last pixel of the grown area
        {8, 8, 0},    // beyond it
        {1, 4, 0},    // left of it
    };
    CImNav8 layer(shadow->GetLayerImage(), nullptr);
    ASSERT_TRUE(layer.IsLocked());
    for (const auto& c : cases)
        EXPECT_EQ(layer.Row(c.y)[c.x], c.value) << c.x << "," << c.y;
    ASSERT_EQ(shadow->MergeIntoLayer(&source, gCRect{-100, -100, 100, 100}), eSuccess);
    EXPECT_EQ(layer.Row(2)[2], 90) << "the larger value stays";
    EXPECT_EQ(layer.Row(23)[23], 200);
}

} // namespace
