// Effects that draw no shape of their own: the border's dark and light sides, and the border and
// layer shadow refreshing from a shape exactly as without one.
#include "widgets/CWidgetEffectBorder.h"
#include "widgets/CWidgetEffectLayerShadow.h"

#include "WidgetTestSupport.h"
#include "imaging/CImage8.h"
#include "widgets/CCoWidget.h"

#include <gtest/gtest.h>

TEST(EffectRefresh, DarkColourTakesTheBottomAndRightSidesLightTheOthers)
{
    CWidgetEffectBorder border;
    const uint32_t before[] = {border.GetSideColour(CWidgetEffectBorder::eTop),
                               border.GetSideColour(CWidgetEffectBorder::eLeft)};
    const uint32_t dark = 0xFF102030u, light = 0xFFE0D0C0u;
    ASSERT_EQ(border.SetDarkColour(&dark, false), eSuccess);
    EXPECT_EQ(border.GetSideColour(CWidgetEffectBorder::eBottom), dark);
    EXPECT_EQ(border.GetSideColour(CWidgetEffectBorder::eRight), dark);
    EXPECT_EQ(border.GetSideColour(CWidgetEffectBorder::eTop), before[0]);
    EXPECT_EQ(border.GetSideColour(CWidgetEffectBorder::eLeft), before[1]);
    ASSERT_EQ(border.SetLightColour(&light, false), eSuccess);
    EXPECT_EQ(border.GetSideColour(CWidgetEffectBorder::eTop), light);
    EXPECT_EQ(border.GetSideColour(CWidgetEffectBorder::eLeft), light);
    EXPECT_EQ(border.GetSideColour(CWidgetEffectBorder::eBottom), dark);
}

// A shape changes neither effect: the rect, and the layer shadow's images, come out as from a
// plain refresh (radius 7: margin 15, so a 100 x 40 owner has a 130 x 70 layer).
TEST(EffectRefresh, ShapesAreIgnoredByTheBorderAndTheLayerShadow)
{
    ScopedResourceContext context;
    CImage shape(100, 40);
    for (bool withShape : {false, true}) {
        CCoWidget owner;
        owner.SetVisible(true, false);
        ASSERT_EQ(owner.SetSize(100, 40, false), eSuccess);
        auto* border = new CWidgetEffectBorder;
        auto* layer = new CWidgetEffectLayerShadow;
        ASSERT_EQ(owner.AttachOverEffect(border, 0, false), eSuccess);
        ASSERT_EQ(owner.AttachUnderEffect(layer, 0, false), eSuccess);
        const gCRect borderRect = border->GetRect(), layerRect = layer->GetRect();
        ASSERT_EQ(border->RefreshWithMask(withShape ? &shape : nullptr), eSuccess);
        ASSERT_EQ(layer->RefreshWithMask(withShape ? &shape : nullptr), eSuccess);
        EXPECT_EQ(border->GetRect(), borderRect) << withShape;
        EXPECT_EQ(layer->GetRect(), layerRect) << withShape;
        ASSERT_NE(layer->GetLayerImage(), nullptr) << withShape;
        EXPECT_EQ(layer->GetLayerImage()->GetWidth(), 130);
        EXPECT_EQ(layer->GetLayerImage()->GetHeight(), 70);
        EXPECT_EQ(layer->GetBlurredMask(), nullptr) << "no shaped shadow of its own";
    }
}
