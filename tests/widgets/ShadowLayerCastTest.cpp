// Shadows of shaped widgets that take part in layer shadows: the unblurred shape they keep for
// the layer, and a shaped shadow cast through another widget's layer.
#include "widgets/CWidgetEffectLayerShadow.h"

#include "WidgetTestSupport.h"
#include "imaging/CImNav8.h"
#include "imaging/CImage8.h"
#include "imaging/CRLE8.h"
#include "widgets/CCoWidget.h"
#include "widgets/CImWidget.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// A coloured widget (whose coverage the layer renders) that hands its shape to its effects
// whenever they refresh.
class CShapedPaint : public CCoWidget {
public:
    explicit CShapedPaint(CImage* shape) : mShape(shape) { SetColour(0xFF0000FFu, false); }
    eResultCode RefreshEffect(CWidgetEffectBase* effect, bool update) override
    {
        PNU_TRY(effect->RefreshWithMask(mShape));
        RecalcBounds();
        return Invalidate(update);
    }

private:
    CImage* mShape;
};

std::vector<uint32_t> MaskValues(CRLE8& mask)
{
    std::vector<uint32_t> values;
    for (int32_t y = 0; y < mask.GetHeight(); ++y) {
        mask.Seek(0, y);
        for (int32_t x = 0; x < mask.GetWidth(); ++x)
            values.push_back(mask.ReadNext());
    }
    return values;
}

} // namespace

// In layer mode or with layer ids a shadow keeps its owner's coverage, unblurred and owner-sized,
// for the layer to render; otherwise it keeps none. A rectangular owner's coverage is all 255.
TEST(ShadowLayerCast, TheKeptShapeMaskIsTheOwnersUnblurredShape)
{
    ScopedResourceContext context;
    const int32_t w = 6, h = 4;
    CImage shape(w, h);
    std::vector<uint32_t> alphas, full(size_t(w * h), 255);
    {
        CImNav nav(&shape, nullptr);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                uint32_t a = uint32_t(x * 40 + y * 7);
                nav.Row(y)[x] = a << 24 | 0x123456;
                alphas.push_back(a);
            }
    }
    struct sCase {
        const char* name;
        std::function<void(CWidgetEffectShadow&)> setUp;
        CImage* shape;
        const std::vector<uint32_t>* expected; // null: no mask kept
    };
    const sCase cases[] = {
        {"plain shaped", [](CWidgetEffectShadow&) {}, &shape, nullptr},
        {"layer mode, shaped", [](CWidgetEffectShadow& s) { s.SetLayerMode(true); }, &shape, &alphas},
        {"layer id, shaped", [](CWidgetEffectShadow& s) { EXPECT_EQ(s.AddLayerId(5, false), eSuccess); }, &shape,
         &alphas},
        {"layer mode, rectangular", [](CWidgetEffectShadow& s) { s.SetLayerMode(true); }, nullptr, &full},
        {"layer id removed again",
         [](CWidgetEffectShadow& s) {
             EXPECT_EQ(s.AddLayerId(5, false), eSuccess);
             EXPECT_EQ(s.RefreshWithMask(nullptr), eSuccess);
             s.RemoveLayerId(5, false);
         },
         &shape, nullptr},
    };
    for (const sCase& c : cases) {
        CCoWidget owner;
        owner.SetVisible(true, false);
        ASSERT_EQ(owner.SetSize(w, h, false), eSuccess);
        auto* shadow = new CWidgetEffectShadow;
        ASSERT_EQ(shadow->SetRadius(2.0f), eSuccess);
        ASSERT_EQ(owner.AttachUnderEffect(shadow, 0, false), eSuccess);
        c.setUp(*shadow);
        ASSERT_EQ(shadow->RefreshWithMask(c.shape), eSuccess) << c.name;
        CRLE8* mask = shadow->GetShapeMask();
        if (!c.expected) {
            EXPECT_EQ(mask, nullptr) << c.name;
            continue;
        }
        ASSERT_NE(mask, nullptr) << c.name;
        EXPECT_EQ(mask->GetWidth(), w) << c.name;
        EXPECT_EQ(mask->GetHeight(), h) << c.name;
        EXPECT_EQ(MaskValues(*mask), *c.expected) << c.name;
    }
}

