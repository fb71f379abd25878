#include "world3d/skin.h"

#include <xmmintrin.h>

#include "world3d/counterpart.h"

namespace vx {

namespace {

Skin::BoneMatrix boneMatrix(const Transform& t) {
  const Matrix n = cofactor(t.m);
  return {{{t.m.i.x, t.m.i.y, t.m.i.z, 0},
           {t.m.j.x, t.m.j.y, t.m.j.z, 0},
           {t.m.k.x, t.m.k.y, t.m.k.z, 0},
           {t.pos.x, t.pos.y, t.pos.z, 0},
           {n.i.x, n.i.y, n.i.z, 0},
           {n.j.x, n.j.y, n.j.z, 0},
           {n.k.x, n.k.y, n.k.z, 0}}};
}

}  // namespace

Skin::Skin(std::vector<EntityRef> bones, std::shared_ptr<const Binding> binding)
    : bones_(std::move(bones)), binding_(std::move(binding)) {}

void Skin::bind(Mesh& mesh, const std::vector<Object*>& bones) {
  auto binding = std::make_shared<Binding>();
  std::vector<EntityRef> refs;
  // Besides the inverse of the bone's world transform, the mesh's own is
  // kept: vertices are in the mesh's space, so a skinned mesh placed away
  // from the origin is drawn where it is placed rather than where its
  // bones would take vertices given in world space.
  const Transform meshBound = mesh.worldTransform();
  for (Object* bone : bones) {
    binding->push_back(inverse(bone->worldTransform()) * meshBound);
    refs.emplace_back(bone);
  }
  mesh.deformer.reset(new Skin(std::move(refs), std::move(binding)));
}

const Skin* Skin::of(const Mesh& mesh) { return dynamic_cast<const Skin*>(mesh.deformer.get()); }

std::unique_ptr<Skin> Skin::copyFor(const Mesh& original, Mesh& copy) const {
  std::vector<EntityRef> bones;
  for (const EntityRef& bone : bones_) {
    const Entity* entity = bone.get();
    bones.emplace_back(entity ? counterpart(entity, original, copy) : nullptr);
  }
  return std::unique_ptr<Skin>(new Skin(std::move(bones), binding_));
}

uint32_t Skin::pose() {
  const Binding& binding = *binding_;
  const bool first = matrices_.size() != bones_.size();
  if (first) matrices_.resize(bones_.size());
  bool moved = first;
  // A bone freed since keeps its vertices with the mesh, as they were
  // bound.
  Object* mesh = bones_[0].object();
  const Transform meshRender = mesh ? mesh->renderTransform() : Transform{};
  for (size_t b = 0; b < bones_.size(); ++b) {
    Object* bone = bones_[b].object();
    const BoneMatrix m = boneMatrix(bone ? bone->renderTransform() * binding[b] : meshRender);
    if (!(m == matrices_[b])) {
      matrices_[b] = m;
      moved = true;
    }
  }
  if (moved) ++pose_;
  return pose_;
}

// Each vertex: position = i x + j y + k z + pos, normal by the cofactor
// rows, four lanes at a time; the fourth lane of each store is overwritten
// by the next one, and the colour and texture coordinates are copied.
void Skin::deform(size_t, const MeshSurface& surface, DeviceVertex* out) {
  const BoneMatrix* matrices = matrices_.data();
  const uint32_t count = static_cast<uint32_t>(matrices_.size());
  for (const Vertex& v : surface.vertices()) {
    const BoneMatrix& b = matrices[static_cast<uint32_t>(v.bone) < count ? v.bone : 0];
    const __m128 p = _mm_loadu_ps(&v.x);  // x y z nx
    const __m128 n = _mm_loadu_ps(&v.nx); // nx ny nz colour
    const __m128 position = _mm_add_ps(
        _mm_add_ps(_mm_mul_ps(_mm_shuffle_ps(p, p, 0x00), _mm_load_ps(b.rows[0])),
                   _mm_mul_ps(_mm_shuffle_ps(p, p, 0x55), _mm_load_ps(b.rows[1]))),
        _mm_add_ps(_mm_mul_ps(_mm_shuffle_ps(p, p, 0xAA), _mm_load_ps(b.rows[2])), _mm_load_ps(b.rows[3])));
    const __m128 normal = _mm_add_ps(
        _mm_add_ps(_mm_mul_ps(_mm_shuffle_ps(n, n, 0x00), _mm_load_ps(b.rows[4])),
                   _mm_mul_ps(_mm_shuffle_ps(n, n, 0x55), _mm_load_ps(b.rows[5]))),
        _mm_mul_ps(_mm_shuffle_ps(n, n, 0xAA), _mm_load_ps(b.rows[6])));
    _mm_storeu_ps(&out->x, position);
    _mm_storeu_ps(&out->nx, normal);
    _mm_storeu_ps(reinterpret_cast<float*>(&out->argb), _mm_loadu_ps(reinterpret_cast<const float*>(&v.argb)));
    out->v1 = v.v1;
    ++out;
  }
}

}  // namespace vx
