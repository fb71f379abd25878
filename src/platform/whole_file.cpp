#include "platform/whole_file.h"

#include <filesystem>
#include <fstream>
#include <new>

#include "platform/file_system.h"

namespace vx {

std::optional<std::vector<uint8_t>> readWholeFile(std::string_view path) {
  const std::string native = nativePath(path);
  std::error_code error;
  if (!std::filesystem::is_regular_file(native, error)) return std::nullopt;
  std::ifstream in(native, std::ios::binary | std::ios::ate);
  const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
  if (size < 0 || static_cast<uint64_t>(size) > SIZE_MAX / 2) return std::nullopt;
  try {
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) return std::nullopt;
    return bytes;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

}  // namespace vx
