// vxbundle VXRUN MODULE OUTPUT
//
// Makes a stand-alone executable: the vxrun executable, stripped and marked
// as stand-alone (without any module it already carries), then the module
// bytes, then a 12-byte trailer: the module size as uint32 little-endian and
// the ASCII bytes "VXMODULE". vxrun looks for that trailer at the end of its
// own file when it starts.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "elf_strip.h"
#include "runtime/module_source.h"

namespace {

constexpr const char (&kMagic)[8] = vx::kEmbeddedModuleMagic;
constexpr size_t kTrailerSize = vx::kEmbeddedTrailerSize;

const char kUsage[] =
    "usage: vxbundle VXRUN MODULE OUTPUT\n"
    "  Writes OUTPUT, a stripped copy of the VXRUN executable that runs\n"
    "  MODULE (a module file made by vxmod) by itself. Do not strip OUTPUT:\n"
    "  that cuts the module off.\n";

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::vector<uint8_t> readFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        throw Failure("cannot read " + path + ": " + (error ? error.message() : "not a regular file"));
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) throw Failure("cannot open " + path + ": " + std::strerror(errno));
    std::vector<uint8_t> bytes(static_cast<size_t>(in.tellg()));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        throw Failure("cannot read " + path);
    return bytes;
}

uint32_t le32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// Drops a module that an earlier vxbundle appended.
void stripEmbeddedModule(std::vector<uint8_t>& exe) {
    if (exe.size() < kTrailerSize) return;
    const uint8_t* trailer = exe.data() + exe.size() - kTrailerSize;
    if (std::memcmp(trailer + 4, kMagic, sizeof kMagic) != 0) return;
    const uint32_t size = le32(trailer);
    if (size > exe.size() - kTrailerSize) return;
    exe.resize(exe.size() - kTrailerSize - size);
}

// The runtime without symbols and debugging sections, marked as a
// stand-alone executable.
std::vector<uint8_t> strippedRuntime(const std::string& path, const std::vector<uint8_t>& exe) {
    std::optional<std::vector<uint8_t>> stripped = vxbundle::stripExecutable(exe);
    const std::string mark = VX_STAND_ALONE_MARK;
    const std::string_view unset(mark.data(), mark.size() - 1);
    std::vector<uint8_t>::iterator found;
    if (stripped) found = std::search(stripped->begin(), stripped->end(), unset.begin(), unset.end());
    if (!stripped || found == stripped->end() ||
        std::search(found + 1, stripped->end(), unset.begin(), unset.end()) != stripped->end())
        throw Failure(path + " is not vxrun, the Vexel Basic runtime");
    found[static_cast<std::ptrdiff_t>(unset.size())] = '1';
    return std::move(*stripped);
}

// Catches a swapped argument order or a file that is no module at all: the
// leading code size must fit in the file.
void checkModule(const std::string& path, const std::vector<uint8_t>& module) {
    if (module.size() < 4 || le32(module.data()) > module.size() - 4)
        throw Failure(path + " is not a module file");
}

void writeExecutable(const std::string& path, const std::vector<uint8_t>& exe, const std::vector<uint8_t>& module) {
    uint8_t trailer[kTrailerSize];
    const auto size = static_cast<uint32_t>(module.size());
    for (int i = 0; i < 4; ++i) trailer[i] = static_cast<uint8_t>(size >> (8 * i));
    std::memcpy(trailer + 4, kMagic, sizeof kMagic);

    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw Failure("cannot create " + path + ": " + std::strerror(errno));
    out.write(reinterpret_cast<const char*>(exe.data()), static_cast<std::streamsize>(exe.size()));
    out.write(reinterpret_cast<const char*>(module.data()), static_cast<std::streamsize>(module.size()));
    out.write(reinterpret_cast<const char*>(trailer), sizeof trailer);
    out.close();
    if (!out) {
        std::remove(path.c_str());
        throw Failure("cannot write " + path);
    }
    if (chmod(path.c_str(), 0755) != 0)
        throw Failure("cannot make " + path + " executable: " + std::strerror(errno));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::cout << kUsage;
        return 0;
    }
    if (argc != 4) {
        std::cerr << kUsage;
        return 1;
    }
    try {
        // Both inputs are read completely first, so OUTPUT may name VXRUN.
        std::vector<uint8_t> exe = readFile(argv[1]);
        const std::vector<uint8_t> module = readFile(argv[2]);
        checkModule(argv[2], module);
        stripEmbeddedModule(exe);
        const std::vector<uint8_t> runtime = strippedRuntime(argv[1], exe);
        writeExecutable(argv[3], runtime, module);
        std::cout << "vxbundle: wrote " << argv[3] << ", " << runtime.size() + module.size() + kTrailerSize
                  << " bytes: the runtime (" << runtime.size() << ") and " << argv[2] << " (" << module.size()
                  << ")\n";
    } catch (const Failure& e) {
        std::cerr << "vxbundle: error: " << e.what() << "\n";
        return 1;
    } catch (const std::bad_alloc&) {
        std::cerr << "vxbundle: error: out of memory\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "vxbundle: error: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
