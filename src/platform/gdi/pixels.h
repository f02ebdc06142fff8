#pragma once
// Conversions between TColor values and the stored pixels (0xFFRRGGBB). Internal to
// the raster layer.

#include "platform/gdi/types.h"

#include <cstdint>

namespace platform::gdi_detail {

constexpr uint32_t kOpaque = 0xFF000000;
constexpr uint32_t kBlackPixel = 0xFF000000;
constexpr uint32_t kWhitePixel = 0xFFFFFFFF;

// An already resolved colour (no system colour, no clNone).
constexpr uint32_t PixelOfRGB(TColor c)
{
    return kOpaque | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

constexpr TColor ColorOfPixel(uint32_t p)
{
    return ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
}

// Black or white by brightness, as a colour drawn on a mask becomes.
constexpr uint32_t MonoOf(uint32_t p)
{
    const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    return r * 299 + g * 587 + b * 114 >= 128 * 1000 ? kWhitePixel : kBlackPixel;
}

}  // namespace platform::gdi_detail
