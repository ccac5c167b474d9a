#include "platform/PlatformPermissions.h"

#include <sys/stat.h>

namespace plat {

bool SetPathPermissions(const std::string& path, uint32_t mode)
{
    return ::chmod(path.c_str(), mode_t(mode & 0777)) == 0;
}

} // namespace plat
