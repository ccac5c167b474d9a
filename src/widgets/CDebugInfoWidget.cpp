// The panel itself: its frame and title, the widget list with its scroll bar, the note, and the
// input that drags, scrolls and closes it.
#include "widgets/CDebugInfoWidget.h"

#include "app/AppGlobals.h"
#include "app/CAppBase.h"
#include "widgets/BackdropMessages.h"
#include "widgets/CBackdrop.h"
#include "widgets/CCoWidget.h"
#include "widgets/CTableWidget.h"
#include "widgets/CTxWidget.h"
#include "widgets/CWidgetEffectCutout.h"
#include "widgets/CWidgetEffectShadow.h"
#include "widgets/DebugPanelText.h"

#include <algorithm>

namespace {

constexpr uint32_t kNoteId = FourCharCode("note");
constexpr uint32_t kScrollId = FourCharCode("scrl");
constexpr uint32_t kGripId = FourCharCode("grip");
constexpr uint32_t kTableId = FourCharCode("tabl");
constexpr uint32_t kEscape = 27;
constexpr uint64_t kDoubleClickMilliseconds = 500;

// The ancestors of a widget, parent first; `cut` tells that the chain went on beyond the limit.
eResultCode CollectAncestors(CWidget* widget, gCArray<CWidget*>& ancestors, bool& cut)
{
    cut = false;
    for (CWidget* step = widget->GetParent(); step; step = step->GetParent()) {
        if (ancestors.GetSize() > CDebugInfoWidget::kMaxDepth) {
            cut = true;
            return eSuccess;
        }
        PNU_TRY(ancestors.Add(step));
    }
    return eSuccess;
}

// Adds a row with the text, and with the widget as its id when there is one.
eResultCode AddListRow(CTableWidget* table, const gCString& text, CWidget* widget)
{
    PNU_TRY(table->AddRow(false));
    int32_t index = table->GetRowCount() - 1;
    PNU_TRY(table->SetCellText(index, 0, text, false));
    return widget ? table->SetRowId(index, uintptr_t(widget)) : eSuccess;
}

eResultCode AddRecursionRow(CTableWidget* table)
{
    gCString text;
    PNU_TRY(AppendChars(text, CDebugInfoWidget::kRecursionText));
    return AddListRow(table, text, nullptr);
}

// The prefix, then the widget's row text.
eResultCode AddWidgetRow(CTableWidget* table, const gCString& prefix, CWidget* widget)
{
    gCString text;
    PNU_TRY(StartText(text));
    PNU_TRY(text.Append(prefix));
    PNU_TRY(AppendWidgetRowText(text, widget));
    return AddListRow(table, text, widget);
}

// The prefix with " : " after it: the prefix of the next level down.
eResultCode DeeperPrefix(const gCString& prefix, gCString& deeper)
{
    PNU_TRY(StartText(deeper));
    PNU_TRY(deeper.Append(prefix));
    return deeper.Append(u" : ");
}

// What may keep a widget unseen or deaf, each phrase between `lead` and `tail`; a plain widget
// is hit only with a threshold above 0, which is the inspected widget's own.
eResultCode AppendStateWarnings(gCString& text, const CWidget* subject, int32_t inspectedThreshold,
                                const char16_t* lead, const char16_t* tail)
{
    const struct {
        bool when;
        const char16_t* phrase;
    } warnings[] = {
        {!subject->IsVisible(), u"Not visible."},
        {!subject->IsActive(), u"Not Active."},
        {!subject->CanGetFocus(), u"Can't get focus."},
        {uint32_t(subject->GetOpacity()) <= 39, u"Opacity < 40"},
        {uint32_t(subject->GetOpacityThreshold()) > 200, u"OpaqueThreshold > 200"},
        {subject->GetTypeCode() == CWidget::kTypeCode && inspectedThreshold == 0,
         u"CWidget may need OpaqueThreshold > 0"},
    };
    for (const auto& warning : warnings) {
        if (!warning.when)
            continue;
        PNU_TRY(text.Append(lead));
        PNU_TRY(text.Append(warning.phrase));
        PNU_TRY(text.Append(tail));
    }
    return eSuccess;
}

template <typename T>
T* FindChild(CWidget* panel, uint32_t id)
{
    return dynamic_cast<T*>(panel->FindWidgetById(id));
}

} // namespace

