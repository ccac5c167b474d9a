#include "imaging/Resample.h"

#include "imaging/CImNav.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/CRLE.h"
#include "imaging/CRLE8.h"
#include "imaging/CRLE8Sampler.h"
#include "imaging/CRLESampler.h"
#include "imaging/ImagePair.h"
#include "imaging/PixelCompositing.h"

#include <algorithm>

namespace {

struct sSteps {
    int32_t W, H, w, h;
    int32_t stepX, stepY;
};

template <typename Pixel>
Pixel* RowOf(const CImNavBase& nav, int32_t y)
{
    return reinterpret_cast<Pixel*>(static_cast<uint8_t*>(nav.GetFirstPixel()) + ptrdiff_t(y) * nav.GetRowBytes());
}

template <typename To, typename From>
inline To Convert(From value)
{
    if constexpr (sizeof(To) == sizeof(From))
        return To(value);
    else if constexpr (sizeof(To) == 1)
        return PixelToGrey(value);
    else
        return GreyToPixel(value);
}

inline CPixel Lerp(CPixel p, CPixel q, uint32_t f)
{
    return CRLESampler::Lerp(p, q, f);
}

// The common start of every form: eBadParameter for unlocked navigators, empty sources and sides
// whose 16.16 positions would overflow; "nothing to do" (valid = false, eSuccess) for an empty
// destination.
eResultCode Prepare(int32_t W, int32_t H, int32_t w, int32_t h, sSteps& steps, bool& work)
{
    work = false;
    if (W == 0 || H == 0)
        return eSuccess;
    if (w <= 0 || h <= 0 || W > kMaxResampleSide || H > kMaxResampleSide || w > kMaxResampleSide
        || h > kMaxResampleSide)
        return eBadParameter;
    steps = {W, H, w, h, (w << 16) / W, (h << 16) / H};
    work = true;
    return eSuccess;
}

eResultCode PrepareSteps(CImNavBase& destination, CImNavBase& source, sSteps& steps, bool& work)
{
    work = false;
    if (!destination.IsLocked() || !source.IsLocked())
        return eBadParameter;
    return Prepare(destination.GetWidth(), destination.GetHeight(), source.GetWidth(), source.GetHeight(), steps, work);
}

// Run-length sources: the reader of the image's form and its pixel type.
eResultCode PrepareSteps(CImNavBase& destination, CImageBase* source, sSteps& s, bool& work)
{
    work = false;
    if (!source || !destination.IsLocked() || !source->IsCreated())
        return eBadParameter;
    bool wide = source->GetBitsPerPixel() == 32;
    bool hasForm = wide ? static_cast<CImage*>(source)->GetRLE() != nullptr
                        : static_cast<CImage8*>(source)->GetRLE() != nullptr;
    if (!hasForm)
        return eBadParameter;
    return Prepare(destination.GetWidth(), destination.GetHeight(), source->GetWidth(), source->GetHeight(), s, work);
}

// Runs resample(steps) when the sizes of destination and source (navigator or run-length image)
// leave work to do.
template <typename Source, typename Resample>
eResultCode Resampled(CImNavBase& destination, Source& source, Resample resample)
{
    sSteps s;
    bool work;
    PNU_TRY(PrepareSteps(destination, source, s, work));
    if (!work)
        return eSuccess;
    return resample(s);
}

template <typename Function>
void ForPixelSizes(int32_t destinationBytes, int32_t sourceBytes, Function function)
{
    if (destinationBytes == 4 && sourceBytes == 4)
        function.template operator()<CPixel, CPixel>();
    else if (destinationBytes == 4 && sourceBytes == 1)
        function.template operator()<CPixel, uint8_t>();
    else if (destinationBytes == 1 && sourceBytes == 4)
        function.template operator()<uint8_t, CPixel>();
    else if (destinationBytes == 1 && sourceBytes == 1)
        function.template operator()<uint8_t, uint8_t>();
}

// Box bounds along one axis; every box holds at least one column or row, so no box divides by
// zero even for ratios below 2.
inline void Box(int32_t i, int32_t step, int32_t& from, int32_t& to)
{
    from = (i * step) >> 16;
    to = std::max(from + 1, ((i + 1) * step) >> 16);
}

// Sums of one box, however the rows are read.
struct sBoxSums {
    uint64_t a = 0, r = 0, g = 0, b = 0, grey = 0;
    template <typename Src>
    void Add(Src value)
    {
        if constexpr (sizeof(Src) == 4) {
            a += PixelAlpha(value);
            r += PixelRed(value);
            g += PixelGreen(value);
            b += PixelBlue(value);
        } else {
            grey += value;
        }
    }
    template <typename Dst, typename Src>
    Dst Average(uint64_t n) const
    {
        if constexpr (sizeof(Src) == 4) {
            if constexpr (sizeof(Dst) == 4)
                return MakePixel(uint32_t(a / n), uint32_t(r / n), uint32_t(g / n), uint32_t(b / n));
            else
                return uint8_t((r + g + b) / (3 * n));
        } else {
            return Convert<Dst>(uint8_t(grey / n));
        }
    }
};

template <typename Dst, typename Src, typename ReadBoxRow>
void ReduceRows(const CImNavBase& destination, const sSteps& s, ReadBoxRow readBoxRow)
{
    for (int32_t y = 0; y < s.H; ++y) {
        int32_t y0, y1;
        Box(y, s.stepY, y0, y1);
        Dst* out = RowOf<Dst>(destination, y);
        for (int32_t x = 0; x < s.W; ++x) {
            int32_t x0, x1;
            Box(x, s.stepX, x0, x1);
            sBoxSums sums;
            for (int32_t yy = y0; yy < y1; ++yy)
                readBoxRow(yy, x0, x1, sums);
            out[x] = sums.template Average<Dst, Src>(uint64_t(x1 - x0) * uint64_t(y1 - y0));
        }
    }
}

// One axis of the bilinear walk: the first index, the weight towards the next, and whether the
// position has a right (or lower) neighbour; otherwise the single index of the edge rule.
struct sTap {
    int32_t index;
    uint32_t weight;
    bool pair;
};

inline int32_t Phase(int32_t step)
{
    return step >= 32768 ? 65536 - step : 32768;
}

inline sTap TapAt(int32_t position, int32_t size)
{
    uint32_t weight = uint32_t(position >> 8) & 255u;
    uint32_t index = uint32_t(position >> 16) & 0xFFFFu;
    if (int64_t(index) < int64_t(size) - 1)
        return {int32_t(index), weight, true};
    // Positions just below 0 wrap to 65535 and stand for row or column 0.
    int32_t single = index < 32768 ? int32_t(index) : int32_t(index) - 65535;
    return {std::clamp(single, 0, size - 1), weight, false};
}

template <typename Src>
inline Src Bilinear(const Src* row0, const Src* row1, const sTap& tx, uint32_t fy)
{
    if constexpr (sizeof(Src) == 4) {
        if (tx.pair) {
            CPixel top = Lerp(row0[tx.index], row0[tx.index + 1], tx.weight);
            CPixel bottom = Lerp(row1[tx.index], row1[tx.index + 1], tx.weight);
            return Lerp(top, bottom, fy);
        }
        return Lerp(row0[tx.index], row1[tx.index], fy);
    } else {
        int32_t f = int32_t(tx.weight), g = int32_t(fy);
        if (tx.pair) {
            int32_t a = row0[tx.index], b = row0[tx.index + 1], c = row1[tx.index], d = row1[tx.index + 1];
            int32_t top = a + (((b - a) * f) >> 8);
            int32_t bottom = c + (((d - c) * f) >> 8);
            return uint8_t((top + (((bottom - top) * g) >> 8)) & 0xFF);
        }
        int32_t a = row0[tx.index], c = row1[tx.index];
        return uint8_t((a + (((c - a + 1) * g) >> 8)) & 0xFF);
    }
}

template <typename Dst, typename Src>
void Stretch(const CImNavBase& destination, const CImNavBase& source, const sSteps& s)
{
    int32_t phaseX = Phase(s.stepX), phaseY = Phase(s.stepY);
    for (int32_t y = 0; y < s.H; ++y) {
        sTap ty = TapAt(y * s.stepY - phaseY, s.h);
        const Src* row0 = RowOf<Src>(source, ty.index);
        const Src* row1 = ty.pair ? RowOf<Src>(source, ty.index + 1) : row0;
        Dst* out = RowOf<Dst>(destination, y);
        // 64 bits: the step after the last column may pass the 32-bit range.
        int64_t px = -phaseX;
        for (int32_t x = 0; x < s.W; ++x, px += s.stepX)
            out[x] = Convert<Dst>(Bilinear<Src>(row0, row1, TapAt(int32_t(px), s.w), ty.weight));
    }
}

inline CPixel WithColourOf(CPixel transparent, CPixel colour)
{
    return (transparent & 0xFF000000u) | (colour & 0x00FFFFFFu);
}

// Transparent neighbours borrow a neighbour's colour before the interpolation, so that their
// arbitrary colour bits do not bleed into the result. Returns false when all four are clear.
inline bool BorrowColours(CPixel& p00, CPixel& p01, CPixel& p10, CPixel& p11)
{
    bool t00 = PixelAlpha(p00) == 0, t01 = PixelAlpha(p01) == 0;
    bool t10 = PixelAlpha(p10) == 0, t11 = PixelAlpha(p11) == 0;
    if (t00 && t01 && t10 && t11)
        return false;
    if (!(t00 || t01 || t10 || t11))
        return true;
    if (t00)
        p00 = WithColourOf(p00, p01);
    else if (t01)
        p01 = WithColourOf(p01, p00);
    else if (t10)
        p10 = WithColourOf(p10, p11);
    else if (t11)
        p11 = WithColourOf(p11, p10);
    if (t00 || t01) {
        if (t10)
            p10 = WithColourOf(p10, p11);
        else if (t11)
            p11 = WithColourOf(p11, p10);
    }
    if (t00 && t01) {
        p00 = WithColourOf(p00, p10);
        p01 = WithColourOf(p01, p11);
    }
    if (t10 && t11) {
        p10 = WithColourOf(p10, p00);
        p11 = WithColourOf(p11, p01);
    }
    return true;
}

// The alpha-aware stretches; Blend composites every result over the destination.
template <bool Blend>
eResultCode StretchAlpha(CImNav& destination, CImNav& source)
{
    return Resampled(destination, source, [&](const sSteps& s) -> eResultCode {
        auto store = [](CPixel* out, CPixel value) {
            if constexpr (Blend)
                BlendPixelAlpha(out, &value);
            else
                *out = value;
        };
        bool box = Blend ? (s.stepX >= 131072 && s.stepY >= 131072) : (s.stepX >= 131072 || s.stepY >= 131072);
        if (box) {
            for (int32_t y = 0; y < s.H; ++y) {
                int32_t y0, y1;
                Box(y, s.stepY, y0, y1);
                CPixel* out = destination.Row(y);
                for (int32_t x = 0; x < s.W; ++x) {
                    int32_t x0, x1;
                    Box(x, s.stepX, x0, x1);
                    uint64_t S = 0, r = 0, g = 0, b = 0;
                    for (int32_t yy = y0; yy < y1; ++yy) {
                        const CPixel* in = source.Row(yy);
                        for (int32_t xx = x0; xx < x1; ++xx) {
                            uint32_t a = PixelAlpha(in[xx]);
                            S += a;
                            r += uint64_t(PixelRed(in[xx])) * a;
                            g += uint64_t(PixelGreen(in[xx])) * a;
                            b += uint64_t(PixelBlue(in[xx])) * a;
                        }
                    }
                    if (S == 0) {
                        if constexpr (!Blend)
                            out[x] = 0;
                        continue;
                    }
                    uint64_t n = uint64_t(x1 - x0) * uint64_t(y1 - y0);
                    store(out + x, MakePixel(uint32_t(S / n) & 0xFF, uint32_t(r / S) & 0xFF, uint32_t(g / S) & 0xFF,
                                             uint32_t(b / S) & 0xFF));
                }
            }
            return eSuccess;
        }
        int32_t phaseX = Phase(s.stepX), phaseY = Phase(s.stepY);
        for (int32_t y = 0; y < s.H; ++y) {
            sTap ty = TapAt(y * s.stepY - phaseY, s.h);
            const CPixel* row0 = source.Row(ty.index);
            const CPixel* row1 = ty.pair ? source.Row(ty.index + 1) : row0;
            CPixel* out = destination.Row(y);
            int64_t px = -phaseX;
            for (int32_t x = 0; x < s.W; ++x, px += s.stepX) {
                sTap tx = TapAt(int32_t(px), s.w);
                CPixel value;
                if (tx.pair) {
                    CPixel p00 = row0[tx.index], p01 = row0[tx.index + 1];
                    CPixel p10 = row1[tx.index], p11 = row1[tx.index + 1];
                    if (!BorrowColours(p00, p01, p10, p11)) {
                        value = 0;
                    } else {
                        value = Lerp(Lerp(p00, p01, tx.weight), Lerp(p10, p11, tx.weight), ty.weight);
                    }
                } else {
                    // The edge rule has no colour fix-up; two transparent taps still give
                    // transparent black, as the interior does when all its taps are clear.
                    CPixel p0 = row0[tx.index], p1 = row1[tx.index];
                    value = (PixelAlpha(p0) | PixelAlpha(p1)) == 0 ? 0 : Lerp(p0, p1, ty.weight);
                }
                store(out + x, value);
            }
        }
        return eSuccess;
    });
}

template <typename Function>
void WithRunLength(CImNavBase& destination, CImageBase* source, Function function)
{
    if (source->GetBitsPerPixel() == 32) {
        const CRLE& rle = *static_cast<CImage*>(source)->GetRLE();
        if (destination.GetBytesPerPixel() == 4)
            function.template operator()<CPixel, CPixel>(rle);
        else
            function.template operator()<uint8_t, CPixel>(rle);
    } else {
        const CRLE8& rle = *static_cast<CImage8*>(source)->GetRLE();
        if (destination.GetBytesPerPixel() == 4)
            function.template operator()<CPixel, uint8_t>(rle);
        else
            function.template operator()<uint8_t, uint8_t>(rle);
    }
}

} // namespace

