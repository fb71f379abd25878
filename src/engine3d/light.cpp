#include "engine3d/light.h"

#include <algorithm>

namespace vx {

Light::Light(const Light& source)
    : Object(source),
      type_(source.type_),
      color_(source.color_),
      range_(source.range_),
      inner_(source.inner_),
      outer_(source.outer_) {}

void Light::applySettings() {
  deviceLight_->setColor(color_.x, color_.y, color_.z);
  if (range_ != 0) deviceLight_->setRange(range_);
  deviceLight_->setConeAngles(inner_, outer_);
}

DeviceLight* Light::deviceLight(SceneDevice& device) {
  if (!deviceLight_) {
    deviceLight_ = device.createLight(type_);
    if (!deviceLight_) return nullptr;
    applySettings();
  }
  const Transform& t = renderTransform();
  deviceLight_->setPosition(t.pos);
  deviceLight_->setDirection(t.m.k);
  return deviceLight_.get();
}

void Light::setColor(float red, float green, float blue) {
  color_ = {red, green, blue};
  if (deviceLight_) deviceLight_->setColor(red, green, blue);
}

void Light::setRange(float range) {
  range_ = range;
  if (deviceLight_) deviceLight_->setRange(range);
}

void Light::setConeAngles(float inner, float outer) {
  inner_ = std::clamp(inner, 0.0f, kPi);
  outer_ = std::clamp(outer, inner_, kPi);
  if (deviceLight_) deviceLight_->setConeAngles(inner_, outer_);
}

}  // namespace vx
