#include "AppTestSupport.h"

#include "TabletIO/TabletState.h"
#include "app/AppMain.h"
#include "imaging/CImage.h"
#include "platform/Event.h"

namespace {

using WindowEventsTest = AppTest;

TEST(KeyTranslation, SpecialKeysUseTheTableOthersTheirMacRomanCharacter)
{
    struct sCase {
        int32_t macKey;
        uint8_t character;
        int32_t key;
    };
    const sCase cases[] = {
        {53, 27, 27},    {76, 3, 13},     {117, 127, 127}, {122, 16, -248}, {120, 16, -247},
        {99, 16, -246},  {118, 16, -245}, {96, 16, -244},  {97, 16, -243},  {98, 16, -242},
        {100, 16, -241}, {101, 16, -240}, {109, 16, -239}, {103, 16, -238}, {111, 16, 16},
        {115, 1, -252},  {119, 4, -251},  {116, 11, -250}, {121, 12, -249}, {123, 28, -256},
        {124, 29, -255}, {126, 30, -254}, {125, 31, -253}, {36, 13, 13},    {51, 8, 8},
        {48, 9, 9},      {0, 'a', 'a'},   {14, 0x8E, -114}, {-1, 0xA5, -91},
    };
    for (const sCase& c : cases)
        EXPECT_EQ(TranslateKey(c.macKey, c.character), c.key) << c.macKey;
}

class WindowEventsFixture : public MainWindowTest<> {
protected:
    plat::sEvent Event(plat::eEventKind kind)
    {
        plat::sEvent event;
        event.kind = kind;
        event.windowId = window->GetPlatformId();
        return event;
    }
    plat::sEvent Pointer(plat::eEventKind kind, int32_t x, int32_t y, uint32_t button)
    {
        plat::sEvent event = Event(kind);
        event.x = x;
        event.y = y;
        gCRect bounds = window->GetBounds();
        event.globalX = bounds.left + x;
        event.globalY = bounds.top + y;
        event.button = button;
        return event;
    }
};

TEST_F(WindowEventsFixture, KeysReachTheBackdropAsToolkitCodes)
{
    plat::sEvent escape = Event(plat::eEventKind::kKeyDown);
    escape.keyCode = 53;
    escape.character = 27;
    plat::sEvent accented = Event(plat::eEventKind::kKeyRepeat);
    accented.keyCode = 14;
    accented.character = 0xE9;
    plat::sEvent foreign = Event(plat::eEventKind::kKeyDown);
    foreign.keyCode = -1;
    foreign.character = 0x4E2D;
    plat::sEvent shift = Event(plat::eEventKind::kKeyDown);
    shift.keyCode = 56;
    plat::sEvent left = Event(plat::eEventKind::kKeyUp);
    left.keyCode = 123;
    left.character = 28;
    plat::sEvent beyond = Event(plat::eEventKind::kKeyDown);
    beyond.character = 0x1F600;
    for (const plat::sEvent& event : {escape, accented, foreign, shift, left, beyond})
        DispatchPlatformEvent(event);
    // Text beyond ASCII arrives as UTF-16 units, a character above U+FFFF as its surrogate pair.
    EXPECT_EQ(backdrop->keys, (std::vector<int32_t>{27, 0xE9, 0x4E2D, 0xD83D, 0xDE00}));
    EXPECT_EQ(backdrop->keysUp, (std::vector<int32_t>{-256}));
}

TEST_F(WindowEventsFixture, PointerEventsAreWindowLocalAndControlClickIsRight)
{
    DispatchPlatformEvent(Pointer(plat::eEventKind::kMouseDown, 10, 20, 1));
    DispatchPlatformEvent(Pointer(plat::eEventKind::kMouseUp, 10, 20, 1));
    plat::sEvent controlDown = Pointer(plat::eEventKind::kMouseDown, 3, 4, 1);
    controlDown.modifiers = plat::kModControl;
    plat::sEvent controlUp = Pointer(plat::eEventKind::kMouseUp, 3, 4, 1);
    controlUp.modifiers = plat::kModControl;
    DispatchPlatformEvent(controlDown);
    DispatchPlatformEvent(controlUp);
    EXPECT_EQ(backdrop->buttons, (std::vector<std::string>{"L10,20", "l", "R3,4", "r"}));
}

TEST_F(WindowEventsFixture, MouseEventsFeedTheTabletRecordWithTheGlobalPosition)
{
    ASSERT_EQ(app.CreateTabletState(), eSuccess);
    DispatchPlatformEvent(Pointer(plat::eEventKind::kMouseDown, 10, 20, 1));
    sTabletState* state = app.GetTabletState();
    EXPECT_EQ(state->x, 330.0f);
    EXPECT_EQ(state->y, 412.0f);
    EXPECT_EQ(state->pressure, -1000.0f);
    EXPECT_EQ(state->tilt, 1.0f);
    EXPECT_EQ(state->direction, 0.0f);
}

TEST_F(WindowEventsFixture, EditCommandsReachTheFocusWidgetAndStayUnhandled)
{
    auto* editor = new CCommandWidget();
    ASSERT_EQ(backdrop->AddChild(editor, false), eSuccess);
    editor->SetVisible(true, false);
    editor->SetFocus(true);
    ASSERT_EQ(backdrop->GetFocusWidget(), editor);
    struct sCase {
        const char* code;
        uint32_t message;
    };
    for (sCase c : {sCase{"cut ", 0xF000000Au}, sCase{"copy", 0xF000000Bu}, sCase{"past", 0xF000000Cu}}) {
        plat::sEvent command = Event(plat::eEventKind::kCommand);
        command.command = plat::FourCharCode(*reinterpret_cast<const char(*)[5]>(c.code));
        EXPECT_EQ(window->HandleEvent(command), kEventNotHandled);
        EXPECT_EQ(editor->commands.back(), c.message);
        EXPECT_EQ(editor->lastP1, uintptr_t(&app));
        EXPECT_EQ(editor->lastP2, 0);
        EXPECT_EQ(editor->lastFlag, 1u);
    }
    // The focus messages went through the application's routing.
    ASSERT_GE(app.messages.size(), 2u);
    EXPECT_EQ(app.messages[0].message, 0xF0000001u);
    EXPECT_EQ(app.messages[1].message, 0xF0000000u);
    EXPECT_EQ(app.messages[1].p1, uintptr_t(editor));
}

// Removing, detaching or deleting a subtree leaves the backdrop no pointer into it: a later edit
// command, heartbeat or press must not reach a freed widget.
TEST_F(WindowEventsFixture, RemovedWidgetsLeaveNoReferenceInTheBackdrop)
{
    enum class eHow { kRemove, kDetach, kDeleteChildren };
    for (eHow how : {eHow::kRemove, eHow::kDetach, eHow::kDeleteChildren}) {
        auto* box = new CWidget();
        ASSERT_EQ(backdrop->AddChild(box, false), eSuccess);
        box->SetVisible(true, false);
        ASSERT_EQ(box->SetSize(50, 50, false), eSuccess);
        auto* holder = new CWidget();
        ASSERT_EQ(box->AddChild(holder, false), eSuccess);
        holder->SetVisible(true, false);
        ASSERT_EQ(holder->SetSize(50, 50, false), eSuccess);
        auto* editor = new CCommandWidget();
        ASSERT_EQ(holder->AddChild(editor, false), eSuccess);
        editor->SetVisible(true, false);
        ASSERT_EQ(editor->SetSize(20, 20, false), eSuccess);
        editor->SetOpacityThreshold(1);
        editor->SetFocus(true);
        ASSERT_EQ(backdrop->GetFocusWidget(), editor);
        ASSERT_EQ(backdrop->PushModalWidget(holder), eSuccess);
        backdrop->SetWidgetRollover(1);
        input.pointer = {320 + 5, 392 + 5};
        backdrop->UpdateRollover();
        ASSERT_EQ(backdrop->GetRolloverWidget(), editor);

        switch (how) {
        case eHow::kRemove: ASSERT_EQ(backdrop->RemoveChild(box, false), eSuccess); break;
        case eHow::kDetach: ASSERT_EQ(box->DetachChild(holder, false), eSuccess); break;
        case eHow::kDeleteChildren: box->DeleteChildren(); break;
        }
        EXPECT_EQ(backdrop->GetFocusWidget(), nullptr);
        EXPECT_EQ(backdrop->GetRolloverWidget(), nullptr);
        EXPECT_EQ(backdrop->GetModalDepth(), 0);
        plat::sEvent command = Event(plat::eEventKind::kCommand);
        command.command = plat::FourCharCode("cut ");
        EXPECT_EQ(window->HandleEvent(command), kEventNotHandled);
        CWidget* taker = nullptr;
        EXPECT_EQ(backdrop->DispatchLButtonDownEvent(&taker, {5, 5}), eSuccess);
        if (how == eHow::kDetach)
            delete holder;
        if (how != eHow::kRemove) {
            ASSERT_EQ(backdrop->RemoveChild(box, false), eSuccess);
        }
        backdrop->SetWidgetRollover(0);
    }
}

TEST_F(WindowEventsFixture, ARemovedCursorWidgetGivesBackTheSystemCursor)
{
    auto* arrow = new CWidget();
    ASSERT_EQ(backdrop->AddChild(arrow, false), eSuccess);
    arrow->SetVisible(true, false);
    ASSERT_EQ(backdrop->SetCursor(arrow, {0, 0}), eSuccess);
    ASSERT_EQ(backdrop->RemoveChild(arrow, false), eSuccess);
    EXPECT_EQ(backdrop->GetCursorWidget(), nullptr);
    EXPECT_EQ(app.GetCursorVisibleFlag(), 1u);
}

TEST_F(WindowEventsFixture, CloseQuitsAndResizeResizesTheBackdrop)
{
    plat::sEvent resized = Event(plat::eEventKind::kWindowResized);
    resized.width = 500;
    resized.height = 200;
    DispatchPlatformEvent(resized);
    EXPECT_EQ(backdrop->GetWidth(), 500);
    EXPECT_EQ(backdrop->GetOffscreenImage()->GetWidth(), 500);
    Log().clear();
    DispatchPlatformEvent(Event(plat::eEventKind::kWindowClose));
    EXPECT_EQ(Log(), (std::vector<std::string>{"prepare", "quit"}));
    EXPECT_EQ(GetMainWindow(), nullptr);
}

TEST_F(WindowEventsFixture, ExposeMarksAnUpdateThatTheNextHeartbeatConsumes)
{
    EXPECT_EQ(app.HasUpdateEvent(), 0u);
    DispatchPlatformEvent(Event(plat::eEventKind::kWindowExposed));
    EXPECT_EQ(app.HasUpdateEvent(), 1u);
    EXPECT_EQ(app.HasUpdateEvent(), 0u);
}

TEST_F(WindowEventsFixture, TheHeartbeatTracksTheMouseOverAndTicksTheTree)
{
    backdrop->SetWidgetRollover(1);
    auto* child = new CWidget();
    ASSERT_EQ(backdrop->AddChild(child, false), eSuccess);
    ASSERT_EQ(child->SetPosition({100, 50}, false), eSuccess);
    ASSERT_EQ(child->SetSize(20, 20, false), eSuccess);
    child->SetVisible(true, false);
    child->SetOpacityThreshold(1);
    app.ResumeHeartbeat();
    // The pointer over the child, in global coordinates: found in window coordinates, once.
    input.pointer = {320 + 105, 392 + 55};
    Log().clear();
    EXPECT_EQ(app.Heartbeat(), eSuccess);
    EXPECT_EQ(backdrop->GetRolloverWidget(), child);
    EXPECT_NE(std::find(Log().begin(), Log().end(), "backdrop-heartbeat"), Log().end());
    // The debugging view of it is there only while the widget-debug switch is on.
    EXPECT_EQ(backdrop->GetDebugRolloverWidget(), nullptr);
    gWidgetDebug = 1;
    EXPECT_EQ(backdrop->GetDebugRolloverWidget(), child);
    gWidgetDebug = 0;
    // Outside the window the mouse-over is cleared.
    input.pointer = {5, 5};
    EXPECT_EQ(app.Heartbeat(), eSuccess);
    EXPECT_EQ(backdrop->GetRolloverWidget(), nullptr);
}

} // namespace

