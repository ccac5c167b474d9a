// The inspector half of the debugging panel: the search row, the grid of caption and value labels
// describing one widget, and the search by id or by name through the live tree.
#include "widgets/CDebugInfoWidget.h"

#include "app/AppGlobals.h"
#include "app/CWindowBase.h"
#include "app/ReportError.h"
#include "core/ASCIICase.h"
#include "widgets/CBackdrop.h"
#include "widgets/CCoWidget.h"
#include "widgets/CTableWidget.h"
#include "widgets/CTxEdWidget.h"
#include "widgets/CTxWidget.h"
#include "widgets/CWidgetEffectBorder.h"
#include "widgets/CWidgetEffectShadow.h"
#include "widgets/DebugPanelText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr uint32_t kFieldId = FourCharCode("txed");
constexpr uint32_t kByIdButton = FourCharCode("byID");
constexpr uint32_t kByNameButton = FourCharCode("byNM");
constexpr uint32_t kAssertButton = FourCharCode("Asst");
constexpr uint32_t kTableId = FourCharCode("tabl");

// One caption and value label pair: the value label carries the id; positions in the panel.
struct sInfoRow {
    uint32_t id;
    const char* caption;
    int32_t captionX, valueX, y, valueRight;
};

// The three columns of the grid of flags: where the caption starts, where the value starts and ends.
struct sGridColumn {
    int32_t captionX, valueX, valueRight;
};

// One cell of the grid: the value label's id and the caption.
struct sGridCell {
    uint32_t id;
    const char* caption;
};

// What a flag label shows: whether the flag is set.
const char16_t* Flag(bool on) { return on ? u" True" : u" False"; }
// Whether a callback of the kind is set: "+" when it is, "o" when not.
const char16_t* Mark(const CWidget* widget, int32_t kind) { return widget->GetCallback(kind) ? u"+" : u"o"; }

// One event kind: whether the widget takes it, then the mark of each callback that handles it.
struct sEventRow {
    uint32_t id;
    uint32_t bit;
    int32_t kinds[2];
    int32_t kindCount;
};

eResultCode AppendEventText(gCString& text, const CWidget* widget, const sEventRow& row)
{
    PNU_TRY(text.Append((widget->GetEventMask() & row.bit) ? u" True " : u" False "));
    for (int32_t i = 0; i < row.kindCount; ++i)
        PNU_TRY(text.Append(Mark(widget, row.kinds[i])));
    return eSuccess;
}

eResultCode AppendNumber(gCString& text, int32_t value)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, " %d", value);
    return AppendChars(text, digits);
}

