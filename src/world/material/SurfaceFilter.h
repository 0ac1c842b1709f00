// Resampling of 32-bit ARGB pixels from any size to any size: the mip chains of textures and the
// resize of a transparency map to its colour partner's size.
#pragma once

#include <cstdint>

#include "gfx/Device.h"

namespace vesk {

enum class Filter {
  // Each destination pixel is the average of the source area it covers (weighted by how much
  // of each source pixel lies inside it): an exact 2 × 2 average for a mip level.
  Box,
  // Each destination pixel interpolates the four source pixels around its centre.
  Bilinear,
};

// Box when the destination is nowhere larger than the source, bilinear otherwise.
Filter defaultFilter(std::uint32_t sourceWidth, std::uint32_t sourceHeight,
                     std::uint32_t destinationWidth, std::uint32_t destinationHeight);

// 32-bit ARGB words, top row first, rows `pitch` bytes apart.
struct PixelRect {
  void* bits = nullptr;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int pitch = 0;
};

// Fills the destination from the source; the two must not overlap. Every channel, alpha
// included, is filtered on its own.
void resamplePixels(const PixelRect& source, const PixelRect& destination, Filter filter);

// The same between two lockable surfaces of 32-bit formats (for example two texture levels):
// locks the source read-only and the destination for writing. False when a lock fails.
bool loadSurfaceFromSurface(gfx::Surface& destination, gfx::Surface& source, Filter filter);

}  // namespace vesk
