#include "widgets/CWidget.h"

#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A widget that counts what layout sets off.
class CLayoutProbe : public CWidget {
public:
    eResultCode OnRectChanged() override
    {
        ++rectChanges;
        return eSuccess;
    }
    eResultCode Update() override
    {
        ++updates;
        return CWidget::Update();
    }
    int rectChanges = 0;
    int updates = 0;
};

struct LayoutCase {
    const char* name;
    int32_t parentWidth, parentHeight;
    sLayoutValues values;
    uint32_t stayInParent;
    gCRect expected;
};

sLayoutValues Values(float x, float y, float w, float h)
{
    sLayoutValues v;
    v.x = x;
    v.y = y;
    v.width = w;
    v.height = h;
    return v;
}

TEST(WidgetLayout, RectFromLayoutValues)
{
    std::vector<LayoutCase> cases;
    {
        sLayoutValues v = Values(0, 0, 0.5f, 10);
        v.widthRelative = 1;
        v.xCentre = 1;
        cases.push_back({"relative width, centred", 200, 100, v, 0, {50, 0, 150, 10}});
    }
    {
        sLayoutValues v = Values(10, 0, 30, 10);
        v.xFarSide = 1;
        v.xFarAnchor = 1;
        cases.push_back({"far side, anchored", 200, 100, v, 0, {160, 0, 190, 10}});
    }
    {
        sLayoutValues v = Values(0, 0, 20, 10);
        v.widthFarSide = 1;
        v.widthRelative = 1;
        cases.push_back({"width from far side wins", 200, 100, v, 0, {0, 0, 180, 10}});
    }
    cases.push_back({"negative width", 200, 100, Values(7, 0, -5, 10), 0, {7, 0, 7, 10}});
    cases.push_back({"halves away from zero", 200, 100, Values(-2.5f, 2.5f, 0.4f, 1), 0, {-3, 3, -3, 4}});
    cases.push_back({"stay: pushed back from the right", 200, 100, Values(180, 0, 50, 10), 1, {150, 0, 200, 10}});
    cases.push_back({"stay: pushed in from the left", 200, 100, Values(-10, 0, 50, 10), 1, {0, 0, 50, 10}});
    cases.push_back({"stay: too wide, right edge out", 200, 100, Values(10, 0, 300, 10), 1, {-100, 0, 200, 10}});
    {
        sLayoutValues v = Values(0.25f, 0, 10, 0.5f);
        v.xRelative = 1;
        v.heightRelative = 1;
        v.yFarSide = 1;
        v.y = 20;
        cases.push_back({"relative x, far-side y", 200, 100, v, 0, {50, 80, 60, 130}});
    }
    {
        sLayoutValues v = Values(0, 0, 10, 10);
        v.yCentre = 1;
        v.y = -50;
        cases.push_back({"stay does not move a centred axis", 200, 101, v, 1, {0, 46, 10, 56}});
    }
    // Values no window has (a damaged data block) stay within 2^24 pixels instead of overflowing.
    constexpr int32_t kLimit = 1 << 24;
    const float nan = std::nanf("");
    cases.push_back({"width not a number", 200, 100, Values(24, 0, nan, 10), 0, {24, 0, 24, 10}});
    cases.push_back({"huge position and size", 200, 100, Values(3e9f, -3e9f, 3e9f, 10), 1,
                     {-kLimit + 200, 0, 200, 10}});
    {
        sLayoutValues v = Values(-3e9f, 0, -3e9f, 10);
        v.xFarSide = 1;
        v.xFarAnchor = 1;
        cases.push_back({"far side, anchored, huge", 200, 100, v, 0, {kLimit, 0, kLimit, 10}});
    }
    {
        sLayoutValues v = Values(0, 0, nan, 10);
        v.xCentre = 1;
        v.widthFarSide = 1;
        cases.push_back({"centred, width from far side not a number", 200, 100, v, 0,
                         {(200 - kLimit) / 2, 0, (200 + kLimit) / 2, 10}});
    }
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        CWidget parent;
        ASSERT_EQ(parent.SetSize(c.parentWidth, c.parentHeight, false), eSuccess);
        auto* child = new CWidget();
        *child->GetLayoutValues() = c.values;
        child->SetStayInParent(c.stayInParent != 0);
        ASSERT_EQ(parent.AddChild(child, false), eSuccess);
        EXPECT_EQ(child->GetRect(), c.expected);
    }
}

