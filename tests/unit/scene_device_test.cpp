// The OpenGL scene device drawing into real canvases: what ends up in the
// canvas's pixels, and how many OpenGL state calls reach the driver.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "canvas_test_support.h"
#include "engine3d/camera.h"
#include "engine3d/device/gl_scene_device.h"

namespace {

using vx::DeviceLight;
using vx::DeviceMesh;
using vx::DeviceVertex;
using vx::GlSceneDevice;
using vx::RenderState;
using vx::Transform;
using vx::Vector;

constexpr int kWidth = 64, kHeight = 48;

uint32_t rgb(vx::Canvas& canvas, int x, int y) { return canvas.getPixelFast(x, y) & 0xFFFFFF; }

// Each channel within tolerance of the expected colour.
::testing::AssertionResult near(uint32_t actual, uint32_t expected, int tolerance = 3) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int a = (actual >> shift) & 0xFF, e = (expected >> shift) & 0xFF;
    if (a - e > tolerance || e - a > tolerance)
      return ::testing::AssertionFailure() << std::hex << "0x" << actual << " is not near 0x" << expected;
  }
  return ::testing::AssertionSuccess();
}

class SceneDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override { open(vx::PixelFormat::xrgb8888(), GlSceneDevice::kMaxStages); }

  void open(const vx::PixelFormat& format, int stages) {
    device.reset();
    canvas = vxtest::makeCanvas(kWidth, kHeight, format);
    device = GlSceneDevice::create(*canvas, vx::SceneContext::kOffscreen, stages);
    ASSERT_TRUE(device) << "no OpenGL context";
    mesh = device->createMesh(64, 64, 0);
  }

  // A frame of the whole canvas with the perspective of a camera at the
  // origin looking along +z (90 degrees across), cleared to black.
  void beginFrame(bool clearColor = true, const std::vector<DeviceLight*>& lights = {}) {
    device->begin(lights);
    device->setViewport(0, 0, kWidth, kHeight);
    device->clear({}, clearColor, true);
    device->setPerspective(1, 100, 2, 2.0f * kHeight / kWidth);
    device->setViewMatrix(nullptr);
    device->setWorldMatrix(nullptr);
  }

  // A square facing the camera at depth z, from (x0, y0) to (x1, y1), wound
  // clockwise as seen from the camera unless reversed; texture coordinates
  // 0..1 from its top left corner.
  void square(float x0, float y0, float x1, float y1, float z, uint32_t argb = 0xFFFFFFFF, bool reversed = false) {
    DeviceVertex* v = mesh->lockVertices(0, 4);
    v[0] = {x0, y1, z, 0, 0, -1, argb, 0, 0, 0, 0};
    v[1] = {x1, y1, z, 0, 0, -1, argb, 1, 0, 1, 0};
    v[2] = {x1, y0, z, 0, 0, -1, argb, 1, 1, 1, 1};
    v[3] = {x0, y0, z, 0, 0, -1, argb, 0, 1, 0, 1};
    mesh->unlockVertices();
    uint16_t* t = mesh->lockTriangles(0, 2);
    const uint16_t clockwise[6] = {0, 1, 2, 0, 2, 3};
    const uint16_t counter[6] = {0, 2, 1, 0, 3, 2};
    std::copy_n(reversed ? counter : clockwise, 6, t);
    mesh->unlockTriangles();
  }

  void drawSquare() { device->draw(*mesh, 0, 4, 0, 2); }

  // A texture canvas sized as the device allows.
  std::unique_ptr<vx::Canvas> textureCanvas(int width, int height, int32_t flags) {
    vx::SurfaceContext context;
    context.frontFormat = vx::PixelFormat::xrgb8888();
    context.textureLimits = &device->textureLimits();
    return vx::Canvas::create(nullptr, width, height, flags | vx::kCanvasTexture, context);
  }

  static RenderState fullBright(float r, float g, float b) {
    RenderState state;
    state.red = r, state.green = g, state.blue = b;
    state.fx = vx::kFxFullBright;
    return state;
  }

  std::unique_ptr<vx::Canvas> canvas;
  std::unique_ptr<GlSceneDevice> device;
  std::unique_ptr<DeviceMesh> mesh;
};

