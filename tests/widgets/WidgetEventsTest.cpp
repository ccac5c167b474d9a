#include "widgets/CCoWidget.h"
#include "widgets/CWidget.h"

#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string>& Trace()
{
    static std::vector<std::string> trace;
    return trace;
}

// A drawn widget that records its handlers by name.
class CTraceWidget : public CCoWidget {
public:
    explicit CTraceWidget(const char* name) : name(name) {}
    eResultCode OnLButtonDown(CWidget** taker, const gCPoint& p) override
    {
        Trace().push_back(name + ":down@" + std::to_string(p.x) + "," + std::to_string(p.y));
        if (take)
            *taker = this;
        return result;
    }
    eResultCode OnKeyDown(CWidget** taker, int32_t key) override
    {
        Trace().push_back(name + ":key" + std::to_string(key));
        if (take)
            *taker = this;
        return eSuccess;
    }
    eResultCode OnHeartbeat() override
    {
        Trace().push_back(name + ":beat");
        return eSuccess;
    }
    std::string name;
    bool take = false;
    eResultCode result = eSuccess;
};

class WidgetEvents : public ::testing::Test {
protected:
    void SetUp() override
    {
        Trace().clear();
        root.EnableEvents(0xFFFFFFFFu, false);
        root.SetVisible(true, false);
        ASSERT_EQ(root.SetSize(100, 100, false), eSuccess);
    }
    CTraceWidget* Add(CWidget& parent, const char* name, const gCRect& rect, uint32_t events)
    {
        auto* widget = AddAt(parent, new CTraceWidget(name), rect);
        widget->EnableEvents(events, false);
        return widget;
    }
    CWidget root;
};

TEST_F(WidgetEvents, FrontMostTakesThePressAndEdgesCount)
{
    CTraceWidget* back = Add(root, "back", {10, 10, 50, 50}, kEventLeftButton);
    CTraceWidget* front = Add(root, "front", {30, 30, 60, 60}, kEventLeftButton);
    CWidget* taker = nullptr;
    ASSERT_EQ(root.DispatchLButtonDownEvent(&taker, {40, 40}), eSuccess);
    EXPECT_EQ(taker, front);
    EXPECT_EQ(Trace(), (std::vector<std::string>{"front:down@10,10"}));
    EXPECT_TRUE(front->HasFocus());
    EXPECT_FALSE(back->HasFocus());

    // The right and bottom edges are inside for the pointer.
    Trace().clear();
    taker = nullptr;
    ASSERT_EQ(root.DispatchLButtonDownEvent(&taker, {60, 60}), eSuccess);
    EXPECT_EQ(taker, front);
    EXPECT_EQ(Trace(), (std::vector<std::string>{"front:down@30,30"}));
}

TEST_F(WidgetEvents, PlainContainersPassPressesToTheirChildren)
{
    auto* box = AddAt(root, new CWidget(), {0, 0, 80, 80});
    box->EnableEvents(kEventLeftButton, false);
    CTraceWidget* inner = Add(*box, "inner", {5, 5, 20, 20}, kEventLeftButton);
    CWidget* taker = nullptr;
    ASSERT_EQ(root.DispatchLButtonDownEvent(&taker, {50, 50}), eSuccess);
    EXPECT_EQ(taker, nullptr);
    ASSERT_EQ(root.DispatchLButtonDownEvent(&taker, {6, 6}), eSuccess);
    EXPECT_EQ(taker, inner);

    // Without the bit on the container, nothing below it hears of the press.
    box->DisableEvents(kEventLeftButton);
    taker = nullptr;
    Trace().clear();
    ASSERT_EQ(root.DispatchLButtonDownEvent(&taker, {6, 6}), eSuccess);
    EXPECT_TRUE(Trace().empty());
}

TEST_F(WidgetEvents, AHandlerErrorStopsTheDispatch)
{
    Add(root, "back", {0, 0, 50, 50}, kEventLeftButton);
    CTraceWidget* front = Add(root, "front", {0, 0, 50, 50}, kEventLeftButton);
    front->result = eBusy;
    CWidget* taker = nullptr;
    EXPECT_EQ(root.DispatchLButtonDownEvent(&taker, {5, 5}), eBusy);
    EXPECT_EQ(Trace().size(), 1u);
}

eResultCode RecordPress(uintptr_t context, CWidget*, CWidget** taker, const gCPoint& point)
{
    Trace().push_back("callback" + std::to_string(context) + "@" + std::to_string(point.x));
    *taker = nullptr;
    return eSuccess;
}

