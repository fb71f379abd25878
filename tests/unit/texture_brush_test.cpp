// Textures and brushes: loads shared through the cache, the filters, strips
// and cube maps cut from real image files, the coordinate transform, and how
// a brush works out the blend the device draws with.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "engine3d/brush.h"
#include "engine3d/lower_case.h"
#include "engine3d/texture_cache.h"
#include "engine3d/world.h"
#include "world3d/vexel3d_module.h"
#include "lib2d/graphics_module.h"
#include "platform/graphics_device.h"
#include "platform/image_files.h"
#include "registered.h"
#include "temp_dir.h"

using vxtest::registered;

namespace {

using I1 = int32_t(VX_STDCALL*)(int32_t);
using V1 = void(VX_STDCALL*)(int32_t);
using V2 = void(VX_STDCALL*)(int32_t, int32_t);
using V0 = void(VX_STDCALL*)();

struct Commands {
  int32_t(VX_STDCALL* loadTexture)(vx::RuntimeString*, int32_t) =
      registered<decltype(loadTexture)>("%LoadTexture$file%flags=1");
  int32_t(VX_STDCALL* loadAnimTexture)(vx::RuntimeString*, int32_t, int32_t, int32_t, int32_t, int32_t) =
      registered<decltype(loadAnimTexture)>("%LoadAnimTexture$file%flags%width%height%first%count");
  V1 freeTexture = registered<V1>("FreeTexture%texture");
  V2 textureBlend = registered<V2>("TextureBlend%texture%blend");
  vx::RuntimeString*(VX_STDCALL* textureName)(int32_t) = registered<decltype(textureName)>("$TextureName%texture");
  int32_t(VX_STDCALL* activeTextures)() = registered<decltype(activeTextures)>("%ActiveTextures");
  V0 clearTextureFilters = registered<V0>("ClearTextureFilters");
  void(VX_STDCALL* textureFilter)(vx::RuntimeString*, int32_t) =
      registered<decltype(textureFilter)>("TextureFilter$match_text%texture_flags=0");
  int32_t(VX_STDCALL* textureBuffer)(int32_t, int32_t) =
      registered<decltype(textureBuffer)>("%TextureBuffer%texture%frame=0");
  int32_t(VX_STDCALL* createBrush)(float, float, float) =
      registered<decltype(createBrush)>("%CreateBrush#red=255#green=255#blue=255");
  void(VX_STDCALL* brushTexture)(int32_t, int32_t, int32_t, int32_t) =
      registered<decltype(brushTexture)>("BrushTexture%brush%texture%frame=0%index=0");
  int32_t(VX_STDCALL* getBrushTexture)(int32_t, int32_t) =
      registered<decltype(getBrushTexture)>("%GetBrushTexture%brush%index=0");
  void(VX_STDCALL* clearWorld)(int32_t, int32_t, int32_t) =
      registered<decltype(clearWorld)>("ClearWorld%entities=1%brushes=1%textures=1");
};

const Commands& commands() {
  static const Commands c;
  return c;
}

std::string text(vx::RuntimeString* s) {
  std::string t(vx::viewOf(s));
  vx::releaseString(s);
  return t;
}

class Textures : public ::testing::Test {
 protected:
  void SetUp() override {
    device = vx::GraphicsDevice::create(64, 48, 32, false, false);
    vx::startWorld3D(nullptr, device.get());
  }
  void TearDown() override { vx::endWorld3D(); }

  // An image file of columns of width pixels in the given colours.
  std::string columns(const std::string& name, int width, int height, std::initializer_list<uint32_t> colours) {
    vx::Canvas* canvas = device->createCanvas(width * static_cast<int>(colours.size()), height, 0);
    int x = 0;
    for (uint32_t colour : colours) {
      canvas->setColor(colour);
      canvas->rect(x, 0, width, height, true);
      x += width;
    }
    const std::string path = dir / name;
    EXPECT_TRUE(vx::saveBmp(*canvas, path));
    device->freeCanvas(canvas);
    return path;
  }