CDebugInfoWidget::CDebugInfoWidget()
{
    mEventMask = 0xFFFFFFFFu;
    SetId(kPanelId);
    (void)SetName(gCString(kPanelName));
    (void)SetRadius(0.0f, true, true);
    (void)SetBorderColour(0xFF000000u, true, true);
    (void)SetBorderWidth(2.5f, true, true);
    if (auto* title = new CTxWidget()) {
        (void)SetTitleBarHeight(25.0f, true, true);
        (void)title->SetFontPointSize(18.0f, true, false);
        title->SetVisible(true, false);
        title->SetColour(0xFFE0E0FFu, false);
        (void)title->SetText(gCString("Debugging Information for CWidgets"), true, false);
        (void)title->SetYPosition(1, false);
        title->GetLayoutValues()->xCentre = 1;
        (void)AddChildOrDelete(this, title, true);
    }
    if (auto* shadow = new CWidgetEffectShadow()) {
        (void)shadow->SetOpacity(100, false);
        (void)shadow->SetOffset(gCPoint{5, 5}, false);
        (void)AttachUnderEffect(shadow, 0, false);
    }
}

CDebugInfoWidget::~CDebugInfoWidget() = default;

eResultCode CDebugInfoWidget::AddChildOrDelete(CWidget* parent, CWidget* child, bool update)
{
    eResultCode result = parent->AddChild(child, update);
    if (result == eSuccess)
        return eSuccess;
    if (parent->GetChildIndex(child) >= 0)
        (void)parent->RemoveChild(child, false);
    else
        delete child;
    return result;
}

bool CDebugInfoWidget::IsPanel(CWidget* widget)
{
    return widget && widget->GetId() == kPanelId && widget->GetName() == kPanelName;
}

eResultCode CDebugInfoWidget::AttachCutout(CWidget* widget, float radius)
{
    auto* cutout = new CWidgetEffectCutout();
    if (!cutout)
        return eNoMemory;
    (void)cutout->SetRadius(radius);
    (void)cutout->SetOpacity(180, false);
    bool opaque = widget->GetOpaqueBlit();
    widget->SetOpaqueBlit(true);
    eResultCode result = widget->AttachOverEffect(cutout, 0, false);
    widget->SetOpaqueBlit(opaque);
    return result;
}

