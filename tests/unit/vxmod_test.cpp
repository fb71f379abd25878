// vxmod: ELF objects in, module image out. The fixtures are small C files
// compiled at build time the way module code is compiled; the tests check
// the image's structure and also link and run it in this (32-bit) process
// the way the runtime does.
#include <elf.h>
#include <sys/mman.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <random>

#include <gtest/gtest.h>

#include "elf_object.h"
#include "vxmod_core.h"

namespace {

using vxmod::BuildOptions;
using vxmod::InputObject;
using vxmod::ModuleImage;
using vxmod::Record;

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

InputObject fixture(const std::string& name) {
    const std::string path = std::string(VX_FIXTURE_DIR) + "/" + name + ".o";
    return {path, readBytes(path)};
}

ModuleImage build(const std::vector<std::string>& names, std::optional<std::string> entry = std::nullopt) {
    std::vector<InputObject> objects;
    for (const std::string& n : names) objects.push_back(fixture(n));
    return vxmod::buildModule(objects, BuildOptions{entry, {}});
}

std::string buildErrorWith(const std::vector<InputObject>& objects, const BuildOptions& options) {
    try {
        vxmod::buildModule(objects, options);
    } catch (const vxmod::Error& e) {
        return e.what();
    }
    return "(no error)";
}

std::string buildError(const std::vector<InputObject>& objects, std::optional<std::string> entry = std::nullopt) {
    return buildErrorWith(objects, BuildOptions{entry, {}});
}

std::optional<uint32_t> symbolOffset(const ModuleImage& m, const std::string& name) {
    std::optional<uint32_t> found;
    for (const Record& r : m.symbols)
        if (r.name == name) found = r.offset;  // a later record replaces an earlier one
    return found;
}

int countNamed(const std::vector<Record>& records, const std::string& name) {
    int n = 0;
    for (const Record& r : records) n += r.name == name;
    return n;
}

uint32_t field(const ModuleImage& m, uint32_t at) {
    uint32_t v;
    std::memcpy(&v, m.code.data() + at, 4);
    return v;
}

// ---- the stand-in runtime that fixtures call -------------------------------

const uint8_t* gBlock = nullptr;
size_t gBlockSize = 0;
int gOutsideBlock = 0;

int extAdd(int a, int b) { return a + b; }

int extCountNonzero(const int* table, int count) {
    const auto* p = reinterpret_cast<const uint8_t*>(table);
    if (p < gBlock || p + count * sizeof(int) > gBlock + gBlockSize) ++gOutsideBlock;
    int n = 0;
    for (int i = 0; i < count; ++i) n += table[i] != 0;
    return n;
}

// Links the image as the runtime does (module symbols first, then the
// runtime's) into executable memory and calls byte 0.
class LoadedModule {
public:
    explicit LoadedModule(const ModuleImage& m) : size_(m.code.size()) {
        base_ = static_cast<uint8_t*>(
            mmap(nullptr, size_, PROT_READ | PROT_WRITE | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        if (base_ == MAP_FAILED) throw std::runtime_error("mmap failed");
        std::memcpy(base_, m.code.data(), size_);
        const std::map<std::string, uint32_t> runtime = {
            {"vx_ext_add", reinterpret_cast<uint32_t>(&extAdd)},
            {"vx_ext_count_nonzero", reinterpret_cast<uint32_t>(&extCountNonzero)},
        };
        for (const Record& r : m.symbols) {
            if (r.offset >= size_) throw std::runtime_error("symbol outside the code: " + r.name);
            symbols_[r.name] = reinterpret_cast<uint32_t>(base_) + r.offset;
        }
        auto lookup = [&](const std::string& name) {
            if (auto it = symbols_.find(name); it != symbols_.end()) return it->second;
            if (auto it = runtime.find(name); it != runtime.end()) return it->second;
            throw std::runtime_error("Can't find symbol: " + name);
        };
        auto patch = [&](const Record& r, bool relative) {
            if (r.offset + 4 > size_) throw std::runtime_error("relocation outside the code");
            uint32_t v;
            std::memcpy(&v, base_ + r.offset, 4);
            const uint32_t site = reinterpret_cast<uint32_t>(base_) + r.offset;
            v += lookup(r.name) - (relative ? site : 0);
            std::memcpy(base_ + r.offset, &v, 4);
        };
        for (const Record& r : m.relative) patch(r, true);
        for (const Record& r : m.absolute) patch(r, false);
    }
    ~LoadedModule() { munmap(base_, size_); }

    int run() {
        gBlock = base_;
        gBlockSize = size_;
        gOutsideBlock = 0;
        return reinterpret_cast<int (*)()>(base_)();
    }

    int32_t global(const std::string& name) {
        int32_t v;
        std::memcpy(&v, reinterpret_cast<void*>(symbols_.at(name)), 4);
        return v;
    }

private:
    uint8_t* base_;
    size_t size_;
    std::map<std::string, uint32_t> symbols_;
};

// What vxmod_main.c's __MAIN returns when every bss word is zero and the
// strong vx_helper (x + 1) is used.
constexpr int kExpectedResult = ('h' + 1) + 2 * 0x12345678;

// ---- patching ELF bytes for the hostile-input tests ------------------------

Elf32_Ehdr& elfHeader(std::vector<uint8_t>& b) { return *reinterpret_cast<Elf32_Ehdr*>(b.data()); }

Elf32_Shdr& sectionHeader(std::vector<uint8_t>& b, const std::string& name) {
    Elf32_Ehdr& h = elfHeader(b);
    auto* sections = reinterpret_cast<Elf32_Shdr*>(b.data() + h.e_shoff);
    const char* names = reinterpret_cast<const char*>(b.data() + sections[h.e_shstrndx].sh_offset);
    for (int i = 0; i < h.e_shnum; ++i)
        if (name == names + sections[i].sh_name) return sections[i];
    throw std::runtime_error("no section " + name);
}

Elf32_Rel& firstRelocation(std::vector<uint8_t>& b, const std::string& section) {
    return *reinterpret_cast<Elf32_Rel*>(b.data() + sectionHeader(b, section).sh_offset);
}

// ---- format -----------------------------------------------------------------

TEST(ModuleFormat, SerializesAsPlainLittleEndianConcatenation) {
    ModuleImage m;
    m.code = {0x90, 0xC3};
    m.symbols = {{"__MAIN", 0}, {"ab", 1}};
    m.absolute = {{"x", 0x01020304}};
    const std::vector<uint8_t> expected = {
        2, 0, 0, 0, 0x90, 0xC3,                                            // code
        2, 0, 0, 0, '_', '_', 'M', 'A', 'I', 'N', 0, 0, 0, 0, 0,          // symbols
        'a', 'b', 0, 1, 0, 0, 0,                                           //
        0, 0, 0, 0,                                                        // relative
        1, 0, 0, 0, 'x', 0, 4, 3, 2, 1,                                    // absolute
    };
    EXPECT_EQ(vxmod::serializeModule(m), expected);
}

// ---- entry --------------------------------------------------------------------

TEST(ModuleEntry, MainFirstNeedsNoStub) {
    const ModuleImage m = build({"vxmod_main"});
    const InputObject input = fixture("vxmod_main");
    const vxmod::ElfObject obj = vxmod::readElfObject(input.name, input.bytes);
    uint32_t text = 0;
    for (uint32_t i = 0; i < obj.sections.size(); ++i)
        if (obj.sections[i].name == ".text") text = i;
    ASSERT_NE(text, 0u);
    // Byte 0 on, up to the first relocated field, the code is __MAIN's own.
    uint32_t untouched = obj.sections[text].size;
    for (const auto& set : obj.relocations)
        if (set.target == text)
            for (const auto& r : set.entries) untouched = std::min(untouched, r.offset);
    ASSERT_GT(untouched, 0u);
    ASSERT_GE(m.code.size(), untouched);
    const auto& contents = obj.sections[text].contents;
    EXPECT_TRUE(std::equal(contents.begin(), contents.begin() + untouched, m.code.begin()));
    EXPECT_EQ(m.symbols.at(0), (Record{"__MAIN", 0}));
    EXPECT_EQ(countNamed(m.symbols, "__MAIN"), 1);
}

TEST(ModuleEntry, StubJumpsToMainWhenItIsNotFirst) {
    const ModuleImage m = build({"vxmod_helper", "vxmod_main"});
    ASSERT_EQ(m.code[0], 0xE9);
    const uint32_t target = 5 + field(m, 1);
    EXPECT_EQ(symbolOffset(m, "vx_helper"), 16u);  // first section, aligned past the stub
    EXPECT_GT(target, *symbolOffset(m, "vx_helper"));
    EXPECT_EQ(target % 16, 0u);
    EXPECT_EQ(m.symbols.at(0), (Record{"__MAIN", 0}));
    EXPECT_EQ(countNamed(m.symbols, "__MAIN"), 1);
    LoadedModule loaded(m);
    EXPECT_EQ(loaded.run(), kExpectedResult);
}

TEST(ModuleEntry, WithoutMainAnEntryMustBeNamed) {
    const std::string e = buildError({fixture("vxmod_common"), fixture("vxmod_helper")});
    EXPECT_NE(e.find("no object defines __MAIN"), std::string::npos) << e;
    EXPECT_NE(e.find("-e"), std::string::npos) << e;
    const ModuleImage m = build({"vxmod_common", "vxmod_helper"}, "vx_helper");
    EXPECT_EQ(symbolOffset(m, "vx_helper"), 0u);
    EXPECT_EQ(m.symbols.at(0), (Record{"__MAIN", 0}));
}

// Names the runtime does not resolve are all named at once, with the files
// that use them.
TEST(ModuleEntry, UndefinedNamesOutsideTheRuntimeAreErrors) {
    EXPECT_TRUE(vxmod::isRuntimeName("_floadimage"));
    EXPECT_TRUE(vxmod::isRuntimeName("_fdottedip"));
    EXPECT_TRUE(vxmod::isRuntimeName("__vxStrConst"));
    EXPECT_FALSE(vxmod::isRuntimeName("__vxstrconst"));
    EXPECT_FALSE(vxmod::isRuntimeName("_fnosuchcommand"));
    EXPECT_FALSE(vxmod::isRuntimeName("LoadImage"));

    BuildOptions options;
    options.runtimeResolves = vxmod::isRuntimeName;
    std::string e = buildErrorWith({fixture("vxmod_main")}, options);
    for (const char* name : {"vx_ext_add", "vx_ext_count_nonzero", "vx_helper"})
        EXPECT_NE(e.find(std::string("\n  ") + name + " (in "), std::string::npos) << name << ": " << e;
    EXPECT_NE(e.find("--allow-undefined"), std::string::npos) << e;

    options.runtimeResolves = [](std::string_view name) { return name.starts_with("vx_ext_"); };
    e = buildErrorWith({fixture("vxmod_main")}, options);
    EXPECT_EQ(e.find("vx_ext_"), std::string::npos) << e;
    EXPECT_NE(e.find("vx_helper (in "), std::string::npos) << e;
    EXPECT_EQ(buildErrorWith({fixture("vxmod_main"), fixture("vxmod_helper")}, options), "(no error)");
}

TEST(ModuleEntry, NamedEntry) {
    const ModuleImage m = build({"vxmod_weak", "vxmod_helper"}, "vx_helper");
    // The weak vx_helper comes first; the strong one is the entry.
    ASSERT_EQ(m.code[0], 0xE9);
    EXPECT_EQ(5 + field(m, 1), *symbolOffset(m, "vx_helper"));
    EXPECT_EQ(countNamed(m.symbols, "vx_helper"), 1);
}

TEST(ModuleEntry, EntryErrors) {
    EXPECT_NE(buildError({fixture("vxmod_helper")}, "no_such").find("entry symbol no_such"), std::string::npos);
    EXPECT_NE(buildError({fixture("vxmod_helper"), fixture("vxmod_main")}, "vx_helper").find("__MAIN"),
              std::string::npos);
    EXPECT_NE(buildError({fixture("vxmod_common")}).find("no object defines __MAIN"), std::string::npos);
    EXPECT_NE(buildError({}).find("no input"), std::string::npos);
}

// ---- symbols and layout ---------------------------------------------------------

TEST(ModuleSymbols, GlobalsRecordedLocalsNot) {
    const ModuleImage m = build({"vxmod_main", "vxmod_helper"});
    for (const char* name : {"vx_greeting", "vx_initialized", "vx_zero_global", "vx_helper", "vx_counter"}) {
        EXPECT_EQ(countNamed(m.symbols, name), 1) << name;
    }
    EXPECT_FALSE(symbolOffset(m, "twice"));
    EXPECT_FALSE(symbolOffset(m, "zero_local"));
    for (const Record& r : m.symbols) EXPECT_LT(r.offset, m.code.size()) << r.name;
    EXPECT_EQ(field(m, *symbolOffset(m, "vx_initialized")), 0x12345678u);
}

TEST(ModuleSymbols, CodeFirstThenDataThenZeroedBss) {
    const ModuleImage m = build({"vxmod_main", "vxmod_helper"});
    const uint32_t helper = *symbolOffset(m, "vx_helper");
    const uint32_t data = *symbolOffset(m, "vx_initialized");
    const uint32_t bss = *symbolOffset(m, "vx_zero_global");
    EXPECT_LT(helper, data);
    EXPECT_LT(data, bss);
    EXPECT_EQ(bss % 32, 0u);  // .bss is 32-byte aligned in the object
    ASSERT_LE(bss + 64, m.code.size());
    EXPECT_TRUE(std::all_of(m.code.begin() + bss, m.code.begin() + bss + 64, [](uint8_t b) { return b == 0; }));
}

TEST(ModuleSymbols, StrongDefinitionBeatsWeak) {
    const ModuleImage m = build({"vxmod_main", "vxmod_weak", "vxmod_helper"});
    EXPECT_EQ(countNamed(m.symbols, "vx_helper"), 1);
    LoadedModule loaded(m);
    EXPECT_EQ(loaded.run(), kExpectedResult);  // the weak one would give -'h'
}

TEST(ModuleSymbols, DuplicateStrongDefinitionIsAnError) {
    const std::string e = buildError({fixture("vxmod_main"), fixture("vxmod_helper"), fixture("vxmod_helper")});
    EXPECT_NE(e.find("multiple definition of vx_"), std::string::npos) << e;
}

TEST(ModuleSymbols, CommonSymbolsAllocatedZeroedAndMerged) {
    const ModuleImage m = build({"vxmod_main", "vxmod_common", "vxmod_common"});
    EXPECT_EQ(countNamed(m.symbols, "vx_common_a"), 1);
    EXPECT_EQ(countNamed(m.symbols, "vx_common_b"), 1);
    const uint32_t a = *symbolOffset(m, "vx_common_a");
    const uint32_t b = *symbolOffset(m, "vx_common_b");
    EXPECT_EQ(a % 4, 0u);
    EXPECT_EQ(b % 32, 0u);
    EXPECT_TRUE(a + 4 <= b || b + 40 <= a) << "common blocks overlap";
    ASSERT_LE(std::max(a + 4, b + 40), m.code.size());
    EXPECT_TRUE(std::all_of(m.code.begin() + b, m.code.begin() + b + 40, [](uint8_t x) { return x == 0; }));
}

// ---- relocations ------------------------------------------------------------------

TEST(ModuleRelocations, CallsToUndefinedNamesStayRelativeWithAddend) {
    const ModuleImage m = build({"vxmod_main"});
    EXPECT_EQ(countNamed(m.relative, "vx_ext_count_nonzero"), 2);
    EXPECT_EQ(countNamed(m.relative, "vx_ext_add"), 1);
    EXPECT_EQ(countNamed(m.relative, "vx_helper"), 1);
    for (const Record& r : m.relative) {
        EXPECT_EQ(field(m, r.offset), 0xFFFFFFFCu) << r.name;
        EXPECT_TRUE(m.code[r.offset - 1] == 0xE8 || m.code[r.offset - 1] == 0xE9) << r.name;
    }
    // The call to the local function in .text.vx_far was resolved in place.
    EXPECT_EQ(m.relative.size(), 4u);
}

TEST(ModuleRelocations, PointerToStaticStringIsAbsoluteAgainstBase) {
    const ModuleImage m = build({"vxmod_main"});
    const uint32_t site = *symbolOffset(m, "vx_greeting");
    EXPECT_EQ(symbolOffset(m, vxmod::kBaseSymbol), 0u);
    bool found = false;
    for (const Record& r : m.absolute) found |= r == Record{vxmod::kBaseSymbol, site};
    ASSERT_TRUE(found);
    const uint32_t target = field(m, site) + *symbolOffset(m, vxmod::kBaseSymbol);
    ASSERT_LT(target, m.code.size());
    EXPECT_STREQ(reinterpret_cast<const char*>(m.code.data() + target), "hello module");
}

TEST(ModuleRelocations, GlobalDataReferencesStayByName) {
    const ModuleImage m = build({"vxmod_main"});
    EXPECT_EQ(countNamed(m.absolute, "vx_greeting"), 1);
    EXPECT_EQ(countNamed(m.absolute, "vx_initialized"), 1);
    EXPECT_EQ(countNamed(m.absolute, "vx_zero_global"), 1);
}

TEST(ModuleRelocations, LinkedModuleRuns) {
    const ModuleImage m = build({"vxmod_main", "vxmod_helper"});
    LoadedModule loaded(m);
    EXPECT_EQ(loaded.run(), kExpectedResult);
    EXPECT_EQ(gOutsideBlock, 0);  // both bss tables were inside the block
    EXPECT_EQ(loaded.global("vx_counter"), 1);
}

TEST(ModuleRelocations, RelinkedObjectFromLdGivesTheSameProgram) {
    const ModuleImage m = build({"vxmod_combined"});
    EXPECT_EQ(countNamed(m.symbols, "vx_helper"), 1);
    LoadedModule loaded(m);
    EXPECT_EQ(loaded.run(), kExpectedResult);
}

// ---- rejected input ------------------------------------------------------------------

TEST(ModuleRejects, PositionIndependentCode) {
    const std::string e = buildError({fixture("vxmod_pic")}, "vx_read_value");
    EXPECT_NE(e.find("vxmod_pic.o"), std::string::npos) << e;
    EXPECT_NE(e.find("section .text"), std::string::npos) << e;
    EXPECT_NE(e.find("R_386_GOT"), std::string::npos) << e;
}

TEST(ModuleRejects, WrongKindsOfElf) {
    auto patched = [](auto change) {
        InputObject o = fixture("vxmod_helper");
        change(o.bytes);
        return buildError({o});
    };
    EXPECT_NE(patched([](auto& b) { elfHeader(b).e_type = ET_EXEC; }).find("not a relocatable"), std::string::npos);
    EXPECT_NE(patched([](auto& b) { elfHeader(b).e_machine = EM_X86_64; }).find("not an i386"), std::string::npos);
    EXPECT_NE(patched([](auto& b) { b[EI_CLASS] = ELFCLASS64; }).find("32-bit"), std::string::npos);
    EXPECT_NE(patched([](auto& b) { b[1] = 'X'; }).find("not an ELF"), std::string::npos);
    EXPECT_NE(patched([](auto& b) { elfHeader(b).e_shstrndx = SHN_XINDEX; }).find("SHN_XINDEX"), std::string::npos);
}

TEST(ModuleRejects, DamagedTablesAndOffsets) {
    auto patched = [](const char* name, auto change) {
        InputObject o = fixture(name);
        change(o.bytes);
        return buildError({o});
    };
    auto has = [](const std::string& e, const char* what) {
        return e.find(what) != std::string::npos ? ::testing::AssertionSuccess()
                                                 : ::testing::AssertionFailure() << e;
    };
    EXPECT_TRUE(has(patched("vxmod_helper", [](auto& b) { sectionHeader(b, ".text").sh_offset = 0xFFFFFFF0; }),
                    "outside the file"));
    EXPECT_TRUE(has(patched("vxmod_helper", [](auto& b) { elfHeader(b).e_shnum = 0x7FFF; }), "outside the file"));
    EXPECT_TRUE(has(patched("vxmod_helper", [](auto& b) { sectionHeader(b, ".symtab").sh_link = 999; }),
                    "string table"));
    EXPECT_TRUE(has(patched("vxmod_helper", [](auto& b) { sectionHeader(b, ".text").sh_addralign = 3; }),
                    "power of two"));
    EXPECT_TRUE(has(patched("vxmod_main", [](auto& b) { firstRelocation(b, ".rel.text").r_info |= 0xFFFF00; }),
                    "invalid symbol index"));
    EXPECT_TRUE(has(patched("vxmod_main", [](auto& b) { firstRelocation(b, ".rel.text").r_offset = 0x4b; }),
                    "outside the section"));
    EXPECT_TRUE(has(patched("vxmod_main",
                            [](auto& b) {
                                Elf32_Rel& r = firstRelocation(b, ".rel.text");
                                r.r_info = ELF32_R_INFO(ELF32_R_SYM(r.r_info), R_386_GOTOFF);
                            }),
                    "R_386_GOTOFF"));
    EXPECT_TRUE(has(patched("vxmod_main", [](auto& b) { sectionHeader(b, ".rel.text").sh_type = SHT_RELA; }),
                    "RELA"));
    EXPECT_TRUE(has(patched("vxmod_main",
                            [](auto& b) {
                                Elf32_Shdr& symtab = sectionHeader(b, ".symtab");
                                auto* syms = reinterpret_cast<Elf32_Sym*>(b.data() + symtab.sh_offset);
                                syms[symtab.sh_info].st_shndx = SHN_XINDEX;
                            }),
                    "SHN_XINDEX"));
    EXPECT_TRUE(has(patched("vxmod_main", [](auto& b) { sectionHeader(b, ".bss").sh_size = 0x7FFFFFFF; }),
                    "exceed"));
}

TEST(ModuleRejects, EveryTruncationOfAnObject) {
    const InputObject whole = fixture("vxmod_main");
    for (size_t n = 0; n < whole.bytes.size(); ++n) {
        InputObject cut{whole.name, {whole.bytes.begin(), whole.bytes.begin() + n}};
        EXPECT_THROW(vxmod::buildModule({cut}), vxmod::Error) << "length " << n;
    }
}

TEST(ModuleRejects, CorruptedBytesNeverCrash) {
    const InputObject whole = fixture("vxmod_main");
    std::mt19937 random(1234);
    for (int round = 0; round < 3000; ++round) {
        InputObject o = whole;
        const int flips = 1 + round % 4;
        for (int i = 0; i < flips; ++i) {
            const size_t at = random() % o.bytes.size();
            o.bytes[at] = static_cast<uint8_t>(random());
        }
        try {
            vxmod::buildModule({o});
        } catch (const vxmod::Error&) {
        }
    }
    std::vector<uint8_t> noise(4096);
    for (auto& b : noise) b = static_cast<uint8_t>(random());
    std::memcpy(noise.data(), "\177ELF\1\1\1", 7);
    EXPECT_THROW(vxmod::buildModule({{"noise", noise}}), vxmod::Error);
}

// ---- the command -------------------------------------------------------------------

// The tool's status; what it wrote to standard error goes to errors when given.
int runTool(const std::string& arguments, std::string* errors = nullptr) {
    const std::string errorFile = ::testing::TempDir() + "/vxmod_cli.err";
    const int status = std::system((std::string(VXMOD_PATH) + " " + arguments + " 2>" + errorFile).c_str());
    if (errors) *errors = std::string(std::istreambuf_iterator<char>(std::ifstream(errorFile).rdbuf()), {});
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(VxmodCommand, WritesTheModuleAndFailsWithStatusOne) {
    const std::string dir = ::testing::TempDir();
    const std::string out = dir + "/vxmod_cli.vxm";
    const std::string objects = std::string(VX_FIXTURE_DIR) + "/vxmod_main.o " + VX_FIXTURE_DIR + "/vxmod_helper.o";
    std::string errors;
    std::remove(out.c_str());
    EXPECT_EQ(runTool("-o " + out + " " + objects, &errors), 1);
    EXPECT_NE(errors.find("vx_ext_add (in "), std::string::npos) << errors;
    EXPECT_NE(errors.find("vx_ext_count_nonzero (in "), std::string::npos) << errors;
    EXPECT_FALSE(std::ifstream(out)) << "no output on error";
    ASSERT_EQ(runTool("--allow-undefined -o " + out + " " + objects), 0);
    EXPECT_EQ(readBytes(out), vxmod::serializeModule(build({"vxmod_main", "vxmod_helper"})));
    EXPECT_EQ(runTool("-o " + out + " " + std::string(VX_FIXTURE_DIR) + "/vxmod_helper.o", &errors), 1);
    EXPECT_NE(errors.find("no object defines __MAIN"), std::string::npos) << errors;
    ASSERT_EQ(runTool("-e vx_helper -o " + out + " " + std::string(VX_FIXTURE_DIR) + "/vxmod_helper.o"), 0);
    EXPECT_EQ(readBytes(out), vxmod::serializeModule(build({"vxmod_helper"}, "vx_helper")));

    std::remove(out.c_str());
    EXPECT_EQ(runTool("-o " + out + " " + std::string(VX_FIXTURE_DIR) + "/vxmod_pic.o"), 1);
    EXPECT_FALSE(std::ifstream(out)) << "no output on error";
    EXPECT_EQ(runTool("-o " + out + " " + dir + "/does_not_exist.o"), 1);
    EXPECT_EQ(runTool(objects), 1);  // no -o
    EXPECT_EQ(runTool("-o " + out), 1);
    EXPECT_EQ(runTool("-x -o " + out + " " + objects), 1);
}

}  // namespace
