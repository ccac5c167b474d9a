// The window's middle-button, wheel and timer events on their way to the backdrop, and the
// window's placement relative to the screen.
#include "AppTestSupport.h"

#include "app/AppMain.h"
#include "platform/Event.h"

namespace {

class CForwardBackdrop : public CBackdrop {
public:
    eResultCode OnMButtonDown(CWidget**, const gCPoint& point) override { return Record("middle down", point); }
    eResultCode OnMButtonUp(CWidget**, const gCPoint& point) override { return Record("middle up", point); }
    eResultCode OnMouseWheel(CWidget**, const gCPoint& delta, const gCPoint& point) override
    {
        return Record("wheel " + std::to_string(delta.x) + "," + std::to_string(delta.y), point);
    }
    eResultCode OnTimer(CWidget**, int32_t value) override
    {
        seen.push_back("timer " + std::to_string(value));
        return answer;
    }
    eResultCode Record(const std::string& what, const gCPoint& point)
    {
        seen.push_back(what + " at " + std::to_string(point.x) + "," + std::to_string(point.y));
        return answer;
    }
    std::vector<std::string> seen;
    eResultCode answer = eSuccess;
};

class WindowForwards : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        backdrop = new CForwardBackdrop();
        ASSERT_EQ(app.CreateMainWindow(backdrop, 0, kPlaceCentreHorizontally | kPlaceCentreVertically,
                                       {640.0f, 240.0f}, {-1.0f, -1.0f}, nullptr, false),
                  eSuccess);
        backdrop->EnableEvents(0xFFFFFFFF, false);
        window = static_cast<CMacWindow*>(GetMainWindow());
    }
    // A pointer event at a window-content point, carrying the global position the window converts.
    plat::sEvent Pointer(plat::eEventKind kind, int32_t x, int32_t y)
    {
        plat::sEvent event;
        event.kind = kind;
        event.windowId = window->GetPlatformId();
        gCRect bounds = window->GetBounds();
        event.x = x;
        event.y = y;
        event.globalX = bounds.left + x;
        event.globalY = bounds.top + y;
        return event;
    }

    CTestApp app;
    CForwardBackdrop* backdrop = nullptr;
    CMacWindow* window = nullptr;
};

TEST_F(WindowForwards, MiddleButtonWheelAndTimerReachTheBackdropAndItsFailuresAreShown)
{
    struct sCase {
        const char* seen;
        std::function<void()> deliver;
    } cases[] = {
        {"middle down at 10,20",
         [&] {
             plat::sEvent press = Pointer(plat::eEventKind::kMouseDown, 10, 20);
             press.button = 3;
             DispatchPlatformEvent(press);
         }},
        {"middle up at 11,21",
         [&] {
             plat::sEvent release = Pointer(plat::eEventKind::kMouseUp, 11, 21);
             release.button = 3;
             DispatchPlatformEvent(release);
         }},
        // Horizontal first, as the wheel's delta point holds them; the point stays window-local.
        {"wheel 2,-3 at 30,40",
         [&] {
             plat::sEvent wheel = Pointer(plat::eEventKind::kMouseWheel, 30, 40);
             wheel.wheelX = 2;
             wheel.wheelY = -3;
             DispatchPlatformEvent(wheel);
         }},
        {"timer 77", [&] { (void)window->TimerEvent(77); }},
    };
    for (eResultCode answer : {eSuccess, eBadParameter}) {
        for (const sCase& c : cases) {
            SCOPED_TRACE(c.seen);
            backdrop->seen.clear();
            backdrop->answer = answer;
            plat::GetRecordedAlerts().Clear();
            c.deliver();
            EXPECT_EQ(backdrop->seen, std::vector<std::string>{c.seen});
            EXPECT_EQ(Alerts().size(), answer == eSuccess ? 0u : 1u);
        }
    }
    // Without a backdrop the same events go nowhere, harmlessly.
    window->DetachBackdrop();
    plat::GetRecordedAlerts().Clear();
    for (const sCase& c : cases)
        c.deliver();
    EXPECT_EQ(Alerts(), std::vector<std::string>{});
}

TEST_F(WindowForwards, MovesRelativeToTheScreenAndCentresOnIt)
{
    struct sCase {
        const char* what;
        plat::sRect screen;
        std::function<void()> move;
        int16_t x, y;
    } cases[] = {
        // 1001 * 0.5 = 500.5 rounds away from zero; 1080 * 0.25 = 270.
        {"fractions of an odd screen", {0, 0, 1001, 1080}, [&] { (void)window->MoveRelativeToScreen(0.5f, 0.25f, 1); },
         501, 270},
        {"fractions as a point", {0, 0, 1280, 1024},
         [&] { (void)window->MoveRelativeToScreenPoint({0.25f, 0.75f}); }, 320, 768},
        // Halves taken separately: 1000 / 2 - 641 / 2 = 180 (not (1000 - 641) / 2 = 179).
        {"centred, an odd window on an even screen", {0, 0, 1000, 800},
         [&] {
             (void)window->SetSizeClipped(641, 241, 1);
             (void)window->Centre();
         },
         180, 280},
    };
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.what);
        plat::FixedScreen fixed(c.screen, 0);
        plat::SetScreen(&fixed);
        (void)window->MoveTo(5, 5);
        c.move();
        gCPoint at = window->GetPosition();
        EXPECT_EQ(at.x, c.x);
        EXPECT_EQ(at.y, c.y);
        plat::SetScreen(&screen);
    }
}

} // namespace

namespace {

// The pointer is put at a point of the screen, not of the window; the position read back is the
// window-content one.
TEST_F(WindowForwards, WarpingPutsThePointerAtAScreenPoint)
{
    ASSERT_EQ(window->GetContentOrigin().x, 320);
    ASSERT_EQ(window->GetContentOrigin().y, 392);
    EXPECT_EQ(app.WarpMouse({300, 500}), eSuccess);
    EXPECT_EQ(input.pointer.x, 300);
    EXPECT_EQ(input.pointer.y, 500);
    gCPoint local = app.GetMousePosition();
    EXPECT_EQ(local.x, -20);
    EXPECT_EQ(local.y, 108);
}

} // namespace
