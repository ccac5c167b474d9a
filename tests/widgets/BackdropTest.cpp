#include "app/AppGlobals.h"
#include "imaging/CImage.h"
#include "imaging/PixelCompositing.h"
#include "widgets/CBackdrop.h"

#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A child that paints itself one colour.
class CColourWidget : public CWidget {
public:
    explicit CColourWidget(uint32_t colour) : mColour(colour) { SetVisible(true, false); }
    eResultCode Paint(const gCRect& area, CImage* target, int32_t) override
    {
        ++paints;
        void* pixels = nullptr;
        if (target->Lock(&pixels) != eSuccess)
            return eNoMemory;
        gCPoint origin = target->GetOrigin();
        for (int32_t y = area.top; y < area.bottom; ++y)
            for (int32_t x = area.left; x < area.right; ++x)
                static_cast<uint32_t*>(pixels)[(y + origin.y) * target->GetRowStride() + x + origin.x] = mColour;
        (void)target->Unlock();
        return eSuccess;
    }
    uint32_t OnMessage(uint32_t message, uintptr_t p1, uintptr_t) override
    {
        messages.push_back(message);
        lastP1 = p1;
        return 0;
    }
    eResultCode OnHeartbeat() override
    {
        ++heartbeats;
        return eSuccess;
    }
    int paints = 0;
    int heartbeats = 0;
    std::vector<uint32_t> messages;
    uintptr_t lastP1 = 0;

private:
    uint32_t mColour;
};

TEST(Backdrop, SizingMakesTheOffscreenImageAndUpdateWaitsForTheWindow)
{
    CBackdrop backdrop;
    ASSERT_EQ(backdrop.SetSize(40, 30, true), eSuccess);
    ASSERT_NE(backdrop.GetOffscreenImage(), nullptr);
    EXPECT_EQ(backdrop.GetOffscreenImage()->GetWidth(), 40);
    EXPECT_TRUE(backdrop.IsVisible());
    // Not ready: nothing drawn, the dirty area is kept.
    EXPECT_GT(backdrop.GetDirtyCount(), 0);
    EXPECT_EQ(backdrop.GetUpdateCount(), 0u);
    backdrop.MarkWindowReady();
    backdrop.SetUpdateSuspended(1);
    EXPECT_EQ(backdrop.Update(), eSuccess);
    EXPECT_EQ(backdrop.GetUpdateCount(), 0u);
    backdrop.SetUpdateSuspended(0);
    EXPECT_EQ(backdrop.Update(), eSuccess);
    EXPECT_EQ(backdrop.GetUpdateCount(), 1u);
    EXPECT_EQ(backdrop.GetDirtyCount(), 0);
    EXPECT_EQ(backdrop.GetImagePixel({39, 29}), 0xFF303050u);
    EXPECT_EQ(backdrop.GetImagePixel({40, 0}), 0u);
    EXPECT_EQ(backdrop.GetImagePixel({-1, 0}), 0u);
}

TEST(Backdrop, DirtyAreasAreClippedAndKeptDisjoint)
{
    CBackdrop backdrop;
    ASSERT_EQ(backdrop.SetSize(100, 100, false), eSuccess);
    backdrop.MarkWindowReady();
    ASSERT_EQ(backdrop.Update(), eSuccess);
    gCRect outside;
    outside.Set(200, 200, 300, 300);
    EXPECT_EQ(backdrop.InvalidateArea(outside, false), eSuccess);
    EXPECT_EQ(backdrop.GetDirtyCount(), 0);
    gCRect a, b;
    a.Set(0, 0, 50, 50);
    b.Set(25, 25, 75, 75);
    EXPECT_EQ(backdrop.InvalidateArea(a, false), eSuccess);
    EXPECT_EQ(backdrop.InvalidateArea(b, false), eSuccess);
    // The overlap is held once: the second area adds its bottom and right pieces only.
    EXPECT_EQ(backdrop.GetDirtyCount(), 3);
    auto* child = new CColourWidget(0xFFFF0000u);
    ASSERT_EQ(child->SetSize(100, 100, false), eSuccess);
    ASSERT_EQ(backdrop.AddChild(child, false), eSuccess);
    child->paints = 0;
    ASSERT_EQ(backdrop.Update(), eSuccess);
    EXPECT_EQ(backdrop.GetImagePixel({10, 10}), 0xFFFF0000u);
}

