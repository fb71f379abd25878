// Programs built into modules and run by vxrun: loading, linking, strings,
// the ways a program ends, and the messages it ends with.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
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
  EXPECT_EQ(run.exitStatus, 1);
  std::string expected;
  for (int i = 0; i < 255; ++i) expected += static_cast<char>('a' + i % 26);
  EXPECT_EQ(run.err, "Error!: " + expected + "\n");
  EXPECT_EQ(run.out, "");

  run = runModule("runtime_error_empty", {}, {});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(run.err, "Error!: \n");
}

TEST(Programs, FaultsEndTheProgramWithTheirMessages) {
  struct Case {
    const char* program;
    const char* message;
  } cases[] = {{"divide_by_zero", "Integer divide by zero"},
               {"null_pointer", "Memory access violation"},
               {"stack_overflow", "Stack overflow!"},
               {"illegal_instruction", "Illegal instruction"},
               // The landing lies out of reach of a program that damages its stack.
               {"damaged_stack", "Memory access violation"}};
  for (const Case& c : cases) {
    ProgramRun run = runModule(c.program);
    EXPECT_EQ(run.exitStatus, 1) << c.program;
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
  EXPECT_EQ(run.exitStatus, 255);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "Can't find symbol: _fnosuchcommand\n");
}

TEST(Programs, DamagedOrMissingModulesDoNotStart) {
  std::vector<uint8_t> whole = readFile(modulePath("end_nested"));
  ASSERT_GT(whole.size(), 16u);
  std::vector<size_t> cuts = {0, 3, 4, whole.size() / 2, whole.size() - 5, whole.size() - 1};
  for (size_t cut : cuts) {
    std::vector<uint8_t> part(whole.begin(), whole.begin() + static_cast<long>(cut));
    std::string path = writeTemp("damaged.vxm", part);
    ProgramRun run = runProgram({vxrunPath(), path});
    EXPECT_EQ(run.exitStatus, 255) << "cut at " << cut;
    EXPECT_EQ(run.err, "Unable to run Vexel Basic module\n" + path + ": not a module, or a damaged one\n")
        << "cut at " << cut;
    EXPECT_EQ(run.out, "");
  }
  // A code size far larger than the file.
  std::vector<uint8_t> huge = whole;
  huge[3] = 0x40;
  EXPECT_EQ(runProgram({vxrunPath(), writeTemp("huge.vxm", huge)}).exitStatus, 255);

  const std::string unreadable = writeTemp("unreadable.vxm", whole);
  chmod(unreadable.c_str(), 0);
  const std::string windows = writeTemp("game.exe", {'M', 'Z', 0, 0, 0, 0, 0, 0});
  const std::pair<std::string, std::string> files[] = {
      {"/nonexistent/module.vxm", "no such file"},
      {::testing::TempDir(), "not a regular file"},
      {windows, "no module resource (type 10, id 1111)"},
      {unreadable, geteuid() == 0 ? "" : "cannot be read (Permission denied)"}};
  for (const auto& [file, reason] : files) {
    if (reason.empty()) continue;  // root reads whatever it likes
    ProgramRun run = runProgram({vxrunPath(), file});
    EXPECT_EQ(run.exitStatus, 255) << file;
    EXPECT_EQ(run.err, "Unable to run Vexel Basic module\n" + file + ": " + reason + "\n");
  }
}

TEST(Programs, VxrunSaysHowToUseIt) {
  for (const std::vector<std::string>& argv : {std::vector<std::string>{vxrunPath()},
                                               std::vector<std::string>{vxrunPath(), "--help"}}) {
    ProgramRun run = runProgram(argv);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out.rfind("usage: vxrun MODULE [ARGUMENTS...]\n", 0), 0u) << run.out;
    EXPECT_EQ(run.err, "");
  }
  ProgramRun run = runProgram({vxrunPath(), "--version"});
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.out, "vxrun, the Vexel Basic runtime, version 65721\n");
}

TEST(Programs, ClosingTheWindowEndsAStoppedProgram) {
  std::string input = writeTemp("close.txt", {'3', '0', '0', ' ', 'c', 'l', 'o', 's', 'e', '\n'});
  RunOptions options;
  options.environment = {"VX_DEBUG=1", "VX_INPUT_PLAYBACK=" + input};
  ProgramRun run = runProgram({vxrunPath(), modulePath("stop_then_close")}, options);
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.out, "stopping\n");
}

TEST(Programs, ABundledExecutableCarriesItsModule) {
  std::string bundle = ::testing::TempDir() + "bundled_strings";
  ProgramRun made = runProgram({VX_VXBUNDLE, vxrunPath(), modulePath("end_nested"), bundle});
  ASSERT_EQ(made.exitStatus, 0) << made.err;
  const size_t moduleSize = readFile(modulePath("end_nested")).size();
  const size_t bundleSize = readFile(bundle).size();
  EXPECT_LT(bundleSize, 1024 * 1024 + moduleSize) << "the runtime is stripped";
  EXPECT_EQ(made.out.rfind("vxbundle: wrote " + bundle + ", " + std::to_string(bundleSize) + " bytes", 0), 0u)
      << made.out;
  RunOptions options;
  options.environment = kDebug;
  ProgramRun run = runProgram({bundle, "--help"}, options);
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.out, "ending\n") << "the arguments are the program's";

  // Stripping cuts the module off; the executable still knows what it was.
  ASSERT_EQ(runProgram({"/usr/bin/strip", bundle}).exitStatus, 0);
  run = runProgram({bundle}, options);
  EXPECT_EQ(run.exitStatus, 255);
  EXPECT_EQ(run.err,
            "Unable to run Vexel Basic module\n" + bundle + ": stand-alone executable whose module was stripped off\n");
  unlink(bundle.c_str());

  made = runProgram({VX_VXBUNDLE, "/bin/true", modulePath("end_nested"), bundle});
  EXPECT_EQ(made.exitStatus, 1);
  EXPECT_EQ(made.err, "vxbundle: error: /bin/true is not vxrun, the Vexel Basic runtime\n");
}
