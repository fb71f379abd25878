// Reading a level file into a BSPLevel. The file is read as a whole; each
// lump is taken only when it lies inside the file, and everything read
// from it is checked against the arrays it names before it is used.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <string_view>
#include <utility>

#include "engine3d/texture_cache.h"
#include "platform/canvas.h"
#include "world3d/bsp_level.h"
#include "world3d/bsp_patch.h"

namespace vx {

namespace {

enum Lump {
  kTextureLump = 1,
  kPlaneLump = 2,
  kNodeLump = 3,
  kLeafLump = 4,
  kLeafFaceLump = 5,
  kVertexLump = 10,
  kMeshVertexLump = 11,
  kFaceLump = 13,
  kLightmapLump = 14,
  kVisibilityLump = 16,
  kLumpCount = 17,
};

constexpr size_t kHeaderSize = 8 + 8 * kLumpCount;
constexpr int32_t kVersion = 46;

// Entry sizes.
constexpr size_t kTextureSize = 72, kPlaneSize = 16, kNodeSize = 36, kLeafSize = 48, kVertexSize = 44,
                 kFaceSize = 104;
constexpr int32_t kLightmapSide = 128;
constexpr size_t kLightmapSize = kLightmapSide * kLightmapSide * 3;

// Texture flags that decide how a face is used.
constexpr int32_t kSolidContents = 1;
constexpr int32_t kNoDrawSurface = 0x80, kSkySurface = 0x04;

enum FaceType { kPatchFace = 2 };

// Bounds on what faces may add up to, so that faces sharing (or claiming)
// the same ranges cannot make the level grow beyond the file's own size:
// triangles within four times the mesh-vertex list, patch vertices within
// sixteen times the vertex list (a patch tessellates into about sixteen
// vertices for each control point).
constexpr int64_t kMeshVertexBudget = 4, kPatchVertexBudget = 16;

constexpr int32_t kPartVertexLimit = 65536;

int32_t intAt(const uint8_t* p) {
  int32_t value;
  std::memcpy(&value, p, 4);
  return value;
}

// Values that are not numbers become 0, so that nothing downstream has to
// order or compare them.
float floatAt(const uint8_t* p) {
  float value;
  std::memcpy(&value, p, 4);
  return std::isfinite(value) ? value : 0.0f;
}

Vector fromFile(float x, float y, float z) { return {-y, z, x}; }
Vector pointAt(const uint8_t* p) { return fromFile(floatAt(p), floatAt(p + 4), floatAt(p + 8)); }
Vector intPointAt(const uint8_t* p) {
  return fromFile(static_cast<float>(intAt(p)), static_cast<float>(intAt(p + 4)), static_cast<float>(intAt(p + 8)));
}

void order(Vector& min, Vector& max) {
  if (min.x > max.x) std::swap(min.x, max.x);
  if (min.y > max.y) std::swap(min.y, max.y);
  if (min.z > max.z) std::swap(min.z, max.z);
}

// Whether first .. first + count lies within size.
bool within(int64_t first, int64_t count, int64_t size) { return first >= 0 && count >= 0 && first + count <= size; }

// The lumps of the file, each empty unless it lies wholly inside.
class LumpTable {
 public:
  explicit LumpTable(std::span<const uint8_t> file) {
    for (int i = 0; i < kLumpCount; ++i) {
      const int32_t offset = intAt(file.data() + 8 + 8 * i), length = intAt(file.data() + 12 + 8 * i);
      if (offset > 0 && length > 0 && within(offset, length, static_cast<int64_t>(file.size())))
        lumps_[i] = file.subspan(static_cast<size_t>(offset), static_cast<size_t>(length));
    }
  }
  std::span<const uint8_t> operator[](Lump lump) const { return lumps_[lump]; }
  // Whole entries of the lump.
  int32_t count(Lump lump, size_t entrySize) const { return static_cast<int32_t>(lumps_[lump].size() / entrySize); }
  const uint8_t* entry(Lump lump, size_t entrySize, int32_t index) const {
    return lumps_[lump].data() + entrySize * static_cast<size_t>(index);
  }

