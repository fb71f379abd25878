#include "language/number_text.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vx {
namespace {

bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');  // \t \n \v \f \r
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// 10^0 .. 10^51. The literals are rounded correctly by the compiler; up to
// 10^22 they are exact.
constexpr double kPow10[] = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11, 1e12,
    1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22, 1e23, 1e24, 1e25,
    1e26, 1e27, 1e28, 1e29, 1e30, 1e31, 1e32, 1e33, 1e34, 1e35, 1e36, 1e37, 1e38,
    1e39, 1e40, 1e41, 1e42, 1e43, 1e44, 1e45, 1e46, 1e47, 1e48, 1e49, 1e50, 1e51};

// x * 10^p with at most two roundings (relative error below 2.3e-16).
double scaleByPow10(double x, int p) {
    return p >= 0 ? x * kPow10[p] : x / kPow10[-p];
}

// Unsigned integer of up to 12 * 32 bits, enough for m * 2^105 and for
// m * 10^51 with m < 2^25 (the largest operands the digit check builds).
struct BigInt {
    uint32_t limb[12];
    int size;  // limbs in use; limb[size-1] may be zero

    explicit BigInt(uint32_t v) : limb{v}, size(1) {}

    void mulSmall(uint32_t f) {
        uint32_t carry = 0;
        for (int i = 0; i < size; ++i) {
            uint64_t t = uint64_t(limb[i]) * f + carry;
            limb[i] = uint32_t(t);
            carry = uint32_t(t >> 32);
        }
        if (carry) limb[size++] = carry;
    }

    void mulPow10(int p) {
        for (; p >= 9; p -= 9) mulSmall(1000000000u);
        if (p > 0) mulSmall(uint32_t(kPow10[p]));
    }

    void shiftLeft(int bits) {
        const int words = bits / 32, rest = bits % 32;
        if (rest) {
            uint32_t carry = 0;
            for (int i = 0; i < size; ++i) {
                uint32_t v = limb[i];
                limb[i] = (v << rest) | carry;
                carry = v >> (32 - rest);
            }
            if (carry) limb[size++] = carry;
        }
        if (words) {
            for (int i = size - 1; i >= 0; --i) limb[i + words] = limb[i];
            for (int i = 0; i < words; ++i) limb[i] = 0;
            size += words;
        }
    }

    static int compare(const BigInt& a, const BigInt& b) {
        int na = a.size, nb = b.size;
        while (na > 0 && a.limb[na - 1] == 0) --na;
        while (nb > 0 && b.limb[nb - 1] == 0) --nb;
        if (na != nb) return na < nb ? -1 : 1;
        for (int i = na - 1; i >= 0; --i)
            if (a.limb[i] != b.limb[i]) return a.limb[i] < b.limb[i] ? -1 : 1;
        return 0;
    }
};

// Exact sign of (m * 2^k * 10^p) - (n + 1/2), as -1, 0 or 1.
int compareWithHalf(uint32_t m, int k, int p, int32_t n) {
    BigInt lhs(m), rhs(2 * uint32_t(n) + 1);
    // Compare m * 2^(k+1) * 10^p with 2n+1, all factors moved to the side
    // where their exponent is non-negative.
    const int twos = k + 1;
    if (twos >= 0) lhs.shiftLeft(twos); else rhs.shiftLeft(-twos);
    if (p >= 0) lhs.mulPow10(p); else rhs.mulPow10(-p);
    return BigInt::compare(lhs, rhs);
}

void writeDigits6(int32_t n, char* out) {
    for (int i = 5; i >= 0; --i) {
        out[i] = char('0' + n % 10);
        n /= 10;
    }
}

int writeText(const char* s, char* out) {
    int n = 0;
    while (s[n]) { out[n] = s[n]; ++n; }
    out[n] = 0;
    return n;
}

}  // namespace

int formatInt(int32_t value, char* out) {
    uint32_t u = uint32_t(value);
    int n = 0;
    if (value < 0) {
        out[n++] = '-';
        u = 0u - u;  // magnitude, INT32_MIN included
    }
    char rev[10];
    int r = 0;
    do {
        rev[r++] = char('0' + u % 10);
        u /= 10;
    } while (u);
    while (r) out[n++] = rev[--r];
    out[n] = 0;
    return n;
}

