// Lines, ovals and text on a canvas.

#include <algorithm>
#include <cmath>

#include "platform/canvas.h"

namespace vx {

namespace {

// Outcodes of a point against the clip rectangle.
enum : int { kBelow = 1, kAbove = 2, kRight = 4, kLeft = 8 };

struct Clip {
  int64_t left, top, right, bottom;  // all inclusive
  int code(int64_t x, int64_t y) const {
    int c = 0;
    if (y > bottom)
      c |= kBelow;
    else if (y < top)
      c |= kAbove;
    if (x > right)
      c |= kRight;
    else if (x < left)
      c |= kLeft;
    return c;
  }
};

// a * b / c, truncated towards zero. The exact integer product unless it
// does not fit, which only far-off coordinates give.
int64_t scaled(int64_t a, int64_t b, int64_t c) {
  int64_t product;
  if (!__builtin_mul_overflow(a, b, &product)) return product / c;
  return static_cast<int64_t>(static_cast<long double>(a) * b / c);
}

// Bresenham along the longer axis, both ends included; returns the pixels.
template <int Bytes>
uint32_t bresenham(uint8_t* bits, intptr_t pitch, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                   uint32_t native) {
  const int32_t dx = x2 > x1 ? x2 - x1 : x1 - x2;
  const int32_t dy = y2 > y1 ? y2 - y1 : y1 - y2;
  const intptr_t stepX = x2 >= x1 ? Bytes : -Bytes;
  const intptr_t stepY = y2 >= y1 ? pitch : -pitch;
  uint8_t* p = bits + y1 * pitch + x1 * Bytes;
  if (dx >= dy) {
    int32_t d = 2 * dy - dx;
    for (int32_t i = 0; i <= dx; ++i, p += stepX) {
      storePixelOf<Bytes>(p, native);
      if (d > 0) {
        p += stepY;
        d -= 2 * dx;
      }
      d += 2 * dy;
    }
    return uint32_t(dx) + 1;
  }
  int32_t d = 2 * dx - dy;
  for (int32_t i = 0; i <= dy; ++i, p += stepY) {
    storePixelOf<Bytes>(p, native);
    if (d > 0) {
      p += stepX;
      d -= 2 * dy;
    }
    d += 2 * dx;
  }
  return uint32_t(dy) + 1;
}

// Float to integer for span ends, far beyond any canvas when out of range.
int64_t spanEnd(float v) {
  constexpr float kFar = 1099511627776.0f;  // 2^40
  return static_cast<int64_t>(std::clamp(v, -kFar, kFar));
}

// The rows of an oval: centre, vertical radius and aspect ratio as floats.
struct OvalRows {
  float cx, cy, ry, aspect;
  OvalRows(int64_t x, int64_t y, int32_t w, int32_t h)
      : cx(float(x) + float(w) / 2.0f + 0.5f),
        cy(float(y) + float(h) / 2.0f - 0.5f),
        ry(float(h) / 2.0f),
        aspect(float(w) / float(h)) {}
  // Row i covers left..right-1.
  void span(int64_t i, int64_t& left, int64_t& right) const {
    const float d = float(i) - cy;
    float r2 = ry * ry - d * d;
    if (!(r2 > 0.0f)) r2 = 0.0f;
    const float half = std::sqrt(r2) * aspect;
    left = spanEnd(std::floor(cx - half));
    right = spanEnd(std::floor(cx + half));
  }
};

}  // namespace

void Canvas::line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (viewport_.empty()) return;
  int64_t ax = int64_t(x1) + origin_.x, ay = int64_t(y1) + origin_.y;
  int64_t bx = int64_t(x2) + origin_.x, by = int64_t(y2) + origin_.y;
  const Clip clip{viewport_.left, viewport_.top, viewport_.right - 1, viewport_.bottom - 1};
  int codeA = clip.code(ax, ay), codeB = clip.code(bx, by);
  for (int rounds = 0; codeA | codeB; ++rounds) {
    if ((codeA & codeB) || rounds == 8) return;
    const bool first = codeA != 0;
    int64_t& px = first ? ax : bx;
    int64_t& py = first ? ay : by;
    const int code = first ? codeA : codeB;
    const int64_t dx = bx - ax, dy = by - ay;
    if (code & kBelow) {
      px += scaled(clip.bottom - py, dx, dy);
      py = clip.bottom;
    } else if (code & kAbove) {
      px += scaled(clip.top - py, dx, dy);
      py = clip.top;
    } else if (code & kRight) {
      py += scaled(clip.right - px, dy, dx);
      px = clip.right;
    } else {
      py += scaled(clip.left - px, dy, dx);
      px = clip.left;
    }
    (first ? codeA : codeB) = clip.code(px, py);
  }
  const int32_t l = int32_t(std::min(ax, bx)), r = int32_t(std::max(ax, bx)) + 1;
  const int32_t t = int32_t(std::min(ay, by)), b = int32_t(std::max(ay, by)) + 1;
  if (ax == bx && ay == by) {
    writer_(format_, drawing_->pixel(l, t), colorArgb_);
    touched(l, t, r, b);
    return;
  }
  uint32_t pixels;
  switch (bytesPerPixel_) {
    case 2: pixels = bresenham<2>(bits_, pitch_, int32_t(ax), int32_t(ay), int32_t(bx), int32_t(by), colorNative_); break;
    case 3: pixels = bresenham<3>(bits_, pitch_, int32_t(ax), int32_t(ay), int32_t(bx), int32_t(by), colorNative_); break;
    default: pixels = bresenham<4>(bits_, pitch_, int32_t(ax), int32_t(ay), int32_t(bx), int32_t(by), colorNative_); break;
  }
  touched(l, t, r, b, pixels);
}

