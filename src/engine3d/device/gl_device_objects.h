#pragma once
// The meshes and lights of the OpenGL scene device. Meshes keep their
// vertices and indices in system memory and are drawn from there; lights
// keep what a fixed-function light needs and count their changes, so that
// the device re-sends a light only when it changed.

#include <cstdint>
#include <vector>

#include "engine3d/device/scene_device.h"

namespace vx {

class GlDeviceMesh : public DeviceMesh {
 public:
  GlDeviceMesh(int32_t vertexCapacity, int32_t triangleCapacity)
      : DeviceMesh(vertexCapacity, triangleCapacity),
        vertices_(static_cast<size_t>(vertexCapacity)),
        indices_(static_cast<size_t>(triangleCapacity) * 3) {}
  DeviceVertex* lockVertices(int32_t first, int32_t) override { return vertices_.data() + first; }
  void unlockVertices() override {}
  uint16_t* lockTriangles(int32_t first, int32_t) override { return indices_.data() + 3 * first; }
  void unlockTriangles() override {}
  const DeviceVertex* vertices() const { return vertices_.data(); }
  const uint16_t* indices() const { return indices_.data(); }

 private:
  std::vector<DeviceVertex> vertices_;
  std::vector<uint16_t> indices_;
};

class GlDeviceLight : public DeviceLight {
 public:
  explicit GlDeviceLight(int32_t type);
  void setColor(float red, float green, float blue) override;
  void setPosition(Vector position) override;
  void setDirection(Vector direction) override;
  void setRange(float range) override;
  void setConeAngles(float inner, float outer) override;

  Type type() const { return type_; }
  // Unique among all lights ever made, and the count of changes: together
  // they tell the device whether what it sent is still this light's.
  uint64_t serial() const { return serial_; }
  uint32_t version() const { return version_; }

  float diffuse[4] = {1, 1, 1, 1};
  float specular[4] = {1, 1, 1, 1};
  float ambient[4] = {0, 0, 0, 1};
  Vector position;
  Vector direction{0, 0, 1};
  float attenuation[3] = {0, 0.001f, 0};
  float innerCone = 0;
  float outerCone = kHalfPi;

 private:
  Type type_;
  uint64_t serial_;
  uint32_t version_ = 0;
};

}  // namespace vx
