#pragma once
// The meshes and lights of the OpenGL scene device. Meshes keep their
// vertices and indices in buffer objects, and a lock maps only the range
// that is written, so the driver receives only what changed; each mesh has
// a vertex array object holding its attribute set-up, so that a draw binds
// one object instead of setting every attribute again; lights
// keep what a fixed-function light needs and count their changes, so that
// the device re-sends a light only when it changed.

#include <cstddef>
#include <cstdint>

#include "engine3d/device/gl_state_cache.h"
#include "engine3d/device/scene_device.h"

namespace vx {

class GlSceneDevice;

class GlDeviceMesh : public DeviceMesh {
 public:
  // A mesh of the device, which keeps it in its list until either goes:
  // the device releases the meshes that outlive it.
  GlDeviceMesh(GlSceneDevice& device, int32_t vertexCapacity, int32_t triangleCapacity, bool indices32);
  ~GlDeviceMesh() override;
  GlDeviceMesh(const GlDeviceMesh&) = delete;
  GlDeviceMesh& operator=(const GlDeviceMesh&) = delete;
  DeviceVertex* lockVertices(int32_t first, int32_t count) override;
  void unlockVertices() override;
  uint16_t* lockTriangles(int32_t first, int32_t count) override;
  uint32_t* lockTriangles32(int32_t first, int32_t count) override;
  void unlockTriangles() override;

  // The device that made it; null once that device is gone, and with it
  // the buffers.
  GlSceneDevice* device() const { return device_; }
  // Deletes the buffers; the mesh draws and takes nothing from then on.
  void release();
  GLenum indexType() const { return indices32() ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT; }
  GLuint vertexBuffer() const { return vertexBuffer_; }
  GLuint vertexArray() const { return vertexArray_; }

  // How the vertex array object's attributes are set up: from which vertex,
  // for how many texture units, each taking the second coordinate set
  // where its bit is set.
  struct Arrays {
    int32_t firstVertex = -1;
    int units = 0;
    uint32_t secondSet = 0;
    bool operator==(const Arrays&) const = default;
  };
  Arrays arrays;
  // The place in the device's list.
  size_t listIndex = 0;

 private:
  void* lockIndices(int32_t first, int32_t count, size_t indexBytes);

  GlSceneDevice* device_;
  GLuint vertexBuffer_ = 0;
  GLuint indexBuffer_ = 0;
  GLuint vertexArray_ = 0;
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
