#include "platform/DiskSpace.h"

#include <sys/statvfs.h>

namespace plat {
namespace {

class SystemSpace final : public DiskSpace {
public:
    bool SpaceAt(const char* path, sDiskSpace& space) const override
    {
        struct statvfs figures {};
        if (path == nullptr || path[0] == 0 || statvfs(path, &figures) != 0 || figures.f_frsize == 0)
            return false;
        space.freeBytes = uint64_t(figures.f_bavail) * uint64_t(figures.f_frsize);
        space.blockSize = uint64_t(figures.f_frsize);
        return true;
    }
};

SystemSpace gSystemSpace;
DiskSpace* gSpace = &gSystemSpace;

} // namespace

DiskSpace& GetDiskSpace() { return *gSpace; }

void SetDiskSpace(DiskSpace* space) { gSpace = space ? space : &gSystemSpace; }

} // namespace plat