eResultCode ResizeImagePixelsNearest(CImNavBase& destination, CImNavBase& source)
{
    return Resampled(destination, source, [&](const sSteps& s) -> eResultCode {
        ForPixelSizes(destination.GetBytesPerPixel(), source.GetBytesPerPixel(), [&]<typename Dst, typename Src>() {
            for (int32_t y = 0; y < s.H; ++y) {
                const Src* in = RowOf<Src>(source, (y * s.stepY) >> 16);
                Dst* out = RowOf<Dst>(destination, y);
                int32_t position = 0;
                int32_t column = 0;
                Dst value = Convert<Dst>(in[0]);
                for (int32_t x = 0; x < s.W; ++x, position += s.stepX) {
                    if ((position >> 16) != column) {
                        column = position >> 16;
                        value = Convert<Dst>(in[column]);
                    }
                    out[x] = value;
                }
            }
        });
        return eSuccess;
    });
}

eResultCode ReduceImagePixels(CImNavBase& destination, CImNavBase& source)
{
    return Resampled(destination, source, [&](const sSteps& s) -> eResultCode {
        ForPixelSizes(destination.GetBytesPerPixel(), source.GetBytesPerPixel(), [&]<typename Dst, typename Src>() {
            ReduceRows<Dst, Src>(destination, s, [&](int32_t yy, int32_t x0, int32_t x1, sBoxSums& sums) {
                const Src* in = RowOf<Src>(source, yy);
                for (int32_t xx = x0; xx < x1; ++xx)
                    sums.Add(in[xx]);
            });
        });
        return eSuccess;
    });
}

