// RenderWorld, CaptureWorld and TrisRendered: each frame every visible
// object is tweened and filed, and every camera, larger order first,
// renders the models through the scene device, once through each mirror
// and once directly. Every kind of model draws the same way: it queues
// its items in render and names the world matrix they are drawn with.

#include <algorithm>
#include <vector>

#include "engine3d/camera.h"
#include "engine3d/light.h"
#include "engine3d/render_context.h"
#include "engine3d/world.h"
#include "runtime/registry.h"

namespace vx {

namespace {

// An entry of a list sorted by key, larger first; entries of equal keys
// keep the order they were filed in.
template <typename T>
struct Ranked {
  float key;
  uint32_t filed;
  T* item;
  friend bool operator<(const Ranked& a, const Ranked& b) {
    return a.key != b.key ? a.key > b.key : a.filed < b.filed;
  }
};

// Lists are filed in any order and then ranked in place: nothing is
// allocated once their storage has grown.
template <typename T>
void file(std::vector<Ranked<T>>& list, float key, T* item) {
  list.push_back({key, static_cast<uint32_t>(list.size()), item});
}

template <typename T>
void rank(std::vector<Ranked<T>>& list) {
  std::sort(list.begin(), list.end());
}

// The per-frame lists, emptied at the start of each render; their storage
// is kept from frame to frame.
struct RenderLists {
  std::vector<Object*> visible;
  std::vector<DeviceLight*> lights;
  std::vector<Ranked<Camera>> cameras;       // larger order first
  std::vector<Object*> mirrors;
  std::vector<Object*> listeners;
  std::vector<Ranked<Model>> orderedModels;  // order != 0, larger order first
  std::vector<Model*> models;                // order 0
  // Models with transparent items, farthest from the eye first.
  std::vector<Ranked<Model>> transparent;
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
  device.setWorldMatrix(model.drawTransform());
  model.flush(queue, device);
}

void queueTransparent(Model& model, Vector eye) {
  if (model.hasQueued(Model::kTransparent)) file(lists.transparent, distance(eye, model.renderTransform().pos), &model);
}

void drawTransparent(SceneDevice& device) {
  rank(lists.transparent);
  for (const auto& entry : lists.transparent) flushModel(device, *entry.item, Model::kTransparent);
  lists.transparent.clear();
}

// Queues what the model draws and draws its opaque items; false when the
// model is not drawn from this eye.
bool drawOpaque(Model& model, const RenderContext& context) {
  if (!model.prepare(context.eye.pos)) return false;
  model.render(context);
  if (model.hasQueued(Model::kOpaque)) flushModel(context.device, model, Model::kOpaque);
  return true;
}

// An ordered model is drawn whole, its transparent items right after its
// opaque ones.
void drawOrdered(Model& model, const RenderContext& context) {
  if (!drawOpaque(model, context)) return;
  queueTransparent(model, context.eye.pos);
  drawTransparent(context.device);
}

// The plane of a mirror (its own xz plane) with the viewer on its inner
// side: what lies beyond it is not to be seen in the reflection.
ClipPlane mirrorPlane(const Transform& mirror, Vector viewer) {
  Vector n = normalise(cross(mirror.m.k, mirror.m.i));
  ClipPlane plane{n, -dot(n, mirror.pos)};
  return plane.inside(viewer) ? plane : ClipPlane{-n, -plane.d};
}

// The camera's view, directly or reflected by a mirror: triangle winding
// is reversed then, and the view is clipped at the mirror.
void renderCamera(SceneDevice& device, Camera& camera, Object* mirror) {
  RenderContext context{device, camera.renderTransform(), {}, false, camera.projMode != Camera::kOrthographic};
  if (mirror) {
    const Transform& m = mirror->renderTransform();
    const Transform reflect{{{1, 0, 0}, {0, -1, 0}, {0, 0, 1}}, {}};
    const ClipPlane plane = mirrorPlane(m, context.eye.pos);
    device.setClipPlane(&plane);
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
  auto negative = std::find_if(ordered.begin(), ordered.end(), [](const auto& m) { return m.key < 0; });
  device.setZMode(1);
  for (auto it = ordered.begin(); it != negative; ++it) drawOrdered(*it->item, context);
  device.setZMode(0);
  for (Model* model : lists.models)
    if (drawOpaque(*model, context)) queueTransparent(*model, context.eye.pos);
  device.setZMode(2);
  drawTransparent(device);
  device.setZMode(1);
  for (auto it = negative; it != ordered.end(); ++it) drawOrdered(*it->item, context);
  device.setZMode(0);
  if (mirror) device.setClipPlane(nullptr);
}

void fileForRender(SceneDevice& device, Object& object) {
  if (Light* light = object.getLight()) {
    if (DeviceLight* deviceLight = light->deviceLight(device)) lists.lights.push_back(deviceLight);
  } else if (Camera* camera = object.getCamera()) {
    file(lists.cameras, static_cast<float>(camera->order), camera);
  } else if (object.getMirror()) {
    lists.mirrors.push_back(&object);
  } else if (object.getListener()) {
    lists.listeners.push_back(&object);
  } else if (Model* model = object.getModel()) {
    if (model->order)
      file(lists.orderedModels, static_cast<float>(model->order), model);
    else
      lists.models.push_back(model);
  }
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
  lists.listeners.clear();
  lists.orderedModels.clear();
  lists.models.clear();
  for (Object* object : lists.visible)
    if (object->beginRender(tween)) fileForRender(device, *object);
  rank(lists.orderedModels);
  rank(lists.cameras);

  device.begin(lists.lights);
  for (const auto& entry : lists.cameras) {
    Camera& camera = *entry.item;
    if (!camera.beginCameraRender(device)) continue;
    for (Object* mirror : lists.mirrors) renderCamera(device, camera, mirror);
    renderCamera(device, camera, nullptr);
  }
  device.end();
  for (Object* listener : lists.listeners) listener->afterRender();
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
