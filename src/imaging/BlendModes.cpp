// The pixel loops are plain integer arithmetic on whole rows: GCC vectorizes them only when asked
// at this optimisation level (clang does so by default).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("tree-vectorize")
#endif

#include "imaging/BlendModes.h"

#include "imaging/CImNav.h"
#include "imaging/CImage.h"
#include "imaging/PixelCompositing.h"

#include <algorithm>

namespace {

// Signed arithmetic right shifts are floor divisions by powers of two.
template <int32_t Mode>
inline int32_t Channel(int32_t s, int32_t b, int32_t a)
{
    if constexpr (Mode == eBlendNormal) {
        if (a == 0)
            return b;
        if (a == 255)
            return s;
        return b + (((s - b + 1) * a) >> 8);
    } else if constexpr (Mode == eBlendMultiply) {
        if (a == 0)
            return b;
        if (a == 255)
            return (b * (s + 1)) >> 8;
        int32_t m = ((s + 1) * b) >> 8;
        return b + (((m - b) * a) >> 8);
    } else if constexpr (Mode == eBlendScreen) {
        if (a == 0)
            return b;
        if (a == 255)
            return 255 - (((255 - b) * (256 - s)) >> 8);
        int32_t i = 255 - b;
        int32_t m = ((256 - s) * i) >> 8;
        return 255 - (i + (((m - i) * a) >> 8));
    } else if constexpr (Mode == eBlendOverlay) {
        if (a == 0)
            return b;
        int32_t t = b < 128 ? (b * (s + 1)) >> 7 : 255 - (((256 - s) * (255 - b)) >> 7);
        if (a == 255)
            return t;
        return b + (((t - b) * a) >> 8);
    } else if constexpr (Mode == eBlendScreen2) {
        if (a == 0)
            return b;
        return (b * 65536 + (256 - b) * (s + 1) * a) >> 16;
    } else if constexpr (Mode == eBlendMultiply2) {
        if (a == 0)
            return b;
        return (b * 65536 - b * (256 - s) * a) >> 16;
    } else {
        // Soft light has no transparent shortcut: at a = 0 it still runs with k = 1.
        int32_t k = a + 1;
        int32_t q = b - ((b * (b + 1)) >> 8);
        return b - ((((128 - s) * k + 1) * q) >> 15);
    }
}

template <int32_t Mode>
inline CPixel Pixel(CPixel source, CPixel base)
{
    uint32_t a = source >> 24;
    if constexpr (Mode == eBlendNormal) {
        // At weight 0 the weighted form gives the base exactly, so only the opaque case needs a
        // choice, and it compiles to a select instead of a branch on every pixel's alpha.
        CPixel weighted = BlendNormalWeighted(base, source, a);
        CPixel opaque = (source & 0x00FFFFFFu) | (base & 0xFF000000u);
        return a == 255 ? opaque : weighted;
    } else {
        int32_t ia = int32_t(a);
        uint32_t r = uint32_t(Channel<Mode>(int32_t(PixelRed(source)), int32_t(PixelRed(base)), ia));
        uint32_t g = uint32_t(Channel<Mode>(int32_t(PixelGreen(source)), int32_t(PixelGreen(base)), ia));
        uint32_t b = uint32_t(Channel<Mode>(int32_t(PixelBlue(source)), int32_t(PixelBlue(base)), ia));
        return (base & 0xFF000000u) | ((r & 0xFFu) << 16) | ((g & 0xFFu) << 8) | (b & 0xFFu);
    }
}

// One row of the blend; a null row stands for a constant colour. Which of the two is constant
// is a template argument, so the pixel loop has no test for it.
template <int32_t Mode, bool ConstantSource, bool ConstantBase>
void BlendRow(CPixel* out, const CPixel* in, CPixel sourceColour, const CPixel* under, CPixel baseColour,
              int32_t width)
{
    if constexpr (Mode == eBlendNormal && ConstantSource && !ConstantBase) {
        // An opaque colour replaces the colour bytes and keeps the base alpha: a masked fill.
        if (sourceColour >> 24 == 255) {
            const CPixel colour = sourceColour & 0x00FFFFFFu;
            for (int32_t x = 0; x < width; ++x)
                out[x] = colour | (under[x] & 0xFF000000u);
            return;
        }
        if (sourceColour >> 24 == 0) {
            if (out != under)
                std::copy(under, under + width, out);
            return;
        }
    }
    for (int32_t x = 0; x < width; ++x) {
        CPixel s = ConstantSource ? sourceColour : in[x];
        CPixel b = ConstantBase ? baseColour : under[x];
        out[x] = Pixel<Mode>(s, b);
    }
}

// Walks the top-left area common to all three; a null navigator stands for a constant colour.
template <int32_t Mode, bool ConstantSource, bool ConstantBase>
void WalkRows(CImNav& destination, CImNav* source, CPixel sourceColour, CImNav* base, CPixel baseColour,
              int32_t width, int32_t height)
{
    for (int32_t y = 0; y < height; ++y)
        BlendRow<Mode, ConstantSource, ConstantBase>(destination.Row(y), ConstantSource ? nullptr : source->Row(y),
                                                     sourceColour, ConstantBase ? nullptr : base->Row(y),
                                                     baseColour, width);
}

template <int32_t Mode>
eResultCode Walk(CImNav& destination, CImNav* source, CPixel sourceColour, CImNav* base, CPixel baseColour)
{
    if (!destination.IsLocked() || (source && !source->IsLocked()) || (base && !base->IsLocked()))
        return eBadParameter;
    int32_t width = destination.GetWidth();
    int32_t height = destination.GetHeight();
    if (source) {
        width = std::min(width, source->GetWidth());
        height = std::min(height, source->GetHeight());
    }
    if (base) {
        width = std::min(width, base->GetWidth());
        height = std::min(height, base->GetHeight());
    }
    if (!source)
        WalkRows<Mode, true, false>(destination, source, sourceColour, base, baseColour, width, height);
    else if (!base)
        WalkRows<Mode, false, true>(destination, source, sourceColour, base, baseColour, width, height);
    else
        WalkRows<Mode, false, false>(destination, source, sourceColour, base, baseColour, width, height);
    return eSuccess;
}

template <typename Function>
eResultCode Dispatch(int32_t mode, Function function)
{
    switch (mode) {
    case eBlendNormal: return function.template operator()<eBlendNormal>();
    case eBlendMultiply: return function.template operator()<eBlendMultiply>();
    case eBlendScreen: return function.template operator()<eBlendScreen>();
    case eBlendOverlay: return function.template operator()<eBlendOverlay>();
    case eBlendScreen2: return function.template operator()<eBlendScreen2>();
    case eBlendMultiply2: return function.template operator()<eBlendMultiply2>();
    case eBlendSoftLight: return function.template operator()<eBlendSoftLight>();
    default: return eSuccess;
    }
}

} // namespace

