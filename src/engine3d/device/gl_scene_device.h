#pragma once
// The scene device on OpenGL's fixed-function pipeline. The scene is drawn
// into a framebuffer object of the target canvas's size; end() copies
// every viewport drawn this frame back into the canvas in its own pixel
// format. A camera that does not clear colour sees the canvas's pixels
// under the scene: its viewport of the canvas is copied into the
// framebuffer first.
//
// The device draws either in an offscreen context of its own (no display)
// or in the context current on its thread, the window's, which presents
// with it too. In a borrowed context the device deletes everything it made
// when it goes, and sets up every state it relies on when it starts.
//
// The engine's conventions map onto OpenGL as follows: row-vector matrices
// go in unchanged (their row-major layout is OpenGL's column-major one),
// projections get their depth moved from [0, 1] to [-1, 1] and their y
// turned over (the framebuffer keeps the canvas's rows top first), which
// also turns the winding over: counter-clockwise faces on the framebuffer
// are the engine's clockwise front faces (the reverse in mirror passes).
// Texture stages become texture units with GL_COMBINE environments.

#include <memory>
#include <vector>

#include "engine3d/device/gl_device_objects.h"
#include "engine3d/device/gl_frame_buffer.h"
#include "engine3d/device/gl_matrices.h"
#include "engine3d/device/gl_state_cache.h"
#include "engine3d/device/gl_texture_cache.h"
#include "engine3d/device/offscreen_gl.h"
#include "engine3d/device/scene_device.h"
#include "platform/canvas.h"
#include "platform/surface.h"

namespace vx {

class GlSceneDevice : public SceneDevice {
 public:
  static constexpr int kMaxStages = 8;
  static constexpr int kMaxLights = 8;

  // A device drawing into target, using at most stageLimit texture units.
  // Null when there is no usable OpenGL or another device exists.
  static std::unique_ptr<GlSceneDevice> create(Canvas& target, SceneContext context = SceneContext::kOffscreen,
                                               int stageLimit = kMaxStages);
  // Whether the context current on this thread can carry a device.
  static bool currentContextUsable();
  ~GlSceneDevice() override;

  std::unique_ptr<DeviceMesh> createMesh(int32_t vertexCapacity, int32_t triangleCapacity,
                                         int32_t flags) override;
  std::unique_ptr<DeviceLight> createLight(int32_t type) override;
  void begin(const std::vector<DeviceLight*>& lights) override;
  void end() override;
  void setViewport(int32_t x, int32_t y, int32_t width, int32_t height) override;
  void clear(Vector color, bool clearColor, bool clearDepth) override;
  void setPerspective(float nearZ, float farZ, float width, float height) override;
  void setOrtho(float nearZ, float farZ, float width, float height) override;
  void setFogRange(float start, float end) override;
  void setFogColor(Vector color) override;
  void setFogMode(int32_t mode) override;
  void setViewMatrix(const Transform* view) override;
  void setWorldMatrix(const Transform* world) override;
  void setZMode(int32_t mode) override;
  void setFlipped(bool flipped) override;
  void setClipPlane(const ClipPlane* plane) override;
  void setRenderState(const RenderState& state) override;
  void draw(DeviceMesh& mesh, int32_t firstVertex, int32_t vertexCount, int32_t firstTriangle,
            int32_t triangleCount) override;
  int64_t trianglesDrawn() const override { return trianglesDrawn_; }
  void setAmbient(Vector color) override;
  void setAmbient2(Vector color) override;
  void setWBuffer(bool enable) override;
  void setDither(bool enable) override;
  void setAntiAlias(bool enable) override;
  void setWireFrame(bool enable) override;
  void setMultiTexture(bool enable) override;
  int32_t capsLevel() const override { return cubeTextures_ ? 110 : 100; }

  // OpenGL calls that changed state so far: what caching saves shows here.
  int64_t stateCallsSent() const { return state_.sent(); }
  int maxStages() const { return maxStages_; }
  int usableStages() const { return usableStages_; }
  // What texture canvases must be to be usable on this device.
  const TextureLimits& textureLimits() const { return textureLimits_; }

  // For the device's meshes.
  GlStateCache& state() { return state_; }
  void forgetMesh(GlDeviceMesh& mesh);

 private:
  explicit GlSceneDevice(Canvas& target) : target_(target), textures_(state_) {}
  void initialise();
  void applyZMode();
  void applyCulling();
  void applyFog();
  void applyAmbient();
  void applyLightSwitches();
  void applyBlend(int32_t blend);
  void applyFx();
  void applyMaterial(const RenderState& state);
  // Binds the layers to the stages; those that do not fit are left for
  // extra passes.
  void applyStages();
  void bindLayer(int unit, const TextureLayer& layer, GlTexture texture, bool withOps);
  void disableUnitsFrom(int unit);
  void sendLights();
  void sendLight(int index, const GlDeviceLight& light);
  void sendClipPlane();
  void drawPass(GlDeviceMesh& mesh, int32_t firstVertex, int32_t vertexCount, int32_t firstTriangle,
                int32_t triangleCount);
  void setUpArrays(GlDeviceMesh& mesh, const GlDeviceMesh::Arrays& arrays);
  // Brings the viewport's part of the canvas into the framebuffer, keeping
  // what was drawn so far.
  void syncFromCanvas();
  void markDrawn();
  CanvasRect viewportOnTarget() const;

  Canvas& target_;
  std::unique_ptr<OffscreenGL> gl_;  // none in a borrowed context
  bool made_ = false;                // counts as the one device
  std::unique_ptr<GlFrameBuffer> frame_;
  GlStateCache state_;
  GlTextureCache textures_;
  std::vector<GlDeviceMesh*> meshes_;
  TextureLimits textureLimits_;
  bool cubeTextures_ = false;

  bool flipped_ = false;
  uint32_t ambient_ = 0x7F7F7F, ambient2_ = 0;
  int32_t fogMode_ = 0;
  int32_t zMode_ = 0;
  int maxStages_ = 1, usableStages_ = 1;

  RenderState current_;
  bool stagesBound_ = false;  // the units hold current_'s layers
  GlTexture layerTextures_[RenderState::kLayers];
  std::vector<int> extraLayers_;  // indices of the layers drawn in extra passes
  int enabledUnits_ = 0;          // units from here up are off
  uint32_t secondSetUnits_ = 0;   // units taking the second coordinate set
  // With base vertices (OpenGL 3.2), a mesh's arrays are set up from its
  // first vertex and kept for every draw out of it.
  bool baseVertex_ = false;

  Transform view_;
  Transform world_;
  bool modelViewStale_ = true;
  std::vector<GlDeviceLight*> lights_;
  struct SentLight {
    uint64_t serial = 0;
    uint32_t version = 0;
  };
  SentLight sentLights_[kMaxLights];
  bool lightPositionsStale_ = true;
  ClipPlane clipPlane_;
  bool clipping_ = false;
  bool clipPlaneStale_ = false;

  struct Viewport {
    int32_t x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Viewport&) const = default;
  };
  Viewport viewport_;
  std::vector<CanvasRect> drawn_;   // drawn this frame, not yet in the canvas
  std::vector<CanvasRect> synced_;  // brought in from the canvas this frame
  int64_t trianglesDrawn_ = 0;
};

}  // namespace vx
