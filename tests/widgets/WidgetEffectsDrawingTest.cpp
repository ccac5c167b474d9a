#include "imaging/BlendModes.h"
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/CRLE8.h"
#include "imaging/PixelCompositing.h"
#include "widgets/CBackdrop.h"
#include "widgets/CImWidget.h"
#include "widgets/CMaskWidget.h"
#include "widgets/CWidgetEffectBorder.h"
#include "widgets/CWidgetEffectCutout.h"
#include "widgets/CWidgetEffectGlow.h"
#include "widgets/CWidgetEffectGradient.h"
#include "widgets/CWidgetEffectShadow.h"
#include "widgets/CWidgetEffectTexture.h"
#include "widgets/EffectPixels.h"

#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>

namespace {

// A widget of the given size at the origin, not in any tree.
struct sSizedWidget {
    sSizedWidget(int32_t w, int32_t h)
    {
        widget.SetVisible(true, false);
        EXPECT_EQ(widget.SetSize(w, h, false), eSuccess);
    }
    CPaintWidget widget;
};

// An image filled with one pixel value.
struct sCanvas {
    sCanvas(int32_t w, int32_t h, CPixel fill) : image(w, h)
    {
        CImNav all(&image, nullptr);
        all.Fill(&fill);
    }
    CPixel At(int32_t x, int32_t y)
    {
        CImNav all(&image, nullptr);
        return all.Row(y)[x];
    }
    CImage image;
};

int32_t Round(float v) { return v > 0.0f ? int32_t(v + 0.5f) : int32_t(v - 0.5f); }

// The per-channel blend table, written out channel by channel.
uint32_t ExpectedChannel(int32_t mode, int32_t s, int32_t d, int32_t sa)
{
    auto mix = [&](int32_t m) { return (d + (((m - d) * sa) >> 8)) & 0xFF; };
    switch (mode) {
    case 1:
        if (sa == 0) return uint32_t(d);
        return uint32_t(sa == 255 ? ((s + 1) * d) >> 8 : mix(((s + 1) * d) >> 8));
    case 2: {
        if (sa == 0) return uint32_t(d);
        if (sa == 255) return uint32_t(255 - (((256 - s) * (255 - d)) >> 8));
        int32_t di = 255 - d, si = 255 - s;
        int32_t m = ((si + 1) * di) >> 8;
        return uint32_t(255 - ((di + (((m - di) * sa) >> 8)) & 0xFF));
    }
    case 3: {
        if (sa == 0) return uint32_t(d);
        int32_t m = d <= 127 ? (d * (s + 1)) >> 7 : 255 - (((256 - s) * (255 - d)) >> 7);
        return uint32_t(sa == 255 ? m : mix(m));
    }
    case 4:
        if (sa == 0) return uint32_t(d);
        return uint32_t((d * 65536 + (256 - d) * (s + 1) * sa) >> 16);
    case 5:
        if (sa == 0) return uint32_t(d);
        return uint32_t((d * 65536 - d * (256 - s) * sa) >> 16);
    case 6:
        return uint32_t((d - ((((128 - s) * (sa + 1) + 1) * (d - ((d * (d + 1)) >> 8))) >> 15)) & 0xFF);
    default:
        return uint32_t(d);
    }
}

CPixel ExpectedBlend(int32_t mode, CPixel s, CPixel d)
{
    uint32_t sa = s >> 24;
    if (mode == 0) {
        if (sa == 0) return d;
        if (sa == 255) return (s & 0x00FFFFFFu) | (d & 0xFF000000u);
        uint32_t rb = ((d & 0x00FF00FFu) + ((sa * (((s & 0x00FF00FFu) - (d & 0x00FF00FFu) + 0x00010001u))) >> 8)) & 0x00FF00FFu;
        uint32_t g = ((PixelGreen(d) * 256 + (PixelGreen(s) - PixelGreen(d) + 1) * sa) >> 8) & 0xFF;
        return (d & 0xFF000000u) | rb | (g << 8);
    }
    if (mode < 0 || mode > 6)
        return d;
    auto ch = [&](int shift) {
        return ExpectedChannel(mode, int32_t((s >> shift) & 0xFF), int32_t((d >> shift) & 0xFF), int32_t(sa));
    };
    return (d & 0xFF000000u) | (ch(16) << 16) | (ch(8) << 8) | ch(0);
}

CPixel Scaled(CPixel c, uint32_t alpha) { return (c & 0x00FFFFFFu) | (uint32_t(uint64_t(c >> 8) * (alpha + 1)) & 0xFF000000u); }

// The two end colours of a ramp that is one colour throughout.
void MakeFlat(CWidgetEffectGradient& g, CPixel colour)
{
    ASSERT_GE(g.GetGradient().AddGradientPoint(&colour, 0.0f), 0);
    ASSERT_GE(g.GetGradient().AddGradientPoint(&colour, 1.0f), 0);
    g.GetGradient().BuildTable();
    ASSERT_EQ(g.GetGradient().GetEntry(0), colour);
    ASSERT_EQ(g.GetGradient().GetEntry(4095), colour);
}

TEST(GradientEffect, BlendModesFollowTheirFormulasPerChannel)
{
    struct sCase {
        CPixel source;
        CPixel target;
        uint32_t alpha;
    };
    const sCase cases[] = {
        {0xFF3080C0u, 0xFF204060u, 255}, {0xFF3080C0u, 0xFFA0F010u, 255}, {0xC0FF0080u, 0xFF808080u, 255},
        {0x80102030u, 0x7FC0A0E0u, 255}, {0xFFE0E0E0u, 0xFF7F8081u, 100}, {0x00C8C8C8u, 0xFF40A0FEu, 255},
        {0xFF000000u, 0xFFFFFFFFu, 3},
    };
    for (int32_t mode = 0; mode <= 7; ++mode) {
        for (const sCase& c : cases) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " source " << std::hex << c.source << " target " << c.target);
            sSizedWidget w(4, 3);
            auto* g = new CWidgetEffectGradient();
            MakeFlat(*g, c.source);
            g->SetBlendMode(mode);
            ASSERT_EQ(w.widget.AttachUnderEffect(g, 0, false), eSuccess);
            sCanvas canvas(4, 3, c.target);
            gCRect area{0, 0, 4, 3};
            ASSERT_EQ(g->Draw(area, &canvas.image, c.alpha), eSuccess);
            EXPECT_EQ(canvas.At(2, 1), ExpectedBlend(mode, Scaled(c.source, c.alpha), c.target));
        }
    }
}

TEST(GradientEffect, SoftLightActsWhereTheSourceIsTransparent)
{
    sSizedWidget w(2, 2);
    auto* g = new CWidgetEffectGradient();
    MakeFlat(*g, 0x00C8C8C8u);
    g->SetBlendMode(6);
    ASSERT_EQ(w.widget.AttachUnderEffect(g, 0, false), eSuccess);
    sCanvas canvas(2, 2, 0xFF405060u);
    ASSERT_EQ(g->Draw({0, 0, 2, 2}, &canvas.image, 255), eSuccess);
    EXPECT_EQ(canvas.At(0, 0), 0xFF415161u);
}