bool Inside(const gCRect& inner, const gCRect& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// The root of a widget, or null when its parent chain is longer than any real tree (a cycle).
CWidget* BoundedRoot(CWidget* widget)
{
    for (int32_t i = 0; widget->GetParent(); ++i) {
        if (i > CDebugInfoWidget::kMaxDepth)
            return nullptr;
        widget = widget->GetParent();
    }
    return widget;
}

// A 12-point label of the panel, shown.
// The renderer hangs a line's glyphs from the top of the face's bounding box, which lies well
// above the tallest letter. The panel's labels hang them from the font's ascent instead, and
// their boxes are ascent plus descent tall: rows 17 pixels apart then hold every letter whole,
// descenders included. The box height, or 0 when the font is not at hand.
int32_t HangFromAscent(CTxWidget* label)
{
    CTextRenderer* renderer = label->GetTextRenderer();
    FT_Face* holder = nullptr;
    if (renderer->SelectFontStyle(&holder) != eSuccess || !holder || !*holder || !(*holder)->size)
        return 0;
    const FT_Face face = *holder;
    const float ascent = float(face->size->metrics.ascender) / 64.0f;
    const float descent = -float(face->size->metrics.descender) / 64.0f;
    const float boxTop = float(face->bbox.yMax) * float(face->size->metrics.y_ppem) / float(face->units_per_EM);
    if (std::isfinite(boxTop) && boxTop > ascent)
        renderer->mOriginY = ascent - boxTop;
    return int32_t(std::ceil(ascent + descent)) + 1;
}

// A label's box height where the font is missing.
constexpr int32_t kPlainLabelHeight = 15;

CTxWidget* NewPanelLabel()
{
    auto* label = new CTxWidget();
    if (!label)
        return nullptr;
    (void)label->SetFontPointSize(12.0f, false, false);
    (void)HangFromAscent(label);
    label->SetVisible(true, false);
    return label;
}

int32_t LabelBoxHeight(CTxWidget* label)
{
    const int32_t height = HangFromAscent(label);
    return height > 0 ? height : kPlainLabelHeight;
}

// Whether the widget blits straight to the screen when moved; "  ***" when an ancestor holds an
// effect over it, which such a blit would leave out.
eResultCode AppendDirectBlitText(gCString& text, const CWidget* widget)
{
    PNU_TRY(text.Append(Flag(widget->GetBlitOnMove())));
    if (!widget->GetBlitOnMove())
        return eSuccess;
    int32_t steps = 0;
    for (CWidget* step = widget->GetParent(); step && steps <= CDebugInfoWidget::kMaxDepth;
         step = step->GetParent(), ++steps) {
        bool holds = false;
        for (int32_t i = 0; i < CWidget::kEffectSlots; ++i)
            holds = holds || step->GetOverEffect(i) != nullptr;
        if (holds)
            return text.Append(u"  ***");
    }
    return eSuccess;
}

// The widget's rect in its parent; "   ***" when it reaches outside the parent.
eResultCode AppendClientAreaText(gCString& text, const CWidget* widget)
{
    PNU_TRY(AppendRectText(text, widget->GetRect()));
    CWidget* parent = widget->GetParent();
    if (!parent)
        return eSuccess;
    gCRect own = parent->GetRect();
    parent->ParentToLocal(own);
    return Inside(widget->GetRect(), own) ? eSuccess : text.Append(u"   ***");
}

// The widget's rect in its root; "   ***" when it reaches outside the root. Nothing when the
// parent chain is too long to have a root.
eResultCode AppendBackdropAreaText(gCString& text, CWidget* widget)
{
    CWidget* root = BoundedRoot(widget);
    if (!root)
        return eSuccess;
    gCRect area = widget->GetRect();
    widget->ParentToLocal(area);
    widget->LocalToRoot(area);
    PNU_TRY(AppendRectText(text, area));
    if (widget->GetParent() && !Inside(area, root->GetRect()))
        return text.Append(u"   ***");
    return eSuccess;
}

} // namespace

uint32_t LightenPanelColour(uint32_t c)
{
    const uint32_t g = (c >> 8) & 0xFFu;
    const uint32_t high = ((c & 0xFF00FF00u) + ((255u - g) * 5u + 5u) * 16u) & 0xFF00FF00u;
    const uint32_t low = ((c & 0x00FF00FFu) + (((0x01000100u - (c & 0x00FF00FFu)) * 80u) >> 8)) & 0x00FF00FFu;
    return high + low;
}

uint32_t DarkenPanelColour(uint32_t c)
{
    const uint32_t g = (c >> 8) & 0xFFu;
    const uint32_t high = ((c & 0xFF00FF00u) + ((5u - g * 5u) << 4)) & 0xFF00FF00u;
    const uint32_t low = ((c & 0x00FF00FFu) + (((0x00050005u - (c & 0x00FF00FFu) * 5u) << 4) >> 8)) & 0x00FF00FFu;
    return high | low;
}

