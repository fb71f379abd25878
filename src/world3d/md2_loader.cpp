#include "world3d/md2_loader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine3d/mesh_surface.h"
#include "platform/file_system.h"

namespace vx {

namespace {

constexpr size_t kHeaderSize = 68;
constexpr int32_t kVersion = 8;
constexpr size_t kFrameHeaderSize = 40;  // scale, translate, name
constexpr size_t kTexCoordSize = 4;
constexpr size_t kTriangleSize = 12;
// An index beyond the normal table reads as this one: straight up.
constexpr uint8_t kUpNormal = 5;

struct Header {
  int32_t skinWidth, skinHeight, frameSize;
  int32_t vertexCount, texCoordCount, triangleCount, frameCount;
  int32_t texCoordOffset, triangleOffset, frameOffset;
};

int32_t int32At(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}
uint16_t uint16At(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
float floatAt(const uint8_t* p) {
  const uint32_t bits = static_cast<uint32_t>(int32At(p));
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// Whether count records of size bytes from offset lie within the file.
bool within(int32_t offset, int32_t count, size_t size, size_t fileSize) {
  if (offset < 0 || count < 0) return false;
  return uint64_t(offset) + uint64_t(count) * size <= fileSize;
}

bool readHeader(const uint8_t* bytes, size_t size, Header& h) {
  if (size < kHeaderSize || std::memcmp(bytes, "IDP2", 4) != 0 || int32At(bytes + 4) != kVersion) return false;
  auto field = [bytes](int index) { return int32At(bytes + 4 * index); };
  h = {field(2), field(3), field(4), field(6), field(7), field(8), field(10), field(12), field(13), field(14)};
  // Indices are 16-bit, so larger counts cannot all be reached.
  if (h.vertexCount < 0 || h.vertexCount > 65536 || h.texCoordCount < 0 || h.texCoordCount > 65536) return false;
  if (h.skinWidth <= 0 || h.skinHeight <= 0 || h.frameCount <= 0) return false;
  if (h.frameSize < 0 || uint64_t(h.frameSize) < kFrameHeaderSize + 4 * uint64_t(h.vertexCount)) return false;
  return within(h.texCoordOffset, h.texCoordCount, kTexCoordSize, size) &&
         within(h.triangleOffset, h.triangleCount, kTriangleSize, size) &&
         within(h.frameOffset, h.frameCount, size_t(h.frameSize), size);
}

// Frames: scale and translate reordered (y, z, x), and the packed vertices
// reordered the same way, with normal indices kept within the table. The
// bounds take in every frame.
void readFrames(const uint8_t* bytes, const Header& h, MD2Data& data) {
  data.frameCount = h.frameCount;
  data.vertexCount = h.vertexCount;
  data.frames.resize(size_t(h.frameCount));
  data.packed.resize(size_t(h.frameCount) * size_t(h.vertexCount));
  float low[3] = {0, 0, 0}, high[3] = {0, 0, 0};
  bool any = false;
  for (int32_t f = 0; f < h.frameCount; ++f) {
    const uint8_t* frame = bytes + h.frameOffset + size_t(f) * size_t(h.frameSize);
    MD2Data::Frame& out = data.frames[size_t(f)];
    static constexpr int kFileAxis[3] = {1, 2, 0};
    for (int axis = 0; axis < 3; ++axis) {
      out.scale[axis] = floatAt(frame + 4 * kFileAxis[axis]);
      out.translate[axis] = floatAt(frame + 12 + 4 * kFileAxis[axis]);
    }
    out.scale[3] = out.translate[3] = 0;
    uint8_t least[3] = {255, 255, 255}, most[3] = {0, 0, 0};
    const uint8_t* vertex = frame + kFrameHeaderSize;
    uint32_t* packed = data.packed.data() + size_t(f) * size_t(h.vertexCount);
    for (int32_t v = 0; v < h.vertexCount; ++v, vertex += 4) {
      const uint8_t b[3] = {vertex[1], vertex[2], vertex[0]};
      const uint8_t normal = vertex[3] < kMD2NormalCount ? vertex[3] : kUpNormal;
      packed[v] = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(normal) << 24;
      for (int axis = 0; axis < 3; ++axis) {
        least[axis] = std::min(least[axis], b[axis]);
        most[axis] = std::max(most[axis], b[axis]);
      }
    }
    if (h.vertexCount == 0) continue;
    for (int axis = 0; axis < 3; ++axis) {
      const float a = out.translate[axis] + out.scale[axis] * least[axis];
      const float b = out.translate[axis] + out.scale[axis] * most[axis];
      low[axis] = any ? std::min({low[axis], a, b}) : std::min(a, b);
      high[axis] = any ? std::max({high[axis], a, b}) : std::max(a, b);
    }
    any = true;
  }
  data.boundsMin = {low[0], low[1], low[2]};
  data.boundsMax = {high[0], high[1], high[2]};
}

// Output vertices, one per distinct (vertex, texture coordinate) pair in
// order of first use, and the triangles over them. The triangles turn the
// other way than in the file: what faces out of the model is drawn. A
// part holds at most what 16-bit indices reach; a pair used again in a
// later part is repeated there.
bool readTriangles(const uint8_t* bytes, const Header& h, MD2Data& data) {
  const uint8_t* texCoords = bytes + h.texCoordOffset;
  const uint8_t* triangle = bytes + h.triangleOffset;
  const float du = 1.0f / float(h.skinWidth), dv = 1.0f / float(h.skinHeight);
  std::unordered_map<uint32_t, uint16_t> inPart;
  MD2Part part;
  data.indices.reserve(3 * size_t(h.triangleCount));
  for (int32_t t = 0; t < h.triangleCount; ++t, triangle += kTriangleSize) {
    uint32_t keys[3];
    int added = 0;
    for (int c = 0; c < 3; ++c) {
      const uint16_t vertex = uint16At(triangle + 2 * c), texCoord = uint16At(triangle + 6 + 2 * c);
      if (vertex >= h.vertexCount || texCoord >= h.texCoordCount) return false;
      keys[c] = uint32_t(vertex) << 16 | texCoord;
      added += !inPart.count(keys[c]);
    }
    if (part.vertexCount + added > kSurfaceVertexLimit) {
      data.parts.push_back(part);
      part = {data.outputVertexCount(), 0, t, 0};
      inPart.clear();
    }
    uint16_t local[3];
    for (int c = 0; c < 3; ++c) {
      auto [at, fresh] = inPart.try_emplace(keys[c], static_cast<uint16_t>(part.vertexCount));
      local[c] = at->second;
      if (!fresh) continue;
      const uint8_t* st = texCoords + kTexCoordSize * (keys[c] & 0xFFFF);
      data.vertexOf.push_back(static_cast<uint16_t>(keys[c] >> 16));
      data.uv.push_back(int16_t(uint16At(st)) * du);
      data.uv.push_back(int16_t(uint16At(st + 2)) * dv);
      ++part.vertexCount;
    }
    data.indices.insert(data.indices.end(), {local[0], local[2], local[1]});
    ++part.triangleCount;
  }
  if (part.triangleCount) data.parts.push_back(part);
  return true;
}

}  // namespace

std::shared_ptr<const MD2Data> readMD2(const uint8_t* bytes, size_t size) {
  Header header;
  if (!readHeader(bytes, size, header)) return nullptr;
  auto data = std::make_shared<MD2Data>();
  if (!readTriangles(bytes, header, *data)) return nullptr;
  readFrames(bytes, header, *data);
  return data;
}

std::shared_ptr<const MD2Data> loadMD2(std::string_view path) {
  std::FILE* file = std::fopen(nativePath(path).c_str(), "rb");
  if (!file) return nullptr;
  std::vector<uint8_t> bytes;
  struct stat info;
  if (fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
      uint64_t(info.st_size) <= SIZE_MAX) {
    bytes.resize(size_t(info.st_size));
    if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) bytes.clear();
  }
  std::fclose(file);
  return readMD2(bytes.data(), bytes.size());
}

}  // namespace vx
