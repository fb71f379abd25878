// LoadMesh and LoadAnimMesh: model files loaded as one mesh, or as the
// hierarchy they hold with its animation.

#include "engine3d/mesh.h"
#include "engine3d/world.h"
#include "runtime/registry.h"
#include "world3d/key_animator.h"
#include "world3d/model_files.h"
#include "world3d/world3d_commands.h"

namespace vx {

namespace {

// Adds every mesh of the hierarchy into result, children first, each taken
// through its world transform.
void collapse(Entity& entity, Mesh& result) {
  for (Entity* child = entity.firstChild(); child; child = child->next()) collapse(*child, result);
  if (Mesh* mesh = kindOf<&Model::getMesh>(&entity)) {
    mesh->transform(mesh->worldTransform());
    result.add(*mesh);
  }
}

void adoptSubtree(Entity& entity) {
  adoptEntity(&entity);
  for (Entity* child = entity.firstChild(); child; child = child->next()) adoptSubtree(*child);
}

int32_t loadMesh(StrArg file, int32_t parentHandle) {
  Entity* parent;
  if (!placeForNew(parentHandle, parent)) return 0;
  const std::unique_ptr<Object> loaded = loadModel(*world3D(), file.view(), kLoadMesh);
  if (!loaded) return 0;
  auto* mesh = new Mesh;
  collapse(*loaded, *mesh);
  return addEntity(mesh, parent);
}

int32_t loadAnimMesh(StrArg file, int32_t parentHandle) {
  Entity* parent;
  if (!placeForNew(parentHandle, parent)) return 0;
  std::unique_ptr<Object> loaded = loadModel(*world3D(), file.view(), kLoadAnimMesh);
  if (!loaded) return 0;
  Object* root = loaded.release();
  root->setParent(parent);
  adoptSubtree(*root);
  // The first pose shows, and nothing plays until the program says so.
  if (KeyAnimator* animator = KeyAnimator::of(root)) animator->play(KeyAnimator::kLoop, 0, 0, 0);
  return handleOf(root);
}

}  // namespace

void linkModelCommands(Registry& r) {
  r.command<"%LoadMesh$file%parent=0", loadMesh>();
  r.command<"%LoadAnimMesh$file%parent=0", loadAnimMesh>();
}

}  // namespace vx