eResultCode StretchImagePixels(CImNavBase& destination, CImNavBase& source, int32_t allowReduce)
{
    return Resampled(destination, source, [&](const sSteps& s) -> eResultCode {
        if (allowReduce && s.stepX >= 131072 && s.stepY >= 131072)
            return ReduceImagePixels(destination, source);
        ForPixelSizes(destination.GetBytesPerPixel(), source.GetBytesPerPixel(),
                      [&]<typename Dst, typename Src>() { Stretch<Dst, Src>(destination, source, s); });
        return eSuccess;
    });
}

eResultCode StretchImagePixelsAlpha(CImNav& destination, CImNav& source)
{
    return StretchAlpha<false>(destination, source);
}

eResultCode StretchBlendImagePixels(CImNav& destination, CImNav& source)
{
    return StretchAlpha<true>(destination, source);
}

eResultCode ResizeFromRunLengthNearest(CImNavBase& destination, CImageBase* source)
{
    return Resampled(destination, source, [&](const sSteps& s) -> eResultCode {
        WithRunLength(destination, source, [&]<typename Dst, typename Src>(const auto& rle) {
            for (int32_t y = 0; y < s.H; ++y) {
                auto reader = rle.SeekReader(0, (y * s.stepY) >> 16);
                Dst* out = RowOf<Dst>(destination, y);
                int32_t read = 0; // columns read so far
                Src value{};
                int32_t position = 0;
                for (int32_t x = 0; x < s.W; ++x, position += s.stepX) {
                    while (read <= (position >> 16)) {
                        value = rle.Read(reader);
                        ++read;
                    }
                    out[x] = Convert<Dst>(value);
                }
            }
        });
        return eSuccess;
    });
}

