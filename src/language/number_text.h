// Conversions between numbers and text used by the string commands, data
// items, PRINT and debug output of the language runtime.
//
// All functions are locale independent, allocate nothing and touch no global
// state (errno is left as found). They compute with SSE double arithmetic and
// integer code only, so the x87 precision control that compiled module code
// runs with (24-bit mantissas) does not change any result.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vx {

// Buffer sizes that always suffice, terminating zero included.
// formatInt: "-2147483648" is the longest text (11 characters).
inline constexpr int kIntTextCapacity = 12;
// formatFloat: the longest text is 13 characters, an exponent form such as
// "-1.23457e-045" (the decimal exponent of a float never needs more than
// two digits, so the exponent field is always exactly three digits).
inline constexpr int kFloatTextCapacity = 14;

// Decimal text of `value` with a leading '-' for negative values, no padding.
// Writes the characters and a terminating zero; returns the character count.
int formatInt(int32_t value, char* out);

// Text of a float as the language prints it. x is `value` widened to double:
//  - NaN (any sign) gives "NaN", +inf "Infinity", -inf "-Infinity".
//  - Otherwise |x| is rounded to six significant digits d1..d6 with decimal
//    exponent e, so that |x| ~ 0.d1d2d3d4d5d6 * 10^e; zero gives 000000, e = 0.
//    Rounding is to nearest; a value exactly halfway between two six-digit
//    results goes to the one whose last digit is even (as IEEE
//    round-to-nearest does). A carry such as 999999.5 -> 100000 raises e.
//  - e < -2 or e > 8:  d1 "." d2..d6 without trailing zeros, then "e", the
//                      sign of e-1 and |e-1| as three digits ("1.e+009").
//  - -2 <= e <= 0:     "0.", -e zeros, d1..d6        ("0.001", "0.5")
//  - 1 <= e <= 5:      d1..de "." d(e+1)..d6         ("1.5", "12345.7")
//  - 6 <= e <= 8:      d1..d6, e-6 zeros, ".0"       ("1234570.0")
//    In the second and third forms trailing zeros are dropped while more
//    than one character follows the point, so "1.0" keeps its zero.
//  - "-" leads when x < 0. Negative zero is not below zero: it gives "0.0".
// Writes at most 13 characters plus a terminating zero (kFloatTextCapacity);
// returns the character count.
int formatFloat(float value, char* out);

// Decimal integer at the start of text[0..length): leading white space
// (space, \t, \n, \v, \f, \r) is skipped, then one optional '+' or '-', then
// digits up to the first non-digit. No digits gives 0. Zero bytes are
// ordinary non-digit characters. Digits beyond the 32-bit range wrap modulo
// 2^32 as in a 32-bit accumulator ("4294967297" gives 1, "2147483648" gives
// INT32_MIN), and the sign is applied to the wrapped value.
int32_t parseInt(const char* text, size_t length);

// Decimal number at the start of text[0..length): leading white space, an
// optional sign, digits with an optional '.' and fraction (at least one
// digit on either side of the point), then an optional exponent: 'e' or 'E',
// an optional sign and at least one digit (an 'e' without digits is not part
// of the number). Parsing stops at the first character that does not fit; no
// number gives 0.0. The value is rounded correctly to double precision and
// then narrowed to float, so values beyond the float range give +-infinity
// and tiny ones +-0 or a denormal. "-0" gives negative zero. Never reads past
// `length`.
float parseFloat(const char* text, size_t length);

}  // namespace vx
