#pragma once
// The last value of every OpenGL state the scene device sets, so that each
// reaches OpenGL only when it changes. Every call that does reach OpenGL is
// counted; the count shows how well the caching works.
//
// The cache starts empty: the first set of any state is always sent.

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>
#include <unordered_map>

namespace vx {

class GlStateCache {
 public:
  int64_t sent() const { return sent_; }
  // For calls the cache does not hold (light parameters, clears).
  void countSent(int calls = 1) { sent_ += calls; }

  void enable(GLenum capability, bool on);
  // Texture unit states: targets and coordinate generation.
  void enableOnUnit(int unit, GLenum capability, bool on);
  void activeTexture(int unit);
  void bindTexture(int unit, GLenum target, GLuint texture);
  // Binds on unit 0 and makes that unit active, as glTexImage2D and the
  // texture parameters act on the active unit's binding.
  void bindForUpload(GLenum target, GLuint texture);
  void texEnv(int unit, GLenum name, GLint value);
  void texGen(int unit, GLenum coordinate, GLint mode);
  void blendFunc(GLenum source, GLenum dest);
  void alphaFunc(GLenum function, float reference);
  void depthMask(bool write);
  void frontFace(GLenum winding);
  void shadeModel(GLenum model);
  void polygonMode(GLenum mode);
  void fog(GLenum name, float value);
  void fogColor(float red, float green, float blue);
  void lightModelAmbient(float red, float green, float blue);
  void colorMaterial(GLenum parameter);
  // Diffuse (four), ambient (three), specular (three) and power.
  void material(const float values[11]);
  // mode GL_MODELVIEW, GL_PROJECTION, or GL_TEXTURE of a unit.
  void loadMatrix(GLenum mode, int unit, const float matrix[16]);

 private:
  enum Kind : uint64_t {
    kCapability = 1,
    kUnitCapability,
    kActiveUnit,
    kTexture,
    kTexEnv,
    kTexGen,
    kBlend,
    kAlpha,
    kDepthMask,
    kFrontFace,
    kShade,
    kPolygon,
    kFog,
    kFogColor,
    kAmbient,
    kColorMaterial,
    kMatrixMode,
  };
  static uint64_t key(Kind kind, uint64_t unit, uint64_t name) { return kind << 56 | unit << 48 | name; }
  // True, with the value stored, when it differs from the last one.
  bool changed(uint64_t key, uint64_t value);
  static uint64_t bitsOf(float value);
  static uint64_t packColor(float red, float green, float blue);
  void matrixMode(GLenum mode);

  std::unordered_map<uint64_t, uint64_t> values_;
  bool haveMaterial_ = false;
  float material_[11] = {};
  struct MatrixSlot {
    bool set = false;
    float values[16];
  };
  MatrixSlot modelView_, projection_, textures_[8];
  int64_t sent_ = 0;
};

}  // namespace vx
