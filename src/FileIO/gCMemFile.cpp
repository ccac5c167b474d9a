#include "FileIO/gCMemFile.h"

#include "FileIO/CTextCollector.h"
#include "core/CMemBlock.h"

#include <cstring>
#include <utility>

namespace {

constexpr int32_t kFirstBlockSize = 2048;
constexpr int64_t kGrowthSlack = 2048;

} // namespace

gCMemFile::gCMemFile()
{
    mKind = 2;
    mOwnsBlock = 1;
    mBlock = new CMemBlock(kFirstBlockSize);
}

gCMemFile::gCMemFile(CMemBlock* block)
{
    mKind = 0;
    mBlock = block;
    mSize = block ? int64_t(block->GetSize()) : 0;
}

gCMemFile::~gCMemFile()
{
    if (mOwnsBlock)
        delete mBlock;
}

eResultCode gCMemFile::Reset()
{
    if (mBlock == nullptr) {
        mBlock = new CMemBlock(kFirstBlockSize);
        if (mBlock == nullptr)
            return eNoMemory;
        mOwnsBlock = 1;
    } else if (!mBlock->SetSize(kFirstBlockSize)) {
        return eNoMemory;
    }
    if (mBlock->GetData() == nullptr)
        return eNoMemory;
    mSize = 0;
    mPosition = 0;
    return eSuccess;
}

void gCMemFile::Swap(gCMemFile& other)
{
    std::swap(mSize, other.mSize);
    std::swap(mPosition, other.mPosition);
    std::swap(mOwnsBlock, other.mOwnsBlock);
    std::swap(mBlock, other.mBlock);
    std::swap(mKind, other.mKind);
}

eResultCode gCMemFile::Grow(int32_t count)
{
    if (!HasStorage() || count < 0)
        return eBadParameter;
    CutSizeToCapacity();
    int64_t newEnd = mSize + count;
    int64_t capacity = int64_t(mBlock->GetSize());
    if (newEnd >= capacity) {
        int64_t newCapacity = newEnd + kGrowthSlack;
        if (newCapacity > int64_t(UINT32_MAX))
            return eNoMemory;
        if (!mBlock->SetSize(uint32_t(newCapacity)))
            return eNoMemory;
        mBlock->GetData()[newCapacity - 1] = 0;
    }
    mSize = newEnd;
    return eSuccess;
}

eResultCode gCMemFile::Read(void* buffer, int32_t count)
{
    PNU_TRY(CheckReadable(HasStorage()));
    if (count < 0)
        return eBadParameter;
    if (mPosition + count > mSize) {
        ParkOnLastByte();
        return eStreamError;
    }
    if (count > 0)
        std::memcpy(buffer, mBlock->GetData() + mPosition, size_t(count));
    mPosition += count;
    return eSuccess;
}

eResultCode gCMemFile::Write(const void* buffer, int32_t count)
{
    if (!HasStorage())
        return eInvalidFile;
    if (count < 0)
        return eBadParameter;
    if (mPosition + count > mSize)
        PNU_TRY(Grow(int32_t(mPosition + count - mSize)));
    if (count > 0)
        std::memcpy(mBlock->GetData() + mPosition, buffer, size_t(count));
    mPosition += count;
    return eSuccess;
}

eResultCode gCMemFile::StartTextRead()
{
    PNU_TRY(CheckReadable(HasStorage()));
    CutSizeToCapacity();
    return eSuccess;
}

eResultCode gCMemFile::ReadLine(gCString& text)
{
    PNU_TRY(StartTextRead());
    const uint8_t* data = mBlock->GetData();
    int64_t end = mPosition;
    while (end < mSize && data[end] != 0)
        ++end;
    PNU_TRY(text.ConvertFromChars(reinterpret_cast<const char*>(data + mPosition), int32_t(end - mPosition)));
    if (end >= mSize) {
        ParkOnLastByte();
        return eStreamError;
    }
    mPosition = end + 1;
    return eSuccess;
}

