#pragma once
// A light keeps its settings and, once the world renders through a scene
// device, one device light that follows them and is placed at the light's
// render transform (position, and direction along the k axis) every frame.
// A copy gets a device light of its own set up the same way.

#include <memory>

#include "engine3d/device/scene_device.h"
#include "engine3d/entity.h"

namespace vx {

class Light : public Object {
 public:
  // type 2 point, 3 spot, anything else directional.
  explicit Light(int32_t type) : type_(type) {}
  Entity* clone() const override { return new Light(*this); }
  Light* getLight() override { return this; }

  void setColor(float red, float green, float blue);  // 0..1
  void setRange(float range);
  // Radians: inner clamped to 0..pi, outer to inner..pi.
  void setConeAngles(float inner, float outer);
  float innerCone() const { return inner_; }
  float outerCone() const { return outer_; }

  // The device light of a render, made on the device with the settings at
  // the first call and placed at the render transform at every call.
  DeviceLight* deviceLight(SceneDevice& device);

 private:
  Light(const Light& source);
  void applySettings();

  int32_t type_;
  std::unique_ptr<DeviceLight> deviceLight_;
  Vector color_{1, 1, 1};
  float range_ = 0;  // 0: never set, the device's own range stays
  float inner_ = 0, outer_ = kHalfPi;
};

}  // namespace vx
