// The memory stream of a data pipe's receive buffer: a memory stream that can also be made
// exactly a given size.
#pragma once

#include "FileIO/gCMemFile.h"

class CASMemFile : public gCMemFile {
public:
    CASMemFile() = default;

    // Reallocates the block to exactly size bytes (0 frees it), clearing all of it when zeroFill
    // is non-zero; the stream's size follows and a position beyond it is pulled back. Answers 1,
    // or 0 when the memory could not be had (nothing changes then).
    virtual int32_t SetSize(uint32_t size, int32_t zeroFill);
};
