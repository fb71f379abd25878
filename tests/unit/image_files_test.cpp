// BMP files written byte for byte, round trips, damaged files, images
// decoded ahead on another thread, and images made by others (from
// Debian's libirrlicht-doc package, fetched by the test set-up) loading
// with the right size, pixels and alpha.

#include "platform/image_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "canvas_test_support.h"
#include "platform/image_prefetch.h"

using vx::Canvas;
using vx::PixelFormat;
using vxtest::makeCanvas;

namespace {

std::string tempPath(const std::string& name) { return ::testing::TempDir() + "vx_image_" + name; }

std::vector<uint8_t> readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

vx::SurfaceContext front(const PixelFormat& format = PixelFormat::xrgb8888()) {
  vx::SurfaceContext context;
  context.frontFormat = format;
  return context;
}

std::unique_ptr<Canvas> load(const std::string& path, int32_t flags = 0,
                             const vx::SurfaceContext& context = front()) {
  std::shared_ptr<vx::Surface> surface = vx::loadSurface(path, flags, context);
  return surface ? std::make_unique<Canvas>(nullptr, std::move(surface), flags) : nullptr;
}

}  // namespace

TEST(ImageFiles, SavedBmpFilesHaveTheExactLayout) {
  auto c = makeCanvas(3, 2);
  c->setPixelFast(0, 0, 0x112233);
  c->setPixelFast(1, 0, 0x445566);
  c->setPixelFast(2, 0, 0x778899);
  c->setPixelFast(0, 1, 0xAABBCC);
  c->setPixelFast(1, 1, 0xDDEEFF);
  c->setPixelFast(2, 1, 0x010203);
  c->setOrigin(1, 1);  // neither origin nor viewport limits what is saved
  c->setViewport(1, 1, 1, 1);
  const std::string path = tempPath("layout.bmp");
  ASSERT_TRUE(vx::saveBmp(*c, path));
  const std::vector<uint8_t> expected = {
      'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,                      // file header
      40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0,                     // info header
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
      0xCC, 0xBB, 0xAA, 0xFF, 0xEE, 0xDD, 0x03, 0x02, 0x01, 0, 0, 0,         // bottom row first
      0x33, 0x22, 0x11, 0x66, 0x55, 0x44, 0x99, 0x88, 0x77, 0, 0, 0,         // 9 bytes and 3 padding
  };
  EXPECT_EQ(readAll(path), expected);
  std::remove(path.c_str());
}

