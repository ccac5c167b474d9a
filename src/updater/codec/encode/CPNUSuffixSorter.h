// Sorts the suffixes of a large input on all the workers in use. Suffixes are first put in
// buckets by their first two bytes; each bucket is sorted on its own, a few bytes at a time, up to
// a depth; suffixes still equal that deep are then sorted by doubling the depth, using the ranks
// found so far. Suffixes never compare equal (a shorter one that begins another sorts first), so
// the order is the same as that of any other correct sort.
//
// Input that would make the sort slow (one bucket holding much of it, long stretches sorted only
// by doubling: long runs, periodic text) is left to the caller's sort of one processor.
#pragma once

#include <cstdint>

class CPNUSuffixSorter {
public:
    // Sorts the n suffixes of `in` (n < 2^31) into `suffixes`, using `ranks` (n entries) and
    // `marks` (n bytes) as work space; none of the three holds anything useful afterwards but
    // the order. False when the input is of a kind left to another sort, or the small tables of
    // the buckets could not be had; `suffixes` holds nothing useful then.
    static bool Sort(const uint8_t* in, uint64_t n, int32_t* suffixes, uint32_t* ranks, uint8_t* marks);
};
