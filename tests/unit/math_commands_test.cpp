// The math module and the arithmetic routines, called through their thunks.

#include "language/math_commands.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <set>
#include <vector>

#include "recording_debugger.h"
#include "registered.h"
#include "runtime/fpu.h"
#include "runtime/run_step.h"

using vxtest::registered;

namespace {

using F1 = float(VX_STDCALL*)(float);
using F2 = float(VX_STDCALL*)(float, float);
using I1 = int32_t(VX_STDCALL*)(int32_t);
using I2 = int32_t(VX_STDCALL*)(int32_t, int32_t);

float fraction(int32_t state) { return (static_cast<float>(state & 65535) + 0.5f) / 65536.0f; }

class Math : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(vx::mathModule.create()); }
  F2 rnd = registered<F2>("#Rnd#from#to=0");
  I2 rand = registered<I2>("%Rand%from%to=1");
  void(VX_STDCALL* seed)(int32_t) = registered<void(VX_STDCALL*)(int32_t)>("SeedRnd%seed");
  int32_t(VX_STDCALL* state)() = registered<int32_t(VX_STDCALL*)()>("%RndSeed");
  F1 f1(const char* name) { return registered<F1>(name); }
  F2 f2(const char* name) { return registered<F2>(name); }
};

}  // namespace

TEST_F(Math, RandomSequenceAndSeeds) {
  EXPECT_EQ(state(), 4660);
  for (int32_t next : {224942860, 539475828, 650989866}) {
    EXPECT_EQ(rnd(0.0f, 1.0f), fraction(next));
    EXPECT_EQ(state(), next);
  }
  vx::mathModule.create();
  EXPECT_EQ(rand(1, 65536), 1 + 23308);  // the low 16 bits of each state
  EXPECT_EQ(rand(65535, 0), 49012);
  seed(0);
  EXPECT_EQ(state(), 1);
  seed(INT_MIN);
  EXPECT_EQ(state(), 1);
  seed(-5);
  EXPECT_EQ(state(), 2147483643);
  seed(-1);  // 2^31 - 1, whose next state is 0 for good
  EXPECT_EQ(state(), 2147483647);
  EXPECT_EQ(rnd(0.0f, 1.0f), 0.5f / 65536.0f);
  EXPECT_EQ(rnd(0.0f, 1.0f), 0.5f / 65536.0f);
  EXPECT_EQ(state(), 0);
  EXPECT_EQ(rand(INT_MIN, INT_MAX), INT_MIN + 32768);  // a range wider than 32 bits
}

TEST_F(Math, RandomBoundsInEitherOrder) {
  std::set<int32_t> dice;
  for (int i = 0; i < 2000; ++i) {
    dice.insert(rand(6, 1));
    float unit = rnd(1.0f, 0.0f);
    EXPECT_TRUE(unit > 0.0f && unit < 1.0f) << unit;
  }
  EXPECT_EQ(dice, (std::set<int32_t>{1, 2, 3, 4, 5, 6}));
  seed(777);
  int32_t forward = rand(1, 5);
  seed(777);
  EXPECT_EQ(rand(5, 1), forward);
  EXPECT_EQ(rand(7, 7), 7);
}

TEST_F(Math, DegreesAndDomains) {
  EXPECT_FLOAT_EQ(f1("#Sin#degrees")(30.0f), 0.5f);
  EXPECT_LT(f1("#Sin#degrees")(180.0f), 0.0f);  // 180 degrees is the float just above pi
  EXPECT_FLOAT_EQ(f1("#Tan#degrees")(45.0f), 1.0f);
  EXPECT_EQ(f1("#ASin#float")(1.0f), 1.57079637f * 57.295780181884766f);
  EXPECT_FLOAT_EQ(f1("#ATan#float")(-INFINITY), -90.0f);
  EXPECT_FLOAT_EQ(f2("#ATan2#floata#floatb")(1.0f, -1.0f), 135.0f);  // y first
  EXPECT_EQ(f1("#Floor#float")(-2.5f), -3.0f);
  EXPECT_EQ(f1("#Ceil#float")(-2.5f), -2.0f);
  EXPECT_EQ(f1("#Log#float")(0.0f), -INFINITY);  // no errors outside the domain
  EXPECT_TRUE(std::isnan(f1("#Sqr#float")(-1.0f)));
}

