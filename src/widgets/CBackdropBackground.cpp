// The backdrop's own content: an opaque colour, a tiled image and a gradient over both, painted
// row by row into each area the backdrop repaints. The layers, bottom to top:
//
//    gradient  ~ ~ ~ ~ ~ ~ ~ ~ ~ ~ ~ ~ ~ ~ ~ ~ ~ ~ ~   laid over at its opacity times its own
//                                                     alpha: by rows from top to bottom, at an
//                                                     angle, or circular about a centre
//    image     [tile][tile][tile][tile][tile][tile]   repeated from the backdrop's origin, in
//              [tile][tile][tile][tile][tile][tile]   place of the colour (when it has pixels)
//    colour    #####################################  opaque
//
// The angled and circular gradients pick one of the table's 4096 entries per pixel:
//
//     angled, at a turn t                        circular, about a centre
//     +----------------------------------+       +----------------------------------+
//     | 0 .. . .. ..                     |       | 4095    .   .   .   .       4095 |
//     |     entries step by dx along a   |       |      .     .-----.     .         |
//     |  row and by dy down a column,    |       |     .     (   0   )     .        |
//     |  in 16.16 fixed point: 2047 in   |       |      .     '-----'     .         |
//     |  the middle     .. . .. .. 4095  |       | 4095    .   .   .   .       4095 |
//     +----------------------------------+       +----------------------------------+
//     (dx, dy): (-sin, cos) of t over the        the distance from the centre times k:
//     backdrop's extent along t                  the farthest corner takes 4095
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

// The alpha the gradient colour G is laid with: its own alpha scaled by the gradient's opacity.
uint32_t LaidAlpha(CPixel g, int32_t opacity) { return ((g >> 8) * uint32_t(opacity + 1)) >> 24; }

// The gradient colour G laid over the base B at the gradient's opacity.
CPixel Blend(CPixel base, CPixel g, int32_t opacity)
{
    uint32_t a = LaidAlpha(g, opacity);
    if (a == 0)
        return base;
    if (a == 255)
        return (g & 0x00FFFFFFu) | 0xFF000000u;
    uint32_t redBlue = ((base & 0x00FF00FFu) + ((a * ((g & 0x00FF00FFu) - (base & 0x00FF00FFu) + 0x00010001u)) >> 8)) &
                       0x00FF00FFu;
    uint32_t greenAlpha = ((base & 0xFF00FF00u) + (((g >> 8 & 0xFFu) - (base >> 8 & 0xFFu) + 1u) * a)) & 0xFF00FF00u;
    return redBlue | greenAlpha;
}

// How the gradient runs over a width x height backdrop: down by rows, at an angle (the table
// entry in 16.16 fixed point at (x, y) is base + dx x + dy y, the middle at entry 2047), or
// circular (the entry is the distance from the centre times k, the farthest corner at 4095).
struct sGradientLayout {
    enum eKind { kNone, kRows, kAngled, kCircular } kind = kNone;
    int64_t dx = 0, dy = 0, base = 0;
    int64_t cx = 0, cy = 0;
    double k = 0.0;
};

// An angle of turns (0 runs down); none when it gives no direction (a not-a-number angle).
sGradientLayout AngledLayout(float turns, int32_t width, int32_t height)
{
    sGradientLayout layout;
    float r = turns * 6.2831855f;
    float s = std::sin(r), c = std::cos(r);
    float d = std::fabs(float(height) * c) + std::fabs(float(width) * s);
    if (!(d > 0.0f))
        return layout;
    layout.kind = sGradientLayout::kAngled;
    layout.dx = RoundAway(double(-s / d * 65535.0f * 4095.0f));
    layout.dy = RoundAway(double(c / d * 65535.0f * 4095.0f));
    layout.base = -(layout.dy * height) / 2 - (layout.dx * width) / 2 + 134180865;
    return layout;
}

