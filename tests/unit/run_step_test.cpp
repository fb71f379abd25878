#include "runtime/run_step.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recording_debugger.h"
#include "registered.h"
#include "runtime/faults.h"
#include <csignal>

namespace {

std::vector<std::string> journal;
bool failThird = false;

template <int N>
struct FakeModule {
  static bool create() {
    journal.push_back("create " + std::to_string(N));
    return !(failThird && N == 3);
  }
  static void destroy() { journal.push_back("destroy " + std::to_string(N)); }
  static void link(vx::Registry&) {}
};

const vx::RuntimeModule kFakes[] = {
    {"first", FakeModule<1>::create, FakeModule<1>::destroy, FakeModule<1>::link},
    {"second", FakeModule<2>::create, FakeModule<2>::destroy, FakeModule<2>::link},
    {"third", FakeModule<3>::create, FakeModule<3>::destroy, FakeModule<3>::link},
};

using Command = void(VX_STDCALL*)();
using StringCommand = void(VX_STDCALL*)(vx::RuntimeString*);

class RunStep : public ::testing::Test {
 protected:
  void SetUp() override {
    journal.clear();
    failThird = false;
  }
  void run(vx::ModuleEntry entry, vx::Debugger* debugger) { vx::executeProgram(entry, "", debugger, kFakes); }
  vxtest::RecordingDebugger debugger;
};

int depth = 0;
void nestedEnd() {
  journal.push_back("entry");
  if (++depth < 5) nestedEnd();
  vxtest::registered<Command>("End")();
  journal.push_back("after End");
}

}  // namespace

TEST_F(RunStep, NormalEndDestroysInReverseAndSaysSo) {
  run([] { journal.push_back("entry"); }, &debugger);
  EXPECT_EQ(journal, (std::vector<std::string>{"create 1", "create 2", "create 3", "entry", "destroy 3",
                                               "destroy 2", "destroy 1"}));
  ASSERT_EQ(debugger.messages.size(), 1u);
  EXPECT_EQ(debugger.messages[0].text, "Program has ended");
  EXPECT_EQ(debugger.messages[0].serious, 0);
}

TEST_F(RunStep, FailedCreationStopsBeforeTheEntry) {
  failThird = true;
  run([] { journal.push_back("entry"); }, &debugger);
  EXPECT_EQ(journal, (std::vector<std::string>{"create 1", "create 2", "create 3", "destroy 2", "destroy 1"}));
  ASSERT_EQ(debugger.messages.size(), 1u);
  EXPECT_EQ(debugger.messages[0].text, "Startup Error: third_create failed");
  EXPECT_EQ(debugger.messages[0].serious, 0);
}

TEST_F(RunStep, EndFromNestedCallsLeavesThroughTheRunStep) {
  depth = 0;
  run(nestedEnd, &debugger);
  std::vector<std::string> expected{"create 1", "create 2", "create 3"};
  for (int i = 0; i < 5; ++i) expected.push_back("entry");
  for (const char* d : {"destroy 3", "destroy 2", "destroy 1"}) expected.push_back(d);
  EXPECT_EQ(journal, expected);
  EXPECT_TRUE(debugger.messages.empty());
}

TEST_F(RunStep, RuntimeErrorKeeps255Characters) {
  static std::string text;
  text = std::string(300, 'x');
  run([] { vxtest::registered<StringCommand>("RuntimeError$message")(vx::newString(text)); }, &debugger);
  ASSERT_EQ(debugger.messages.size(), 1u);
  EXPECT_EQ(debugger.messages[0].text, std::string(255, 'x'));
  EXPECT_EQ(debugger.messages[0].serious, 1);
  EXPECT_EQ(journal.back(), "destroy 1");
}

TEST_F(RunStep, EmptyRuntimeErrorIsStillAnError) {
  run([] { vxtest::registered<StringCommand>("RuntimeError$message")(nullptr); }, &debugger);
  ASSERT_EQ(debugger.messages.size(), 1u);
  EXPECT_EQ(debugger.messages[0].text, "");
  EXPECT_EQ(debugger.messages[0].serious, 1);
}

TEST_F(RunStep, FaultsInsideTheRunBecomeErrors) {
  run([] {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
  }, &debugger);
  ASSERT_EQ(debugger.messages.size(), 1u);
  EXPECT_EQ(debugger.messages[0].text, "Memory access violation");
  EXPECT_EQ(journal.back(), "destroy 1");
}

TEST_F(RunStep, DebugHooksReachTheDebuggerOnlyWhenDebugging) {
  using Stmt = void(VX_STDCALL*)(int32_t, int32_t);
  using Enter = void(VX_STDCALL*)(int32_t, int32_t, int32_t);
  run([] {
    vxtest::registered<Stmt>("_vxDebugStmt")(7, 9);
    vxtest::registered<Enter>("_vxDebugEnter")(1, 2, 3);
    vxtest::registered<Command>("_vxDebugLeave")();
    using Log = void(VX_STDCALL*)(vx::RuntimeString*);
    vxtest::registered<Log>("DebugLog$text")(vx::newString("hello"));
  }, &debugger);
  EXPECT_EQ(debugger.statements, std::vector<int>{7009});
  EXPECT_EQ(debugger.enters, std::vector<int>{6});
  EXPECT_EQ(debugger.leaves, 1);
  EXPECT_EQ(debugger.logs, std::vector<std::string>{"hello"});
  EXPECT_TRUE(vx::debugging() == false);  // only while a run goes on
}

TEST_F(RunStep, ExitStatusSaysHowTheRunEnded) {
  run([] {}, &debugger);
  EXPECT_EQ(vx::runExitStatus(), 0);
  depth = 0;
  run(nestedEnd, &debugger);
  EXPECT_EQ(vx::runExitStatus(), 0);
  run([] { vxtest::registered<StringCommand>("RuntimeError$message")(nullptr); }, &debugger);
  EXPECT_EQ(vx::runExitStatus(), 1);
  run([] { *static_cast<volatile int*>(nullptr) = 1; }, &debugger);
  EXPECT_EQ(vx::runExitStatus(), 1);
  failThird = true;
  run([] {}, &debugger);
  EXPECT_EQ(vx::runExitStatus(), 1) << "a program that could not start";
}

namespace {

void faultingDestroy() { *static_cast<volatile int*>(nullptr) = 1; }
bool created() { return true; }
void linked(vx::Registry&) {}
const vx::RuntimeModule kFaultsWhenDestroyed[] = {{"faulty", created, faultingDestroy, linked}};

}  // namespace

// A fault after the program has left, while the run cleans up, has no
// program to leave: it ends the process with its message, once.
TEST(RunStepDeathTest, AFaultWhileCleaningUpEndsTheProcessWithItsMessage) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(vx::executeProgram([] { vxtest::registered<Command>("End")(); }, "", nullptr, kFaultsWhenDestroyed),
              ::testing::ExitedWithCode(1), "^Memory access violation\n$");
}

TEST(FaultMessages, EachFaultHasItsMessage) {
  EXPECT_STREQ(vx::faultMessage(SIGSEGV, SEGV_MAPERR, false), "Memory access violation");
  EXPECT_STREQ(vx::faultMessage(SIGSEGV, SEGV_MAPERR, true), "Stack overflow!");
  EXPECT_STREQ(vx::faultMessage(SIGILL, ILL_ILLOPN, false), "Illegal instruction");
  EXPECT_STREQ(vx::faultMessage(SIGFPE, FPE_INTDIV, false), "Integer divide by zero");
  EXPECT_STREQ(vx::faultMessage(SIGFPE, FPE_FLTINV, false), "Unknown runtime exception");
}
