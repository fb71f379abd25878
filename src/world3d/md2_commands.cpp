// The MD2 model commands: LoadMD2, AnimateMD2 and the playback queries.

#include "engine3d/world.h"
#include "language/string_args.h"
#include "runtime/registry.h"
#include "world3d/md2_loader.h"
#include "world3d/md2_model.h"
#include "world3d/world3d_commands.h"

namespace vx {

namespace {

// The MD2 model of a handle; while debugging, a model of another kind and
// an entity that is no model are refused with their own messages.
MD2Model* md2Of(int32_t handle) {
  Model* model = entityKindOf<&Entity::getModel>(handle, "Entity is not a model");
  MD2Model* md2 = model ? model->getMD2() : nullptr;
  if (model && !md2 && debugging()) raiseError("Entity is not an MD2 Model");
  return md2;
}

int32_t loadMD2Command(StrArg file, int32_t parentHandle) {
  Entity* parent;
  if (!placeForNew(parentHandle, parent)) return 0;
  auto data = loadMD2(file.view());
  return data ? addEntity(new MD2Model(std::move(data)), parent) : 0;
}

void animateMD2(int32_t handle, int32_t mode, float speed, int32_t first, int32_t last, float transition) {
  if (MD2Model* md2 = md2Of(handle)) md2->play(mode, speed, first, last, transition);
}

float md2AnimTime(int32_t handle) {
  MD2Model* md2 = md2Of(handle);
  return md2 ? md2->time() : 0;
}

int32_t md2AnimLength(int32_t handle) {
  MD2Model* md2 = md2Of(handle);
  return md2 ? md2->frameCount() : 0;
}

int32_t md2Animating(int32_t handle) {
  MD2Model* md2 = md2Of(handle);
  return md2 && md2->animating();
}

}  // namespace

void linkMD2Commands(Registry& r) {
  r.command<"%LoadMD2$file%parent=0", loadMD2Command>();
  r.command<"AnimateMD2%md2%mode=1#speed=1%first_frame=0%last_frame=9999#transition=0", animateMD2>();
  r.command<"#MD2AnimTime%md2", md2AnimTime>();
  r.command<"%MD2AnimLength%md2", md2AnimLength>();
  r.command<"%MD2Animating%md2", md2Animating>();
}

}  // namespace vx
