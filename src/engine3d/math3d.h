#pragma once
// The value types of the 3D engine and their formulas, all in single
// precision. Left-handed: +x right, +y up, +z forward. A Transform maps a
// point p to i*p.x + j*p.y + k*p.z + pos; as a 4x4 row-vector matrix its rows
// are i, j, k and pos, which is how the scene device takes it.
//
// Angles are radians here; the command layer converts degrees.

namespace vx {

inline constexpr float kDegToRad = 0.017453292f;
inline constexpr float kRadToDeg = 57.29578f;
inline constexpr float kPi = 3.1415927f;
inline constexpr float kTwoPi = 6.2831855f;
inline constexpr float kHalfPi = 1.5707964f;
inline constexpr float kQuarterPi = 0.7853982f;
inline constexpr float kColorScale = 0.003921569f;  // 0..255 channel to 0..1

struct Vector {
  float x = 0, y = 0, z = 0;

  Vector& operator+=(Vector o) {
    x += o.x, y += o.y, z += o.z;
    return *this;
  }
  Vector& operator-=(Vector o) {
    x -= o.x, y -= o.y, z -= o.z;
    return *this;
  }
  Vector& operator*=(float s) {
    x *= s, y *= s, z *= s;
    return *this;
  }
  friend bool operator==(Vector, Vector) = default;
};

inline Vector operator+(Vector a, Vector b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vector operator-(Vector a, Vector b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vector operator-(Vector a) { return {-a.x, -a.y, -a.z}; }
inline Vector operator*(Vector a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vector operator/(Vector a, float s) { return {a.x / s, a.y / s, a.z / s}; }
// Component-wise product and quotient.
inline Vector scaled(Vector a, Vector b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
inline Vector divided(Vector a, Vector b) { return {a.x / b.x, a.y / b.y, a.z / b.z}; }
inline float dot(Vector a, Vector b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vector cross(Vector a, Vector b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float length(Vector v);
// Divides by the length; a zero vector gives not-a-number components.
Vector normalise(Vector v);
float distance(Vector a, Vector b);

// The angles of a direction: yaw turns +z towards -x, pitch turns it down.
float yawOf(Vector v);
float pitchOf(Vector v);

// Unit quaternions stand for rotations; w is the scalar part.
struct Quat {
  float w = 1, x = 0, y = 0, z = 0;
  friend bool operator==(Quat, Quat) = default;
};

// (w1,v1)*(w2,v2) = (w1*w2 - v1.v2, w1*v2 + w2*v1 + v1 x v2). With the
// matrices below, a*b turns by a first (about the own axes) and then by b.
Quat operator*(Quat a, Quat b);
inline Quat operator+(Quat a, Quat b) { return {a.w + b.w, a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Quat operator*(Quat q, float s) { return {q.w * s, q.x * s, q.y * s, q.z * s}; }
inline Quat operator-(Quat q) { return {-q.w, -q.x, -q.y, -q.z}; }
inline float dot(Quat a, Quat b) { return a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z; }
// The inverse of a unit quaternion.
inline Quat conjugate(Quat q) { return {q.w, -q.x, -q.y, -q.z}; }
Quat normalise(Quat q);

// The rotation of pitch, yaw and roll: roll about z first, then pitch about
// x, then yaw about y. Yaw pi/2 maps +z to -x, pitch pi/2 maps +z to -y,
// roll pi/2 maps +x to +y.
Quat rotationFromAngles(float pitch, float yaw, float roll);

// Spherical interpolation along the shorter arc; the weighted sum is not
// renormalised.
Quat slerp(Quat a, Quat b, float t);

// i, j and k are the images of the x, y and z axes.
struct Matrix {
  Vector i{1, 0, 0}, j{0, 1, 0}, k{0, 0, 1};
  friend bool operator==(const Matrix&, const Matrix&) = default;
};

inline Vector operator*(const Matrix& m, Vector v) { return m.i * v.x + m.j * v.y + m.k * v.z; }
// (a*b)*v = a*(b*v).
inline Matrix operator*(const Matrix& a, const Matrix& b) { return {a * b.i, a * b.j, a * b.k}; }
float determinant(const Matrix& m);
// The adjugate divided by the determinant; a singular matrix gives
// infinities.
Matrix inverse(const Matrix& m);
// The adjugate without the division: takes normals along with m.
Matrix cofactor(const Matrix& m);
Matrix matrixFromQuat(Quat q);
// Orthonormalises first (k kept, i from j x k, j from k x i), so the axes
// may carry scale.
Quat quatFromMatrix(const Matrix& m);
// Turns by an angle in radians about y, x and z.
Matrix yawMatrix(float yaw);
Matrix pitchMatrix(float pitch);
Matrix rollMatrix(float roll);
// The axes scaled by scale.x, scale.y and scale.z.
Matrix scaledAxes(const Matrix& m, Vector scale);

// An orientation's angles: pitch and yaw of its k axis; roll of what is left
// once the yaw and then the pitch are taken away.
float pitchOf(const Matrix& m);
float yawOf(const Matrix& m);
float rollOf(const Matrix& m);

struct Transform {
  Matrix m;
  Vector pos;
  friend bool operator==(const Transform&, const Transform&) = default;
};

inline Vector operator*(const Transform& t, Vector p) { return t.m * p + t.pos; }
inline Transform operator*(const Transform& a, const Transform& b) { return {a.m * b.m, a.m * b.pos + a.pos}; }
Transform inverse(const Transform& t);

// The points p with n.p + d >= 0 are on its inner side.
struct ClipPlane {
  Vector n;
  float d = 0;
  float distance(Vector p) const { return dot(n, p) + d; }
  bool inside(Vector p) const { return distance(p) >= 0; }
};

// An angle difference wrapped into [-pi, pi).
float wrapAngle(float angle);

// Turns rotation so that its axis (0 x, 1 y, 2 z) points towards target by
// the fraction rate. False, with rotation unchanged, when the axis already
// points there or the target is shorter than 1e-6.
bool alignAxis(Quat& rotation, int axis, Vector target, float rate);

}  // namespace vx
