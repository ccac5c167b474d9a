// The part CRLE and CRLE8 share: the block of units with its row index, the readers that walk it
// and the sizing of the block. The forms differ in their unit (a 32-bit word or a byte) and in
// how a token header and a row index entry are read; the Form parameter supplies those:
//   static void Decode(Value unit, uint32_t& count, bool& literal);
//   static uint32_t RowStart(const Value* data, int32_t y);
//   static constexpr uint32_t kParkedRemaining;   // what a reader past the last token has left
#pragma once

#include "core/CheckedSize.h"
#include "core/eResultCode.h"
#include "core/gCBaseObject.h"
#include "core/gCMemory.h"
#include "imaging/CImageBase.h"
#include "imaging/RunLengthRows.h"

#include <cstdint>
#include <cstring>

template <typename Value, typename Form>
class CRunLengthT : public gCBaseObject {
public:
    // Where a reader stands: the unit it reads next and what is left of the current token.
    struct sReader {
        uint32_t position = 0;
        uint32_t remaining = 0;
        int32_t literal = 0;
    };

    CRunLengthT() = default;
    ~CRunLengthT() override { MemFree(mData); }

    CRunLengthT(const CRunLengthT&) = delete;
    CRunLengthT& operator=(const CRunLengthT&) = delete;

    // The reader of the Part's interface: Seek, then ReadNext returns the value and steps right.
    void Seek(int32_t x, int32_t y) { mReader = SeekReader(x, y); }
    Value ReadNext() { return Read(mReader); }
    const sReader& GetReader() const { return mReader; }

    // Independent readers, so that several rows can be read at once (the sampler's two rows).
    sReader SeekReader(int32_t x, int32_t y) const
    {
        sReader reader;
        if (!SeekRunLengthRow(reader, mData, mCount, mWidth, mHeight, mEncoded, x, y,
                              [&](int32_t row) { return Form::RowStart(mData, row); }, Form::Decode))
            LoadToken(reader, mCount);
        return reader;
    }
    Value Read(sReader& reader) const
    {
        Value value = mData[reader.position];
        if (reader.literal)
            ++reader.position;
        if (--reader.remaining == 0)
            LoadToken(reader, reader.literal ? reader.position : reader.position + 1);
        return value;
    }

    int32_t IsEncoded() const { return mEncoded; }
    int32_t GetWidth() const { return mWidth; }
    int32_t GetHeight() const { return mHeight; }
    uint32_t GetCount() const { return mCount; }
    const Value* GetData() const { return mData; }

protected:
    // Locks the whole of image and hands its area to work; `unlocked` when it cannot be locked.
    template <typename Nav, typename Image, typename Result, typename Work>
    static Result OnWholeImage(Image* image, Result unlocked, Work work)
    {
        Nav nav(image, nullptr);
        if (!nav.IsLocked())
            return unlocked;
        return work(nav);
    }

    // Sizes a cleared block for width x height values whose encoded form measures `measured`
    // units, and takes on the new image; `encoded` tells whether the form pays.
    eResultCode StartBlock(int32_t width, int32_t height, int64_t measured, bool& encoded)
    {
        encoded = CompressionLimit(width, height) > measured;
        mReader = sReader();
        PNU_TRY(SizeBlock(encoded ? uint64_t(measured) : uint64_t(width) * uint64_t(height)));
        mWidth = width;
        mHeight = height;
        mEncoded = encoded ? 1 : 0;
        return eSuccess;
    }

    uint32_t mCount = 0;
    Value* mData = nullptr;

private:
    void LoadToken(sReader& reader, uint32_t header) const
    {
        uint32_t count = 0;
        bool literal = false;
        if (header < mCount)
            Form::Decode(mData[header], count, literal);
        // Past the last token (a read beyond the row end without a new seek) the reader stays on
        // the spare unit instead of leaving the block.
        if (count == 0 || header + 1 >= mCount) {
            reader.position = mCount ? mCount - 1 : 0;
            reader.literal = 0;
            reader.remaining = Form::kParkedRemaining;
            return;
        }
        reader.literal = literal ? 1 : 0;
        reader.remaining = count;
        reader.position = header + 1;
    }

    eResultCode SizeBlock(uint64_t units)
    {
        size_t bytes = 0;
        if (units > UINT32_MAX || !MulSizes({int64_t(units), sizeof(Value)}, bytes))
            return eBadParameter;
        MemFree(mData);
        mData = nullptr;
        mCount = 0;
        void* block = MemAllocate(bytes);
        if (!block)
            return eNoMemory;
        memset(block, 0, bytes);
        mData = static_cast<Value*>(block);
        mCount = uint32_t(units);
        return eSuccess;
    }

    int32_t mWidth = 0;
    int32_t mHeight = 0;
    int32_t mEncoded = 0;
    sReader mReader;
};
