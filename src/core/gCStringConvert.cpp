// Conversions between gCString and 8-bit Mac Roman, UTF-8 and length-prefixed text.
#include "core/gCString.h"

#include "core/CMemBlock.h"
#include "core/MacRoman.h"

#include <cstring>
#include <mutex>

namespace {

constexpr int32_t kConversionBufferSize = 4096;

// Every ToChars result lives here; the lock keeps two conversions from writing it at once.
char sConversionBuffer[kConversionBufferSize];
std::mutex sConversionLock;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Hands each byte of the first unitCount units to put, until put refuses one. A character Mac
// Roman cannot show becomes one "?" (a surrogate pair is one character), so the text after it is
// not lost.
template <typename Sink>
void ConvertToMacRoman(const char16_t* text, int32_t unitCount, Sink&& put)
{
    for (int32_t i = 0; i < unitCount; ++i) {
        char16_t unit = text[i];
        int32_t byte = UnicodeToMacRoman(unit);
        if (byte < 0) {
            byte = '?';
            if (IsHighSurrogate(unit) && i + 1 < unitCount && IsLowSurrogate(text[i + 1]))
                ++i;
        }
        if (!put(char(byte)))
            return;
    }
}

constexpr char32_t kReplacement = 0xFFFD;

// Hands each UTF-8 byte of the first unitCount units to put; an unpaired surrogate becomes U+FFFD.
template <typename Sink>
void ConvertToUTF8(const char16_t* text, int32_t unitCount, Sink&& put)
{
    for (int32_t i = 0; i < unitCount; ++i) {
        char32_t value = text[i];
        if (IsHighSurrogate(char16_t(value)) && i + 1 < unitCount && IsLowSurrogate(text[i + 1])) {
            value = 0x10000 + ((value - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (value >= 0xD800 && value <= 0xDFFF) {
            value = kReplacement;
        }
        if (value < 0x80) {
            put(char(value));
        } else if (value < 0x800) {
            put(char(0xC0 | (value >> 6)));
            put(char(0x80 | (value & 0x3F)));
        } else if (value < 0x10000) {
            put(char(0xE0 | (value >> 12)));
            put(char(0x80 | ((value >> 6) & 0x3F)));
            put(char(0x80 | (value & 0x3F)));
        } else {
            put(char(0xF0 | (value >> 18)));
            put(char(0x80 | ((value >> 12) & 0x3F)));
            put(char(0x80 | ((value >> 6) & 0x3F)));
            put(char(0x80 | (value & 0x3F)));
        }
    }
}

// Decodes one UTF-8 sequence at bytes[i]; an ill-formed one gives U+FFFD and consumes its lead
// byte and any continuation bytes that were valid so far.
char32_t DecodeUTF8(std::string_view bytes, size_t& i)
{
    uint8_t lead = uint8_t(bytes[i++]);
    if (lead < 0x80)
        return lead;
    int32_t more;
    char32_t value;
    char32_t lowest;
    if (lead >= 0xC2 && lead <= 0xDF) {
        more = 1; value = lead & 0x1F; lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        more = 2; value = lead & 0x0F; lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        more = 3; value = lead & 0x07; lowest = 0x10000;
    } else {
        return kReplacement;
    }
    for (int32_t k = 0; k < more; ++k) {
        if (i >= bytes.size() || (uint8_t(bytes[i]) & 0xC0) != 0x80)
            return kReplacement;
        value = (value << 6) | (uint8_t(bytes[i]) & 0x3F);
        ++i;
    }
    if (value < lowest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return kReplacement;
    return value;
}

// Cuts the bytes at their first 0 and ends them with one, making a C string.
eResultCode EndAtFirstZero(CMemBlock& bytes)
{
    const void* end = bytes.GetSize() ? std::memchr(bytes.GetData(), 0, bytes.GetSize()) : nullptr;
    const uint32_t length = end ? uint32_t(static_cast<const uint8_t*>(end) - bytes.GetData()) : bytes.GetSize();
    if (length == UINT32_MAX || !bytes.SetSize(length + 1))
        return eNoMemory;
    bytes.GetData()[length] = 0;
    return eSuccess;
}

} // namespace

const char* gCString::ToChars() const
{
    std::lock_guard<std::mutex> lock(sConversionLock);
    int32_t written = 0;
    if (mText && mLength > 0) {
        int32_t units = mLength < kConversionBufferSize - 1 ? mLength : kConversionBufferSize - 1;
        ConvertToMacRoman(mText, units, [&](char byte) {
            if (written >= kConversionBufferSize - 1)
                return false;
            sConversionBuffer[written++] = byte;
            return true;
        });
    }
    sConversionBuffer[written] = 0;
    return sConversionBuffer;
}

eResultCode gCString::ToMacRoman(CMemBlock& bytes) const
{
    // One unit gives at most one byte, so the block is sized once and trimmed after.
    const int32_t units = mText ? mLength : 0;
    if (!bytes.SetSize(uint32_t(units)))
        return eNoMemory;
    uint32_t written = 0;
    ConvertToMacRoman(mText, units, [&](char byte) {
        bytes.GetData()[written++] = uint8_t(byte);
        return true;
    });
    return bytes.SetSize(written) ? eSuccess : eNoMemory;
}

eResultCode gCString::ToMacRomanCString(CMemBlock& bytes) const
{
    PNU_TRY(ToMacRoman(bytes));
    return EndAtFirstZero(bytes);
}

eResultCode gCString::AssignFromChars(const char* macRomanText)
{
    if (!macRomanText || macRomanText[0] == 0)
        return Assign(nullptr);
    size_t count = std::strlen(macRomanText);
    if (count > size_t(INT32_MAX - 1))
        return eNoMemory;
    return ConvertFromChars(macRomanText, int32_t(count));
}

// Every Mac Roman byte, a 0 byte included, is one unit.
eResultCode gCString::ConvertFromChars(const char* macRomanText, int32_t byteCount)
{
    if (!macRomanText || byteCount <= 0 || macRomanText[0] == 0)
        return Assign(nullptr);
    if (byteCount == INT32_MAX)
        return eNoMemory;
    PNU_TRY(Reserve(byteCount + 1));
    for (int32_t i = 0; i < byteCount; ++i)
        mText[i] = MacRomanToUnicode(uint8_t(macRomanText[i]));
    mText[byteCount] = 0;
    mLength = byteCount;
    return eSuccess;
}

eResultCode gCString::ToUTF8(CMemBlock& bytes) const
{
    const int32_t units = mText ? mLength : 0;
    // Counted first, so the block is sized once.
    uint32_t count = 0;
    ConvertToUTF8(mText, units, [&](char) { ++count; });
    if (!bytes.SetSize(count))
        return eNoMemory;
    uint32_t written = 0;
    ConvertToUTF8(mText, units, [&](char byte) { bytes.GetData()[written++] = uint8_t(byte); });
    return eSuccess;
}

eResultCode gCString::ToUTF8CString(CMemBlock& bytes) const
{
    PNU_TRY(ToUTF8(bytes));
    return EndAtFirstZero(bytes);
}

bool gCString::ToUTF8(char* buffer, uint32_t capacity) const
{
    if (capacity == 0)
        return false;
    uint32_t written = 0;
    bool fits = true;
    ConvertToUTF8(mText, mText ? mLength : 0, [&](char byte) {
        if (written + 1 < capacity)
            buffer[written++] = byte;
        else
            fits = false;
    });
    buffer[fits ? written : 0] = 0;
    return fits;
}

eResultCode gCString::SetFromUTF8(std::string_view utf8)
{
    if (utf8.empty())
        return Assign(nullptr);
    if (utf8.size() > size_t(INT32_MAX / 2))
        return eNoMemory;
    // Counted first, so the string is grown once and stays unchanged when that fails.
    int32_t units = 0;
    for (size_t i = 0; i < utf8.size();)
        units += DecodeUTF8(utf8, i) >= 0x10000 ? 2 : 1;
    PNU_TRY(Reserve(units + 1));
    int32_t at = 0;
    for (size_t i = 0; i < utf8.size();) {
        char32_t value = DecodeUTF8(utf8, i);
        if (value >= 0x10000) {
            value -= 0x10000;
            mText[at++] = char16_t(0xD800 + (value >> 10));
            mText[at++] = char16_t(0xDC00 + (value & 0x3FF));
        } else {
            mText[at++] = char16_t(value);
        }
    }
    mText[at] = 0;
    mLength = at;
    return eSuccess;
}

char* ToPascalString(char* text)
{
    if (!text || text[0] == 0)
        return text;
    size_t count = std::strlen(text);
    std::memmove(text + 1, text, count);
    text[0] = char(uint8_t(count & 0xFF));
    return text;
}

char* FromPascalString(char* text)
{
    if (!text)
        return text;
    size_t count = uint8_t(text[0]);
    if (count == 0)
        return text;
    std::memmove(text, text + 1, count);
    text[count] = 0;
    return text;
}
