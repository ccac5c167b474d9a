// The toolkit's one abstract byte stream. Typed values are little-endian on every processor, 8-bit
// text is Mac Roman, UTF-16 text is little-endian unless a byte-order mark says otherwise, and a
// newline is written as LF then CR. Every operation answers a result code: eStreamError for a read,
// write or seek failure (also at the end), eInvalidFile when nothing is behind the stream.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it: the char,
// short and 64-bit reads and writes, WriteDouble and WriteBOM.
#pragma once

#include "core/eResultCode.h"
#include "core/gCBaseObject.h"
#include "core/gCString.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

class gCStream : public gCBaseObject {
public:
    ~gCStream() override = default;

    // Typed values go through ReadValueBytes and WriteValueBytes, which say what each stream
    // accepts; a failed read leaves the value as it was.
    virtual eResultCode ReadLong(int32_t& value) { return ReadValue(value); }
    virtual eResultCode ReadChar(int8_t& value) { return ReadValue(value); }
    virtual eResultCode ReadShort(int16_t& value) { return ReadValue(value); }
    virtual eResultCode ReadLongLong(int64_t& value) { return ReadValue(value); }
    virtual eResultCode ReadUChar(uint8_t& value) { return ReadValue(value); }
    virtual eResultCode ReadUShort(uint16_t& value) { return ReadValue(value); }
    virtual eResultCode ReadULong(uint32_t& value) { return ReadValue(value); }
    virtual eResultCode ReadULongLong(uint64_t& value) { return ReadValue(value); }
    virtual eResultCode ReadFloat(float& value) { return ReadValue(value); }
    virtual eResultCode ReadDouble(double& value) { return ReadValue(value); }
    virtual eResultCode ReadInt(int& value) { return ReadValue(value); }
    // One line (file) or one NUL-terminated text (memory) of 8-bit text.
    virtual eResultCode ReadLine(gCString& text) = 0;
    // One line (file) or one 0-terminated text (memory) of UTF-16 text.
    virtual eResultCode ReadUnicodeLine(gCString& text) = 0;
    // UTF-16 text up to a CR or a 0 unit, which is consumed and not kept.
    virtual eResultCode ReadUnicodeString(gCString& text) = 0;
    virtual eResultCode Read(void* buffer, int32_t count) = 0;

    virtual eResultCode WriteLong(int32_t value) { return WriteValue(value); }
    virtual eResultCode WriteChar(int8_t value) { return WriteValue(value); }
    virtual eResultCode WriteShort(int16_t value) { return WriteValue(value); }
    virtual eResultCode WriteLongLong(int64_t value) { return WriteValue(value); }
    virtual eResultCode WriteUChar(uint8_t value) { return WriteValue(value); }
    virtual eResultCode WriteUShort(uint16_t value) { return WriteValue(value); }
    virtual eResultCode WriteULong(uint32_t value) { return WriteValue(value); }
    virtual eResultCode WriteULongLong(uint64_t value) { return WriteValue(value); }
    virtual eResultCode WriteFloat(float value) { return WriteValue(value); }
    virtual eResultCode WriteDouble(double value) { return WriteValue(value); }
    virtual eResultCode WriteInt(int value) { return WriteValue(value); }
    // With newline non-zero, LF and CR are first appended to the caller's own string.
    virtual eResultCode WriteText(gCString& text, int32_t newline) = 0;
    virtual eResultCode WriteUnicodeText(gCString& text, int32_t newline) = 0;
    virtual eResultCode Write(const void* buffer, int32_t count) = 0;
    // The mark 0xFEFF, which lands as the bytes FF FE.
    virtual eResultCode WriteBOM();

    virtual eResultCode Rewind() = 0;
    virtual eResultCode SeekToEnd() = 0;
    virtual eResultCode GetPos(uint32_t& position) = 0;
    virtual eResultCode GetPos(int64_t& position) = 0;
    virtual int64_t GetPos() = 0;
    virtual eResultCode SetPos(int64_t position) = 0;
    // Non-zero at or past the end, and when nothing is behind the stream.
    virtual int32_t IsEOF() = 0;
    virtual int64_t GetLength() = 0;
    virtual void SetEightBitText(uint32_t on);

    // 1 file stream, 2 memory stream owning its block, 0 memory stream over a caller's block.
    int32_t GetKind() const { return mKind; }
    uint32_t IsSwapping() const { return mSwap; }

protected:
    gCStream() = default;

