// Completing the updater window after its tree is loaded: the art stretched over the frames, the
// glow layers and callbacks of the main button, the texts of the chosen language, the progress
// bar and the status table.
#include "updater/window/CPintrelUpdaterBackdrop.h"

#include "app/AppGlobals.h"
#include "app/CWindowBase.h"
#include "core/FourCharCode.h"
#include "imaging/CGradient.h"
#include "imaging/CImage.h"
#include "imaging/PartStretch.h"
#include "updater/window/PNUButtonGlow.h"
#include "updater/window/PNUMainButton.h"
#include "updater/PNUMessages.h"
#include "updater/PNUTexts.h"
#include "widgets/CImWidget.h"
#include "widgets/CMLTableWidget.h"
#include "widgets/CTxWidget.h"
#include "widgets/CWidgetEffectGradient.h"

namespace {

enum : uint32_t {
    kBackgroundId = 5,
    kStatusFrameId = 200,
    kStatusPanelId = 201,
    kScrollTrackId = 202,
    kScrollThumbId = 204,
    kMainButtonId = 300,
    kMessagePanelId = 310,
    kMessageTextId = 311,
    kButtonCaptionId = 313,
    kTitleId = 400,
    kWebLinkId = 401,
    kWebUnderlineId = 402,
    kVersionId = 405,
    kProgressPanelId = 500,
    kProgressLabelId = 502,
    kPercentId = 503,
    kProgressBarId = 504,
};

enum : uint32_t {
    kFrameArt = 100,
    kPanelArt = 106,
    kTrackArt = 203,
    kThumbArt = 205,
};

constexpr uint32_t kStatusTableCode = FourCharCode("tabl");
// The language block whose button caption is too long for the usual size: the third, French.
constexpr uint32_t kSmallCaptionLanguageBase = kFirstLanguageBlock + 2 * kLanguageBlockSize;

CImage* FindArt(uint32_t id) { return CImage::FindOrLoadById(id, nullptr, nullptr); }

// Stretches the art into the widget's own picture; true when the picture changed.
bool StretchArt(CImWidget* widget, CImage* art, bool ninePart)
{
    if (!widget || !art || !widget->GetImage())
        return false;
    eResultCode stretched = ninePart ? StretchImageNinePart(widget->GetImage(), art, 1)
                                     : StretchImageThreePart(widget->GetImage(), art, 0, 1);
    if (stretched != eSuccess)
        return false;
    (void)widget->RefreshImage(false);
    (void)widget->Invalidate(false);
    return true;
}

eResultCode ButtonHeartbeat(uintptr_t context, CWidget* button)
{
    auto* backdrop = reinterpret_cast<CPintrelUpdaterBackdrop*>(context);
    return backdrop ? backdrop->OnButtonHeartbeat(button) : eSuccess;
}

eResultCode MainButtonDown(uintptr_t context, CWidget* button, CWidget** taker, const gCPoint& point)
{
    return OnMainButton(reinterpret_cast<CPintrelUpdaterBackdrop*>(context), button, taker, point);
}

eResultCode ThumbDown(uintptr_t context, CWidget* thumb, CWidget** taker, const gCPoint& point)
{
    if (taker)
        *taker = thumb;
    auto* backdrop = reinterpret_cast<CPintrelUpdaterBackdrop*>(context);
    return backdrop && thumb ? backdrop->DragThumb(thumb, thumb->LocalToRoot(point)) : eSuccess;
}

eResultCode WebLinkDown(uintptr_t context, CWidget* link, CWidget** taker, const gCPoint&)
{
    if (taker)
        *taker = link;
    auto* backdrop = reinterpret_cast<CPintrelUpdaterBackdrop*>(context);
    return backdrop ? backdrop->OpenWebPage() : eSuccess;
}

// Centres the widget on x, keeping its y.
void CentreOn(CWidget* widget, int32_t x)
{
    if (widget)
        (void)widget->SetXPosition(x - widget->GetWidth() / 2, false);
}

} // namespace

void CPintrelUpdaterBackdrop::SetTextOf(CTxWidget* widget, const gCString& text)
{
    if (widget)
        (void)widget->SetText(text, true, false);
}