TEST(GradientEffect, LinearRampsDownAndAcross)
{
    CPixel black = 0xFF000000u, white = 0xFFFFFFFFu;
    CGradient reference(&black, &white);
    {
        sSizedWidget w(3, 100);
        auto* g = new CWidgetEffectGradient();
        ASSERT_EQ(w.widget.AttachUnderEffect(g, 0, false), eSuccess);
        sCanvas canvas(3, 100, 0xFF0000FFu);
        ASSERT_EQ(g->Draw({0, 0, 3, 100}, &canvas.image, 255), eSuccess);
        for (int32_t row : {0, 1, 50, 99})
            EXPECT_EQ(canvas.At(1, row), reference.GetColour(row, 100)) << row;
        EXPECT_EQ(canvas.At(0, 0), 0xFF000000u);
    }
    {
        // A quarter turn on a wide widget: the ramp runs from its end at the left to its start at
        // the right, through the 16.16 accumulator.
        const int32_t W = 64, H = 4;
        sSizedWidget w(W, H);
        auto* g = new CWidgetEffectGradient();
        g->SetAngle(0.25f);
        ASSERT_EQ(w.widget.AttachUnderEffect(g, 0, false), eSuccess);
        sCanvas canvas(W, H, 0xFF0000FFu);
        ASSERT_EQ(g->Draw({0, 0, W, H}, &canvas.image, 255), eSuccess);
        reference.BuildTable();
        float t = 0.25f * 6.2831855f, s = std::sin(t), c = std::cos(t);
        float L = std::fabs(float(H) * c) + std::fabs(float(W) * s);
        int32_t dx = Round(-s / L * 65535.0f * 4095.0f), dy = Round(c / L * 65535.0f * 4095.0f);
        int32_t start = -(dx * W) / 2 - (dy * H) / 2 + 0x7FF8000;
        for (int32_t row = 0; row < H; ++row)
            for (int32_t col = 0; col < W; ++col) {
                int32_t acc = dy * row + dx * col + start;
                ASSERT_EQ(canvas.At(col, row), reference.GetEntry(std::clamp(acc >> 16, 0, 4095))) << col << "," << row;
            }
        EXPECT_GT(PixelRed(canvas.At(0, 0)), 250u);
        EXPECT_LT(PixelRed(canvas.At(W - 1, 0)), 5u);
    }
}

TEST(GradientEffect, RadialAndAngularIndexesFromTheCentre)
{
    CPixel black = 0xFF000000u, white = 0xFFFFFFFFu;
    CGradient reference(&black, &white);
    reference.BuildTable();
    const int32_t W = 10, H = 10;
    {
        sSizedWidget w(W, H);
        auto* g = new CWidgetEffectGradient();
        g->SetGradientType(CWidgetEffectGradient::eRadial);
        ASSERT_EQ(w.widget.AttachUnderEffect(g, 0, false), eSuccess);
        sCanvas canvas(W, H, 0xFF0000FFu);
        ASSERT_EQ(g->Draw({0, 0, W, H}, &canvas.image, 255), eSuccess);
        EXPECT_EQ(canvas.At(0, 0), reference.GetEntry(4095));
        EXPECT_EQ(canvas.At(5, 5), reference.GetEntry(0));
        double scale = 4095.0 / std::sqrt(double(5.0f * 5.0f + 5.0f * 5.0f));
        for (auto [x, y] : {std::pair{1, 2}, {7, 3}, {9, 9}, {5, 0}})
            EXPECT_EQ(canvas.At(x, y), reference.GetEntry(int32_t(std::sqrt(double(float((x - 5) * (x - 5) + (y - 5) * (y - 5)))) * scale + 0.5)));
    }
    {
        // A centre far outside the widget still picks entries inside the table.
        sSizedWidget w(W, H);
        auto* g = new CWidgetEffectGradient();
        g->SetGradientType(CWidgetEffectGradient::eRadial);
        g->SetCentre(-40.0f, 3.0f);
        ASSERT_EQ(w.widget.AttachUnderEffect(g, 0, false), eSuccess);
        sCanvas canvas(W, H, 0xFF0000FFu);
        ASSERT_EQ(g->Draw({0, 0, W, H}, &canvas.image, 255), eSuccess);
    }
    {
        sSizedWidget w(W, H);
        auto* g = new CWidgetEffectGradient();
        g->SetGradientType(CWidgetEffectGradient::eAngular);
        g->SetAngle(0.1f);
        ASSERT_EQ(w.widget.AttachUnderEffect(g, 0, false), eSuccess);
        sCanvas canvas(W, H, 0xFF0000FFu);
        ASSERT_EQ(g->Draw({0, 0, W, H}, &canvas.image, 255), eSuccess);
        const float twoPi = 6.2831855f;
        double a0 = (1.0 - double(0.1f) - 0.25) * double(twoPi);
        float start = float(a0 + M_PI);
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x) {
                float theta = float(std::atan2(double(y - 5), double(x - 5)) + double(start));
                if (theta > twoPi)
                    theta -= twoPi;
                ASSERT_EQ(canvas.At(x, y), reference.GetEntry(std::clamp(Round(theta * 651.7395f), 0, 4095))) << x << "," << y;
            }
    }
}

TEST(GradientEffect, ShapedCacheTakesTheShapeAlpha)
{
    sSizedWidget w(4, 2);
    auto* g = new CWidgetEffectGradient();
    MakeFlat(*g, 0xFF20C040u);
    ASSERT_EQ(w.widget.AttachUnderEffect(g, 0, false), eSuccess);
    sCanvas shape(4, 2, 0x00000000u);
    {
        CImNav all(&shape.image, nullptr);
        all.Row(0)[0] = 0xFF000000u;
        all.Row(1)[3] = 0x80000000u;
    }
    ASSERT_EQ(g->RefreshWithMask(&shape.image), eSuccess);
    ASSERT_NE(g->GetCache(), nullptr);
    sCanvas canvas(4, 2, 0xFF808080u);
    ASSERT_EQ(g->Draw({0, 0, 4, 2}, &canvas.image, 255), eSuccess);
    EXPECT_EQ(canvas.At(0, 0), 0xFF20C040u);
    EXPECT_EQ(canvas.At(1, 0), 0xFF808080u);
    EXPECT_EQ(canvas.At(3, 1), ExpectedBlend(0, Scaled(0xFF20C040u, 0x80), 0xFF808080u));
    // Unknown types draw nothing; unknown modes leave the target as it was.
    g->SetBlendMode(7);
    ASSERT_EQ(g->Draw({0, 0, 4, 2}, &canvas.image, 255), eSuccess);
    EXPECT_EQ(canvas.At(1, 0), 0xFF808080u);
}