eResultCode gCMemFile::ReadUnicodeLine(gCString& text)
{
    if (mEightBitText)
        return ReadLine(text);
    PNU_TRY(StartTextRead());
    const uint8_t* data = mBlock->GetData();
    int64_t units = (mSize - mPosition) / 2;
    int64_t length = 0;
    while (length < units && GetLittleEndian(data + mPosition + 2 * length, 2) != 0)
        ++length;
    PNU_TRY(text.SetBufferLength(int32_t(length + 1)));
    char16_t* out = text.GetBuffer();
    for (int64_t i = 0; i < length; ++i)
        out[i] = char16_t(GetLittleEndian(data + mPosition + 2 * i, 2));
    out[length] = 0;
    if (length >= units) {
        ParkOnLastByte();
        return eStreamError;
    }
    mPosition += 2 * length + 2;
    return eSuccess;
}

eResultCode gCMemFile::ReadUnicodeString(gCString& text)
{
    if (mEightBitText)
        return ReadLine(text);
    PNU_TRY(StartTextRead());
    PNU_TRY(text.Assign(nullptr));
    CTextCollector collector(text);
    bool first = true;
    while (mPosition < mSize) {
        // Two units at a time; when only one is left it is read alone, so a string with an odd
        // number of units whose terminator is the last unit of the data is still found.
        uint8_t bytes[4];
        int32_t take = mSize - mPosition >= 4 ? 4 : 2;
        if (eResultCode result = Read(bytes, take); result != eSuccess) {
            PNU_TRY(collector.Flush());
            return result;
        }
        for (int32_t offset = 0; offset < take; offset += 2) {
            uint16_t raw = uint16_t(GetLittleEndian(bytes + offset, 2));
            char16_t unit = SwapUnit(raw);
            bool wasFirst = first;
            first = false;
            if (unit == u'\r' || unit == 0) {
                mPosition -= take - offset - 2;
                return collector.Flush();
            }
            if (wasFirst && (TakeMark(raw) || unit == u'\n'))
                continue;
            PNU_TRY(collector.Add(unit));
        }
    }
    return collector.Flush();
}

eResultCode gCMemFile::WriteText(gCString& text, int32_t newline)
{
    PNU_TRY(StartTextWrite(HasStorage(), text, newline));
    // The conversion without the shared buffer's length limit, so long texts are not cut.
    // Stored with its terminating 0.
    CMemBlock bytes;
    PNU_TRY(text.ToMacRomanCString(bytes));
    if (bytes.GetSize() > uint32_t(INT32_MAX))
        return eBadParameter;
    return Write(bytes.GetData(), int32_t(bytes.GetSize()));
}

eResultCode gCMemFile::WriteUnicodeText(gCString& text, int32_t newline)
{
    if (mEightBitText)
        return WriteEightBitCopy(text, newline);
    PNU_TRY(StartTextWrite(HasStorage(), text, newline));
    int32_t length = text.GetLength();
    if (length > INT32_MAX / 2 - 1)
        return eBadParameter;
    int64_t needed = mPosition + 2 * int64_t(length) + 2;
    if (needed > mSize)
        PNU_TRY(Grow(int32_t(needed - mSize)));
    uint8_t* out = mBlock->GetData() + mPosition;
    for (int32_t i = 0; i < length; ++i)
        PutLittleEndian(text[i], out + 2 * i, 2);
    PutLittleEndian(0, out + 2 * length, 2);
    mPosition = needed;
    return eSuccess;
}

eResultCode gCMemFile::Rewind()
{
    if (!HasStorage())
        return eInvalidFile;
    mPosition = 0;
    return eSuccess;
}

eResultCode gCMemFile::SeekToEnd()
{
    mPosition = mSize;
    return eSuccess;
}

eResultCode gCMemFile::GetPos(uint32_t& position)
{
    if (!HasStorage())
        return eInvalidFile;
    position = uint32_t(mPosition);
    return eSuccess;
}

eResultCode gCMemFile::GetPos(int64_t& position)
{
    if (!HasStorage())
        return eInvalidFile;
    position = mPosition;
    return eSuccess;
}

eResultCode gCMemFile::SetPos(int64_t position)
{
    if (position < 0 || !HasStorage())
        return eBadParameter;
    CutSizeToCapacity();
    if (position > mSize) {
        // On an empty stream the last byte would be -1; the position stays at 0 instead.
        ParkOnLastByte();
        return eStreamError;
    }
    mPosition = position;
    return eSuccess;
}

int32_t gCMemFile::IsEOF()
{
    if (!HasStorage())
        return 1;
    return mPosition >= mSize ? 1 : 0;
}
