#include "core/gCString.h"

#include "core/MacRoman.h"
#include "core/gCMemory.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

// The one constant empty text; assigning it gives the empty string with a buffer.
constexpr char16_t kEmptyText[1] = {0};

// The largest capacity whose byte size still fits the 32-bit length arithmetic of the callers.
constexpr int32_t kMaxUnits = INT32_MAX / 2 - 32;

int32_t UnitCount(const char16_t* text)
{
    int32_t count = 0;
    while (text[count] != 0)
        ++count;
    return count;
}

bool Contains(const gCString& set, char16_t unit)
{
    for (int32_t i = 0; i < set.GetLength(); ++i) {
        if (set[i] == unit)
            return true;
    }
    return false;
}

} // namespace

gCString::gCString(const char16_t* text) { (void)Assign(text); }

gCString::gCString(const char* macRomanText) { (void)AssignFromChars(macRomanText); }

gCString::gCString(const gCString& other) { (void)Assign(other.mText); }

gCString::gCString(gCString&& other) noexcept
    : mText(std::exchange(other.mText, nullptr)),
      mCapacity(std::exchange(other.mCapacity, 0)),
      mLength(std::exchange(other.mLength, 0))
{
}

gCString::gCString(int32_t value) { (void)SetNumber(value); }

gCString::gCString(char16_t unit, int32_t count) { SetRepeated(unit, count); }

void gCString::FreeBuffer()
{
    if (mText) {
        MemFree(mText);
        mText = nullptr;
        mCapacity = 0;
        mLength = 0;
    }
}

// The capacity is the smallest multiple of 16 strictly above the units needed, and it changes only
// once the reallocation has succeeded, so a failed growth leaves the string as it was.
eResultCode gCString::Reserve(int32_t units)
{
    if (units <= mCapacity)
        return eSuccess;
    if (units < 0 || units > kMaxUnits)
        return eNoMemory;
    int32_t capacity = (units + 16) & ~15;
    void* grown = MemReallocate(mText, size_t(capacity) * sizeof(char16_t));
    if (!grown)
        return eNoMemory;
    mText = static_cast<char16_t*>(grown);
    mCapacity = capacity;
    return eSuccess;
}

eResultCode gCString::SetBufferLength(int32_t n)
{
    // A length of -1 would break every other operation.
    if (n < 1)
        return eBadParameter;
    PNU_TRY(Reserve(n));
    mLength = n - 1;
    return eSuccess;
}

eResultCode gCString::Assign(const char16_t* text)
{
    if (!text)
        text = kEmptyText;
    int32_t count = UnitCount(text);
    // The text may lie in this string's own buffer; it then needs no growth, so it stays valid.
    PNU_TRY(SetBufferLength(count + 1));
    std::memmove(mText, text, size_t(count) * sizeof(char16_t));
    mText[count] = 0;
    return eSuccess;
}

gCString& gCString::operator=(const char16_t* text)
{
    (void)Assign(text);
    return *this;
}

gCString& gCString::operator=(const gCString& other)
{
    if (this != &other)
        (void)Assign(other.mText);
    return *this;
}

gCString& gCString::operator=(gCString&& other) noexcept
{
    if (this != &other) {
        FreeBuffer();
        mText = std::exchange(other.mText, nullptr);
        mCapacity = std::exchange(other.mCapacity, 0);
        mLength = std::exchange(other.mLength, 0);
    }
    return *this;
}

eResultCode gCString::CopyStringFromBuffer(const char16_t* buffer, int32_t count)
{
    if (!buffer || count == 0)
        return Assign(kEmptyText);
    int32_t taken = 0;
    while (taken < count && buffer[taken] != 0)
        ++taken;
    PNU_TRY(Reserve(taken + 1));
    std::memmove(mText, buffer, size_t(taken) * sizeof(char16_t));
    mText[taken] = 0;
    mLength = taken;
    return eSuccess;
}

void gCString::SetRepeated(char16_t unit, int32_t count)
{
    if (count < 0)
        count = 0;
    if (SetBufferLength(count + 1) != eSuccess)
        return;
    for (int32_t i = 0; i < count; ++i)
        mText[i] = unit;
    mText[count] = 0;
}

eResultCode gCString::SetNumber(int32_t value)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%" PRId32, value);
    return AssignFromChars(digits);
}

eResultCode gCString::SetNumber(uint64_t value)
{
    char digits[24];
    std::snprintf(digits, sizeof digits, "%" PRIu64, value);
    return AssignFromChars(digits);
}

eResultCode gCString::Append(const gCString& other)
{
    if (!mText)
        return Assign(other.mText);
    int32_t added = other.mLength;
    if (added == 0)
        return eSuccess;
    int32_t oldLength = mLength;
    if (added > kMaxUnits - oldLength)
        return eNoMemory;
    // Growing may move this buffer; when other is this string, its units move with it.
    PNU_TRY(SetBufferLength(oldLength + added + 1));
    std::memcpy(mText + oldLength, other.mText, size_t(added) * sizeof(char16_t));
    mText[oldLength + added] = 0;
    return eSuccess;
}

