// pixman's OVER of one random 640 x 240 image over another: the yardstick the drawing figures are
// stated against. Benchmarks that quote it run it in their own process, so that both figures see
// the same machine and the same load.
#pragma once

#include "imaging/CImNav.h"
#include "imaging/CImage.h"

#include <benchmark/benchmark.h>

#ifdef PNU_HAVE_PIXMAN
#include <pixman.h>
#endif

#include <random>

inline constexpr int32_t kAnchorWidth = 640;
inline constexpr int32_t kAnchorHeight = 240;

// Random pixels; without varyAlpha every pixel is opaque.
inline void FillRandom(CImage& image, uint32_t seed, bool varyAlpha)
{
    std::mt19937 random(seed);
    CImNav nav(&image, nullptr);
    for (int32_t y = 0; y < nav.GetHeight(); ++y)
        for (int32_t x = 0; x < nav.GetWidth(); ++x) {
            uint32_t p = random();
            nav.Row(y)[x] = varyAlpha ? p : p | 0xFF000000u;
        }
}

#ifdef PNU_HAVE_PIXMAN
inline void Blend_PixmanOver(benchmark::State& state)
{
    CImage source(kAnchorWidth, kAnchorHeight), base(kAnchorWidth, kAnchorHeight);
    FillRandom(source, 1, true);
    FillRandom(base, 2, false);
    CImNav in(&source, nullptr), out(&base, nullptr);
    pixman_image_t* src = pixman_image_create_bits(PIXMAN_a8r8g8b8, kAnchorWidth, kAnchorHeight,
                                                   reinterpret_cast<uint32_t*>(in.GetPixels()), in.GetRowBytes());
    pixman_image_t* dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, kAnchorWidth, kAnchorHeight,
                                                   reinterpret_cast<uint32_t*>(out.GetPixels()), out.GetRowBytes());
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, src, nullptr, dst, 0, 0, 0, 0, 0, 0, kAnchorWidth, kAnchorHeight);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(src);
    pixman_image_unref(dst);
    state.SetItemsProcessed(state.iterations() * kAnchorWidth * kAnchorHeight);
}
#endif
