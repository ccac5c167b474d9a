#include "widgets/CWidgetEffectLayerShadow.h"

#include "imaging/Blur.h"
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/PixelCompositing.h"
#include "widgets/CBackdrop.h"
#include "widgets/CWidget.h"
#include "widgets/EffectPixels.h"

#include <algorithm>

namespace {

// Sizes an owned 8-bit image, creating it when absent.
eResultCode SizeImage(CImage8*& image, int32_t width, int32_t height)
{
    if (!image) {
        image = new CImage8();
        if (!image)
            return eNoMemory;
    }
    if (image->IsCreated() && image->GetWidth() == width && image->GetHeight() == height)
        return eSuccess;
    return image->SetSize(width, height);
}

// The pass the backdrop is drawing: marks made during it make layer-id shadows current.
int32_t CurrentPass(CWidget* widget)
{
    auto* backdrop = widget ? dynamic_cast<CBackdrop*>(widget->GetRootWidget()) : nullptr;
    return backdrop ? int32_t(backdrop->GetUpdateCount()) : -1;
}

} // namespace

CWidgetEffectLayerShadow::CWidgetEffectLayerShadow() { ++sLayerShadowCount; }

CWidgetEffectLayerShadow::~CWidgetEffectLayerShadow()
{
    --sLayerShadowCount;
    delete mLayer;
    delete mSmall;
}

void CWidgetEffectLayerShadow::SetDownsampleLevel(int32_t level)
{
    mDownsample = std::clamp(level, 0, 10);
    if (mOwner)
        (void)Refresh();
}

void CWidgetEffectLayerShadow::SetEnabled(int32_t value, bool update)
{
    mEnabled = value;
    if (mOwner)
        (void)mOwner->Invalidate(update);
}

eResultCode CWidgetEffectLayerShadow::Refresh()
{
    if (!mOwner)
        return eSuccess;
    const int32_t d = Factor();
    const int32_t g = BlurMargin(mRadius);
    const int32_t w = mOwner->GetWidth(), h = mOwner->GetHeight();
    if (w <= 0 || h <= 0)
        return eSuccess;
    const int64_t W = int64_t(w) + 2 * int64_t(g), H = int64_t(h) + 2 * int64_t(g);
    if (!WorkImageFits(W, H))
        return eNoMemory;
    mRect.Set(-g, -g, w + g, h + g);
    PNU_TRY(SizeImage(mSmall, int32_t(W / d + d), int32_t(H / d + d)));
    PNU_TRY(SizeImage(mLayer, int32_t(W), int32_t(H)));
    ShiftRectClamped(mRect, mOffset.x, mOffset.y);
    PNU_TRY(InvalidateLayerArea(mRect));
    mRendering = GetUserValue() == 1 || GetUserValue() == 2 ? 1 : 0;
    return eSuccess;
}

eResultCode CWidgetEffectLayerShadow::InvalidateLayerArea(const gCRect& r)
{
    if (!mOwner)
        return eSuccess;
    const int32_t g = BlurMargin(mRadius);
    gCRect grown = r;
    grown.left = int32_t(std::max<int64_t>(int64_t(grown.left) - g, INT32_MIN));
    grown.top = int32_t(std::max<int64_t>(int64_t(grown.top) - g, INT32_MIN));
    grown.right = int32_t(std::min<int64_t>(int64_t(grown.right) + g, INT32_MAX));
    grown.bottom = int32_t(std::min<int64_t>(int64_t(grown.bottom) + g, INT32_MAX));
    if (grown.IsEmpty())
        return eSuccess;
    PNU_TRY(mDirty.AddRect(grown));
    gCRect inParent = grown;
    ShiftRectClamped(inParent, int64_t(mOwner->GetRect().left) + mOffset.x, int64_t(mOwner->GetRect().top) + mOffset.y);
    (void)mOwner->InvalidateParentArea(inParent, false);
    return eSuccess;
}

