// The window's record-based event path. Nothing in the program feeds it records; these tests do.
#include "AppTestSupport.h"

#include "app/WindowPort.h"
#include "platform/ClassicEvent.h"

#include <algorithm>

namespace {

using plat::sClassicEvent;

uint32_t KeyMessage(int32_t macKey, uint8_t character) { return uint32_t(macKey) << 8 | character; }

long Quits() { return std::count(Log().begin(), Log().end(), "quit"); }

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
    plat::sPoint Global(int32_t x, int32_t y) const
    {
        gCPoint origin = window->GetContentOrigin();
        return {origin.x + x, origin.y + y};
    }
};

TEST_F(ClassicEventsTest, ButtonsAreWindowLocalAndTheControlKeyMakesThemRight)
{
    const std::pair<uint16_t, uint32_t> cases[] = {{plat::kClassicMouseDown, 0}, {plat::kClassicMouseUp, 0},
                                                   {plat::kClassicMouseDown, plat::kModControl},
                                                   {plat::kClassicMouseUp, plat::kModControl}};
    for (const auto& [what, held] : cases) {
        input.modifiers = held;  // asked of the keyboard, not read from the record
        EXPECT_EQ(window->HandleClassicEvent({.what = what, .where = Global(10, 20)}, plat::kPartInContent), 0);
    }
    EXPECT_EQ(backdrop->buttons, (std::vector<std::string>{"L10,20", "l", "R10,20", "r"}));
}

TEST_F(ClassicEventsTest, KeysGoThroughTheClassicTableAndCommandQQuits)
{
    struct sCase {
        uint16_t what;
        int32_t macKey;
        uint8_t character;
        uint32_t modifiers;
    };
    const sCase cases[] = {
        {plat::kClassicKeyDown, 0, 'a', 0},
        {plat::kClassicAutoKey, 111, 16, 0},  // F12 is Escape on this path
        {plat::kClassicKeyDown, 76, 3, 0},    // keypad Enter types its character
        {plat::kClassicKeyDown, 123, 28, 0},  // left arrow
        {plat::kClassicKeyDown, 13, 'w', plat::kModCommand},
        {plat::kClassicKeyDown, 12, 'q', plat::kModCommand},
        {plat::kClassicAutoKey, 12, 'Q', plat::kModCommand | plat::kModShift},
    };
    for (const sCase& c : cases)
        EXPECT_EQ(window->HandleClassicEvent(
                      {.what = c.what, .message = KeyMessage(c.macKey, c.character), .modifiers = c.modifiers}, 0),
                  0);
    EXPECT_EQ(window->HandleClassicEvent({.what = plat::kClassicKeyUp, .message = KeyMessage(11, 'b')}, 0), 1);
    EXPECT_EQ(backdrop->keys, (std::vector<int32_t>{'a', 27, 3, -256, 'w'}));
    EXPECT_EQ(backdrop->keysUp, (std::vector<int32_t>{'b'}));
    EXPECT_EQ(Quits(), 2);
}

TEST_F(ClassicEventsTest, OtherEventTypesReachTheWindowsOwnOperations)
{
    CRecordingWindow bare;
    const std::vector<std::tuple<uint16_t, int32_t, std::vector<std::string>>> cases = {
        {plat::kClassicUpdate, 0, {"update"}}, {plat::kClassicActivate, 0, {"activate"}},
        {plat::kClassicHighLevel, 1, {}},      {plat::kClassicNullEvent, 0, {}},
        {9, 0, {}},
    };
    for (const auto& [what, result, log] : cases) {
        Log().clear();
        EXPECT_EQ(bare.HandleClassicEvent({.what = what}, 0), result) << what;
        EXPECT_EQ(Log(), log) << what;
    }
}

TEST_F(ClassicEventsTest, SuspendEntersTheModalStateAndResumeLeavesItWithFullScreenAgain)
{
    const gCRect screenRect{0, 0, 1280, 1024};
    ASSERT_EQ(window->SetBounds(kPlaceFillScreen, {-1.0f, -1.0f}, {-1.0f, -1.0f}), eSuccess);
    ASSERT_EQ(window->GetBounds(), screenRect);
    app.SetCursorVisible(0);

    EXPECT_EQ(window->HandleClassicEvent({.what = plat::kClassicOSEvent, .message = 0x01000000}, 0), 1);
    EXPECT_EQ(app.IsInModalState(), 1u);
    EXPECT_EQ(app.GetCursorVisibleFlag(), 1u);

    // While the program was away its window was moved off the screen's corner.
    ASSERT_EQ(window->MoveTo(40, 50), eSuccess);
    ASSERT_NE(window->GetBounds(), screenRect);
    EXPECT_EQ(window->HandleClassicEvent({.what = plat::kClassicOSEvent, .message = 0x01000001}, 0), 1);
    EXPECT_EQ(app.IsInModalState(), 0u);
    EXPECT_EQ(window->GetBounds(), screenRect);
}

TEST_F(ClassicEventsTest, TheAboutAndQuitItemsAndNothingElse)
{
    const std::tuple<int16_t, int16_t, size_t, long> cases[] = {
        {128, 1, 1, 0}, {129, 1, 0, 1}, {128, 2, 0, 0}, {129, 2, 0, 0}, {130, 1, 0, 0}, {0, 0, 0, 0},
    };
    for (const auto& [menu, item, alerts, quits] : cases) {
        Log().clear();
        plat::GetRecordedAlerts().Clear();
        window->HandleMenuSelection({.menu = menu, .item = item});
        EXPECT_EQ(Alerts().size(), alerts) << menu << "/" << item;
        EXPECT_EQ(Quits(), quits) << menu << "/" << item;
    }
}

TEST_F(ClassicEventsTest, TheTitleBarDragsTheWindowAlongAndTheCloseBoxQuitsWhenLetGoOverIt)
{
    // The pointer's path while the button is held, a step a heartbeat; the screen's edge stops it.
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
    const gCPoint origin = window->GetContentOrigin();
    input.buttons = plat::kButtonStatePrimary;
    input.pointer = {400, 300};
    EXPECT_EQ(window->HandleClassicEvent({.what = plat::kClassicMouseDown, .where = {400, 300}}, plat::kPartInDrag), 1);
    EXPECT_EQ(window->GetContentOrigin(), gCPoint(origin.x + 1279 - 400, origin.y + 10));
    EXPECT_TRUE(backdrop->buttons.empty());

    for (bool over : {false, true}) {
        input.buttons = plat::kButtonStatePrimary;
        gCRect bounds = window->GetBounds();
        input.pointer = over ? plat::sPoint{bounds.left + 3, bounds.top + 3} : plat::sPoint{bounds.left - 3, 3};
        Log().clear();
        EXPECT_EQ(window->HandleClassicEvent({.what = plat::kClassicMouseDown}, plat::kPartInGoAway), 1);
        EXPECT_EQ(Quits(), over ? 1 : 0);
    }
}

TEST_F(ClassicEventsTest, OnlyAnOpenWindowBecomesTheCurrentPort)
{
    CWindowBase* port = window;
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
    GetPortWrapper(&port);
    EXPECT_EQ(port, nullptr);
}

} // namespace
