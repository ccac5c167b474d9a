#include "platform/ManualClock.h"
#include "support/AllocationFailure.h"
#include "updater/window/CPintrelUpdaterBackdrop.h"
#include "updater/window/PNUButtonGlow.h"
#include "widgets/CImWidget.h"
#include "widgets/CWidgetEffectGradient.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <memory>

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
        {0.0f, 0, "0%"},       {0.42f, 105, "42%"}, {1.0f, 250, "100%"},   {0.999f, 250, "100%"},
        {0.002f, 1, "0%"},     {1.5f, 250, "150%"}, {-0.2f, 0, "-20%"},    {-0.006f, 0, "-1%"},
        {1.0e30f, 250, "1000000000%"},
    };
    for (const sProgressCase& c : cases) {
        SCOPED_TRACE(c.fraction);
        gCRect covered = CPintrelUpdaterBackdrop::ProgressCoveredRect(250, 14, c.fraction);
        EXPECT_EQ(covered.left, c.coveredLeft);
        EXPECT_EQ(covered.top, 0);
        EXPECT_EQ(covered.right, 250);
        EXPECT_EQ(covered.bottom, 14);
        EXPECT_EQ(Utf8(CPintrelUpdaterBackdrop::ProgressPercentText(c.fraction)), c.text);
    }
}

class UpdaterWindowGlow : public ::testing::Test {
protected:
    // Heartbeats every 10 ms for the given time; the opacities of the quit and message parts.
    std::pair<int32_t, int32_t> Run(int32_t milliseconds, bool over, int32_t x, bool panelActive)
    {
        for (int32_t t = 0; t <= milliseconds; t += 10) {
            PNUButtonGlow::AimBoth(*quit, *message, over, x, panelActive);
            opacities = {PNUButtonGlow::Opacity(*quit), PNUButtonGlow::Opacity(*message)};
            mClock->Advance(10000);
        }
        return opacities;
    }

    plat::ScopedManualClock mClock;
    std::unique_ptr<CTimeStep> quit{PNUButtonGlow::NewAnimator()};
    std::unique_ptr<CTimeStep> message{PNUButtonGlow::NewAnimator()};
    std::pair<int32_t, int32_t> opacities;
};

TEST_F(UpdaterWindowGlow, QuitPartRampsUpRightOfTheSplitAndFallsBackOnLeaving)
{
    auto [rising, dark] = Run(80, true, PNUButtonGlow::kSplitX + 1, true);
    EXPECT_GT(rising, 0);
    EXPECT_LT(rising, PNUButtonGlow::kGlowOpacity);
    EXPECT_EQ(dark, 0);
    EXPECT_EQ(Run(200, true, 250, true).first, PNUButtonGlow::kGlowOpacity);
    // Leaving falls back from where the ramp stood, not from 0.
    auto falling = Run(10, false, 0, true).first;
    EXPECT_GT(falling, 0);
    EXPECT_EQ(Run(200, false, 0, true), std::make_pair(0, 0));
}

TEST_F(UpdaterWindowGlow, MessagePartGlowsOnlyWhileThePanelIsActive)
{
    EXPECT_EQ(Run(200, true, PNUButtonGlow::kSplitX, false), std::make_pair(0, 0));
    EXPECT_EQ(Run(200, true, PNUButtonGlow::kSplitX, true), std::make_pair(0, int32_t(PNUButtonGlow::kGlowOpacity)));
    PNUButtonGlow::Restart(*quit);
    PNUButtonGlow::Restart(*message);
    EXPECT_EQ(PNUButtonGlow::Opacity(*message), 0);
    EXPECT_EQ(Run(200, true, 250, false).first, PNUButtonGlow::kGlowOpacity);
}

// A window of the widgets BuildWidgets insists on: the main button with its two glow layers and
// the progress bar with its gradient; the rest is optional.
struct sTree {
    bool button = true;
    bool glows = true;
    bool barEffect = true;
    bool statusPanel = false;
};

std::unique_ptr<CPintrelUpdaterBackdrop> MakeWindow(const sTree& tree)
{
    auto backdrop = std::make_unique<CPintrelUpdaterBackdrop>();
    if (tree.button) {
        auto* button = new CImWidget();
        button->SetId(300);
        EXPECT_EQ(backdrop->AddChild(button, false), eSuccess);
        EXPECT_EQ(button->SetSize(300, 54, false), eSuccess);
        for (int32_t index : {1, 2}) {
            if (tree.glows) {
                EXPECT_EQ(button->AttachOverEffect(new CWidgetEffectGradient(), index, false), eSuccess);
            }
        }
    }
    auto* panel = new CWidget();
    panel->SetId(500);
    EXPECT_EQ(backdrop->AddChild(panel, false), eSuccess);
    auto* bar = new CWidget();
    bar->SetId(504);
    EXPECT_EQ(panel->AddChild(bar, false), eSuccess);
    if (tree.barEffect) {
        EXPECT_EQ(bar->AttachOverEffect(new CWidgetEffectGradient(), 0, false), eSuccess);
    }
    if (tree.statusPanel) {
        auto* statusPanel = new CWidget();
        statusPanel->SetId(201);
        EXPECT_EQ(backdrop->AddChild(statusPanel, false), eSuccess);
    }
    return backdrop;
}

