#include "imaging/CGradient.h"

#include "FileIO/gCFile.h"
#include "FileIO/gCStream.h"
#include "core/CheckedSize.h"
#include "core/ReadiedOrNull.h"
#include "imaging/CImNav.h"
#include "imaging/CImage.h"
#include "resources/CResourceContext.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr uint32_t kOpaqueBlack = 0xFF000000u;
constexpr uint32_t kOpaqueWhite = 0xFFFFFFFFu;
constexpr int32_t kLastIndex = CGradient::kTableSize - 1;

inline int32_t RoundHalfAway(float value)
{
    return value > 0.0f ? int32_t(value + 0.5f) : int32_t(value - 0.5f);
}

// Stops read from files may lie anywhere; their table index is kept inside the table so that a
// fill can never write beyond it.
int32_t TableIndex(float position)
{
    float scaled = position * 4095.0f;
    if (!(scaled > 0.0f))
        return 0;
    if (scaled >= 4095.0f)
        return kLastIndex;
    return RoundHalfAway(scaled);
}

inline uint32_t Lerp(uint32_t s, uint32_t e, uint32_t f)
{
    uint32_t rb = (((((e & 0x00FF00FFu) - (s & 0x00FF00FFu)) * f) >> 8) + (s & 0x00FF00FFu)) & 0x00FF00FFu;
    uint32_t ag = ((f * (((e & 0xFF00FF00u) >> 8) - ((s & 0xFF00FF00u) >> 8))) + (s & 0xFF00FF00u)) & 0xFF00FF00u;
    return rb | ag;
}

// Grey entries: alpha in the top byte, a 16-bit grey level in the low half. The grey level is
// interpolated on its own, so a change of alpha between two stops never leaks into it.
inline uint32_t LerpGrey(uint32_t s, uint32_t e, uint32_t f)
{
    int32_t sg = int32_t(s & 0xFFFFu), eg = int32_t(e & 0xFFFFu);
    uint32_t grey = uint32_t(sg + int32_t((int64_t(eg - sg) * int64_t(f)) >> 16)) & 0xFFFFu;
    uint32_t alpha = (((e >> 24) - (s >> 24)) * 256u * f) & 0xFF000000u;
    return grey | (alpha + (s & 0xFF000000u));
}

inline float CatmullRom(float p0, float p1, float p2, float p3, float t)
{
    return 0.5f * ((((3.0f * (p1 - p2) - p0 + p3) * t + (2.0f * p0 - 5.0f * p1 + 4.0f * p2 - p3)) * t + (p2 - p0)) * t
                   + 2.0f * p1);
}

inline uint32_t CubicChannel(uint32_t s, uint32_t e, uint32_t after, float t, int32_t maximum)
{
    float value = CatmullRom(float(s), float(s), float(e), float(after), t);
    return uint32_t(std::clamp(RoundHalfAway(value), 0, maximum));
}

} // namespace

CGradient::CGradient(const CPixel* start, const CPixel* end)
{
    mTypeCode = kGradientTypeCode;
    // The table needs no stops to be valid, so a failed allocation here only loses a stop.
    (void)mPoints.Add({*start, 0.0f});
    (void)mPoints.Add({*end, 1.0f});
}

CGradient* CGradient::CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    CPixel black = kOpaqueBlack, white = kOpaqueWhite;
    return ReadiedOrNull(new CGradient(&black, &white),
                         [&](CGradient& gradient) { return gradient.LoadFromId(id, file, directory); });
}

CGradient* CGradient::CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    CPixel black = kOpaqueBlack, white = kOpaqueWhite;
    return ReadiedOrNull(new CGradient(&black, &white),
                         [&](CGradient& gradient) { return gradient.LoadFromName(name, file, directory); });
}

eResultCode CGradient::LoadFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    gCFile* source = nullptr;
    PNU_TRY(LocateById(id, file, directory, source));
    return Read(*source);
}

eResultCode CGradient::LoadFromName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    gCFile* source = nullptr;
    PNU_TRY(LocateByName(name, file, directory, source));
    return Read(*source);
}

