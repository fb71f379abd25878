#include "language/math_commands.h"

#include <bit>
#include <cmath>

#include "runtime/fpu.h"

namespace vx {

namespace {

// The float nearest to pi/180 and the float nearest to 180/pi.
constexpr float kDegreesToRadians = std::bit_cast<float>(0x3C8EFA35u);
constexpr float kRadiansToDegrees = std::bit_cast<float>(0x42652EE1u);
static_assert(kDegreesToRadians == 0.01745329238474369f);
static_assert(kRadiansToDegrees == 57.295780181884766f);

// While a program runs the x87 unit rounds to 24-bit mantissas. The C
// library's double functions use the x87 unit on this platform and lose
// accuracy at that precision (pow most of all), so each call runs with
// extended precision and the program's control word is put back after it.
class LibraryPrecision {
 public:
  LibraryPrecision() : saved_(readFpuControl()) {
    if ((saved_ & kPrecisionBits) != kPrecisionBits) writeFpuControl(saved_ | kPrecisionBits);
  }
  ~LibraryPrecision() {
    if ((saved_ & kPrecisionBits) != kPrecisionBits) writeFpuControl(saved_);
  }
  LibraryPrecision(const LibraryPrecision&) = delete;
  LibraryPrecision& operator=(const LibraryPrecision&) = delete;

