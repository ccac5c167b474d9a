#include "widgets/CWidgetEffectGradient.h"

#include "core/gCArray.h"
#include "imaging/BlendModes.h"
#include "imaging/CImNav.h"
#include "imaging/CImage.h"
#include "widgets/CRegion.h"
#include "widgets/CWidget.h"
#include "widgets/EffectPixels.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr CPixel kRampStart = 0xFF000000u;
constexpr CPixel kRampEnd = 0xFFFFFFFFu;
constexpr float kTwoPi = 6.2831855f;

int32_t ClampIndex(int64_t index)
{
    return int32_t(std::clamp<int64_t>(index, 0, CGradient::kTableSize - 1));
}

} // namespace

CWidgetEffectGradient::CWidgetEffectGradient() : mGradient(&kRampStart, &kRampEnd) {}

CWidgetEffectGradient::~CWidgetEffectGradient()
{
    DeleteCache();
}

void CWidgetEffectGradient::DeleteCache()
{
    delete mCache;
    mCache = nullptr;
    mShaped = 0;
    mCacheArea = gCRect();
}

eResultCode CWidgetEffectGradient::Refresh()
{
    DeleteCache();
    SetRectFromOwner();
    return eSuccess;
}

CWidgetEffectGradient::sRamp CWidgetEffectGradient::MakeRamp(int32_t w, int32_t h) const
{
    sRamp ramp;
    if (mType == eLinear && mAngle != 0.0f) {
        float t = mAngle * kTwoPi;
        float s = std::sin(t), c = std::cos(t);
        float length = std::fabs(float(h) * c) + std::fabs(float(w) * s);
        if (length > 0.0f) {
            ramp.dx = RoundHalfAway(-s / length * 65535.0f * 4095.0f);
            ramp.dy = RoundHalfAway(c / length * 65535.0f * 4095.0f);
        }
        int64_t start = -(int64_t(ramp.dx) * w) / 2 - (int64_t(ramp.dy) * h) / 2 + 0x7FF8000;
        ramp.start = int32_t(uint32_t(uint64_t(start)));
    } else if (mType == eRadial || mType == eAngular) {
        float cx = mCentreX > 0.5f ? mCentreX : 1.0f - mCentreX;
        float cy = mCentreY > 0.5f ? mCentreY : 1.0f - mCentreY;
        float fx = float(w) * cx, fy = float(h) * cy;
        double reach = std::sqrt(double(fx * fx + fy * fy));
        ramp.scale = reach > 0.0 ? 4095.0 / reach : 0.0;
        ramp.ox = RoundHalfAway(float(w) * mCentreX);
        ramp.oy = RoundHalfAway(float(h) * mCentreY);
        double a0 = (1.0 - double(mAngle) - 0.25) * double(kTwoPi);
        if (a0 > double(kTwoPi))
            a0 -= double(kTwoPi);
        if (a0 < 0.0)
            a0 += double(kTwoPi);
        ramp.a0 = float(a0 + M_PI);
    }
    return ramp;
}

bool CWidgetEffectGradient::FillRow(const sRamp& ramp, int32_t w, int32_t h, int32_t left, int32_t row,
                                    int32_t count, CPixel* out)
{
    if (mGradient.IsDirty())
        mGradient.BuildTable();
    switch (mType) {
    case eLinear:
        if (mAngle == 0.0f) {
            CPixel c = mGradient.GetColour(row, h);
            std::fill(out, out + count, c);
        } else {
            // The accumulator wraps as the 32-bit sum it is.
            uint32_t acc = uint32_t(ramp.dy) * uint32_t(row) + uint32_t(ramp.dx) * uint32_t(left) +
                           uint32_t(ramp.start);
            for (int32_t i = 0; i < count; ++i, acc += uint32_t(ramp.dx))
                out[i] = mGradient.GetEntry(ClampIndex(int32_t(acc) >> 16));
        }
        return true;
    case eRadial:
        for (int32_t i = 0; i < count; ++i) {
            int64_t x = int64_t(left + i) - ramp.ox, y = int64_t(row) - ramp.oy;
            // In double: a far-off centre would overflow the integer squares.
            double d = std::sqrt(double(float(double(x) * double(x) + double(y) * double(y))));
            double v = d * ramp.scale;
            out[i] = mGradient.GetEntry(ClampIndex(v > 8191.0 ? 8191 : RoundHalfAway(v)));
        }
        return true;
    case eAngular:
        for (int32_t i = 0; i < count; ++i) {
            float theta = float(std::atan2(double(int64_t(row) - ramp.oy), double(int64_t(left) + i - ramp.ox)) +
                                double(ramp.a0));
            if (theta > kTwoPi)
                theta -= kTwoPi;
            out[i] = mGradient.GetEntry(ClampIndex(RoundHalfAway(theta * 651.7395f)));
        }
        return true;
    default:
        (void)w;
        return false;
    }
}

