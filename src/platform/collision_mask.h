#pragma once
// The collision mask of a canvas: one bit per pixel, set where the pixel's
// red, green and blue differ from the mask colour's. Rows of (width + 31) /
// 32 words; the leftmost pixel of each group of 32 is the most significant
// bit; bits beyond the width are 0.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vx {

class Surface;

class CollisionMask {
 public:
  // The whole mask of the surface against the native key.
  void build(const Surface& surface, uint32_t keyNative);
  // Recomputes the words covering columns left..right-1 of rows top..bottom-1
  // (already inside the surface).
  void update(const Surface& surface, uint32_t keyNative, int left, int top, int right, int bottom);

  int width() const { return width_; }
  int height() const { return height_; }
  int wordsPerRow() const { return wordsPerRow_; }
  const uint32_t* row(int y) const { return words_.data() + static_cast<size_t>(y) * wordsPerRow_; }

  // True when a pixel of the w by h block at (ax, ay) of a is set and so is
  // the pixel at the same place of the block at (bx, by) of b. Both blocks
  // lie inside their masks.
  static bool overlap(const CollisionMask& a, int ax, int ay, const CollisionMask& b, int bx, int by, int w,
                      int h);
  // True when a bit of the w by h block at (x, y), inside the mask, is set.
  bool anySet(int x, int y, int w, int h) const;

 private:
  // 32 bits of row y starting at column bit; columns past the row are 0.
  uint32_t bitsAt(const uint32_t* row, int bit) const;

  int width_ = 0;
  int height_ = 0;
  int wordsPerRow_ = 0;
  std::vector<uint32_t> words_;
};

}  // namespace vx