// A shaped child's shadow cast through its panel's layer (rendered in the same pass by a layer
// shadow that draws nothing itself) falls only where the layer has coverage: the child's own
// square. With full coverage L = 255 and opacity 255 the mask's 255 gives ((255 + 1) x 256 x 255)
// >> 16 = 255: the shadow colour (black) itself.
TEST(ShadowLayerCast, AShapedShadowFallsOnlyOnTheLayersCoverage)
{
    ScopedResourceContext context;
    CImage shape(10, 10);
    {
        CImNav nav(&shape, nullptr);
        CPixel opaque = 0xFF000000u;
        nav.Fill(&opaque);
    }
    for (bool clipToShape : {false, true}) {
        CBackdrop backdrop;
        PrepareBackdrop(backdrop, 60, 40);
        backdrop.SetBackgroundColour(0xFFFFFFFFu);
        auto* panel = AddAt(backdrop, new CCoWidget, gCRect{0, 0, 60, 40});
        panel->SetColour(0x00FFFFFFu, false);
        panel->SetId(77);
        auto* layerShadow = new CWidgetEffectLayerShadow;
        layerShadow->SetUserValue(1);
        ASSERT_EQ(panel->AttachMiddleEffect(layerShadow, 0, false), eSuccess);
        auto* child = AddAt(*panel, new CShapedPaint(&shape), gCRect{10, 10, 20, 20});
        auto* cast = new CWidgetEffectShadow;
        ASSERT_EQ(cast->SetRadius(0.1f), eSuccess);
        ASSERT_EQ(cast->SetOffset(gCPoint{6, 6}, false), eSuccess);
        ASSERT_EQ(cast->SetOpacity(255, false), eSuccess);
        cast->SetClipToShape(clipToShape);
        ASSERT_EQ(cast->AddLayerId(77, false), eSuccess);
        ASSERT_EQ(child->AttachOverEffect(cast, 0, false), eSuccess);
        ASSERT_NE(cast->GetBlurredMask(), nullptr) << "a shaped shadow";
        ASSERT_EQ(backdrop.InvalidateArea(gCRect{0, 0, 60, 40}, true), eSuccess);

        CImNav window(backdrop.GetOffscreenImage(), nullptr);
        ASSERT_TRUE(window.IsLocked());
        EXPECT_EQ(window.Row(12)[12] & 0x00FFFFFFu, 0x0000FFu) << "the child outside its shadow";
        EXPECT_EQ(window.Row(23)[23] & 0x00FFFFFFu, 0xFFFFFFu) << "beyond the layer's coverage";
        if (clipToShape) {
            EXPECT_EQ(window.Row(18)[18] & 0x00FFFFFFu, 0x0000FFu) << "cut out under the child";
        } else {
            EXPECT_EQ(window.Row(18)[18] & 0x00FFFFFFu, 0u) << "over the child, where the layer is covered";
        }
    }
}

// An image widget whose picture is held in its run-length form gives its effects and its layer
// coverage the same shape as one holding the raw pixels.
TEST(ShadowLayerCast, AnImageWidgetsShapeIsTheSameFromItsRunLengthForm)
{
    ScopedResourceContext context;
    auto picture = [] {
        auto* image = new CImage(40, 30);
        CImNav nav(image, nullptr);
        for (int32_t y = 0; y < 30; ++y)
            for (int32_t x = 0; x < 40; ++x)
                nav.Row(y)[x] = (x < 10 ? 0u : x < 25 ? 0x80u : 0xFFu) << 24 | (y < 15 ? 0x336699u : 0x996633u);
        return image;
    };
    std::vector<uint32_t> masks[2];
    std::vector<uint8_t> coverage[2];
    for (int compressed : {0, 1}) {
        CImWidget widget;
        widget.SetVisible(true, false);
        CImage* image = picture();
        if (compressed) {
            ASSERT_EQ(image->Compress(), eSuccess);
            ASSERT_TRUE(image->IsCompressed());
        }
        ASSERT_EQ(widget.SetImage(image, true, false), eSuccess);
        auto* shadow = new CWidgetEffectShadow;
        ASSERT_EQ(shadow->SetRadius(1.5f), eSuccess);
        ASSERT_EQ(widget.AttachUnderEffect(shadow, 0, false), eSuccess);
        ASSERT_NE(shadow->GetBlurredMask(), nullptr) << compressed;
        masks[compressed] = MaskValues(const_cast<CRLE8&>(*shadow->GetBlurredMask()));
        CImage8 mask(40, 30);
        ASSERT_EQ(widget.DrawAlphaMask(&mask), eSuccess);
        CImNav8 nav(&mask, nullptr);
        for (int32_t y = 0; y < 30; ++y)
            coverage[compressed].insert(coverage[compressed].end(), nav.Row(y), nav.Row(y) + 40);
    }
    EXPECT_EQ(masks[1], masks[0]);
    EXPECT_EQ(coverage[1], coverage[0]);
    EXPECT_EQ(coverage[0][5], 0);
    EXPECT_EQ(coverage[0][15], 0x80);
    EXPECT_EQ(coverage[0][30], 0xFF);
}
