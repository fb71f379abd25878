#pragma once
// The last value of every OpenGL state the scene device sets, so that each
// reaches OpenGL only when it changes. Every call that does reach OpenGL is
// counted; the count shows how well the caching works.
//
// States are named by small enumerations and kept in fixed arrays, so that
// telling an unchanged state costs one comparison. The cache starts empty:
// the first set of any state is always sent, whatever the context held.

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>

namespace vx {

// Switches of the whole context.
enum GlCapability : uint8_t {
  kCapBlend,
  kCapAlphaTest,
  kCapDepthTest,
  kCapCullFace,
  kCapFog,
  kCapLighting,
  kCapColorMaterial,
  kCapDither,
  kCapMultisample,
  kCapClipPlane0,
  kCapLight0,  // and the seven after it
  kCapCount = kCapLight0 + 8,
};

// Switches of one texture unit.
enum GlUnitCapability : uint8_t {
  kUnitTexture2D,
  kUnitTextureCube,
  kUnitGenS,
  kUnitGenT,
  kUnitGenR,
  kUnitCapCount,
};

// Combiner settings of a texture unit.
enum GlCombiner : uint8_t {
  kCombineRgb,
  kSource0Rgb,
  kCombineAlpha,
  kSource0Alpha,
  kCombinerCount,
};

class GlStateCache {
 public:
  static constexpr int kUnits = 8;

  GlStateCache() { forget(); }

  int64_t sent() const { return sent_; }
  // For calls the cache does not hold (light parameters, clears).
  void countSent(int calls = 1) { sent_ += calls; }
  // Every state becomes unknown: the next set of each is sent.
  void forget();

  void enable(GlCapability capability, bool on);
  // Texture unit states: targets and coordinate generation.
  void enableOnUnit(int unit, GlUnitCapability capability, bool on);
  void activeTexture(int unit);
  // target GL_TEXTURE_2D or GL_TEXTURE_CUBE_MAP.
  void bindTexture(int unit, GLenum target, GLuint texture);
  // Binds on unit 0 and makes that unit active, as glTexImage2D and the
  // texture parameters act on the active unit's binding.
  void bindForUpload(GLenum target, GLuint texture);
  void texEnv(int unit, GlCombiner name, GLint value);
  // coordinate 0 s, 1 t, 2 r.
  void texGen(int unit, int coordinate, GLint mode);
  void blendFunc(GLenum source, GLenum dest);
  void alphaFunc(GLenum function, float reference);
  void depthMask(bool write);
  void frontFace(GLenum winding);
  void shadeModel(GLenum model);
  void polygonMode(GLenum mode);
  void fogRange(float start, float end);
  void fogColor(float red, float green, float blue);
  void lightModelAmbient(float red, float green, float blue);
  // The material parameter vertex colours replace while colour material is
  // on. Changing it, or the switch, leaves the material unknown: OpenGL
  // ignores material values given for the parameters colours replace.
  void colorMaterial(GLenum parameter);
  // Diffuse (four), ambient (three), specular (three) and power.
  void material(const float values[11]);
  // mode GL_MODELVIEW, GL_PROJECTION, or GL_TEXTURE of a unit.
  void loadMatrix(GLenum mode, int unit, const float matrix[16]);
  void bindVertexArray(GLuint array);
  // The vertex array object bound now (0 for none).
  GLuint vertexArray() const { return vertexArray_; }

 private:
  static constexpr GLuint kUnknownName = 0xFFFFFFFFu;
  static constexpr uint64_t kUnknown = ~uint64_t(0);
  static uint64_t bitsOf(float value);
  static uint64_t packColor(float red, float green, float blue);
  // True, with the value stored, when it differs from the last one.
  static bool changed(uint64_t& slot, uint64_t value) {
    if (slot == value) return false;
    slot = value;
    return true;
  }
  void matrixMode(GLenum mode);

  int8_t capabilities_[kCapCount];
  int8_t unitCapabilities_[kUnits][kUnitCapCount];
  GLint combiners_[kUnits][kCombinerCount];
  GLint texGen_[kUnits][3];
  GLuint textures_[kUnits][2];  // 2D, cube map
  int activeUnit_;
  uint64_t blend_, alpha_, fogRange_, fogColor_, ambient_;
  GLenum frontFace_, shadeModel_, polygonMode_, colorMaterial_, matrixMode_;
  int8_t depthMask_;
  GLuint vertexArray_;
  bool haveMaterial_;
  float material_[11];
  struct MatrixSlot {
    bool set = false;
    float values[16];
  };
  MatrixSlot modelView_, projection_, textureMatrices_[kUnits];
  int64_t sent_ = 0;
};

}  // namespace vx
