#include "widgets/CWidgetEffectShadow.h"

#include "core/ReadiedOrNull.h"
#include "imaging/Blur.h"
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/CRLE8.h"
#include "imaging/PixelCompositing.h"
#include "widgets/CBackdrop.h"
#include "widgets/CWidget.h"
#include "widgets/CWidgetEffectLayerShadow.h"
#include "widgets/EffectPixels.h"

#include <algorithm>
#include <cmath>

int32_t CWidgetEffectShadow::sLayerShadowCount = 0;

namespace {

// Creates the mask when there is none.
eResultCode MakeMask(CRLE8*& mask)
{
    if (!mask)
        mask = new CRLE8();
    return mask ? eSuccess : eNoMemory;
}

// The part of the whole work image (the owner grown by g) that what can show samples once moved
// by the offset, with room for the blur's reach; empty when nothing can show.
gCRect SampledRegion(const gCRect& whole, const gCRect& visible, const gCPoint& offset, int32_t g)
{
    const int64_t reach = 2 * int64_t(g) + 2;
    gCRect wanted = visible;
    ShiftRectClamped(wanted, int64_t(g) - offset.x, int64_t(g) - offset.y);
    wanted.Set(int32_t(std::max<int64_t>(int64_t(wanted.left) - reach, INT32_MIN)),
               int32_t(std::max<int64_t>(int64_t(wanted.top) - reach, INT32_MIN)),
               int32_t(std::min<int64_t>(int64_t(wanted.right) + reach, INT32_MAX)),
               int32_t(std::min<int64_t>(int64_t(wanted.bottom) + reach, INT32_MAX)));
    gCRect region = whole;
    if (visible.IsEmpty() || !ClipRect(region, wanted))
        region = gCRect();
    return region;
}

// Lays the owner's w x h shape over the work image with shape pixel (x, y) at (x + dx, y + dy):
// step(work word, shape pixel) for every shape pixel that lands inside.
template <typename Step>
eResultCode OverlayShape(CImage& work, CImage* shape, int64_t dx, int64_t dy, int32_t w, int32_t h, Step step)
{
    CImNav to(&work, nullptr);
    CImNav from(shape, nullptr);
    if (!to.IsLocked() || !from.IsLocked())
        return eNoMemory;
    const int64_t y0 = std::max<int64_t>(-dy, 0), y1 = std::min<int64_t>({h, from.GetHeight(), to.GetHeight() - dy});
    const int64_t x0 = std::max<int64_t>(-dx, 0), x1 = std::min<int64_t>({w, from.GetWidth(), to.GetWidth() - dx});
    for (int64_t y = y0; y < y1; ++y)
        for (int64_t x = x0; x < x1; ++x)
            step(to.Row(int32_t(y + dy))[x + dx], from.Row(int32_t(y))[x]);
    return eSuccess;
}

// The shape's alpha into the work region, 257 per step of the byte: shape pixel (x, y) stands at
// (x + g, y + g) of the whole work image.
eResultCode ReadShapeAlpha(CImage& work, CImage* shape, const gCRect& region, int32_t g, int32_t w, int32_t h)
{
    return OverlayShape(work, shape, int64_t(g) - region.left, int64_t(g) - region.top, w, h,
                        [](CPixel& word, CPixel pixel) { word = (pixel >> 24) * 257u; });
}

// Takes the owner's own shape, moved back by the offset, out of the blurred work region: only the
// shadow beside the owner stays.
eResultCode CutOutShape(CImage& work, CImage* shape, const gCRect& region, const gCPoint& offset, int32_t g,
                        int32_t w, int32_t h)
{
    return OverlayShape(work, shape, int64_t(g) - offset.x - region.left, int64_t(g) - offset.y - region.top, w, h,
                        [](CPixel& word, CPixel pixel) {
                            word = uint32_t((uint64_t(word) * (256u - (pixel >> 24))) >> 8);
                        });
}

} // namespace

CWidgetEffectShadow::CWidgetEffectShadow() : CWidgetEffectSoftEdge(7.0f, gCPoint{8, 8})
{
    mOpacity = 200;
}

