// A precomputed sine and cosine table for angles i x 2pi / 7999, i = 0..8000: entry 7999 is one
// full turn and the table runs one entry past it, so an interpolation from 7999 stays inside.
#pragma once

#include <cstdint>

struct sSineCosine {
    float sine;
    float cosine;
};

inline constexpr int32_t kSineTableSize = 8001;
inline constexpr int32_t kSineTableSteps = 7999;

// Read-only once BuildSineTable has run (the application does it at start-up).
extern sSineCosine gSineTable[kSineTableSize];

void BuildSineTable();
