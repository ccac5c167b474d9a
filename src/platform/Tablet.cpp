#include "platform/Tablet.h"

namespace plat {

int32_t QueryTabletDriver(void*, uint32_t) { return kNoTabletDriver; }

} // namespace plat
