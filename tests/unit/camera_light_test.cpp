// Cameras and lights on their own: the view volume, the degenerate
// projections, the light settings that reach the device light.

#include <gtest/gtest.h>

#include "canvas_test_support.h"
#include "engine3d/camera.h"
#include "engine3d/device/gl_scene_device.h"
#include "engine3d/light.h"

namespace {

TEST(Camera, FrustumFollowsZoomRangeAndViewport) {
  vx::Camera camera(0, 0, 64, 48);
  EXPECT_FLOAT_EQ(camera.frustumWidth(), 2);
  EXPECT_FLOAT_EQ(camera.frustumHeight(), 1.5f);
  camera.setViewport(0, 0, 64, 64);
  EXPECT_FLOAT_EQ(camera.frustumHeight(), 2);
  camera.setZoom(2);
  camera.setRange(2, 50);
  EXPECT_FLOAT_EQ(camera.frustumWidth(), 2);
  EXPECT_FLOAT_EQ(camera.frustum().points[vx::Frustum::kFarTopLeft].z, 50);
  EXPECT_TRUE(camera.sees({0, 0, 10}));
  EXPECT_FALSE(camera.sees({0, 0, 60}));
  EXPECT_FALSE(camera.sees({30, 0, 10}));
}

TEST(Camera, WithoutAProjectionNothingIsSeenOrDrawn) {
  auto canvas = vxtest::makeCanvas(16, 16);
  auto device = vx::GlSceneDevice::create(*canvas);
  ASSERT_TRUE(device);
  vx::Camera camera(0, 0, 16, 16);
  camera.projMode = vx::Camera::kNoProjection;
  EXPECT_FALSE(camera.beginCameraRender(*device));
  camera.projMode = vx::Camera::kPerspective;
  for (auto broken : {+[](vx::Camera& c) { c.setZoom(0); }, +[](vx::Camera& c) { c.setViewport(0, 0, 0, 16); },
                      +[](vx::Camera& c) { c.setRange(3, 3); }}) {
    vx::Camera degenerate(0, 0, 16, 16);
    broken(degenerate);
    vx::Vector projected{1, 1, 1};
    EXPECT_FALSE(degenerate.beginCameraRender(*device));
    EXPECT_FALSE(degenerate.project({0, 0, 5}, projected));
    EXPECT_EQ(projected, vx::Vector{});
    EXPECT_FALSE(degenerate.sees({0, 0, 5}));
  }
}

TEST(Light, SettingsReachTheDeviceLightAndCopies) {
  auto canvas = vxtest::makeCanvas(16, 16);
  auto device = vx::GlSceneDevice::create(*canvas);
  ASSERT_TRUE(device);
  vx::Light light(3);
  light.setRange(10);
  light.setConeAngles(200 * vx::kDegToRad, 10 * vx::kDegToRad);
  EXPECT_FLOAT_EQ(light.innerCone(), vx::kPi);
  EXPECT_FLOAT_EQ(light.outerCone(), vx::kPi);
  light.setColor(0.5f, 0.25f, 1);
  std::unique_ptr<vx::Entity> copy(light.clone());
  for (vx::Light* l : {&light, copy->getLight()}) {
    auto* deviceLight = static_cast<vx::GlDeviceLight*>(l->deviceLight(*device));
    EXPECT_EQ(deviceLight->type(), vx::DeviceLight::kSpot);
    EXPECT_FLOAT_EQ(deviceLight->attenuation[1], 0.1f);
    EXPECT_FLOAT_EQ(deviceLight->diffuse[1], 0.25f);
    EXPECT_FLOAT_EQ(deviceLight->outerCone, vx::kPi);
  }
  EXPECT_NE(light.deviceLight(*device), copy->getLight()->deviceLight(*device));

  light.setLocalPosition({1, 2, 3});
  light.setLocalRotation(vx::rotationFromAngles(0, vx::kHalfPi, 0));
  EXPECT_TRUE(light.beginRender(1));
  auto* deviceLight = static_cast<vx::GlDeviceLight*>(light.deviceLight(*device));
  EXPECT_EQ(deviceLight->position, (vx::Vector{1, 2, 3}));
  EXPECT_NEAR(deviceLight->direction.x, -1, 1e-6);
  EXPECT_NEAR(deviceLight->direction.z, 0, 1e-6);
}

}  // namespace
