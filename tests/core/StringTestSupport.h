// Helpers shared by the string tests: readable failure output and a snapshot of a string's fields.
#pragma once

#include "core/gCString.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

inline void PrintTo(const gCString& string, std::ostream* out)
{
    if (string.IsNull())
        *out << "<null>";
    else
        *out << '"' << Utf8(string) << "\" (length " << string.GetLength() << ", capacity "
             << string.GetCapacity() << ')';
}

// The text of a string as UTF-8, "<null>" for the null string, for comparisons in tables.
inline std::string Text(const gCString& string) { return string.IsNull() ? "<null>" : Utf8(string); }

struct sStringState {
    bool null;
    std::u16string units;
    int32_t length;
    int32_t capacity;

    explicit sStringState(const gCString& string)
        : null(string.IsNull()),
          units(string.IsNull() ? std::u16string() : std::u16string(string.GetText(), size_t(string.GetLength()))),
          length(string.GetLength()),
          capacity(string.GetCapacity())
    {
    }
    bool operator==(const sStringState&) const = default;
};
