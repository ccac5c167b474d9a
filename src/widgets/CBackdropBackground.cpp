// The backdrop's own content: an opaque colour, a tiled image and a gradient over both.
#include "widgets/CBackdrop.h"

#include "imaging/CGradient.h"
#include "imaging/CImNav.h"
#include "imaging/CImage.h"

#include <algorithm>
#include <cmath>

namespace {

// Half away from zero, then truncation.
int64_t RoundAway(double v) { return int64_t(v > 0.0 ? v + 0.5 : v - 0.5); }

int32_t ClampEntry(int64_t index) { return index < 0 ? 0 : index > 4095 ? 4095 : int32_t(index); }

// The gradient colour G laid over the base B at the gradient's opacity.
CPixel Blend(CPixel base, CPixel g, int32_t opacity)
{
    uint32_t a = ((g >> 8) * uint32_t(opacity + 1)) >> 24;
    if (a == 0)
        return base;
    if (a == 255)
        return (g & 0x00FFFFFFu) | 0xFF000000u;
    uint32_t redBlue = ((base & 0x00FF00FFu) + ((a * ((g & 0x00FF00FFu) - (base & 0x00FF00FFu) + 0x00010001u)) >> 8)) &
                       0x00FF00FFu;
    uint32_t greenAlpha = ((base & 0xFF00FF00u) + (((g >> 8 & 0xFFu) - (base >> 8 & 0xFFu) + 1u) * a)) & 0xFF00FF00u;
    return redBlue | greenAlpha;
}

} // namespace

eResultCode CBackdrop::Paint(const gCRect& rect, CImage* target, int32_t)
{
    const int32_t width = GetWidth(), height = GetHeight();
    gCRect area = rect;
    if (!ClipRect(area, gCRect{0, 0, width, height}))
        return eSuccess;
    const CPixel colour = mBackgroundColour | 0xFF000000u;
    bool gradient = mGradient && mGradientOpacity != 0;
    if (gradient && mGradient->IsDirty())
        mGradient->BuildTable();

    CImNav navigator(target, &area);
    if (!navigator.IsLocked())
        return eNoMemory;
    CImage* image = mBackgroundImage && mBackgroundImage->HasPixelBuffer() ? mBackgroundImage : nullptr;
    CImNav tiles(image, nullptr);
    if (image && !tiles.IsLocked())
        return eNoMemory;
    if (tiles.GetWidth() <= 0 || tiles.GetHeight() <= 0)
        image = nullptr;

    // Linear gradient at an angle: entries step in 16.16 fixed point along each row.
    int64_t dx = 0, dy = 0, base = 0;
    bool angled = gradient && !mGradientCircular && mGradientAngle != 0.0f;
    if (angled) {
        float r = mGradientAngle * 6.2831855f;
        float s = std::sin(r), c = std::cos(r);
        float d = std::fabs(float(height) * c) + std::fabs(float(width) * s);
        if (!(d > 0.0f)) {
            angled = gradient = false;
        } else {
            dx = RoundAway(double(-s / d * 65535.0f * 4095.0f));
            dy = RoundAway(double(c / d * 65535.0f * 4095.0f));
            base = -(dy * height) / 2 - (dx * width) / 2 + 134180865;
        }
    }
    // Circular gradient: distance from the centre, the farthest side at the last entry.
    int64_t cx = 0, cy = 0;
    double k = 0.0;
    bool circular = gradient && mGradientCircular;
    if (circular) {
        cx = RoundAway(double(float(width) * mGradientCentre.x));
        cy = RoundAway(double(float(height) * mGradientCentre.y));
        double fx = double(width) * (mGradientCentre.x > 0.5f ? mGradientCentre.x : 1.0f - mGradientCentre.x);
        double fy = double(height) * (mGradientCentre.y > 0.5f ? mGradientCentre.y : 1.0f - mGradientCentre.y);
        double extent = std::sqrt(fx * fx + fy * fy);
        k = extent > 0.0 ? 4095.0 / extent : 0.0;
    }

    for (int32_t row = 0; row < navigator.GetHeight(); ++row) {
        const int32_t y = area.top + row;
        CPixel* out = navigator.Row(row);
        const CPixel* tileRow = image ? tiles.Row(y % tiles.GetHeight()) : nullptr;
        CPixel rowColour = 0;
        bool plainRow = gradient && !angled && !circular;
        if (plainRow) {
            rowColour = mGradient->GetColour(y, height);
            if ((((rowColour >> 8) * uint32_t(mGradientOpacity + 1)) >> 24) == 255) {
                CPixel fill = (rowColour & 0x00FFFFFFu) | 0xFF000000u;
                for (int32_t col = 0; col < navigator.GetWidth(); ++col)
                    out[col] = fill;
                continue;
            }
            // Over the plain colour the row is one colour too.
            if (!tileRow) {
                std::fill(out, out + navigator.GetWidth(), Blend(colour, rowColour, mGradientOpacity));
                continue;
            }
        }
        if (!gradient && !tileRow) {
            std::fill(out, out + navigator.GetWidth(), colour);
            continue;
        }
        int64_t step = dx * area.left + dy * y + base;
        for (int32_t col = 0; col < navigator.GetWidth(); ++col, step += dx) {
            const int32_t x = area.left + col;
            CPixel b = tileRow ? tileRow[x % tiles.GetWidth()] : colour;
            if (!gradient) {
                out[col] = b;
                continue;
            }
            CPixel g;
            if (plainRow) {
                g = rowColour;
            } else if (angled) {
                g = mGradient->GetEntry(ClampEntry(step >> 16));
            } else {
                double ddx = double(x - cx), ddy = double(y - cy);
                g = mGradient->GetEntry(ClampEntry(RoundAway(std::sqrt(ddx * ddx + ddy * ddy) * k)));
            }
            out[col] = Blend(b, g, mGradientOpacity);
        }
    }
    return eSuccess;
}
