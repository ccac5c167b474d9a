#include "widgets/CRoRectWidget.h"

#include "app/ReportError.h"
#include "imaging/CImNav.h"
#include "imaging/CImage.h"
#include "widgets/CWidgetLoadBlock.h"

#include <algorithm>
#include <cmath>

namespace {

// Values from files may be huge; beyond this every pixel of any image lies on the same side of
// each edge and each circle, so the picture is the same and the arithmetic stays finite.
float Bounded(float value)
{
    constexpr float kLimit = 1.0e6f;
    return std::isnan(value) ? 0.0f : std::clamp(value, -kLimit, kLimit);
}

int32_t Round(float value)
{
    return value > 0.0f ? int32_t(value + 0.5f) : int32_t(value - 0.5f);
}

int32_t Coverage(float fraction) { return std::clamp(Round(255.0f * fraction), 0, 255); }

// A colour for whole rows or columns; only the part inside the image is written.
class CPainter {
public:
    explicit CPainter(CImNav& navigator)
        : mNav(navigator), mWidth(navigator.GetWidth()), mHeight(navigator.GetHeight())
    {
    }
    bool Inside(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < mWidth && y < mHeight; }
    CPixel Get(int32_t x, int32_t y) const { return Inside(x, y) ? mNav.Row(y)[x] : 0; }
    void Set(int32_t x, int32_t y, CPixel colour)
    {
        if (Inside(x, y))
            mNav.Row(y)[x] = colour;
    }
    void Rows(int64_t first, int64_t last, CPixel colour)
    {
        for (int64_t y = std::max<int64_t>(first, 0); y <= std::min<int64_t>(last, mHeight - 1); ++y)
            std::fill(mNav.Row(int32_t(y)), mNav.Row(int32_t(y)) + mWidth, colour);
    }
    void Columns(int32_t y, int64_t first, int64_t last, CPixel colour)
    {
        if (y < 0 || y >= mHeight)
            return;
        for (int64_t x = std::max<int64_t>(first, 0); x <= std::min<int64_t>(last, mWidth - 1); ++x)
            mNav.Row(y)[x] = colour;
    }

private:
    CImNav& mNav;
    int32_t mWidth;
    int32_t mHeight;
};

// The picture's measures, read once: its size, its colours, and the radius R, border width B and
// title band T held to finite values.
struct sRoRect {
    int32_t w, h, maxX, maxY;
    float R, B, T;
    CPixel fill, border;
};

// The straight bands (see the header's drawing): rows 0 .. n - 1 of the top band are whole and
// row n takes the fraction of topBand; row m takes the bottom band's fraction (from bottomStart),
// rows m + 1 .. maxY are whole. The top band stops short of the bottom border.
struct sBands {
    float topBand;
    int32_t n;
    float bottomStart;
    int32_t m;
};

sBands MeasureBands(const sRoRect& r)
{
    const float top = r.T > r.B ? r.T : r.B;
    const float topBand = std::min(top, (float(r.maxY) - r.B) - 1.0f);
    const int32_t n = int32_t(topBand);
    const float b = (float(r.maxY) - r.B) + 1.0f;
    return {topBand, n, topBand < b ? b : topBand, topBand < b ? int32_t(b) : n};
}

void PaintTopBand(CPainter& painter, const sRoRect& r, const sBands& bands)
{
    if (!(bands.topBand > 0.0f))
        return;
    painter.Rows(0, int64_t(bands.n) - 1, r.border);
    if (bands.n <= r.maxY)
        painter.Columns(bands.n, 0, r.maxX, MixPixel(r.fill, r.border, Coverage(bands.topBand - float(bands.n))));
}

// The bottom border and the two sides between the bands: c whole columns on each side, then
// column c mixed by the fraction of B (unless the two sides meet).
void PaintBottomBandAndSides(CPainter& painter, const sRoRect& r, const sBands& bands)
{
    painter.Rows(int64_t(bands.m) + 1, r.maxY, r.border);
    painter.Columns(bands.m, 0, r.maxX, MixPixel(r.fill, r.border, Coverage(float(bands.m + 1) - bands.bottomStart)));
    const int32_t c = std::min(int32_t(r.B), r.w - 2);
    const bool sidesApart = r.B < float(r.maxX) - r.B;
    for (int64_t y = std::max<int64_t>(bands.n, 0); y <= std::min<int64_t>(bands.m, r.maxY); ++y) {
        const int32_t row = int32_t(y);
        painter.Columns(row, 0, int64_t(c) - 1, r.border);
        painter.Columns(row, int64_t(r.maxX) - c + 1, r.maxX, r.border);
        if (sidesApart) {
            const CPixel q = MixPixel(painter.Get(c, row), r.border, Coverage(r.B - float(c)));
            painter.Set(r.maxX - c, row, q);
            painter.Set(c, row, q);
        }
    }
}

// The rings about a corner's centre, as squared distances: nearer than inner2 the inside (the
// band colour of the row), to outer2 the border mixed into the inside, beyond it the border;
// beyond faded2 (R squared) the alpha fades, beyond outside2 the pixel is cleared. N is the last
// row and column of the corner's square.
struct sCornerRings {
    float innerR, inner2, outer2, faded2, outside2;
    int32_t N;
};

sCornerRings MeasureCornerRings(const sRoRect& r)
{
    float innerR = r.R - r.B, outer2 = 0.0f, inner2 = 0.0f;
    if (r.R - r.B + 1.0f > 0.0f) {
        outer2 = (r.R - r.B + 1.0f) * (r.R - r.B + 1.0f);
    } else {
        innerR = -1.0f;
    }
    if (innerR <= 0.0f)
        innerR = 0.0f;
    else
        inner2 = innerR * innerR;
    const int32_t N = std::min(std::min(r.w, r.h) >> 1, int32_t(r.R) + 2);
    return {innerR, inner2, outer2, r.R * r.R, (r.R + 1.0f) * (r.R + 1.0f), N};
}

// The colour a row's inside takes under a corner: the title band's (whole or mixed) or the fill.
CPixel BandColour(const sRoRect& r, int32_t row)
{
    const int32_t Tt = int32_t(r.T);
    if (!(r.T > r.B) || row > Tt)
        return r.fill;
    return row < Tt ? r.border : MixPixel(r.fill, r.border, Coverage(r.T - float(Tt)));
}

// How much of the inside shows through the border ring at squared distance d2: all of it inside
// the ring, none on the ring, and in between by the distance past the inner edge.
int32_t InsideShare(const sCornerRings& rings, float d2)
{
    if (d2 < rings.inner2)
        return 255;
    if (d2 <= rings.outer2)
        return 255 - Coverage(std::sqrt(d2) - rings.innerR);
    return 0;
}

// The selected corners as one: (x, y) counted from the top-left stands for that pixel mirrored
// into each corner. The order of the writes matters where two corners share a pixel (the middle
// row or column of a picture too small for two corners): the later write wins, fades apply twice.
class CCorners {
public:
    CCorners(CPainter& painter, uint32_t mask, int32_t maxX, int32_t maxY)
        : mPainter(painter), mMaxX(maxX), mMaxY(maxY), mTopLeft(mask & CRoRectWidget::kTopLeft),
          mTopRight(mask & CRoRectWidget::kTopRight), mBottomLeft(mask & CRoRectWidget::kBottomLeft),
          mBottomRight(mask & CRoRectWidget::kBottomRight)
    {
    }
    void Clear(int32_t x, int32_t y)
    {
        if (mTopLeft) mPainter.Set(x, y, 0);
        if (mBottomLeft) mPainter.Set(x, mMaxY - y, 0);
        if (mTopRight) mPainter.Set(mMaxX - x, y, 0);
        if (mBottomRight) mPainter.Set(mMaxX - x, mMaxY - y, 0);
    }
    void Paint(int32_t x, int32_t y, CPixel top, CPixel bottom)
    {
        if (mTopLeft) mPainter.Set(x, y, top);
        if (mTopRight) mPainter.Set(mMaxX - x, y, top);
        if (mBottomLeft) mPainter.Set(x, mMaxY - y, bottom);
        if (mBottomRight) mPainter.Set(mMaxX - x, mMaxY - y, bottom);
    }
    // Scales the alpha of each selected corner's pixel by a coverage 0..255.
    void Fade(int32_t x, int32_t y, uint32_t coverage)
    {
        if (mTopLeft) FadeOne(x, y, coverage);
        if (mTopRight) FadeOne(mMaxX - x, y, coverage);
        if (mBottomLeft) FadeOne(x, mMaxY - y, coverage);
        if (mBottomRight) FadeOne(mMaxX - x, mMaxY - y, coverage);
    }

private:
    void FadeOne(int32_t x, int32_t y, uint32_t coverage)
    {
        const CPixel p = mPainter.Get(x, y);
        mPainter.Set(x, y, (p & 0x00FFFFFFu) | (((p >> 8) * (coverage + 1u)) & 0xFF000000u));
    }