TEST_F(Math, FullAccuracyWhileTheUnitRoundsTo24Bits) {
  // Module code runs with the x87 unit at single precision: results must not
  // depend on it, and the program's control word must survive each call.
  auto at24Bits = [](auto call) {
    uint16_t saved = vx::readFpuControl();
    vx::writeFpuControl(vx::kModuleFpuControl);
    float result = call();
    uint16_t after = vx::readFpuControl();
    vx::writeFpuControl(saved);
    EXPECT_EQ(after, vx::kModuleFpuControl);
    return result;
  };
  const float args[][2] = {{10000.0f, 2.5f}, {10.0f, 2.5f}, {3300.0f, -7.7f}, {1000.1f, 12345.0f}};
  for (const char* name : {"_vxFPow", "_vxFMod", "#ATan2#floata#floatb"})
    for (const auto& a : args) EXPECT_EQ(at24Bits([&] { return f2(name)(a[0], a[1]); }), f2(name)(a[0], a[1])) << name;
  for (const char* name : {"#Exp#float", "#Log#float", "#Sin#degrees", "#Tan#degrees"})
    for (float x : {7.7f, 0.3f, 1234.5f}) EXPECT_EQ(at24Bits([&] { return f1(name)(x); }), f1(name)(x)) << name;
  EXPECT_EQ(at24Bits([&] { return f2("_vxFPow")(10000.0f, 2.5f); }), 1e10f);
}

TEST_F(Math, ArithmeticRoutines) {
  I1 abs = registered<I1>("_vxAbs"), sgn = registered<I1>("_vxSgn");
  I2 mod = registered<I2>("_vxMod");
  EXPECT_EQ(abs(-5), 5);
  EXPECT_EQ(abs(INT_MIN), INT_MIN);  // stays as it is
  EXPECT_EQ((std::vector{sgn(-7), sgn(0), sgn(INT_MAX)}), (std::vector{-1, 0, 1}));
  EXPECT_EQ(mod(-7, 3), -1);  // the sign follows the dividend
  EXPECT_EQ(mod(7, -3), 1);
  EXPECT_EQ(mod(INT_MIN, -1), 0);
  EXPECT_EQ(mod(5, INT_MIN), 5);
  EXPECT_FALSE(std::signbit(f1("_vxFAbs")(-0.0f)));
  F1 fsgn = f1("_vxFSgn");
  EXPECT_EQ((std::vector{fsgn(0.001f), fsgn(-0.0f), fsgn(-INFINITY), fsgn(NAN)}),
            (std::vector{1.0f, 0.0f, -1.0f, -1.0f}));
  EXPECT_EQ(f2("_vxFMod")(-7.5f, 2.0f), -1.5f);  // the sign of the dividend
  EXPECT_EQ(f2("_vxFMod")(7.5f, -2.0f), 1.5f);
  EXPECT_EQ(f2("_vxFPow")(2.0f, -1.0f), 0.5f);

  static int reached = 0;
  static const vx::RuntimeModule modules[] = {vx::mathModule};
  vxtest::RecordingDebugger debugger;
  vx::executeProgram(
      [] {
        reached = 1;
        registered<I2>("_vxMod")(5, 0);
        reached = 2;
      },
      "", &debugger, modules);
  EXPECT_EQ(reached, 1);
  ASSERT_EQ(debugger.messages.size(), 1u);
  EXPECT_EQ(debugger.messages[0].text, "Integer divide by zero");
}
