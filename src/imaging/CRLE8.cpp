#include "imaging/CRLE8.h"

#include "core/gCMemory.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/RunLengthRows.h"

#include <cstring>

namespace {

constexpr int32_t kMaxToken = 126;

// Row access over an 8-bit area.
struct sByteRows {
    const CImNav8& area;
    const uint8_t* Row(int32_t y) const { return area.Row(y); }
};

// Row access over one byte channel of a 32-bit area, gathered into a row buffer.
struct sChannelRows {
    const CImNav& area;
    int32_t shift;
    uint8_t* buffer;
    const uint8_t* Row(int32_t y) const
    {
        const CPixel* row = area.Row(y);
        for (int32_t x = 0; x < area.GetWidth(); ++x)
            buffer[x] = uint8_t(row[x] >> shift);
        return buffer;
    }
};

template <typename Emit>
inline bool WalkRow(const uint8_t* p, int32_t width, Emit emit)
{
    return WalkRunLengthRow(p, width, kMaxToken, [](uint8_t a, uint8_t b) { return a == b; }, emit);
}

// A row buffer for the channel forms, freed on every path.
class ChannelBuffer {
public:
    explicit ChannelBuffer(int32_t width) : mData(static_cast<uint8_t*>(MemAllocate(size_t(width > 0 ? width : 1)))) {}
    ~ChannelBuffer() { MemFree(mData); }
    ChannelBuffer(const ChannelBuffer&) = delete;
    ChannelBuffer& operator=(const ChannelBuffer&) = delete;
    uint8_t* Get() const { return mData; }

private:
    uint8_t* mData;
};

} // namespace

template <typename Rows>
int64_t CRLE8::MeasureRows(const Rows& rows, int32_t width, int32_t height)
{
    // The row index holds one 32-bit word per row.
    return MeasureRunLengthRows(width, height, int64_t(height) * 4, [&](int32_t y) { return rows.Row(y); },
                                [&](const uint8_t* row, auto emit) { return WalkRow(row, width, emit); });
}

int64_t CRLE8::MeasureImage(CImage8* image) const
{
    const int64_t raw = image ? int64_t(image->GetWidth()) * image->GetHeight() : 0;
    return OnWholeImage<CImNav8>(image, raw, Measure);
}

int64_t CRLE8::Measure(const CImNav8& area)
{
    return MeasureRows(sByteRows{area}, area.GetWidth(), area.GetHeight());
}

template <typename Rows>
eResultCode CRLE8::EncodeRows(const Rows& rows, int32_t width, int32_t height)
{
    bool encoded = false;
    PNU_TRY(StartBlock(width, height, MeasureRows(rows, width, height), encoded));
    // The row index holds one 32-bit word per row, in machine byte order.
    bool fits = FillRunLengthBlock(
        mData, mCount, width, height, encoded, uint32_t(height) * 4, [&](int32_t y) { return rows.Row(y); },
        [&](const uint8_t* row, auto emit) { return WalkRow(row, width, emit); },
        [](bool isRun, int32_t count) { return isRun ? uint8_t(count) : uint8_t(0x80 + count); },
        [&](int32_t y, uint32_t position) { memcpy(mData + size_t(y) * 4, &position, 4); });
    return fits ? eSuccess : eBadParameter;
}

eResultCode CRLE8::EncodeImage(CImage8* image)
{
    return OnWholeImage<CImNav8>(image, eNoMemory, [this](const CImNav8& area) { return Encode(area); });
}

eResultCode CRLE8::Encode(const CImNav8& area)
{
    if (!area.IsLocked())
        return eNoMemory;
    return EncodeRows(sByteRows{area}, area.GetWidth(), area.GetHeight());
}

eResultCode CRLE8::EncodeImageChannel(CImage* image, int32_t alphaFlag)
{
    return OnWholeImage<CImNav>(image, eNoMemory,
                                [&](const CImNav& area) { return EncodeChannel(area, alphaFlag); });
}

eResultCode CRLE8::EncodeChannel(const CImNav& area, int32_t alphaFlag)
{
    if (!area.IsLocked())
        return eNoMemory;
    ChannelBuffer buffer(area.GetWidth());
    if (!buffer.Get())
        return eNoMemory;
    return EncodeRows(sChannelRows{area, alphaFlag ? 24 : 8, buffer.Get()}, area.GetWidth(),
                      area.GetHeight());
}
