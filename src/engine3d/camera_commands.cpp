// The camera and light commands.

#include "engine3d/camera.h"
#include "engine3d/light.h"
#include "engine3d/mesh.h"
#include "engine3d/world.h"
#include "platform/graphics_device.h"
#include "runtime/registry.h"

namespace vx {

namespace {

Camera* cameraOf(int32_t handle) { return entityKindOf<&Entity::getCamera>(handle, "Entity is not a camera"); }

Light* lightOf(int32_t handle) { return entityKindOf<&Entity::getLight>(handle, "Entity is not a light"); }

// Cameras

int32_t createCamera(int32_t parentHandle) {
  Entity* parent;
  if (!placeForNew(parentHandle, parent)) return 0;
  const CanvasRect v = world3D()->graphics->backCanvas().viewport();
  return addEntity(new Camera(v.left, v.top, v.width(), v.height()), parent);
}

void cameraZoom(int32_t handle, float zoom) {
  if (Camera* camera = cameraOf(handle)) camera->setZoom(zoom);
}

void cameraRange(int32_t handle, float nearZ, float farZ) {
  if (Camera* camera = cameraOf(handle)) camera->setRange(nearZ, farZ);
}

void cameraViewport(int32_t handle, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (Camera* camera = cameraOf(handle)) camera->setViewport(x, y, width, height);
}

// CameraClsColor and CameraFogColor.
template <Vector Camera::*Color>
void cameraColor(int32_t handle, float red, float green, float blue) {
  if (Camera* camera = cameraOf(handle)) camera->*Color = Vector{red, green, blue} * kColorScale;
}

void cameraClsMode(int32_t handle, int32_t clsColor, int32_t clsZ) {
  Camera* camera = cameraOf(handle);
  if (!camera) return;
  camera->clsColorOn = clsColor != 0;
  camera->clsZOn = clsZ != 0;
}

// CameraProjMode and CameraFogMode.
template <int32_t Camera::*Mode>
void cameraMode(int32_t handle, int32_t mode) {
  if (Camera* camera = cameraOf(handle)) camera->*Mode = mode;
}

void cameraFogRange(int32_t handle, float nearZ, float farZ) {
  Camera* camera = cameraOf(handle);
  if (!camera) return;
  camera->fogNear = nearZ;
  camera->fogFar = farZ;
}

void cameraProject(int32_t handle, float x, float y, float z) {
  Camera* camera = cameraOf(handle);
  if (!camera) return;
  Vector projected;
  camera->project({x, y, z}, projected);
  world3D()->projected = projected;
}

// A model with bounds by the corners of its box, anything else by its
// position.
int32_t entityInView(int32_t entityHandle, int32_t cameraHandle) {
  Entity* entity = entityOf(entityHandle);
  if (!entity) return 0;
  Camera* camera = cameraOf(cameraHandle);
  if (!camera) return 0;
  Model* model = entity->getModel();
  Vector min, max;
  if (!model || !model->bounds(min, max)) return camera->sees(entity->worldPosition());
  Vector corners[8];
  for (int i = 0; i < 8; ++i)
    corners[i] = model->worldTransform() * Vector{(i & 1) ? max.x : min.x, (i & 2) ? max.y : min.y,
                                                  (i & 4) ? max.z : min.z};
  return camera->sees(corners, 8);
}

// Lights

int32_t createLight(int32_t type, int32_t parentHandle) {
  Entity* parent;
  if (!placeForNew(parentHandle, parent)) return 0;
  return addEntity(new Light(type), parent);
}

void lightColor(int32_t handle, float red, float green, float blue) {
  if (Light* light = lightOf(handle)) light->setColor(red * kColorScale, green * kColorScale, blue * kColorScale);
}

void lightRange(int32_t handle, float range) {
  if (Light* light = lightOf(handle)) light->setRange(range);
}

void lightConeAngles(int32_t handle, float inner, float outer) {
  if (Light* light = lightOf(handle)) light->setConeAngles(inner * kDegToRad, outer * kDegToRad);
}

}  // namespace

void linkCameraCommands(Registry& r) {
  r.command<"%CreateCamera%parent=0", createCamera>();
  r.command<"CameraZoom%camera#zoom", cameraZoom>();
  r.command<"CameraRange%camera#near#far", cameraRange>();
  r.command<"CameraClsColor%camera#red#green#blue", cameraColor<&Camera::clsColor>>();
  r.command<"CameraClsMode%camera%cls_color%cls_zbuffer", cameraClsMode>();
  r.command<"CameraProjMode%camera%mode", cameraMode<&Camera::projMode>>();
  r.command<"CameraViewport%camera%x%y%width%height", cameraViewport>();
  r.command<"CameraFogColor%camera#red#green#blue", cameraColor<&Camera::fogColor>>();
  r.command<"CameraFogRange%camera#near#far", cameraFogRange>();
  r.command<"CameraFogMode%camera%mode", cameraMode<&Camera::fogMode>>();
  r.command<"CameraProject%camera#x#y#z", cameraProject>();
  r.command<"#ProjectedX", worldResult<&World::projected, &Vector::x>>();
  r.command<"#ProjectedY", worldResult<&World::projected, &Vector::y>>();
  r.command<"#ProjectedZ", worldResult<&World::projected, &Vector::z>>();
  r.command<"%EntityInView%entity%camera", entityInView>();
  r.command<"%CreateLight%type=1%parent=0", createLight>();
  r.command<"LightColor%light#red#green#blue", lightColor>();
  r.command<"LightRange%light#range", lightRange>();
  r.command<"LightConeAngles%light#inner_angle#outer_angle", lightConeAngles>();
}

}  // namespace vx