TEST(WidgetLayout, RootWithRelativeValuesIsNotLaidOut)
{
    CLayoutProbe root;
    root.GetLayoutValues()->xRelative = 1;
    root.GetLayoutValues()->width = 0.5f;
    EXPECT_EQ(root.UpdateLayout(false), eSuccess);
    EXPECT_EQ(root.GetRect(), gCRect{});
}

TEST(WidgetLayout, MovingKeepsChildrenAndResizingLaysThemOut)
{
    CWidget parent;
    ASSERT_EQ(parent.SetSize(200, 100, false), eSuccess);
    auto* probe = new CLayoutProbe();
    ASSERT_EQ(parent.AddChild(probe, false), eSuccess);
    ASSERT_EQ(probe->SetSize(40, 40, false), eSuccess);
    auto* inner = new CWidget();
    inner->GetLayoutValues()->widthRelative = 1;
    inner->GetLayoutValues()->width = 0.5f;
    inner->GetLayoutValues()->height = 5;
    ASSERT_EQ(probe->AddChild(inner, false), eSuccess);
    EXPECT_EQ(inner->GetRect(), (gCRect{0, 0, 20, 5}));
    int changes = probe->rectChanges;

    ASSERT_EQ(probe->MoveBy(5, 6, false), eSuccess);
    EXPECT_EQ(probe->GetRect(), (gCRect{5, 6, 45, 46}));
    EXPECT_EQ(probe->rectChanges, changes);

    ASSERT_EQ(probe->SetWidth(80, false), eSuccess);
    EXPECT_EQ(probe->rectChanges, changes + 1);
    EXPECT_EQ(inner->GetRect(), (gCRect{0, 0, 40, 5}));

    // Unchanged result: only the update that was asked for.
    int updates = probe->updates;
    ASSERT_EQ(probe->UpdateLayout(true), eSuccess);
    EXPECT_EQ(probe->updates, updates + 1);
}

TEST(WidgetLayout, CoordinateConversionsStopAtTheRoot)
{
    CWidget root;
    ASSERT_EQ(root.SetPosition(100, 100, false), eSuccess);
    ASSERT_EQ(root.SetSize(300, 300, false), eSuccess);
    auto* a = new CWidget();
    ASSERT_EQ(root.AddChild(a, false), eSuccess);
    ASSERT_EQ(a->SetPosition(10, 20, false), eSuccess);
    ASSERT_EQ(a->SetSize(100, 100, false), eSuccess);
    auto* b = new CWidget();
    ASSERT_EQ(a->AddChild(b, false), eSuccess);
    ASSERT_EQ(b->SetPosition(3, 4, false), eSuccess);
    EXPECT_EQ(b->LocalToRoot(gCPoint{1, 1}), (gCPoint{14, 25}));
    EXPECT_EQ(b->RootToLocal(gCPoint{14, 25}), (gCPoint{1, 1}));
    gCRect r{0, 0, 2, 2};
    b->LocalToRoot(r);
    EXPECT_EQ(r, (gCRect{13, 24, 15, 26}));
    // A root that is not a backdrop leaves screen points as they are.
    EXPECT_EQ(b->LocalToScreen(gCPoint{0, 0}), (gCPoint{13, 24}));
    gCRect onScreen{0, 0, 2, 2};
    b->LocalToScreen(onScreen);
    EXPECT_EQ(onScreen, (gCRect{13, 24, 15, 26}));
    b->ScreenToLocal(onScreen);
    EXPECT_EQ(onScreen, (gCRect{0, 0, 2, 2}));
}

} // namespace