TEST_F(SceneDeviceTest, ClearsOnlyTheViewportAndMarksTheCanvasModified) {
  canvas->setClsColor(0xFF0000FF);
  canvas->cls();
  const uint32_t before = canvas->modCount();
  device->begin({});
  device->setViewport(8, 4, 16, 10);
  device->clear({1, 1, 0}, true, true);
  device->end();
  EXPECT_GT(canvas->modCount(), before);
  EXPECT_EQ(rgb(*canvas, 8, 4), 0xFFFF00u);
  EXPECT_EQ(rgb(*canvas, 23, 13), 0xFFFF00u);
  EXPECT_EQ(rgb(*canvas, 24, 13), 0x0000FFu);
  EXPECT_EQ(rgb(*canvas, 23, 14), 0x0000FFu);
  EXPECT_EQ(rgb(*canvas, 7, 4), 0x0000FFu);
}

TEST_F(SceneDeviceTest, WithoutAColourClearTheCanvasStaysUnderTheScene) {
  canvas->setClsColor(0xFF00FF00);
  canvas->cls();
  beginFrame(false);
  device->setRenderState(fullBright(1, 0, 0));
  square(-0.2f, -0.2f, 0.2f, 0.2f, 2);
  drawSquare();
  device->end();
  EXPECT_EQ(rgb(*canvas, 32, 24), 0xFF0000u);
  EXPECT_EQ(rgb(*canvas, 2, 2), 0x00FF00u);
}

TEST_F(SceneDeviceTest, SecondViewportWithoutClearKeepsTheFirst) {
  device->begin({});
  device->setViewport(0, 0, 32, kHeight);
  device->clear({1, 0, 0}, true, true);
  device->setViewport(32, 0, 32, kHeight);
  device->clear({}, false, true);
  device->setViewport(0, 0, kWidth, kHeight);
  device->clear({}, false, true);
  device->end();
  EXPECT_EQ(rgb(*canvas, 5, 5), 0xFF0000u);
  EXPECT_EQ(rgb(*canvas, 40, 5), 0u);
}

TEST_F(SceneDeviceTest, CountsTrianglesAndCullsCounterClockwiseFaces) {
  beginFrame();
  device->setRenderState(fullBright(1, 1, 1));
  square(-0.2f, -0.2f, 0.2f, 0.2f, 2, 0xFFFFFFFF, true);
  drawSquare();
  device->end();
  EXPECT_EQ(device->trianglesDrawn(), 2);
  EXPECT_EQ(rgb(*canvas, 32, 24), 0u) << "a counter-clockwise face is a back face";

  beginFrame();
  device->setFlipped(true);
  drawSquare();
  device->end();
  EXPECT_EQ(rgb(*canvas, 32, 24), 0xFFFFFFu) << "mirror passes reverse the winding";

  beginFrame();
  RenderState noCulling = fullBright(0, 1, 0);
  noCulling.fx |= vx::kFxNoCulling;
  device->setRenderState(noCulling);
  device->setFlipped(false);
  drawSquare();
  device->end();
  EXPECT_EQ(rgb(*canvas, 32, 24), 0x00FF00u);
  EXPECT_EQ(device->trianglesDrawn(), 6);
}

