// What a file dialog hands back: whether the answer is valid, the chosen items as absolute path
// texts (the first one counts), and the name typed in a save dialog.
#pragma once

#include "core/gCArray.h"
#include "core/gCString.h"

#include <cstdint>

struct sNavReply {
    uint32_t validRecord = 0;
    gCArray<gCString> selection;
    gCString saveFileName;
};
