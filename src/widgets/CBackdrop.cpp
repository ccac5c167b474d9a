#include "widgets/CBackdrop.h"

#include "app/AppGlobals.h"
#include "app/CAppBase.h"
#include "app/CWindowBase.h"
#include "app/ReportError.h"
#include "core/TextEquality.h"
#include "imaging/CGradient.h"
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/PixelHookScope.h"
#include "widgets/BackdropMessages.h"

#include <algorithm>
#include <cstring>

namespace {

// Moves a rectangle of pixels inside one image (overlap allowed), clipped to the image.
void MovePixels(CImage& image, const gCRect& source, const gCPoint& offset)
{
    gCRect bounds;
    bounds.Set(0, 0, image.GetWidth(), image.GetHeight());
    gCRect from = source.Intersect(bounds);
    gCRect to = from;
    to += offset;
    to = to.Intersect(bounds);
    if (to.IsEmpty())
        return;
    void* pixels = nullptr;
    if (image.Lock(&pixels) != eSuccess || !pixels)
        return;
    auto* base = static_cast<CPixel*>(pixels);
    int32_t stride = image.GetRowStride(), width = to.right - to.left;
    int32_t rows = to.bottom - to.top;
    auto copyRow = [&](int32_t row) {
        int32_t y = to.top + row;
        std::memmove(base + ptrdiff_t(y) * stride + to.left,
                     base + ptrdiff_t(y - offset.y) * stride + (to.left - offset.x),
                     size_t(width) * sizeof(CPixel));
    };
    // Rows are walked away from the overlap.
    if (offset.y > 0)
        for (int32_t row = rows - 1; row >= 0; --row)
            copyRow(row);
    else
        for (int32_t row = 0; row < rows; ++row)
            copyRow(row);
    (void)image.Unlock();
}

} // namespace

CBackdrop::CBackdrop() { mEventMask = 0xFFFFFFFFu; }

CBackdrop::~CBackdrop()
{
    for (CWidget* widget : mRetired)
        delete widget;
    mRetired.RemoveAll();
    delete mOffscreen;
    mOffscreen = nullptr;
    if (mCursor && !mCursor->IsInPool())
        delete mCursor;
    mCursor = nullptr;
    if (mGradient && !mGradient->IsInPool())
        delete mGradient;
    mGradient = nullptr;
    if (mBackgroundImage && !mBackgroundImage->IsInPool())
        delete mBackgroundImage;
    mBackgroundImage = nullptr;
    for (sCursorEntry& entry : mCursors)
        delete entry.cursor;
    mCursors.RemoveAll();
}

void CBackdrop::SetGradient(CGradient* gradient)
{
    if (mGradient && mGradient != gradient && !mGradient->IsInPool())
        delete mGradient;
    mGradient = gradient;
    (void)InvalidateContent(false);
}

void CBackdrop::SetBackgroundImage(CImage* image)
{
    if (mBackgroundImage && mBackgroundImage != image && !mBackgroundImage->IsInPool())
        delete mBackgroundImage;
    mBackgroundImage = image;
    (void)InvalidateContent(false);
}

eResultCode CBackdrop::SetWhsbFlag(uint32_t value, bool update)
{
    if (value == mWhsb)
        return eSuccess;
    mWhsb = value;
    if (!mWindow)
        return eSuccess;
    gCPoint at = LocalToScreen(gCPoint{});
    return mWindow->SetSizeAndPosition(at.x, at.y, GetWidth(), GetHeight(), update ? 1 : 0);
}

eResultCode CBackdrop::DrawAlphaMask(CImage8* mask)
{
    if (!mask || !mask->HasPixelBuffer() || mask->IsCompressed())
        return eSuccess;
    gCRect area{0, 0, GetWidth(), GetHeight()};
    if (!ClipRect(area, gCRect{0, 0, mask->GetWidth(), mask->GetHeight()}))
        return eSuccess;
    CImNav8 navigator(mask, &area);
    if (!navigator.IsLocked())
        return eNoMemory;
    navigator.Fill(255);
    return eSuccess;
}

void CBackdrop::SetFocusChild(CWidget* child, CWidget* focused, bool notify)
{
    if (!IsVisible() || !IsActive())
        return;
    mFocusChild = child;
    if (focused == mFocusWidget)
        return;
    CWidget* previous = mFocusWidget;
    mFocusWidget = focused;
    (void)RouteFocusLost(previous);
    if (notify)
        (void)RouteFocusGained(focused);
}

