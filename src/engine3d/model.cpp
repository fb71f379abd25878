#include "engine3d/entity.h"

namespace vx {

void Model::capture() {
  Object::capture();
  capturedAlpha = brush.alpha();
}

bool Model::beginRender(float tween) {
  Object::beginRender(tween);
  const float alpha = brush.alpha();
  renderAlpha = tween != 1 && alpha != capturedAlpha ? capturedAlpha + tween * (alpha - capturedAlpha) : alpha;
  return renderAlpha > 0;
}

void Model::setBrush(const Brush& newBrush) {
  brush = newBrush;
  brushChanged = true;
}

void Model::setColor(Vector color) {
  brush.setColor(color);
  brushChanged = true;
}

void Model::setAlpha(float alpha) {
  brush.setAlpha(alpha);
  brushChanged = true;
}

void Model::setShininess(float shininess) {
  brush.setShininess(shininess);
  brushChanged = true;
}

void Model::setTexture(int index, const Texture& texture, int32_t frame) {
  brush.setTexture(index, texture, frame);
  brushChanged = true;
}

void Model::setBlend(int32_t blend) {
  brush.setBlend(blend);
  brushChanged = true;
}

void Model::setFX(int32_t fx) {
  brush.setFX(fx);
  brushChanged = true;
}

bool Model::prepare(Vector eye) {
  float alpha = renderAlpha;
  if (autoFade) {
    const float d = distance(eye, renderTransform().pos);
    if (d >= fadeFar) return false;
    if (d >= fadeNear) {
      alpha *= 1 - (d - fadeNear) / (fadeFar - fadeNear);
      if (alpha <= 0) return false;
    }
  }
  bool changed = false;
  if (brushChanged) {
    renderBrush = brush;
    changed = true;
  }
  if (renderBrush.alpha() != alpha) {
    renderBrush.setAlpha(alpha);
    changed = true;
  }
  if (changed) {
    renderBrushChanged(renderBrush);
    brushChanged = false;
  }
  return true;
}

void Model::enqueue(DeviceMesh& mesh, int32_t firstVertex, int32_t vertexCount, int32_t firstTriangle,
                    int32_t triangleCount, const Brush& itemBrush) {
  const Queue queue = itemBrush.effectiveBlend() ? kTransparent : kOpaque;
  queues_[queue].push({&mesh, firstVertex, vertexCount, firstTriangle, triangleCount, &itemBrush.renderState()});
}

}  // namespace vx
