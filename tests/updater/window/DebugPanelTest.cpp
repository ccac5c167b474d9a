// The developer's debugging panel on the updater's own window tree: opened by the gesture, it
// lists the tree, finds widgets by id and by name, names what it cannot find, survives trees too
// deep to follow, and closes without leaving the backdrop anything to reach.
#include "updater/UpdaterTestSupport.h"

#include "core/CMemBlock.h"
#include "imaging/CImNav.h"
#include "imaging/ImageFiles.h"
#include "support/AllocationFailure.h"
#include "platform/ManualClock.h"
#include "widgets/CCoWidget.h"
#include "widgets/CDebugInfoWidget.h"
#include "widgets/CTableWidget.h"
#include "widgets/CTxEdWidget.h"
#include "widgets/CTxWidget.h"
#include "widgets/CWidgetEffectBorder.h"
#include "widgets/DebugPanelText.h"
#include "support/StringBytes.h"

namespace {

// A parent whose add fails in its redraw, after the child is in the list, or fails outright.
class CFailingParent : public CWidget {
public:
    explicit CFailingParent(bool keeps) : mKeeps(keeps) {}
    eResultCode AddChild(CWidget* child, bool) override
    {
        if (mKeeps)
            (void)CWidget::AddChild(child, false);
        return eNoMemory;
    }

private:
    bool mKeeps;
};

TEST(DebugPanelAdd, AFailedAddDeletesTheChildOnceWhereverItWasLeft)
{
    for (bool keeps : {true, false}) {
        SCOPED_TRACE(keeps);
        CFailingParent parent(keeps);
        auto* child = new CCoWidget();
        EXPECT_EQ(CDebugInfoWidget::AddChildOrDelete(&parent, child, true), eNoMemory);
        EXPECT_EQ(parent.GetChildCount(), 0);
    }
}

TEST(DebugPanelText, NamesShowTheirEightBitFormAndRowsReportRunningOutOfMemory)
{
    const struct {
        const char16_t* name;
        const char* shown;
    } cases[] = {
        {u"Plain", "\"Plain\"  - ID =  7,  (0x07)"},
        // The euro sign is in the 8-bit set; a CJK character and an emoji's surrogate pair are one "?" each.
        {u"A\u20AC\u4E00\U0001F600z", "\"A\u20AC??z\"  - ID =  7,  (0x07)"},
    };
    for (const auto& c : cases) {
        CCoWidget widget;
        ASSERT_EQ(widget.SetName(gCString(c.name)), eSuccess);
        widget.SetId(7);
        gCString text;
        ASSERT_EQ(AppendWidgetRowText(text, &widget), eSuccess);
        EXPECT_EQ(Utf8(text), c.shown);
        ForEachAllocationFailure(
            [&] {
                gCString row;
                const eResultCode result = AppendWidgetRowText(row, &widget);
                EXPECT_TRUE(result == eSuccess || result == eNoMemory) << result;
            },
            [](bool) {});
    }
}

class DebugPanel : public UpdaterTest {
protected:
    void TearDown() override
    {
        app.reset();
        UpdaterTest::TearDown();
    }
    // Starts the updater and opens the panel on the widget under the window point.
    CDebugInfoWidget* Open(int32_t x, int32_t y)
    {
        app = std::make_unique<CPintrelUpdaterApp>();
        EXPECT_EQ(Start(*app, gCString("")), eSuccess);
        backdrop = app->GetBackdrop();
        origin = gMainWindow->GetContentOrigin();
        input.pointer = {origin.x + x, origin.y + y};
        backdrop->UpdateRollover();
        shown = backdrop->GetRolloverWidget();
        input.modifiers = plat::kModCommand | plat::kModShift | plat::kModOption;
        EXPECT_EQ(backdrop->ShowDebugInfo(), 2u);
        input.modifiers = 0;
        return dynamic_cast<CDebugInfoWidget*>(backdrop->FindWidgetById(CDebugInfoWidget::kPanelId));
    }
    CTableWidget* Table(CWidget* panel)
    {
        return dynamic_cast<CTableWidget*>(panel->FindWidgetById(FourCharCode("tabl")));
    }
    std::string Label(CWidget* panel, const char (&id)[5])
    {
        auto* label = dynamic_cast<CTxWidget*>(panel->FindWidgetById(FourCharCode(id)));
        gCString text;
        if (label)
            label->GetText(text);
        return Utf8(text);
    }
    static std::vector<std::string> Rows(CTableWidget* table)
    {
        std::vector<std::string> rows;
        for (int32_t i = 0; i < table->GetRowCount(); ++i)
            rows.push_back(Utf8(gCString(table->GetCellText(i, 0))));
        return rows;
    }
    static std::string SelectedRow(CTableWidget* table)
    {
        int32_t row = table->FindSelectedRow(0);
        return row < 0 ? "" : Utf8(gCString(table->GetCellText(row, 0)));
    }
    // A press at a point of the widget, through the backdrop as the window hands it on.
    void Press(CWidget* widget, gCPoint local = {4, 4})
    {
        CWidget* taker = nullptr;
        ASSERT_EQ(backdrop->DispatchLButtonDownEvent(&taker, widget->LocalToRoot(local)), eSuccess);
    }
    void Search(CDebugInfoWidget* panel, const char (&button)[5], const char* text)
    {
        auto* field = dynamic_cast<CTxEdWidget*>(panel->FindWidgetById(FourCharCode("txed")));
        ASSERT_NE(field, nullptr);
        ASSERT_EQ(field->SetText(gCString(text), true, false), eSuccess);
        Press(panel->FindWidgetById(FourCharCode(button)));
    }

