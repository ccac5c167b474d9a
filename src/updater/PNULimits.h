// Size limits shared by the package codec and the package reader.
#pragma once

#include <cstdint>

// The largest package, and the largest raw length a codec frame may announce: a damaged or
// hostile length never makes the decoder allocate more.
inline constexpr uint64_t kPNUPackageSizeLimit = 100000000;
