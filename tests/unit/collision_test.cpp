// The swept-sphere tests at their edges: grazing, starting inside, moving
// along a face, the ends of an edge, ties between equal times, boxes under
// frames that squash or mirror them, and planes under shearing transforms.

#include <gtest/gtest.h>

#include <cmath>

#include "math3d_expect.h"
#include "world3d/collision.h"

using vx::CollisionInfo;
using vx::CollisionLine;
using vx::Transform;
using vx::Vector;
using vxtest::near;

namespace {

// A triangle in the plane z = 0 with its front towards -z: the corner
// (1, 1) and the two next to it.
const Vector kV0{-1, 1, 0}, kV1{1, 1, 0}, kV2{1, -1, 0};

// A sweep along +z through (x, y), from z = -5 to z = 5.
CollisionLine alongZ(float x, float y) { return {{x, y, -5}, {0, 0, 10}}; }

bool hitsTriangle(const CollisionLine& line, float radius, CollisionInfo& info) {
  return vx::triangleCollide(line, radius, kV0, kV1, kV2, info);
}

}  // namespace

TEST(TriangleCollide, FaceThenEdgesThenCorners) {
  CollisionInfo face;
  ASSERT_TRUE(hitsTriangle(alongZ(0.5f, 0.5f), 1, face));
  EXPECT_FLOAT_EQ(face.time, 0.4f);  // the plane pushed out by the radius
  EXPECT_TRUE(near(face.normal, {0, 0, -1}));

  // Beside the face, the sphere meets the edge x = 1 on its side.
  CollisionInfo edge;
  ASSERT_TRUE(hitsTriangle(alongZ(1.5f, 0), 1, edge));
  EXPECT_NEAR(edge.time, (5 - std::sqrt(0.75f)) / 10, 1e-6);
  EXPECT_TRUE(near(edge.normal, {0.5f, 0, -std::sqrt(0.75f)}));

  // Beyond both edges at the corner (1, 1): the sphere around it.
  CollisionInfo corner;
  ASSERT_TRUE(hitsTriangle(alongZ(1.5f, 1.5f), 1, corner));
  EXPECT_NEAR(corner.time, (5 - std::sqrt(0.5f)) / 10, 1e-6);
  EXPECT_TRUE(near(corner.normal, {0.5f, 0.5f, -std::sqrt(0.5f)}));

  // A bare line has no edges to graze.
  CollisionInfo line;
  EXPECT_FALSE(hitsTriangle(alongZ(1.5f, 0), 0, line));
  EXPECT_FLOAT_EQ(line.time, 1);
}

TEST(TriangleCollide, GrazingTouchesAndAHairMoreMisses) {
  CollisionInfo graze;
  ASSERT_TRUE(hitsTriangle(alongZ(2, 0), 1, graze));
  EXPECT_FLOAT_EQ(graze.time, 0.5f);
  EXPECT_TRUE(near(graze.normal, {1, 0, 0}));

  CollisionInfo past;
  EXPECT_FALSE(hitsTriangle(alongZ(2.001f, 0), 1, past));
}

TEST(TriangleCollide, OnlyAFrontMetFromOutsideIsSolid) {
  CollisionInfo info;
  // From behind.
  EXPECT_FALSE(hitsTriangle({{0.5f, 0.5f, 5}, {0, 0, -10}}, 1, info));
  // Along the face, overlapping it all the way.
  EXPECT_FALSE(hitsTriangle({{-3, 0.5f, -0.5f}, {10, 0, 0}}, 1, info));
  // Starting inside the pushed-out face, its edges already overlapped.
  EXPECT_FALSE(hitsTriangle({{0.5f, 0.5f, -0.5f}, {0, 0, 1}}, 1, info));
  // Too late: the info already holds a sooner hit.
  info.time = 0.3f;
  EXPECT_FALSE(hitsTriangle(alongZ(0.5f, 0.5f), 1, info));
  // A triangle without area.
  info.time = 1;
  EXPECT_FALSE(vx::triangleCollide(alongZ(0, 0), 1, kV0, kV1, kV0, info));
  EXPECT_FLOAT_EQ(info.time, 1);
}

TEST(Collide, EqualTimesReplaceExceptForSpheres) {
  // A sphere of radius 1 at the origin met by one of radius 1 at t = 0.5.
  const CollisionLine line{{0, 0, -4}, {0, 0, 4}};
  CollisionInfo sphere;
  sphere.time = 0.5f;
  EXPECT_FALSE(vx::sphereCollide(line, 1, {}, 1, sphere));
  sphere.time = 0.6f;
  ASSERT_TRUE(vx::sphereCollide(line, 1, {}, 1, sphere));
  EXPECT_FLOAT_EQ(sphere.time, 0.5f);
  EXPECT_TRUE(near(sphere.normal, {0, 0, -1}));

  CollisionInfo triangle;
  triangle.time = 0.4f;
  EXPECT_TRUE(hitsTriangle(alongZ(0.5f, 0.5f), 1, triangle));
}

TEST(SphereCollide, StartingInsideOrStandingStillMisses) {
  CollisionInfo info;
  EXPECT_FALSE(vx::sphereCollide({{0, 0, -1}, {0, 0, 4}}, 1, {}, 1, info));
  EXPECT_FALSE(vx::sphereCollide({{0, 0, -4}, {}}, 1, {}, 1, info));
  EXPECT_FALSE(vx::sphereCollide({{3, 0, -4}, {0, 0, 8}}, 1, {}, 1, info));  // passes beside
  EXPECT_FLOAT_EQ(info.time, 1);
}

