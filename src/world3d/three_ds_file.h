#pragma once
// 3D Studio model files: a tree of chunks (a 16-bit id and a 32-bit length
// that counts the 6-byte header) holding materials, objects with triangle
// meshes and a key-framer that arranges the objects in a hierarchy and
// animates them. Each mesh becomes a child of an empty root mesh, moved
// under its key-framer parent; the animator plays on the root. The loader
// matrix of "3ds" applies (by default it swaps y and z).

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "world3d/model_files.h"

namespace vx {

// The hierarchy of a 3DS file; null when the file cannot be read or its
// first chunk is not the main chunk. Of a damaged file, what can be read
// safely loads: a chunk running past its parent ends with it, counts are
// bounded by the bytes their chunk has, numbers naming no vertex or node
// are passed over.
std::unique_ptr<Object> load3DS(const ModelLoad& load);
// The same of the file's bytes, already read.
std::unique_ptr<Object> read3DS(const ModelLoad& load, std::span<const uint8_t> bytes);

}  // namespace vx