TEST_F(WidgetEvents, CallbacksReplaceTheOwnHandlerAndFocusComesFirst)
{
    CTraceWidget* w = Add(root, "w", {10, 10, 30, 30}, 0);
    w->SetLButtonDownCallback(RecordPress, 7);
    EXPECT_TRUE(w->GetEventMask() & kEventLeftButton);
    EXPECT_EQ(w->GetCallback(kCallbackLButtonDown), reinterpret_cast<tAnyCallback>(&RecordPress));
    CWidget* taker = nullptr;
    ASSERT_EQ(root.DispatchLButtonDownEvent(&taker, {12, 10}), eSuccess);
    EXPECT_EQ(Trace(), (std::vector<std::string>{"callback7@2"}));
    // Focusable: it ends up as the taker even though the callback left it empty.
    EXPECT_EQ(taker, w);
    EXPECT_TRUE(w->HasFocus());
}

// Focusing on purpose goes through the overridable entry; a press focuses through CWidget's own.
TEST_F(WidgetEvents, APressFocusesWithoutWhatASubclassAddsToFocusing)
{
    struct CSelectingWidget : public CTraceWidget {
        CSelectingWidget() : CTraceWidget("s") {}
        void SetFocus(bool notify) override
        {
            CWidget::SetFocus(notify);
            Trace().push_back("select-all");
        }
    };
    auto* w = AddAt(root, new CSelectingWidget(), {0, 0, 10, 10});
    w->EnableEvents(kEventLeftButton, false);
    CWidget* taker = nullptr;
    ASSERT_EQ(root.DispatchLButtonDownEvent(&taker, {5, 5}), eSuccess);
    EXPECT_TRUE(w->HasFocus());
    EXPECT_EQ(Trace(), (std::vector<std::string>{"s:down@5,5"}));
    root.SetFocus(false);
    static_cast<CWidget*>(w)->SetFocus(false);
    EXPECT_TRUE(w->HasFocus());
    EXPECT_EQ(Trace().back(), "select-all");
}

TEST_F(WidgetEvents, KeysFollowTheFocusPath)
{
    CTraceWidget* a = Add(root, "a", {0, 0, 10, 10}, kEventKeys);
    CTraceWidget* b = Add(root, "b", {20, 0, 30, 10}, kEventKeys);
    b->SetFocus(false);
    CWidget* taker = nullptr;
    ASSERT_EQ(root.DispatchKeyDownEvent(&taker, 65), eSuccess);
    EXPECT_EQ(Trace(), (std::vector<std::string>{"b:key65"}));
    (void)a;
    // Without the key bit on the root the subtree hears nothing.
    root.DisableEvents(kEventKeys);
    Trace().clear();
    ASSERT_EQ(root.DispatchKeyDownEvent(&taker, 66), eSuccess);
    EXPECT_TRUE(Trace().empty());
}

TEST_F(WidgetEvents, HeartbeatsRunFromTheLastChildToTheFirst)
{
    Add(root, "first", {0, 0, 1, 1}, kEventHeartbeat);
    Add(root, "second", {0, 0, 1, 1}, kEventHeartbeat);
    // No main window: the walk stops after the first child it ticks.
    ASSERT_EQ(root.DispatchHeartbeatEvent(), eSuccess);
    EXPECT_EQ(Trace(), (std::vector<std::string>{"first:beat"}));
}

eResultCode CountBeat(uintptr_t context, CWidget*)
{
    ++*reinterpret_cast<int*>(context);
    return eSuccess;
}

TEST_F(WidgetEvents, CallbacksInTreeSkipSubtreesWithoutTheBit)
{
    auto* open = AddAt(root, new CWidget(), {0, 0, 10, 10});
    open->EnableEvents(kEventHeartbeat, false);
    auto* inner = AddAt(*open, new CWidget(), {0, 0, 5, 5});
    inner->EnableEvents(kEventHeartbeat, false);
    auto* closed = AddAt(root, new CWidget(), {0, 0, 10, 10});
    auto* hidden = AddAt(*closed, new CWidget(), {0, 0, 5, 5});
    hidden->EnableEvents(kEventHeartbeat, false);
    int beats = 0;
    root.SetEventCallbackInTree(kCallbackHeartbeat, reinterpret_cast<tAnyCallback>(&CountBeat),
                                uintptr_t(&beats), true);
    EXPECT_EQ(root.GetCallback(kCallbackHeartbeat), nullptr);
    EXPECT_NE(open->GetCallback(kCallbackHeartbeat), nullptr);
    EXPECT_NE(inner->GetCallback(kCallbackHeartbeat), nullptr);
    EXPECT_EQ(hidden->GetCallback(kCallbackHeartbeat), nullptr);
}

