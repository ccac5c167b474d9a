// Permission bits of an item on the file system.
#pragma once

#include <cstdint>
#include <string>

namespace plat {

// Sets the item's Unix permission bits (only the 0777 part is taken). False when refused.
bool SetPathPermissions(const std::string& path, uint32_t mode);

} // namespace plat
