// Drawing a level for one camera. The eye's leaf gives its cluster; the
// tree is walked from the root with a mask of the view planes the box of
// each node still straddles, leaving out nodes wholly outside one plane
// and leaves the eye's cluster cannot see; the faces of the leaves left
// are marked, each once, and drawn part by part in runs of consecutive
// marked faces.

#include <algorithm>
#include <utility>

#include "engine3d/render_context.h"
#include "world3d/bsp_model.h"

namespace vx {

namespace {

constexpr uint32_t kAllPlanes = (1u << 6) - 1;

// The mask without the planes the box lies wholly inside; false when it
// lies wholly outside one of them.
bool boxInView(const Frustum& frustum, Vector min, Vector max, uint32_t& mask) {
  for (int p = 0; p < 6; ++p) {
    if (!(mask & (1u << p))) continue;
    const ClipPlane& plane = frustum.planes[p];
    const Vector far{plane.n.x >= 0 ? max.x : min.x, plane.n.y >= 0 ? max.y : min.y, plane.n.z >= 0 ? max.z : min.z};
    if (plane.distance(far) < 0) return false;
    const Vector near{plane.n.x >= 0 ? min.x : max.x, plane.n.y >= 0 ? min.y : max.y, plane.n.z >= 0 ? min.z : max.z};
    if (plane.distance(near) >= 0) mask &= ~(1u << p);
  }
  return true;
}

// The part's device buffer, made and filled at its first draw.
DeviceMesh* deviceMeshOf(BSPPart& part, SceneDevice& device) {
  if (part.device) return part.device.get();
  const auto vertices = static_cast<int32_t>(part.vertices.size());
  const auto triangles = static_cast<int32_t>(part.indices.size() / 3);
  std::unique_ptr<DeviceMesh> mesh = device.createMesh(vertices, triangles, 0);
  if (!mesh) return nullptr;
  DeviceVertex* v = mesh->lockVertices(0, vertices);
  if (!v) return nullptr;
  std::copy(part.vertices.begin(), part.vertices.end(), v);
  mesh->unlockVertices();
  uint16_t* t = mesh->lockTriangles(0, triangles);
  if (!t) return nullptr;
  std::copy(part.indices.begin(), part.indices.end(), t);
  mesh->unlockTriangles();
  part.device = std::move(mesh);
  return part.device.get();
}

}  // namespace

void BSPModel::markVisibleFaces(const RenderContext& context) {
  const BSPLevel& level = *level_;
  faceMarks_.resize(level.faces.size());
  nodeMarks_.resize(level.nodes.size());
  if (++pass_ == 0) {
    std::fill(faceMarks_.begin(), faceMarks_.end(), 0);
    std::fill(nodeMarks_.begin(), nodeMarks_.end(), 0);
    pass_ = 1;
  }
  const Transform toLevel = inverse(renderTransform());
  const int32_t eyeLeaf = leafAt(toLevel * context.eye.pos);
  const int32_t eyeCluster = eyeLeaf >= 0 ? level.leaves[eyeLeaf].cluster : -1;
  const Frustum frustum = context.frustum.transformed(toLevel);

  // Children still to visit, with the planes their parent straddled.
  std::vector<std::pair<int32_t, uint32_t>>& pending = pending_;
  pending.clear();
  if (level.nodes.empty()) {
    if (!level.leaves.empty()) pending.push_back({-1, kAllPlanes});
  } else {
    pending.push_back({0, kAllPlanes});
  }
  while (!pending.empty()) {
    auto [child, mask] = pending.back();
    pending.pop_back();
    if (child >= 0) {
      if (nodeMarks_[child] == pass_) continue;
      nodeMarks_[child] = pass_;
      const BSPNode& node = level.nodes[child];
      if (!boxInView(frustum, node.min, node.max, mask)) continue;
      for (int32_t next : node.children)
        if (next != BSPNode::kNoChild) pending.push_back({next, mask});
      continue;
    }
    const BSPLeaf& leaf = level.leaves[-1 - child];
    if (!level.clusterVisible(eyeCluster, leaf.cluster) || !boxInView(frustum, leaf.min, leaf.max, mask)) continue;
    for (int32_t i = 0; i < leaf.leafFaceCount; ++i) {
      const int32_t face = level.leafFaces[leaf.firstLeafFace + i];
      if (face >= 0) faceMarks_[face] = pass_;
    }
  }
}

void BSPModel::render(const RenderContext& context) {
  BSPLevel& level = *level_;
  if (level.faces.empty()) return;
  if (!drawnBrushesValid_) makeDrawnBrushes();
  markVisibleFaces(context);
  context.device.setAmbient2(ambient_);
  for (BSPPart& part : level.parts) {
    DeviceMesh* mesh = nullptr;
    int32_t first = 0, count = 0;
    auto flush = [&] {
      if (!count) return;
      if (!mesh) mesh = deviceMeshOf(part, context.device);
      if (mesh)
        enqueue(*mesh, 0, static_cast<int32_t>(part.vertices.size()), first, count, drawnBrushes_[part.batch]);
      count = 0;
    };
    for (int32_t f = part.firstFace; f < part.firstFace + part.faceCount; ++f) {
      if (faceMarks_[f] != pass_) continue;
      const BSPFace& face = level.faces[f];
      if (count && first + count == face.firstTriangle) {
        count += face.triangleCount;
        continue;
      }
      flush();
      first = face.firstTriangle;
      count = face.triangleCount;
    }
    flush();
  }
}

}  // namespace vx