namespace {

// A widget that quits the application from its own press and heartbeat, as a quit button does,
// and then still looks at its parent.
class CQuitWidget : public CWidget {
public:
    CQuitWidget()
    {
        SetVisible(true, false);
        EnableEvents(0xFFFFFFFF, false);
    }
    bool HitTest(const gCPoint&) override { return true; }
    eResultCode OnLButtonDown(CWidget**, const gCPoint&) override { return QuitAndLook(); }
    eResultCode OnHeartbeat() override { return QuitAndLook(); }
    eResultCode QuitAndLook()
    {
        gApplication->Quit();
        *parentSeen = GetParent() ? GetParent()->GetTypeCode() : 0;
        return eSuccess;
    }
    // Outside the widget: it is gone once the dispatch has unwound.
    uint32_t* parentSeen = nullptr;
};

TEST_F(WindowEventsFixture, AWindowDisposedInsideItsOwnDispatchGoesOnlyWhenTheDispatchHasUnwound)
{
    // The heartbeat first: once the quit flag is set, the heartbeat no longer reaches windows.
    for (bool press : {false, true}) {
        SCOPED_TRACE(press);
        if (!GetMainWindow()) {
            backdrop = MakeMainWindow(app);
            backdrop->EnableEvents(0xFFFFFFFF, false);
            window = static_cast<CMacWindow*>(GetMainWindow());
        }
        uint32_t parentSeen = 0;
        auto* quitter = new CQuitWidget();
        quitter->parentSeen = &parentSeen;
        ASSERT_EQ(quitter->SetSize(50, 50, false), eSuccess);
        ASSERT_EQ(backdrop->AddChild(quitter, false), eSuccess);
        uint32_t id = window->GetPlatformId();
        if (press) {
            DispatchPlatformEvent(Pointer(plat::eEventKind::kMouseDown, 10, 10, 1));
        } else {
            app.ResumeHeartbeat();
            EXPECT_EQ(app.RunHeartbeatOnce(), eSuccess);
        }
        // The widget could still reach its window's backdrop after asking to quit.
        EXPECT_EQ(parentSeen, CBackdrop::kTypeCode);
        EXPECT_EQ(GetMainWindow(), nullptr);
        EXPECT_EQ(GetWindowList().GetSize(), 0);
        EXPECT_EQ(CMacWindow::FindByPlatformId(id), nullptr);
    }
}

} // namespace
