#pragma once
// The lower levels of a texture's mipmap chain, computed from the level
// above: each pixel the per-byte average of the 2 by 2 block above it (of
// the pair above it when the level above is 1 pixel wide or high), rounded
// down, on ARGB values.

#include <cstdint>

namespace vx {

class Surface;

// floor((a + b + c + d) / 4) in each byte.
inline uint32_t averageArgb(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  const uint32_t low = ((((a & 0x03030303u) + (b & 0x03030303u) + (c & 0x03030303u) + (d & 0x03030303u)) >> 2) &
                        0x03030303u);
  return low + ((a >> 2) & 0x3F3F3F3Fu) + ((b >> 2) & 0x3F3F3F3Fu) + ((c >> 2) & 0x3F3F3F3Fu) +
         ((d >> 2) & 0x3F3F3F3Fu);
}

// floor((a + b) / 2) in each byte.
inline uint32_t averageArgb(uint32_t a, uint32_t b) {
  return ((((a & 0x01010101u) + (b & 0x01010101u)) >> 1) & 0x01010101u) + ((a >> 1) & 0x7F7F7F7Fu) +
         ((b >> 1) & 0x7F7F7F7Fu);
}

// Recomputes every level of the surface's chain from its top level.
void buildMipmaps(Surface& surface);

}  // namespace vx
