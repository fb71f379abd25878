#include "language/number_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace {

std::string intText(int32_t v) {
    char buf[vx::kIntTextCapacity];
    const int n = vx::formatInt(v, buf);
    EXPECT_EQ(n, int(std::strlen(buf)));
    return buf;
}

std::string floatText(float v) {
    char buf[32];
    std::memset(buf, 'X', sizeof buf);
    const int n = vx::formatFloat(v, buf);
    EXPECT_EQ(n, int(std::strlen(buf)));
    EXPECT_LT(n, vx::kFloatTextCapacity);
    return buf;
}

int32_t toInt(const std::string& s) { return vx::parseInt(s.data(), s.size()); }
float toFloat(const std::string& s) { return vx::parseFloat(s.data(), s.size()); }

// Independent reference: six digits from the C library's exactly rounded
// "%.5e" (ties to even), laid out by the language's float text rules.
std::string referenceText(float v) {
    char e[32];
    std::snprintf(e, sizeof e, "%.5e", std::fabs(double(v)));
    std::string d = std::string(1, e[0]) + std::string(e + 2, 5);
    int ex = v == 0 ? 0 : std::atoi(e + 8) + 1;
    std::string s = v < 0 ? "-" : "";
    if (ex < -2 || ex > 8) {
        while (d.size() > 1 && d.back() == '0') d.pop_back();
        char tail[16];
        std::snprintf(tail, sizeof tail, "e%c%03d", ex - 1 < 0 ? '-' : '+', std::abs(ex - 1));
        return s + d[0] + "." + d.substr(1) + tail;
    }
    if (ex >= 6) return s + d + std::string(ex - 6, '0') + ".0";
    std::string t = ex <= 0 ? "0." + std::string(-ex, '0') + d : d.substr(0, ex) + "." + d.substr(ex);
    while (t.size() - t.find('.') > 2 && t.back() == '0') t.pop_back();
    return s + t;
}

#if defined(__i386__) || defined(__x86_64__)
struct X87SinglePrecision {  // the control word compiled module code runs with
    unsigned short saved;
    X87SinglePrecision() {
        unsigned short cw = 0x007F;
        __asm__ volatile("fnstcw %0" : "=m"(saved));
        __asm__ volatile("fldcw %0" : : "m"(cw));
    }
    ~X87SinglePrecision() { __asm__ volatile("fldcw %0" : : "m"(saved)); }
};
#endif

}  // namespace

TEST(NumberText, FormatIntRange) {
    const std::pair<int32_t, const char*> cases[] = {
        {0, "0"}, {7, "7"}, {-7, "-7"}, {1000000000, "1000000000"},
        {INT32_MAX, "2147483647"}, {INT32_MIN, "-2147483648"}};
    for (const auto& [v, text] : cases) EXPECT_EQ(intText(v), text);
}

TEST(NumberText, FormatFloatLayouts) {
    const std::pair<float, const char*> cases[] = {
        {0.0f, "0.0"}, {-0.0f, "0.0"}, {1.0f, "1.0"}, {1.5f, "1.5"}, {100.0f, "100.0"},
        {0.5f, "0.5"}, {0.1f, "0.1"}, {1.0f / 3, "0.333333"}, {12345.678f, "12345.7"},
        {12345.0f, "12345.0"}, {100000.0f, "100000.0"}, {1234567.0f, "1234570.0"},
        {16777216.0f, "16777200.0"}, {1e9f, "1.e+009"}, {1234567890.0f, "1.23457e+009"},
        {1.5e10f, "1.5e+010"}, {1.23e-5f, "1.23e-005"},
        // exponent boundaries: e = -2, -3, 8, 9
        {0.001f, "0.001"}, {0.00987654f, "0.00987654"}, {0.0001f, "1.e-004"},
        {0.000987654f, "9.87654e-004"}, {12345678.0f, "12345700.0"},
        {99999944.0f, "99999900.0"}, {123456789.0f, "1.23457e+008"}, {1e8f, "1.e+008"},
        // negative numbers in each form
        {-2.5f, "-2.5"}, {-0.001f, "-0.001"}, {-1234567.0f, "-1234570.0"},
        {-1e9f, "-1.e+009"}, {-0.0001f, "-1.e-004"},
        // range ends
        {FLT_MAX, "3.40282e+038"}, {-FLT_MAX, "-3.40282e+038"}, {FLT_MIN, "1.17549e-038"},
        {std::numeric_limits<float>::denorm_min(), "1.4013e-045"},
        {-std::numeric_limits<float>::denorm_min(), "-1.4013e-045"}, {1.0e-40f, "9.99995e-041"},
        {-3.40282e38f, "-3.40282e+038"},  // the longest text
        {INFINITY, "Infinity"}, {-INFINITY, "-Infinity"}, {NAN, "NaN"}, {-NAN, "NaN"},
    };
    for (const auto& [v, text] : cases) EXPECT_EQ(floatText(v), text) << double(v);
}

TEST(NumberText, FormatFloatRoundingCarriesAndTies) {
    const std::pair<float, const char*> cases[] = {
        {999999.5f, "1000000.0"}, {9999999.0f, "10000000.0"}, {99999.95f, "100000.0"},
        {99999.94f, "99999.9"}, {0.0099999998f, "0.01"}, {0.00099999998f, "0.001"},
        {999999872.0f, "1.e+009"}, {99999992.0f, "1.e+008"}, {9.999999e-5f, "1.e-004"},
        // exact halves go to the even sixth digit
        {1000005.0f, "1000000.0"}, {1000015.0f, "1000020.0"}, {100000.5f, "100000.0"},
        {100001.5f, "100002.0"}, {9999995.0f, "10000000.0"}, {12345650.0f, "12345600.0"},
    };
    for (const auto& [v, text] : cases) EXPECT_EQ(floatText(v), text) << double(v);
}

