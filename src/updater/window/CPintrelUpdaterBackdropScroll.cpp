// The scroll thumb beside the status lines and the main button's hover glow.
#include "updater/window/CPintrelUpdaterBackdrop.h"

#include "app/AppGlobals.h"
#include "app/CAppBase.h"
#include "imaging/CImage.h"
#include "imaging/PartStretch.h"
#include "updater/window/PNUButtonGlow.h"
#include "widgets/CImWidget.h"
#include "widgets/CMLTableWidget.h"
#include "widgets/CWidgetEffectBase.h"

namespace {

constexpr uint32_t kThumbArt = 205;
constexpr int32_t kMinimumThumb = 10;
// The thumb keeps 5 pixels of the track free at either end.
constexpr int32_t kTrackEnds = 10;
constexpr int32_t kTrackTop = 5;

CTimeStep* Animator(CWidget* button, int32_t part)
{
    return button ? dynamic_cast<CTimeStep*>(button->GetUserObject(part)) : nullptr;
}

} // namespace

int32_t CPintrelUpdaterBackdrop::ThumbTrackLength() const
{
    CWidget* track = mScrollThumb ? mScrollThumb->GetParent() : nullptr;
    return track ? track->GetHeight() - kTrackEnds : 0;
}

eResultCode CPintrelUpdaterBackdrop::RecalcScrollThumb(bool update)
{
    if (!mScrollThumb || !mStatusTable)
        return eSuccess;
    const int32_t usable = ThumbTrackLength();
    int32_t length = mStatusTable->GetThumbLength(usable);
    if (length < kMinimumThumb)
        length = kMinimumThumb;
    if (length == usable) {
        if (mScrollThumb->IsVisible()) {
            mScrollThumb->SetVisible(false, false);
            return UpdateIf(update);
        }
        return eSuccess;
    }
    const bool wasHidden = !mScrollThumb->IsVisible();
    if (wasHidden)
        mScrollThumb->SetVisible(true, false);
    // The art is stretched again only when the thumb's picture may have changed.
    if (wasHidden || mScrollThumb->GetHeight() != length) {
        PNU_TRY(mScrollThumb->SetHeight(length, false));
        if (CImage* art = CImage::FindOrLoadById(kThumbArt, nullptr, nullptr); art && mScrollThumb->GetImage()) {
            if (StretchImageThreePart(mScrollThumb->GetImage(), art, 0, 1) == eSuccess) {
                (void)mScrollThumb->Invalidate(false);
                (void)mScrollThumb->RefreshImage(false);
            }
        }
    }
    return PositionScrollThumb(update);
}

eResultCode CPintrelUpdaterBackdrop::PositionScrollThumb(bool update)
{
    if (!mScrollThumb || !mStatusTable)
        return eSuccess;
    const int32_t y = mStatusTable->GetThumbPosition(ThumbTrackLength(), mScrollThumb->GetHeight()) + kTrackTop;
    return mScrollThumb->SetYPosition(y, update);
}

eResultCode CPintrelUpdaterBackdrop::DragThumb(CWidget* thumb, const gCPoint& press)
{
    if (!thumb || !mStatusTable || !gApplication)
        return eSuccess;
    PNU_TRY(PushModalWidget(thumb));
    gCPoint running{thumb->GetRect().left, thumb->GetRect().top};
    gCPoint last = press;
    eResultCode result = eSuccess;
    while (gApplication->IsLeftButtonDown()) {
        const gCPoint now = gApplication->GetMousePosition();
        if (now != last) {
            running += now - last;
            last = now;
            result = mStatusTable->ScrollToThumb(ThumbTrackLength(), thumb->GetHeight(), running, true);
            if (result != eSuccess)
                break;
        }
        (void)gApplication->RunHeartbeatOnce();
    }
    PopModalWidget();
    return result;
}

eResultCode CPintrelUpdaterBackdrop::DragScrollThumb(const gCPoint& press)
{
    if (!mScrollThumb || !mStatusTable || !gApplication)
        return eSuccess;
    const int32_t top = mScrollThumb->GetRect().top;
    const int32_t startY = press.y;
    while (gApplication->IsLeftButtonDown()) {
        mScrollThumb->GetLayoutValues()->y = float(top + gApplication->GetMousePosition().y - startY);
        PNU_TRY(mScrollThumb->UpdateLayout(false));
        const gCPoint corner{mScrollThumb->GetRect().left, mScrollThumb->GetRect().top};
        PNU_TRY(mStatusTable->ScrollToThumb(mStatusTable->GetHeight(), mScrollThumb->GetHeight(), corner, true));
        (void)gApplication->RunHeartbeatOnce();
    }
    return eSuccess;
}

eResultCode CPintrelUpdaterBackdrop::OnTrackPress(uintptr_t context, CWidget* track, CWidget**, const gCPoint& point)
{
    auto* backdrop = reinterpret_cast<CPintrelUpdaterBackdrop*>(context);
    if (!backdrop || !track)
        return eSuccess;
    PNU_TRY(backdrop->DragScrollThumb(track->LocalToRoot(point)));
    return backdrop->Update();
}

eResultCode CPintrelUpdaterBackdrop::ResetButtonGlow(bool update)
{
    for (int32_t part = 0; part < 2; ++part) {
        if (CTimeStep* animator = Animator(mMainButton, part))
            PNUButtonGlow::Restart(*animator);
        if (CWidgetEffectBase* glow = mMainButton ? mMainButton->GetOverEffect(part + 1) : nullptr)
            (void)glow->SetOpacity(0, false);
    }
    return UpdateIf(update);
}

eResultCode CPintrelUpdaterBackdrop::OnButtonHeartbeat(CWidget* button)
{
    CTimeStep* quit = Animator(button, PNUButtonGlow::kQuitPart);
    CTimeStep* message = Animator(button, PNUButtonGlow::kMessagePart);
    CWidgetEffectBase* glows[2] = {button ? button->GetOverEffect(1) : nullptr,
                                   button ? button->GetOverEffect(2) : nullptr};
    if (!quit || !message || !glows[0] || !glows[1])
        return eSuccess;
    const bool over = GetRolloverWidget() == button;
    int32_t x = 0;
    // The pointer is in window-content coordinates, which are the root's: one conversion.
    if (over && gApplication)
        x = button->RootToLocal(gApplication->GetMousePosition()).x;
    PNUButtonGlow::AimBoth(*quit, *message, over, x, mMessageActive != 0);
    bool changed = false;
    CTimeStep* animators[2] = {quit, message};
    for (int32_t part = 0; part < 2; ++part) {
        const int32_t opacity = PNUButtonGlow::Opacity(*animators[part]);
        if (opacity != glows[part]->GetOpacity()) {
            (void)glows[part]->SetOpacity(opacity, false);
            changed = true;
        }
    }
    return changed ? button->Update() : eSuccess;
}