  vx::Texture& textureOf(int32_t handle) { return *vx::world3D()->textures.find(handle); }
  static uint32_t colourAt(vx::Canvas* canvas) { return canvas->getPixelFast(2, 2) & 0xFFFFFF; }

  std::unique_ptr<vx::GraphicsDevice> device;
  vxtest::TempDir dir;
  const Commands& c = commands();
};

}  // namespace

TEST_F(Textures, LoadsOfOneFileShareTheImageButNotTheSettings) {
  const std::string path = columns("Wall.bmp", 8, 8, {0xFF0000});
  const int32_t a = c.loadTexture(vx::newString(path), 1);
  const int32_t b = c.loadTexture(vx::newString(path), 1);
  ASSERT_NE(a, 0);
  ASSERT_NE(b, 0);
  EXPECT_NE(a, b);
  EXPECT_EQ(textureOf(a).frame(0), textureOf(b).frame(0));
  EXPECT_EQ(c.activeTextures(), 1);
  c.textureBlend(a, 3);
  EXPECT_EQ(textureOf(a).blend(), 3);
  EXPECT_EQ(textureOf(b).blend(), 2);
  EXPECT_EQ(text(c.textureName(a)), vx::lowerCase(path));

  // Other flags are another image; freeing the handles frees the images.
  const int32_t masked = c.loadTexture(vx::newString(path), 4);
  EXPECT_NE(textureOf(masked).frame(0), textureOf(a).frame(0));
  EXPECT_EQ(c.activeTextures(), 2);
  c.freeTexture(a);
  EXPECT_EQ(c.activeTextures(), 2);
  c.freeTexture(b);
  c.freeTexture(masked);
  EXPECT_EQ(c.activeTextures(), 0);
  EXPECT_EQ(c.loadTexture(vx::newString(dir / "missing.bmp"), 1), 0);
  EXPECT_EQ(c.activeTextures(), 0);
}

// A name is the file it names from the current directory: the same name in
// another directory is another image, and the name tells where it was.
TEST_F(Textures, ANameIsTheFileOfTheCurrentDirectory) {
  std::filesystem::create_directory(dir / "one");
  std::filesystem::create_directory(dir / "two");
  columns("one/T.bmp", 4, 4, {0xFF0000});
  columns("two/t.bmp", 4, 4, {0x00FF00});
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir / "one");
  const int32_t red = c.loadTexture(vx::newString("t.bmp"), 1);
  std::filesystem::current_path(dir / "two");
  const int32_t green = c.loadTexture(vx::newString("t.bmp"), 1);
  const int32_t again = c.loadTexture(vx::newString(".\\T.BMP"), 1);
  std::filesystem::current_path(before);
  ASSERT_TRUE(red && green && again);
  EXPECT_EQ(colourAt(textureOf(red).frame(0)), 0xFF0000u);
  EXPECT_EQ(colourAt(textureOf(green).frame(0)), 0x00FF00u);
  EXPECT_EQ(textureOf(again).frame(0), textureOf(green).frame(0));
  EXPECT_EQ(c.activeTextures(), 2);
  EXPECT_EQ(text(c.textureName(red)), vx::lowerCase(dir / "one/t.bmp"));
  EXPECT_EQ(text(c.textureName(again)), vx::lowerCase(dir / "two/t.bmp"));
}

TEST_F(Textures, FiltersAddFlagsByName) {
  const std::string stone = columns("stone.bmp", 4, 4, {0x808080});
  EXPECT_EQ(textureOf(c.loadTexture(vx::newString(stone), 1)).flags(), 1 | 8 | 4096);
  c.clearTextureFilters();
  c.textureFilter(vx::newString("STONE"), 16);
  EXPECT_EQ(textureOf(c.loadTexture(vx::newString(stone), 4)).flags(), 1 | 2 | 4 | 16 | 4096);
  const std::string other = columns("grass.bmp", 4, 4, {0x00FF00});
  EXPECT_EQ(textureOf(c.loadTexture(vx::newString(other), 1)).flags(), 1 | 4096);
}

