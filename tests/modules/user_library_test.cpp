// Programs that call functions of outside libraries.

#include <gtest/gtest.h>

#include "program_run.h"

using vxtest::modulePath;
using vxtest::RunOptions;
using vxtest::runProgram;
using vxtest::vxrunPath;

TEST(UserLibraries, FunctionsAreBoundThroughTheInstallPath) {
  RunOptions options;
  options.environment = {"VX_DEBUG=1", std::string("vexelpath=") + VX_INSTALL_DIR};
  auto run = runProgram({vxrunPath(), modulePath("userlib_calls")}, options);
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(run.out,
            "42\n3\n4.5\nQUIET WORDS\n0\n1\n"
            "Active strings :0\nActive objects :0\nUnreleased objs:0\n");
  EXPECT_EQ(run.err, "User lib function not found\n");
}

TEST(UserLibraries, WithoutTheInstallPathTheLibraryIsNotFoundWhenCalled) {
  RunOptions options;
  options.environment = {"VX_DEBUG=1"};
  auto run = runProgram({vxrunPath(), modulePath("userlib_calls")}, options);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "User lib not found\n");

  run = runProgram({vxrunPath(), modulePath("userlib_missing")}, options);
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(run.out, "loaded\n");
  EXPECT_EQ(run.err, "User lib not found\n");
}