int formatFloat(float value, char* out) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const bool negative = bits >> 31;
    const int biased = int(bits >> 23) & 0xFF;
    const uint32_t fraction = bits & 0x7FFFFF;

    if (biased == 0xFF) {
        if (fraction) return writeText("NaN", out);
        return writeText(negative ? "-Infinity" : "Infinity", out);
    }
    if (biased == 0 && fraction == 0) return writeText("0.0", out);  // +-0

    // |value| = m * 2^k exactly, and 2^b2 <= |value| < 2^(b2+1).
    uint32_t m;
    int k, b2;
    if (biased) {
        m = fraction | 0x800000;
        k = biased - 150;
        b2 = biased - 127;
    } else {
        m = fraction;
        k = -149;
        b2 = -126;
        for (uint32_t t = m; t < 0x800000; t <<= 1) --b2;
    }
    const double ax = negative ? -double(value) : double(value);  // exact

    // Decimal exponent e0 with 10^(e0-1) <= |value| < 10^e0. floor(b2*log10 2)+1
    // is exact or one too small, since [2^b2, 2^(b2+1)) spans 0.30103 decades;
    // one correction step then places q = |value| * 10^(6-e0) in [1e5, 1e6),
    // up to rounding error when |value| lies within 1e-15 of a power of ten.
    // (b2 * 1233) >> 12 equals floor(b2 * log10 2) for every b2 of a float.
    int e0 = ((b2 * 1233) >> 12) + 1;
    int p = 6 - e0;
    double q = scaleByPow10(ax, p);
    if (q < 1e5) {
        ++p;
        q = scaleByPow10(ax, p);
    } else if (q >= 1e6) {
        --p;
        q = scaleByPow10(ax, p);
    }
    // If the error above put q on the wrong side of a power of ten, q is
    // within 1e-9 of 1e5 or 1e6 and both choices round to the digits 100000
    // with the same e, so the result does not depend on it.

    // Round q to an integer. The error of q is below 2.3e-10, so only a q
    // within that of a half-integer can round wrongly; those cases (exact
    // ties among them) are settled with exact integer arithmetic.
    int32_t n = int32_t(q);  // floor, q is positive and below 2^31
    const double frac = q - double(n);
    if (frac > 0.5 - 1e-6 && frac < 0.5 + 1e-6) {
        const int c = compareWithHalf(m, k, p, n);
        if (c > 0 || (c == 0 && (n & 1))) ++n;  // ties go to the even digit
    } else if (frac > 0.5) {
        ++n;
    }
    int e = 6 - p;
    if (n >= 1000000) {  // carry: 999999.5 -> 1000000
        n /= 10;
        ++e;
    } else if (n < 100000) {  // q was just below 1e5 by rounding error only
        n = 100000;
    }

    char digits[6];
    writeDigits6(n, digits);

    char* o = out;
    if (negative) *o++ = '-';
    if (e < -2 || e > 8) {
        *o++ = digits[0];
        *o++ = '.';
        int last = 5;
        while (last >= 1 && digits[last] == '0') --last;
        for (int i = 1; i <= last; ++i) *o++ = digits[i];
        *o++ = 'e';
        int ex = e - 1;
        *o++ = ex < 0 ? '-' : '+';
        if (ex < 0) ex = -ex;
        *o++ = char('0' + ex / 100);
        *o++ = char('0' + ex / 10 % 10);
        *o++ = char('0' + ex % 10);
    } else if (e >= 6) {
        for (int i = 0; i < 6; ++i) *o++ = digits[i];
        for (int i = 6; i < e; ++i) *o++ = '0';
        *o++ = '.';
        *o++ = '0';
    } else {
        char* point;
        if (e <= 0) {
            *o++ = '0';
            point = o;
            *o++ = '.';
            for (int i = 0; i < -e; ++i) *o++ = '0';
            for (int i = 0; i < 6; ++i) *o++ = digits[i];
        } else {
            for (int i = 0; i < e; ++i) *o++ = digits[i];
            point = o;
            *o++ = '.';
            for (int i = e; i < 6; ++i) *o++ = digits[i];
        }
        while (o - point > 2 && o[-1] == '0') --o;
    }
    *o = 0;
    return int(o - out);
}

