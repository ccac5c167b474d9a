// Size limits shared by the package codec and the package reader.
#pragma once

#include <cstdint>

// The largest package. The archive inside may be larger: a frame's raw length is limited only by
// its 32-bit field and by the memory the system has.
inline constexpr uint64_t kPNUPackageSizeLimit = 100000000;
inline constexpr uint64_t kPNUFrameRawLengthLimit = 0xFFFFFFFFull;
