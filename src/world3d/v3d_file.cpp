#include "world3d/v3d_file.h"

#include <algorithm>
#include <string>
#include <vector>

#include "engine3d/mesh.h"
#include "engine3d/texture_cache.h"
#include "platform/native_file.h"
#include "world3d/byte_reader.h"
#include "world3d/key_animator.h"
#include "world3d/key_set.h"
#include "world3d/mesh_builder.h"
#include "world3d/skin.h"

namespace vx {

namespace {

constexpr uint32_t tagOf(const char (&name)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(name[0])) | static_cast<uint32_t>(static_cast<uint8_t>(name[1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(name[2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(name[3])) << 24;
}

constexpr uint32_t kFileTag = tagOf("VX3D");
constexpr uint32_t kTextures = tagOf("TEXS");
constexpr uint32_t kBrushes = tagOf("BRUS");
constexpr uint32_t kNode = tagOf("NODE");
constexpr uint32_t kMesh = tagOf("MESH");
constexpr uint32_t kVertices = tagOf("VRTS");
constexpr uint32_t kTriangles = tagOf("TRIS");
constexpr uint32_t kAnimation = tagOf("ANIM");
constexpr uint32_t kKeys = tagOf("KEYS");
constexpr uint32_t kBone = tagOf("BONE");

// Deeper nodes are left out: hierarchies are walked recursively.
constexpr int kDeepestNode = 1000;

enum VertexFlags : int32_t { kHasNormals = 1, kHasColors = 2 };
enum KeyFlags : int32_t { kPositionKey = 1, kScaleKey = 2, kRotationKey = 4 };
constexpr int32_t kSecondCoordinateSet = 0x10000;

struct Chunk {
  uint32_t tag = 0;
  ByteReader data;
};

// The next chunk in a parent's data. A length running past the parent's
// end is cut there; false at the end, or at a header that does not fit or
// has a negative length.
bool nextChunk(ByteReader& parent, Chunk& chunk) {
  int32_t length;
  if (!parent.readAll(chunk.tag, length) || length < 0) return false;
  parent.take(std::min(static_cast<size_t>(length), parent.remaining()), chunk.data);
  return true;
}

uint32_t colorChannel(float value, int shift) {
  const float clamped = !(value > 0) ? 0 : value > 1 ? 1 : value;  // NaN is 0
  return static_cast<uint32_t>(clamped * 255) << shift;
}

class V3DReader {
 public:
  explicit V3DReader(const ModelLoad& load) : load_(load) {}
  std::unique_ptr<Object> read(ByteReader data);

 private:
  // The mesh a node builds, with the greatest bone weight seen for each of
  // its vertices.
  struct Building {
    MeshBuilder builder;
    std::vector<float> bestWeights;
    int32_t vertexFlags = 0;  // of the last vertex chunk
  };

  void readTextures(ByteReader data);
  void readBrushes(ByteReader data);
  std::unique_ptr<Object> readNode(ByteReader data, int depth);
  void readMesh(ByteReader data, Building& building, int32_t& brush);
  void readVertices(ByteReader data, Building& building);
  void readTriangles(ByteReader data, Building& building);
  void readBoneWeights(ByteReader data, int32_t bone);
  static void readKeys(ByteReader data, KeySet& keys);
  const Brush* brush(int32_t number) const {
    return number >= 0 && static_cast<size_t>(number) < brushes_.size() ? &brushes_[number] : nullptr;
  }

  const ModelLoad& load_;
  std::vector<Texture> textures_;
  std::vector<Brush> brushes_;
  // Bones read and not yet given to a skinned mesh; they weight vertices
  // of the innermost mesh being built.
  std::vector<Object*> bones_;
  std::vector<Building*> building_;  // innermost last
};

std::unique_ptr<Object> V3DReader::read(ByteReader data) {
  std::unique_ptr<Object> result;
  Chunk chunk;
  while (nextChunk(data, chunk)) {
    if (chunk.tag == kTextures) {
      readTextures(chunk.data);
    } else if (chunk.tag == kBrushes) {
      readBrushes(chunk.data);
    } else if (chunk.tag == kNode) {
      std::unique_ptr<Object> node = readNode(chunk.data, 0);
      // Bones not taken by a mesh of that hierarchy are not for another.
      bones_.clear();
      // A later hierarchy replaces the one before, which goes.
      if (node) result = std::move(node);
    }
  }
  return result;
}

void V3DReader::readTextures(ByteReader data) {
  std::string file;
  int32_t flags, blend;
  float x, y, xScale, yScale, rotation;
  while (data.readAll(file, flags, blend, x, y, xScale, yScale, rotation)) {
    Texture texture;
    if (load_.world.graphics)
      texture = loadTexture(*load_.world.graphics, load_.world.textureFilters, file, flags & 0xFFFF);
    if (texture) {
      texture.setBlend(blend);
      if (flags & kSecondCoordinateSet) texture.setCoords(1);
      if (x != 0 || y != 0) texture.setOffset(x, y);
      if (xScale != 1 || yScale != 1) texture.setScale(xScale, yScale);
      if (rotation != 0) texture.setRotation(rotation * kDegToRad);
    }
    textures_.push_back(texture);  // numbered also when it did not load
  }
}

void V3DReader::readBrushes(ByteReader data) {
  int32_t textureCount;
  if (!data.read(textureCount) || textureCount < 0) return;
  std::string name;
  float red, green, blue, alpha, shininess;
  int32_t blend, fx;
  while (data.readAll(name, red, green, blue, alpha, shininess, blend, fx)) {
    Brush brush;
    brush.setColor({red, green, blue});
    brush.setAlpha(alpha);
    brush.setShininess(shininess);
    brush.setBlend(blend);
    brush.setFX(fx);
    // Numbers beyond the eighth layer are read and passed over.
    for (int32_t layer = 0; layer < textureCount; ++layer) {
      int32_t number;
      if (!data.read(number)) return;
      if (layer >= Brush::kLayers || number < 0 || static_cast<size_t>(number) >= textures_.size()) continue;
      const Texture& texture = textures_[number];
      if (texture && texture.frameCount()) brush.setTexture(layer, texture, 0);
    }
    brushes_.push_back(brush);
  }
}

std::unique_ptr<Object> V3DReader::readNode(ByteReader data, int depth) {
  std::string name;
  Vector position, scale;
  Quat rotation;
  if (!data.readAll(name, position.x, position.y, position.z, scale.x, scale.y, scale.z, rotation.w, rotation.x,
                    rotation.y, rotation.z))
    return nullptr;

  // The node is a mesh when it has one, a bone when it only weights one,
  // and an empty mesh otherwise.
  bool hasMesh = false, hasBone = false;
  Chunk chunk;
  for (ByteReader scan = data; nextChunk(scan, chunk);) {
    hasMesh |= chunk.tag == kMesh;
    hasBone |= chunk.tag == kBone;
  }
  std::unique_ptr<Object> entity;
  Mesh* mesh = nullptr;
  if (hasBone && !hasMesh) {
    entity = std::make_unique<Pivot>();
  } else {
    mesh = new Mesh;
    entity.reset(mesh);
  }

  KeySet keys;
  int32_t frames = 0;
  int32_t meshBrush = -1;
  int32_t boneNumber = 0;  // from 1, once the node is a bone
  std::unique_ptr<Building> building;
  while (nextChunk(data, chunk)) {
    if (chunk.tag == kAnimation) {
      int32_t flags, count;
      float rate;
      if (chunk.data.readAll(flags, count, rate)) frames = std::max(count, 0);
    } else if (chunk.tag == kKeys) {
      readKeys(chunk.data, keys);
    } else if (chunk.tag == kMesh) {
      if (building) {
        // A second mesh chunk numbers its vertices afresh.
        building->builder.finish(*mesh);
        building->bestWeights.clear();
      } else {
        building = std::make_unique<Building>();
        building_.push_back(building.get());
      }
      readMesh(chunk.data, *building, meshBrush);
    } else if (chunk.tag == kBone) {
      if (!boneNumber) {
        bones_.push_back(entity.get());
        boneNumber = static_cast<int32_t>(bones_.size());
      }
      readBoneWeights(chunk.data, boneNumber);
    } else if (chunk.tag == kNode && depth < kDeepestNode) {
      if (std::unique_ptr<Object> child = readNode(chunk.data, depth + 1)) child.release()->setParent(entity.get());
    }
  }

  entity->name = name;
  entity->setLocalPosition(position);
  entity->setLocalScale(scale);
  entity->setLocalRotation(rotation);
  if (!keys.empty()) entity->keys = std::make_shared<KeySet>(std::move(keys));

  if (building) {
    building_.pop_back();
    building->builder.finish(*mesh);
    if (!(building->vertexFlags & kHasNormals)) mesh->updateNormals();
    if (const Brush* b = brush(meshBrush)) mesh->setBrush(*b);
    if (!bones_.empty()) {
      // The mesh and the bones read below it animate together, and its
      // vertices follow the bones.
      std::vector<Object*> animated{mesh};
      animated.insert(animated.end(), bones_.begin(), bones_.end());
      bones_.clear();
      mesh->animator = std::make_unique<KeyAnimator>(animated, frames);
      Skin::bind(*mesh, animated);
      return entity;
    }
  }
  if (frames) entity->animator = std::make_unique<KeyAnimator>(*entity, frames);
  return entity;
}

void V3DReader::readMesh(ByteReader data, Building& building, int32_t& brush) {
  if (!data.read(brush)) return;
  Chunk chunk;
  while (nextChunk(data, chunk)) {
    if (chunk.tag == kVertices)
      readVertices(chunk.data, building);
    else if (chunk.tag == kTriangles)
      readTriangles(chunk.data, building);
  }
}

void V3DReader::readVertices(ByteReader data, Building& building) {
  int32_t flags, sets, setSize;
  if (!data.readAll(flags, sets, setSize) || sets < 0 || setSize < 0) return;
  building.vertexFlags = flags;
  const bool normals = flags & kHasNormals, colors = flags & kHasColors;
  // Sets of no components take no bytes, however many the file says.
  if (setSize == 0) sets = 0;
  const uint64_t floats = 3 + (normals ? 3 : 0) + (colors ? 4 : 0) + static_cast<uint64_t>(sets) * setSize;
  const size_t available = data.remaining() / 4;
  const size_t count = floats <= available ? available / floats : 0;
  MeshBuilder& builder = building.builder;
  builder.reserve(count, 0);
  for (size_t n = 0; n < count; ++n) {
    Vertex v;
    data.readAll(v.x, v.y, v.z);
    if (normals) data.readAll(v.nx, v.ny, v.nz);
    if (colors) {
      float red, green, blue, alpha;
      data.readAll(red, green, blue, alpha);
      v.argb = colorChannel(alpha, 24) | colorChannel(red, 16) | colorChannel(green, 8) | colorChannel(blue, 0);
    }
    // The first two components of the first two sets are kept.
    float* kept[2][2] = {{&v.u0, &v.v0}, {&v.u1, &v.v1}};
    for (int32_t set = 0; set < sets; ++set)
      for (int32_t component = 0; component < setSize; ++component) {
        float value = 0;
        data.read(value);
        if (set < 2 && component < 2) *kept[set][component] = value;
      }
    builder.addVertex(v);
  }
  building.bestWeights.resize(builder.vertexCount(), 0);
}

void V3DReader::readTriangles(ByteReader data, Building& building) {
  int32_t number;
  if (!data.read(number)) return;
  // A brush the file does not have draws as the default one.
  const Brush* known = brush(number);
  const Brush drawn = known ? *known : Brush();
  building.builder.reserve(0, data.remaining() / 12);
  int32_t a, b, c;
  while (data.readAll(a, b, c)) building.builder.addTriangle(a, b, c, drawn);
}

void V3DReader::readBoneWeights(ByteReader data, int32_t bone) {
  Building* building = building_.empty() ? nullptr : building_.back();
  int32_t vertex;
  float weight;
  while (data.readAll(vertex, weight)) {
    if (!building || !building->builder.hasVertex(vertex)) continue;
    // The greatest weight wins; the first of equal ones stays.
    float& best = building->bestWeights[vertex];
    if (weight > best) {
      best = weight;
      building->builder.vertex(vertex).bone = bone;
    }
  }
}

void V3DReader::readKeys(ByteReader data, KeySet& keys) {
  int32_t flags;
  if (!data.read(flags)) return;
  int32_t frame;
  while (data.read(frame)) {
    Vector position, scale;
    Quat rotation;
    if (flags & kPositionKey) {
      if (!data.readAll(position.x, position.y, position.z)) return;
      keys.position.set(frame, position);
    }
    if (flags & kScaleKey) {
      if (!data.readAll(scale.x, scale.y, scale.z)) return;
      keys.scale.set(frame, scale);
    }
    if (flags & kRotationKey) {
      if (!data.readAll(rotation.w, rotation.x, rotation.y, rotation.z)) return;
      keys.rotation.set(frame, rotation);
    }
  }
}

}  // namespace

std::unique_ptr<Object> loadV3D(const ModelLoad& load) {
  FileView file;
  return file.open(load.path, kLargestModelFile) ? readV3D(load, file.bytes()) : nullptr;
}

std::unique_ptr<Object> readV3D(const ModelLoad& load, std::span<const uint8_t> bytes) {
  ByteReader file(bytes.data(), bytes.size());
  Chunk top;
  int32_t version;
  if (!nextChunk(file, top) || top.tag != kFileTag || !top.data.read(version) || version >= 2) return nullptr;
  return V3DReader(load).read(top.data);
}

}  // namespace vx
