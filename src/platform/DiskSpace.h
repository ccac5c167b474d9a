// How much the file system holding a path can still take, so that an install that cannot fit
// is refused before it writes anything.
#pragma once

#include <cstdint>

namespace plat {

struct sDiskSpace {
    // Bytes a program without special rights may still write (blocks kept for the
    // administrator do not count).
    uint64_t freeBytes = 0;
    // The unit the file system hands out: a file takes whole blocks.
    uint64_t blockSize = 0;
};

class DiskSpace {
public:
    virtual ~DiskSpace() = default;
    // The figures of the file system holding the UTF-8 path; false when they cannot be had.
    virtual bool SpaceAt(const char* path, sDiskSpace& space) const = 0;
};

// The disk figures in use: the system's unless a test replaced them.
DiskSpace& GetDiskSpace();
// Puts `space` in place (null restores the system's). The caller keeps ownership.
void SetDiskSpace(DiskSpace* space);

// Tests: every path lies on a file system with these figures.
class FixedDiskSpace final : public DiskSpace {
public:
    explicit FixedDiskSpace(uint64_t freeBytes, uint64_t blockSize = 4096) : mSpace{freeBytes, blockSize} {}
    bool SpaceAt(const char*, sDiskSpace& space) const override
    {
        space = mSpace;
        return true;
    }

private:
    sDiskSpace mSpace;
};

} // namespace plat