// An 8-bit BMP with a palette of the given colours (0xRRGGBB), each pixel
// an index into it, rows given from the top.
std::vector<uint8_t> palettedBmp(const std::vector<uint32_t>& palette, const std::vector<uint8_t>& pixels, int width,
                                 int height) {
  const uint32_t rowBytes = (uint32_t(width) + 3) & ~3u;
  const uint32_t offset = 54 + 4 * uint32_t(palette.size()), size = offset + rowBytes * uint32_t(height);
  std::vector<uint8_t> bmp;
  auto u16 = [&](uint32_t v) { bmp.push_back(uint8_t(v)), bmp.push_back(uint8_t(v >> 8)); };
  auto u32 = [&](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
  bmp = {'B', 'M'};
  u32(size), u32(0), u32(offset);
  u32(40), u32(uint32_t(width)), u32(uint32_t(height)), u16(1), u16(8), u32(0), u32(rowBytes * uint32_t(height));
  u32(2835), u32(2835), u32(uint32_t(palette.size())), u32(0);
  for (uint32_t c : palette) u32(c & 0xFFFFFF);
  for (int y = height - 1; y >= 0; --y) {
    bmp.insert(bmp.end(), pixels.begin() + ptrdiff_t(y) * width, pixels.begin() + ptrdiff_t(y + 1) * width);
    bmp.resize(bmp.size() + rowBytes - uint32_t(width));
  }
  return bmp;
}

// A 24-bit file goes straight into the canvas in one pass a row; every
// other kind through a 32-bit copy. The same picture both ways (the 24-bit
// file large enough to be mapped, the paletted one small enough to be
// read) loads to the same pixels for every preparation of alpha and into
// every format.
TEST(ImageFiles, TwentyFourBitAndPalettedFilesOfOnePictureLoadAlike) {
  const int width = 163, height = 160;  // rows of no whole number of four pixels
  const std::vector<uint32_t> palette = {0x000000, 0xFFFFFF, 0x102030, 0x80FF40, 0xFE0102, 0x3F7FBF, 0x010000};
  std::vector<uint8_t> indices(size_t(width) * height);
  auto picture = makeCanvas(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint8_t i = uint8_t((x / 7 + y / 5 + x * y / 97) % palette.size());
      indices[size_t(y) * width + size_t(x)] = i;
      picture->setPixelFast(x, y, palette[i]);
    }
  const std::string wide = tempPath("wide.bmp"), paletted = tempPath("paletted.bmp");
  ASSERT_TRUE(vx::saveBmp(*picture, wide));
  ASSERT_GE(readAll(wide).size(), 64u << 10);
  writeAll(paletted, palettedBmp(palette, indices, width, height));

  const int32_t kColor = vx::kCanvasColor, kAlpha = vx::kCanvasAlpha, kMasked = vx::kCanvasMasked;
  for (int32_t flags : {0, kColor, kAlpha, kColor | kAlpha, kColor | kAlpha | kMasked})
    for (const PixelFormat& format :
         {PixelFormat::xrgb8888(), PixelFormat::argb8888(), PixelFormat::rgb565(), PixelFormat::rgb888()}) {
      auto straight = load(wide, flags, front(format)), throughCopy = load(paletted, flags, front(format));
      ASSERT_TRUE(straight && throughCopy);
      ASSERT_EQ(straight->format(), throughCopy->format());
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
          ASSERT_EQ(straight->getPixel(x, y), throughCopy->getPixel(x, y))
              << "flags " << flags << " at " << x << "," << y;
    }
  std::remove(wide.c_str());
  std::remove(paletted.c_str());
}

// Images decoded ahead are the images loaded, taken in any order, each
// once; a file and flags not asked for, or forgotten, are not there.
TEST(ImageFiles, PrefetchedImagesAreThoseLoaded) {
  std::vector<std::string> files;
  for (int n = 0; n < 3; ++n) {
    auto picture = makeCanvas(40 + n, 30);
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40 + n; ++x) picture->setPixelFast(x, y, uint32_t(x * 5 + y * 7 + n * 40) * 0x010203u);
    files.push_back(tempPath("ahead" + std::to_string(n) + ".bmp"));
    ASSERT_TRUE(vx::saveBmp(*picture, files.back()));
  }
  files.push_back(tempPath("missing.bmp"));
  const vx::SurfaceContext context = front();
  vx::ImagePrefetch prefetch;
  for (int round = 0; round < 2; ++round) {
    for (const std::string& file : files) prefetch.request(file, vx::kCanvasColor, context);
    for (size_t n : {2u, 0u, 3u, 1u}) {
      std::shared_ptr<vx::Surface> taken;
      ASSERT_TRUE(prefetch.take(files[n], vx::kCanvasColor, taken));
      const std::shared_ptr<vx::Surface> loaded = vx::loadSurface(files[n], vx::kCanvasColor, context);
      ASSERT_EQ(bool(taken), bool(loaded)) << files[n];
      if (!loaded) continue;
      ASSERT_EQ(taken->width(), loaded->width());
      for (int y = 0; y < loaded->height(); ++y)
        ASSERT_EQ(std::memcmp(taken->row(y), loaded->row(y), size_t(loaded->width()) * 4), 0) << files[n];
      std::shared_ptr<vx::Surface> again;
      EXPECT_FALSE(prefetch.take(files[n], vx::kCanvasColor, again));
    }
  }
  prefetch.request(files[0], vx::kCanvasColor, context);
  std::shared_ptr<vx::Surface> other;
  EXPECT_FALSE(prefetch.take(files[0], 0, other));
  prefetch.forget();
  EXPECT_FALSE(prefetch.take(files[0], vx::kCanvasColor, other));
  for (const std::string& file : files) std::remove(file.c_str());
}