eResultCode CWidgetEffectLayerShadow::RenderWidgetCoverage(CWidget* widget, const gCRect& area, CImage8* layer)
{
    if (!widget || !widget->IsVisible())
        return eSuccess;
    gCRect covered = widget->GetRect();
    const int32_t w = widget->GetWidth(), h = widget->GetHeight();
    // Shadows that cast from this layer draw in the pass that rendered it.
    for (int32_t i = 0; i < CWidget::kEffectSlots; ++i) {
        for (CWidgetEffectBase* effect : {widget->GetUnderEffect(i), widget->GetMiddleEffect(i), widget->GetOverEffect(i)}) {
            auto* shadow = dynamic_cast<CWidgetEffectShadow*>(effect);
            if (!shadow || shadow == this)
                continue;
            for (int32_t k = 0; k < shadow->GetLayerIdCount(); ++k)
                if (shadow->GetLayerId(k) == mOwner->GetId())
                    shadow->SetMarkedPass(CurrentPass(mOwner));
        }
    }
    if (w > 0 && h > 0 && ClipRect(covered, area) && WorkImageFits(w, h)) {
        CImage8 coverage;
        PNU_TRY(coverage.SetSize(w, h));
        PNU_TRY(widget->DrawAlphaMask(&coverage));
        CImNav8 to(layer, &covered);
        gCRect local = covered;
        widget->ParentToLocal(local);
        CImNav8 from(&coverage, &local);
        if (!to.IsLocked() || !from.IsLocked())
            return eNoMemory;
        // The navigators may cut different amounts where the layer ends: the source is read
        // over what the layer kept.
        const gCRect kept = LockedLocalArea(to, layer);
        for (int32_t y = kept.top; y < kept.bottom; ++y) {
            uint8_t* row = to.Row(y - kept.top);
            const uint8_t* source = from.Row(y - covered.top) + (kept.left - covered.left);
            for (int32_t x = 0; x < kept.right - kept.left; ++x)
                row[x] = std::max(row[x], source[x]);
        }
    }
    gCRect inside = area;
    widget->ParentToLocal(inside);
    const gCPoint origin = layer->GetOrigin();
    layer->SetOrigin(gCPoint{origin.x + widget->GetRect().left, origin.y + widget->GetRect().top});
    eResultCode result = eSuccess;
    for (int32_t i = widget->GetChildCount() - 1; i >= 0 && result == eSuccess; --i)
        result = RenderWidgetCoverage(widget->GetChild(i), inside, layer);
    layer->SetOrigin(origin);
    return result;
}

eResultCode CWidgetEffectLayerShadow::RenderShadowCoverage(CWidget* widget, const gCRect& area, CImage8* layer)
{
    return RenderWidgetCoverage(widget, area, layer);
}

eResultCode CWidgetEffectLayerShadow::RenderLayer(CWidget* root, const gCRect& area, CImage*, CImage8* layer,
                                                  uint32_t, uint32_t)
{
    if (!root || !layer || !layer->IsCreated())
        return eSuccess;
    return RenderWidgetCoverage(root, area, layer);
}

int32_t CWidgetEffectLayerShadow::LayerShift() const { return GetUserValue() == 0 ? BlurMargin(mRadius) : 0; }

