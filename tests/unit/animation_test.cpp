// Key-frame animation through the commands, advanced the way the world
// update does it (each object's animate step): the playback arithmetic,
// transitions, sequences taken from keys and from other sequences, and
// copies of animated hierarchies.

#include <gtest/gtest.h>

#include <cmath>

#include "engine3d/world.h"
#include "world3d/vexel3d_module.h"
#include "debugged_3d_run.h"
#include "math3d_expect.h"
#include "registered.h"

using vxtest::messageOf;
using vxtest::near;
using vxtest::registered;

namespace {

using I1 = int32_t(VX_STDCALL*)(int32_t);
using I2 = int32_t(VX_STDCALL*)(int32_t, int32_t);
using I4 = int32_t(VX_STDCALL*)(int32_t, int32_t, int32_t, int32_t);
using V1 = void(VX_STDCALL*)(int32_t);
using VEntity3G = void(VX_STDCALL*)(int32_t, float, float, float, int32_t);
using FG = float(VX_STDCALL*)(int32_t, int32_t);

struct Commands {
  I1 createPivot = registered<I1>("%CreatePivot%parent=0");
  I2 copyEntity = registered<I2>("%CopyEntity%entity%parent=0");
  V1 freeEntity = registered<V1>("FreeEntity%entity");
  I2 getChild = registered<I2>("%GetChild%entity%index");
  VEntity3G positionEntity = registered<VEntity3G>("PositionEntity%entity#x#y#z%global=0");
  VEntity3G rotateEntity = registered<VEntity3G>("RotateEntity%entity#pitch#yaw#roll%global=0");
  VEntity3G scaleEntity = registered<VEntity3G>("ScaleEntity%entity#x_scale#y_scale#z_scale%global=0");
  FG entityX = registered<FG>("#EntityX%entity%global=0");
  FG entityY = registered<FG>("#EntityY%entity%global=0");
  FG entityYaw = registered<FG>("#EntityYaw%entity%global=0");
  void(VX_STDCALL* setAnimKey)(int32_t, int32_t, int32_t, int32_t, int32_t) =
      registered<decltype(setAnimKey)>("SetAnimKey%entity%frame%pos_key=1%rot_key=1%scale_key=1");
  I2 addAnimSeq = registered<I2>("%AddAnimSeq%entity%length");
  I4 extractAnimSeq = registered<I4>("%ExtractAnimSeq%entity%first_frame%last_frame%anim_seq=0");
  void(VX_STDCALL* animate)(int32_t, int32_t, float, int32_t, float) =
      registered<decltype(animate)>("Animate%entity%mode=1#speed=1%sequence=0#transition=0");
  void(VX_STDCALL* setAnimTime)(int32_t, float, int32_t) =
      registered<decltype(setAnimTime)>("SetAnimTime%entity#time%anim_seq=0");
  I1 animSeq = registered<I1>("%AnimSeq%entity");
  float(VX_STDCALL* animTime)(int32_t) = registered<decltype(animTime)>("#AnimTime%entity");
  I1 animLength = registered<I1>("%AnimLength%entity");
  I1 animating = registered<I1>("%Animating%entity");
};

class Animation : public ::testing::Test {
 protected:
  void SetUp() override { vx::startWorld3D(); }
  void TearDown() override { vx::endWorld3D(); }

  // What UpdateWorld does for the entity: its animate step, n times.
  static void step(int32_t handle, int n = 1, float elapsed = 1) {
    vx::Object* object = vx::world3D()->entities.find(handle)->getObject();
    for (int i = 0; i < n; ++i) object->animate(elapsed);
  }
  // A pivot moving along x from 0 at frame 0 to 10 at frame 10, in
  // sequence 0.
  int32_t slider() {
    const int32_t e = c.createPivot(0);
    c.setAnimKey(e, 0, 1, 0, 0);
    c.positionEntity(e, 10, 0, 0, 0);
    c.setAnimKey(e, 10, 1, 0, 0);
    return e;
  }

