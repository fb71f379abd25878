// Canvases as textures: formats by flag, texture sizes, mipmaps, cube maps.

#include <gtest/gtest.h>

#include "canvas_test_support.h"
#include "platform/mipmaps.h"

using vx::Canvas;
using vx::PixelFormat;
using vx::SurfaceContext;
using vx::TextureLimits;

namespace {

constexpr int32_t kTexture = vx::kCanvasTexture;

SurfaceContext contextWith(const TextureLimits* limits) {
  SurfaceContext context;
  context.frontFormat = PixelFormat::rgb565();
  context.textureLimits = limits;
  return context;
}

std::pair<int, int> adapted(int w, int h, const TextureLimits& limits) {
  vx::adaptTextureSize(w, h, &limits);
  return {w, h};
}

}  // namespace

TEST(CanvasTexture, FlagsChooseTheFormat) {
  const SurfaceContext context = contextWith(nullptr);
  auto format = [&](int32_t flags) { return vx::surfaceFormat(flags, context); };
  EXPECT_EQ(format(0), PixelFormat::rgb565());
  EXPECT_EQ(format(kTexture), PixelFormat::rgb565());
  EXPECT_EQ(format(vx::kCanvasSystemMemory), PixelFormat::rgb565());
  EXPECT_EQ(format(vx::kCanvasArgbSystemMemory), PixelFormat::argb8888());
  EXPECT_EQ(format(vx::kCanvasColor), PixelFormat::xrgb8888());
  EXPECT_EQ(format(vx::kCanvasColor | vx::kCanvasAlpha), PixelFormat::argb8888());
  EXPECT_EQ(format(vx::kCanvasAlpha), PixelFormat::argb8888());
  EXPECT_EQ(format(vx::kCanvasMasked | vx::kCanvasColor | vx::kCanvasHighColor), PixelFormat::argb1555());
  EXPECT_EQ(format(vx::kCanvasColor | vx::kCanvasHighColor), PixelFormat::rgb565());
  EXPECT_EQ(format(vx::kCanvasColor | vx::kCanvasAlpha | vx::kCanvasHighColor), PixelFormat::argb4444());

  // The 3D device's own table wins when it has one.
  vx::TextureFormats table = vx::TextureFormats::standard();
  table.color = PixelFormat::rgb888();
  SurfaceContext withTable = context;
  withTable.textureFormats = &table;
  EXPECT_EQ(vx::surfaceFormat(vx::kCanvasColor, withTable), PixelFormat::rgb888());
}

TEST(CanvasTexture, SizesAreAdaptedToTheDevice) {
  TextureLimits limits;
  EXPECT_EQ(adapted(300, 100, limits), std::pair(300, 100));
  limits.powerOfTwo = true;
  EXPECT_EQ(adapted(300, 100, limits), std::pair(512, 128));
  EXPECT_EQ(adapted(256, 1, limits), std::pair(256, 1));
  limits.square = true;
  EXPECT_EQ(adapted(300, 100, limits), std::pair(512, 512));
  limits.square = false;
  limits.maxAspect = 2;
  EXPECT_EQ(adapted(512, 64, limits), std::pair(512, 256));
  EXPECT_EQ(adapted(64, 512, limits), std::pair(256, 512));
  limits.maxAspect = 0;
  limits.minWidth = limits.minHeight = 32;
  limits.maxWidth = limits.maxHeight = 1024;
  EXPECT_EQ(adapted(8, 8, limits), std::pair(32, 32));
  EXPECT_EQ(adapted(2000, 100, limits), std::pair(1024, 128));

  // Without a 3D device to ask, every texture is 256 by 256.
  auto texture = Canvas::create(nullptr, 10, 20, kTexture, contextWith(nullptr));
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(texture->width(), 256);
  EXPECT_EQ(texture->height(), 256);
  auto plain = Canvas::create(nullptr, 10, 20, vx::kCanvasColor, contextWith(nullptr));
  EXPECT_EQ(plain->width(), 10);
}

