// Blits, pixel access, locks and colours.

#include <gtest/gtest.h>

#include "canvas_test_support.h"
#include "platform/graphics_device.h"

using vx::Canvas;
using vx::PixelFormat;
using vxtest::makeCanvas;
using vxtest::picture;
using vxtest::rows;

namespace {

// Every pixel a colour of its own: red x, green y, blue 0x40.
void fillNumbered(Canvas& c) {
  for (int y = 0; y < c.height(); ++y)
    for (int x = 0; x < c.width(); ++x) c.setPixelFast(x, y, 0xFF000040u | (x << 16) | (y << 8));
}

uint32_t numbered(int x, int y) { return 0xFF000040u | (x << 16) | (y << 8); }

}  // namespace

TEST(CanvasBlit, ClipsTheDestinationToTheViewportAndTheSourceToItsCanvas) {
  auto source = makeCanvas(4, 4);
  fillNumbered(*source);
  auto c = makeCanvas(10, 10);
  c->setViewport(2, 2, 8, 8);
  const uint32_t before = c->modCount();

  c->blit(0, 0, *source, 0, 0, 4, 4, true);  // the viewport cuts the top-left
  EXPECT_EQ(c->modCount(), before + 1);
  EXPECT_EQ(c->getPixel(1, 1), 0xFF000000u);
  EXPECT_EQ(c->getPixel(2, 2), numbered(2, 2));
  EXPECT_EQ(c->getPixel(3, 3), numbered(3, 3));
  EXPECT_EQ(c->getPixel(4, 2), 0xFF000000u);

  c->blit(6, 6, *source, -1, -1, 3, 3, true);  // the source starts outside its canvas
  EXPECT_EQ(c->getPixel(6, 6), 0xFF000000u);
  EXPECT_EQ(c->getPixel(7, 7), numbered(0, 0));
  EXPECT_EQ(c->getPixel(8, 8), numbered(1, 1));
  EXPECT_EQ(c->getPixel(9, 9), 0xFF000000u);

  // The source's handle and the destination's origin move it.
  c->setClsColor(0);
  c->cls();
  source->setHandle(1, 1);
  c->setOrigin(2, 0);
  c->blit(3, 4, *source, 0, 0, 4, 4, true);
  EXPECT_EQ(c->getPixel(2, 3), numbered(0, 0));  // canvas point (4, 3)
  c->setOrigin(0, 0);
  EXPECT_EQ(c->getPixel(4, 3), numbered(0, 0));
  EXPECT_EQ(c->getPixel(7, 6), numbered(3, 3));

  const uint32_t unchanged = c->modCount();
  c->blit(100, 100, *source, 0, 0, 4, 4, true);
  c->blit(2, 2, *source, 4, 0, 4, 4, true);
  c->blit(2, 2, *source, 0, 0, 0, 4, true);
  EXPECT_EQ(c->modCount(), unchanged);
}

TEST(CanvasBlit, MaskedBlitsLeaveOutTheSourceMaskColour) {
  for (const auto& [name, format] : vxtest::canvasFormats()) {
    SCOPED_TRACE(name);
    // 13 pixels: whole 16-byte blocks and a tail at every size.
    auto source = makeCanvas(13, 2, format);
    auto c = makeCanvas(13, 2, format);
    source->setMask(0xFF00FF);
    c->setClsColor(0x0000FF);
    c->cls();
    for (int x = 0; x < 13; ++x) {
      source->setPixelFast(x, 0, x % 3 == 0 ? 0xFF00FF : 0x00FF00);
      source->setPixelFast(x, 1, 0xFF00FF);  // an all-masked row
    }
    auto held = [&](uint32_t rgb) { return format.toArgb(format.toNative(rgb)) & 0xFFFFFF; };
    c->blit(0, 0, *source, 0, 0, 13, 2, false);
    for (int x = 0; x < 13; ++x) {
      EXPECT_EQ(c->getPixel(x, 0) & 0xFFFFFF, held(x % 3 == 0 ? 0x0000FF : 0x00FF00)) << x;
      EXPECT_EQ(c->getPixel(x, 1) & 0xFFFFFF, held(0x0000FF)) << x;
    }
    c->blit(0, 0, *source, 0, 0, 13, 2, true);
    EXPECT_EQ(c->getPixel(0, 1) & 0xFFFFFF, held(0xFF00FF));
  }
}

TEST(CanvasBlit, TheMaskColourIgnoresAlpha) {
  // Keying compares red, green and blue, as the collision mask does.
  auto source = makeCanvas(2, 1, PixelFormat::argb8888());
  auto c = makeCanvas(2, 1, PixelFormat::argb8888());
  source->setPixelFast(0, 0, 0xFF000000);  // black, opaque: the default mask colour
  source->setPixelFast(1, 0, 0x80112233);
  c->blit(0, 0, *source, 0, 0, 2, 1, false);
  EXPECT_EQ(c->getPixelFast(0, 0), 0u);
  EXPECT_EQ(c->getPixelFast(1, 0), 0x80112233u);
}