void Canvas::oval(int32_t x, int32_t y, int32_t w, int32_t h, bool solid) {
  const int64_t left = int64_t(x) + origin_.x, top = int64_t(y) + origin_.y;
  const int64_t cl = std::max<int64_t>(left, viewport_.left), ct = std::max<int64_t>(top, viewport_.top);
  const int64_t cr = std::min<int64_t>(left + w, viewport_.right);
  const int64_t cb = std::min<int64_t>(top + h, viewport_.bottom);
  if (cl >= cr || ct >= cb) return;
  if (solid)
    ovalSolid(left, top, w, h);
  else
    ovalOutline(left, top, w, h);
  touched(int32_t(cl), int32_t(ct), int32_t(cr), int32_t(cb));
}

void Canvas::ovalSolid(int64_t x, int64_t y, int32_t w, int32_t h) {
  const OvalRows rows(x, y, w, h);
  const int64_t first = std::max<int64_t>(y, viewport_.top);
  const int64_t end = std::min<int64_t>(y + h, viewport_.bottom);
  for (int64_t i = first; i < end; ++i) {
    int64_t l, r;
    rows.span(i, l, r);
    fillClipped(l, i, r, i + 1, colorNative_);
  }
}

// Two passes from the top and bottom rows towards the centre row. Each row
// joins its edges to the previous row's edges (the first row of a pass to
// the centre), so the outline has no gaps. Rows outside the viewport are
// skipped, but the row before the first visible one still gives its edges.
void Canvas::ovalOutline(int64_t x, int64_t y, int32_t w, int32_t h) {
  const OvalRows rows(x, y, w, h);
  const int64_t middle = spanEnd(std::floor(rows.cy));
  const int64_t centre = spanEnd(std::floor(rows.cx));
  auto drawRow = [&](int64_t i, int64_t& prevLeft, int64_t& prevRight) {
    int64_t l, r;
    rows.span(i, l, r);
    fillClipped(l, i, std::max(prevLeft, l + 1), i + 1, colorNative_);
    fillClipped(std::min(prevRight, r - 1), i, r, i + 1, colorNative_);
    prevLeft = l;
    prevRight = r;
  };

  const int64_t topFirst = std::max<int64_t>(y, viewport_.top);
  const int64_t topLast = std::min<int64_t>(middle, viewport_.bottom - 1);
  if (topFirst <= topLast) {
    int64_t prevLeft = centre, prevRight = centre;
    if (topFirst > y) rows.span(topFirst - 1, prevLeft, prevRight);
    for (int64_t i = topFirst; i <= topLast; ++i) drawRow(i, prevLeft, prevRight);
  }

  const int64_t bottomRow = y + h - 1;
  const int64_t bottomFirst = std::min<int64_t>(bottomRow, viewport_.bottom - 1);
  const int64_t bottomLast = std::max<int64_t>(middle + 1, viewport_.top);
  if (bottomFirst >= bottomLast) {
    int64_t prevLeft = centre, prevRight = centre;
    if (bottomFirst < bottomRow) rows.span(bottomFirst + 1, prevLeft, prevRight);
    for (int64_t i = bottomFirst; i >= bottomLast; --i) drawRow(i, prevLeft, prevRight);
  }
}

void Canvas::text(int32_t x, int32_t y, std::string_view characters) {
  if (!font_ || viewport_.empty()) return;
  const int64_t px = int64_t(x) + origin_.x, py = int64_t(y) + origin_.y;
  const int64_t fontHeight = font_->height();
  if (py >= viewport_.bottom || py + fontHeight <= viewport_.top || px >= viewport_.right) return;
  size_t i = 0;
  int64_t pen = px;
  while (i < characters.size() && pen + font_->advance(uint8_t(characters[i])) <= viewport_.left)
    pen += font_->advance(uint8_t(characters[i++]));
  const size_t first = i;
  const int64_t start = pen;
  while (i < characters.size() && pen < viewport_.right) pen += font_->advance(uint8_t(characters[i++]));
  if (i == first) return;
  font_->render(*this, int32_t(start), int32_t(py), characters.substr(first, i - first), colorArgb_);
  touched(int32_t(std::max<int64_t>(start, 0)), int32_t(std::max<int64_t>(py, 0)),
          int32_t(std::min<int64_t>(pen, width_)), int32_t(std::min<int64_t>(py + fontHeight, height_)));
}

}  // namespace vx
