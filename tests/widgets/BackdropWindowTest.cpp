// The backdrop in a real (headless) window: pixel moves reaching the window, the whsb flag
// re-applying the window's bounds, and the developer's flash timed by the manual clock.
#include "app/AppTestSupport.h"

#include "app/CMacWindow.h"
#include "platform/Window.h"
#include "widgets/CCoWidget.h"

#include <vector>

namespace {

using BackdropWindow = MainWindowTest<>;

CCoWidget* AddBlock(CBackdrop& backdrop, const gCRect& rect, uint32_t colour)
{
    auto* block = new CCoWidget();
    block->SetVisible(true, false);
    EXPECT_EQ(block->SetPosition(rect.left, rect.top, false), eSuccess);
    EXPECT_EQ(block->SetSize(rect.right - rect.left, rect.bottom - rect.top, false), eSuccess);
    block->SetColour(colour, false);
    EXPECT_EQ(backdrop.AddChild(block, false), eSuccess);
    return block;
}

TEST_F(BackdropWindow, QueuedPixelMovesReachTheWindow)
{
    AddBlock(*backdrop, gCRect{0, 0, 5, 5}, 0xFF00FF00u);
    ASSERT_EQ(backdrop->InvalidateArea(gCRect{0, 0, 640, 240}, false), eSuccess);
    ASSERT_EQ(backdrop->Update(), eSuccess);
    plat::Window* shown = window->GetPlatformWindow();
    ASSERT_EQ(shown->GetPixel(2, 2), 0xFF00FF00u);
    const uint32_t background = shown->GetPixel(30, 30);
    ASSERT_NE(background, 0xFF00FF00u);

    ASSERT_EQ(backdrop->QueueWindowCopy(gCRect{0, 0, 5, 5}, gCPoint{10, 2}), eSuccess);
    ASSERT_EQ(backdrop->Update(), eSuccess);
    EXPECT_EQ(shown->GetPixel(12, 4), 0xFF00FF00u) << "the moved block";
    EXPECT_EQ(shown->GetPixel(14, 6), 0xFF00FF00u);
    EXPECT_EQ(shown->GetPixel(15, 4), background) << "right of the moved block";
    EXPECT_EQ(shown->GetPixel(12, 1), background) << "above it";
    EXPECT_EQ(shown->GetPixel(2, 2), 0xFF00FF00u) << "the source is left as it was";
}

// Changing the flag gives the window the backdrop's bounds again (the window's set-bounds
// operation answers 10); setting the value it already has leaves the window alone.
TEST_F(BackdropWindow, TheWhsbFlagReappliesTheBoundsOnlyWhenItChanges)
{
    auto size = [&] {
        plat::sRect bounds = window->GetPlatformWindow()->GetContentBounds();
        return std::pair{bounds.right - bounds.left, bounds.bottom - bounds.top};
    };
    ASSERT_EQ(size(), (std::pair{640, 240}));
    EXPECT_EQ(backdrop->GetWhsbFlag(), 1u);
    ASSERT_EQ(backdrop->SetSize(300, 100, false), eSuccess);
    EXPECT_EQ(backdrop->SetWhsbFlag(1, false), eSuccess);
    EXPECT_EQ(size(), (std::pair{640, 240})) << "the same value changes nothing";
    EXPECT_EQ(backdrop->SetWhsbFlag(0, false), eNotWritten);
    EXPECT_EQ(backdrop->GetWhsbFlag(), 0u);
    EXPECT_EQ(size(), (std::pair{300, 100}));
    plat::sRect bounds = window->GetPlatformWindow()->GetContentBounds();
    EXPECT_EQ((std::pair{bounds.left, bounds.top}), (std::pair{320, 392})) << "it stays where it was";
}

// The window's content starts at (320, 392) on the screen; a child at (10, 20) in the backdrop.
TEST_F(BackdropWindow, ScreenConversionsGoThroughTheWindowsContentOrigin)
{
    CCoWidget* child = AddBlock(*backdrop, gCRect{10, 20, 30, 40}, 0xFF112233u);
    EXPECT_EQ(backdrop->LocalToScreen(gCPoint{1, 2}), (gCPoint{321, 394}));
    EXPECT_EQ(backdrop->ScreenToLocal(gCPoint{331, 414}), (gCPoint{11, 22}));
    EXPECT_EQ(child->LocalToScreen(gCPoint{1, 2}), (gCPoint{331, 414}));
    EXPECT_EQ(child->ScreenToLocal(gCPoint{331, 414}), (gCPoint{1, 2}));
    gCRect rect{0, 0, 5, 6};
    backdrop->LocalToScreen(rect);
    EXPECT_EQ(rect, (gCRect{320, 392, 325, 398}));
    backdrop->ScreenToLocal(rect);
    EXPECT_EQ(rect, (gCRect{0, 0, 5, 6}));
    child->LocalToScreen(rect);
    EXPECT_EQ(rect, (gCRect{330, 412, 335, 418}));
}

// A cursor widget is hidden and shown in place of the system's cursor.
TEST_F(BackdropWindow, TheCursorWidgetIsShownAgainAfterBeingHidden)
{
    auto* cursor = new CCoWidget();
    ASSERT_EQ(cursor->SetSize(4, 4, false), eSuccess);
    cursor->SetVisible(true, false);
    ASSERT_EQ(backdrop->SetCursor(cursor, gCPoint{1, 1}), eSuccess);
    backdrop->HideCursor();
    EXPECT_EQ(backdrop->IsCursorVisible(), 0u);
    EXPECT_FALSE(cursor->IsVisible());
    backdrop->ShowCursor();
    EXPECT_EQ(backdrop->IsCursorVisible(), 1u);
    EXPECT_TRUE(cursor->IsVisible());
    ASSERT_EQ(backdrop->SetCursor(nullptr, gCPoint{}), eSuccess);
    backdrop->HideCursor();
    EXPECT_EQ(backdrop->IsCursorVisible(), 0u) << "the system cursor";
    backdrop->ShowCursor();
    EXPECT_EQ(backdrop->IsCursorVisible(), 1u);
}

// Holds the main button for a while, moving the manual clock 10 ms at each look at the
// buttons, and notes when the flash widget changes colour.
class CHeldButton final : public plat::InputState {
public:
    CHeldButton(plat::ManualClock& clock, uint64_t holdFor, CBackdrop& backdrop, CWidget* target, plat::sPoint at)
        : mClock(clock), mStart(clock.NowMicroseconds()), mHoldFor(holdFor), mBackdrop(backdrop), mTarget(target),
          mPointer(at)
    {
    }
    uint32_t GetButtons() override
    {
        mClock.Advance(10000);
        CWidget* front = mBackdrop.GetChild(0); // the newest child is in front
        if (auto* flash = dynamic_cast<CCoWidget*>(front); flash && front != mTarget)
            if (changes.empty() || changes.back().second != flash->GetColour())
                changes.push_back({Elapsed(), flash->GetColour()});
        return Elapsed() < mHoldFor ? uint32_t(plat::kButtonStatePrimary) : 0u;
    }
    uint32_t GetModifiers() override { return plat::kModCommand | plat::kModShift; }
    bool IsKeyDown(int32_t) override { return false; }
    plat::sPoint GetPointer() override { return mPointer; }
    void WarpPointer(plat::sPoint at) override { mPointer = at; }
    uint64_t Elapsed() const { return mClock.NowMicroseconds() - mStart; }

