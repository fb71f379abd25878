#include "world3d/md2_model.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine3d/render_context.h"

namespace vx {

namespace {

// The three position bytes of a packed vertex, scaled and moved; lane 3
// is zero since the frame's scale and translate are.
inline __m128 positionOf(uint32_t packed, __m128 scale, __m128 translate) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i bytes = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(int(packed)), zero), zero);
  return _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(bytes), scale), translate);
}

inline __m128 normalOf(uint32_t packed) { return _mm_load_ps(kMD2Normals[packed >> 24].v); }

inline __m128 lerp(__m128 a, __m128 b, __m128 t) { return _mm_add_ps(a, _mm_mul_ps(_mm_sub_ps(b, a), t)); }

// Positions and normals between frames f0 and f1 by fraction, for every
// vertex of the file; with from, blended from that pose by progress. out
// may be from.
void interpolate(const MD2Data& data, int32_t f0, int32_t f1, float fraction, const MD2PoseVertex* from,
                 float progress, MD2PoseVertex* out) {
  const MD2Data::Frame& a = data.frames[size_t(f0)];
  const MD2Data::Frame& b = data.frames[size_t(f1)];
  const __m128 scaleA = _mm_load_ps(a.scale), translateA = _mm_load_ps(a.translate);
  const __m128 scaleB = _mm_load_ps(b.scale), translateB = _mm_load_ps(b.translate);
  const __m128 t = _mm_set1_ps(fraction), blend = _mm_set1_ps(progress);
  const uint32_t* packedA = data.frameVertices(f0);
  const uint32_t* packedB = data.frameVertices(f1);
  for (int32_t i = 0; i < data.vertexCount; ++i) {
    __m128 position = lerp(positionOf(packedA[i], scaleA, translateA), positionOf(packedB[i], scaleB, translateB), t);
    __m128 normal = lerp(normalOf(packedA[i]), normalOf(packedB[i]), t);
    if (from) {
      position = lerp(_mm_load_ps(from[i].position), position, blend);
      normal = lerp(_mm_load_ps(from[i].normal), normal, blend);
    }
    _mm_store_ps(out[i].position, position);
    _mm_store_ps(out[i].normal, normal);
  }
}

// The output vertices of the pose: white, with their texture coordinates
// in both sets.
void writeVertices(const MD2Data& data, const MD2PoseVertex* pose, DeviceVertex* out) {
  const __m128 white = _mm_castsi128_ps(_mm_set1_epi32(-1));
  const int32_t count = data.outputVertexCount();
  for (int32_t o = 0; o < count; ++o, ++out) {
    const MD2PoseVertex& vertex = pose[data.vertexOf[size_t(o)]];
    const __m128 p = _mm_load_ps(vertex.position), n = _mm_load_ps(vertex.normal);
    const float u = data.uv[2 * size_t(o)], v = data.uv[2 * size_t(o) + 1];
    const __m128 zzNxNx = _mm_shuffle_ps(p, n, _MM_SHUFFLE(0, 0, 2, 2));
    _mm_storeu_ps(&out->x, _mm_shuffle_ps(p, zzNxNx, _MM_SHUFFLE(2, 0, 1, 0)));  // x y z nx
    const __m128 whiteU = _mm_unpacklo_ps(white, _mm_set_ss(u));
    _mm_storeu_ps(&out->ny, _mm_shuffle_ps(n, whiteU, _MM_SHUFFLE(1, 0, 2, 1)));  // ny nz argb u0
    out->v0 = v;
    out->u1 = u;
    out->v1 = v;
  }
}

}  // namespace

MD2Model::MD2Model(std::shared_ptr<const MD2Data> data) : data_(std::move(data)) {}

// Playback

void MD2Model::play(int32_t mode, float speed, int32_t first, int32_t last, float transition) {
  if (last < first) std::swap(first, last);
  const int32_t top = data_->frameCount - 1;
  first = std::clamp(first, 0, top);
  last = std::clamp(last, 0, top);
  if (transition > 0) {
    transitionPose_.resize(size_t(data_->vertexCount));
    pose(transitionPose_.data());
    transitionLength_ = transition;
    transitionSteps_ = 0;
  }
  transitioning_ = transition > 0;
  speed_ = speed;
  first_ = first;
  last_ = last;
  length_ = last - first;
  time_ = float(mode == kLoop || speed >= 0 ? first : last);
  mode_ = speed != 0 && first != last ? mode : kStopped;
  showTime();
  ++poseStamp_;
}

