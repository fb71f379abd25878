// RenderWorld, CaptureWorld and TrisRendered: each frame every visible
// object is tweened and filed, and every camera, larger order first,
// renders the world through the scene device, once through each mirror and
// once directly.

#include <algorithm>
#include <vector>

#include "engine3d/camera.h"
#include "engine3d/light.h"
#include "engine3d/world.h"
#include "runtime/registry.h"

namespace vx {

namespace {

// The per-frame lists, emptied at the start of each render; their storage
// is kept from frame to frame.
struct RenderLists {
  std::vector<Object*> visible;
  std::vector<DeviceLight*> lights;
  std::vector<Camera*> cameras;
  std::vector<Object*> mirrors;
};

RenderLists lists;

// Every object reached from the roots through visible entities, in tree
// order; a hidden entity hides its whole subtree.
void collectVisible(Entity* entity, std::vector<Object*>& visible) {
  for (; entity; entity = entity->next()) {
    if (!entity->visible) continue;
    if (Object* object = entity->getObject()) visible.push_back(object);
    collectVisible(entity->firstChild(), visible);
  }
}

void collectVisible(std::vector<Object*>& visible) {
  visible.clear();
  collectVisible(Entity::roots().first, visible);
}

// The camera's view, directly or reflected by a mirror (whose reflection
// plane is its own xz plane): triangle winding is reversed then.
void renderCamera(SceneDevice& device, Camera& camera, Object* mirror) {
  RenderContext context;
  context.eye = camera.renderTransform();
  if (mirror) {
    const Transform& m = mirror->renderTransform();
    const Transform reflect{{{1, 0, 0}, {0, -1, 0}, {0, 0, 1}}, {}};
    context.eye = m * reflect * inverse(m) * context.eye;
    context.flipped = true;
  }
  device.setFlipped(context.flipped);
  const Transform view = inverse(context.eye);
  device.setViewMatrix(&view);
  context.frustum = camera.frustum().transformed(context.eye);
}

void renderWorld(float tween) {
  World* world = worldOrFail();
  if (!world || !world->device) return;
  SceneDevice& device = *world->device;
  const int64_t trianglesBefore = device.trianglesDrawn();

  collectVisible(lists.visible);
  lists.lights.clear();
  lists.cameras.clear();
  lists.mirrors.clear();
  for (Object* object : lists.visible) {
    if (!object->beginRender(tween)) continue;
    if (Light* light = object->getLight()) {
      if (light->deviceLight()) lists.lights.push_back(light->deviceLight());
    } else if (Camera* camera = object->getCamera()) {
      lists.cameras.push_back(camera);
    } else if (object->getMirror()) {
      lists.mirrors.push_back(object);
    }
  }
  std::stable_sort(lists.cameras.begin(), lists.cameras.end(),
                   [](const Camera* a, const Camera* b) { return a->order > b->order; });

  device.begin(lists.lights);
  for (Camera* camera : lists.cameras) {
    if (!camera->beginCameraRender(device)) continue;
    for (Object* mirror : lists.mirrors) renderCamera(device, *camera, mirror);
    renderCamera(device, *camera, nullptr);
  }
  device.end();
  world->trisRendered = static_cast<int32_t>(device.trianglesDrawn() - trianglesBefore);
}

void captureWorld() {
  if (!worldOrFail()) return;
  collectVisible(lists.visible);
  for (Object* object : lists.visible) object->capture();
}

int32_t trisRendered() {
  World* world = worldOrFail();
  return world ? world->trisRendered : 0;
}

}  // namespace

void linkRenderCommands(Registry& r) {
  r.command<"RenderWorld#tween=1", renderWorld>();
  r.command<"CaptureWorld", captureWorld>();
  r.command<"%TrisRendered", trisRendered>();
}

}  // namespace vx
