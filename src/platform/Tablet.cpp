#include "platform/Tablet.h"

namespace plat {

eTabletResult QueryTabletDriver(void*, uint32_t) { return eTabletResult::kNoDriver; }

} // namespace plat