eResultCode ReduceFromRunLength(CImNavBase& destination, CImageBase* source)
{
    return Resampled(destination, source, [&](const sSteps& s) -> eResultCode {
        WithRunLength(destination, source, [&]<typename Dst, typename Src>(const auto& rle) {
            ReduceRows<Dst, Src>(destination, s, [&](int32_t yy, int32_t x0, int32_t x1, sBoxSums& sums) {
                auto reader = rle.SeekReader(x0, yy);
                for (int32_t xx = x0; xx < x1; ++xx)
                    sums.Add(Src(rle.Read(reader)));
            });
        });
        return eSuccess;
    });
}

eResultCode StretchFromRunLength(CImNavBase& destination, CImageBase* source, int32_t allowReduce)
{
    return Resampled(destination, source, [&](const sSteps& s) -> eResultCode {
        if (allowReduce && s.stepX >= 131072 && s.stepY >= 131072)
            return ReduceFromRunLength(destination, source);
        int32_t phaseX = Phase(s.stepX), phaseY = Phase(s.stepY);
        WithRunLength(destination, source, [&]<typename Dst, typename Src>(const auto& rle) {
            using Sampler = std::conditional_t<sizeof(Src) == 4, CRLESampler, CRLE8Sampler>;
            Sampler sampler(rle);
            for (int32_t y = 0; y < s.H; ++y) {
                int32_t py = y * s.stepY - phaseY;
                int32_t fy = (py >> 8) & 255;
                sampler.Setup(-1, py >> 16, (py >> 16) + 1);
                Dst* out = RowOf<Dst>(destination, y);
                int64_t px = -phaseX;
                for (int32_t x = 0; x < s.W; ++x, px += s.stepX)
                    out[x] = Convert<Dst>(Src(sampler.Sample(int32_t(px >> 16), int32_t((px >> 8) & 255), fy)));
            }
        });
        return eSuccess;
    });
}

