#pragma once
// Brushes: materials. A Brush is a value with copy-on-write sharing: copies
// share one record until one of them is changed. Besides what the program
// set (colour, alpha, shininess, blend, effects and eight texture layers),
// a brush keeps the blend the device is to use, worked out from all of
// these when first asked for after a change that can affect it.

#include <cstdint>
#include <memory>

#include "engine3d/device/scene_device.h"
#include "engine3d/texture.h"

namespace vx {

class Brush {
 public:
  static constexpr int kLayers = RenderState::kLayers;
  enum Blend : int32_t { kDefault = 0, kAlpha = 1, kMultiply = 2, kAdd = 3 };

  // White, opaque, no texture.
  Brush();

  Vector color() const { return {d_->state.red, d_->state.green, d_->state.blue}; }
  float alpha() const { return d_->state.alpha; }
  float shininess() const { return d_->state.shininess; }
  int32_t blend() const { return d_->blend; }
  int32_t fx() const { return d_->state.fx; }
  int32_t layerCount() const { return d_->layerCount; }
  // The texture of a layer; none outside 0..7.
  Texture texture(int index) const;

  void setColor(Vector color);  // 0..1
  void setAlpha(float alpha);
  void setShininess(float shininess);
  void setBlend(int32_t blend);
  void setFX(int32_t fx);
  // Layer index shows frame of texture (none for no texture); an index
  // outside 0..7 changes nothing.
  void setTexture(int index, const Texture& texture, int32_t frame);

  // What the device draws with: 0 none, 1 alpha, 2 multiply, 3 add.
  int32_t effectiveBlend() const;
  // The device's view, with the layers' settings taken from their textures
  // now.
  const RenderState& renderState() const;
  // This brush drawn over by other (an entity's brush by a surface's):
  // colours and alpha multiplied, shininess added, other's blend when it
  // has one, effects combined, other's textured layers in place of these.
  Brush merged(const Brush& other) const;
  // Becomes base merged with other, in this brush's own record when no
  // other brush shares it (a brush rebuilt every frame allocates nothing).
  void setMerged(const Brush& base, const Brush& other);

  // Equal when they draw the same.
  friend bool operator==(const Brush& a, const Brush& b) {
    return a.d_ == b.d_ || a.renderState() == b.renderState();
  }

 private:
  struct Data {
    int32_t blend = kDefault;
    int32_t layerCount = 0;
    bool resolved = true;
    RenderState state;  // state.blend is the effective blend
    Texture textures[kLayers];
  };
  // The record this brush may change.
  Data& own();
  void resolve() const;

  std::shared_ptr<Data> d_;
};

}  // namespace vx
