#include "platform/whole_file.h"

#include "platform/file_system.h"
#include "platform/native_file.h"

namespace vx {

std::optional<std::vector<uint8_t>> readWholeFile(std::string_view path) { return readNativeFile(nativePath(path)); }

}  // namespace vx
