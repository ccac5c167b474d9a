#include "core/QuickSort.h"

#include <cstring>
#include <utility>

namespace {

// Both forms share one partition; they differ in how an element is passed and swapped.
struct WordElements {
    intptr_t* array;
    intptr_t Value(int32_t index) const { return array[index]; }
    void Swap(int32_t a, int32_t b) const { std::swap(array[a], array[b]); }
};

struct ByteElements {
    unsigned char* array;
    size_t size;
    intptr_t Value(int32_t index) const { return reinterpret_cast<intptr_t>(array + size_t(index) * size); }
    void Swap(int32_t a, int32_t b) const
    {
        if (a == b)
            return;
        unsigned char* left = array + size_t(a) * size;
        unsigned char* right = array + size_t(b) * size;
        unsigned char chunk[64];
        for (size_t done = 0; done < size; done += sizeof chunk) {
            size_t bytes = size - done < sizeof chunk ? size - done : sizeof chunk;
            std::memcpy(chunk, left + done, bytes);
            std::memcpy(left + done, right + done, bytes);
            std::memcpy(right + done, chunk, bytes);
        }
    }
};

template <typename Elements>
void SortRange(const Elements& elements, int32_t first, int32_t last, tSortCompare compare, intptr_t context)
{
    while (first < last) {
        elements.Swap(first + (last - first) / 2, first);
        intptr_t pivot = elements.Value(first);
        int32_t boundary = first;
        for (int32_t i = first + 1; i <= last; ++i) {
            if (compare(elements.Value(i), pivot, context) <= 0) {
                ++boundary;
                elements.Swap(boundary, i);
            }
        }
        elements.Swap(first, boundary);
        // The two parts are independent, so recursing into the smaller one and looping over the
        // larger gives the same order with a stack depth that stays logarithmic.
        if (boundary - first < last - boundary) {
            SortRange(elements, first, boundary - 1, compare, context);
            first = boundary + 1;
        } else {
            SortRange(elements, boundary + 1, last, compare, context);
            last = boundary - 1;
        }
    }
}

} // namespace

void QuickSortRange(intptr_t* array, int32_t first, int32_t last, tSortCompare compare, intptr_t context)
{
    SortRange(WordElements{array}, first, last, compare, context);
}

void QuickSortWithCallback(intptr_t* array, uint32_t count, tSortCompare compare, intptr_t context)
{
    if (count < 2 || count > uint32_t(INT32_MAX))
        return;
    QuickSortRange(array, 0, int32_t(count) - 1, compare, context);
}

void QuickSortBytes(void* array, int32_t first, int32_t last, tSortCompare compare, uint32_t elementSize,
                    intptr_t context)
{
    if (elementSize == 0)
        return;
    SortRange(ByteElements{static_cast<unsigned char*>(array), elementSize}, first, last, compare, context);
}

void QuickSortElements(void* array, uint32_t count, int32_t elementSize, tSortCompare compare, intptr_t context)
{
    if (count < 2 || count > uint32_t(INT32_MAX) || elementSize <= 0)
        return;
    if (elementSize == int32_t(sizeof(intptr_t)))
        QuickSortRange(static_cast<intptr_t*>(array), 0, int32_t(count) - 1, compare, context);
    else
        QuickSortBytes(array, 0, int32_t(count) - 1, compare, uint32_t(elementSize), context);
}
