// Every kind of event callback: setting one switches its event on, and the dispatch through a
// backdrop reaches it with the widget's own coordinates, in place of the widget's handler.
#include "widgets/CCoWidget.h"

#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

std::vector<std::string>& Trace()
{
    static std::vector<std::string> trace;
    return trace;
}

std::string At(const gCPoint& p) { return std::to_string(p.x) + "," + std::to_string(p.y); }

eResultCode OnValue(uintptr_t context, CWidget* widget, CWidget** taker, int32_t value)
{
    Trace().push_back(std::to_string(context) + ":" + std::to_string(value));
    *taker = widget;
    return eSuccess;
}

eResultCode OnPoint(uintptr_t context, CWidget* widget, CWidget** taker, const gCPoint& point)
{
    Trace().push_back(std::to_string(context) + "@" + At(point));
    *taker = widget;
    return eSuccess;
}

eResultCode OnWheel(uintptr_t context, CWidget* widget, CWidget** taker, const gCPoint& point, const gCPoint* delta)
{
    Trace().push_back(std::to_string(context) + "@" + At(point) + " by " + At(*delta));
    *taker = widget;
    return eSuccess;
}

uint32_t OnMessage(uintptr_t context, CWidget*, uint32_t message, uintptr_t p1, uintptr_t p2)
{
    Trace().push_back(std::to_string(context) + ":" + std::to_string(message) + "/" + std::to_string(p1) + "/" +
                      std::to_string(p2));
    return 9;
}

} // namespace

// The widget stands at (10, 10) in the backdrop, so the backdrop's (12, 15) is its (2, 5).
TEST(WidgetCallbacks, EachKindReachesItsCallbackWithTheWidgetsCoordinates)
{
    using Dispatch = std::function<eResultCode(CBackdrop&, CWidget**)>;
    struct sCase {
        const char* name;
        std::function<void(CWidget&)> set;
        Dispatch dispatch;
        const char* trace;
    };
    const gCPoint at{12, 15};
    const sCase cases[] = {
        {"key down", [](CWidget& w) { w.SetKeyDownCallback(OnValue, 1); },
         [](CBackdrop& b, CWidget** t) { return b.DispatchKeyDownEvent(t, 36); }, "1:36"},
        {"key up", [](CWidget& w) { w.SetKeyUpCallback(OnValue, 2); },
         [](CBackdrop& b, CWidget** t) { return b.DispatchKeyUpEvent(t, 37); }, "2:37"},
        {"timer", [](CWidget& w) { w.SetTimerCallback(OnValue, 3); },
         [](CBackdrop& b, CWidget** t) { return b.DispatchTimerEvent(t, 5); }, "3:5"},
        {"move", [](CWidget& w) { w.SetMouseMoveCallback(OnPoint, 4); },
         [&](CBackdrop& b, CWidget** t) { return b.DispatchMouseMoveEvent(t, at); }, "4@2,5"},
        {"left up", [](CWidget& w) { w.SetLButtonUpCallback(OnPoint, 5); },
         [&](CBackdrop& b, CWidget** t) { return b.DispatchLButtonUpEvent(t, at); }, "5@2,5"},
        {"middle down", [](CWidget& w) { w.SetMButtonDownCallback(OnPoint, 6); },
         [&](CBackdrop& b, CWidget** t) { return b.DispatchMButtonDownEvent(t, at); }, "6@2,5"},
        {"middle up", [](CWidget& w) { w.SetMButtonUpCallback(OnPoint, 7); },
         [&](CBackdrop& b, CWidget** t) { return b.DispatchMButtonUpEvent(t, at); }, "7@2,5"},
        {"right down", [](CWidget& w) { w.SetRButtonDownCallback(OnPoint, 8); },
         [&](CBackdrop& b, CWidget** t) { return b.DispatchRButtonDownEvent(t, at); }, "8@2,5"},
        {"right up", [](CWidget& w) { w.SetRButtonUpCallback(OnPoint, 9); },
         [&](CBackdrop& b, CWidget** t) { return b.DispatchRButtonUpEvent(t, at); }, "9@2,5"},
        {"wheel", [](CWidget& w) { w.SetMouseWheelCallback(OnWheel, 10); },
         [&](CBackdrop& b, CWidget** t) { return b.DispatchMouseWheelEvent(t, gCPoint{0, -3}, at); },
         "10@2,5 by 0,-3"},
        {"message", [](CWidget& w) { w.SetMessageCallback(OnMessage, 11); },
         [](CBackdrop& b, CWidget** t) {
             EXPECT_EQ(b.DispatchMessageEvent(0x1234, 7, 8), 9u);
             *t = nullptr;
             return eSuccess;
         },
         "11:4660/7/8"},
    };
    for (const sCase& c : cases) {
        Trace().clear();
        CBackdrop backdrop;
        PrepareBackdrop(backdrop, 100, 100);
        backdrop.EnableEvents(0xFFFFFFFFu, false);
        auto* widget = AddAt(backdrop, new CCoWidget, gCRect{10, 10, 40, 40});
        widget->DisableEvents(0xFFFFFFFFu);
        widget->SetFocus(false);
        c.set(*widget);
        CWidget* taker = nullptr;
        ASSERT_EQ(c.dispatch(backdrop, &taker), eSuccess) << c.name;
        EXPECT_EQ(Trace(), std::vector<std::string>{c.trace}) << c.name;
        if (std::string(c.name) != "message") {
            EXPECT_EQ(taker, widget) << c.name;
        }
    }
}

// While a modal widget is up, timer events go to it alone.
TEST(WidgetCallbacks, TimersGoToTheModalWidgetOnly)
{
    Trace().clear();
    CBackdrop backdrop;
    PrepareBackdrop(backdrop, 100, 100);
    backdrop.EnableEvents(0xFFFFFFFFu, false);
    auto* below = AddAt(backdrop, new CCoWidget, gCRect{0, 0, 50, 50});
    below->SetTimerCallback(OnValue, 1);
    auto* modal = AddAt(backdrop, new CCoWidget, gCRect{50, 50, 90, 90});
    modal->SetTimerCallback(OnValue, 2);
    CWidget* taker = nullptr;
    ASSERT_EQ(backdrop.DispatchTimerEvent(&taker, 4), eSuccess);
    EXPECT_EQ(Trace(), std::vector<std::string>{"2:4"}) << "the front child first";
    ASSERT_EQ(backdrop.PushModalWidget(below), eSuccess);
    Trace().clear();
    taker = nullptr;
    ASSERT_EQ(backdrop.DispatchTimerEvent(&taker, 6), eSuccess);
    EXPECT_EQ(Trace(), std::vector<std::string>{"1:6"});
    EXPECT_EQ(taker, below);
    backdrop.PopModalWidget();
}