    // Closes the panel as the user does, and checks that nothing of it is left to reach.
    void CloseAndCheck(bool fieldFocused)
    {
        CDebugInfoWidget* panel = Open(400, 200);
        ASSERT_NE(panel, nullptr);
        CWidget* field = panel->FindWidgetById(FourCharCode("txed"));
        CWidget* taker = nullptr;
        if (fieldFocused) {
            Press(field);
            ASSERT_EQ(backdrop->GetFocusWidget(), field);
            // A click outside the panel.
            ASSERT_EQ(backdrop->DispatchLButtonDownEvent(&taker, {5, 100}), eSuccess);
        } else {
            ASSERT_EQ(backdrop->DispatchKeyDownEvent(&taker, 27), eSuccess);
        }
        EXPECT_EQ(backdrop->FindWidgetById(CDebugInfoWidget::kPanelId), nullptr);
        EXPECT_EQ(backdrop->GetModalDepth(), 0);
        EXPECT_EQ(backdrop->GetFocusWidget(), nullptr);
        EXPECT_EQ(backdrop->GetRetiredCount(), 1);
        // The next heartbeat deletes it; the window goes on taking input.
        ASSERT_EQ(backdrop->DispatchHeartbeatEvent(), eSuccess);
        EXPECT_EQ(backdrop->GetRetiredCount(), 0);
        taker = nullptr;
        EXPECT_EQ(backdrop->DispatchKeyDownEvent(&taker, 'a'), eSuccess);
        (void)app->RouteMessage(0xF000000Bu, 0, 0);
        EXPECT_EQ(backdrop->DispatchLButtonDownEvent(&taker, {400, 200}), eSuccess);
        EXPECT_TRUE(Alerts().empty());
    }