CGradient& CGradient::operator=(const CGradient& other)
{
    if (this == &other)
        return *this;
    if (mPoints.SetSize(other.mPoints.GetSize()) == eSuccess) {
        for (int32_t i = 0; i < other.mPoints.GetSize(); ++i)
            mPoints[i] = other.mPoints[i];
    }
    mGrey = other.mGrey;
    mInterpolation = other.mInterpolation;
    mDirty = 1;
    return *this;
}

int32_t CGradient::AddGradientPoint(const CPixel* colour, float position)
{
    mDirty = 1;
    if (std::isnan(position))
        return -1;
    int32_t count = mPoints.GetSize();
    if (count == 0)
        return -1;
    CGradientPoint point{*colour, position};
    if (position == 0.0f) {
        mPoints[0] = point;
        return 0;
    }
    // "The integer part is 1", tested on the float so that huge positions read from a file
    // never reach an integer conversion.
    if (position >= 1.0f && position < 2.0f) {
        mPoints[count - 1] = point;
        return count - 1;
    }
    if (position == mPoints[0].position) {
        mPoints[0] = point;
        return 0;
    }
    if (position < mPoints[0].position)
        return mPoints.InsertAt(0, point) == eSuccess ? 0 : -1;
    for (int32_t k = 1; k < count; ++k) {
        if (position == mPoints[k].position) {
            mPoints[k] = point;
            return k;
        }
        if (mPoints[k].position > position)
            return mPoints.InsertAt(k, point) == eSuccess ? k : -1;
    }
    return -1;
}

int32_t CGradient::AddGradientPointAtFraction(const CPixel* colour, int32_t numerator, int32_t denominator)
{
    return AddGradientPoint(colour, float(numerator) / float(denominator));
}

int32_t CGradient::CurrentColourAt(float position, CPixel* colour)
{
    // Outside 0..1 there is no colour in the table; the nearest end stands in, and no position
    // reaches an integer conversion out of range.
    float index = std::isnan(position) ? 0.0f : std::clamp(position, 0.0f, 1.0f) * 4095.0f * 256.0f;
    *colour = GetInterpolatedColour(RoundHalfAway(index));
    return 0;
}

int32_t CGradient::AddPointAt(float position)
{
    CPixel colour;
    (void)CurrentColourAt(position, &colour);
    return AddGradientPoint(&colour, position);
}

int32_t CGradient::SetColourAt(const CPixel* colour, float position)
{
    CPixel current;
    (void)CurrentColourAt(position, &current);
    CPixel mixed = (*colour & 0x00FFFFFFu) | (current & 0xFF000000u);
    return AddGradientPoint(&mixed, position);
}

int32_t CGradient::SetColourAtFraction(const CPixel* colour, int32_t numerator, int32_t denominator)
{
    return SetColourAt(colour, float(numerator) / float(denominator));
}

int32_t CGradient::SetAlphaAt(uint32_t alpha, float position)
{
    CPixel current;
    (void)CurrentColourAt(position, &current);
    CPixel mixed = (current & 0x00FFFFFFu) | (alpha << 24);
    return AddGradientPoint(&mixed, position);
}

uint32_t CGradient::TableColour(CPixel colour) const
{
    if (!mGrey)
        return colour;
    return (colour & 0xFF000000u) | (((PixelRed(colour) + PixelGreen(colour) + PixelBlue(colour)) / 3) * 257u);
}