TEST(ImageFiles, SavingConvertsFromTheCanvasFormat) {
  auto c = makeCanvas(1, 1, PixelFormat::rgb565());
  c->setPixelFast(0, 0, 0xFF8040);
  const std::string path = tempPath("565.bmp");
  ASSERT_TRUE(vx::saveBmp(*c, path));
  const std::vector<uint8_t> bytes = readAll(path);
  ASSERT_EQ(bytes.size(), 58u);
  EXPECT_EQ(bytes[54], 0x40);
  EXPECT_EQ(bytes[55], 0x80);
  EXPECT_EQ(bytes[56], 0xF8);
  EXPECT_EQ(bytes[57], 0);
  std::remove(path.c_str());
  EXPECT_FALSE(vx::saveBmp(*c, ::testing::TempDir() + "no/such/directory/x.bmp"));
}

TEST(ImageFiles, EightBitChannelsSurviveASaveAndALoad) {
  for (const PixelFormat& format : {PixelFormat::xrgb8888(), PixelFormat::rgb888(), PixelFormat::argb8888()}) {
    SCOPED_TRACE(format.depth());
    auto c = makeCanvas(37, 13, format);  // rows of 111 bytes and 1 of padding
    std::mt19937 random(format.depth());
    for (int y = 0; y < 13; ++y)
      for (int x = 0; x < 37; ++x) c->setPixelFast(x, y, random() | 0xFF000000u);
    const std::string path = tempPath("round.bmp");
    ASSERT_TRUE(vx::saveBmp(*c, path));
    auto back = load(path, 0, front(format));
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->width(), 37);
    ASSERT_EQ(back->height(), 13);
    for (int y = 0; y < 13; ++y)
      for (int x = 0; x < 37; ++x) ASSERT_EQ(back->getPixelFast(x, y), c->getPixelFast(x, y)) << x << "," << y;
    std::remove(path.c_str());
  }
}

TEST(ImageFiles, UnknownMissingAndDamagedFilesGiveNothing) {
  auto c = makeCanvas(20, 10);
  c->setColor(0x336699);
  c->rect(2, 2, 10, 5, true);
  const std::string good = tempPath("good.bmp");
  ASSERT_TRUE(vx::saveBmp(*c, good));
  const std::vector<uint8_t> bytes = readAll(good);

  // Recognised by content, whatever the name.
  const std::string plain = tempPath("picture");
  writeAll(plain, bytes);
  auto loaded = load(plain);
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->getPixel(2, 2), 0xFF336699u);

  EXPECT_EQ(load(tempPath("missing.bmp")), nullptr);
  EXPECT_EQ(load(::testing::TempDir()), nullptr);  // a directory

  std::vector<uint8_t> garbage(300);
  std::mt19937 random(7);
  for (uint8_t& b : garbage) b = uint8_t(random());
  for (const char* name : {"noise", "noise.png", "noise.bmp", "noise.jpg", "noise.tga", "noise.unknown"}) {
    writeAll(tempPath(name), garbage);
    EXPECT_EQ(load(tempPath(name)), nullptr) << name;
    std::remove(tempPath(name).c_str());
  }

  for (size_t length : {size_t(0), size_t(2), size_t(14), size_t(40), size_t(54), size_t(100), bytes.size() - 1}) {
    writeAll(tempPath("cut.bmp"), std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(length)));
    EXPECT_EQ(load(tempPath("cut.bmp")), nullptr) << length;
  }

  // A header that promises far more than the file holds.
  std::vector<uint8_t> huge = bytes;
  huge[18] = 0x30, huge[19] = 0x75;  // width 30000
  huge[22] = 0x30, huge[23] = 0x75;  // height 30000
  writeAll(tempPath("huge.bmp"), huge);
  EXPECT_EQ(load(tempPath("huge.bmp")), nullptr);
  for (const char* name : {"good.bmp", "picture", "cut.bmp", "huge.bmp"}) std::remove(tempPath(name).c_str());
}

// Images made by others.