    std::unique_ptr<CPintrelUpdaterApp> app;
    CPintrelUpdaterBackdrop* backdrop = nullptr;
    CWidget* shown = nullptr;
    gCPoint origin;
};

TEST_F(DebugPanel, OpensModalOverTheUpdatersTreeWithItsListAndLabels)
{
    CDebugInfoWidget* panel = Open(400, 200);
    ASSERT_NE(panel, nullptr);
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(Alerts().empty());
    EXPECT_EQ(backdrop->GetModalDepth(), 1);
    EXPECT_EQ(panel->GetRect(), (gCRect{20, -105, 620, 345}));
    // A second gesture while it is open does nothing.
    input.modifiers = plat::kModCommand | plat::kModShift | plat::kModOption;
    EXPECT_EQ(backdrop->ShowDebugInfo(), 0u);
    input.modifiers = 0;

    CTableWidget* table = Table(panel);
    ASSERT_NE(table, nullptr);
    std::vector<std::string> rows = Rows(table);
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows[0], "\"Pintrel Updater\"  - ID =  1,  (0x01)");
    EXPECT_EQ(table->GetRowId(table->FindSelectedRow(0)), uintptr_t(shown));
    EXPECT_EQ(Label(panel, "name"), " " + Utf8(shown->GetName()));

    // The main button, by id.
    Search(panel, "byID", "300");
    EXPECT_EQ(SelectedRow(table), "   \"PNU Main Button\"  - ID =  300,  (0x012C)");
    EXPECT_EQ(rows = Rows(table), (std::vector<std::string>{
        "\"Pintrel Updater\"  - ID =  1,  (0x01)",
        "   \"PNU Main Button\"  - ID =  300,  (0x012C)",
        "    : \"PNU Button Caption\"  - ID =  313,  (0x0139)",
        "    : \"PNU Message Panel\"  - ID =  310,  (0x0136)",
        "    :  : \"PNU Message Text\"  - ID =  311,  (0x0137)"}));
    EXPECT_EQ(Label(panel, "rsid"), " 300,  (0x012C)");
    EXPECT_EQ(Label(panel, "wgty"), " imwg");
    EXPECT_EQ(Label(panel, "evbl"), " True +o");
    EXPECT_EQ(Label(panel, "flvs"), " True");
    EXPECT_EQ(Label(panel, "crpr"), " ( 330, 178 ),  ( 630, 232)");
    EXPECT_EQ(Label(panel, "crbk"), " ( 330, 178 ),  ( 630, 232)");

    // By name: any part of it, in any case; repeated searches step on and wrap.
    std::vector<std::string> found;
    for (int i = 0; i < 3; ++i) {
        Search(panel, "byNM", "scroll t");
        found.push_back(Label(panel, "name"));
    }
    EXPECT_EQ(found, (std::vector<std::string>{" PNU Scroll Track", " PNU Scroll Thumb", " PNU Scroll Track"}));
    EXPECT_TRUE(Alerts().empty());

    // A miss names the text and changes nothing; the Assert button does nothing at all.
    CWidget* selected = panel->GetSelectedWidget();
    for (const char* text : {"zz", "77777"}) {
        Search(panel, "byID", text);
        EXPECT_EQ(panel->GetSelectedWidget(), selected);
    }
    Search(panel, "byNM", "no such widget");
    Search(panel, "Asst", "300");
    EXPECT_EQ(Alerts(), (std::vector<std::string>{"Message|zz : Cant find that widget in the hierarchy.",
                                                  "Message|77777 : Cant find that widget in the hierarchy.",
                                                  "Message|no such widget : Cant find that widget in the hierarchy."}));
    EXPECT_EQ(Label(panel, "name"), " PNU Scroll Track");
}

