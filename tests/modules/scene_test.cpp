// Programs that render cameras headless through OpenGL and read the back
// buffer, project points, and use lights and the device switches.

#include <gtest/gtest.h>

#include "program_run.h"

using vxtest::ProgramRun;
using vxtest::runModule;

TEST(ScenePrograms, DriversModesAndSwitchesOfTheOpenGLDevice) {
  ProgramRun r = runModule("scene", {"caps"});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out, "1\n1\n1\n110\n");
}

TEST(ScenePrograms, CamerasClearTheirViewportsLargerOrderFirst) {
  ProgramRun r = runModule("scene", {"cameras"});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out,
            "16711680\n255\n0\n"  // left red over the green of order 2, right blue
            "65280\n"             // the left camera stops projecting
            "0\n255\n");          // nothing renders over the cleared left half
}

TEST(ScenePrograms, TwoDimensionalDrawingUnderAndOverTheScene) {
  ProgramRun r = runModule("scene", {"layers"});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out, "16776960\n65280\n16711935\n0\n");
}

TEST(ScenePrograms, CameraProjectAndEntityInView) {
  ProgramRun r = runModule("scene", {"project"});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out,
            "3200\n2400\n100\n"  // the centre, at the near distance
            "3520\n2240\n"
            "0\n0\n"   // behind, beyond far
            "4800\n"   // orthographic, 20 units across
            "1\n0\n0\n");
}

TEST(ScenePrograms, LightsAndTheirChecks) {
  ProgramRun lights = runModule("scene", {"lights"});
  EXPECT_EQ(lights.out, "Light\nrendered\n");
  EXPECT_EQ(lights.err, "Entity is not a light\n");
  ProgramRun camera = runModule("scene", {"notcamera"});
  EXPECT_EQ(camera.err, "Entity is not a camera\n");
}
