#include "widgets/CBackdrop.h"

#include "app/AppGlobals.h"
#include "app/CAppBase.h"
#include "app/CWindowBase.h"
#include "app/ReportError.h"
#include "imaging/CImNav.h"
#include "imaging/CImage.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kFocusGained = 0xF0000000u;
constexpr uint32_t kFocusLost = 0xF0000001u;
constexpr uint32_t kUnclaimedPress[3] = {0xF0000005u, 0xF0000006u, 0xF0000007u};

gCRect Intersection(const gCRect& a, const gCRect& b)
{
    gCRect r;
    r.Set(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom));
    if (r.left >= r.right || r.top >= r.bottom)
        return gCRect();
    return r;
}

// Adds `rect` to a list of disjoint rectangles, keeping them disjoint: only the parts of it
// that no rectangle covers yet are added (top, bottom, left, right pieces of each difference).
eResultCode AddDisjoint(gCArray<gCRect>& list, const gCRect& rect)
{
    gCArray<gCRect> pieces;
    PNU_TRY(pieces.Add(rect));
    for (const gCRect& kept : list) {
        gCArray<gCRect> next;
        for (const gCRect& piece : pieces) {
            gCRect overlap = Intersection(piece, kept);
            if (overlap.IsEmpty()) {
                PNU_TRY(next.Add(piece));
                continue;
            }
            gCRect parts[4];
            parts[0].Set(piece.left, piece.top, piece.right, overlap.top);
            parts[1].Set(piece.left, overlap.bottom, piece.right, piece.bottom);
            parts[2].Set(piece.left, overlap.top, overlap.left, overlap.bottom);
            parts[3].Set(overlap.right, overlap.top, piece.right, overlap.bottom);
            for (const gCRect& part : parts)
                if (part.left < part.right && part.top < part.bottom)
                    PNU_TRY(next.Add(part));
        }
        pieces.RemoveAll();
        PNU_TRY(pieces.Copy(next));
    }
    // Room first, so a failure leaves the list as it was.
    int32_t size = list.GetSize();
    PNU_TRY(list.SetSize(size + pieces.GetSize()));
    for (int32_t i = 0; i < pieces.GetSize(); ++i)
        list[size + i] = pieces[i];
    return eSuccess;
}

// Moves a rectangle of pixels inside one image (overlap allowed), clipped to the image.
void MovePixels(CImage& image, const gCRect& source, const gCPoint& offset)
{
    gCRect bounds;
    bounds.Set(0, 0, image.GetWidth(), image.GetHeight());
    gCRect from = Intersection(source, bounds);
    gCRect to = from;
    to += offset;
    to = Intersection(to, bounds);
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
    delete mOffscreen;
    mOffscreen = nullptr;
    if (mCursor && !mCursor->IsInPool())
        delete mCursor;
    mCursor = nullptr;
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
    if (!gApplication)
        return;
    (void)gApplication->RouteMessage(kFocusLost, uintptr_t(previous), 0);
    if (notify)
        (void)gApplication->RouteMessage(kFocusGained, uintptr_t(focused), 0);
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
    mDirty.RemoveAll();
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
    gCRect clipped = Intersection(area, own);
    eResultCode added = clipped.IsEmpty() ? eSuccess : AddDisjoint(mDirty, clipped);
    return update ? Update() : added;
}

void CBackdrop::DropFrame()
{
    mWindowCopies.RemoveAll();
    mDirty.RemoveAll();
    ++mUpdateCount;
}

eResultCode CBackdrop::RenderRect(const gCRect& rect)
{
    if (!mOffscreen)
        return eInvalidObject;
    return DrawWidget(rect, mOffscreen, 255);
}

