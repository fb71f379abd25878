#pragma once
// The decimal numbers of DirectX text files and what separates them. They
// are scanned twice, once when a file is parsed (to find where a run of
// numbers ends) and once when a loader reads them: inline, since both
// happen for every number.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace vx {

namespace x_text {

// Powers of ten a double holds exactly.
inline constexpr std::array<double, 23> kPowersOfTen = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// What each byte can be, looked up rather than compared for.
enum CharClass : uint8_t { kSeparator = 1, kNumberStart = 2 };
inline constexpr std::array<uint8_t, 256> kCharClasses = [] {
  std::array<uint8_t, 256> classes{};
  for (int c = 0; c < 256; ++c) {
    if (c <= ' ' || c == ',' || c == ';') classes[c] |= kSeparator;
    if ((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.') classes[c] |= kNumberStart;
  }
  return classes;
}();

inline bool isDigit(const uint8_t* p, const uint8_t* end) { return p != end && *p >= '0' && *p <= '9'; }
inline bool startsNumber(uint8_t c) { return kCharClasses[c] & kNumberStart; }

// Passes white space, separators (";" and ",") and comments ("//" and "#"
// to the end of the line).
inline const uint8_t* skipSeparators(const uint8_t* p, const uint8_t* end) {
  for (;;) {
    while (p != end && (kCharClasses[*p] & kSeparator)) ++p;
    if (p == end || !(*p == '#' || (*p == '/' && p + 1 != end && p[1] == '/'))) return p;
    const void* eol = std::memchr(p, '\n', end - p);
    p = eol ? static_cast<const uint8_t*>(eol) : end;
  }
}

// A decimal number with optional sign, fraction and exponent starting at
// p; what is not a number reads as 0 and is passed over by one character at
// least. Returns where it ends; a value type other than void receives its
// value: the double nearest to it, or for float that double rounded to
// float. Up to 19 significant digits count; the first nine are gathered in
// 32 bits, which this 32-bit target multiplies much faster than 64.
template <typename Value>
const uint8_t* scanNumber(const uint8_t* p, const uint8_t* end, Value* value) {
  constexpr bool kValue = !std::is_void_v<Value>;
  const uint8_t* start = p;
  bool negative = false;
  if (*p == '-' || *p == '+') negative = *p++ == '-';
  uint32_t small = 0;
  uint64_t wide = 0;
  int digits = 0, exponent = 0;
  auto add = [&](uint8_t c) {
    if constexpr (kValue) {
      if (digits < 9)
        small = small * 10 + (c - '0');
      else
        wide = (digits == 9 ? small : wide) * 10 + (c - '0');
    }
    ++digits;
  };
  for (; isDigit(p, end); ++p) {
    if (digits < 19)
      add(*p);
    else
      ++exponent;
  }
  if (p != end && *p == '.') {
    for (++p; isDigit(p, end); ++p)
      if (digits < 19) add(*p), --exponent;
  }
  if (p != end && (*p == 'e' || *p == 'E')) {
    const uint8_t* mark = p++;
    bool negativeExponent = false;
    if (p != end && (*p == '-' || *p == '+')) negativeExponent = *p++ == '-';
    if (!isDigit(p, end)) {
      p = mark;
    } else {
      int written = 0;
      for (; isDigit(p, end); ++p) written = std::min(written * 10 + (*p - '0'), 10000);
      exponent += negativeExponent ? -written : written;
    }
  }
  if (p == start) ++p;
  if constexpr (std::is_same_v<Value, float>) {
    // Seven digits and a power of ten up to 1e10 are exact floats, and a
    // double holds more than twice a float's digits: the float quotient or
    // product is the double one rounded to float.
    if (digits <= 7 && exponent >= -10 && exponent <= 10) {
      float v = static_cast<float>(static_cast<int32_t>(small));
      const float power = static_cast<float>(kPowersOfTen[exponent < 0 ? -exponent : exponent]);
      if (v != 0) v = exponent < 0 ? v / power : v * power;
      *value = negative ? -v : v;
      return p;
    }
  }
  if constexpr (kValue) {
    double v = digits <= 9 ? static_cast<double>(static_cast<int32_t>(small)) : static_cast<double>(wide);
    if (v != 0) {
      if (exponent >= 0 && exponent < static_cast<int>(kPowersOfTen.size()))
        v *= kPowersOfTen[exponent];
      else if (exponent < 0 && -exponent < static_cast<int>(kPowersOfTen.size()))
        v /= kPowersOfTen[-exponent];
      else
        v *= std::pow(10.0, exponent);
    }
    *value = static_cast<Value>(negative ? -v : v);
  }
  return p;
}

}  // namespace x_text

}  // namespace vx
