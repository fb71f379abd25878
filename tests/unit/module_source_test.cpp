// Finding the module bytes: the trailer vxbundle appends to vxrun, plain
// module files, and the RT_RCDATA resource of a Windows executable. The PE
// files are built here byte by byte.
#include <elf.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "elf_strip.h"
#include "runtime/module_source.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

void put16(Bytes& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t get32(const Bytes& b, size_t at) {
    return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}

std::string tempPath(const std::string& name) { return ::testing::TempDir() + "/module_source_" + name; }

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Bytes withTrailer(Bytes exe, const Bytes& module, uint32_t statedSize) {
    exe.insert(exe.end(), module.begin(), module.end());
    const size_t at = exe.size();
    exe.resize(at + 12);
    put32(exe, at, statedSize);
    std::memcpy(exe.data() + at + 4, "VXMODULE", 8);
    return exe;
}

// ---- embedded module trailer ------------------------------------------------------

TEST(EmbeddedModule, TrailerVariants) {
    const Bytes exe = bytesOf("\177ELF pretend executable");
    const Bytes module = bytesOf("MODULE-BYTES");
    const std::string path = tempPath("trailer");

    writeFile(path, withTrailer(exe, module, module.size()));
    EXPECT_EQ(vx::readEmbeddedModule(path), module);

    // The payload may start at byte 0.
    writeFile(path, withTrailer({}, module, module.size()));
    EXPECT_EQ(vx::readEmbeddedModule(path), module);

    writeFile(path, exe);
    EXPECT_EQ(vx::readEmbeddedModule(path), std::nullopt) << "no trailer";

    Bytes wrongMagic = withTrailer(exe, module, module.size());
    wrongMagic.back() = 'X';
    writeFile(path, wrongMagic);
    EXPECT_EQ(vx::readEmbeddedModule(path), std::nullopt);

    const Bytes bare = withTrailer({}, module, module.size());
    writeFile(path, Bytes(bare.end() - 11, bare.end()));
    EXPECT_EQ(vx::readEmbeddedModule(path), std::nullopt) << "shorter than a trailer";

    writeFile(path, withTrailer({}, module, module.size() + 1));
    EXPECT_EQ(vx::readEmbeddedModule(path), std::nullopt) << "size larger than the file";
    writeFile(path, withTrailer(exe, module, 0xFFFFFFFF));
    EXPECT_EQ(vx::readEmbeddedModule(path), std::nullopt) << "size larger than the file";

    writeFile(path, withTrailer(exe, {}, 0));
    EXPECT_EQ(vx::readEmbeddedModule(path), std::nullopt) << "empty payload";

    EXPECT_EQ(vx::readEmbeddedModule(tempPath("missing")), std::nullopt);
    std::remove(path.c_str());
}

// ---- PE images built byte by byte --------------------------------------------

// A node of the resource tree: a directory (children) or a leaf (data).
// Named entries are written before id entries, as in real files.
struct ResNode {
    std::string label;
    uint32_t id = 0;
    std::string name;  // non-empty: a named entry
    std::vector<ResNode> children;
    std::optional<Bytes> data;
};

ResNode dir(std::string label, uint32_t id, std::vector<ResNode> children, std::string name = "") {
    return {std::move(label), id, std::move(name), std::move(children), std::nullopt};
}

ResNode leaf(std::string label, uint32_t id, Bytes data) { return {std::move(label), id, "", {}, std::move(data)}; }

struct Pe {
    Bytes bytes;
    std::map<std::string, size_t> at;  // file offsets: "x.dir", "x.entry" (the parent's entry), "x.data"
};

constexpr uint32_t kResourceRva = 0x3000;
constexpr size_t kResourceFileOffset = 0x400;
constexpr size_t kPeHeader = 0x80;
constexpr size_t kOptional = kPeHeader + 24;

// Lays the tree out as directories, data entries, names, then the data
// itself; the leaf labelled "last" is placed at the very end of the file.
// The last name string is put at resource offset `nameAt` when possible:
// with 1111 there, a reader that ignores the named bit would take that
// entry for id 1111.
Bytes resourceSection(const ResNode& root, std::map<std::string, size_t>& at, uint32_t nameAt) {
    std::vector<const ResNode*> dirs, leaves, named;
    auto collect = [&](auto&& self, const ResNode& n) -> void {
        if (n.data) {
            leaves.push_back(&n);
            return;
        }
        dirs.push_back(&n);
        for (const ResNode& c : n.children) {
            if (!c.name.empty()) named.push_back(&c);
        }
        for (const ResNode& c : n.children) self(self, c);
    };
    collect(collect, root);

    std::map<const ResNode*, uint32_t> dirOffset, dataEntryOffset, nameOffset, blobOffset;
    uint32_t cursor = 0;
    for (const ResNode* d : dirs) {
        dirOffset[d] = cursor;
        cursor += 16 + 8 * static_cast<uint32_t>(d->children.size());
    }
    for (const ResNode* l : leaves) {
        dataEntryOffset[l] = cursor;
        cursor += 16;
    }
    for (const ResNode* n : named) {
        if (n == named.back() && cursor < nameAt) cursor = nameAt;
        nameOffset[n] = cursor;
        cursor += 2 + 2 * static_cast<uint32_t>(n->name.size());
    }
    const ResNode* last = nullptr;
    for (const ResNode* l : leaves) {
        if (l->label == "last") {
            last = l;
            continue;
        }
        blobOffset[l] = cursor;
        cursor += static_cast<uint32_t>(l->data->size());
    }
    if (last) {
        blobOffset[last] = cursor;
        cursor += static_cast<uint32_t>(last->data->size());
    }

    Bytes s(cursor, 0);
    for (const ResNode* d : dirs) {
        const uint32_t o = dirOffset[d];
        at[d->label + ".dir"] = kResourceFileOffset + o;
        uint16_t namedCount = 0;
        for (const ResNode& c : d->children) namedCount += !c.name.empty();
        put16(s, o + 12, namedCount);
        put16(s, o + 14, static_cast<uint16_t>(d->children.size() - namedCount));
        uint32_t e = o + 16;
        for (bool namedPass : {true, false}) {
            for (const ResNode& c : d->children) {
                if (c.name.empty() == namedPass) continue;
                at[c.label + ".entry"] = kResourceFileOffset + e;
                put32(s, e, namedPass ? 0x80000000u | nameOffset[&c] : c.id);
                put32(s, e + 4, c.data ? dataEntryOffset[&c] : 0x80000000u | dirOffset[&c]);
                e += 8;
            }
        }
    }
    for (const ResNode* l : leaves) {
        const uint32_t o = dataEntryOffset[l];
        at[l->label + ".data"] = kResourceFileOffset + o;
        put32(s, o, kResourceRva + blobOffset[l]);
        put32(s, o + 4, static_cast<uint32_t>(l->data->size()));
        std::copy(l->data->begin(), l->data->end(), s.begin() + blobOffset[l]);
    }
    for (const ResNode* n : named) {
        const uint32_t o = nameOffset[n];
        put16(s, o, static_cast<uint16_t>(n->name.size()));
        for (size_t i = 0; i < n->name.size(); ++i) put16(s, o + 2 + 2 * i, static_cast<uint8_t>(n->name[i]));
    }
    return s;
}

Pe buildPe(const ResNode& root, bool plus = false, uint32_t nameAt = 0) {
    Pe pe;
    const Bytes rsrc = resourceSection(root, pe.at, nameAt);
    Bytes& b = pe.bytes;
    b.assign(kResourceFileOffset, 0);
    b[0] = 'M';
    b[1] = 'Z';
    put32(b, 0x3C, kPeHeader);
    std::memcpy(b.data() + kPeHeader, "PE\0\0", 4);
    const size_t coff = kPeHeader + 4;
    const uint16_t optionalSize = (plus ? 112 : 96) + 16 * 8;
    put16(b, coff, plus ? 0x8664 : 0x14C);
    put16(b, coff + 2, 2);  // sections
    put16(b, coff + 16, optionalSize);
    put16(b, kOptional, plus ? 0x20B : 0x10B);
    const size_t directories = kOptional + (plus ? 112 : 96);
    put32(b, directories - 4, 16);  // NumberOfRvaAndSizes
    put32(b, directories + 2 * 8, kResourceRva);
    put32(b, directories + 2 * 8 + 4, static_cast<uint32_t>(rsrc.size()));
    const size_t table = kOptional + optionalSize;
    pe.at["sections"] = table;
    // .text: a dummy section that the resource RVAs must not map into.
    std::memcpy(b.data() + table, ".text", 5);
    put32(b, table + 8, 0x200);
    put32(b, table + 12, 0x1000);
    put32(b, table + 16, 0x200);
    put32(b, table + 20, 0x200);
    std::fill(b.begin() + 0x200, b.begin() + 0x400, 0xCC);
    std::memcpy(b.data() + table + 40, ".rsrc", 5);
    put32(b, table + 40 + 8, static_cast<uint32_t>(rsrc.size()));
    put32(b, table + 40 + 12, kResourceRva);
    put32(b, table + 40 + 16, static_cast<uint32_t>(rsrc.size()));
    put32(b, table + 40 + 20, kResourceFileOffset);
    b.insert(b.end(), rsrc.begin(), rsrc.end());
    return pe;
}

const Bytes kPayload = bytesOf("the module payload");

// Decoys on every level: an earlier type, a named type, a named id, an
// earlier id, and a second language after the first.
ResNode typicalTree() {
    return dir("root", 0,
               {
                   dir("icon", 3, {dir("icon1", 1, {leaf("iconlang", 1033, bytesOf("icon"))})}),
                   dir("namedtype", 0, {dir("nt1", 1111, {leaf("ntlang", 1033, bytesOf("named type"))})}, "RCDATA"),
                   dir("rcdata", 10,
                       {
                           dir("seven", 7, {leaf("sevenlang", 1033, bytesOf("seven"))}),
                           dir("namedid", 0, {leaf("namedlang", 1033, bytesOf("named id"))}, "MODULE"),
                           dir("module", 1111,
                               {leaf("last", 1033, kPayload), leaf("second", 1049, bytesOf("second language"))}),
                       }),
               });
}

TEST(PeResource, FindsTheFirstLanguageOfTypeAndId) {
    const Pe pe = buildPe(typicalTree(), false, 1111);
    EXPECT_EQ(get32(pe.bytes, pe.at.at("namedid.entry")), 0x80000000u | 1111) << "decoy in place";
    EXPECT_EQ(vx::findPeResource(pe.bytes, 10, 1111), kPayload);
    EXPECT_EQ(vx::findPeResource(pe.bytes, 10, 7), bytesOf("seven"));
    EXPECT_EQ(vx::findPeResource(pe.bytes, 3, 1), bytesOf("icon"));
    EXPECT_EQ(vx::findPeResource(pe.bytes, 10, 1112), std::nullopt);
    EXPECT_EQ(vx::findPeResource(pe.bytes, 11, 1111), std::nullopt);
}

TEST(PeResource, Pe32PlusHeader) {
    const Pe pe = buildPe(typicalTree(), true);
    EXPECT_EQ(vx::findPeResource(pe.bytes, 10, 1111), kPayload);
}

TEST(PeResource, EveryTruncationIsRejected) {
    const Pe pe = buildPe(typicalTree());
    ASSERT_EQ(vx::findPeResource(pe.bytes, 10, 1111), kPayload);
    for (size_t n = 0; n < pe.bytes.size(); ++n) {
        const std::span<const uint8_t> cut(pe.bytes.data(), n);
        EXPECT_EQ(vx::findPeResource(cut, 10, 1111), std::nullopt) << "length " << n;
    }
}

TEST(PeResource, DamagedStructuresAreRejected) {
    const Pe good = buildPe(typicalTree());
    auto damaged = [&](auto change) {
        Pe pe = good;
        change(pe);
        return vx::findPeResource(pe.bytes, 10, 1111);
    };
    const uint32_t directories = kOptional + 96;
    const size_t rsrcHeader = good.at.at("sections") + 40;
    EXPECT_EQ(damaged([](Pe& p) { put32(p.bytes, 0x3C, 0xFFFFFFF0); }), std::nullopt) << "e_lfanew";
    EXPECT_EQ(damaged([](Pe& p) { p.bytes[kPeHeader + 1] = 'X'; }), std::nullopt) << "PE signature";
    EXPECT_EQ(damaged([](Pe& p) { put16(p.bytes, kOptional, 0x107); }), std::nullopt) << "optional magic";
    EXPECT_EQ(damaged([&](Pe& p) { put32(p.bytes, directories - 4, 2); }), std::nullopt) << "no resource directory";
    EXPECT_EQ(damaged([](Pe& p) { put16(p.bytes, kPeHeader + 4 + 16, 96 + 2 * 8); }), std::nullopt)
        << "optional header ends before the resource directory";
    EXPECT_EQ(damaged([&](Pe& p) { put32(p.bytes, directories + 16, 0x5000); }), std::nullopt)
        << "resource RVA in no section";
    EXPECT_EQ(damaged([](Pe& p) { put16(p.bytes, kPeHeader + 4 + 2, 0x7FFF); }), std::nullopt)
        << "section table past the end";
    EXPECT_EQ(damaged([&](Pe& p) { put32(p.bytes, rsrcHeader + 20, 0xFFFFFF00); }), std::nullopt)
        << "section raw data past the end";
    EXPECT_EQ(damaged([](Pe& p) { put16(p.bytes, p.at.at("root.dir") + 14, 0xFFFF); }), std::nullopt)
        << "entry count past the end";
    EXPECT_EQ(damaged([](Pe& p) { put32(p.bytes, p.at.at("rcdata.entry") + 4, 0xFFFFFFF0); }), std::nullopt)
        << "subdirectory offset past the end";
    EXPECT_EQ(damaged([](Pe& p) { put32(p.bytes, p.at.at("rcdata.entry") + 4, 0x10); }), std::nullopt)
        << "type entry that is not a directory";
    EXPECT_EQ(damaged([](Pe& p) { put32(p.bytes, p.at.at("module.entry") + 4, 0); }), std::nullopt)
        << "id entry that is not a directory";
    EXPECT_EQ(damaged([](Pe& p) { p.bytes[p.at.at("last.entry") + 7] |= 0x80; }), std::nullopt)
        << "language entry that is a directory";
    EXPECT_EQ(damaged([](Pe& p) {
                  put32(p.bytes, p.at.at("last.data"), 0x1000 + 0x200 - 2);
                  put32(p.bytes, p.at.at("last.data") + 4, 4);
              }),
              std::nullopt)
        << "data running over the end of its section (the file goes on)";
    EXPECT_EQ(damaged([](Pe& p) { put32(p.bytes, p.at.at("last.data"), 0xFFFFFFF0); }), std::nullopt)
        << "data RVA in no section";
    EXPECT_EQ(damaged([](Pe& p) { put32(p.bytes, p.at.at("last.data") + 4, 0xFFFFFF00); }), std::nullopt)
        << "data size past the end";
    // The data RVA may point anywhere the file holds, e.g. into .text.
    const auto text = damaged([](Pe& p) {
        put32(p.bytes, p.at.at("last.data"), 0x1000);
        put32(p.bytes, p.at.at("last.data") + 4, 4);
    });
    EXPECT_EQ(text, Bytes(4, 0xCC));
}

TEST(PeResource, EmptyLanguageDirectory) {
    const Pe pe = buildPe(dir("root", 0, {dir("rc", 10, {dir("m", 1111, {})})}));
    EXPECT_EQ(vx::findPeResource(pe.bytes, 10, 1111), std::nullopt);
}

// ---- module files -----------------------------------------------------------------

TEST(ModuleFile, PlainModulesAndExecutables) {
    const std::string path = tempPath("file");
    const Bytes module = {4, 0, 0, 0, 0x90, 0x90, 0x90, 0xC3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    writeFile(path, module);
    EXPECT_EQ(vx::readModuleFile(path), module);

    writeFile(path, buildPe(typicalTree()).bytes);
    EXPECT_EQ(vx::readModuleFile(path), kPayload);

    writeFile(path, bytesOf("MZ but nothing more"));
    EXPECT_EQ(vx::readModuleFile(path), std::nullopt);

    EXPECT_EQ(vx::readModuleFile(tempPath("missing")), std::nullopt);
    EXPECT_EQ(vx::readModuleFile(::testing::TempDir()), std::nullopt) << "a directory";
    std::remove(path.c_str());
}

// ---- vxbundle writes what readEmbeddedModule reads ----------------------------------

int runBundle(const std::string& arguments) {
    const int status = std::system((std::string(VXBUNDLE_PATH) + " " + arguments + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Bundle, AppendsReplacesAndChecks) {
    const std::string moduleA = tempPath("a.vxm");
    const std::string moduleB = tempPath("b.vxm");
    const std::string outA = tempPath("bundle_a");
    const std::string outB = tempPath("bundle_b");
    const std::string fake = tempPath("not_vxrun");
    const Bytes a = {1, 0, 0, 0, 0xC3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const Bytes b = {2, 0, 0, 0, 0x90, 0xC3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    writeFile(moduleA, a);
    writeFile(moduleB, b);
    writeFile(fake, bytesOf("\177ELF the runtime executable"));

    ASSERT_EQ(runBundle(std::string(VXRUN_PATH) + " " + moduleA + " " + outA), 0);
    EXPECT_EQ(vx::readEmbeddedModule(outA), a);
    const Bytes runtime = *vxbundle::stripExecutable(readFile(VXRUN_PATH));
    const Bytes bundled = readFile(outA);
    ASSERT_EQ(bundled.size(), runtime.size() + a.size() + 12);
    // The runtime as stripped, but for its mark.
    size_t differences = 0;
    for (size_t i = 0; i < runtime.size(); ++i) differences += bundled[i] != runtime[i];
    EXPECT_EQ(differences, 1u);
    struct stat st {};
    ASSERT_EQ(stat(outA.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);

    // Bundling a bundle replaces its module instead of stacking a second one.
    ASSERT_EQ(runBundle(outA + " " + moduleB + " " + outB), 0);
    EXPECT_EQ(vx::readEmbeddedModule(outB), b);
    EXPECT_EQ(readFile(outB).size(), runtime.size() + b.size() + 12);

    EXPECT_EQ(runBundle(moduleA + " " + VXRUN_PATH + " " + outB), 1) << "arguments swapped";
    EXPECT_EQ(runBundle(std::string(VXRUN_PATH) + " " + tempPath("missing.vxm") + " " + outB), 1);
    EXPECT_EQ(runBundle(std::string(VXRUN_PATH) + " " + moduleA), 1);
    EXPECT_EQ(runBundle(fake + " " + moduleA + " " + outB), 1) << "not vxrun";
    for (const std::string& p : {fake, moduleA, moduleB, outA, outB}) std::remove(p.c_str());
}

// The stripped runtime keeps every loaded byte and the headers of what stays.
TEST(Bundle, StrippingKeepsWhatRuns) {
    const Bytes whole = readFile(VXRUN_PATH);
    const std::optional<Bytes> stripped = vxbundle::stripExecutable(whole);
    ASSERT_TRUE(stripped);
    EXPECT_LT(stripped->size(), whole.size());
    Elf32_Ehdr header;
    std::memcpy(&header, stripped->data(), sizeof header);
    ASSERT_GT(header.e_shnum, 1);
    ASSERT_LE(header.e_shoff + header.e_shnum * sizeof(Elf32_Shdr), stripped->size());
    std::map<std::string, Elf32_Shdr> sections;
    std::vector<Elf32_Shdr> table(header.e_shnum);
    std::memcpy(table.data(), stripped->data() + header.e_shoff, table.size() * sizeof(Elf32_Shdr));
    const char* names = reinterpret_cast<const char*>(stripped->data() + table[header.e_shstrndx].sh_offset);
    for (const Elf32_Shdr& s : table) sections[names + s.sh_name] = s;
    for (const char* kept : {".text", ".rodata", ".data", ".bss", ".dynsym", ".dynstr", ".shstrtab"})
        EXPECT_TRUE(sections.count(kept)) << kept;
    for (const char* gone : {".symtab", ".strtab", ".debug_info"}) EXPECT_FALSE(sections.count(gone)) << gone;
    const Elf32_Shdr& text = sections[".text"];
    EXPECT_TRUE(std::equal(whole.begin() + text.sh_offset, whole.begin() + text.sh_offset + text.sh_size,
                           stripped->begin() + text.sh_offset));
    const Elf32_Shdr& dynsym = sections[".dynsym"];
    EXPECT_STREQ(names + table[dynsym.sh_link].sh_name, ".dynstr") << "links renumbered";
    EXPECT_EQ(vxbundle::stripExecutable(*stripped), stripped) << "stripping twice changes nothing";
}

TEST(Bundle, DamagedExecutablesNeverCrashTheStripping) {
    Bytes elf = readFile(VXRUN_PATH);
    ASSERT_GT(elf.size(), 4096u);
    const std::span<const uint8_t> all(elf);
    for (size_t cut = 0; cut < 4096; cut += 7) EXPECT_FALSE(vxbundle::stripExecutable(all.first(cut))) << cut;
    for (size_t cut = 4096; cut < elf.size(); cut += elf.size() / 97) vxbundle::stripExecutable(all.first(cut));
    // Corrupt the headers, where every offset and count is read.
    Elf32_Ehdr header;
    std::memcpy(&header, elf.data(), sizeof header);
    std::vector<size_t> places;
    for (size_t i = 0; i < sizeof header + header.e_phnum * sizeof(Elf32_Phdr); ++i) places.push_back(i);
    for (size_t i = 0; i < header.e_shnum * sizeof(Elf32_Shdr); ++i) places.push_back(header.e_shoff + i);
    std::mt19937 random(99);
    for (int round = 0; round < 3000; ++round) {
        const size_t at = places[random() % places.size()];
        const uint8_t saved = elf[at];
        elf[at] = static_cast<uint8_t>(random());
        if (auto out = vxbundle::stripExecutable(elf)) {
            EXPECT_GE(out->size(), sizeof(Elf32_Ehdr));
        }
        elf[at] = saved;
    }
}

}  // namespace