    CPainter& mPainter;
    int32_t mMaxX, mMaxY;
    bool mTopLeft, mTopRight, mBottomLeft, mBottomRight;
};

// The squared distance along one axis from the corner centre, R in from the edge; 0 past it.
float AxisDistance2(float R, int32_t at) { return R - float(at) > 0.0f ? (R - float(at)) * (R - float(at)) : 0.0f; }

// One pixel of the corners at squared distance d2: cleared beyond R + 1; else (with a border
// narrower than the radius) its ring colour; then faded beyond R.
void PaintCornerPixel(CCorners& corners, const sRoRect& r, const sCornerRings& rings, int32_t x, int32_t y,
                      float d2, CPixel top, CPixel bottom)
{
    if (d2 > rings.outside2) {
        corners.Clear(x, y);
        return;
    }
    if (r.B > 0.0f && r.B < r.R) {
        const int32_t share = InsideShare(rings, d2);
        corners.Paint(x, y, MixPixel(r.border, top, share), MixPixel(r.border, bottom, share));
    }
    if (d2 > rings.faded2)
        corners.Fade(x, y, uint32_t(Coverage((r.R + 1.0f) - std::sqrt(d2))));
}

void PaintCorners(CPainter& painter, const sRoRect& r, uint32_t mask)
{
    const sCornerRings rings = MeasureCornerRings(r);
    CCorners corners(painter, mask, r.maxX, r.maxY);
    for (int32_t y = 0; y <= rings.N; ++y) {
        const float dy2 = AxisDistance2(r.R, y);
        const CPixel top = BandColour(r, y);
        const CPixel bottom = BandColour(r, r.maxY - y);
        for (int32_t x = 0; x <= rings.N; ++x)
            PaintCornerPixel(corners, r, rings, x, y, AxisDistance2(r.R, x) + dy2, top, bottom);
    }
}

} // namespace