// The part of BuildInspectorPanel after the inspector's rows.
eResultCode CDebugInfoWidget::BuildListAndNote(CWidget* widget)
{
    const int32_t width = GetWidth(), height = GetHeight();

    auto* note = new CTxWidget();
    if (!note)
        return eNoMemory;
    note->SetVisible(true, false);
    (void)note->SetFontPointSize(12.0f, false, false);
    note->SetColour(0xFFFF0000u, false);
    (void)note->SetWrap(true, false, false);
    (void)note->SetPosition(10, 240, false);
    note->SetSizeToText(false);
    (void)note->SetSize(width - 20, 45, false);
    note->SetId(kNoteId);
    PNU_TRY(AddChildOrDelete(this, note, false));
    PNU_TRY(AttachCutout(note, 1.7f));
    PNU_TRY(Update());

    auto* scroll = new CCoWidget();
    if (!scroll)
        return eNoMemory;
    (void)scroll->SetSize(16, height - 300, false);
    (void)scroll->SetPosition(width - 26, 290, false);
    scroll->SetVisible(true, false);
    scroll->SetColour(0x50606080u, false);
    scroll->SetId(kScrollId);
    scroll->EnableEvents(kEventMouseMove | kEventLeftButton | kEventMiddleButton | kEventRightButton |
                             kEventWheel,
                         false);
    PNU_TRY(AddChildOrDelete(this, scroll, false));
    PNU_TRY(AttachCutout(scroll, 2.0f));

    auto* grip = new CCoWidget();
    if (!grip)
        return eNoMemory;
    (void)grip->SetSize(16, height - 300, false);
    (void)grip->SetPosition(0, 0, false);
    grip->SetVisible(true, false);
    grip->SetColour(0x706090FFu, false);
    grip->SetStayInParent(true);
    grip->SetId(kGripId);
    PNU_TRY(AddChildOrDelete(scroll, grip, false));

    auto* table = new CTableWidget();
    if (!table)
        return eNoMemory;
    CTextRenderer renderer;
    table->GetTextRenderer(renderer);
    renderer.mPointSize = 12.0f;
    (void)table->SetTextRenderer(renderer, false);
    table->GetSelectedTextRenderer(renderer);
    renderer.mPointSize = 12.0f;
    (void)table->SetSelectedTextRenderer(renderer, false);
    table->SetColour(0xFF9898B8u, false);
    const CPixel even = 0xFF9898C0u;
    (void)table->SetEvenRowColour(&even, false);
    (void)table->SetTextShadow(false);
    table->SetSelectable(true);
    (void)table->SetMultiSelect(false, false);
    table->EnableEvents(0xFFFFFFFFu, false);
    table->SetOpaqueBlit(true);
    table->SetId(kTableId);
    table->mCommandMode = 0;
    table->mListener = this;
    (void)table->SetSize(width - 38, height - 300, false);
    (void)table->SetPosition(10, 290, false);
    table->SetVisible(true, false);
    PNU_TRY(AddChildOrDelete(this, table, false));
    // Set only now: the grip never calls into a table that was not kept.
    grip->SetLButtonDownCallback(OnGripDrag, uintptr_t(table));
    PNU_TRY(AttachCutout(table, 2.0f));

    PNU_TRY(FillWidgetList(table, widget));
    PNU_TRY(Update());
    return ShowWidgetInfo(widget);
}

eResultCode CDebugInfoWidget::FillWidgetList(CTableWidget* table, CWidget* widget)
{
    if (!widget || !table)
        return eSuccess;
    PNU_TRY(table->RemoveAllRows(false));
    gCArray<CWidget*> ancestors;
    bool cut = false;
    PNU_TRY(CollectAncestors(widget, ancestors, cut));
    if (cut)
        PNU_TRY(AddRecursionRow(table));
    gCString prefix;
    PNU_TRY(StartText(prefix));
    for (int32_t i = ancestors.GetSize() - 1; i >= 0; --i) {
        PNU_TRY(AddWidgetRow(table, prefix, ancestors[i]));
        PNU_TRY(prefix.Append(u"   "));
    }
    PNU_TRY(AddWidgetRow(table, prefix, widget));
    PNU_TRY(table->SelectRow(table->GetRowCount() - 1, false));
    return AddChildRows(widget, table, prefix, 0);
}

eResultCode CDebugInfoWidget::AddSubtreeRows(CWidget* widget, CTableWidget* table, const gCString& prefix,
                                             int32_t depth)
{
    if (depth > kMaxDepth)
        return AddRecursionRow(table);
    PNU_TRY(AddWidgetRow(table, prefix, widget));
    return AddChildRows(widget, table, prefix, depth + 1);
}

eResultCode CDebugInfoWidget::AddChildRows(CWidget* widget, CTableWidget* table, const gCString& prefix,
                                           int32_t depth)
{
    if (widget->GetChildCount() == 0)
        return eSuccess;
    gCString deeper;
    PNU_TRY(DeeperPrefix(prefix, deeper));
    for (int32_t i = 0; i < widget->GetChildCount(); ++i)
        PNU_TRY(AddSubtreeRows(widget->GetChild(i), table, deeper, depth));
    return eSuccess;
}