eResultCode CDebugInfoWidget::BuildInspectorPanel(CWidget* widget)
{
    const int32_t w = GetWidth(), half = w / 2, third = w / 3;

    auto* find = NewPanelLabel();
    if (!find)
        return eNoMemory;
    (void)find->SetText(gCString("Find Widget:"), true, false);
    (void)find->SetPosition(10, 30, false);
    if (AddChildOrDelete(this, find, false) != eSuccess)
        return eNoMemory;

    auto* field = new CTxEdWidget();
    if (!field)
        return eNoMemory;
    field->SetVisible(true, false);
    (void)field->SetFontPointSize(12.0f, false, false);
    field->SetColour(LightenPanelColour(GetColour()), false);
    (void)field->SetPosition(100, 30, false);
    (void)field->SetSize(w - 310, 15, false);
    field->SetOpaqueBlit(true);
    field->SetId(kFieldId);
    if (AddChildOrDelete(this, field, false) != eSuccess)
        return eNoMemory;
    PNU_TRY(AttachCutout(field, 1.7f));

    PNU_TRY(AddButton(kByIdButton, "By ID", w - 200, 30, 50, 15));
    PNU_TRY(AddButton(kByNameButton, "Name", w - 140, 30, 50, 15));
    PNU_TRY(AddButton(kAssertButton, "Assert", w - 60, 30, 50, 15));

    const sInfoRow heading[] = {
        {FourCharCode("name"), "Resource Name:", 10, 130, 55, w - 10},
        {FourCharCode("rsid"), "Resource ID:", 10, 130, 72, half + 60},
        {FourCharCode("wgty"), "Widget Type:", half + 120, w - 84, 72, w - 10},
    };
    for (const sInfoRow& row : heading)
        PNU_TRY(AddInfoRow(row.id, row.caption, row.captionX, row.valueX, row.y, row.valueRight));

    const sGridColumn columns[3] = {
        {10, third - 94, third - 20}, {third + 20, 2 * third - 94, 2 * third - 20}, {2 * third + 20, w - 84, w - 10}};
    const struct {
        int32_t y;
        sGridCell cells[3];
    } grid[] = {
        {97, {{FourCharCode("evky"), "E Key:"}, {FourCharCode("evtm"), "E Timer:"}, {FourCharCode("evhb"), "E Heart:"}}},
        {114, {{FourCharCode("evbl"), "E L Button:"}, {FourCharCode("evbm"), "E M Button:"}, {FourCharCode("evbr"), "E R Button:"}}},
        {131, {{FourCharCode("evmm"), "E Mouse Move:"}, {FourCharCode("evms"), "E Message:"}, {FourCharCode("rend"), "RenderProc:"}}},
        {156, {{FourCharCode("flvs"), "Visible:"}, {FourCharCode("flip"), "Stay In Parent:"}, {FourCharCode("flgf"), "Can Get Focus:"}}},
        {173, {{FourCharCode("flac"), "Active:"}, {FourCharCode("flpo"), "Prop Opacity:"}, {FourCharCode("flob"), "Opaque Blit:"}}},
        {190, {{FourCharCode("inop"), "Opacity:"}, {FourCharCode("inot"), "Opac Thresh:"}, {FourCharCode("fldb"), "Direct Blit:"}}},
    };
    for (const auto& line : grid)
        for (int32_t c = 0; c < 3; ++c)
            PNU_TRY(AddInfoRow(line.cells[c].id, line.cells[c].caption, columns[c].captionX, columns[c].valueX,
                               line.y, columns[c].valueRight));

    PNU_TRY(AddInfoRow(FourCharCode("crpr"), "Client Area:", 10, 90, 215, half - 20));
    PNU_TRY(AddInfoRow(FourCharCode("crbk"), "Area Backdrop:", half + 10, half + 100, 215, w - 10));

    return BuildListAndNote(widget);
}

eResultCode CDebugInfoWidget::AddInfoRow(uint32_t id, const char* caption, int32_t captionX, int32_t valueX,
                                         int32_t y, int32_t valueRight)
{
    auto* label = NewPanelLabel();
    if (!label)
        return eNoMemory;
    (void)label->SetText(gCString(caption), true, false);
    (void)label->SetPosition(captionX, y, false);
    if (AddChildOrDelete(this, label, false) != eSuccess)
        return eNoMemory;
    // A caption wider than its column pushes its value right, never under itself.
    constexpr int32_t kCaptionGap = 4;
    valueX = std::max(valueX, std::min(captionX + label->GetWidth() + kCaptionGap, valueRight - 1));
    auto* value = NewPanelLabel();
    if (!value)
        return eNoMemory;
    (void)value->SetPosition(valueX, y, false);
    value->SetSizeToText(false);
    (void)value->SetSize(valueRight - valueX, LabelBoxHeight(value), false);
    value->SetId(id);
    if (AddChildOrDelete(this, value, false) != eSuccess)
        return eNoMemory;
    return AttachCutout(value, 1.7f) == eSuccess ? eSuccess : eNoMemory;
}

