#include "engine3d/light.h"

#include <algorithm>

namespace vx {

Light::Light(SceneDevice* device, int32_t type)
    : device_(device), type_(type), deviceLight_(device ? device->createLight(type) : nullptr) {}

Light::Light(const Light& source)
    : Object(source),
      device_(source.device_),
      type_(source.type_),
      deviceLight_(source.device_ ? source.device_->createLight(source.type_) : nullptr),
      color_(source.color_),
      range_(source.range_),
      inner_(source.inner_),
      outer_(source.outer_) {
  applySettings();
}

void Light::applySettings() {
  if (!deviceLight_) return;
  deviceLight_->setColor(color_.x, color_.y, color_.z);
  if (range_ != 0) deviceLight_->setRange(range_);
  deviceLight_->setConeAngles(inner_, outer_);
}

bool Light::beginRender(float tween) {
  Object::beginRender(tween);
  if (deviceLight_) {
    const Transform& t = renderTransform();
    deviceLight_->setPosition(t.pos);
    deviceLight_->setDirection(t.m.k);
  }
  return true;
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
