#pragma once
// Skinned meshes: every vertex follows one bone (Vertex::bone). Bone 0 is
// the mesh itself, bones 1 on are the objects that weight its vertices.
// Each draw, every bone's matrix is its render transform times the inverse
// of where it was bound, and the vertices are posed by them into world
// space, in the mesh's own device buffers; only when a bone moved since
// the last draw, and never while the mesh is not drawn.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine3d/entity.h"
#include "engine3d/mesh.h"

namespace vx {

class Skin final : public MeshDeformer {
 public:
  // Makes mesh skinned over bones (the mesh first, then the bones as the
  // vertices number them), bound where they are now.
  static void bind(Mesh& mesh, const std::vector<Object*>& bones);
  // The mesh's skin, or null.
  static const Skin* of(const Mesh& mesh);
  // The skin of copy, a copy of the hierarchy of original (whose skin this
  // is): the same binding on the copied bones.
  std::unique_ptr<Skin> copyFor(const Mesh& original, Mesh& copy) const;

  uint32_t pose() override;
  void deform(size_t index, const MeshSurface& surface, DeviceVertex* out) override;
  bool worldSpace() const override { return true; }

  // One bone's matrix as the posing reads it: the axes and position, then
  // the axes that carry normals (the cofactors), each padded to four.
  struct alignas(16) BoneMatrix {
    float rows[7][4];
    friend bool operator==(const BoneMatrix&, const BoneMatrix&) = default;
  };
  // The matrices of the last pose.
  const std::vector<BoneMatrix>& matrices() const { return matrices_; }

 private:
  // Per bone: the inverse of its world transform when bound, times the
  // mesh's then: what takes a vertex from the bound mesh to the bone.
  using Binding = std::vector<Transform>;

  Skin(std::vector<EntityRef> bones, std::shared_ptr<const Binding> binding);

  std::vector<EntityRef> bones_;
  std::shared_ptr<const Binding> binding_;
  std::vector<BoneMatrix> matrices_;
  uint32_t pose_ = 0;
};

}  // namespace vx
