#include "world3d/bsp_model.h"

namespace vx {

BSPModel::BSPModel(std::shared_ptr<BSPLevel> level) : level_(std::move(level)) {}

BSPModel::BSPModel(const BSPModel& source)
    : Model(source), level_(source.level_), ambient_(source.ambient_), lighting_(source.lighting_) {}

void BSPModel::renderBrushChanged(const Brush&) { drawnBrushesValid_ = false; }

void BSPModel::setLighting(bool lighting) {
  lighting_ = lighting;
  drawnBrushesValid_ = false;
}

bool BSPModel::bounds(Vector& min, Vector& max) {
  min = level_->boundsMin;
  max = level_->boundsMax;
  return min.x <= max.x && min.y <= max.y && min.z <= max.z;
}

// Lit by the model's ambient colour (and the lights that have a place):
// with its lightmap added before the texture multiplies, or else with the
// vertex colours, the level's own light baked into its vertices.
void BSPModel::makeDrawnBrushes() {
  const BSPLevel& level = *level_;
  drawnBrushes_.resize(level.batches.size());
  for (size_t i = 0; i < level.batches.size(); ++i) {
    const BSPBatch& batch = level.batches[i];
    const Texture texture = batch.texture >= 0 ? level.textures[batch.texture] : Texture();
    const Texture lightmap = batch.lightmap >= 0 && lighting_ ? level.lightmaps[batch.lightmap] : Texture();
    Brush brush;
    if (lightmap) {
      brush.setFX(kFxSecondAmbient);
      brush.setTexture(0, lightmap, 0);
      brush.setTexture(1, texture, 0);
    } else {
      brush.setFX(kFxSecondAmbient | kFxEmissiveVertexColors);
      brush.setTexture(0, texture, 0);
    }
    drawnBrushes_[i].setMerged(renderBrush, brush);
  }
  drawnBrushesValid_ = true;
}

bool BSPModel::collide(const CollisionLine& line, float radius, CollisionInfo& info, const Transform& transform) {
  return level_->collider->sweep(line, radius, transform, info);
}

int32_t BSPModel::leafAt(Vector point) const {
  const BSPLevel& level = *level_;
  if (level.nodes.empty()) return level.leaves.empty() ? -1 : 0;
  int32_t node = 0;
  for (;;) {
    const BSPNode& n = level.nodes[node];
    const int32_t child = n.children[n.plane.distance(point) >= 0 ? 0 : 1];
    if (child == BSPNode::kNoChild) return -1;
    if (child < 0) return -1 - child;
    node = child;  // children come after their parent: the descent ends
  }
}

}  // namespace vx