void MD2Model::animate(float elapsed) {
  Object::animate(elapsed);
  if (mode_ == kStopped && !transitioning_) return;
  ++poseStamp_;
  // A transition takes a number of updates, however long each is.
  if (transitioning_) {
    if (float(++transitionSteps_) < transitionLength_) return;
    transitioning_ = false;
    if (mode_ == kStopped) return;
  }
  time_ += elapsed * speed_;
  if (time_ >= first_ && time_ >= last_) {
    if (mode_ == kLoop) {
      time_ -= float(length_);
      if (time_ >= last_) time_ = wrapped(time_);
    } else if (mode_ == kPingPong) {
      time_ = last_ - (time_ - last_);
      speed_ = -speed_;
    } else {
      time_ = float(last_);
      mode_ = kStopped;
    }
  }
  if (time_ < first_) {
    if (mode_ == kLoop) {
      time_ += float(length_);
      if (time_ < first_) time_ = wrapped(time_);
    } else if (mode_ == kPingPong) {
      time_ = first_ + (first_ - time_);
      speed_ = -speed_;
    } else {
      time_ = float(first_);
      mode_ = kStopped;
    }
  }
  showTime();
}

float MD2Model::wrapped(float time) const {
  const float length = float(length_);
  float into = std::fmod(time - first_, length);
  if (into < 0) into += length;
  return into < length ? first_ + into : float(first_);
}

// A loop shows the frames before last and closes from the one before last
// straight back to first.
void MD2Model::showTime() {
  // A step longer than a ping-pong range, or a time that is no number,
  // ends up at an end of the range rather than outside the frames.
  if (!(time_ >= first_))
    time_ = float(first_);
  else if (time_ > last_)
    time_ = float(last_);
  const int32_t frame = std::min(static_cast<int32_t>(std::floor(time_)), last_);
  if (mode_ == kStopped) {
    shown_[0] = shown_[1] = frame;
    fraction_ = 0;
    return;
  }
  int32_t next = frame + 1;
  if (mode_ == kLoop && next == last_) next = first_;
  shown_[0] = frame;
  shown_[1] = std::min(next, last_);
  fraction_ = time_ - float(frame);
}

float MD2Model::transitionProgress() const {
  return transitioning_ ? std::min(1.0f, float(transitionSteps_) / transitionLength_) : 1.0f;
}

void MD2Model::pose(MD2PoseVertex* out) const {
  interpolate(*data_, shown_[0], shown_[1], fraction_, transitioning_ ? transitionPose_.data() : nullptr,
              transitionProgress(), out);
}

// Drawing

bool MD2Model::bounds(Vector& min, Vector& max) {
  min = data_->boundsMin;
  max = data_->boundsMax;
  return data_->vertexCount > 0;
}

DeviceMesh* MD2Model::deviceMesh(SceneDevice& device) {
  if (buffer_.mesh) return buffer_.mesh.get();
  const MD2Data& d = *data_;
  buffer_.mesh = device.createMesh(d.outputVertexCount(), d.triangleCount(), 0);
  if (!buffer_.mesh) return nullptr;
  uint16_t* out = buffer_.mesh->lockTriangles(0, d.triangleCount());
  if (!out) {
    buffer_.mesh.reset();
    return nullptr;
  }
  std::memcpy(out, d.indices.data(), d.indices.size() * sizeof(uint16_t));
  buffer_.mesh->unlockTriangles();
  buffer_.stamp = poseStamp_ - 1;
  buffer_.drawn.clear();
  for (const MD2Part& part : d.parts) buffer_.drawn.push_back(part.triangleCount);
  buffer_.chosen = false;
  return buffer_.mesh.get();
}

