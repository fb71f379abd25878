#pragma once
// The 3D engine's only view of the graphics hardware. The graphics device
// makes one SceneDevice when a 3D mode opens, rendering into that mode's
// back buffer canvas; the engine drives it with the operations below and
// nothing else. Every state the engine sets is cached and reaches the
// hardware only when its value changes.
//
// Conventions are the engine's, not the hardware's: row vectors (a point p
// becomes p * M), left-handed coordinates with z into the screen, depth
// from 0 at the near plane to 1 at the far plane, clockwise front faces.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine3d/math3d.h"

namespace vx {

class Canvas;
struct TextureLimits;

// One texture layer as the device sees it.
struct TextureLayer {
  Canvas* canvas = nullptr;               // a texture canvas, or none
  const Transform* transform = nullptr;   // texture transform, or none
  int32_t blend = 0;                      // 0 off, 1 alpha, 2 multiply, 3 add, 4 dot3
  int32_t coords = 0;                     // texture coordinate set, 0 or 1
  bool operator==(const TextureLayer&) const = default;
};

// Brush effect bits the device reads.
enum BrushFx : int32_t {
  kFxFullBright = 1,
  kFxVertexColors = 2,
  kFxFlatShaded = 4,
  kFxNoFog = 8,
  kFxNoCulling = 16,
  kFxForceAlpha = 32,
  kFxAlphaTest = 8192,
  kFxSecondAmbient = 16384,
  kFxEmissiveVertexColors = 32768,
};

// What a draw is made with: the material, the blend, the effects and up to
// eight texture layers. Compared member by member.
struct RenderState {
  static constexpr int kLayers = 8;
  float red = 1, green = 1, blue = 1;
  float shininess = 0;
  float alpha = 1;
  int32_t blend = 0;  // 0 none, 1 alpha, 2 multiply, 3 add
  int32_t fx = 0;
  TextureLayer layers[kLayers];
  bool operator==(const RenderState&) const = default;
};

// A vertex as the device takes it.
struct DeviceVertex {
  float x, y, z;
  float nx, ny, nz;
  uint32_t argb;
  float u0, v0, u1, v1;
};
static_assert(sizeof(DeviceVertex) == 44);

// Flags of createMesh.
enum DeviceMeshFlags : int32_t {
  // 32-bit indices, for buffers of more than 65,536 vertices; 16-bit ones
  // otherwise.
  kMeshIndices32 = 1,
};

// A vertex and index buffer. Writes between lock and unlock of a range
// replace that range; what lies outside it is kept.
class DeviceMesh {
 public:
  virtual ~DeviceMesh() = default;
  int32_t vertexCapacity() const { return vertexCapacity_; }
  int32_t triangleCapacity() const { return triangleCapacity_; }
  bool indices32() const { return indices32_; }
  // first + count must stay within the capacity.
  virtual DeviceVertex* lockVertices(int32_t first, int32_t count) = 0;
  virtual void unlockVertices() = 0;
  // Three indices per triangle, in the mesh's width: lockTriangles gives
  // null on a mesh of 32-bit indices, lockTriangles32 on one of 16-bit
  // indices.
  virtual uint16_t* lockTriangles(int32_t first, int32_t count) = 0;
  virtual uint32_t* lockTriangles32(int32_t first, int32_t count) = 0;
  virtual void unlockTriangles() = 0;

 protected:
  DeviceMesh(int32_t vertexCapacity, int32_t triangleCapacity, bool indices32 = false)
      : vertexCapacity_(vertexCapacity), triangleCapacity_(triangleCapacity), indices32_(indices32) {}

