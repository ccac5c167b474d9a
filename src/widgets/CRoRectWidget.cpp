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
        const CPixel fill = mColour;
        const CPixel border = mBorderColour;
        navigator.Fill(&fill);
        CPainter painter(navigator);
        const int32_t w = navigator.GetWidth(), h = navigator.GetHeight();
        const int32_t maxX = w - 1, maxY = h - 1;
        const float R = Bounded(mRadius), B = Bounded(mBorderWidth), T = Bounded(mTitleBarHeight);

        const float top = T > B ? T : B;
        const float topBand = std::min(top, (float(maxY) - B) - 1.0f);
        const int32_t n = int32_t(topBand);
        if (topBand > 0.0f) {
            painter.Rows(0, int64_t(n) - 1, border);
            if (n <= maxY)
                painter.Columns(n, 0, maxX, MixPixel(fill, border, Coverage(topBand - float(n))));
        }
        const float b = (float(maxY) - B) + 1.0f;
        const float bottomStart = topBand < b ? b : topBand;
        const int32_t m = topBand < b ? int32_t(b) : n;
        if (B > 0.0f) {
            painter.Rows(int64_t(m) + 1, maxY, border);
            painter.Columns(m, 0, maxX, MixPixel(fill, border, Coverage(float(m + 1) - bottomStart)));
            const int32_t c = std::min(int32_t(B), w - 2);
            for (int64_t y = std::max<int64_t>(n, 0); y <= std::min<int64_t>(m, maxY); ++y) {
                const int32_t row = int32_t(y);
                painter.Columns(row, 0, int64_t(c) - 1, border);
                painter.Columns(row, int64_t(maxX) - c + 1, maxX, border);
                if (B < float(maxX) - B) {
                    const CPixel q = MixPixel(painter.Get(c, row), border, Coverage(B - float(c)));
                    painter.Set(maxX - c, row, q);
                    painter.Set(c, row, q);
                }
            }
        }
        if (!(R > 0.0f) || mCorners == 0)
            return eSuccess;

        float innerR = R - B, outer2 = 0.0f, inner2 = 0.0f;
        if (R - B + 1.0f > 0.0f) {
            outer2 = (R - B + 1.0f) * (R - B + 1.0f);
        } else {
            innerR = -1.0f;
        }
        if (innerR <= 0.0f)
            innerR = 0.0f;
        else
            inner2 = innerR * innerR;
        const int32_t N = std::min(std::min(w, h) >> 1, int32_t(R) + 2);
        const int32_t Tt = int32_t(T);
        auto bandColour = [&](int32_t row) -> CPixel {
            if (!(T > B) || row > Tt)
                return fill;
            return row < Tt ? border : MixPixel(fill, border, Coverage(T - float(Tt)));
        };
        const bool tl = mCorners & kTopLeft, tr = mCorners & kTopRight;
        const bool bl = mCorners & kBottomLeft, br = mCorners & kBottomRight;
        const float outside2 = (R + 1.0f) * (R + 1.0f);
        for (int32_t y = 0; y <= N; ++y) {
            const float dy2 = R - float(y) > 0.0f ? (R - float(y)) * (R - float(y)) : 0.0f;
            const CPixel topC = bandColour(y);
            const CPixel botC = bandColour(maxY - y);
            for (int32_t x = 0; x <= N; ++x) {
                const float dx2 = R - float(x) > 0.0f ? (R - float(x)) * (R - float(x)) : 0.0f;
                const float d2 = dx2 + dy2;
                if (d2 > outside2) {
                    if (tl) painter.Set(x, y, 0);
                    if (bl) painter.Set(x, maxY - y, 0);
                    if (tr) painter.Set(maxX - x, y, 0);
                    if (br) painter.Set(maxX - x, maxY - y, 0);
                    continue;
                }
                if (B > 0.0f && B < R) {
                    CPixel ct = border, cb = border;
                    if (d2 < inner2) {
                        ct = topC;
                        cb = botC;
                    } else if (d2 <= outer2) {
                        const int32_t a = 255 - Coverage(std::sqrt(d2) - innerR);
                        ct = MixPixel(border, topC, a);
                        cb = MixPixel(border, botC, a);
                    }
                    if (tl) painter.Set(x, y, ct);
                    if (tr) painter.Set(maxX - x, y, ct);
                    if (bl) painter.Set(x, maxY - y, cb);
                    if (br) painter.Set(maxX - x, maxY - y, cb);
                }
                if (d2 > R * R) {
                    const uint32_t a = uint32_t(Coverage((R + 1.0f) - std::sqrt(d2)));
                    auto fade = [&](int32_t px, int32_t py) {
                        const CPixel p = painter.Get(px, py);
                        painter.Set(px, py, (p & 0x00FFFFFFu) | (((p >> 8) * (a + 1u)) & 0xFF000000u));
                    };
                    if (tl) fade(x, y);
                    if (tr) fade(maxX - x, y);
                    if (bl) fade(x, maxY - y);
                    if (br) fade(maxX - x, maxY - y);
                }
            }
        }
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
