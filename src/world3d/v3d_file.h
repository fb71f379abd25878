#pragma once
// V3D model files, the engine's own format: a tree of tagged chunks that
// holds textures, brushes and a hierarchy of nodes with meshes, key-frame
// animation and bone weights. Coordinates, rotations and keys are used as
// stored (no loader matrix).

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "world3d/model_files.h"

namespace vx {

// The hierarchy of a V3D file; null when the file cannot be read or does
// not start with a V3D header of a version below 2. Of a damaged file, what
// can be read safely loads: a number naming no texture, brush or vertex is
// passed over, a chunk running past its parent ends with it.
std::unique_ptr<Object> loadV3D(const ModelLoad& load);
// The same of the file's bytes, already read.
std::unique_ptr<Object> readV3D(const ModelLoad& load, std::span<const uint8_t> bytes);

}  // namespace vx
