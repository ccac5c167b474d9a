#include "widgets/CBackdrop.h"
#include "widgets/CCoWidget.h"
#include "widgets/CWidgetEffectBase.h"
#include "widgets/CWidgetEffectShadow.h"

#include "WidgetTestSupport.h"
#include "imaging/PixelCompositing.h"
#include "imaging/PixelHookScope.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class CCountingBackdrop : public CBackdrop {
public:
    eResultCode Paint(const gCRect& rect, CImage* target, int32_t alpha) override
    {
        painted.push_back(rect);
        return CBackdrop::Paint(rect, target, alpha);
    }
    std::vector<gCRect> painted;
};

std::vector<gCRect> DirtyRects(const CBackdrop& backdrop)
{
    std::vector<gCRect> rects;
    for (int32_t i = 0; i < backdrop.GetDirtyRegion().GetCount(); ++i)
        rects.push_back(backdrop.GetDirtyRegion().GetRect(i));
    return rects;
}

// Every pixel of the backdrop's image against a function of the point.
template <typename Expected>
void ExpectPixels(const CBackdrop& backdrop, Expected expected)
{
    for (int32_t y = 0; y < backdrop.GetHeight(); ++y)
        for (int32_t x = 0; x < backdrop.GetWidth(); ++x) {
            uint32_t want = expected(x, y);
            ASSERT_EQ(backdrop.GetImagePixel({x, y}), want) << x << "," << y;
        }
}

