// A program that builds meshes, surfaces, brushes and textures in a 3D mode
// and sees them go with ClearWorld and with the mode.

#include <gtest/gtest.h>

#include "program_run.h"

using vxtest::ProgramRun;
using vxtest::runModule;
using vxtest::ScratchDir;

TEST(MeshPrograms, GeometryMaterialsAndTexturesLiveWithTheWorld) {
  ScratchDir dir;
  ProgramRun r = runModule("meshes", {}, {"VX_DEBUG=1", "VX_TEST_DIR=" + dir.path()});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_EQ(r.out,
            "3\n2\n25500\n0\n50\n-100\n"  // the quad
            "800\n13\n2\n13\n48\n2\n"      // primitives, merged
            "1\n1\n1\n1\n0\n"              // shared texture images
            "0\n0\n");                     // after the mode change
  EXPECT_EQ(r.err, "Illegal number of segments\n");
}
