#include "engine3d/device/gl_matrices.h"

namespace vx {

namespace {

GlMatrix rows(Vector i, float iw, Vector j, float jw, Vector k, float kw, Vector p, float pw) {
  return {{i.x, i.y, i.z, iw, j.x, j.y, j.z, jw, k.x, k.y, k.z, kw, p.x, p.y, p.z, pw}};
}

}  // namespace

GlMatrix glMatrixOf(const Transform& t) { return rows(t.m.i, 0, t.m.j, 0, t.m.k, 0, t.pos, 1); }

GlMatrix glIdentity() { return glMatrixOf(Transform{}); }

// Perspective: m11 = 2n/w, m22 = 2n/h, m33 = f/(f-n), m43 = -nf/(f-n),
// m34 = 1; after the depth change m33 = 2f/(f-n) - 1, m43 = -2nf/(f-n).
GlMatrix glPerspective(float n, float f, float w, float h) {
  const float q = f / (f - n);
  return rows({2 * n / w, 0, 0}, 0, {0, 2 * n / h, 0}, 0, {0, 0, 2 * q - 1}, 1, {0, 0, -2 * n * q}, 0);
}

// Orthographic: m11 = 2/w, m22 = 2/h, m33 = 1/(f-n), m43 = -n/(f-n), m44 = 1.
GlMatrix glOrtho(float n, float f, float w, float h) {
  const float q = 1 / (f - n);
  return rows({2 / w, 0, 0}, 0, {0, 2 / h, 0}, 0, {0, 0, 2 * q}, 0, {0, 0, -2 * n * q - 1}, 1);
}

GlMatrix glTextureMatrix(const Transform& t) { return rows(t.m.i, 0, t.m.j, 0, {0, 0, 1}, 0, t.m.k, 1); }

GlMatrix glSphereMapMatrix() { return rows({0.5f, 0, 0}, 0, {0, -0.5f, 0}, 0, {0, 0, 0}, 0, {0.5f, 0.5f, 0}, 1); }

GlMatrix glTransposedRotation(const Transform& view) {
  const Matrix& m = view.m;
  return rows({m.i.x, m.j.x, m.k.x}, 0, {m.i.y, m.j.y, m.k.y}, 0, {m.i.z, m.j.z, m.k.z}, 0, {0, 0, 0}, 1);
}

}  // namespace vx
