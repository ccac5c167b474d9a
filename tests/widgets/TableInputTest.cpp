// The table under the mouse, through the backdrop's dispatch as the window delivers events.
#include "app/AppTestSupport.h"

#include "TableTestSupport.h"
#include "widgets/CCoWidget.h"

namespace {

class TableInput : public AppTest {
protected:
    // A 100 x 48 table of `rows` rows at (100, 50) in the window, its cells images (so no font
    // is involved), listened to by `listener`.
    class CHoverTable : public CTableWidget {
    public:
        using CTableWidget::mHoverRow;
    };

    CHoverTable* MakeTable(CBackdrop& backdrop, int32_t rows)
    {
        auto* table = AddAt(backdrop, new CHoverTable(), gCRect{100, 50, 200, 98});
        table->EnableEvents(kEventLeftButton | kEventMouseMove | kEventHeartbeat, false);
        EXPECT_EQ(table->SetColumnHoldsImages(0, true, false), eSuccess);
        for (int32_t i = 0; i < rows; ++i)
            EXPECT_EQ(table->AddRow(false), eSuccess);
        table->mListener = &listener;
        listener.messages.clear();
        return table;
    }
    // A point of the window over the table's local (x, y).
    static gCPoint At(int32_t x, int32_t y) { return {100 + x, 50 + y}; }
    std::vector<int32_t> Selected(CTableWidget& table)
    {
        std::vector<int32_t> rows;
        for (int32_t i = table.FindSelectedRow(0); i >= 0; i = table.FindSelectedRow(i + 1))
            rows.push_back(i);
        return rows;
    }
    eResultCode Press(CBackdrop& backdrop, gCPoint point, uint32_t modifiers = 0)
    {
        input.modifiers = modifiers;
        CWidget* taker = nullptr;
        eResultCode result = backdrop.DispatchLButtonDownEvent(&taker, point);
        lastTaker = taker;
        return result;
    }

