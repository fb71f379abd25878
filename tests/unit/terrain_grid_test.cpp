// Terrain grids and their tessellation: the error tree against the heights
// it summarises, kept up to date point by point, and the triangles a view
// gets: crack-free, exact when the budget allows, within the budget, culled
// by the view (by their prisms, then by their own corners) and split into
// runs that 16-bit indices reach.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "world3d/terrain_grid.h"
#include "world3d/terrain_tessellator.h"

using vx::ClipPlane;
using vx::GridPoint;
using vx::GridTriangle;
using vx::TerrainGrid;
using vx::TerrainTessellator;

namespace {

int64_t turn(GridPoint a, GridPoint b, GridPoint c) {
  return int64_t(b.x - a.x) * (c.z - a.z) - int64_t(b.z - a.z) * (c.x - a.x);
}

// Random heights, with the lower half of the rows on one slope.
void roughen(TerrainGrid& grid, unsigned seed) {
  std::mt19937 random(seed);
  const int n = grid.size();
  for (int z = 0; z < n; ++z)
    for (int x = 0; x < n; ++x)
      grid.setByte(x, z, static_cast<uint8_t>(z < n / 2 ? 3 * x + 2 * z : random() % 256), false);
}

// Every triangle of the tree, numbered, visited from the roots down.
template <typename Visit>
void eachStored(const TerrainGrid& grid, uint32_t node, const GridTriangle& t, Visit visit) {
  if (node >= grid.storedNodes()) return;
  visit(node, t);
  eachStored(grid, 2 * node + 1, t.oddHalf(), visit);
  eachStored(grid, 2 * node, t.evenHalf(), visit);
}

template <typename Visit>
void eachStored(const TerrainGrid& grid, Visit visit) {
  for (uint32_t root : {TerrainGrid::kRootA, TerrainGrid::kRootB}) eachStored(grid, root, grid.root(root), visit);
}

// Planes that hold everything.
const ClipPlane kEverywhere[6] = {{{0, 0, 0}, 1}, {{0, 0, 0}, 1}, {{0, 0, 0}, 1},
                                  {{0, 0, 0}, 1}, {{0, 0, 0}, 1}, {{0, 0, 0}, 1}};

// The drawn triangles as grid points and heights, from the laid-out runs.
struct DrawnTriangle {
  vx::TerrainVertex v[3];
};

std::vector<DrawnTriangle> drawn(const TerrainTessellator& t) {
  std::vector<DrawnTriangle> out;
  for (const vx::TerrainChunk& chunk : t.chunks())
    for (int32_t i = 0; i < chunk.triangleCount; ++i) {
      DrawnTriangle d;
      for (int c = 0; c < 3; ++c) {
        const uint16_t number = t.indices()[3 * (chunk.firstTriangle + i) + c];
        EXPECT_LT(number, chunk.vertexCount);
        d.v[c] = t.vertices()[t.drawnVertices()[chunk.firstVertex + number]];
      }
      out.push_back(d);
    }
  return out;
}

GridPoint at(const vx::TerrainVertex& v) { return {v.gridX, v.gridZ}; }

}  // namespace

TEST(TerrainGrid, TheTreeKnowsTheHighestPointAndWhereTheSurfaceIsFlat) {
  for (int exponent = 0; exponent <= 4; ++exponent) {
    TerrainGrid grid(exponent);
    roughen(grid, 7 + exponent);
    grid.tree();
    const int n = grid.size();
    int flat = 0, rough = 0;
    eachStored(grid, [&](uint32_t node, const GridTriangle& t) {
      // Every grid point inside: the greatest height, and whether all lie
      // on the plane of the corners.
      const int64_t area = turn(t.apex, t.left, t.right);
      const int64_t ha = grid.byteAt(t.apex.x, t.apex.z), hl = grid.byteAt(t.left.x, t.left.z);
      const int64_t hr = grid.byteAt(t.right.x, t.right.z);
      int highest = 0;
      bool planar = true;
      for (int z = 0; z <= n; ++z)
        for (int x = 0; x <= n; ++x) {
          const GridPoint p{x, z};
          const int64_t wa = turn(p, t.left, t.right), wl = turn(t.apex, p, t.right), wr = turn(t.apex, t.left, p);
          if (wa < 0 || wl < 0 || wr < 0) continue;
          highest = std::max<int>(highest, grid.byteAt(x, z));
          planar = planar && grid.byteAt(x, z) * area == ha * wa + hl * wl + hr * wr;
        }
      const vx::TreeEntry entry = grid.tree()[node];
      EXPECT_EQ(entry.bound, highest) << "node " << node << " of " << n;
      EXPECT_EQ(entry.error == 0, planar) << "node " << node << " of " << n;
      ++(planar ? flat : rough);
    });
    if (exponent >= 2) {
      EXPECT_GT(flat, 0);
      EXPECT_GT(rough, 0);
    }
  }

  // The error is the midpoint's distance from its hypotenuse, rounded up
  // in 1/255: a bump of 3 in the middle is 3 for a root, and 1.5 (rounded
  // to 2) for node 11, whose hypotenuse runs from the bump to a corner.
  TerrainGrid grid(2);
  grid.setByte(2, 2, 3, false);
  EXPECT_EQ(grid.tree()[TerrainGrid::kRootA].error, 3);
  EXPECT_EQ(grid.tree()[11].error, 2);
  EXPECT_EQ(grid.tree()[11].bound, 3);
  grid.setByte(2, 2, 255, false);
  EXPECT_EQ(grid.tree()[TerrainGrid::kRootA].error, 255);
}

