// A program that moves ellipsoids through boxes, spheres and meshes with
// UpdateWorld and reads every collision back (positions and record values
// in thousandths).

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "program_run.h"

using vxtest::ProgramRun;
using vxtest::runModule;
using vxtest::ScratchDir;

TEST(CollisionPrograms, MoversStopAndSlideAndRecordWhatTheyHit) {
  ProgramRun r = runModule("collisions", {"world"}, {"VX_DEBUG=1"});
  EXPECT_EQ(r.exitStatus, 1);  // ended by the last check's message
  EXPECT_EQ(r.out,
            // A ball dropped onto a box stops just above it; the box, later
            // in the update, loses its record.
            "0\n2001\n0\n1\n1\n"
            "0\n1000\n0\n0\n1000\n0\n600\n0\n65535\n"
            "0\n1\n0\n-\n"
            // A box made first keeps it; the first rule for the pair stays;
            // a box of negative sizes; an ellipsoid 1 by 2 rests 2 above.
            "2001\n1\n1\n1000\n3002\n1000\n-\n"
            // Stopped by a sphere; one starting inside another passes.
            "1999\n20000\n0\n"
            "3000\n20000\n0\n-1000\n0\n0\n200\n0\n65535\n1\n"
            "8000\n0\n-\n"
            // A mesh floor: its surface and the triangle within it.
            "-1000\n1001\n-2000\n1\n"
            "-1000\n0\n-2000\n0\n1000\n0\n333\n1\n3\n-\n"
            // A slope: response 2 slides down, response 3 stays.
            "708\n708\n-3000\n"
            "0\n1416\n3000\n-\n"
            // Up the crease of a V of walls.
            "0\n10000\n8584\n2\n-\n"
            // A hundred hits inside a pipe: back at the start.
            "0\n-98990\n0\n100\n-\n"
            // A corridor as wide as the ball: along it free, across it
            // wedged between its walls and back.
            "0\n0\n5000\n0\n"
            "0\n0\n0\n2\n-\n"
            // A tiny move undone; types; no rules, no collisions.
            "1\n4\n3\n-5000\n-\n"
            // MeshesIntersect: near boxes, touching, grown, far.
            "0\n1\n1\n0\n");
  EXPECT_EQ(r.err, "EntityType ID must be in the range 0...999\n");
}

TEST(CollisionPrograms, WithoutTheDebuggerBadIndicesTypesAndFreedTargetsAreHarmless) {
  ScratchDir dir;
  ProgramRun r = runModule("collisions", {"unchecked"}, {"VX_TEST_DIR=" + dir.path()});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.signal, 0);
  std::ifstream in(dir / "log.txt");
  const std::string log{std::istreambuf_iterator<char>(in), {}};
  // One record; indices outside the list read 0; a freed target is not
  // found by type; a type beyond the tables is kept and collides with
  // nothing; a hidden entity forgets its records.
  EXPECT_EQ(log, "1\r\n0\r\n0\r\n0\r\n5000\r\n0\r\n1\r\n0\r\n");
}