eResultCode gCString::Append(const char16_t* text)
{
    if (!text)
        return eSuccess;
    if (!mText)
        return Assign(text);
    int32_t added = UnitCount(text);
    if (added == 0)
        return eSuccess;
    int32_t oldLength = mLength;
    if (added > kMaxUnits - oldLength)
        return eNoMemory;
    // A text inside this buffer must be found again after the buffer moved.
    ptrdiff_t inside = -1;
    if (text >= mText && text < mText + mCapacity)
        inside = text - mText;
    PNU_TRY(SetBufferLength(oldLength + added + 1));
    if (inside >= 0)
        text = mText + inside;
    std::memmove(mText + oldLength, text, size_t(added) * sizeof(char16_t));
    mText[oldLength + added] = 0;
    return eSuccess;
}

gCString& gCString::operator+=(const char16_t& unit)
{
    const char16_t single[2] = {unit, 0};
    // A 0 unit appends nothing, as its one-unit text is empty.
    (void)Append(single);
    return *this;
}

gCString& gCString::operator+=(int32_t value)
{
    gCString digits(value);
    (void)Append(digits);
    return *this;
}

gCString& gCString::operator+=(const gCString& other)
{
    (void)Append(other);
    return *this;
}

gCString operator+(const gCString& first, const gCString& second)
{
    gCString result(first);
    (void)result.Append(second);
    return result;
}

gCString operator+(const gCString& string, int32_t value)
{
    gCString result(string);
    result += value;
    return result;
}

gCString operator+(const gCString& string, uint64_t value)
{
    gCString result(string);
    gCString digits;
    (void)digits.SetNumber(value);
    (void)result.Append(digits);
    return result;
}

gCString operator+(const char* macRomanText, const gCString& string)
{
    gCString result(macRomanText);
    (void)result.Append(string);
    return result;
}

// Each 8-bit byte is decoded on the fly: the same comparison as against a converted copy, without
// an allocation that could fail.
int32_t gCString::operator==(const char* macRomanText) const
{
    if (!macRomanText || !mText)
        return 0;
    for (int32_t i = 0;; ++i) {
        char16_t mine = mText[i];
        char16_t theirs = MacRomanToUnicode(uint8_t(macRomanText[i]));
        if (mine != theirs)
            return 0;
        if (mine == 0)
            return 1;
    }
}

int32_t gCString::operator!=(const char* macRomanText) const
{
    if (!macRomanText || !mText)
        return 0;
    return (*this == macRomanText) ? 0 : 1;
}

int32_t gCString::Find(const gCString& pattern) const
{
    if (mLength == 0)
        return -1;
    return Find(0, pattern);
}

int32_t gCString::Find(int32_t start, const gCString& pattern) const
{
    if (!mText || pattern.mLength == 0 || start < 0 || start >= mLength)
        return -1;
    int32_t last = mLength - pattern.mLength;
    char16_t first = pattern.mText[0];
    for (int32_t i = start; i <= last; ++i) {
        if (mText[i] == first &&
            std::memcmp(mText + i, pattern.mText, size_t(pattern.mLength) * sizeof(char16_t)) == 0)
            return i;
    }
    return -1;
}

int32_t gCString::ReverseFind(const gCString& pattern) const
{
    if (mLength == 0 || pattern.mLength == 0)
        return -1;
    for (int32_t i = mLength - pattern.mLength; i >= 0; --i) {
        if (std::memcmp(mText + i, pattern.mText, size_t(pattern.mLength) * sizeof(char16_t)) == 0)
            return i;
    }
    return -1;
}

int32_t gCString::FindOneOf(const gCString& set) const
{
    if (mLength == 0 || set.mLength == 0)
        return -1;
    for (int32_t i = 0; i < mLength; ++i) {
        if (Contains(set, mText[i]))
            return i;
    }
    return -1;
}

int32_t gCString::ReverseFindOneOf(const gCString& set) const
{
    if (mLength == 0 || set.mLength == 0)
        return -1;
    for (int32_t i = mLength - 1; i >= 0; --i) {
        if (Contains(set, mText[i]))
            return i;
    }
    return -1;
}

namespace {

// A copy of `text` changed by edit(copy); the original stays as it is.
template <typename Edit>
gCString EditedCopy(const gCString& text, Edit edit)
{
    gCString copy(text);
    edit(copy);
    return copy;
}

} // namespace

gCString gCString::Left(int32_t n) const
{
    gCString result;
    if (n < 0 || n >= mLength)
        (void)result.Assign(mText);
    else
        (void)result.CopyStringFromBuffer(mText, n);
    return result;
}

gCString gCString::Right(int32_t n) const
{
    return EditedCopy(*this, [&](gCString& copy) { copy.CropRight(n); });
}

gCString gCString::Mid(int32_t start, int32_t count) const
{
    return EditedCopy(*this, [&](gCString& copy) { copy.CropMid(start, count); });
}

gCString gCString::DropLeft(int32_t n) const
{
    return EditedCopy(*this, [&](gCString& copy) { copy.DeleteLeft(n); });
}

