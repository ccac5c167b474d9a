// What an operation that needs the window system came to.
#pragma once

#include <cstdint>

namespace plat {

enum class [[nodiscard]] eDisplayResult : uint8_t {
    kOk,
    kNoDisplay, // no display can be reached, or the window system refused to start
};

} // namespace plat
