#include "world3d/x_file.h"

#include <algorithm>
#include <map>
#include <string>
#include <unordered_map>

#include "engine3d/mesh.h"
#include "engine3d/texture_cache.h"
#include "platform/native_file.h"
#include "world3d/key_animator.h"
#include "world3d/key_set.h"
#include "world3d/loader_space.h"
#include "world3d/mesh_builder.h"
#include "world3d/x_parser.h"

namespace vx {

namespace {

enum KeyType : int32_t { kRotationKeys = 0, kScaleKeys = 1, kPositionKeys = 2, kMatrixKeys = 4 };

// Key times past this are not frames.
constexpr double kLastFrame = 1 << 30;

// The numbers of an object read in order, never past their end.
class Values {
 public:
  explicit Values(const XObject& object) : reader_(object) {}

  size_t remaining() const { return reader_.remaining(); }
  double next() { return reader_.next(); }
  float nextFloat() { return reader_.nextFloat(); }
  Vector nextVector() {
    const float x = nextFloat(), y = nextFloat();
    return {x, y, nextFloat()};
  }
  // A whole number below 2^31, or -1.
  int32_t nextIndex() { return reader_.nextIndex(); }
  // A count of records of width values each; -1 when the rest cannot hold
  // them.
  int64_t nextCount(size_t width) {
    const int32_t count = nextIndex();
    return count >= 0 && static_cast<size_t>(count) <= remaining() / width ? count : -1;
  }
  // The row-vector 4x4 matrix of 16 values: three axis rows, then the
  // translation row.
  Transform nextMatrix() {
    Transform t;
    Vector* rows[4] = {&t.m.i, &t.m.j, &t.m.k, &t.pos};
    for (Vector* row : rows) {
      *row = nextVector();
      next();
    }
    return t;
  }

 private:
  XNumberReader reader_;
};

uint32_t colorChannel(double value, int shift) {
  const double clamped = !(value > 0) ? 0 : value > 1 ? 1 : value;  // NaN is 0
  return static_cast<uint32_t>(clamped * 255 + 0.5) << shift;
}

class XReader {
 public:
  XReader(const ModelLoad& load, const XFile& file) : load_(load), file_(file), space_(load.matrix) {}
  std::unique_ptr<Object> read();

 private:
  void readFrame(const XObject& frame, Entity* parent);
  void readMesh(const XObject& object, Mesh& target);
  // The builder's brush groups of a mesh's faces (face numbers beyond the
  // list take the last one's); none for a mesh without materials.
  void readMaterialList(const XObject& list, int64_t faceCount, MeshBuilder& builder,
                        std::vector<int32_t>& faceGroups);
  const Brush& brushOf(const XObject& material);
  void readAnimationSet(const XObject& set);
  void readKeys(const XObject& key, Object& object);

