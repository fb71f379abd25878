#include "engine3d/primitives.h"

#include <cmath>

#include "engine3d/mesh.h"

namespace vx {

namespace {

int32_t add(MeshSurface& surface, Vector position, Vector normal, float u, float v) {
  Vertex vertex;
  vertex.setPosition(position);
  vertex.setNormal(normal);
  vertex.u0 = vertex.u1 = u;
  vertex.v0 = vertex.v1 = v;
  return surface.addVertex(vertex);
}

// The point of the unit circle at angle on the ring, as the round
// primitives lay it out: angle 0 at +z, turning towards -x.
Vector ring(int32_t i, int32_t segments, float y) {
  const float phi = static_cast<float>(i % segments) * kTwoPi / static_cast<float>(segments);
  return {-std::sin(phi), y, std::cos(phi)};
}

// Cap coordinates: the x, z square mapped onto 0..1.
void addCapVertex(MeshSurface& surface, Vector position, Vector normal) {
  add(surface, position, normal, (position.x + 1) / 2, (position.z + 1) / 2);
}

}  // namespace

Mesh* createCube() {
  static constexpr int kFaces[6][4] = {{2, 3, 1, 0}, {3, 7, 5, 1}, {7, 6, 4, 5},
                                       {6, 2, 0, 4}, {6, 7, 3, 2}, {0, 1, 5, 4}};
  static constexpr Vector kNormals[6] = {{0, 0, -1}, {1, 0, 0}, {0, 0, 1}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
  static constexpr float kU[4] = {0, 1, 1, 0}, kV[4] = {0, 0, 1, 1};
  auto* mesh = new Mesh;
  MeshSurface& surface = mesh->createSurface(Brush());
  for (int f = 0; f < 6; ++f) {
    for (int c = 0; c < 4; ++c) {
      const int corner = kFaces[f][c];
      const Vector p{corner & 1 ? 1.0f : -1.0f, corner & 2 ? 1.0f : -1.0f, corner & 4 ? 1.0f : -1.0f};
      add(surface, p, kNormals[f], kU[c], kV[c]);
    }
    surface.addTriangle(4 * f, 4 * f + 1, 4 * f + 2);
    surface.addTriangle(4 * f, 4 * f + 2, 4 * f + 3);
  }
  return mesh;
}

Mesh* createSphere(int32_t segments) {
  const int32_t s = segments, n = 2 * s;
  auto* mesh = new Mesh;
  MeshSurface& surface = mesh->createSurface(Brush());
  const Vector up{0, 1, 0}, down{0, -1, 0};
  for (int32_t i = 0; i < n; ++i) add(surface, up, up, (static_cast<float>(i) + 0.5f) / n, 0);
  for (int32_t r = 1; r < s; ++r) {
    const float theta = static_cast<float>(r) * kPi / static_cast<float>(s) - kHalfPi;
    for (int32_t j = 0; j <= n; ++j) {
      const Vector circle = ring(j, n, 0);
      const Vector p{circle.x * std::cos(theta), -std::sin(theta), circle.z * std::cos(theta)};
      add(surface, p, p, static_cast<float>(j) / n, static_cast<float>(r) / s);
    }
  }
  const int32_t bottom = surface.vertexCount();
  for (int32_t i = 0; i < n; ++i) add(surface, down, down, (static_cast<float>(i) + 0.5f) / n, 1);

  // Vertex j of row r (1..s-1).
  auto row = [n](int32_t r, int32_t j) { return n + (r - 1) * (n + 1) + j; };
  for (int32_t i = 0; i < n; ++i) surface.addTriangle(i, row(1, i + 1), row(1, i));
  for (int32_t r = 1; r < s - 1; ++r)
    for (int32_t j = 0; j < n; ++j) {
      surface.addTriangle(row(r, j), row(r, j + 1), row(r + 1, j + 1));
      surface.addTriangle(row(r, j), row(r + 1, j + 1), row(r + 1, j));
    }
  for (int32_t i = 0; i < n; ++i) surface.addTriangle(row(s - 1, i), row(s - 1, i + 1), bottom + i);
  return mesh;
}

Mesh* createCylinder(int32_t segments, bool solid) {
  const int32_t s = segments;
  auto* mesh = new Mesh;
  const Brush brush;
  MeshSurface& side = mesh->createSurface(brush);
  for (int32_t i = 0; i <= s; ++i) {
    const Vector normal = ring(i, s, 0);
    const float u = static_cast<float>(i) / s;
    add(side, ring(i, s, 1), normal, u, 0);
    add(side, ring(i, s, -1), normal, u, 1);
  }
  for (int32_t i = 0; i < s; ++i) {
    side.addTriangle(2 * i, 2 * i + 2, 2 * i + 3);
    side.addTriangle(2 * i, 2 * i + 3, 2 * i + 1);
  }
  if (!solid) return mesh;
  MeshSurface& caps = mesh->createSurface(brush);
  for (int32_t i = 0; i < s; ++i) {
    addCapVertex(caps, ring(i, s, 1), {0, 1, 0});
    addCapVertex(caps, ring(i, s, -1), {0, -1, 0});
  }
  for (int32_t i = 2; i < s; ++i) {
    caps.addTriangle(0, 2 * i, 2 * i - 2);
    caps.addTriangle(1, 2 * i - 1, 2 * i + 1);
  }
  return mesh;
}

Mesh* createCone(int32_t segments, bool solid) {
  const int32_t s = segments;
  auto* mesh = new Mesh;
  const Brush brush;
  MeshSurface& side = mesh->createSurface(brush);
  const Vector apex{0, 1, 0};
  for (int32_t i = 0; i < s; ++i) add(side, apex, apex, (static_cast<float>(i) + 0.5f) / s, 0);
  for (int32_t i = 0; i <= s; ++i) add(side, ring(i, s, -1), ring(i, s, 0), static_cast<float>(i) / s, 1);
  for (int32_t i = 0; i < s; ++i) side.addTriangle(i, s + i + 1, s + i);
  if (!solid) return mesh;
  MeshSurface& base = mesh->createSurface(brush);
  for (int32_t i = 0; i < s; ++i) addCapVertex(base, ring(i, s, -1), ring(i, s, 0));
  for (int32_t i = 2; i < s; ++i) base.addTriangle(0, i - 1, i);
  return mesh;
}

}  // namespace vx