void MD2Model::writeFacingTriangles(DeviceMesh& mesh, const RenderContext& context) {
  const Transform& toWorld = renderTransform();
  const float det = determinant(toWorld.m);
  if ((renderBrush.fx() & kFxNoCulling) || !(det != 0)) {
    if (buffer_.chosen) writeTriangles(mesh, nullptr);
    return;
  }
  // Facing is kept by the model's transform up to its determinant's sign:
  // the test runs in model space, from the eye (or along the view) taken
  // there.
  const Transform toModel = inverse(toWorld);
  const Facing facing{context.perspective ? toModel * context.eye.pos : toModel.m * -context.eye.m.k,
                      context.perspective, det > 0 ? 1.0f : -1.0f};
  if (buffer_.chosen && buffer_.chosenStamp == poseStamp_ && buffer_.chosenFor == facing.viewer * facing.side) return;
  writeTriangles(mesh, &facing);
  buffer_.chosenStamp = poseStamp_;
  buffer_.chosenFor = facing.viewer * facing.side;
}

// A triangle is left out only when the viewer is clearly behind its plane,
// so that one seen nearly edge on is left to the device to decide as it
// always does.
void MD2Model::writeTriangles(DeviceMesh& mesh, const Facing* facing) {
  constexpr float kEdgeOn = 1e-3f;  // cosine of the angle still left to the device
  const MD2Data& d = *data_;
  const Vector* positions = buffer_.positions.data();
  for (size_t p = 0; p < d.parts.size(); ++p) {
    const MD2Part& part = d.parts[p];
    uint16_t* out = mesh.lockTriangles(part.firstTriangle, part.triangleCount);
    if (!out) return;
    const uint16_t* in = d.indices.data() + size_t(part.firstTriangle) * 3;
    const uint16_t* of = d.vertexOf.data() + part.firstVertex;
    int32_t kept = 0;
    for (int32_t t = 0; t < part.triangleCount; ++t, in += 3) {
      if (facing) {
        const Vector a = positions[of[in[0]]];
        const Vector normal = cross(positions[of[in[1]]] - a, positions[of[in[2]]] - a);
        const Vector towards = facing->perspective ? facing->viewer - a : facing->viewer;
        const float toward = facing->side * dot(normal, towards);
        if (toward < 0 && toward * toward > kEdgeOn * kEdgeOn * dot(normal, normal) * dot(towards, towards)) continue;
      }
      std::memcpy(out + size_t(kept) * 3, in, 3 * sizeof(uint16_t));
      ++kept;
    }
    mesh.unlockTriangles();
    buffer_.drawn[p] = kept;
  }
  buffer_.chosen = facing != nullptr;
}

void MD2Model::render(const RenderContext& context) {
  const MD2Data& d = *data_;
  if (d.parts.empty()) return;
  if (context.frustum.transformed(inverse(renderTransform())).boxOutside(d.boundsMin, d.boundsMax)) return;
  DeviceMesh* mesh = deviceMesh(context.device);
  if (!mesh) return;
  if (buffer_.stamp != poseStamp_) {
    DeviceVertex* out = mesh->lockVertices(0, d.outputVertexCount());
    if (!out) return;
    // One pose at a time is made, so every model poses into the same place.
    static std::vector<MD2PoseVertex> posed;
    if (posed.size() < size_t(d.vertexCount)) posed.resize(size_t(d.vertexCount));
    pose(posed.data());
    writeVertices(d, posed.data(), out);
    mesh->unlockVertices();
    buffer_.positions.resize(size_t(d.vertexCount));
    for (int32_t v = 0; v < d.vertexCount; ++v)
      buffer_.positions[size_t(v)] = {posed[size_t(v)].position[0], posed[size_t(v)].position[1],
                                      posed[size_t(v)].position[2]};
    buffer_.stamp = poseStamp_;
  }
  writeFacingTriangles(*mesh, context);
  for (size_t p = 0; p < d.parts.size(); ++p) {
    const MD2Part& part = d.parts[p];
    if (buffer_.drawn[p] > 0)
      enqueue(*mesh, part.firstVertex, part.vertexCount, part.firstTriangle, buffer_.drawn[p], renderBrush);
  }
}

}  // namespace vx
