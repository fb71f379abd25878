// Terrain tessellation on its own: milliseconds a frame to work out the
// triangles of one view, along the camera path of terrain_benchmark.sh, at
// detail levels 2,000 and 10,000, over a generated 1024 by 1024 field and
// over the media heightmap scaled up to the same width; with them, the
// triangles drawn and how many of them reach into the view.
//
//   terrain_benchmark <heightmap.bmp> <generated.bmp to write>
//
// The generated field is written as a grey BMP for the rendering runs.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "engine3d/frustum.h"
#include "platform/image_files.h"
#include "platform/surface.h"
#include "world3d/terrain_grid.h"
#include "world3d/terrain_tessellator.h"

namespace {

constexpr int kFrames = 200;
constexpr float kWidth = 4096;  // world units across either field
constexpr float kHeight = 400;  // world height of a byte of 255

// Rolling hills with a rougher layer over them.
uint8_t generatedHeight(int x, int z) {
  const float hills = 0.5f + 0.25f * std::sin(x * 0.013f) * std::cos(z * 0.011f) + 0.12f * std::sin(x * 0.041f + z * 0.029f);
  uint32_t h = uint32_t(x) * 374761393u + uint32_t(z) * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  const float rough = 0.04f * (float((h >> 16) & 255) / 255.0f - 0.5f);
  return uint8_t(std::fmin(1.0f, std::fmax(0.0f, hills + rough)) * 255);
}

void writeGrey(const std::string& path, const vx::TerrainGrid& grid) {
  const int n = grid.size();
  const uint32_t row = (uint32_t(n) * 3 + 3) & ~3u;
  std::vector<uint8_t> b(54 + size_t(row) * n, 0);
  auto put32 = [&b](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
  };
  b[0] = 'B', b[1] = 'M';
  put32(2, uint32_t(b.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(n));
  put32(22, uint32_t(n));
  b[26] = 1, b[28] = 24;
  // The bottom row of the image is the grid's row 0.
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x)
      for (int c = 0; c < 3; ++c) b[54 + size_t(y) * row + x * 3 + c] = grid.byteAt(x, y);
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
  }
}

std::unique_ptr<vx::TerrainGrid> loadHeightmap(const std::string& path) {
  vx::SurfaceContext context;
  std::shared_ptr<vx::Surface> s = vx::loadSurface(path, vx::kCanvasArgbSystemMemory, context);
  if (!s || s->width() != s->height()) return nullptr;
  int exponent = 0;
  while ((1 << exponent) < s->width()) ++exponent;
  auto grid = std::make_unique<vx::TerrainGrid>(exponent);
  const int n = grid->size();
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const uint32_t argb = s->format().read(s->pixel(x, y));
      const uint8_t r = uint8_t(argb >> 16), g = uint8_t(argb >> 8), b = uint8_t(argb);
      grid->setByte(x, n - 1 - y, std::max({r, g, b}), false);
    }
  return grid;
}

// The thread's processor time: steadier than the clock on a busy machine.
double cpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The camera of frame i: circling the middle, looking ahead and down.
vx::Transform cameraOf(int i) {
  const float a = 6.2831853f * float(i) / kFrames, c = kWidth / 2, r = 1200;
  const vx::Vector eye{c + r * std::cos(a), 600, c + r * std::sin(a)};
  const vx::Vector target{c + r * std::cos(a + 0.3f), 150, c + r * std::sin(a + 0.3f)};
  const vx::Vector d = target - eye;
  const float pitch = -std::atan2(d.y, std::sqrt(d.x * d.x + d.z * d.z)), yaw = -std::atan2(d.x, d.z);
  return {vx::matrixFromQuat(vx::rotationFromAngles(pitch, yaw, 0)), eye};
}

// The drawn triangles with a corner on the inside of every plane of the
// view: those the renderer does not throw away whole.
int64_t trianglesInView(const vx::TerrainTessellator& tessellator, const vx::Frustum& view) {
  int64_t inView = 0;
  for (const vx::TerrainChunk& chunk : tessellator.chunks())
    for (int32_t t = chunk.firstTriangle; t < chunk.firstTriangle + chunk.triangleCount; ++t) {
      vx::Vector corners[3];
      for (int c = 0; c < 3; ++c) {
        const int32_t drawn = chunk.firstVertex + tessellator.indices()[3 * size_t(t) + c];
        const vx::TerrainVertex& v = tessellator.vertices()[tessellator.drawnVertices()[drawn]];
        corners[c] = {v.x, v.height, v.z};
      }
      inView += !view.allOutsideOnePlane(corners, 3);
    }
  return inView;
}

void measure(const char* name, vx::TerrainGrid& grid) {
  const float across = kWidth / float(grid.size());
  const vx::Transform terrain{{{across, 0, 0}, {0, kHeight, 0}, {0, 0, across}}, {}};
  const vx::Transform toTerrain = vx::inverse(terrain);
  // 90 degrees across at 640 by 480, near 1, far 5000.
  const vx::Frustum view(1, 5000, 2, 1.5f);
  vx::TerrainTessellator tessellator;
  grid.tree();
  for (int detail : {2000, 10000}) {
    double seconds = 0;
    int64_t drawn = 0, inView = 0;
    for (int i = 0; i < kFrames; ++i) {
      const vx::Transform camera = cameraOf(i);
      const vx::Frustum local = view.transformed(toTerrain * camera);
      const double start = cpuSeconds();
      tessellator.tessellate(grid, toTerrain * camera.pos, local.planes, detail);
      tessellator.layout();
      seconds += cpuSeconds() - start;
      drawn += tessellator.drawnTriangles();
      inView += trianglesInView(tessellator, local);
    }
    std::printf("tessellation %s detail %d: %.3f ms processor time a frame (%lld triangles drawn, %lld in view a frame)\n",
                name, detail, 1000 * seconds / kFrames, static_cast<long long>(drawn / kFrames),
                static_cast<long long>(inView / kFrames));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <heightmap.bmp> <generated.bmp>\n", argv[0]);
    return 2;
  }
  vx::TerrainGrid generated(10);
  for (int z = 0; z < generated.size(); ++z)
    for (int x = 0; x < generated.size(); ++x) generated.setByte(x, z, generatedHeight(x, z), false);
  writeGrey(argv[2], generated);
  measure("generated-1024", generated);
  std::unique_ptr<vx::TerrainGrid> media = loadHeightmap(argv[1]);
  if (!media) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  measure("heightmap-256x16", *media);
  return 0;
}