TEST_F(SceneDeviceTest, CameraProjectNamesThePixelAVertexLandsOn) {
  for (int mode : {vx::Camera::kPerspective, vx::Camera::kOrthographic}) {
    vx::Camera camera(0, 0, kWidth, kHeight);
    camera.projMode = mode;
    camera.setZoom(1.5f);
    camera.setLocalPosition({0.5f, -0.25f, -1});
    camera.clsColorOn = camera.clsZOn = true;
    device->begin({});
    ASSERT_TRUE(camera.beginCameraRender(*device));
    camera.beginRender(1);
    const Transform view = vx::inverse(camera.renderTransform());
    device->setViewMatrix(&view);
    device->setRenderState(fullBright(1, 1, 1));
    const Vector point{0.9f, 0.1f, 3};
    const float s = 0.1f;
    square(point.x - s, point.y - s, point.x + s, point.y + s, point.z);
    device->setWorldMatrix(nullptr);
    drawSquare();
    device->end();
    Vector projected;
    ASSERT_TRUE(camera.project(point, projected));
    EXPECT_EQ(rgb(*canvas, static_cast<int>(projected.x), static_cast<int>(projected.y)), 0xFFFFFFu)
        << "mode " << mode << " at " << projected.x << ", " << projected.y;
    EXPECT_EQ(projected.z, 1.0f);
  }
}

TEST_F(SceneDeviceTest, EqualStatesAndUnavailableSwitchesSendNothing) {
  RenderState state;
  state.red = 0.5f;
  state.shininess = 0.3f;
  state.blend = 3;
  state.fx = vx::kFxFlatShaded | vx::kFxAlphaTest;
  device->setRenderState(state);
  const int64_t sent = device->stateCallsSent();
  device->setRenderState(state);
  device->setZMode(0);
  device->setWBuffer(true);
  EXPECT_EQ(device->stateCallsSent(), sent);
  state.fx = vx::kFxFlatShaded;
  device->setRenderState(state);
  EXPECT_GT(device->stateCallsSent(), sent);
}

TEST_F(SceneDeviceTest, LayersBeyondTheStagesAreExtraPasses) {
  open(vx::PixelFormat::xrgb8888(), 2);
  auto texture = textureCanvas(4, 4, 0);
  texture->setClsColor(0xFFFFFFFF);
  texture->cls();
  RenderState state = fullBright(1, 1, 1);
  for (int i = 0; i < 3; ++i) state.layers[i] = {texture.get(), nullptr, 2, 0};
  beginFrame();
  device->setRenderState(state);
  square(-0.2f, -0.2f, 0.2f, 0.2f, 2);
  drawSquare();
  device->end();
  EXPECT_EQ(device->trianglesDrawn(), 4);
  EXPECT_EQ(rgb(*canvas, 32, 24), 0xFFFFFFu);

  // One stage each when multitexturing is off: three passes.
  device->setMultiTexture(false);
  EXPECT_EQ(device->usableStages(), 1);
  beginFrame();
  device->setRenderState(state);
  drawSquare();
  device->end();
  EXPECT_EQ(device->trianglesDrawn(), 10);
}

TEST_F(SceneDeviceTest, AMeshThatOutlivesItsDeviceLeavesTheNextOneAlone) {
  std::unique_ptr<DeviceMesh> old = std::move(mesh);
  open(vx::PixelFormat::xrgb8888(), GlSceneDevice::kMaxStages);
  EXPECT_EQ(old->lockVertices(0, 4), nullptr);
  EXPECT_EQ(old->lockTriangles(0, 2), nullptr);
  beginFrame();
  device->setRenderState(fullBright(1, 1, 1));
  device->draw(*old, 0, 4, 0, 2);
  old.reset();
  EXPECT_EQ(device->trianglesDrawn(), 0);
  // The new device's buffers, made first, survive the old mesh.
  square(-0.2f, -0.2f, 0.2f, 0.2f, 2);
  drawSquare();
  device->end();
  EXPECT_EQ(device->trianglesDrawn(), 2);
  EXPECT_EQ(rgb(*canvas, 32, 24), 0xFFFFFFu);
}

