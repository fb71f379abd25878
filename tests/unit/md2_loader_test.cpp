// The MD2 loader against damaged files: truncated and corrupted real files
// give no model or one that draws without reading outside what it holds,
// and models too large for 16-bit indices are drawn in parts.

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "engine3d/render_context.h"
#include "world3d/md2_loader.h"
#include "world3d/md2_model.h"
#include "recording_scene_device.h"
#include "sound_media.h"

namespace {

std::string sydney() { return vxtest::readFile(std::string(VX_TEST_MEDIA_DIR) + "/sydney.md2"); }

void putInt(std::string& bytes, size_t at, int32_t value) { std::memcpy(&bytes[at], &value, 4); }
int32_t intAt(const std::string& bytes, size_t at) {
  int32_t value;
  std::memcpy(&value, &bytes[at], 4);
  return value;
}

std::shared_ptr<const vx::MD2Data> read(const std::string& bytes) {
  return vx::readMD2(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// Everything drawing reads lies within what the model holds, and what it
// holds is no larger than the file calls for; then every frame is drawn.
void expectDrawsSafely(const vx::MD2Data& d, size_t fileSize) {
  ASSERT_GE(d.frameCount, 1);
  ASSERT_EQ(d.frames.size(), size_t(d.frameCount));
  ASSERT_EQ(d.packed.size(), size_t(d.frameCount) * size_t(d.vertexCount));
  ASSERT_LE(d.packed.size() * 4, fileSize);
  ASSERT_LE(d.indices.size() * 4, fileSize);  // 12 bytes a triangle in the file
  ASSERT_EQ(d.uv.size(), 2 * d.vertexOf.size());
  for (uint32_t packed : d.packed) ASSERT_LT(packed >> 24, uint32_t(vx::kMD2NormalCount));
  for (uint16_t v : d.vertexOf) ASSERT_LT(v, d.vertexCount);
  int32_t vertices = 0, triangles = 0;
  for (const vx::MD2Part& part : d.parts) {
    ASSERT_EQ(part.firstVertex, vertices);
    ASSERT_EQ(part.firstTriangle, triangles);
    ASSERT_LE(part.vertexCount, 65536);
    for (int32_t i = 3 * part.firstTriangle; i < 3 * (part.firstTriangle + part.triangleCount); ++i)
      ASSERT_LT(d.indices[size_t(i)], part.vertexCount);
    vertices += part.vertexCount;
    triangles += part.triangleCount;
  }
  ASSERT_EQ(vertices, d.outputVertexCount());
  ASSERT_EQ(triangles, d.triangleCount());
}

void expectNothingOrSafe(const std::string& bytes, const std::string& what) {
  SCOPED_TRACE(what);
  auto data = read(bytes);
  if (!data) return;
  expectDrawsSafely(*data, bytes.size());
  vxtest::RecordingSceneDevice device;
  vx::MD2Model model(data);
  vx::RenderContext context{device, {}, vx::Frustum(1, 1e6f, 2, 2)};
  for (int frame = 0; frame < model.frameCount(); frame += 1 + model.frameCount() / 4) {
    model.play(1, 1, frame, model.frameCount() - 1, 2);
    model.animate(0.5f);
    model.beginRender(1);
    model.prepare({});
    model.render(context);
    model.flush(vx::MD2Model::kOpaque, device);
  }
}

// Header fields by their index of 17.
enum Field { kSkinWidth = 2, kFrameSize = 4, kVertices = 6, kTexCoords = 7, kTriangles = 8, kFrames = 10,
             kTexCoordOffset = 12, kTriangleOffset = 13, kFrameOffset = 14 };

}  // namespace

TEST(MD2Loader, TruncatedFilesGiveNothingOrWhatTheyHold) {
  const std::string file = sydney();
  ASSERT_TRUE(read(file));
  std::vector<size_t> lengths;
  for (size_t n = 0; n <= 72; ++n) lengths.push_back(n);
  for (int field : {kTexCoordOffset, kTriangleOffset, kFrameOffset})
    for (int d = -2; d <= 2; ++d) lengths.push_back(size_t(intAt(file, 4 * field) + d));
  for (size_t n = 100; n < file.size(); n += 4999) lengths.push_back(n);
  for (size_t n : lengths) {
    const std::string cut = file.substr(0, n);
    expectNothingOrSafe(cut, "cut at " + std::to_string(n));
    // Only the end, after the frames, can go without losing anything read.
    if (n < size_t(intAt(file, 4 * kFrameOffset) + 198 * 1408)) {
      EXPECT_FALSE(read(cut)) << n;
    }
  }
}

TEST(MD2Loader, EveryHeaderFieldCorruptedGivesNothingOrASafeModel) {
  const std::string file = sydney();
  const int32_t size = int32_t(file.size());
  for (int field = 0; field < 17; ++field) {
    const int32_t was = intAt(file, 4 * field);
    for (int32_t value : {0, 1, -1, -68, 2, 7, 40, 65535, 65536, 65537, size / 4, size - 1, size, size + 1, INT_MAX,
                          INT_MIN, was + 1, was - 1, was * 2, was / 2, was + 1408, was - 1408}) {
      std::string bytes = file;
      putInt(bytes, 4 * field, value);
      expectNothingOrSafe(bytes, "field " + std::to_string(field) + " = " + std::to_string(value));
    }
  }
  std::string bytes = file;
  bytes[0] = 'X';
  EXPECT_FALSE(read(bytes));
  bytes = file;
  putInt(bytes, 4, 7);
  EXPECT_FALSE(read(bytes));
}

TEST(MD2Loader, IndicesBeyondTheirCountsGiveNothing) {
  const std::string file = sydney();
  const size_t triangles = size_t(intAt(file, 4 * kTriangleOffset));
  auto withShort = [&](size_t at, uint16_t value) {
    std::string bytes = file;
    bytes[at] = char(value & 0xFF);
    bytes[at + 1] = char(value >> 8);
    return bytes;
  };
  const size_t last = triangles + 12 * 678;
  for (size_t corner = 0; corner < 3; ++corner) {
    EXPECT_FALSE(read(withShort(last + 2 * corner, 342)));         // vertices: 342
    EXPECT_FALSE(read(withShort(last + 2 * corner, 0xFFFF)));
    EXPECT_FALSE(read(withShort(last + 6 + 2 * corner, 456)));     // texture coordinates: 456
    EXPECT_TRUE(read(withShort(last + 6 + 2 * corner, 455)));
  }
  // A normal beyond the table reads as one within it.
  std::string bytes = file;
  bytes[size_t(intAt(file, 4 * kFrameOffset)) + 40 + 3] = char(200);
  auto data = read(bytes);
  ASSERT_TRUE(data);
  EXPECT_EQ(data->packed[0] >> 24, 5u);
}

TEST(MD2Loader, ScatteredCorruptionGivesNothingOrASafeModel) {
  const std::string file = sydney();
  uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  for (int round = 0; round < 300; ++round) {
    std::string bytes = file;
    const int changes = 1 + int(next() % 16);
    for (int i = 0; i < changes; ++i) {
      // Half the changes hit the header and the triangles, where damage
      // matters most.
      const size_t range = next() % 2 ? size_t(intAt(file, 4 * kFrameOffset)) : bytes.size();
      bytes[next() % range] = char(next() >> 24);
    }
    expectNothingOrSafe(bytes, "round " + std::to_string(round));
  }
}

// 30,000 triangles of 90,000 distinct pairs: more than 16-bit indices
// reach. The last triangle uses the very first pair again, which its part
// holds a copy of.
TEST(MD2Loader, LargeModelsAreDrawnInParts) {
  const int vertices = 40000, texCoords = 3, triangles = 30000;
  const int frameSize = 40 + 4 * vertices;
  const int texCoordOffset = 68, triangleOffset = texCoordOffset + 4 * texCoords;
  const int frameOffset = triangleOffset + 12 * triangles;
  std::string bytes(size_t(frameOffset + frameSize), '\0');
  std::memcpy(&bytes[0], "IDP2", 4);
  const int32_t header[17] = {0, 8, 64, 64, frameSize, 0, vertices, texCoords, triangles, 0, 1, 68,
                              texCoordOffset, triangleOffset, frameOffset, 0, int32_t(bytes.size())};
  for (int i = 1; i < 17; ++i) putInt(bytes, 4 * size_t(i), header[i]);
  auto putShort = [&bytes](size_t at, int value) {
    bytes[at] = char(value & 0xFF);
    bytes[at + 1] = char(value >> 8);
  };
  for (int st = 0; st < texCoords; ++st) putShort(size_t(texCoordOffset + 4 * st), 16 * st);
  for (int t = 0; t < triangles; ++t)
    for (int c = 0; c < 3; ++c) {
      const int pair = t == triangles - 1 && c == 0 ? 0 : 3 * t + c;
      putShort(size_t(triangleOffset + 12 * t + 2 * c), pair % vertices);
      putShort(size_t(triangleOffset + 12 * t + 6 + 2 * c), pair / vertices);
    }
  const float one = 1;
  for (int a = 0; a < 3; ++a) std::memcpy(&bytes[size_t(frameOffset + 4 * a)], &one, 4);
  for (int v = 0; v < vertices; ++v) {  // file x, y: the vertex number
    bytes[size_t(frameOffset + 40 + 4 * v)] = char(v & 0xFF);
    bytes[size_t(frameOffset + 40 + 4 * v + 1)] = char(v >> 8);
  }

  auto data = read(bytes);
  ASSERT_TRUE(data);
  expectDrawsSafely(*data, bytes.size());
  ASSERT_EQ(data->parts.size(), 2u);
  EXPECT_EQ(data->parts[0].vertexCount, 65535);  // whole triangles only
  EXPECT_EQ(data->outputVertexCount(), 90000);  // 89,999 pairs, and the first again

  vxtest::RecordingSceneDevice device;
  vx::MD2Model model(data);
  vx::RenderContext context{device, {}, vx::Frustum(1, 1e6f, 1e6f, 1e6f)};
  model.beginRender(1);
  model.prepare({});
  model.render(context);
  model.flush(vx::MD2Model::kOpaque, device);
  ASSERT_EQ(device.draws.size(), 2u);
  EXPECT_EQ(device.draws[0].triangles + device.draws[1].triangles, triangles);
  // Each drawn corner is the file's vertex: x (file y) and z (file x) give
  // its number; the first vertex of a part is where its indices count from.
  const vxtest::RecordingMesh& mesh = *device.meshes[0];
  for (const vx::MD2Part& part : data->parts)
    for (int t = part.firstTriangle; t < part.firstTriangle + part.triangleCount; ++t)
      for (int c = 0; c < 3; ++c) {
        const int fileCorner = (3 - c) % 3;
        const int pair = t == triangles - 1 && fileCorner == 0 ? 0 : 3 * t + fileCorner;
        const vx::DeviceVertex& v = mesh.vertexData[size_t(part.firstVertex + mesh.indexData[3 * t + c])];
        ASSERT_EQ(int(v.z) + 256 * int(v.x), pair % vertices) << t;
        ASSERT_FLOAT_EQ(v.u0, 16.0f * (pair / vertices) / 64) << t;
      }
}
