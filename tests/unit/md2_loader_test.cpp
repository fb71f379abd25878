// The MD2 loader against damaged files: truncated and corrupted real files
// give no model or one that draws without reading outside what it holds,
// and models too large for 16-bit indices are drawn in parts.

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "engine3d/render_context.h"
#include "world3d/md2_loader.h"
#include "recording_scene_device.h"
#include "sound_media.h"

namespace {

void put(std::string& bytes, size_t at, int32_t value, size_t size = 4) { std::memcpy(&bytes[at], &value, size); }
int32_t intAt(const std::string& bytes, size_t at) {
  int32_t value;
  std::memcpy(&value, &bytes[at], 4);
  return value;
}

std::shared_ptr<const vx::MD2Data> read(const std::string& bytes) {
  return vx::readMD2(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// Draws every part of the model at several frames, blending.
void draw(vx::MD2Model& model, vxtest::RecordingSceneDevice& device) {
  vx::RenderContext context{device, {}, vx::Frustum(1, 1e6f, 2, 2)};
  for (int frame = 0; frame < model.frameCount(); frame += 1 + model.frameCount() / 3) {
    model.play(1, 1, frame, model.frameCount() - 1, 2);
    model.animate(0.5f);
    model.beginRender(1);
    model.prepare({});
    model.render(context);
    model.flush(vx::MD2Model::kOpaque, device);
  }
}

// No model, or one whose every index lies within what it holds and holds
// no more than the file calls for; then drawn.
void expectNothingOrSafe(const std::string& bytes, const std::string& what) {
  SCOPED_TRACE(what);
  auto d = read(bytes);
  if (!d) return;
  ASSERT_TRUE(d->frameCount >= 1 && d->frames.size() == size_t(d->frameCount));
  ASSERT_EQ(d->packed.size(), size_t(d->frameCount) * size_t(d->vertexCount));
  ASSERT_LE(d->packed.size() * 4 + d->indices.size() * 4, bytes.size());
  ASSERT_EQ(d->uv.size(), 2 * d->vertexOf.size());
  for (uint32_t packed : d->packed) ASSERT_LT(packed >> 24, uint32_t(vx::kMD2NormalCount));
  for (uint16_t v : d->vertexOf) ASSERT_LT(v, d->vertexCount);
  int32_t vertices = 0, triangles = 0;
  for (const vx::MD2Part& part : d->parts) {
    ASSERT_TRUE(part.firstVertex == vertices && part.firstTriangle == triangles && part.vertexCount <= 65536);
    for (int32_t i = 3 * part.firstTriangle; i < 3 * (part.firstTriangle + part.triangleCount); ++i)
      ASSERT_LT(d->indices[size_t(i)], part.vertexCount);
    vertices += part.vertexCount;
    triangles += part.triangleCount;
  }
  ASSERT_TRUE(vertices == d->outputVertexCount() && triangles == d->triangleCount());
  vxtest::RecordingSceneDevice device;
  vx::MD2Model model(d);
  draw(model, device);
}

}  // namespace

TEST(MD2Loader, DamagedFilesGiveNothingOrASafeModel) {
  const std::string file = vxtest::readFile(std::string(VX_TEST_MEDIA_DIR) + "/sydney.md2");
  ASSERT_TRUE(read(file));
  const int32_t size = int32_t(file.size()), framesEnd = intAt(file, 56) + 198 * 1408;

  // Cut short anywhere before the end of the frames: nothing.
  std::vector<int32_t> lengths{framesEnd, framesEnd - 1};
  for (int32_t n = 0; n <= 72; ++n) lengths.push_back(n);
  for (int32_t n = 100; n < framesEnd; n += 4999) lengths.push_back(n);
  for (int offset : {48, 52, 56})
    for (int d = -2; d <= 2; ++d) lengths.push_back(intAt(file, offset) + d);
  for (int32_t n : lengths) {
    expectNothingOrSafe(file.substr(0, size_t(n)), "cut at " + std::to_string(n));
    EXPECT_EQ(read(file.substr(0, size_t(n))) != nullptr, n >= framesEnd) << n;
  }

  // Every header field set to what damage tends to leave there.
  for (int field = 0; field < 17; ++field) {
    const int32_t was = intAt(file, 4 * size_t(field));
    for (int32_t value : {0, 1, -1, 2, 40, 65535, 65536, 65537, size / 4, size - 1, size, size + 1, INT_MAX, INT_MIN,
                          was + 1, was - 1, was * 2, was / 2, was + 1408, was - 1408}) {
      std::string bytes = file;
      put(bytes, 4 * size_t(field), value);
      expectNothingOrSafe(bytes, "field " + std::to_string(field) + " = " + std::to_string(value));
    }
  }

  // Indices beyond their counts (342 vertices, 456 texture coordinates).
  const size_t lastTriangle = size_t(intAt(file, 52)) + 12 * 678;
  for (size_t corner = 0; corner < 3; ++corner)
    for (auto [offset, value] : std::vector<std::pair<int, int>>{{0, 342}, {0, 0xFFFF}, {6, 456}}) {
      std::string bytes = file;
      put(bytes, lastTriangle + size_t(offset) + 2 * corner, value, 2);
      EXPECT_FALSE(read(bytes)) << corner << " " << value;
    }
  // A normal beyond the table reads as one within it: straight up.
  std::string bytes = file;
  bytes[size_t(intAt(file, 56)) + 40 + 3] = char(200);
  ASSERT_TRUE(read(bytes));
  EXPECT_EQ(read(bytes)->packed[0] >> 24, 5u);

  // Scattered damage, half of it in the header and the triangles.
  uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  for (int round = 0; round < 300; ++round) {
    bytes = file;
    for (int changes = 1 + int(next() % 16); changes > 0; --changes) {
      const size_t range = next() % 2 ? size_t(intAt(file, 56)) : bytes.size();
      bytes[next() % range] = char(next() >> 24);
    }
    expectNothingOrSafe(bytes, "round " + std::to_string(round));
  }
}

// 30,000 triangles of 90,000 distinct pairs, more than 16-bit indices
// reach. The last triangle uses the very first pair again, which its part
// holds a copy of.
TEST(MD2Loader, LargeModelsAreDrawnInParts) {
  const int vertices = 40000, triangles = 30000, frameSize = 40 + 4 * vertices;
  const int triangleOffset = 68 + 4 * 3, frameOffset = triangleOffset + 12 * triangles;
  std::string bytes(size_t(frameOffset + frameSize), '\0');
  const int32_t header[17] = {0x32504449, 8, 64, 64, frameSize, 0, vertices, 3, triangles, 0, 1,
                              68, 68, triangleOffset, frameOffset, 0, int32_t(bytes.size())};
  for (int i = 0; i < 17; ++i) put(bytes, 4 * size_t(i), header[i]);
  for (int st = 0; st < 3; ++st) put(bytes, size_t(68 + 4 * st), 16 * st, 2);
  auto pairOf = [](int t, int c) { return t == triangles - 1 && c == 0 ? 0 : 3 * t + c; };
  for (int t = 0; t < triangles; ++t)
    for (int c = 0; c < 3; ++c) {
      put(bytes, size_t(triangleOffset + 12 * t + 2 * c), pairOf(t, c) % vertices, 2);
      put(bytes, size_t(triangleOffset + 12 * t + 6 + 2 * c), pairOf(t, c) / vertices, 2);
    }
  const float one = 1;
  for (int a = 0; a < 3; ++a) std::memcpy(&bytes[size_t(frameOffset + 4 * a)], &one, 4);
  for (int v = 0; v < vertices; ++v) put(bytes, size_t(frameOffset + 40 + 4 * v), v, 2);  // file x, y: its number

  auto data = read(bytes);
  ASSERT_TRUE(data);
  expectNothingOrSafe(bytes, "large");
  ASSERT_EQ(data->parts.size(), 2u);
  EXPECT_EQ(data->parts[0].vertexCount, 65535);  // whole triangles only
  EXPECT_EQ(data->outputVertexCount(), 90000);   // 89,999 pairs, and the first again
  vxtest::RecordingSceneDevice device;
  vx::MD2Model model(data);
  draw(model, device);
  ASSERT_EQ(device.draws.size(), 2u);
  // Each drawn corner is its file vertex, counted from its part's first.
  const vxtest::RecordingMesh& mesh = *device.meshes[0];
  for (const vx::MD2Part& part : data->parts)
    for (int t = part.firstTriangle; t < part.firstTriangle + part.triangleCount; ++t)
      for (int c = 0; c < 3; ++c) {
        const int pair = pairOf(t, (3 - c) % 3);
        const vx::DeviceVertex& v = mesh.vertexData[size_t(part.firstVertex + mesh.indexData[3 * t + c])];
        ASSERT_EQ(int(v.z) + 256 * int(v.x), pair % vertices) << t;
        ASSERT_FLOAT_EQ(v.u0, 16.0f * (pair / vertices) / 64) << t;
      }
}
