#pragma once
// The meshes and lights of the OpenGL scene device. Meshes keep their
// vertices and indices in buffer objects, and a lock maps only the range
// that is written, so the driver receives only what changed; lights
// keep what a fixed-function light needs and count their changes, so that
// the device re-sends a light only when it changed.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine3d/device/gl_state_cache.h"
#include "engine3d/device/scene_device.h"

namespace vx {

class GlDeviceMesh : public DeviceMesh {
 public:
  // device lives as long as the device that made the mesh: a mesh that
  // outlives it has no buffers left to write, draw or delete.
  GlDeviceMesh(std::weak_ptr<const bool> device, int32_t vertexCapacity, int32_t triangleCapacity);
  ~GlDeviceMesh() override;
  DeviceVertex* lockVertices(int32_t first, int32_t count) override;
  void unlockVertices() override;
  uint16_t* lockTriangles(int32_t first, int32_t count) override;
  void unlockTriangles() override;
  bool madeBy(const std::shared_ptr<const bool>& device) const { return device_.lock() == device; }
  // Binds both buffers for drawing.
  void bind() const;
  // Unique among all meshes ever made: attribute arrays set up for this
  // mesh are still its own when the serial matches.
  uint64_t serial() const { return serial_; }

 private:
  std::weak_ptr<const bool> device_;
  uint64_t serial_;
  GLuint vertexBuffer_ = 0;
  GLuint indexBuffer_ = 0;
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
