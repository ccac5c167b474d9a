// The toolkit's one string type: a growable, always zero-terminated array of UTF-16 code units held
// by value. It works on code units only: no surrogate, normalisation or locale knowledge, and case is
// changed in the ASCII range only. 8-bit text is Mac OS Roman; the UTF-8 forms exist for the platform
// layer (file names, system calls, clipboard, typed text).
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it: FindOneOf,
// ReverseFindOneOf, GetDeleted, GetReversed, Format, SplitAtAnyOf, the four trims, the upper-case
// letter and alphanumeric forms, the point and rectangle parsers and FromPascalString.
#pragma once

#include "core/eResultCode.h"
#include "core/gCPoint.h"
#include "core/gCRect.h"
#include "core/gCFloatRect.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

template <typename T>
class gCArray;
class CMemBlock;

class gCString {
public:
    // Storage and lifetime. The default string is the null string (no buffer); assigning the empty
    // text or a null pointer gives the empty string with a buffer. The two are told apart below.
    gCString() = default;
    gCString(const char16_t* text);
    gCString(const char* macRomanText);
    gCString(const gCString& other);
    gCString(gCString&& other) noexcept;
    explicit gCString(int32_t value);
    gCString(char16_t unit, int32_t count);
    ~gCString() { FreeBuffer(); }

    void FreeBuffer();
    // Room for n units (terminator included); length becomes n - 1 and no unit is written, so the
    // caller fills the units and the terminator.
    eResultCode SetBufferLength(int32_t n);

    // Assignment.
    eResultCode Assign(const char16_t* text);
    gCString& operator=(const char16_t* text);
    gCString& operator=(const gCString& other);
    gCString& operator=(gCString&& other) noexcept;
    eResultCode CopyStringFromBuffer(const char16_t* buffer, int32_t count);
    void SetRepeated(char16_t unit, int32_t count);
    eResultCode SetNumber(int32_t value);
    eResultCode SetNumber(uint64_t value);

    // Appending.
    eResultCode Append(const gCString& other);
    eResultCode Append(const char16_t* text);
    gCString& operator+=(const char16_t& unit);
    gCString& operator+=(int32_t value);
    gCString& operator+=(const gCString& other);

    // Comparison with 8-bit Mac Roman text. The null string equals nothing (both tests give 0).
    int32_t operator==(const char* macRomanText) const;
    int32_t operator!=(const char* macRomanText) const;

    // Searching: unit indexes, -1 when not found.
    int32_t Find(const gCString& pattern) const;
    int32_t Find(int32_t start, const gCString& pattern) const;
    int32_t ReverseFind(const gCString& pattern) const;
    int32_t FindOneOf(const gCString& set) const;
    int32_t ReverseFindOneOf(const gCString& set) const;

    // Sub-strings as new strings; a source with no text gives the empty string with a buffer.
    gCString Left(int32_t n) const;
    gCString Right(int32_t n) const;
    gCString Mid(int32_t start, int32_t count) const;
    gCString DropLeft(int32_t n) const;
    gCString SubString(int32_t first, int32_t last) const;
    gCString GetDeleted(int32_t index, int32_t count) const;
    gCString GetReversed() const;

    // In-place editing; each does nothing on the null string.
    void Delete(int32_t index, int32_t count);
    void DeleteLeft(int32_t n);
    void CropRight(int32_t n);
    void CropMid(int32_t start, int32_t count);
    eResultCode Insert(const gCString& other, int32_t index);
    eResultCode InsertChar(char16_t unit, int32_t index);
    int32_t ReplaceChar(char16_t from, char16_t to);
    int32_t Replace(const gCString& find, const gCString& with);

    // Conversion to 8-bit Mac Roman. ToChars converts at most the first 4095 units into one shared
    // buffer: the result is valid only until the next call from any thread, so use or copy it at
    // once. A unit Mac Roman cannot show becomes "?". Text that can be longer (requests, stored
    // files) goes through ToMacRoman, which has no length limit.
    const char* ToChars() const;
    // Every unit's byte in a block from the memory hooks, sized to them exactly (no terminator).
    eResultCode ToMacRoman(CMemBlock& bytes) const;
    // The same bytes as a C string: cut at the first 0 unit, then one terminating 0.
    eResultCode ToMacRomanCString(CMemBlock& bytes) const;
    eResultCode AssignFromChars(const char* macRomanText);
    eResultCode ConvertFromChars(const char* macRomanText, int32_t byteCount);