eResultCode CWidgetEffectLayerShadow::MergeIntoLayer(CImage8* source, const gCRect& area)
{
    if (!mOwner || !mLayer || !mLayer->IsCreated() || !source || !source->IsCreated())
        return eSuccess;
    const int32_t g = BlurMargin(mRadius), shift = LayerShift();
    const gCPoint ownerAtRoot = mOwner->LocalToRoot(gCPoint{});
    gCRect pixels = area;
    ShiftRectClamped(pixels, int64_t(shift) - ownerAtRoot.x, int64_t(shift) - ownerAtRoot.y);
    pixels.left = int32_t(std::max<int64_t>(int64_t(pixels.left) - g, INT32_MIN));
    pixels.top = int32_t(std::max<int64_t>(int64_t(pixels.top) - g, INT32_MIN));
    pixels.right = int32_t(std::min<int64_t>(int64_t(pixels.right) + g, INT32_MAX));
    pixels.bottom = int32_t(std::min<int64_t>(int64_t(pixels.bottom) + g, INT32_MAX));
    if (!ClipRect(pixels, gCRect{0, 0, mLayer->GetWidth(), mLayer->GetHeight()}))
        return eSuccess;
    // The same area in the source's pixels: layer pixel p holds root point p - shift + the
    // owner's root position, which the source keeps at that point plus its origin.
    const gCPoint sourceOrigin = source->GetOrigin();
    const int64_t dx = int64_t(ownerAtRoot.x) - shift + sourceOrigin.x;
    const int64_t dy = int64_t(ownerAtRoot.y) - shift + sourceOrigin.y;
    gCRect read = pixels;
    ShiftRectClamped(read, dx, dy);
    if (!ClipRect(read, gCRect{0, 0, source->GetWidth(), source->GetHeight()}))
        return eSuccess;
    gCRect write = read;
    ShiftRectClamped(write, -dx, -dy);
    const gCPoint layerOrigin = mLayer->GetOrigin();
    mLayer->SetOrigin(gCPoint{0, 0});
    source->SetOrigin(gCPoint{0, 0});
    CImNav8 to(mLayer, &write);
    CImNav8 from(source, &read);
    const bool locked = to.IsLocked() && from.IsLocked();
    if (locked) {
        for (int32_t y = 0; y < to.GetHeight(); ++y) {
            uint8_t* row = to.Row(y);
            const uint8_t* in = from.Row(y);
            for (int32_t x = 0; x < to.GetWidth(); ++x)
                row[x] = std::max(row[x], in[x]);
        }
    }
    mLayer->SetOrigin(layerOrigin);
    source->SetOrigin(sourceOrigin);
    return locked ? eSuccess : eNoMemory;
}

eResultCode CWidgetEffectLayerShadow::ClearLayerArea(const gCRect& area, gCRect& cleared)
{
    delete mSmall;
    mSmall = nullptr;
    cleared = gCRect{};
    if (!mLayer || !mLayer->IsCreated())
        return eSuccess;
    gCRect clipped = area;
    if (!ClipRect(clipped, gCRect{0, 0, mLayer->GetWidth(), mLayer->GetHeight()}))
        return eSuccess;
    CImNav8 clear(mLayer, &clipped);
    if (!clear.IsLocked())
        return eNoMemory;
    clear.Fill(0);
    cleared = clipped;
    return eSuccess;
}

eResultCode CWidgetEffectLayerShadow::Draw(const gCRect& area, CImage* target, uint32_t alpha)
{
    if (GetUserValue() == 1)
        return eSuccess;
    if (GetUserValue() != 2)
        return CWidgetEffectShadow::Draw(area, target, alpha);
    // Rendered in the drawing pass itself, from the root: the layer holds everything the window
    // covers there, in the owner's coordinates.
    if (!mOwner)
        return eSuccess;
    gCRect clipped;
    PNU_TRY(ClearLayerArea(area, clipped));
    if (clipped.IsEmpty())
        return eSuccess;
    CWidget* root = mOwner->GetRootWidget();
    const gCPoint ownerAtRoot = mOwner->LocalToRoot(gCPoint{});
    // The walk starts in the root's parent coordinates.
    const int64_t dx = int64_t(ownerAtRoot.x) + root->GetRect().left;
    const int64_t dy = int64_t(ownerAtRoot.y) + root->GetRect().top;
    gCRect inRootParent = clipped;
    ShiftRectClamped(inRootParent, dx, dy);
    const gCPoint targetOrigin = target ? target->GetOrigin() : gCPoint{};
    if (target)
        target->SetOrigin(gCPoint{0, 0});
    mLayer->SetOrigin(gCPoint{int32_t(-dx), int32_t(-dy)});
    const eResultCode result = RenderLayer(root, inRootParent, target, mLayer, 255, alpha);
    mLayer->SetOrigin(gCPoint{0, 0});
    if (target)
        target->SetOrigin(targetOrigin);
    return result == eHandled ? eSuccess : result;
}