CWidgetEffectShadow::~CWidgetEffectShadow()
{
    delete mBlurredMask;
    delete mShapeMask;
}

eResultCode CWidgetEffectShadow::AddLayerId(uint32_t id, bool update)
{
    int32_t step = std::clamp(mLayerIds.GetSize() / 4, 8, 2048);
    PNU_TRY(mLayerIds.SetSize(mLayerIds.GetSize() + 1, step));
    mLayerIds[mLayerIds.GetSize() - 1] = id;
    if (mOwner)
        return mOwner->Invalidate(update);
    return eSuccess;
}

void CWidgetEffectShadow::RemoveLayerId(uint32_t id, bool update)
{
    for (int32_t i = mLayerIds.GetSize() - 1; i >= 0; --i)
        if (mLayerIds[i] == id)
            mLayerIds.RemoveAt(i);
    if (mOwner)
        (void)mOwner->Invalidate(update);
}

eResultCode CWidgetEffectShadow::BuildFalloffTables(int32_t width, int32_t height)
{
    if (width < 1 || height < 1)
        return eSuccess;
    // The tables span the shadow's rect: sized from the widget and the radius, so held to the
    // same limit as a work image of that rect.
    if (!WorkImageFits(width, height))
        return eNoMemory;
    PNU_TRY(mXFalloff.SetSize(width));
    PNU_TRY(mYFalloff.SetSize(height));
    const float n = 3.5f * mRadius;
    const float step = n > 0.5f ? 3.5f / n : 7.0f;
    auto fill = [&](gCArray<float>& table, int32_t size) {
        int32_t k = std::min<int64_t>(RoundHalfAway(std::min(n, 1.0e9f)), (int64_t(size) + 1) / 2);
        for (int32_t i = 0; i < size; ++i)
            table[i] = 1.0f;
        for (int32_t i = 0; i < k; ++i) {
            float d = float(i) * step;
            float v = std::exp(-0.5f * d * d);
            table[k - 1 - i] = v;
            table[size - k + i] = v;
        }
    };
    fill(mXFalloff, width);
    fill(mYFalloff, height);
    return eSuccess;
}

void CWidgetEffectShadow::PlaceRect(int32_t w, int32_t h)
{
    ShiftRectClamped(mRect, mOffset.x, mOffset.y);
    if (mClipToRect) {
        gCRect inside{0, 0, w, h};
        if (!ClipRect(mRect, inside))
            mRect = gCRect();
    }
}

CRLE8* CWidgetEffectShadow::GetShapeMask()
{
    if (mShapeMask || !KeepsShapeMask() || !mOwner)
        return mShapeMask;
    int32_t w = mOwner->GetWidth(), h = mOwner->GetHeight();
    if (w <= 0 || h <= 0)
        return nullptr;
    CImage8 coverage;
    if (!WorkImageFits(w, h) || coverage.SetSize(w, h) != eSuccess || mOwner->DrawAlphaMask(&coverage) != eSuccess)
        return nullptr;
    CRLE8* mask = ReadiedOrNull(new CRLE8(), [&](CRLE8& made) { return made.EncodeImage(&coverage); });
    if (!mask)
        return nullptr;
    mShapeMask = mask;
    return mShapeMask;
}

eResultCode CWidgetEffectShadow::Refresh()
{
    if (!mOwner)
        return eSuccess;
    const int32_t w = mOwner->GetWidth(), h = mOwner->GetHeight();
    if (w <= 0 || h <= 0)
        return eSuccess;
    const int32_t g = BlurMargin(mRadius);
    if (int64_t(w) + 2 * int64_t(g) > INT32_MAX || int64_t(h) + 2 * int64_t(g) > INT32_MAX)
        return eNoMemory;
    mRect.Set(-g, -g, w + g, h + g);
    if (KeepsShapeMask()) {
        PNU_TRY(MakeMask(mShapeMask));
        if (!WorkImageFits(w, h))
            return eNoMemory;
        CImage8 full;
        PNU_TRY(full.SetSize(w, h));
        {
            CImNav8 fill(&full, nullptr);
            if (!fill.IsLocked())
                return eNoMemory;
            fill.Fill(255);
        }
        PNU_TRY(mShapeMask->EncodeImage(&full));
        PNU_TRY(OnDescendantChanged(mOwner, mOwner->GetRect()));
    } else {
        delete mShapeMask;
        mShapeMask = nullptr;
    }
    delete mBlurredMask;
    mBlurredMask = nullptr;
    mMaskOrigin = gCPoint{};
    mMaskPartial = 0;
    PNU_TRY(BuildFalloffTables(w + 2 * g, h + 2 * g));
    PlaceRect(w, h);
    return eSuccess;
}