    // Platform text. Invalid UTF-8 and unpaired surrogates become U+FFFD.
    // The bytes in a block from the memory hooks, sized to them exactly (no terminator).
    eResultCode ToUTF8(CMemBlock& bytes) const;
    // The same bytes as a C string: cut at the first 0 unit, then one terminating 0.
    eResultCode ToUTF8CString(CMemBlock& bytes) const;
    // The same bytes and a terminating 0 in the caller's buffer, with no allocation; false, and
    // the empty text, when they do not fit.
    bool ToUTF8(char* buffer, uint32_t capacity) const;
    eResultCode SetFromUTF8(std::string_view utf8);

    // printf-style formatting into UTF-16: the printf conversions with their flags, width, precision
    // and length modifiers; %s takes 8-bit Mac Roman text, %S and %C take UTF-16 text and a unit.
    // On failure the string is left unchanged.
    void Format(const char16_t* format, ...);

    // Splitting. Parts are appended to the array; the result is its new size (0 when this is null or
    // empty, array untouched).
    int32_t Split(gCArray<gCString>& parts, char16_t separator) const;
    int32_t SplitAtAnyOf(gCArray<gCString>& parts, const gCString& set) const;
    // 0 split, 1 this null or empty (out-strings untouched), 2 separator absent (left = whole text).
    int32_t SplitAtFirst(gCString& left, gCString& right, const gCString& separator, int32_t dropLast) const;

    // Trimming; the set forms do nothing for a null or empty set.
    void TrimChar(char16_t unit);
    void Trim(const gCString& set);
    void TrimLeft(const gCString& set);
    int32_t TrimRight(const gCString& set);
    gCString GetTrimmed(char16_t unit) const;
    gCString GetTrimmed(const gCString& set) const;
    gCString GetTrimmedLeft(char16_t unit) const;
    gCString GetTrimmedLeft(const gCString& set) const;
    gCString GetTrimmedRight(char16_t unit) const;
    gCString GetTrimmedRight(const gCString& set) const;

    // ASCII case filters.
    gCString GetUpperLetters() const;
    gCString GetUpperAlphaNumeric() const;
    void MakeUpperLetters();
    void MakeUpperAlphaNumeric();

    // Number tests and parsers; text that does not parse gives 0 or the zero record.
    int32_t IsInteger() const;
    int32_t IsNumber() const;
    int32_t ParseInteger() const;
    int64_t ParseInteger64() const;
    gCPoint ToPoint() const;
    gCRect ToRect() const;
    gCFloatPoint ToFloatPoint() const;
    gCFloatRect ToFloatRect() const;

    // Access.
    const char16_t* GetText() const { return mText; }
    char16_t* GetBuffer() { return mText; }
    int32_t GetLength() const { return mLength; }
    int32_t GetCapacity() const { return mCapacity; }
    bool IsNull() const { return mText == nullptr; }
    // True for the null string and for the empty string with a buffer.
    bool IsEmpty() const { return mLength == 0; }
    char16_t operator[](int32_t index) const { return mText[index]; }
    char16_t& operator[](int32_t index) { return mText[index]; }

private:
    eResultCode Reserve(int32_t units);
    void TrimWith(const gCString* set, char16_t unit, bool leading, bool trailing);
    void KeepUpper(bool digits);
    int32_t SplitAt(gCArray<gCString>& parts, const gCString* set, char16_t separator) const;

    char16_t* mText = nullptr;
    int32_t mCapacity = 0;
    int32_t mLength = 0;
};

gCString operator+(const gCString& first, const gCString& second);
gCString operator+(const gCString& string, int32_t value);
gCString operator+(const gCString& string, uint64_t value);
gCString operator+(const char* macRomanText, const gCString& string);

// The whitespace the parsers trim: tab, space, line feed, carriage return.
extern const char16_t kStringWhitespace[];

// In-place conversions between zero-terminated and length-prefixed 8-bit text.
char* ToPascalString(char* text);
char* FromPascalString(char* text);
