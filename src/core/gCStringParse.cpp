// Splitting at the first separator, trimming, ASCII case filters and the number parsers that read
// settings, resource scripts and protocol fields.
#include "core/gCString.h"

#include "core/DecimalText.h"

#include <cstring>
#include <utility>

const char16_t kStringWhitespace[] = u"\t \n\r";

namespace {

bool IsWhitespace(char16_t unit) { return unit == u'\t' || unit == u' ' || unit == u'\n' || unit == u'\r'; }
bool IsDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }
bool IsUpper(char16_t unit) { return unit >= u'A' && unit <= u'Z'; }
bool IsLower(char16_t unit) { return unit >= u'a' && unit <= u'z'; }

// A first unit that is a digit or "-" (alone it is accepted too), then digits only.
bool IsIntegerText(const char16_t* units, int32_t count)
{
    if (count < 1)
        return false;
    if (!IsDigit(units[0]) && units[0] != u'-')
        return false;
    for (int32_t i = 1; i < count; ++i) {
        if (!IsDigit(units[i]))
            return false;
    }
    return true;
}

// The parse runs in the unsigned type of the result's width, so overflow wraps instead of being
// undefined. A "-" anywhere makes the value negative and an "x" anywhere switches to base 16; the
// letters A-F count 10 to 15 in either base.
template <typename Unsigned>
Unsigned ParseUnits(const char16_t* text, int32_t length)
{
    int32_t begin = 0;
    int32_t end = length;
    while (begin < end && IsWhitespace(text[begin]))
        ++begin;
    while (end > begin && IsWhitespace(text[end - 1]))
        --end;

    bool negative = false;
    int32_t start = begin;
    for (int32_t i = begin; i < end; ++i) {
        if (text[i] == u'-') {
            negative = true;
            start = i + 1;
            break;
        }
    }
    Unsigned base = 10;
    for (int32_t i = begin; i < end; ++i) {
        if (text[i] == u'x' || text[i] == u'X') {
            base = 16;
            start = i + 1;
            break;
        }
    }

    Unsigned value = 0;
    for (int32_t i = start; i < end; ++i) {
        char16_t unit = text[i];
        if (base == 16 && IsLower(unit))
            unit = char16_t(unit - u'a' + u'A');
        Unsigned digit;
        if (IsDigit(unit))
            digit = Unsigned(unit - u'0');
        else if (unit >= u'A' && unit <= u'F')
            digit = Unsigned(unit - u'A' + 10);
        else
            break;
        value = value * base + digit;
    }
    return negative ? Unsigned(0) - value : value;
}

// The first kCount comma-separated parts, trimmed of whitespace. False when there are fewer.
template <int32_t kCount>
bool GetListParts(const gCString& text, gCString (&parts)[kCount])
{
    if (text.GetLength() == 0)
        return false;
    int32_t found = 0;
    int32_t partStart = 0;
    for (int32_t i = 0; i <= text.GetLength() && found < kCount; ++i) {
        if (i == text.GetLength() || text[i] == u',') {
            parts[found++] = text.SubString(partStart, i - 1);
            partStart = i + 1;
        }
    }
    if (found < kCount)
        return false;
    for (gCString& part : parts)
        part.Trim(kStringWhitespace);
    return true;
}

float ParseFloat(const gCString& text) { return float(ReadDecimal(text.GetText())); }

} // namespace

// The right part starts after the whole separator, and a drop that would leave a negative count
// leaves the right part empty.
int32_t gCString::SplitAtFirst(gCString& left, gCString& right, const gCString& separator, int32_t dropLast) const
{
    if (!mText || mLength == 0)
        return 1;
    int32_t at = Find(separator);
    gCString leftPart;
    gCString rightPart;
    int32_t result;
    if (at < 0) {
        (void)leftPart.Assign(mText);
        (void)rightPart.Assign(nullptr);
        result = 2;
    } else {
        (void)leftPart.CopyStringFromBuffer(mText, at);
        int32_t rightStart = at + separator.mLength;
        int32_t rightCount = mLength - rightStart - (dropLast != 0 ? 1 : 0);
        (void)rightPart.CopyStringFromBuffer(mText + rightStart, rightCount > 0 ? rightCount : 0);
        result = 0;
    }
    // Either out-string may be this string itself, so both are built before either is set.
    left = std::move(leftPart);
    right = std::move(rightPart);
    return result;
}

void gCString::TrimWith(const gCString* set, char16_t unit, bool leading, bool trailing)
{
    if (mLength == 0)
        return;
    if (set && set->mLength == 0)
        return;
    auto matches = [&](char16_t candidate) {
        if (!set)
            return candidate == unit;
        for (int32_t i = 0; i < set->mLength; ++i) {
            if (set->mText[i] == candidate)
                return true;
        }
        return false;
    };
    int32_t first = 0;
    int32_t last = mLength - 1;
    if (leading) {
        while (first < mLength && matches(mText[first]))
            ++first;
    }
    if (trailing) {
        while (last >= first && matches(mText[last]))
            --last;
    }
    if (first > last) {
        mText[0] = 0;
        mLength = 0;
        return;
    }
    int32_t kept = last - first + 1;
    std::memmove(mText, mText + first, size_t(kept) * sizeof(char16_t));
    mText[kept] = 0;
    mLength = kept;
}