eResultCode CDebugInfoWidget::DescribeWidgetTree(CWidget* widget)
{
    auto* note = FindChild<CTxWidget>(this, kNoteId);
    if (!widget || !note)
        return eSuccess;
    gCArray<CWidget*> ancestors;
    bool cut = false;
    PNU_TRY(CollectAncestors(widget, ancestors, cut));
    gCString text;
    PNU_TRY(StartText(text));
    if (cut) {
        PNU_TRY(AppendChars(text, kRecursionText));
        PNU_TRY(text.Append(u"   "));
    }
    if (widget->GetEventMask() != 0)
        PNU_TRY(AppendStateWarnings(text, widget, widget->GetOpacityThreshold(), u"Warning: ", u"   "));
    for (int32_t i = ancestors.GetSize() - 1; i >= 0; --i)
        PNU_TRY(AppendAncestorWarnings(widget, ancestors[i], text));
    return note->SetText(text, true, true);
}

eResultCode CDebugInfoWidget::AppendAncestorWarnings(CWidget* widget, CWidget* ancestor, gCString& text)
{
    static constexpr const char16_t* kEventTexts[8] = {
        u"eKeyEvent False.   ",     u"eTimerEvent False.   ",   u"eHeartbeatEvent False.   ",
        u"eMouseMoveEvent False.   ", u"eLButtonEvent False.   ", u"eMButtonEvent False.   ",
        u"eRButtonEvent False.   ", u"eMessageEvent False.   "};
    gCString line;
    PNU_TRY(AppendStateWarnings(line, ancestor, widget->GetOpacityThreshold(), u"", u"  "));
    const uint32_t missing = widget->GetEventMask() & ~ancestor->GetEventMask();
    for (int32_t bit = 0; bit < 8; ++bit)
        if (missing & (1u << bit))
            PNU_TRY(line.Append(kEventTexts[bit]));
    if (line.IsEmpty())
        return eSuccess;
    PNU_TRY(text.Append(u"Warning: "));
    PNU_TRY(AppendWidgetRowText(text, ancestor));
    PNU_TRY(text.Append(u" : "));
    PNU_TRY(text.Append(line));
    return text.Append(u"   ");
}

// ---- input -------------------------------------------------------------------------------------

void CDebugInfoWidget::Close()
{
    auto* backdrop = dynamic_cast<CBackdrop*>(mParent);
    if (!backdrop)
        return;
    if (backdrop->RetireWidget(this) != eSuccess) {
        // Without room to hand it over, the panel stays in the tree, hidden, until the backdrop goes.
        backdrop->PopModalWidget();
        SetVisible(false, true);
        return;
    }
    backdrop->PopModalWidget();
    (void)backdrop->DetachChild(this, true);
    mParent = nullptr;
}

eResultCode CDebugInfoWidget::OnKeyDown(CWidget** taker, int32_t key)
{
    *taker = this;
    if (key == kEscape)
        Close();
    return eSuccess;
}

eResultCode CDebugInfoWidget::OnLButtonDown(CWidget** taker, const gCPoint& point)
{
    if (CAppBase* app = gApplication) {
        // From where the press happened: the pointer may have moved on before it is handled.
        gCPoint last = LocalToRoot(point);
        while (app->IsLeftButtonDown()) {
            gCPoint now = app->GetMousePosition();
            PNU_TRY(MoveBy(now.x - last.x, now.y - last.y, true));
            (void)app->RunHeartbeatOnce();
            last = now;
        }
    }
    *taker = this;
    return eSuccess;
}