void CBackdrop::ForgetWidget(const CWidget* leaving)
{
    auto within = [leaving](const CWidget* widget) {
        return widget && (widget == leaving || widget->IsDescendantOf(leaving));
    };
    if (within(mFocusWidget))
        mFocusWidget = nullptr;
    if (within(mRolloverWidget))
        mRolloverWidget = nullptr;
    for (int32_t i = mModalStack.GetSize() - 1; i >= 0; --i)
        if (within(mModalStack[i]))
            mModalStack.RemoveAt(i);
    if (within(mCursor)) {
        // Its owner deletes it: the system cursor comes back as when the cursor is cleared.
        mCursor = nullptr;
        if (gApplication)
            gApplication->ShowCursor();
    }
}

eResultCode CBackdrop::RetireWidget(CWidget* widget)
{
    if (!widget)
        return eBadParameter;
    return mRetired.Add(widget);
}

eResultCode CBackdrop::PushModalWidget(CWidget* widget)
{
    PNU_TRY(mModalStack.Add(widget));
    widget->SetModalHeartbeat(0);
    return eSuccess;
}

eResultCode CBackdrop::PushModalWidgetKeepHeartbeat(CWidget* widget)
{
    PNU_TRY(mModalStack.Add(widget));
    widget->SetModalHeartbeat(1);
    return eSuccess;
}

void CBackdrop::PopModalWidget()
{
    if (mModalStack.GetSize() > 0)
        mModalStack.RemoveAt(mModalStack.GetSize() - 1);
}

eResultCode CBackdrop::SetSize(int32_t width, int32_t height, bool update)
{
    if (!mOffscreen) {
        auto* image = new CImage(width, height, 1);
        if (!image || !image->HasPixelBuffer()) {
            delete image;
            return eNoMemory;
        }
        mOffscreen = image;
        SetVisible(true, true);
    } else {
        PNU_TRY(mOffscreen->SetSize(width, height));
    }
    mDirty.Clear();
    return CWidget::SetSize(width, height, update);
}

uint32_t CBackdrop::GetImagePixel(const gCPoint& point) const
{
    if (!mOffscreen || point.x < 0 || point.y < 0 || point.x >= GetWidth() ||
        point.y >= GetHeight() || point.x >= mOffscreen->GetWidth() ||
        point.y >= mOffscreen->GetHeight())
        return 0;
    void* pixels = nullptr;
    if (mOffscreen->Lock(&pixels) != eSuccess || !pixels)
        return 0;
    uint32_t pixel = static_cast<CPixel*>(pixels)[ptrdiff_t(point.y) * mOffscreen->GetRowStride() + point.x];
    (void)mOffscreen->Unlock();
    return pixel;
}

eResultCode CBackdrop::InvalidateArea(const gCRect& area, bool update)
{
    gCRect own;
    own.Set(0, 0, GetWidth(), GetHeight());
    gCRect clipped = area;
    eResultCode added = ClipRect(clipped, own) ? mDirty.AddRect(clipped) : eSuccess;
    return update ? Update() : added;
}

void CBackdrop::DropFrame()
{
    mWindowCopies.RemoveAll();
    mDirty.Clear();
    ++mUpdateCount;
}

eResultCode CBackdrop::RenderRect(const gCRect& rect)
{
    if (!mOffscreen)
        return eInvalidObject;
    CAlphaPixelHookScope hooks(mAlphaRendering != 0);
    gCRect out;
    PNU_TRY(RenderWidget(rect, mOffscreen, 255, out));
    if (out.IsEmpty())
        return DrawWidget(rect, mOffscreen, 255);
    // The front-most opaque widget has drawn `out` and all in front of it: only the rest of the
    // rectangle is drawn from behind.
    gCRect pieces[4];
    int32_t count = ::SubtractRect(rect, out, pieces);
    for (int32_t i = 0; i < count; ++i)
        PNU_TRY(RenderRect(pieces[i]));
    return eSuccess;
}

eResultCode CBackdrop::RenderDirtyRegion()
{
    if (!mOffscreen)
        return eInvalidObject;
    CAlphaPixelHookScope hooks(mAlphaRendering != 0);
    for (int32_t i = 0; i < mDirty.GetCount(); ++i) {
        const gCRect rect = mDirty.GetRect(i);
        eResultCode result = DrawLayerPass(rect, mOffscreen, 255);
        if (result == eSuccess)
            result = RenderRect(rect);
        if (result != eSuccess) {
            ReportError(result);
            break;
        }
    }
    ++mUpdateCount;
    return eSuccess;
}

