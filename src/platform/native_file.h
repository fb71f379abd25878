#pragma once
// Whole files in memory by native path, for the runtime's loaders and for
// the tools that read modules. A file that cannot be opened, is not a
// regular file or does not fit in memory gives nothing; where the caller
// asks, with the reason in words.

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace vx {

// Opens the regular file at a native path positioned at its end, giving its
// size (a directory would open too, with a meaningless size).
bool openAtEnd(const std::string& path, std::ifstream& in, std::streamoff& size, std::string* problem = nullptr);

// The bytes of the file at a native path.
std::optional<std::vector<uint8_t>> readNativeFile(const std::string& path, std::string* problem = nullptr);

}  // namespace vx