    // The stored bytes of one typed value: all of count, or a failure with nothing taken.
    virtual eResultCode ReadValueBytes(uint8_t* bytes, int32_t count) = 0;
    virtual eResultCode WriteValueBytes(const uint8_t* bytes, int32_t count) = 0;

    // The unit as text: while swapping, every unit other than the two byte-order marks has its
    // bytes exchanged. The marks are recognised as read, before any swap, so a big-endian
    // character whose low byte is 0xFF (U+00FF, U+30FF ...) is swapped like any other.
    char16_t SwapUnit(uint16_t raw) const
    {
        if (mSwap == 0 || raw == kMarkAsRead || raw == kSwappedMarkAsRead)
            return char16_t(raw);
        return char16_t(uint16_t(raw << 8 | raw >> 8));
    }
    // A byte-order mark sets or clears the swap flag and answers 1; any other unit answers 0.
    int32_t TakeMark(uint16_t raw)
    {
        if (raw == kSwappedMarkAsRead) {
            mSwap = 1;
            return 1;
        }
        if (raw == kMarkAsRead) {
            mSwap = 0;
            return 1;
        }
        return 0;
    }

    static void PutLittleEndian(uint64_t value, uint8_t* bytes, int32_t count)
    {
        for (int32_t i = 0; i < count; ++i)
            bytes[i] = uint8_t(value >> (8 * i));
    }
    static uint64_t GetLittleEndian(const uint8_t* bytes, int32_t count)
    {
        uint64_t value = 0;
        for (int32_t i = count - 1; i >= 0; --i)
            value = value << 8 | bytes[i];
        return value;
    }
    // Typed values as the stored little-endian bytes; floats keep their IEEE bit patterns.
    template <typename T>
    static T DecodeValue(const uint8_t* bytes)
    {
        uint64_t bits = GetLittleEndian(bytes, int32_t(sizeof(T)));
        if constexpr (std::is_integral_v<T>) {
            return T(bits);
        } else {
            using Bits = std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>;
            Bits exact = Bits(bits);
            T value;
            std::memcpy(&value, &exact, sizeof(T));
            return value;
        }
    }
    template <typename T>
    static void EncodeValue(T value, uint8_t* bytes)
    {
        uint64_t bits = 0;
        if constexpr (std::is_integral_v<T>) {
            bits = uint64_t(value);
        } else {
            using Bits = std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>;
            Bits exact;
            std::memcpy(&exact, &value, sizeof(T));
            bits = exact;
        }
        PutLittleEndian(bits, bytes, int32_t(sizeof(T)));
    }
    // Appends LF then CR to the caller's string, as the newline argument asks.
    static eResultCode AppendNewline(gCString& text);
    // The start of every text write: eBadParameter when the stream cannot be written (open is
    // false), else the newline appended when asked for.
    static eResultCode StartTextWrite(bool open, gCString& text, int32_t newline);
    // The check before every read: eBadParameter when the stream cannot be read (open is false),
    // eStreamError at its end.
    eResultCode CheckReadable(bool open)
    {
        if (!open)
            return eInvalidFile;
        return IsEOF() ? eStreamError : eSuccess;
    }
    // Unicode text on an eight-bit stream: a copy goes to WriteText, the caller's text untouched.
    eResultCode WriteEightBitCopy(const gCString& text, int32_t newline)
    {
        gCString copy(text);
        return WriteText(copy, newline);
    }

    static constexpr uint16_t kMarkAsRead = 0xFEFF;        // a little-endian mark
    static constexpr uint16_t kSwappedMarkAsRead = 0xFFFE; // a big-endian mark read little-endian

    int32_t mKind = 0;
    uint32_t mSwap = 0;
    uint32_t mEightBitText = 0;

private:
    template <typename T>
    eResultCode ReadValue(T& value)
    {
        uint8_t bytes[sizeof(T)];
        PNU_TRY(ReadValueBytes(bytes, int32_t(sizeof(T))));
        value = DecodeValue<T>(bytes);
        return eSuccess;
    }
    template <typename T>
    eResultCode WriteValue(T value)
    {
        uint8_t bytes[sizeof(T)];
        EncodeValue(value, bytes);
        return WriteValueBytes(bytes, int32_t(sizeof(T)));
    }
};
