#include "elf_object.h"

#include <elf.h>

#include <cstdio>
#include <cstring>
#include <iterator>

#include "vxmod_core.h"

namespace vxmod {

namespace {

[[noreturn]] void fail(const std::string& file, const std::string& what) {
    throw Error(file + ": " + what);
}

// True when [offset, offset + size) lies inside a buffer of `total` bytes.
bool fits(uint64_t offset, uint64_t size, uint64_t total) {
    return offset <= total && size <= total - offset;
}

template <typename T>
T readAt(std::span<const uint8_t> bytes, uint64_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

// A zero-terminated string at `offset` in a string table section.
bool stringAt(std::span<const uint8_t> table, uint32_t offset, std::string& out) {
    if (offset >= table.size()) return false;
    const auto* begin = reinterpret_cast<const char*>(table.data()) + offset;
    const void* end = std::memchr(begin, 0, table.size() - offset);
    if (!end) return false;
    out.assign(begin, static_cast<const char*>(end));
    return true;
}

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

class Reader {
public:
    Reader(const std::string& file, std::span<const uint8_t> bytes) : bytes_(bytes) { object_.file = file; }

    ElfObject read() {
        readHeader();
        readSectionHeaders();
        for (uint32_t i = 1; i < object_.sections.size(); ++i) {
            const ElfSection& s = object_.sections[i];
            if (s.type == SHT_SYMTAB_SHNDX)
                fail(object_.file, "section " + s.name + ": extended section indices (SHN_XINDEX) are not supported");
            if (s.type == SHT_SYMTAB) readSymbols(i);
        }
        for (uint32_t i = 1; i < object_.sections.size(); ++i) {
            const uint32_t type = object_.sections[i].type;
            if (type == SHT_REL || type == SHT_RELA) readRelocations(i);
            if (type == SHT_GROUP) readGroup(i);
        }
        return std::move(object_);
    }

private:
    [[noreturn]] void failSection(uint32_t index, const std::string& what) const {
        const ElfSection& s = object_.sections[index];
        fail(object_.file, "section " + (s.name.empty() ? "#" + std::to_string(index) : s.name) + ": " + what);
    }

    void readHeader() {
        if (bytes_.size() < EI_NIDENT || std::memcmp(bytes_.data(), ELFMAG, SELFMAG) != 0)
            fail(object_.file, "not an ELF object file");
        if (bytes_[EI_CLASS] != ELFCLASS32)
            fail(object_.file, "not a 32-bit ELF object (build it with gcc -m32)");
        if (bytes_[EI_DATA] != ELFDATA2LSB) fail(object_.file, "not a little-endian ELF object");
        if (bytes_.size() < sizeof(Elf32_Ehdr)) fail(object_.file, "truncated ELF header");
        header_ = readAt<Elf32_Ehdr>(bytes_, 0);
        if (header_.e_type != ET_REL)
            fail(object_.file, "not a relocatable object (ELF type " + std::to_string(header_.e_type) +
                                   "); vxmod takes .o files from gcc -c or ld -r");
        if (header_.e_machine != EM_386)
            fail(object_.file, "not an i386 object (ELF machine " + std::to_string(header_.e_machine) + ")");
        if (header_.e_shoff == 0) fail(object_.file, "no section header table");
        if (header_.e_shnum == 0 || header_.e_shstrndx == SHN_XINDEX)
            fail(object_.file, "extended section numbering (SHN_XINDEX) is not supported");
        if (header_.e_shentsize != sizeof(Elf32_Shdr))
            fail(object_.file, "unexpected section header size " + std::to_string(header_.e_shentsize));
        if (!fits(header_.e_shoff, uint64_t{header_.e_shnum} * sizeof(Elf32_Shdr), bytes_.size()))
            fail(object_.file, "section header table lies outside the file (truncated?)");
        if (header_.e_shstrndx == SHN_UNDEF || header_.e_shstrndx >= header_.e_shnum)
            fail(object_.file, "invalid section name table index " + std::to_string(header_.e_shstrndx));
    }

    void readSectionHeaders() {
        const uint32_t count = header_.e_shnum;
        object_.sections.resize(count);
        std::vector<uint32_t> nameOffsets(count);
        for (uint32_t i = 0; i < count; ++i) {
            const auto h = readAt<Elf32_Shdr>(bytes_, header_.e_shoff + uint64_t{i} * sizeof(Elf32_Shdr));
            ElfSection& s = object_.sections[i];
            s.type = h.sh_type;
            s.flags = h.sh_flags;
            s.size = h.sh_size;
            s.link = h.sh_link;
            s.info = h.sh_info;
            nameOffsets[i] = h.sh_name;
            if (i == 0) continue;
            if (h.sh_addralign > 1 && (h.sh_addralign & (h.sh_addralign - 1)) != 0)
                failSection(i, "alignment " + std::to_string(h.sh_addralign) + " is not a power of two");
            s.align = h.sh_addralign ? h.sh_addralign : 1;
            if (s.type != SHT_NOBITS && s.type != SHT_NULL) {
                if (!fits(h.sh_offset, h.sh_size, bytes_.size()))
                    failSection(i, "contents lie outside the file (truncated?)");
                s.contents = bytes_.subspan(h.sh_offset, h.sh_size);
            }
        }
        const ElfSection& names = object_.sections[header_.e_shstrndx];
        if (names.type != SHT_STRTAB) fail(object_.file, "section name table is not a string table");
        for (uint32_t i = 1; i < count; ++i)
            if (!stringAt(names.contents, nameOffsets[i], object_.sections[i].name))
                fail(object_.file, "section #" + std::to_string(i) + " has an invalid name offset");
    }

    void readSymbols(uint32_t index) {
        const ElfSection& table = object_.sections[index];
        if (!object_.symbols.empty()) failSection(index, "more than one symbol table");
        if (table.size % sizeof(Elf32_Sym) != 0) failSection(index, "size is not a multiple of the symbol size");
        if (table.link == 0 || table.link >= object_.sections.size() ||
            object_.sections[table.link].type != SHT_STRTAB)
            failSection(index, "invalid string table link " + std::to_string(table.link));
        symbolTable_ = index;
        const std::span<const uint8_t> strings = object_.sections[table.link].contents;
        const uint32_t count = table.size / sizeof(Elf32_Sym);
        object_.symbols.resize(count);
        for (uint32_t i = 0; i < count; ++i) {
            const auto raw = readAt<Elf32_Sym>(table.contents, uint64_t{i} * sizeof(Elf32_Sym));
            ElfSymbol& sym = object_.symbols[i];
            if (!stringAt(strings, raw.st_name, sym.name))
                failSection(index, "symbol #" + std::to_string(i) + " has an invalid name offset");
            sym.value = raw.st_value;
            sym.size = raw.st_size;
            sym.bind = ELF32_ST_BIND(raw.st_info);
            sym.type = ELF32_ST_TYPE(raw.st_info);
            sym.section = raw.st_shndx;
            if (sym.section == SHN_XINDEX)
                failSection(index, "symbol " + sym.name + ": extended section index (SHN_XINDEX) is not supported");
            if (sym.section != SHN_UNDEF && sym.section != SHN_ABS && sym.section != SHN_COMMON &&
                sym.section >= object_.sections.size())
                failSection(index, "symbol " + sym.name + " has invalid section index " + std::to_string(sym.section));
            if (sym.section == SHN_COMMON && sym.value > 1 && (sym.value & (sym.value - 1)) != 0)
                failSection(index, "common symbol " + sym.name + " has alignment " + std::to_string(sym.value) +
                                       ", not a power of two");
        }
    }

    void readRelocations(uint32_t index) {
        const ElfSection& s = object_.sections[index];
        ElfRelocationSet set;
        set.section = index;
        set.withAddend = s.type == SHT_RELA;
        set.target = s.info;
        if (set.target == 0 || set.target >= object_.sections.size())
            failSection(index, "invalid target section index " + std::to_string(set.target));
        if (s.link != symbolTable_ || symbolTable_ == 0)
            failSection(index, "does not refer to the object's symbol table");
        const size_t entrySize = set.withAddend ? sizeof(Elf32_Rela) : sizeof(Elf32_Rel);
        if (s.size % entrySize != 0) failSection(index, "size is not a multiple of the relocation size");
        const uint32_t count = s.size / entrySize;
        set.entries.resize(count);
        for (uint32_t i = 0; i < count; ++i) {
            const auto raw = readAt<Elf32_Rel>(s.contents, uint64_t{i} * entrySize);
            ElfRelocation& r = set.entries[i];
            r.offset = raw.r_offset;
            r.symbol = ELF32_R_SYM(raw.r_info);
            r.type = ELF32_R_TYPE(raw.r_info);
            if (r.symbol >= object_.symbols.size())
                failSection(index, "relocation at offset " + hex(r.offset) + " has invalid symbol index " +
                                       std::to_string(r.symbol));
        }
        object_.relocations.push_back(std::move(set));
    }

    void readGroup(uint32_t index) {
        const ElfSection& s = object_.sections[index];
        if (s.size < 4 || s.size % 4 != 0) failSection(index, "malformed section group");
        if (s.link != symbolTable_ || symbolTable_ == 0 || s.info >= object_.symbols.size())
            failSection(index, "section group has an invalid signature symbol");
        ElfGroup group;
        group.signature = object_.symbols[s.info].name;
        group.comdat = (readAt<uint32_t>(s.contents, 0) & GRP_COMDAT) != 0;
        for (uint32_t at = 4; at < s.size; at += 4) {
            const auto member = readAt<uint32_t>(s.contents, at);
            if (member == 0 || member >= object_.sections.size())
                failSection(index, "section group names invalid section index " + std::to_string(member));
            group.members.push_back(member);
        }
        object_.groups.push_back(std::move(group));
    }

    std::span<const uint8_t> bytes_;
    Elf32_Ehdr header_{};
    uint32_t symbolTable_ = 0;
    ElfObject object_;
};

}  // namespace

ElfObject readElfObject(const std::string& file, std::span<const uint8_t> bytes) {
    return Reader(file, bytes).read();
}

std::string relocationTypeName(uint32_t type) {
    static const char* const names[] = {
        "R_386_NONE",     "R_386_32",        "R_386_PC32",       "R_386_GOT32",       "R_386_PLT32",
        "R_386_COPY",     "R_386_GLOB_DAT",  "R_386_JMP_SLOT",   "R_386_RELATIVE",    "R_386_GOTOFF",
        "R_386_GOTPC",    "R_386_32PLT",     nullptr,            nullptr,             "R_386_TLS_TPOFF",
        "R_386_TLS_IE",   "R_386_TLS_GOTIE", "R_386_TLS_LE",     "R_386_TLS_GD",      "R_386_TLS_LDM",
        "R_386_16",       "R_386_PC16",      "R_386_8",          "R_386_PC8",         "R_386_TLS_GD_32",
        "R_386_TLS_GD_PUSH", "R_386_TLS_GD_CALL", "R_386_TLS_GD_POP", "R_386_TLS_LDM_32", "R_386_TLS_LDM_PUSH",
        "R_386_TLS_LDM_CALL", "R_386_TLS_LDM_POP", "R_386_TLS_LDO_32", "R_386_TLS_IE_32", "R_386_TLS_LE_32",
        "R_386_TLS_DTPMOD32", "R_386_TLS_DTPOFF32", "R_386_TLS_TPOFF32", "R_386_SIZE32", "R_386_TLS_GOTDESC",
        "R_386_TLS_DESC_CALL", "R_386_TLS_DESC", "R_386_IRELATIVE", "R_386_GOT32X",
    };
    if (type < std::size(names) && names[type]) return names[type];
    return "type " + std::to_string(type);
}

}  // namespace vxmod
