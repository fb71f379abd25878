#pragma once
// A level entity: a model drawn from a loaded BSPLevel, which its copies
// share. Each camera sees only the faces of the leaves that the eye's
// cluster can see and that lie in the view, nearest first, drawn with the
// level's lightmaps as the first texture layer (when lighting is on) and
// the model's own ambient colour in place of the world's.

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "engine3d/entity.h"
#include "world3d/bsp_level.h"

namespace vx {

class BSPModel : public Model {
 public:
  explicit BSPModel(std::shared_ptr<BSPLevel> level);
  Entity* clone() const override { return new BSPModel(*this); }
  BSPModel* getBSP() override { return this; }
  void renderBrushChanged(const Brush& brush) override;
  void render(const RenderContext& context) override;
  bool bounds(Vector& min, Vector& max) override;
  // The level's triangles placed by transform, searched through its
  // collision tree.
  bool collide(const CollisionLine& line, float radius, CollisionInfo& info, const Transform& transform) override;

  void setAmbient(Vector ambient) { ambient_ = ambient; }  // 0..1
  // Lightmaps on, or off (the vertex colours light the level).
  void setLighting(bool lighting);

  // The leaf the point (in the level's space) lies in, by the node planes;
  // -1 when the tree leads nowhere.
  int32_t leafAt(Vector point) const;

 private:
  BSPModel(const BSPModel& source);
  // The brush each batch draws with: the render brush merged with the
  // batch's texture and lightmap layers.
  void makeDrawnBrushes();
  // Marks the faces of every leaf in view that the eye's cluster sees.
  void markVisibleFaces(const RenderContext& context);

  std::shared_ptr<BSPLevel> level_;
  Vector ambient_;  // black until set
  bool lighting_ = true;

  std::vector<Brush> drawnBrushes_;  // by batch
  bool drawnBrushesValid_ = false;
  // Per face, node and part: the pass that last reached it.
  std::vector<uint32_t> faceMarks_;
  std::vector<uint32_t> nodeMarks_;
  std::vector<uint32_t> partMarks_;
  uint32_t pass_ = 0;
  // The faces and parts in view, in the order the walk reached them.
  std::vector<int32_t> visibleFaces_;
  std::vector<int32_t> visibleParts_;
  // Kept for their storage: the walk's stack, the faces drawn on their own.
  std::vector<std::pair<int32_t, uint32_t>> pending_;
  std::vector<int32_t> nearFaces_;
};

}  // namespace vx
