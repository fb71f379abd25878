#include "lib2d/canvas_transform.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/canvas.h"
#include "platform/graphics_device.h"

namespace vx {

namespace {

struct Mapped {
  float x, y;
};

Mapped map(long double a, long double b, long double c, long double d, long double x, long double y) {
  return {static_cast<float>(a * x + c * y), static_cast<float>(b * x + d * y)};
}

// floor() of a value well inside the int range, without the library call
// that costs more than the rest of a transformed pixel.
int floorToInt(double v) {
  const int i = static_cast<int>(v);
  return v < i ? i - 1 : i;
}

// A coordinate far outside any canvas reads as outside.
int toPixel(double v) {
  if (!(v > -1e9 && v < 1e9)) return std::numeric_limits<int>::min() / 2;
  return floorToInt(v);
}

uint32_t bilinear(Canvas& source, double sx, double sy) {
  sx -= 0.5;
  sy -= 0.5;
  if (!std::isfinite(sx) || !std::isfinite(sy)) return source.maskColor() & 0xFFFFFF;
  const int ix = toPixel(sx), iy = toPixel(sy);
  // Far outside, all four pixels are the mask colour: any weights do.
  const double fx = sx > -1e9 && sx < 1e9 ? sx - ix : 0, fy = sy > -1e9 && sy < 1e9 ? sy - iy : 0;
  // Outside the viewport a source pixel reads as the mask colour.
  const uint32_t p[4] = {source.getPixel(ix, iy), source.getPixel(ix + 1, iy), source.getPixel(ix, iy + 1),
                         source.getPixel(ix + 1, iy + 1)};
  const double w[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    double sum = 0;
    for (int k = 0; k < 4; ++k) sum += ((p[k] >> shift) & 255) * w[k];
    out |= static_cast<uint32_t>(std::clamp(static_cast<int>(sum + 0.5), 0, 255)) << shift;
  }
  return out;
}

}  // namespace

Canvas* transformCanvas(GraphicsDevice& device, Canvas& source, float a, float b, float c, float d, bool filter) {
  const int hx = source.handle().x, hy = source.handle().y;
  const int w = source.width(), h = source.height();
  const Mapped corners[4] = {map(a, b, c, d, -hx, -hy), map(a, b, c, d, w - hx, -hy),
                             map(a, b, c, d, w - hx, h - hy), map(a, b, c, d, -hx, h - hy)};
  float lowX = corners[0].x, highX = lowX, lowY = corners[0].y, highY = lowY;
  for (const Mapped& m : corners) {
    lowX = std::min(lowX, m.x);
    highX = std::max(highX, m.x);
    lowY = std::min(lowY, m.y);
    highY = std::max(highY, m.y);
  }
  // A matrix that maps out of range or onto nothing gives no canvas.
  const double minXf = std::floor(lowX), minYf = std::floor(lowY);
  const double widthF = std::ceil(highX) - minXf, heightF = std::ceil(highY) - minYf;
  if (!(widthF >= 1 && heightF >= 1 && widthF <= Surface::kMaxSide && heightF <= Surface::kMaxSide)) return nullptr;
  const int minX = static_cast<int>(minXf), minY = static_cast<int>(minYf);
  const int newWidth = static_cast<int>(widthF), newHeight = static_cast<int>(heightF);

  Canvas* result = device.createCanvas(newWidth, newHeight, 0);
  if (!result) return nullptr;
  result->setHandle(-minX, -minY);
  result->setMask(source.maskColor());
  source.lock();
  result->lock();
  const double det = double(a) * d - double(c) * b;
  for (int j = 0; j < newHeight; ++j) {
    const double Y = minY + j + 0.5;
    for (int i = 0; i < newWidth; ++i) {
      const double X = minX + i + 0.5;
      const double sx = (d * X - c * Y) / det + hx;
      const double sy = (-b * X + a * Y) / det + hy;
      const uint32_t color = filter ? bilinear(source, sx, sy) : source.getPixel(toPixel(sx), toPixel(sy));
      result->setPixel(i, j, color);
    }
  }
  result->unlock();
  source.unlock();
  return result;
}

}  // namespace vx
