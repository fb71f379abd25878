#pragma once
// Terrains: models that draw a height grid (terrain_grid.h) with a level of
// detail worked out for every camera (terrain_tessellator.h). In its own
// space a terrain spans x and z from 0 to its size in grid units and y from
// 0 to 1; scale and place the entity for other sizes.
//
// The drawn triangles go into one device buffer per terrain that only
// grows, in runs of at most 65,536 vertices so that 16-bit indices reach
// them. Every vertex has both texture coordinate sets at (x, size - z):
// a texture repeats across every grid square unless it is scaled.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine3d/entity.h"
#include "world3d/terrain_grid.h"
#include "world3d/terrain_tessellator.h"

namespace vx {

class Terrain : public Model {
 public:
  static constexpr int32_t kDefaultDetail = 2000;

  // A flat terrain of 2^exponent a side; throws std::bad_alloc when its
  // grid cannot be had.
  explicit Terrain(int exponent) : grid_(exponent) {}
  Entity* clone() const override { return new Terrain(*this); }
  Terrain* getTerrain() override { return this; }
  void renderBrushChanged(const Brush&) override {}
  // Tessellates for the eye and queues the drawn triangles.
  void render(const RenderContext& context) override;
  // From the ground to the highest height, across the whole grid.
  bool bounds(Vector& min, Vector& max) override;
  // The swept sphere against the surface under transform: the error tree
  // is descended where its boxes meet the sweep, and a flat part of it is
  // tested as one triangle (terrain_collision.cpp).
  bool collide(const CollisionLine& line, float radius, CollisionInfo& info, const Transform& transform) override;

  TerrainGrid& grid() { return grid_; }
  int32_t size() const { return grid_.size(); }
  // The surface point above or below the point (x, z) of terrain space:
  // heights of the grid square around it interpolated.
  float surfaceHeight(float x, float z) const;

  int32_t detail = kDefaultDetail;  // triangle budget of a frame
  bool morph = false;   // the newest vertices ease in from the flat triangles
  bool shading = false;  // normals from the neighbouring heights, else straight up

 private:
  Terrain(const Terrain& source) : Model(source), detail(source.detail), morph(source.morph),
                                   shading(source.shading), grid_(source.grid_) {}
  // Fills the device buffer with the laid-out triangles; false when it
  // cannot be had.
  bool fill(SceneDevice& device, const TerrainTessellator& tessellator);
  Vector shadedNormal(int32_t x, int32_t z) const;

  TerrainGrid grid_;
  std::unique_ptr<DeviceMesh> mesh_;
};

// The tessellator every terrain shares: made when a world starts, freed
// when it ends.
void startTerrains();
void endTerrains();
TerrainTessellator* terrainTessellator();

}  // namespace vx
