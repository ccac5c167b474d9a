#include "AppTestSupport.h"

namespace {

using RoutingTest = AppTest;

class CRecordingTarget : public gCCmdTarget {
public:
    explicit CRecordingTarget(std::string name, uint32_t answer = 0) : mName(std::move(name)), mAnswer(answer) {}
    uint32_t OnMessage(uint32_t message, uintptr_t, uintptr_t) override
    {
        Log().push_back(mName + ":" + std::to_string(message));
        if (onMessage)
            onMessage();
        return mAnswer;
    }
    uint32_t OnCommand(uint32_t command, uintptr_t p1, intptr_t p2, uint32_t flag) override
    {
        Log().push_back(mName + " cmd " + std::to_string(command) + " " + std::to_string(p1) + " " +
                        std::to_string(p2) + " flag " + std::to_string(flag));
        return 7;
    }
    std::function<void()> onMessage;

private:
    std::string mName;
    uint32_t mAnswer;
};

TEST_F(RoutingTest, MessagesGoToTheApplicationThenTheHubThenTheRootWidget)
{
    CTestApp app;
    CRecordingTarget first("first"), second("second");
    ASSERT_EQ(app.AddMessageTarget(&first), eSuccess);
    ASSERT_EQ(app.AddMessageTarget(&second), eSuccess);
    // No main window: only the application and the hub see it.
    EXPECT_EQ(app.RouteMessage(42, 1, 2), 0u);
    EXPECT_EQ(Log(), (std::vector<std::string>{"first:42", "second:42"}));
    ASSERT_EQ(app.messages.size(), 1u);

    CTestBackdrop* backdrop = MakeMainWindow(app);
    backdrop->messageResult = 9;
    Log().clear();
    EXPECT_EQ(app.RouteMessage(43, 0, 0), 9u);
    EXPECT_EQ(Log(), (std::vector<std::string>{"first:43", "second:43"}));
    EXPECT_EQ(backdrop->messages, (std::vector<uint32_t>{43}));

    // A listener that answers stops the message before the root widget.
    CRecordingTarget stopper("stopper", 5);
    app.RemoveMessageTarget(&second);
    ASSERT_EQ(app.AddMessageTarget(&stopper), eSuccess);
    Log().clear();
    EXPECT_EQ(app.RouteMessage(44, 0, 0), 5u);
    EXPECT_EQ(Log(), (std::vector<std::string>{"first:44", "stopper:44"}));
    EXPECT_EQ(backdrop->messages.size(), 1u);

    // The application's own answer stops it first.
    app.messageResult = 3;
    Log().clear();
    EXPECT_EQ(app.RouteMessage(45, 0, 0), 3u);
    EXPECT_TRUE(Log().empty());
    gMainWindow->DisposeWindow();
}

TEST_F(RoutingTest, HubKeepsDuplicatesAndRemovesTheFirstOccurrence)
{
    CTestApp app;
    CRecordingTarget a("a"), b("b");
    ASSERT_EQ(app.AddMessageTarget(&a), eSuccess);
    ASSERT_EQ(app.AddMessageTarget(&b), eSuccess);
    ASSERT_EQ(app.AddMessageTarget(&a), eSuccess);
    (void)app.BroadcastMessage(1, 0, 0);
    EXPECT_EQ(Log(), (std::vector<std::string>{"a:1", "b:1", "a:1"}));
    app.RemoveMessageTarget(&a);
    Log().clear();
    (void)app.BroadcastMessage(2, 0, 0);
    EXPECT_EQ(Log(), (std::vector<std::string>{"b:2", "a:2"}));
    app.RemoveMessageTarget(&b);
    app.RemoveMessageTarget(&b);
    EXPECT_EQ(app.GetMessageHub().GetCount(), 1);
}

TEST_F(RoutingTest, AListenerRemovingItselfDuringABroadcastEndsTheWalkSafely)
{
    CTestApp app;
    CRecordingTarget a("a"), b("b");
    a.onMessage = [&] {
        app.RemoveMessageTarget(&a);
        app.RemoveMessageTarget(&b);
    };
    ASSERT_EQ(app.AddMessageTarget(&a), eSuccess);
    ASSERT_EQ(app.AddMessageTarget(&b), eSuccess);
    EXPECT_EQ(app.BroadcastMessage(1, 0, 0), 0u);
    EXPECT_EQ(Log(), (std::vector<std::string>{"a:1"}));
}

TEST_F(RoutingTest, CommandsGoToTheProgramWideTargetsWithTheFlag)
{
    CTestApp app;
    CRecordingTarget focus("focus"), fallback("default"), bystander("bystander");
    gCCmdTarget::SetFocusTarget(nullptr);
    gCCmdTarget::SetDefaultTarget(nullptr);
    EXPECT_EQ(bystander.SendToFocusTarget(1, 2, 3), 0u);
    EXPECT_EQ(bystander.PassToDefaultTarget(1, 2, 3), 0u);
    gCCmdTarget::SetFocusTarget(&focus);
    gCCmdTarget::SetDefaultTarget(&fallback);
    EXPECT_EQ(bystander.SendToFocusTarget(1, 2, -3), 7u);
    EXPECT_EQ(bystander.PassToFocusTarget(1, 2, 3), 7u);
    EXPECT_EQ(bystander.SendToDefaultTarget(4, 5, 6), 7u);
    EXPECT_EQ(bystander.PassToDefaultTarget(4, 5, 6), 7u);
    EXPECT_EQ(Log(), (std::vector<std::string>{"focus cmd 1 2 -3 flag 1", "focus cmd 1 2 3 flag 0",
                                               "default cmd 4 5 6 flag 1",
                                               "default cmd 4 5 6 flag 0"}));
    gCCmdTarget::SetFocusTarget(nullptr);
    gCCmdTarget::SetDefaultTarget(nullptr);
}

} // namespace
