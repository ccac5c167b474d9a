// How the run-length forms of CRLE and CRLE8 cut rows into tokens. Both forms use one rule: a run
// of two or more equal values, else a literal that ends with the first value of the next equal
// pair still in it. The forms differ in what counts as equal, in the longest token, and in how a
// token is written; those stay with each class.
#pragma once

#include <cstdint>

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
