#include "engine3d/camera.h"

#include <vector>

#include "engine3d/device/scene_device.h"

namespace vx {

Camera::Camera(int32_t x, int32_t y, int32_t width, int32_t height) : x_(x), y_(y), width_(width), height_(height) {}

void Camera::setZoom(float zoom) {
  zoom_ = zoom;
  frustumValid_ = false;
}

void Camera::setRange(float nearZ, float farZ) {
  near_ = nearZ;
  far_ = farZ;
  frustumValid_ = false;
}

void Camera::setViewport(int32_t x, int32_t y, int32_t width, int32_t height) {
  x_ = x, y_ = y, width_ = width, height_ = height;
  frustumValid_ = false;
}

// Each of these would put infinities or not-a-number into the frustum and
// the projection.
bool Camera::canProject() const { return width_ > 0 && height_ > 0 && zoom_ != 0 && near_ != far_ && near_ != 0; }

void Camera::rebuildFrustum() {
  frustumWidth_ = near_ * 2 / zoom_;
  frustumHeight_ = frustumWidth_ * static_cast<float>(height_) / static_cast<float>(width_);
  frustum_ = Frustum(near_, far_, frustumWidth_, frustumHeight_);
  frustumValid_ = true;
}

const Frustum& Camera::frustum() {
  if (!frustumValid_ && canProject()) rebuildFrustum();
  return frustum_;
}

float Camera::frustumWidth() {
  frustum();
  return frustumWidth_;
}

float Camera::frustumHeight() {
  frustum();
  return frustumHeight_;
}

bool Camera::beginCameraRender(SceneDevice& device) {
  if (projMode == kNoProjection || !canProject()) return false;
  frustum();
  device.setViewport(x_, y_, width_, height_);
  device.clear(clsColor, clsColorOn, clsZOn);
  if (projMode == kOrthographic)
    device.setOrtho(near_, far_, frustumWidth_, frustumHeight_);
  else
    device.setPerspective(near_, far_, frustumWidth_, frustumHeight_);
  device.setFogRange(fogNear, fogFar);
  device.setFogColor(fogColor);
  device.setFogMode(fogMode);
  return true;
}

bool Camera::project(Vector point, Vector& projected) {
  projected = {};
  if (!canProject()) return false;
  const Vector p = inverse(worldTransform()) * point;
  const float w = frustumWidth(), h = frustumHeight();
  const float vw = static_cast<float>(width_), vh = static_cast<float>(height_);
  if (projMode == kOrthographic) {
    projected = {(p.x / w + 0.5f) * vw, (0.5f - p.y / h) * vh, near_};
    return true;
  }
  if (!(p.z > 0 && p.z <= far_)) return false;
  projected = {(near_ * p.x / p.z / w + 0.5f) * vw, (0.5f - near_ * p.y / p.z / h) * vh, near_};
  return true;
}

bool Camera::sees(const Vector* points, int count) {
  if (!canProject()) return false;
  const Transform toCamera = inverse(worldTransform());
  std::vector<Vector> inCamera(points, points + count);
  for (Vector& p : inCamera) p = toCamera * p;
  return !frustum().allOutsideOnePlane(inCamera.data(), count);
}

}  // namespace vx
