#include "platform/pixel_format.h"

#include <gtest/gtest.h>

#include "canvas_test_support.h"

using vx::PixelFormat;

TEST(PixelFormat, Rgb565MatchesTheWorkedExample) {
  // Colour 0x00FF8040 (alpha forced to 255) is 0xFC08 in 565 and comes back
  // with the low bits of each channel zero.
  auto canvas = vxtest::makeCanvas(4, 4, PixelFormat::rgb565());
  canvas->setColor(0x00FF8040);
  canvas->plot(1, 1);
  EXPECT_EQ(vx::loadPixel16(canvas->surface().pixel(1, 1)), 0xFC08u);
  EXPECT_EQ(canvas->color(), 0xFFF88040u);
  EXPECT_EQ(canvas->getPixel(1, 1), 0xFFF88040u);
}

TEST(PixelFormat, SixteenBitLayoutsConvertWithoutReplicatingLowBits) {
  const PixelFormat f555 = PixelFormat::rgb555();
  EXPECT_EQ(f555.toNative(0xFFFF8040), 0x7E08u);
  EXPECT_EQ(f555.toArgb(0x7E08), 0xFFF88040u);
  EXPECT_EQ(f555.toArgb(0xFFFF), 0xFFF8F8F8u);  // bit 15 is no channel

  const PixelFormat f1555 = PixelFormat::argb1555();
  EXPECT_EQ(f1555.toNative(0x80FF8040), 0xFE08u);
  EXPECT_EQ(f1555.toNative(0x7FFF8040), 0x7E08u);
  EXPECT_EQ(f1555.toArgb(0xFE08), 0x80F88040u);

  const PixelFormat f4444 = PixelFormat::argb4444();
  EXPECT_EQ(f4444.toNative(0xFFFF8040), 0xFF84u);
  EXPECT_EQ(f4444.toArgb(0xFF84), 0xF0F08040u);
  EXPECT_EQ(f4444.toArgb(0x0000), 0x00000000u);
}

TEST(PixelFormat, ThirtyTwoAndTwentyFourBitFormats) {
  const PixelFormat argb = PixelFormat::argb8888();
  EXPECT_EQ(argb.toNative(0x12345678), 0x12345678u);
  EXPECT_EQ(argb.toArgb(0x00345678), 0x00345678u);

  const PixelFormat xrgb = PixelFormat::xrgb8888();
  EXPECT_EQ(xrgb.toNative(0x12345678), 0x00345678u);
  EXPECT_EQ(xrgb.toArgb(0x00345678), 0xFF345678u);
  EXPECT_EQ(xrgb.missingBits(), 0xFF000000u);

  // A 24-bit pixel is three bytes, blue first; the byte after it is left alone.
  const PixelFormat rgb = PixelFormat::rgb888();
  EXPECT_EQ(rgb.bytesPerPixel(), 3);
  uint8_t bytes[4] = {0, 0, 0, 0xAA};
  rgb.write(bytes, 0x00123456);
  EXPECT_EQ(bytes[0], 0x56);
  EXPECT_EQ(bytes[1], 0x34);
  EXPECT_EQ(bytes[2], 0x12);
  EXPECT_EQ(bytes[3], 0xAA);
  EXPECT_EQ(rgb.read(bytes), 0xFF123456u);
}

TEST(PixelFormat, OtherLayoutsFollowTheirMasks) {
  // Blue in the high bits of a 16-bit pixel.
  const PixelFormat bgr565 = PixelFormat::fromMasks(16, 0, 0x001F, 0x07E0, 0xF800);
  ASSERT_TRUE(bgr565.valid());
  EXPECT_EQ(bgr565.toNative(0xFFFF8040), 0x441Fu);
  EXPECT_EQ(bgr565.toArgb(0x441F), 0xFFF88040u);
  uint8_t pixel[2];
  bgr565.write(pixel, 0xFFFF8040);
  EXPECT_EQ(vx::loadPixel16(pixel), 0x441Fu);
  EXPECT_EQ(bgr565.read(pixel), 0xFFF88040u);

  const PixelFormat abgr = PixelFormat::fromMasks(32, 0xFF000000, 0xFF, 0xFF00, 0xFF0000);
  EXPECT_EQ(abgr.toNative(0x80112233), 0x80332211u);
  EXPECT_EQ(abgr.toArgb(0x80332211), 0x80112233u);

  const PixelFormat bgr24 = PixelFormat::fromMasks(24, 0, 0xFF, 0xFF00, 0xFF0000);
  uint8_t three[3];
  bgr24.write(three, 0x00123456);
  EXPECT_EQ(three[0], 0x12);
  EXPECT_EQ(three[2], 0x56);
  EXPECT_EQ(bgr24.read(three), 0xFF123456u);

  // A format without blue reports it missing and reads it as full.
  const PixelFormat noBlue = PixelFormat::fromMasks(16, 0, 0xFF00, 0x00FF, 0);
  ASSERT_TRUE(noBlue.valid());
  EXPECT_EQ(noBlue.missingBits(), 0xFF0000FFu);
  EXPECT_EQ(noBlue.toArgb(0x1234), 0xFF1234FFu);
}

TEST(PixelFormat, UnusableMasksGiveNoFormat) {
  EXPECT_FALSE(PixelFormat::fromMasks(8, 0, 0xE0, 0x1C, 0x03).valid());
  EXPECT_FALSE(PixelFormat::fromMasks(16, 0, 0xF800, 0x0FE0, 0x001F).valid());    // overlap
  EXPECT_FALSE(PixelFormat::fromMasks(16, 0, 0xF8000, 0x07E0, 0x001F).valid());   // beyond 16 bits
  EXPECT_FALSE(PixelFormat::fromMasks(32, 0, 0x3FF00000, 0xFFC00, 0x3FF).valid()); // 10-bit channels
  EXPECT_FALSE(PixelFormat::fromMasks(32, 0xFF000000, 0, 0, 0).valid());
  EXPECT_FALSE(PixelFormat().valid());
}

TEST(PixelFormat, EightBitChannelsRoundTripEveryValue) {
  for (const auto& [name, format] : vxtest::canvasFormats()) {
    if (format.red().width != 8) continue;
    SCOPED_TRACE(name);
    for (uint32_t v = 0; v < 256; ++v) {
      const uint32_t argb = (v << 24) | (v << 16) | ((255 - v) << 8) | (v ^ 0x5A);
      const uint32_t expected = format.hasAlpha() ? argb : (argb | 0xFF000000u);
      uint8_t pixel[4] = {};
      format.write(pixel, argb);
      ASSERT_EQ(format.read(pixel), expected);
    }
  }
}
