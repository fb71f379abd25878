#pragma once
// The data of a terrain: a square grid of height bytes and its error tree.
//
// The grid is n by n bytes (n a power of two), a height being byte / 255;
// coordinates wrap, so x = n reads the same height as x = 0. The field is
// cut into two right triangles along its diagonal and each triangle splits
// at the midpoint of its hypotenuse into two halves, down to triangles one
// grid unit across. Triangles are numbered as a binary tree: the two roots
// are 2 and 3, the halves of k are 2k and 2k + 1. For every triangle
// numbered below 2n^2 the tree keeps two bytes: how far the heights inside
// it stray from the flat triangle (its error, the largest height a split
// would move a midpoint, in 1/255) and the greatest height inside it.
// Rendering splits triangles by error; collisions skip flat regions whole.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vx {

struct GridPoint {
  int32_t x = 0, z = 0;
  friend bool operator==(GridPoint, GridPoint) = default;
};

// A triangle of the tree: apex, and the hypotenuse from left to right.
// Seen from above (+y) its corners run clockwise apex, right, left.
struct GridTriangle {
  GridPoint apex, left, right;

  GridPoint midpoint() const { return {(left.x + right.x) / 2, (left.z + right.z) / 2}; }
  // The halves of node k: 2k + 1 (hypotenuse apex to left) and 2k
  // (hypotenuse right to apex).
  GridTriangle oddHalf() const { return {midpoint(), apex, left}; }
  GridTriangle evenHalf() const { return {midpoint(), right, apex}; }
};

struct TreeEntry {
  uint8_t error = 0;  // 1/255 units
  uint8_t bound = 0;  // greatest height, 1/255 units
};

class TerrainGrid {
 public:
  static constexpr int kMaxExponent = 13;  // 8192 a side
  static constexpr uint32_t kRootA = 2, kRootB = 3;

  // A flat grid of 2^exponent a side (0..kMaxExponent); throws
  // std::bad_alloc when the memory cannot be had.
  explicit TerrainGrid(int exponent);

  int exponent() const { return exponent_; }
  int32_t size() const { return size_; }
  uint8_t byteAt(int32_t x, int32_t z) const { return heights_[index(x, z)]; }
  float height(int32_t x, int32_t z) const { return byteAt(x, z) / 255.0f; }
  // With refresh the tree is brought up to date along the triangles that
  // hold the point; otherwise it is rebuilt whole when next asked for.
  void setByte(int32_t x, int32_t z, uint8_t value, bool refresh);

  // The error tree, rebuilt first when a change left it stale.
  const std::vector<TreeEntry>& tree();
  bool treeValid() const { return treeValid_; }
  // Triangles numbered below this are kept in the tree.
  uint32_t storedNodes() const { return static_cast<uint32_t>(tree_.size()); }
  // The two roots, numbered 2 and 3.
  GridTriangle root(uint32_t node) const;
  // The greatest height of the whole field, in 1/255.
  uint8_t highest();

 private:
  size_t index(int32_t x, int32_t z) const {
    return static_cast<size_t>(z & mask_) * static_cast<size_t>(size_) + static_cast<size_t>(x & mask_);
  }
  // The entry of node k from its corners, its midpoint and its halves'
  // entries (computed on the spot for halves beyond the tree).
  TreeEntry combine(uint32_t node, const GridTriangle& t) const;
  TreeEntry build(uint32_t node, const GridTriangle& t);
  void refresh(uint32_t node, const GridTriangle& t, const GridPoint* points, int count);

  int exponent_;
  int32_t size_, mask_;
  std::vector<uint8_t> heights_;
  std::vector<TreeEntry> tree_;
  bool treeValid_ = true;
};

}  // namespace vx