  Commands c;
};

TEST_F(Animation, SequencesLoopPlayBackwardsPingPongAndPlayOnce) {
  const int32_t e = slider();
  EXPECT_EQ(c.animLength(e), -1);  // no animator yet
  EXPECT_EQ(c.addAnimSeq(e, 10), 0);
  EXPECT_EQ(c.addAnimSeq(e, 10), 1);  // no keys set in between: empty
  EXPECT_EQ(c.animLength(e), 0);      // nothing played yet

  c.animate(e, 1, 1, 0, 0);
  EXPECT_FLOAT_EQ(c.entityX(e, 0), 0);  // the first pose shows at once
  step(e, 3);
  EXPECT_FLOAT_EQ(c.animTime(e), 3);
  EXPECT_FLOAT_EQ(c.entityX(e, 0), 3);
  step(e, 8);
  EXPECT_FLOAT_EQ(c.animTime(e), 1);  // 11 wraps to 1

  c.animate(e, 1, -1, 0, 0);  // backwards from the end
  EXPECT_FLOAT_EQ(c.animTime(e), 10);
  EXPECT_FLOAT_EQ(c.entityX(e, 0), 10);
  step(e, 11);
  EXPECT_FLOAT_EQ(c.animTime(e), 9);  // -1 wraps to 9

  c.animate(e, 2, 1, 0, 0);
  step(e, 10);
  EXPECT_FLOAT_EQ(c.animTime(e), 10);  // reaches the end and turns
  step(e, 3);
  EXPECT_FLOAT_EQ(c.animTime(e), 7);
  step(e, 9);
  EXPECT_FLOAT_EQ(c.animTime(e), 2);  // and turns again at 0
  EXPECT_EQ(c.animating(e), 1);

  c.animate(e, 3, 1, 0, 0);
  step(e, 9);
  EXPECT_EQ(c.animating(e), 1);
  step(e, 3);
  EXPECT_FLOAT_EQ(c.animTime(e), 10);
  EXPECT_EQ(c.animating(e), 0);
  EXPECT_FLOAT_EQ(c.entityX(e, 0), 10);

  c.animate(e, 1, 1, 1, 0);  // the empty sequence moves nothing
  step(e, 4);
  EXPECT_EQ(c.animSeq(e), 1);
  EXPECT_FLOAT_EQ(c.entityX(e, 0), 10);
  c.animate(e, 1, 1, 2, 0);  // no such sequence: ignored
  EXPECT_EQ(c.animSeq(e), 1);
  EXPECT_FLOAT_EQ(c.animTime(e), 4);

  // A sequence of no frames has one time, 0, however it is played.
  c.addAnimSeq(e, 0);
  c.animate(e, 1, 1, 2, 0);
  step(e, 3);
  EXPECT_FLOAT_EQ(c.animTime(e), 0);
  c.setAnimTime(e, 7, 2);
  EXPECT_FLOAT_EQ(c.animTime(e), 0);
}

TEST_F(Animation, TransitionsBlendTheKeyedChannelsFromThePoseShown) {
  const int32_t e = slider();
  c.addAnimSeq(e, 10);
  c.positionEntity(e, 0, 20, 0, 0);
  c.scaleEntity(e, 2, 2, 2, 0);  // no scale keys: the scale stays
  c.animate(e, 1, 1, 0, 10);
  EXPECT_EQ(c.animating(e), 1);
  EXPECT_FLOAT_EQ(c.entityY(e, 0), 20);  // nothing moves before the first step
  step(e, 5);
  EXPECT_TRUE(near(vx::world3D()->entities.find(e)->localPosition(), {0, 10, 0}));
  step(e, 5);
  // The blend is done: playback goes on from time 0 in the same step.
  EXPECT_FLOAT_EQ(c.animTime(e), 1);
  EXPECT_TRUE(near(vx::world3D()->entities.find(e)->localPosition(), {1, 0, 0}));
  EXPECT_TRUE(near(vx::world3D()->entities.find(e)->localScale(), {2, 2, 2}));

  step(e, 2);
  c.animate(e, 0, 0, 0, 0);  // stops where it is
  step(e, 2);
  EXPECT_EQ(c.animating(e), 0);
  EXPECT_FLOAT_EQ(c.entityX(e, 0), 3);
  c.animate(e, 0, 1, 0, 0);  // shows the first pose and stops
  EXPECT_EQ(c.animating(e), 0);
  EXPECT_FLOAT_EQ(c.entityX(e, 0), 0);

  // A transition into a stopped sequence ends on its pose and stops.
  c.positionEntity(e, 0, 4, 0, 0);
  c.animate(e, 1, 0, 0, 2);
  step(e, 1);
  EXPECT_FLOAT_EQ(c.entityY(e, 0), 2);
  step(e, 1);
  EXPECT_FLOAT_EQ(c.entityY(e, 0), 0);
  EXPECT_EQ(c.animating(e), 0);
}

TEST_F(Animation, SetAnimTimeWrapsExtractedSequencesAndTheShortWayRound) {
  const int32_t e = c.createPivot(0);
  c.rotateEntity(e, 0, 170, 0, 0);
  c.setAnimKey(e, 0, 0, 1, 0);
  c.rotateEntity(e, 0, -170, 0, 0);
  c.setAnimKey(e, 10, 0, 1, 0);
  c.addAnimSeq(e, 10);
  c.animate(e, 1, 1, 0, 0);
  c.setAnimTime(e, 25, 0);
  EXPECT_FLOAT_EQ(c.animTime(e), 5);
  EXPECT_EQ(c.animating(e), 0);
  // Half way between 170 and -170 through 180, not through 0.
  EXPECT_NEAR(std::fabs(c.entityYaw(e, 0)), 180, 0.01f);
  c.setAnimTime(e, -3, 0);
  EXPECT_FLOAT_EQ(c.animTime(e), 7);
  EXPECT_NEAR(c.entityYaw(e, 0), -176, 0.01f);

  // Frames 0 to 7 of sequence 0 as a sequence of their own: only the key
  // at 0 lies in it, and a single key holds at every time.
  EXPECT_EQ(c.extractAnimSeq(e, 0, 7, 0), 1);
  EXPECT_EQ(c.extractAnimSeq(e, 0, 10, 7), -1);  // no such source
  c.setAnimTime(e, 6, 1);
  EXPECT_EQ(c.animLength(e), 7);
  EXPECT_NEAR(c.entityYaw(e, 0), 170, 0.01f);
  // Frames 5 to 15: the key at 10 moves to 5.
  EXPECT_EQ(c.extractAnimSeq(e, 5, 15, 0), 2);
  c.setAnimTime(e, 1, 2);
  EXPECT_NEAR(c.entityYaw(e, 0), -170, 0.01f);

  const int32_t plain = c.createPivot(0);
  EXPECT_EQ(c.animSeq(plain), -1);
  EXPECT_FLOAT_EQ(c.animTime(plain), -1);
  EXPECT_EQ(c.animating(plain), 0);
  EXPECT_EQ(c.extractAnimSeq(plain, 0, 1, 0), -1);
}

TEST_F(Animation, AnimatorsKeepTheirObjectsAndCopiesAnimateTheirOwn) {
  const int32_t root = c.createPivot(0);
  const int32_t child = slider();
  vx::world3D()->entities.find(child)->setParent(vx::world3D()->entities.find(root));
  c.addAnimSeq(root, 10);
  const int32_t late = c.createPivot(root);  // not among the animated objects
  c.positionEntity(late, 0, 5, 0, 0);

  const int32_t copy = c.copyEntity(root, 0);
  const int32_t copiedChild = c.getChild(copy, 1);
  EXPECT_EQ(c.animSeq(copy), 0);
  EXPECT_EQ(c.animating(copy), 0);  // copied stopped
  c.animate(copy, 1, 1, 0, 0);
  step(copy, 4);
  EXPECT_FLOAT_EQ(c.entityX(copiedChild, 0), 4);
  EXPECT_FLOAT_EQ(c.entityX(child, 0), 10);  // the original did not move
  EXPECT_EQ(c.animating(root), 0);

  c.animate(root, 1, 1, 0, 0);
  step(root, 2);
  EXPECT_FLOAT_EQ(c.entityX(child, 0), 2);
  EXPECT_FLOAT_EQ(c.entityY(late, 0), 5);
  EXPECT_FLOAT_EQ(c.entityX(copiedChild, 0), 4);

  // Parts of the hierarchy freed since are left out.
  c.freeEntity(child);
  step(root, 2);
  EXPECT_FLOAT_EQ(c.animTime(root), 4);
  const int32_t second = c.copyEntity(root, 0);
  c.animate(second, 1, 1, 0, 0);
  step(second, 1);
  EXPECT_FLOAT_EQ(c.animTime(second), 1);
}

TEST(AnimationChecks, PlaybackWithoutAnAnimatorIsAnError) {
  EXPECT_EQ(messageOf([] {
              Commands c;
              c.animate(c.createPivot(0), 1, 1, 0, 0);
            }),
            "Entity has no animation");
  EXPECT_EQ(messageOf([] {
              Commands c;
              c.setAnimTime(c.createPivot(0), 1, 0);
            }),
            "Entity has not animation");
}

}  // namespace
