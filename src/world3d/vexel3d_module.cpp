#include "world3d/vexel3d_module.h"

#include "engine3d/engine3d_commands.h"
#include "engine3d/world.h"
#include "lib2d/graphics_module.h"
#include "world3d/collision_state.h"
#include "world3d/world3d_commands.h"

namespace vx {

namespace {

void startWithMode(SceneDevice& scene, GraphicsDevice& graphics) { startWorld3D(&scene, &graphics); }

bool create() {
  endWorld3D();
  setWorld3DHooks({startWithMode, endWorld3D});
  return true;
}

void destroy() {
  endWorld3D();
  setWorld3DHooks({});
}

void link(Registry& r) {
  linkEntityCommands(r);
  linkTextureCommands(r);
  linkBrushCommands(r);
  linkMeshCommands(r);
  linkSurfaceCommands(r);
  linkDeviceCommands(r);
  linkCameraCommands(r);
  linkRenderCommands(r);
  linkCollisionCommands(r);
  linkPickCommands(r);
  linkMD2Commands(r);
}

}  // namespace

// What this layer keeps per world is made right after the engine's world
// and freed after every entity, before the brushes and textures go.
void startWorld3D(SceneDevice* scene, GraphicsDevice* graphics) {
  endWorld3D();
  createWorld(scene, graphics);
  startCollisions();
}

void endWorld3D() {
  if (!world3D()) return;
  freeAllEntities();
  endCollisions();
  destroyWorld();
}

const RuntimeModule vexel3dModule{"vexel3d", create, destroy, link};

}  // namespace vx
