#include "text/TextGamma.h"

#include <cmath>

uint8_t gTextGammaTable[256];
uint8_t gTextInverseGammaTable[256];

namespace {

uint8_t RoundHalfAway(double value)
{
    return uint8_t(value > 0.0 ? int32_t(value + 0.5) : int32_t(value - 0.5));
}

} // namespace

void BuildTextGammaTables(float gamma)
{
    // The base is single precision and so is the inverse exponent; the powers are double.
    float inverse = 1.0f / gamma;
    for (int32_t i = 0; i < 256; ++i) {
        float b = float(i) / 255.0f;
        gTextGammaTable[i] = RoundHalfAway(255.0 * std::pow(double(b), double(gamma)));
        gTextInverseGammaTable[i] = RoundHalfAway(255.0 * std::pow(double(b), double(inverse)));
    }
}
