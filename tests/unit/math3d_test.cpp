// The 3D math: angle conventions, the quaternion and matrix conversions and
// their branches, inverses and normals, interpolation and alignment.

#include "engine3d/math3d.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

#include "math3d_expect.h"

using namespace vx;
using vxtest::degrees;
using vxtest::near;
using vxtest::sameRotation;

TEST(Math3D, ConstantsHaveTheirExactBits) {
  EXPECT_EQ(std::bit_cast<uint32_t>(kRadToDeg), 0x42652EE1u);
  EXPECT_EQ(std::bit_cast<uint32_t>(kTwoPi), 0x40C90FDBu);
  EXPECT_EQ(kDegToRad, 0.017453292f);
  EXPECT_EQ(kColorScale * 255, 1.0f);
}

TEST(Math3D, PositiveAnglesTurnForwardLeftDownAndRightUp) {
  const Matrix yaw = matrixFromQuat(degrees(0, 90, 0));
  EXPECT_TRUE(near(yaw.k, {-1, 0, 0}));
  EXPECT_TRUE(near(yaw.i, {0, 0, 1}));
  EXPECT_TRUE(near(yaw, yawMatrix(kHalfPi)));
  const Matrix pitch = matrixFromQuat(degrees(90, 0, 0));
  EXPECT_TRUE(near(pitch.k, {0, -1, 0}));
  EXPECT_TRUE(near(pitch, pitchMatrix(kHalfPi)));
  EXPECT_TRUE(near(matrixFromQuat(degrees(0, 0, 90)).i, {0, 1, 0}));

  EXPECT_NEAR(yawOf(Vector{-1, 0, 0}) * kRadToDeg, 90, 1e-4);
  EXPECT_NEAR(pitchOf(Vector{0, -1, 0}) * kRadToDeg, 90, 1e-4);
  EXPECT_NEAR(pitchOf(Vector{0, 1, 1}) * kRadToDeg, -45, 1e-4);
}

TEST(Math3D, AnglesOfAnOrientationComeBack) {
  for (Vector a : {Vector{30, 50, 20}, Vector{-60, 170, -100}, Vector{10, -120, 179}}) {
    const Matrix m = matrixFromQuat(degrees(a.x, a.y, a.z));
    EXPECT_NEAR(pitchOf(m) * kRadToDeg, a.x, 1e-3);
    EXPECT_NEAR(yawOf(m) * kRadToDeg, a.y, 1e-3);
    EXPECT_NEAR(rollOf(m) * kRadToDeg, a.z, 1e-3);
  }
}

TEST(Math3D, ProductTurnsByTheLeftFactorFirst) {
  // The rotation of pitch, yaw and roll is yaw after pitch after roll.
  const Quat p = degrees(40, 0, 0), y = degrees(0, 70, 0), r = degrees(0, 0, 25);
  EXPECT_TRUE(near(matrixFromQuat(r * p * y), matrixFromQuat(y) * matrixFromQuat(p) * matrixFromQuat(r)));
  EXPECT_TRUE(near(matrixFromQuat(degrees(40, 70, 25)), yawMatrix(70 * kDegToRad) * pitchMatrix(40 * kDegToRad) *
                                                             matrixFromQuat(r)));
}

TEST(Math3D, QuaternionFromMatrixTakesEachBranch) {
  // Ordinary rotations, half turns about each axis (trace -1) and a turn
  // that permutes the axes (trace 0) all come back.
  const Quat turns[] = {degrees(30, 50, 20), degrees(180, 0, 0), degrees(0, 180, 0), degrees(0, 0, 180),
                        normalise(Quat{0.5f, 0.5f, 0.5f, 0.5f}), degrees(-170, 10, 100)};
  for (Quat q : turns) EXPECT_TRUE(sameRotation(quatFromMatrix(matrixFromQuat(q)), q));

  // Axes carrying scale are orthonormalised first.
  const Quat q = degrees(20, -35, 60);
  EXPECT_TRUE(sameRotation(quatFromMatrix(scaledAxes(matrixFromQuat(q), {2, 3, 0.5f})), q));
}

TEST(Math3D, TraceAtOrBelowTheBoundUsesTheLargestDiagonal) {
  // A turn about x whose trace 1 + 2c is t. The trace branch always gives a
  // positive w; the largest-diagonal branch (x largest) a positive x, so the
  // signs tell which branch ran.
  auto aboutX = [](float t) {
    const float c = (t - 1) / 2, s = std::sqrt(1 - c * c);
    return Matrix{{1, 0, 0}, {0, c, s}, {0, -s, c}};
  };
  const Quat below = quatFromMatrix(aboutX(0));
  EXPECT_GT(below.x, 0);
  EXPECT_LT(below.w, 0);
  EXPECT_TRUE(near(matrixFromQuat(below), aboutX(0)));
  const Quat above = quatFromMatrix(aboutX(3e-6f));
  EXPECT_GT(above.w, 0);
  EXPECT_LT(above.x, 0);
  EXPECT_TRUE(near(matrixFromQuat(above), aboutX(3e-6f), 1e-4f));
}