gCString gCString::SubString(int32_t first, int32_t last) const
{
    gCString result;
    if (first < 0)
        first = 0;
    if (last >= mLength)
        last = mLength - 1;
    if (first > last || first >= mLength)
        (void)result.Assign(kEmptyText);
    else
        (void)result.CopyStringFromBuffer(mText + first, last - first + 1);
    return result;
}

gCString gCString::GetDeleted(int32_t index, int32_t count) const
{
    gCString result(*this);
    result.Delete(index, count);
    return result;
}

gCString gCString::GetReversed() const
{
    gCString result(*this);
    for (int32_t i = 0, j = result.mLength - 1; i < j; ++i, --j)
        std::swap(result.mText[i], result.mText[j]);
    return result;
}

void gCString::Delete(int32_t index, int32_t count)
{
    if (!mText || mLength == 0 || index < 0 || count <= 0 || index > mLength)
        return;
    if (count > mLength - index)
        count = mLength - index;
    std::memmove(mText + index, mText + index + count, size_t(mLength - index - count + 1) * sizeof(char16_t));
    mLength -= count;
}

void gCString::DeleteLeft(int32_t n)
{
    if (!mText || n <= 0)
        return;
    if (n >= mLength) {
        mText[0] = 0;
        mLength = 0;
        return;
    }
    Delete(0, n);
}

void gCString::CropRight(int32_t n)
{
    if (!mText || n >= mLength)
        return;
    if (n <= 0) {
        mText[0] = 0;
        mLength = 0;
        return;
    }
    Delete(0, mLength - n);
}

void gCString::CropMid(int32_t start, int32_t count)
{
    if (!mText)
        return;
    if (start < 0)
        start = 0;
    if (count < 0)
        count = 0;
    if (start >= mLength) {
        mText[0] = 0;
        mLength = 0;
        return;
    }
    if (count > mLength - start)
        count = mLength - start;
    std::memmove(mText, mText + start, size_t(count) * sizeof(char16_t));
    mText[count] = 0;
    mLength = count;
}

eResultCode gCString::Insert(const gCString& other, int32_t index)
{
    if (other.mLength == 0)
        return eSuccess;
    if (!mText)
        return Assign(other.mText);
    if (&other == this) {
        gCString copy(other);
        if (copy.mLength != other.mLength)
            return eNoMemory;
        return Insert(copy, index);
    }
    if (index < 0)
        index = 0;
    if (index > mLength)
        index = mLength;
    int32_t added = other.mLength;
    if (added > kMaxUnits - mLength)
        return eNoMemory;
    PNU_TRY(Reserve(mLength + added + 1));
    std::memmove(mText + index + added, mText + index, size_t(mLength - index + 1) * sizeof(char16_t));
    std::memcpy(mText + index, other.mText, size_t(added) * sizeof(char16_t));
    mLength += added;
    return eSuccess;
}

eResultCode gCString::InsertChar(char16_t unit, int32_t index)
{
    if (!mText) {
        PNU_TRY(SetBufferLength(2));
        mText[0] = unit;
        mText[1] = 0;
        return eSuccess;
    }
    if (index < 0)
        index = 0;
    if (index > mLength)
        index = mLength;
    PNU_TRY(Reserve(mLength + 2));
    std::memmove(mText + index + 1, mText + index, size_t(mLength - index + 1) * sizeof(char16_t));
    mText[index] = unit;
    ++mLength;
    return eSuccess;
}

int32_t gCString::ReplaceChar(char16_t from, char16_t to)
{
    int32_t replaced = 0;
    for (int32_t i = 0; i < mLength; ++i) {
        if (mText[i] == from) {
            mText[i] = to;
            ++replaced;
        }
    }
    return replaced;
}

// Scanning resumes after each inserted replacement, so a replacement that contains the pattern is
// never replaced again. The result is built aside and copied in, so a failure changes nothing.
int32_t gCString::Replace(const gCString& find, const gCString& with)
{
    if (mLength == 0 || find.mLength == 0)
        return 0;
    int32_t count = 0;
    for (int32_t at = Find(0, find); at >= 0; at = Find(at + find.mLength, find))
        ++count;
    if (count == 0)
        return 0;
    int64_t newLength = int64_t(mLength) + int64_t(count) * (int64_t(with.mLength) - find.mLength);
    if (newLength > kMaxUnits)
        return 0;
    gCString result;
    if (result.SetBufferLength(int32_t(newLength) + 1) != eSuccess)
        return 0;
    int32_t from = 0;
    int32_t to = 0;
    for (int32_t at = Find(0, find); at >= 0; at = Find(at + find.mLength, find)) {
        std::memcpy(result.mText + to, mText + from, size_t(at - from) * sizeof(char16_t));
        to += at - from;
        if (with.mLength > 0)
            std::memcpy(result.mText + to, with.mText, size_t(with.mLength) * sizeof(char16_t));
        to += with.mLength;
        from = at + find.mLength;
    }
    std::memcpy(result.mText + to, mText + from, size_t(mLength - from) * sizeof(char16_t));
    to += mLength - from;
    result.mText[to] = 0;
    if (CopyStringFromBuffer(result.mText, to) != eSuccess)
        return 0;
    return count;
}
