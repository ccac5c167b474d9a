#include "AppTestSupport.h"
#include "support/AllocationFailure.h"

#include "platform/Clipboard.h"
#include "platform/Cursor.h"
#include "platform/Event.h"
#include "support/StringBytes.h"
#include "widgets/CCoWidget.h"

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

// Each table cursor lies at the pointer less its own hotspot, and is drawn there over the tree.
TEST_F(InputStateTest, TableCursorsTakeTheirOwnHotspots)
{
    CTestApp app;
    CTestBackdrop* backdrop = MakeMainWindow(app);
    const struct {
        const char16_t* name;
        uint32_t colour;
        gCPoint hotspot;
    } cursors[] = {{u"Arrow", 0xFFFF0000u, {0, 0}}, {u"Hand", 0xFF00FF00u, {3, 4}}, {u"Cross", 0xFF0000FFu, {-2, 5}}};
    for (const auto& c : cursors) {
        auto* cursor = new CCoWidget();
        cursor->SetVisible(true, false);
        cursor->SetColour(c.colour, false);
        ASSERT_EQ(cursor->SetSize(4, 4, false), eSuccess);
        ASSERT_EQ(cursor->SetName(gCString(c.name)), eSuccess);
        cursor->SetId(uint32_t(backdrop->GetCursorCount() + 10));
        ASSERT_EQ(backdrop->AddCursor(cursor, c.hotspot), eSuccess);
    }
    input.pointer = {320 + 50, 392 + 60};
    const std::function<eResultCode()> choices[] = {
        [&] { return backdrop->SetCursorByName(gCString(u"Hand")); },
        [&] { return backdrop->SetCursorById(12); },
        [&] { return backdrop->SetCursorByIndex(0); },
    };
    const int32_t chosen[] = {1, 2, 0};
    for (int32_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(choices[i](), eSuccess);
        const auto& c = cursors[chosen[i]];
        CWidget* cursor = backdrop->GetCursorWidget();
        ASSERT_NE(cursor, nullptr);
        EXPECT_EQ(cursor->GetRect().left, 50 - c.hotspot.x);
        EXPECT_EQ(cursor->GetRect().top, 60 - c.hotspot.y);
        ASSERT_EQ(backdrop->Update(), eSuccess);
        EXPECT_EQ(backdrop->GetImagePixel({50 - c.hotspot.x, 60 - c.hotspot.y}), c.colour);
        EXPECT_EQ(backdrop->GetImagePixel({53 - c.hotspot.x, 63 - c.hotspot.y}), c.colour);
    }
    EXPECT_EQ(backdrop->SetCursorByIndex(3), eBadParameter);
    EXPECT_EQ(backdrop->SetCursorById(99), eBadParameter);
    EXPECT_EQ(Utf8(backdrop->GetCursorWidget()->GetName()), "Arrow");
}

// A cursor that only the backdrop holds, set again (hidden or shown, same or new hotspot), stays
// the cursor; replacing it afterwards deletes it once.
TEST_F(InputStateTest, SettingTheCurrentCursorAgainKeepsIt)
{
    CTestApp app;
    CTestBackdrop* backdrop = MakeMainWindow(app);
    auto* cursor = new CCoWidget();
    cursor->SetVisible(true, false);
    ASSERT_EQ(cursor->SetSize(4, 4, false), eSuccess);
    input.pointer = {320 + 20, 392 + 20};
    ASSERT_EQ(backdrop->SetCursor(cursor, {0, 0}), eSuccess);
    ASSERT_EQ(backdrop->SetCursor(cursor, {0, 0}), eSuccess);
    EXPECT_EQ(backdrop->GetCursorWidget(), cursor);
    backdrop->HideCursor();
    ASSERT_EQ(backdrop->SetCursor(cursor, {2, 3}), eSuccess);
    EXPECT_EQ(backdrop->GetCursorWidget(), cursor);
    EXPECT_TRUE(cursor->IsVisible());
    EXPECT_EQ(cursor->GetRect().left, 18);
    EXPECT_EQ(cursor->GetRect().top, 17);
    ASSERT_EQ(backdrop->Update(), eSuccess);
    ASSERT_EQ(backdrop->SetCursor(nullptr, {0, 0}), eSuccess);
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
    ASSERT_EQ(clipboard.PutText("held"), plat::eClipboardResult::kOk);
    const gCString other(u"other");
    {
        AllocationFailure failure(1, true);
        EXPECT_EQ(app.GetClipboardText(out), eNoMemory);
        EXPECT_EQ(app.PutClipboardText(other), eNoMemory);
    }
    EXPECT_EQ(out.GetLength(), 0);
    std::string held;
    ASSERT_EQ(clipboard.GetText(held), plat::eClipboardResult::kOk);
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
