#include "engine3d/device/gl_state_cache.h"

#include <cstring>

namespace vx {

bool GlStateCache::changed(uint64_t key, uint64_t value) {
  auto [it, inserted] = values_.try_emplace(key, value);
  if (inserted) return true;
  if (it->second == value) return false;
  it->second = value;
  return true;
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

void GlStateCache::enable(GLenum capability, bool on) {
  if (!changed(key(kCapability, 0, capability), on)) return;
  ++sent_;
  on ? glEnable(capability) : glDisable(capability);
}

void GlStateCache::activeTexture(int unit) {
  if (!changed(key(kActiveUnit, 0, 0), unit)) return;
  ++sent_;
  glActiveTexture(GL_TEXTURE0 + unit);
}

void GlStateCache::enableOnUnit(int unit, GLenum capability, bool on) {
  if (!changed(key(kUnitCapability, unit, capability), on)) return;
  activeTexture(unit);
  ++sent_;
  on ? glEnable(capability) : glDisable(capability);
}

void GlStateCache::bindTexture(int unit, GLenum target, GLuint texture) {
  if (!changed(key(kTexture, unit, target), texture)) return;
  activeTexture(unit);
  ++sent_;
  glBindTexture(target, texture);
}

void GlStateCache::bindForUpload(GLenum target, GLuint texture) {
  activeTexture(0);
  bindTexture(0, target, texture);
}

void GlStateCache::texEnv(int unit, GLenum name, GLint value) {
  if (!changed(key(kTexEnv, unit, name), static_cast<uint32_t>(value))) return;
  activeTexture(unit);
  ++sent_;
  glTexEnvi(GL_TEXTURE_ENV, name, value);
}

void GlStateCache::texGen(int unit, GLenum coordinate, GLint mode) {
  if (!changed(key(kTexGen, unit, coordinate), static_cast<uint32_t>(mode))) return;
  activeTexture(unit);
  ++sent_;
  glTexGeni(coordinate, GL_TEXTURE_GEN_MODE, mode);
}

void GlStateCache::blendFunc(GLenum source, GLenum dest) {
  if (!changed(key(kBlend, 0, 0), uint64_t(source) << 32 | dest)) return;
  ++sent_;
  glBlendFunc(source, dest);
}

void GlStateCache::alphaFunc(GLenum function, float reference) {
  if (!changed(key(kAlpha, 0, 0), uint64_t(function) << 32 | bitsOf(reference))) return;
  ++sent_;
  glAlphaFunc(function, reference);
}

void GlStateCache::depthMask(bool write) {
  if (!changed(key(kDepthMask, 0, 0), write)) return;
  ++sent_;
  glDepthMask(write ? GL_TRUE : GL_FALSE);
}

void GlStateCache::frontFace(GLenum winding) {
  if (!changed(key(kFrontFace, 0, 0), winding)) return;
  ++sent_;
  glFrontFace(winding);
}

void GlStateCache::shadeModel(GLenum model) {
  if (!changed(key(kShade, 0, 0), model)) return;
  ++sent_;
  glShadeModel(model);
}

void GlStateCache::polygonMode(GLenum mode) {
  if (!changed(key(kPolygon, 0, 0), mode)) return;
  ++sent_;
  glPolygonMode(GL_FRONT_AND_BACK, mode);
}

void GlStateCache::fog(GLenum name, float value) {
  if (!changed(key(kFog, 0, name), bitsOf(value))) return;
  ++sent_;
  glFogf(name, value);
}

void GlStateCache::fogColor(float red, float green, float blue) {
  if (!changed(key(kFogColor, 0, 0), packColor(red, green, blue))) return;
  ++sent_;
  const float color[4] = {red, green, blue, 1};
  glFogfv(GL_FOG_COLOR, color);
}

void GlStateCache::lightModelAmbient(float red, float green, float blue) {
  if (!changed(key(kAmbient, 0, 0), packColor(red, green, blue))) return;
  ++sent_;
  const float color[4] = {red, green, blue, 1};
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, color);
}

void GlStateCache::colorMaterial(GLenum parameter) {
  if (!changed(key(kColorMaterial, 0, 0), parameter)) return;
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
  if (!changed(key(kMatrixMode, 0, 0), mode)) return;
  ++sent_;
  glMatrixMode(mode);
}

void GlStateCache::loadMatrix(GLenum mode, int unit, const float matrix[16]) {
  MatrixSlot& slot = mode == GL_MODELVIEW ? modelView_ : mode == GL_PROJECTION ? projection_ : textures_[unit & 7];
  if (slot.set && std::memcmp(slot.values, matrix, sizeof slot.values) == 0) return;
  slot.set = true;
  std::memcpy(slot.values, matrix, sizeof slot.values);
  if (mode == GL_TEXTURE) activeTexture(unit);
  matrixMode(mode);
  ++sent_;
  glLoadMatrixf(matrix);
}

}  // namespace vx