bool In(const gCRect& r, int32_t x, int32_t y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

TEST(CoWidgetPaint, FillAlphaFollowsTheColourAndTheAlpha)
{
    struct Case {
        uint32_t colour;
        int32_t alpha;
        bool opaqueBlit;
        uint32_t destination;
        uint32_t expected;
    } cases[] = {
        {0xFFFFFFFFu, 255, false, 0xFF000000u, 0xFFFFFFFFu},   // new widget: opaque white
        {0xFF123456u, 0, false, 0xFF000000u, 0xFF000000u},     // alpha 0: untouched
        {0xFF123456u, 255, false, 0x00000000u, 0xFF123456u},   // opaque: the colour word itself
        {0x80FF0000u, 255, true, 0xFF0000FFu, 0xFFFF0000u},    // opaque blit: opaque whatever the colour
    };
    for (const Case& c : cases) {
        CImage image(4, 4, 1);
        CImNav all(&image, nullptr);
        CPixel fill = c.destination;
        all.Fill(&fill);
        all.Unlock();
        CCoWidget widget;
        widget.SetColour(c.colour, false);
        widget.SetOpaqueBlit(c.opaqueBlit);
        ASSERT_EQ(widget.SetSize(4, 4, false), eSuccess);
        ASSERT_EQ(widget.Paint({0, 0, 4, 4}, &image, c.alpha), eSuccess);
        CImNav check(&image, nullptr);
        EXPECT_EQ(check.Row(3)[3], c.expected) << std::hex << c.colour;
    }
}

TEST(CoWidgetPaint, HalfAlphaGoesThroughTheBlendHook)
{
    CImage image(2, 1, 1);
    CCoWidget widget;
    widget.SetColour(0x80FF0000u, false);
    ASSERT_EQ(widget.SetSize(2, 1, false), eSuccess);
    // Fill alpha of 0x80 at alpha 127: top byte of (0x80FF00 x 128).
    uint32_t fillAlpha = ((0x80FF0000u >> 8) * 128u) >> 24;
    CImage reference(2, 1, 1);
    {
        CImNav navigator(&reference, nullptr);
        CPixel fill = 0x00FF0000u | (fillAlpha << 24);
        gBlendPixelHook(navigator.Row(0), &fill);
    }
    ASSERT_EQ(widget.Paint({0, 0, 2, 1}, &image, 127), eSuccess);
    CImNav got(&image, nullptr), want(&reference, nullptr);
    EXPECT_EQ(got.Row(0)[0], want.Row(0)[0]);
    // The area asked for beyond the widget is not painted.
    CImage wide(4, 1, 1);
    ASSERT_EQ(widget.Paint({0, 0, 4, 1}, &wide, 255), eSuccess);
    CImNav wideCheck(&wide, nullptr);
    EXPECT_EQ(wideCheck.Row(0)[3], 0u);
}

// Below full alpha the fill is the blend hook's at every pixel, whichever hook is in place.
TEST(CoWidgetPaint, TranslucentFillIsTheHooksBlendAtEveryPixel)
{
    for (bool alphaHooks : {false, true})
        for (uint32_t colour : {0x00FF8040u, 0x01FF8040u, 0x80FF8040u, 0xFEFF8040u}) {
            CAlphaPixelHookScope hooks(alphaHooks);
            CImage image(9, 2, 1);
            CImNav all(&image, nullptr);
            for (int32_t i = 0; i < 18; ++i)
                all.Row(i / 9)[i % 9] = uint32_t(i) * 0x1D2F3B47u;
            all.Unlock();
            CCoWidget widget;
            widget.SetColour(colour, false);
            ASSERT_EQ(widget.SetSize(9, 2, false), eSuccess);
            ASSERT_EQ(widget.Paint({0, 0, 9, 2}, &image, 200), eSuccess);
            const CPixel fill = (colour & 0x00FFFFFFu) | ((((colour >> 8) * 201u) >> 24) << 24);
            CImNav check(&image, nullptr);
            for (int32_t i = 0; i < 18; ++i) {
                CPixel want = uint32_t(i) * 0x1D2F3B47u;
                gBlendPixelHook(&want, &fill);
                EXPECT_EQ(check.Row(i / 9)[i % 9], want) << alphaHooks << " " << std::hex << colour << " at " << i;
            }
        }
}

TEST(WidgetRendering, TreeDrawsBackToFrontIntoTheOffscreenImage)
{
    CBackdrop backdrop;
    PrepareBackdrop(backdrop, 32, 24);
    auto* back = AddAt(backdrop, new CCoWidget(), {2, 2, 20, 20});
    back->SetColour(0xFFFF0000u, false);
    auto* front = AddAt(backdrop, new CCoWidget(), {10, 10, 30, 22});
    front->SetColour(0xFF00FF00u, false);
    auto* inner = AddAt(*front, new CCoWidget(), {1, 1, 3, 3});
    inner->SetColour(0xFF0000FFu, false);
    ASSERT_EQ(backdrop.Update(), eSuccess);
    ExpectPixels(backdrop, [&](int32_t x, int32_t y) -> uint32_t {
        if (In({11, 11, 13, 13}, x, y))
            return 0xFF0000FFu;
        if (In({10, 10, 30, 22}, x, y))
            return 0xFF00FF00u;
        if (In({2, 2, 20, 20}, x, y))
            return 0xFFFF0000u;
        return 0xFF000000u;
    });
}

TEST(WidgetRendering, OpaqueWidgetCutsOffWhatIsBehindIt)
{
    CCountingBackdrop backdrop;
    PrepareBackdrop(backdrop, 20, 20);
    auto* cover = AddAt(backdrop, new CCoWidget(), {0, 0, 20, 10});
    cover->SetColour(0xFF202020u, false);
    cover->SetOpaqueBlit(true);
    backdrop.painted.clear();
    ASSERT_EQ(backdrop.InvalidateArea({0, 0, 20, 20}, true), eSuccess);
    // The background is painted only below the cover.
    ASSERT_EQ(backdrop.painted.size(), 1u);
    EXPECT_EQ(backdrop.painted[0], (gCRect{0, 10, 20, 20}));
    EXPECT_EQ(backdrop.GetImagePixel({5, 5}), 0xFF202020u);
}

// A colour widget that paints itself opaque hides what is behind it as an opaque blit does, and
// only then: the picture is always the one drawn back to front over stale pixels.
TEST(WidgetRendering, OpaqueColourWidgetCutsOffWhatIsBehindIt)
{
    class CTintedWidget : public CCoWidget {};
    enum eKind { kPlain, kSubclass, kRenderProc, kShadowBeyond };
    struct sCase {
        const char* what;
        uint32_t colour;
        int32_t opacity;
        eKind kind;
        bool cuts;
    } const cases[] = {
        {"opaque colour", 0xFF204060u, 255, kPlain, true},
        {"translucent colour", 0xFE204060u, 255, kPlain, false},
        {"faded widget", 0xFF204060u, 254, kPlain, false},
        {"a class that paints more", 0xFF204060u, 255, kSubclass, false},
        {"a render callback paints instead", 0xFF204060u, 255, kRenderProc, false},
        {"an effect reaches beyond the rect", 0xFF204060u, 255, kShadowBeyond, false},
    };
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.what);
        CCountingBackdrop backdrop;
        PrepareBackdrop(backdrop, 20, 20);
        backdrop.SetBackgroundColour(0xFF808080u);
        CCoWidget* cover = AddAt(backdrop, c.kind == kSubclass ? new CTintedWidget() : new CCoWidget(), {0, 0, 20, 10});
        cover->SetColour(c.colour, false);
        cover->SetOpacity(c.opacity, false);
        if (c.kind == kRenderProc)
            cover->SetRenderProc([](uintptr_t, CWidget*, const gCRect&, CImage*, int32_t) { return eSuccess; }, 0);
        if (c.kind == kShadowBeyond) {
            ASSERT_EQ(cover->AttachUnderEffect(new CWidgetEffectShadow(), 0, false), eSuccess);
        }
        CImage reference(20, 20, 1);
        for (CImage* image : {backdrop.GetOffscreenImage(), &reference}) {
            CImNav all(image, nullptr);
            CPixel stale = 0x12345678u;
            all.Fill(&stale);
        }
        ASSERT_EQ(backdrop.DrawWidget({0, 0, 20, 20}, &reference, 255), eSuccess);
        backdrop.painted.clear();
        ASSERT_EQ(backdrop.InvalidateArea({0, 0, 20, 20}, true), eSuccess);
        ASSERT_EQ(backdrop.painted.size(), 1u);
        EXPECT_EQ(backdrop.painted[0], (gCRect{0, c.cuts ? 10 : 0, 20, 20}));
        CImNav want(&reference, nullptr);
        ExpectPixels(backdrop, [&](int32_t x, int32_t y) { return want.Row(y)[x]; });
    }
}

