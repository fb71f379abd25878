#pragma once
// Model files: the loader of each file extension and what every loader is
// given. A loader makes the entities of a file into a new hierarchy: not
// yet in the world's handle set and without a parent, which the loading
// command then gives it (or frees it).
//
// While a file loads, its directory is the texture directory, so the
// textures it names are found beside it.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine3d/entity.h"
#include "engine3d/world.h"

namespace vx {

// Why a file is loaded. Loaders of some formats leave out what the purpose
// does not need.
enum ModelLoadFlags : int32_t {
  kLoadAnimMesh = 0,  // the hierarchy with its animation
  kLoadMesh = 1,      // geometry to be collapsed into one mesh: no animator
  kLoadAnimSeq = 2,   // only the hierarchy's names and keys matter
};

struct ModelLoad {
  World& world;  // textures load through its graphics device and filters
  std::string path;  // as the system opens it
  int32_t flags;
  Matrix matrix;  // the loader matrix of the extension
};

using ModelLoader = std::unique_ptr<Object> (*)(const ModelLoad& load);

// The hierarchy of a model file, chosen by its extension (any case); null
// when the extension has no loader or nothing loads.
std::unique_ptr<Object> loadModel(World& world, std::string_view file, int32_t flags);

// Larger files cannot be held whole in a 32-bit process beside everything
// else: they are not read.
constexpr uint64_t kLargestModelFile = 512 << 20;

}  // namespace vx