 private:
  std::span<const uint8_t> lumps_[kLumpCount];
};

struct TextureEntry {
  std::string name;
  int32_t surfaceFlags = 0, contents = 0;
};

struct FileFace {
  int32_t texture, type, vertex, vertexCount, meshVertex, meshVertexCount, lightmap, width, height;
};

FileFace faceAt(const uint8_t* p) {
  return {intAt(p), intAt(p + 8), intAt(p + 12), intAt(p + 16), intAt(p + 20), intAt(p + 24), intAt(p + 28),
          intAt(p + 96), intAt(p + 100)};
}

// A face as gathered: its triangles as indices into all vertices (the
// file's, then the patches').
struct GatheredFace {
  BSPBatch batch;
  size_t firstIndex, indexCount;
  int32_t fileFace;
};

// Turns a file into a level, step by step.
class LevelBuilder {
 public:
  LevelBuilder(const LumpTable& lumps, BSPLevel& level) : lumps_(lumps), level_(level) {}

  void build() {
    readTextures();
    readVertices();
    readNodes();
    readLeaves();
    readVisibility();
    gatherFaces();
    buildParts();
    linkLeafFaces();
  }

  const std::vector<TextureEntry>& textureEntries() const { return textureEntries_; }
  const std::vector<Vector>& collisionVertices() const { return collisionVertices_; }
  const std::vector<std::array<int32_t, 3>>& collisionTriangles() const { return collisionTriangles_; }

 private:
  void readTextures() {
    const int32_t count = lumps_.count(kTextureLump, kTextureSize);
    textureEntries_.resize(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
      const uint8_t* p = lumps_.entry(kTextureLump, kTextureSize, i);
      const auto* name = reinterpret_cast<const char*>(p);
      textureEntries_[i] = {std::string(name, strnlen(name, 64)), intAt(p + 64), intAt(p + 68)};
    }
  }

  void readVertices() {
    const int32_t count = lumps_.count(kVertexLump, kVertexSize);
    vertices_.resize(static_cast<size_t>(count));
    collisionVertices_.resize(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
      const uint8_t* p = lumps_.entry(kVertexLump, kVertexSize, i);
      DeviceVertex& v = vertices_[i];
      const Vector position = pointAt(p), normal = pointAt(p + 28);
      v.x = position.x, v.y = position.y, v.z = position.z;
      v.nx = normal.x, v.ny = normal.y, v.nz = normal.z;
      // Lightmap coordinates are set 0, the surface's set 1.
      v.u1 = floatAt(p + 12), v.v1 = floatAt(p + 16);
      v.u0 = floatAt(p + 20), v.v0 = floatAt(p + 24);
      v.argb = 0xFF000000u | uint32_t{p[40]} << 16 | uint32_t{p[41]} << 8 | p[42];
      collisionVertices_[i] = position;
    }
  }

  void readNodes() {
    const int32_t planes = lumps_.count(kPlaneLump, kPlaneSize);
    const int32_t nodes = lumps_.count(kNodeLump, kNodeSize);
    const int32_t leaves = lumps_.count(kLeafLump, kLeafSize);
    level_.nodes.resize(static_cast<size_t>(nodes));
    for (int32_t i = 0; i < nodes; ++i) {
      const uint8_t* p = lumps_.entry(kNodeLump, kNodeSize, i);
      BSPNode& node = level_.nodes[i];
      const int32_t plane = intAt(p);
      if (plane >= 0 && plane < planes) {
        const uint8_t* q = lumps_.entry(kPlaneLump, kPlaneSize, plane);
        node.plane = {pointAt(q), -floatAt(q + 12)};
      }
      // Children come after their parent, as the tree is written depth
      // first: anything else could make the walk go round.
      for (int c = 0; c < 2; ++c) {
        const int32_t child = intAt(p + 4 + 4 * c);
        const bool good = child >= 0 ? child > i && child < nodes : child != INT32_MIN && -1 - child < leaves;
        node.children[c] = good ? child : BSPNode::kNoChild;
      }
      node.min = intPointAt(p + 12);
      node.max = intPointAt(p + 24);
      order(node.min, node.max);
    }
  }

