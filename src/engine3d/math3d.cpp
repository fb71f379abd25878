#include "engine3d/math3d.h"

#include <cmath>

namespace vx {

float length(Vector v) { return std::sqrt(dot(v, v)); }

Vector normalise(Vector v) { return v / length(v); }

float distance(Vector a, Vector b) { return length(b - a); }

float yawOf(Vector v) { return -std::atan2(v.x, v.z); }

float pitchOf(Vector v) { return -std::atan2(v.y, std::sqrt(v.x * v.x + v.z * v.z)); }

Quat operator*(Quat a, Quat b) {
  const Vector va{a.x, a.y, a.z}, vb{b.x, b.y, b.z};
  const Vector v = vb * a.w + va * b.w + cross(va, vb);
  return {a.w * b.w - dot(va, vb), v.x, v.y, v.z};
}

Quat normalise(Quat q) {
  const float size = std::sqrt(dot(q, q));
  return {q.w / size, q.x / size, q.y / size, q.z / size};
}

Quat rotationFromAngles(float pitch, float yaw, float roll) {
  const Quat qp{std::cos(-pitch / 2), std::sin(-pitch / 2), 0, 0};
  const Quat qy{std::cos(yaw / 2), 0, std::sin(yaw / 2), 0};
  const Quat qr{std::cos(-roll / 2), 0, 0, std::sin(-roll / 2)};
  return qr * (qp * qy);
}

Quat slerp(Quat a, Quat b, float t) {
  float d = dot(a, b);
  if (d < 0) {
    d = -d;
    b = -b;
  }
  float wa = 1 - t, wb = t;
  if (d < 0.999999f) {
    const float theta = std::acos(d);
    const float s = std::sin(theta);
    wa = std::sin((1 - t) * theta) / s;
    wb = std::sin(t * theta) / s;
  }
  return a * wa + b * wb;
}

float determinant(const Matrix& m) { return dot(m.i, cross(m.j, m.k)); }

Matrix cofactor(const Matrix& m) { return {cross(m.j, m.k), cross(m.k, m.i), cross(m.i, m.j)}; }

Matrix inverse(const Matrix& m) {
  // The adjugate is the transposed cofactor matrix.
  const Matrix c = cofactor(m);
  const float d = determinant(m);
  return {Vector{c.i.x, c.j.x, c.k.x} / d, Vector{c.i.y, c.j.y, c.k.y} / d, Vector{c.i.z, c.j.z, c.k.z} / d};
}

Matrix matrixFromQuat(Quat q) {
  const float w = q.w, x = q.x, y = q.y, z = q.z;
  return {
      {1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)},
      {2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)},
      {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)},
  };
}

Quat quatFromMatrix(const Matrix& axes) {
  const Vector k = normalise(axes.k);
  const Vector i = normalise(cross(axes.j, k));
  const Vector j = cross(k, i);
  const float t = i.x + j.y + k.z;
  Quat q;
  if (t > 1e-6f) {
    const float s = 2 * std::sqrt(t + 1);
    q = {s / 4, (k.y - j.z) / s, (i.z - k.x) / s, (j.x - i.y) / s};
  } else if (i.x > j.y && i.x > k.z) {
    const float s = 2 * std::sqrt(i.x - j.y - k.z + 1);
    q = {(k.y - j.z) / s, s / 4, (j.x + i.y) / s, (i.z + k.x) / s};
  } else if (j.y > k.z) {
    const float s = 2 * std::sqrt(j.y - k.z - i.x + 1);
    q = {(i.z - k.x) / s, (j.x + i.y) / s, s / 4, (k.y + j.z) / s};
  } else {
    const float s = 2 * std::sqrt(k.z - j.y - i.x + 1);
    q = {(j.x - i.y) / s, (i.z + k.x) / s, (k.y + j.z) / s, s / 4};
  }
  return q;
}

Matrix yawMatrix(float yaw) {
  const float c = std::cos(yaw), s = std::sin(yaw);
  return {{c, 0, s}, {0, 1, 0}, {-s, 0, c}};
}

Matrix pitchMatrix(float pitch) {
  const float c = std::cos(pitch), s = std::sin(pitch);
  return {{1, 0, 0}, {0, c, s}, {0, -s, c}};
}

Matrix rollMatrix(float roll) {
  const float c = std::cos(roll), s = std::sin(roll);
  return {{c, s, 0}, {-s, c, 0}, {0, 0, 1}};
}

Matrix scaledAxes(const Matrix& m, Vector scale) { return {m.i * scale.x, m.j * scale.y, m.k * scale.z}; }

float pitchOf(const Matrix& m) { return pitchOf(m.k); }

float yawOf(const Matrix& m) { return yawOf(m.k); }

float rollOf(const Matrix& m) {
  const Matrix rest = pitchMatrix(-pitchOf(m.k)) * (yawMatrix(-yawOf(m.k)) * m);
  return std::atan2(rest.i.y, rest.i.x);
}

Transform inverse(const Transform& t) {
  const Matrix m = inverse(t.m);
  return {m, -(m * t.pos)};
}

float wrapAngle(float angle) {
  if (angle < -kPi) return angle + kTwoPi;
  if (angle >= kPi) return angle - kTwoPi;
  return angle;
}

bool alignAxis(Quat& rotation, int axis, Vector target, float rate) {
  const float size = length(target);
  if (!(size > 1e-6f)) return false;
  const Matrix m = matrixFromQuat(rotation);
  const Vector axes[3] = {m.i, m.j, m.k};
  const Vector u = axes[axis];
  const Vector v = target / size;
  const float c = dot(u, v);
  if (c >= 0.999999f) return false;
  Vector about;
  float angle;
  if (c <= -0.999999f) {
    // Facing away: any perpendicular axis will do; take the next one of the
    // entity's own.
    about = axes[(axis + 1) % 3];
    angle = rate * kPi;
  } else {
    about = normalise(cross(v, u));
    angle = std::acos(c) * rate;
  }
  const float s = std::sin(angle / 2);
  const Quat turn{std::cos(angle / 2), about.x * s, about.y * s, about.z * s};
  // The turn is about a world axis, so it comes after the current rotation.
  rotation = rotation * turn;
  return true;
}

}  // namespace vx
