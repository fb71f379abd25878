#pragma once
// Meshes: models whose geometry is a list of surfaces. The geometry is kept
// in a record that copies of the entity share; it counts every change of
// geometry or brushes, and what is derived from it (the bounds, the
// normals, each surface's brush as drawn) is rebuilt only when the count
// has moved since.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine3d/entity.h"
#include "engine3d/mesh_surface.h"

namespace vx {

struct MeshData {
  std::vector<std::unique_ptr<MeshSurface>> surfaces;
  int32_t changeCount = 0;
  Vector boundsMin, boundsMax;
  int32_t boundsStamp = -1;   // changeCount when the bounds were made
  int32_t normalsStamp = -1;  // changeCount when the normals were made
};

class Mesh : public Model {
 public:
  Mesh();
  Entity* clone() const override { return new Mesh(*this); }
  Mesh* getMesh() override { return this; }
  void renderBrushChanged(const Brush& brush) override;
  // Queues every surface unless the bounds are outside the view.
  void render(const RenderContext& context) override;

  const std::vector<std::unique_ptr<MeshSurface>>& surfaces() const { return data_->surfaces; }
  // Whether the two meshes are one geometry (a mesh and its copies).
  bool sharesGeometry(const Mesh& other) const { return data_ == other.data_; }

  MeshSurface& createSurface(const Brush& brush);
  void transform(const Transform& transform);
  // Scales and moves the mesh into the box from corner to corner + size
  // (either may be negative); uniform scales all axes alike, by the
  // smallest factor.
  void fit(Vector corner, Vector size, bool uniform);
  void flip();
  void paint(const Brush& brush);
  // Appends the other mesh's surfaces, into a surface of an equal brush
  // where there is one. Nothing happens for a mesh sharing this geometry.
  void add(const Mesh& other);
  // False when nothing changed since the normals were last made.
  bool updateNormals();
  // Lights the vertex colours: by color (0..1) everywhere with range 0,
  // else from a point light at position (in mesh coordinates).
  void light(Vector color, float range, Vector position);
  // The box around every vertex; max below min when there is none.
  void bounds(Vector& min, Vector& max);
  // The first surface drawn like brush, or null.
  MeshSurface* findSurface(const Brush& brush) const;

 private:
  Mesh(const Mesh& source) = default;

  std::shared_ptr<MeshData> data_;
  std::vector<Brush> drawnBrushes_;  // per surface: its brush merged into the render brush
  int32_t drawnBrushesStamp_ = -1;
};

}  // namespace vx
