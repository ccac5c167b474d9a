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
    mReader = sReader();
    if (CompressionLimit(width, height) <= measured) {
        PNU_TRY(SizeBlock(uint64_t(width) * uint64_t(height)));
        for (int32_t y = 0; y < height; ++y)
            memcpy(mData + int64_t(y) * width, area.Row(y), size_t(width) * sizeof(CPixel));
        mWidth = width;
        mHeight = height;
        mEncoded = 0;
        return eSuccess;
    }
    PNU_TRY(SizeBlock(uint64_t(measured)));
    mWidth = width;
    mHeight = height;
    mEncoded = 1;
    uint32_t position = uint32_t(height);
    for (int32_t y = 0; y < height; ++y) {
        mData[y] = position;
        const CPixel* row = area.Row(y);
        bool fits = WalkRow(row, width, [&](bool isRun, int32_t start, int32_t count) {
            uint64_t needed = isRun ? 2 : uint64_t(count) + 1;
            if (position + needed > mCount)
                return false;
            if (isRun) {
                mData[position++] = uint32_t(count);
                mData[position++] = row[start];
            } else {
                mData[position++] = kLiteralFlag + uint32_t(count);
                memcpy(mData + position, row + start, size_t(count) * sizeof(CPixel));
                position += uint32_t(count);
            }
            return true;
        });
        if (!fits)
            return eBadParameter;
    }
    return eSuccess;
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
    if (!mData || mWidth <= 0 || y < 0 || y >= mHeight) {
        LoadToken(reader, mCount);
        return reader;
    }
    if (x < 0)
        x = 0;
    if (x >= mWidth)
        x = mWidth - 1;
    if (!mEncoded) {
        // The raw rows read as one literal over the rest of the block.
        reader.position = uint32_t(int64_t(y) * mWidth + x);
        reader.literal = 1;
        reader.remaining = mCount - reader.position;
        return reader;
    }
    uint32_t header = mData[y];
    int64_t start = 0;
    while (header < mCount) {
        uint32_t word = mData[header];
        uint32_t count = word & kCountMask;
        bool literal = (word & kLiteralFlag) != 0;
        if (count == 0)
            break;
        if (start + count > x) {
            uint32_t offset = uint32_t(x - start);
            reader.literal = literal ? 1 : 0;
            reader.remaining = count - offset;
            reader.position = header + 1 + (literal ? offset : 0);
            return reader;
        }
        start += count;
        header += literal ? count + 1 : 2;
    }
    LoadToken(reader, mCount);
    return reader;
}