int32_t parseInt(const char* text, size_t length) {
    size_t i = 0;
    while (i < length && isSpace(text[i])) ++i;
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    uint32_t acc = 0;  // unsigned: wraps modulo 2^32 by definition
    for (; i < length && isDigit(text[i]); ++i) acc = acc * 10u + uint32_t(text[i] - '0');
    return int32_t(negative ? 0u - acc : acc);  // modular conversion (C++20)
}

namespace {

// Significant digits kept for the correctly rounded conversion. Any double
// rounding boundary (a midpoint between adjacent doubles) has at most 767
// significant digits, so keeping 800 and standing in for the rest with one
// nonzero "sticky" digit leaves every input on the same side of every
// boundary as the full text.
constexpr int kMaxDigits = 800;
constexpr int64_t kExponentLimit = 1000000000;  // saturation of the e part

}  // namespace

float parseFloat(const char* text, size_t length) {
    size_t i = 0;
    while (i < length && isSpace(text[i])) ++i;
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }

    // Value = digits (as an integer) * 10^scale; leading zeros are not kept.
    char digits[kMaxDigits + 1 + 1 + 24];  // digits, sticky digit, "e", exponent
    int count = 0;
    bool sticky = false, anyDigit = false;
    int64_t scale = 0;
    for (; i < length && isDigit(text[i]); ++i) {
        anyDigit = true;
        const char c = text[i];
        if (count == 0 && c == '0') continue;
        if (count < kMaxDigits) {
            digits[count++] = c;
        } else {
            ++scale;
            sticky |= c != '0';
        }
    }
    if (i < length && text[i] == '.') {
        for (++i; i < length && isDigit(text[i]); ++i) {
            anyDigit = true;
            const char c = text[i];
            if (count == 0 && c == '0') {
                --scale;
            } else if (count < kMaxDigits) {
                digits[count++] = c;
                --scale;
            } else {
                sticky |= c != '0';
            }
        }
    }
    if (!anyDigit) return 0.0f;

    if (i < length && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        bool expNegative = false;
        if (j < length && (text[j] == '+' || text[j] == '-')) {
            expNegative = text[j] == '-';
            ++j;
        }
        if (j < length && isDigit(text[j])) {
            int64_t ex = 0;
            for (; j < length && isDigit(text[j]); ++j)
                if (ex < kExponentLimit) ex = ex * 10 + (text[j] - '0');
            scale += expNegative ? -ex : ex;
        }
    }

    double result;
    if (count == 0) {
        result = 0.0;
    } else if (count + scale > 310) {  // above 1e309: beyond any double
        result = __builtin_huge_val();
    } else if (count + scale < -330) {  // below 1e-330: under half a denormal
        result = 0.0;
    } else if (!sticky && count <= 15 && scale >= -22 && scale <= 22) {
        // Both operands are exact doubles (the integer is below 2^53), so a
        // single multiplication or division rounds correctly.
        uint64_t v = 0;
        for (int d = 0; d < count; ++d) v = v * 10u + uint32_t(digits[d] - '0');
        // Converted from two signed 32-bit halves, each exact: 64-bit and
        // unsigned conversions would go through the x87 unit on this target.
        const double whole = double(int32_t(v >> 32)) * 4294967296.0 +
                             double(int32_t(uint32_t(v) ^ 0x80000000u)) + 2147483648.0;
        result = scale >= 0 ? whole * kPow10[scale] : whole / kPow10[-scale];
    } else {
        int n = count;
        if (sticky) {
            digits[n++] = '1';
            --scale;
        }
        digits[n++] = 'e';
        // Only digits and an exponent reach strtod: no sign, point, hex or
        // inf/nan form, so neither locale nor accepted extensions matter.
        int64_t s = scale;
        if (s < 0) {
            digits[n++] = '-';
            s = -s;
        }
        char rev[24];
        int r = 0;
        do {
            rev[r++] = char('0' + s % 10);
            s /= 10;
        } while (s);
        while (r) digits[n++] = rev[--r];
        digits[n] = 0;
        const int savedErrno = errno;
        result = std::strtod(digits, nullptr);
        errno = savedErrno;
    }
    const float f = float(result);
    return negative ? -f : f;
}

}  // namespace vx
