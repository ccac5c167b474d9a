// The stream over a block of memory: whole files are loaded into one and saved from one, reply
// bodies and received data collect in them, outgoing frames are built in them.
//
// A read that would pass the end fails with eStreamError and parks the position on the last byte of
// the data (size - 1), so a loop over a memory stream must stop on a non-zero result rather than
// wait for IsEOF. Growth leaves 2048 bytes of slack beyond the new end and zeroes the block's last
// byte; pointers into the block do not survive a write.
#pragma once

#include "FileIO/gCStream.h"
#include "core/CMemBlock.h"

#include <cstdint>

class gCMemFile : public gCStream {
public:
    // Owns a new 2048-byte block; when that cannot be allocated the stream reports 17.
    gCMemFile();
    // Wraps a caller's block without owning it: size = the block's capacity, position 0.
    explicit gCMemFile(CMemBlock* block);
    explicit gCMemFile(CMemBlock& block) : gCMemFile(&block) {}
    ~gCMemFile() override;

    gCMemFile(const gCMemFile&) = delete;
    gCMemFile& operator=(const gCMemFile&) = delete;

    // The 8-bit text up to a NUL byte, which is consumed.
    eResultCode ReadLine(gCString& text) override;
    // The units up to a 0 unit, which is consumed; no mark handling and no swapping.
    eResultCode ReadUnicodeLine(gCString& text) override;
    eResultCode ReadUnicodeString(gCString& text) override;
    eResultCode Read(void* buffer, int32_t count) override;

    // The converted text and its terminating NUL byte.
    eResultCode WriteText(gCString& text, int32_t newline) override;
    // The text's units and one 0 unit.
    eResultCode WriteUnicodeText(gCString& text, int32_t newline) override;
    eResultCode Write(const void* buffer, int32_t count) override;

    eResultCode Rewind() override;
    eResultCode SeekToEnd() override;
    eResultCode GetPos(uint32_t& position) override;
    eResultCode GetPos(int64_t& position) override;
    int64_t GetPos() override { return mPosition; }
    eResultCode SetPos(int64_t position) override;
    int32_t IsEOF() override;
    int64_t GetLength() override { return GetSize(); }

    int64_t GetSize() const { return mSize; }
    // Extends the logical size by count bytes; the position does not move.
    virtual eResultCode Grow(int32_t count);

    // The storage, for callers that fill or hand on the bytes directly.
    CMemBlock* GetBlock() { return mBlock; }
    uint8_t* GetData() { return mBlock ? mBlock->GetData() : nullptr; }
    const uint8_t* GetData() const { return mBlock ? mBlock->GetData() : nullptr; }
    uint32_t GetCapacity() const { return mBlock ? mBlock->GetSize() : 0; }
    // Back to an empty stream over a 2048-byte block; eNoMemory (and unchanged) when that cannot be
    // had.
    eResultCode Reset();
    // Exchanges the two streams' storage, size and position, so a large body changes hands
    // without being copied.
    void Swap(gCMemFile& other);

protected:
    // Before a text read: storage to read and something left to read; the size is cut to what
    // the block holds.
    eResultCode StartTextRead();
    bool HasStorage() const { return mBlock != nullptr && mBlock->GetData() != nullptr; }
    void CutSizeToCapacity()
    {
        if (mBlock && mSize > int64_t(mBlock->GetSize()))
            mSize = int64_t(mBlock->GetSize());
    }
    // Where a failed read or seek leaves the position: on the last byte of the data.
    void ParkOnLastByte() { mPosition = mSize > 0 ? mSize - 1 : 0; }

    eResultCode ReadValueBytes(uint8_t* bytes, int32_t count) override
    {
        PNU_TRY(CheckReadable(HasStorage()));
        // A failed read copies nothing, so the value stays as it was.
        return Read(bytes, count);
    }
    eResultCode WriteValueBytes(const uint8_t* bytes, int32_t count) override
    {
        if (!HasStorage())
            return eInvalidFile;
        return Write(bytes, count);
    }

    int64_t mSize = 0;
    int64_t mPosition = 0;
    uint32_t mOwnsBlock = 0;
    CMemBlock* mBlock = nullptr;
};
