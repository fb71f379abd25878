#pragma once
// A scene device that draws nothing and remembers what it was asked: the
// ranges written into its meshes and the draws with their states. It
// stands in for the hardware where a test looks at what the engine sends.

#include <memory>
#include <utility>
#include <vector>

#include "engine3d/device/scene_device.h"

namespace vxtest {

struct LockRange {
  int32_t first, count;
  bool operator==(const LockRange&) const = default;
};

class RecordingMesh final : public vx::DeviceMesh {
 public:
  RecordingMesh(int32_t vertices, int32_t triangles)
      : DeviceMesh(vertices, triangles), vertexData(vertices), indexData(3 * triangles) {}
  vx::DeviceVertex* lockVertices(int32_t first, int32_t count) override {
    vertexLocks.push_back({first, count});
    return vertexData.data() + first;
  }
  void unlockVertices() override {}
  uint16_t* lockTriangles(int32_t first, int32_t count) override {
    triangleLocks.push_back({first, count});
    return indexData.data() + 3 * first;
  }
  uint32_t* lockTriangles32(int32_t, int32_t) override { return nullptr; }
  void unlockTriangles() override {}

  std::vector<vx::DeviceVertex> vertexData;
  std::vector<uint16_t> indexData;
  std::vector<LockRange> vertexLocks, triangleLocks;
};

class RecordingSceneDevice final : public vx::SceneDevice {
 public:
  struct Draw {
    vx::DeviceMesh* mesh;
    int32_t triangles;
    vx::RenderState state;
  };

  std::unique_ptr<vx::DeviceMesh> createMesh(int32_t vertices, int32_t triangles, int32_t) override {
    auto mesh = std::make_unique<RecordingMesh>(vertices, triangles);
    meshes.push_back(mesh.get());
    return mesh;
  }
  std::unique_ptr<vx::DeviceLight> createLight(int32_t) override { return nullptr; }
  void begin(const std::vector<vx::DeviceLight*>&) override {}
  void end() override {}
  void setViewport(int32_t, int32_t, int32_t, int32_t) override {}
  void clear(vx::Vector, bool, bool) override {}
  void setPerspective(float, float, float, float) override {}
  void setOrtho(float, float, float, float) override {}
  void setFogRange(float, float) override {}
  void setFogColor(vx::Vector) override {}
  void setFogMode(int32_t) override {}
  void setViewMatrix(const vx::Transform*) override {}
  void setWorldMatrix(const vx::Transform*) override {}
  void setZMode(int32_t) override {}
  void setFlipped(bool) override {}
  void setClipPlane(const vx::ClipPlane*) override {}
  void setRenderState(const vx::RenderState& s) override { state = s; }
  void draw(vx::DeviceMesh& mesh, int32_t, int32_t, int32_t, int32_t triangles) override {
    draws.push_back({&mesh, triangles, state});
  }
  int64_t trianglesDrawn() const override { return 0; }
  void setAmbient(vx::Vector) override {}
  void setAmbient2(vx::Vector) override {}
  void setWBuffer(bool) override {}
  void setDither(bool) override {}
  void setAntiAlias(bool) override {}
  void setWireFrame(bool) override {}
  void setMultiTexture(bool) override {}
  int32_t capsLevel() const override { return 100; }

  std::vector<RecordingMesh*> meshes;  // alive while their surfaces are
  std::vector<Draw> draws;
  vx::RenderState state;
};

}  // namespace vxtest