void CGradient::Fill(int32_t from, int32_t to, uint32_t s, uint32_t e, uint32_t after)
{
    uint32_t L = uint32_t(to - from);
    uint32_t* out = mTable + from;
    for (uint32_t k = 0; k < L; ++k) {
        uint32_t value;
        if (!mGrey) {
            uint32_t f = (k * 256u / L) & 255u;
            if (mInterpolation == eLinear) {
                value = Lerp(s, e, f);
            } else if (mInterpolation == eSmoothstep) {
                uint32_t g = f * 257u;
                uint32_t w = (((g * g) >> 16) * (0x30000u - 2u * g)) >> 24;
                value = Lerp(s, e, w);
            } else if (mInterpolation == eCubic) {
                float t = float(k) / float(L);
                value = 0;
                for (int shift : {24, 16, 8, 0})
                    value |= CubicChannel((s >> shift) & 0xFF, (e >> shift) & 0xFF, (after >> shift) & 0xFF, t, 255) << shift;
            } else {
                return;
            }
        } else {
            uint32_t f = uint32_t((uint64_t(k) * 65536u / L) & 0xFFFFu);
            if (mInterpolation == eLinear) {
                value = LerpGrey(s, e, f);
            } else if (mInterpolation == eSmoothstep) {
                uint32_t w = (((f * f) >> 16) * (0x30000u - 2u * f)) >> 16;
                value = LerpGrey(s, e, w);
            } else if (mInterpolation == eCubic) {
                float t = float(k) / float(L);
                value = (CubicChannel(s >> 24, e >> 24, after >> 24, t, 255) << 24)
                        | CubicChannel(s & 0xFFFF, e & 0xFFFF, after & 0xFFFF, t, 65535);
            } else {
                return;
            }
        }
        out[k] = value;
    }
}

void CGradient::BuildTable()
{
    mDirty = 0;
    int32_t previousIndex = 0;
    uint32_t previousColour = TableColour(kOpaqueBlack);
    int32_t count = mPoints.GetSize();
    for (int32_t i = 0; i < count; ++i) {
        int32_t index = TableIndex(mPoints[i].position);
        uint32_t colour = TableColour(mPoints[i].colour);
        uint32_t after = TableColour(i + 1 < count ? mPoints[i + 1].colour : mPoints[i].colour);
        if (index > previousIndex)
            Fill(previousIndex, index, previousColour, colour, after);
        previousIndex = index;
        previousColour = colour;
    }
    uint32_t white = TableColour(kOpaqueWhite);
    if (previousIndex <= kLastIndex - 1) {
        Fill(previousIndex, kLastIndex, previousColour, white, white);
        // The fill stops short of the last entry; it gets the colour the fill runs towards, so
        // the end of the gradient never reads a stale or transparent entry.
        mTable[kLastIndex] = white;
    } else {
        mTable[kLastIndex] = previousColour;
    }
}

CPixel CGradient::GetInterpolatedColour(int32_t index)
{
    if (mDirty)
        BuildTable();
    index = std::clamp(index, 0, kLastIndex * 256);
    uint32_t e0 = mTable[index >> 8], e1 = mTable[(index >> 8) + 1];
    uint32_t f = uint32_t(index) & 255u;
    if (!mGrey)
        return Lerp(e0, e1, f);
    return (e0 & 0xFF000000u) + ((f * (((e1 >> 24) - (e0 >> 24)) << 16)) & 0xFF000000u)
           + ((e0 + (((e1 - e0) * f) >> 8)) & 0xFFFFu);
}

CPixel CGradient::GetColour(int32_t value, int32_t range)
{
    if (mDirty)
        BuildTable();
    if (range <= 0)
        return mTable[0];
    if (range > 2047)
        return GetInterpolatedColour(int32_t(int64_t(value) * 0xFFF00 / range));
    int64_t index = int64_t(value) * kTableSize / range;
    return mTable[std::clamp<int64_t>(index, 0, kTableSize)];
}

