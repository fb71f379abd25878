#include "world3d/terrain_grid.h"

#include <algorithm>
#include <cstdlib>

namespace vx {

namespace {

// Twice the signed area of a, b, c in (x, z); positive when the corners run
// the way the tree's triangles do (apex, left, right).
int64_t turn(GridPoint a, GridPoint b, GridPoint c) {
  return int64_t(b.x - a.x) * (c.z - a.z) - int64_t(b.z - a.z) * (c.x - a.x);
}

bool holds(const GridTriangle& t, GridPoint p) {
  return turn(t.apex, t.left, p) >= 0 && turn(t.left, t.right, p) >= 0 && turn(t.right, t.apex, p) >= 0;
}

}  // namespace

TerrainGrid::TerrainGrid(int exponent)
    : exponent_(exponent),
      size_(1 << exponent),
      mask_(size_ - 1),
      heights_(static_cast<size_t>(size_) * static_cast<size_t>(size_)),
      tree_(2 * static_cast<size_t>(size_) * static_cast<size_t>(size_)) {}

GridTriangle TerrainGrid::root(uint32_t node) const {
  const GridPoint a{0, 0}, b{size_, 0}, c{size_, size_}, d{0, size_};
  return node == kRootA ? GridTriangle{b, c, a} : GridTriangle{d, a, c};
}

TreeEntry TerrainGrid::combine(uint32_t node, const GridTriangle& t) const {
  const uint8_t l = byteAt(t.left.x, t.left.z), r = byteAt(t.right.x, t.right.z);
  TreeEntry entry{0, std::max({byteAt(t.apex.x, t.apex.z), l, r})};
  if (node >= storedNodes()) return entry;
  // |h(M) - (h(L) + h(R)) / 2| in 1/255, rounded up: exact in halves, so
  // a midpoint that lies on the flat triangle has error 0.
  const GridPoint m = t.midpoint();
  const int deviation = std::abs(2 * byteAt(m.x, m.z) - l - r);
  entry.error = static_cast<uint8_t>(std::min(255, (deviation + 1) / 2));
  for (uint32_t half = 2 * node; half <= 2 * node + 1; ++half) {
    const TreeEntry h = half < storedNodes() ? tree_[half] : combine(half, half & 1 ? t.oddHalf() : t.evenHalf());
    entry.error = std::max(entry.error, h.error);
    entry.bound = std::max(entry.bound, h.bound);
  }
  return entry;
}

TreeEntry TerrainGrid::build(uint32_t node, const GridTriangle& t) {
  if (node >= storedNodes()) return combine(node, t);
  build(2 * node + 1, t.oddHalf());
  build(2 * node, t.evenHalf());
  return tree_[node] = combine(node, t);
}

const std::vector<TreeEntry>& TerrainGrid::tree() {
  if (!treeValid_) {
    build(kRootA, root(kRootA));
    build(kRootB, root(kRootB));
    treeValid_ = true;
  }
  return tree_;
}

uint8_t TerrainGrid::highest() {
  tree();
  return std::max(combine(kRootA, root(kRootA)).bound, combine(kRootB, root(kRootB)).bound);
}

void TerrainGrid::refresh(uint32_t node, const GridTriangle& t, const GridPoint* points, int count) {
  if (node >= storedNodes()) return;
  if (std::none_of(points, points + count, [&t](GridPoint p) { return holds(t, p); })) return;
  refresh(2 * node + 1, t.oddHalf(), points, count);
  refresh(2 * node, t.evenHalf(), points, count);
  tree_[node] = combine(node, t);
}

void TerrainGrid::setByte(int32_t x, int32_t z, uint8_t value, bool refreshNow) {
  heights_[index(x, z)] = value;
  if (!refreshNow || !treeValid_) {
    treeValid_ = false;
    return;
  }
  // The point sits on the far edges too where the grid wraps.
  x &= mask_;
  z &= mask_;
  GridPoint points[4] = {{x, z}};
  int count = 1;
  if (x == 0) points[count++] = {size_, z};
  if (z == 0) points[count++] = {x, size_};
  if (x == 0 && z == 0) points[count++] = {size_, size_};
  refresh(kRootA, root(kRootA), points, count);
  refresh(kRootB, root(kRootB), points, count);
}

}  // namespace vx
