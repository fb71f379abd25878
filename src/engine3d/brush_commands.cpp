// The brush commands: making, loading and freeing brushes and setting what
// they are made of.

#include "engine3d/texture_cache.h"
#include "engine3d/world.h"
#include "runtime/registry.h"

namespace vx {

namespace {

int32_t createBrush(float red, float green, float blue) {
  if (!worldOrFail()) return 0;
  Brush brush;
  brush.setColor(Vector{red, green, blue} * kColorScale);
  return addBrush(brush);
}

int32_t loadBrush(StrArg file, int32_t flags, float uScale, float vScale) {
  World* world = worldOrFail();
  if (!world) return 0;
  Texture texture = loadTexture(*world->graphics, world->textureFilters, file.view(), flags);
  if (!texture.frameCount()) return 0;
  if (uScale != 1 || vScale != 1) texture.setScale(uScale, vScale);
  Brush brush;
  brush.setTexture(0, texture, 0);
  return addBrush(brush);
}

void brushColor(int32_t handle, float red, float green, float blue) {
  if (Brush* brush = brushOf(handle)) brush->setColor(Vector{red, green, blue} * kColorScale);
}

// BrushAlpha, BrushShininess, BrushBlend and BrushFX: one setter each.
template <typename Value, void (Brush::*Set)(Value)>
void setOnBrush(int32_t handle, Value value) {
  if (Brush* brush = brushOf(handle)) (brush->*Set)(value);
}

void brushTexture(int32_t handle, int32_t textureHandle, int32_t frame, int32_t index) {
  Brush* brush = brushOf(handle);
  if (!brush) return;
  Texture none;
  const Texture* texture = textureHandle ? textureOf(textureHandle) : &none;
  if (texture) brush->setTexture(index, *texture, frame);
}

int32_t getBrushTexture(int32_t handle, int32_t index) {
  Brush* brush = brushOf(handle);
  return brush ? addTexture(brush->texture(index)) : 0;
}

}  // namespace

void linkBrushCommands(Registry& r) {
  r.command<"%CreateBrush#red=255#green=255#blue=255", createBrush>();
  r.command<"%LoadBrush$file%texture_flags=1#u_scale=1#v_scale=1", loadBrush>();
  r.command<"FreeBrush%brush", freeBrush>();
  r.command<"BrushColor%brush#red#green#blue", brushColor>();
  r.command<"BrushAlpha%brush#alpha", setOnBrush<float, &Brush::setAlpha>>();
  r.command<"BrushShininess%brush#shininess", setOnBrush<float, &Brush::setShininess>>();
  r.command<"BrushTexture%brush%texture%frame=0%index=0", brushTexture>();
  r.command<"%GetBrushTexture%brush%index=0", getBrushTexture>();
  r.command<"BrushBlend%brush%blend", setOnBrush<int32_t, &Brush::setBlend>>();
  r.command<"BrushFX%brush%fx", setOnBrush<int32_t, &Brush::setFX>>();
}

}  // namespace vx
