// The panel itself: its frame and title, the widget list with its scroll bar, the note, and the
// input that drags, scrolls and closes it.
#include "widgets/CDebugInfoWidget.h"

#include "app/AppGlobals.h"
#include "app/CAppBase.h"
#include "widgets/CBackdrop.h"
#include "widgets/CCoWidget.h"
#include "widgets/CTableWidget.h"
#include "widgets/CTxWidget.h"
#include "widgets/CWidgetEffectCutout.h"
#include "widgets/CWidgetEffectShadow.h"
#include "widgets/DebugPanelText.h"

#include <algorithm>

namespace {

constexpr uint32_t kUnclaimedLeftPress = 0xF0000005u;
constexpr uint32_t kNoteId = FourCC("note");
constexpr uint32_t kScrollId = FourCC("scrl");
constexpr uint32_t kGripId = FourCC("grip");
constexpr uint32_t kTableId = FourCC("tabl");
constexpr uint32_t kEscape = 27;
constexpr uint64_t kDoubleClickMilliseconds = 500;

// The ancestors of a widget, parent first; `cut` tells that the chain went on beyond the limit.
void CollectAncestors(CWidget* widget, gCArray<CWidget*>& ancestors, bool& cut, eResultCode& result)
{
    cut = false;
    result = eSuccess;
    for (CWidget* step = widget->GetParent(); step; step = step->GetParent()) {
        if (ancestors.GetSize() > CDebugInfoWidget::kMaxDepth) {
            cut = true;
            return;
        }
        if (result = ancestors.Add(step); result != eSuccess)
            return;
    }
}

// Adds a row with the text, and with the widget as its id when there is one.
eResultCode AddListRow(CTableWidget* table, const std::string& text, CWidget* widget)
{
    PNU_TRY(table->AddRow(false));
    int32_t index = table->GetRowCount() - 1;
    gCString cell;
    PNU_TRY(MacRomanString(text, cell));
    PNU_TRY(table->SetCellText(index, 0, cell, false));
    return widget ? table->SetRowId(index, uintptr_t(widget)) : eSuccess;
}

// What may keep a widget unseen or deaf, each phrase between `lead` and `tail`; a plain widget
// is hit only with a threshold above 0, which is the inspected widget's own.
std::string StateWarnings(const CWidget* subject, int32_t inspectedThreshold, const char* lead, const char* tail)
{
    std::string text;
    auto add = [&](bool when, const char* phrase) {
        if (when)
            text += std::string(lead) + phrase + tail;
    };
    add(!subject->IsVisible(), "Not visible.");
    add(!subject->IsActive(), "Not Active.");
    add(!subject->CanGetFocus(), "Can't get focus.");
    add(uint32_t(subject->GetOpacity()) <= 39, "Opacity < 40");
    add(uint32_t(subject->GetOpacityThreshold()) > 200, "OpaqueThreshold > 200");
    add(subject->GetTypeCode() == CWidget::kTypeCode && inspectedThreshold == 0,
        "CWidget may need OpaqueThreshold > 0");
    return text;
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
    eResultCode collected = eSuccess;
    CollectAncestors(widget, ancestors, cut, collected);
    PNU_TRY(collected);
    if (cut)
        PNU_TRY(AddListRow(table, kRecursionText, nullptr));
    std::string prefix;
    for (int32_t i = ancestors.GetSize() - 1; i >= 0; --i) {
        PNU_TRY(AddListRow(table, prefix + WidgetRowText(ancestors[i]), ancestors[i]));
        prefix += "   ";
    }
    PNU_TRY(AddListRow(table, prefix + WidgetRowText(widget), widget));
    PNU_TRY(table->SelectRow(table->GetRowCount() - 1, false));
    prefix += " : ";
    for (int32_t i = 0; i < widget->GetChildCount(); ++i)
        PNU_TRY(AddSubtreeRows(widget->GetChild(i), table, prefix, 0));
    return eSuccess;
}

eResultCode CDebugInfoWidget::AddSubtreeRows(CWidget* widget, CTableWidget* table, std::string prefix,
                                             int32_t depth)
{
    if (depth > kMaxDepth)
        return AddListRow(table, kRecursionText, nullptr);
    PNU_TRY(AddListRow(table, prefix + WidgetRowText(widget), widget));
    prefix += " : ";
    for (int32_t i = 0; i < widget->GetChildCount(); ++i)
        PNU_TRY(AddSubtreeRows(widget->GetChild(i), table, prefix, depth + 1));
    return eSuccess;
}

eResultCode CDebugInfoWidget::DescribeWidgetTree(CWidget* widget)
{
    auto* note = FindChild<CTxWidget>(this, kNoteId);
    if (!widget || !note)
        return eSuccess;
    std::string text;
    gCArray<CWidget*> ancestors;
    bool cut = false;
    eResultCode collected = eSuccess;
    CollectAncestors(widget, ancestors, cut, collected);
    PNU_TRY(collected);
    if (cut)
        text = std::string(kRecursionText) + "   ";
    if (widget->GetEventMask() != 0)
        text += StateWarnings(widget, widget->GetOpacityThreshold(), "Warning: ", "   ");
    for (int32_t i = ancestors.GetSize() - 1; i >= 0; --i)
        AppendAncestorWarnings(widget, ancestors[i], text);
    gCString shown;
    PNU_TRY(MacRomanString(text, shown));
    return note->SetText(shown, true, true);
}

void CDebugInfoWidget::AppendAncestorWarnings(CWidget* widget, CWidget* ancestor, std::string& text)
{
    static constexpr const char* kEventTexts[8] = {
        "eKeyEvent False.   ",     "eTimerEvent False.   ",   "eHeartbeatEvent False.   ",
        "eMouseMoveEvent False.   ", "eLButtonEvent False.   ", "eMButtonEvent False.   ",
        "eRButtonEvent False.   ", "eMessageEvent False.   "};
    std::string line = StateWarnings(ancestor, widget->GetOpacityThreshold(), "", "  ");
    const uint32_t missing = widget->GetEventMask() & ~ancestor->GetEventMask();
    for (int32_t bit = 0; bit < 8; ++bit)
        if (missing & (1u << bit))
            line += kEventTexts[bit];
    if (line.empty())
        return;
    text += "Warning: \"" + ancestor->GetName().ToMacRoman() + "\"  - ID = " + IdText(ancestor->GetId()) +
            " : " + line + "   ";
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

eResultCode CDebugInfoWidget::OnLButtonDown(CWidget** taker, const gCPoint&)
{
    if (CAppBase* app = gApplication) {
        gCPoint last = app->GetMousePosition();
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

eResultCode CDebugInfoWidget::OnGripDrag(uintptr_t context, CWidget* grip, CWidget** taker, const gCPoint&)
{
    auto* table = reinterpret_cast<CTableWidget*>(context);
    CWidget* track = grip->GetParent();
    if (CAppBase* app = gApplication; app && table && track) {
        const gCPoint start = app->GetMousePosition();
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
    auto* scroll = FindChild<CCoWidget>(this, kScrollId);
    auto* grip = FindChild<CCoWidget>(this, kGripId);
    auto* table = FindChild<CTableWidget>(this, kTableId);
    if (message == kUnclaimedLeftPress) {
        Close();
        return 0;
    }
    // Table messages count only from the panel's own list.
    if (!table || p1 != uintptr_t(table))
        return 0;
    switch (message) {
    case kTableRowsChanged:
        if (scroll && grip) {
            const int32_t track = scroll->GetHeight();
            const int32_t thumb = std::max(table->GetThumbLength(track), 10);
            (void)grip->SetHeight(thumb, false);
            scroll->SetOpacity(thumb >= track ? 80 : 255, false);
        }
        [[fallthrough]];
    case kTableScrolled:
        if (scroll && grip)
            (void)grip->SetYPosition(table->GetThumbPosition(scroll->GetHeight(), grip->GetHeight()), p2 != 0);
        return 0;
    case kTableSelectionClicked: {
        const int32_t row = table->FindSelectedRow(0);
        if (row >= 0) {
            if (CWidget* widget = LiveWidget(table->GetRowId(row))) {
                if (widget == mLastClicked && mClickTimer.GetElapsedMilliseconds() < kDoubleClickMilliseconds)
                    if (eResultCode result = FillWidgetList(table, widget); result != eSuccess)
                        return uint32_t(result);
                if (eResultCode result = ShowWidgetInfo(widget); result != eSuccess)
                    return uint32_t(result);
                mLastClicked = widget;
            }
        }
        mClickTimer.Reset();
        return 0;
    }
    default:
        return 0;
    }
}