TEST(WidgetRendering, OpaqueShortcutIsNotTakenUnderAFadedParent)
{
    CCountingBackdrop backdrop;
    PrepareBackdrop(backdrop, 20, 20);
    auto* faded = AddAt(backdrop, new CWidget(), {0, 0, 20, 20});
    faded->SetOpacity(0, false);
    auto* cover = AddAt(*faded, new CCoWidget(), {0, 0, 20, 20});
    cover->SetColour(0xFFFFFFFFu, false);
    cover->SetOpaqueBlit(true);
    backdrop.painted.clear();
    ASSERT_EQ(backdrop.InvalidateArea({0, 0, 20, 20}, true), eSuccess);
    // Opacity 0 above it: nothing of the cover shows and the background is drawn.
    EXPECT_EQ(backdrop.painted.size(), 1u);
    EXPECT_EQ(backdrop.GetImagePixel({5, 5}), 0xFF000000u);
}

TEST(WidgetRendering, OpacityCombinesDownTheTree)
{
    struct Case {
        int32_t opacity, alpha, expected;
    } cases[] = {{255, 255, 255}, {0, 255, 0}, {127, 255, 127}, {255, 127, 127}, {128, 128, 64}};
    for (const Case& c : cases) {
        CWidget widget;
        widget.SetOpacity(c.opacity, false);
        EXPECT_EQ(widget.CombinedAlpha(c.alpha), c.expected);
    }
    CBackdrop backdrop;
    PrepareBackdrop(backdrop, 8, 8);
    auto* half = AddAt(backdrop, new CWidget(), {0, 0, 8, 8});
    half->SetOpacity(127, false);
    auto* child = AddAt(*half, new CPaintWidget(), {0, 0, 4, 4});
    ASSERT_EQ(backdrop.InvalidateArea({0, 0, 8, 8}, true), eSuccess);
    EXPECT_EQ(child->lastAlpha, 127);
    half->SetPropOpacity(false, true);
    EXPECT_EQ(child->lastAlpha, 255);
}