// A buffer beyond what 16-bit indices reach draws with 32-bit ones: the
// square lies in its last vertices, every other vertex on one point.
TEST_F(SceneDeviceTest, ABufferOfSeventyThousandVerticesDraws) {
  constexpr int32_t kVertices = 70000, kLast = kVertices - 4;
  std::unique_ptr<DeviceMesh> big = device->createMesh(kVertices, 2, vx::kMeshIndices32);
  EXPECT_EQ(big->lockTriangles(0, 2), nullptr);
  EXPECT_EQ(mesh->lockTriangles32(0, 2), nullptr);
  DeviceVertex* v = big->lockVertices(0, kVertices);
  ASSERT_NE(v, nullptr);
  for (int32_t i = 0; i < kLast; ++i) v[i] = {0, 0, 2, 0, 0, -1, 0xFFFFFFFF, 0, 0, 0, 0};
  v[kLast] = {-0.2f, 0.2f, 2, 0, 0, -1, 0xFFFFFFFF, 0, 0, 0, 0};
  v[kLast + 1] = {0.2f, 0.2f, 2, 0, 0, -1, 0xFFFFFFFF, 0, 0, 0, 0};
  v[kLast + 2] = {0.2f, -0.2f, 2, 0, 0, -1, 0xFFFFFFFF, 0, 0, 0, 0};
  v[kLast + 3] = {-0.2f, -0.2f, 2, 0, 0, -1, 0xFFFFFFFF, 0, 0, 0, 0};
  big->unlockVertices();
  uint32_t* t = big->lockTriangles32(0, 2);
  ASSERT_NE(t, nullptr);
  const uint32_t clockwise[6] = {0, 1, 2, 0, 2, 3};
  for (int i = 0; i < 6; ++i) t[i] = kLast + clockwise[i];
  big->unlockTriangles();
  beginFrame();
  device->setRenderState(fullBright(1, 1, 1));
  device->draw(*big, 0, kVertices, 0, 2);
  device->end();
  EXPECT_EQ(rgb(*canvas, 32, 24), 0xFFFFFFu);
  EXPECT_EQ(rgb(*canvas, 2, 2), 0u);
}

TEST_F(SceneDeviceTest, TexturesFollowTheirCanvas) {
  auto texture = textureCanvas(2, 2, vx::kTextureClampU | vx::kTextureClampV);
  ASSERT_EQ(texture->width(), 2);
  texture->setPixelFast(0, 0, 0xFFFF0000);
  texture->setPixelFast(1, 0, 0xFF00FF00);
  texture->setPixelFast(0, 1, 0xFF0000FF);
  texture->setPixelFast(1, 1, 0xFFFFFFFF);
  RenderState state = fullBright(1, 1, 1);
  state.layers[0] = {texture.get(), nullptr, 2, 0};
  auto drawn = [&] {
    beginFrame();
    device->setRenderState(state);
    square(-1, -0.75f, 1, 0.75f, 1);  // the whole view
    drawSquare();
    device->end();
  };
  drawn();
  EXPECT_TRUE(near(rgb(*canvas, 4, 4), 0xFF0000));
  EXPECT_TRUE(near(rgb(*canvas, 60, 4), 0x00FF00));
  EXPECT_TRUE(near(rgb(*canvas, 4, 44), 0x0000FF));
  EXPECT_TRUE(near(rgb(*canvas, 60, 44), 0xFFFFFF));

  texture->setPixelFast(0, 0, 0xFFFFFF00);
  drawn();
  EXPECT_TRUE(near(rgb(*canvas, 4, 4), 0xFFFF00)) << "a changed canvas is uploaded again";

  // Multiplied by the material colour.
  state.red = 0;
  drawn();
  EXPECT_TRUE(near(rgb(*canvas, 60, 44), 0x00FFFF));
}

