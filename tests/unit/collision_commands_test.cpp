// The debugging checks of the collision and pick commands, each ending the
// program with its message.

#include <gtest/gtest.h>

#include "debugged_3d_run.h"
#include "registered.h"

using vxtest::messageOf;
using vxtest::registered;

namespace {

using I1 = int32_t(VX_STDCALL*)(int32_t);
using I2 = int32_t(VX_STDCALL*)(int32_t, int32_t);
using V3 = void(VX_STDCALL*)(int32_t, int32_t, int32_t);
using V4 = void(VX_STDCALL*)(int32_t, int32_t, int32_t, int32_t);
using VF = void(VX_STDCALL*)(float);
using FI2 = float(VX_STDCALL*)(int32_t, int32_t);
using Pick = int32_t(VX_STDCALL*)(float, float, float, float, float, float, float);

int32_t pivot() { return registered<I1>("%CreatePivot%parent=0")(0); }
void entityType(int32_t e, int32_t type) { registered<V3>("EntityType%entity%collision_type%recursive=0")(e, type, 0); }

}  // namespace

TEST(CollisionChecks, EachCommandNamesWhatIsWrong) {
  EXPECT_EQ(messageOf([] {
              vx::endWorld3D();
              registered<VF>("UpdateWorld#elapsed_time=1")(1);
            }),
            "3D Graphics mode not set");
  EXPECT_EQ(messageOf([] {
              vx::endWorld3D();
              registered<V4>("Collisions%source_type%destination_type%method%response")(1, 2, 1, 1);
            }),
            "3D Graphics mode not set");
  EXPECT_EQ(messageOf([] {
              vx::endWorld3D();
              registered<Pick>("%LinePick#x#y#z#dx#dy#dz#radius=0")(0, 0, 0, 0, 0, 1, 0);
            }),
            "3D Graphics mode not set");
  EXPECT_EQ(messageOf([] { entityType(12345, 1); }), "Entity does not exist");
  EXPECT_EQ(messageOf([] { entityType(pivot(), -1); }), "EntityType ID must be in the range 0...999");
  EXPECT_EQ(messageOf([] {
              const int32_t e = pivot();
              registered<FI2>("#CollisionX%entity%collision_index")(e, 1);
            }),
            "Collision index out of range");
  EXPECT_EQ(messageOf([] { registered<I2>("%MeshesIntersect%mesh_a%mesh_b")(pivot(), pivot()); }),
            "Entity is not a mesh");
  EXPECT_EQ(messageOf([] { registered<I2>("%EntityVisible%src_entity%dest_entity")(pivot(), 12345); }),
            "Entity does not exist");
}
