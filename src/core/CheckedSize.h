// The one check every reader makes before it allocates from sizes it was handed (width x height x
// bytes per pixel, count x record size): the product of the factors, refused when a factor is
// negative, when the product wraps, or when it passes the limit or the range of the result type.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <type_traits>

// True with `product` set when every factor is 0 or more and the product fits both `limit` and T;
// false with `product` unchanged otherwise.
template <typename T>
[[nodiscard]] constexpr bool MulSizes(std::initializer_list<int64_t> factors, T& product,
                                      uint64_t limit = std::numeric_limits<uint64_t>::max())
{
    static_assert(std::is_integral_v<T>);
    uint64_t total = 1;
    for (int64_t factor : factors) {
        if (factor < 0 || __builtin_mul_overflow(total, uint64_t(factor), &total))
            return false;
    }
    if (total > limit || total > uint64_t(std::numeric_limits<T>::max()))
        return false;
    product = T(total);
    return true;
}

// The same check for a caller that only needs to know whether the product fits.
[[nodiscard]] constexpr bool SizesFit(std::initializer_list<int64_t> factors, uint64_t limit)
{
    uint64_t unused = 0;
    return MulSizes(factors, unused, limit);
}