eResultCode CBackdrop::Update()
{
    if (mUpdatesSuspended || !mWindowReady)
        return eSuccess;
    // Queued pixel moves go to the offscreen image as well as the window, so a later repaint
    // from the image shows the moved pixels, not the old ones.
    for (const sWindowCopy& copy : mWindowCopies)
        if (mOffscreen)
            MovePixels(*mOffscreen, copy.source, copy.offset);
    for (const gCRect& rect : mDirty) {
        eResultCode result = RenderRect(rect);
        if (result != eSuccess) {
            ReportError(result);
            DropFrame();
            return result;
        }
        if (mCursor && mOffscreen)
            (void)mCursor->DrawWidget(rect - gCPoint{mCursor->GetRect().left, mCursor->GetRect().top},
                                      mOffscreen, 255);
    }
    if (mWindow && mOffscreen) {
        for (const sWindowCopy& copy : mWindowCopies) {
            gCRect target = copy.source;
            target += copy.offset;
            mWindow->DrawImage(*mOffscreen, target, {target.left, target.top});
        }
        for (const gCRect& rect : mDirty)
            mWindow->DrawImage(*mOffscreen, rect, {rect.left, rect.top});
    }
    mWindowCopies.RemoveAll();
    mDirty.RemoveAll();
    ++mUpdateCount;
    return eSuccess;
}

eResultCode CBackdrop::QueueWindowCopy(const gCRect& source, const gCPoint& offset)
{
    return mWindowCopies.Add({source, offset});
}

eResultCode CBackdrop::Paint(const gCRect& area, CImage* target, int32_t)
{
    CImNav navigator(target, &area);
    if (!navigator.IsLocked())
        return eSuccess;
    CPixel colour = mBackgroundColour | kPixelAlphaMask;
    navigator.Fill(&colour);
    return eSuccess;
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
        if (!mCursor->IsInPool())
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
    return TrackCursorWidget();
}

void CBackdrop::HideCursorWidget()
{
    if (mCursor)
        mCursor->SetVisible(false, true);
    else if (gApplication)
        gApplication->HideCursor();
}

void CBackdrop::ShowCursorWidget()
{
    if (mCursor)
        mCursor->SetVisible(true, true);
    else if (gApplication)
        gApplication->ShowCursor();
}

uint32_t CBackdrop::IsCursorWidgetShown() const
{
    if (mCursor)
        return mCursor->IsVisible() ? 1 : 0;
    return gApplication ? gApplication->GetCursorVisibleFlag() : 1;
}

eResultCode CBackdrop::TrackCursorWidget()
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

void CBackdrop::TrackMouseOver()
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
    CWidget* top = ModalTop();
    if (top && !top->GetModalHeartbeat())
        return top->DispatchHeartbeatEvent();
    return CWidget::DispatchHeartbeatEvent();
}

eResultCode CBackdrop::ModalPointer(ePointerKind kind, CWidget** taker, const gCPoint& point)
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
        return eResultCode(top->DispatchMessageEvent(kUnclaimedPress[press], uintptr_t(this),
                                                     uintptr_t(&converted)));
    return result;
}

eResultCode CBackdrop::DispatchMouseMoveEvent(CWidget** taker, const gCPoint& point)
{
    return ModalPointer(ePointerKind::kMove, taker, point);
}
eResultCode CBackdrop::DispatchLButtonDownEvent(CWidget** taker, const gCPoint& point)
{
    return ModalPointer(ePointerKind::kLeftDown, taker, point);
}
eResultCode CBackdrop::DispatchLButtonUpEvent(CWidget** taker, const gCPoint& point)
{
    return ModalPointer(ePointerKind::kLeftUp, taker, point);
}
eResultCode CBackdrop::DispatchMButtonDownEvent(CWidget** taker, const gCPoint& point)
{
    return ModalPointer(ePointerKind::kMiddleDown, taker, point);
}
eResultCode CBackdrop::DispatchMButtonUpEvent(CWidget** taker, const gCPoint& point)
{
    return ModalPointer(ePointerKind::kMiddleUp, taker, point);
}
eResultCode CBackdrop::DispatchRButtonDownEvent(CWidget** taker, const gCPoint& point)
{
    return ModalPointer(ePointerKind::kRightDown, taker, point);
}
eResultCode CBackdrop::DispatchRButtonUpEvent(CWidget** taker, const gCPoint& point)
{
    return ModalPointer(ePointerKind::kRightUp, taker, point);
}

eResultCode CBackdrop::DispatchMouseWheelEvent(CWidget** taker, const gCPoint& delta,
                                               const gCPoint& point)
{
    if (CWidget* top = ModalTop())
        return top->DispatchMouseWheelEvent(taker, delta, ToModalParent(point));
    return CWidget::DispatchMouseWheelEvent(taker, delta, point);
}
