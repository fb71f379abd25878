#include "runtime/linker.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Record {
  std::string name;
  int32_t offset;
};

// Builds module bytes: code, symbols, relative and absolute relocations.
std::vector<uint8_t> moduleBytes(const std::vector<uint8_t>& code, const std::vector<Record>& symbols,
                                 const std::vector<Record>& relative, const std::vector<Record>& absolute) {
  std::vector<uint8_t> out;
  auto put32 = [&](int32_t v) {
    uint8_t b[4];
    std::memcpy(b, &v, 4);
    out.insert(out.end(), b, b + 4);
  };
  auto table = [&](const std::vector<Record>& records) {
    put32(static_cast<int32_t>(records.size()));
    for (const Record& r : records) {
      out.insert(out.end(), r.name.begin(), r.name.end());
      out.push_back(0);
      put32(r.offset);
    }
  };
  put32(static_cast<int32_t>(code.size()));
  out.insert(out.end(), code.begin(), code.end());
  table(symbols);
  table(relative);
  table(absolute);
  return out;
}

std::vector<uint8_t> codeWithFields(const std::vector<int32_t>& fields) {
  std::vector<uint8_t> code(fields.size() * 4);
  std::memcpy(code.data(), fields.data(), code.size());
  return code;
}

uint32_t field(const vx::LinkResult& r, int32_t offset) {
  uint32_t v;
  std::memcpy(&v, r.code + offset, 4);
  return v;
}

uint32_t base(const vx::LinkResult& r) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(r.code)); }

class Linker : public ::testing::Test {
 protected:
  void SetUp() override { runtime.insert("_fend", 0x12345678); }
  void TearDown() override {
    for (auto& r : results) vx::freeModuleCode(r);
  }
  vx::LinkResult link(const std::vector<uint8_t>& bytes) {
    results.push_back(vx::linkModule(bytes, runtime));
    return results.back();
  }
  vx::SymbolTable runtime;
  std::vector<vx::LinkResult> results;
};

using Status = vx::LinkResult::Status;

}  // namespace

TEST_F(Linker, EmptyTablesLoadTheCodeUnchanged) {
  auto r = link(moduleBytes({0xC3, 0x90, 0x90}, {}, {}, {}));
  ASSERT_EQ(r.status, Status::Linked);
  EXPECT_EQ(r.codeSize, 3u);
  EXPECT_EQ(r.code[0], 0xC3);
  EXPECT_EQ(r.code[2], 0x90);
}

TEST_F(Linker, RelativeAndAbsoluteArithmetic) {
  // Field 0: a call to the runtime (stored -4); field 1: an absolute
  // reference to module symbol "data" with addend 8; field 2: a relative
  // reference to the module's own label.
  auto r = link(moduleBytes(codeWithFields({-4, 8, -4, 0}), {{"data", 12}, {"label", 4}},
                            {{"_fend", 0}, {"label", 8}}, {{"data", 4}}));
  ASSERT_EQ(r.status, Status::Linked);
  EXPECT_EQ(field(r, 0), 0x12345678u - base(r) - 4);
  EXPECT_EQ(field(r, 4), base(r) + 12 + 8);
  EXPECT_EQ(field(r, 8), (base(r) + 4) - (base(r) + 8) - 4);
}

TEST_F(Linker, ModuleSymbolsWinAndLaterDuplicatesReplaceEarlier) {
  auto r = link(moduleBytes(codeWithFields({0, 0, 0}), {{"_fend", 4}, {"twice", 0}, {"twice", 8}}, {},
                            {{"_fend", 0}, {"twice", 4}}));
  ASSERT_EQ(r.status, Status::Linked);
  EXPECT_EQ(field(r, 0), base(r) + 4);
  EXPECT_EQ(field(r, 4), base(r) + 8);
}