eResultCode CWidgetEffectShadow::RefreshWithMask(CImage* shape)
{
    if (!shape || !mOwner || mOwner->GetOpaqueBlit())
        return Refresh();
    const int32_t w = mOwner->GetWidth(), h = mOwner->GetHeight();
    if (w <= 0 || h <= 0)
        return eSuccess;
    const int32_t g = BlurMargin(mRadius);
    const int64_t fullWidth = int64_t(w) + 2 * int64_t(g), fullHeight = int64_t(h) + 2 * int64_t(g);
    if (!WorkImageFits(fullWidth, fullHeight))
        return eNoMemory;
    mRect.Set(-g, -g, w + g, h + g);
    PlaceRect(w, h);
    // Only the part of the work image that what can show samples is built: a shape declared far
    // larger than its window would otherwise be blurred whole. The layer's shape mask needs the
    // whole shape.
    const gCRect whole{0, 0, int32_t(fullWidth), int32_t(fullHeight)};
    const gCRect visible = VisibleOwnerArea(mRect);
    const gCRect region = KeepsShapeMask() ? whole : SampledRegion(whole, visible, mOffset, g);
    mMaskOrigin = gCPoint{region.left, region.top};
    mMaskVisible = visible;
    mMaskOffset = mOffset;
    mMaskPartial = region != whole ? 1 : 0;
    if (region.IsEmpty()) {
        // Nothing of it can show: an empty mask, so nothing is drawn until what can show changes.
        delete mBlurredMask;
        mBlurredMask = new CRLE8();
        return mBlurredMask ? eSuccess : eNoMemory;
    }
    PNU_TRY(MakeMask(mBlurredMask));
    CImage work;
    PNU_TRY(work.SetSize(region.right - region.left, region.bottom - region.top));
    PNU_TRY(ReadShapeAlpha(work, shape, region, g, w, h));
    PNU_TRY(KeepShapeFromWork(work, g, w, h));
    if (BlurImage(&work, mRadius, 0) == 0)
        return eNoMemory;
    if (mClipToShape)
        PNU_TRY(CutOutShape(work, shape, region, mOffset, g, w, h));
    return mBlurredMask->EncodeImageChannel(&work, 0);
}

eResultCode CWidgetEffectShadow::KeepShapeFromWork(CImage& work, int32_t g, int32_t w, int32_t h)
{
    if (!KeepsShapeMask()) {
        delete mShapeMask;
        mShapeMask = nullptr;
        return eSuccess;
    }
    PNU_TRY(MakeMask(mShapeMask));
    gCRect inner{g, g, g + w, g + h};
    CImNav innerArea(&work, &inner);
    PNU_TRY(mShapeMask->EncodeChannel(innerArea, 0));
    innerArea.Unlock();
    return OnDescendantChanged(mOwner, mOwner->GetRect());
}

eResultCode CWidgetEffectShadow::KeepMaskCurrent()
{
    // What can show changed (a window or an ancestor grew, the owner moved, the offset changed):
    // the owner hands its shape again and the part now needed is built.
    if (!mBlurredMask || !mMaskPartial || !mOwner)
        return eSuccess;
    if (VisibleOwnerArea(mRect) == mMaskVisible && mOffset == mMaskOffset)
        return eSuccess;
    return mOwner->RefreshEffect(this, false);
}

eResultCode CWidgetEffectShadow::SetOffset(const gCPoint& offset, bool update)
{
    ShiftRectClamped(mRect, int64_t(offset.x) - mOffset.x, int64_t(offset.y) - mOffset.y);
    mOffset = offset;
    if (mOwner)
        return mOwner->Invalidate(update);
    return eSuccess;
}