  void readLeaves() {
    const int32_t count = lumps_.count(kLeafLump, kLeafSize);
    const int32_t leafFaces = static_cast<int32_t>(lumps_[kLeafFaceLump].size() / 4);
    level_.leaves.resize(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
      const uint8_t* p = lumps_.entry(kLeafLump, kLeafSize, i);
      BSPLeaf& leaf = level_.leaves[i];
      leaf.cluster = intAt(p);
      leaf.min = intPointAt(p + 8);
      leaf.max = intPointAt(p + 20);
      order(leaf.min, leaf.max);
      const int32_t first = intAt(p + 32), faces = intAt(p + 36);
      if (within(first, faces, leafFaces)) leaf.firstLeafFace = first, leaf.leafFaceCount = faces;
    }
  }

  void readVisibility() {
    const std::span<const uint8_t> lump = lumps_[kVisibilityLump];
    if (lump.size() < 8) return;
    const int32_t clusters = intAt(lump.data()), bytes = intAt(lump.data() + 4);
    if (clusters <= 0 || bytes <= 0 || int64_t{clusters} * bytes > static_cast<int64_t>(lump.size()) - 8) return;
    level_.clusterCount = clusters;
    level_.bytesPerCluster = bytes;
    level_.visibility.assign(lump.begin() + 8, lump.begin() + 8 + int64_t{clusters} * bytes);
  }

  // Every face once, in the order the leaves first list them: its
  // triangles, whether it collides, and whether and how it is drawn.
  void gatherFaces() {
    const int32_t faceCount = lumps_.count(kFaceLump, kFaceSize);
    const std::span<const uint8_t> leafFaces = lumps_[kLeafFaceLump];
    std::vector<bool> taken(static_cast<size_t>(faceCount));
    meshVertexBudget_ = kMeshVertexBudget * static_cast<int64_t>(lumps_[kMeshVertexLump].size() / 4);
    patchVertexBudget_ = kPatchVertexBudget * static_cast<int64_t>(vertices_.size());
    for (const BSPLeaf& leaf : level_.leaves)
      for (int32_t i = 0; i < leaf.leafFaceCount; ++i) {
        const int32_t face = intAt(leafFaces.data() + 4 * static_cast<size_t>(leaf.firstLeafFace + i));
        if (face < 0 || face >= faceCount || taken[face]) continue;
        taken[face] = true;
        gatherFace(face, faceAt(lumps_.entry(kFaceLump, kFaceSize, face)));
      }
  }

  void gatherFace(int32_t index, const FileFace& face) {
    const TextureEntry* texture =
        face.texture >= 0 && face.texture < static_cast<int32_t>(textureEntries_.size()) ? &textureEntries_[face.texture]
                                                                                          : nullptr;
    if (texture && !(texture->contents & kSolidContents)) return;
    const size_t first = indices_.size();
    if (!(face.type == kPatchFace ? addPatchTriangles(face) : addMeshTriangles(face))) return;
    const size_t count = indices_.size() - first;
    for (size_t i = first; i < first + count; i += 3)
      collisionTriangles_.push_back({indices_[i], indices_[i + 1], indices_[i + 2]});
    if (texture && (texture->surfaceFlags & (kNoDrawSurface | kSkySurface))) return;
    const int32_t lightmaps = static_cast<int32_t>(lumps_[kLightmapLump].size() / kLightmapSize);
    const BSPBatch batch{texture ? face.texture : -1, face.lightmap >= 0 && face.lightmap < lightmaps ? face.lightmap : -1};
    gathered_.push_back({batch, first, count, index});
  }

  // The face's triangles from the mesh-vertex list, each index relative to
  // the face's first vertex. False, adding nothing, when any is missing.
  bool addMeshTriangles(const FileFace& face) {
    const int64_t meshVertices = static_cast<int64_t>(lumps_[kMeshVertexLump].size() / 4);
    const int32_t n = face.meshVertexCount;
    if (n <= 0 || n % 3 || !within(face.meshVertex, n, meshVertices) || n > meshVertexBudget_) return false;
    const uint8_t* list = lumps_[kMeshVertexLump].data() + 4 * static_cast<size_t>(face.meshVertex);
    const size_t first = indices_.size();
    for (int32_t i = 0; i < n; ++i) {
      const int64_t vertex = int64_t{face.vertex} + intAt(list + 4 * i);
      if (vertex < 0 || vertex >= static_cast<int64_t>(vertices_.size())) {
        indices_.resize(first);
        return false;
      }
      indices_.push_back(static_cast<int32_t>(vertex));
    }
    meshVertexBudget_ -= n;
    return true;
  }

