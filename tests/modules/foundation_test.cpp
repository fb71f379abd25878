// Programs built into modules and run by vxrun: loading, linking, strings,
// the ways a program ends, and the messages it ends with.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "program_run.h"

using vxtest::modulePath;
using vxtest::ProgramRun;
using vxtest::RunOptions;
using vxtest::runProgram;
using vxtest::runModule;
using vxtest::vxrunPath;

namespace {

const std::vector<std::string> kDebug = {"VX_DEBUG=1"};


std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::string writeTemp(const std::string& name, const std::vector<uint8_t>& bytes) {
  std::string path = ::testing::TempDir() + name;
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return path;
}

}  // namespace

TEST(Programs, StringsAndNumberTextThroughRealCalls) {
  ProgramRun run = runModule("strings");
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.out,
            "strings\nabcdef\n-1\n1\n-42\n2500.0\n"
            "0.0\n1.0\n1.5\n100.0\n0.001\n12345.7\n1234570.0\n-2.5\n1.e+009\n1.23457e+009\n1.e-004\n"
            "1.23457e+008\n12345700.0\nInfinity\n-Infinity\nNaN\n"
            "1\n"
            "Active strings :0\nActive objects :0\nUnreleased objs:0\n"
            "Active strings :0\nActive objects :0\nUnreleased objs:0\n"
            "Active strings :513\nActive objects :0\nUnreleased objs:0\n");
  EXPECT_EQ(run.err, "Program has ended\n");
}

TEST(Programs, EndFromNestedCallsIsSilent) {
  ProgramRun run = runModule("end_nested");
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.out, "ending\n");
  EXPECT_EQ(run.err, "");
}

TEST(Programs, RuntimeErrorMessages) {
  ProgramRun run = runModule("runtime_error_long", {}, {});
  EXPECT_EQ(run.exitStatus, 0);
  std::string expected;
  for (int i = 0; i < 255; ++i) expected += static_cast<char>('a' + i % 26);
  EXPECT_EQ(run.err, "Error!: " + expected + "\n");
  EXPECT_EQ(run.out, "");

  run = runModule("runtime_error_empty", {}, {});
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.err, "Error!: \n");
}

TEST(Programs, FaultsEndTheProgramWithTheirMessages) {
  struct Case {
    const char* program;
    const char* message;
  } cases[] = {{"divide_by_zero", "Integer divide by zero"},
               {"null_pointer", "Memory access violation"},
               {"stack_overflow", "Stack overflow!"},
               {"illegal_instruction", "Illegal instruction"}};
  for (const Case& c : cases) {
    ProgramRun run = runModule(c.program);
    EXPECT_EQ(run.exitStatus, 0) << c.program;
    EXPECT_EQ(run.signal, 0) << c.program;
    EXPECT_EQ(run.err, std::string(c.message) + "\n") << c.program;
    EXPECT_EQ(run.out.find("unreachable"), std::string::npos);
  }
  // Without a debugger the message is a box captioned "Error!".
  ProgramRun run = runModule("divide_by_zero", {}, {});
  EXPECT_EQ(run.err, "Error!: Integer divide by zero\n");
}

TEST(Programs, AMissingSymbolIsNamedBeforeAnythingRuns) {
  ProgramRun run = runModule("missing_symbol");
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "Can't find symbol: _fnosuchcommand\n");
}

TEST(Programs, DamagedOrMissingModulesDoNotStart) {
  std::vector<uint8_t> whole = readFile(modulePath("end_nested"));
  ASSERT_GT(whole.size(), 16u);
  std::vector<size_t> cuts = {0, 3, 4, whole.size() / 2, whole.size() - 5, whole.size() - 1};
  for (size_t cut : cuts) {
    std::vector<uint8_t> part(whole.begin(), whole.begin() + static_cast<long>(cut));
    ProgramRun run = runProgram({vxrunPath(), writeTemp("damaged.vxm", part)});
    EXPECT_EQ(run.exitStatus, 255) << "cut at " << cut;
    EXPECT_EQ(run.err, "Unable to run Vexel Basic module\n") << "cut at " << cut;
  }
  // A code size far larger than the file.
  std::vector<uint8_t> huge = whole;
  huge[3] = 0x40;
  EXPECT_EQ(runProgram({vxrunPath(), writeTemp("huge.vxm", huge)}).exitStatus, 255);

  ProgramRun run = runProgram({vxrunPath(), "/nonexistent/module.vxm"});
  EXPECT_EQ(run.exitStatus, 255);
  EXPECT_EQ(run.err, "Unable to run Vexel Basic module\n");
  EXPECT_EQ(runProgram({vxrunPath()}).exitStatus, 255);
}

TEST(Programs, ClosingTheWindowEndsAStoppedProgram) {
  RunOptions options;
  options.environment = kDebug;
  options.signalWhenSeen = "stopping\n";
  options.signalToSend = SIGTERM;  // arrives as a request to close the window
  ProgramRun run = runProgram({vxrunPath(), modulePath("stop_then_close")}, options);
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.out, "stopping\n");
}

TEST(Programs, ABundledExecutableCarriesItsModule) {
  std::string bundle = ::testing::TempDir() + "bundled_strings";
  ProgramRun made = runProgram({VX_VXBUNDLE, vxrunPath(), modulePath("end_nested"), bundle});
  ASSERT_EQ(made.exitStatus, 0) << made.err;
  RunOptions options;
  options.environment = kDebug;
  ProgramRun run = runProgram({bundle, "some", "arguments"}, options);
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.out, "ending\n");
  unlink(bundle.c_str());
}