TEST_F(DebugPanel, TreesDeeperThanAHundredEndInTheRecursionLine)
{
    CDebugInfoWidget* panel = Open(400, 200);
    ASSERT_NE(panel, nullptr);
    // A chain of 103 widgets below the backdrop.
    CWidget* parent = backdrop;
    for (int i = 0; i < 103; ++i) {
        auto* child = new CWidget();
        child->SetId(7000 + i);
        ASSERT_EQ(parent->AddChild(child, false), eSuccess);
        parent = child;
    }
    ASSERT_EQ(panel->FillWidgetList(Table(panel), backdrop->GetChild(0)), eSuccess);
    std::vector<std::string> rows = Rows(Table(panel));
    ASSERT_EQ(rows.size(), 1u + 1u + 101u + 1u);
    EXPECT_EQ(rows[2].substr(0, 6), "    : ");
    EXPECT_EQ(rows.back(), "*** Possible recursion error: Depth greater than 100 ***");
    EXPECT_EQ(std::count(rows.begin(), rows.end(), rows.back()), 1);

    // A parent chain that closes on itself: one recursion row first, and the note starts with it.
    CWidget first, second;
    first.SetParent(&second);
    second.SetParent(&first);
    ASSERT_EQ(panel->FillWidgetList(Table(panel), &first), eSuccess);
    rows = Rows(Table(panel));
    EXPECT_EQ(rows.size(), 1u + 101u + 1u);
    EXPECT_EQ(rows[0], "*** Possible recursion error: Depth greater than 100 ***");
    ASSERT_EQ(panel->DescribeWidgetTree(&first), eSuccess);
    EXPECT_EQ(Label(panel, "note").rfind("*** Possible recursion error: Depth greater than 100 ***   ", 0), 0u);
    // The labels too end their walks up the chain.
    first.SetBlitOnMove(true);
    ASSERT_EQ(panel->ShowWidgetInfo(&first), eSuccess);
    EXPECT_EQ(Label(panel, "crbk"), "");
    first.SetParent(nullptr);
    second.SetParent(nullptr);
}

TEST_F(DebugPanel, EscapeClosesItAndTheHeartbeatDeletesIt) { CloseAndCheck(false); }

TEST_F(DebugPanel, AClickOutsideClosesItWhileItsTextFieldHasTheFocus) { CloseAndCheck(true); }

TEST_F(DebugPanel, ARowClickedTwiceWithinHalfASecondRecentresTheList)
{
    plat::ScopedManualClock clock;
    CDebugInfoWidget* panel = Open(400, 200);
    ASSERT_NE(panel, nullptr);
    CTableWidget* table = Table(panel);
    Search(panel, "byID", "300");
    const std::vector<std::string> aroundButton = Rows(table);
    auto click = [&](uint64_t afterMilliseconds) {
        (*clock).Advance(afterMilliseconds * 1000);
        ASSERT_EQ(table->SelectOnlyRow(4, false), eSuccess); // "PNU Message Text"
        EXPECT_EQ(panel->OnMessage(kTableSelectionClicked, uintptr_t(table), 0), 0u);
    };
    click(1000);
    EXPECT_EQ(Label(panel, "name"), " PNU Message Text");
    EXPECT_EQ(Rows(table), aroundButton);
    click(500);
    EXPECT_EQ(Rows(table), aroundButton);
    click(499);
    EXPECT_EQ(Rows(table).size(), 4u);
    EXPECT_EQ(SelectedRow(table), "         \"PNU Message Text\"  - ID =  311,  (0x0137)");

    // A row whose widget has left the tree since is not followed.
    CWidget* text = backdrop->FindWidgetById(311);
    ASSERT_EQ(text->GetParent()->RemoveChild(text, false), eSuccess);
    ASSERT_EQ(table->SelectOnlyRow(0, false), eSuccess);
    EXPECT_EQ(panel->OnMessage(kTableSelectionClicked, uintptr_t(table), 0), 0u);
    EXPECT_EQ(Label(panel, "name"), " Pintrel Updater");
    ASSERT_EQ(table->SelectOnlyRow(3, false), eSuccess);
    EXPECT_EQ(panel->OnMessage(kTableSelectionClicked, uintptr_t(table), 0), 0u);
    EXPECT_EQ(Label(panel, "name"), " Pintrel Updater");
}

