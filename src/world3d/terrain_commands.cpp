// The terrain commands: making terrains flat or from a heightmap image,
// their detail, shading and size, reading and changing heights, and points
// on the surface.

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "engine3d/world.h"
#include "language/string_args.h"
#include "platform/file_system.h"
#include "platform/graphics_device.h"
#include "runtime/registry.h"
#include "world3d/terrain.h"
#include "world3d/world3d_commands.h"

namespace vx {

namespace {

// Illegal sizes are refused with or without the debugging flag.
int exponentOrFail(int32_t size) {
  for (int e = 0; e <= TerrainGrid::kMaxExponent; ++e)
    if (size == int32_t(1) << e) return e;
  raiseError("Illegal terrain size");
}

// A terrain of 2^exponent a side, or null when its grid cannot be had.
std::unique_ptr<Terrain> makeTerrain(int exponent) {
  try {
    return std::make_unique<Terrain>(exponent);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

Terrain* terrainOf(int32_t handle) {
  Model* model = entityKindOf<&Entity::getModel>(handle, "Entity is not a model");
  if (!model) return nullptr;
  Terrain* terrain = model->getTerrain();
  if (!terrain && debugging()) raiseError("Entity is not a terrain");
  return terrain;
}

int32_t createTerrain(int32_t gridSize, int32_t parentHandle) {
  const int exponent = exponentOrFail(gridSize);
  Entity* parent;
  if (!placeForNew(parentHandle, parent)) return 0;
  std::unique_ptr<Terrain> terrain = makeTerrain(exponent);
  return terrain ? addEntity(terrain.release(), parent) : 0;
}

// The image is read in 32 bits; the largest of red, green and blue is the
// height, and the image's bottom row is the grid's first.
int32_t loadTerrain(StrArg file, int32_t parentHandle) {
  Entity* parent;
  if (!placeForNew(parentHandle, parent)) return 0;
  GraphicsDevice* graphics = world3D()->graphics;
  auto release = [graphics](Canvas* canvas) { graphics->freeCanvas(canvas); };
  std::unique_ptr<Canvas, decltype(release)> image(
      graphics ? graphics->loadCanvas(nativePath(file.view()), kCanvasArgbSystemMemory) : nullptr, release);
  if (!image) raiseError("Unable to load heightmap image");
  const int32_t side = image->width();
  if (image->height() != side) raiseError("Terrain must be square");
  std::unique_ptr<Terrain> terrain = makeTerrain(exponentOrFail(side));
  if (!terrain || !image->lock()) return 0;
  TerrainGrid& grid = terrain->grid();
  for (int32_t y = 0; y < side; ++y)
    for (int32_t x = 0; x < side; ++x) {
      const uint32_t argb = image->getPixelFast(x, y);
      const uint8_t height = std::max({uint8_t(argb >> 16), uint8_t(argb >> 8), uint8_t(argb)});
      grid.setByte(x, side - 1 - y, height, false);
    }
  image->unlock();
  return addEntity(terrain.release(), parent);
}

void terrainDetail(int32_t handle, int32_t detail, int32_t morph) {
  if (Terrain* terrain = terrainOf(handle)) {
    terrain->detail = detail;
    terrain->morph = morph != 0;
  }
}

void terrainShading(int32_t handle, int32_t enable) {
  if (Terrain* terrain = terrainOf(handle)) terrain->shading = enable != 0;
}

bool onGrid(const Terrain& terrain, int32_t x, int32_t z) {
  return x >= 0 && z >= 0 && x <= terrain.size() && z <= terrain.size();
}

float terrainHeight(int32_t handle, int32_t x, int32_t z) {
  Terrain* terrain = terrainOf(handle);
  return terrain && onGrid(*terrain, x, z) ? terrain->grid().height(x, z) : 0;
}

// Heights outside 0..1 are held to it rather than wrapped round a byte.
void modifyTerrain(int32_t handle, int32_t x, int32_t z, float height, int32_t realtime) {
  Terrain* terrain = terrainOf(handle);
  if (!terrain || !onGrid(*terrain, x, z)) return;
  const float scaled = height * 255;
  const uint8_t value = scaled >= 255 ? 255 : scaled > 0 ? static_cast<uint8_t>(scaled) : 0;
  terrain->grid().setByte(x, z, value, realtime != 0);
}

// The world point of the surface above or below the world point.
template <float Vector::*Axis>
float terrainPoint(int32_t handle, float x, float y, float z) {
  Terrain* terrain = terrainOf(handle);
  if (!terrain) return 0;
  const Transform& world = terrain->worldTransform();
  Vector local = inverse(world) * Vector{x, y, z};
  local.y = terrain->surfaceHeight(local.x, local.z);
  return (world * local).*Axis;
}

int32_t terrainSize(int32_t handle) {
  Terrain* terrain = terrainOf(handle);
  return terrain ? terrain->size() : 0;
}

}  // namespace

void linkTerrainCommands(Registry& r) {
  r.command<"%CreateTerrain%grid_size%parent=0", createTerrain>();
  r.command<"%LoadTerrain$heightmap_file%parent=0", loadTerrain>();
  r.command<"TerrainDetail%terrain%detail_level%morph=0", terrainDetail>();
  r.command<"TerrainShading%terrain%enable", terrainShading>();
  r.command<"#TerrainHeight%terrain%terrain_x%terrain_z", terrainHeight>();
  r.command<"ModifyTerrain%terrain%terrain_x%terrain_z#height%realtime=0", modifyTerrain>();
  r.command<"#TerrainX%terrain#world_x#world_y#world_z", terrainPoint<&Vector::x>>();
  r.command<"#TerrainY%terrain#world_x#world_y#world_z", terrainPoint<&Vector::y>>();
  r.command<"#TerrainZ%terrain#world_x#world_y#world_z", terrainPoint<&Vector::z>>();
  r.command<"%TerrainSize%terrain", terrainSize>();
}

}  // namespace vx
