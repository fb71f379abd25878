#include "platform/mipmaps.h"

#include "platform/surface.h"

namespace vx {

namespace {

void reduce(const Surface& above, Surface& level) {
  const PixelFormat& from = above.format();
  const PixelFormat& to = level.format();
  for (int y = 0; y < level.height(); ++y) {
    for (int x = 0; x < level.width(); ++x) {
      uint32_t argb;
      if (above.width() == 1)
        argb = averageArgb(from.read(above.pixel(0, 2 * y)), from.read(above.pixel(0, 2 * y + 1)));
      else if (above.height() == 1)
        argb = averageArgb(from.read(above.pixel(2 * x, 0)), from.read(above.pixel(2 * x + 1, 0)));
      else
        argb = averageArgb(from.read(above.pixel(2 * x, 2 * y)), from.read(above.pixel(2 * x + 1, 2 * y)),
                           from.read(above.pixel(2 * x, 2 * y + 1)), from.read(above.pixel(2 * x + 1, 2 * y + 1)));
      to.write(level.pixel(x, y), argb);
    }
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
