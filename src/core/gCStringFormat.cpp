// printf-style formatting into UTF-16: literal units are copied, and each conversion is formatted
// by the C library from a rebuilt 8-bit directive, then widened (8-bit results are Mac Roman).
#include "core/gCString.h"

#include "core/MacRoman.h"
#include "core/gCMemory.h"

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <type_traits>

namespace {

// The growing result; it belongs to no string until it is complete, so a failure changes nothing.
class FormatOutput {
public:
    ~FormatOutput() { MemFree(mUnits); }

    void Put(char16_t unit)
    {
        if (mFailed)
            return;
        if (mLength + 1 >= mCapacity) {
            if (mCapacity > INT32_MAX / 4) {
                mFailed = true;
                return;
            }
            int32_t capacity = mCapacity == 0 ? 64 : mCapacity * 2;
            void* grown = MemReallocate(mUnits, size_t(capacity) * sizeof(char16_t));
            if (!grown) {
                mFailed = true;
                return;
            }
            mUnits = static_cast<char16_t*>(grown);
            mCapacity = capacity;
        }
        mUnits[mLength++] = unit;
    }
    void PutMacRoman(const char* bytes, size_t count)
    {
        for (size_t i = 0; i < count; ++i)
            Put(MacRomanToUnicode(uint8_t(bytes[i])));
    }
    void PutPadding(int32_t count)
    {
        for (int32_t i = 0; i < count; ++i)
            Put(u' ');
    }

    void Fail() { mFailed = true; }
    bool Failed() const { return mFailed; }
    const char16_t* Units() const { return mUnits; }
    int32_t Length() const { return mLength; }

private:
    char16_t* mUnits = nullptr;
    int32_t mCapacity = 0;
    int32_t mLength = 0;
    bool mFailed = false;
};

// Formats one argument with the C library and appends the 8-bit result.
template <typename Value>
void PutFormatted(FormatOutput& output, const char* spec, Value value)
{
    char local[256];
    int count = std::snprintf(local, sizeof local, spec, value);
    if (count < 0)
        return;
    if (size_t(count) < sizeof local) {
        output.PutMacRoman(local, size_t(count));
        return;
    }
    char* large = static_cast<char*>(MemAllocate(size_t(count) + 1));
    if (!large) {
        output.Fail();
        return;
    }
    std::snprintf(large, size_t(count) + 1, spec, value);
    output.PutMacRoman(large, size_t(count));
    MemFree(large);
}

bool IsDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }

// Whether unit is one of the units of set (never its terminator).
bool IsOneOf(char16_t unit, const char16_t* set)
{
    for (; *set != 0; ++set)
        if (unit == *set)
            return true;
    return false;
}

struct sConversion {
    char flags[8] = {};
    int32_t flagCount = 0;
    bool leftAlign = false;
    int32_t width = -1;
    int32_t precision = -1;
    char length[3] = {};
    char16_t kind = 0;
};

// Rebuilds the conversion as an 8-bit printf directive with width and precision resolved.
void BuildSpec(const sConversion& conversion, char kind, char* spec, size_t size, bool withLength)
{
    int written = std::snprintf(spec, size, "%%%s", conversion.flags);
    if (conversion.width >= 0)
        written += std::snprintf(spec + written, size - size_t(written), "%d", conversion.width);
    if (conversion.precision >= 0)
        written += std::snprintf(spec + written, size - size_t(written), ".%d", conversion.precision);
    std::snprintf(spec + written, size - size_t(written), "%s%c", withLength ? conversion.length : "", kind);
}

void PutUnits(FormatOutput& output, const sConversion& conversion, const char16_t* units, int32_t count)
{
    int32_t padding = conversion.width > count ? conversion.width - count : 0;
    if (!conversion.leftAlign)
        output.PutPadding(padding);
    for (int32_t i = 0; i < count; ++i)
        output.Put(units[i]);
    if (conversion.leftAlign)
        output.PutPadding(padding);
}

// The signed or the unsigned type of T's size.
template <bool Signed, typename T>
using tSigned = std::conditional_t<Signed, T, std::make_unsigned_t<T>>;

template <typename T>
T NextArgument(va_list& arguments)
{
    return va_arg(arguments, T);
}

// Integer conversions: the argument's size follows the length modifier.
template <bool Signed>
void PutInteger(FormatOutput& output, const sConversion& conversion, va_list& arguments)
{
    char spec[48];
    BuildSpec(conversion, char(conversion.kind), spec, sizeof spec, true);
    const char* length = conversion.length;
    if (std::strcmp(length, "l") == 0)
        PutFormatted(output, spec, NextArgument<tSigned<Signed, long>>(arguments));
    else if (std::strcmp(length, "ll") == 0)
        PutFormatted(output, spec, NextArgument<tSigned<Signed, long long>>(arguments));
    else if (std::strcmp(length, "j") == 0)
        PutFormatted(output, spec, NextArgument<tSigned<Signed, intmax_t>>(arguments));
    else if (std::strcmp(length, "z") == 0 || std::strcmp(length, "t") == 0)
        PutFormatted(output, spec, NextArgument<tSigned<Signed, ptrdiff_t>>(arguments));
    else
        PutFormatted(output, spec, NextArgument<tSigned<Signed, int>>(arguments));
}