TEST_F(SceneDeviceTest, AChangedTextureIsUploadedIntoItselfWhateverUnitIsActive) {
  auto flat = [&](uint32_t argb) {
    auto texture = textureCanvas(2, 2, 0);
    texture->setClsColor(argb);
    texture->cls();
    return texture;
  };
  auto red = flat(0xFFFF0000), green = flat(0xFF00FF00);
  RenderState both = fullBright(1, 1, 1);
  both.layers[0] = {red.get(), nullptr, 2, 0};
  both.layers[1] = {green.get(), nullptr, 3, 0};  // added
  RenderState greenAlone = fullBright(1, 1, 1);
  greenAlone.layers[0] = {green.get(), nullptr, 2, 0};
  auto centre = [&](const RenderState& state) {
    beginFrame();
    device->setRenderState(state);
    square(-1, -0.75f, 1, 0.75f, 1);
    drawSquare();
    device->end();
    return rgb(*canvas, 32, 24);
  };
  EXPECT_TRUE(near(centre(both), 0xFFFF00));
  // The second unit was the last one set up when the first texture changes.
  red->setClsColor(0xFF0000FF);
  red->cls();
  EXPECT_TRUE(near(centre(both), 0x00FFFF));
  EXPECT_TRUE(near(centre(greenAlone), 0x00FF00));
}

TEST_F(SceneDeviceTest, DirectionalLightsShineAlongTheirDirection) {
  std::unique_ptr<DeviceLight> light = device->createLight(1);
  light->setColor(1, 0.5f, 0);
  device->setAmbient({0, 0, 0});
  RenderState lit;
  square(-0.2f, -0.2f, 0.2f, 0.2f, 2);
  beginFrame(true, {light.get()});
  device->setRenderState(lit);
  drawSquare();
  device->end();
  EXPECT_TRUE(near(rgb(*canvas, 32, 24), 0xFF7F00));

  light->setDirection({0, 0, -1});  // from behind the square
  device->setAmbient({0.25f, 0.25f, 0.25f});
  beginFrame(true, {light.get()});
  device->setRenderState(lit);
  drawSquare();
  device->end();
  EXPECT_TRUE(near(rgb(*canvas, 32, 24), 0x3F3F3F));
}

TEST_F(SceneDeviceTest, LinearFogReachesItsColourAtTheEnd) {
  RenderState state = fullBright(1, 1, 1);
  for (bool noFog : {false, true}) {
    if (noFog) state.fx |= vx::kFxNoFog;
    beginFrame();
    device->setFogColor({0, 0, 1});
    device->setFogRange(1, 10);
    device->setFogMode(1);
    device->setRenderState(state);
    square(-20, -20, 20, 20, 10);
    drawSquare();
    square(-2, -0.5f, 0, 0.5f, 5.5f);  // half way: half fogged
    drawSquare();
    device->end();
    EXPECT_TRUE(near(rgb(*canvas, 48, 24), noFog ? 0xFFFFFF : 0x0000FF));
    EXPECT_TRUE(near(rgb(*canvas, 26, 24), noFog ? 0xFFFFFF : 0x7F7FFF, 8));
  }
}

TEST_F(SceneDeviceTest, BlendModesAndAlphaTest) {
  struct Case {
    int blend;
    float alpha;
    uint32_t expected;
  };
  // Drawn over blue (0, 0, 1) in colour (1, 0.5, 0).
  for (Case c : {Case{1, 0.5f, 0x7F3F7F}, Case{2, 1, 0x000000}, Case{3, 0.5f, 0x7F3FFF}, Case{0, 0.5f, 0xFF7F00}}) {
    beginFrame();
    device->setZMode(1);
    device->setRenderState(fullBright(0, 0, 1));
    square(-1, -1, 1, 1, 2);
    drawSquare();
    RenderState state = fullBright(1, 0.5f, 0);
    state.alpha = c.alpha;
    state.blend = c.blend;
    device->setRenderState(state);
    drawSquare();
    device->end();
    device->setZMode(0);
    EXPECT_TRUE(near(rgb(*canvas, 32, 24), c.expected, 4)) << "blend " << c.blend;
  }

  // The reference is alpha * 128 of 255: vertex alpha 0x30 fails against
  // material alpha 0.5 (reference 64), 0x50 passes.
  for (uint32_t vertexAlpha : {0x30u, 0x50u}) {
    beginFrame();
    RenderState state = fullBright(1, 1, 1);
    state.alpha = 0.5f;
    state.fx |= vx::kFxAlphaTest | vx::kFxVertexColors;
    device->setRenderState(state);
    square(-1, -1, 1, 1, 2, vertexAlpha << 24 | 0xFFFFFF);
    drawSquare();
    device->end();
    EXPECT_EQ(rgb(*canvas, 32, 24), vertexAlpha == 0x30 ? 0u : 0xFFFFFFu);
  }
}