eResultCode CBackdrop::Update()
{
    if (mUpdatesSuspended || !mWindowReady)
        return eSuccess;
    CAlphaPixelHookScope hooks(mAlphaRendering != 0);
    // Queued pixel moves go to the offscreen image as well as the window, so a later repaint
    // from the image shows the moved pixels, not the old ones.
    for (const sWindowCopy& copy : mWindowCopies)
        if (mOffscreen)
            MovePixels(*mOffscreen, copy.source, copy.offset);
    for (int32_t i = 0; i < mDirty.GetCount(); ++i) {
        const gCRect rect = mDirty.GetRect(i);
        eResultCode result = mOffscreen ? DrawLayerPass(rect, mOffscreen, 255) : eInvalidObject;
        if (result == eSuccess)
            result = RenderRect(rect);
        if (result != eSuccess) {
            ReportError(result);
            DropFrame();
            return result;
        }
        // The cursor lies over everything.
        if (mCursor)
            (void)mCursor->DrawWidget(rect, mOffscreen, 255);
    }
    if (mWindow && mOffscreen) {
        for (const sWindowCopy& copy : mWindowCopies) {
            gCRect target = copy.source;
            target += copy.offset;
            mWindow->DrawImage(*mOffscreen, target, {target.left, target.top});
        }
        for (int32_t i = 0; i < mDirty.GetCount(); ++i) {
            const gCRect& rect = mDirty.GetRect(i);
            mWindow->DrawImage(*mOffscreen, rect, {rect.left, rect.top});
        }
    }
    mWindowCopies.RemoveAll();
    mDirty.Clear();
    ++mUpdateCount;
    return eSuccess;
}

eResultCode CBackdrop::QueueWindowCopy(const gCRect& source, const gCPoint& offset)
{
    return mWindowCopies.Add({source, offset});
}

gCPoint CBackdrop::LocalToScreen(const gCPoint& point) const
{
    gCPoint origin = mWindow ? mWindow->GetContentOrigin() : gCPoint{};
    return {point.x + origin.x, point.y + origin.y};
}

gCPoint CBackdrop::ScreenToLocal(const gCPoint& point) const
{
    gCPoint origin = mWindow ? mWindow->GetContentOrigin() : gCPoint{};
    return {point.x - origin.x, point.y - origin.y};
}

eResultCode CBackdrop::SetCursor(CWidget* cursor, const gCPoint& hotspot)
{
    if (mCursor) {
        if (mCursor->IsVisible())
            (void)mCursor->Invalidate(false);
        else
            mCursor->SetVisible(true, false);
        // The cursor set again stays: deleting it here would leave the caller's widget freed.
        if (!mCursor->IsInPool() && mCursor != cursor)
            delete mCursor;
        mCursor = nullptr;
    }
    if (!cursor) {
        if (gApplication)
            gApplication->ShowCursor();
        return eSuccess;
    }
    if (gApplication)
        gApplication->HideCursor();
    mCursor = cursor;
    mCursor->SetParent(this);
    mCursorHotspot = hotspot;
    (void)mCursor->Invalidate(false);
    return UpdateCursorPosition();
}

eResultCode CBackdrop::AddCursor(CWidget* cursor, const gCPoint& hotspot)
{
    PNU_TRY(mCursors.Add({cursor, hotspot}));
    // The table owns it: SetCursor must never delete it.
    cursor->SetInPool(1);
    return eSuccess;
}

eResultCode CBackdrop::SetCursorByIndex(int32_t index)
{
    if (index < 0 || index >= mCursors.GetSize())
        return eBadParameter;
    (void)SetCursor(mCursors[index].cursor, mCursors[index].hotspot);
    return eSuccess;
}

eResultCode CBackdrop::SetCursorById(uint32_t id)
{
    for (int32_t i = 0; i < mCursors.GetSize(); ++i)
        if (mCursors[i].cursor->GetId() == id)
            return SetCursorByIndex(i);
    return eBadParameter;
}

eResultCode CBackdrop::SetCursorByName(const gCString& name)
{
    if (name.IsNull())
        return eBadParameter;
    for (int32_t i = 0; i < mCursors.GetSize(); ++i) {
        if (TextsEqual(mCursors[i].cursor->GetName(), name, eNullText::kMatchesNothing))
            return SetCursorByIndex(i);
    }
    return eBadParameter;
}

void CBackdrop::HideCursor()
{
    if (mCursor)
        mCursor->SetVisible(false, true);
    else if (gApplication)
        gApplication->HideCursor();
}

void CBackdrop::ShowCursor()
{
    if (mCursor)
        mCursor->SetVisible(true, true);
    else if (gApplication)
        gApplication->ShowCursor();
}

uint32_t CBackdrop::IsCursorVisible() const
{
    if (mCursor)
        return mCursor->IsVisible() ? 1 : 0;
    return gApplication ? gApplication->GetCursorVisibleFlag() : 1;
}

