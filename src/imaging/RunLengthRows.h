// How the run-length forms of CRLE and CRLE8 cut rows into tokens, write them and find a column
// in them. Both forms use one rule: a run of two or more equal values, else a literal that ends
// with the first value of the next equal pair still in it. The forms differ in what counts as
// equal, in the longest token, in how a token's header and the row index are written; those stay
// with each class and come in as parameters.
#pragma once

#include <cstdint>
#include <cstring>

// Walks one row the way the encoder cuts it, calling emit(isRun, start, count); stops early (and
// answers false) when emit answers false.
template <typename Value, typename Same, typename Emit>
inline bool WalkRunLengthRow(const Value* p, int32_t width, int32_t maxToken, Same same, Emit emit)
{
    int32_t x = 0;
    while (x < width) {
        int32_t count = 1;
        bool isRun = x < width - 1 && same(p[x + 1], p[x]);
        if (isRun) {
            count = 2;
            while (x + count < width && count < maxToken && same(p[x + count], p[x]))
                ++count;
        } else {
            while (x + count < width && count < maxToken && !same(p[x + count], p[x + count - 1]))
                ++count;
        }
        if (!emit(isRun, x, count))
            return false;
        x += count;
    }
    return true;
}

// Units of the encoded form: the row index, two per run, a literal's count plus one, and one
// spare unit at the end. Answers the raw size once the form would not pay by at least ten units,
// and stops measuring there.
template <typename RowAt, typename WalkRow>
int64_t MeasureRunLengthRows(int32_t width, int32_t height, int64_t indexUnits, RowAt rowAt, WalkRow walkRow)
{
    const int64_t raw = int64_t(width) * height;
    if (width < 9 || height < 9)
        return raw;
    int64_t total = indexUnits;
    const int64_t stop = raw - 10;
    for (int32_t y = 0; y < height && total < stop; ++y) {
        walkRow(rowAt(y), [&](bool isRun, int32_t, int32_t count) {
            total += isRun ? 2 : int64_t(count) + 1;
            return total < stop;
        });
    }
    return total >= stop ? raw : total + 1;
}

// Fills a sized block of units: the rows one after another when not encoded, else for every row
// its index entry (index(y, position)) and its tokens from firstToken on, each token a header
// (header(isRun, count)) followed by the run's value or the literal's values. Answers false when
// the tokens do not fit the block.
template <typename Value, typename RowAt, typename WalkRow, typename Header, typename Index>
bool FillRunLengthBlock(Value* data, uint32_t size, int32_t width, int32_t height, bool encoded, uint32_t firstToken,
                        RowAt rowAt, WalkRow walkRow, Header header, Index index)
{
    if (!encoded) {
        for (int32_t y = 0; y < height; ++y)
            memcpy(data + int64_t(y) * width, rowAt(y), size_t(width) * sizeof(Value));
        return true;
    }
    uint32_t position = firstToken;
    for (int32_t y = 0; y < height; ++y) {
        index(y, position);
        const Value* row = rowAt(y);
        bool fits = walkRow(row, [&](bool isRun, int32_t start, int32_t count) {
            uint64_t needed = isRun ? 2 : uint64_t(count) + 1;
            if (position + needed > size)
                return false;
            data[position++] = header(isRun, count);
            if (isRun) {
                data[position++] = row[start];
            } else {
                memcpy(data + position, row + start, size_t(count) * sizeof(Value));
                position += uint32_t(count);
            }
            return true;
        });
        if (!fits)
            return false;
    }
    return true;
}

// Places a reader on column x (clamped into the row) of row y. Raw rows read as one literal over
// the rest of the block; an encoded row is walked token by token from rowStart(y), decode(unit,
// count, literal) reading a token's header. Answers false, the reader untouched, when the row is
// out of the block or no token holds the column.
template <typename Reader, typename Value, typename RowStart, typename Decode>
bool SeekRunLengthRow(Reader& reader, const Value* data, uint32_t size, int32_t width, int32_t height, int32_t encoded,
                      int32_t x, int32_t y, RowStart rowStart, Decode decode)
{
    if (!data || width <= 0 || y < 0 || y >= height)
        return false;
    if (x < 0)
        x = 0;
    if (x >= width)
        x = width - 1;
    if (!encoded) {
        reader.position = uint32_t(int64_t(y) * width + x);
        reader.literal = 1;
        reader.remaining = size - reader.position;
        return true;
    }
    uint32_t header = rowStart(y);
    int64_t start = 0;
    while (header < size) {
        uint32_t count = 0;
        bool literal = false;
        decode(data[header], count, literal);
        if (count == 0)
            break;
        if (start + count > x) {
            uint32_t offset = uint32_t(x - start);
            reader.literal = literal ? 1 : 0;
            reader.remaining = count - offset;
            reader.position = header + 1 + (literal ? offset : 0);
            return true;
        }
        start += count;
        header += literal ? count + 1 : 2;
    }
    return false;
}
