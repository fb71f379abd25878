// Drawing a level for one camera. The eye's leaf gives its cluster; the
// tree is walked from the root, the child on the eye's side of each node
// first, with a mask of the view planes the box of each node still
// straddles, leaving out nodes wholly outside one plane and leaves the
// eye's cluster cannot see; the faces of the leaves left are marked, each
// once, in the order the walk reaches them: nearest first.
//
// A software rasterizer pays for every textured pixel that passes the
// depth test, so what is near is drawn first and hides what lies behind
// it: the nearest opaque faces one by one, then the rest part by part (in
// the order the walk reached the parts) in runs of consecutive marked
// faces.

#include <algorithm>
#include <utility>

#include "engine3d/render_context.h"
#include "world3d/bsp_model.h"

namespace vx {

namespace {

constexpr uint32_t kAllPlanes = (1u << 6) - 1;

// How many of the nearest faces are drawn on their own. They cover most
// of the picture; each costs a draw, so past a hundred or two the pixels
// they spare no longer pay for the draws.
constexpr size_t kNearFaces = 128;

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
  partMarks_.resize(level.parts.size());
  visibleFaces_.clear();
  visibleParts_.clear();
  if (++pass_ == 0) {
    std::fill(faceMarks_.begin(), faceMarks_.end(), 0);
    std::fill(nodeMarks_.begin(), nodeMarks_.end(), 0);
    std::fill(partMarks_.begin(), partMarks_.end(), 0);
    pass_ = 1;
  }
  const Transform toLevel = inverse(renderTransform());
  const Vector eye = toLevel * context.eye.pos;
  const int32_t eyeLeaf = leafAt(eye);
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
      // The child on the eye's side goes on the stack last: it is walked first.
      const int nearSide = node.plane.distance(eye) >= 0 ? 0 : 1;
      for (int32_t next : {node.children[1 - nearSide], node.children[nearSide]})
        if (next != BSPNode::kNoChild) pending.push_back({next, mask});
      continue;
    }
    const BSPLeaf& leaf = level.leaves[-1 - child];
    if (!level.clusterVisible(eyeCluster, leaf.cluster) || !boxInView(frustum, leaf.min, leaf.max, mask)) continue;
    for (int32_t i = 0; i < leaf.leafFaceCount; ++i) {
      const int32_t face = level.leafFaces[leaf.firstLeafFace + i];
      if (face < 0 || faceMarks_[face] == pass_) continue;
      faceMarks_[face] = pass_;
      visibleFaces_.push_back(face);
      const int32_t part = level.faces[face].part;
      if (partMarks_[part] == pass_) continue;
      partMarks_[part] = pass_;
      visibleParts_.push_back(part);
    }
  }
}

void BSPModel::render(const RenderContext& context) {
  BSPLevel& level = *level_;
  if (level.faces.empty()) return;
  if (!drawnBrushesValid_) makeDrawnBrushes();
  markVisibleFaces(context);
  context.device.setAmbient2(ambient_);
  // The model's queue draws the last queued first: what is to be drawn
  // first goes in last.
  std::vector<int32_t>& nearFaces = nearFaces_;
  nearFaces.clear();
  for (int32_t face : visibleFaces_) {
    if (nearFaces.size() == kNearFaces) break;
    const BSPPart& part = level.parts[level.faces[face].part];
    if (drawnBrushes_[part.batch].effectiveBlend()) continue;  // blended faces keep the parts' order
    nearFaces.push_back(face);
    faceMarks_[face] = 0;  // drawn on its own, not in its part's runs
  }
  for (auto order = visibleParts_.rbegin(); order != visibleParts_.rend(); ++order) {
    BSPPart& part = level.parts[*order];
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
  for (auto near = nearFaces.rbegin(); near != nearFaces.rend(); ++near) {
    const BSPFace& face = level.faces[*near];
    BSPPart& part = level.parts[face.part];
    if (DeviceMesh* mesh = deviceMeshOf(part, context.device))
      enqueue(*mesh, 0, static_cast<int32_t>(part.vertices.size()), face.firstTriangle, face.triangleCount,
              drawnBrushes_[part.batch]);
  }
}

}  // namespace vx
