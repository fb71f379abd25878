// Stripping a 32-bit x86 ELF executable down to what running it needs: the
// bytes of every segment the loader reads stay as they are; symbol tables,
// debugging sections and anything else after the segments go. The section
// headers of what stays are kept, so that tools still read the result.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vxbundle {

// nullopt when the bytes are not a sound 32-bit little-endian x86 ELF
// executable (every header and segment checked against the size).
std::optional<std::vector<uint8_t>> stripExecutable(std::span<const uint8_t> elf);

}  // namespace vxbundle