TEST_F(DebugPanel, NoteWarnsOfWhatKeepsAWidgetUnseenOrDeaf)
{
    CDebugInfoWidget* panel = Open(400, 200);
    ASSERT_NE(panel, nullptr);
    struct sCase {
        int32_t opacity, threshold;
        uint32_t parentMask;
        bool parentVisible;
        const char* note;
    } cases[] = {
        {40, 200, 0xFFu, true, ""},
        {39, 201, 0xFFu, true, "Warning: Opacity < 40   Warning: OpaqueThreshold > 200   "},
        {255, 1, 0xEFu, true, "Warning: \"\"  - ID =  5,  (0x05) : eLButtonEvent False.      "},
        {255, 1, 0xFFu, false, "Warning: \"\"  - ID =  5,  (0x05) : Not visible.     "},
    };
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.note);
        auto* parent = new CTxWidget();
        parent->SetId(5);
        parent->SetVisible(c.parentVisible, false);
        parent->DisableEvents(0xFFFFFFFFu);
        parent->EnableEvents(c.parentMask, false);
        parent->SetOpacityThreshold(1);
        auto* widget = new CTxWidget();
        widget->SetVisible(true, false);
        widget->SetOpacity(c.opacity, false);
        widget->SetOpacityThreshold(c.threshold);
        widget->EnableEvents(0xFFu, false);
        ASSERT_EQ(parent->AddChild(widget, false), eSuccess);
        ASSERT_EQ(panel->DescribeWidgetTree(widget), eSuccess);
        EXPECT_EQ(Label(panel, "note"), c.note);
        // An empty name shows as two quotes in the list too.
        ASSERT_EQ(panel->FillWidgetList(Table(panel), widget), eSuccess);
        EXPECT_EQ(Rows(Table(panel))[0], "\"\"  - ID =  5,  (0x05)");
        delete parent;
    }
}

} // namespace

TEST_F(DebugPanel, SearchesStepThroughEqualIdsAndWrap)
{
    CDebugInfoWidget* panel = Open(400, 200);
    ASSERT_NE(panel, nullptr);
    auto* first = new CWidget();
    auto* second = new CWidget();
    for (CWidget* twin : {first, second}) {
        twin->SetId(9000);
        ASSERT_EQ(backdrop->AddChild(twin, false), eSuccess);
    }
    std::vector<CWidget*> found;
    for (int i = 0; i < 3; ++i) {
        Search(panel, "byID", "9000");
        found.push_back(panel->GetSelectedWidget());
    }
    // The later add is in front, so it comes first in the walk.
    EXPECT_EQ(found, (std::vector<CWidget*>{second, first, second}));
    // An id only the selected widget has: the walk comes back to it and finds it again.
    Search(panel, "byID", "0x12C");
    Search(panel, "byID", "300");
    EXPECT_EQ(panel->GetSelectedWidget(), backdrop->FindWidgetById(300));
    EXPECT_EQ(panel->GetSearchState(), CDebugInfoWidget::kFound);
    EXPECT_TRUE(Alerts().empty());
}

TEST_F(DebugPanel, AreasOutsideTheirParentAndDirectBlitUnderOverEffectsAreMarked)
{
    CDebugInfoWidget* panel = Open(400, 200);
    ASSERT_NE(panel, nullptr);
    auto* holder = new CWidget();
    ASSERT_EQ(backdrop->AddChild(holder, false), eSuccess);
    ASSERT_EQ(holder->SetPosition(10, 10, false), eSuccess);
    ASSERT_EQ(holder->SetSize(100, 40, false), eSuccess);
    auto* child = new CWidget();
    ASSERT_EQ(holder->AddChild(child, false), eSuccess);
    ASSERT_EQ(child->SetPosition(90, 30, false), eSuccess);
    ASSERT_EQ(child->SetSize(20, 20, false), eSuccess);
    ASSERT_EQ(panel->ShowWidgetInfo(child), eSuccess);
    EXPECT_EQ(Label(panel, "crpr"), " ( 90, 30 ),  ( 110, 50)   ***");
    EXPECT_EQ(Label(panel, "crbk"), " ( 100, 40 ),  ( 120, 60)");
    EXPECT_EQ(Label(panel, "fldb"), " False");

    // Blit on move under an ancestor with an effect over its children.
    child->SetBlitOnMove(true);
    ASSERT_EQ(panel->ShowWidgetInfo(child), eSuccess);
    EXPECT_EQ(Label(panel, "fldb"), " True");
    ASSERT_EQ(holder->AttachOverEffect(new CWidgetEffectBorder(), 3, false), eSuccess);
    ASSERT_EQ(panel->ShowWidgetInfo(child), eSuccess);
    EXPECT_EQ(Label(panel, "fldb"), " True  ***");
}

