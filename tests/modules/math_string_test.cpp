// Math and string commands from a compiled program: linked by name, the
// random generator as a run creates it, and every string argument released.

#include <gtest/gtest.h>

#include "program_run.h"

TEST(MathStringPrograms, ResultsThroughCompiledCalls) {
  vxtest::RunOptions options;
  options.environment = {"VX_DEBUG=1"};
  vxtest::ProgramRun run = vxtest::runProgram({vxtest::vxrunPath(), vxtest::modulePath("math_string")}, options);
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.err, "Program has ended\n");
  EXPECT_EQ(run.out,
            "4660\n23308\n49012\n20778\n650989866\n"
            "0.5\n135.0\n1.e+010\n-1\n0\n"
            "--B-\n3\n3\n0\n1108\n"
            "Active strings :0\nActive objects :0\nUnreleased objs:0\n");
}
