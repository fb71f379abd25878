#pragma once
// Textures. A TextureImage is the set of frames (texture canvases) of one
// load or creation; every Texture made from it shares it, and it frees its
// canvases when the last one goes. A Texture is a shared handle to the
// settings of how the frames are applied: blend, coordinate set and a 2D
// transform of the coordinates. Copies of a Texture share those settings;
// two loads of one file share only the image.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine3d/math3d.h"

namespace vx {

class Canvas;
class GraphicsDevice;

// Texture flags: what the frames are made with. Bits not named here go to
// the canvases unchanged.
enum TextureFlags : int32_t {
  kTextureColor = 1,
  kTextureAlpha = 2,
  kTextureMasked = 4,  // also gets colour and alpha
  kTextureClampU = 16,
  kTextureClampV = 32,
  kTextureSphereMap = 64,
  kTextureCubeMap = 128,
  kTextureCanvas = 4096,      // on every texture's frames
  kTextureSourceImage = 8192, // the plain image a strip or cube is cut from
};

struct TextureImage {
  TextureImage();
  ~TextureImage();
  TextureImage(const TextureImage&) = delete;
  TextureImage& operator=(const TextureImage&) = delete;

  // Images alive now.
  static int32_t liveCount();

  std::string name;  // the lower-case path loaded from; empty when created
  int32_t flags = 0;
  int32_t frameWidth = 0, frameHeight = 0;  // 0 for a whole-image load
  int32_t firstFrame = 0, frameCount = 0;   // of an animation strip
  std::vector<Canvas*> frames;
  bool cached = false;  // entered in the load cache
};

class Texture {
 public:
  enum Blend : int32_t { kOff = 0, kAlpha = 1, kMultiply = 2, kAdd = 3, kDot3 = 4 };

  // No texture.
  Texture() = default;
  explicit Texture(std::shared_ptr<TextureImage> image);

  explicit operator bool() const { return d_ != nullptr; }
  friend bool operator==(const Texture&, const Texture&) = default;

  const TextureImage& image() const { return *d_->image; }
  const std::string& name() const { return d_->image->name; }
  int32_t flags() const { return d_->image->flags; }
  int32_t frameCount() const { return static_cast<int32_t>(d_->image->frames.size()); }
  // Frame n, or null outside 0..frameCount-1.
  Canvas* frame(int32_t n) const;

  int32_t blend() const { return d_->blend; }
  int32_t coords() const { return d_->coords; }
  // Made with alpha and not masked: drawn blended.
  bool alphaBlended() const { return d_->alphaBlended; }
  bool masked() const { return flags() & kTextureMasked; }
  void setBlend(int32_t blend) { d_->blend = blend; }
  void setCoords(int32_t coords) { d_->coords = coords; }
  // The stored values are what the coordinates are transformed by: the
  // reciprocal scale, the negated angle and offset.
  void setScale(float u, float v);
  void setRotation(float radians);
  void setOffset(float u, float v);
  // The coordinate transform, or null when none was set.
  const Transform* transform() const;

 private:
  struct Data {
    std::shared_ptr<TextureImage> image;
    int32_t blend = kMultiply;
    int32_t coords = 0;
    bool alphaBlended = false;
    float uScale = 1, vScale = 1;
    float uOffset = 0, vOffset = 0;
    float angle = 0;
    bool hasTransform = false;
    bool transformValid = false;
    Transform transform;
  };
  void transformChanged();

  std::shared_ptr<Data> d_;
};

// The flags every texture's frames get: canvas texture, and colour and
// alpha along with masked.
int32_t textureCanvasFlags(int32_t flags);

// A texture of frames blank frames of width x height; no texture when a
// frame cannot be made.
Texture createTexture(GraphicsDevice& graphics, int32_t width, int32_t height, int32_t flags, int32_t frames);

}  // namespace vx
