#include "platform/mipmaps.h"

#include <vector>

#include "platform/surface.h"

namespace vx {

namespace {

// Rows of the level above are read as ARGB and rows of the level written
// from ARGB, whole.
void reduce(const Surface& above, Surface& level) {
  const PixelFormat& from = above.format();
  const PixelFormat& to = level.format();
  const int width = level.width();
  std::vector<uint32_t> upper(above.width()), lower(above.width()), reduced(width);
  for (int y = 0; y < level.height(); ++y) {
    if (above.height() == 1) {
      from.toArgbRow(above.row(0), upper.data(), above.width());
      for (int x = 0; x < width; ++x) reduced[x] = averageArgb(upper[2 * x], upper[2 * x + 1]);
    } else {
      from.toArgbRow(above.row(2 * y), upper.data(), above.width());
      from.toArgbRow(above.row(2 * y + 1), lower.data(), above.width());
      if (above.width() == 1)
        reduced[0] = averageArgb(upper[0], lower[0]);
      else
        for (int x = 0; x < width; ++x)
          reduced[x] = averageArgb(upper[2 * x], upper[2 * x + 1], lower[2 * x], lower[2 * x + 1]);
    }
    to.fromArgbRow(reduced.data(), level.row(y), width);
  }
}

}  // namespace

void buildMipmaps(Surface& surface) {
  const Surface* above = &surface;
  for (auto& level : surface.mipmaps()) {
    reduce(*above, *level);
    above = level.get();
  }
}

}  // namespace vx
