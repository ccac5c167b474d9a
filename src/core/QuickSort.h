// Quicksort driven by a comparison callback: middle element as pivot, not stable. The callback
// answers <= 0 when a sorts at or before b. The word forms sort pointer-sized elements and pass
// their values; the byte form sorts elements of any size and passes their addresses.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// QuickSortWithCallback.
#pragma once

#include <cstdint>

using tSortCompare = int32_t (*)(intptr_t a, intptr_t b, intptr_t context);

void QuickSortWithCallback(intptr_t* array, uint32_t count, tSortCompare compare, intptr_t context);
void QuickSortRange(intptr_t* array, int32_t first, int32_t last, tSortCompare compare, intptr_t context);
void QuickSortBytes(void* array, int32_t first, int32_t last, tSortCompare compare, uint32_t elementSize,
                    intptr_t context);
// Elements of one word go to QuickSortRange, any other size to QuickSortBytes.
void QuickSortElements(void* array, uint32_t count, int32_t elementSize, tSortCompare compare, intptr_t context);
