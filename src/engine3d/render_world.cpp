// RenderWorld, CaptureWorld and TrisRendered: each frame every visible
// object is tweened and filed, and every camera, larger order first,
// renders the models through the scene device, once through each mirror
// and once directly.

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
  std::vector<Model*> orderedModels;  // order != 0, larger order first
  std::vector<Model*> models;         // order 0
  // Models with transparent items and their distance from the eye.
  std::vector<std::pair<float, Model*>> transparent;
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

void flushModel(SceneDevice& device, Model& model, Model::Queue queue) {
  device.setWorldMatrix(&model.renderTransform());
  model.flush(queue, device);
}

void queueTransparent(Model& model, Vector eye) {
  if (model.hasQueued(Model::kTransparent))
    lists.transparent.emplace_back(distance(eye, model.renderTransform().pos), &model);
}

// Farthest first.
void drawTransparent(SceneDevice& device) {
  std::stable_sort(lists.transparent.begin(), lists.transparent.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  for (auto& [distance, model] : lists.transparent) flushModel(device, *model, Model::kTransparent);
  lists.transparent.clear();
}

// Queues what the model draws and draws its opaque items; false when the
// model is not drawn from this eye.
bool drawOpaque(SceneDevice& device, Model& model, const RenderContext& context) {
  if (!model.prepare(context.eye.pos)) return false;
  model.render(context);
  if (model.hasQueued(Model::kOpaque)) flushModel(device, model, Model::kOpaque);
  return true;
}

// An ordered model is drawn whole, its transparent items right after its
// opaque ones.
void drawOrdered(SceneDevice& device, Model& model, const RenderContext& context) {
  if (!drawOpaque(device, model, context)) return;
  queueTransparent(model, context.eye.pos);
  drawTransparent(device);
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

  // Models of positive order first and those of negative order last, both
  // without the z-buffer; between them the rest with it, then everything
  // transparent, farthest first, tested against the depth but not writing
  // it.
  const auto& ordered = lists.orderedModels;
  auto negative = std::find_if(ordered.begin(), ordered.end(), [](const Model* m) { return m->order < 0; });
  device.setZMode(1);
  for (auto it = ordered.begin(); it != negative; ++it) drawOrdered(device, **it, context);
  device.setZMode(0);
  for (Model* model : lists.models)
    if (drawOpaque(device, *model, context)) queueTransparent(*model, context.eye.pos);
  device.setZMode(2);
  drawTransparent(device);
  device.setZMode(1);
  for (auto it = negative; it != ordered.end(); ++it) drawOrdered(device, **it, context);
  device.setZMode(0);
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
  lists.orderedModels.clear();
  lists.models.clear();
  for (Object* object : lists.visible) {
    if (!object->beginRender(tween)) continue;
    if (Light* light = object->getLight()) {
      if (light->deviceLight()) lists.lights.push_back(light->deviceLight());
    } else if (Camera* camera = object->getCamera()) {
      lists.cameras.push_back(camera);
    } else if (object->getMirror()) {
      lists.mirrors.push_back(object);
    } else if (Model* model = object->getModel()) {
      (model->order ? lists.orderedModels : lists.models).push_back(model);
    }
  }
  std::stable_sort(lists.orderedModels.begin(), lists.orderedModels.end(),
                   [](const Model* a, const Model* b) { return a->order > b->order; });
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