TEST(Backdrop, QueuedPixelMovesReachTheOffscreenImage)
{
    CBackdrop backdrop;
    ASSERT_EQ(backdrop.SetSize(20, 10, false), eSuccess);
    auto* block = new CColourWidget(0xFF00FF00u);
    ASSERT_EQ(block->SetSize(5, 5, false), eSuccess);
    ASSERT_EQ(backdrop.AddChild(block, false), eSuccess);
    backdrop.MarkWindowReady();
    ASSERT_EQ(backdrop.Update(), eSuccess);
    gCRect source;
    source.Set(0, 0, 5, 5);
    ASSERT_EQ(backdrop.QueueWindowCopy(source, {10, 2}), eSuccess);
    ASSERT_EQ(backdrop.Update(), eSuccess);
    EXPECT_EQ(backdrop.GetImagePixel({12, 4}), 0xFF00FF00u);
    EXPECT_EQ(backdrop.GetImagePixel({16, 4}), 0xFF303050u);
}

TEST(Backdrop, ModalWidgetsTakeTheInputAndUnclaimedPressesAreReported)
{
    CBackdrop backdrop;
    ASSERT_EQ(backdrop.SetSize(100, 100, false), eSuccess);
    auto* panel = new CColourWidget(0);
    panel->EnableEvents(0xFFFF, false);
    ASSERT_EQ(panel->SetPosition({10, 10}, false), eSuccess);
    ASSERT_EQ(panel->SetSize(20, 20, false), eSuccess);
    ASSERT_EQ(backdrop.AddChild(panel, false), eSuccess);
    ASSERT_EQ(backdrop.PushModalWidget(panel), eSuccess);
    CWidget* taker = nullptr;
    EXPECT_EQ(backdrop.DispatchLButtonDownEvent(&taker, {80, 80}), eSuccess);
    ASSERT_EQ(panel->messages.size(), 1u);
    EXPECT_EQ(panel->messages[0], 0xF0000005u);
    EXPECT_EQ(panel->lastP1, uintptr_t(&backdrop));

    // The modal widget alone gets heartbeats, unless pushed to keep them for the tree.
    auto* bystander = new CColourWidget(0);
    bystander->EnableEvents(kEventHeartbeat, true);
    ASSERT_EQ(backdrop.AddChild(bystander, false), eSuccess);
    // Behind the panel, so the tree walk (last index first) reaches it before anything else.
    bystander->SendToBack(false);
    EXPECT_EQ(backdrop.DispatchHeartbeatEvent(), eSuccess);
    EXPECT_EQ(panel->heartbeats, 1);
    EXPECT_EQ(bystander->heartbeats, 0);
    backdrop.PopModalWidget();
    ASSERT_EQ(backdrop.PushModalWidgetKeepHeartbeat(panel), eSuccess);
    EXPECT_EQ(backdrop.DispatchHeartbeatEvent(), eSuccess);
    EXPECT_EQ(bystander->heartbeats, 1);
    backdrop.PopModalWidget();
    backdrop.PopModalWidget();
    EXPECT_EQ(backdrop.GetModalDepth(), 0);
}

// A widget that fails to draw: the failure is reported once and the loop stops there. Update
// drops the frame so the next one starts clean; the bare render pass leaves the region to its
// caller. Both count the pass.
TEST(Backdrop, ADrawingFailureIsReportedAndStopsThePass)
{
    for (bool update : {true, false}) {
        SCOPED_TRACE(update);
        CBackdrop backdrop;
        PrepareBackdrop(backdrop, 20, 10);
        auto* failing = AddAt(backdrop, new CPaintWidget(0xFFFF0000u), gCRect{10, 0, 15, 5});
        auto* later = AddAt(backdrop, new CPaintWidget(0xFF00FF00u), gCRect{0, 0, 5, 5});
        ASSERT_EQ(backdrop.InvalidateArea(gCRect{0, 0, 20, 10}, true), eSuccess);
        TakeAlertDetails();
        failing->paintResult = eNoMemory;
        later->paints = 0;
        ASSERT_EQ(backdrop.InvalidateArea(gCRect{10, 0, 15, 5}, false), eSuccess);
        ASSERT_EQ(backdrop.InvalidateArea(gCRect{0, 0, 5, 5}, false), eSuccess);
        const uint32_t passes = backdrop.GetUpdateCount();
        if (update) {
            EXPECT_EQ(backdrop.Update(), eNoMemory);
            EXPECT_EQ(backdrop.GetDirtyCount(), 0) << "the frame is dropped";
        } else {
            (void)backdrop.RenderDirtyRegion();
            EXPECT_EQ(backdrop.GetDirtyCount(), 2) << "the region is the caller's";
        }
        EXPECT_EQ(TakeAlertDetails().size(), 1u);
        EXPECT_EQ(later->paints, 0) << "nothing is drawn after the failure";
        EXPECT_EQ(backdrop.GetUpdateCount(), passes + 1);

        failing->paintResult = eSuccess;
        backdrop.SetBackgroundColour(0xFF0000FFu);
        ASSERT_EQ(backdrop.InvalidateArea(gCRect{0, 0, 20, 10}, true), eSuccess);
        EXPECT_EQ(backdrop.GetImagePixel({12, 2}), 0xFFFF0000u);
        EXPECT_EQ(backdrop.GetImagePixel({17, 8}), 0xFF0000FFu);
        EXPECT_TRUE(TakeAlertDetails().empty());
    }
}