TEST_F(Textures, StripsAreCutCellByCellAcrossRows) {
  // Two rows of three 8-pixel cells: red green blue, then white grey yellow.
  vx::Canvas* canvas = device->createCanvas(24, 16, 0);
  const uint32_t cells[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x808080, 0xFFFF00};
  for (int i = 0; i < 6; ++i) {
    canvas->setColor(cells[i]);
    canvas->rect(8 * (i % 3), 8 * (i / 3), 8, 8, true);
  }
  const std::string path = dir / "strip.bmp";
  ASSERT_TRUE(vx::saveBmp(*canvas, path));
  const int32_t strip = c.loadAnimTexture(vx::newString(path), 1, 8, 8, 2, 3);
  ASSERT_NE(strip, 0);
  const vx::Texture& t = textureOf(strip);
  ASSERT_EQ(t.frameCount(), 3);
  EXPECT_EQ(colourAt(t.frame(0)), 0x0000FFu);
  EXPECT_EQ(colourAt(t.frame(1)), 0xFFFFFFu);
  EXPECT_EQ(colourAt(t.frame(2)), 0x808080u);
  EXPECT_EQ(c.textureBuffer(strip, 3), 0);
  EXPECT_EQ(c.loadAnimTexture(vx::newString(path), 1, 8, 8, 4, 3), 0);  // past the last cell
}

TEST_F(Textures, CubeMapsTakeSixFacesSideBySide) {
  const std::string six = columns("sky.bmp", 100, 10, {0x000010, 0x000020, 0x000030, 0x000040, 0x000050, 0x000060});
  const int32_t cube = c.loadTexture(vx::newString(six), 128);
  ASSERT_NE(cube, 0);
  vx::Canvas* faces = textureOf(cube).frame(0);
  for (int face = 0; face < 6; ++face) {
    faces->selectFace(face);
    EXPECT_EQ(colourAt(faces), 0x10u * (face + 1)) << "face " << face;
  }
  vx::Canvas* wide = device->createCanvas(601, 10, 0);
  const std::string odd = dir / "odd.bmp";
  ASSERT_TRUE(vx::saveBmp(*wide, odd));
  EXPECT_EQ(c.loadTexture(vx::newString(odd), 128), 0);
  EXPECT_EQ(c.activeTextures(), 1);
}

TEST_F(Textures, ClearWorldFreesBrushesAndTheirTextures) {
  const int32_t t = c.loadTexture(vx::newString(columns("a.bmp", 4, 4, {0xFF})), 1);
  const int32_t brush = c.createBrush(255, 255, 255);
  c.brushTexture(brush, t, 0, 0);
  const int32_t shared = c.getBrushTexture(brush, 0);
  c.textureBlend(shared, 3);
  EXPECT_EQ(textureOf(t).blend(), 3);  // one texture behind both handles
  EXPECT_EQ(c.getBrushTexture(brush, 1), 0);
  c.clearWorld(0, 1, 0);
  EXPECT_EQ(c.activeTextures(), 1);
  c.clearWorld(0, 0, 1);
  EXPECT_EQ(c.activeTextures(), 0);
}

TEST_F(Textures, TransformsTakeTheReciprocalScaleAndNegatedOffsets) {
  vx::Texture t = vx::createTexture(*device, 16, 16, 0, 1);
  EXPECT_EQ(t.transform(), nullptr);
  t.setScale(2, 4);
  t.setOffset(0.25f, 0.5f);
  const vx::Transform* m = t.transform();
  ASSERT_NE(m, nullptr);
  EXPECT_FLOAT_EQ(m->m.i.x, 0.5f);
  EXPECT_FLOAT_EQ(m->m.j.y, 0.25f);
  EXPECT_FLOAT_EQ(m->m.k.x, -0.25f);
  EXPECT_FLOAT_EQ(m->m.k.y, -0.5f);
  t.setRotation(vx::kHalfPi);  // stored negated: -90 degrees
  EXPECT_NEAR(t.transform()->m.i.y, 0.25f, 1e-6);
  EXPECT_NEAR(t.transform()->m.j.x, -0.5f, 1e-6);
}

