#pragma once
// DirectX model files: top-level frames become a hierarchy of meshes under
// an empty root mesh, top-level meshes add their geometry to the root, and
// animation sets give the frames they name key-frame keys, played by an
// animator on the root. The loader matrix of "x" applies.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "world3d/model_files.h"

namespace vx {

// The hierarchy of an X file; null when the file cannot be read or is not
// an X file. Of a damaged file, what can be read safely loads: counts are
// bounded by the values the records hold, numbers naming no vertex are
// passed over.
std::unique_ptr<Object> loadX(const ModelLoad& load);
// The same of the file's bytes, already read.
std::unique_ptr<Object> readX(const ModelLoad& load, std::span<const uint8_t> bytes);

}  // namespace vx
