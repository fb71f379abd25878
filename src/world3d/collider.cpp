#include "world3d/collider.h"

#include <algorithm>

#include "engine3d/world.h"

namespace vx {

namespace {

constexpr float kNoBound = 10000000;

struct Box {
  Vector min{kNoBound, kNoBound, kNoBound};
  Vector max{-kNoBound, -kNoBound, -kNoBound};

  void add(Vector p) {
    min = {std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z)};
    max = {std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z)};
  }
  void add(const Vector (&v)[3]) {
    add(v[0]);
    add(v[1]);
    add(v[2]);
  }
};

bool overlaps(Vector minA, Vector maxA, Vector minB, Vector maxB) {
  return minA.x <= maxB.x && maxA.x >= minB.x && minA.y <= maxB.y && maxA.y >= minB.y && minA.z <= maxB.z &&
         maxA.z >= minB.z;
}

// The bounds of the box from min to max carried by transform (its corners').
Box carried(Vector min, Vector max, const Transform& transform) {
  Box box;
  for (int i = 0; i < 8; ++i)
    box.add(transform * Vector{i & 1 ? max.x : min.x, i & 2 ? max.y : min.y, i & 4 ? max.z : min.z});
  return box;
}

float axisOf(Vector v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

// Whether the edge from p to q passes through the triangle t.
bool edgeCrosses(Vector p, Vector q, const Vector t[3]) {
  const Vector n = cross(t[1] - t[0], t[2] - t[0]);
  const float d = -dot(n, t[0]);
  const float dp = dot(n, p) + d, dq = dot(n, q) + d;
  if (dp == dq) return false;  // along the plane (or no plane at all)
  const float s = dp / (dp - dq);
  if (!(s >= 0 && s <= 1)) return false;
  const Vector x = p + (q - p) * s;
  for (int i = 0; i < 3; ++i) {
    const Vector a = t[i], b = t[(i + 1) % 3];
    if (dot(cross(n, b - a), x - a) < 0) return false;
  }
  return true;
}

}  // namespace

Collider::Collider(const MeshData& mesh) {
  for (const auto& surface : mesh.surfaces) {
    const auto& vertices = surface->vertices();
    const auto& triangles = surface->triangles();
    for (size_t i = 0; i < triangles.size(); ++i) {
      const Triangle& t = triangles[i];
      if (t.v[0] >= vertices.size() || t.v[1] >= vertices.size() || t.v[2] >= vertices.size()) continue;
      add({vertices[t.v[0]].position(), vertices[t.v[1]].position(), vertices[t.v[2]].position()}, surface.get(),
          static_cast<int32_t>(i));
    }
  }
  build();
}

Collider::Collider(const std::vector<Vector>& positions, const std::vector<std::array<int32_t, 3>>& triangles) {
  const auto has = [&positions](int32_t index) { return index >= 0 && static_cast<size_t>(index) < positions.size(); };
  for (const auto& t : triangles) {
    if (!has(t[0]) || !has(t[1]) || !has(t[2])) continue;
    add({positions[t[0]], positions[t[1]], positions[t[2]]}, nullptr, -1);
  }
  build();
}

void Collider::add(const std::array<Vector, 3>& v, MeshSurface* surface, int32_t index) {
  Box box;
  for (const Vector& p : v) box.add(p);
  triangles_.push_back({{v[0], v[1], v[2]}, surface, index, box.min, box.max});
}

void Collider::build() {
  if (triangles_.empty()) return;
  nodes_.reserve(triangles_.size() / (kLeafSize / 2) * 2 + 1);
  buildNode(0, static_cast<int32_t>(triangles_.size()));
}

int32_t Collider::buildNode(int32_t first, int32_t count) {
  const auto begin = triangles_.begin() + first, end = begin + count;
  Box box;
  for (auto it = begin; it != end; ++it) box.add(it->v);
  const int32_t index = static_cast<int32_t>(nodes_.size());
  nodes_.push_back({box.min, box.max});
  if (count <= kLeafSize) {
    nodes_[index].first = first;
    nodes_[index].count = count;
    leaves_.push_back(index);
    return index;
  }
  const Vector extent = box.max - box.min;
  const float largest = std::max({extent.x, extent.y, extent.z});
  const int axis = largest == extent.y ? 1 : largest == extent.z ? 2 : 0;
  std::stable_sort(begin, end, [axis](const ColliderTriangle& a, const ColliderTriangle& b) {
    const auto centroid = [axis](const ColliderTriangle& t) {
      return (axisOf(t.v[0], axis) + axisOf(t.v[1], axis) + axisOf(t.v[2], axis)) / 3;
    };
    return centroid(a) < centroid(b);
  });
  const int32_t half = count / 2;
  const int32_t left = buildNode(first, half);
  const int32_t right = buildNode(first + half, count - half);
  nodes_[index].left = left;
  nodes_[index].right = right;
  return index;
}