TEST(EdgeCollide, EndsAndParallelSweeps) {
  const Vector a{0, 0, 0}, b{0, 2, 0};
  CollisionInfo info;
  // Moving along the edge never meets it.
  EXPECT_FALSE(vx::edgeCollide({{0, -5, 0}, {0, 10, 0}}, 1, a, b, info));
  // Past the end b: left to the next edge.
  EXPECT_FALSE(vx::edgeCollide({{-5, 2.5f, 0}, {10, 0, 0}}, 1, a, b, info));
  // Before the start a: the sphere around a.
  ASSERT_TRUE(vx::edgeCollide({{-5, -0.5f, 0}, {10, 0, 0}}, 1, a, b, info));
  EXPECT_NEAR(info.time, (5 - std::sqrt(0.75f)) / 10, 1e-6);
  EXPECT_TRUE(near(info.normal, {-std::sqrt(0.75f), -0.5f, 0}));
}

TEST(BoxCollide, FacesEdgesAndFrames) {
  const Vector min{-1, -1, -1}, max{1, 1, 1};
  const CollisionLine down{{0, 5, 0}, {0, -10, 0}};
  CollisionInfo top;
  ASSERT_TRUE(vx::boxCollide(down, 0.5f, min, max, Transform{}, top));
  EXPECT_FLOAT_EQ(top.time, 0.35f);
  EXPECT_TRUE(near(top.normal, {0, 1, 0}));

  // Diagonally at the edge x = y = 1.
  CollisionInfo edge;
  ASSERT_TRUE(vx::boxCollide({{3, 3, 0}, {-10, -10, 0}}, 0.5f, min, max, Transform{}, edge));
  EXPECT_NEAR(edge.time, (2 - 0.5f / std::sqrt(2.0f)) / 10, 1e-6);
  EXPECT_TRUE(near(edge.normal, {std::sqrt(0.5f), std::sqrt(0.5f), 0}));

  // Squashed to half its height, as an ellipsoid twice as tall as wide
  // sees it: the top is at 0.5.
  CollisionInfo squashed;
  const Transform squash{{{1, 0, 0}, {0, 0.5f, 0}, {0, 0, 1}}, {}};
  ASSERT_TRUE(vx::boxCollide(down, 1, min, max, squash, squashed));
  EXPECT_FLOAT_EQ(squashed.time, 0.35f);
  EXPECT_TRUE(near(squashed.normal, {0, 1, 0}));

  // Mirrored and moved: the faces still point out.
  CollisionInfo mirrored;
  const Transform mirror{{{-1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {10, 0, 0}};
  ASSERT_TRUE(vx::boxCollide({{15, 0, 0}, {-10, 0, 0}}, 0, min, max, mirror, mirrored));
  EXPECT_FLOAT_EQ(mirrored.time, 0.4f);
  EXPECT_TRUE(near(mirrored.normal, {1, 0, 0}));

  // From inside nothing is met.
  CollisionInfo inside;
  EXPECT_FALSE(vx::boxCollide({{0, 0, 0}, {0, 10, 0}}, 0.5f, min, max, Transform{}, inside));
}

TEST(PlaneCollide, SolidFromAboveWithNormalsCarriedByTheInverseTranspose) {
  CollisionInfo info;
  EXPECT_FALSE(vx::planeCollide({{0, -5, 0}, {0, 10, 0}}, 1, Transform{}, info));
  EXPECT_FALSE(vx::planeCollide({{0, 5, 0}, {10, 0, 0}}, 1, Transform{}, info));
  // Sheared so that its y axis leans over x: the plane is still y = 0 and
  // its normal still straight up.
  const Transform shear{{{1, 0, 0}, {1, 1, 0}, {0, 0, 1}}, {}};
  ASSERT_TRUE(vx::planeCollide({{0, 5, 0}, {0, -10, 0}}, 1, shear, info));
  EXPECT_FLOAT_EQ(info.time, 0.4f);
  EXPECT_TRUE(near(info.normal, {0, 1, 0}));
}

TEST(TriangleCollide, ALineDownASeamMeetsOneOfItsTriangles) {
  // Two cells of a bumpy floor at x 55 to 57, and a line down their shared
  // edge x = 56, where rounding puts it a hair outside both sides.
  const auto h = [](int i, int j) { return static_cast<float>((i * 7 + j * 13) % 5) * 0.06f; };
  const CollisionLine line{{56, 12, -23.61f}, {0, -30, -3}};
  bool hit = false;
  for (int i = 150; i < 152; ++i) {
    const float x0 = static_cast<float>(i) - 95, x1 = x0 + 1, z0 = -25, z1 = -24;
    const Vector c[4] = {{x0, h(i, 71), z1}, {x1, h(i + 1, 71), z1}, {x1, h(i + 1, 70), z0}, {x0, h(i, 70), z0}};
    CollisionInfo info;
    hit |= vx::triangleCollide(line, 0, c[0], c[1], c[2], info);
    hit |= vx::triangleCollide(line, 0, c[0], c[2], c[3], info);
  }
  EXPECT_TRUE(hit);
}
