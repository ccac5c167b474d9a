#include "AppTestSupport.h"

#include "platform/Window.h"

namespace {

using WindowPlacementTest = AppTest;

std::string RectText(const gCRect& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

TEST_F(WindowPlacementTest, CalculatesRectanglesOnAScreenWithAMenuBar)
{
    struct sCase {
        const char* what;
        plat::sRect screen;
        uint32_t flags;
        gCFloatPoint size, position;
        int32_t storedMode;
        bool backdrop;
        const char* rect;
        int32_t mode;
        uint32_t fills;
    };
    const sCase cases[] = {
        {"centred both ways below the menu bar", {0, 0, 1920, 1080}, 0x06, {640, 240}, {-1, -1}, 0, false,
         "640,431,1280,671", 0, 0},
        {"centred on a screen away from the origin", {100, 50, 2020, 1130}, 0x06, {640, 240}, {-1, -1}, 0,
         false, "740,481,1380,721", 0, 0},
        {"position given in pixels, below the menu bar", {0, 0, 1920, 1080}, 0, {300, 200}, {10, 20}, 0,
         false, "10,42,310,242", 0, 0},
        {"negative x other than -1 stays at 0, y still applies", {0, 0, 1920, 1080}, 0, {300, 200},
         {-5, 100}, 0, false, "0,122,300,322", 0, 0},
        {"position as fractions", {0, 0, 1920, 1080}, 0x08, {100, 100}, {0.5f, 0.5f}, 0, false,
         "960,551,1060,651", 0, 0},
        {"size as fractions, rounded half away from zero", {0, 0, 1001, 1080}, 0x10, {0.5f, 0.25f},
         {0, 0}, 0, false, "0,22,501,292", 0, 0},
        {"as large as the screen: below the menu bar in mode 0", {0, 0, 1920, 1080}, 0, {1920, 1058},
         {5, 5}, 0, false, "0,22,1920,1080", 0, 1},
        {"as large as the screen: the whole screen in mode 1", {0, 0, 1920, 1080}, 0, {1920, 1058},
         {5, 5}, 1, false, "0,0,1920,1080", 1, 1},
        {"fill flag", {0, 0, 1920, 1080}, 0x01, {10, 10}, {5, 5}, 0, false, "0,22,1920,1080", 0, 1},
        {"no position and no window yet: the origin", {0, 0, 1920, 1080}, 0, {300, 200}, {-1, -1}, 0,
         true, "0,0,300,200", 0, 0},
    };
    for (const sCase& c : cases) {
        plat::FixedScreen fake(c.screen, 22);
        plat::SetScreen(&fake);
        CAppWindow window;
        if (c.backdrop)
            window.SetBackdrop(new CBackdrop(), 0);
        window.SetFullScreenModeField(c.storedMode);
        gCFloatPoint size = c.size;
        int32_t mode = -1;
        gCRect rect = window.CalculateWindowRect(c.flags, size, c.position, &mode);
        EXPECT_EQ(RectText(rect), c.rect) << c.what;
        EXPECT_EQ(mode, c.mode) << c.what;
        EXPECT_EQ(window.FillsScreen(), c.fills) << c.what;
    }
}

TEST_F(WindowPlacementTest, FractionalSizesAreClampedAndWrittenBack)
{
    plat::FixedScreen fake({0, 0, 1920, 1080}, 22);
    plat::SetScreen(&fake);
    CAppWindow window;
    gCFloatPoint size{2.0f, 0.5f};
    int32_t mode = 0;
    gCRect rect = window.CalculateWindowRect(0x10, size, {0, 0}, &mode);
    EXPECT_EQ(size.x, 1.0f);
    EXPECT_EQ(size.y, 0.5f);
    // 1920 wide but only 540 high: not full screen.
    EXPECT_EQ(RectText(rect), "0,22,1920,562");
}

TEST_F(WindowPlacementTest, TheMainWindowOpensCentredAtItsSize)
{
    CTestApp app;
    CTestBackdrop* backdrop = MakeMainWindow(app);
    auto* window = static_cast<CMacWindow*>(GetMainWindow());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->GetBackdrop(), backdrop);
    EXPECT_EQ(RectText(window->GetBounds()), "320,392,960,632");
    EXPECT_EQ(backdrop->GetWidth(), 640);
    EXPECT_EQ(backdrop->GetHeight(), 240);
    EXPECT_EQ(window->GetFullScreenMode(), 0);
    EXPECT_TRUE(window->GetPlatformWindow()->IsShown());
    // Making the window paused the heartbeat; the application resumes it when ready.
    EXPECT_EQ(app.IsHeartbeatEnabled(), 0u);
    // The backdrop's image reached the window.
    EXPECT_EQ(window->GetPlatformWindow()->GetPixel(5, 5), 0xFF303050u);
    EXPECT_TRUE(backdrop->IsWindowReady());
}

TEST_F(WindowPlacementTest, SizeFormTakesTheRootWidgetsSizeWhenGivenNone)
{
    CTestApp app;
    auto* backdrop = new CTestBackdrop();
    ASSERT_EQ(backdrop->SetSize(300, 100, false), eSuccess);
    ASSERT_EQ(app.CreateMainWindow(backdrop, 0, 0, 0, "Title", true), eSuccess);
    EXPECT_EQ(GetMainWindow()->GetWidth(), 300);
    EXPECT_EQ(GetMainWindow()->GetHeight(), 100);
    // Centred relative to the screen's origin.
    EXPECT_EQ(RectText(GetMainWindow()->GetBounds()), "490,462,790,562");
}

TEST_F(WindowPlacementTest, AFailedWindowLeavesTheRootWidgetToTheCaller)
{
    CTestApp app;
    // A size below one pixel cannot be made: the object stays, the root widget is not freed.
    auto* backdrop = new CTestBackdrop();
    EXPECT_EQ(app.CreateMainWindow(backdrop, 0, 0, -5, nullptr, true), eGenericFailure);
    ASSERT_NE(GetMainWindow(), nullptr);
    EXPECT_EQ(GetMainWindow()->GetBackdrop(), nullptr);
    backdrop->SetVisible(true, false);
    EXPECT_TRUE(backdrop->IsVisible());
    delete backdrop;
    // Disposing a window that never had a window-system window is harmless.
    GetMainWindow()->DisposeWindow();
    EXPECT_EQ(GetMainWindow(), nullptr);
    EXPECT_EQ(Alerts(), (std::vector<std::string>{
                            "Error.|An error occurred on attempting to create an object.\nCMacWindow "
                            "MakeWindow failed."}));
}

TEST_F(WindowPlacementTest, DeveloperKeysResizeAndPauseAndSmallSizesAreIgnored)
{
    CTestApp app;
    CTestBackdrop* backdrop = MakeMainWindow(app);
    CWindowBase* window = GetMainWindow();
    window->SetSize(7, 100);
    EXPECT_EQ(backdrop->GetWidth(), 640);
    EXPECT_EQ(window->KeyDown(kKeyF8), eSuccess);
    EXPECT_EQ(RectText(window->GetBounds()), "128,102,1152,921");
    EXPECT_EQ(backdrop->GetWidth(), 1024);
    EXPECT_EQ(backdrop->GetHeight(), 819);
    EXPECT_EQ(window->KeyDown(kKeyF7), eSuccess);
    EXPECT_EQ(RectText(window->GetBounds()), "0,0,1280,1024");
    EXPECT_EQ(app.IsMenuBarHidden(), 1u);
    app.ResumeHeartbeat();
    EXPECT_EQ(window->KeyDown(kKeyF11), eSuccess);
    EXPECT_EQ(app.IsHeartbeatEnabled(), 0u);
    EXPECT_EQ(window->KeyDown(kKeyF11), eSuccess);
    EXPECT_EQ(app.IsHeartbeatEnabled(), 1u);
    // A key the backdrop takes is not a developer key.
    backdrop->takeKeys = true;
    EXPECT_EQ(window->KeyDown(kKeyF11), eResultCode(1));
    EXPECT_EQ(app.IsHeartbeatEnabled(), 1u);
}

} // namespace
