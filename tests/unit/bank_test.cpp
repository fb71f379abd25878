// Banks: the growth rule of their storage and the edges of their ranges;
// calls with four arguments in either convention.

#include "streams/bank.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "platform/library_calls.h"

using vx::vxBank;

TEST(Bank, StorageGrowsByHalfRoundedToSixteen) {
  vxBank bank(10);
  EXPECT_EQ(bank.size(), 10);
  EXPECT_EQ(bank.capacity(), 16);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(bank.data()[i], 0);

  std::memset(bank.data(), 0x55, 16);  // bytes beyond the size, too
  bank.resize(12);
  EXPECT_EQ(bank.capacity(), 16);
  EXPECT_EQ(bank.data()[9], 0x55);
  EXPECT_EQ(bank.data()[10], 0);
  EXPECT_EQ(bank.data()[11], 0);
  EXPECT_EQ(bank.data()[12], 0x55);

  bank.resize(16);
  bank.resize(17);  // 16 x 3 / 2 = 24, rounded up
  EXPECT_EQ(bank.capacity(), 32);
  EXPECT_EQ(bank.data()[9], 0x55);
  EXPECT_EQ(bank.data()[16], 0);
  bank.resize(49);  // 48 is too small: the size itself, rounded up
  EXPECT_EQ(bank.capacity(), 64);
  bank.resize(65);
  EXPECT_EQ(bank.capacity(), 96);
}

TEST(Bank, ShrinkingKeepsTheDataAndGrowingAgainZeroesIt) {
  vxBank bank(32);
  for (int i = 0; i < 32; ++i) bank.data()[i] = static_cast<char>(i + 1);
  char* storage = bank.data();
  bank.resize(4);
  EXPECT_EQ(bank.capacity(), 32);
  EXPECT_EQ(bank.data(), storage);
  bank.resize(8);
  EXPECT_EQ(std::string(bank.data(), 8), std::string("\x01\x02\x03\x04\0\0\0\0", 8));
  bank.resize(-5);  // counts as 0
  EXPECT_EQ(bank.size(), 0);
  bank.resize(2);
  EXPECT_EQ(bank.data()[0], 0);

  vxBank empty(0);
  EXPECT_EQ(empty.capacity(), 0);
  empty.resize(1);
  EXPECT_EQ(empty.capacity(), 16);
  EXPECT_EQ(vxBank(-1).size(), 0);
}

TEST(Bank, RangesLieInsideOrNot) {
  vxBank bank(8);
  EXPECT_TRUE(bank.contains(4, 4));
  EXPECT_FALSE(bank.contains(5, 4));
  EXPECT_TRUE(bank.contains(7, 1));
  EXPECT_FALSE(bank.contains(8, 1));
  EXPECT_FALSE(bank.contains(-1, 1));
  EXPECT_TRUE(bank.contains(8, 0));  // an empty range up to the end
  EXPECT_FALSE(bank.contains(9, 0));
  EXPECT_FALSE(bank.contains(0, -1));
  EXPECT_FALSE(bank.contains(INT_MAX, 4));
  EXPECT_FALSE(bank.contains(4, INT_MAX));
}

namespace {

// A stdcall function that pops only two of the four arguments it is given.
__attribute__((stdcall, noinline)) int32_t popsTwo(int32_t a, int32_t b) { return a - b; }
__attribute__((stdcall, noinline)) int32_t popsFour(void* a, int32_t b, void* c, int32_t d) {
  return (a == &popsTwo) + b * 10 + (c == nullptr) * 100 + d * 1000;
}
__attribute__((cdecl, noinline)) int32_t popsNone(void*, int32_t b, void*, int32_t d) { return b * d; }

}  // namespace

TEST(LibraryCalls, EitherConventionLeavesTheStackAsItWas) {
  // A stack left unbalanced by 8 or 16 bytes a call would not survive the
  // loop, nor the return from this test.
  for (int i = 0; i < 1000; ++i) {
    EXPECT_EQ(vx::callWithFourArguments(reinterpret_cast<void*>(&popsFour), reinterpret_cast<void*>(&popsTwo), 2,
                                        nullptr, 3),
              3121);
    EXPECT_EQ(vx::callWithFourArguments(reinterpret_cast<void*>(&popsNone), nullptr, 6, nullptr, 7), 42);
    EXPECT_EQ(vx::callWithFourArguments(reinterpret_cast<void*>(&popsTwo), reinterpret_cast<void*>(9), 4, nullptr,
                                        0),
              5);
  }
}

TEST(LibraryCalls, MissingLibrariesAndFunctionsGiveZero) {
  vx::LibraryCalls calls;
  EXPECT_EQ(calls.call("no_such_library.dll", "f", nullptr, 0, nullptr, 0), 0);
  // The C library is there, a function of that name is not.
  EXPECT_EQ(calls.call("libc.so.6", "no_such_function_here", nullptr, 0, nullptr, 0), 0);
}
