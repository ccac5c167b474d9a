#include "widgets/CWidget.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A root that counts the updates that reach it.
class CCountingRoot : public CWidget {
public:
    eResultCode Update() override
    {
        ++updates;
        return eSuccess;
    }
    int updates = 0;
};

CWidget* Named(const char16_t* name, uint32_t id)
{
    auto* widget = new CWidget();
    EXPECT_EQ(widget->SetName(gCString(name)), eSuccess);
    widget->SetId(id);
    return widget;
}

TEST(WidgetTree, ChildrenAddedLastAreFrontMost)
{
    CWidget root;
    CWidget *a = Named(u"A", 1), *b = Named(u"B", 2), *c = Named(u"C", 3);
    for (CWidget* child : {a, b, c})
        ASSERT_EQ(root.AddChild(child, false), eSuccess);
    EXPECT_EQ(root.GetChild(0), c);
    EXPECT_EQ(root.GetChild(1), b);
    EXPECT_EQ(root.GetChild(2), a);
    EXPECT_EQ(a->GetParent(), &root);
    a->BringToFront(false);
    EXPECT_EQ(root.GetChildIndex(a), 0);
    a->SendToBack(false);
    EXPECT_EQ(root.GetChildIndex(a), 2);
    a->MoveInFront(c, false);
    EXPECT_EQ(root.GetChildIndex(a), 0);
    a->MoveBehind(b, false);
    EXPECT_EQ(root.GetChildIndex(a), 2);
    EXPECT_EQ(root.CountWidgets(), 4);
    EXPECT_EQ(a->CountWidgets(), 1);
}

TEST(WidgetTree, RemovingAndDetaching)
{
    CCountingRoot root;
    CWidget* a = Named(u"A", 1);
    CWidget* b = Named(u"B", 2);
    ASSERT_EQ(root.AddChild(a, false), eSuccess);
    ASSERT_EQ(root.AddChild(b, false), eSuccess);
    EXPECT_EQ(root.RemoveChildById(99, true), eSuccess);
    EXPECT_EQ(root.updates, 1);
    EXPECT_EQ(root.GetChildCount(), 2);
    EXPECT_EQ(root.DetachChildAt(root.GetChildIndex(a), false), eSuccess);
    EXPECT_EQ(root.GetChildCount(), 1);
    // Detached: alive, parent field unchanged, the caller's to handle.
    EXPECT_EQ(a->GetParent(), &root);
    delete a;
    EXPECT_EQ(root.RemoveChildByName(gCString(u"B"), true), eSuccess);
    EXPECT_EQ(root.GetChildCount(), 0);
    EXPECT_EQ(root.updates, 2);
}

TEST(WidgetTree, LookupByIdAndNameDepthFirstInIndexOrder)
{
    CWidget root;
    CWidget* outer = Named(u"outer", 1);
    CWidget* inner = Named(u"inner", 2);
    CWidget* twin = Named(u"inner", 3);
    ASSERT_EQ(outer->AddChild(inner, false), eSuccess);
    ASSERT_EQ(root.AddChild(twin, false), eSuccess);
    ASSERT_EQ(root.AddChild(outer, false), eSuccess);
    EXPECT_EQ(root.FindWidgetById(2), inner);
    EXPECT_EQ(root.FindWidgetByName(gCString(u"inner")), inner);
    EXPECT_EQ(root.FindWidgetById(42), nullptr);
    // A widget without a name never matches.
    EXPECT_EQ(root.FindWidgetByName(gCString()), nullptr);
    EXPECT_TRUE(inner->IsDescendantOf(&root));
    EXPECT_TRUE(inner->HasAncestorWithId(1));
    EXPECT_EQ(inner->FindAncestorByName(gCString(u"outer")), outer);
    EXPECT_EQ(root.FindAncestorById(0), nullptr);
    EXPECT_EQ(inner->GetRootWidget(), &root);
}

