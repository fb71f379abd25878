// The collision tree: how it splits and orders triangles, when a mesh's
// tree is rebuilt, what a sweep through it reports, and intersection of
// two trees.

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

#include "engine3d/mesh.h"
#include "engine3d/world.h"
#include "math3d_expect.h"
#include "world3d/collider.h"
#include "world3d/vexel3d_module.h"

using vx::Collider;
using vx::CollisionInfo;
using vx::Transform;
using vx::Vector;
using vxtest::near;

namespace {

using Triangles = std::vector<std::array<int32_t, 3>>;

// Small triangles, one at each corner given, in the order given.
Collider trianglesAt(const std::vector<Vector>& corners) {
  std::vector<Vector> positions;
  Triangles triangles;
  for (const Vector& c : corners) {
    const int32_t first = static_cast<int32_t>(positions.size());
    positions.insert(positions.end(), {c, c + Vector{0.5f, 0, 0}, c + Vector{0, 0.5f, 0.5f}});
    triangles.push_back({first, first + 1, first + 2});
  }
  return Collider(positions, triangles);
}

// The corners of each leaf's triangles, leaf by leaf, as their first
// vertex's x + 100 * y + 10000 * z.
std::vector<std::vector<int>> leafKeys(const Collider& collider) {
  std::vector<std::vector<int>> keys;
  for (int32_t leaf : collider.leaves()) {
    const Collider::Node& node = collider.nodes()[leaf];
    keys.emplace_back();
    for (int32_t i = node.first; i < node.first + node.count; ++i) {
      const Vector v = collider.triangles()[i].v[0];
      keys.back().push_back(static_cast<int>(v.x + 100 * v.y + 10000 * v.z));
    }
  }
  return keys;
}

// A quad of two triangles facing -z, in the plane z = at, from -1 to 1.
void addQuad(vx::MeshSurface& surface, float at) {
  const int32_t first = surface.vertexCount();
  surface.addVertex({-1, 1, at}, 0, 0);
  surface.addVertex({1, 1, at}, 0, 0);
  surface.addVertex({1, -1, at}, 0, 0);
  surface.addVertex({-1, -1, at}, 0, 0);
  surface.addTriangle(first, first + 1, first + 2);
  surface.addTriangle(first, first + 2, first + 3);
}

}  // namespace

