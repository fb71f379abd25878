#include "runtime/module_source.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <new>

#include "platform/native_file.h"

namespace vx {

namespace {

// The copy of the mark this executable carries.
[[gnu::used]] volatile const char carriedMark[] = VX_STAND_ALONE_MARK;

void say(std::string* problem, std::string text) {
    if (problem) *problem = std::move(text);
}

uint32_t le32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// Bounds-checked little-endian reads from a PE image. Every read goes through
// here, so a truncated or damaged file ends the walk instead of reading past it.
class PeImage {
public:
    explicit PeImage(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    bool has(uint64_t offset, uint64_t size) const {
        return offset <= bytes_.size() && size <= bytes_.size() - offset;
    }

    std::optional<uint16_t> u16(uint64_t offset) const {
        if (!has(offset, 2)) return std::nullopt;
        return static_cast<uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
    }

    std::optional<uint32_t> u32(uint64_t offset) const {
        if (!has(offset, 4)) return std::nullopt;
        return le32(bytes_.data() + offset);
    }

    std::span<const uint8_t> bytes() const { return bytes_; }

private:
    std::span<const uint8_t> bytes_;
};

struct Section {
    uint32_t virtualAddress;
    uint32_t virtualSize;
    uint32_t rawSize;
    uint32_t rawOffset;
};

// Maps an RVA range onto the file: the whole range must lie in the part of
// one section that the file holds.
std::optional<uint64_t> fileOffset(const PeImage& pe, const std::vector<Section>& sections, uint64_t rva,
                                   uint64_t size) {
    for (const Section& s : sections) {
        const uint64_t extent = s.virtualSize ? std::min(s.virtualSize, s.rawSize) : s.rawSize;
        if (rva < s.virtualAddress) continue;
        const uint64_t inSection = rva - s.virtualAddress;
        if (inSection >= extent && !(size == 0 && inSection == extent)) continue;
        if (size > extent - inSection) return std::nullopt;
        const uint64_t offset = uint64_t{s.rawOffset} + inSection;
        if (!pe.has(offset, size)) return std::nullopt;
        return offset;
    }
    return std::nullopt;
}

constexpr uint32_t kSubdirectory = 0x80000000u;
constexpr uint32_t kNamed = 0x80000000u;

}  // namespace

std::optional<std::vector<uint8_t>> findPeResource(std::span<const uint8_t> image, uint32_t type, uint32_t id) {
    const PeImage pe(image);
    if (!pe.has(0, 0x40) || image[0] != 'M' || image[1] != 'Z') return std::nullopt;
    const uint32_t peHeader = *pe.u32(0x3C);
    if (!pe.has(peHeader, 24) || std::memcmp(image.data() + peHeader, "PE\0\0", 4) != 0) return std::nullopt;

    const uint64_t coff = uint64_t{peHeader} + 4;
    const uint16_t sectionCount = *pe.u16(coff + 2);
    const uint16_t optionalSize = *pe.u16(coff + 16);
    const uint64_t optional = coff + 20;
    if (!pe.has(optional, optionalSize)) return std::nullopt;

    // PE32 and PE32+ differ in where the data directories start.
    const auto magic = pe.u16(optional);
    if (!magic || optionalSize < 2) return std::nullopt;
    uint64_t directoryCountAt;
    if (*magic == 0x10B)
        directoryCountAt = 92;
    else if (*magic == 0x20B)
        directoryCountAt = 108;
    else
        return std::nullopt;
    constexpr uint32_t kResourceDirectory = 2;
    const uint64_t resourceEntry = directoryCountAt + 4 + kResourceDirectory * 8;
    if (optionalSize < resourceEntry + 8) return std::nullopt;
    if (*pe.u32(optional + directoryCountAt) <= kResourceDirectory) return std::nullopt;
    const uint32_t resourceRva = *pe.u32(optional + resourceEntry);
    if (resourceRva == 0) return std::nullopt;

    const uint64_t sectionTable = optional + optionalSize;
    if (!pe.has(sectionTable, uint64_t{sectionCount} * 40)) return std::nullopt;
    std::vector<Section> sections(sectionCount);
    for (uint32_t i = 0; i < sectionCount; ++i) {
        const uint64_t at = sectionTable + uint64_t{i} * 40;
        sections[i] = {*pe.u32(at + 12), *pe.u32(at + 8), *pe.u32(at + 16), *pe.u32(at + 20)};
    }

    // Directory offsets are relative to the start of the resource data; each
    // directory is 16 bytes followed by named entries, then id entries.
    auto lookup = [&](uint32_t directory, std::optional<uint32_t> wanted) -> std::optional<uint32_t> {
        const uint64_t at = uint64_t{resourceRva} + directory;
        const auto header = fileOffset(pe, sections, at, 16);
        if (!header) return std::nullopt;
        const uint32_t named = *pe.u16(*header + 12);
        const uint32_t ids = *pe.u16(*header + 14);
        const auto entries = fileOffset(pe, sections, at + 16, (named + ids) * 8);
        if (!entries) return std::nullopt;
        if (!wanted) {
            if (named + ids == 0) return std::nullopt;
            return *pe.u32(*entries + 4);
        }
        for (uint32_t i = named; i < named + ids; ++i) {
            const uint32_t name = *pe.u32(*entries + i * 8);
            if (!(name & kNamed) && name == *wanted) return *pe.u32(*entries + i * 8 + 4);
        }
        return std::nullopt;
    };

    const auto byType = lookup(0, type);
    if (!byType || !(*byType & kSubdirectory)) return std::nullopt;
    const auto byId = lookup(*byType & ~kSubdirectory, id);
    if (!byId || !(*byId & kSubdirectory)) return std::nullopt;
    const auto language = lookup(*byId & ~kSubdirectory, std::nullopt);
    if (!language || (*language & kSubdirectory)) return std::nullopt;

    // A data entry: RVA of the data (not relative to the resource section), size.
    const auto dataEntry = fileOffset(pe, sections, uint64_t{resourceRva} + *language, 16);
    if (!dataEntry) return std::nullopt;
    const uint32_t dataRva = *pe.u32(*dataEntry);
    const uint32_t dataSize = *pe.u32(*dataEntry + 4);
    const auto data = fileOffset(pe, sections, dataRva, dataSize);
    if (!data) return std::nullopt;
    const auto begin = image.begin() + static_cast<std::ptrdiff_t>(*data);
    return std::vector<uint8_t>(begin, begin + dataSize);
}

std::optional<std::vector<uint8_t>> readEmbeddedModule(const std::string& exePath) {
    std::ifstream in;
    std::streamoff fileSize = 0;
    if (!openAtEnd(exePath, in, fileSize) || fileSize < kEmbeddedTrailerSize) return std::nullopt;
    uint8_t trailer[kEmbeddedTrailerSize];
    in.seekg(fileSize - kEmbeddedTrailerSize);
    if (!in.read(reinterpret_cast<char*>(trailer), sizeof trailer)) return std::nullopt;
    if (std::memcmp(trailer + 4, kEmbeddedModuleMagic, sizeof kEmbeddedModuleMagic) != 0) return std::nullopt;
    const uint32_t size = le32(trailer);
    if (size == 0 || size > static_cast<uint64_t>(fileSize) - kEmbeddedTrailerSize) return std::nullopt;
    try {
        std::vector<uint8_t> module(size);
        in.seekg(fileSize - kEmbeddedTrailerSize - size);
        if (!in.read(reinterpret_cast<char*>(module.data()), size)) return std::nullopt;
        return module;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

bool isStandAloneExecutable() { return carriedMark[sizeof carriedMark - 2] == '1'; }

std::optional<std::vector<uint8_t>> readModuleFile(const std::string& path, std::string* problem) {
    auto bytes = readNativeFile(path, problem);
    if (!bytes) return std::nullopt;
    if (bytes->size() >= 2 && (*bytes)[0] == 'M' && (*bytes)[1] == 'Z') {
        auto resource = findPeResource(*bytes, kModuleResourceType, kModuleResourceId);
        if (!resource)
            say(problem, "no module resource (type " + std::to_string(kModuleResourceType) + ", id " +
                             std::to_string(kModuleResourceId) + ")");
        return resource;
    }
    return bytes;
}

}  // namespace vx
