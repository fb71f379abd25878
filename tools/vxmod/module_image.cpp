// The module file encoding of a ModuleImage.
#include <limits>

#include "vxmod_core.h"

namespace vxmod {

namespace {

void put32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint32_t count(size_t n, const char* what) {
    if (n > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        throw Error(std::string("too many ") + what + " for a module");
    return static_cast<uint32_t>(n);
}

void putTable(std::vector<uint8_t>& out, const std::vector<Record>& records, const char* what) {
    put32(out, count(records.size(), what));
    for (const Record& r : records) {
        if (r.name.find('\0') != std::string::npos) throw Error("module name contains a zero byte: " + r.name);
        out.insert(out.end(), r.name.begin(), r.name.end());
        out.push_back(0);
        put32(out, r.offset);
    }
}

}  // namespace

std::vector<uint8_t> serializeModule(const ModuleImage& image) {
    std::vector<uint8_t> out;
    put32(out, count(image.code.size(), "code bytes"));
    out.insert(out.end(), image.code.begin(), image.code.end());
    putTable(out, image.symbols, "symbols");
    putTable(out, image.relative, "relative relocations");
    putTable(out, image.absolute, "absolute relocations");
    return out;
}

}  // namespace vxmod
