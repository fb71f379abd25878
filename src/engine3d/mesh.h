#pragma once
// Meshes: models whose geometry is a list of surfaces. The geometry is kept
// in a record that copies of the entity share. It counts two versions:
// geometry (vertices, triangles, surfaces) and material (the surfaces'
// brushes); what is derived from each (bounds, normals and the collision
// tree from the geometry, each surface's brush as drawn from the material)
// is rebuilt only when its version has moved since.
//
// A mesh whose vertices are posed per entity (a skin) has a deformer: it
// then draws from device buffers of its own, refilled at every draw, so
// that copies sharing the geometry each show their own pose.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine3d/entity.h"
#include "engine3d/mesh_surface.h"

namespace vx {

// What a layer above the engine builds from a mesh's geometry and keeps
// with it (the collision tree); its builder rebuilds it when the geometry
// version differs from the one it was built for.
class MeshGeometryCache {
 public:
  virtual ~MeshGeometryCache() = default;
  int32_t geometryVersion = -1;  // the version it was built for
};

struct MeshData {
  std::vector<std::unique_ptr<MeshSurface>> surfaces;
  MeshVersions versions;
  Vector boundsMin, boundsMax;
  int32_t boundsStamp = -1;   // geometry version when the bounds were made
  int32_t normalsStamp = -1;  // geometry version when the normals were made
  std::unique_ptr<MeshGeometryCache> collider;
};

// Poses the vertices of one mesh entity.
class MeshDeformer {
 public:
  virtual ~MeshDeformer() = default;
  // Brings the pose up to date for a draw of the mesh, before its surfaces
  // are posed; the number returned changes whenever the posed vertices
  // would, so that surfaces are posed again only then.
  virtual uint32_t pose() = 0;
  // Writes the posed vertices of the surface (the index-th of the mesh),
  // one for each of its vertices.
  virtual void deform(size_t index, const MeshSurface& surface, DeviceVertex* out) = 0;
  // Whether posed vertices are in world space (drawn with the identity
  // matrix) rather than in the mesh's own space.
  virtual bool worldSpace() const = 0;
};

class Mesh : public Model {
 public:
  Mesh();
  Entity* clone() const override { return new Mesh(*this); }
  Mesh* getMesh() override { return this; }
  // The triangles, through the collision tree kept with the geometry; the
  // layer that collides (world3d/entity_collision.cpp) answers it.
  bool collide(const CollisionLine& line, float radius, CollisionInfo& info, const Transform& transform) override;
  void renderBrushChanged(const Brush& brush) override;
  // Queues every surface unless the bounds are outside the view.
  void render(const RenderContext& context) override;
  const Transform* drawTransform() override;
  // The box around every vertex; false for a mesh without vertices.
  bool bounds(Vector& min, Vector& max) override;

  const std::vector<std::unique_ptr<MeshSurface>>& surfaces() const { return data_->surfaces; }
  MeshData& data() const { return *data_; }
  // Whether the two meshes are one geometry (a mesh and its copies).
  bool sharesGeometry(const Mesh& other) const { return data_ == other.data_; }

  MeshSurface& createSurface(const Brush& brush);
  // The last surface drawn like brush when it has room for vertexCount more
  // vertices, else a new one with the brush: what loaders fill, so that a
  // surface never holds more vertices than its indices reach.
  MeshSurface& surfaceWithRoom(const Brush& brush, int32_t vertexCount);
  void transform(const Transform& transform);
  // Scales and moves the mesh into the box from corner to corner + size
  // (either may be negative); uniform scales all axes alike, by the
  // smallest factor.
  void fit(Vector corner, Vector size, bool uniform);
  void flip();
  void paint(const Brush& brush);
  // Appends the other mesh's surfaces, each into the first surface of an
  // equal brush that stays within what its indices reach, else into a new
  // one. Nothing happens for a mesh sharing this geometry.
  void add(const Mesh& other);
  // False when the geometry did not change since the normals were last
  // made.
  bool updateNormals();
  // Lights the vertex colours: by color (0..1) everywhere with range 0,
  // else from a point light at position (in mesh coordinates).
  void light(Vector color, float range, Vector position);
  // The first surface drawn like brush, or null.
  MeshSurface* findSurface(const Brush& brush) const;

  // Poses this entity's vertices; null for a mesh drawn as its geometry
  // is. A copy starts without one: the layer that poses a mesh gives its
  // copies their own.
  std::unique_ptr<MeshDeformer> deformer;

 private:
  Mesh(const Mesh& source);
  // This entity's posed copy of a surface, or null when there is nothing to
  // draw.
  DeviceMesh* posedMesh(SceneDevice& device, size_t index, uint32_t pose);

  std::shared_ptr<MeshData> data_;
  std::vector<Brush> drawnBrushes_;  // per surface: its brush merged into the render brush
  int32_t drawnBrushesStamp_ = -1;   // material version they were made for
  // Posed vertices, per surface: the geometry version their triangles were
  // written for, the vertex version and the pose of their vertices.
  struct Posed {
    std::unique_ptr<DeviceMesh> mesh;
    int32_t geometryVersion = -1;
    int32_t verticesVersion = -1;
    uint32_t pose = 0;
  };
  std::vector<Posed> posed_;
};

}  // namespace vx