eResultCode CWidgetEffectShadow::Draw(const gCRect& area, CImage* target, uint32_t alpha)
{
    if (alpha == 0 || mLayerMode)
        return eSuccess;
    PNU_TRY(KeepMaskCurrent());
    if (mLayerIds.GetSize() == 0)
        return DrawShadow(area, target, alpha, nullptr);
    // Shadows cast from other widgets' layers draw only in the pass whose layer rendering marked
    // them current (the backdrop's update count numbers the passes).
    auto* backdrop = mOwner ? dynamic_cast<CBackdrop*>(mOwner->GetRootWidget()) : nullptr;
    if (!backdrop || mMarkedPass != int32_t(backdrop->GetUpdateCount()))
        return eSuccess;
    const gCPoint ownerAt = mOwner->LocalToRoot(gCPoint{0, 0});
    for (int32_t i = 0; i < mLayerIds.GetSize(); ++i) {
        CWidget* ancestor = mOwner->FindAncestorById(mLayerIds[i]);
        if (!ancestor)
            continue;
        const gCPoint offset = ownerAt - ancestor->LocalToRoot(gCPoint{0, 0});
        for (int32_t k = 0; k < CWidget::kEffectSlots; ++k) {
            auto* layerShadow = dynamic_cast<CWidgetEffectLayerShadow*>(ancestor->GetMiddleEffect(k));
            CImage8* layer = layerShadow ? layerShadow->GetLayerImage() : nullptr;
            if (!layer || !layer->HasPixelBuffer())
                continue;
            const gCPoint saved = layer->GetOrigin();
            layer->SetOrigin(offset);
            eResultCode result = DrawShadow(area, target, alpha, layer);
            layer->SetOrigin(saved);
            PNU_TRY(result);
        }
    }
    return eSuccess;
}

namespace {

// The layer byte under a target pixel; 0 outside the layer.
uint32_t LayerAt(const CImNav8* layer, const gCRect& extent, int32_t x, int32_t y)
{
    if (x < extent.left || y < extent.top || x >= extent.right || y >= extent.bottom)
        return 0;
    return layer->Row(y - extent.top)[x - extent.left];
}

} // namespace

void CWidgetEffectShadow::DrawFromTables(CImNav& destination, const gCRect& local, uint32_t k,
                                         const CImage8* layer)
{
    const int32_t g = BlurMargin(mRadius);
    const int32_t xs = mXFalloff.GetSize(), ys = mYFalloff.GetSize();
    CImNav8 layerNav(const_cast<CImage8*>(layer), nullptr);
    gCRect extent;
    if (layer) {
        extent.Set(-layer->GetOrigin().x, -layer->GetOrigin().y, layer->GetWidth() - layer->GetOrigin().x,
                   layer->GetHeight() - layer->GetOrigin().y);
    }
    const gCRect& target = local;
    for (int32_t y = target.top; y < target.bottom; ++y) {
        int64_t ty = int64_t(y) + g - mOffset.y;
        float wy = ty >= 0 && ty < ys ? mYFalloff[int32_t(ty)] : 0.0f;
        CPixel* row = destination.Row(y - target.top);
        for (int32_t x = target.left; x < target.right; ++x) {
            int64_t tx = int64_t(x) + g - mOffset.x;
            float wx = tx >= 0 && tx < xs ? mXFalloff[int32_t(tx)] : 0.0f;
            int32_t a;
            if (layer && layerNav.IsLocked())
                a = RoundHalfAway(float(k) * wy / 255.0f * wx * float(LayerAt(&layerNav, extent, x, y)));
            else
                a = RoundHalfAway(float(k) * wy * wx);
            a = std::clamp(a, 0, 255);
            CPixel c = (mColour & 0x00FFFFFFu) | (uint32_t(a) << 24);
            gBlendPixelHook(row + (x - target.left), &c);
        }
    }
}