TEST(CanvasBlit, OverlappingCopiesWithinOneCanvasReadTheOldPixels) {
  for (bool solid : {true, false}) {
    SCOPED_TRACE(solid ? "solid" : "masked");
    auto c = makeCanvas(8, 8);
    fillNumbered(*c);
    c->setMask(0x123456);  // not in the picture
    c->blit(1, 1, *c, 0, 0, 6, 6, solid);  // down and right
    for (int y = 1; y < 7; ++y)
      for (int x = 1; x < 7; ++x) ASSERT_EQ(c->getPixelFast(x, y), numbered(x - 1, y - 1)) << x << "," << y;
    fillNumbered(*c);
    c->blit(0, 0, *c, 2, 1, 6, 7, solid);  // up and left
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 6; ++x) ASSERT_EQ(c->getPixelFast(x, y), numbered(x + 2, y + 1)) << x << "," << y;
  }
}

TEST(CanvasBlit, CanvasesSharingASurfaceSeeEachOthersPixels) {
  vx::SurfaceContext context;
  context.frontFormat = PixelFormat::xrgb8888();
  std::shared_ptr<vx::Surface> surface = vx::createSurface(6, 6, 0, context);
  Canvas front(nullptr, surface, 0), back(nullptr, surface, 0);
  fillNumbered(back);
  front.blit(1, 0, back, 0, 0, 5, 6, true);
  for (int x = 1; x < 6; ++x) EXPECT_EQ(back.getPixelFast(x, 3), numbered(x - 1, 3));
}

TEST(CanvasBlit, DifferentFormatsAreConverted) {
  auto source = makeCanvas(3, 1, PixelFormat::rgb565());
  auto c = makeCanvas(3, 1, PixelFormat::rgb888());
  source->setPixelFast(0, 0, 0xFF8040);
  source->setPixelFast(1, 0, 0);  // the mask colour
  source->setPixelFast(2, 0, 0xFFFFFF);
  c->setClsColor(0x0000FF);
  c->cls();
  c->blit(0, 0, *source, 0, 0, 3, 1, false);
  EXPECT_EQ(c->getPixel(0, 0), 0xFFF88040u);
  EXPECT_EQ(c->getPixel(1, 0), 0xFF0000FFu);
  EXPECT_EQ(c->getPixel(2, 0), 0xFFF8FCF8u);
}

TEST(CanvasPixels, OutsideTheViewportReadsTheMaskColourAndWritesNothing) {
  auto c = makeCanvas(4, 4, PixelFormat::rgb565());
  c->setMask(0x00FF0000);
  c->setViewport(1, 1, 2, 2);
  EXPECT_EQ(c->getPixel(0, 0), 0xFFF80000u);  // alpha 255: the format has none
  EXPECT_EQ(c->getPixel(3, 1), 0xFFF80000u);
  const uint32_t before = c->modCount();
  c->setPixel(0, 0, 0xFFFFFF);
  c->setPixel(1, 3, 0xFFFFFF);
  EXPECT_EQ(c->modCount(), before);
  c->setOrigin(1, 1);
  c->setPixel(0, 0, 0xFFFFFF);
  EXPECT_EQ(c->modCount(), before + 1);
  EXPECT_EQ(c->getPixel(0, 0), 0xFFF8FCF8u);
  EXPECT_EQ(c->getPixelFast(1, 1), 0xFFF8FCF8u);

  auto argb = makeCanvas(2, 2, PixelFormat::argb8888());
  argb->setMask(0x00FF00FF);
  EXPECT_EQ(argb->getPixel(5, 5), 0x00FF00FFu);  // as the format holds it
}

TEST(CanvasPixels, FastAccessStaysInsideTheCanvas) {
  auto c = makeCanvas(3, 2);
  c->lock();
  for (auto [x, y] : {std::pair{-1, 0}, {3, 0}, {0, -1}, {0, 2}, {-2147483647 - 1, 0}, {2147483647, 1}})
    c->setPixelFast(x, y, 0xFFFFFF);
  EXPECT_EQ(picture(*c), rows({"...", "..."}));
  EXPECT_EQ(c->getPixelFast(3, 0), 0u);
  c->setPixelFast(2, 1, 0x00ABCDEF);
  EXPECT_EQ(c->getPixelFast(2, 1), 0xFFABCDEFu);
  c->setOrigin(1, 1);
  c->setViewport(0, 0, 1, 1);
  c->setPixelFast(0, 0, 0xFFFFFF);  // neither origin nor viewport
  EXPECT_EQ(picture(*c), rows({"#..", "..#"}));
  c->unlock();
}

