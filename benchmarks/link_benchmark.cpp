// Loads and links a synthetic module as large as a big compiled game:
// 993,788 bytes of code, 14,015 symbols, 33,398 relative and 22,133
// absolute relocations with short names. Prints the time per link and the
// relocations patched per second.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/linker.h"
#include "runtime/symbol_table.h"

namespace {

constexpr int32_t kCodeSize = 993788;
constexpr int kSymbols = 14015;
constexpr int kRelative = 33398;
constexpr int kAbsolute = 22133;

void put32(std::vector<uint8_t>& out, int32_t v) {
  uint8_t b[4];
  std::memcpy(b, &v, 4);
  out.insert(out.end(), b, b + 4);
}

void putRecord(std::vector<uint8_t>& out, const std::string& name, int32_t offset) {
  out.insert(out.end(), name.begin(), name.end());
  out.push_back(0);
  put32(out, offset);
}

std::vector<uint8_t> syntheticModule(const std::vector<std::string>& runtimeNames) {
  std::vector<uint8_t> out;
  put32(out, kCodeSize);
  out.resize(out.size() + kCodeSize, 0x90);
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  auto label = [](int i) { return "_l" + std::to_string(i); };
  put32(out, kSymbols);
  for (int i = 0; i < kSymbols; ++i) putRecord(out, label(i), static_cast<int32_t>(next() % kCodeSize));
  // Most references are to the module's own labels; a fifth call the runtime.
  auto target = [&](int i) {
    return i % 5 == 0 ? runtimeNames[next() % runtimeNames.size()] : label(static_cast<int>(next() % kSymbols));
  };
  auto site = [&] { return static_cast<int32_t>(next() % (kCodeSize - 4)); };
  put32(out, kRelative);
  for (int i = 0; i < kRelative; ++i) putRecord(out, target(i), site());
  put32(out, kAbsolute);
  for (int i = 0; i < kAbsolute; ++i) putRecord(out, target(i), site());
  return out;
}

}  // namespace

int main() {
  vx::RuntimeSymbols probe = vx::gatherRuntimeSymbols();
  std::vector<std::string> runtimeNames = {"_fend", "_fstop", "_fdebuglog", "__vxStrConcat", "__vxStrConst",
                                           "__vxStrRelease", "__vxStrCompare", "__vxStrFromInt"};
  std::vector<uint8_t> module = syntheticModule(runtimeNames);

  std::vector<double> totals, links;
  for (int round = 0; round < 30; ++round) {
    auto t0 = std::chrono::steady_clock::now();
    vx::RuntimeSymbols symbols = vx::gatherRuntimeSymbols();
    auto t1 = std::chrono::steady_clock::now();
    vx::LinkResult result = vx::linkModule(module, symbols.table());
    auto t2 = std::chrono::steady_clock::now();
    if (result.status != vx::LinkResult::Status::Linked) {
      std::fprintf(stderr, "link failed\n");
      return 1;
    }
    vx::freeModuleCode(result);
    totals.push_back(std::chrono::duration<double, std::milli>(t2 - t0).count());
    links.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
  }
  std::sort(totals.begin(), totals.end());
  std::sort(links.begin(), links.end());
  double median = totals[totals.size() / 2];
  std::printf("module: %d bytes of code, %d symbols, %d relative + %d absolute relocations (%zu bytes)\n",
              kCodeSize, kSymbols, kRelative, kAbsolute, module.size());
  std::printf("gather + load + link: median %.2f ms, best %.2f ms (target: under 10 ms)\n", median, totals[0]);
  std::printf("load + link alone:    median %.2f ms\n", links[links.size() / 2]);
  std::printf("relocations per second: %.1f million\n", (kRelative + kAbsolute) / (median / 1000.0) / 1e6);
  return 0;
}