CPixel BlendModePixel(int32_t mode, CPixel source, CPixel base)
{
    CPixel result = base;
    (void)Dispatch(mode, [&]<int32_t Mode>() {
        result = Pixel<Mode>(source, base);
        return eSuccess;
    });
    return result;
}

template <int32_t Mode>
eResultCode BlendNavsMode(CImNav& destination, CImNav& source, CImNav& base)
{
    return Walk<Mode>(destination, &source, 0, &base, 0);
}

template <int32_t Mode>
eResultCode BlendColourMode(CImNav& destination, CPixel colour, CImNav& base)
{
    return Walk<Mode>(destination, nullptr, colour, &base, 0);
}

template <int32_t Mode>
eResultCode BlendOverColourMode(CImNav& destination, CImNav& source, CPixel colour)
{
    return Walk<Mode>(destination, &source, 0, nullptr, colour);
}

template <int32_t Mode>
eResultCode BlendImagesMode(CImage* destination, CImage* source, CImage* base)
{
    if (!destination || !source || !base || !destination->IsCreated() || !source->IsCreated()
        || !base->IsCreated())
        return eBadParameter;
    CImNav out(destination, nullptr);
    CImNav in(source, nullptr);
    CImNav under(base, nullptr);
    if (!out.IsLocked() || !in.IsLocked() || !under.IsLocked())
        return eNoMemory;
    return BlendNavsMode<Mode>(out, in, under);
}

#define PNU_BLEND_MODE_FORMS(Mode)                                                              \
    template eResultCode BlendImagesMode<Mode>(CImage*, CImage*, CImage*);                      \
    template eResultCode BlendNavsMode<Mode>(CImNav&, CImNav&, CImNav&);                        \
    template eResultCode BlendColourMode<Mode>(CImNav&, CPixel, CImNav&);                       \
    template eResultCode BlendOverColourMode<Mode>(CImNav&, CImNav&, CPixel);
PNU_BLEND_MODE_FORMS(0)
PNU_BLEND_MODE_FORMS(1)
PNU_BLEND_MODE_FORMS(2)
PNU_BLEND_MODE_FORMS(3)
PNU_BLEND_MODE_FORMS(4)
PNU_BLEND_MODE_FORMS(5)
PNU_BLEND_MODE_FORMS(6)
#undef PNU_BLEND_MODE_FORMS

eResultCode BlendImages(CImage* destination, CImage* source, CImage* base, int32_t mode)
{
    return Dispatch(mode, [&]<int32_t Mode>() { return BlendImagesMode<Mode>(destination, source, base); });
}

eResultCode BlendNavs(CImNav& destination, CImNav& source, CImNav& base, int32_t mode)
{
    return Dispatch(mode, [&]<int32_t Mode>() { return BlendNavsMode<Mode>(destination, source, base); });
}

eResultCode BlendColour(CImNav& destination, const CPixel* colour, CImNav& base, int32_t mode)
{
    if (mode < eBlendNormal || mode > eBlendSoftLight)
        return eSuccess;
    CPixel copy = *colour;
    return Dispatch(mode, [&]<int32_t Mode>() { return BlendColourMode<Mode>(destination, copy, base); });
}

eResultCode BlendOverColour(CImNav& destination, CImNav& source, const CPixel* colour, int32_t mode)
{
    if (mode < eBlendNormal || mode > eBlendSoftLight)
        return eSuccess;
    CPixel copy = *colour;
    return Dispatch(mode, [&]<int32_t Mode>() { return BlendOverColourMode<Mode>(destination, source, copy); });
}

void BlendRowOver(CPixel* row, const CPixel* source, int32_t count, int32_t mode)
{
    (void)Dispatch(mode, [&]<int32_t Mode>() {
        BlendRow<Mode, false, false>(row, source, 0, row, 0, count);
        return eSuccess;
    });
}

void BlendColourRowOver(CPixel* row, CPixel colour, int32_t count, int32_t mode)
{
    (void)Dispatch(mode, [&]<int32_t Mode>() {
        BlendRow<Mode, true, false>(row, nullptr, colour, row, 0, count);
        return eSuccess;
    });
}
