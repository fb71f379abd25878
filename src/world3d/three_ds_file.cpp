#include "world3d/three_ds_file.h"

#include <array>
#include <cmath>
#include <map>
#include <string>
#include <unordered_map>

#include "engine3d/mesh.h"
#include "engine3d/texture_cache.h"
#include "platform/native_file.h"
#include "world3d/byte_reader.h"
#include "world3d/key_animator.h"
#include "world3d/key_set.h"
#include "world3d/loader_space.h"
#include "world3d/mesh_builder.h"

namespace vx {

namespace {

enum ChunkId : uint16_t {
  kMain = 0x4D4D,
  kEditor = 0x3D3D,
  kObject = 0x4000,
  kTriangleMesh = 0x4100,
  kVertices = 0x4110,
  kFaces = 0x4120,
  kFaceMaterial = 0x4130,
  kTextureCoords = 0x4140,
  kObjectMatrix = 0x4160,
  kMaterial = 0xAFFF,
  kMaterialName = 0xA000,
  kDiffuse = 0xA020,
  kTextureMap = 0xA200,
  kMapFile = 0xA300,
  kFloatColor = 0x0010,
  kByteColor = 0x0011,
  kKeyFramer = 0xB000,
  kKeyFramerHeader = 0xB00A,
  kObjectNode = 0xB002,
  kNodeHeader = 0xB010,
  kInstanceName = 0xB011,
  kPivot = 0xB013,
  kNodeId = 0xB030,
  kPositionTrack = 0xB020,
  kRotationTrack = 0xB021,
  kScaleTrack = 0xB022,
};

constexpr uint16_t kNoNode = 0xFFFF;
constexpr char kDummyName[] = "$$$DUMMY";

struct Chunk {
  uint16_t id = 0;
  ByteReader data;
};

// The next chunk in a parent's data. A length running past the parent's
// end is cut there; false at the end, or at a header that does not fit or
// a length shorter than the header.
bool nextChunk(ByteReader& parent, Chunk& chunk) {
  uint32_t length;
  if (!parent.readAll(chunk.id, length) || length < 6) return false;
  parent.take(std::min<size_t>(length - 6, parent.remaining()), chunk.data);
  return true;
}

bool readVector(ByteReader& data, Vector& v) { return data.readAll(v.x, v.y, v.z); }

// A 16-bit count of records of size bytes, bounded by what the data holds.
uint16_t readCount(ByteReader& data, size_t size) {
  uint16_t count = 0;
  if (!data.read(count)) return 0;
  return static_cast<uint16_t>(std::min<size_t>(count, data.remaining() / size));
}

class ThreeDSReader {
 public:
  explicit ThreeDSReader(const ModelLoad& load) : load_(load), space_(load.matrix) {}
  std::unique_ptr<Object> read(ByteReader main);

 private:
  struct EditorMesh {
    Mesh* mesh;
    bool taken = false;
  };
  struct Node {
    std::string name, instance;
    uint16_t parent = kNoNode, id = kNoNode;
    Vector pivot;
    KeySet keys;
  };

  void readEditor(ByteReader data);
  void readMaterial(ByteReader data);
  void readTriangleMesh(ByteReader data, Mesh& mesh);
  void readKeyFramer(ByteReader data);
  void readNode(ByteReader data);
  void readTrack(ByteReader data, uint16_t id, KeySet& keys) const;
  void attach(Node& node);

