#include "engine3d/texture.h"

#include <cmath>

#include "engine3d/texture_cache.h"
#include "platform/graphics_device.h"

namespace vx {

namespace {
int32_t liveImages = 0;
}  // namespace


TextureImage::TextureImage() { ++liveImages; }

TextureImage::~TextureImage() {
  if (cached) forgetCachedImage(*this);
  for (Canvas* frame : frames) frame->graphics()->freeCanvas(frame);
  --liveImages;
}

int32_t TextureImage::liveCount() { return liveImages; }

Texture::Texture(std::shared_ptr<TextureImage> image) : d_(std::make_shared<Data>()) {
  const int32_t flags = image->flags;
  d_->alphaBlended = (flags & kTextureAlpha) && !(flags & kTextureMasked);
  d_->image = std::move(image);
}

Canvas* Texture::frame(int32_t n) const {
  const auto& frames = d_->image->frames;
  return n >= 0 && n < static_cast<int32_t>(frames.size()) ? frames[n] : nullptr;
}

void Texture::transformChanged() {
  d_->hasTransform = true;
  d_->transformValid = false;
}

void Texture::setScale(float u, float v) {
  d_->uScale = 1 / u;
  d_->vScale = 1 / v;
  transformChanged();
}

void Texture::setRotation(float radians) {
  d_->angle = -radians;
  transformChanged();
}

void Texture::setOffset(float u, float v) {
  d_->uOffset = -u;
  d_->vOffset = -v;
  transformChanged();
}

const Transform* Texture::transform() const {
  Data& d = *d_;
  if (!d.hasTransform) return nullptr;
  if (!d.transformValid) {
    const float c = std::cos(d.angle), s = std::sin(d.angle);
    d.transform.m = {{c * d.uScale, -s * d.vScale, 0}, {s * d.uScale, c * d.vScale, 0}, {d.uOffset, d.vOffset, 0}};
    d.transform.pos = {};
    d.transformValid = true;
  }
  return &d.transform;
}

int32_t textureCanvasFlags(int32_t flags) {
  flags |= kTextureCanvas;
  if (flags & kTextureMasked) flags |= kTextureColor | kTextureAlpha;
  return flags;
}

Texture createTexture(GraphicsDevice& graphics, int32_t width, int32_t height, int32_t flags, int32_t frames) {
  auto image = std::make_shared<TextureImage>();
  image->flags = textureCanvasFlags(flags);
  for (int32_t n = 0; n < frames; ++n) {
    Canvas* frame = graphics.createCanvas(width, height, image->flags);
    if (!frame) return Texture();
    image->frames.push_back(frame);
  }
  return Texture(std::move(image));
}

}  // namespace vx