TEST(UpdaterWindowBuild, RefusesAWindowWithoutItsButtonOrItsEffects)
{
    struct sCase {
        const char* name;
        sTree tree;
        eResultCode result;
    };
    const sCase cases[] = {
        {"complete", {}, eSuccess},
        {"no main button", {false, true, true}, eCreateFailed},
        {"no glow layers", {true, false, true}, eResourceNotFound},
        {"no progress gradient", {true, true, false}, eResourceNotFound},
    };
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto backdrop = MakeWindow(c.tree);
        uint32_t black = 0xFF000000u;
        // Before the table exists a status line reaches only the log.
        EXPECT_EQ(backdrop->AddStatusLine(gCString("early"), &black, false), eResourceNotFound);
        EXPECT_EQ(backdrop->BuildWidgets(), c.result);
        // Whatever failed, every message is still taken.
        backdrop->SetMessageActive(false);
        EXPECT_EQ(backdrop->SetProgress(0.5f, false), eSuccess);
        EXPECT_EQ(backdrop->RecalcScrollThumb(false), eSuccess);
        EXPECT_EQ(backdrop->OnButtonHeartbeat(backdrop->FindWidgetById(300)), eSuccess);
    }
}

TEST(UpdaterWindowBuild, EveryFailedAllocationIsSurvivedAndAMissingAnimatorIsAnObjectNotCreated)
{
    // Every allocation of the build fails once in turn: whichever leaves the button without its
    // second animator must end the build with 24, and none may pass for a built window without
    // its status table.
    int32_t animatorsMissing = 0;
    for (int64_t k = 1;; ++k) {
        auto backdrop = MakeWindow({.statusPanel = true});
        eResultCode built;
        bool failed;
        {
            AllocationFailure failure(k);
            built = backdrop->BuildWidgets();
            failed = failure.Count() >= k;
        }
        if (backdrop->FindWidgetById(300)->GetUserObject(PNUButtonGlow::kMessagePart) == nullptr) {
            ++animatorsMissing;
            EXPECT_EQ(built, eCreateFailed) << k;
        }
        if (backdrop->FindWidgetById(201)->GetChildCount() == 0) {
            EXPECT_NE(built, eSuccess) << k;
        }
        if (!failed) {
            EXPECT_EQ(built, eSuccess);
            break;
        }
    }
    EXPECT_EQ(animatorsMissing, 2);
}

TEST(UpdaterWindowBuild, GlowLayersAndProgressBarAreCoveredInTheirOwnersCoordinates)
{
    auto backdrop = MakeWindow({});
    CWidget* button = backdrop->FindWidgetById(300);
    ASSERT_EQ(button->SetPosition(330, 178, false), eSuccess);
    CWidget* bar = backdrop->FindWidgetById(504);
    ASSERT_EQ(bar->SetPosition(15, 22, false), eSuccess);
    ASSERT_EQ(bar->SetSize(250, 14, false), eSuccess);
    ASSERT_EQ(backdrop->BuildWidgets(), eSuccess);

    // Layer 1 lights the quit part, so the message part is covered; layer 2 the other way round.
    gCRect quitCovered = button->GetOverEffect(1)->GetCoveredRegion().GetBounds();
    gCRect messageCovered = button->GetOverEffect(2)->GetCoveredRegion().GetBounds();
    EXPECT_EQ(quitCovered.right - quitCovered.left, PNUButtonGlow::kSplitX);
    EXPECT_EQ(messageCovered.left - quitCovered.left, PNUButtonGlow::kSplitX);
    EXPECT_EQ(messageCovered.right - messageCovered.left, 300 - PNUButtonGlow::kSplitX);
    for (int32_t index : {1, 2})
        EXPECT_EQ(dynamic_cast<CWidgetEffectGradient*>(button->GetOverEffect(index))->GetBlendMode(), 1);

    const CRegion& barCovered = bar->GetOverEffect(0)->GetCoveredRegion();
    EXPECT_EQ(barCovered.GetBounds().right - barCovered.GetBounds().left, 250);
    ASSERT_EQ(backdrop->SetProgress(0.42f, false), eSuccess);
    EXPECT_EQ(barCovered.GetBounds().right - barCovered.GetBounds().left, 250 - 105);
    ASSERT_EQ(backdrop->SetProgress(1.0f, false), eSuccess);
    EXPECT_TRUE(barCovered.IsEmpty());
    EXPECT_TRUE(bar->IsVisible());
}

} // namespace
