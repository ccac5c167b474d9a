// The table's and the backdrop's messages: what a typed sender puts out arrives, through either way
// a listener can be reached, as the same typed call, and the listener's answer comes back.
#include "TableTestSupport.h"

#include "core/gCPoint.h"
#include "widgets/BackdropMessages.h"
#include "widgets/CBackdrop.h"

#include <functional>
#include <string>

namespace {

// What the decoders made of the messages, one line per call; `known` is the only table or
// backdrop a line names as such.
class CCallLog : public CTableMessageReceiver, public CBackdropMessageReceiver {
public:
    eResultCode OnRowsChanged(CTableWidget* table, bool update) override { return Log("rows", table, update); }
    eResultCode OnColumnsChanged(CTableWidget* table) override { return Log("columns", table, 0); }
    eResultCode OnTableScrolled(CTableWidget* table, bool update) override { return Log("scrolled", table, update); }
    eResultCode OnSelectionClicked(CTableWidget* table) override { return Log("selection", table, 0); }
    eResultCode OnCellClicked(CTableWidget* table, const sTableCellAddress& cell) override
    {
        return Log("cell", table, cell.column * 10 + cell.row);
    }
    eResultCode OnFocusGained(CWidget* widget) override { return Log("gained", widget, 0); }
    eResultCode OnFocusLost(CWidget* widget) override { return Log("lost", widget, 0); }
    eResultCode OnUnclaimedPress(ePressButton button, CBackdrop* backdrop, const gCPoint* point) override
    {
        return Log("press", backdrop, int32_t(button) * 100 + (point ? point->x * 10 + point->y : -1));
    }

    const void* known = nullptr;
    std::vector<std::string> calls;
    eResultCode answer = eSuccess;

private:
    eResultCode Log(const char* name, const void* from, int32_t value)
    {
        calls.push_back(std::string(name) + (from == known ? " " : " other ") + std::to_string(value));
        return answer;
    }
};

// A table's listener, reached through OnMessage or (in command mode) OnCommand.
class CDecodingListener : public gCCmdTarget {
public:
    explicit CDecodingListener(CCallLog& log) : mLog(log) {}
    uint32_t OnMessage(uint32_t message, uintptr_t p1, uintptr_t p2) override
    {
        return DecodeTableMessage(message, p1, p2, mLog);
    }
    uint32_t OnCommand(uint32_t command, uintptr_t p1, intptr_t p2, uint32_t flag) override
    {
        return flag == 1 ? DecodeTableMessage(command, p1, p2, mLog) : 0;
    }

private:
    CCallLog& mLog;
};

using WidgetMessages = TableTest;

TEST_F(WidgetMessages, TableMessagesArriveAsTheirTypedCallsInBothListenerModes)
{
    struct sCase {
        std::function<eResultCode(CTableWidget&)> send;
        const char* call;
    };
    const sCase cases[] = {
        {[](CTableWidget& t) { return NotifyRowsChanged(t, true); }, "rows 1"},
        {[](CTableWidget& t) { return NotifyRowsChanged(t, false); }, "rows 0"},
        {[](CTableWidget& t) { return NotifyColumnsChanged(t); }, "columns 0"},
        {[](CTableWidget& t) { return NotifyScrolled(t, true); }, "scrolled 1"},
        {[](CTableWidget& t) { return NotifySelectionClicked(t); }, "selection 0"},
        {[](CTableWidget& t) { return NotifyCellClicked(t, sTableCellAddress{3, 4}); }, "cell 34"},
    };
    CCallLog log;
    CDecodingListener listener(log);
    CTableWidget table;
    table.mListener = &listener;
    log.known = &table;
    for (uint32_t mode : {0u, 1u}) {
        table.mCommandMode = mode;
        for (const sCase& c : cases) {
            SCOPED_TRACE(std::string(c.call) + " in mode " + std::to_string(mode));
            log.calls.clear();
            log.answer = eSuccess;
            ASSERT_EQ(c.send(table), eSuccess);
            EXPECT_EQ(log.calls, std::vector<std::string>{c.call});
            log.answer = eBadParameter;
            EXPECT_EQ(c.send(table), eBadParameter) << "the listener's answer comes back";
        }
    }
    table.mListener = nullptr;
    EXPECT_EQ(NotifyRowsChanged(table, true), eSuccess) << "no listener, no answer";

    // Other messages, and a click without its cell, reach no receiver.
    log.calls.clear();
    EXPECT_EQ(DecodeTableMessage(kTableCellClicked, 1, uintptr_t(0), log), 0u);
    EXPECT_EQ(DecodeTableMessage(0xF0100004u, 1, uintptr_t(1), log), 0u);
    EXPECT_EQ(DecodeTableMessage(kFocusLost, 1, uintptr_t(0), log), 0u);
    EXPECT_EQ(DecodeBackdropMessage(kTableRowsChanged, 1, 1, log), 0u);
    EXPECT_EQ(DecodeBackdropMessage(0xF0000003u, 1, 0, log), 0u);
    EXPECT_TRUE(log.calls.empty());
}

// A visible widget that decodes the backdrop's messages handed to it.
class CDecodingWidget : public CWidget {
public:
    explicit CDecodingWidget(CCallLog& log) : mLog(log) { SetVisible(true, false); }
    uint32_t OnMessage(uint32_t message, uintptr_t p1, uintptr_t p2) override
    {
        return DecodeBackdropMessage(message, p1, p2, mLog);
    }

private:
    CCallLog& mLog;
};

TEST_F(WidgetMessages, BackdropMessagesArriveAsTheirTypedCalls)
{
    CCallLog log;
    CDecodingWidget modal(log);
    CBackdrop backdrop;
    log.known = &backdrop;
    for (ePressButton button : {ePressButton::kLeft, ePressButton::kMiddle, ePressButton::kRight})
        EXPECT_EQ(SendUnclaimedPress(modal, button, backdrop, gCPoint{3, 4}), eSuccess);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"press 34", "press 134", "press 234"}));

    log.calls.clear();
    log.known = &modal;
    EXPECT_EQ(DecodeBackdropMessage(kFocusLost, reinterpret_cast<uintptr_t>(&modal), 0, log), 0u);
    EXPECT_EQ(DecodeBackdropMessage(kFocusLost, 0, 0, log), 0u);
    EXPECT_EQ(DecodeBackdropMessage(kFocusGained, reinterpret_cast<uintptr_t>(&modal), 0, log), 0u);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"lost 0", "lost other 0", "gained 0"}));

    log.answer = eBadParameter;
    EXPECT_EQ(SendUnclaimedPress(modal, ePressButton::kLeft, backdrop, gCPoint{0, 0}), eBadParameter);
    // Without an application nothing is routed, and nothing breaks.
    EXPECT_EQ(RouteFocusLost(&modal), 0u);
}

} // namespace
