#pragma once
// A whole file in memory, for loaders that parse a file's bytes. The path
// is a program's path (nativePath); a file that cannot be opened, is not
// a regular file or does not fit in memory gives nothing.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace vx {

std::optional<std::vector<uint8_t>> readWholeFile(std::string_view path);

}  // namespace vx
