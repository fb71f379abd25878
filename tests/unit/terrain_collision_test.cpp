// Swept spheres against terrains: the descent through the error tree finds
// what testing every finest triangle finds, flat ground is one triangle,
// changes count at once, and triangles squashed to nothing are reported.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

#include "engine3d/world.h"
#include "recording_debugger.h"
#include "runtime/run_step.h"
#include "world3d/collision.h"
#include "world3d/terrain.h"
#include "world3d/vexel3d_module.h"

using vx::CollisionInfo;
using vx::CollisionLine;
using vx::GridPoint;
using vx::GridTriangle;
using vx::Terrain;
using vx::Transform;
using vx::Vector;

namespace {

Transform scaledBy(float x, float y, float z, Vector at = {}) { return {{{x, 0, 0}, {0, y, 0}, {0, 0, z}}, at}; }

// Every finest triangle of the tree (one grid unit along its legs),
// clockwise from above, tested one by one.
void finest(Terrain& terrain, const GridTriangle& t, int level, const CollisionLine& line, float radius,
            const Transform& place, CollisionInfo& info) {
  if (level < 2 * terrain.grid().exponent() + 1) {
    finest(terrain, t.oddHalf(), level + 1, line, radius, place, info);
    finest(terrain, t.evenHalf(), level + 1, line, radius, place, info);
    return;
  }
  auto at = [&](GridPoint g) { return place * Vector{float(g.x), terrain.grid().height(g.x, g.z), float(g.z)}; };
  vx::triangleCollide(line, radius, at(t.apex), at(t.right), at(t.left), info);
}

class TerrainCollisions : public ::testing::Test {
 protected:
  void SetUp() override { vx::startWorld3D(); }
  void TearDown() override { vx::endWorld3D(); }
  float& triangleCount() { return vx::world3D()->stats[0]; }
};

}  // namespace

TEST_F(TerrainCollisions, ASphereDroppedOnASlopeStopsWhereItTouches) {
  Terrain terrain(4);
  for (int z = 0; z < 16; ++z)
    for (int x = 0; x < 16; ++x) terrain.grid().setByte(x, z, uint8_t(16 * x), false);
  const Transform place = scaledBy(1, 255.0f / 16, 1);  // 45 degrees: height x
  CollisionInfo info;
  info.triangle = 7;
  ASSERT_TRUE(terrain.collide({{8.3f, 20, 7.6f}, {0, -20, 0}}, 0.5f, info, place));
  EXPECT_NEAR(info.time, (20 - 8.3f - 0.5f * std::sqrt(2.0f)) / 20, 1e-4f);
  EXPECT_NEAR(info.normal.x, -std::sqrt(0.5f), 1e-4f);
  EXPECT_NEAR(info.normal.y, std::sqrt(0.5f), 1e-4f);
  EXPECT_EQ(info.triangle, -1);
  EXPECT_EQ(info.surface, nullptr);
  // A later contact improves nothing; rising from below meets no front.
  EXPECT_FALSE(terrain.collide({{8.3f, 30, 7.6f}, {0, -30, 0}}, 0.5f, info, place));
  CollisionInfo below;
  EXPECT_FALSE(terrain.collide({{8.3f, 0, 7.6f}, {0, 20, 0}}, 0.5f, below, place));
}

TEST_F(TerrainCollisions, TheTreeFindsWhatEveryFinestTriangleFinds) {
  Terrain terrain(4);
  std::mt19937 random(4);
  for (int z = 0; z < 16; ++z)
    for (int x = 0; x < 16; ++x) terrain.grid().setByte(x, z, uint8_t(x < 8 ? 40 : random() % 256), false);
  std::uniform_real_distribution<float> unit(0, 1);
  int hits = 0;
  for (int i = 0; i < 200; ++i) {
    const float yaw = unit(random) * 6.28f;
    Transform place = scaledBy(2, 10, 2, {unit(random) * 50, -3, unit(random) * 50});
    place.m = vx::yawMatrix(yaw) * place.m;
    const Vector start = place * Vector{1 + unit(random) * 14, 1.5f, 1 + unit(random) * 14};  // 12 up
    const CollisionLine line{start, Vector{unit(random) * 6 - 3, -15 - unit(random) * 5, unit(random) * 6 - 3}};
    const float radius = unit(random) * 1.5f;
    CollisionInfo found, expected;
    const bool hit = terrain.collide(line, radius, found, place);
    for (uint32_t root : {vx::TerrainGrid::kRootA, vx::TerrainGrid::kRootB})
      finest(terrain, terrain.grid().root(root), 1, line, radius, place, expected);
    ASSERT_EQ(hit, expected.time < 1) << i;
    EXPECT_NEAR(found.time, expected.time, 1e-4f) << i;
    hits += hit;
  }
  EXPECT_GT(hits, 150);
}

TEST_F(TerrainCollisions, FlatGroundIsTestedWholeAndChangesCountAtOnce) {
  Terrain terrain(6);
  const Transform place = scaledBy(1, 10, 1);
  const CollisionLine drop{{5.5f, 20, 5.5f}, {0, -20, 0}};
  CollisionInfo info;
  triangleCount() = 0;
  ASSERT_TRUE(terrain.collide(drop, 1, info, place));
  EXPECT_NEAR(info.time, 0.95f, 1e-5f);
  EXPECT_EQ(triangleCount(), 2);  // the two roots

  // A bump made realtime is met at once, the tree kept up to date.
  for (int z : {5, 6})
    for (int x : {5, 6}) terrain.grid().setByte(x, z, 255, true);
  EXPECT_TRUE(terrain.grid().treeValid());
  info = {};
  triangleCount() = 0;
  ASSERT_TRUE(terrain.collide(drop, 1, info, place));
  EXPECT_NEAR(info.time, 0.45f, 1e-5f);
  EXPECT_GT(triangleCount(), 2);
  EXPECT_LT(triangleCount(), 40);  // only near the bump

  // One made for the next frame is met too: the tree is brought up to date
  // first.
  for (int z : {5, 6})
    for (int x : {5, 6}) terrain.grid().setByte(x, z, 0, false);
  info = {};
  ASSERT_TRUE(terrain.collide(drop, 1, info, place));
  EXPECT_NEAR(info.time, 0.95f, 1e-5f);
}

TEST(TerrainCollisionReports, TrianglesSquashedToAPointAreReportedAndStillTested) {
  static std::vector<std::string> logs;
  static bool hit = true;
  vxtest::RecordingDebugger debugger;
  static const vx::RuntimeModule modules[] = {vx::vexel3dModule};
  vx::executeProgram(
      [] {
        vx::startWorld3D();
        Terrain terrain(2);
        CollisionInfo info;
        hit = terrain.collide({{0, 5, 0}, {0, -10, 0}}, 0.5f, info, scaledBy(1e-7f, 1, 1e-7f));
      },
      "", &debugger, modules);
  EXPECT_FALSE(hit);
  ASSERT_FALSE(debugger.logs.empty());
  EXPECT_EQ(debugger.logs.front(), "OUCH!");
}
