// The two coverage gamma tables of the text renderer: the first thins anti-aliased edges, the
// second (chosen by a renderer's inverse gamma field) thickens them.
#pragma once

#include <cstdint>

extern uint8_t gTextGammaTable[256];
extern uint8_t gTextInverseGammaTable[256];

void BuildTextGammaTables(float gamma);