    std::vector<std::pair<uint64_t, uint32_t>> changes; // microseconds since the press, colour

private:
    plat::ManualClock& mClock;
    uint64_t mStart, mHoldFor;
    CBackdrop& mBackdrop;
    CWidget* mTarget;
    plat::sPoint mPointer;
};

// The flash alternates its two colours every 250 ms of the manual clock while the button is
// held, and ends with the release.
TEST_F(BackdropWindow, TheFlashAlternatesEveryQuarterSecondWhileTheButtonIsHeld)
{
    CCoWidget* target = AddBlock(*backdrop, gCRect{10, 10, 50, 50}, 0xFF112233u);
    input.pointer = {320 + 20, 392 + 20};
    backdrop->SetWidgetRollover(1);
    app.ResumeHeartbeat();
    backdrop->UpdateRollover();
    ASSERT_EQ(backdrop->GetRolloverWidget(), target);
    const int32_t children = backdrop->GetChildCount();

    CHeldButton held(*clock, 1100000, *backdrop, target, input.pointer);
    plat::SetInputState(&held);
    EXPECT_EQ(backdrop->ShowDebugInfo(), 2u);
    const uint64_t ended = held.Elapsed();
    plat::SetInputState(&input);

    ASSERT_GE(held.changes.size(), 4u);
    EXPECT_EQ(held.changes[0].second, 0xFF404030u) << "dark first";
    EXPECT_LE(held.changes[0].first, 20000u);
    for (size_t i = 1; i < held.changes.size(); ++i) {
        EXPECT_NE(held.changes[i].second, held.changes[i - 1].second);
        EXPECT_EQ(held.changes[i].second, i % 2 ? 0xFFA0A0B8u : 0xFF404030u);
        const uint64_t gap = held.changes[i].first - held.changes[i - 1].first;
        EXPECT_GE(gap, 250000u) << i;
        EXPECT_LE(gap, 300000u) << i;
    }
    EXPECT_GE(ended, 1100000u);
    EXPECT_LE(ended, 1100000u + 30000u) << "the release ends the flash without waiting out the period";
    EXPECT_EQ(backdrop->GetChildCount(), children) << "the flash widget is removed";
    EXPECT_TRUE(Alerts().empty());
}

} // namespace