void gCString::TrimChar(char16_t unit) { TrimWith(nullptr, unit, true, true); }

void gCString::Trim(const gCString& set) { TrimWith(&set, 0, true, true); }

void gCString::TrimLeft(const gCString& set) { TrimWith(&set, 0, true, false); }

int32_t gCString::TrimRight(const gCString& set)
{
    TrimWith(&set, 0, false, true);
    return mLength;
}

gCString gCString::GetTrimmed(char16_t unit) const
{
    gCString copy(*this);
    copy.TrimWith(nullptr, unit, true, true);
    return copy;
}

gCString gCString::GetTrimmed(const gCString& set) const
{
    gCString copy(*this);
    copy.TrimWith(&set, 0, true, true);
    return copy;
}

gCString gCString::GetTrimmedLeft(char16_t unit) const
{
    gCString copy(*this);
    copy.TrimWith(nullptr, unit, true, false);
    return copy;
}

gCString gCString::GetTrimmedLeft(const gCString& set) const
{
    gCString copy(*this);
    copy.TrimWith(&set, 0, true, false);
    return copy;
}

gCString gCString::GetTrimmedRight(char16_t unit) const
{
    gCString copy(*this);
    copy.TrimWith(nullptr, unit, false, true);
    return copy;
}

gCString gCString::GetTrimmedRight(const gCString& set) const
{
    gCString copy(*this);
    copy.TrimWith(&set, 0, false, true);
    return copy;
}

// Filtering keeps units in order and never lengthens the text, so it runs in place.
void gCString::KeepUpper(bool digits)
{
    if (!mText) {
        (void)Assign(nullptr);
        return;
    }
    int32_t kept = 0;
    for (int32_t i = 0; i < mLength; ++i) {
        char16_t unit = mText[i];
        if (IsLower(unit))
            mText[kept++] = char16_t(unit - u'a' + u'A');
        else if (IsUpper(unit) || (digits && IsDigit(unit)))
            mText[kept++] = unit;
    }
    mText[kept] = 0;
    mLength = kept;
}

gCString gCString::GetUpperLetters() const
{
    gCString copy(*this);
    copy.KeepUpper(false);
    return copy;
}

gCString gCString::GetUpperAlphaNumeric() const
{
    gCString copy(*this);
    copy.KeepUpper(true);
    return copy;
}

void gCString::MakeUpperLetters() { KeepUpper(false); }

void gCString::MakeUpperAlphaNumeric() { KeepUpper(true); }

int32_t gCString::IsInteger() const { return IsIntegerText(mText, mLength) ? 1 : 0; }

// One point with an integer on each side; the side after the point may begin with "-".
int32_t gCString::IsNumber() const
{
    if (mLength == 0)
        return 0;
    int32_t point = -1;
    for (int32_t i = 0; i < mLength && point < 0; ++i) {
        if (mText[i] == u'.')
            point = i;
    }
    if (point < 0)
        return IsInteger();
    bool before = IsIntegerText(mText, point);
    bool after = IsIntegerText(mText + point + 1, mLength - point - 1);
    return before && after ? 1 : 0;
}

int32_t gCString::ParseInteger() const
{
    if (!mText)
        return 0;
    return int32_t(ParseUnits<uint32_t>(mText, mLength));
}

int64_t gCString::ParseInteger64() const
{
    if (!mText)
        return 0;
    return int64_t(ParseUnits<uint64_t>(mText, mLength));
}

gCPoint gCString::ToPoint() const
{
    gCPoint point;
    gCString parts[2];
    if (GetListParts(*this, parts))
        point.Set(parts[0].ParseInteger(), parts[1].ParseInteger());
    return point;
}

gCRect gCString::ToRect() const
{
    gCRect rect;
    gCString parts[4];
    if (GetListParts(*this, parts))
        rect.Set(parts[0].ParseInteger(), parts[1].ParseInteger(), parts[2].ParseInteger(), parts[3].ParseInteger());
    return rect;
}

gCFloatPoint gCString::ToFloatPoint() const
{
    gCFloatPoint point;
    gCString parts[2];
    if (GetListParts(*this, parts))
        point.Set(ParseFloat(parts[0]), ParseFloat(parts[1]));
    return point;
}

gCFloatRect gCString::ToFloatRect() const
{
    gCFloatRect rect;
    gCString parts[4];
    if (GetListParts(*this, parts))
        rect = {ParseFloat(parts[0]), ParseFloat(parts[1]), ParseFloat(parts[2]), ParseFloat(parts[3])};
    return rect;
}
