// The level commands: loading a level, its ambient colour and its
// lightmap switch.

#include "engine3d/world.h"
#include "language/string_args.h"
#include "platform/whole_file.h"
#include "runtime/registry.h"
#include "world3d/bsp_model.h"
#include "world3d/world3d_commands.h"

namespace vx {

namespace {

BSPModel* bspOf(int32_t handle) {
  Model* model = entityKindOf<&Entity::getModel>(handle, "Entity is not a model");
  BSPModel* bsp = model ? model->getBSP() : nullptr;
  if (model && !bsp && debugging()) raiseError("Entity is not a BSP Model");
  return bsp;
}

int32_t loadBSP(StrArg file, float gammaAdjust, int32_t parentHandle) {
  Entity* parent;
  if (!placeForNew(parentHandle, parent)) return 0;
  const std::optional<std::vector<uint8_t>> bytes = readWholeFile(file.view());
  if (!bytes) return 0;
  World& world = *world3D();
  std::unique_ptr<BSPLevel> level;
  if (world.graphics) {
    const BSPTextureSource source{*world.graphics, world.textureFilters, file.str(), gammaAdjust};
    level = readBSPLevel(*bytes, &source);
  } else {
    level = readBSPLevel(*bytes, nullptr);
  }
  if (!level) return 0;
  return addEntity(new BSPModel(std::move(level)), parent);
}

void bspAmbientLight(int32_t handle, float red, float green, float blue) {
  if (BSPModel* bsp = bspOf(handle)) bsp->setAmbient(Vector{red, green, blue} * kColorScale);
}

void bspLighting(int32_t handle, int32_t useLightmaps) {
  if (BSPModel* bsp = bspOf(handle)) bsp->setLighting(useLightmaps != 0);
}

}  // namespace

void linkBSPCommands(Registry& r) {
  r.command<"%LoadBSP$file#gamma_adj=0%parent=0", loadBSP>();
  r.command<"BSPAmbientLight%bsp#red#green#blue", bspAmbientLight>();
  r.command<"BSPLighting%bsp%use_lightmaps", bspLighting>();
}

}  // namespace vx
