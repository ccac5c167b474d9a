// Shared set-up of the image file fuzz targets: allocations above a cap fail through the
// toolkit's hooks (as a machine without that much memory would), so that a header that declares
// a huge image tests the readers' out-of-memory paths instead of the fuzzer's memory limit.
#pragma once

#include "FileIO/gCMemFile.h"
#include "core/CMemBlock.h"
#include "core/gCMemory.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace fuzzimage {

constexpr size_t kCap = size_t(32) << 20;

inline void* CappedAllocate(size_t size) { return size > kCap ? nullptr : std::malloc(size ? size : 1); }
inline void* CappedReallocate(void* block, size_t size)
{
    return size > kCap ? nullptr : std::realloc(block, size ? size : 1);
}
inline void Free(void* block) { std::free(block); }

inline void Initialize()
{
    SetMemoryHooks({CappedReallocate, Free, CappedAllocate});
    // The JPEG library's own whole-image buffers (progressive files) get the same limit.
    setenv("JPEGMEM", "256M", 1);
}

// Loads the bytes with the reader into a 32-bit and an 8-bit image.
template <typename Reader>
void LoadBoth(const uint8_t* data, size_t size)
{
    if (size > (1u << 24))
        return;
    CMemBlock block(uint32_t(size ? size : 1));
    if (!block.GetData())
        return;
    if (size)
        memcpy(block.GetData(), data, size);
    for (int depth = 0; depth < 2; ++depth) {
        gCMemFile stream(&block);
        Reader reader;
        if (depth == 0) {
            CImage image;
            (void)reader.LoadImage32(stream, &image);
        } else {
            CImage8 image;
            (void)reader.LoadImage8(stream, &image);
        }
    }
}

} // namespace fuzzimage