TEST(Math3D, InversesUndoAndCofactorsCarryNormals) {
  const Matrix m{{2, 0.5f, 0}, {0.3f, 1, -1}, {0, 0.2f, 3}};
  EXPECT_NEAR(determinant(m), 2 * (3 + 0.2f) - 0.5f * (0.9f), 1e-5);
  EXPECT_TRUE(near(m * inverse(m), Matrix{}));
  EXPECT_TRUE(near(inverse(m) * m, Matrix{}));

  const Transform t{scaledAxes(matrixFromQuat(degrees(10, 20, 30)), {1, 4, 0.5f}), {5, -6, 7}};
  const Vector p{1, 2, 3};
  EXPECT_TRUE(near(inverse(t) * (t * p), p, 1e-4f));
  EXPECT_TRUE(near((t * inverse(t)).pos, {}, 1e-4f));

  // A normal stays perpendicular to every transformed tangent.
  const Vector n{0, 0, 1}, tangents[] = {{1, 0, 0}, {0, 1, 0}, {1, -1, 0}};
  for (Vector tangent : tangents) EXPECT_NEAR(dot(t.m * tangent, cofactor(t.m) * n), 0, 1e-5);
  EXPECT_TRUE(near(cofactor(matrixFromQuat(degrees(10, 20, 30))), matrixFromQuat(degrees(10, 20, 30))));
}

TEST(Math3D, SlerpFollowsTheShorterArc) {
  const Quat a{}, b = degrees(0, 90, 0);
  EXPECT_TRUE(sameRotation(slerp(a, b, 0.5f), degrees(0, 45, 0)));
  // The same end rotation with the opposite sign: still the 45 degree half.
  const Quat half = slerp(a, -b, 0.5f);
  EXPECT_TRUE(sameRotation(half, degrees(0, 45, 0)));
  EXPECT_GT(half.w, 0);
  EXPECT_TRUE(sameRotation(slerp(a, -b, 1), b));
  // Nearly equal rotations are mixed linearly, without renormalising.
  const Quat c = degrees(0, 0.01f, 0);
  const Quat mixed = slerp(a, c, 0.5f);
  EXPECT_FLOAT_EQ(mixed.w, 0.5f * (a.w + c.w));
  EXPECT_FLOAT_EQ(mixed.y, 0.5f * c.y);
}

TEST(Math3D, AngleDifferencesWrapIntoHalfOpenRange) {
  EXPECT_FLOAT_EQ(wrapAngle(kPi), kPi - kTwoPi);
  EXPECT_FLOAT_EQ(wrapAngle(-kPi), -kPi);
  EXPECT_FLOAT_EQ(wrapAngle(-kPi - 0.5f), -kPi - 0.5f + kTwoPi);
  EXPECT_FLOAT_EQ(wrapAngle(1), 1);
}

TEST(Math3D, AlignmentTurnsAnAxisTowardsATarget) {
  // The turn is about world axes whatever the current rotation.
  Quat q = degrees(0, 90, 0);
  ASSERT_TRUE(alignAxis(q, 2, {0, 5, 0}, 1));
  EXPECT_TRUE(near(matrixFromQuat(q).k, {0, 1, 0}));

  q = degrees(0, 90, 0);
  ASSERT_TRUE(alignAxis(q, 2, {0, 1, 0}, 0.5f));
  EXPECT_TRUE(near(matrixFromQuat(q).k, normalise(Vector{-1, 1, 0})));

  q = degrees(20, 0, 0);
  ASSERT_TRUE(alignAxis(q, 0, {0, 0, 1}, 1));
  EXPECT_TRUE(near(matrixFromQuat(q).i, {0, 0, 1}));

  // Facing away: a half turn about another of the entity's axes.
  q = degrees(0, 30, 0);
  const Vector away = -matrixFromQuat(q).k;
  ASSERT_TRUE(alignAxis(q, 2, away, 1));
  EXPECT_TRUE(near(matrixFromQuat(q).k, away));

  // Already aligned, or no direction at all: nothing changes.
  q = degrees(0, 30, 0);
  const Quat before = q;
  EXPECT_FALSE(alignAxis(q, 2, matrixFromQuat(q).k * 3, 1));
  EXPECT_FALSE(alignAxis(q, 1, {1e-7f, 0, 0}, 1));
  EXPECT_FALSE(alignAxis(q, 1, {}, 1));
  EXPECT_EQ(q, before);
}
