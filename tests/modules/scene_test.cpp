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

// Colours below are rounded eighths of red, green and blue: 800 is red.

TEST(ScenePrograms, ALitCubeShowsItsFacesWhereTheyAre) {
  ProgramRun r = runModule("scene", {"litcube"});
  EXPECT_EQ(r.out,
            "22\n0\n"  // the face turned to -x: 180 of 255 red, nothing else
            "0\n"      // the face turned away from the light
            "0\n"      // background
            "12\n");
}

TEST(ScenePrograms, TexturesFogAndBlends) {
  EXPECT_EQ(runModule("scene", {"textured"}).out, "800\n80\n8\n888\n");
  EXPECT_EQ(runModule("scene", {"fog"}).out, "8\n888\n");  // beyond the fog's end, then fog off
  EXPECT_EQ(runModule("scene", {"blends"}).out, "404\n808\n0\n");  // alpha, add, multiply over blue
}

TEST(ScenePrograms, OrderedModelsDrawWithoutTheZBufferBeforeOrAfterTheRest) {
  // Red in front; red of order 1 under green; green of order -1 over red.
  EXPECT_EQ(runModule("scene", {"orders"}).out, "800\n80\n80\n");
}

TEST(ScenePrograms, HiddenTransparentAndFadedModelsAreNotDrawnAndTweeningMovesThem) {
  ProgramRun r = runModule("scene", {"visibility"});
  EXPECT_EQ(r.out,
            "0\n0\n0\n"   // triangles: hidden parent, alpha 0, faded out
            "16777215\n"  // half way between -2 and 2 at tween 0.5
            "0\n"         // at 2 with tween 1
            "1\n0\n");    // a mesh by its bounds, a pivot by its position
}