eResultCode CBackdrop::UpdateCursorPosition()
{
    if (!mWindow || !mCursor || !gApplication)
        return eSuccess;
    // Already in window-content coordinates: no second conversion.
    gCPoint point = gApplication->GetMousePosition();
    return mCursor->SetPosition({point.x - mCursorHotspot.x, point.y - mCursorHotspot.y}, true);
}

void CBackdrop::SetWidgetRollover(uint32_t on)
{
    mWidgetRollover = on;
    mRolloverWidget = nullptr;
}

void CBackdrop::UpdateRollover()
{
    if (!mWidgetRollover)
        return;
    mRolloverWidget = nullptr;
    if (!gApplication)
        return;
    gCPoint point = gApplication->GetMousePosition();
    if (CWidget* top = ModalTop())
        mRolloverWidget = top->FindWidgetAtPoint(ToModalParent(point));
    else
        mRolloverWidget = CWidget::FindWidgetAtPoint(point);
}

CWidget* CBackdrop::GetDebugRolloverWidget() const
{
    return gWidgetDebug != 0 && GetMainWindow() ? mRolloverWidget : nullptr;
}

CWidget* CBackdrop::ModalTop() const
{
    return mModalStack.GetSize() > 0 ? mModalStack[mModalStack.GetSize() - 1] : nullptr;
}

gCPoint CBackdrop::ToModalParent(const gCPoint& point) const
{
    CWidget* top = ModalTop();
    return top && top->GetParent() ? top->GetParent()->RootToLocal(point) : point;
}

uint32_t CBackdrop::DispatchMessageEvent(uint32_t message, uintptr_t p1, uintptr_t p2)
{
    if (CWidget* top = ModalTop())
        return top->DispatchMessageEvent(message, p1, p2);
    return CWidget::DispatchMessageEvent(message, p1, p2);
}

eResultCode CBackdrop::DispatchKeyDownEvent(CWidget** taker, int32_t key)
{
    if (CWidget* top = ModalTop())
        return top->DispatchKeyDownEvent(taker, key);
    return CWidget::DispatchKeyDownEvent(taker, key);
}

eResultCode CBackdrop::DispatchKeyUpEvent(CWidget** taker, int32_t key)
{
    if (CWidget* top = ModalTop())
        return top->DispatchKeyUpEvent(taker, key);
    return CWidget::DispatchKeyUpEvent(taker, key);
}

eResultCode CBackdrop::DispatchTimerEvent(CWidget** taker, int32_t value)
{
    if (CWidget* top = ModalTop())
        return top->DispatchTimerEvent(taker, value);
    return CWidget::DispatchTimerEvent(taker, value);
}

eResultCode CBackdrop::DispatchHeartbeatEvent()
{
    // No dispatch that retired a widget is still running when the next heartbeat comes.
    for (CWidget* widget : mRetired)
        delete widget;
    mRetired.RemoveAll();
    CWidget* top = ModalTop();
    if (top && !top->GetModalHeartbeat())
        return top->DispatchHeartbeatEvent();
    return CWidget::DispatchHeartbeatEvent();
}

eResultCode CBackdrop::RoutePointer(ePointerKind kind, CWidget** taker, const gCPoint& point)
{
    CWidget* top = ModalTop();
    if (!top)
        return DispatchPointer(kind, taker, point);
    gCPoint converted = ToModalParent(point);
    eResultCode result = eSuccess;
    int press = -1;
    switch (kind) {
    case ePointerKind::kMove: result = top->DispatchMouseMoveEvent(taker, converted); break;
    case ePointerKind::kLeftDown: result = top->DispatchLButtonDownEvent(taker, converted); press = 0; break;
    case ePointerKind::kLeftUp: result = top->DispatchLButtonUpEvent(taker, converted); break;
    case ePointerKind::kMiddleDown: result = top->DispatchMButtonDownEvent(taker, converted); press = 1; break;
    case ePointerKind::kMiddleUp: result = top->DispatchMButtonUpEvent(taker, converted); break;
    case ePointerKind::kRightDown: result = top->DispatchRButtonDownEvent(taker, converted); press = 2; break;
    case ePointerKind::kRightUp: result = top->DispatchRButtonUpEvent(taker, converted); break;
    }
    // A press nobody took tells the modal widget of a click outside it.
    if (press >= 0 && result == eSuccess && !*taker)
        return SendUnclaimedPress(*top, ePressButton(press), *this, converted);
    return result;
}

eResultCode CBackdrop::DispatchMouseWheelEvent(CWidget** taker, const gCPoint& delta,
                                               const gCPoint& point)
{
    if (CWidget* top = ModalTop())
        return top->DispatchMouseWheelEvent(taker, delta, ToModalParent(point));
    return CWidget::DispatchMouseWheelEvent(taker, delta, point);
}
