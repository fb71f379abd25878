// A million short strings made, joined, compared and released through the
// runtime's string routines (called as compiled code calls them), against
// the same work with heap-allocated std::string. Prints both and the ratio.

#include <chrono>
#include <cstdio>
#include <string>

#include "language/allocation_list.h"
#include "language/runtime_string.h"
#include "runtime/registry.h"
#include "runtime/runtime_modules.h"

namespace {

constexpr int kRounds = 1000000;

void* lookup(vx::Registry& registry, const char* text) {
  for (const vx::Registration& r : registry.entries())
    if (std::string(r.text) == text) return r.address;
  return nullptr;
}

using Const = vx::RuntimeString*(VX_STDCALL*)(const char*);
using Concat = vx::RuntimeString*(VX_STDCALL*)(vx::RuntimeString*, vx::RuntimeString*);
using Compare = int32_t(VX_STDCALL*)(vx::RuntimeString*, vx::RuntimeString*);
using Release = void(VX_STDCALL*)(vx::RuntimeString*);

// Function pointers the optimiser cannot see through, like calls from a module.
Const volatile strConst;
Concat volatile strConcat;
Compare volatile strCompare;
Release volatile strRelease;

double pooled() {
  auto start = std::chrono::steady_clock::now();
  int32_t sum = 0;
  for (int i = 0; i < kRounds; ++i) {
    vx::RuntimeString* s = strConcat(strConst("player"), strConst("one"));
    sum += strCompare(strConcat(strConst("player"), strConst("two")), strConst("playerone"));
    strRelease(s);
  }
  auto end = std::chrono::steady_clock::now();
  if (sum != kRounds) std::printf("unexpected result %d\n", sum);
  return std::chrono::duration<double, std::milli>(end - start).count();
}

std::string* volatile sink;

double heap() {
  auto start = std::chrono::steady_clock::now();
  int32_t sum = 0;
  for (int i = 0; i < kRounds; ++i) {
    auto* s = new std::string("player");
    auto* one = new std::string("one");
    *s += *one;
    delete one;
    auto* a = new std::string("player");
    auto* two = new std::string("two");
    *a += *two;
    delete two;
    auto* b = new std::string("playerone");
    int c = a->compare(*b);
    sum += c < 0 ? -1 : (c > 0 ? 1 : 0);
    delete a;
    delete b;
    sink = s;
    delete sink;
  }
  auto end = std::chrono::steady_clock::now();
  if (sum != kRounds) std::printf("unexpected result %d\n", sum);
  return std::chrono::duration<double, std::milli>(end - start).count();
}

}  // namespace

int main() {
  vx::Registry registry;
  vx::registerAll(vx::runtimeModules(), registry);
  strConst = reinterpret_cast<Const>(lookup(registry, "_vxStrConst"));
  strConcat = reinterpret_cast<Concat>(lookup(registry, "_vxStrConcat"));
  strCompare = reinterpret_cast<Compare>(lookup(registry, "_vxStrCompare"));
  strRelease = reinterpret_cast<Release>(lookup(registry, "_vxStrRelease"));

  double bestPool = 1e9, bestHeap = 1e9;
  for (int round = 0; round < 5; ++round) {
    bestPool = std::min(bestPool, pooled());
    bestHeap = std::min(bestHeap, heap());
  }
  std::printf("%d rounds of 5 strings made, 2 joins, 1 comparison, all released\n", kRounds);
  std::printf("string pool:        %.1f ms\n", bestPool);
  std::printf("heap std::string:   %.1f ms\n", bestHeap);
  std::printf("pool speed-up:      %.2fx (target: at least 1.0x)\n", bestHeap / bestPool);
  vx::resetStringPool();
  vx::runAllocations().freeAll();
  return 0;
}