eResultCode ResizeImageNearest(CImageBase* destination, CImageBase* source)
{
    return OnImagePair<CImNavBase>(destination, source, nullptr,
                                   [](CImNavBase& out, CImageBase* image, CImNavBase* in) {
                                       return in ? ResizeImagePixelsNearest(out, *in)
                                                 : ResizeFromRunLengthNearest(out, image);
                                   });
}

eResultCode StretchImage(CImageBase* destination, CImageBase* source, int32_t allowReduce)
{
    return OnImagePair<CImNavBase>(destination, source, nullptr,
                                   [allowReduce](CImNavBase& out, CImageBase* image, CImNavBase* in) {
                                       return in ? StretchImagePixels(out, *in, allowReduce)
                                                 : StretchFromRunLength(out, image, allowReduce);
                                   });
}

template <bool Blend>
static eResultCode StretchAlphaImages(CImage* destination, CImage* source)
{
    if (!destination || !source || source->IsCompressed())
        return eBadParameter;
    return OnImagePair<CImNav>(destination, source, nullptr, [](CImNav& out, CImageBase*, CImNav* in) {
        return Blend ? StretchBlendImagePixels(out, *in) : StretchImagePixelsAlpha(out, *in);
    });
}

eResultCode StretchImageAlpha(CImage* destination, CImage* source)
{
    return StretchAlphaImages<false>(destination, source);
}

eResultCode StretchBlendImage(CImage* destination, CImage* source)
{
    return StretchAlphaImages<true>(destination, source);
}