void CPintrelUpdaterBackdrop::BuildBackground()
{
    CWidget* background = FindWidgetById(kBackgroundId);
    if (!background)
        return;
    auto* effect = new CWidgetEffectGradient();
    CGradient* gradient = CGradient::CreateFromName(gCString("PNU_BackGrad"), nullptr, nullptr);
    if (!gradient) {
        delete effect;
        return;
    }
    effect->GetGradient() = *gradient;
    delete gradient;
    if (background->AttachMiddleEffect(effect, 0, false) == eSuccess)
        return;
    // A refresh that fails leaves the effect in the widget's list: it goes through the widget.
    if (background->GetMiddleEffect(0) == effect)
        background->RemoveMiddleEffect(0);
    else
        delete effect;
}

void CPintrelUpdaterBackdrop::BuildStatusArea()
{
    auto* frame = FindWidgetOfClass<CImWidget>(kStatusFrameId);
    if (!frame)
        return;
    if (!StretchArt(frame, FindArt(kFrameArt), true))
        frame->SetVisible(false, false);
    if (auto* panel = dynamic_cast<CImWidget*>(frame->FindWidgetById(kStatusPanelId))) {
        CImage* art = FindArt(kPanelArt);
        if (!art)
            panel->SetOpacity(0, false);
        else
            (void)StretchArt(panel, art, true);
    }
    auto* track = dynamic_cast<CImWidget*>(frame->FindWidgetById(kScrollTrackId));
    if (!track)
        return;
    (void)StretchArt(track, FindArt(kTrackArt), false);
    mScrollThumb = dynamic_cast<CImWidget*>(track->FindWidgetById(kScrollThumbId));
    if (mScrollThumb && mScrollThumb != track) {
        mScrollThumb->SetLButtonDownCallback(ThumbDown, reinterpret_cast<uintptr_t>(this));
        (void)FindArt(kThumbArt);
    } else {
        mScrollThumb = nullptr;
    }
}

eResultCode CPintrelUpdaterBackdrop::BuildMainButton()
{
    mMainButton = FindWidgetById(kMainButtonId);
    if (!mMainButton || mMainButton == this) {
        mMainButton = nullptr;
        return eCreateFailed;
    }
    mMainButton->SetLButtonDownCallback(MainButtonDown, reinterpret_cast<uintptr_t>(this));
    mMainButton->SetHeartbeatCallback(ButtonHeartbeat, reinterpret_cast<uintptr_t>(this));
    for (int32_t part = 0; part < 2; ++part) {
        CTimeStep* animator = PNUButtonGlow::NewAnimator();
        if (!animator)
            return eCreateFailed;
        if (!mMainButton->SetUserObject(part, animator)) {
            delete animator;
            return eCreateFailed;
        }
    }
    (void)StretchArt(dynamic_cast<CImWidget*>(mMainButton), FindArt(kFrameArt), true);

    // Each glow layer is covered over the other part, so it lights only its own.
    const int32_t width = mMainButton->GetWidth();
    const int32_t height = mMainButton->GetHeight();
    const gCRect covered[2] = {{0, 0, PNUButtonGlow::kSplitX, height}, {PNUButtonGlow::kSplitX, 0, width, height}};
    for (int32_t part = 0; part < 2; ++part) {
        auto* glow = dynamic_cast<CWidgetEffectGradient*>(mMainButton->GetOverEffect(part + 1));
        if (!glow)
            return eResourceNotFound;
        glow->SetBlendMode(1);
        PNU_TRY(mMainButton->RefreshEffect(glow, false));
        glow->ClearRegion(false);
        PNU_TRY(glow->AddRect(covered[part], false));
    }
    return eSuccess;
}