TEST(WidgetInvalidation, DirtyAreasFollowTheWidgetsThatChanged)
{
    CBackdrop backdrop;
    PrepareBackdrop(backdrop, 100, 100);
    backdrop.SetUpdateSuspended(1);
    auto* box = AddAt(backdrop, new CWidget(), {10, 10, 90, 90});
    auto* a = AddAt(*box, new CCoWidget(), {0, 0, 10, 10});
    AddAt(*box, new CCoWidget(), {50, 50, 60, 60});
    ASSERT_EQ(backdrop.Update(), eSuccess);
    backdrop.SetUpdateSuspended(0);
    ASSERT_EQ(backdrop.Update(), eSuccess);
    ASSERT_EQ(backdrop.GetDirtyCount(), 0);
    backdrop.SetUpdateSuspended(1);

    // A plain container dirties only what its children cover.
    ASSERT_EQ(box->InvalidateRect({0, 0, 80, 80}, false), eSuccess);
    // Front-most child first.
    EXPECT_EQ(DirtyRects(backdrop), (std::vector<gCRect>{{60, 60, 70, 70}, {10, 10, 20, 20}}));

    // Hiding shows what was behind: the former area is dirty.
    backdrop.SetUpdateSuspended(0);
    ASSERT_EQ(backdrop.Update(), eSuccess);
    backdrop.SetUpdateSuspended(1);
    a->SetVisible(false, false);
    EXPECT_EQ(DirtyRects(backdrop), (std::vector<gCRect>{{10, 10, 20, 20}}));

    // Overlapping areas are kept once.
    ASSERT_EQ(backdrop.InvalidateArea({15, 15, 30, 30}, false), eSuccess);
    int64_t area = 0;
    for (const gCRect& r : DirtyRects(backdrop))
        area += int64_t(r.right - r.left) * (r.bottom - r.top);
    EXPECT_EQ(area, 100 + 15 * 15 - 25);
}

TEST(WidgetInvalidation, SameColourStillUpdatesButDirtiesNothing)
{
    struct CUpdateCounter : public CBackdrop {
        eResultCode Update() override
        {
            ++updates;
            return CBackdrop::Update();
        }
        int updates = 0;
    } backdrop;
    PrepareBackdrop(backdrop, 20, 20);
    auto* w = AddAt(backdrop, new CCoWidget(), {0, 0, 5, 5});
    ASSERT_EQ(backdrop.Update(), eSuccess);
    int before = backdrop.updates;
    backdrop.SetUpdateSuspended(1);
    w->SetColour(0xFFFFFFFFu, true);
    EXPECT_EQ(backdrop.updates, before + 1);
    EXPECT_EQ(backdrop.GetDirtyCount(), 0);
    w->SetColour(0xFF00FF00u, false);
    EXPECT_EQ(DirtyRects(backdrop), (std::vector<gCRect>{{0, 0, 5, 5}}));
}

TEST(WidgetPixelMoves, QueuedMovesReachTheOffscreenImage)
{
    CBackdrop backdrop;
    PrepareBackdrop(backdrop, 40, 20);
    auto* mover = AddAt(backdrop, new CCoWidget(), {0, 0, 10, 10});
    mover->SetColour(0xFFFF8000u, false);
    mover->SetBlitOnMove(true);
    ASSERT_EQ(backdrop.Update(), eSuccess);
    ASSERT_EQ(mover->MoveBy(20, 5, true), eSuccess);
    ExpectPixels(backdrop, [](int32_t x, int32_t y) -> uint32_t {
        return In({20, 5, 30, 15}, x, y) ? 0xFFFF8000u : 0xFF000000u;
    });
}

// An effect that paints its rect in one colour and counts its drawing.
class CTestEffect : public CWidgetEffectBase {
public:
    CTestEffect(const gCRect& rect, int* destroyed) : mDestroyed(destroyed) { mRect = rect; }
    ~CTestEffect() override
    {
        if (mDestroyed)
            ++*mDestroyed;
    }
    eResultCode Draw(const gCRect& area, CImage* target, uint32_t alpha) override
    {
        drawn.push_back(area);
        lastAlpha = alpha;
        CImNav navigator(target, &area);
        CPixel fill = 0xFF00FFFFu;
        navigator.Fill(&fill);
        return eSuccess;
    }
    eResultCode Refresh() override
    {
        ++refreshes;
        return eSuccess;
    }
    eResultCode RefreshWithMask(CImage*) override { return Refresh(); }
    std::vector<gCRect> drawn;
    uint32_t lastAlpha = 0;
    int refreshes = 0;

private:
    int* mDestroyed;
};

