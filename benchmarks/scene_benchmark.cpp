// The OpenGL scene device at 640 by 480, 32 and 16 bits per pixel: frames
// per second of a cleared frame (clear and read back), of a frame that
// keeps the canvas under the scene (upload, clear depth, read back), and of
// a frame of 20,000 triangles in 200 draws alternating two render states;
// with the OpenGL state calls each kind of frame sends.

#include <cstdio>
#include <memory>

#include "best_rate.h"
#include "engine3d/device/gl_scene_device.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr int kDraws = 200, kTrianglesPerDraw = 100;

// A thin strip of triangles across the view at depth 5, so that the
// frame measures the device more than filling pixels.
void fillMesh(vx::DeviceMesh& mesh) {
  const int vertices = kTrianglesPerDraw + 2;
  vx::DeviceVertex* v = mesh.lockVertices(0, vertices);
  for (int i = 0; i < vertices; ++i) {
    const float x = -4 + 8.0f * (i / 2) / (vertices / 2);
    v[i] = {x, (i & 1) ? 0.05f : -0.05f, 5, 0, 0, -1, 0xFFFFFFFF, 0, 0, 0, 0};
  }
  mesh.unlockVertices();
  uint16_t* t = mesh.lockTriangles(0, kTrianglesPerDraw);
  for (int i = 0; i < kTrianglesPerDraw; ++i) {
    const bool odd = i & 1;
    t[3 * i] = static_cast<uint16_t>(i);
    t[3 * i + 1] = static_cast<uint16_t>(odd ? i + 2 : i + 1);
    t[3 * i + 2] = static_cast<uint16_t>(odd ? i + 1 : i + 2);
  }
  mesh.unlockTriangles();
}

void benchmark(int depth, const vx::PixelFormat& format) {
  vx::SurfaceContext context;
  context.frontFormat = format;
  std::unique_ptr<vx::Canvas> canvas = vx::Canvas::create(nullptr, kWidth, kHeight, 0, context);
  std::unique_ptr<vx::GlSceneDevice> device = vx::GlSceneDevice::create(*canvas);
  if (!device) {
    std::printf("no OpenGL scene device\n");
    return;
  }
  std::unique_ptr<vx::DeviceMesh> mesh = device->createMesh(kTrianglesPerDraw + 2, kTrianglesPerDraw, 0);
  fillMesh(*mesh);
  vx::RenderState states[2];
  states[1].red = 0.5f;
  states[1].fx = vx::kFxFullBright;
  std::unique_ptr<vx::DeviceLight> light = device->createLight(1);
  std::vector<vx::DeviceLight*> lights{light.get()};

  auto frame = [&](bool clearColor, int draws) {
    device->begin(lights);
    device->setViewport(0, 0, kWidth, kHeight);
    device->clear({0, 0, 0.5f}, clearColor, true);
    device->setPerspective(1, 100, 2, 1.5f);
    device->setViewMatrix(nullptr);
    device->setWorldMatrix(nullptr);
    for (int i = 0; i < draws; ++i) {
      device->setRenderState(states[i & 1]);
      device->draw(*mesh, 0, kTrianglesPerDraw + 2, 0, kTrianglesPerDraw);
    }
    device->end();
  };
  auto report = [&](const char* name, bool clearColor, int draws, int count) {
    const int64_t before = device->stateCallsSent();
    frame(clearColor, draws);
    const int64_t calls = device->stateCallsSent() - before;
    std::printf("%2d bits  %-34s %8.1f frames/s  %6lld state calls/frame\n", depth, name,
                bestRate(count, [&](int) { frame(clearColor, draws); }), static_cast<long long>(calls));
  };
  report("cleared, empty", true, 0, 100);
  report("canvas under the scene, empty", false, 0, 100);
  report("20000 triangles, 200 draws", true, kDraws, 20);
}

}  // namespace

int main() {
  benchmark(32, vx::PixelFormat::xrgb8888());
  benchmark(16, vx::PixelFormat::rgb565());
  return 0;
}