TEST(Backdrop, ACursorAddedElsewhereSurvivesOneSetOnlyHereIsDeleted)
{
    CBackdrop backdrop;
    auto* pooled = new CWidget();
    pooled->SetInPool(1);
    ASSERT_EQ(backdrop.SetCursor(pooled, {0, 0}), eSuccess);
    ASSERT_EQ(backdrop.SetCursor(nullptr, {0, 0}), eSuccess);
    EXPECT_EQ(backdrop.GetCursorWidget(), nullptr);
    // Still alive: ours to delete.
    delete pooled;
    ASSERT_EQ(backdrop.SetCursor(new CWidget(), {0, 0}), eSuccess);
    ASSERT_EQ(backdrop.SetCursor(nullptr, {0, 0}), eSuccess);
}

} // namespace

namespace {

// Lays one half-transparent colour over the target through the blend hook, noting the hook.
class CBlendingWidget : public CWidget {
public:
    CBlendingWidget() { SetVisible(true, false); }
    eResultCode Paint(const gCRect& area, CImage* target, int32_t) override
    {
        hookSeen = gBlendPixelHook;
        void* pixels = nullptr;
        if (target->Lock(&pixels) != eSuccess)
            return eNoMemory;
        gCPoint origin = target->GetOrigin();
        const CPixel colour = 0x80FF0000u;
        for (int32_t y = area.top; y < area.bottom; ++y)
            for (int32_t x = area.left; x < area.right; ++x)
                gBlendPixelHook(static_cast<CPixel*>(pixels) + (y + origin.y) * target->GetRowStride() + x + origin.x,
                                &colour);
        (void)target->Unlock();
        return eSuccess;
    }
    tBlendPixelHook hookSeen = nullptr;
};

TEST(Backdrop, RenderingWithAlphaUsesTheAlphaCorrectHooksAndPutsTheOldOnesBack)
{
    for (uint32_t alpha : {0u, 1u}) {
        SCOPED_TRACE(alpha);
        CBackdrop backdrop;
        ASSERT_EQ(backdrop.SetSize(8, 8, false), eSuccess);
        // A transparent background image: what the child lays over it keeps its own alpha only
        // with the alpha-correct routine.
        backdrop.SetBackgroundImage(new CImage(8, 8, 0));
        auto* child = new CBlendingWidget();
        ASSERT_EQ(child->SetSize(4, 4, false), eSuccess);
        ASSERT_EQ(backdrop.AddChild(child, false), eSuccess);
        backdrop.SetAlphaRendering(alpha);
        ASSERT_EQ(backdrop.InvalidateArea(gCRect{0, 0, 8, 8}, false), eSuccess);
        ASSERT_EQ(backdrop.RenderDirtyRegion(), eSuccess);
        EXPECT_EQ(child->hookSeen, alpha ? &BlendPixelAlphaRoutine : &BlendPixelRoutine);
        EXPECT_EQ(backdrop.GetImagePixel(gCPoint{1, 1}), alpha ? 0x80FF0000u : 0x00800000u);
        EXPECT_EQ(gBlendPixelHook, &BlendPixelRoutine);
        EXPECT_EQ(gPaintPixelHook, &PaintPixelRoutine);
    }
}

} // namespace