eResultCode CDebugInfoWidget::OnGripDrag(uintptr_t context, CWidget* grip, CWidget** taker, const gCPoint& point)
{
    auto* table = reinterpret_cast<CTableWidget*>(context);
    CWidget* track = grip->GetParent();
    if (CAppBase* app = gApplication; app && table && track) {
        const gCPoint start = grip->LocalToRoot(point);
        const gCPoint thumbStart{grip->GetRect().left, grip->GetRect().top};
        gCPoint last = start;
        while (app->IsLeftButtonDown()) {
            gCPoint now = app->GetMousePosition();
            if (now.x != last.x || now.y != last.y) {
                gCPoint position{thumbStart.x + now.x - start.x, thumbStart.y + now.y - start.y};
                PNU_TRY(table->ScrollToThumb(track->GetHeight(), grip->GetHeight(), position, true));
                last = now;
            }
            (void)app->RunHeartbeatOnce();
        }
        table->SetFocus(true);
    }
    *taker = grip;
    return eSuccess;
}

CWidget* CDebugInfoWidget::LiveWidget(uintptr_t rowId)
{
    auto* wanted = reinterpret_cast<CWidget*>(rowId);
    if (!wanted)
        return nullptr;
    // A row may name a widget that has left the tree since the list was filled.
    CWidget* root = this;
    for (int32_t i = 0; root->GetParent() && i <= kMaxDepth; ++i)
        root = root->GetParent();
    if (root->GetParent())
        return nullptr;
    auto within = [wanted](auto& self, CWidget* widget, int32_t depth) -> bool {
        if (widget == wanted)
            return true;
        if (depth > kMaxDepth)
            return false;
        for (int32_t i = 0; i < widget->GetChildCount(); ++i)
            if (self(self, widget->GetChild(i), depth + 1))
                return true;
        return false;
    };
    return within(within, root, 0) ? wanted : nullptr;
}

uint32_t CDebugInfoWidget::OnMessage(uint32_t message, uintptr_t p1, uintptr_t p2)
{
    if (uint32_t answer = DecodeBackdropMessage(message, p1, p2, *this); answer != 0)
        return answer;
    return DecodeTableMessage(message, p1, p2, *this);
}

eResultCode CDebugInfoWidget::OnUnclaimedPress(ePressButton button, CBackdrop*, const gCPoint*)
{
    if (button == ePressButton::kLeft)
        Close();
    return eSuccess;
}

CTableWidget* CDebugInfoWidget::OwnTable(CTableWidget* from)
{
    auto* table = FindChild<CTableWidget>(this, kTableId);
    return table && from == table ? table : nullptr;
}

eResultCode CDebugInfoWidget::OnRowsChanged(CTableWidget* from, bool update)
{
    CTableWidget* table = OwnTable(from);
    if (!table)
        return eSuccess;
    auto* scroll = FindChild<CCoWidget>(this, kScrollId);
    auto* grip = FindChild<CCoWidget>(this, kGripId);
    if (scroll && grip) {
        const int32_t track = scroll->GetHeight();
        const int32_t thumb = std::max(table->GetThumbLength(track), 10);
        (void)grip->SetHeight(thumb, false);
        scroll->SetOpacity(thumb >= track ? 80 : 255, false);
    }
    return OnTableScrolled(from, update);
}

eResultCode CDebugInfoWidget::OnTableScrolled(CTableWidget* from, bool update)
{
    CTableWidget* table = OwnTable(from);
    auto* scroll = FindChild<CCoWidget>(this, kScrollId);
    auto* grip = FindChild<CCoWidget>(this, kGripId);
    if (table && scroll && grip)
        (void)grip->SetYPosition(table->GetThumbPosition(scroll->GetHeight(), grip->GetHeight()), update);
    return eSuccess;
}

eResultCode CDebugInfoWidget::OnSelectionClicked(CTableWidget* from)
{
    CTableWidget* table = OwnTable(from);
    if (!table)
        return eSuccess;
    const int32_t row = table->FindSelectedRow(0);
    if (row >= 0) {
        if (CWidget* widget = LiveWidget(table->GetRowId(row))) {
            if (widget == mLastClicked && mClickTimer.GetElapsedMilliseconds() < kDoubleClickMilliseconds)
                PNU_TRY(FillWidgetList(table, widget));
            PNU_TRY(ShowWidgetInfo(widget));
            mLastClicked = widget;
        }
    }
    mClickTimer.Reset();
    return eSuccess;
}
