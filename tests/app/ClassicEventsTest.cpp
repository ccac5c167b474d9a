// The window's record-based event path. Nothing in the program feeds it records; these tests do.
#include "AppTestSupport.h"

#include "app/WindowPort.h"
#include "platform/ClassicEvent.h"

#include <algorithm>

namespace {

plat::sClassicEvent Record(uint16_t what, uint32_t message = 0, plat::sPoint where = {}, uint32_t modifiers = 0)
{
    plat::sClassicEvent event;
    event.what = what;
    event.message = message;
    event.where = where;
    event.modifiers = modifiers;
    return event;
}

uint32_t KeyMessage(int32_t macKey, uint8_t character) { return uint32_t(macKey) << 8 | character; }

// A window with no window-system window, for the rows that only call the window's own operations.
class CRecordingWindow : public CAppWindow {
public:
    void UpdateWindow() override { Log().push_back("update"); }
    void Activate() override { Log().push_back("activate"); }
};

// Quitting would dispose the window the next row uses: here it is only recorded.
class CQuitRecordingApp : public CTestApp {
public:
    void Quit() override { Log().push_back("quit"); }
};

class ClassicEventsTest : public MainWindowTest<CQuitRecordingApp> {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        origin = window->GetContentOrigin();
    }
    plat::sPoint Global(int32_t x, int32_t y) const { return {origin.x + x, origin.y + y}; }

    gCPoint origin;
};

TEST_F(ClassicEventsTest, ButtonsAreWindowLocalAndTheControlKeyMakesThemRight)
{
    struct sCase {
        uint16_t what;
        uint32_t modifiers;  // held now, as the application asks the keyboard
        std::string button;
    };
    const sCase cases[] = {
        {plat::kClassicMouseDown, 0, "L10,20"},
        {plat::kClassicMouseUp, 0, "l"},
        {plat::kClassicMouseDown, plat::kModControl, "R10,20"},
        {plat::kClassicMouseUp, plat::kModControl, "r"},
    };
    for (const sCase& c : cases) {
        input.modifiers = c.modifiers;
        EXPECT_EQ(window->HandleClassicEvent(Record(c.what, 0, Global(10, 20)), plat::kPartInContent), 0);
        EXPECT_EQ(backdrop->buttons.back(), c.button);
    }
}

TEST_F(ClassicEventsTest, KeysGoThroughTheClassicTableAndCommandQQuits)
{
    struct sCase {
        uint16_t what;
        int32_t macKey;
        uint8_t character;
        uint32_t modifiers;
        int32_t result;
    };
    const sCase cases[] = {
        {plat::kClassicKeyDown, 0, 'a', 0, 0},
        {plat::kClassicAutoKey, 111, 16, 0, 0},         // F12 is Escape on this path
        {plat::kClassicKeyDown, 76, 3, 0, 0},           // keypad Enter types its character
        {plat::kClassicKeyDown, 123, 28, 0, 0},         // left arrow
        {plat::kClassicKeyDown, 13, 'w', plat::kModCommand, 0},
        {plat::kClassicKeyDown, 12, 'q', plat::kModCommand, 0},
        {plat::kClassicAutoKey, 12, 'Q', plat::kModCommand | plat::kModShift, 0},
        {plat::kClassicKeyUp, 11, 'b', 0, 1},
    };
    for (const sCase& c : cases)
        EXPECT_EQ(window->HandleClassicEvent(Record(c.what, KeyMessage(c.macKey, c.character), {}, c.modifiers), 0),
                  c.result);
    EXPECT_EQ(backdrop->keys, (std::vector<int32_t>{'a', 27, 3, -256, 'w'}));
    EXPECT_EQ(backdrop->keysUp, (std::vector<int32_t>{'b'}));
    EXPECT_EQ(std::count(Log().begin(), Log().end(), "quit"), 2);
}

TEST_F(ClassicEventsTest, OtherEventTypesReachTheWindowsOwnOperations)
{
    CRecordingWindow bare;
    struct sCase {
        uint16_t what;
        int32_t result;
        std::vector<std::string> log;
    };
    const std::vector<sCase> cases = {
        {plat::kClassicUpdate, 0, {"update"}},
        {plat::kClassicActivate, 0, {"activate"}},
        {plat::kClassicHighLevel, 1, {}},
        {plat::kClassicNullEvent, 0, {}},
        {9, 0, {}},
    };
    for (const sCase& c : cases) {
        Log().clear();
        EXPECT_EQ(bare.HandleClassicEvent(Record(c.what), 0), c.result) << c.what;
        EXPECT_EQ(Log(), c.log) << c.what;
    }
}