TEST(CanvasPixels, LocksNest) {
  auto c = makeCanvas(2, 2);
  EXPECT_TRUE(c->lock());
  EXPECT_TRUE(c->lock());
  EXPECT_EQ(c->lockCount(), 2);
  c->unlock();
  EXPECT_EQ(c->lockCount(), 1);
  c->unlock();
  c->unlock();  // one too many: ignored
  EXPECT_EQ(c->lockCount(), 0);
  EXPECT_TRUE(c->lock());
  EXPECT_EQ(c->lockCount(), 1);
  c->unlock();
  // getPixel and setPixel leave the count as they found it.
  c->lock();
  c->setPixel(0, 0, 0xFFFFFF);
  c->getPixel(0, 0);
  EXPECT_EQ(c->lockCount(), 1);
  c->unlock();
}

TEST(CanvasPixels, CopyPixelCopiesRawValues) {
  auto source = makeCanvas(3, 3, PixelFormat::rgb565());
  auto c = makeCanvas(3, 3, PixelFormat::rgb555());
  vx::storePixel16(source->surface().pixel(2, 2), 0xFC08);
  source->setOrigin(1, 1);
  c->setOrigin(-1, 0);
  c->copyPixel(1, 0, *source, 1, 1);  // (0, 0) from (2, 2)
  EXPECT_EQ(vx::loadPixel16(c->surface().pixel(0, 0)), 0xFC08u);  // no conversion

  const uint32_t before = c->modCount();
  c->copyPixel(5, 0, *source, 1, 1);  // destination outside
  c->copyPixel(1, 0, *source, 2, 2);  // source outside
  EXPECT_EQ(c->modCount(), before);

  auto wide = makeCanvas(2, 2, PixelFormat::xrgb8888());
  wide->copyPixelFast(1, 1, *source, 2, 2);  // another pixel size is converted
  EXPECT_EQ(wide->getPixelFast(1, 1), 0xFFF88040u);
  wide->copyPixelFast(2, 1, *source, 2, 2);
  wide->copyPixelFast(0, 0, *source, 3, 0);
  EXPECT_EQ(wide->getPixelFast(0, 0), 0xFF000000u);
}

TEST(CanvasColors, DrawingAndClearColoursAreOpaque) {
  auto c = makeCanvas(2, 1, PixelFormat::argb8888());
  EXPECT_EQ(c->color(), 0xFFFFFFFFu);
  c->setColor(300 << 16);  // Color 300,0,0: red byte 0x2C
  EXPECT_EQ(c->color(), 0xFF2C0000u);
  c->plot(0, 0);
  EXPECT_EQ(c->getPixelFast(0, 0), 0xFF2C0000u);
  c->setClsColor(0x00123456);
  c->cls();
  EXPECT_EQ(c->getPixelFast(1, 0), 0xFF123456u);
  EXPECT_EQ(c->maskColor(), 0u);
  c->setMask(0x00123456);
  EXPECT_EQ(c->maskColor(), 0x00123456u);  // kept as given
}

TEST(CanvasCopies, StretchCopyClipsConvertsAndReadsOutsideAsBlack) {
  auto source = makeCanvas(2, 2, PixelFormat::xrgb8888());
  source->setPixelFast(0, 0, 0xFF0000);
  source->setPixelFast(1, 0, 0x00FF00);
  source->setPixelFast(0, 1, 0x0000FF);
  source->setPixelFast(1, 1, 0xFFFFFF);

  // Doubled into a canvas of another format, partly off its right and bottom.
  auto wide = makeCanvas(4, 4, PixelFormat::rgb565());
  wide->setClsColor(0x808080);
  wide->cls();
  vx::GraphicsDevice::stretchCopy(*wide, 1, 1, 4, 4, *source, 0, 0, 2, 2);
  EXPECT_EQ(wide->getPixelFast(0, 0) & 0xFFFFFF, 0x808080u);
  EXPECT_EQ(wide->getPixelFast(2, 2) & 0xFFFFFF, 0xF80000u);  // at 565 precision
  EXPECT_EQ(wide->getPixelFast(3, 1) & 0xFFFFFF, 0x00FC00u);
  EXPECT_EQ(wide->getPixelFast(1, 3) & 0xFFFFFF, 0x0000F8u);

  // Unscaled in one format: a source rectangle half outside, walked upwards.
  auto same = makeCanvas(2, 2, PixelFormat::xrgb8888());
  vx::GraphicsDevice::stretchCopy(*same, 0, 0, 2, 2, *source, 1, 1, 2, -2);
  EXPECT_EQ(same->getPixelFast(0, 0) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(same->getPixelFast(0, 1) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(same->getPixelFast(1, 0) & 0xFFFFFF, 0u);
  EXPECT_EQ(same->getPixelFast(1, 1) & 0xFFFFFF, 0u);
}