    CMessageRecorder listener;
    CWidget* lastTaker = nullptr;
};

TEST_F(TableInput, ClicksSelectCommandClicksToggleAndClicksBelowTheRowsClear)
{
    CTestApp app;
    CTestBackdrop* backdrop = MakeMainWindow(app);
    CHoverTable* table = MakeTable(*backdrop, 5);

    ASSERT_EQ(Press(*backdrop, At(10, 20)), eSuccess);
    EXPECT_EQ(lastTaker, table);
    EXPECT_EQ(Selected(*table), (std::vector<int32_t>{1}));
    ASSERT_EQ(listener.messages.size(), 2u);
    EXPECT_EQ(listener.messages[0].message, kTableSelectionClicked);
    EXPECT_EQ(listener.messages[1].message, kTableCellClicked);
    EXPECT_EQ(listener.messages[1].row, 1);
    EXPECT_EQ(listener.messages[1].column, 0);

    ASSERT_EQ(Press(*backdrop, At(10, 40), plat::kModCommand), eSuccess);
    EXPECT_EQ(Selected(*table), (std::vector<int32_t>{1, 2}));
    ASSERT_EQ(Press(*backdrop, At(10, 20), plat::kModCommand), eSuccess);
    EXPECT_EQ(Selected(*table), (std::vector<int32_t>{2})) << "a second Command-click deselects";
    ASSERT_EQ(Press(*backdrop, At(10, 0), plat::kModShift), eSuccess);
    EXPECT_EQ(Selected(*table), (std::vector<int32_t>{0})) << "Shift selects like a plain click";

    // One row at a time: Command selects the row alone.
    ASSERT_EQ(table->SetMultiSelect(false, false), eSuccess);
    ASSERT_EQ(Press(*backdrop, At(10, 20), plat::kModCommand), eSuccess);
    EXPECT_EQ(Selected(*table), (std::vector<int32_t>{1}));

    // A drag after the press leaves the selection with the pressed row.
    CWidget* taker = nullptr;
    input.buttons = plat::kButtonStatePrimary;
    ASSERT_EQ(backdrop->DispatchMouseMoveEvent(&taker, At(10, 40)), eSuccess);
    ASSERT_EQ(backdrop->DispatchLButtonUpEvent(&taker, At(10, 40)), eSuccess);
    input.buttons = 0;
    EXPECT_EQ(Selected(*table), (std::vector<int32_t>{1}));

    // Scrolled by a row, the same point is the next row.
    ASSERT_EQ(table->ScrollDownRow(false), eSuccess);
    ASSERT_EQ(Press(*backdrop, At(10, 20)), eSuccess);
    EXPECT_EQ(Selected(*table), (std::vector<int32_t>{2}));

    for (int32_t row : {4, 3, 2})
        ASSERT_EQ(table->RemoveRow(row, false), eSuccess);
    EXPECT_EQ(table->GetScrollOffset(), 0);
    listener.messages.clear();
    ASSERT_EQ(Press(*backdrop, At(10, 40)), eSuccess);
    EXPECT_TRUE(Selected(*table).empty()) << "below the last row";
    EXPECT_EQ(listener.Codes(), (std::vector<uint32_t>{kTableSelectionClicked}));

    table->SetSelectable(false);
    listener.messages.clear();
    ASSERT_EQ(Press(*backdrop, At(10, 5)), eSuccess);
    EXPECT_TRUE(Selected(*table).empty());
    EXPECT_EQ(listener.Codes(), (std::vector<uint32_t>{kTableCellClicked}));

    // The listener's answer to the selection message holds back the cell message.
    table->SetSelectable(true);
    listener.messages.clear();
    listener.answer = 9;
    EXPECT_EQ(Press(*backdrop, At(10, 5)), eResultCode(9));
    EXPECT_EQ(listener.Codes(), (std::vector<uint32_t>{kTableSelectionClicked}));
}

TEST_F(TableInput, TheWheelScrollsTheTableUnlessAFocusableWidgetIsUnderThePointer)
{
    CTestApp app;
    CTestBackdrop* backdrop = MakeMainWindow(app);
    CHoverTable* table = MakeTable(*backdrop, 10);
    auto* other = AddAt(*backdrop, new CCoWidget(), gCRect{300, 50, 340, 90});

    CWidget* taker = nullptr;
    ASSERT_EQ(backdrop->DispatchMouseWheelEvent(&taker, gCPoint{0, -1}, At(10, 10)), eSuccess);
    EXPECT_EQ(taker, table);
    EXPECT_EQ(table->GetScrollOffset(), 64);
    taker = nullptr;
    ASSERT_EQ(backdrop->DispatchMouseWheelEvent(&taker, gCPoint{0, 1}, At(10, 10)), eSuccess);
    EXPECT_EQ(table->GetScrollOffset(), 0);

    // The pointer rests over the other widget, which takes the focus: the wheel is its.
    backdrop->SetWidgetRollover(1);
    input.pointer = {320 + 310, 392 + 60};
    ASSERT_EQ(GetMainWindow()->Heartbeat(), eSuccess);
    ASSERT_EQ(backdrop->GetRolloverWidget(), other);
    taker = nullptr;
    ASSERT_EQ(table->OnWheelScroll(&taker, -1), eSuccess);
    EXPECT_EQ(taker, nullptr);
    EXPECT_EQ(table->GetScrollOffset(), 0);
    other->SetCanGetFocus(false);
    ASSERT_EQ(table->OnWheelScroll(&taker, -1), eSuccess);
    EXPECT_EQ(table->GetScrollOffset(), 64);
}

TEST_F(TableInput, TheRowUnderThePointerIsHighlightedOnEachHeartbeat)
{
    CTestApp app;
    CTestBackdrop* backdrop = MakeMainWindow(app);
    CHoverTable* table = MakeTable(*backdrop, 5);
    backdrop->SetWidgetRollover(1);
    const CPixel hover = 0xFFC0C000u;
    ASSERT_EQ(table->SetHoverColour(&hover, false), eSuccess);
    ASSERT_EQ(table->SetHoverHighlight(true, false), eSuccess);

    input.pointer = {320 + 100 + 10, 392 + 50 + 20};
    ASSERT_EQ(GetMainWindow()->Heartbeat(), eSuccess);
    EXPECT_EQ(table->mHoverRow, 1);
    ASSERT_EQ(backdrop->Update(), eSuccess);
    EXPECT_EQ(PixelAt(*backdrop->GetOffscreenImage(), 150, 50 + 20), hover);
    EXPECT_NE(PixelAt(*backdrop->GetOffscreenImage(), 150, 50 + 5), hover);

    input.pointer = {320 + 100 + 10, 392 + 50 + 40};
    ASSERT_EQ(GetMainWindow()->Heartbeat(), eSuccess);
    EXPECT_EQ(table->mHoverRow, 2);
    ASSERT_EQ(backdrop->Update(), eSuccess);
    EXPECT_NE(PixelAt(*backdrop->GetOffscreenImage(), 150, 50 + 20), hover) << "the old row is repainted";

    input.pointer = {320 + 10, 392 + 10};
    ASSERT_EQ(GetMainWindow()->Heartbeat(), eSuccess);
    EXPECT_EQ(table->mHoverRow, kNoHoverRow);

    input.pointer = {320 + 100 + 10, 392 + 50 + 20};
    ASSERT_EQ(GetMainWindow()->Heartbeat(), eSuccess);
    ASSERT_EQ(table->SetHoverHighlight(false, true), eSuccess);
    EXPECT_EQ(table->mHoverRow, kNoHoverRow);
    EXPECT_NE(PixelAt(*backdrop->GetOffscreenImage(), 150, 50 + 20), hover);
}

} // namespace
