#pragma once
// Reading MD2 files (Quake II models): the header, texture coordinates,
// triangles and frames. Skins and GL commands are not read.
//
// Every count and offset of the header is checked against the bytes there
// are, and every index of a triangle against its count: a damaged file
// gives null, never a read outside the file or an allocation larger than
// what the file holds calls for.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "world3d/md2_model.h"

namespace vx {

// The model in the bytes of a file; null when they are not a sound MD2
// file.
std::shared_ptr<const MD2Data> readMD2(const uint8_t* bytes, size_t size);
// The model in a file (a program's path, '\' and any case); null when it
// cannot be read or is not a sound MD2 file.
std::shared_ptr<const MD2Data> loadMD2(std::string_view path);

}  // namespace vx
