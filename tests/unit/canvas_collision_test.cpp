// Bounding-box and pixel-exact collisions, and the collision masks behind
// them.

#include <gtest/gtest.h>

#include "canvas_test_support.h"

using vx::Canvas;
using vx::PixelFormat;
using vxtest::makeCanvas;

namespace {

// 8 by 8, the 4 by 4 quarter at (qx, qy) white, the rest black.
std::unique_ptr<Canvas> quarter(int qx, int qy) {
  auto c = makeCanvas(8, 8);
  c->rect(qx, qy, 4, 4, true);
  return c;
}

}  // namespace

TEST(CanvasCollision, RectanglesThatOverlapNeedTouchingPixels) {
  auto a = quarter(0, 0);
  auto b = quarter(4, 4);
  EXPECT_FALSE(a->collide(0, 0, *b, 0, 0, false));
  EXPECT_TRUE(a->collide(0, 0, *b, 0, 0, true));
  EXPECT_TRUE(a->collide(0, 0, *b, -4, -4, false));
  EXPECT_TRUE(a->collide(0, 0, *b, -1, -1, false));  // one pixel, (3, 3)
  EXPECT_FALSE(a->collide(0, 0, *b, 0, -1, false));
  EXPECT_FALSE(b->collide(0, -1, *a, 0, 0, false));
  // Edge to edge is no overlap.
  EXPECT_FALSE(a->collide(0, 0, *b, 8, 0, true));
  EXPECT_FALSE(a->collide(0, 0, *b, 0, -8, true));
  EXPECT_TRUE(a->collide(0, 0, *b, 7, 7, true));
  // Handles move the rectangles.
  a->setHandle(4, 4);
  EXPECT_FALSE(a->collide(4, 4, *b, 0, 0, false));
  EXPECT_TRUE(a->collide(8, 8, *b, 0, 0, false));
  EXPECT_FALSE(a->collide(12, 4, *b, 0, 0, true));
}

TEST(CanvasCollision, RectCollide) {
  auto a = quarter(0, 0);
  a->setHandle(1, 1);
  EXPECT_FALSE(a->rectCollide(1, 1, 4, 4, 2, 2, false));
  EXPECT_TRUE(a->rectCollide(1, 1, 4, 4, 2, 2, true));
  EXPECT_TRUE(a->rectCollide(1, 1, 3, 3, 1, 1, false));
  EXPECT_FALSE(a->rectCollide(1, 1, 8, 0, 2, 2, true));
  EXPECT_FALSE(a->rectCollide(1, 1, 2, 2, 0, 5, true));
}

TEST(CanvasCollision, MasksLineUpAcrossWordBoundaries) {
  // One solid pixel in each of two 70-pixel-wide canvases: they collide
  // exactly when the pixels land on the same point, whatever the alignment
  // of the two masks' words.
  for (const auto& [name, format] : vxtest::canvasFormats()) {
    SCOPED_TRACE(name);
    auto a = makeCanvas(70, 3, format);
    a->setColor(0xFFFFFF);
    EXPECT_FALSE(a->collide(0, 0, *a, 0, 0, false));  // makes the mask while blank
    a->plot(65, 1);  // the mask follows
    for (int bp : {0, 1, 30, 31, 32, 33, 63, 64, 69}) {
      auto b = makeCanvas(70, 3, format);
      b->setColor(0x808080);
      b->plot(bp, 1);
      for (int dx = -70; dx <= 70; ++dx)
        ASSERT_EQ(a->collide(0, 0, *b, dx, 0, false), dx + bp == 65) << "pixel " << bp << " at " << dx;
      ASSERT_FALSE(a->collide(0, 0, *b, 65 - bp, 1, false));
    }
  }
}

TEST(CanvasCollision, MasksFollowEveryKindOfChange) {
  auto a = makeCanvas(8, 8);
  auto b = quarter(4, 4);
  a->setColor(0xFFFFFF);
  EXPECT_FALSE(a->collide(0, 0, *b, 0, 0, false));

  a->plot(6, 6);
  EXPECT_TRUE(a->collide(0, 0, *b, 0, 0, false));
  a->cls();
  EXPECT_FALSE(a->collide(0, 0, *b, 0, 0, false));
  a->line(0, 0, 7, 7);
  EXPECT_TRUE(a->collide(0, 0, *b, 0, 0, false));
  a->cls();
  a->oval(4, 4, 2, 2, false);
  EXPECT_TRUE(a->collide(0, 0, *b, 0, 0, false));
  a->cls();
  a->blit(5, 5, *b, 4, 4, 1, 1, true);
  EXPECT_TRUE(a->collide(0, 0, *b, 0, 0, false));
  a->cls();
  a->setPixel(7, 7, 0x010101);
  EXPECT_TRUE(a->collide(0, 0, *b, 0, 0, false));
  a->cls();

  // Pixels written under a lock count once the lock is gone.
  a->lock();
  a->setPixelFast(7, 4, 0xFFFFFF);
  a->unlock();
  EXPECT_TRUE(a->rectCollide(0, 0, 7, 4, 1, 1, false));
  EXPECT_FALSE(a->rectCollide(0, 0, 6, 4, 1, 1, false));

  // A change over several words of a mask that exists is folded into it.
  auto wide = makeCanvas(100, 2);
  EXPECT_FALSE(wide->rectCollide(0, 0, 0, 0, 100, 2, false));
  wide->setColor(0xFFFFFF);
  wide->rect(10, 1, 50, 1, true);
  EXPECT_TRUE(wide->rectCollide(0, 0, 10, 1, 1, 1, false));
  EXPECT_TRUE(wide->rectCollide(0, 0, 59, 1, 1, 1, false));
  EXPECT_FALSE(wide->rectCollide(0, 0, 60, 1, 40, 1, false));
  EXPECT_FALSE(wide->rectCollide(0, 0, 0, 0, 100, 1, false));

  // A new mask colour makes a new mask: now black is solid.
  a->setMask(0xFFFFFF);
  EXPECT_FALSE(a->rectCollide(0, 0, 7, 4, 1, 1, false));
  EXPECT_TRUE(a->rectCollide(0, 0, 6, 4, 1, 1, false));
}

TEST(CanvasCollision, OnlyRedGreenAndBlueAreCompared) {
  auto a = makeCanvas(2, 1, PixelFormat::argb8888());
  a->setPixelFast(0, 0, 0xFF000000);
  a->setPixelFast(1, 0, 0x00000001);
  EXPECT_FALSE(a->rectCollide(0, 0, 0, 0, 1, 1, false));
  EXPECT_TRUE(a->rectCollide(0, 0, 1, 0, 1, 1, false));
}

TEST(CanvasCollision, MaskBitsRunFromTheMostSignificantBit) {
  auto a = makeCanvas(35, 2);
  a->setColor(0xFFFFFF);
  a->plot(0, 0);
  a->plot(31, 0);
  a->plot(32, 1);
  a->plot(34, 1);
  const vx::CollisionMask& mask = a->collisionMask();
  ASSERT_EQ(mask.wordsPerRow(), 2);
  EXPECT_EQ(mask.row(0)[0], 0x80000001u);
  EXPECT_EQ(mask.row(0)[1], 0u);
  EXPECT_EQ(mask.row(1)[0], 0u);
  EXPECT_EQ(mask.row(1)[1], 0xA0000000u);
}
