#include "platform/ManualClock.h"
#include "updater/CPintrelUpdaterBackdrop.h"
#include "updater/PNUButtonGlow.h"
#include "updater/PNUMessages.h"

#include <gtest/gtest.h>

namespace {

struct sProgressCase {
    float fraction;
    int32_t coveredLeft;
    const char* text;
};

TEST(UpdaterWindowProgress, CoveredPartAndPercentageFollowTheFraction)
{
    // A 250 x 14 bar: the gradient shows left of the covered part.
    const sProgressCase cases[] = {
        {0.0f, 0, "0%"},      {0.42f, 105, "42%"}, {1.0f, 250, "100%"},
        {0.999f, 250, "100%"}, {1.5f, 250, "150%"}, {-0.2f, 0, "-20%"},
    };
    for (const sProgressCase& c : cases) {
        SCOPED_TRACE(c.fraction);
        gCRect covered = CPintrelUpdaterBackdrop::ProgressCoveredRect(250, 14, c.fraction);
        EXPECT_EQ(covered.left, c.coveredLeft);
        EXPECT_EQ(covered.top, 0);
        EXPECT_EQ(covered.right, 250);
        EXPECT_EQ(covered.bottom, 14);
        EXPECT_EQ(CPintrelUpdaterBackdrop::ProgressPercentText(c.fraction).ToUTF8(), c.text);
    }
}

class UpdaterWindowGlow : public ::testing::Test {
protected:
    // Heartbeats every 10 ms for the given time.
    void Run(PNUButtonGlow& glow, int32_t milliseconds, bool over, int32_t x, bool panelActive)
    {
        for (int32_t t = 0; t < milliseconds; t += 10) {
            (void)glow.Heartbeat(over, x, panelActive);
            mClock->Advance(10000);
        }
        (void)glow.Heartbeat(over, x, panelActive);
    }

    plat::ScopedManualClock mClock;
};

TEST_F(UpdaterWindowGlow, QuitPartRampsUpOverTheRightAndFallsBackOnLeaving)
{
    PNUButtonGlow glow;
    Run(glow, 80, true, 250, true);
    EXPECT_GT(glow.GetOpacity(0), 0);
    EXPECT_LT(glow.GetOpacity(0), PNUButtonGlow::kGlowOpacity);
    Run(glow, 80, true, 250, true);
    EXPECT_EQ(glow.GetOpacity(0), PNUButtonGlow::kGlowOpacity);
    EXPECT_EQ(glow.GetOpacity(1), 0);

    Run(glow, 160, false, 0, true);
    EXPECT_EQ(glow.GetOpacity(0), 0);
}

TEST_F(UpdaterWindowGlow, MessagePartGlowsOnlyWhileThePanelIsActive)
{
    PNUButtonGlow glow;
    Run(glow, 200, true, PNUButtonGlow::kSplitX, false);
    EXPECT_EQ(glow.GetOpacity(0), 0);
    EXPECT_EQ(glow.GetOpacity(1), 0);

    Run(glow, 200, true, PNUButtonGlow::kSplitX, true);
    EXPECT_EQ(glow.GetOpacity(1), PNUButtonGlow::kGlowOpacity);
    EXPECT_EQ(glow.GetOpacity(0), 0);

    glow.Reset();
    EXPECT_EQ(glow.GetOpacity(1), 0);
}

TEST(UpdaterWindowWidgets, PanelOpacityAndProgressBarFollowTheWindowState)
{
    CPintrelUpdaterBackdrop backdrop;
    auto* panel = new CWidget();
    panel->SetId(310);
    ASSERT_EQ(backdrop.AddChild(panel, false), eSuccess);
    auto* bar = new CWidget();
    bar->SetId(504);
    ASSERT_EQ(backdrop.AddChild(bar, false), eSuccess);
    ASSERT_EQ(backdrop.BuildWidgets(), eSuccess);

    EXPECT_EQ(backdrop.OnCommand(kPNUSetMessagePanel, 0, 0, 0), 0u);
    EXPECT_EQ(panel->GetOpacity(), 100);
    EXPECT_EQ(backdrop.OnCommand(kPNUSetMessagePanel, 0, 1, 0), 0u);
    EXPECT_EQ(panel->GetOpacity(), 255);

    EXPECT_FALSE(bar->IsVisible());
    EXPECT_EQ(backdrop.SetProgress(0.42f, false), eSuccess);
    EXPECT_TRUE(bar->IsVisible());
    EXPECT_EQ(backdrop.GetPercentText().ToUTF8(), "42%");
}

TEST(UpdaterWindowWidgets, AWindowWithoutItsWidgetsStillTakesEveryMessage)
{
    CPintrelUpdaterBackdrop backdrop;
    ASSERT_EQ(backdrop.BuildWidgets(), eSuccess);
    backdrop.SetMessageActive(false);
    EXPECT_EQ(backdrop.SetProgress(0.5f, false), eSuccess);
    EXPECT_EQ(backdrop.OnButtonHeartbeat(true, 250), eSuccess);
    EXPECT_EQ(backdrop.GetStatusRows().GetSize(), 1);
}

} // namespace