TEST_F(DebugPanel, RunningOutOfMemoryWhileOpeningLeavesEitherNoPanelOrAWorkingOne)
{
    ASSERT_NE(Open(400, 200), nullptr);
    CWidget* taker = nullptr;
    ASSERT_EQ(backdrop->DispatchKeyDownEvent(&taker, 27), eSuccess);
    ASSERT_EQ(backdrop->DispatchHeartbeatEvent(), eSuccess);
    // A small target keeps each run's flash cheap to draw.
    auto* target = new CCoWidget();
    ASSERT_EQ(backdrop->AddChild(target, false), eSuccess);
    ASSERT_EQ(target->SetSize(4, 4, false), eSuccess);
    target->SetVisible(true, false);
    input.pointer = {origin.x + 1, origin.y + 1};
    backdrop->UpdateRollover();
    ASSERT_EQ(backdrop->GetRolloverWidget(), target);
    const int32_t children = backdrop->GetChildCount();
    // Opening takes some two thousand allocations: the first ones one by one, then a sample.
    for (int64_t k = 1;; k += k < 24 ? 1 : 193) {
        SCOPED_TRACE(k);
        plat::GetRecordedAlerts().Clear();
        input.modifiers = plat::kModCommand | plat::kModShift | plat::kModOption;
        bool failed = false;
        {
            AllocationFailure failure(k);
            EXPECT_EQ(backdrop->ShowDebugInfo(), 2u);
            failed = failure.Count() >= k;
        }
        input.modifiers = 0;
        if (backdrop->FindWidgetById(CDebugInfoWidget::kPanelId)) {
            EXPECT_EQ(backdrop->GetModalDepth(), 1);
            taker = nullptr;
            ASSERT_EQ(backdrop->DispatchKeyDownEvent(&taker, 27), eSuccess);
            ASSERT_EQ(backdrop->DispatchHeartbeatEvent(), eSuccess);
        } else {
            EXPECT_EQ(backdrop->GetModalDepth(), 0);
            ASSERT_FALSE(Alerts().empty());
            EXPECT_EQ(Alerts().back().rfind("Message|Couldn't ", 0), 0u) << Alerts().back();
        }
        EXPECT_EQ(backdrop->GetChildCount(), children);
        if (!failed)
            break;
    }
}

// The button held while the pointer walks a path, one step each time a drag loop asks.
class CDragInput final : public plat::InputState {
public:
    uint32_t GetButtons() override
    {
        if (step >= path.size())
            return 0;
        pointer = path[step++];
        return plat::kButtonStatePrimary;
    }
    uint32_t GetModifiers() override { return 0; }
    bool IsKeyDown(int32_t) override { return false; }
    plat::sPoint GetPointer() override { return pointer; }
    void WarpPointer(plat::sPoint global) override { pointer = global; }

    std::vector<plat::sPoint> path;
    size_t step = 0;
    plat::sPoint pointer;
};

