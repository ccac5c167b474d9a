#include "core/SineTable.h"

#include <cmath>

sSineCosine gSineTable[kSineTableSize];

void BuildSineTable()
{
    // The angle is formed in single precision and in this order; the values of the entries
    // depend on it.
    for (int32_t i = 0; i < kSineTableSize; ++i) {
        float angle = float(i) * 6.2831855f / float(kSineTableSteps);
        gSineTable[i] = {std::sin(angle), std::cos(angle)};
    }
}
