// Collisions with terrains: the swept sphere meets the surface's triangles
// in world space, found by descending the error tree only into triangles
// whose boxes (their corners across, from the ground to their greatest
// height) meet the sweep's box; a triangle with no error anywhere inside
// is flat and is tested whole.

#include <algorithm>

#include "engine3d/world.h"
#include "platform/platform_runtime.h"
#include "world3d/collision.h"
#include "world3d/terrain.h"

namespace vx {

namespace {

constexpr float kLeast = 0.000001f;

struct Bounds {
  Vector min{3.4e38f, 3.4e38f, 3.4e38f}, max{-3.4e38f, -3.4e38f, -3.4e38f};

  void add(Vector p) {
    min = {std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z)};
    max = {std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z)};
  }
};

// The box around the sweep and its radius, in the space that transform
// places: the bounds of its corners carried there.
Bounds sweepIn(const CollisionLine& line, float radius, const Transform& transform) {
  const Vector end = line.origin + line.direction, grow{radius, radius, radius};
  const Vector low = Vector{std::min(line.origin.x, end.x), std::min(line.origin.y, end.y),
                            std::min(line.origin.z, end.z)} - grow;
  const Vector high = Vector{std::max(line.origin.x, end.x), std::max(line.origin.y, end.y),
                             std::max(line.origin.z, end.z)} + grow;
  const Transform back = inverse(transform);
  Bounds b;
  for (int i = 0; i < 8; ++i) b.add(back * Vector{i & 1 ? high.x : low.x, i & 2 ? high.y : low.y, i & 4 ? high.z : low.z});
  return b;
}

bool meets(const GridTriangle& t, float top, const Bounds& b) {
  const int32_t xs[3] = {t.apex.x, t.left.x, t.right.x}, zs[3] = {t.apex.z, t.left.z, t.right.z};
  return float(*std::min_element(xs, xs + 3)) <= b.max.x && float(*std::max_element(xs, xs + 3)) >= b.min.x &&
         float(*std::min_element(zs, zs + 3)) <= b.max.z && float(*std::max_element(zs, zs + 3)) >= b.min.z &&
         b.min.y <= top && b.max.y >= 0;
}

bool close(Vector a, Vector b) { return length(a - b) <= kLeast; }

}  // namespace

bool Terrain::collide(const CollisionLine& line, float radius, CollisionInfo& info, const Transform& transform) {
  const std::vector<TreeEntry>& tree = grid_.tree();
  const uint32_t stored = grid_.storedNodes();
  const Bounds sweep = sweepIn(line, radius, transform);
  World* world = world3D();
  bool hit = false;

  struct Pending {
    uint32_t node;
    GridTriangle triangle;
  };
  // Each level pushes two and takes one: the depth of the tree is enough.
  Pending stack[2 * (2 * TerrainGrid::kMaxExponent + 3)];
  int depth = 0;
  stack[depth++] = {TerrainGrid::kRootB, grid_.root(TerrainGrid::kRootB)};
  stack[depth++] = {TerrainGrid::kRootA, grid_.root(TerrainGrid::kRootA)};
  while (depth) {
    const Pending p = stack[--depth];
    const GridTriangle& t = p.triangle;
    const bool kept = p.node < stored;
    uint8_t bound = kept ? tree[p.node].bound : 0;
    if (!kept)
      bound = std::max({grid_.byteAt(t.apex.x, t.apex.z), grid_.byteAt(t.left.x, t.left.z),
                        grid_.byteAt(t.right.x, t.right.z)});
    if (!meets(t, bound / 255.0f, sweep)) continue;
    if (kept && tree[p.node].error) {
      stack[depth++] = {2 * p.node, t.evenHalf()};
      stack[depth++] = {2 * p.node + 1, t.oddHalf()};
      continue;
    }
    // Clockwise from above, so that the front faces up.
    auto corner = [this, &transform](GridPoint g) {
      return transform * Vector{float(g.x), grid_.height(g.x, g.z), float(g.z)};
    };
    const Vector a = corner(t.apex), r = corner(t.right), l = corner(t.left);
    if (close(a, r) || close(r, l) || close(l, a))
      if (PlatformRuntime* platform = PlatformRuntime::current()) platform->debugLog("OUCH!");
    if (world) world->stats[0] += 1;
    if (triangleCollide(line, radius, a, r, l, info)) {
      info.surface = nullptr;
      info.triangle = -1;
      hit = true;
    }
  }
  return hit;
}

}  // namespace vx