TEST(TerrainGrid, ChangesKeptUpToDateAtOnceMatchARebuild) {
  TerrainGrid live(4), rebuilt(4);
  roughen(live, 3);
  live.tree();
  std::mt19937 random(11);
  for (int i = 0; i < 300; ++i) {
    // Edges and the corner wrap onto the far sides.
    const int x = i % 5 == 0 ? 0 : i % 7 == 0 ? 16 : int(random() % 17);
    const int z = i % 3 == 0 ? 0 : int(random() % 17);
    live.setByte(x, z, static_cast<uint8_t>(random() % 256), true);
    EXPECT_TRUE(live.treeValid());
  }
  for (int z = 0; z < 16; ++z)
    for (int x = 0; x < 16; ++x) rebuilt.setByte(x, z, live.byteAt(x, z), false);
  EXPECT_FALSE(rebuilt.treeValid());
  const auto& a = live.tree();
  const auto& b = rebuilt.tree();
  for (uint32_t node = 2; node < live.storedNodes(); ++node) {
    ASSERT_EQ(a[node].error, b[node].error) << node;
    ASSERT_EQ(a[node].bound, b[node].bound) << node;
  }
  EXPECT_EQ(live.byteAt(16, -16), live.byteAt(0, 0));  // coordinates wrap
}

TEST(TerrainTessellation, TrianglesMeetEdgeToEdgeAndReproduceTheGridWhenTheBudgetAllows) {
  TerrainGrid grid(5);
  roughen(grid, 5);
  TerrainTessellator t;
  const int n = grid.size();
  for (int budget : {1, 40, 400, 1000000}) {
    t.tessellate(grid, {3, 1, 5}, kEverywhere, budget);
    t.layout();
    const auto triangles = drawn(t);
    ASSERT_EQ(static_cast<int>(triangles.size()), t.counted());  // nothing culled
    if (t.queued() > 0) {
      EXPECT_GE(t.counted(), budget);
      EXPECT_LT(t.counted(), budget + 4 * (2 * grid.exponent() + 2));  // forced splits overshoot a little
    }
    // Each inner edge is met by another triangle running it backwards, so
    // no vertex sits on a neighbour's edge (a crack); together they cover
    // the square once, clockwise from above.
    std::set<std::pair<std::pair<int, int>, std::pair<int, int>>> edges;
    int64_t area = 0;
    for (const DrawnTriangle& d : triangles) {
      area -= turn(at(d.v[0]), at(d.v[1]), at(d.v[2]));
      for (int c = 0; c < 3; ++c) {
        const GridPoint a = at(d.v[c]), b = at(d.v[(c + 1) % 3]);
        EXPECT_TRUE(edges.insert({{a.x, a.z}, {b.x, b.z}}).second);
      }
    }
    EXPECT_EQ(area, 2 * int64_t(n) * n) << budget;
    for (const auto& [a, b] : edges) {
      const bool border = (a.first == b.first && (a.first == 0 || a.first == n)) ||
                          (a.second == b.second && (a.second == 0 || a.second == n));
      if (!border) {
        EXPECT_TRUE(edges.count({b, a})) << budget << ": crack along " << a.first << "," << a.second;
      }
    }
  }

  // With room for everything, every grid point lies on the surface drawn.
  ASSERT_EQ(t.queued(), 0);
  for (const DrawnTriangle& d : drawn(t)) {
    const GridPoint a = at(d.v[0]), b = at(d.v[1]), c = at(d.v[2]);
    const float whole = float(turn(a, b, c));
    for (int z = std::min({a.z, b.z, c.z}); z <= std::max({a.z, b.z, c.z}); ++z)
      for (int x = std::min({a.x, b.x, c.x}); x <= std::max({a.x, b.x, c.x}); ++x) {
        const GridPoint p{x, z};
        const float wa = float(turn(p, b, c)) / whole, wb = float(turn(a, p, c)) / whole;
        const float wc = float(turn(a, b, p)) / whole;
        if (wa < 0 || wb < 0 || wc < 0) continue;
        const float surface = wa * d.v[0].height + wb * d.v[1].height + wc * d.v[2].height;
        ASSERT_NEAR(surface, grid.height(x, z), 1e-5f) << x << "," << z;
      }
  }
}

