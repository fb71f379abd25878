// Objects, arrays and data statements used by compiled programs: the
// tricky paths through real calls, and the errors that end a program.

#include <gtest/gtest.h>

#include "program_run.h"

using vxtest::modulePath;
using vxtest::ProgramRun;
using vxtest::RunOptions;
using vxtest::runProgram;
using vxtest::runModule;
using vxtest::vxrunPath;

namespace {

std::string stats(int strings, int objects, int records) {
  return "Active strings :" + std::to_string(strings) + "\nActive objects :" + std::to_string(objects) +
         "\nUnreleased objs:" + std::to_string(records) + "\n";
}

}  // namespace

TEST(ObjectPrograms, EachLoopsRingsAndBlocks) {
  ProgramRun run = runModule("objects");
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.err, "Program has ended\n");
  EXPECT_EQ(run.out,
            // the loop goes on past the object it deleted, whose record
            // stays in use until the loop variable moves on
            "1\n2\n3\n" + stats(4, 4, 5) + "4\n5\n" + stats(4, 4, 4) + "5\n4\n2\n1\n" +
                "[1,\"one\",[2,\"two\",[ROOT]]]\n[2,\"two\",[1,\"one\",[ROOT]]]\n"
                "[1,\"one\",[NULL]]\n"
                "600\n[299.5,0.0]\n" +
                stats(3, 603, 604) + "1\n" + stats(0, 0, 1) + stats(0, 0, 0));
}

TEST(ObjectPrograms, RedimensioningReleasesEveryString) {
  ProgramRun run = runModule("string_array");
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.err, "Program has ended\n");
  EXPECT_EQ(run.out, "99\n" + stats(100, 0, 0) + stats(0, 0, 0) + "0\n");
}

TEST(ObjectPrograms, ErrorsEndTheProgram) {
  struct Case {
    const char* arg;
    const char* out;
    const char* message;
  } cases[] = {{"bad", "start\n1\n", "Bad data type"},
               {"out", "start\n", "Out of data"},
               {"unrestored", "start\n", "Out of data"},
               {"nullobj", "start\n", "Object does not exist"}};
  for (const Case& c : cases) {
    ProgramRun run = runModule("data_errors", {c.arg});
    EXPECT_EQ(run.exitStatus, 1) << c.arg;
    EXPECT_EQ(run.out, c.out) << c.arg;
    EXPECT_EQ(run.err, std::string(c.message) + "\n") << c.arg;
  }
}