void CPintrelUpdaterBackdrop::BuildTexts()
{
    if (CWidget* panel = FindWidgetById(kMessagePanelId))
        mMessageText = dynamic_cast<CTxWidget*>(panel->FindWidgetById(kMessageTextId));
    SetTextOf(mMessageText, GetTranslatedText(kTextClickToCheck));
    auto* caption = dynamic_cast<CTxWidget*>(mMainButton->FindWidgetById(kButtonCaptionId));
    SetTextOf(caption, GetTranslatedText(kTextQuit));
    if (caption && gLanguageBaseId == kSmallCaptionLanguageBase)
        (void)caption->SetFontPointSize(18.0f, true, false);

    CWidget* title = FindWidgetById(kTitleId);
    CentreOn(title, 165);
    CWidget* link = FindWidgetById(kWebLinkId);
    if (link && link != this) {
        CentreOn(link, 165);
        link->SetLButtonDownCallback(WebLinkDown, reinterpret_cast<uintptr_t>(this));
        if (CWidget* underline = FindWidgetById(kWebUnderlineId)) {
            (void)underline->SetWidth(link->GetWidth(), false);
            (void)underline->SetPosition(link->GetRect().left, link->GetRect().bottom - 2, false);
        }
    }
    if (auto* version = FindWidgetOfClass<CTxWidget>(kVersionId)) {
        SetTextOf(version, GetUntranslatedText(kTextProductName) + GetTranslatedText(kTextUpdater)
                               + GetUntranslatedText(kTextUpdaterVersion));
        CentreOn(version, 475);
    }
}

eResultCode CPintrelUpdaterBackdrop::BuildProgress()
{
    mProgressPanel = FindWidgetById(kProgressPanelId);
    if (!mProgressPanel || mProgressPanel == this)
        return eSuccess;
    SetTextOf(dynamic_cast<CTxWidget*>(mProgressPanel->FindWidgetById(kProgressLabelId)),
              GetTranslatedText(kTextDownloadProgress));
    mPercentText = FindWidgetOfClass<CTxWidget>(kPercentId);
    mProgressBar = mProgressPanel->FindWidgetById(kProgressBarId);
    auto* effect = mProgressBar ? dynamic_cast<CWidgetEffectGradient*>(mProgressBar->GetOverEffect(0)) : nullptr;
    if (!effect) {
        mProgressBar = nullptr;
        return eResourceNotFound;
    }
    effect->SetBlendMode(1);
    PNU_TRY(mProgressBar->RefreshEffect(effect, false));
    // Covered whole, in the bar's own coordinates, until the first progress report.
    effect->ClearRegion(false);
    return effect->AddRect(gCRect{0, 0, mProgressBar->GetWidth(), mProgressBar->GetHeight()}, false);
}

eResultCode CPintrelUpdaterBackdrop::BuildStatusTable()
{
    auto* panel = FindWidgetOfClass<CWidget>(kStatusPanelId);
    if (!panel)
        return eSuccess;
    auto* table = new CMLTableWidget();
    // Like the button's animators, a table that cannot be made is an object not created.
    if (!table)
        return eCreateFailed;
    table->SetId(kStatusTableCode);
    sLayoutValues& layout = *table->GetLayoutValues();
    layout.x = 10.0f;
    layout.y = 0.0f;
    layout.width = 20.0f;
    layout.widthFarSide = 1;
    layout.height = 1.0f;
    layout.heightRelative = 1;
    table->SetVisible(true, false);
    const CPixel transparent = 0x00FFFFFFu;
    table->SetColour(transparent, false);
    (void)table->SetEvenRowColour(&transparent, false);
    (void)table->SetTextShadow(false);
    table->mListener = this;
    table->mCommandMode = 1;
    if (eResultCode added = panel->AddChild(table, false); added != eSuccess) {
        delete table;
        return added;
    }
    mStatusTable = table;
    // Hovering and the wheel reach the table only through its ancestors.
    table->EnableEvents(kEventLeftButton | kEventHeartbeat | kEventWheel, true);
    CTextRenderer renderer;
    table->GetTextRenderer(renderer);
    renderer.mPointSize = 12.0f;
    PNU_TRY(table->SetTextRenderer(renderer, false));
    uint32_t black = kStatusBlack;
    (void)AddStatusLine(GetTranslatedText(kTextReady), &black, false);
    return eSuccess;
}

eResultCode CPintrelUpdaterBackdrop::BuildWidgets()
{
    BuildBackground();
    BuildStatusArea();
    PNU_TRY(BuildMainButton());
    BuildTexts();
    PNU_TRY(BuildProgress());
    PNU_TRY(BuildStatusTable());
    if (gMainWindow)
        mSavedWindowBounds = gMainWindow->GetBounds();
    // Escape reaches the window's own key handler.
    EnableEvents(kEventKeys, false);
    return eSuccess;
}
