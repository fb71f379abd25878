#pragma once
// A mesh surface: vertices, triangles and a brush, part of a mesh. What the
// device holds of it is kept in a device mesh made on first draw; edits
// record how many leading vertices and triangles the device still holds
// unchanged, so a draw after an edit sends only the tail from the first
// changed one on.
//
// Surfaces are handed to programs; every live one is in surfaces(), so that
// a handle is only used while its surface exists.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine3d/brush.h"
#include "engine3d/device/scene_device.h"
#include "engine3d/math3d.h"
#include "runtime/handles.h"

namespace vx {

struct Vertex {
  float x = 0, y = 0, z = 0;
  float nx = 0, ny = 0, nz = 0;
  uint32_t argb = 0xFFFFFFFF;
  float u0 = 0, v0 = 0;
  float u1 = 0, v1 = 0;
  int32_t bone = 0;  // of a skinned mesh

  Vector position() const { return {x, y, z}; }
  Vector normal() const { return {nx, ny, nz}; }
  void setPosition(Vector p) { x = p.x, y = p.y, z = p.z; }
  void setNormal(Vector n) { nx = n.x, ny = n.y, nz = n.z; }
  friend bool operator==(const Vertex&, const Vertex&) = default;
};
static_assert(sizeof(Vertex) == 48);

struct Triangle {
  uint16_t v[3];
  friend bool operator==(const Triangle&, const Triangle&) = default;
};
static_assert(sizeof(Triangle) == 6);

// The most vertices a surface's triangles can name.
constexpr int32_t kSurfaceVertexLimit = 65536;

// A mesh's change counters, which its surfaces move: geometry for vertex
// positions, vertices, triangles and surfaces; material for brushes;
// vertices for every edit of what a vertex holds (normals, colours and
// texture coordinates too).
struct MeshVersions {
  int32_t geometry = 0;
  int32_t material = 0;
  int32_t vertices = 0;
};

class MeshSurface {
 public:
  // versions are the owning mesh's, counted up by edits of the geometry or
  // the brush.
  MeshSurface(const Brush& brush, MeshVersions& versions);
  ~MeshSurface();
  MeshSurface(const MeshSurface&) = delete;
  MeshSurface& operator=(const MeshSurface&) = delete;

  static const HandleSet<MeshSurface>& surfaces();

  const Brush& brush() const { return brush_; }
  const std::vector<Vertex>& vertices() const { return vertices_; }
  const std::vector<Triangle>& triangles() const { return triangles_; }
  int32_t vertexCount() const { return static_cast<int32_t>(vertices_.size()); }
  int32_t triangleCount() const { return static_cast<int32_t>(triangles_.size()); }
  bool hasVertex(int32_t index) const { return index >= 0 && index < vertexCount(); }
  bool hasTriangle(int32_t index) const { return index >= 0 && index < triangleCount(); }

  // Edits. The index must be that of a vertex (hasVertex). A triangle
  // naming a vertex beyond what 16-bit indices reach is kept, but like one
  // naming a missing vertex it stops the surface from being drawn.
  int32_t addVertex(Vector position, float u, float v);
  int32_t addVertex(const Vertex& vertex);
  int32_t addTriangle(int32_t v0, int32_t v1, int32_t v2);
  // Appends what a loader built, taking its storage when the surface has
  // none yet; the triangles name vertices by their numbers in the surface
  // after the append.
  void append(std::vector<Vertex>&& vertices, std::vector<Triangle>&& triangles);
  void setCoords(int32_t index, Vector position);
  void setNormal(int32_t index, Vector normal);
  void setColor(int32_t index, uint32_t argb);
  void setTexCoords(int32_t index, float u, float v, int32_t set);
  void clear(bool clearVertices, bool clearTriangles);
  void setBrush(const Brush& brush);
  // Every vertex and normal taken through the transform; normals by its
  // cofactor matrix, not renormalised.
  void transform(const Transform& transform);
  // Normals negated, triangles wound the other way.
  void flip();
  // Each vertex's normal: the normalised sum of the unit normals of the
  // faces around its position, where positions within 1e-6 on every axis
  // are one (below).
  void updateNormals();
  // Adds to the colour of each vertex: c (0..255 per channel, added as is)
  // times the weight the function gives the vertex; a vertex with weight 0
  // keeps its colour, every other gets alpha 255.
  template <typename Weight>
  void addLight(Vector color, Weight weight);

  // The device's copy, brought up to date; null when there is nothing to
  // draw or a triangle refers to a vertex that does not exist.
  DeviceMesh* deviceMesh(SceneDevice& device);
  // Whether the surface can be drawn: it has triangles, and they name only
  // vertices it has.
  bool drawable() const { return vertexCount() && triangleCount() && highestIndex_ < vertexCount(); }
  // Writes the triangles as device indices.
  void writeTriangles(uint16_t* out, int32_t first, int32_t count) const;

 private:
  void verticesChanged(int32_t from) {
    cleanVertices_ = std::min(cleanVertices_, from);
    ++versions_.vertices;
  }
  void trianglesChanged(int32_t from) { cleanTriangles_ = std::min(cleanTriangles_, from); }
  void geometryChanged() { ++versions_.geometry; }
  void sendVertices(DeviceMesh& mesh);
  void sendTriangles(DeviceMesh& mesh);

  Brush brush_;
  std::vector<Vertex> vertices_;
  std::vector<Triangle> triangles_;
  int32_t highestIndex_ = -1;  // the largest vertex index a triangle uses
  std::unique_ptr<DeviceMesh> device_;
  int32_t cleanVertices_ = 0, cleanTriangles_ = 0;
  MeshVersions& versions_;
};

template <typename Weight>
void MeshSurface::addLight(Vector color, Weight weight) {
  auto channel = [](uint32_t argb, int shift, float add) {
    const float value = static_cast<float>((argb >> shift) & 255) + add;
    const int32_t clamped = value < 0 ? 0 : value > 255 ? 255 : static_cast<int32_t>(value);
    return static_cast<uint32_t>(clamped) << shift;
  };
  for (int32_t i = 0; i < vertexCount(); ++i) {
    Vertex& vertex = vertices_[i];
    const float w = weight(vertex);
    if (w <= 0) continue;
    const Vector c = color * w;
    vertex.argb = 0xFF000000u | channel(vertex.argb, 16, c.x) | channel(vertex.argb, 8, c.y) |
                  channel(vertex.argb, 0, c.z);
    verticesChanged(i);
  }
}

}  // namespace vx