 private:
  static constexpr uint16_t kPrecisionBits = 0x0300;
  uint16_t saved_;
};

template <double (*Fn)(double)>
float library(float x) {
  LibraryPrecision precision;
  return static_cast<float>(Fn(static_cast<double>(x)));
}

template <double (*Fn)(double, double)>
float library(float x, float y) {
  LibraryPrecision precision;
  return static_cast<float>(Fn(static_cast<double>(x), static_cast<double>(y)));
}

double sinD(double x) { return std::sin(x); }
double cosD(double x) { return std::cos(x); }
double tanD(double x) { return std::tan(x); }
double asinD(double x) { return std::asin(x); }
double acosD(double x) { return std::acos(x); }
double atan2D(double y, double x) { return std::atan2(y, x); }
double sqrtD(double x) { return std::sqrt(x); }
double floorD(double x) { return std::floor(x); }
double ceilD(double x) { return std::ceil(x); }
double expD(double x) { return std::exp(x); }
double logD(double x) { return std::log(x); }
double log10D(double x) { return std::log10(x); }
double fmodD(double x, double y) { return std::fmod(x, y); }
double powD(double x, double y) { return std::pow(x, y); }

// ---- trigonometry in degrees, logarithms ----

float sinDegrees(float degrees) { return library<sinD>(degrees * kDegreesToRadians); }
float cosDegrees(float degrees) { return library<cosD>(degrees * kDegreesToRadians); }
float tanDegrees(float degrees) { return library<tanD>(degrees * kDegreesToRadians); }
float asinDegrees(float x) { return library<asinD>(x) * kRadiansToDegrees; }
float acosDegrees(float x) { return library<acosD>(x) * kRadiansToDegrees; }
float atanDegrees(float x) { return library<atan2D>(x, 1.0f) * kRadiansToDegrees; }
// The angle of the point (x = b, y = a).
float atan2Degrees(float a, float b) { return library<atan2D>(a, b) * kRadiansToDegrees; }
float sqr(float x) { return library<sqrtD>(x); }
float floorF(float x) { return library<floorD>(x); }
float ceilF(float x) { return library<ceilD>(x); }
float expF(float x) { return library<expD>(x); }
float logF(float x) { return library<logD>(x); }
float log10F(float x) { return library<log10D>(x); }

// ---- random numbers ----
// The minimal standard generator (multiplier 48271, modulus 2^31 - 1) by
// Schrage's method, so that no product leaves 32 bits.

constexpr int32_t kModulus = 2147483647;
constexpr int32_t kMultiplier = 48271;
constexpr int32_t kQuotient = kModulus / kMultiplier;   // 44488
constexpr int32_t kRemainder = kModulus % kMultiplier;  // 3399
constexpr int32_t kInitialState = 4660;

int32_t state = kInitialState;

// Advances the state once and gives its fraction, strictly between 0 and 1.
// A state of 0 (reached from 2^31 - 1, see SeedRnd) stays 0.
float nextFraction() {
  int32_t s = (state % kQuotient) * kMultiplier - (state / kQuotient) * kRemainder;
  if (s < 0) s += kModulus;
  state = s;
  return (static_cast<float>(s & 65535) + 0.5f) / 65536.0f;
}

float rnd(float from, float to) {
  float f = nextFraction();
  return from + f * (to - from);
}

int32_t rndInt(int32_t from, int32_t to) {
  int64_t lo = from < to ? from : to;
  int64_t hi = from < to ? to : from;
  float f = nextFraction();
  // The product is exact in double (17 by at most 33 bits) and then rounded
  // once to single precision, as the unit does at 24 bits. It stays below
  // the range, so the result never passes hi even for the widest range.
  float scaled = static_cast<float>(static_cast<double>(f) * static_cast<double>(hi - lo + 1));
  return static_cast<int32_t>(lo + static_cast<int64_t>(scaled));
}

void seedRnd(int32_t seed) {
  state = seed & kModulus;
  if (state == 0) state = 1;
}

int32_t rndSeed() { return state; }

// ---- arithmetic routines ----

int32_t absI(int32_t x) {
  // The most negative integer is its own negation.
  return x < 0 ? static_cast<int32_t>(0u - static_cast<uint32_t>(x)) : x;
}

int32_t sgnI(int32_t x) { return x > 0 ? 1 : (x < 0 ? -1 : 0); }

int32_t modI(int32_t a, int32_t b) {
  if (b == 0) raiseError("Integer divide by zero");
  if (b == -1) return 0;  // INT32_MIN % -1 would trap
  return a % b;
}

float absF(float x) { return std::fabs(x); }

float sgnF(float x) {
  if (x > 0.0f) return 1.0f;
  if (x == 0.0f) return 0.0f;
  return -1.0f;  // negative or NaN
}

float modF(float a, float b) { return library<fmodD>(a, b); }

float powF(float x, float y) { return library<powD>(x, y); }

bool create() {
  state = kInitialState;
  return true;
}

void destroy() {}

void link(Registry& r) {
  r.command<"#Sin#degrees", sinDegrees>();
  r.command<"#Cos#degrees", cosDegrees>();
  r.command<"#Tan#degrees", tanDegrees>();
  r.command<"#ASin#float", asinDegrees>();
  r.command<"#ACos#float", acosDegrees>();
  r.command<"#ATan#float", atanDegrees>();
  r.command<"#ATan2#floata#floatb", atan2Degrees>();
  r.command<"#Sqr#float", sqr>();
  r.command<"#Floor#float", floorF>();
  r.command<"#Ceil#float", ceilF>();
  r.command<"#Exp#float", expF>();
  r.command<"#Log#float", logF>();
  r.command<"#Log10#float", log10F>();
  r.command<"#Rnd#from#to=0", rnd>();
  r.command<"%Rand%from%to=1", rndInt>();
  r.command<"SeedRnd%seed", seedRnd>();
  r.command<"%RndSeed", rndSeed>();
}

}  // namespace

void linkMathRoutines(Registry& r) {
  r.routine<"_vxAbs", absI>();
  r.routine<"_vxSgn", sgnI>();
  r.routine<"_vxMod", modI>();
  r.routine<"_vxFAbs", absF>();
  r.routine<"_vxFSgn", sgnF>();
  r.routine<"_vxFMod", modF>();
  r.routine<"_vxFPow", powF>();
}

const RuntimeModule mathModule{"math", create, destroy, link};

}  // namespace vx