  // The patch's control points tessellated: its vertices are added after
  // every vertex so far.
  bool addPatchTriangles(const FileFace& face) {
    const int64_t grid = patchVertexCount(face.width, face.height);
    if (!grid || grid > patchVertexBudget_ || int64_t{face.width} * face.height != face.vertexCount ||
        !within(face.vertex, face.vertexCount, static_cast<int64_t>(vertices_.size())))
      return false;
    patchVertexBudget_ -= grid;
    PatchGrid patch = tessellatePatch(&vertices_[face.vertex], face.width, face.height);
    const int32_t base = static_cast<int32_t>(vertices_.size() + patchVertices_.size());
    for (const DeviceVertex& v : patch.vertices) {
      patchVertices_.push_back(v);
      collisionVertices_.push_back({v.x, v.y, v.z});
    }
    for (const auto& t : patch.triangles)
      for (int32_t corner : t) indices_.push_back(base + corner);
    return true;
  }

  const DeviceVertex& vertexAt(int32_t index) const {
    return index < static_cast<int32_t>(vertices_.size()) ? vertices_[index] : patchVertices_[index - vertices_.size()];
  }

  // Drawn faces batch by batch (batches in the order their first face was
  // gathered), each batch split into parts of at most 65,536 vertices. A
  // face with more vertices than a part holds is not drawn.
  void buildParts() {
    std::map<std::pair<int32_t, int32_t>, std::vector<const GatheredFace*>> byBatch;
    std::vector<std::pair<int32_t, int32_t>> batchOrder;
    for (const GatheredFace& face : gathered_) {
      auto& list = byBatch[{face.batch.texture, face.batch.lightmap}];
      if (list.empty()) batchOrder.push_back({face.batch.texture, face.batch.lightmap});
      list.push_back(&face);
    }
    drawnFaceOf_.assign(static_cast<size_t>(lumps_.count(kFaceLump, kFaceSize)), -1);
    const size_t allVertices = vertices_.size() + patchVertices_.size();
    partOf_.assign(allVertices, -1);
    countedFor_.assign(allVertices, -1);
    localIndex_.assign(allVertices, 0);
    level_.boundsMin = {1e30f, 1e30f, 1e30f};
    level_.boundsMax = {-1e30f, -1e30f, -1e30f};
    for (const auto& key : batchOrder) {
      const int32_t batch = static_cast<int32_t>(level_.batches.size());
      level_.batches.push_back({key.first, key.second});
      BSPPart* part = nullptr;
      for (const GatheredFace* face : byBatch[key]) {
        const VertexCount count = countVertices(*face, part ? static_cast<int32_t>(part - level_.parts.data()) : -1);
        if (count.distinct > kPartVertexLimit) continue;
        if (!part || static_cast<int32_t>(part->vertices.size()) + count.notInPart > kPartVertexLimit) {
          part = &level_.parts.emplace_back();
          part->batch = batch;
          part->firstFace = static_cast<int32_t>(level_.faces.size());
        }
        addToPart(*face, *part);
      }
    }
  }

  struct VertexCount {
    int32_t distinct = 0, notInPart = 0;
  };

  // The face's distinct vertices, and how many of them the part lacks.
  VertexCount countVertices(const GatheredFace& face, int32_t part) {
    VertexCount count;
    ++countSerial_;
    for (size_t i = face.firstIndex; i < face.firstIndex + face.indexCount; ++i) {
      const int32_t v = indices_[i];
      if (countedFor_[v] == countSerial_) continue;
      countedFor_[v] = countSerial_;
      ++count.distinct;
      if (partOf_[v] != part) ++count.notInPart;
    }
    return count;
  }

