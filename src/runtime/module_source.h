// Where the module bytes come from: the payload appended to the running
// executable, a module file, or a Windows executable that carries the module
// as its resource of type 10 (RT_RCDATA), id 1111.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vx {

// Trailer that ends an executable with an embedded module: the module bytes,
// then the uint32 little-endian module size, then these 8 ASCII bytes.
inline constexpr char kEmbeddedModuleMagic[8] = {'V', 'X', 'M', 'O', 'D', 'U', 'L', 'E'};
inline constexpr uint32_t kEmbeddedTrailerSize = 12;

inline constexpr uint32_t kModuleResourceType = 10;  // RT_RCDATA
inline constexpr uint32_t kModuleResourceId = 1111;

// vxrun carries this text once; in the runtime it writes, vxbundle turns its
// last character into '1', so that a stand-alone executable knows itself
// even after its module has been stripped off.
#define VX_STAND_ALONE_MARK "VXRUN-STAND-ALONE:0"

// True in a stand-alone executable made by vxbundle.
bool isStandAloneExecutable();

// The module appended to the file at exePath; nullopt when the file has no
// trailer, an empty payload, or a size that does not fit in the file.
std::optional<std::vector<uint8_t>> readEmbeddedModule(const std::string& exePath);

// A file starting with "MZ" is a Windows executable: its module resource is
// returned (nullopt when it has none or the file is damaged). Any other file
// is a module file and is returned as it is. nullopt when unreadable; then
// problem, when given, says why ("no such file").
std::optional<std::vector<uint8_t>> readModuleFile(const std::string& path, std::string* problem = nullptr);

// The data of the resource with numeric type and id (first language) in a PE
// file image (PE32 or PE32+), read from the file layout; nullopt when absent
// or when any structure on the way lies outside the image.
std::optional<std::vector<uint8_t>> findPeResource(std::span<const uint8_t> image, uint32_t type, uint32_t id);

}  // namespace vx
