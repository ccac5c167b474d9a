// The pointer as the X server has it at this moment. SDL keeps its own copy of the global
// pointer and refreshes it only on raw input events, which a warp or an absolute move made
// through the test extension (remote desktops, some tablet drivers, scripted input) never sends:
// hover and drags would then work with where the pointer was some moves ago.
#pragma once

#include "platform/DisplayResult.h"
#include "platform/InputState.h"

#include <cstdint>

namespace plat {

struct sX11Pointer {
    sPoint global;
    // kButtonState... bits.
    uint32_t buttons = 0;
};

// Asks the server (a round trip on a connection of the layer's own); kNoDisplay when no X
// display can be reached.
eDisplayResult QueryX11Pointer(sX11Pointer& pointer);
// Closes that connection (the window system is shutting down).
void CloseX11Pointer();

} // namespace plat
