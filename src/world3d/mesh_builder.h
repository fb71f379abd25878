#pragma once
// What model loaders build meshes with: they collect vertices and triangles
// tagged with a brush, and finish() turns them into the surfaces of a mesh,
// one per distinct brush (in brush order), each holding a copy of only the
// vertices its triangles use. A surface that would pass 65,536 vertices is
// continued in a new surface of the same brush. Builders are independent
// objects, so a loader may build several meshes at once (nested nodes).

#include <cstdint>
#include <map>
#include <vector>

#include "engine3d/brush.h"
#include "engine3d/mesh.h"

namespace vx {

class MeshBuilder {
 public:
  int32_t addVertex(const Vertex& vertex) {
    vertices_.push_back(vertex);
    return vertexCount() - 1;
  }
  int32_t vertexCount() const { return static_cast<int32_t>(vertices_.size()); }
  // The vertex of a number below vertexCount().
  Vertex& vertex(int32_t index) { return vertices_[index]; }
  bool hasVertex(int32_t index) const { return index >= 0 && index < vertexCount(); }
  // The number that stands for brush in addTriangle, the same for equal
  // brushes. A brush no triangle is added with makes no surface.
  int32_t group(const Brush& brush);
  // A triangle of three vertex numbers drawn with brush, or with the brush
  // of a group; false, and nothing added, when a number is not a vertex's.
  bool addTriangle(int32_t v0, int32_t v1, int32_t v2, const Brush& brush);
  bool addTriangle(int32_t v0, int32_t v1, int32_t v2, int32_t group) {
    if (!hasVertex(v0) || !hasVertex(v1) || !hasVertex(v2)) return false;
    triangles_.push_back({{v0, v1, v2}, group});
    return true;
  }
  // Draws a triangle added before, numbered in the order added, with the
  // brush of another group.
  void setGroup(int32_t triangle, int32_t group) { triangles_[triangle].group = group; }
  // Room for so many more vertices, triangles.
  void reserve(size_t vertices, size_t triangles) {
    vertices_.reserve(vertices_.size() + vertices);
    triangles_.reserve(triangles_.size() + triangles);
  }
  // Adds the surfaces to mesh (into the last surface of an equal brush
  // where it has one) and empties the builder.
  void finish(Mesh& mesh);

 private:
  // Brushes in a fixed order: by the bytes of what they draw with, so that
  // equal brushes are one entry.
  struct BrushOrder {
    bool operator()(const Brush& a, const Brush& b) const;
  };
  struct Corners {
    int32_t v[3];
    int32_t group;  // the brush's number, in the order brushes came
  };
  using Groups = std::map<Brush, int32_t, BrushOrder>;

  // Adds the triangles of one brush to the mesh, in order.
  void finishGroup(Mesh& mesh, const Brush& brush, const int32_t* first, const int32_t* last);

  std::vector<Vertex> vertices_;
  std::vector<Corners> triangles_;
  Groups groups_;
  Groups::iterator last_ = groups_.end();  // of the last triangle's brush
};

}  // namespace vx
