#include <gtest/gtest.h>

#include <string>

#include "language/allocation_list.h"
#include "language/runtime_string.h"
#include "registered.h"

using vx::RuntimeString;
using vxtest::registered;

namespace {

using Load = RuntimeString*(VX_STDCALL*)(RuntimeString**);
using Release = void(VX_STDCALL*)(RuntimeString*);
using Store = void(VX_STDCALL*)(RuntimeString**, RuntimeString*);
using Compare = int32_t(VX_STDCALL*)(RuntimeString*, RuntimeString*);
using Concat = RuntimeString*(VX_STDCALL*)(RuntimeString*, RuntimeString*);
using ToInt = int32_t(VX_STDCALL*)(RuntimeString*);
using FromInt = RuntimeString*(VX_STDCALL*)(int32_t);
using ToFloat = float(VX_STDCALL*)(RuntimeString*);
using FromFloat = RuntimeString*(VX_STDCALL*)(float);
using Const = RuntimeString*(VX_STDCALL*)(const char*);

class StringRoutines : public ::testing::Test {
 protected:
  void SetUp() override {
    vx::resetStringPool();
    vx::runAllocations().freeAll();
  }
  void TearDown() override {
    vx::resetStringPool();
    vx::runAllocations().freeAll();
  }

  Load load = registered<Load>("_vxStrLoad");
  Release release = registered<Release>("_vxStrRelease");
  Store store = registered<Store>("_vxStrStore");
  Compare compare = registered<Compare>("_vxStrCompare");
  Concat concat = registered<Concat>("_vxStrConcat");
  ToInt toInt = registered<ToInt>("_vxStrToInt");
  FromInt fromInt = registered<FromInt>("_vxStrFromInt");
  ToFloat toFloat = registered<ToFloat>("_vxStrToFloat");
  FromFloat fromFloat = registered<FromFloat>("_vxStrFromFloat");
  Const make = registered<Const>("_vxStrConst");

  // Reads a string's text and releases it.
  std::string text(RuntimeString* s) {
    std::string t(vx::viewOf(s));
    release(s);
    return t;
  }
};

}  // namespace

TEST_F(StringRoutines, CompareOrdersBytesUnsignedAndShorterFirst) {
  EXPECT_EQ(compare(make("abc"), make("abd")), -1);
  EXPECT_EQ(compare(make("abc"), make("ab")), 1);
  EXPECT_EQ(compare(make(""), make("")), 0);
  EXPECT_EQ(compare(nullptr, make("")), 0);
  EXPECT_EQ(compare(make("\xc8"), make("\x64")), 1);
  RuntimeString* withZero = vx::newString(std::string_view("a\0b", 3));
  EXPECT_EQ(compare(withZero, make("a")), 1);
  EXPECT_EQ(vx::liveStringCount(), 0);
}

TEST_F(StringRoutines, LoadCopiesAndStoreTakesOwnership) {
  RuntimeString* variable = nullptr;
  RuntimeString* empty = load(&variable);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(text(empty), "");

  store(&variable, make("first"));
  store(&variable, make("second"));  // releases "first"
  EXPECT_EQ(vx::liveStringCount(), 1);
  RuntimeString* copy = load(&variable);
  EXPECT_NE(copy, variable);
  EXPECT_EQ(text(copy), "second");
  EXPECT_EQ(std::string(vx::viewOf(variable)), "second");
  release(variable);
  release(nullptr);
  EXPECT_EQ(vx::liveStringCount(), 0);
}

TEST_F(StringRoutines, ConcatAppendsInPlaceKeepingZeroBytes) {
  RuntimeString* a = make("left");
  RuntimeString* joined = concat(a, vx::newString(std::string_view("\0right", 6)));
  EXPECT_EQ(joined, a);
  EXPECT_EQ(vx::liveStringCount(), 1);
  std::string long_part(100, 'x');
  joined = concat(joined, make(long_part.c_str()));
  EXPECT_EQ(text(joined), std::string("left\0right", 10) + long_part);
  EXPECT_EQ(text(concat(nullptr, make("b"))), "b");
  EXPECT_EQ(vx::liveStringCount(), 0);
}

TEST_F(StringRoutines, LoopsOfWorkReturnTheLiveCountToItsStart) {
  RuntimeString* variable = nullptr;
  store(&variable, make("seed"));
  int32_t start = vx::liveStringCount();
  for (int i = 0; i < 2000; ++i) {
    RuntimeString* s = concat(load(&variable), fromInt(i));
    s = concat(s, fromFloat(i * 0.5f));
    if (compare(load(&variable), make("seed")) == 0) store(&variable, concat(make("seed"), make("")));
    EXPECT_GE(toInt(make("  12")), 12);
    release(s);
  }
  EXPECT_EQ(vx::liveStringCount(), start);
  release(variable);
  EXPECT_EQ(vx::liveStringCount(), 0);
}

TEST_F(StringRoutines, ConversionsGoThroughTheNumberText) {
  EXPECT_EQ(toInt(make("  -42abc")), -42);
  EXPECT_EQ(toInt(make("abc")), 0);
  EXPECT_EQ(toInt(nullptr), 0);
  EXPECT_FLOAT_EQ(toFloat(make(" 1.5e2x")), 150.0f);
  EXPECT_EQ(text(fromInt(-2147483647 - 1)), "-2147483648");
  EXPECT_EQ(text(fromFloat(1e9f)), "1.e+009");
  EXPECT_EQ(text(fromFloat(12345678.0f)), "12345700.0");
  EXPECT_EQ(vx::liveStringCount(), 0);
}

TEST_F(StringRoutines, PoolGrowsByBlocksOf512) {
  std::vector<RuntimeString*> alive;
  for (int i = 0; i < 512; ++i) alive.push_back(make("s"));
  EXPECT_EQ(vx::runAllocations().blockCount(), 1u);
  alive.push_back(make("t"));
  EXPECT_EQ(vx::runAllocations().blockCount(), 2u);
  EXPECT_EQ(vx::liveStringCount(), 513);
  for (RuntimeString* s : alive) release(s);
  EXPECT_EQ(vx::liveStringCount(), 0);
  // Released strings are reused; blocks stay until the pool is reset.
  for (int i = 0; i < 1000; ++i) release(make("again"));
  EXPECT_EQ(vx::runAllocations().blockCount(), 2u);
}
