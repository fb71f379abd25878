// vxmod core: turns 32-bit ELF relocatable objects into a Vexel Basic module.
//
// A module is one block of position-dependent i386 code (data and bss live in
// it too), entered at byte 0, with a table of its own symbols and two tables
// of relocations that name the symbols they need. The file is a plain
// little-endian concatenation:
//
//   int32 code size C, C bytes of code,
//   int32 S, S symbol records,
//   int32 R, R relative relocation records,
//   int32 A, A absolute relocation records,
//
// where a record is a zero-terminated name followed by a 4-byte offset into
// the code. At load time the runtime adds (target - site) to a relative site
// and target to an absolute one, looking names up among the module's symbols
// first and then among the runtime's.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vxmod {

// Every problem with the input: the message names the file and, where it
// applies, the section and relocation involved.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Record {
    std::string name;
    uint32_t offset = 0;

    bool operator==(const Record&) const = default;
};

struct ModuleImage {
    std::vector<uint8_t> code;
    std::vector<Record> symbols;
    std::vector<Record> relative;
    std::vector<Record> absolute;
};

struct InputObject {
    std::string name;            // used in messages only
    std::vector<uint8_t> bytes;  // the whole .o file
};

struct BuildOptions {
    // Symbol to enter at byte 0; without one, __MAIN, which an object must
    // then define.
    std::optional<std::string> entry;
    // When set: the undefined names that the runtime resolves. Any other
    // undefined name is an error, and the error names all of them.
    std::function<bool(std::string_view)> runtimeResolves;
};

// True for the link name of every command and internal symbol of the
// language ("_floadimage", "__vxStrConst").
bool isRuntimeName(std::string_view linkName);

// Name of the module symbol that the builder places at offset 0 for
// relocations against local symbols and sections: an absolute site then
// holds its target's offset in the code, and the runtime adds the base.
// No C identifier can start with '.', so it cannot clash.
inline constexpr const char* kBaseSymbol = ".";

// Lays out the objects and builds the module. Throws Error.
ModuleImage buildModule(const std::vector<InputObject>& objects, const BuildOptions& options = {});

// The module file bytes for an image.
std::vector<uint8_t> serializeModule(const ModuleImage& image);

}  // namespace vxmod