eResultCode CGradient::RenderToImage(CImage* image, int32_t vertical, int32_t checkerboard)
{
    CImNav nav(image, nullptr);
    if (!nav.IsLocked())
        return eNoMemory;
    if (mDirty)
        BuildTable();
    int32_t width = nav.GetWidth(), height = nav.GetHeight();
    int32_t steps = vertical ? height : width;
    auto colourAt = [&](int32_t i) -> CPixel {
        CPixel c = steps < 2048 ? mTable[int64_t(i) * kTableSize / steps]
                                : GetInterpolatedColour(int32_t(int64_t(i) * 0xFFF00 / steps));
        if (mGrey)
            c = 0xFF000000u | (((c >> 8) & 0xFFu) * 0x010101u);
        return c;
    };
    auto over = [](uint32_t c, uint32_t s) -> CPixel {
        uint32_t a = s >> 24;
        if (a == 0)
            return c;
        if (a == 255)
            return s;
        uint32_t rb = ((c & 0x00FF00FFu) + ((a * ((s & 0x00FF00FFu) - (c & 0x00FF00FFu) + 0x00010001u)) >> 8)) & 0x00FF00FFu;
        uint32_t ag = ((c & 0xFF00FF00u) + (((s >> 8) & 0xFFu) - ((c >> 8) & 0xFFu) + 1u) * a) & 0xFF00FF00u;
        return rb | ag;
    };
    for (int32_t y = 0; y < height; ++y) {
        CPixel* row = nav.Row(y);
        CPixel rowColour = vertical ? colourAt(y) : 0;
        for (int32_t x = 0; x < width; ++x) {
            CPixel c = vertical ? rowColour : colourAt(x);
            if (checkerboard) {
                CPixel check = ((x >> 2) & 1) == ((y >> 2) & 1) ? 0xFFFFFFFFu : 0xFFCCCCCCu;
                c = over(check, c);
            }
            row[x] = c;
        }
    }
    return eSuccess;
}

eResultCode CGradient::Read(gCStream& stream)
{
    int32_t count = 0;
    if (eResultCode result = stream.ReadLong(count); result != eSuccess) {
        ReportResourceError(eResourceReadError, "Error reading number of gradient items.");
        return result;
    }
    for (int32_t i = 0; i < count; ++i) {
        int32_t colour = 0;
        float position = 0.0f;
        if (eResultCode result = stream.ReadLong(colour); result != eSuccess) {
            ReportResourceError(eResourceReadError, "Error reading gradient point colour.");
            return result;
        }
        if (eResultCode result = stream.ReadFloat(position); result != eSuccess) {
            ReportResourceError(eResourceReadError, "Error reading gradient position.");
            return result;
        }
        CPixel pixel = CPixel(colour);
        if (AddGradientPoint(&pixel, position) == -1) {
            ReportResourceError(eResourceReadError, "Error adding gradient point.");
            return eResourceReadError;
        }
    }
    return eSuccess;
}

eResultCode CGradient::ReadVersioned(gCStream& stream)
{
    uint32_t type = 0, version = 0;
    PNU_TRY(stream.ReadULong(type));
    if (type != kGradientTypeCode)
        return eBadParameter;
    PNU_TRY(stream.ReadULong(version));
    if (version != 1)
        return eBadParameter;
    int grey = 0;
    int32_t interpolation = 0, count = 0;
    PNU_TRY(stream.ReadInt(grey));
    mGrey = grey;
    mDirty = 1;
    PNU_TRY(stream.ReadLong(interpolation));
    mInterpolation = interpolation;
    PNU_TRY(stream.ReadLong(count));
    // Every stop takes 8 bytes: a count the rest of the stream cannot hold is a damaged stream,
    // refused before anything is allocated for it.
    const int64_t remaining = stream.GetLength() - stream.GetPos();
    if (remaining < 0 || !SizesFit({count, 8}, uint64_t(remaining)))
        return eStreamError;
    int32_t old = mPoints.GetSize();
    if (mPoints.SetSize(count) != eSuccess)
        return eNoMemory;
    for (int32_t i = old; i < count; ++i)
        mPoints[i] = {kOpaqueBlack, 0.0f};
    for (int32_t i = 0; i < count; ++i) {
        uint32_t colour = 0;
        PNU_TRY(stream.ReadFloat(mPoints[i].position));
        PNU_TRY(stream.ReadULong(colour));
        mPoints[i].colour = colour;
    }
    mDirty = 1;
    return eSuccess;
}

eResultCode CGradient::Write(gCStream& stream)
{
    PNU_TRY(stream.WriteULong(kGradientTypeCode));
    PNU_TRY(stream.WriteULong(1));
    PNU_TRY(stream.WriteInt(mGrey));
    PNU_TRY(stream.WriteLong(mInterpolation));
    PNU_TRY(stream.WriteLong(mPoints.GetSize()));
    for (const CGradientPoint& point : mPoints) {
        PNU_TRY(stream.WriteFloat(point.position));
        PNU_TRY(stream.WriteULong(point.colour));
    }
    return eSuccess;
}