  const ModelLoad& load_;
  const XFile& file_;
  LoaderSpace space_;
  std::unordered_map<std::string, Object*> frames_;  // by name, the first of each
  std::map<const XObject*, Brush> materials_;
  int32_t length_ = 0;
};

// The texture files of a file's objects, decoded while its geometry is
// read.
void prefetchTextures(const ModelLoad& load, const std::vector<XObject>& objects) {
  for (const XObject& object : objects) {
    if (object.type == "TextureFilename" && !object.strings.empty())
      prefetchTexture(*load.world.graphics, load.world.textureFilters, object.strings[0], 0);
    prefetchTextures(load, object.children);
  }
}

std::unique_ptr<Object> XReader::read() {
  if (load_.flags != kLoadAnimSeq && load_.world.graphics) prefetchTextures(load_, file_.objects);
  auto root = std::make_unique<Mesh>();
  for (const XObject& object : file_.objects) {
    if (object.type == "Frame")
      readFrame(object, root.get());
    else if (object.type == "Mesh" && load_.flags != kLoadAnimSeq)
      readMesh(object, *root);
  }
  if (load_.flags != kLoadMesh) {
    for (const XObject& object : file_.objects)
      if (object.type == "AnimationSet") readAnimationSet(object);
    root->animator = std::make_unique<KeyAnimator>(*root, length_);
  }
  return root;
}

void XReader::readFrame(const XObject& frame, Entity* parent) {
  // The parser bounds how deeply objects nest.
  auto* mesh = new Mesh;
  mesh->setParent(parent);
  mesh->name = frame.name;
  frames_.try_emplace(frame.name, mesh);
  for (const XObject& child : frame.children) {
    if (child.type == "FrameTransformMatrix") {
      Values values(child);
      if (values.remaining() >= 16) mesh->setLocalTransform(space_.transform(values.nextMatrix()));
    } else if (child.type == "Frame") {
      readFrame(child, mesh);
    } else if (load_.flags != kLoadAnimSeq) {
      // A frame may hold its mesh or refer to one elsewhere in the file.
      const XObject* object = file_.resolve(child);
      if (object && object->type == "Mesh") readMesh(*object, *mesh);
    }
  }
}

void XReader::readMesh(const XObject& object, Mesh& target) {
  Values values(object);
  const int64_t vertexCount = values.nextCount(3);
  if (vertexCount < 0) return;
  MeshBuilder builder;
  builder.reserve(vertexCount, vertexCount * 2);
  for (int64_t n = 0; n < vertexCount; ++n) {
    Vertex v;
    v.setPosition(space_.point(values.nextVector()));
    builder.addVertex(v);
  }
  const int64_t faceCount = std::max<int64_t>(values.nextCount(1), 0);

  bool hasNormals = false;
  std::vector<const XObject*> materialLists;
  for (const XObject& child : object.children) {
    Values records(child);
    // Optional records apply only when they have one entry per vertex.
    if (child.type == "MeshTextureCoords") {
      if (records.nextCount(2) != vertexCount) continue;
      for (int32_t n = 0; n < vertexCount; ++n) {
        Vertex& v = builder.vertex(n);
        v.u0 = v.u1 = records.nextFloat();
        v.v0 = v.v1 = records.nextFloat();
      }
    } else if (child.type == "MeshVertexColors") {
      if (records.nextCount(5) != vertexCount) continue;
      for (int32_t n = 0; n < vertexCount; ++n) {
        const int32_t index = records.nextIndex();
        const double red = records.next(), green = records.next(), blue = records.next();
        records.next();
        if (builder.hasVertex(index))
          builder.vertex(index).argb =
              0xFF000000u | colorChannel(red, 16) | colorChannel(green, 8) | colorChannel(blue, 0);
      }
    } else if (child.type == "MeshNormals") {
      if (records.nextCount(3) != vertexCount) continue;
      hasNormals = true;
      for (int32_t n = 0; n < vertexCount; ++n) builder.vertex(n).setNormal(space_.normal(records.nextVector()));
    } else if (child.type == "MeshMaterialList" && load_.flags != kLoadAnimSeq) {
      materialLists.push_back(&child);
    }
  }

  // Faces of n corners are fans about their first; shorter ones are
  // dropped. Their material lists are read after them, so that the
  // textures those name decode while the faces are read: the triangles
  // then take their faces' brushes.
  const int32_t plain = builder.group(Brush());
  std::vector<int32_t> triangleFaces;
  builder.reserve(0, std::min<size_t>(values.remaining(), static_cast<size_t>(faceCount) * 2));
  for (int64_t face = 0; face < faceCount; ++face) {
    const int64_t corners = values.nextCount(1);
    if (corners < 0) break;
    const int32_t first = values.nextIndex();
    int32_t previous = values.nextIndex();
    for (int64_t c = 2; c < corners; ++c) {
      int32_t b = previous, next = values.nextIndex(), cc = next;
      space_.wind(b, cc);
      if (builder.addTriangle(first, b, cc, plain) && !materialLists.empty())
        triangleFaces.push_back(static_cast<int32_t>(face));
      previous = next;
    }
  }
  std::vector<int32_t> faceGroups;
  for (const XObject* list : materialLists) readMaterialList(*list, faceCount, builder, faceGroups);
  if (!faceGroups.empty())
    for (size_t t = 0; t < triangleFaces.size(); ++t)
      builder.setGroup(static_cast<int32_t>(t), faceGroups[std::min<size_t>(triangleFaces[t], faceGroups.size() - 1)]);

  // Normals are computed for this record's geometry alone.
  if (hasNormals || target.surfaces().empty()) {
    builder.finish(target);
    if (!hasNormals) target.updateNormals();
    return;
  }
  Mesh own;
  builder.finish(own);
  own.updateNormals();
  for (const auto& surface : own.surfaces()) {
    for (const Vertex& v : surface->vertices()) builder.addVertex(v);
    for (const Triangle& t : surface->triangles()) builder.addTriangle(t.v[0], t.v[1], t.v[2], surface->brush());
    builder.finish(target);
  }
}

void XReader::readMaterialList(const XObject& list, int64_t faceCount, MeshBuilder& builder,
                               std::vector<int32_t>& faceGroups) {
  std::vector<int32_t> groups;
  for (const XObject& child : list.children) {
    const XObject* material = file_.resolve(child);
    if (material && material->type == "Material") groups.push_back(builder.group(brushOf(*material)));
  }
  if (groups.empty()) return;
  Values values(list);
  values.next();  // the material count, which the objects give
  const int64_t count = std::min(values.nextCount(1), faceCount);
  const int32_t plain = builder.group(Brush());
  faceGroups.reserve(std::max<int64_t>(count, 0));
  for (int64_t face = 0; face < count; ++face) {
    const int32_t number = values.nextIndex();
    faceGroups.push_back(number >= 0 && static_cast<size_t>(number) < groups.size() ? groups[number] : plain);
  }
}

const Brush& XReader::brushOf(const XObject& material) {
  const auto [it, added] = materials_.try_emplace(&material);
  Brush& brush = it->second;
  if (!added) return brush;
  Values values(material);
  if (values.remaining() >= 4) {
    const Vector color = values.nextVector();
    brush.setColor(color);
    if (const float alpha = values.nextFloat(); alpha != 0) brush.setAlpha(alpha);
  }
  for (const XObject& child : material.children) {
    const XObject* texture = file_.resolve(child);
    if (!texture || texture->type != "TextureFilename" || texture->strings.empty() || !load_.world.graphics) continue;
    Texture loaded = loadTexture(*load_.world.graphics, load_.world.textureFilters, texture->strings[0], 0);
    if (loaded && loaded.frameCount()) {
      brush.setTexture(0, loaded, 0);
      brush.setColor({1, 1, 1});
    }
  }
  return brush;
}

void XReader::readAnimationSet(const XObject& set) {
  for (const XObject& child : set.children) {
    const XObject* animation = file_.resolve(child);
    if (!animation || animation->type != "Animation") continue;
    Object* target = nullptr;
    for (const XObject& part : animation->children)
      if (part.reference) {
        const auto found = frames_.find(part.name);
        if (found != frames_.end()) target = found->second;
      }
    if (!target) continue;
    for (const XObject& part : animation->children)
      if (part.type == "AnimationKey") readKeys(part, *target);
  }
}

void XReader::readKeys(const XObject& key, Object& object) {
  Values values(key);
  const int32_t type = values.nextIndex();
  const int64_t count = values.nextCount(2);
  KeySet& keys = writable(object.keys);
  for (int64_t n = 0; n < count; ++n) {
    const double time = values.next();
    const int64_t size = values.nextCount(1);
    if (size < 0) return;
    const size_t rest = values.remaining() - static_cast<size_t>(size);
    if (time >= 0 && time <= kLastFrame) {
      const int32_t frame = static_cast<int32_t>(time);
      if (type == kRotationKeys && size >= 4) {
        // Stored for row vectors turned by q v q*; this engine turns by
        // q* v q.
        const float w = values.nextFloat(), x = values.nextFloat(), y = values.nextFloat(), z = values.nextFloat();
        keys.rotation.set(frame, space_.rotation(conjugate(Quat{w, x, y, z})));
      } else if (type == kScaleKeys && size >= 3) {
        keys.scale.set(frame, values.nextVector());
      } else if (type == kPositionKeys && size >= 3) {
        keys.position.set(frame, space_.point(values.nextVector()));
      } else if (type == kMatrixKeys && size >= 16) {
        const Transform t = space_.transform(values.nextMatrix());
        keys.position.set(frame, t.pos);
        keys.scale.set(frame, {length(t.m.i), length(t.m.j), length(t.m.k)});
        keys.rotation.set(frame, quatFromMatrix(t.m));
      }
      length_ = std::max(length_, frame);
    }
    while (values.remaining() > rest) values.next();
  }
}

}  // namespace

std::unique_ptr<Object> loadX(const ModelLoad& load) {
  FileView file;
  return file.open(load.path, kLargestModelFile) ? readX(load, file.bytes()) : nullptr;
}

std::unique_ptr<Object> readX(const ModelLoad& load, std::span<const uint8_t> bytes) {
  XFile file;
  if (!parseXFile(bytes.data(), bytes.size(), file)) return nullptr;
  return XReader(load, file).read();
}

}  // namespace vx