// The row loops against the per-pixel blend of each pixel's colour over a varied base: every mode,
// stops that are not opaque, partial opacity, areas that cut the rows short, and the shaped path.
// A cache shaped by a fully opaque mask holds each pixel's colour unchanged.
TEST(GradientEffect, RowsMatchThePerPixelBlend)
{
    const int32_t W = 23, H = 9;
    auto under = [](int32_t x, int32_t y) { return uint32_t(x * 0x0B3D1F07u + y * 0x5A17C3E9u); };
    auto withBase = [&](CImage& image) {
        CImNav all(&image, nullptr);
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x)
                all.Row(y)[x] = under(x, y);
    };
    sCanvas opaque(W, H, 0xFF000000u), shape(W, H, 0u);
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x)
            CImNav(&shape.image, nullptr).Row(y)[x] = uint32_t((x * 37 + y * 11) & 0xFF) << 24;
    const CPixel stops[] = {0xFF30C050u, 0x80E02010u, 0x00104080u};
    for (auto [type, angle] : {std::pair{CWidgetEffectGradient::eLinear, 0.0f}, {CWidgetEffectGradient::eLinear, 0.3f},
                               {CWidgetEffectGradient::eRadial, 0.0f}})
        for (int32_t mode = 0; mode <= 6; ++mode)
            for (uint32_t alpha : {255u, 170u})
                for (const gCRect& area : {gCRect{0, 0, W, H}, gCRect{3, 2, 17, 8}, gCRect{22, 0, 23, 9}}) {
                    SCOPED_TRACE(testing::Message() << "type " << type << " angle " << angle << " mode " << mode
                                                    << " alpha " << alpha << " left " << area.left);
                    // Plain, holding the colours, and shaped.
                    sSizedWidget owners[3] = {{W, H}, {W, H}, {W, H}};
                    CWidgetEffectGradient* g[3];
                    for (int32_t i = 0; i < 3; ++i) {
                        g[i] = new CWidgetEffectGradient();
                        for (int32_t k = 0; k < 3; ++k)
                            ASSERT_GE(g[i]->GetGradient().AddGradientPoint(&stops[k], float(k) * 0.4f), 0);
                        g[i]->SetGradientType(type);
                        g[i]->SetAngle(angle);
                        g[i]->SetBlendMode(mode);
                        ASSERT_EQ(owners[i].widget.AttachUnderEffect(g[i], 0, false), eSuccess);
                    }
                    ASSERT_EQ(g[1]->RefreshWithMask(&opaque.image), eSuccess);
                    ASSERT_EQ(g[2]->RefreshWithMask(&shape.image), eSuccess);
                    CImage plain(W, H), shaped(W, H);
                    withBase(plain);
                    withBase(shaped);
                    ASSERT_EQ(g[0]->Draw(area, &plain, alpha), eSuccess);
                    ASSERT_EQ(g[2]->Draw(area, &shaped, alpha), eSuccess);
                    CImNav colours(const_cast<CImage*>(g[1]->GetCache()), nullptr);
                    CImNav cache(const_cast<CImage*>(g[2]->GetCache()), nullptr);
                    CImNav drawn(&plain, nullptr), drawnShaped(&shaped, nullptr);
                    for (int32_t y = 0; y < H; ++y)
                        for (int32_t x = 0; x < W; ++x) {
                            const CPixel b = under(x, y);
                            const bool inside = x >= area.left && x < area.right && y >= area.top && y < area.bottom;
                            auto over = [&](CPixel c) { return inside ? BlendModePixel(mode, Scaled(c, alpha), b) : b; };
                            ASSERT_EQ(drawn.Row(y)[x], over(colours.Row(y)[x])) << x << "," << y;
                            ASSERT_EQ(drawnShaped.Row(y)[x], over(cache.Row(y)[x])) << x << "," << y;
                        }
                }
}

TEST(BorderEffect, LightAndDarkEdgesWithDoubleBlendedCorners)
{
    sSizedWidget w(6, 4);
    auto* b = new CWidgetEffectBorder();
    ASSERT_EQ(w.widget.AttachOverEffect(b, 0, false), eSuccess);
    EXPECT_EQ(b->GetRect(), (gCRect{0, 0, 6, 4}));
    sCanvas canvas(6, 4, 0xFF808080u);
    ASSERT_EQ(b->Draw({0, 0, 6, 4}, &canvas.image, 255), eSuccess);
    auto blend = [](CPixel d, CPixel c) { BlendPixel(&d, &c); return d; };
    const CPixel grey = 0xFF808080u, light = 0xA0FFFFFFu, dark = 0x80000000u;
    EXPECT_EQ(canvas.At(0, 0), blend(blend(grey, light), light));
    EXPECT_EQ(canvas.At(2, 0), blend(grey, light));
    EXPECT_EQ(canvas.At(0, 2), blend(grey, light));
    EXPECT_EQ(canvas.At(5, 2), blend(grey, dark));
    EXPECT_EQ(canvas.At(2, 3), blend(grey, dark));
    EXPECT_EQ(canvas.At(5, 3), blend(blend(grey, dark), dark));
    EXPECT_EQ(canvas.At(5, 0), blend(blend(grey, light), dark));
    EXPECT_EQ(canvas.At(2, 1), grey);
    EXPECT_GT(PixelRed(canvas.At(2, 0)), 0x80u);
    EXPECT_LT(PixelRed(canvas.At(2, 3)), 0x80u);

    // Inside areas touch no edge; alpha scales the colours; alpha 0 does not even lock.
    sCanvas inner(6, 4, grey);
    ASSERT_EQ(b->Draw({1, 1, 5, 3}, &inner.image, 255), eSuccess);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 6; ++x)
            ASSERT_EQ(inner.At(x, y), grey);
    sCanvas faint(6, 4, grey);
    ASSERT_EQ(b->Draw({0, 0, 6, 4}, &faint.image, 64), eSuccess);
    EXPECT_EQ(faint.At(2, 0), blend(grey, Scaled(light, 64)));
    EXPECT_EQ(b->Draw({0, 0, 6, 4}, nullptr, 0), eSuccess);
    EXPECT_EQ(b->Draw({0, 0, 6, 4}, nullptr, 255), eNoMemory);
}