TEST_F(ClassicEventsTest, SuspendEntersTheModalStateAndResumeLeavesItWithFullScreenAgain)
{
    ASSERT_EQ(window->SetBounds(kPlaceFillScreen, {-1.0f, -1.0f}, {-1.0f, -1.0f}), eSuccess);
    const gCRect screenRect{0, 0, 1280, 1024};
    ASSERT_EQ(window->GetBounds(), screenRect);
    app.SetCursorVisible(0);

    EXPECT_EQ(window->HandleClassicEvent(Record(plat::kClassicOSEvent, 0x01000000, Global(5, 6)), 0), 1);
    EXPECT_EQ(app.IsInModalState(), 1u);
    EXPECT_EQ(app.GetCursorVisibleFlag(), 1u);

    // While the program was away its window was moved off the screen's corner.
    ASSERT_EQ(window->MoveTo(40, 50), eSuccess);
    ASSERT_NE(window->GetBounds(), screenRect);
    EXPECT_EQ(window->HandleClassicEvent(Record(plat::kClassicOSEvent, 0x01000001, Global(5, 6)), 0), 1);
    EXPECT_EQ(app.IsInModalState(), 0u);
    EXPECT_EQ(window->GetBounds(), screenRect);
}

TEST_F(ClassicEventsTest, TheAboutAndQuitItemsAndNothingElse)
{
    struct sCase {
        int16_t menu, item;
        std::vector<std::string> alerts;
        bool quits;
    };
    const std::vector<sCase> cases = {
        {128, 1, {"About|An application built on the toolkit."}, false},
        {129, 1, {}, true},
        {128, 2, {}, false},
        {129, 2, {}, false},
        {130, 1, {}, false},
        {0, 0, {}, false},
    };
    for (const sCase& c : cases) {
        Log().clear();
        plat::GetRecordedAlerts().Clear();
        plat::sClassicEvent event = Record(plat::kClassicMouseDown);
        event.menu = c.menu;
        event.item = c.item;
        window->HandleMenuSelection(event);
        EXPECT_EQ(Alerts(), c.alerts) << c.menu << "/" << c.item;
        EXPECT_EQ(std::count(Log().begin(), Log().end(), "quit"), c.quits ? 1 : 0) << c.menu << "/" << c.item;
    }
}

TEST_F(ClassicEventsTest, TheTitleBarDragsTheWindowAlongAndTheCloseBoxQuitsWhenLetGoOverIt)
{
    // The pointer's path while the button is held, one step per heartbeat; the screen's edge
    // stops the drag.
    const std::vector<plat::sPoint> path = {{450, 320}, {5000, 310}};
    size_t step = 0;
    app.onHook = [&] {
        if (step < path.size())
            input.pointer = path[step++];
        else
            input.buttons = 0;
        return eSuccess;
    };
    app.ResumeHeartbeat();
    input.buttons = plat::kButtonStatePrimary;
    input.pointer = {400, 300};
    EXPECT_EQ(window->HandleClassicEvent(Record(plat::kClassicMouseDown, 0, {400, 300}), plat::kPartInDrag), 1);
    EXPECT_EQ(window->GetContentOrigin(), gCPoint(origin.x + 1279 - 400, origin.y + 10));
    EXPECT_TRUE(backdrop->buttons.empty());

    // Let go outside the window: nothing; over it: the program quits.
    for (bool over : {false, true}) {
        step = path.size();
        input.buttons = plat::kButtonStatePrimary;
        gCRect bounds = window->GetBounds();
        input.pointer = over ? plat::sPoint{bounds.left + 3, bounds.top + 3} : plat::sPoint{bounds.left - 3, 3};
        Log().clear();
        EXPECT_EQ(window->HandleClassicEvent(Record(plat::kClassicMouseDown), plat::kPartInGoAway), 1);
        EXPECT_EQ(std::count(Log().begin(), Log().end(), "quit"), over ? 1 : 0);
    }
}

TEST_F(ClassicEventsTest, OnlyAnOpenWindowBecomesTheCurrentPort)
{
    CWindowBase* port = nullptr;
    GetPortWrapper(&port);
    EXPECT_EQ(port, nullptr);
    EXPECT_EQ(SetPortIfValid(nullptr), 0);
    EXPECT_EQ(SetPortIfValid(window), 1);
    GetPortWrapper(&port);
    EXPECT_EQ(port, window);
    {
        CRecordingWindow closing;
        EXPECT_EQ(SetPortIfValid(&closing), 1);
    }
    // A window that closed is no longer the current port.
    GetPortWrapper(&port);
    EXPECT_EQ(port, nullptr);
}

} // namespace