TEST(TerrainTessellation, FlatGroundIsTwoTrianglesAndWhatTheViewMissesIsDropped) {
  TerrainGrid flat(8);
  TerrainTessellator t;
  t.tessellate(flat, {10, 0.5f, 10}, kEverywhere, 100000);
  t.layout();
  EXPECT_EQ(t.drawnTriangles(), 2);
  EXPECT_EQ(t.counted(), 2);

  TerrainGrid rough(6);
  roughen(rough, 9);
  // Everything above the highest height: all dropped at once, still counted.
  ClipPlane above[6] = {{{0, 1, 0}, -1.5f}, {{0, 0, 0}, 1}, {{0, 0, 0}, 1},
                        {{0, 0, 0}, 1},     {{0, 0, 0}, 1}, {{0, 0, 0}, 1}};
  t.tessellate(rough, {10, 2, 10}, above, 100000);
  t.layout();
  EXPECT_EQ(t.drawnTriangles(), 0);
  EXPECT_EQ(t.counted(), 2);

  // Only x < 8 is seen: nothing drawn lies wholly beyond it, and the view
  // costs far fewer triangles than the whole grid.
  above[0] = {{-1, 0, 0}, 8};
  t.tessellate(rough, {4, 2, 32}, above, 100000);
  t.layout();
  const int part = t.drawnTriangles();
  EXPECT_LT(part, t.counted());
  for (const DrawnTriangle& d : drawn(t))
    EXPECT_LE(std::min({d.v[0].x, d.v[1].x, d.v[2].x}), 8.0f);
  t.tessellate(rough, {4, 2, 32}, kEverywhere, 100000);
  EXPECT_LT(part * 3, t.counted());

  // A peak on flat ground seen only above half its height: the prisms of
  // the triangles around it reach into the view, yet only those with the
  // peak for a corner are drawn; the others are still counted.
  TerrainGrid peak(6);
  peak.setByte(32, 32, 255, false);
  above[0] = {{0, 1, 0}, -0.5f};
  t.tessellate(peak, {10, 2, 10}, above, 2);
  t.layout();
  EXPECT_EQ(t.counted(), 2);
  EXPECT_EQ(t.drawnTriangles(), 0);
  t.tessellate(peak, {10, 2, 10}, above, 100000);
  t.layout();
  EXPECT_GT(t.counted(), 16);
  EXPECT_EQ(t.drawnTriangles(), 8);
  for (const DrawnTriangle& d : drawn(t))
    EXPECT_EQ(std::max({d.v[0].height, d.v[1].height, d.v[2].height}), 1.0f);
}

TEST(TerrainTessellation, RunsKeepTheirVerticesWithinTheIndexRange) {
  TerrainGrid grid(5);
  roughen(grid, 2);
  TerrainTessellator t;
  t.tessellate(grid, {16, 1, 16}, kEverywhere, 1000000);
  t.layout();
  ASSERT_EQ(t.chunks().size(), 1u);
  const auto whole = drawn(t);
  t.layout(30);
  EXPECT_GT(t.chunks().size(), whole.size() / 60);  // a run of 30 vertices holds no more than 60 triangles
  int32_t next = 0;
  for (const vx::TerrainChunk& chunk : t.chunks()) {
    EXPECT_LE(chunk.vertexCount, 30);
    EXPECT_EQ(chunk.firstVertex, next);
    next += chunk.vertexCount;
  }
  const auto split = drawn(t);
  ASSERT_EQ(split.size(), whole.size());
  for (size_t i = 0; i < whole.size(); ++i)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(at(split[i].v[c]), at(whole[i].v[c]));
}
