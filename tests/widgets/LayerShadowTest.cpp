#include "widgets/CWidgetEffectLayerShadow.h"

#include "WidgetTestSupport.h"
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