TEST_F(DebugPanel, DragsMoveThePanelAndScrollTheListByItsThumb)
{
    CDebugInfoWidget* panel = Open(400, 200);
    ASSERT_NE(panel, nullptr);
    CTableWidget* table = Table(panel);
    ASSERT_EQ(panel->FillWidgetList(table, backdrop), eSuccess);
    CDragInput drag;
    plat::SetInputState(&drag);
    auto dragFrom = [&](CWidget* widget, gCPoint local, int32_t dx, int32_t dy) {
        gCPoint at = widget->LocalToRoot(local);
        drag.pointer = {origin.x + at.x, origin.y + at.y};
        drag.path = {{drag.pointer.x + dx / 2, drag.pointer.y + dy / 2}, {drag.pointer.x + dx, drag.pointer.y + dy}};
        drag.step = 0;
        CWidget* taker = nullptr;
        EXPECT_EQ(backdrop->DispatchLButtonDownEvent(&taker, at), eSuccess);
        EXPECT_NE(taker, nullptr);
    };

    dragFrom(panel, {5, 150}, 30, -20);
    EXPECT_EQ(panel->GetRect(), (gCRect{50, -125, 650, 325}));

    CWidget* grip = panel->FindWidgetById(FourCharCode("grip"));
    ASSERT_NE(grip, nullptr);
    ASSERT_LT(grip->GetHeight(), grip->GetParent()->GetHeight());
    dragFrom(grip, {8, 4}, 0, 40);
    EXPECT_GT(table->GetScrollOffset(), 0);
    EXPECT_GT(grip->GetRect().top, 0);
    EXPECT_EQ(backdrop->GetFocusWidget(), table);
    plat::SetInputState(&input);
}

namespace {

const std::string kPanelPicture = std::string(PNU_SOURCE_DIR) + "/tests/data/panel/debug-panel.png";

// The panel over the updater's main button, drawn on its own (with its shadow) into a picture
// checked by eye once: every caption's letters whole (descenders too) and clear of its value.
// Written again with PNU_WRITE_GOLDEN=1 (see tests/data/panel/README.md).
TEST_F(DebugPanel, LooksAsThePictureCheckedByEye)
{
    CDebugInfoWidget* panel = Open(400, 200);
    ASSERT_NE(panel, nullptr);
    Search(panel, "byID", "300");
    const gCRect bounds = panel->GetBounds();
    CImage shot(bounds.right - bounds.left, bounds.bottom - bounds.top);
    ASSERT_TRUE(shot.IsCreated());
    {
        CImNav fill(&shot, nullptr);
        const CPixel backdropColour = 0xFF303050u;
        fill.Fill(&backdropColour);
    }
    shot.SetOrigin(gCPoint{-bounds.left, -bounds.top});
    ASSERT_EQ(panel->DrawWidget(bounds, &shot, 255), eSuccess);
    shot.SetOrigin(gCPoint{0, 0});
    if (std::getenv("PNU_WRITE_GOLDEN")) {
        ASSERT_EQ(SaveImage(gCString(kPanelPicture.c_str()), &shot, eImageFormatPng), eSuccess);
        GTEST_SKIP() << "wrote " << kPanelPicture;
    }
    std::ifstream file(kPanelPicture, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(bytes.empty()) << kPanelPicture;
    CMemBlock block(uint32_t(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), block.GetData());
    CImage golden;
    ASSERT_EQ(LoadImage(block, &golden), eSuccess);
    ASSERT_EQ(golden.GetWidth(), shot.GetWidth());
    ASSERT_EQ(golden.GetHeight(), shot.GetHeight());
    CImNav have(&shot, nullptr), want(&golden, nullptr);
    ASSERT_TRUE(have.IsLocked() && want.IsLocked());
    int32_t differences = 0;
    for (int32_t y = 0; y < shot.GetHeight(); ++y)
        for (int32_t x = 0; x < shot.GetWidth(); ++x)
            if ((have.Row(y)[x] | 0xFF000000u) != (want.Row(y)[x] | 0xFF000000u) && differences++ < 5)
                ADD_FAILURE() << "pixel " << x << "," << y << std::hex << " is " << have.Row(y)[x]
                              << ", the picture has " << want.Row(y)[x];
    EXPECT_EQ(differences, 0);
}

} // namespace