void CWidgetEffectShadow::DrawFromMask(CImNav& destination, const gCRect& local, uint32_t k,
                                       const CImage8* layer)
{
    const int32_t g = BlurMargin(mRadius);
    CImNav8 layerNav(const_cast<CImage8*>(layer), nullptr);
    gCRect extent;
    if (layer) {
        extent.Set(-layer->GetOrigin().x, -layer->GetOrigin().y, layer->GetWidth() - layer->GetOrigin().x,
                   layer->GetHeight() - layer->GetOrigin().y);
    }
    const CPixel colour = mColour;
    const int32_t mw = mBlurredMask->GetWidth(), mh = mBlurredMask->GetHeight();
    for (int32_t y = local.top; y < local.bottom; ++y) {
        int64_t my = int64_t(y) + g - mOffset.y - mMaskOrigin.y;
        int64_t mx0 = int64_t(local.left) + g - mOffset.x - mMaskOrigin.x;
        bool rowInside = my >= 0 && my < mh;
        if (rowInside)
            mBlurredMask->Seek(int32_t(std::clamp<int64_t>(mx0, 0, mw)), int32_t(my));
        CPixel* row = destination.Row(y - local.top);
        for (int32_t x = local.left; x < local.right; ++x) {
            int64_t mx = mx0 + (x - local.left);
            uint32_t m = rowInside && mx >= 0 && mx < mw ? mBlurredMask->ReadNext() : 0;
            uint32_t coverage;
            if (layer && layerNav.IsLocked()) {
                uint32_t l = LayerAt(&layerNav, extent, x, y);
                coverage = mClipToShape ? (k * m * l) >> 16 : ((m + 1u) * k * l) >> 16;
            } else {
                coverage = (k * m) >> 8;
            }
            gPaintPixelHook(row + (x - local.left), coverage, &colour);
        }
    }
}

eResultCode CWidgetEffectShadow::DrawShadow(const gCRect& area, CImage* target, uint32_t alpha, CImage8* layer)
{
    const uint32_t k = alpha + 1u;
    gCRect clipped = area;
    if (layer && layer->IsCreated() && layer->GetWidth() > 0 && layer->GetHeight() > 0) {
        gCRect extent{-layer->GetOrigin().x, -layer->GetOrigin().y, layer->GetWidth() - layer->GetOrigin().x,
                      layer->GetHeight() - layer->GetOrigin().y};
        if (!ClipRect(clipped, extent))
            return eSuccess;
    } else {
        layer = nullptr;
    }
    auto drawPiece = [&](const gCRect& piece) -> eResultCode {
        CImNav destination(target, &piece);
        if (!destination.IsLocked())
            return eNoMemory;
        gCRect local = LockedLocalArea(destination, target);
        if (mBlurredMask)
            DrawFromMask(destination, local, k, layer);
        else
            DrawFromTables(destination, local, k, layer);
        return eSuccess;
    };
    if (!mBlurredMask && mClipToShape && mOwner) {
        gCRect pieces[4];
        int32_t count = ::SubtractRect(clipped, gCRect{0, 0, mOwner->GetWidth(), mOwner->GetHeight()}, pieces);
        for (int32_t i = 0; i < count; ++i)
            PNU_TRY(drawPiece(pieces[i]));
        return eSuccess;
    }
    return drawPiece(clipped);
}

eResultCode CWidgetEffectShadow::OnDescendantChanged(CWidget* source, const gCRect& area)
{
    if (sLayerShadowCount <= 0)
        return eSuccess;
    if (!mOwner || source != mOwner || !mLayerMode)
        return eSuccess;
    // Every layer shadow from the owner up marks the changed area (given in the owner's parent
    // coordinates) in its own owner's coordinates.
    gCRect inRoot = area;
    mOwner->ParentToLocal(inRoot);
    mOwner->LocalToRoot(inRoot);
    auto* effect = dynamic_cast<CWidgetEffectLayerShadow*>(mOwner->FindEffectByType(kLayerShadowTypeCode));
    while (effect && effect->GetOwner()) {
        gCRect local = inRoot;
        effect->GetOwner()->RootToLocal(local);
        PNU_TRY(effect->InvalidateLayerArea(local));
        CWidget* parent = effect->GetOwner()->GetParent();
        if (!parent)
            break;
        effect = dynamic_cast<CWidgetEffectLayerShadow*>(parent->FindEffectByType(kLayerShadowTypeCode));
    }
    return eSuccess;
}