namespace {

std::string media(const char* name) { return std::string(VX_TEST_MEDIA_DIR) + "/" + name; }

class ImageFileMedia : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::ifstream(media("wall.bmp")).good())
      GTEST_SKIP() << "test images not fetched into " << VX_TEST_MEDIA_DIR;
  }
};

}  // namespace

TEST_F(ImageFileMedia, BmpPngAndPalettedImagesLoadUpright) {
  auto wall = load(media("wall.bmp"));
  ASSERT_NE(wall, nullptr);
  EXPECT_EQ(wall->width(), 256);
  EXPECT_EQ(wall->height(), 256);
  EXPECT_EQ(wall->getPixel(0, 0), 0xFF787B80u);
  EXPECT_EQ(wall->getPixel(10, 20), 0xFF63666Bu);
  EXPECT_EQ(wall->getPixel(10, 235), 0xFF484C4Fu);
  EXPECT_EQ(wall->getPixel(200, 3), 0xFF9BA0A1u);
  EXPECT_EQ(wall->getPixel(200, 252), 0xFF999AA8u);
  EXPECT_EQ(wall->getPixel(255, 255), 0xFF686D6Fu);

  auto demo = load(media("2ddemo.png"));
  ASSERT_NE(demo, nullptr);
  EXPECT_EQ(demo->width(), 512);
  EXPECT_EQ(demo->height(), 256);
  EXPECT_EQ(demo->getPixel(0, 0), 0xFFFF00FFu);
  EXPECT_EQ(demo->getPixel(100, 100), 0xFF5A5921u);
  EXPECT_EQ(demo->getPixel(100, 155), 0xFF926722u);
  EXPECT_EQ(demo->getPixel(380, 95), 0xFF636396u);
  EXPECT_EQ(demo->getPixel(380, 160), 0xFFFF00FFu);
  EXPECT_EQ(demo->getPixel(360, 40), 0xFF9B220Du);

  auto fireball = load(media("fireball.bmp"));  // 8 bits per pixel, with a palette
  ASSERT_NE(fireball, nullptr);
  EXPECT_EQ(fireball->width(), 64);
  EXPECT_EQ(fireball->getPixel(32, 32), 0xFFFFFFADu);
  EXPECT_EQ(fireball->getPixel(20, 10), 0xFF631800u);
  EXPECT_EQ(fireball->getPixel(20, 53), 0xFF290800u);

  // Into a 16-bit canvas through its converter.
  auto small = load(media("wall.bmp"), 0, front(PixelFormat::rgb565()));
  ASSERT_NE(small, nullptr);
  EXPECT_EQ(small->getPixel(10, 20), 0xFF606468u);
}

TEST_F(ImageFileMedia, JpegLoads) {
  auto photo = load(media("t351sml.jpg"));
  ASSERT_NE(photo, nullptr);
  EXPECT_EQ(photo->width(), 128);
  EXPECT_EQ(photo->height(), 128);
  int distinct = 0;
  for (int i = 1; i < 128; ++i) distinct += photo->getPixel(i, i) != photo->getPixel(i - 1, i - 1);
  EXPECT_GT(distinct, 32);
}

