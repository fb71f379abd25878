#pragma once
// The loader matrix L of a model file's extension as foreign-format loaders
// apply it: points by L, normals by its cofactor matrix, matrices of the
// file's nodes as L·M·L⁻¹, rotations turned through L. A mirroring L (a
// negative determinant) reverses every triangle's winding so that faces
// stay front-facing, and its normals are turned back outwards to match.

#include <cstdint>
#include <utility>

#include "engine3d/math3d.h"

namespace vx {

class LoaderSpace {
 public:
  explicit LoaderSpace(const Matrix& l)
      : l_(l), identity_(l == Matrix{}), mirrored_(determinant(l) < 0) {
    if (identity_) return;
    inverse_ = inverse(l);
    normals_ = cofactor(l);
    if (mirrored_) normals_ = {-normals_.i, -normals_.j, -normals_.k};
  }

  bool mirrored() const { return mirrored_; }
  Vector point(Vector p) const { return identity_ ? p : l_ * p; }
  Vector normal(Vector n) const { return identity_ ? n : normalise(normals_ * n); }
  Transform transform(const Transform& m) const {
    return identity_ ? m : Transform{l_ * m.m * inverse_, l_ * m.pos};
  }
  Quat rotation(Quat q) const { return identity_ ? q : quatFromMatrix(l_ * matrixFromQuat(q) * inverse_); }
  // The corners of a triangle in the order that keeps it front-facing.
  void wind(int32_t& b, int32_t& c) const {
    if (mirrored_) std::swap(b, c);
  }

 private:
  Matrix l_;
  Matrix inverse_;
  Matrix normals_;
  bool identity_;
  bool mirrored_;
};

}  // namespace vx
