#include "imaging/CRLE.h"

#include "core/CheckedSize.h"
#include "core/gCMemory.h"
#include "imaging/CImage.h"
#include "imaging/CImNav.h"
#include "imaging/RunLengthRows.h"

#include <cstring>

namespace {

constexpr uint32_t kLiteralFlag = 0x80000000u;
constexpr uint32_t kCountMask = 0x7FFFFFFFu;

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

CRLE::~CRLE()
{
    MemFree(mData);
}

int64_t CRLE::MeasureImage(CImage* image) const
{
    CImNav nav(image, nullptr);
    if (!nav.IsLocked())
        return image ? int64_t(image->GetWidth()) * image->GetHeight() : 0;
    return Measure(nav);
}

int64_t CRLE::Measure(const CImNav& area)
{
    const int32_t width = area.GetWidth();
    return MeasureRunLengthRows(width, area.GetHeight(), area.GetHeight(),
                                [&](int32_t y) { return area.Row(y); },
                                [&](const CPixel* row, auto emit) { return WalkRow(row, width, emit); });
}

eResultCode CRLE::SizeBlock(uint64_t words)
{
    size_t bytes = 0;
    if (words > UINT32_MAX || !MulSizes({int64_t(words), sizeof(CPixel)}, bytes))
        return eBadParameter;
    MemFree(mData);
    mData = nullptr;
    mCount = 0;
    void* block = MemAllocate(bytes);
    if (!block)
        return eNoMemory;
    memset(block, 0, bytes);
    mData = static_cast<CPixel*>(block);
    mCount = uint32_t(words);
    return eSuccess;
}

eResultCode CRLE::EncodeImage(CImage* image)
{
    CImNav nav(image, nullptr);
    if (!nav.IsLocked())
        return eNoMemory;
    return Encode(nav);
}

eResultCode CRLE::Encode(const CImNav& area)
{
    if (!area.IsLocked())
        return eNoMemory;
    const int32_t width = area.GetWidth();
    const int32_t height = area.GetHeight();
    const int64_t measured = Measure(area);
    const bool encoded = CompressionLimit(width, height) > measured;
    mReader = sReader();
    PNU_TRY(SizeBlock(encoded ? uint64_t(measured) : uint64_t(width) * uint64_t(height)));
    mWidth = width;
    mHeight = height;
    mEncoded = encoded ? 1 : 0;
    bool fits = FillRunLengthBlock(
        mData, mCount, width, height, encoded, uint32_t(height), [&](int32_t y) { return area.Row(y); },
        [&](const CPixel* row, auto emit) { return WalkRow(row, width, emit); },
        [](bool isRun, int32_t count) { return isRun ? uint32_t(count) : kLiteralFlag + uint32_t(count); },
        [&](int32_t y, uint32_t position) { mData[y] = position; });
    return fits ? eSuccess : eBadParameter;
}

void CRLE::LoadToken(sReader& reader, uint32_t header) const
{
    // Past the last token (a read beyond the row end without a new seek) the reader stays on
    // the spare word instead of leaving the block.
    if (header >= mCount) {
        reader.position = mCount ? mCount - 1 : 0;
        reader.literal = 0;
        reader.remaining = kCountMask;
        return;
    }
    uint32_t word = mData[header];
    reader.literal = (word & kLiteralFlag) ? 1 : 0;
    reader.remaining = word & kCountMask;
    reader.position = header + 1;
    if (reader.remaining == 0 || reader.position >= mCount) {
        reader.position = mCount - 1;
        reader.literal = 0;
        reader.remaining = kCountMask;
    }
}

CRLE::sReader CRLE::SeekReader(int32_t x, int32_t y) const
{
    sReader reader;
    auto decode = [](uint32_t word, uint32_t& count, bool& literal) {
        count = word & kCountMask;
        literal = (word & kLiteralFlag) != 0;
    };
    if (!SeekRunLengthRow(reader, mData, mCount, mWidth, mHeight, mEncoded, x, y,
                          [&](int32_t row) { return mData[row]; }, decode))
        LoadToken(reader, mCount);
    return reader;
}