// A conversion the C library formats from one argument as written, without a length modifier.
template <typename Value>
void PutPlain(FormatOutput& output, const sConversion& conversion, char kind, Value value)
{
    char spec[48];
    BuildSpec(conversion, kind, spec, sizeof spec, false);
    PutFormatted(output, spec, value);
}

void PutFloating(FormatOutput& output, const sConversion& conversion, va_list& arguments)
{
    char spec[48];
    if (std::strcmp(conversion.length, "L") == 0) {
        BuildSpec(conversion, char(conversion.kind), spec, sizeof spec, true);
        PutFormatted(output, spec, va_arg(arguments, long double));
    } else {
        BuildSpec(conversion, char(conversion.kind), spec, sizeof spec, false);
        PutFormatted(output, spec, va_arg(arguments, double));
    }
}

// Reads flags, width, precision and length after a "%"; answers the index of the conversion unit.
size_t ParseConversion(const char16_t* format, size_t i, sConversion& conversion, va_list& arguments)
{
    while (format[i] == u'-' || format[i] == u'+' || format[i] == u' ' || format[i] == u'#' || format[i] == u'0') {
        if (format[i] == u'-')
            conversion.leftAlign = true;
        if (conversion.flagCount < 7)
            conversion.flags[conversion.flagCount++] = char(format[i]);
        ++i;
    }
    if (format[i] == u'*') {
        int width = va_arg(arguments, int);
        if (width < 0) {
            conversion.leftAlign = true;
            if (conversion.flagCount < 7)
                conversion.flags[conversion.flagCount++] = '-';
            width = width == INT32_MIN ? INT32_MAX : -width;
        }
        conversion.width = width;
        ++i;
    } else {
        for (; IsDigit(format[i]); ++i) {
            int64_t width = int64_t(conversion.width < 0 ? 0 : conversion.width) * 10 + (format[i] - u'0');
            conversion.width = int32_t(width > 100000 ? 100000 : width);
        }
    }
    if (format[i] == u'.') {
        ++i;
        conversion.precision = 0;
        if (format[i] == u'*') {
            int precision = va_arg(arguments, int);
            conversion.precision = precision < 0 ? -1 : precision;
            ++i;
        } else {
            for (; IsDigit(format[i]); ++i) {
                int64_t precision = int64_t(conversion.precision) * 10 + (format[i] - u'0');
                conversion.precision = int32_t(precision > 100000 ? 100000 : precision);
            }
        }
    }
    int32_t lengthCount = 0;
    while (lengthCount < 2 && (format[i] == u'h' || format[i] == u'l' || format[i] == u'L' || format[i] == u'q' ||
                               format[i] == u'j' || format[i] == u'z' || format[i] == u't')) {
        conversion.length[lengthCount++] = format[i] == u'q' ? 'l' : char(format[i]);
        if (format[i] == u'q')
            conversion.length[lengthCount++] = 'l';
        ++i;
    }
    conversion.kind = format[i];
    return i;
}

} // namespace

void gCString::Format(const char16_t* format, ...)
{
    if (!format)
        return;
    FormatOutput output;
    va_list arguments;
    va_start(arguments, format);
    for (size_t i = 0; format[i] != 0; ++i) {
        if (format[i] != u'%') {
            output.Put(format[i]);
            continue;
        }
        size_t start = i;
        sConversion conversion;
        i = ParseConversion(format, i + 1, conversion, arguments);
        if (IsOneOf(conversion.kind, u"di")) {
            PutInteger<true>(output, conversion, arguments);
            continue;
        }
        if (IsOneOf(conversion.kind, u"ouxX")) {
            PutInteger<false>(output, conversion, arguments);
            continue;
        }
        if (IsOneOf(conversion.kind, u"fFeEgGaA")) {
            PutFloating(output, conversion, arguments);
            continue;
        }
        switch (conversion.kind) {
        case u'c':
            PutPlain(output, conversion, 'c', va_arg(arguments, int));
            break;
        case u's': {
            const char* text = va_arg(arguments, const char*);
            PutPlain(output, conversion, 's', text ? text : "(null)");
            break;
        }
        case u'C': {
            char16_t unit = char16_t(va_arg(arguments, int));
            PutUnits(output, conversion, &unit, 1);
            break;
        }
        case u'S': {
            const char16_t* text = va_arg(arguments, const char16_t*);
            if (!text)
                text = u"(null)";
            int32_t count = 0;
            while (text[count] != 0 && (conversion.precision < 0 || count < conversion.precision))
                ++count;
            PutUnits(output, conversion, text, count);
            break;
        }
        case u'p':
            PutPlain(output, conversion, 'p', va_arg(arguments, void*));
            break;
        case u'%':
            output.Put(u'%');
            break;
        case u'n':
            // Writing through an argument is never wanted from a format; the pointer is skipped.
            (void)va_arg(arguments, void*);
            break;
        default:
            // Not a conversion: the text is kept as written.
            for (size_t k = start; k < i; ++k)
                output.Put(format[k]);
            if (format[i] == 0)
                --i;
            else
                output.Put(format[i]);
            break;
        }
    }
    va_end(arguments);
    if (output.Failed())
        return;
    if (SetBufferLength(output.Length() + 1) != eSuccess)
        return;
    if (output.Length() > 0)
        std::memcpy(mText, output.Units(), size_t(output.Length()) * sizeof(char16_t));
    mText[output.Length()] = 0;
}
