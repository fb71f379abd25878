#pragma once
// A light owns one device light and hands it its world position and
// direction (the k axis) every frame. It keeps its own settings too, so a
// copy gets a device light of its own set up the same way.

#include <memory>

#include "engine3d/device/scene_device.h"
#include "engine3d/entity.h"

namespace vx {

class Light : public Object {
 public:
  // type 2 point, 3 spot, anything else directional. device may be null
  // (a world without a scene device): the light then lights nothing.
  Light(SceneDevice* device, int32_t type);
  Entity* clone() const override { return new Light(*this); }
  Light* getLight() override { return this; }
  // The object's tween, then the device light follows the render transform.
  bool beginRender(float tween) override;

  void setColor(float red, float green, float blue);  // 0..1
  void setRange(float range);
  // Radians: inner clamped to 0..pi, outer to inner..pi.
  void setConeAngles(float inner, float outer);
  DeviceLight* deviceLight() const { return deviceLight_.get(); }
  float innerCone() const { return inner_; }
  float outerCone() const { return outer_; }

 private:
  Light(const Light& source);
  void applySettings();

  SceneDevice* device_;
  int32_t type_;
  std::unique_ptr<DeviceLight> deviceLight_;
  Vector color_{1, 1, 1};
  float range_ = 0;  // 0: never set, the device's own range stays
  float inner_ = 0, outer_ = kHalfPi;
};

}  // namespace vx