eResultCode CWidgetEffectLayerShadow::DrawLayer(const gCRect& area, CImage*, uint32_t)
{
    if (!mOwner)
        return eSuccess;
    const int32_t g = BlurMargin(mRadius);
    const gCPoint position{mOwner->GetRect().left, mOwner->GetRect().top};
    if (GetUserValue() != 0) {
        gCRect clipped;
        PNU_TRY(ClearLayerArea(area, clipped));
        if (clipped.IsEmpty())
            return eSuccess;
        mLayer->SetOrigin(gCPoint{0, 0} - position);
        gCRect inParent = clipped;
        mOwner->LocalToParent(inParent);
        eResultCode result = RenderShadowCoverage(mOwner, inParent, mLayer);
        mLayer->SetOrigin(gCPoint{0, 0});
        return result;
    }
    if (!mLayer || !mSmall || mDirty.IsEmpty()) {
        mDirty.Clear();
        return eSuccess;
    }
    gCRect changed = mDirty.GetRect(0);
    for (int32_t i = 0; i < mDirty.GetCount(); ++i) {
        gCRect c = mDirty.GetRect(i);
        changed.left = std::min(changed.left, c.left);
        changed.top = std::min(changed.top, c.top);
        changed.right = std::max(changed.right, c.right);
        changed.bottom = std::max(changed.bottom, c.bottom);
        ShiftRectClamped(c, g, g);
        if (!ClipRect(c, gCRect{0, 0, mLayer->GetWidth(), mLayer->GetHeight()}))
            continue;
        {
            CImNav8 clear(mLayer, &c);
            if (!clear.IsLocked())
                return eNoMemory;
            clear.Fill(0);
        }
        mLayer->SetOrigin(gCPoint{g - position.x, g - position.y});
        gCRect inParent = c;
        ShiftRectClamped(inParent, int64_t(position.x) - g, int64_t(position.y) - g);
        eResultCode result = RenderWidgetCoverage(mOwner, inParent, mLayer);
        mLayer->SetOrigin(gCPoint{0, 0});
        PNU_TRY(result);
    }
    mDirty.Clear();
    return ReduceLayer(changed);
}

eResultCode CWidgetEffectLayerShadow::ReduceLayer(const gCRect& changed)
{
    const int32_t d = Factor();
    const int32_t lw = mLayer->GetWidth(), lh = mLayer->GetHeight();
    const int32_t sw = mSmall->GetWidth(), sh = mSmall->GetHeight();
    gCRect pixels = changed;
    ShiftRectClamped(pixels, LayerShift(), LayerShift());
    if (!ClipRect(pixels, gCRect{0, 0, lw, lh}))
        return eSuccess;
    // A blur level of stride t moves values t pixels; the levels of a plan together less than
    // twice the top stride. The changed small pixels spread that far (`affected`), and are
    // worked out from that much more around them (`work`), where the edges of a partial work
    // image no longer matter: the result is the one the whole layer would give.
    const sBlurPlan plan = PlanBlur(mRadius / float(d));
    const int32_t reach = plan.valid ? int32_t(std::min<int64_t>(int64_t(2) << std::min(plan.exponent, 30), 1 << 24)) : 1;
    const gCRect small{0, 0, sw, sh};
    gCRect affected{pixels.left / d, pixels.top / d, (pixels.right + d - 1) / d, (pixels.bottom + d - 1) / d};
    affected.left -= reach;
    affected.top -= reach;
    affected.right += reach;
    affected.bottom += reach;
    if (!ClipRect(affected, small))
        return eSuccess;
    gCRect work{affected.left - reach, affected.top - reach, affected.right + reach, affected.bottom + reach};
    (void)ClipRect(work, small);
    CImage reduced;
    PNU_TRY(reduced.SetSize(work.right - work.left, work.bottom - work.top));
    {
        CImNav8 from(mLayer, nullptr);
        CImNav to(&reduced, nullptr);
        if (!from.IsLocked() || !to.IsLocked())
            return eNoMemory;
        for (int32_t sy = work.top; sy < work.bottom; ++sy) {
            CPixel* out = to.Row(sy - work.top);
            for (int32_t sx = work.left; sx < work.right; ++sx) {
                uint32_t sum = 0, count = 0;
                for (int32_t y = sy * d; y < std::min(sy * d + d, lh); ++y)
                    for (int32_t x = sx * d; x < std::min(sx * d + d, lw); ++x, ++count)
                        sum += from.Row(y)[x];
                out[sx - work.left] = count ? sum * 257u / count : 0u;
            }
        }
    }
    if (BlurImage(&reduced, mRadius / float(d), 0) == 0)
        return eNoMemory;
    CImNav from(&reduced, nullptr);
    CImNav8 to(mSmall, &affected);
    if (!from.IsLocked() || !to.IsLocked())
        return eNoMemory;
    for (int32_t y = 0; y < to.GetHeight(); ++y) {
        const CPixel* in = from.Row(affected.top - work.top + y) + (affected.left - work.left);
        for (int32_t x = 0; x < to.GetWidth(); ++x)
            to.Row(y)[x] = uint8_t(in[x] >> 8);
    }
    return eSuccess;
}