TEST_F(WidgetEvents, MessagesGoToTheWidgetBeforeItsChildren)
{
    struct CAnswer : public CWidget {
        uint32_t OnMessage(uint32_t message, uintptr_t, uintptr_t) override
        {
            Trace().push_back(std::to_string(answer) + ":" + std::to_string(message));
            return answer;
        }
        uint32_t answer = 0;
    };
    auto* first = AddAt(root, new CAnswer(), {0, 0, 1, 1});
    auto* second = AddAt(root, new CAnswer(), {0, 0, 1, 1});
    second->answer = 9;
    EXPECT_EQ(root.DispatchMessageEvent(5, 0, 0), 9u);
    EXPECT_EQ(Trace(), (std::vector<std::string>{"9:5"}));
    (void)first;
}

// A subclass that overrides a pointer dispatcher (as tables and editors do) is reached through
// that override two levels below the root, for every pointer kind.
TEST_F(WidgetEvents, OverriddenDispatchersAreReachedDeepInTheTree)
{
    struct CDispatchWidget : public CWidget {
        eResultCode Note(const char* kind, CWidget** taker, const gCPoint& p)
        {
            Trace().push_back(std::string(kind) + "@" + std::to_string(p.x) + "," + std::to_string(p.y));
            *taker = this;
            return eSuccess;
        }
        eResultCode DispatchMouseMoveEvent(CWidget** t, const gCPoint& p) override { return Note("move", t, p); }
        eResultCode DispatchLButtonDownEvent(CWidget** t, const gCPoint& p) override { return Note("ldown", t, p); }
        eResultCode DispatchLButtonUpEvent(CWidget** t, const gCPoint& p) override { return Note("lup", t, p); }
        eResultCode DispatchMButtonDownEvent(CWidget** t, const gCPoint& p) override { return Note("mdown", t, p); }
        eResultCode DispatchMButtonUpEvent(CWidget** t, const gCPoint& p) override { return Note("mup", t, p); }
        eResultCode DispatchRButtonDownEvent(CWidget** t, const gCPoint& p) override { return Note("rdown", t, p); }
        eResultCode DispatchRButtonUpEvent(CWidget** t, const gCPoint& p) override { return Note("rup", t, p); }
        eResultCode DispatchMouseWheelEvent(CWidget** t, const gCPoint&, const gCPoint& p) override
        {
            return Note("wheel", t, p);
        }
    };
    auto* middle = AddAt(root, new CWidget(), {10, 10, 90, 90});
    middle->EnableEvents(0xFFFFFFFFu, false);
    auto* deep = AddAt(*middle, new CDispatchWidget(), {5, 5, 40, 40});
    using tDispatch = eResultCode (CWidget::*)(CWidget**, const gCPoint&);
    for (tDispatch dispatch : {&CWidget::DispatchMouseMoveEvent, &CWidget::DispatchLButtonDownEvent,
                               &CWidget::DispatchLButtonUpEvent, &CWidget::DispatchMButtonDownEvent,
                               &CWidget::DispatchMButtonUpEvent, &CWidget::DispatchRButtonDownEvent,
                               &CWidget::DispatchRButtonUpEvent}) {
        CWidget* taker = nullptr;
        ASSERT_EQ((root.*dispatch)(&taker, {20, 30}), eSuccess);
        EXPECT_EQ(taker, deep);
    }
    CWidget* taker = nullptr;
    ASSERT_EQ(root.DispatchMouseWheelEvent(&taker, {0, 1}, {20, 30}), eSuccess);
    EXPECT_EQ(taker, deep);
    // The deep widget gets its point in its parent's coordinates.
    EXPECT_EQ(Trace(), (std::vector<std::string>{"move@10,20", "ldown@10,20", "lup@10,20", "mdown@10,20",
                                                 "mup@10,20", "rdown@10,20", "rup@10,20", "wheel@10,20"}));
}

TEST_F(WidgetEvents, FindWidgetAtPointTakesTheDeepestFrontMost)
{
    CTraceWidget* a = Add(root, "a", {0, 0, 50, 50}, 0);
    CTraceWidget* b = Add(*a, "b", {10, 10, 20, 20}, 0);
    EXPECT_EQ(root.FindWidgetAtPoint({15, 15}), b);
    EXPECT_EQ(root.FindWidgetAtPoint({30, 30}), a);
    EXPECT_EQ(root.FindWidgetAtLocalPoint({15, 15}), b);
    EXPECT_EQ(root.FindWidgetAtPoint({101, 0}), nullptr);
}

} // namespace
