#include "engine3d/brush.h"

#include <algorithm>

namespace vx {

Brush::Brush() {
  // Every default brush shares one record until it is changed.
  static const std::shared_ptr<Data> defaults = std::make_shared<Data>();
  d_ = defaults;
}

Brush::Data& Brush::own() {
  if (d_.use_count() > 1) d_ = std::make_shared<Data>(*d_);
  return *d_;
}

Texture Brush::texture(int index) const { return index >= 0 && index < kLayers ? d_->textures[index] : Texture(); }

void Brush::setColor(Vector color) {
  Data& d = own();
  d.state.red = color.x;
  d.state.green = color.y;
  d.state.blue = color.z;
}

void Brush::setAlpha(float alpha) {
  Data& d = own();
  // Only crossing full opacity can change the blend.
  if ((d.state.alpha >= 1) != (alpha >= 1)) d.resolved = false;
  d.state.alpha = alpha;
}

void Brush::setShininess(float shininess) { own().state.shininess = shininess; }

void Brush::setBlend(int32_t blend) {
  Data& d = own();
  d.blend = blend;
  d.resolved = false;
}

void Brush::setFX(int32_t fx) {
  Data& d = own();
  d.state.fx = fx;
  // Forced alpha decides the blend, and the alpha test bit that the blend
  // sets must come back: work both out again.
  d.resolved = false;
}

void Brush::setTexture(int index, const Texture& texture, int32_t frame) {
  if (index < 0 || index >= kLayers) return;
  Data& d = own();
  d.textures[index] = texture;
  d.state.layers[index].canvas = texture ? texture.frame(frame) : nullptr;
  d.layerCount = 0;
  for (int i = 0; i < kLayers; ++i)
    if (d.state.layers[i].canvas) d.layerCount = i + 1;
  d.resolved = false;
}

void Brush::resolve() const {
  Data& d = *d_;
  d.resolved = true;
  d.state.fx &= ~kFxAlphaTest;
  int active = 0;
  while (active < kLayers && d.state.layers[active].canvas && d.textures[active] && d.textures[active].blend() != 0)
    ++active;
  if (active >= 2) {
    d.state.blend = kDefault;
    return;
  }
  const Texture& first = d.textures[0];
  if (first && first.masked()) d.state.fx |= kFxAlphaTest;
  if (d.blend == kMultiply || d.blend == kAdd) {
    d.state.blend = d.blend;
    return;
  }
  const bool blended = (d.state.fx & kFxForceAlpha) || d.state.alpha < 1 || (first && first.alphaBlended());
  d.state.blend = blended ? kAlpha : kDefault;
}

int32_t Brush::effectiveBlend() const {
  if (!d_->resolved) resolve();
  return d_->state.blend;
}

const RenderState& Brush::renderState() const {
  if (!d_->resolved) resolve();
  RenderState& state = d_->state;
  for (int i = 0; i < kLayers; ++i) {
    TextureLayer& layer = state.layers[i];
    const Texture& texture = d_->textures[i];
    layer.transform = texture ? texture.transform() : nullptr;
    layer.blend = texture ? texture.blend() : 0;
    layer.coords = texture ? texture.coords() : 0;
  }
  return state;
}

Brush Brush::merged(const Brush& other) const {
  Brush result;
  result.setMerged(*this, other);
  return result;
}

void Brush::setMerged(const Brush& base, const Brush& other) {
  if (d_.use_count() == 1 && d_ != base.d_)
    *d_ = *base.d_;
  else
    d_ = std::make_shared<Data>(*base.d_);
  Data& d = *d_;
  const Data& o = *other.d_;
  d.state.red *= o.state.red;
  d.state.green *= o.state.green;
  d.state.blue *= o.state.blue;
  d.state.alpha *= o.state.alpha;
  d.state.shininess += o.state.shininess;
  if (o.blend) d.blend = o.blend;
  d.state.fx |= o.state.fx;
  d.layerCount = std::max(d.layerCount, o.layerCount);
  for (int i = 0; i < o.layerCount; ++i)
    if (o.state.layers[i].canvas) {
      d.state.layers[i].canvas = o.state.layers[i].canvas;
      d.textures[i] = o.textures[i];
    }
  d.resolved = false;
}

}  // namespace vx