// About a centre given in fractions of the backdrop.
sGradientLayout CircularLayout(const gCFloatPoint& centre, int32_t width, int32_t height)
{
    sGradientLayout layout;
    layout.kind = sGradientLayout::kCircular;
    layout.cx = RoundAway(double(float(width) * centre.x));
    layout.cy = RoundAway(double(float(height) * centre.y));
    double fx = double(width) * (centre.x > 0.5f ? centre.x : 1.0f - centre.x);
    double fy = double(height) * (centre.y > 0.5f ? centre.y : 1.0f - centre.y);
    double extent = std::sqrt(fx * fx + fy * fy);
    layout.k = extent > 0.0 ? 4095.0 / extent : 0.0;
    return layout;
}

// The layers bottom to top: the opaque colour, the tiled image (when it has pixels) in its place,
// the gradient over either at its opacity.
struct sLayers {
    CPixel colour;
    const CImNav* tiles;
    CGradient* gradient;
    int32_t opacity;
    sGradientLayout layout;
};

// The gradient's colour at (x, y) of an angled or circular layout; step is the angled entry.
CPixel GradientAt(const sLayers& layers, int64_t step, int32_t x, int32_t y)
{
    const sGradientLayout& layout = layers.layout;
    if (layout.kind == sGradientLayout::kAngled)
        return layers.gradient->GetEntry(ClampEntry(step >> 16));
    double ddx = double(x - layout.cx), ddy = double(y - layout.cy);
    return layers.gradient->GetEntry(ClampEntry(RoundAway(std::sqrt(ddx * ddx + ddy * ddy) * layout.k)));
}

// count pixels of row y from column left, of a backdrop height pixels high.
void PaintRow(const sLayers& layers, CPixel* out, int32_t left, int32_t y, int32_t count, int32_t height)
{
    const CPixel* tileRow = layers.tiles ? layers.tiles->Row(y % layers.tiles->GetHeight()) : nullptr;
    const sGradientLayout::eKind kind = layers.layout.kind;
    CPixel rowColour = 0;
    if (kind == sGradientLayout::kRows) {
        rowColour = layers.gradient->GetColour(y, height);
        // A row of the gradient is one colour over the plain colour, and over anything when opaque.
        if (!tileRow || LaidAlpha(rowColour, layers.opacity) == 255) {
            std::fill(out, out + count, Blend(layers.colour, rowColour, layers.opacity));
            return;
        }
    }
    if (kind == sGradientLayout::kNone && !tileRow) {
        std::fill(out, out + count, layers.colour);
        return;
    }
    int64_t step = layers.layout.dx * left + layers.layout.dy * y + layers.layout.base;
    for (int32_t col = 0; col < count; ++col, step += layers.layout.dx) {
        const int32_t x = left + col;
        CPixel b = tileRow ? tileRow[x % layers.tiles->GetWidth()] : layers.colour;
        if (kind == sGradientLayout::kNone) {
            out[col] = b;
            continue;
        }
        CPixel g = kind == sGradientLayout::kRows ? rowColour : GradientAt(layers, step, x, y);
        out[col] = Blend(b, g, layers.opacity);
    }
}

} // namespace

eResultCode CBackdrop::Paint(const gCRect& rect, CImage* target, int32_t)
{
    const int32_t width = GetWidth(), height = GetHeight();
    gCRect area = rect;
    if (!ClipRect(area, gCRect{0, 0, width, height}))
        return eSuccess;
    const bool gradient = mGradient && mGradientOpacity != 0;
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

    sLayers layers{mBackgroundColour | 0xFF000000u, image ? &tiles : nullptr, mGradient, mGradientOpacity, {}};
    if (gradient && mGradientCircular)
        layers.layout = CircularLayout(mGradientCentre, width, height);
    else if (gradient && mGradientAngle != 0.0f)
        layers.layout = AngledLayout(mGradientAngle, width, height);
    else if (gradient)
        layers.layout.kind = sGradientLayout::kRows;
    for (int32_t row = 0; row < navigator.GetHeight(); ++row)
        PaintRow(layers, navigator.Row(row), area.left, area.top + row, navigator.GetWidth(), height);
    return eSuccess;
}
