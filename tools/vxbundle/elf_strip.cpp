#include "elf_strip.h"

#include <elf.h>

#include <algorithm>
#include <cstring>

namespace vxbundle {

namespace {

bool fits(uint64_t offset, uint64_t size, uint64_t total) { return offset <= total && size <= total - offset; }

template <typename T>
T readAt(std::span<const uint8_t> bytes, uint64_t at) {
    T value;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

template <typename T>
void append(std::vector<uint8_t>& out, const T& value) {
    const auto* p = reinterpret_cast<const uint8_t*>(&value);
    out.insert(out.end(), p, p + sizeof value);
}

void alignTo4(std::vector<uint8_t>& out) { out.resize((out.size() + 3) & ~size_t{3}); }

bool isX86Executable(const Elf32_Ehdr& h) {
    return std::memcmp(h.e_ident, ELFMAG, SELFMAG) == 0 && h.e_ident[EI_CLASS] == ELFCLASS32 &&
           h.e_ident[EI_DATA] == ELFDATA2LSB && h.e_machine == EM_386 &&
           (h.e_type == ET_EXEC || h.e_type == ET_DYN);
}

// Sections whose bytes lie in the kept image (or that have none), renumbered,
// then the section names after the image, then the headers.
void appendSections(std::span<const uint8_t> elf, Elf32_Ehdr& header, std::vector<uint8_t>& out, uint64_t kept) {
    const uint32_t count = header.e_shnum;
    const uint32_t tableAt = header.e_shoff;
    const uint32_t namesIndex = header.e_shstrndx;
    const uint32_t entrySize = header.e_shentsize;
    header.e_shoff = 0;
    header.e_shnum = 0;
    header.e_shstrndx = SHN_UNDEF;
    if (count == 0 || entrySize != sizeof(Elf32_Shdr) ||
        !fits(tableAt, uint64_t{count} * sizeof(Elf32_Shdr), elf.size()) || namesIndex >= count)
        return;
    std::vector<Elf32_Shdr> sections(count);
    for (uint32_t i = 0; i < count; ++i) sections[i] = readAt<Elf32_Shdr>(elf, tableAt + uint64_t{i} * sizeof(Elf32_Shdr));
    const Elf32_Shdr& names = sections[namesIndex];
    if (names.sh_type == SHT_NOBITS || !fits(names.sh_offset, names.sh_size, elf.size())) return;

    std::vector<uint32_t> renumbered(count, 0);
    std::vector<Elf32_Shdr> keptSections{Elf32_Shdr{}};
    for (uint32_t i = 1; i < count; ++i) {
        const Elf32_Shdr& s = sections[i];
        const bool inImage = (s.sh_flags & SHF_ALLOC) && (s.sh_type == SHT_NOBITS || fits(s.sh_offset, s.sh_size, kept));
        if (!inImage || i == namesIndex) continue;
        renumbered[i] = static_cast<uint32_t>(keptSections.size());
        keptSections.push_back(s);
    }
    alignTo4(out);
    Elf32_Shdr movedNames = names;
    movedNames.sh_offset = static_cast<uint32_t>(out.size());
    movedNames.sh_addr = 0;
    out.insert(out.end(), elf.begin() + names.sh_offset, elf.begin() + names.sh_offset + names.sh_size);
    renumbered[namesIndex] = static_cast<uint32_t>(keptSections.size());
    keptSections.push_back(movedNames);

    // Sections name each other by index.
    for (Elf32_Shdr& s : keptSections) {
        s.sh_link = s.sh_link < count ? renumbered[s.sh_link] : 0;
        if (s.sh_type == SHT_REL || s.sh_type == SHT_RELA || (s.sh_flags & SHF_INFO_LINK))
            s.sh_info = s.sh_info < count ? renumbered[s.sh_info] : 0;
    }
    alignTo4(out);
    header.e_shoff = static_cast<uint32_t>(out.size());
    header.e_shnum = static_cast<uint16_t>(keptSections.size());
    header.e_shstrndx = static_cast<uint16_t>(keptSections.size() - 1);
    for (const Elf32_Shdr& s : keptSections) append(out, s);
}

}  // namespace

std::optional<std::vector<uint8_t>> stripExecutable(std::span<const uint8_t> elf) {
    if (elf.size() < sizeof(Elf32_Ehdr)) return std::nullopt;
    Elf32_Ehdr header = readAt<Elf32_Ehdr>(elf, 0);
    if (!isX86Executable(header) || header.e_phnum == 0 || header.e_phentsize != sizeof(Elf32_Phdr) ||
        !fits(header.e_phoff, uint64_t{header.e_phnum} * sizeof(Elf32_Phdr), elf.size()))
        return std::nullopt;
    uint64_t kept = std::max<uint64_t>(sizeof(Elf32_Ehdr), header.e_phoff + uint64_t{header.e_phnum} * sizeof(Elf32_Phdr));
    for (uint32_t i = 0; i < header.e_phnum; ++i) {
        const auto segment = readAt<Elf32_Phdr>(elf, header.e_phoff + uint64_t{i} * sizeof(Elf32_Phdr));
        if (segment.p_filesz == 0) continue;
        if (!fits(segment.p_offset, segment.p_filesz, elf.size())) return std::nullopt;
        kept = std::max<uint64_t>(kept, uint64_t{segment.p_offset} + segment.p_filesz);
    }
    std::vector<uint8_t> out(elf.begin(), elf.begin() + static_cast<std::ptrdiff_t>(kept));
    appendSections(elf, header, out, kept);
    std::memcpy(out.data(), &header, sizeof header);
    return out;
}

}  // namespace vxbundle