TEST(NumberText, FormatFloatMatchesReferenceAcrossAllExponents) {
    for (uint64_t bits = 0; bits < 0x7F800000u; bits += 4093) {
        float v;
        const uint32_t b = uint32_t(bits);
        std::memcpy(&v, &b, sizeof v);
        ASSERT_EQ(floatText(v), referenceText(v)) << "bits " << b;
        ASSERT_EQ(floatText(-v), referenceText(-v)) << "bits " << b;
    }
    for (int32_t i = 1000005; i < 16777216; i += 10000) {  // integer ties
        ASSERT_EQ(floatText(float(i)), referenceText(float(i))) << i;
    }
}

TEST(NumberText, ParseInt) {
    const std::pair<std::string, int32_t> cases[] = {
        {"  -42abc", -42}, {" \t\n\v\f\r+7", 7}, {"abc", 0}, {"", 0}, {"-", 0}, {"- 5", 0},
        {"+-5", 0}, {"0x1F", 0}, {std::string("12\0" "34", 5), 12},
        {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN},
        // beyond 32 bits the value wraps like a 32-bit register
        {"2147483648", INT32_MIN}, {"4294967297", 1}, {"-4294967297", -1},
        {"99999999999999999999", 1661992959},  // (10^20 - 1) mod 2^32
    };
    for (const auto& [text, v] : cases) EXPECT_EQ(toInt(text), v) << text;
    EXPECT_EQ(vx::parseInt("12345", 3), 123);
}

TEST(NumberText, ParseFloatGrammar) {
    const std::pair<std::string, float> cases[] = {
        {"1.5", 1.5f}, {"  -42abc", -42.0f}, {"+7", 7.0f}, {"1e", 1.0f}, {"1e+", 1.0f},
        {"1E2", 100.0f}, {"1.5e+3x", 1500.0f}, {".5", 0.5f}, {"5.", 5.0f}, {"-.5e-2", -0.005f},
        {"0.1", 0.1f}, {std::string("1.5\0" "e3", 6), 1.5f}, {"0x10", 0.0f},
        {"", 0.0f}, {".", 0.0f}, {".e5", 0.0f}, {"e5", 0.0f}, {"-", 0.0f}, {"abc", 0.0f},
        {"inf", 0.0f}, {"nan", 0.0f}, {"- 1", 0.0f},
    };
    for (const auto& [text, v] : cases) EXPECT_EQ(toFloat(text), v) << text;
    EXPECT_TRUE(std::signbit(toFloat("-0")));
    EXPECT_EQ(vx::parseFloat("1.5e3", 3), 1.5f);  // nothing read past the length
    EXPECT_EQ(vx::parseFloat("12", 1), 1.0f);
    EXPECT_EQ(vx::parseFloat("1e5", 2), 1.0f);
}

TEST(NumberText, ParseFloatRangeAndRounding) {
    const std::pair<std::string, float> cases[] = {
        {"3.4028235e38", FLT_MAX}, {"1e39", INFINITY}, {"-1e39", -INFINITY},
        {"1e99999999999999999999", INFINITY}, {"1e-99999999999999999999", 0.0f},
        {"0e99999999999", 0.0f}, {"1e-40", float(1e-40)}, {"1e-50", 0.0f},
    };
    for (const auto& [text, v] : cases) EXPECT_EQ(toFloat(text), v) << text;
    EXPECT_EQ(toFloat(std::string(5000, '9')), INFINITY);
    EXPECT_EQ(toFloat("0." + std::string(400, '0') + "1e400"), 0.1f);
    EXPECT_EQ(toFloat("1" + std::string(900, '0') + "e-900"), 1.0f);
    // Rounded to double first: just above the float midpoint 1 + 2^-24, but
    // the double is that midpoint, and the narrowing tie goes to 1.0.
    EXPECT_EQ(toFloat("1.000000059604644775390625000001"), 1.0f);
    // The double midpoint 1 + 2^-24 + 2^-53 ties down to 1 + 2^-24 (float
    // 1.0); any nonzero digit after it, even the 1001st, rounds up.
    const std::string mid = "1.00000005960464488641292746251565404236316680908203125";
    EXPECT_EQ(toFloat(mid), 1.0f);
    const float above = std::nextafter(1.0f, 2.0f);
    EXPECT_EQ(toFloat(mid + std::string(1000, '0') + "1"), above);
    const std::string midDigits = "1" + mid.substr(2);  // mid * 10^53
    EXPECT_EQ(toFloat(midDigits + std::string(1000, '0') + "1e-1054"), above);
    EXPECT_EQ(toFloat(midDigits + std::string(1000, '0') + "0e-1054"), 1.0f);
}

#if defined(__i386__) || defined(__x86_64__)
TEST(NumberText, ResultsUnchangedUnderSingleX87Precision) {
    const char* inputs[] = {"0.1", "1.000000059604644775390625000001", "123456789e-30",
                            "2.2250738585072014e-308", "3.4028235e38", "7e-46"};
    const float values[] = {0.1f, 1.0f / 3, 999999.5f, 1000005.0f, 12345.678f, FLT_MAX, 1e-40f};
    std::string texts[2];
    for (int pass = 0; pass < 2; ++pass) {
        X87SinglePrecision* guard = pass ? new X87SinglePrecision : nullptr;
        for (float v : values) texts[pass] += floatText(v) + " ";
        for (const char* s : inputs) texts[pass] += floatText(toFloat(s)) + " ";
        delete guard;
    }
    EXPECT_EQ(texts[0], texts[1]);
}
#endif
