#pragma once
// Sprites: textured quads that turn towards the eye (particles, trees,
// health bars). A sprite is built in world space at every render, from its
// render transform, the eye it is seen from and its own rotation, scales,
// handle and view mode, and is drawn with the identity world matrix out of
// one device buffer that all sprites share, four vertices and two triangles
// to a slot.
//
// View modes: 1 faces the eye squarely, taking the eye's orientation; 2
// keeps the sprite's own orientation; 3 faces the eye while keeping the
// sprite's up direction as far as it can; 4 turns only about the sprite's
// own vertical axis towards the eye. Other values are taken as 2. The
// entity's own scale applies in every mode.

#include <cstdint>

#include "engine3d/entity.h"

namespace vx {

class Sprite : public Model {
 public:
  Sprite();
  ~Sprite() override;
  Entity* clone() const override { return new Sprite(*this); }
  Sprite* getSprite() override { return this; }
  // Also keep and tween the rotation and the scales.
  void capture() override;
  bool beginRender(float tween) override;
  void renderBrushChanged(const Brush&) override {}
  // Queues the quad unless every corner lies outside one plane of the view.
  void render(const RenderContext& context) override;
  // The vertices are in world space.
  const Transform* drawTransform() override { return nullptr; }
  // A cube that holds the quad whichever way it turns.
  bool bounds(Vector& min, Vector& max) override;

  float rotation = 0;  // radians, in the quad's own plane
  float xScale = 1, yScale = 1;
  float xHandle = 0, yHandle = 0;  // the point of the quad at the sprite's position
  int32_t viewMode = 1;

  // Slots of the shared buffer: 256 more whenever none is free, none once
  // every one is free again.
  static int32_t bufferSlots();

 private:
  Sprite(const Sprite& source);
  // The quad's axes (with its own scale) seen from eye, before the
  // sprite's rotation and scales.
  Matrix orientation(const Transform& eye);

  int32_t slot_;
  // What the slot holds, from the buffer of that generation.
  struct Written {
    Vector corners[4];
    bool reversed = false;
    uint32_t generation = 0;
  } written_;
  float capturedRotation_ = 0, capturedXScale_ = 1, capturedYScale_ = 1;
  float renderRotation_ = 0, renderXScale_ = 1, renderYScale_ = 1;
};

}  // namespace vx
