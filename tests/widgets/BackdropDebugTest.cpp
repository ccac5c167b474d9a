#include "app/AppTestSupport.h"

#include "widgets/CCoWidget.h"

namespace {

using BackdropDebug = AppTest;

TEST_F(BackdropDebug, FlashNeedsTheKeysAndRolloverAndLeavesNoWidgetBehind)
{
    CTestApp app;
    CTestBackdrop* backdrop = MakeMainWindow(app);
    auto* target = new CCoWidget();
    target->SetVisible(true, false);
    ASSERT_EQ(target->SetPosition(10, 10, false), eSuccess);
    ASSERT_EQ(target->SetSize(40, 40, false), eSuccess);
    ASSERT_EQ(backdrop->AddChild(target, false), eSuccess);
    input.pointer = {320 + 20, 392 + 20};

    // Command and Shift are both needed.
    input.modifiers = plat::kModCommand;
    EXPECT_EQ(backdrop->ShowDebugInfo(), 0u);
    EXPECT_TRUE(Alerts().empty());

    input.modifiers = plat::kModCommand | plat::kModShift;
    EXPECT_EQ(backdrop->ShowDebugInfo(), 2u);
    ASSERT_EQ(Alerts().size(), 1u);
    EXPECT_NE(Alerts()[0].find("WidgetRollover MUST be enabled"), std::string::npos);
    plat::GetRecordedAlerts().Clear();

    backdrop->SetWidgetRollover(1);
    app.ResumeHeartbeat();
    backdrop->UpdateRollover();
    ASSERT_EQ(backdrop->GetRolloverWidget(), target);
    int32_t children = backdrop->GetChildCount();
    // The button is not held: the flash comes and goes at once.
    EXPECT_EQ(backdrop->ShowDebugInfo(), 2u);
    EXPECT_EQ(backdrop->GetChildCount(), children);
    EXPECT_EQ(backdrop->GetChild(0), target);
    EXPECT_TRUE(Alerts().empty());
}

} // namespace