eResultCode CWidgetEffectGradient::Draw(const gCRect& area, CImage* target, uint32_t alpha)
{
    return DrawOnTarget(area, target, alpha, [&](CImNav& destination, const gCRect& local) -> eResultCode {
        int32_t w = mRect.right - mRect.left, h = mRect.bottom - mRect.top;
        // What can show changed (a window or an ancestor grew, the owner moved): the owner hands its
        // shape again and the cache is rebuilt for the new part.
        if (mShaped && mOwner && VisibleOwnerArea(mRect) != mCacheArea)
            PNU_TRY(mOwner->RefreshEffect(this, false));
        if (mShaped) {
            gCRect held = local;
            if (!mCache || !ClipRect(held, mCacheArea))
                return eSuccess;
            CImNav cache(mCache, &held);
            if (!cache.IsLocked())
                return eNoMemory;
            const gCRect c = LockedLocalArea(cache, mCache);
            const int32_t width = c.right - c.left;
            gCArray<CPixel> row;
            PNU_TRY(row.SetSize(std::max(width, 1)));
            for (int32_t y = c.top; y < c.bottom; ++y) {
                const CPixel* from = cache.Row(y - c.top);
                for (int32_t x = 0; x < width; ++x)
                    row[x] = ScaleColourAlpha(from[x], alpha);
                BlendRowOver(destination.Row(y - local.top) + (c.left - local.left), row.GetData(), width, mBlendMode);
            }
            return eSuccess;
        }
        int32_t width = local.right - local.left;
        if (mType == eLinear && mAngle == 0.0f) {
            // One colour per row: it is scaled once and laid over the row as a whole.
            if (mGradient.IsDirty())
                mGradient.BuildTable();
            for (int32_t y = local.top; y < local.bottom; ++y)
                BlendColourRowOver(destination.Row(y - local.top), ScaleColourAlpha(mGradient.GetColour(y, h), alpha),
                                   width, mBlendMode);
            return eSuccess;
        }
        gCArray<CPixel> row;
        PNU_TRY(row.SetSize(std::max(width, 1)));
        sRamp ramp = MakeRamp(w, h);
        for (int32_t y = local.top; y < local.bottom; ++y) {
            if (!FillRow(ramp, w, h, local.left, y, width, row.GetData()))
                return eSuccess;
            for (int32_t x = 0; x < width; ++x)
                row[x] = ScaleColourAlpha(row[x], alpha);
            BlendRowOver(destination.Row(y - local.top), row.GetData(), width, mBlendMode);
        }
        return eSuccess;
    });
}

gCRect CWidgetEffectGradient::ShapeRead(int32_t width, int32_t height)
{
    // Only the cache's rows and columns within what can show read the shape.
    if (!mOwner || mOwner->GetOpaqueBlit() || !SetRectFromOwner())
        return gCRect();
    gCRect area = VisibleOwnerArea(mRect);
    if (!ClipRect(area, gCRect{0, 0, width, height}))
        return gCRect();
    return area;
}

eResultCode CWidgetEffectGradient::RefreshWithMask(CImage* shape)
{
    return RefreshOverShape(shape, mCache, [&]() -> eResultCode {
        const int32_t w = mRect.right, h = mRect.bottom;
        mShaped = 1;
        // Only what can show is computed: a shape declared far larger than its window would
        // otherwise cost a colour lookup for every pixel of it.
        const gCRect area = VisibleOwnerArea(mRect);
        mCacheArea = area;
        if (area.IsEmpty())
            return eSuccess;
        const int32_t aw = area.right - area.left, ah = area.bottom - area.top;
        PNU_TRY(mCache->SetSize(aw, ah));
        mCache->SetOrigin(gCPoint{-area.left, -area.top});
        CImNav cache(mCache, nullptr);
        CImNav mask(shape, nullptr);
        if (!cache.IsLocked() || !mask.IsLocked())
            return eNoMemory;
        gCArray<CPixel> row;
        PNU_TRY(row.SetSize(aw));
        sRamp ramp = MakeRamp(w, h);
        for (int32_t y = 0; y < ah; ++y) {
            CPixel* to = cache.Row(y);
            const int32_t sy = area.top + y;
            if (!FillRow(ramp, w, h, area.left, sy, aw, row.GetData())) {
                std::fill(to, to + aw, 0u);
                continue;
            }
            const CPixel* a = sy < mask.GetHeight() ? mask.Row(sy) : nullptr;
            for (int32_t x = 0; x < aw; ++x) {
                const int32_t sx = area.left + x;
                uint32_t shapeAlpha = a && sx < mask.GetWidth() ? a[sx] >> 24 : 0;
                to[x] = ScaleColourAlpha(row[x], shapeAlpha);
            }
        }
        return eSuccess;
    });
}
