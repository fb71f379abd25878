// The string module through its thunks. Each test ends with no live string:
// the commands release their arguments, the tests each result they read.

#include "language/string_commands.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <ctime>
#include <string>

#include "language/allocation_list.h"
#include "recording_debugger.h"
#include "registered.h"
#include "runtime/run_step.h"

using vx::RuntimeString;
using vxtest::registered;

namespace {

using Str = RuntimeString*;
using SI = Str(VX_STDCALL*)(Str, int32_t);
using S1 = Str(VX_STDCALL*)(Str);
using I1 = int32_t(VX_STDCALL*)(Str);
using Instr = int32_t(VX_STDCALL*)(Str, Str, int32_t);

Str s(std::string_view text) { return vx::newString(text); }
const std::string kZeros("a\0b\0c", 5);

class Strings : public ::testing::Test {
 protected:
  void SetUp() override { vx::resetStringPool(); }
  void TearDown() override {
    EXPECT_EQ(vx::liveStringCount(), 0);
    vx::resetStringPool();
    vx::runAllocations().freeAll();
  }
  static std::string text(Str r) {
    std::string t(vx::viewOf(r));
    vx::releaseString(r);
    return t;
  }
  SI repeat = registered<SI>("$String$string%repeat"), left = registered<SI>("$Left$string%count"),
     right = registered<SI>("$Right$string%count"), lset = registered<SI>("$LSet$string%size"),
     rset = registered<SI>("$RSet$string%size");
  Str(VX_STDCALL* mid)(Str, int32_t, int32_t) = registered<decltype(mid)>("$Mid$string%start%count=-1");
  Str(VX_STDCALL* replace)(Str, Str, Str) = registered<decltype(replace)>("$Replace$string$from$to");
  Instr instr = registered<Instr>("%Instr$string$find%from=1");
  S1 upper = registered<S1>("$Upper$string"), lower = registered<S1>("$Lower$string"),
     trim = registered<S1>("$Trim$string");
  I1 asc = registered<I1>("%Asc$string"), len = registered<I1>("%Len$string");
  Str(VX_STDCALL* chr)(int32_t) = registered<decltype(chr)>("$Chr%ascii");
  Str(VX_STDCALL* hex)(int32_t) = registered<decltype(hex)>("$Hex%value");
  Str(VX_STDCALL* bin)(int32_t) = registered<decltype(bin)>("$Bin%value");
};

}  // namespace

TEST_F(Strings, CuttingAndSearching) {
  EXPECT_EQ(text(left(s("abc"), 10)) + "|" + text(left(s("abcdef"), 2)) + "|" + text(left(nullptr, 3)), "abc|ab|");
  EXPECT_EQ(text(right(s("abc"), 10)) + "|" + text(right(s("abcdef"), 2)) + "|" + text(right(s("abc"), 0)), "abc|ef|");
  EXPECT_EQ(text(mid(s("abc"), 2, -1)) + "|" + text(mid(s("abc"), 9, -1)) + "|" + text(mid(s("abcdef"), 5, 100)) + "|" +
                text(mid(s("abcdef"), 2, 3)) + "|" + text(mid(s(std::string(40, 'x') + "yz"), 40, 2)),
            "bc||ef|bcd|xy");
  EXPECT_EQ(instr(s("abcabc"), s("bc"), 3), 5);
  EXPECT_EQ(instr(s("abcabc"), s("bc"), 6), 0);
  EXPECT_EQ(instr(s("abc"), s("a"), 100), 0);
  // An empty search text is found where the search starts, up to length + 1.
  EXPECT_EQ(instr(s("abc"), s(""), 4), 4);
  EXPECT_EQ(instr(s("abc"), nullptr, 5), 0);
}

TEST_F(Strings, ReplaceNeverSearchesInsertedText) {
  EXPECT_EQ(text(replace(s("aaa"), s("a"), s("aa"))), "aaaaaa");
  EXPECT_EQ(text(replace(s("aaaa"), s("aa"), s("b"))), "bb");
  EXPECT_EQ(text(replace(s("abcabc"), s("bc"), s(""))), "aa");
  EXPECT_EQ(text(replace(s("ab"), s("abc"), s("r"))), "ab");
  // An empty search text has nothing to replace.
  EXPECT_EQ(text(replace(s("abc"), s(""), s("x"))), "abc");
  EXPECT_EQ(text(replace(nullptr, nullptr, s("x"))), "");
}