TEST(WidgetTree, FocusPathAndHiddenWidgets)
{
    CWidget root;
    root.SetVisible(true, false);
    CWidget* panel = Named(u"panel", 1);
    CWidget* field = Named(u"field", 2);
    CWidget* other = Named(u"other", 3);
    ASSERT_EQ(panel->AddChild(field, false), eSuccess);
    ASSERT_EQ(root.AddChild(panel, false), eSuccess);
    ASSERT_EQ(root.AddChild(other, false), eSuccess);
    for (CWidget* w : {panel, field, other})
        w->SetVisible(true, false);
    field->SetFocus(true);
    EXPECT_TRUE(field->HasFocus());
    EXPECT_TRUE(panel->HasFocus());
    EXPECT_FALSE(other->HasFocus());
    EXPECT_FALSE(root.HasFocus());
    other->SetVisible(false, false);
    other->SetFocus(true);
    EXPECT_TRUE(field->HasFocus());
    other->SetVisible(true, false);
    other->SetActive(false);
    other->SetFocus(true);
    EXPECT_TRUE(field->HasFocus());
    root.SetFocus(true);
    EXPECT_TRUE(root.HasFocus());
    EXPECT_FALSE(field->HasFocus());
}

TEST(WidgetTree, UserValuesOutsideTheEightSlotsAreRefused)
{
    CWidget widget;
    EXPECT_EQ(widget.SetUserData(7, 99), 1u);
    EXPECT_EQ(widget.GetUserData(7), 99u);
    EXPECT_EQ(widget.SetUserData(8, 5), 0u);
    EXPECT_EQ(widget.GetUserData(8), 0u);
    EXPECT_EQ(widget.SetUserData(-1, 5), 0u);
    EXPECT_EQ(widget.SetUserObject(0, new CWidget()), 1u);
    EXPECT_EQ(widget.SetUserObject(8, nullptr), 0u);
    widget.DeleteUserObjects();
    EXPECT_EQ(widget.GetUserObject(0), nullptr);
}

class CRecordingWidget : public CWidget {
public:
    explicit CRecordingWidget(std::string name, std::string* log) : mName(std::move(name)), mLog(log)
    {
        EnableEvents(0xFFFF, false);
        SetVisible(true, false);
    }
    eResultCode OnLButtonDown(CWidget**, const gCPoint& point) override
    {
        *mLog += mName + "(" + std::to_string(point.x) + "," + std::to_string(point.y) + ")";
        return result;
    }
    eResultCode OnHeartbeat() override
    {
        *mLog += mName;
        return eSuccess;
    }
    eResultCode result = eSuccess;

private:
    std::string mName;
    std::string* mLog;
};

TEST(WidgetDispatch, PressesGoToTheFrontMostWidgetThatTakesThem)
{
    std::string log;
    CRecordingWidget root("root", &log);
    ASSERT_EQ(root.SetSize(100, 100, false), eSuccess);
    root.SetOpacityThreshold(1);
    auto* back = new CRecordingWidget("back", &log);
    auto* front = new CRecordingWidget("front", &log);
    for (CRecordingWidget* w : {back, front}) {
        ASSERT_EQ(w->SetPosition({10, 10}, false), eSuccess);
        ASSERT_EQ(w->SetSize(20, 20, false), eSuccess);
        w->SetOpacityThreshold(1);
        ASSERT_EQ(root.AddChild(w, false), eSuccess);
    }
    CWidget* taker = nullptr;
    // The right edge counts as inside.
    EXPECT_EQ(root.DispatchLButtonDownEvent(&taker, {30, 15}), eSuccess);
    EXPECT_EQ(log, "front(20,5)");
    EXPECT_EQ(taker, front);
    EXPECT_TRUE(front->HasFocus());
    // A failing handler stops the dispatch with its code.
    log.clear();
    taker = nullptr;
    front->result = eBadParameter;
    EXPECT_EQ(root.DispatchLButtonDownEvent(&taker, {15, 15}), eBadParameter);
    // Outside both children the root takes it.
    log.clear();
    taker = nullptr;
    EXPECT_EQ(root.DispatchLButtonDownEvent(&taker, {60, 60}), eSuccess);
    EXPECT_EQ(log, "root(60,60)");
    // Heartbeats start with the last index; with no main window (it went away) the walk stops
    // after that child.
    log.clear();
    EXPECT_EQ(root.DispatchHeartbeatEvent(), eSuccess);
    EXPECT_EQ(log, "back");
}

} // namespace