TEST(CanvasTexture, MipmapsAverageEachBlockRoundingDown) {
  const TextureLimits limits;
  auto c = Canvas::create(nullptr, 4, 4, kTexture | vx::kCanvasMipmap | vx::kCanvasColor | vx::kCanvasAlpha,
                          contextWith(&limits));
  ASSERT_NE(c, nullptr);
  const auto& levels = c->mainSurface()->mipmaps();
  ASSERT_EQ(levels.size(), 2u);
  ASSERT_EQ(levels[0]->width(), 2);
  ASSERT_EQ(levels[1]->width(), 1);
  const uint32_t pixels[4][4] = {
      {0xFF000001, 0xFF000002, 0x80FF00FF, 0x80FF00FF},
      {0xFF000002, 0xFF000002, 0x80FF00FF, 0x7FFF00FF},
      {0x00FFFFFF, 0x00FFFFFF, 0x10203040, 0x20304050},
      {0x00FFFFFF, 0x00FFFFFF, 0x30405060, 0x40506070},
  };
  c->lock();
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) c->setPixelFast(x, y, pixels[y][x]);
  c->unlock();
  auto level = [&](int i, int x, int y) { return levels[i]->format().read(levels[i]->pixel(x, y)); };
  EXPECT_EQ(level(0, 0, 0), 0u);  // not yet rebuilt

  c->textureSurface();
  EXPECT_EQ(level(0, 0, 0), 0xFF000001u);
  EXPECT_EQ(level(0, 1, 0), 0x7FFF00FFu);
  EXPECT_EQ(level(0, 0, 1), 0x00FFFFFFu);
  EXPECT_EQ(level(0, 1, 1), 0x28384858u);
  EXPECT_EQ(level(1, 0, 0), 0x698D5195u);

  // Unchanged since: not rebuilt.
  vx::storePixel32(levels[1]->pixel(0, 0), 0x12345678);
  c->textureSurface();
  EXPECT_EQ(level(1, 0, 0), 0x12345678u);
  c->plot(0, 0);
  c->textureSurface();
  EXPECT_NE(level(1, 0, 0), 0x12345678u);
}

TEST(CanvasTexture, LevelsOnePixelWideOrHighAveragePairs) {
  const TextureLimits limits;
  const int32_t flags = kTexture | vx::kCanvasMipmap | vx::kCanvasColor | vx::kCanvasAlpha;
  const uint32_t values[4] = {0x00000000, 0x00000001, 0xFFFFFFFF, 0xFFFFFFFD};
  auto row = Canvas::create(nullptr, 4, 1, flags, contextWith(&limits));
  auto column = Canvas::create(nullptr, 1, 4, flags, contextWith(&limits));
  for (int i = 0; i < 4; ++i) {
    row->setPixelFast(i, 0, values[i]);
    column->setPixelFast(0, i, values[i]);
  }
  for (Canvas* c : {row.get(), column.get()}) {
    c->textureSurface();
    const auto& levels = c->mainSurface()->mipmaps();
    ASSERT_EQ(levels.size(), 2u);
    const bool across = c == row.get();
    EXPECT_EQ(vx::loadPixel32(levels[0]->pixel(0, 0)), 0x00000000u);
    EXPECT_EQ(vx::loadPixel32(levels[0]->pixel(across ? 1 : 0, across ? 0 : 1)), 0xFFFFFFFEu);
    EXPECT_EQ(vx::loadPixel32(levels[1]->pixel(0, 0)), 0x7F7F7F7Fu);
  }
}

TEST(CanvasTexture, CubeMapsDrawOnTheSelectedFace) {
  const TextureLimits limits;
  auto c = Canvas::create(nullptr, 4, 4, kTexture | vx::kCanvasCubeMap | vx::kCanvasMipmap | vx::kCanvasColor,
                          contextWith(&limits));
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->selectedFace(), 1);  // +Z
  for (int i = 0; i < 6; ++i)
    for (int j = i + 1; j < 6; ++j) EXPECT_NE(&c->faceSurface(i), &c->faceSurface(j));
  EXPECT_EQ(&c->faceSurface(2), c->mainSurface().get());

  c->setColor(0xFFFFFF);
  c->plot(0, 0);
  const vx::Surface& plusZ = c->faceSurface(1);
  EXPECT_EQ(plusZ.format().read(plusZ.pixel(0, 0)), 0xFFFFFFFFu);
  EXPECT_EQ(c->mainSurface()->format().read(c->mainSurface()->pixel(0, 0)), 0xFF000000u);

  // Leaving a face brings its mipmaps up to date.
  c->selectFace(2);
  EXPECT_EQ(plusZ.format().read(plusZ.mipmaps()[0]->pixel(0, 0)), 0xFF3F3F3Fu);
  c->plot(3, 3);
  EXPECT_EQ(c->textureSurface().format().read(c->mainSurface()->pixel(3, 3)), 0xFFFFFFFFu);
}