  void addToPart(const GatheredFace& face, BSPPart& part) {
    const int32_t partIndex = static_cast<int32_t>(&part - level_.parts.data());
    BSPFace drawn;
    drawn.part = partIndex;
    drawn.firstTriangle = static_cast<int32_t>(part.indices.size() / 3);
    drawn.triangleCount = static_cast<int32_t>(face.indexCount / 3);
    for (size_t i = face.firstIndex; i < face.firstIndex + face.indexCount; ++i) {
      const int32_t v = indices_[i];
      if (partOf_[v] != partIndex) {
        partOf_[v] = partIndex;
        localIndex_[v] = static_cast<uint16_t>(part.vertices.size());
        const DeviceVertex& vertex = vertexAt(v);
        part.vertices.push_back(vertex);
        level_.boundsMin = {std::min(level_.boundsMin.x, vertex.x), std::min(level_.boundsMin.y, vertex.y),
                            std::min(level_.boundsMin.z, vertex.z)};
        level_.boundsMax = {std::max(level_.boundsMax.x, vertex.x), std::max(level_.boundsMax.y, vertex.y),
                            std::max(level_.boundsMax.z, vertex.z)};
      }
      part.indices.push_back(localIndex_[v]);
    }
    drawnFaceOf_[face.fileFace] = static_cast<int32_t>(level_.faces.size());
    level_.faces.push_back(drawn);
    ++part.faceCount;
  }

  // The leaves' face lists in drawn face numbers.
  void linkLeafFaces() {
    const std::span<const uint8_t> lump = lumps_[kLeafFaceLump];
    level_.leafFaces.resize(lump.size() / 4);
    for (size_t i = 0; i < level_.leafFaces.size(); ++i) {
      const int32_t face = intAt(lump.data() + 4 * i);
      level_.leafFaces[i] = face >= 0 && face < static_cast<int32_t>(drawnFaceOf_.size()) ? drawnFaceOf_[face] : -1;
    }
  }

