#pragma once
// A tree of boxes over a set of triangles, so that a swept sphere or
// another collider tests only the triangles near it. Meshes keep one per
// geometry (built on first use, rebuilt when the geometry changed); any
// other kind with triangles of its own (levels, terrains) can build one
// from plain arrays.
//
// The tree halves its triangles at each level along the axis of the
// node's largest extent (y first on ties, then z, then x), ordered by
// their centroids with equal ones keeping their order, until at most 16
// remain in a leaf. Each leaf's triangles lie together in the triangle
// table, in that order.

#include <array>
#include <cstdint>
#include <vector>

#include "engine3d/math3d.h"
#include "engine3d/mesh.h"
#include "world3d/collision.h"

namespace vx {

struct ColliderTriangle {
  Vector v[3];                     // in the collider's space
  MeshSurface* surface = nullptr;  // what a hit reports
  int32_t index = -1;              // within the surface
  Vector min, max;                 // its box
};

class Collider : public MeshGeometryCache {
 public:
  static constexpr int32_t kLeafSize = 16;

  struct Node {
    Vector min, max;
    int32_t left = -1, right = -1;  // children; -1 in a leaf
    int32_t first = 0, count = 0;   // a leaf's triangles in the table
  };

  // Every triangle of the mesh's surfaces, in surface order, reporting its
  // surface and index; triangles naming a vertex the surface lacks are left
  // out.
  explicit Collider(const MeshData& mesh);
  // Triangles of positions: each triple names three of them (triples naming
  // a missing position are left out). Hits report no surface and triangle
  // -1.
  Collider(const std::vector<Vector>& positions, const std::vector<std::array<int32_t, 3>>& triangles);

  // The sweep, in world space, against the triangles placed by transform:
  // improves info as the triangle test does, a later triangle replacing an
  // earlier one at an equal time. Counts the triangles of every leaf it
  // visits into the world's statistic 0.
  bool sweep(const CollisionLine& line, float radius, const Transform& transform, CollisionInfo& info) const;

  // Whether a triangle of this collider crosses one of other's, with
  // toOther carrying this collider's space into other's.
  bool intersects(const Collider& other, const Transform& toOther) const;

  bool empty() const { return nodes_.empty(); }
  const std::vector<Node>& nodes() const { return nodes_; }  // the root first
  const std::vector<int32_t>& leaves() const { return leaves_; }  // node numbers, in build order
  const std::vector<ColliderTriangle>& triangles() const { return triangles_; }

 private:
  void add(const std::array<Vector, 3>& v, MeshSurface* surface, int32_t index);
  void build();
  int32_t buildNode(int32_t first, int32_t count);
  // Calls visit for each leaf whose box, like every box above it, meets
  // the box from min to max (closed), left before right, until visit
  // returns true; true when it did.
  template <typename Visit>
  bool forLeavesMeeting(Vector min, Vector max, Visit visit) const;

  std::vector<ColliderTriangle> triangles_;
  std::vector<Node> nodes_;
  std::vector<int32_t> leaves_;
};

// The mesh geometry's collider, built or rebuilt when its geometry version
// moved.
const Collider& colliderOf(MeshData& mesh);

// Whether two triangles cross: an edge of one meets the other inside its
// edges.
bool trianglesIntersect(const Vector a[3], const Vector b[3]);

}  // namespace vx
