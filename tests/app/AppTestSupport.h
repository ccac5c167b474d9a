// A small application, backdrop and window that record what the framework does to them, and a
// fixture that puts a manual clock, input state, screen and recorded alerts in place.
#pragma once

#include "app/AppGlobals.h"
#include "app/CApp.h"
#include "app/CAppWindow.h"
#include "platform/AlertPresenter.h"
#include "platform/EventDispatch.h"
#include "platform/EventLoop.h"
#include "platform/InputState.h"
#include "platform/ManualClock.h"
#include "platform/Screen.h"
#include "widgets/CBackdrop.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

// Shared log of what happened, in order.
inline std::vector<std::string>& Log()
{
    static std::vector<std::string> log;
    return log;
}

class CTestApp : public CApp {
public:
    eResultCode Run(const gCString& path) override
    {
        Log().push_back("run:" + Utf8(path));
        runPath = Utf8(path);
        if (onRun)
            return onRun();
        return runResult;
    }
    eResultCode HeartbeatHook() override
    {
        Log().push_back("hook");
        ++hooks;
        if (onHook)
            return onHook();
        return eSuccess;
    }
    // The framework's tests need no resource file.
    eResultCode LoadSystemResources() override { return loadResult; }
    void PrepareToQuit() override { Log().push_back("prepare"); }
    void Quit() override
    {
        Log().push_back("quit");
        CApp::Quit();
    }
    eResultCode OnFilesDropped(const gCArray<gCString>& paths) override
    {
        dropped.clear();
        for (const gCString& path : paths)
            dropped.push_back(Utf8(path));
        return dropResult;
    }
    uint32_t OnMessage(uint32_t message, uintptr_t p1, uintptr_t p2) override
    {
        messages.push_back({message, p1, p2});
        return messageResult;
    }
    int32_t PreHandleEvent(const plat::sEvent& event) override
    {
        preHandled.push_back(event);
        return preHandleResult;
    }
    void TrackWidgetCursor() override
    {
        Log().push_back("cursor");
        CApp::TrackWidgetCursor();
    }
    uint32_t HasUpdateEvent() override
    {
        Log().push_back("update?");
        return CApp::HasUpdateEvent();
    }

    struct sMessage {
        uint32_t message;
        uintptr_t p1, p2;
    };
    std::string runPath;
    eResultCode loadResult = eSuccess;
    eResultCode runResult = eSuccess;
    std::function<eResultCode()> onRun;
    std::function<eResultCode()> onHook;
    int hooks = 0;
    std::vector<std::string> dropped;
    eResultCode dropResult = eSuccess;
    std::vector<sMessage> messages;
    uint32_t messageResult = 0;
    int32_t preHandleResult = 0;
    std::vector<plat::sEvent> preHandled;
};

class CTestBackdrop : public CBackdrop {
public:
    eResultCode OnKeyDown(CWidget** taker, int32_t key) override
    {
        keys.push_back(key);
        if (takeKeys)
            *taker = this;
        return eSuccess;
    }
    eResultCode OnKeyUp(CWidget**, int32_t key) override
    {
        keysUp.push_back(key);
        return eSuccess;
    }
    eResultCode OnLButtonDown(CWidget**, const gCPoint& point) override
    {
        buttons.push_back("L" + std::to_string(point.x) + "," + std::to_string(point.y));
        return eSuccess;
    }
    eResultCode OnLButtonUp(CWidget**, const gCPoint&) override
    {
        buttons.push_back("l");
        return eSuccess;
    }
    eResultCode OnRButtonDown(CWidget**, const gCPoint& point) override
    {
        buttons.push_back("R" + std::to_string(point.x) + "," + std::to_string(point.y));
        return eSuccess;
    }
    eResultCode OnRButtonUp(CWidget**, const gCPoint&) override
    {
        buttons.push_back("r");
        return eSuccess;
    }
    uint32_t OnMessage(uint32_t message, uintptr_t, uintptr_t) override
    {
        messages.push_back(message);
        return messageResult;
    }
    eResultCode OnHeartbeat() override
    {
        Log().push_back("backdrop-heartbeat");
        return eSuccess;
    }

    std::vector<int32_t> keys, keysUp;
    std::vector<std::string> buttons;
    std::vector<uint32_t> messages;
    uint32_t messageResult = 0;
    bool takeKeys = false;
};

// A widget that records the commands it receives (the text editor's role).
class CCommandWidget : public CWidget {
public:
    uint32_t OnCommand(uint32_t command, uintptr_t p1, intptr_t p2, uint32_t flag) override
    {
        commands.push_back(command);
        lastP1 = p1;
        lastP2 = p2;
        lastFlag = flag;
        return 1;
    }
    std::vector<uint32_t> commands;
    uintptr_t lastP1 = 0;
    intptr_t lastP2 = -1;
    uint32_t lastFlag = 0;
};

class AppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Log().clear();
        plat::GetRecordedAlerts().Clear();
        plat::EventLoop::Main().Reset();
        plat::SetInputState(&input);
        plat::SetScreen(&screen);
    }
    void TearDown() override
    {
        gCArray<CWindowBase*>& windows = GetWindowList();
        while (windows.GetSize() > 0)
            windows[windows.GetSize() - 1]->DisposeWindow();
        gMainWindow = nullptr;
        plat::EventLoop::Main().Reset();
        plat::EventLoop::Main().SetEventSource(nullptr);
        plat::SetEventHandler(nullptr);
        plat::SetInputState(nullptr);
        plat::SetScreen(nullptr);
        plat::GetRecordedAlerts().Clear();
    }

    // Texts of the recorded alerts, "title|text".
    std::vector<std::string> Alerts() const
    {
        std::vector<std::string> texts;
        for (const plat::sAlert& alert : plat::GetRecordedAlerts().GetAlerts())
            texts.push_back(alert.title + "|" + alert.text);
        return texts;
    }

    // Makes the main window with a recording backdrop, 640 x 240, centred.
    CTestBackdrop* MakeMainWindow(CTestApp& app)
    {
        auto* backdrop = new CTestBackdrop();
        EXPECT_EQ(app.CreateMainWindow(backdrop, 0, kPlaceCentreHorizontally | kPlaceCentreVertically,
                                       {640.0f, 240.0f}, {-1.0f, -1.0f}, nullptr, false),
                  eSuccess);
        return backdrop;
    }

    plat::ScopedManualClock clock;
    plat::ManualInputState input;
    plat::FixedScreen screen{{0, 0, 1280, 1024}, 0};
};

// The main window with a recording backdrop that takes every kind of event.
template <typename App = CTestApp>
class MainWindowTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        backdrop = MakeMainWindow(app);
        backdrop->EnableEvents(0xFFFFFFFF, false);
        window = static_cast<CMacWindow*>(GetMainWindow());
    }

    App app;
    CTestBackdrop* backdrop = nullptr;
    CMacWindow* window = nullptr;
};
