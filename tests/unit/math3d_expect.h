#pragma once
// Near-equality of 3D values for the engine3d tests.

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "engine3d/math3d.h"

namespace vxtest {

inline ::testing::AssertionResult near(vx::Vector a, vx::Vector b, float tolerance = 1e-5f) {
  if (std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance && std::fabs(a.z - b.z) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ") is not (" << b.x << ", "
                                       << b.y << ", " << b.z << ")";
}

inline ::testing::AssertionResult near(const vx::Matrix& a, const vx::Matrix& b, float tolerance = 1e-5f) {
  const std::pair<vx::Vector, vx::Vector> axes[] = {{a.i, b.i}, {a.j, b.j}, {a.k, b.k}};
  for (const auto& [u, v] : axes)
    if (auto r = near(u, v, tolerance); !r) return r;
  return ::testing::AssertionSuccess();
}

// A rotation from angles in degrees.
inline vx::Quat degrees(float pitch, float yaw, float roll) {
  return vx::rotationFromAngles(pitch * vx::kDegToRad, yaw * vx::kDegToRad, roll * vx::kDegToRad);
}

// The same rotation: q and -q are.
inline ::testing::AssertionResult sameRotation(vx::Quat a, vx::Quat b, float tolerance = 1e-5f) {
  return near(vx::matrixFromQuat(a), vx::matrixFromQuat(b), tolerance);
}

}  // namespace vxtest