uint32_t MixPixel(uint32_t base, uint32_t other, int32_t coverage)
{
    if (coverage <= 0)
        return base;
    if (coverage >= 255)
        return other;
    const uint32_t t = uint32_t(coverage) * 257u + 1u;
    const uint32_t bA = base >> 24;
    const uint32_t oA = other >> 24;
    if (bA == 0)
        return (other & 0x00FFFFFFu) | ((oA * 256u * t) & 0xFF000000u);
    if (oA == 0)
        return (base & 0x00FFFFFFu) | ((bA * 256u * (65536u - t)) & 0xFF000000u);
    // Unsigned 32-bit throughout: a negative difference wraps and the mask brings it back.
    const uint32_t outA = (bA + (((oA - bA) * t) >> 16)) & 255u;
    const uint32_t k = 16777216u / (outA + 1u);
    uint32_t result = outA << 24;
    for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t pb = (((base >> shift) & 255u) * (bA + 1u)) >> 8;
        const uint32_t po = (((other >> shift) & 255u) * (oA + 1u)) >> 8;
        const uint32_t m = (pb + (((po - pb) * t) >> 16)) & 255u;
        result |= (((m * k) >> 16) & 255u) << shift;
    }
    return result;
}

eResultCode CRoRectWidget::RebuildImage(bool rebuild, bool update)
{
    if (rebuild) {
        DeleteOwnedImage();
        PNU_TRY(CImWidget::OnRectChanged());
        PNU_TRY(CImWidget::RefreshImage(false));
    }
    if (IsVisible())
        (void)InvalidateContent(false);
    return UpdateIf(update);
}

eResultCode CRoRectWidget::SetSizeValue(float& field, float value, bool rebuild, bool update)
{
    if (std::isnan(value))
        return eBadParameter;
    field = value;
    return RebuildImage(rebuild, update);
}

eResultCode CRoRectWidget::SetRadius(float radius, bool rebuild, bool update)
{
    return SetSizeValue(mRadius, radius, rebuild, update);
}