 private:
  int32_t vertexCapacity_;
  int32_t triangleCapacity_;
  bool indices32_;
};

// A hardware light. Made by the device with the defaults of a new light:
// white diffuse and specular, no ambient, direction (0, 0, 1), the largest
// range, falloff 1, attenuation (0, 0.001, 0), cones 0 and pi/2.
class DeviceLight {
 public:
  enum Type { kDirectional = 1, kPoint = 2, kSpot = 3 };
  virtual ~DeviceLight() = default;
  virtual void setColor(float red, float green, float blue) = 0;  // 0..1
  virtual void setPosition(Vector position) = 0;                  // world space
  virtual void setDirection(Vector direction) = 0;                // world space
  virtual void setRange(float range) = 0;                         // attenuation1 = 1 / range
  virtual void setConeAngles(float inner, float outer) = 0;       // radians
};

class SceneDevice {
 public:
  virtual ~SceneDevice() = default;

  // Geometry (flags from DeviceMeshFlags) and lights; the device keeps no
  // reference to freed ones.
  virtual std::unique_ptr<DeviceMesh> createMesh(int32_t vertexCapacity, int32_t triangleCapacity,
                                                 int32_t flags) = 0;
  // type 2 point, 3 spot, anything else directional.
  virtual std::unique_ptr<DeviceLight> createLight(int32_t type) = 0;

  // A frame: the first eight lights of the list light it. end() brings what
  // was drawn into the target canvas and marks the drawn area modified.
  virtual void begin(const std::vector<DeviceLight*>& lights) = 0;
  virtual void end() = 0;

  // Viewport in target canvas pixels; clear fills it with colour (0..1)
  // and/or depth 1.
  virtual void setViewport(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
  virtual void clear(Vector color, bool clearColor, bool clearDepth) = 0;
  virtual void setPerspective(float nearZ, float farZ, float width, float height) = 0;
  virtual void setOrtho(float nearZ, float farZ, float width, float height) = 0;
  virtual void setFogRange(float start, float end) = 0;
  virtual void setFogColor(Vector color) = 0;  // 0..1
  virtual void setFogMode(int32_t mode) = 0;   // 0 off, 1 linear
  // Null means identity.
  virtual void setViewMatrix(const Transform* view) = 0;
  virtual void setWorldMatrix(const Transform* world) = 0;
  // 0 depth test and write, 1 neither, 2 test without writing.
  virtual void setZMode(int32_t mode) = 0;
  // Reversed triangle winding, for mirrored passes.
  virtual void setFlipped(bool flipped) = 0;
  // Draws only what lies on the inner side of a world-space plane (what a
  // mirror reflects); null draws everything again.
  virtual void setClipPlane(const ClipPlane* plane) = 0;
  virtual void setRenderState(const RenderState& state) = 0;
  // An indexed triangle list out of the mesh; indices count from
  // firstVertex.
  virtual void draw(DeviceMesh& mesh, int32_t firstVertex, int32_t vertexCount, int32_t firstTriangle,
                    int32_t triangleCount) = 0;
  // Triangles drawn so far, counting every pass.
  virtual int64_t trianglesDrawn() const = 0;

  virtual void setAmbient(Vector color) = 0;   // 0..1
  virtual void setAmbient2(Vector color) = 0;  // the second ambient colour
  virtual void setWBuffer(bool enable) = 0;
  virtual void setDither(bool enable) = 0;
  virtual void setAntiAlias(bool enable) = 0;
  virtual void setWireFrame(bool enable) = 0;
  virtual void setMultiTexture(bool enable) = 0;
  // 110 with cube textures, else 100.
  virtual int32_t capsLevel() const = 0;
};

// How a scene device reaches the graphics hardware.
enum class SceneContext {
  // A context of its own that draws into no window: runs without a display.
  kOffscreen,
  // The OpenGL context current on this thread, which its owner (the
  // window, presenting with it too) keeps current and alive longer than
  // the device.
  kCurrent,
};

// Whether a scene device can be made on such a context here and now.
bool sceneDeviceAvailable(SceneContext context);

// A device drawing into target (a mode's back buffer), with what texture
// canvases must be to be usable on it; null when none can be made or one
// exists already.
std::unique_ptr<SceneDevice> createSceneDevice(Canvas& target, SceneContext context, TextureLimits& limits);

}  // namespace vx
