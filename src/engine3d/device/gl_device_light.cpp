#include "engine3d/device/gl_device_objects.h"

namespace vx {

namespace {
uint64_t nextSerial = 1;
}

GlDeviceLight::GlDeviceLight(int32_t type)
    : type_(type == kPoint ? kPoint : type == kSpot ? kSpot : kDirectional), serial_(nextSerial++) {}

void GlDeviceLight::setColor(float red, float green, float blue) {
  diffuse[0] = red, diffuse[1] = green, diffuse[2] = blue;
  ++version_;
}

void GlDeviceLight::setPosition(Vector p) {
  if (p == position) return;
  position = p;
  ++version_;
}

void GlDeviceLight::setDirection(Vector d) {
  if (d == direction) return;
  direction = d;
  ++version_;
}

void GlDeviceLight::setRange(float range) {
  attenuation[1] = 1 / range;
  ++version_;
}

void GlDeviceLight::setConeAngles(float inner, float outer) {
  innerCone = inner;
  outerCone = outer;
  ++version_;
}

}  // namespace vx
