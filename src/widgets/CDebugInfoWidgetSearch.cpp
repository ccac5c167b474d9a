// The inspector half of the debugging panel: the search row, the grid of caption and value labels
// describing one widget, and the search by id or by name through the live tree.
#include "widgets/CDebugInfoWidget.h"

#include "app/AppGlobals.h"
#include "app/CWindowBase.h"
#include "app/ReportError.h"
#include "widgets/CBackdrop.h"
#include "widgets/CCoWidget.h"
#include "widgets/CTableWidget.h"
#include "widgets/CTxEdWidget.h"
#include "widgets/CTxWidget.h"
#include "widgets/CWidgetEffectBorder.h"
#include "widgets/CWidgetEffectCutout.h"
#include "widgets/CWidgetEffectShadow.h"
#include "widgets/DebugPanelText.h"

namespace {

constexpr uint32_t kFieldId = FourCC("txed");
constexpr uint32_t kByIdButton = FourCC("byID");
constexpr uint32_t kByNameButton = FourCC("byNM");
constexpr uint32_t kAssertButton = FourCC("Asst");
constexpr uint32_t kTableId = FourCC("tabl");

// One caption and value label pair: the value label carries the id; positions in the panel.
struct sInfoRow {
    uint32_t id;
    const char* caption;
    int32_t captionX, valueX, y, valueRight;
};

std::string Flag(bool on) { return on ? " True" : " False"; }
const char* Mark(const CWidget* widget, int32_t kind) { return widget->GetCallback(kind) ? "+" : "o"; }

std::string EventText(const CWidget* widget, uint32_t bit, std::initializer_list<int32_t> kinds)
{
    std::string text = (widget->GetEventMask() & bit) ? " True " : " False ";
    for (int32_t kind : kinds)
        text += Mark(widget, kind);
    return text;
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

gCString UpperLetters(const gCString& text)
{
    gCString upper = text;
    for (int32_t i = 0; i < upper.GetLength(); ++i)
        if (upper[i] >= u'a' && upper[i] <= u'z')
            upper[i] = char16_t(upper[i] - u'a' + u'A');
    return upper;
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

    auto* find = new CTxWidget();
    if (!find)
        return eNoMemory;
    (void)find->SetFontPointSize(12.0f, false, false);
    find->SetVisible(true, false);
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
    if (auto* cutout = new CWidgetEffectCutout()) {
        (void)cutout->SetRadius(1.7f);
        (void)cutout->SetOpacity(180, false);
        PNU_TRY(field->AttachOverEffect(cutout, 0, false));
    } else {
        return eNoMemory;
    }

    PNU_TRY(AddButton(kByIdButton, "By ID", w - 200, 30, 50, 15));
    PNU_TRY(AddButton(kByNameButton, "Name", w - 140, 30, 50, 15));
    PNU_TRY(AddButton(kAssertButton, "Assert", w - 60, 30, 50, 15));

    const sInfoRow rows[] = {
        {FourCC("name"), "Resource Name:", 10, 130, 55, w - 10},
        {FourCC("rsid"), "Resource ID:", 10, 130, 72, half + 60},
        {FourCC("wgty"), "Widget Type:", half + 120, w - 84, 72, w - 10},
        {FourCC("evky"), "E Key:", 10, third - 94, 97, third - 20},
        {FourCC("evtm"), "E Timer:", third + 20, 2 * third - 94, 97, 2 * third - 20},
        {FourCC("evhb"), "E Heart:", 2 * third + 20, w - 84, 97, w - 10},
        {FourCC("evbl"), "E L Button:", 10, third - 94, 114, third - 20},
        {FourCC("evbm"), "E M Button:", third + 20, 2 * third - 94, 114, 2 * third - 20},
        {FourCC("evbr"), "E R Button:", 2 * third + 20, w - 84, 114, w - 10},
        {FourCC("evmm"), "E Mouse Move:", 10, third - 94, 131, third - 20},
        {FourCC("evms"), "E Message:", third + 20, 2 * third - 94, 131, 2 * third - 20},
        {FourCC("rend"), "RenderProc:", 2 * third + 20, w - 84, 131, w - 10},
        {FourCC("flvs"), "Visible:", 10, third - 94, 156, third - 20},
        {FourCC("flip"), "Stay In Parent:", third + 20, 2 * third - 94, 156, 2 * third - 20},
        {FourCC("flgf"), "Can Get Focus:", 2 * third + 20, w - 84, 156, w - 10},
        {FourCC("flac"), "Active:", 10, third - 94, 173, third - 20},
        {FourCC("flpo"), "Prop Opacity:", third + 20, 2 * third - 94, 173, 2 * third - 20},
        {FourCC("flob"), "Opaque Blit:", 2 * third + 20, w - 84, 173, w - 10},
        {FourCC("inop"), "Opacity:", 10, third - 94, 190, third - 20},
        {FourCC("inot"), "Opac Thresh:", third + 20, 2 * third - 94, 190, 2 * third - 20},
        {FourCC("fldb"), "Direct Blit:", 2 * third + 20, w - 84, 190, w - 10},
        {FourCC("crpr"), "Client Area:", 10, 90, 215, half - 20},
        {FourCC("crbk"), "Area Backdrop:", half + 10, half + 100, 215, w - 10},
    };
    for (const sInfoRow& row : rows)
        PNU_TRY(AddInfoRow(row.id, row.caption, row.captionX, row.valueX, row.y, row.valueRight));

    return BuildListAndNote(widget);
}

eResultCode CDebugInfoWidget::AddInfoRow(uint32_t id, const char* caption, int32_t captionX, int32_t valueX,
                                         int32_t y, int32_t valueRight)
{
    auto* label = new CTxWidget();
    if (!label)
        return eNoMemory;
    (void)label->SetFontPointSize(12.0f, false, false);
    label->SetVisible(true, false);
    (void)label->SetText(gCString(caption), true, false);
    (void)label->SetPosition(captionX, y, false);
    if (AddChildOrDelete(this, label, false) != eSuccess)
        return eNoMemory;
    auto* value = new CTxWidget();
    if (!value)
        return eNoMemory;
    value->SetVisible(true, false);
    (void)value->SetFontPointSize(12.0f, false, false);
    (void)value->SetPosition(valueX, y, false);
    value->SetSizeToText(false);
    (void)value->SetSize(valueRight - valueX, 15, false);
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
    button->SetOpaqueBlit(true);
    button->SetVisible(true, false);
    (void)button->SetPosition(x, y, false);
    (void)button->SetSize(width, height, false);
    button->DisableEvents(0xFFFFFFFFu);
    button->EnableEvents(kEventLeftButton, false);
    button->SetLButtonDownCallback(OnButton, uintptr_t(this));
    button->SetColour(DarkenPanelColour(GetColour()), false);
    button->SetId(id);
    if (AddChildOrDelete(this, button, false) != eSuccess)
        return eNoMemory;
    auto* label = new CTxWidget();
    if (!label)
        return eNoMemory;
    (void)label->SetFontPointSize(12.0f, false, false);
    label->SetVisible(true, false);
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

eResultCode CDebugInfoWidget::SetLabel(uint32_t id, const std::string& text)
{
    auto* label = dynamic_cast<CTxWidget*>(FindWidgetById(id));
    if (!label)
        return eSuccess;
    gCString shown;
    PNU_TRY(MacRomanString(text, shown));
    return label->SetText(shown, true, false);
}

eResultCode CDebugInfoWidget::ShowWidgetInfo(CWidget* widget)
{
    if (!widget)
        return eSuccess;
    const uint32_t type = widget->GetTypeCode();
    const char typeText[] = {' ', char(type >> 24), char(type >> 16), char(type >> 8), char(type), 0};

    std::string directBlit = Flag(widget->GetBlitOnMove());
    if (widget->GetBlitOnMove()) {
        int32_t steps = 0;
        for (CWidget* step = widget->GetParent(); step && steps <= kMaxDepth; step = step->GetParent(), ++steps) {
            bool holds = false;
            for (int32_t i = 0; i < kEffectSlots; ++i)
                holds = holds || step->GetOverEffect(i) != nullptr;
            if (holds) {
                directBlit += "  ***";
                break;
            }
        }
    }

    CWidget* parent = widget->GetParent();
    CWidget* root = BoundedRoot(widget);
    std::string clientArea = RectText(widget->GetRect());
    if (parent) {
        gCRect own = parent->GetRect();
        parent->ParentToLocal(own);
        if (!Inside(widget->GetRect(), own))
            clientArea += "   ***";
    }
    std::string backdropArea;
    if (root) {
        gCRect area = widget->GetRect();
        widget->ParentToLocal(area);
        widget->LocalToRoot(area);
        backdropArea = RectText(area);
        if (parent && !Inside(area, root->GetRect()))
            backdropArea += "   ***";
    }

    const struct {
        uint32_t id;
        std::string text;
    } values[] = {
        {FourCC("name"), " " + widget->GetName().ToMacRoman()},
        {FourCC("rsid"), IdText(widget->GetId())},
        {FourCC("wgty"), typeText},
        {FourCC("evky"), EventText(widget, kEventKeys, {kCallbackKeyDown, kCallbackKeyUp})},
        {FourCC("evtm"), EventText(widget, kEventTimer, {kCallbackTimer})},
        {FourCC("evhb"), EventText(widget, kEventHeartbeat, {kCallbackHeartbeat})},
        {FourCC("evbl"), EventText(widget, kEventLeftButton, {kCallbackLButtonDown, kCallbackLButtonUp})},
        {FourCC("evbm"), EventText(widget, kEventMiddleButton, {kCallbackMButtonDown, kCallbackMButtonUp})},
        {FourCC("evbr"), EventText(widget, kEventRightButton, {kCallbackRButtonDown, kCallbackRButtonUp})},
        {FourCC("evmm"), EventText(widget, kEventMouseMove, {kCallbackMouseMove})},
        {FourCC("evms"), EventText(widget, kEventMessages, {kCallbackMessage})},
        {FourCC("rend"), Mark(widget, kCallbackRender)},
        {FourCC("flvs"), Flag(widget->IsVisible())},
        {FourCC("flip"), Flag(widget->GetStayInParent())},
        {FourCC("flgf"), Flag(widget->CanGetFocus())},
        {FourCC("flac"), Flag(widget->IsActive())},
        {FourCC("flpo"), Flag(widget->GetPropOpacity())},
        {FourCC("flob"), Flag(widget->GetOpaqueBlit())},
        {FourCC("inop"), " " + std::to_string(widget->GetOpacity())},
        {FourCC("inot"), " " + std::to_string(widget->GetOpacityThreshold())},
        {FourCC("fldb"), directBlit},
        {FourCC("crpr"), clientArea},
        {FourCC("crbk"), backdropArea},
    };
    for (const auto& value : values)
        PNU_TRY(SetLabel(value.id, value.text));
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
                   return !name.IsEmpty() && !upperText.IsEmpty() && UpperLetters(name).Find(upperText) >= 0;
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
    const gCString upper = UpperLetters(text);
    return RunSearch(text, [this, &upper](CWidget* root) { return FindWidgetByNameInHierarchy(root, upper, 0); });
}
