// The system commands seen from a program: arguments, properties,
// environment, time, frame timers and starting other programs.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "program_run.h"

using vxtest::modulePath;
using vxtest::RunOptions;
using vxtest::runProgram;
using vxtest::vxrunPath;

namespace {

bool waitForFile(const std::string& path, std::string* contents = nullptr) {
  for (int i = 0; i < 200; ++i) {
    std::ifstream in(path);
    if (in) {
      std::stringstream s;
      s << in.rdbuf();
      if (!contents || !s.str().empty()) {
        if (contents) *contents = s.str();
        return true;
      }
    }
    usleep(10000);
  }
  return false;
}

}  // namespace

TEST(SystemCommands, AProgramSeesItsSurroundings) {
  std::string dir = ::testing::TempDir() + "system test dir";
  mkdir(dir.c_str(), 0755);
  std::string marker = dir + "/touched";
  std::string output = dir + "/script output";
  std::string script = dir + "/echo args.sh";
  unlink(marker.c_str());
  unlink(output.c_str());
  {
    std::ofstream s(script);
    s << "#!/bin/sh\nprintf '%s|' \"$@\" > \"" << output << "\"\n";
  }
  chmod(script.c_str(), 0755);

  RunOptions options;
  options.environment = {"VX_DEBUG=1", "VX_MARKER=" + marker,
                         "VX_SCRIPT_COMMAND=   \"" + script + "\" -option \"two words\"  "};
  auto run = runProgram({vxrunPath(), modulePath("system"), "  first", "second  "}, options);
  EXPECT_EQ(run.exitStatus, 0);
  std::string moduleDir = std::string(VX_MODULE_DIR) + "/";
  char resolved[4096];
  if (realpath(VX_MODULE_DIR, resolved)) moduleDir = std::string(resolved) + "/";
  EXPECT_EQ(run.out, "args:\"  first\" \"second  \"\nIntel\n\n" + moduleDir +
                         "\n\nsome value\ngone:\n1\n1\n1\n0\n0\n1\n");
  EXPECT_TRUE(waitForFile(marker));
  std::string args;
  EXPECT_TRUE(waitForFile(output, &args));
  EXPECT_EQ(args, "-option|two words|");
}