TEST(ColliderBuild, SeventeenTrianglesMakeLeavesOfEightAndNineAlongTheLongestAxis) {
  // Spread as far along x as along y: y is split, so the leaves follow y.
  std::vector<Vector> xy, xz;
  for (int i = 0; i < 17; ++i) {
    xy.push_back({static_cast<float>(i), static_cast<float>(16 - i), 0});
    xz.push_back({static_cast<float>(i), 0, static_cast<float>(16 - i)});
  }
  const Collider byY = trianglesAt(xy);
  ASSERT_EQ(byY.nodes().size(), 3u);
  EXPECT_EQ(byY.nodes()[0].left, 1);
  EXPECT_EQ(byY.nodes()[0].right, 2);
  EXPECT_EQ(byY.leaves(), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(leafKeys(byY), (std::vector<std::vector<int>>{{16, 115, 214, 313, 412, 511, 610, 709},
                                                          {808, 907, 1006, 1105, 1204, 1303, 1402, 1501, 1600}}));
  EXPECT_TRUE(near(byY.nodes()[0].min, {0, 0, 0}));
  EXPECT_TRUE(near(byY.nodes()[0].max, {16.5f, 16.5f, 0.5f}));

  // As far along x as along z: z comes before x.
  const Collider byZ = trianglesAt(xz);
  EXPECT_EQ(leafKeys(byZ)[0].front(), 16);
  EXPECT_EQ(leafKeys(byZ)[1].front(), 80008);
}

TEST(ColliderBuild, EqualCentroidsKeepTheirOrder) {
  // Seventeen triangles centred on x = 0, ever wider along x.
  std::vector<Vector> positions;
  Triangles triangles;
  for (int32_t i = 0; i < 17; ++i) {
    const float w = static_cast<float>(i + 1);
    positions.insert(positions.end(), {{-w, 0, 0}, {w, 0, 0}, {0, 1, 0}});
    triangles.push_back({3 * i, 3 * i + 1, 3 * i + 2});
  }
  const Collider collider(positions, triangles);
  ASSERT_EQ(collider.triangles().size(), 17u);
  for (int32_t i = 0; i < 17; ++i) EXPECT_FLOAT_EQ(collider.triangles()[i].v[0].x, static_cast<float>(-i - 1));
}

TEST(ColliderBuild, TrianglesNamingMissingCornersAreLeftOut) {
  const Collider collider({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, Triangles{{0, 1, 2}, {0, 1, 3}, {-1, 0, 1}});
  EXPECT_EQ(collider.triangles().size(), 1u);
  const Collider none({}, Triangles{});
  EXPECT_TRUE(none.empty());
  CollisionInfo info;
  EXPECT_FALSE(none.sweep({{0, 0, -5}, {0, 0, 10}}, 1, Transform{}, info));
  EXPECT_FALSE(none.intersects(collider, Transform{}));
}

TEST(ColliderSweep, ReportsSurfaceAndTriangleUnderTheTransformAndCountsLeafTriangles) {
  vx::startWorld3D();
  vx::Mesh& mesh = *new vx::Mesh;  // freed with the world
  addQuad(mesh.createSurface(vx::Brush()), 0);
  vx::MeshSurface& second = mesh.createSurface(vx::Brush());
  addQuad(second, -1);
  addQuad(second, -1);  // the same quad again: the later one answers

  // Placed 10 along x and stretched twice along z: the second surface's
  // quad is at z = -2.
  const Transform place{{{1, 0, 0}, {0, 1, 0}, {0, 0, 2}}, {10, 0, 0}};
  const Collider& collider = vx::colliderOf(mesh.data());
  CollisionInfo info;
  ASSERT_TRUE(collider.sweep({{9.5f, -0.5f, -6}, {0, 0, 8}}, 1, place, info));
  EXPECT_FLOAT_EQ(info.time, 0.375f);
  EXPECT_TRUE(near(info.normal, {0, 0, -1}));
  EXPECT_EQ(info.surface, &second);
  EXPECT_EQ(info.triangle, 3);
  EXPECT_FLOAT_EQ(vx::world3D()->stats[0], 6);

  // A bare line beside the mesh looks at nothing.
  CollisionInfo beside;
  EXPECT_FALSE(collider.sweep({{0, 0, -6}, {0, 0, 8}}, 0, place, beside));
  EXPECT_FLOAT_EQ(vx::world3D()->stats[0], 6);
  vx::endWorld3D();
}

TEST(ColliderSweep, AChangedVertexRebuildsTheMeshTree) {
  vx::Mesh mesh;
  vx::MeshSurface& surface = mesh.createSurface(vx::Brush());
  addQuad(surface, 0);
  const vx::CollisionLine line{{0.5f, 0.5f, -5}, {0, 0, 10}};
  CollisionInfo before;
  ASSERT_TRUE(vx::colliderOf(mesh.data()).sweep(line, 0, Transform{}, before));
  EXPECT_FLOAT_EQ(before.time, 0.5f);
  EXPECT_EQ(mesh.data().collider->geometryVersion, mesh.data().versions.geometry);

  for (int32_t i = 0; i < 4; ++i) {
    const Vector p = surface.vertices()[i].position();
    surface.setCoords(i, {p.x, p.y, -3});
  }
  CollisionInfo after;
  ASSERT_TRUE(vx::colliderOf(mesh.data()).sweep(line, 0, Transform{}, after));
  EXPECT_FLOAT_EQ(after.time, 0.2f);
  EXPECT_EQ(mesh.data().collider->geometryVersion, mesh.data().versions.geometry);
}

TEST(ColliderIntersect, CrossingTrianglesOnlyNotOverlappingBoxes) {
  const Collider flat({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}, Triangles{{0, 1, 2}});
  // Upright in y = 1.5 at x 1.5 to 2.5: its box meets the flat one's, its
  // triangle does not.
  const Collider upright({{1.5f, 1.5f, -1}, {1.5f, 1.5f, 1}, {2.5f, 1.5f, 0}}, Triangles{{0, 1, 2}});
  EXPECT_FALSE(upright.intersects(flat, Transform{}));
  EXPECT_FALSE(flat.intersects(upright, Transform{}));
  // Moved back by one on x and y it pierces the flat one.
  const Transform back{{}, {-1, -1, 0}};
  EXPECT_TRUE(upright.intersects(flat, back));
  EXPECT_TRUE(flat.intersects(upright, inverse(back)));
  // Lying in the same plane is no crossing.
  const Collider beside({{0.5f, 0.5f, 0}, {3, 0.5f, 0}, {0.5f, 3, 0}}, Triangles{{0, 1, 2}});
  EXPECT_FALSE(beside.intersects(flat, Transform{}));
}
