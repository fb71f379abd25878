#pragma once
// What a model's render operation is handed: the scene device it draws
// through, the eye it is seen from (a camera, or a camera reflected by a
// mirror), the view volume in world space, whether triangle winding is
// reversed and whether the view is a perspective one (an orthographic view
// looks along the eye's z axis from everywhere).

#include "engine3d/device/scene_device.h"
#include "engine3d/frustum.h"

namespace vx {

struct RenderContext {
  SceneDevice& device;
  Transform eye;
  Frustum frustum;
  bool flipped = false;
  bool perspective = true;
};

}  // namespace vx