// Vertex colours stand in for the material while they are on; a draw
// after them has its own material again, changed or not.
TEST_F(SceneDeviceTest, AMaterialFollowsAVertexColouredDraw) {
  RenderState vertexColored = fullBright(1, 1, 1);
  vertexColored.fx |= vx::kFxVertexColors;
  RenderState emissive = fullBright(0, 0, 0);
  emissive.fx |= vx::kFxEmissiveVertexColors;
  auto centreAfter = [&](const RenderState& first, const RenderState& second) {
    beginFrame();
    square(-1, -1, 1, 1, 2, 0xFFFF0000);
    device->setRenderState(first);
    drawSquare();
    device->setRenderState(second);
    drawSquare();
    device->end();
    return rgb(*canvas, 32, 24);
  };
  EXPECT_EQ(centreAfter(vertexColored, fullBright(0, 1, 0)), 0x00FF00u);
  EXPECT_EQ(centreAfter(vertexColored, fullBright(1, 1, 1)), 0xFFFFFFu);
  EXPECT_EQ(centreAfter(emissive, fullBright(0, 0, 1)), 0x0000FFu);
}

TEST_F(SceneDeviceTest, ReadsBackInTheCanvasFormat) {
  for (const vx::PixelFormat& format :
       {vx::PixelFormat::rgb565(), vx::PixelFormat::rgb888(), vx::PixelFormat::xrgb8888()}) {
    open(format, GlSceneDevice::kMaxStages);
    device->begin({});
    device->setViewport(0, 0, kWidth, kHeight);
    device->clear({1, 0.5f, 0}, true, true);
    device->end();
    EXPECT_TRUE(near(rgb(*canvas, 10, 10), 0xFF7F00, 8)) << format.depth();
    EXPECT_EQ(canvas->format(), format);
    device.reset();
  }
  // A canvas without alpha keeps none of the framebuffer's, over any
  // width of picture, and the pixels beside it are left as they were.
  const vx::Surface& surface = canvas->surface();
  EXPECT_EQ(surface.format().load(surface.pixel(kWidth - 1, kHeight - 1)) >> 24, 0u);
  open(vx::PixelFormat::xrgb8888(), GlSceneDevice::kMaxStages);
  vx::Surface& pixels = canvas->surface();
  const uint32_t marked = 0xFF123456;
  for (int x = 0; x < kWidth; ++x) std::memcpy(pixels.pixel(x, 5), &marked, 4);
  device->begin({});
  device->setViewport(1, 5, 7, 1);
  device->clear({0, 0, 1}, true, true);
  device->end();
  for (int x = 0; x < 9; ++x) {
    uint32_t raw;
    std::memcpy(&raw, pixels.pixel(x, 5), 4);
    EXPECT_EQ(raw, x >= 1 && x < 8 ? 0x0000FFu : marked) << x;
  }
}

TEST_F(SceneDeviceTest, OnlyOneDeviceAtATimeWithCubeTextures) {
  EXPECT_EQ(device->capsLevel(), 110);
  auto other = vxtest::makeCanvas(8, 8);
  EXPECT_FALSE(GlSceneDevice::create(*other));
  device.reset();
  EXPECT_TRUE(GlSceneDevice::create(*other));
}

}  // namespace

