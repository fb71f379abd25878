#pragma once
// A camera renders the world into a viewport of the back buffer with its
// own projection, clear and fog settings. Its view volume, in camera space,
// serves culling, EntityInView and CameraProject, and is rebuilt when the
// zoom, the range or the viewport changed.
//
// A camera whose projection cannot be built (empty viewport, zoom 0, near
// equal to far) sees nothing: it renders nothing and projects nothing.

#include "engine3d/entity.h"
#include "engine3d/frustum.h"

namespace vx {

class SceneDevice;

class Camera : public Object {
 public:
  enum ProjMode { kNoProjection = 0, kPerspective = 1, kOrthographic = 2 };

  Camera(int32_t x, int32_t y, int32_t width, int32_t height);
  Entity* clone() const override { return new Camera(*this); }
  Camera* getCamera() override { return this; }

  void setZoom(float zoom);
  void setRange(float nearZ, float farZ);
  void setViewport(int32_t x, int32_t y, int32_t width, int32_t height);
  float zoom() const { return zoom_; }
  float nearZ() const { return near_; }
  float farZ() const { return far_; }
  int32_t viewportX() const { return x_; }
  int32_t viewportY() const { return y_; }
  int32_t viewportWidth() const { return width_; }
  int32_t viewportHeight() const { return height_; }

  // Whether the projection can be built at all.
  bool canProject() const;
  // In camera space; rebuilt first when invalid.
  const Frustum& frustum();
  float frustumWidth();
  float frustumHeight();

  // Sets the device up for this camera's view: viewport, clear, projection
  // and fog. False, with nothing done, when the camera renders nothing.
  bool beginCameraRender(SceneDevice& device);
  // Viewport pixels of a world point (x, y) and the near distance (z);
  // false, with all three 0, when the point cannot be seen.
  bool project(Vector point, Vector& projected);
  // Whether a world point lies inside the view volume.
  bool sees(Vector point) { return sees(&point, 1); }
  // False when every one of the world points lies outside one plane of
  // the view volume.
  bool sees(const Vector* points, int count);

  Vector clsColor;  // 0..1
  bool clsColorOn = true, clsZOn = true;
  int32_t projMode = kPerspective;
  Vector fogColor;  // 0..1
  float fogNear = 1, fogFar = 1000;
  int32_t fogMode = 0;

 private:
  Camera(const Camera& source) = default;
  void rebuildFrustum();

  float zoom_ = 1;
  float near_ = 1, far_ = 1000;
  int32_t x_, y_, width_, height_;
  float frustumWidth_ = 0, frustumHeight_ = 0;
  bool frustumValid_ = false;
  Frustum frustum_;
};

}  // namespace vx
