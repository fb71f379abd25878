#include "platform/collision_mask.h"

#include <algorithm>

#include "platform/surface.h"

namespace vx {

namespace {

// Words firstWord..lastWord of rows top..bottom-1.
template <int Bytes>
void computeWords(const Surface& s, uint32_t key, uint32_t colorBits, int firstWord, int lastWord, int top,
                  int bottom, uint32_t* words, int wordsPerRow) {
  const int width = s.width();
  for (int y = top; y < bottom; ++y) {
    const uint8_t* row = s.row(y);
    uint32_t* out = words + static_cast<size_t>(y) * wordsPerRow;
    for (int w = firstWord; w <= lastWord; ++w) {
      const int x0 = w * 32;
      const int n = std::min(32, width - x0);
      const uint8_t* p = row + x0 * Bytes;
      uint32_t bits = 0;
      for (int i = 0; i < n; ++i, p += Bytes) bits = (bits << 1) | ((loadPixelOf<Bytes>(p) & colorBits) != key);
      out[w] = bits << (32 - n);
    }
  }
}

void compute(const Surface& s, uint32_t keyNative, int firstWord, int lastWord, int top, int bottom,
             uint32_t* words, int wordsPerRow) {
  const uint32_t colorBits = s.format().colorBits();
  const uint32_t key = keyNative & colorBits;
  switch (s.format().bytesPerPixel()) {
    case 2: computeWords<2>(s, key, colorBits, firstWord, lastWord, top, bottom, words, wordsPerRow); break;
    case 3: computeWords<3>(s, key, colorBits, firstWord, lastWord, top, bottom, words, wordsPerRow); break;
    default: computeWords<4>(s, key, colorBits, firstWord, lastWord, top, bottom, words, wordsPerRow); break;
  }
}

}  // namespace

void CollisionMask::build(const Surface& surface, uint32_t keyNative) {
  width_ = surface.width();
  height_ = surface.height();
  wordsPerRow_ = (width_ + 31) / 32;
  words_.assign(static_cast<size_t>(wordsPerRow_) * height_, 0);
  compute(surface, keyNative, 0, wordsPerRow_ - 1, 0, height_, words_.data(), wordsPerRow_);
}

void CollisionMask::update(const Surface& surface, uint32_t keyNative, int left, int top, int right, int bottom) {
  if (surface.width() != width_ || surface.height() != height_) {
    build(surface, keyNative);
    return;
  }
  if (left >= right || top >= bottom) return;
  compute(surface, keyNative, left / 32, (right - 1) / 32, top, bottom, words_.data(), wordsPerRow_);
}

uint32_t CollisionMask::bitsAt(const uint32_t* row, int bit) const {
  const int w = bit >> 5;
  const int s = bit & 31;
  const uint32_t high = w < wordsPerRow_ ? row[w] : 0;
  if (s == 0) return high;
  const uint32_t low = w + 1 < wordsPerRow_ ? row[w + 1] : 0;
  return (high << s) | (low >> (32 - s));
}

bool CollisionMask::overlap(const CollisionMask& a, int ax, int ay, const CollisionMask& b, int bx, int by, int w,
                            int h) {
  for (int j = 0; j < h; ++j) {
    const uint32_t* ra = a.row(ay + j);
    const uint32_t* rb = b.row(by + j);
    for (int k = 0; k < w; k += 32) {
      const int n = std::min(32, w - k);
      const uint32_t keep = n == 32 ? ~0u : ~0u << (32 - n);
      if (a.bitsAt(ra, ax + k) & b.bitsAt(rb, bx + k) & keep) return true;
    }
  }
  return false;
}

bool CollisionMask::anySet(int x, int y, int w, int h) const {
  for (int j = 0; j < h; ++j) {
    const uint32_t* r = row(y + j);
    for (int k = 0; k < w; k += 32) {
      const int n = std::min(32, w - k);
      const uint32_t keep = n == 32 ? ~0u : ~0u << (32 - n);
      if (bitsAt(r, x + k) & keep) return true;
    }
  }
  return false;
}

}  // namespace vx