namespace {

TEST_F(SceneDeviceTest, OnlyTheFirstEightLightsLight) {
  std::vector<std::unique_ptr<DeviceLight>> owned;
  std::vector<DeviceLight*> lights;
  for (int i = 0; i < 10; ++i) {
    owned.push_back(device->createLight(1));
    owned.back()->setColor(0.1f, 0.1f, 0.1f);
    lights.push_back(owned.back().get());
  }
  device->setAmbient({0, 0, 0});
  beginFrame(true, lights);
  device->setRenderState(RenderState{});
  square(-0.2f, -0.2f, 0.2f, 0.2f, 2);
  drawSquare();
  device->end();
  EXPECT_TRUE(near(rgb(*canvas, 32, 24), 0xCCCCCC));
}

// A square facing the camera has one normal, so a sphere map shows its
// centre everywhere; its reflection points back along -z, its positions
// forward along +z.
TEST_F(SceneDeviceTest, SphereAndCubeMapsGenerateTheirCoordinates) {
  auto sphere = textureCanvas(4, 4, vx::kTextureSphereMap | vx::kTextureClampU | vx::kTextureClampV);
  sphere->setClsColor(0xFF0000FF);
  sphere->cls();
  for (int y = 1; y < 3; ++y)
    for (int x = 1; x < 3; ++x) sphere->setPixelFast(x, y, 0xFFFF0000);
  RenderState state = fullBright(1, 1, 1);
  state.layers[0] = {sphere.get(), nullptr, 2, 0};
  square(-1, -0.75f, 1, 0.75f, 1);
  beginFrame();
  device->setRenderState(state);
  drawSquare();
  device->end();
  EXPECT_TRUE(near(rgb(*canvas, 2, 2), 0xFF0000));
  EXPECT_TRUE(near(rgb(*canvas, 60, 44), 0xFF0000));

  auto cube = textureCanvas(8, 8, int32_t{vx::kCanvasCubeMap} | vx::kTextureCubeMap);
  const uint32_t faceColors[6] = {0xFF800000, 0xFF0000FF, 0xFF808000, 0xFF00FF00, 0xFF008080, 0xFF800080};
  for (int face = 0; face < 6; ++face) {
    cube->selectFace(face);
    cube->setClsColor(faceColors[face]);
    cube->cls();
  }
  state.layers[0] = {cube.get(), nullptr, 2, 0};
  for (int mode : {1, 2, 3}) {
    cube->setCubeMode(mode);
    beginFrame();
    device->setRenderState(state);
    drawSquare();
    device->end();
    EXPECT_TRUE(near(rgb(*canvas, 32, 24), mode == 3 ? 0x0000FF : 0x00FF00)) << "cube mode " << mode;
  }
}

}  // namespace

namespace {

TEST_F(SceneDeviceTest, FlatShadingAndWireFrame) {
  RenderState state = fullBright(1, 1, 1);
  state.fx |= vx::kFxVertexColors | vx::kFxFlatShaded;
  square(-1, -1, 1, 1, 2);
  DeviceVertex* v = mesh->lockVertices(0, 4);
  v[0].argb = 0xFFFF0000;
  v[1].argb = v[2].argb = v[3].argb = 0xFF0000FF;
  mesh->unlockVertices();
  beginFrame();
  device->setRenderState(state);
  device->draw(*mesh, 0, 4, 0, 1);  // the first vertex's colour all over
  device->end();
  EXPECT_EQ(rgb(*canvas, 40, 20), 0xFF0000u);

  state.fx = vx::kFxFullBright;
  beginFrame();
  device->setWireFrame(true);
  device->setRenderState(state);
  square(-0.5f, -0.375f, 0.5f, 0.375f, 1);
  drawSquare();
  device->end();
  device->setWireFrame(false);
  EXPECT_EQ(rgb(*canvas, 40, 20), 0u) << "inside, off the edges and the diagonal";
  EXPECT_EQ(rgb(*canvas, 32, 24), 0xFFFFFFu) << "on the diagonal";
  EXPECT_TRUE(rgb(*canvas, 15, 20) == 0xFFFFFF || rgb(*canvas, 16, 20) == 0xFFFFFF) << "the left edge";
}

}  // namespace