eResultCode CDebugInfoWidget::AddButton(uint32_t id, const char* caption, int32_t x, int32_t y, int32_t width,
                                        int32_t height)
{
    auto* button = new CCoWidget();
    if (!button)
        return eNoMemory;
    auto* label = NewPanelLabel();
    if (!label) {
        delete button;
        return eNoMemory;
    }
    button->SetOpaqueBlit(true);
    button->SetVisible(true, false);
    (void)button->SetPosition(x, y, false);
    // At least as tall as its caption's letters.
    (void)button->SetSize(width, std::max(height, LabelBoxHeight(label)), false);
    button->DisableEvents(0xFFFFFFFFu);
    button->EnableEvents(kEventLeftButton, false);
    button->SetLButtonDownCallback(OnButton, uintptr_t(this));
    button->SetColour(DarkenPanelColour(GetColour()), false);
    button->SetId(id);
    if (AddChildOrDelete(this, button, false) != eSuccess) {
        delete label;
        return eNoMemory;
    }
    label->SetColour(0xFFFFFFFFu, false);
    label->SetActive(false);
    (void)label->SetText(gCString(caption), true, false);
    (void)label->SetYPosition(0, false);
    label->GetLayoutValues()->xCentre = 1;
    if (AddChildOrDelete(button, label, false) != eSuccess)
        return eNoMemory;
    auto* border = new CWidgetEffectBorder();
    if (!border)
        return eNoMemory;
    PNU_TRY(button->AttachOverEffect(border, 0, false));
    auto* shadow = new CWidgetEffectShadow();
    if (!shadow)
        return eNoMemory;
    (void)shadow->SetRadius(2.0f);
    (void)shadow->SetOffset(gCPoint{2, 2}, false);
    (void)shadow->SetOpacity(160, false);
    return button->AttachUnderEffect(shadow, 0, false);
}

eResultCode CDebugInfoWidget::OnButton(uintptr_t context, CWidget* button, CWidget** taker, const gCPoint&)
{
    auto* panel = reinterpret_cast<CDebugInfoWidget*>(context);
    if (button->GetId() == kAssertButton)
        return eSuccess;
    auto* field = dynamic_cast<CTxEdWidget*>(panel->FindWidgetById(kFieldId));
    if (!field)
        return eSuccess;
    gCString text;
    field->GetText(text);
    PNU_TRY(button->GetId() == kByIdButton ? panel->FindById(text) : panel->FindByName(text));
    *taker = button;
    return eSuccess;
}

eResultCode CDebugInfoWidget::SetLabel(uint32_t id, const gCString& text)
{
    auto* label = dynamic_cast<CTxWidget*>(FindWidgetById(id));
    if (!label)
        return eSuccess;
    return label->SetText(text, true, false);
}

eResultCode CDebugInfoWidget::ShowWidgetInfo(CWidget* widget)
{
    if (!widget)
        return eSuccess;
    // Each label's text is built in this one string, in the order the labels are set.
    gCString text;
    auto show = [this, &text](uint32_t id, auto&& build) -> eResultCode {
        PNU_TRY(StartText(text));
        PNU_TRY(build());
        return SetLabel(id, text);
    };
    auto showFlag = [&](uint32_t id, bool on) { return show(id, [&] { return text.Append(Flag(on)); }); };

    PNU_TRY(show(FourCharCode("name"), [&] {
        PNU_TRY(text.Append(u" "));
        return AppendShownName(text, widget->GetName());
    }));
    PNU_TRY(show(FourCharCode("rsid"), [&] { return AppendIdText(text, widget->GetId()); }));
    const uint32_t type = widget->GetTypeCode();
    const char typeText[] = {' ', char(type >> 24), char(type >> 16), char(type >> 8), char(type), 0};
    PNU_TRY(show(FourCharCode("wgty"), [&] { return AppendChars(text, typeText); }));

    const sEventRow events[] = {
        {FourCharCode("evky"), kEventKeys, {kCallbackKeyDown, kCallbackKeyUp}, 2},
        {FourCharCode("evtm"), kEventTimer, {kCallbackTimer, 0}, 1},
        {FourCharCode("evhb"), kEventHeartbeat, {kCallbackHeartbeat, 0}, 1},
        {FourCharCode("evbl"), kEventLeftButton, {kCallbackLButtonDown, kCallbackLButtonUp}, 2},
        {FourCharCode("evbm"), kEventMiddleButton, {kCallbackMButtonDown, kCallbackMButtonUp}, 2},
        {FourCharCode("evbr"), kEventRightButton, {kCallbackRButtonDown, kCallbackRButtonUp}, 2},
        {FourCharCode("evmm"), kEventMouseMove, {kCallbackMouseMove, 0}, 1},
        {FourCharCode("evms"), kEventMessages, {kCallbackMessage, 0}, 1},
    };
    for (const sEventRow& row : events)
        PNU_TRY(show(row.id, [&] { return AppendEventText(text, widget, row); }));
    PNU_TRY(show(FourCharCode("rend"), [&] { return text.Append(Mark(widget, kCallbackRender)); }));

    PNU_TRY(showFlag(FourCharCode("flvs"), widget->IsVisible()));
    PNU_TRY(showFlag(FourCharCode("flip"), widget->GetStayInParent()));
    PNU_TRY(showFlag(FourCharCode("flgf"), widget->CanGetFocus()));
    PNU_TRY(showFlag(FourCharCode("flac"), widget->IsActive()));
    PNU_TRY(showFlag(FourCharCode("flpo"), widget->GetPropOpacity()));
    PNU_TRY(showFlag(FourCharCode("flob"), widget->GetOpaqueBlit()));
    PNU_TRY(show(FourCharCode("inop"), [&] { return AppendNumber(text, widget->GetOpacity()); }));
    PNU_TRY(show(FourCharCode("inot"), [&] { return AppendNumber(text, widget->GetOpacityThreshold()); }));
    PNU_TRY(show(FourCharCode("fldb"), [&] { return AppendDirectBlitText(text, widget); }));
    PNU_TRY(show(FourCharCode("crpr"), [&] { return AppendClientAreaText(text, widget); }));
    PNU_TRY(show(FourCharCode("crbk"), [&] { return AppendBackdropAreaText(text, widget); }));
    return DescribeWidgetTree(widget);
}

