// A program that picks spheres, boxes and meshes along lines, entity axes
// and camera pixels, and asks what obscurers hide (values in thousandths).

#include <gtest/gtest.h>

#include "program_run.h"

using vxtest::ProgramRun;
using vxtest::runModule;

TEST(PickPrograms, LinesAxesAndPixelsPickWhatTheyMeetFirst) {
  ProgramRun r = runModule("picking", {}, {"VX_DEBUG=1"});
  EXPECT_EQ(r.exitStatus, 1);  // ended by the last check's message
  EXPECT_EQ(r.out,
            "0\n0\n0\n-\n"  // before any pick
            // A sphere: point, normal, time, no surface or triangle.
            "1\n0\n0\n8000\n0\n0\n-1000\n400\n0\n65535\n"
            // A box unscaled by its entity; a swept sphere on its edge.
            "1\n9000\n450\n"
            "1\n10000\n1000\n9000\n0\n500\n-866\n407\n0\n65535\n-\n"
            // A mesh: its surface and triangles; grown, it is met sooner.
            "1\n1\n-9500\n500\n29000\n0\n0\n-1000\n725\n1\n0\n"
            "1\n700\n"
            // A miss keeps the point.
            "0\n-9500\n500\n28000\n0\n0\n0\n1000\n0\n65535\n-\n"
            // Hidden, then shown; EntityPick with a scaled axis.
            "0\n1\n550\n"
            "0\n1\n700\n-\n"
            // CameraPick: centre, perspective and orthographic off centre.
            "1\n19000\n19\n0\n1\n40500\n-\n"
            // EntityVisible: an obscurer, then not one (still picked),
            // then hidden; the pick left alone.
            "0\n1\n1\n1\n1\n");
  EXPECT_EQ(r.err, "Entity is not a camera\n");
}
