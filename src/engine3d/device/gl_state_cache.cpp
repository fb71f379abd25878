#include "engine3d/device/gl_state_cache.h"

#include <cstring>

namespace vx {

namespace {

constexpr GLenum kCapabilityNames[kCapCount] = {
    GL_BLEND,     GL_ALPHA_TEST,    GL_DEPTH_TEST, GL_CULL_FACE, GL_FOG,    GL_LIGHTING,
    GL_COLOR_MATERIAL, GL_DITHER, GL_MULTISAMPLE, GL_CLIP_PLANE0, GL_LIGHT0, GL_LIGHT1,
    GL_LIGHT2,    GL_LIGHT3,        GL_LIGHT4,     GL_LIGHT5,    GL_LIGHT6, GL_LIGHT7};

constexpr GLenum kUnitCapabilityNames[kUnitCapCount] = {GL_TEXTURE_2D, GL_TEXTURE_CUBE_MAP, GL_TEXTURE_GEN_S,
                                                        GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R};

constexpr GLenum kCombinerNames[kCombinerCount] = {GL_COMBINE_RGB, GL_SRC0_RGB, GL_COMBINE_ALPHA, GL_SRC0_ALPHA};

constexpr GLenum kCoordinates[3] = {GL_S, GL_T, GL_R};

}  // namespace

void GlStateCache::forget() {
  std::memset(capabilities_, -1, sizeof capabilities_);
  std::memset(unitCapabilities_, -1, sizeof unitCapabilities_);
  for (auto& unit : combiners_)
    for (GLint& value : unit) value = -1;
  for (auto& unit : texGen_)
    for (GLint& value : unit) value = -1;
  for (auto& unit : textures_) unit[0] = unit[1] = kUnknownName;
  activeUnit_ = -1;
  blend_ = alpha_ = fogRange_ = fogColor_ = ambient_ = kUnknown;
  frontFace_ = shadeModel_ = polygonMode_ = colorMaterial_ = matrixMode_ = 0;
  depthMask_ = -1;
  vertexArray_ = kUnknownName;
  haveMaterial_ = false;
  modelView_.set = projection_.set = false;
  for (MatrixSlot& slot : textureMatrices_) slot.set = false;
}

uint64_t GlStateCache::bitsOf(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// Colours are compared at the precision OpenGL keeps them: 16 bits a
// channel is finer than any framebuffer.
uint64_t GlStateCache::packColor(float red, float green, float blue) {
  auto channel = [](float v) { return static_cast<uint64_t>(static_cast<uint16_t>(v * 65535.0f + 0.5f)); };
  return channel(red) << 32 | channel(green) << 16 | channel(blue);
}

void GlStateCache::enable(GlCapability capability, bool on) {
  int8_t& slot = capabilities_[capability];
  if (slot == int8_t(on)) return;
  slot = int8_t(on);
  if (capability == kCapColorMaterial) haveMaterial_ = false;
  ++sent_;
  on ? glEnable(kCapabilityNames[capability]) : glDisable(kCapabilityNames[capability]);
}

void GlStateCache::activeTexture(int unit) {
  if (activeUnit_ == unit) return;
  activeUnit_ = unit;
  ++sent_;
  glActiveTexture(GL_TEXTURE0 + unit);
}

void GlStateCache::enableOnUnit(int unit, GlUnitCapability capability, bool on) {
  int8_t& slot = unitCapabilities_[unit][capability];
  if (slot == int8_t(on)) return;
  slot = int8_t(on);
  activeTexture(unit);
  ++sent_;
  on ? glEnable(kUnitCapabilityNames[capability]) : glDisable(kUnitCapabilityNames[capability]);
}

void GlStateCache::bindTexture(int unit, GLenum target, GLuint texture) {
  GLuint& slot = textures_[unit][target == GL_TEXTURE_CUBE_MAP];
  if (slot == texture) return;
  slot = texture;
  activeTexture(unit);
  ++sent_;
  glBindTexture(target, texture);
}

void GlStateCache::bindForUpload(GLenum target, GLuint texture) {
  activeTexture(0);
  bindTexture(0, target, texture);
}

void GlStateCache::texEnv(int unit, GlCombiner name, GLint value) {
  GLint& slot = combiners_[unit][name];
  if (slot == value) return;
  slot = value;
  activeTexture(unit);
  ++sent_;
  glTexEnvi(GL_TEXTURE_ENV, kCombinerNames[name], value);
}

void GlStateCache::texGen(int unit, int coordinate, GLint mode) {
  GLint& slot = texGen_[unit][coordinate];
  if (slot == mode) return;
  slot = mode;
  activeTexture(unit);
  ++sent_;
  glTexGeni(kCoordinates[coordinate], GL_TEXTURE_GEN_MODE, mode);
}

void GlStateCache::blendFunc(GLenum source, GLenum dest) {
  if (!changed(blend_, uint64_t(source) << 32 | dest)) return;
  ++sent_;
  glBlendFunc(source, dest);
}

void GlStateCache::alphaFunc(GLenum function, float reference) {
  if (!changed(alpha_, uint64_t(function) << 32 | bitsOf(reference))) return;
  ++sent_;
  glAlphaFunc(function, reference);
}

void GlStateCache::depthMask(bool write) {
  if (depthMask_ == int8_t(write)) return;
  depthMask_ = int8_t(write);
  ++sent_;
  glDepthMask(write ? GL_TRUE : GL_FALSE);
}

void GlStateCache::frontFace(GLenum winding) {
  if (frontFace_ == winding) return;
  frontFace_ = winding;
  ++sent_;
  glFrontFace(winding);
}

void GlStateCache::shadeModel(GLenum model) {
  if (shadeModel_ == model) return;
  shadeModel_ = model;
  ++sent_;
  glShadeModel(model);
}

void GlStateCache::polygonMode(GLenum mode) {
  if (polygonMode_ == mode) return;
  polygonMode_ = mode;
  ++sent_;
  glPolygonMode(GL_FRONT_AND_BACK, mode);
}

void GlStateCache::fogRange(float start, float end) {
  if (!changed(fogRange_, bitsOf(start) << 32 | bitsOf(end))) return;
  sent_ += 2;
  glFogf(GL_FOG_START, start);
  glFogf(GL_FOG_END, end);
}

void GlStateCache::fogColor(float red, float green, float blue) {
  if (!changed(fogColor_, packColor(red, green, blue))) return;
  ++sent_;
  const float color[4] = {red, green, blue, 1};
  glFogfv(GL_FOG_COLOR, color);
}

void GlStateCache::lightModelAmbient(float red, float green, float blue) {
  if (!changed(ambient_, packColor(red, green, blue))) return;
  ++sent_;
  const float color[4] = {red, green, blue, 1};
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, color);
}

void GlStateCache::colorMaterial(GLenum parameter) {
  if (colorMaterial_ == parameter) return;
  colorMaterial_ = parameter;
  haveMaterial_ = false;
  ++sent_;
  glColorMaterial(GL_FRONT_AND_BACK, parameter);
}

void GlStateCache::material(const float values[11]) {
  if (haveMaterial_ && std::memcmp(values, material_, sizeof material_) == 0) return;
  haveMaterial_ = true;
  std::memcpy(material_, values, sizeof material_);
  const float ambient[4] = {values[4], values[5], values[6], 1};
  const float specular[4] = {values[7], values[8], values[9], 1};
  const float black[4] = {0, 0, 0, 1};
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, values);
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
  glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, black);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, values[10]);
  sent_ += 5;
}

void GlStateCache::matrixMode(GLenum mode) {
  if (matrixMode_ == mode) return;
  matrixMode_ = mode;
  ++sent_;
  glMatrixMode(mode);
}

void GlStateCache::loadMatrix(GLenum mode, int unit, const float matrix[16]) {
  MatrixSlot& slot =
      mode == GL_MODELVIEW ? modelView_ : mode == GL_PROJECTION ? projection_ : textureMatrices_[unit & (kUnits - 1)];
  if (slot.set && std::memcmp(slot.values, matrix, sizeof slot.values) == 0) return;
  slot.set = true;
  std::memcpy(slot.values, matrix, sizeof slot.values);
  if (mode == GL_TEXTURE) activeTexture(unit);
  matrixMode(mode);
  ++sent_;
  glLoadMatrixf(matrix);
}

void GlStateCache::bindVertexArray(GLuint array) {
  if (vertexArray_ == array) return;
  vertexArray_ = array;
  ++sent_;
  glBindVertexArray(array);
}

}  // namespace vx