  const ModelLoad& load_;
  LoaderSpace space_;
  std::unique_ptr<Mesh> root_;
  std::map<std::string, Brush, std::less<>> materials_;
  std::unordered_map<std::string, EditorMesh> meshes_;
  std::unordered_map<uint16_t, Object*> nodes_;
  int32_t length_ = 0;
};

std::unique_ptr<Object> ThreeDSReader::read(ByteReader main) {
  root_ = std::make_unique<Mesh>();
  // The key-framer names editor objects: it is read after them wherever it
  // is in the file.
  std::vector<ByteReader> keyFramers;
  Chunk chunk;
  while (nextChunk(main, chunk)) {
    if (chunk.id == kEditor) readEditor(chunk.data);
    else if (chunk.id == kKeyFramer) keyFramers.push_back(chunk.data);
  }
  for (const ByteReader& data : keyFramers) readKeyFramer(data);
  if (load_.flags != kLoadMesh) root_->animator = std::make_unique<KeyAnimator>(*root_, length_);
  return std::move(root_);
}

void ThreeDSReader::readEditor(ByteReader data) {
  // Materials are named by the faces of objects: they are read first.
  Chunk chunk;
  if (load_.flags != kLoadAnimSeq)
    for (ByteReader scan = data; nextChunk(scan, chunk);)
      if (chunk.id == kMaterial) readMaterial(chunk.data);
  while (nextChunk(data, chunk)) {
    if (chunk.id != kObject) continue;
    std::string name;
    if (!chunk.data.read(name)) continue;
    Chunk part;
    while (nextChunk(chunk.data, part)) {
      if (part.id != kTriangleMesh) continue;
      auto* mesh = new Mesh;
      mesh->setParent(root_.get());
      mesh->name = name;
      meshes_.try_emplace(name, EditorMesh{mesh});
      if (load_.flags != kLoadAnimSeq) readTriangleMesh(part.data, *mesh);
    }
  }
}

void ThreeDSReader::readMaterial(ByteReader data) {
  std::string name;
  Brush brush;
  Chunk chunk, part;
  while (nextChunk(data, chunk)) {
    if (chunk.id == kMaterialName) {
      chunk.data.read(name);
    } else if (chunk.id == kDiffuse) {
      while (nextChunk(chunk.data, part)) {
        Vector color;
        uint8_t rgb[3];
        if (part.id == kFloatColor && readVector(part.data, color)) {
          brush.setColor(color);
        } else if (part.id == kByteColor && part.data.readAll(rgb[0], rgb[1], rgb[2])) {
          brush.setColor(Vector{float(rgb[0]), float(rgb[1]), float(rgb[2])} * kColorScale);
        }
      }
    } else if (chunk.id == kTextureMap) {
      std::string file;
      while (nextChunk(chunk.data, part)) {
        if (part.id != kMapFile || !part.data.read(file) || !load_.world.graphics) continue;
        Texture texture = loadTexture(*load_.world.graphics, load_.world.textureFilters, file, 0);
        if (texture && texture.frameCount()) {
          brush.setTexture(0, texture, 0);
          brush.setColor({1, 1, 1});
        }
      }
    }
  }
  if (!name.empty()) materials_.insert_or_assign(name, brush);
}

void ThreeDSReader::readTriangleMesh(ByteReader data, Mesh& mesh) {
  MeshBuilder builder;
  const int32_t plain = builder.group(Brush());
  std::vector<Vector> positions;
  std::vector<std::array<uint16_t, 3>> faces;
  std::vector<int32_t> faceGroups;
  std::vector<float> coords;
  Transform objectMatrix;
  Chunk chunk, part;
  while (nextChunk(data, chunk)) {
    if (chunk.id == kVertices) {
      positions.resize(readCount(chunk.data, 12));
      for (Vector& p : positions) readVector(chunk.data, p);
    } else if (chunk.id == kFaces) {
      faces.resize(readCount(chunk.data, 8));
      for (auto& face : faces) {
        uint16_t flags;
        chunk.data.readAll(face[0], face[1], face[2], flags);
      }
      faceGroups.assign(faces.size(), plain);
      while (nextChunk(chunk.data, part)) {
        std::string name;
        if (part.id != kFaceMaterial || !part.data.read(name)) continue;
        const auto material = materials_.find(name);
        if (material == materials_.end()) continue;
        const int32_t group = builder.group(material->second);
        const uint16_t count = readCount(part.data, 2);
        for (uint16_t n = 0; n < count; ++n) {
          uint16_t face = 0;
          part.data.read(face);
          if (face < faceGroups.size()) faceGroups[face] = group;
        }
      }
    } else if (chunk.id == kTextureCoords) {
      coords.resize(2 * size_t{readCount(chunk.data, 8)});
      for (float& c : coords) chunk.data.read(c);
    } else if (chunk.id == kObjectMatrix) {
      Transform t;
      if (readVector(chunk.data, t.m.i) && readVector(chunk.data, t.m.j) && readVector(chunk.data, t.m.k) &&
          readVector(chunk.data, t.pos))
        objectMatrix = t;
    }
  }

  // The object's matrix places the mesh; its vertices, stored in the
  // world, are carried into the object's own space.
  mesh.setLocalTransform(space_.transform(objectMatrix));
  const Transform toObject = inverse(mesh.localTransform());
  builder.reserve(positions.size(), faces.size());
  for (size_t n = 0; n < positions.size(); ++n) {
    Vertex v;
    v.setPosition(toObject * space_.point(positions[n]));
    if (2 * n + 1 < coords.size()) {
      v.u0 = v.u1 = coords[2 * n];
      v.v0 = v.v1 = 1 - coords[2 * n + 1];
    }
    builder.addVertex(v);
  }
  for (size_t f = 0; f < faces.size(); ++f) {
    int32_t a = faces[f][0], b = faces[f][1], c = faces[f][2];
    space_.wind(b, c);
    builder.addTriangle(a, b, c, faceGroups[f]);
  }
  builder.finish(mesh);
  mesh.updateNormals();
}

void ThreeDSReader::readKeyFramer(ByteReader data) {
  Chunk chunk;
  while (nextChunk(data, chunk)) {
    if (chunk.id == kKeyFramerHeader) {
      uint16_t revision, length;
      std::string name;
      if (chunk.data.readAll(revision, name, length)) length_ = length;
    } else if (chunk.id == kObjectNode) {
      readNode(chunk.data);
    }
  }
}

void ThreeDSReader::readNode(ByteReader data) {
  Node node;
  Chunk chunk;
  while (nextChunk(data, chunk)) {
    switch (chunk.id) {
      case kNodeHeader: {
        uint16_t flags1, flags2;
        chunk.data.readAll(node.name, flags1, flags2, node.parent);
        break;
      }
      case kInstanceName:
        chunk.data.read(node.instance);
        break;
      case kPivot:
        if (readVector(chunk.data, node.pivot)) node.pivot = space_.point(node.pivot);
        break;
      case kNodeId:
        chunk.data.read(node.id);
        break;
      case kPositionTrack:
      case kRotationTrack:
      case kScaleTrack:
        if (load_.flags != kLoadMesh) readTrack(chunk.data, chunk.id, node.keys);
        break;
      default:
        break;
    }
  }
  attach(node);
}

void ThreeDSReader::readTrack(ByteReader data, uint16_t id, KeySet& keys) const {
  uint16_t flags, count;
  if (!data.read(flags) || !data.skip(8) || !data.read(count) || !data.skip(2)) return;
  Quat accumulated;
  for (uint16_t n = 0; n < count; ++n) {
    int32_t frame;
    uint16_t spline;
    if (!data.readAll(frame, spline)) return;
    // The spline's tension, continuity, bias and eases are not used.
    for (uint16_t bit = 1; bit <= 16; bit <<= 1)
      if ((spline & bit) && !data.skip(4)) return;
    const bool kept = frame >= 0 && frame <= length_;
    if (id == kRotationTrack) {
      float angle;
      Vector axis;
      if (!data.read(angle) || !readVector(data, axis)) return;
      if (length(axis) > 0.000001f) {
        if (space_.mirrored()) angle = -angle;
        axis = normalise(space_.point(axis));
        const float s = std::sin(angle / 2);
        accumulated = accumulated * Quat{std::cos(angle / 2), axis.x * s, axis.y * s, axis.z * s};
      }
      if (kept) keys.rotation.set(frame, accumulated);
    } else {
      Vector value;
      if (!readVector(data, value)) return;
      if (!kept) continue;
      if (id == kPositionTrack) {
        keys.position.set(frame, space_.point(value));
      } else {
        // Scales follow the axes L moves them to.
        const Vector s = space_.point(value);
        keys.scale.set(frame, {std::fabs(s.x), std::fabs(s.y), std::fabs(s.z)});
      }
    }
  }
}

void ThreeDSReader::attach(Node& node) {
  Entity* parent = root_.get();
  if (node.parent != kNoNode) {
    const auto found = nodes_.find(node.parent);
    if (found == nodes_.end()) return;
    parent = found->second;
  }
  Object* entity;
  if (node.name == kDummyName) {
    auto* dummy = new Mesh;
    dummy->name = node.instance;
    dummy->setParent(parent);
    entity = dummy;
  } else {
    const auto found = meshes_.find(node.name);
    if (found == meshes_.end() || found->second.taken) return;
    found->second.taken = true;
    Mesh* mesh = found->second.mesh;
    if (node.pivot != Vector{}) mesh->transform({Matrix{}, -node.pivot});
    const Transform world = mesh->worldTransform();
    mesh->setParent(parent);
    mesh->setWorldTransform(world);
    entity = mesh;
  }
  if (!node.keys.empty()) entity->keys = std::make_shared<KeySet>(std::move(node.keys));
  if (node.id != kNoNode) nodes_[node.id] = entity;
}

}  // namespace

std::unique_ptr<Object> load3DS(const ModelLoad& load) {
  FileView file;
  return file.open(load.path, kLargestModelFile) ? read3DS(load, file.bytes()) : nullptr;
}

std::unique_ptr<Object> read3DS(const ModelLoad& load, std::span<const uint8_t> bytes) {
  ByteReader file(bytes.data(), bytes.size());
  Chunk main;
  if (!nextChunk(file, main) || main.id != kMain) return nullptr;
  return ThreeDSReader(load).read(main.data);
}

}  // namespace vx
