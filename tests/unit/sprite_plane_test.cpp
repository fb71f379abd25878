// The sprite buffer's slots, and a plane as a collision target.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "world3d/collision.h"
#include "world3d/plane.h"
#include "world3d/sprite.h"

namespace {

TEST(SpriteBuffer, GrowsBy256SlotsAndGoesWhenEverySlotIsFree) {
  std::vector<std::unique_ptr<vx::Entity>> sprites;
  for (int i = 0; i < 256; ++i) sprites.emplace_back(new vx::Sprite);
  EXPECT_EQ(vx::Sprite::bufferSlots(), 256);
  sprites.emplace_back(sprites.front()->clone());  // a copy takes a slot of its own
  EXPECT_EQ(vx::Sprite::bufferSlots(), 512);
  sprites.erase(sprites.begin(), sprites.begin() + 100);
  sprites.emplace_back(new vx::Sprite);  // into a freed slot
  EXPECT_EQ(vx::Sprite::bufferSlots(), 512);
  sprites.clear();
  EXPECT_EQ(vx::Sprite::bufferSlots(), 0);
  vx::Sprite again;
  EXPECT_EQ(vx::Sprite::bufferSlots(), 256);
}

TEST(PlaneTarget, SolidFromAboveInItsOwnSpace) {
  vx::Plane plane(4);
  plane.setLocalPosition({0, 2, 0});
  vx::CollisionInfo info;
  EXPECT_TRUE(plane.collide({{0, 5, 0}, {0, -5, 0}}, 0.5f, info, plane.worldTransform()));
  EXPECT_FLOAT_EQ(info.time, 0.5f);
  EXPECT_FLOAT_EQ(info.normal.y, 1);
  vx::CollisionInfo upwards;
  EXPECT_FALSE(plane.collide({{0, 0, 0}, {0, 5, 0}}, 0.5f, upwards, plane.worldTransform()));

  // Turned a quarter about z, its up axis points along -x.
  plane.setLocalRotation(vx::rotationFromAngles(0, 0, vx::kHalfPi));
  vx::CollisionInfo sideways;
  EXPECT_TRUE(plane.collide({{-4, 2, 0}, {8, 0, 0}}, 1, sideways, plane.worldTransform()));
  EXPECT_FLOAT_EQ(sideways.time, 3.0f / 8);
  EXPECT_NEAR(sideways.normal.x, -1, 1e-6);
}

}  // namespace
