#include "imaging/CRLE.h"

#include "imaging/CImage.h"
#include "imaging/CImNav.h"
#include "imaging/RunLengthRows.h"

namespace {

// Transparent pixels carry no visible colour, so any two of them make a run.
inline bool SamePixel(CPixel a, CPixel b)
{
    return a == b || (a < 0x01000000u && b < 0x01000000u);
}

// Rows of any width are one token long at the most: the count field holds 31 bits.
template <typename Emit>
inline bool WalkRow(const CPixel* p, int32_t width, Emit emit)
{
    return WalkRunLengthRow(p, width, INT32_MAX, SamePixel, emit);
}

} // namespace

int64_t CRLE::MeasureImage(CImage* image) const
{
    const int64_t raw = image ? int64_t(image->GetWidth()) * image->GetHeight() : 0;
    return OnWholeImage<CImNav>(image, raw, Measure);
}

int64_t CRLE::Measure(const CImNav& area)
{
    const int32_t width = area.GetWidth();
    return MeasureRunLengthRows(width, area.GetHeight(), area.GetHeight(),
                                [&](int32_t y) { return area.Row(y); },
                                [&](const CPixel* row, auto emit) { return WalkRow(row, width, emit); });
}

eResultCode CRLE::EncodeImage(CImage* image)
{
    return OnWholeImage<CImNav>(image, eNoMemory, [this](const CImNav& area) { return Encode(area); });
}

eResultCode CRLE::Encode(const CImNav& area)
{
    if (!area.IsLocked())
        return eNoMemory;
    const int32_t width = area.GetWidth();
    const int32_t height = area.GetHeight();
    bool encoded = false;
    PNU_TRY(StartBlock(width, height, Measure(area), encoded));
    bool fits = FillRunLengthBlock(
        mData, mCount, width, height, encoded, uint32_t(height), [&](int32_t y) { return area.Row(y); },
        [&](const CPixel* row, auto emit) { return WalkRow(row, width, emit); },
        [](bool isRun, int32_t count) {
            return isRun ? uint32_t(count) : sWordTokens::kLiteralFlag + uint32_t(count);
        },
        [&](int32_t y, uint32_t position) { mData[y] = position; });
    return fits ? eSuccess : eBadParameter;
}