TEST_F(Strings, RepeatPadCaseTrim) {
  EXPECT_EQ(text(repeat(s("ab"), 3)) + "|" + text(repeat(s("ab"), 0)) + "|" + text(repeat(s("ab"), -4)), "ababab||");
  EXPECT_EQ(text(repeat(s("xyz"), 1001)).size(), 3003u);
  EXPECT_EQ(text(lset(s("abc"), 5)) + "|" + text(lset(s("abcdef"), 2)) + "|" + text(rset(s("abc"), 5)) + "|" +
                text(rset(s("abcdef"), 2)),
            "abc  |ab|  abc|ef");
  EXPECT_EQ(text(rset(s("ab"), 60)), std::string(58, ' ') + "ab");
  EXPECT_EQ(text(upper(s("az AZ @[`{ \xe9"))) + text(lower(s("AZ az @[`{ \xc9"))),
            "AZ AZ @[`{ \xe9"
            "az az @[`{ \xc9");
  EXPECT_EQ(text(trim(s(" \t\r\n hello world \x01\x7f\n"))) + "|" + text(trim(s("   "))), "hello world|");
  EXPECT_EQ(text(trim(s(" caf\xc3\xa9\xa0 "))), "caf\xc3\xa9\xa0");  // bytes above 127 are text
}

TEST_F(Strings, CodesNumbersAndZeroBytes) {
  EXPECT_EQ(text(chr(321)) + text(chr(-1)), "A\xff");
  EXPECT_EQ(text(chr(0)), std::string(1, '\0'));
  EXPECT_EQ(asc(s("\xff")), 255);
  EXPECT_EQ(asc(s("")), -1);
  EXPECT_EQ(text(hex(-1)) + text(hex(0x1234ABCD)) + text(hex(255)), "FFFFFFFF1234ABCD000000FF");
  EXPECT_EQ(text(bin(5)), std::string(29, '0') + "101");
  EXPECT_EQ(text(bin(INT_MIN)), "1" + std::string(31, '0'));
  // A zero byte is an ordinary character.
  EXPECT_EQ(len(s(kZeros)), 5);
  EXPECT_EQ(asc(s(kZeros.substr(1))), 0);
  EXPECT_EQ(instr(s(kZeros), s(std::string("\0c", 2)), 1), 4);
  EXPECT_EQ(text(mid(s(kZeros), 2, 3)), kZeros.substr(1, 3));
  EXPECT_EQ(text(upper(s(kZeros))), std::string("A\0B\0C", 5));
  EXPECT_EQ(text(replace(s(kZeros), s(kZeros.substr(1, 1)), s("-"))), "a-b-c");
}

TEST_F(Strings, DateAndTimeOfTheLocalClock) {
  using Clock = Str(VX_STDCALL*)();
  static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::time_t now;
  std::string got;
  do {  // again if the clock moves on in between
    now = std::time(nullptr);
    got = text(registered<Clock>("$CurrentDate")()) + "|" + text(registered<Clock>("$CurrentTime")());
  } while (std::time(nullptr) != now);
  std::tm t{};
  localtime_r(&now, &t);
  char expected[64];
  std::snprintf(expected, sizeof expected, "%02d %s %d|%02d:%02d:%02d", t.tm_mday, kMonths[t.tm_mon], t.tm_year + 1900,
                t.tm_hour, t.tm_min, t.tm_sec);
  EXPECT_EQ(got, expected);
}

TEST_F(Strings, BadCountsEndTheProgramAndReleaseTheArguments) {
  static const vx::RuntimeModule modules[] = {vx::stringModule};
  struct Case {
    const char* message;
    vx::ModuleEntry entry;
  } cases[] = {
      {"parameter must be positive", [] { registered<SI>("$Left$string%count")(s("abc"), -1); }},
      {"parameter must be positive", [] { registered<SI>("$Right$string%count")(s("abc"), -1); }},
      {"parameter must be positive", [] { registered<SI>("$LSet$string%size")(s("abc"), INT_MIN); }},
      {"parameter must be positive", [] { registered<SI>("$RSet$string%size")(s("abc"), -2); }},
      {"parameter must be greater than 0",
       [] { registered<Instr>("%Instr$string$find%from=1")(s("abc"), s(std::string(50, 'b')), 0); }},
      {"parameter must be greater than 0",
       [] { registered<Str(VX_STDCALL*)(Str, int32_t, int32_t)>("$Mid$string%start%count=-1")(s("abc"), 0, 1); }},
  };
  for (const Case& c : cases) {
    vxtest::RecordingDebugger debugger;
    vx::executeProgram(c.entry, "", &debugger, modules);
    ASSERT_EQ(debugger.messages.size(), 1u) << c.message;
    EXPECT_EQ(debugger.messages[0].text, c.message);
    EXPECT_EQ(vx::liveStringCount(), 0) << c.message;
  }
}