TEST_F(ImageFileMedia, AlphaIsPreparedForTheCanvasFlags) {
  const int32_t kColor = vx::kCanvasColor, kAlpha = vx::kCanvasAlpha, kMasked = vx::kCanvasMasked;

  // A TGA with its own alpha keeps it when alpha is asked for.
  auto logo = load(media("irrlichtlogoalpha2.tga"), kColor | kAlpha);
  ASSERT_NE(logo, nullptr);
  EXPECT_EQ(logo->format(), PixelFormat::argb8888());
  EXPECT_EQ(logo->width(), 128);
  EXPECT_EQ(logo->getPixel(9, 7), 0x732E2E18u);
  EXPECT_EQ(logo->getPixel(18, 7), 0xC80B0B11u);
  EXPECT_EQ(logo->getPixel(64, 64), 0xAE0D0D13u);
  EXPECT_EQ(logo->getPixel(64, 20), 0xFFF1F1F1u);
  EXPECT_EQ(logo->getPixel(0, 0), 0x00000000u);

  // Masked: opaque wherever the colour is not black.
  auto masked = load(media("irrlichtlogoalpha2.tga"), kColor | kAlpha | kMasked);
  ASSERT_NE(masked, nullptr);
  EXPECT_EQ(masked->getPixel(9, 7), 0xFF2E2E18u);
  EXPECT_EQ(masked->getPixel(0, 0), 0x00000000u);

  // Without the alpha flag every pixel is opaque.
  auto opaque = load(media("irrlichtlogoalpha2.tga"), vx::kCanvasArgbSystemMemory);
  ASSERT_NE(opaque, nullptr);
  EXPECT_EQ(opaque->getPixel(9, 7), 0xFF2E2E18u);
  EXPECT_EQ(opaque->getPixel(0, 0), 0xFF000000u);

  // An image without alpha gets its brightness as alpha: white without the
  // colour flag, its own colour with it.
  auto brightness = load(media("wall.bmp"), kAlpha);
  ASSERT_NE(brightness, nullptr);
  EXPECT_EQ(brightness->getPixel(0, 0), 0x7BFFFFFFu);   // (0x78 + 0x7B + 0x80) / 3
  EXPECT_EQ(brightness->getPixel(10, 20), 0x66FFFFFFu);
  auto colored = load(media("wall.bmp"), kAlpha | kColor);
  EXPECT_EQ(colored->getPixel(0, 0), 0x7B787B80u);
}

TEST_F(ImageFileMedia, TexturesAreScaledToTheirAdaptedSize) {
  vx::TextureLimits limits;
  limits.maxWidth = limits.maxHeight = 64;
  vx::SurfaceContext context = front();
  context.textureLimits = &limits;
  auto texture = load(media("wall.bmp"), vx::kCanvasTexture | vx::kCanvasColor, context);
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(texture->width(), 64);
  EXPECT_EQ(texture->height(), 64);
  // Each pixel takes the image pixel at four times its place.
  EXPECT_EQ(texture->getPixel(0, 0), 0xFF787B80u);
  EXPECT_EQ(texture->getPixel(2, 5), 0xFF70757Au);
  EXPECT_EQ(texture->getPixel(50, 5), 0xFF494949u);
  EXPECT_EQ(texture->getPixel(50, 63), 0xFF999AA8u);
  EXPECT_EQ(texture->getPixel(31, 31), 0xFF757E90u);
}

TEST_F(ImageFileMedia, DamagedImagesGiveNothingAndNeverCrash) {
  std::mt19937 random(2024);
  for (const char* name : {"2ddemo.png", "wall.bmp", "t351sml.jpg", "irrlichtlogoalpha2.tga", "fireball.bmp"}) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> bytes = readAll(media(name));
    ASSERT_FALSE(bytes.empty());
    const std::string ext = std::string(name).substr(std::string(name).find('.'));
    const std::string path = tempPath("damaged" + ext);
    // Cut short anywhere in the image: nothing. (The TGA ends in a 26-byte
    // footer that holds no pixels.)
    for (size_t length : {size_t(0), size_t(1), size_t(17), size_t(60), bytes.size() / 10, bytes.size() / 2,
                          bytes.size() - 100, bytes.size() - 30}) {
      writeAll(path, std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(length)));
      EXPECT_EQ(load(path), nullptr) << "cut to " << length;
    }
    // Bytes changed in the headers and anywhere: whatever comes back, the
    // loader survives it.
    for (int round = 0; round < 150; ++round) {
      std::vector<uint8_t> changed = bytes;
      const int changes = 1 + int(random() % 6);
      for (int k = 0; k < changes; ++k) {
        const size_t at = (round % 2) ? random() % std::min<size_t>(changed.size(), 64) : random() % changed.size();
        changed[at] = uint8_t(random());
      }
      writeAll(path, changed);
      auto result = load(path);
      if (result) {
        EXPECT_GT(result->width(), 0);
      }
    }
    std::remove(path.c_str());
  }
}