template <typename Visit>
bool Collider::forLeavesMeeting(Vector min, Vector max, Visit visit) const {
  if (nodes_.empty()) return false;
  int32_t stack[64];
  int depth = 0;
  stack[depth++] = 0;
  while (depth) {
    const Node& node = nodes_[stack[--depth]];
    if (!overlaps(node.min, node.max, min, max)) continue;
    if (node.left < 0) {
      if (visit(node)) return true;
      continue;
    }
    // The right child waits under the left one.
    stack[depth++] = node.right;
    stack[depth++] = node.left;
  }
  return false;
}

bool Collider::sweep(const CollisionLine& line, float radius, const Transform& transform, CollisionInfo& info) const {
  if (nodes_.empty()) return false;
  Box query;
  query.add(line.origin);
  query.add(line.origin + line.direction);
  const Vector grow{radius, radius, radius};
  const Box local = carried(query.min - grow, query.max + grow, inverse(transform));
  World* world = world3D();
  bool hit = false;
  // Where the sweep can still meet something sooner than the best hit so
  // far: triangles outside it are not worth the exact test.
  const auto reach = [&] {
    Box box;
    box.add(line.origin);
    box.add(line.origin + line.direction * info.time);
    return Box{box.min - grow, box.max + grow};
  };
  Box soon = reach();
  forLeavesMeeting(local.min, local.max, [&](const Node& leaf) {
    if (world) world->stats[0] += static_cast<float>(leaf.count);
    for (int32_t i = leaf.first; i < leaf.first + leaf.count; ++i) {
      const ColliderTriangle& t = triangles_[i];
      if (!overlaps(t.min, t.max, local.min, local.max)) continue;
      const Vector v[3] = {transform * t.v[0], transform * t.v[1], transform * t.v[2]};
      Box own;
      own.add(v);
      if (!overlaps(own.min, own.max, soon.min, soon.max)) continue;
      if (triangleCollide(line, radius, v[0], v[1], v[2], info)) {
        info.surface = t.surface;
        info.triangle = t.index;
        hit = true;
        soon = reach();
      }
    }
    return false;
  });
  return hit;
}

bool Collider::intersects(const Collider& other, const Transform& toOther) const {
  if (nodes_.empty() || other.nodes_.empty()) return false;
  const Node& otherRoot = other.nodes_[0];
  const Box all = carried(nodes_[0].min, nodes_[0].max, toOther);
  if (!overlaps(all.min, all.max, otherRoot.min, otherRoot.max)) return false;
  Vector moved[kLeafSize][3];
  for (int32_t leafIndex : leaves_) {
    const Node& leaf = nodes_[leafIndex];
    const Box box = carried(leaf.min, leaf.max, toOther);
    if (!overlaps(box.min, box.max, otherRoot.min, otherRoot.max)) continue;
    Box reach;
    for (int32_t i = 0; i < leaf.count; ++i) {
      for (int c = 0; c < 3; ++c) moved[i][c] = toOther * triangles_[leaf.first + i].v[c];
      reach.add(moved[i]);
    }
    const bool found = other.forLeavesMeeting(reach.min, reach.max, [&](const Node& otherLeaf) {
      for (int32_t j = otherLeaf.first; j < otherLeaf.first + otherLeaf.count; ++j)
        for (int32_t i = 0; i < leaf.count; ++i)
          if (trianglesIntersect(moved[i], other.triangles_[j].v)) return true;
      return false;
    });
    if (found) return true;
  }
  return false;
}

bool trianglesIntersect(const Vector a[3], const Vector b[3]) {
  for (int i = 0; i < 3; ++i)
    if (edgeCrosses(a[i], a[(i + 1) % 3], b) || edgeCrosses(b[i], b[(i + 1) % 3], a)) return true;
  return false;
}

const Collider& colliderOf(MeshData& mesh) {
  if (!mesh.collider || mesh.collider->geometryVersion != mesh.versions.geometry) {
    mesh.collider = std::make_unique<Collider>(mesh);
    mesh.collider->geometryVersion = mesh.versions.geometry;
  }
  return static_cast<const Collider&>(*mesh.collider);
}

}  // namespace vx