// ---- search ------------------------------------------------------------------------------------

template <typename Match>
void CDebugInfoWidget::SearchFrom(CWidget* widget, const Match& match, int32_t depth)
{
    if (widget == this || mSearchState == kFound || mSearchState == kEnded)
        return;
    if (widget != mSelected) {
        if (mSearchState == kPastSelected && match(widget)) {
            mSearchState = kFound;
            mSelected = widget;
            return;
        }
    } else if (mSearchState == kLookingForSelected) {
        mSearchState = kPastSelected;
    } else if (mSearchState == kPastSelected) {
        mSearchState = match(widget) ? kFound : kEnded;
        return;
    }
    if (depth > kMaxDepth) {
        mSearchState = kEnded;
        return;
    }
    for (int32_t i = 0; i < widget->GetChildCount(); ++i) {
        SearchFrom(widget->GetChild(i), match, depth + 1);
        if (mSearchState == kFound || mSearchState == kEnded)
            return;
    }
}

eResultCode CDebugInfoWidget::FindWidgetInHierarchy(CWidget* widget, uint32_t id, int32_t depth)
{
    SearchFrom(widget, [id](CWidget* candidate) { return candidate->GetId() == id; }, depth);
    return eSuccess;
}

eResultCode CDebugInfoWidget::FindWidgetByNameInHierarchy(CWidget* widget, const gCString& upperText,
                                                          int32_t depth)
{
    SearchFrom(widget,
               [&upperText](CWidget* candidate) {
                   const gCString& name = candidate->GetName();
                   return !name.IsEmpty() && !upperText.IsEmpty() && WithUpperASCII(name).Find(upperText) >= 0;
               },
               depth);
    return eSuccess;
}

template <typename Match>
eResultCode CDebugInfoWidget::RunSearch(const gCString& text, const Match& match)
{
    mSearchState = kLookingForSelected;
    CWidget* root = nullptr;
    if (CWindowBase* window = GetMainWindow())
        root = window->GetBackdrop();
    if (!root)
        root = BoundedRoot(this);
    if (!root)
        return eSuccess;
    PNU_TRY(match(root));
    if (mSearchState == kLookingForSelected)
        mSearchState = kPastSelected;
    if (mSearchState == kPastSelected)
        PNU_TRY(match(root));
    if (mSearchState != kFound) {
        gCString explanation = text;
        explanation += gCString(" : Cant find that widget in the hierarchy.");
        (void)ShowPlainAlert(explanation, gCString("Message"));
        return eSuccess;
    }
    PNU_TRY(FillWidgetList(dynamic_cast<CTableWidget*>(FindWidgetById(kTableId)), mSelected));
    PNU_TRY(Update());
    return ShowWidgetInfo(mSelected);
}

eResultCode CDebugInfoWidget::FindById(const gCString& text)
{
    const uint32_t id = uint32_t(text.ParseInteger());
    return RunSearch(text, [this, id](CWidget* root) { return FindWidgetInHierarchy(root, id, 0); });
}

eResultCode CDebugInfoWidget::FindByName(const gCString& text)
{
    const gCString upper = WithUpperASCII(text);
    return RunSearch(text, [this, &upper](CWidget* root) { return FindWidgetByNameInHierarchy(root, upper, 0); });
}
