// Reading one 32-bit little-endian i386 ELF relocatable object. Every offset,
// size and index in the file is checked here, so the layout code can trust
// what it gets: section contents lie inside the file, names are terminated,
// symbol section indices and relocation symbol indices are in range.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vxmod {

struct ElfSection {
    std::string name;
    uint32_t type = 0;
    uint32_t flags = 0;
    uint32_t size = 0;
    uint32_t align = 1;  // a power of two
    uint32_t link = 0;
    uint32_t info = 0;
    std::span<const uint8_t> contents;  // empty for SHT_NOBITS
};

struct ElfSymbol {
    std::string name;
    uint32_t value = 0;
    uint32_t size = 0;
    uint8_t bind = 0;
    uint8_t type = 0;
    uint16_t section = 0;  // SHN_UNDEF, SHN_ABS, SHN_COMMON or a valid section index
};

struct ElfRelocation {
    uint32_t offset = 0;  // inside the target section
    uint32_t symbol = 0;  // a valid symbol index
    uint32_t type = 0;
};

// One SHT_REL or SHT_RELA section.
struct ElfRelocationSet {
    uint32_t section = 0;  // the relocation section itself
    uint32_t target = 0;   // a valid section index
    bool withAddend = false;
    std::vector<ElfRelocation> entries;
};

struct ElfGroup {
    std::string signature;
    bool comdat = false;
    std::vector<uint32_t> members;  // valid section indices
};

struct ElfObject {
    std::string file;
    std::vector<ElfSection> sections;  // index 0 is the null section
    std::vector<ElfSymbol> symbols;    // index 0 is the null symbol
    std::vector<ElfRelocationSet> relocations;
    std::vector<ElfGroup> groups;
};

// Throws Error, naming the file, for anything malformed or unsupported.
// Section contents point into `bytes`, which must outlive the result.
ElfObject readElfObject(const std::string& file, std::span<const uint8_t> bytes);

// "R_386_GOTPC" and the like, or "type N" for an unknown one.
std::string relocationTypeName(uint32_t type);

}  // namespace vxmod