TEST_F(Linker, MissingSymbolIsNamed) {
  auto r = link(moduleBytes(codeWithFields({0}), {}, {{"_fnosuchcommand", 0}}, {}));
  EXPECT_EQ(r.status, Status::MissingSymbol);
  EXPECT_EQ(r.missingName, "_fnosuchcommand");
}

TEST_F(Linker, SymbolRangeIsTheCode) {
  EXPECT_EQ(link(moduleBytes(codeWithFields({0, 0}), {{"last", 7}}, {}, {})).status, Status::Linked);
  EXPECT_EQ(link(moduleBytes(codeWithFields({0, 0}), {{"past", 8}}, {}, {})).status, Status::Damaged);
  EXPECT_EQ(link(moduleBytes(codeWithFields({0, 0}), {{"neg", -1}}, {}, {})).status, Status::Damaged);
}

TEST_F(Linker, RelocationFieldsMustLieWhollyInTheCode) {
  auto code = codeWithFields({0, 0});
  EXPECT_EQ(link(moduleBytes(code, {}, {}, {{"_fend", 4}})).status, Status::Linked);
  EXPECT_EQ(link(moduleBytes(code, {}, {}, {{"_fend", 5}})).status, Status::Damaged);
  EXPECT_EQ(link(moduleBytes(code, {}, {{"_fend", 8}}, {})).status, Status::Damaged);
  EXPECT_EQ(link(moduleBytes(code, {}, {{"_fend", -4}}, {})).status, Status::Damaged);
  EXPECT_EQ(link(moduleBytes(code, {}, {}, {{"_fend", 0x7ffffffe}})).status, Status::Damaged);
  // Damage is found before any missing name is reported.
  EXPECT_EQ(link(moduleBytes(code, {}, {{"nothing", 0}}, {{"_fend", 6}})).status, Status::Damaged);
}

TEST_F(Linker, TruncationAnywhereIsDamage) {
  auto whole = moduleBytes(codeWithFields({-4, 0}), {{"sym", 0}}, {{"_fend", 0}}, {{"sym", 4}});
  ASSERT_EQ(link(whole).status, Status::Linked);
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    std::vector<uint8_t> part(whole.begin(), whole.begin() + cut);
    EXPECT_EQ(link(part).status, Status::Damaged) << "cut at " << cut;
  }
}

TEST_F(Linker, HugeAndNegativeCounts) {
  auto bytes = moduleBytes({0x90}, {}, {}, {});
  // The code size.
  auto hugeCode = bytes;
  int32_t huge = 0x7fffffff;
  std::memcpy(hugeCode.data(), &huge, 4);
  EXPECT_EQ(link(hugeCode).status, Status::Damaged);
  auto negativeCode = bytes;
  int32_t minusOne = -1;
  std::memcpy(negativeCode.data(), &minusOne, 4);
  EXPECT_EQ(link(negativeCode).status, Status::Damaged);
  // Each table's count, at offsets 5, 9 and 13.
  for (size_t at : {5u, 9u, 13u}) {
    auto hugeCount = bytes;
    std::memcpy(hugeCount.data() + at, &huge, 4);
    EXPECT_EQ(link(hugeCount).status, Status::Damaged) << at;
    // A negative count means an empty table.
    auto negativeCount = bytes;
    std::memcpy(negativeCount.data() + at, &minusOne, 4);
    EXPECT_EQ(link(negativeCount).status, Status::Linked) << at;
  }
}

TEST_F(Linker, ANameWithoutItsTerminatorIsDamage) {
  auto bytes = moduleBytes({0x90}, {}, {}, {});
  bytes.resize(bytes.size() - 4);  // drop the absolute count
  int32_t one = 1;
  uint8_t b[4];
  std::memcpy(b, &one, 4);
  bytes.insert(bytes.end(), b, b + 4);
  for (char c : std::string("unterminated")) bytes.push_back(static_cast<uint8_t>(c));
  EXPECT_EQ(link(bytes).status, Status::Damaged);
}
