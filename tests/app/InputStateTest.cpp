#include "AppTestSupport.h"
#include "support/AllocationFailure.h"

#include "platform/Clipboard.h"
#include "platform/Cursor.h"
#include "platform/Event.h"
#include "support/StringBytes.h"

namespace {

using InputStateTest = AppTest;

TEST_F(InputStateTest, ButtonsWithAndWithoutControl)
{
    CTestApp app;
    struct sCase {
        uint32_t buttons;
        uint32_t modifiers;
        uint32_t left, controlClick, right, two;
    };
    const sCase cases[] = {
        {0, 0, 0, 0, 0, 0},
        {plat::kButtonStatePrimary, 0, 1, 0, 0, 1},
        {plat::kButtonStatePrimary, plat::kModControl, 0, 1, 1, 1},
        {plat::kButtonStateSecondary, 0, 0, 0, 1, 2},
        {plat::kButtonStatePrimary | plat::kButtonStateMiddle, plat::kModCommand, 1, 0, 0, 1},
    };
    for (const sCase& c : cases) {
        input.buttons = c.buttons;
        input.modifiers = c.modifiers;
        EXPECT_EQ(app.IsLeftButtonDown(), c.left);
        EXPECT_EQ(app.IsPrimaryButtonDown(), c.left);
        EXPECT_EQ(app.IsControlClickDown(), c.controlClick);
        EXPECT_EQ(app.IsRightButtonDown(), c.right);
        EXPECT_EQ(app.GetTwoButtonState(), c.two);
        EXPECT_EQ(app.GetRawButtonState(), c.buttons);
        EXPECT_EQ(app.IsMiddleButtonDown(), 0u);
        EXPECT_EQ(app.IsExtraButtonDown(), 0u);
    }
}

TEST_F(InputStateTest, KeyCodesTestTheirKeysAndModifiersAnswerTheirBits)
{
    CTestApp app;
    struct sCase {
        int32_t code;
        int32_t macKey;
    };
    const sCase keys[] = {
        {9, 48},   {13, 76},  {27, 53},  {48, 29},  {57, 25},  {65, 0},   {97, 0},   {90, 6},
        {122, 6},  {81, 12},  {136, 36}, {137, 36}, {140, 71}, {141, 117}, {142, 51}, {143, 49},
        {144, 124}, {145, 123}, {146, 126}, {147, 125}, {148, 115}, {149, 119}, {150, 116},
        {151, 121}, {152, 122}, {163, 111}, {164, 114},
    };
    for (const sCase& c : keys) {
        input.SetKey(c.macKey, true);
        EXPECT_EQ(app.IsKeyDown(c.code), 1u) << c.code;
        input.SetKey(c.macKey, false);
        EXPECT_EQ(app.IsKeyDown(c.code), 0u) << c.code;
    }
    input.modifiers = plat::kModShift | plat::kModCommand;
    EXPECT_EQ(app.IsKeyDown(129), 512u);
    EXPECT_EQ(app.IsShiftDown(), 512u);
    EXPECT_NE(app.IsCommandDown(), 0u);
    EXPECT_EQ(app.IsOptionDown(), 0u);
    EXPECT_EQ(app.IsControlDown(), 0u);
    // An unknown code tests no key, even while A is held.
    input.SetKey(0, true);
    EXPECT_EQ(app.IsKeyDown(65), 1u);
    EXPECT_EQ(app.IsKeyDown(200), 0u);
    EXPECT_EQ(app.IsKeyDown(-3), 0u);
}

TEST_F(InputStateTest, MousePositionIsInWindowContentCoordinates)
{
    CTestApp app;
    input.pointer = {400, 500};
    EXPECT_EQ(app.GetMousePosition(), (gCPoint{400, 500}));
    MakeMainWindow(app);
    EXPECT_EQ(app.GetMousePosition(), (gCPoint{80, 108}));
    input.pointer = {300, 380};
    EXPECT_EQ(app.GetMousePosition(), (gCPoint{-20, -12}));
}

TEST_F(InputStateTest, TheCursorWidgetFollowsTheSamePosition)
{
    CTestApp app;
    CTestBackdrop* backdrop = MakeMainWindow(app);
    auto* cursor = new CWidget();
    ASSERT_EQ(cursor->SetSize(8, 8, false), eSuccess);
    input.pointer = {320 + 50, 392 + 60};
    ASSERT_EQ(backdrop->SetCursor(cursor, {3, 4}), eSuccess);
    EXPECT_EQ(app.GetCursorVisibleFlag(), 0u);
    EXPECT_EQ(cursor->GetRect().left, 47);
    EXPECT_EQ(cursor->GetRect().top, 56);
    input.pointer = {320 + 10, 392 + 10};
    app.TrackWidgetCursor();
    EXPECT_EQ(cursor->GetRect().left, 7);
    app.DisableWidgetCursorTracking();
    input.pointer = {320 + 90, 392 + 10};
    app.TrackWidgetCursor();
    EXPECT_EQ(cursor->GetRect().left, 7);
    // Back to the system cursor.
    ASSERT_EQ(backdrop->SetCursor(nullptr, {0, 0}), eSuccess);
    EXPECT_EQ(app.GetCursorVisibleFlag(), 1u);
    EXPECT_EQ(backdrop->GetCursorWidget(), nullptr);
}

TEST_F(InputStateTest, CursorHidesAndShowsWithoutNesting)
{
    CTestApp app;
    app.HideCursor();
    app.HideCursor();
    EXPECT_FALSE(plat::IsCursorShown());
    app.ShowCursor();
    EXPECT_EQ(app.GetCursorVisibleFlag(), 1u);
    EXPECT_TRUE(plat::IsCursorShown());
    app.HideCursors();
    EXPECT_EQ(app.IsWidgetCursorShown(), 0u);
    app.ShowCursor();
}

TEST_F(InputStateTest, ClipboardTextRoundTripsAndNoTextLeavesTheOutputAlone)
{
    CTestApp app;
    plat::InProcessClipboard clipboard;
    plat::SetClipboard(&clipboard);
    gCString out(u"unchanged");
    EXPECT_EQ(app.GetClipboardText(out), eSuccess);
    EXPECT_EQ(Utf8(out), "unchanged");
    EXPECT_EQ(app.PutClipboardText(gCString(u"caf\u00E9 \u20AC")), eSuccess);
    EXPECT_EQ(app.GetClipboardText(out), eSuccess);
    EXPECT_EQ(Utf8(out), "caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(app.PutClipboardText(gCString(u"")), eSuccess);
    EXPECT_EQ(app.GetClipboardText(out), eSuccess);
    EXPECT_EQ(out.GetLength(), 0);
    // Out of memory either way is result 5, and the text read so far stays as it was.
    ASSERT_TRUE(clipboard.PutText("held"));
    const gCString other(u"other");
    {
        AllocationFailure failure(1, true);
        EXPECT_EQ(app.GetClipboardText(out), eNoMemory);
        EXPECT_EQ(app.PutClipboardText(other), eNoMemory);
    }
    EXPECT_EQ(out.GetLength(), 0);
    std::string held;
    ASSERT_TRUE(clipboard.GetText(held));
    EXPECT_EQ(held, "held");
    plat::SetClipboard(nullptr);
}

TEST_F(InputStateTest, MenuBarTogglesBackAndItsWindowOperationsAreHarmless)
{
    CTestApp app;
    EXPECT_EQ(app.ToggleMenuBar(), 1u);
    EXPECT_EQ(app.ToggleMenuBar(), 0u);
    EXPECT_EQ(app.IsMenuBarHidden(), 0u);
    EXPECT_EQ(app.GetAuxFlag(), 0u);
    EXPECT_EQ(app.HideMenuBar(), 1u);
    EXPECT_EQ(app.ShowMenuBar(), 1u);
    EXPECT_FALSE(app.IsFrontProcess());
    EXPECT_EQ(app.CollapseMainWindow(), eSuccess);
    EXPECT_EQ(app.RunEventLoopOnce(), eSuccess);
    app.Quit();
    EXPECT_EQ(app.RunModalLoop(), eSuccess);
}

} // namespace
