#pragma once
// The decimal numbers of DirectX text files and what separates them. They
// are scanned twice, once when a file is parsed (to find where a run of
// numbers ends and how many it holds) and once when a loader reads them:
// inline, since both happen for every number.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include <emmintrin.h>

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

// The spelling exporters write, [sign]digits[.digits] with nine digits at
// most and no exponent, read in registers. The digits are an exact double
// and so is their power of ten; the quotient rounded to float is the float
// nearest the number, since a double holds more than twice a float's
// digits. Null when the number is spelled otherwise.
inline const uint8_t* scanShortFloat(const uint8_t* p, const uint8_t* end, float* value) {
  const bool negative = *p == '-';
  const uint8_t* q = p + (negative || *p == '+');
  const uint8_t* first = q;
  uint32_t v = 0;
  for (; q != end && uint8_t(*q - '0') < 10; ++q) v = v * 10 + (*q - '0');
  std::ptrdiff_t digits = q - first, fraction = 0;
  if (q != end && *q == '.') {
    const uint8_t* point = ++q;
    for (; q != end && uint8_t(*q - '0') < 10; ++q) v = v * 10 + (*q - '0');
    fraction = q - point;
    digits += fraction;
  }
  if (digits == 0 || digits > 9 || (q != end && (*q | 0x20) == 'e')) return nullptr;
  const auto f = static_cast<float>(static_cast<double>(v) / kPowersOfTen[fraction]);
  *value = negative ? -f : f;
  return q;
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
  if constexpr (std::is_same_v<Value, float>) {
    if (const uint8_t* q = scanShortFloat(p, end, value)) return q;
  }
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

// Passes the run of numbers starting at p, with the separators and comments
// between and after them, and counts its numbers: the run ends where
// something after a separator does not start a number. Sixteen bytes are
// taken at once while they hold only digits, points, signs and separators
// and every number among them is plain (a sign only at its start, one
// point at most): their numbers are those starting after a separator, and
// are counted a byte each in sixteen counters. Where that stops, the number
// cut there is taken again from its start, and what is not plain is passed
// a number at a time.
inline const uint8_t* scanNumberRun(const uint8_t* p, const uint8_t* end, uint32_t& count) {
  const __m128i flip = _mm_set1_epi8(char(0x80)), controls = _mm_set1_epi8(char('!' ^ 0x80));
  const __m128i zero = _mm_set1_epi8('0'), nine = _mm_set1_epi8(9);
  const __m128i comma = _mm_set1_epi8(','), semicolon = _mm_set1_epi8(';'), dot = _mm_set1_epi8('.');
  const __m128i minus = _mm_set1_epi8('-'), plus = _mm_set1_epi8('+');
  auto total = [](__m128i counters) {
    const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
    return static_cast<uint32_t>(_mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
  };
  uint32_t n = 0;
  for (;;) {
    // p follows a separator or a number: what is in a number there starts
    // one.
    const uint8_t* const resumed = p;
    __m128i previous = _mm_setzero_si128(), starts = _mm_setzero_si128();
    uint32_t inNumberBefore = 0, openPoint = 0;
    for (int blocks = 1; end - p >= 16; p += 16, ++blocks) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      const __m128i separator =
          _mm_or_si128(_mm_cmplt_epi8(_mm_xor_si128(bytes, flip), controls),
                       _mm_or_si128(_mm_cmpeq_epi8(bytes, comma), _mm_cmpeq_epi8(bytes, semicolon)));
      const __m128i digitValue = _mm_sub_epi8(bytes, zero);
      const __m128i point = _mm_cmpeq_epi8(bytes, dot);
      const __m128i sign = _mm_or_si128(_mm_cmpeq_epi8(bytes, minus), _mm_cmpeq_epi8(bytes, plus));
      const __m128i inNumber =
          _mm_or_si128(_mm_cmpeq_epi8(_mm_min_epu8(digitValue, nine), digitValue), _mm_or_si128(point, sign));
      const auto separators = static_cast<uint32_t>(_mm_movemask_epi8(separator));
      const auto numberBytes = static_cast<uint32_t>(_mm_movemask_epi8(inNumber));
      const auto points = static_cast<uint32_t>(_mm_movemask_epi8(point));
      const auto signs = static_cast<uint32_t>(_mm_movemask_epi8(sign));
      // Not plain: a sign after a byte of a number, or a point whose
      // number already has one. Adding a bit above each point to the bytes
      // that are neither points nor separators carries it to the first of
      // those above: a point there shares its number.
      const uint32_t afterNumber = (numberBytes << 1) | inNumberBefore;
      const uint32_t carried = (~(points | separators) & 0xFFFF) + ((points << 1) | openPoint);
      if ((separators | numberBytes) != 0xFFFF || (signs & afterNumber) || (carried & points & 0xFFFF)) break;
      const __m128i before = _mm_or_si128(_mm_slli_si128(inNumber, 1), _mm_srli_si128(previous, 15));
      starts = _mm_sub_epi8(starts, _mm_andnot_si128(before, inNumber));
      previous = inNumber;
      inNumberBefore = numberBytes >> 15;
      openPoint = carried >> 16;
      if (blocks == 255) {
        n += total(starts);
        starts = _mm_setzero_si128();
        blocks = 0;
      }
    }
    n += total(starts);
    if (inNumberBefore) {
      while (p != resumed && !(kCharClasses[p[-1]] & kSeparator)) --p;
      --n;
    }
    p = skipSeparators(p, end);
    if (p == end || !startsNumber(*p)) break;
    p = scanNumber<void>(p, end, nullptr);
    ++n;
  }
  count = n;
  return p;
}

}  // namespace x_text

}  // namespace vx