  const LumpTable& lumps_;
  BSPLevel& level_;
  std::vector<TextureEntry> textureEntries_;
  std::vector<DeviceVertex> vertices_;       // the file's
  std::vector<DeviceVertex> patchVertices_;  // made for patches
  std::vector<int32_t> indices_;             // the gathered faces' triangles
  std::vector<GatheredFace> gathered_;
  std::vector<Vector> collisionVertices_;
  std::vector<std::array<int32_t, 3>> collisionTriangles_;
  int64_t meshVertexBudget_ = 0, patchVertexBudget_ = 0;
  std::vector<int32_t> drawnFaceOf_;  // by file face
  // By vertex: the part it was last put in and its index there, and the
  // count that last saw it.
  std::vector<int32_t> partOf_;
  std::vector<uint16_t> localIndex_;
  std::vector<int32_t> countedFor_;
  int32_t countSerial_ = 0;
};

// The directory part of a path, with its separator ("" for none).
std::string directoryOf(std::string_view path) {
  const size_t cut = path.find_last_of("/\\");
  return cut == std::string_view::npos ? std::string() : std::string(path.substr(0, cut + 1));
}

// The directory above one that ends with a separator (or is empty).
std::string parentOf(const std::string& directory) {
  std::string_view body = directory;
  if (!body.empty()) body.remove_suffix(1);
  const size_t cut = body.find_last_of("/\\");
  const std::string_view last = cut == std::string_view::npos ? body : body.substr(cut + 1);
  if (body.empty() || last == "." || last == "..") return directory + "../";
  return cut == std::string_view::npos ? std::string() : std::string(body.substr(0, cut + 1));
}

// The level's directory is the texture directory while its textures load.
class TextureDirectoryScope {
 public:
  explicit TextureDirectoryScope(const std::string& directory) { setTextureDirectory(directory); }
  ~TextureDirectoryScope() { setTextureDirectory(""); }
  TextureDirectoryScope(const TextureDirectoryScope&) = delete;
  TextureDirectoryScope& operator=(const TextureDirectoryScope&) = delete;
};

// A texture entry's image: name + ".tga", else name + ".jpg", each looked
// for in the level's directory (by the name's last component), then by the
// full name under the level's directory, under its parent (where an
// unpacked archive keeps textures/ beside maps/) and as it stands. Kept
// even when nothing loads.
Texture levelTexture(const BSPTextureSource& source, const std::string& directory, const std::string& name) {
  std::vector<std::string> places{directory + name, parentOf(directory) + name, name};
  places.erase(std::unique(places.begin(), places.end()), places.end());
  Texture texture;
  for (const char* extension : {".tga", ".jpg"})
    for (const std::string& place : places) {
      texture = loadTexture(source.graphics, source.filters, place + extension, kTextureColor);
      if (texture.frameCount()) {
        texture.setCoords(1);
        return texture;
      }
    }
  texture.setCoords(1);
  return texture;
}

Texture lightmapTexture(const BSPTextureSource& source, const uint8_t* bytes) {
  constexpr int32_t kLightmapFlags = kTextureColor | 8 | kTextureClampU | kTextureClampV;
  Texture texture = createTexture(source.graphics, kLightmapSide, kLightmapSide, kLightmapFlags, 1);
  Canvas* canvas = texture.frame(0);
  if (!canvas || !canvas->lock()) return texture;
  uint8_t gamma[256];
  for (int i = 0; i < 256; ++i) gamma[i] = lightmapGamma(static_cast<uint8_t>(i), source.gammaAdjust);
  for (int32_t y = 0; y < kLightmapSide; ++y)
    for (int32_t x = 0; x < kLightmapSide; ++x, bytes += 3)
      canvas->setPixelFast(x, y, 0xFF000000u | uint32_t{gamma[bytes[0]]} << 16 | uint32_t{gamma[bytes[1]]} << 8 |
                                     gamma[bytes[2]]);
  canvas->unlock();
  texture.setBlend(Texture::kAdd);
  return texture;
}

// The textures and lightmaps the batches draw with; entries no batch uses
// are left without an image.
void loadMaterials(const LumpTable& lumps, const std::vector<TextureEntry>& entries, const BSPTextureSource& source,
                   BSPLevel& level) {
  const std::string directory = directoryOf(source.levelPath);
  const TextureDirectoryScope scope(directory);
  for (const BSPBatch& batch : level.batches) {
    if (batch.texture >= 0 && !level.textures[batch.texture])
      level.textures[batch.texture] = levelTexture(source, directory, entries[batch.texture].name);
    if (batch.lightmap >= 0 && !level.lightmaps[batch.lightmap])
      level.lightmaps[batch.lightmap] =
          lightmapTexture(source, lumps[kLightmapLump].data() + kLightmapSize * batch.lightmap);
  }
}

}  // namespace

uint8_t lightmapGamma(uint8_t value, float gammaAdjust) {
  const double v = 255.0 * std::pow(value / 255.0, 1.0 - static_cast<double>(gammaAdjust));
  return static_cast<uint8_t>(std::isnan(v) ? 0 : std::clamp(v, 0.0, 255.0));
}

bool BSPLevel::clusterVisible(int32_t eye, int32_t cluster) const {
  if (eye < 0 || eye >= clusterCount || cluster < 0 || cluster / 8 >= bytesPerCluster) return true;
  return visibility[static_cast<size_t>(eye) * bytesPerCluster + cluster / 8] & (1 << (cluster % 8));
}

std::unique_ptr<BSPLevel> readBSPLevel(std::span<const uint8_t> file, const BSPTextureSource* textures) {
  if (file.size() < kHeaderSize || std::memcmp(file.data(), "IBSP", 4) || intAt(file.data() + 4) != kVersion)
    return nullptr;
  const LumpTable lumps(file);
  auto level = std::make_unique<BSPLevel>();
  LevelBuilder builder(lumps, *level);
  builder.build();
  level->collider = std::make_unique<Collider>(builder.collisionVertices(), builder.collisionTriangles());
  level->textures.resize(builder.textureEntries().size());
  level->lightmaps.resize(lumps[kLightmapLump].size() / kLightmapSize);
  if (textures) loadMaterials(lumps, builder.textureEntries(), *textures, *level);
  return level;
}

}  // namespace vx
