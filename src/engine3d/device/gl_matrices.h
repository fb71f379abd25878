#pragma once
// The engine's row-vector matrices as OpenGL takes them. A row-vector
// matrix written out row by row is exactly OpenGL's column-major layout of
// the same transformation, so nothing is transposed. What differs is depth:
// the engine's projections give z from 0 to w, OpenGL clips z from -w to w,
// so every projection is followed by z' = 2z - w.

#include "engine3d/math3d.h"

namespace vx {

struct GlMatrix {
  float m[16];
};

// Rows i, j, k and pos.
GlMatrix glMatrixOf(const Transform& transform);
GlMatrix glIdentity();
GlMatrix glPerspective(float nearZ, float farZ, float width, float height);
GlMatrix glOrtho(float nearZ, float farZ, float width, float height);
// A texture transform of two-component coordinates: they enter as
// (u, v, 1, 0), so the k row moves them, as the engine's textures expect;
// OpenGL feeds (s, t, 0, 1), so k takes the place of the translation.
GlMatrix glTextureMatrix(const Transform& transform);
// Camera-space normals (x, y from -1..1) to sphere-map coordinates 0..1,
// v running downwards.
GlMatrix glSphereMapMatrix();
// The rotation part of view transposed: camera-space vectors back into the
// world, so that cube maps stay fixed in the world.
GlMatrix glTransposedRotation(const Transform& view);

}  // namespace vx