eResultCode CWidgetEffectLayerShadow::DrawShadow(const gCRect& area, CImage* target, uint32_t alpha, CImage8* layer)
{
    gCRect clipped = area;
    gCRect extent;
    if (layer && layer->IsCreated() && layer->GetWidth() > 0 && layer->GetHeight() > 0) {
        extent.Set(-layer->GetOrigin().x, -layer->GetOrigin().y, layer->GetWidth() - layer->GetOrigin().x,
                   layer->GetHeight() - layer->GetOrigin().y);
        if (!ClipRect(clipped, extent))
            return eSuccess;
    } else {
        layer = nullptr;
    }
    if (!mSmall || !mSmall->IsCreated() || alpha == 0)
        return eSuccess;
    CImNav destination(target, &clipped);
    CImNav8 small(mSmall, nullptr);
    CImNav8 layerNav(layer, nullptr);
    if (!destination.IsLocked() || !small.IsLocked())
        return eNoMemory;
    const gCRect local = LockedLocalArea(destination, target);
    const int32_t d = Factor();
    const int32_t g = BlurMargin(mRadius);
    const int32_t sw = small.GetWidth(), sh = small.GetHeight();
    const CPixel colour = mColour;
    // Bilinear from the small image; samples beyond its edge repeat the edge.
    auto split = [d](int64_t at, int32_t limit, int32_t& index, int32_t& weight) {
        const int64_t f = at * 256 / d;
        index = f < 1 ? 0 : int32_t(std::min<int64_t>(f >> 8, limit - 1));
        weight = f < 1 ? 0 : int32_t(f & 255);
    };
    for (int32_t y = local.top; y < local.bottom; ++y) {
        int32_t iy = 0, wy = 0;
        split(int64_t(g) + y - mOffset.y - d / 2, sh, iy, wy);
        const uint8_t* upper = small.Row(iy);
        const uint8_t* lower = small.Row(std::min(iy + 1, sh - 1));
        CPixel* row = destination.Row(y - local.top);
        for (int32_t x = local.left; x < local.right; ++x) {
            int32_t ix = 0, wx = 0;
            split(int64_t(g) + x - mOffset.x - d / 2, sw, ix, wx);
            const int32_t ix1 = std::min(ix + 1, sw - 1);
            const int32_t top = upper[ix] + ((upper[ix1] - upper[ix]) * wx >> 8);
            const int32_t bottom = lower[ix] + ((lower[ix1] - lower[ix]) * wx >> 8);
            const uint32_t v = uint32_t(top + ((bottom - top) * wy >> 8)) & 255u;
            uint32_t coverage = (v * (alpha + 1u)) >> 8;
            if (layer) {
                const bool inside = x >= extent.left && y >= extent.top && x < extent.right && y < extent.bottom;
                const uint32_t l = inside && layerNav.IsLocked() ? layerNav.Row(y - extent.top)[x - extent.left] : 0;
                coverage = ((v + 1u) * (alpha + 1u) * l) >> 16;
            }
            gPaintPixelHook(row + (x - local.left), coverage, &colour);
        }
    }
    return eSuccess;
}