TEST_F(Textures, BrushBlendFollowsLayersAlphaAndMasks) {
  const vx::Texture plain = vx::createTexture(*device, 8, 8, 1, 1);
  const vx::Texture masked = vx::createTexture(*device, 8, 8, 4, 1);
  const vx::Texture alpha = vx::createTexture(*device, 8, 8, 2, 1);

  vx::Brush maskedBrush;
  maskedBrush.setTexture(0, masked, 0);
  EXPECT_EQ(maskedBrush.effectiveBlend(), 0);
  EXPECT_TRUE(maskedBrush.renderState().fx & vx::kFxAlphaTest);

  vx::Brush alphaBrush;
  alphaBrush.setTexture(0, alpha, 0);
  EXPECT_EQ(alphaBrush.effectiveBlend(), 1);

  vx::Brush twoLayers;
  twoLayers.setTexture(0, alpha, 0);
  twoLayers.setTexture(1, plain, 0);
  twoLayers.setAlpha(0.5f);
  EXPECT_EQ(twoLayers.effectiveBlend(), 0);
  EXPECT_EQ(twoLayers.layerCount(), 2);

  // Forcing alpha works out the blend again.
  vx::Brush forced;
  EXPECT_EQ(forced.effectiveBlend(), 0);
  forced.setFX(vx::kFxForceAlpha);
  EXPECT_EQ(forced.effectiveBlend(), 1);

  vx::Brush adding;
  adding.setBlend(3);
  EXPECT_EQ(adding.effectiveBlend(), 3);
}

TEST_F(Textures, AlphaReworksTheBlendOnlyAcrossFullOpacity) {
  const vx::Texture first = vx::createTexture(*device, 8, 8, 1, 1);
  vx::Texture second = vx::createTexture(*device, 8, 8, 1, 1);
  second.setBlend(0);  // an inactive second layer
  vx::Brush brush;
  brush.setTexture(0, first, 0);
  brush.setTexture(1, second, 0);
  brush.setAlpha(0.5f);
  EXPECT_EQ(brush.effectiveBlend(), 1);
  // The second layer becomes active behind the brush's back; only a change
  // across alpha 1 looks at the layers again.
  second.setBlend(2);
  brush.setAlpha(0.3f);
  EXPECT_EQ(brush.effectiveBlend(), 1);
  brush.setAlpha(1);
  EXPECT_EQ(brush.effectiveBlend(), 0);
}

TEST_F(Textures, BrushesCopyOnWriteAndMerge) {
  vx::Brush a;
  a.setColor({1, 0.5f, 0.5f});
  const vx::Brush b = a;
  EXPECT_TRUE(a == b);
  a.setShininess(0.5f);
  EXPECT_FLOAT_EQ(b.shininess(), 0);
  EXPECT_FALSE(a == b);
  vx::Brush unchanged;
  EXPECT_TRUE(unchanged == vx::Brush());

  const vx::Texture t = vx::createTexture(*device, 8, 8, 1, 2);
  vx::Brush surface;
  surface.setColor({0.5f, 1, 1});
  surface.setAlpha(0.5f);
  surface.setTexture(0, t, 1);
  surface.setFX(vx::kFxNoFog);
  const vx::Brush merged = a.merged(surface);
  EXPECT_EQ(merged.color(), (vx::Vector{0.5f, 0.5f, 0.5f}));
  EXPECT_FLOAT_EQ(merged.alpha(), 0.5f);
  EXPECT_FLOAT_EQ(merged.shininess(), 0.5f);
  EXPECT_EQ(merged.fx(), vx::kFxNoFog);
  EXPECT_EQ(merged.renderState().layers[0].canvas, t.frame(1));
  EXPECT_EQ(merged.renderState().layers[0].blend, 2);
  EXPECT_EQ(merged.effectiveBlend(), 1);
}
