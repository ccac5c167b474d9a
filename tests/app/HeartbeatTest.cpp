#include "AppTestSupport.h"

#include "app/AppMain.h"

namespace {

using HeartbeatTest = AppTest;

class CHeartbeatWindow : public CAppWindow {
public:
    explicit CHeartbeatWindow(std::string name) : mName(std::move(name)) {}
    eResultCode Heartbeat() override
    {
        Log().push_back(mName + "-heartbeat");
        if (onHeartbeat)
            return onHeartbeat();
        return eSuccess;
    }
    void UpdateWindow() override { Log().push_back(mName + "-update"); }
    std::function<eResultCode()> onHeartbeat;

private:
    std::string mName;
};

TEST_F(HeartbeatTest, StepsRunInOrderAndStopWhereTheFlagsSay)
{
    CTestApp app;
    auto* first = new CHeartbeatWindow("w1");
    new CHeartbeatWindow("w2");
    gMainWindow = first;
    app.ResumeHeartbeat();
    app.PostUpdateEvent();
    EXPECT_EQ(app.Heartbeat(), eSuccess);
    EXPECT_EQ(Log(), (std::vector<std::string>{"cursor", "update?", "w1-update", "w2-update",
                                               "hook", "w1-heartbeat", "w2-heartbeat"}));
    EXPECT_EQ(app.GetTickCounter(), 1u);

    // Heartbeat disabled: cursor, tick and updates still run; hook and windows do not.
    Log().clear();
    app.PauseHeartbeat();
    EXPECT_EQ(app.Heartbeat(), eHandled);
    EXPECT_EQ(app.RunHeartbeatOnce(), eSuccess);
    EXPECT_EQ(Log(), (std::vector<std::string>{"cursor", "update?", "cursor", "update?"}));
    EXPECT_EQ(app.GetTickCounter(), 3u);

    // A window's failure is the heartbeat's result; the later windows are not asked.
    Log().clear();
    app.ResumeHeartbeat();
    first->onHeartbeat = [] { return eBadParameter; };
    EXPECT_EQ(app.Heartbeat(), eBadParameter);
    EXPECT_EQ(Log().back(), "w1-heartbeat");

    // A hook failure stops before the windows.
    Log().clear();
    app.onHook = [] { return eNoMemory; };
    EXPECT_EQ(app.Heartbeat(), eNoMemory);
    EXPECT_EQ(Log().back(), "hook");
    app.onHook = nullptr;

    // The quit flag ends the heartbeat after the updates.
    Log().clear();
    app.Quit();
    Log().clear();
    EXPECT_EQ(app.Heartbeat(), eSuccess);
    EXPECT_EQ(Log(), (std::vector<std::string>{"cursor", "update?"}));
}

TEST_F(HeartbeatTest, AWindowDisposingTheOthersDoesNotEndTheWalkOnFreedWindows)
{
    CTestApp app;
    auto* first = new CHeartbeatWindow("w1");
    auto* second = new CHeartbeatWindow("w2");
    auto* third = new CHeartbeatWindow("w3");
    gMainWindow = first;
    app.ResumeHeartbeat();
    // This closure lives in the second window: nothing of it is read once that window is gone.
    second->onHeartbeat = [&] {
        third->DisposeWindow();
        second->DisposeWindow();
        return eSuccess;
    };
    EXPECT_EQ(app.Heartbeat(), eSuccess);
    EXPECT_EQ(GetWindowList().GetSize(), 1);
    first->DisposeWindow();
}

TEST_F(HeartbeatTest, TimerFiresEveryTenMillisecondsAndNeverReentersItself)
{
    CTestApp app;
    app.ResumeHeartbeat();
    plat::EventLoop& loop = plat::EventLoop::Main();
    uint32_t timer = loop.AddTimer(0, kHeartbeatInterval, [&] { app.HeartbeatTimerFired(); });
    int nestedTicks = 0;
    app.onHook = [&] {
        if (app.hooks == 1) {
            // The hook spins a loop of its own for 50 ms: no heartbeat runs inside it.
            uint64_t until = clock->NowMicroseconds() + 50000;
            int before = app.hooks;
            while (clock->NowMicroseconds() < until)
                loop.RunOnce(int64_t(until - clock->NowMicroseconds()));
            nestedTicks = app.hooks - before;
        }
        return eSuccess;
    };
    loop.RunOnce(0);
    EXPECT_EQ(app.hooks, 1);
    EXPECT_EQ(nestedTicks, 0);
    EXPECT_EQ(app.IsHeartbeatRunning(), 0u);

    // An event handler's nested loop (an alert) does get heartbeats.
    app.onHook = nullptr;
    int during = 0;
    loop.Post([&] {
        int before = app.hooks;
        uint64_t until = clock->NowMicroseconds() + 30000;
        while (clock->NowMicroseconds() < until)
            loop.RunOnce(int64_t(until - clock->NowMicroseconds()));
        during = app.hooks - before;
    });
    loop.RunOnce(0);
    EXPECT_EQ(during, 3);
    loop.RemoveTimer(timer);
}

} // namespace