// The covered region is in the owner's coordinates: changing it marks the owner's area where the
// owner stands, also away from its parent's origin.
TEST(WidgetEffects, CoveredRegionChangesMarkTheOwnersArea)
{
    CBackdrop backdrop;
    PrepareBackdrop(backdrop, 60, 60);
    auto* w = AddAt(backdrop, new CCoWidget(), {40, 30, 50, 40});
    auto* effect = new CTestEffect({0, 0, 10, 10}, nullptr);
    ASSERT_EQ(w->AttachUnderEffect(effect, 0, false), eSuccess);
    ASSERT_EQ(backdrop.Update(), eSuccess);
    ASSERT_EQ(effect->AddRect({2, 2, 6, 6}, false), eSuccess);
    ASSERT_EQ(backdrop.GetDirtyCount(), 1);
    EXPECT_EQ(backdrop.GetDirtyRegion().GetRect(0), (gCRect{42, 32, 46, 36}));
    ASSERT_EQ(backdrop.Update(), eSuccess);
    // Only the part inside the owner's bounds is marked.
    ASSERT_EQ(effect->SubtractRect({8, -4, 14, 4}, false), eSuccess);
    ASSERT_EQ(backdrop.GetDirtyCount(), 1);
    EXPECT_EQ(backdrop.GetDirtyRegion().GetRect(0), (gCRect{48, 30, 50, 34}));
}

TEST(WidgetEffects, EffectsWidenBoundsAndDrawAroundTheirCoveredRegion)
{
    CBackdrop backdrop;
    PrepareBackdrop(backdrop, 30, 30);
    auto* w = AddAt(backdrop, new CCoWidget(), {10, 10, 20, 20});
    w->SetColour(0xFFFF0000u, false);
    int destroyed = 0;
    auto* shadow = new CTestEffect({-5, -5, 15, 15}, &destroyed);
    ASSERT_EQ(w->AttachUnderEffect(shadow, 0, false), eSuccess);
    EXPECT_EQ(shadow->GetUserValue(), 0u);
    EXPECT_EQ(shadow->GetOwner(), w);
    EXPECT_EQ(w->GetBounds(), (gCRect{5, 5, 25, 25}));
    EXPECT_EQ(w->FindEffectByType(CWidgetEffectBase::kTypeCode), shadow);
    ASSERT_EQ(shadow->AddRect({0, 0, 10, 10}, false), eSuccess);
    ASSERT_EQ(shadow->SetOpacity(127, false), eSuccess);
    shadow->drawn.clear();
    ASSERT_EQ(backdrop.InvalidateArea({0, 0, 30, 30}, true), eSuccess);
    ASSERT_FALSE(shadow->drawn.empty());
    for (const gCRect& r : shadow->drawn)
        EXPECT_FALSE(RectsOverlap(r, {0, 0, 10, 10}));
    EXPECT_EQ(shadow->lastAlpha, uint32_t((127 * 256) >> 8));
    // The under effect shows outside the widget, the content covers it inside.
    EXPECT_EQ(backdrop.GetImagePixel({7, 7}), 0xFF00FFFFu);
    EXPECT_EQ(backdrop.GetImagePixel({12, 12}), 0xFFFF0000u);
    EXPECT_EQ(backdrop.GetImagePixel({26, 26}), 0xFF000000u);

    // Replacing the entry deletes the old effect first; an index outside the list is refused.
    ASSERT_EQ(w->AttachUnderEffect(new CTestEffect({0, 0, 1, 1}, &destroyed), 0, false), eSuccess);
    EXPECT_EQ(destroyed, 1);
    auto* stray = new CTestEffect({0, 0, 1, 1}, nullptr);
    EXPECT_EQ(w->AttachOverEffect(stray, 4, false), eBadParameter);
    delete stray;
    EXPECT_EQ(w->GetOverEffect(4), nullptr);
    EXPECT_EQ(w->GetBounds(), (gCRect{10, 10, 20, 20}));
    ASSERT_EQ(backdrop.RemoveChildAt(0, false), eSuccess);
    EXPECT_EQ(destroyed, 2);
}

} // namespace