eResultCode CRoRectWidget::SetBorderWidth(float width, bool rebuild, bool update)
{
    return SetSizeValue(mBorderWidth, width, rebuild, update);
}

eResultCode CRoRectWidget::SetTitleBarHeight(float height, bool rebuild, bool update)
{
    return SetSizeValue(mTitleBarHeight, height, rebuild, update);
}

eResultCode CRoRectWidget::SetBorderColour(uint32_t colour, bool rebuild, bool update)
{
    mBorderColour = colour;
    return RebuildImage(rebuild, update);
}

eResultCode CRoRectWidget::SetCorners(uint32_t mask, bool rebuild, bool update)
{
    mCorners = mask;
    return RebuildImage(rebuild, update);
}

eResultCode CRoRectWidget::AddCorners(uint32_t mask, bool rebuild, bool update)
{
    mCorners |= mask;
    return RebuildImage(rebuild, update);
}

eResultCode CRoRectWidget::RemoveCorners(uint32_t mask, bool rebuild, bool update)
{
    mCorners &= ~mask;
    return RebuildImage(rebuild, update);
}

eResultCode CRoRectWidget::SetFillColour(uint32_t colour, bool rebuild, bool update)
{
    CCoWidget::SetColour(colour, false);
    return RebuildImage(rebuild, update);
}

eResultCode CRoRectWidget::FillImage()
{
    if (!mImage)
        return eSuccess;
    {
        CImNav navigator(mImage, nullptr);
        if (!navigator.IsLocked())
            return eNoMemory;
        const int32_t w = navigator.GetWidth(), h = navigator.GetHeight();
        const sRoRect rect{w, h, w - 1, h - 1, Bounded(mRadius), Bounded(mBorderWidth), Bounded(mTitleBarHeight),
                           mColour, mBorderColour};
        navigator.Fill(&rect.fill);
        CPainter painter(navigator);
        const sBands bands = MeasureBands(rect);
        PaintTopBand(painter, rect, bands);
        if (rect.B > 0.0f)
            PaintBottomBandAndSides(painter, rect, bands);
        if (!(rect.R > 0.0f) || mCorners == 0)
            return eSuccess;
        PaintCorners(painter, rect, mCorners);
    }
    return CompressImage();
}

eResultCode CRoRectWidget::LoadWidgetDataBlock(gCStream* stream)
{
    return LoadPlainBlock(stream, &CRoRectWidget::ParseWidgetChunk);
}

eResultCode CRoRectWidget::ParseWidgetChunk(uint32_t tag, gCStream* stream, CWidgetDataHolder& holder)
{
    const sChunkReader read{stream};
    // A refused value is reported like a failed read of its tag.
    auto readFloat = [&](const char* message, eResultCode (CRoRectWidget::*set)(float, bool, bool)) {
        float value = 0.0f;
        PNU_TRY(read.Float(value, message));
        return read.Reported((this->*set)(value, false, false), message);
    };
    auto readCorner = [&](const char* message, uint32_t bit) {
        int32_t value = 0;
        PNU_TRY(read.Int(value, message));
        return value == 1 ? AddCorners(bit, false, false) : RemoveCorners(bit, false, false);
    };
    switch (tag) {
    case FourCharCode("rrad"): return readFloat("RoRectWidget rrad.", &CRoRectWidget::SetRadius);
    case FourCharCode("rbwd"): return readFloat("RoRectWidget rbwd.", &CRoRectWidget::SetBorderWidth);
    case FourCharCode("rtbh"): return readFloat("RoRectWidget rtbh.", &CRoRectWidget::SetTitleBarHeight);
    case FourCharCode("rbcl"): {
        int32_t colour = 0;
        PNU_TRY(read.Int(colour, "RoRectWidget rbcl."));
        return SetBorderColour(uint32_t(colour), false, false);
    }
    case FourCharCode("rctl"): return readCorner("RoRectWidget rctl.", kTopLeft);
    case FourCharCode("rctr"): return readCorner("RoRectWidget rctr.", kTopRight);
    case FourCharCode("rcbl"): return readCorner("RoRectWidget rcbl.", kBottomLeft);
    case FourCharCode("rcbr"): return readCorner("RoRectWidget rcbr.", kBottomRight);
    default: return CCoWidget::ParseWidgetChunk(tag, stream, holder);
    }
}
