// Layout of the objects' allocated sections into one code block, symbol
// resolution, and translation of ELF relocations into module relocations.
#include <elf.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include "elf_object.h"
#include "vxmod_core.h"

namespace vxmod {

namespace {

constexpr uint32_t kNotPlaced = UINT32_MAX;
// Far beyond any real program; keeps hostile bss sizes from exhausting memory.
constexpr uint64_t kMaxCodeSize = 256u << 20;
// The runtime's code block starts on a page boundary.
constexpr uint32_t kMaxAlignment = 4096;
constexpr uint32_t kStubSize = 5;  // jmp rel32

bool isGlobal(uint8_t bind) { return bind == STB_GLOBAL || bind == STB_WEAK || bind == STB_GNU_UNIQUE; }

bool fits(uint64_t offset, uint64_t size, uint64_t total) { return offset <= total && size <= total - offset; }

uint32_t read32(const std::vector<uint8_t>& code, uint32_t at) {
    return uint32_t{code[at]} | uint32_t{code[at + 1]} << 8 | uint32_t{code[at + 2]} << 16 |
           uint32_t{code[at + 3]} << 24;
}

void write32(std::vector<uint8_t>& code, uint32_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) code[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

std::string unsupportedReason(uint32_t type) {
    switch (type) {
        case R_386_GOT32:
        case R_386_GOT32X:
        case R_386_GOTOFF:
        case R_386_GOTPC:
        case R_386_32PLT:
            return "position-independent code cannot be expressed in a module; compile with -fno-pic -fno-pie";
        case R_386_16:
        case R_386_PC16:
        case R_386_8:
        case R_386_PC8:
            return "module relocations patch 4-byte fields only";
        default:
            if ((type >= R_386_TLS_TPOFF && type <= R_386_TLS_LDM) ||
                (type >= R_386_TLS_GD_32 && type <= R_386_TLS_TPOFF32) ||
                (type >= R_386_TLS_GOTDESC && type <= R_386_TLS_DESC))
                return "thread-local storage cannot be expressed in a module";
            return "cannot be expressed in a module";
    }
}

struct SectionRef {
    uint32_t object = 0;
    uint32_t section = 0;
};

struct Definition {
    uint32_t object = 0;
    uint32_t symbol = 0;
    bool weak = false;
    bool absolute = false;     // SHN_ABS: a plain number, not a place in the code
    bool common = false;       // allocated by the builder after the bss sections
    uint32_t commonSize = 0;
    uint32_t commonAlign = 1;
    uint32_t commonOffset = 0;
};

class Builder {
public:
    Builder(const std::vector<InputObject>& inputs, const BuildOptions& options) : inputs_(inputs), options_(options) {}

    ModuleImage build() {
        if (inputs_.empty()) throw Error("no input objects");
        for (const InputObject& input : inputs_) objects_.push_back(readElfObject(input.name, input.bytes));
        discardDuplicateGroups();
        collectSections();
        resolveGlobals();
        chooseEntry();
        layout(0);
        if (entryOffset() != 0) {
            layout(kStubSize);
            stub_ = true;
        }
        checkMainIsEntry();
        fillCode();
        emitSymbols();
        applyRelocations();
        checkUndefinedNames();
        return std::move(image_);
    }

private:
    [[noreturn]] void failIn(uint32_t object, uint32_t section, const std::string& what) const {
        throw Error(objects_[object].file + ": section " + objects_[object].sections[section].name + ": " + what);
    }

    [[noreturn]] void failIn(uint32_t object, const std::string& what) const {
        throw Error(objects_[object].file + ": " + what);
    }

    // A later COMDAT group with a signature already seen is a duplicate
    // (an inline function emitted by several objects): its sections are dropped.
    void discardDuplicateGroups() {
        discarded_.resize(objects_.size());
        std::map<std::string, uint32_t> seen;
        for (uint32_t o = 0; o < objects_.size(); ++o) {
            discarded_[o].assign(objects_[o].sections.size(), false);
            for (const ElfGroup& group : objects_[o].groups) {
                if (!group.comdat) continue;
                if (seen.emplace(group.signature, o).second) continue;
                for (uint32_t member : group.members) discarded_[o][member] = true;
            }
        }
    }

    // Executable sections first, then initialized data, then bss.
    void collectSections() {
        offsets_.resize(objects_.size());
        std::vector<SectionRef> data, bss;
        for (uint32_t o = 0; o < objects_.size(); ++o) {
            const ElfObject& obj = objects_[o];
            offsets_[o].assign(obj.sections.size(), kNotPlaced);
            for (uint32_t s = 1; s < obj.sections.size(); ++s) {
                const ElfSection& sec = obj.sections[s];
                if (!(sec.flags & SHF_ALLOC) || discarded_[o][s] || sec.type == SHT_GROUP) continue;
                if (sec.flags & SHF_TLS) failIn(o, s, "thread-local storage cannot be expressed in a module");
                if (sec.align > kMaxAlignment)
                    failIn(o, s, "alignment " + std::to_string(sec.align) + " exceeds the " +
                                     std::to_string(kMaxAlignment) + " bytes a module's base guarantees");
                offsets_[o][s] = 0;  // in the block; the real offset comes with the layout
                if (sec.flags & SHF_EXECINSTR)
                    order_.push_back({o, s});
                else if (sec.type == SHT_NOBITS)
                    bss.push_back({o, s});
                else
                    data.push_back({o, s});
            }
        }
        order_.insert(order_.end(), data.begin(), data.end());
        order_.insert(order_.end(), bss.begin(), bss.end());
    }

    bool inBlock(uint32_t object, uint32_t section) const {
        return section < offsets_[object].size() && offsets_[object][section] != kNotPlaced;
    }

    // Strong definitions beat weak ones and COMMON symbols; two strong ones
    // with the same name are an error.
    void resolveGlobals() {
        for (uint32_t o = 0; o < objects_.size(); ++o) {
            const ElfObject& obj = objects_[o];
            for (uint32_t i = 1; i < obj.symbols.size(); ++i) {
                const ElfSymbol& sym = obj.symbols[i];
                if (!isGlobal(sym.bind)) {
                    if (sym.bind != STB_LOCAL)
                        failIn(o, "symbol " + sym.name + " has unsupported binding " + std::to_string(sym.bind));
                    continue;
                }
                if (sym.section == SHN_UNDEF) continue;
                if (sym.name.empty()) failIn(o, "global symbol #" + std::to_string(i) + " has no name");
                if (sym.section == SHN_COMMON) {
                    addCommon(o, i);
                    continue;
                }
                Definition def{o, i, sym.bind == STB_WEAK, sym.section == SHN_ABS};
                if (!def.absolute) {
                    if (discarded_[o][sym.section]) continue;
                    if (!inBlock(o, sym.section))
                        failIn(o, "symbol " + sym.name + " is defined in section " +
                                      obj.sections[sym.section].name + ", which is not part of the module");
                    if (sym.value > obj.sections[sym.section].size)
                        failIn(o, "symbol " + sym.name + " lies outside its section " +
                                      obj.sections[sym.section].name);
                }
                auto [it, inserted] = globals_.emplace(sym.name, def);
                if (inserted) continue;
                Definition& old = it->second;
                if (old.common || (old.weak && !def.weak)) {
                    old = def;
                } else if (!old.weak && !def.weak) {
                    throw Error("multiple definition of " + sym.name + ": in " + objects_[old.object].file +
                                " and in " + obj.file);
                }
            }
        }
    }

    void addCommon(uint32_t o, uint32_t i) {
        const ElfSymbol& sym = objects_[o].symbols[i];
        Definition def{o, i};
        def.common = true;
        def.commonSize = sym.size;
        def.commonAlign = sym.value ? sym.value : 1;
        if (def.commonAlign > kMaxAlignment)
            failIn(o, "common symbol " + sym.name + " has alignment " + std::to_string(def.commonAlign) +
                          " beyond the " + std::to_string(kMaxAlignment) + " bytes a module's base guarantees");
        auto [it, inserted] = globals_.emplace(sym.name, def);
        if (inserted || !it->second.common) return;  // a real definition wins over COMMON
        it->second.commonSize = std::max(it->second.commonSize, def.commonSize);
        it->second.commonAlign = std::max(it->second.commonAlign, def.commonAlign);
    }

    void chooseEntry() {
        std::string name = options_.entry.value_or("__MAIN");
        auto it = globals_.find(name);
        if (it == globals_.end()) {
            if (options_.entry) throw Error("entry symbol " + name + " is not defined by any object");
            throw Error("no object defines __MAIN, the module's entry (-e names another)");
        }
        const Definition& def = it->second;
        if (def.absolute || def.common)
            throw Error("entry symbol " + name + " in " + objects_[def.object].file + " is not code in a section");
        const ElfSymbol& sym = objects_[def.object].symbols[def.symbol];
        entry_ = {def.object, sym.section};
        entryValue_ = sym.value;
        entryName_ = name;
    }

    uint32_t entryOffset() const { return offsets_[entry_.object][entry_.section] + entryValue_; }

    uint32_t definitionOffset(const Definition& def) const {
        if (def.common) return def.commonOffset;
        const ElfSymbol& sym = objects_[def.object].symbols[def.symbol];
        return offsets_[def.object][sym.section] + sym.value;
    }

    void layout(uint32_t start) {
        uint64_t cursor = start;
        auto place = [&](uint32_t align, uint32_t size) {
            cursor = (cursor + align - 1) & ~uint64_t{align - 1};
            const uint64_t at = cursor;
            cursor += size;
            if (cursor > kMaxCodeSize) throw Error("module code would exceed " + std::to_string(kMaxCodeSize) + " bytes");
            return static_cast<uint32_t>(at);
        };
        for (const SectionRef& ref : order_) {
            const ElfSection& sec = objects_[ref.object].sections[ref.section];
            offsets_[ref.object][ref.section] = place(sec.align, sec.size);
        }
        for (auto& [name, def] : globals_)
            if (def.common) def.commonOffset = place(def.commonAlign, def.commonSize);
        codeSize_ = static_cast<uint32_t>(cursor);
        if (codeSize_ == 0) throw Error("the module would contain no code");
    }

    // __MAIN sits at offset 0 and names the entry; an object's __MAIN that is
    // not the entry would contradict that.
    void checkMainIsEntry() const {
        auto it = globals_.find("__MAIN");
        if (it == globals_.end() || it->second.absolute || it->second.common) return;
        if (definitionOffset(it->second) != entryOffset())
            throw Error("__MAIN is defined in " + objects_[it->second.object].file + " but the entry is " +
                        entryName_ + "; a module is always entered at __MAIN");
    }

    void fillCode() {
        image_.code.assign(codeSize_, 0);
        for (const SectionRef& ref : order_) {
            const ElfSection& sec = objects_[ref.object].sections[ref.section];
            if (!sec.contents.empty())
                std::memcpy(image_.code.data() + offsets_[ref.object][ref.section], sec.contents.data(),
                            sec.contents.size());
        }
        if (stub_) {
            image_.code[0] = 0xE9;
            write32(image_.code, 1, entryOffset() - kStubSize);
        }
    }

    void emitSymbols() {
        image_.symbols.push_back({"__MAIN", 0});
        for (uint32_t o = 0; o < objects_.size(); ++o) {
            const ElfObject& obj = objects_[o];
            for (uint32_t i = 1; i < obj.symbols.size(); ++i) {
                const ElfSymbol& sym = obj.symbols[i];
                if (!isGlobal(sym.bind) || sym.section == SHN_UNDEF || sym.name == "__MAIN") continue;
                auto it = globals_.find(sym.name);
                if (it == globals_.end()) continue;  // in a discarded group
                const Definition& def = it->second;
                if (def.object != o || def.symbol != i || def.absolute) continue;
                const uint32_t offset = definitionOffset(def);
                if (offset >= codeSize_)
                    failIn(o, "symbol " + sym.name + " lies at the very end of the module; module symbols must lie "
                                                     "inside the code");
                image_.symbols.push_back({sym.name, offset});
            }
        }
    }

    void applyRelocations() {
        bool baseUsed = false;
        for (uint32_t o = 0; o < objects_.size(); ++o) {
            const ElfObject& obj = objects_[o];
            for (const ElfRelocationSet& set : obj.relocations) {
                if (!inBlock(o, set.target) || set.entries.empty()) continue;
                if (set.withAddend)
                    failIn(o, set.section, "RELA relocations are not supported (i386 objects use REL)");
                const ElfSection& target = obj.sections[set.target];
                if (target.type == SHT_NOBITS) failIn(o, set.section, "relocations applied to a section without contents");
                for (const ElfRelocation& r : set.entries) baseUsed |= apply(o, set.target, r);
            }
        }
        if (baseUsed) image_.symbols.insert(image_.symbols.begin() + 1, Record{kBaseSymbol, 0});
    }

    // Returns true when the relocation became an absolute one against the base symbol.
    bool apply(uint32_t o, uint32_t section, const ElfRelocation& r) {
        const ElfObject& obj = objects_[o];
        const ElfSection& target = obj.sections[section];
        auto fail = [&](const std::string& why) -> void {
            failIn(o, section, "relocation " + relocationTypeName(r.type) + " at offset " + hex(r.offset) +
                                   (r.symbol ? " against " + describe(obj, obj.symbols[r.symbol]) : std::string()) +
                                   ": " + why);
        };
        bool relative;
        switch (r.type) {
            case R_386_NONE: return false;
            case R_386_PC32:
            case R_386_PLT32: relative = true; break;
            case R_386_32: relative = false; break;
            default: fail(unsupportedReason(r.type)); return false;
        }
        if (!fits(r.offset, 4, target.size)) fail("the 4-byte field lies outside the section");
        const uint32_t site = offsets_[o][section] + r.offset;
        uint32_t field = read32(image_.code, site);
        const ElfSymbol& sym = obj.symbols[r.symbol];

        if (r.symbol == 0) {
            if (relative) fail("a PC-relative relocation needs a symbol");
            return false;  // a fixed address: nothing to add
        }
        if (isGlobal(sym.bind)) {
            if (sym.name.empty()) fail("the symbol has no name");
            auto it = globals_.find(sym.name);
            if (it != globals_.end() && it->second.absolute) {
                if (relative) fail("a PC-relative reference to an absolute symbol");
                const Definition& def = it->second;
                write32(image_.code, site, field + objects_[def.object].symbols[def.symbol].value);
                return false;
            }
            // By name, so the runtime's lookup (module symbols, then its own) decides.
            (relative ? image_.relative : image_.absolute).push_back({sym.name, site});
            if (it == globals_.end()) undefined_[sym.name].insert(obj.file);
            return false;
        }
        if (sym.section == SHN_ABS) {
            if (relative) fail("a PC-relative reference to an absolute symbol");
            write32(image_.code, site, field + sym.value);
            return false;
        }
        if (sym.section == SHN_UNDEF || sym.section == SHN_COMMON) fail("the local symbol is not defined");
        if (!inBlock(o, sym.section))
            fail("section " + obj.sections[sym.section].name + " is not part of the module");
        if (sym.value > obj.sections[sym.section].size) fail("the symbol lies outside its section");
        const uint32_t destination = offsets_[o][sym.section] + sym.value;
        if (relative) {
            // Both ends are in the block: the distance is fixed.
            write32(image_.code, site, field + destination - site);
            return false;
        }
        write32(image_.code, site, field + destination);
        image_.absolute.push_back({kBaseSymbol, site});
        return true;
    }

    void checkUndefinedNames() const {
        if (!options_.runtimeResolves) return;
        std::string list;
        for (const auto& [name, files] : undefined_) {
            if (options_.runtimeResolves(name)) continue;
            list += "\n  " + name + " (in";
            for (const std::string& file : files) list += " " + file;
            list += ")";
        }
        if (!list.empty())
            throw Error("undefined names that are neither commands nor internal symbols of the runtime "
                        "(names of user libraries need --allow-undefined):" + list);
    }

    static std::string describe(const ElfObject& obj, const ElfSymbol& sym) {
        if (sym.type == STT_SECTION && sym.section < obj.sections.size()) return obj.sections[sym.section].name;
        return sym.name.empty() ? std::string("an unnamed symbol") : sym.name;
    }

    const std::vector<InputObject>& inputs_;
    const BuildOptions& options_;
    std::vector<ElfObject> objects_;
    std::vector<std::vector<bool>> discarded_;
    std::vector<std::vector<uint32_t>> offsets_;  // per object and section; kNotPlaced outside the block
    std::vector<SectionRef> order_;
    std::map<std::string, Definition> globals_;
    std::map<std::string, std::set<std::string>> undefined_;  // name, the files that use it
    SectionRef entry_;
    uint32_t entryValue_ = 0;
    std::string entryName_;
    uint32_t codeSize_ = 0;
    bool stub_ = false;
    ModuleImage image_;
};

}  // namespace

ModuleImage buildModule(const std::vector<InputObject>& objects, const BuildOptions& options) {
    return Builder(objects, options).build();
}

}  // namespace vxmod