TEST(CutoutEffect, InnerEdgeFromTheShiftedBlur)
{
    sSizedWidget w(12, 12);
    auto* c = new CWidgetEffectCutout();
    ASSERT_EQ(w.widget.AttachMiddleEffect(c, 0, false), eSuccess);
    ASSERT_NE(c->GetCutoutMask(), nullptr);
    sCanvas canvas(12, 12, 0xFFFFFFFFu);
    ASSERT_EQ(c->Draw({0, 0, 12, 12}, &canvas.image, 255), eSuccess);
    // Defaults: offset (1, 1), so the top and left edges are darker than the bottom and right.
    EXPECT_LT(PixelRed(canvas.At(0, 6)), PixelRed(canvas.At(11, 6)));
    EXPECT_LT(PixelRed(canvas.At(6, 0)), PixelRed(canvas.At(6, 11)));
    EXPECT_EQ(canvas.At(6, 6), 0xFFFFFFFFu);

    // An offset beyond the blur margin (g = 2) paints the uncovered columns fully.
    ASSERT_EQ(c->SetOffset({5, 0}, false), eSuccess);
    sCanvas shifted(12, 12, 0xFFFFFFFFu);
    ASSERT_EQ(c->Draw({0, 0, 12, 12}, &shifted.image, 255), eSuccess);
    for (int32_t y = 0; y < 12; ++y)
        for (int32_t x = 0; x < 3; ++x)
            ASSERT_EQ(shifted.At(x, y), 0xFF000000u) << x << "," << y;
    EXPECT_EQ(shifted.At(8, 6), 0xFFFFFFFFu);

    sCanvas none(12, 12, 0xFFFFFFFFu);
    ASSERT_EQ(c->Draw({0, 0, 12, 12}, &none.image, 0), eSuccess);
    EXPECT_EQ(none.At(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(c->SetRadius(-1.0f), eBadParameter);
    ASSERT_EQ(c->SetRadius(0.3f), eSuccess);
    ASSERT_EQ(w.widget.RefreshEffect(c, false), eSuccess);
    EXPECT_EQ(c->GetCutoutMask()->GetWidth(), 12);
}

// An offset of 3 with radius 1 (g = 2) cuts the first two columns whole, the next two by the blur's
// edge, and nothing beyond. An offset that takes the blurred shape off the owner cuts all of it,
// in every direction; an owner its parent hides has nothing to cut.
TEST(CutoutEffect, AnOffsetCutsTheUncoveredEdgeAndAHiddenOwnerNothing)
{
    {
        sSizedWidget w(12, 12);
        auto* c = new CWidgetEffectCutout();
        ASSERT_EQ(w.widget.AttachMiddleEffect(c, 0, false), eSuccess);
        ASSERT_EQ(c->SetOffset({3, 0}, false), eSuccess);
        sCanvas canvas(12, 12, 0xFFFFFFFFu);
        ASSERT_EQ(c->Draw({0, 0, 12, 12}, &canvas.image, 255), eSuccess);
        const CPixel row[6] = {0xFF000000u, 0xFF000000u, 0xFF414141u, 0xFFBFBFBFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
        for (int32_t x = 0; x < 6; ++x)
            EXPECT_EQ(canvas.At(x, 6), row[x]) << x;
    }
    // Far offsets, and offsets that put the blur's span just beside the owner (radius 1).
    const struct {
        gCPoint offset;
        float radius;
    } far[] = {{{100, 0}, 0}, {{-100, 0}, 0}, {{0, 100}, 0}, {{0, -100}, 0},
               {{19, 0}, 1}, {{-19, 0}, 1}, {{0, 19}, 1}, {{0, -19}, 1}};
    for (const auto& [offset, radius] : far) {
        sSizedWidget w(12, 12);
        auto* c = new CWidgetEffectCutout();
        ASSERT_EQ(w.widget.AttachMiddleEffect(c, 0, false), eSuccess);
        if (radius > 0) {
            ASSERT_EQ(c->SetRadius(radius), eSuccess);
        }
        ASSERT_EQ(c->SetOffset(offset, false), eSuccess);
        sCanvas canvas(12, 12, 0xFFFFFFFFu);
        ASSERT_EQ(c->Draw({0, 0, 12, 12}, &canvas.image, 255), eSuccess);
        for (int32_t y = 0; y < 12; ++y)
            for (int32_t x = 0; x < 12; ++x)
                ASSERT_EQ(canvas.At(x, y), 0xFF000000u) << offset.x << "," << offset.y << " at " << x << "," << y;
    }

    CWidget parent;
    parent.SetVisible(true, false);
    ASSERT_EQ(parent.SetSize(30, 25, false), eSuccess);
    auto* hidden = AddAt(parent, new CPaintWidget(), {40, 0, 52, 12});
    auto* cutout = new CWidgetEffectCutout();
    ASSERT_EQ(hidden->AttachMiddleEffect(cutout, 0, false), eSuccess);
    EXPECT_TRUE(cutout->GetMaskArea().IsEmpty());
    sCanvas canvas(12, 12, 0xFFFFFFFFu);
    ASSERT_EQ(cutout->Draw({0, 0, 12, 12}, &canvas.image, 255), eSuccess);
    EXPECT_EQ(canvas.At(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(canvas.At(11, 11), 0xFFFFFFFFu);
}

// The cutout builds and blurs only what of its owner can show, and gives there what it gives for
// the whole owner; what can show growing later is built when drawn.
TEST(CutoutEffect, OnlyTheVisiblePartIsBuiltAndItMatchesTheWhole)
{
    auto drawn = [](CWidgetEffectCutout* c, const gCRect& area) {
        auto canvas = std::make_unique<sCanvas>(60, 40, 0xFFFFFFFFu);
        EXPECT_EQ(c->Draw(area, &canvas->image, 255), eSuccess);
        return canvas;
    };
    sSizedWidget whole(60, 40);
    auto* reference = new CWidgetEffectCutout();
    ASSERT_EQ(reference->SetRadius(2.5f), eSuccess);
    ASSERT_EQ(whole.widget.AttachMiddleEffect(reference, 0, false), eSuccess);
    ASSERT_EQ(reference->SetOffset({3, -2}, false), eSuccess);
    EXPECT_EQ(reference->GetMaskArea(), (gCRect{0, 0, 60, 40}));

    CWidget parent;
    parent.SetVisible(true, false);
    ASSERT_EQ(parent.SetSize(30, 25, false), eSuccess);
    auto* clipped = AddAt(parent, new CPaintWidget(), {-10, -5, 50, 35});
    auto* cutout = new CWidgetEffectCutout();
    ASSERT_EQ(cutout->SetRadius(2.5f), eSuccess);
    ASSERT_EQ(clipped->AttachMiddleEffect(cutout, 0, false), eSuccess);
    ASSERT_EQ(cutout->SetOffset({3, -2}, false), eSuccess);
    EXPECT_EQ(cutout->GetMaskArea(), (gCRect{10, 5, 40, 30}));
    EXPECT_EQ(cutout->GetCutoutMask()->GetWidth(), 30);
    const gCRect visible{10, 5, 40, 30};
    auto expected = drawn(reference, visible);
    auto actual = drawn(cutout, visible);
    for (int32_t y = visible.top; y < visible.bottom; ++y)
        for (int32_t x = visible.left; x < visible.right; ++x)
            ASSERT_EQ(actual->At(x, y), expected->At(x, y)) << x << "," << y;

    // The parent grows: the next drawing builds the newly visible part.
    ASSERT_EQ(parent.SetSize(60, 40, false), eSuccess);
    const gCRect grown{10, 5, 60, 40};
    actual = drawn(cutout, grown);
    EXPECT_EQ(cutout->GetMaskArea(), grown);
    expected = drawn(reference, grown);
    for (int32_t y = grown.top; y < grown.bottom; ++y)
        for (int32_t x = grown.left; x < grown.right; ++x)
            ASSERT_EQ(actual->At(x, y), expected->At(x, y)) << x << "," << y;

    // A widget declared far larger than its window blurs only the window's part.
    CBackdrop backdrop;
    PrepareBackdrop(backdrop, 40, 30);
    auto* huge = AddAt(backdrop, new CPaintWidget(), {0, 0, 4000, 4000});
    auto* wide = new CWidgetEffectCutout();
    ASSERT_EQ(huge->AttachMiddleEffect(wide, 0, false), eSuccess);
    EXPECT_EQ(wide->GetMaskArea(), (gCRect{0, 0, 40, 30}));
}

float Gaussian(int32_t entry, int32_t size, float radius)
{
    float n = 3.5f * radius;
    float step = n > 0.5f ? 3.5f / n : 7.0f;
    int32_t k = std::min(Round(n), (size + 1) / 2);
    int32_t fromEdge = std::min(entry, size - 1 - entry);
    if (fromEdge >= k)
        return 1.0f;
    float d = float(k - 1 - fromEdge) * step;
    return std::exp(-0.5f * d * d);
}

TEST(ShadowEffect, RectangularShadowFromTheFalloffTables)
{
    sSizedWidget w(100, 40);
    auto* s = new CWidgetEffectShadow();
    ASSERT_EQ(w.widget.AttachUnderEffect(s, 0, false), eSuccess);
    EXPECT_EQ(s->GetRect(), (gCRect{-7, -7, 123, 63}));
    ASSERT_EQ(s->GetXFalloff().GetSize(), 130);
    ASSERT_EQ(s->GetYFalloff().GetSize(), 70);
    for (int32_t i = 0; i < 130; ++i)
        ASSERT_FLOAT_EQ(s->GetXFalloff()[i], Gaussian(i, 130, 7.0f)) << i;
    EXPECT_LT(s->GetXFalloff()[0], 0.01f);
    EXPECT_LT(s->GetXFalloff()[23], 1.0f);
    EXPECT_EQ(s->GetXFalloff()[24], 1.0f);
    EXPECT_EQ(s->GetXFalloff()[105], 1.0f);
    EXPECT_LT(s->GetXFalloff()[106], 1.0f);

    // Drawn pixel by pixel over a grey target, in target coordinates shifted by (10, 10).
    sCanvas canvas(140, 80, 0xFF808080u);
    canvas.image.SetOrigin({10, 10});
    gCRect area{-7, -7, 123, 63};
    ASSERT_EQ(s->Draw(area, &canvas.image, 255), eSuccess);
    for (int32_t y = -7; y < 63; y += 3)
        for (int32_t x = -7; x < 123; x += 5) {
            float wy = Gaussian(y + 15 - 8, 70, 7.0f), wx = Gaussian(x + 15 - 8, 130, 7.0f);
            int32_t a = std::min(Round(256.0f * wy * wx), 255);
            CPixel expected = 0xFF808080u, c = uint32_t(a) << 24;
            BlendPixel(&expected, &c);
            ASSERT_EQ(canvas.At(x + 10, y + 10), expected) << x << "," << y;
        }
    EXPECT_EQ(canvas.At(60, 40), 0xFF000000u);

    // Clipping to the widget keeps only the part inside its own rectangle.
    s->SetClipToRect(true);
    ASSERT_EQ(w.widget.RefreshEffect(s, false), eSuccess);
    EXPECT_EQ(s->GetRect(), (gCRect{0, 0, 100, 40}));
    // Clipping to the shape leaves the owner's own rectangle untouched.
    s->SetClipToRect(false);
    s->SetClipToShape(true);
    ASSERT_EQ(w.widget.RefreshEffect(s, false), eSuccess);
    sCanvas outside(140, 80, 0xFF808080u);
    outside.image.SetOrigin({10, 10});
    ASSERT_EQ(s->Draw(s->GetRect(), &outside.image, 255), eSuccess);
    EXPECT_EQ(outside.At(70, 40), 0xFF808080u);
    CPixel edge = 0xFF808080u, c = uint32_t(Round(256.0f * Gaussian(41 + 7, 70, 7.0f))) << 24;
    BlendPixel(&edge, &c);
    EXPECT_EQ(outside.At(70, 51), edge);
}

TEST(ShadowEffect, TinyRadiusIsAHardCopyAndNegativeRadiusIsRefused)
{
    sSizedWidget w(10, 6);
    auto* s = new CWidgetEffectShadow();
    ASSERT_EQ(s->SetRadius(0.1f), eSuccess);
    EXPECT_EQ(s->SetRadius(-2.0f), eBadParameter);
    EXPECT_EQ(s->SetRadius(std::nanf("")), eBadParameter);
    EXPECT_EQ(s->GetRadius(), 0.1f);
    ASSERT_EQ(w.widget.AttachUnderEffect(s, 0, false), eSuccess);
    for (int32_t i = 0; i < s->GetXFalloff().GetSize(); ++i)
        ASSERT_EQ(s->GetXFalloff()[i], 1.0f);
    EXPECT_EQ(s->GetRect(), (gCRect{8, 8, 18, 14}));
    ASSERT_EQ(s->SetOffset({-1, 2}, false), eSuccess);
    EXPECT_EQ(s->GetRect(), (gCRect{-1, 2, 9, 8}));
}

TEST(ShadowEffect, ShapedShadowStaysInsideItsWorkImage)
{
    sSizedWidget w(8, 8);
    auto* s = new CWidgetEffectShadow();
    ASSERT_EQ(s->SetRadius(1.0f), eSuccess);
    ASSERT_EQ(w.widget.AttachUnderEffect(s, 0, false), eSuccess);
    sCanvas shape(8, 8, 0xFF000000u);
    ASSERT_EQ(s->RefreshWithMask(&shape.image), eSuccess);
    ASSERT_NE(s->GetBlurredMask(), nullptr);
    EXPECT_EQ(s->GetBlurredMask()->GetWidth(), 12);
    EXPECT_EQ(s->GetRect(), (gCRect{6, 6, 18, 18}));
    sCanvas canvas(30, 30, 0xFFFFFFFFu);
    ASSERT_EQ(s->Draw({0, 0, 30, 30}, &canvas.image, 255), eSuccess);
    EXPECT_EQ(canvas.At(12, 12), 0xFF000000u);
    EXPECT_EQ(canvas.At(2, 2), 0xFFFFFFFFu);
    EXPECT_EQ(canvas.At(25, 25), 0xFFFFFFFFu);
    // Offsets far beyond the work image, with the shape cut out, read and write nothing outside it.
    s->SetClipToShape(true);
    for (gCPoint offset : {gCPoint{1000, -1000}, gCPoint{-3, 4}, gCPoint{INT32_MAX / 2, 0}}) {
        ASSERT_EQ(s->SetOffset(offset, false), eSuccess);
        ASSERT_EQ(s->RefreshWithMask(&shape.image), eSuccess);
        ASSERT_EQ(s->Draw({-5, -5, 30, 30}, &canvas.image, 255), eSuccess);
    }
}

CPixel ExpectedGlow(CPixel d, CPixel c, uint32_t coverage)
{
    uint32_t ca = c >> 24;
    if (coverage == 0 || ca == 0 || (d & 0xFFFFFFu) == 0xFFFFFFu)
        return d;
    uint32_t f = ca * coverage;
    int32_t R = int32_t(PixelRed(d) + ((PixelRed(c) * f) >> 16));
    int32_t G = int32_t(PixelGreen(d) + ((PixelGreen(c) * f) >> 16));
    int32_t B = int32_t(PixelBlue(d) + ((PixelBlue(c) * f) >> 16));
    if (R > 255) { int32_t e = (R - 255) >> 1; G += e; B += e; R = 255; }
    if (G > 255) { int32_t e = (G - 255) >> 1; R += e; if (R > 255) { e += R - 255; R = 255; } B += e; G = 255; }
    if (B > 255) {
        int32_t e = (B - 255) >> 1; R += e; if (R > 255) { e += R - 255; R = 255; } G += e; B = 255;
        if (G > 255) { R = std::min(R + G - 255, 255); G = 255; }
    }
    return 0xFF000000u | uint32_t(R) << 16 | uint32_t(G) << 8 | uint32_t(B);
}

TEST(GlowEffect, LightSpillsIntoTheOtherChannels)
{
    struct sCase {
        CPixel d, c;
        uint32_t coverage;
        CPixel expected;
    };
    const sCase cases[] = {
        {0xFFC80000u, 0xFFFF0000u, 255, 0xFFFF6363u},
        {0x80FFFFFFu, 0xFFFF0000u, 255, 0x80FFFFFFu},
        {0xFF102030u, 0x00FFFFFFu, 255, 0xFF102030u},
        {0xFF102030u, 0xFFFFFFFFu, 0, 0xFF102030u},
        {0x00102030u, 0xFF406080u, 40, ExpectedGlow(0x00102030u, 0xFF406080u, 40)},
        {0xFF00F0F0u, 0xFF00FFFFu, 510, ExpectedGlow(0xFF00F0F0u, 0xFF00FFFFu, 510)},
        {0xFFF0F000u, 0xFFFFFFFFu, 510, ExpectedGlow(0xFFF0F000u, 0xFFFFFFFFu, 510)},
    };
    for (const sCase& c : cases) {
        CPixel d = c.d;
        CWidgetEffectGlow::GlowPixel(&d, &c.c, c.coverage);
        EXPECT_EQ(d, c.expected) << std::hex << c.d << " " << c.c;
        if (d != c.d) {
            EXPECT_EQ(d >> 24, 0xFFu);
        }
    }
}

TEST(GlowEffect, DrawsAtTwiceTheShadowStrength)
{
    sSizedWidget w(20, 20);
    auto* g = new CWidgetEffectGlow();
    EXPECT_EQ(g->GetOpacity(), 100);
    EXPECT_EQ(g->GetColour(), 0xFFFFFF00u);
    EXPECT_EQ(g->GetTypeCode(), 0x676C6678u);
    ASSERT_EQ(w.widget.AttachOverEffect(g, 0, false), eSuccess);
    EXPECT_EQ(g->GetRect(), (gCRect{-22, -22, 42, 42}));
    sCanvas canvas(64, 64, 0xFF202020u);
    canvas.image.SetOrigin({22, 22});
    uint32_t alpha = (uint32_t(g->GetOpacity()) * 256u) >> 8;
    ASSERT_EQ(g->Draw(g->GetRect(), &canvas.image, alpha), eSuccess);
    EXPECT_EQ(canvas.At(32, 32), ExpectedGlow(0xFF202020u, 0xFFFFFF00u, 202));
    int32_t gm = 22;
    for (int32_t y = -22; y < 42; y += 7)
        for (int32_t x = -22; x < 42; x += 3) {
            float wy = Gaussian(y + gm, 64, 10.0f), wx = Gaussian(x + gm, 64, 10.0f);
            ASSERT_EQ(canvas.At(x + 22, y + 22), ExpectedGlow(0xFF202020u, 0xFFFFFF00u, uint32_t(Round(202.0f * wy * wx)))) << x << "," << y;
        }
    // Cut to the shape: the owner's own rectangle stays as it was.
    g->SetClipToShape(true);
    sCanvas cut(64, 64, 0xFF202020u);
    cut.image.SetOrigin({22, 22});
    ASSERT_EQ(g->Draw(g->GetRect(), &cut.image, alpha), eSuccess);
    EXPECT_EQ(cut.At(32, 32), 0xFF202020u);
    EXPECT_NE(cut.At(21, 32), 0xFF202020u);
}

TEST(TextureEffect, TransparentCacheChangesNothing)
{
    sSizedWidget w(5, 5);
    auto* t = new CWidgetEffectTexture();
    ASSERT_EQ(w.widget.AttachMiddleEffect(t, 0, false), eSuccess);
    EXPECT_EQ(t->GetRect(), (gCRect{0, 0, 5, 5}));
    EXPECT_EQ(t->GetCache(), nullptr);
    sCanvas shape(5, 5, 0xFF000000u);
    for (int32_t mode : {0, 1, 2, 3, 4, 5, 9}) {
        t->SetBlendMode(mode);
        ASSERT_EQ(t->RefreshWithMask(&shape.image), eSuccess);
        ASSERT_NE(t->GetCache(), nullptr);
        sCanvas canvas(5, 5, 0xFF336699u);
        ASSERT_EQ(t->Draw({0, 0, 5, 5}, &canvas.image, 255), eSuccess);
        EXPECT_EQ(canvas.At(2, 2), 0xFF336699u) << mode;
    }
    ASSERT_EQ(t->Refresh(), eSuccess);
    EXPECT_EQ(t->GetCache(), nullptr);
    sCanvas canvas(5, 5, 0xFF336699u);
    EXPECT_EQ(t->Draw({0, 0, 5, 5}, &canvas.image, 0), eSuccess);
    EXPECT_EQ(t->Draw({0, 0, 5, 5}, nullptr, 0), eNoMemory);
}

TEST(WidgetEffectLists, DrawnAroundTheContentInListOrder)
{
    CBackdrop backdrop;
    PrepareBackdrop(backdrop, 20, 20);
    auto* w = AddAt(backdrop, new CPaintWidget(0xFF0000FFu), {4, 4, 14, 14});
    auto* under = new CWidgetEffectGradient();
    MakeFlat(*under, 0xFF00FF00u);
    auto* shadow = new CWidgetEffectShadow();
    ASSERT_EQ(shadow->SetRadius(0.1f), eSuccess);
    ASSERT_EQ(shadow->SetOffset({3, 3}, false), eSuccess);
    ASSERT_EQ(shadow->SetOpacityValue(255, false), eSuccess);
    ASSERT_EQ(w->AttachUnderEffect(shadow, 1, false), eSuccess);
    ASSERT_EQ(w->AttachUnderEffect(under, 0, false), eSuccess);
    auto* border = new CWidgetEffectBorder();
    uint32_t red = 0xFFFF0000u;
    ASSERT_EQ(border->SetLightColour(&red, false), eSuccess);
    ASSERT_EQ(w->AttachOverEffect(border, 2, false), eSuccess);
    EXPECT_EQ(w->FindEffectByType(CWidgetEffectBorder::kTypeCode), border);
    EXPECT_EQ(w->GetBounds(), (gCRect{4, 4, 17, 17}));
    ASSERT_EQ(backdrop.Update(), eSuccess);
    EXPECT_EQ(backdrop.GetImagePixel({15, 15}), 0xFF000000u); // shadow beyond the content
    EXPECT_EQ(backdrop.GetImagePixel({8, 8}), 0xFF0000FFu);   // content over the gradient
    EXPECT_EQ(backdrop.GetImagePixel({8, 4}), 0xFFFF0000u);   // border over the content
    // Removing an entry deletes its effect; the rest still draws.
    w->RemoveOverEffect(2);
    EXPECT_EQ(w->FindEffectByType(CWidgetEffectBorder::kTypeCode), nullptr);
}

} // namespace

namespace {

TEST(EffectArithmetic, HalfAwayRoundingStopsAtTheEndsOfTheRange)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float value;
        int32_t rounded;
    } cases[] = {{2.5f, 3},          {-2.5f, -3},         {0.4f, 0},           {nan, 0},
                 {7.25e24f, INT32_MAX}, {-1.0e30f, INT32_MIN}, {2147483520.0f, 2147483520}};
    for (const auto& c : cases) {
        EXPECT_EQ(RoundHalfAway(c.value), c.rounded) << c.value;
        EXPECT_EQ(RoundHalfAway(double(c.value)), c.rounded) << c.value;
    }
}

// The falloff tables span the shadow's rect, which the widget's size and the radius decide: they
// are held to the work-image limit instead of asking for gigabytes.
TEST(ShadowEffect, FalloffTablesAreHeldToTheWorkImageLimit)
{
    CWidgetEffectShadow tables;
    EXPECT_EQ(tables.BuildFalloffTables(70000000, 1), eNoMemory);
    EXPECT_EQ(tables.BuildFalloffTables(INT32_MAX, 8), eNoMemory);
    EXPECT_EQ(tables.GetXFalloff().GetSize(), 0);
    sSizedWidget huge(70000000, 1);
    auto* shadow = new CWidgetEffectShadow();
    EXPECT_EQ(huge.widget.AttachUnderEffect(shadow, 0, false), eNoMemory);
    EXPECT_EQ(shadow->GetXFalloff().GetSize(), 0);
    EXPECT_EQ(shadow->GetYFalloff().GetSize(), 0);
}

// A far-off gradient centre still draws without overflowing (the sanitizer build checks the
// arithmetic).
TEST(GradientEffect, FarCentresDrawWithinTheTable)
{
    sSizedWidget w(16, 8);
    auto* g = new CWidgetEffectGradient();
    ASSERT_EQ(w.widget.AttachUnderEffect(g, 0, false), eSuccess);
    for (int32_t type : {CWidgetEffectGradient::eRadial, CWidgetEffectGradient::eAngular}) {
        g->SetGradientType(type);
        for (float centre : {-1.0e9f, 1.0e9f, 64.0f}) {
            g->SetCentre(centre, -centre);
            sCanvas canvas(16, 8, 0xFF000000u);
            EXPECT_EQ(g->Draw({0, 0, 16, 8}, &canvas.image, 255), eSuccess);
        }
    }
}

} // namespace

namespace {

// A shaped owner hands its shape to its effects whenever they refresh, as image widgets do.
class CShapedOwner : public CPaintWidget {
public:
    explicit CShapedOwner(CImage* shape) : mShape(shape) {}
    eResultCode RefreshEffect(CWidgetEffectBase* effect, bool update) override
    {
        PNU_TRY(effect->RefreshWithMask(mShape));
        RecalcBounds();
        return Invalidate(update);
    }

private:
    CImage* mShape;
};

// Shaped shadows, glows, gradients and cutouts build only what of their owner can show; there they draw
// what they draw for the whole owner, also after what can show has grown. An image or mask widget
// holding its picture in run-length form decodes for each effect only the part it reads (a texture
// reads none of it).
TEST(ShapedEffects, OnlyTheVisiblePartIsBuiltAndItMatchesTheWhole)
{
    auto alphaAt = [](int32_t x, int32_t y) {
        return uint8_t((x - 30) * (x - 30) + (y - 20) * (y - 20) < 300 ? 255 : (x * 4) & 0xFF);
    };
    auto paint = [&](CImage* image) {
        CImNav all(image, nullptr);
        for (int32_t y = 0; y < 40; ++y)
            for (int32_t x = 0; x < 60; ++x)
                all.Row(y)[x] = uint32_t(alphaAt(x, y)) << 24;
    };
    auto paintMask = [&](CImage8* image) {
        CImNav8 all(image, nullptr);
        for (int32_t y = 0; y < 40; ++y)
            for (int32_t x = 0; x < 60; ++x)
                all.Row(y)[x] = alphaAt(x, y);
    };
    sCanvas shape(60, 40, 0);
    paint(&shape.image);
    auto makeEffects = [](CWidget& owner) {
        auto* shadow = new CWidgetEffectShadow();
        EXPECT_EQ(shadow->SetRadius(2.5f), eSuccess);
        EXPECT_EQ(shadow->SetOffset({4, -3}, false), eSuccess);
        shadow->SetClipToShape(true);
        auto* glow = new CWidgetEffectGlow();
        EXPECT_EQ(glow->SetRadius(1.5f), eSuccess);
        auto* gradient = new CWidgetEffectGradient();
        gradient->SetGradientType(CWidgetEffectGradient::eRadial);
        EXPECT_EQ(owner.AttachUnderEffect(shadow, 0, false), eSuccess);
        EXPECT_EQ(owner.AttachOverEffect(glow, 0, false), eSuccess);
        EXPECT_EQ(owner.AttachMiddleEffect(gradient, 0, false), eSuccess);
        auto* cutout = new CWidgetEffectCutout();
        EXPECT_EQ(cutout->SetRadius(2.0f), eSuccess);
        EXPECT_EQ(owner.AttachMiddleEffect(cutout, 1, false), eSuccess);
        EXPECT_EQ(cutout->SetOffset({-3, 2}, false), eSuccess);
        EXPECT_EQ(owner.AttachMiddleEffect(new CWidgetEffectTexture(), 2, false), eSuccess);
    };
    CShapedOwner whole(&shape.image);
    whole.SetVisible(true, false);
    ASSERT_EQ(whole.SetSize(60, 40, false), eSuccess);
    makeEffects(whole);

    CWidget parent;
    parent.SetVisible(true, false);
    ASSERT_EQ(parent.SetSize(30, 25, false), eSuccess);
    auto* clipped = AddAt(parent, new CShapedOwner(&shape.image), {-10, -5, 50, 35});
    makeEffects(*clipped);
    auto* picture = new CImage(60, 40);
    paint(picture);
    ASSERT_EQ(picture->Compress(), eSuccess);
    auto* compressed = AddAt(parent, new CImWidget(), {-10, -5, 50, 35});
    ASSERT_EQ(compressed->SetImage(picture, false, false), eSuccess);
    makeEffects(*compressed);
    auto* mask = new CImage8(60, 40);
    paintMask(mask);
    ASSERT_EQ(mask->Compress(), eSuccess);
    auto* masked = AddAt(parent, new CMaskWidget(), {-10, -5, 50, 35});
    ASSERT_EQ(masked->SetImage(mask, false, false), eSuccess);
    makeEffects(*masked);
    EXPECT_LT(static_cast<CWidgetEffectShadow*>(clipped->GetUnderEffect(0))->GetBlurredMask()->GetWidth(), 60);
    // A texture reads none of the shape, yet its owner still hands it one: its cache is made.
    for (CWidget* owner : {static_cast<CWidget*>(&whole), static_cast<CWidget*>(compressed),
                           static_cast<CWidget*>(masked)}) {
        const CImage* cache = static_cast<CWidgetEffectTexture*>(owner->GetMiddleEffect(2))->GetCache();
        ASSERT_NE(cache, nullptr);
        EXPECT_EQ(cache->GetWidth(), 60);
        EXPECT_EQ(cache->GetHeight(), 40);
    }

    auto compare = [&](const gCRect& area) {
        using tPick = CWidgetEffectBase* (CWidget::*)(int32_t) const;
        for (auto [pick, index] : {std::pair<tPick, int32_t>{&CWidget::GetUnderEffect, 0}, {&CWidget::GetMiddleEffect, 0},
                                   {&CWidget::GetMiddleEffect, 1}, {&CWidget::GetMiddleEffect, 2},
                                   {&CWidget::GetOverEffect, 0}}) {
            sCanvas expected(80, 60, 0xFF406080u);
            expected.image.SetOrigin({10, 10});
            ASSERT_EQ((whole.*pick)(index)->Draw(area, &expected.image, 255), eSuccess);
            for (CWidget* owner : {static_cast<CWidget*>(clipped), static_cast<CWidget*>(compressed),
                                   static_cast<CWidget*>(masked)}) {
                sCanvas actual(80, 60, 0xFF406080u);
                actual.image.SetOrigin({10, 10});
                ASSERT_EQ((owner->*pick)(index)->Draw(area, &actual.image, 255), eSuccess);
                for (int32_t y = 0; y < 60; ++y)
                    for (int32_t x = 0; x < 80; ++x)
                        ASSERT_EQ(actual.At(x, y), expected.At(x, y)) << x << "," << y << " " << owner->GetTypeCode();
            }
        }
    };
    compare({10, 5, 40, 30});
    // The parent grows: the next drawing builds the newly visible part.
    ASSERT_EQ(parent.SetSize(70, 50, false), eSuccess);
    compare({10, 5, 70, 50});
}

// A shape picture smaller than its owner has no shape beyond it: nothing is cut there, and what
// samples there is cut whole. An offset that reads beyond the part of the shape kept for what can
// show has the owner hand its shape again, and the cut matches the whole owner's.
TEST(CutoutEffect, ShapeBeyondItsPictureIsEmptyAndAFarOffsetFetchesItAgain)
{
    sCanvas shape(40, 30, 0xFF000000u);
    CShapedOwner whole(&shape.image);
    whole.SetVisible(true, false);
    ASSERT_EQ(whole.SetSize(60, 40, false), eSuccess);
    auto* cutout = new CWidgetEffectCutout();
    ASSERT_EQ(whole.AttachMiddleEffect(cutout, 0, false), eSuccess);
    ASSERT_EQ(cutout->SetOffset({-10, -10}, false), eSuccess);
    sCanvas canvas(60, 40, 0xFFFFFFFFu);
    ASSERT_EQ(cutout->Draw({0, 0, 60, 40}, &canvas.image, 255), eSuccess);
    struct sCase {
        int32_t x, y;
        CPixel expected;
    };
    for (sCase c : {sCase{2, 2, 0xFFFFFFFFu}, sCase{20, 15, 0xFFFFFFFFu}, sCase{45, 30, 0xFFFFFFFFu},
                    sCase{45, 10, 0xFFFFFFFFu}, sCase{35, 15, 0xFF000000u}, sCase{15, 25, 0xFF000000u}})
        EXPECT_EQ(canvas.At(c.x, c.y), c.expected) << c.x << "," << c.y;

    CWidget parent;
    parent.SetVisible(true, false);
    ASSERT_EQ(parent.SetSize(30, 25, false), eSuccess);
    auto* clipped = AddAt(parent, new CShapedOwner(&shape.image), {-10, -5, 50, 35});
    auto* partial = new CWidgetEffectCutout();
    ASSERT_EQ(clipped->AttachMiddleEffect(partial, 0, false), eSuccess);
    for (gCPoint offset : {gCPoint{20, 15}, gCPoint{-12, 6}}) {
        ASSERT_EQ(cutout->SetOffset(offset, false), eSuccess);
        ASSERT_EQ(partial->SetOffset(offset, false), eSuccess);
        sCanvas expected(60, 40, 0xFFFFFFFFu), actual(60, 40, 0xFFFFFFFFu);
        ASSERT_EQ(cutout->Draw({10, 5, 40, 30}, &expected.image, 255), eSuccess);
        ASSERT_EQ(partial->Draw({10, 5, 40, 30}, &actual.image, 255), eSuccess);
        for (int32_t y = 5; y < 30; ++y)
            for (int32_t x = 10; x < 40; ++x)
                ASSERT_EQ(actual.At(x, y), expected.At(x, y)) << offset.x << "," << offset.y << " at " << x << "," << y;
    }
}

// Clipped to the shape, the shadow keeps what its own shape, moved back by the offset, leaves: a
// half-transparent 20 x 20 shape blurs to 128 inside, and halves itself there to 64; just past
// the owner's edge the shadow is the same clipped or not.
TEST(ShadowEffect, ClippedToTheShapeItIsScaledByWhatTheShapeLeaves)
{
    sCanvas shape(20, 20, 0x80000000u);
    CPixel drawn[2][3];
    for (bool clipped : {false, true}) {
        sSizedWidget w(20, 20);
        auto* s = new CWidgetEffectShadow();
        ASSERT_EQ(s->SetRadius(1.0f), eSuccess);
        ASSERT_EQ(s->SetOffset({2, 2}, false), eSuccess);
        s->SetColour(0xFF000000u);
        s->SetClipToShape(clipped);
        ASSERT_EQ(w.widget.AttachUnderEffect(s, 0, false), eSuccess);
        ASSERT_EQ(s->RefreshWithMask(&shape.image), eSuccess);
        sCanvas canvas(30, 30, 0xFFFFFFFFu);
        ASSERT_EQ(s->Draw({0, 0, 30, 30}, &canvas.image, 255), eSuccess);
        drawn[clipped][0] = canvas.At(10, 10);
        drawn[clipped][1] = canvas.At(19, 10);
        drawn[clipped][2] = canvas.At(20, 10);
    }
    const CPixel black = 0xFF000000u;
    CPixel half = 0xFFFFFFFFu, quarter = 0xFFFFFFFFu;
    gPaintPixelHook(&half, 128, &black);
    gPaintPixelHook(&quarter, 64, &black);
    EXPECT_EQ(drawn[0][0], half);
    EXPECT_EQ(drawn[1][0], quarter);
    EXPECT_NE(drawn[1][1], drawn[0][1]) << "the owner's last column is cut";
    EXPECT_EQ(drawn[1][2], drawn[0][2]) << "the column past it is not";
}

// A shaped shadow that cannot show (its owner hidden by the parent, or the offset taking it past
// what shows) builds an empty mask and draws nothing.
TEST(ShadowEffect, AShapedShadowThatCannotShowBuildsAndDrawsNothing)
{
    sCanvas shape(60, 40, 0xFF000000u);
    struct sCase {
        gCRect at;
        gCPoint offset;
    };
    for (sCase c : {sCase{{40, 0, 100, 40}, {8, 8}}, sCase{{-10, -5, 50, 35}, {1000, 0}}}) {
        CWidget parent;
        parent.SetVisible(true, false);
        ASSERT_EQ(parent.SetSize(30, 25, false), eSuccess);
        auto* owner = AddAt(parent, new CShapedOwner(&shape.image), c.at);
        auto* shadow = new CWidgetEffectShadow();
        ASSERT_EQ(shadow->SetRadius(1.0f), eSuccess);
        ASSERT_EQ(shadow->SetOffset(c.offset, false), eSuccess);
        ASSERT_EQ(owner->AttachUnderEffect(shadow, 0, false), eSuccess);
        ASSERT_NE(shadow->GetBlurredMask(), nullptr);
        EXPECT_EQ(shadow->GetBlurredMask()->GetWidth(), 0) << c.at.left;
        sCanvas canvas(80, 60, 0xFFFFFFFFu);
        canvas.image.SetOrigin({10, 10});
        ASSERT_EQ(shadow->Draw({-10, -10, 70, 50}, &canvas.image, 255), eSuccess);
        for (int32_t y = 0; y < 60; ++y)
            for (int32_t x = 0; x < 80; ++x)
                ASSERT_EQ(canvas.At(x, y), 0xFFFFFFFFu) << c.at.left << " at " << x << "," << y;
    }
}

} // namespace
