#include "engine3d/frustum.h"

#include <gtest/gtest.h>

namespace vx {
namespace {

TEST(Frustum, KeepsWhatTheCameraSeesAndCullsTheRest) {
  Frustum f(1, 100, 2, 2);  // 90 degrees across at the near plane
  EXPECT_TRUE(f.contains({0, 0, 50}));
  EXPECT_TRUE(f.contains({0.99f * 50, 0, 50}));
  EXPECT_FALSE(f.contains({0, 0, 0.5f}));   // before the near plane
  EXPECT_FALSE(f.contains({0, 0, 101}));    // beyond the far plane
  EXPECT_FALSE(f.contains({0, 0, -10}));    // behind the eye
  EXPECT_FALSE(f.contains({60, 0, 50}));    // right
  EXPECT_FALSE(f.contains({-60, 0, 50}));   // left
  EXPECT_FALSE(f.contains({0, 60, 50}));    // above
  EXPECT_FALSE(f.contains({0, -60, 50}));   // below
}

TEST(Frustum, BoxesStraddlingTwoPlanesAreNotCulled) {
  Frustum f(1, 100, 2, 2);
  // Every corner is outside some plane, but not all outside the same one.
  Vector box[] = {{-200, -1, 0.5f}, {200, -1, 0.5f}, {-200, 1, 200}, {200, 1, 200}};
  EXPECT_FALSE(f.allOutsideOnePlane(box, 4));
  Vector left[] = {{-200, 0, 50}, {-150, 0, 60}};
  EXPECT_TRUE(f.allOutsideOnePlane(left, 2));
}

TEST(Frustum, FollowsTransformsIncludingReflections) {
  Frustum camera(1, 100, 2, 2);
  Transform turned{{{0, 0, -1}, {0, 1, 0}, {1, 0, 0}}, {10, 0, 0}};  // looking along +x from x=10
  Frustum world = camera.transformed(turned);
  EXPECT_TRUE(world.contains({60, 0, 0}));
  EXPECT_FALSE(world.contains({0, 0, 0}));
  Transform mirrored{{{1, 0, 0}, {0, -1, 0}, {0, 0, 1}}, {0, 0, 0}};
  Frustum reflected = camera.transformed(mirrored);
  EXPECT_TRUE(reflected.contains({0, -10, 50}));
  EXPECT_FALSE(reflected.contains({0, 0, -50}));
  EXPECT_FALSE(reflected.contains({0, 80, 50}));
}

}  // namespace
}  // namespace vx
