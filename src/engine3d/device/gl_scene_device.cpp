#include "engine3d/device/gl_scene_device.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>

namespace vx {

namespace {

bool deviceExists = false;

// 0x00RRGGBB from 0..1 channels, truncated as the packed ambient keeps them.
uint32_t packRgb(Vector c) {
  auto channel = [](float v) { return static_cast<uint32_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f) & 0xFF; };
  return channel(c.x) << 16 | channel(c.y) << 8 | channel(c.z);
}

void ambientOf(GlStateCache& state, uint32_t rgb) {
  state.lightModelAmbient(((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f);
}

// Texture stage operations as combiner settings: the colour and alpha
// functions and their first sources (the second is always the previous
// stage, the third the texture).
struct StageOps {
  GLint rgb, rgbSource, alpha, alphaSource;
};

constexpr StageOps kSelectTexture{GL_REPLACE, GL_TEXTURE, GL_REPLACE, GL_TEXTURE};

bool opsOfBlend(int32_t blend, int32_t textureFlags, StageOps& ops) {
  constexpr GLint keepAlpha = GL_REPLACE;  // select the previous stage's alpha
  switch (blend) {
    case 1:
      ops = {GL_INTERPOLATE, GL_TEXTURE, keepAlpha, GL_PREVIOUS};
      return true;
    case 2:
      ops = (textureFlags & kCanvasAlpha) ? StageOps{GL_MODULATE, GL_TEXTURE, GL_MODULATE, GL_TEXTURE}
                                          : StageOps{GL_MODULATE, GL_TEXTURE, keepAlpha, GL_PREVIOUS};
      return true;
    case 3:
      ops = {GL_ADD, GL_TEXTURE, keepAlpha, GL_PREVIOUS};
      return true;
    case 4:
      ops = {GL_DOT3_RGB, GL_TEXTURE, keepAlpha, GL_PREVIOUS};
      return true;
    default:
      return false;
  }
}

// Cube maps are core from OpenGL 1.3 on.
bool versionAtLeast(int major, int minor) {
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  int haveMajor = 0, haveMinor = 0;
  if (!version || std::sscanf(version, "%d.%d", &haveMajor, &haveMinor) != 2) return false;
  return haveMajor > major || (haveMajor == major && haveMinor >= minor);
}

bool layerActive(const TextureLayer& layer) { return layer.canvas && layer.blend != 0; }

bool overlap(const CanvasRect& a, const CanvasRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool inside(const CanvasRect& inner, const CanvasRect& outer) {
  return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
         inner.bottom <= outer.bottom;
}

const void* vertexMember(int32_t firstVertex, size_t member) {
  return reinterpret_cast<const void*>(sizeof(DeviceVertex) * static_cast<size_t>(firstVertex) + member);
}

}  // namespace

bool GlSceneDevice::currentContextUsable() {
  // Framebuffer objects, vertex array objects and blits are core from 3.0.
  return glGetString(GL_VERSION) && versionAtLeast(3, 0);
}

std::unique_ptr<GlSceneDevice> GlSceneDevice::create(Canvas& target, SceneContext context, int stageLimit) {
  if (deviceExists) return nullptr;
  std::unique_ptr<OffscreenGL> gl;
  if (context == SceneContext::kOffscreen && !(gl = OffscreenGL::create())) return nullptr;
  if (!currentContextUsable()) return nullptr;
  std::unique_ptr<GlSceneDevice> device(new GlSceneDevice(target));
  device->gl_ = std::move(gl);
  device->frame_ = GlFrameBuffer::create(target.width(), target.height());
  if (!device->frame_) return nullptr;
  GLint units = 1, size = 0;
  glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
  device->maxStages_ = std::clamp<int>(std::min(units, stageLimit), 1, kMaxStages);
  device->usableStages_ = device->maxStages_;
  device->textureLimits_.maxWidth = device->textureLimits_.maxHeight = std::clamp<int>(size, 64, Surface::kMaxSide);
  device->cubeTextures_ = versionAtLeast(1, 3);
  target.attachDepthBuffer();
  device->initialise();
  device->made_ = deviceExists = true;
  return device;
}

GlSceneDevice::~GlSceneDevice() {
  // Meshes that outlive the device keep nothing of it; in a borrowed
  // context their buffers would otherwise stay for the rest of the run.
  for (GlDeviceMesh* mesh : meshes_) mesh->release();
  state_.bindVertexArray(0);
  if (made_) deviceExists = false;
}

void GlSceneDevice::forgetMesh(GlDeviceMesh& mesh) {
  GlDeviceMesh* last = meshes_.back();
  meshes_[mesh.listIndex] = last;
  last->listIndex = mesh.listIndex;
  meshes_.pop_back();
}

// Every state the device relies on is set here, whatever a borrowed
// context held before; the cache starts empty, so the first set of each
// cached state reaches OpenGL too.
void GlSceneDevice::initialise() {
  glEnable(GL_NORMALIZE);
  glEnable(GL_LIGHTING);
  glEnable(GL_SCISSOR_TEST);
  glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_TRUE);
  glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
  glDepthFunc(GL_LEQUAL);
  glClearDepth(1);
  // Flat shading takes a triangle's colour from its first vertex.
  baseVertex_ = versionAtLeast(3, 2);
  if (baseVertex_) glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
  glCullFace(GL_BACK);
  glFogi(GL_FOG_MODE, GL_LINEAR);
  glHint(GL_FOG_HINT, GL_NICEST);
  // Eye planes given under an identity model-view are camera space itself:
  // they generate camera-space positions for cube maps.
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  const float planes[3][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
  for (int unit = 0; unit < maxStages_; ++unit) {
    glActiveTexture(GL_TEXTURE0 + unit);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SRC1_RGB, GL_PREVIOUS);
    glTexEnvi(GL_TEXTURE_ENV, GL_SRC2_RGB, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SRC1_ALPHA, GL_PREVIOUS);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND2_RGB, GL_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_ALPHA, GL_SRC_ALPHA);
    glTexGenfv(GL_S, GL_EYE_PLANE, planes[0]);
    glTexGenfv(GL_T, GL_EYE_PLANE, planes[1]);
    glTexGenfv(GL_R, GL_EYE_PLANE, planes[2]);
  }
  glActiveTexture(GL_TEXTURE0);

  state_.alphaFunc(GL_GREATER, 128 / 255.0f);
  state_.blendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  state_.enable(kCapDither, true);
  state_.enable(kCapMultisample, false);
  state_.polygonMode(GL_FILL);
  state_.fogRange(1, 1000);
  state_.fogColor(0, 0, 0);
  disableUnitsFrom(0);
  applyZMode();
  setViewMatrix(nullptr);
  setWorldMatrix(nullptr);
  setPerspective(1, 1000, 1, 1);
  setViewport(0, 0, target_.width(), target_.height());
  // The first state is applied in full: nothing in the cache matches yet.
  current_ = RenderState{};
  current_.blend = current_.fx = -1;  // differ from every real state: nothing is skipped
  setRenderState(RenderState{});
}

std::unique_ptr<DeviceMesh> GlSceneDevice::createMesh(int32_t vertexCapacity, int32_t triangleCapacity,
                                                      int32_t flags) {
  auto mesh = std::make_unique<GlDeviceMesh>(*this, std::max(vertexCapacity, 0), std::max(triangleCapacity, 0),
                                             (flags & kMeshIndices32) != 0);
  mesh->listIndex = meshes_.size();
  meshes_.push_back(mesh.get());
  return mesh;
}

std::unique_ptr<DeviceLight> GlSceneDevice::createLight(int32_t type) {
  return std::make_unique<GlDeviceLight>(type);
}

// Frames

void GlSceneDevice::begin(const std::vector<DeviceLight*>& lights) {
  textures_.sweep();
  disableUnitsFrom(0);
  stagesBound_ = false;
  extraLayers_.clear();
  lights_.clear();
  for (DeviceLight* light : lights) {
    if (lights_.size() == kMaxLights) break;
    lights_.push_back(static_cast<GlDeviceLight*>(light));
  }
  lightPositionsStale_ = true;
  applyLightSwitches();
  drawn_.clear();
  synced_.clear();
}

void GlSceneDevice::end() {
  for (const CanvasRect& rect : drawn_) frame_->readInto(target_, rect);
  drawn_.clear();
}

CanvasRect GlSceneDevice::viewportOnTarget() const {
  CanvasRect r{viewport_.x, viewport_.y, viewport_.x + viewport_.width, viewport_.y + viewport_.height};
  r.left = std::clamp(r.left, 0, target_.width());
  r.right = std::clamp(r.right, r.left, target_.width());
  r.top = std::clamp(r.top, 0, target_.height());
  r.bottom = std::clamp(r.bottom, r.top, target_.height());
  return r;
}

void GlSceneDevice::markDrawn() {
  const CanvasRect rect = viewportOnTarget();
  if (rect.empty() || std::find(drawn_.begin(), drawn_.end(), rect) != drawn_.end()) return;
  drawn_.push_back(rect);
}

void GlSceneDevice::syncFromCanvas() {
  const CanvasRect rect = viewportOnTarget();
  if (rect.empty()) return;
  for (const CanvasRect& done : synced_)
    if (inside(rect, done)) return;
  // What other viewports drew over this one goes into the canvas first, so
  // the upload brings it back unchanged.
  for (const CanvasRect& drawn : drawn_)
    if (overlap(drawn, rect)) {
      end();
      break;
    }
  frame_->uploadFrom(target_, rect, state_);
  state_.countSent();
  synced_.push_back(rect);
}

// The framebuffer's rows are the canvas's: its coordinates are taken as
// they are.
void GlSceneDevice::setViewport(int32_t x, int32_t y, int32_t width, int32_t height) {
  const Viewport v{x, y, width, height};
  if (v == viewport_) return;
  viewport_ = v;
  glViewport(x, y, width, height);
  const CanvasRect r = viewportOnTarget();
  glScissor(r.left, r.top, r.width(), r.height());
  state_.countSent(2);
}

void GlSceneDevice::clear(Vector color, bool clearColor, bool clearDepth) {
  if (!clearColor) syncFromCanvas();
  GLbitfield mask = 0;
  if (clearColor) {
    glClearColor(color.x, color.y, color.z, 1);
    state_.countSent();
    mask |= GL_COLOR_BUFFER_BIT;
  }
  if (clearDepth) {
    state_.depthMask(true);
    mask |= GL_DEPTH_BUFFER_BIT;
  }
  if (mask) {
    glClear(mask);
    state_.countSent();
    applyZMode();
  }
  markDrawn();
}

// Transforms. Projections turn y over: the framebuffer's first row is the
// top of the picture.

void GlSceneDevice::setPerspective(float nearZ, float farZ, float width, float height) {
  state_.loadMatrix(GL_PROJECTION, 0, glPerspective(nearZ, farZ, width, -height).m);
}

void GlSceneDevice::setOrtho(float nearZ, float farZ, float width, float height) {
  state_.loadMatrix(GL_PROJECTION, 0, glOrtho(nearZ, farZ, width, -height).m);
}

void GlSceneDevice::setViewMatrix(const Transform* view) {
  const Transform v = view ? *view : Transform{};
  if (v == view_) return;
  view_ = v;
  lightPositionsStale_ = modelViewStale_ = true;
  clipPlaneStale_ = clipping_;
  // Cube maps are held fixed in the world through the view.
  stagesBound_ = false;
}

void GlSceneDevice::setWorldMatrix(const Transform* world) {
  world_ = world ? *world : Transform{};
  modelViewStale_ = true;
}

// Fog, depth and culling

void GlSceneDevice::setFogRange(float start, float end) { state_.fogRange(start, end); }

void GlSceneDevice::setFogColor(Vector color) { state_.fogColor(color.x, color.y, color.z); }

void GlSceneDevice::setFogMode(int32_t mode) {
  fogMode_ = mode;
  applyFog();
}

void GlSceneDevice::applyFog() { state_.enable(kCapFog, fogMode_ == 1 && !(current_.fx & kFxNoFog)); }

void GlSceneDevice::setZMode(int32_t mode) {
  zMode_ = mode;
  applyZMode();
}

// There is no w-buffer here: depth is always z.
void GlSceneDevice::applyZMode() {
  state_.enable(kCapDepthTest, zMode_ != 1);
  state_.depthMask(zMode_ == 0);
}

void GlSceneDevice::setFlipped(bool flipped) {
  flipped_ = flipped;
  applyCulling();
}

// The engine's back faces are counter-clockwise, clockwise in mirror
// passes; on the turned-over framebuffer that is the other way round.
void GlSceneDevice::applyCulling() {
  const bool cull = !(current_.fx & kFxNoCulling);
  state_.enable(kCapCullFace, cull);
  if (cull) state_.frontFace(flipped_ ? GL_CW : GL_CCW);
}

// Clipping

void GlSceneDevice::setClipPlane(const ClipPlane* plane) {
  clipping_ = plane != nullptr;
  if (plane) clipPlane_ = *plane;
  clipPlaneStale_ = clipping_;
  state_.enable(kCapClipPlane0, clipping_);
}

// OpenGL takes a clip plane, as it takes light positions, through the
// model-view matrix of the moment: with the view alone it is a world plane.
void GlSceneDevice::sendClipPlane() {
  state_.loadMatrix(GL_MODELVIEW, 0, glMatrixOf(view_).m);
  const GLdouble equation[4] = {clipPlane_.n.x, clipPlane_.n.y, clipPlane_.n.z, clipPlane_.d};
  glClipPlane(GL_CLIP_PLANE0, equation);
  state_.countSent();
  clipPlaneStale_ = false;
  modelViewStale_ = true;
}

// Lights and ambient

void GlSceneDevice::setAmbient(Vector color) {
  ambient_ = packRgb(color);
  applyAmbient();
}

void GlSceneDevice::setAmbient2(Vector color) {
  ambient2_ = packRgb(color);
  applyAmbient();
}

void GlSceneDevice::applyAmbient() {
  const int32_t fx = current_.fx;
  ambientOf(state_, (fx & kFxFullBright) ? 0xFFFFFF : (fx & kFxSecondAmbient) ? ambient2_ : ambient_);
}

// Full-bright draws without lights, the second ambient only with the
// lights that have a place.
void GlSceneDevice::applyLightSwitches() {
  const int32_t fx = current_.fx;
  for (int i = 0; i < kMaxLights; ++i) {
    bool on = i < static_cast<int>(lights_.size()) && !(fx & kFxFullBright);
    if (on && (fx & kFxSecondAmbient)) on = lights_[i]->type() != DeviceLight::kDirectional;
    state_.enable(static_cast<GlCapability>(kCapLight0 + i), on);
  }
}

// OpenGL takes light positions through the model-view matrix of the moment
// they are given: with the view alone they are world-space ones.
void GlSceneDevice::sendLights() {
  state_.loadMatrix(GL_MODELVIEW, 0, glMatrixOf(view_).m);
  for (size_t i = 0; i < lights_.size(); ++i) sendLight(static_cast<int>(i), *lights_[i]);
  lightPositionsStale_ = false;
  modelViewStale_ = true;
}

void GlSceneDevice::sendLight(int index, const GlDeviceLight& light) {
  const GLenum id = GL_LIGHT0 + index;
  SentLight& sent = sentLights_[index];
  if (sent.serial != light.serial() || sent.version != light.version()) {
    sent = {light.serial(), light.version()};
    glLightfv(id, GL_DIFFUSE, light.diffuse);
    glLightfv(id, GL_SPECULAR, light.specular);
    glLightfv(id, GL_AMBIENT, light.ambient);
    glLightf(id, GL_CONSTANT_ATTENUATION, light.attenuation[0]);
    glLightf(id, GL_LINEAR_ATTENUATION, light.attenuation[1]);
    glLightf(id, GL_QUADRATIC_ATTENUATION, light.attenuation[2]);
    // A fixed-function spot has one cone: the outer one, as half angle.
    const bool spot = light.type() == DeviceLight::kSpot;
    glLightf(id, GL_SPOT_CUTOFF, spot ? std::min(light.outerCone * 0.5f * kRadToDeg, 90.0f) : 180.0f);
    state_.countSent(7);
  }
  // Directional lights shine along their direction: OpenGL wants the way
  // towards the light.
  const Vector d = light.direction;
  const float position[4] = {light.position.x, light.position.y, light.position.z, 1};
  const float towards[4] = {-d.x, -d.y, -d.z, 0};
  glLightfv(id, GL_POSITION, light.type() == DeviceLight::kDirectional ? towards : position);
  const float direction[3] = {d.x, d.y, d.z};
  glLightfv(id, GL_SPOT_DIRECTION, direction);
  state_.countSent(2);
}

// Render states

void GlSceneDevice::setRenderState(const RenderState& state) {
  // Textures first: an upload binds on unit 0.
  bool uploaded = false;
  for (int i = 0; i < RenderState::kLayers; ++i)
    layerTextures_[i] =
        layerActive(state.layers[i]) ? textures_.textureOf(*state.layers[i].canvas, uploaded) : GlTexture{};
  if (stagesBound_ && !uploaded && state == current_) return;
  const bool blendChanged = state.blend != current_.blend;
  const bool fxChanged = state.fx != current_.fx;
  current_ = state;
  if (blendChanged) applyBlend(state.blend);
  // Colour material is switched before the material is given: OpenGL
  // ignores the material values that vertex colours replace.
  if (fxChanged) applyFx();
  applyMaterial(state);
  applyStages();
  stagesBound_ = true;
}

void GlSceneDevice::applyMaterial(const RenderState& s) {
  const float specular = std::clamp(s.shininess, 0.0f, 1.0f);
  const float material[11] = {s.red,    s.green,  s.blue,   s.alpha, s.red, s.green, s.blue,
                              specular, specular, specular, std::clamp(s.shininess * 128, 0.0f, 128.0f)};
  state_.material(material);
  if (s.fx & kFxAlphaTest)
    state_.alphaFunc(GL_GREATER, (s.fx & kFxForceAlpha) ? 0 : static_cast<int>(s.alpha * 128) / 255.0f);
}

void GlSceneDevice::applyBlend(int32_t blend) {
  state_.enable(kCapBlend, blend != 0);
  switch (blend) {
    case 1:
      state_.blendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      break;
    case 2:
      state_.blendFunc(GL_DST_COLOR, GL_ZERO);
      break;
    case 3:
      state_.blendFunc(GL_SRC_ALPHA, GL_ONE);
      break;
    default:
      break;
  }
}

void GlSceneDevice::applyFx() {
  const int32_t fx = current_.fx;
  applyAmbient();
  applyLightSwitches();
  if (fx & kFxEmissiveVertexColors) {
    state_.colorMaterial(GL_EMISSION);
    state_.enable(kCapColorMaterial, true);
  } else {
    state_.colorMaterial(GL_AMBIENT_AND_DIFFUSE);
    state_.enable(kCapColorMaterial, fx & kFxVertexColors);
  }
  state_.shadeModel((fx & kFxFlatShaded) ? GL_FLAT : GL_SMOOTH);
  applyFog();
  applyCulling();
  state_.enable(kCapAlphaTest, fx & kFxAlphaTest);
}

void GlSceneDevice::applyStages() {
  extraLayers_.clear();
  int unit = 0;
  for (int i = 0; i < RenderState::kLayers; ++i) {
    if (!layerActive(current_.layers[i])) continue;
    if (unit < usableStages_)
      bindLayer(unit++, current_.layers[i], layerTextures_[i], true);
    else
      extraLayers_.push_back(i);
  }
  disableUnitsFrom(unit);
}

void GlSceneDevice::disableUnitsFrom(int unit) {
  for (int u = unit; u < maxStages_; ++u) {
    state_.enableOnUnit(u, kUnitTexture2D, false);
    state_.enableOnUnit(u, kUnitTextureCube, false);
  }
  enabledUnits_ = unit;
}

void GlSceneDevice::bindLayer(int unit, const TextureLayer& layer, GlTexture texture, bool withOps) {
  const int32_t flags = layer.canvas->flags();
  const bool cube = texture.target == GL_TEXTURE_CUBE_MAP;
  state_.enableOnUnit(unit, kUnitTexture2D, !cube);
  state_.enableOnUnit(unit, kUnitTextureCube, cube);
  state_.bindTexture(unit, texture.target, texture.name);

  GLint generate = 0;  // none: the layer's own coordinate set
  GlMatrix matrix = glIdentity();
  const bool sphere = (flags & kTextureSphereMap) && !(flags & kTextureCubeMap);
  if (sphere) {
    generate = GL_NORMAL_MAP;
    matrix = glSphereMapMatrix();
  } else if (cube && !(flags & kTextureSphereMap)) {
    const int32_t mode = layer.canvas->cubeMode();
    generate = (mode & 3) == 2 ? GL_NORMAL_MAP : (mode & 3) == 3 ? GL_EYE_LINEAR : GL_REFLECTION_MAP;
    if (!(mode & 4)) matrix = glTransposedRotation(view_);
  } else if (layer.transform) {
    matrix = glTextureMatrix(*layer.transform);
  }
  for (int coordinate = 0; coordinate < 3; ++coordinate) {
    const bool on = generate && (coordinate != 2 || cube);
    if (on) state_.texGen(unit, coordinate, generate);
    state_.enableOnUnit(unit, static_cast<GlUnitCapability>(kUnitGenS + coordinate), on);
  }
  state_.loadMatrix(GL_TEXTURE, unit, matrix.m);
  if (layer.coords & 1)
    secondSetUnits_ |= 1u << unit;
  else
    secondSetUnits_ &= ~(1u << unit);

  StageOps ops = kSelectTexture;
  if (withOps && !opsOfBlend(layer.blend, flags, ops)) return;
  state_.texEnv(unit, kCombineRgb, ops.rgb);
  state_.texEnv(unit, kSource0Rgb, ops.rgbSource);
  state_.texEnv(unit, kCombineAlpha, ops.alpha);
  state_.texEnv(unit, kSource0Alpha, ops.alphaSource);
}

// Drawing

void GlSceneDevice::draw(DeviceMesh& deviceMesh, int32_t firstVertex, int32_t vertexCount, int32_t firstTriangle,
                         int32_t triangleCount) {
  if (triangleCount <= 0 || vertexCount <= 0) return;
  auto& mesh = static_cast<GlDeviceMesh&>(deviceMesh);
  if (mesh.device() != this) return;
  if (lightPositionsStale_) sendLights();
  if (clipPlaneStale_) sendClipPlane();
  if (modelViewStale_) {
    state_.loadMatrix(GL_MODELVIEW, 0, glMatrixOf(view_ * world_).m);
    modelViewStale_ = false;
  }
  markDrawn();
  drawPass(mesh, firstVertex, vertexCount, firstTriangle, triangleCount);
  if (extraLayers_.empty()) return;

  // Layers beyond the stages: each drawn unlit on its own, blended onto
  // what is there, then the state is put back as it was.
  state_.enable(kCapLighting, false);
  state_.enable(kCapBlend, true);
  disableUnitsFrom(1);
  for (int index : extraLayers_) {
    const TextureLayer& layer = current_.layers[index];
    if (layer.blend == 1)
      state_.blendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    else if (layer.blend == 3)
      state_.blendFunc(GL_ONE, GL_ONE);
    else
      state_.blendFunc(GL_DST_COLOR, GL_ZERO);
    bindLayer(0, layer, layerTextures_[index], false);
    enabledUnits_ = 1;
    drawPass(mesh, firstVertex, vertexCount, firstTriangle, triangleCount);
  }
  state_.enable(kCapLighting, true);
  applyBlend(current_.blend);
  if (current_.blend == 0) state_.blendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  applyStages();
}

// Indices count from firstVertex.
void GlSceneDevice::drawPass(GlDeviceMesh& mesh, int32_t firstVertex, int32_t vertexCount, int32_t firstTriangle,
                             int32_t triangleCount) {
  state_.bindVertexArray(mesh.vertexArray());
  const uint32_t unitBits = (1u << enabledUnits_) - 1;
  // Draws of small ranges out of one mesh (sprites) would otherwise set
  // the arrays up again for each: that costs the driver far more than the
  // draw itself.
  const GlDeviceMesh::Arrays arrays{baseVertex_ ? 0 : firstVertex, enabledUnits_, secondSetUnits_ & unitBits};
  if (!(mesh.arrays == arrays)) setUpArrays(mesh, arrays);
  const size_t indexBytes = mesh.indices32() ? 4 : 2;
  const void* indices = reinterpret_cast<const void*>(indexBytes * 3 * static_cast<size_t>(firstTriangle));
  if (baseVertex_)
    glDrawRangeElementsBaseVertex(GL_TRIANGLES, 0, vertexCount - 1, triangleCount * 3, mesh.indexType(), indices,
                                  firstVertex);
  else
    glDrawRangeElements(GL_TRIANGLES, 0, vertexCount - 1, triangleCount * 3, mesh.indexType(), indices);
  trianglesDrawn_ += triangleCount;
}

// Attribute pointers are offsets into the mesh's vertex buffer; the vertex
// array object keeps them until a draw wants another first vertex or
// other texture units.
void GlSceneDevice::setUpArrays(GlDeviceMesh& mesh, const GlDeviceMesh::Arrays& arrays) {
  const GlDeviceMesh::Arrays before = mesh.arrays;
  glBindBuffer(GL_ARRAY_BUFFER, mesh.vertexBuffer());
  if (before.firstVertex < 0) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
  }
  const int32_t first = arrays.firstVertex;
  constexpr GLsizei stride = sizeof(DeviceVertex);
  glVertexPointer(3, GL_FLOAT, stride, vertexMember(first, offsetof(DeviceVertex, x)));
  glNormalPointer(GL_FLOAT, stride, vertexMember(first, offsetof(DeviceVertex, nx)));
  glColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, stride, vertexMember(first, offsetof(DeviceVertex, argb)));
  const int units = std::max(before.units, arrays.units);
  for (int unit = 0; unit < units; ++unit) {
    glClientActiveTexture(GL_TEXTURE0 + unit);
    if (unit < arrays.units) {
      if (unit >= before.units) glEnableClientState(GL_TEXTURE_COORD_ARRAY);
      const size_t set = (arrays.secondSet >> unit & 1) ? offsetof(DeviceVertex, u1) : offsetof(DeviceVertex, u0);
      glTexCoordPointer(2, GL_FLOAT, stride, vertexMember(first, set));
    } else {
      glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
  }
  mesh.arrays = arrays;
}

// Switches

// OpenGL offers no w-buffer: the switch changes nothing.
void GlSceneDevice::setWBuffer(bool) {}

void GlSceneDevice::setDither(bool enable) { state_.enable(kCapDither, enable); }

void GlSceneDevice::setAntiAlias(bool enable) { state_.enable(kCapMultisample, enable); }

void GlSceneDevice::setWireFrame(bool enable) { state_.polygonMode(enable ? GL_LINE : GL_FILL); }

void GlSceneDevice::setMultiTexture(bool enable) {
  disableUnitsFrom(0);
  stagesBound_ = false;
  usableStages_ = enable ? maxStages_ : 1;
}

// The device behind the engine's interface.

bool sceneDeviceAvailable(SceneContext context) {
  return context == SceneContext::kOffscreen ? OffscreenGL::available() : GlSceneDevice::currentContextUsable();
}

std::unique_ptr<SceneDevice> createSceneDevice(Canvas& target, SceneContext context, TextureLimits& limits) {
  std::unique_ptr<GlSceneDevice> device = GlSceneDevice::create(target, context);
  if (device) limits = device->textureLimits();
  return device;
}

}  // namespace vx
