// vxmod -o OUTPUT.vxm [-e ENTRY] [--allow-undefined] OBJECT.o...
//
// Builds a Vexel Basic module from 32-bit ELF relocatable objects.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <new>

#include "vxmod_core.h"

namespace {

const char kUsage[] =
    "usage: vxmod -o OUTPUT.vxm [-e ENTRY] [--allow-undefined] OBJECT.o...\n"
    "  Builds a Vexel Basic module from 32-bit ELF relocatable objects\n"
    "  (gcc -m32 -fno-pic -c, or ld -m elf_i386 -r).\n"
    "  -o OUTPUT           module file to write\n"
    "  -e ENTRY            symbol entered at byte 0 (default: __MAIN)\n"
    "  --allow-undefined   leave names that are neither commands nor internal\n"
    "                      symbols of the runtime undefined (user libraries)\n";

std::vector<uint8_t> readFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        throw vxmod::Error("cannot read " + path + ": " + (error ? error.message() : "not a regular file"));
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) throw vxmod::Error("cannot open " + path + ": " + std::strerror(errno));
    std::vector<uint8_t> bytes(static_cast<size_t>(in.tellg()));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        throw vxmod::Error("cannot read " + path);
    return bytes;
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw vxmod::Error("cannot create " + path + ": " + std::strerror(errno));
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::remove(path.c_str());
        throw vxmod::Error("cannot write " + path);
    }
}

int usageError(const std::string& what) {
    std::cerr << "vxmod: " << what << "\n" << kUsage;
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string output;
    vxmod::BuildOptions options;
    std::vector<std::string> inputs;
    bool optionsDone = false;
    bool allowUndefined = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsDone || arg.empty() || arg[0] != '-') {
            inputs.push_back(arg);
        } else if (arg == "--") {
            optionsDone = true;
        } else if (arg == "--allow-undefined") {
            allowUndefined = true;
        } else if (arg == "-h" || arg == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "-o" || arg == "-e") {
            if (i + 1 >= argc) return usageError("option " + arg + " needs an argument");
            const std::string value = argv[++i];
            if (arg == "-o")
                output = value;
            else
                options.entry = value;
        } else {
            return usageError("unknown option " + arg);
        }
    }
    if (output.empty()) return usageError("no output file (-o)");
    if (inputs.empty()) return usageError("no input objects");
    if (options.entry && options.entry->empty()) return usageError("empty entry symbol name");
    if (!allowUndefined) options.runtimeResolves = vxmod::isRuntimeName;

    try {
        std::vector<vxmod::InputObject> objects;
        for (const std::string& path : inputs) objects.push_back({path, readFile(path)});
        writeFile(output, vxmod::serializeModule(vxmod::buildModule(objects, options)));
    } catch (const vxmod::Error& e) {
        std::cerr << "vxmod: error: " << e.what() << "\n";
        return 1;
    } catch (const std::bad_alloc&) {
        std::cerr << "vxmod: error: out of memory\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "vxmod: error: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
