// Reads little-endian values from a byte range of the package archive; every read that would
// pass the range's end fails with eStreamError and leaves the position where it was.
#pragma once

#include "core/eResultCode.h"
#include "core/gCString.h"

#include <cstdint>
#include <cstring>

class PNUArchiveCursor {
public:
    // Between fields and after each index entry and file record.
    static constexpr uint8_t kFieldMarker[8] = {0x8F, 0x6A, 0x54, 0xE1, 0x1E, 0x45, 0xA6, 0x00};
    // After the text area, the index and each file's data.
    static constexpr uint8_t kEndMarker[8] = {0x8F, 0x7A, 0x54, 0xE1, 0x1E, 0x45, 0xA7, 0x00};

    PNUArchiveCursor(const uint8_t* data, uint64_t end, uint64_t position = 0)
        : mData(data), mEnd(end), mPosition(position)
    {
    }

    uint64_t GetPosition() const { return mPosition; }

    eResultCode Skip(uint64_t count)
    {
        if (count > mEnd - mPosition)
            return eStreamError;
        mPosition += count;
        return eSuccess;
    }

    eResultCode ReadBytes(void* buffer, uint64_t count)
    {
        if (count > mEnd - mPosition)
            return eStreamError;
        memcpy(buffer, mData + mPosition, count);
        mPosition += count;
        return eSuccess;
    }

    // Where count bytes start, moving past them; null when they pass the end.
    const uint8_t* Take(uint64_t count)
    {
        if (count > mEnd - mPosition)
            return nullptr;
        const uint8_t* start = mData + mPosition;
        mPosition += count;
        return start;
    }

    template <typename T>
    eResultCode ReadValue(T& value)
    {
        uint8_t bytes[sizeof(T)];
        PNU_TRY(ReadBytes(bytes, sizeof(T)));
        uint64_t bits = 0;
        for (int32_t i = int32_t(sizeof(T)) - 1; i >= 0; --i)
            bits = bits << 8 | bytes[i];
        value = T(bits);
        return eSuccess;
    }

    // eGenericFailure when the next 8 bytes are not the marker.
    eResultCode ExpectMarker(const uint8_t (&marker)[8])
    {
        uint8_t bytes[8];
        PNU_TRY(ReadBytes(bytes, 8));
        return memcmp(bytes, marker, 8) == 0 ? eSuccess : eGenericFailure;
    }

    // UTF-16 units up to a 0 unit, which is consumed; eStreamError when the range ends first.
    eResultCode ReadUnits(gCString& text)
    {
        uint64_t length = 0;
        while (true) {
            if (mEnd - mPosition < 2 * (length + 1))
                return eStreamError;
            const uint8_t* unit = mData + mPosition + 2 * length;
            if ((unit[0] | unit[1]) == 0)
                break;
            ++length;
        }
        if (length > 0x7FFFFFF0ull)
            return eStreamError;
        PNU_TRY(text.SetBufferLength(int32_t(length) + 1));
        char16_t* units = text.GetBuffer();
        for (uint64_t i = 0; i < length; ++i)
            units[i] = char16_t(mData[mPosition + 2 * i] | mData[mPosition + 2 * i + 1] << 8);
        units[length] = 0;
        mPosition += 2 * (length + 1);
        return eSuccess;
    }

private:
    const uint8_t* mData;
    uint64_t mEnd;
    uint64_t mPosition;
};
