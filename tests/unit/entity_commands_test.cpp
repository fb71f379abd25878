// The entity commands through their thunks, with the world of a 3D mode;
// the debug-mode messages through a run with a debugger.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine3d/world.h"
#include "world3d/vexel3d_module.h"
#include "debugged_3d_run.h"
#include "math3d_expect.h"
#include "registered.h"

using vx::RuntimeString;
using vxtest::messageOf;
using vxtest::near;
using vxtest::registered;

namespace {

using Str = RuntimeString*;
using I0 = int32_t(VX_STDCALL*)();
using I1 = int32_t(VX_STDCALL*)(int32_t);
using I2 = int32_t(VX_STDCALL*)(int32_t, int32_t);
using V1 = void(VX_STDCALL*)(int32_t);
using V2 = void(VX_STDCALL*)(int32_t, int32_t);
using V3 = void(VX_STDCALL*)(int32_t, int32_t, int32_t);
using VEntity3 = void(VX_STDCALL*)(int32_t, float, float, float);
using VEntity3G = void(VX_STDCALL*)(int32_t, float, float, float, int32_t);
using FG = float(VX_STDCALL*)(int32_t, int32_t);
using F0 = float(VX_STDCALL*)();
using F3 = float(VX_STDCALL*)(float, float, float);
using TForm = void(VX_STDCALL*)(float, float, float, int32_t, int32_t);

struct Commands {
  I1 createPivot = registered<I1>("%CreatePivot%parent=0");
  I2 copyEntity = registered<I2>("%CopyEntity%entity%parent=0");
  V1 freeEntity = registered<V1>("FreeEntity%entity");
  V1 showEntity = registered<V1>("ShowEntity%entity");
  V1 hideEntity = registered<V1>("HideEntity%entity");
  V3 entityParent = registered<V3>("EntityParent%entity%parent%global=1");
  I1 getParent = registered<I1>("%GetParent%entity");
  I1 countChildren = registered<I1>("%CountChildren%entity");
  I2 getChild = registered<I2>("%GetChild%entity%index");
  int32_t(VX_STDCALL* findChild)(int32_t, Str) = registered<decltype(findChild)>("%FindChild%entity$name");
  void(VX_STDCALL* nameEntity)(int32_t, Str) = registered<decltype(nameEntity)>("NameEntity%entity$name");
  Str(VX_STDCALL* entityName)(int32_t) = registered<decltype(entityName)>("$EntityName%entity");
  Str(VX_STDCALL* entityClass)(int32_t) = registered<decltype(entityClass)>("$EntityClass%entity");
  VEntity3G positionEntity = registered<VEntity3G>("PositionEntity%entity#x#y#z%global=0");
  VEntity3 moveEntity = registered<VEntity3>("MoveEntity%entity#x#y#z");
  VEntity3G translateEntity = registered<VEntity3G>("TranslateEntity%entity#x#y#z%global=0");
  VEntity3G scaleEntity = registered<VEntity3G>("ScaleEntity%entity#x_scale#y_scale#z_scale%global=0");
  VEntity3G rotateEntity = registered<VEntity3G>("RotateEntity%entity#pitch#yaw#roll%global=0");
  VEntity3G turnEntity = registered<VEntity3G>("TurnEntity%entity#pitch#yaw#roll%global=0");
  void(VX_STDCALL* pointEntity)(int32_t, int32_t, float) =
      registered<decltype(pointEntity)>("PointEntity%entity%target#roll=0");
  void(VX_STDCALL* alignToVector)(int32_t, float, float, float, int32_t, float) =
      registered<decltype(alignToVector)>("AlignToVector%entity#vector_x#vector_y#vector_z%axis#rate=1");
  FG entityX = registered<FG>("#EntityX%entity%global=0"), entityY = registered<FG>("#EntityY%entity%global=0"),
     entityZ = registered<FG>("#EntityZ%entity%global=0");
  FG entityPitch = registered<FG>("#EntityPitch%entity%global=0"),
     entityYaw = registered<FG>("#EntityYaw%entity%global=0"),
     entityRoll = registered<FG>("#EntityRoll%entity%global=0");
  float(VX_STDCALL* getMatElement)(int32_t, int32_t, int32_t) =
      registered<decltype(getMatElement)>("#GetMatElement%entity%row%column");
  TForm tformPoint = registered<TForm>("TFormPoint#x#y#z%source_entity%dest_entity");
  TForm tformVector = registered<TForm>("TFormVector#x#y#z%source_entity%dest_entity");
  TForm tformNormal = registered<TForm>("TFormNormal#x#y#z%source_entity%dest_entity");
  F0 tformedX = registered<F0>("#TFormedX"), tformedY = registered<F0>("#TFormedY"),
     tformedZ = registered<F0>("#TFormedZ");
  F3 vectorYaw = registered<F3>("#VectorYaw#x#y#z"), vectorPitch = registered<F3>("#VectorPitch#x#y#z");
  FG deltaYaw = registered<FG>("#DeltaYaw%src_entity%dest_entity");
  FG deltaPitch = registered<FG>("#DeltaPitch%src_entity%dest_entity");
  FG entityDistance = registered<FG>("#EntityDistance%source_entity%destination_entity");
  void(VX_STDCALL* entityAutoFade)(int32_t, float, float) =
      registered<decltype(entityAutoFade)>("EntityAutoFade%entity#near#far");
  V2 entityOrder = registered<V2>("EntityOrder%entity%order");
  V3 clearWorld = registered<V3>("ClearWorld%entities=1%brushes=1%textures=1");
  float(VX_STDCALL* stats3D)(int32_t) = registered<decltype(stats3D)>("#Stats3D%type");

  vx::Vector tformed() const { return {tformedX(), tformedY(), tformedZ()}; }
  vx::Vector position(int32_t e, int32_t global) const {
    return {entityX(e, global), entityY(e, global), entityZ(e, global)};
  }
};

const Commands& commands() {
  static const Commands c;
  return c;
}

std::string text(Str s) {
  std::string t(vx::viewOf(s));
  vx::releaseString(s);
  return t;
}

vx::Object* objectOf(int32_t handle) { return vx::world3D()->entities.find(handle)->getObject(); }

class EntityCommands : public ::testing::Test {
 protected:
  void SetUp() override { vx::startWorld3D(); }
  void TearDown() override { vx::endWorld3D(); }
  const Commands& c = commands();
};

}  // namespace

TEST_F(EntityCommands, HierarchyIsWalkedByIndexAndByName) {
  const int32_t root = c.createPivot(0);
  const int32_t a = c.createPivot(root);
  const int32_t a1 = c.createPivot(a);
  const int32_t b = c.createPivot(root);
  EXPECT_EQ(c.getParent(a1), a);
  EXPECT_EQ(c.getParent(root), 0);
  EXPECT_EQ(c.countChildren(root), 2);
  EXPECT_EQ(c.getChild(root, 1), a);
  EXPECT_EQ(c.getChild(root, 2), b);
  EXPECT_EQ(c.getChild(root, 0), 0);
  EXPECT_EQ(c.getChild(root, 3), 0);
  EXPECT_EQ(c.getChild(root, -1), 0);

  c.nameEntity(root, vx::newString("target"));
  c.nameEntity(a1, vx::newString("deep"));
  c.nameEntity(b, vx::newString("deep"));
  EXPECT_EQ(c.findChild(root, vx::newString("target")), root);  // the entity itself
  EXPECT_EQ(c.findChild(root, vx::newString("deep")), a1);       // depth first, in order
  EXPECT_EQ(c.findChild(root, vx::newString("Deep")), 0);
  EXPECT_EQ(text(c.entityName(a1)), "deep");
  EXPECT_EQ(text(c.entityClass(a1)), "Pivot");
}

TEST_F(EntityCommands, PositionsMovesAndTurnsInLocalAndWorldSpace) {
  const int32_t parent = c.createPivot(0);
  c.positionEntity(parent, 10, 0, 0, 0);
  c.rotateEntity(parent, 0, 90, 0, 0);
  const int32_t e = c.createPivot(parent);
  c.positionEntity(e, 0, 0, 1, 0);
  EXPECT_TRUE(near(c.position(e, 1), {9, 0, 0}));
  c.positionEntity(e, 0, 3, 0, 1);
  EXPECT_TRUE(near(c.position(e, 1), {0, 3, 0}, 1e-5f));
  EXPECT_TRUE(near(c.position(e, 0), {0, 3, 10}, 1e-5f));

  // MoveEntity goes along the entity's own axes, unscaled.
  const int32_t m = c.createPivot(0);
  c.rotateEntity(m, 0, 90, 0, 0);
  c.scaleEntity(m, 5, 5, 5, 0);
  c.moveEntity(m, 0, 0, 2);
  EXPECT_TRUE(near(c.position(m, 0), {-2, 0, 0}));
  c.translateEntity(m, 0, 0, 2, 0);
  EXPECT_TRUE(near(c.position(m, 0), {-2, 0, 2}));

  // Turning about the own axes versus the world's.
  const int32_t own = c.createPivot(0), world = c.createPivot(0);
  for (int32_t t : {own, world}) c.rotateEntity(t, 0, 90, 0, 0);
  c.turnEntity(own, 30, 0, 0, 0);
  c.turnEntity(world, 30, 0, 0, 1);
  EXPECT_NEAR(c.entityPitch(own, 0), 30, 1e-3);
  EXPECT_NEAR(c.entityYaw(own, 0), 90, 1e-3);
  // About the world's x, a yawed forward axis only rolls.
  EXPECT_NEAR(c.entityPitch(world, 0), 0, 1e-3);
  EXPECT_NEAR(c.entityYaw(world, 0), 90, 1e-3);
  EXPECT_NEAR(std::fabs(c.entityRoll(world, 0)), 30, 1e-3);

  c.rotateEntity(e, 20, 30, 40, 1);
  EXPECT_NEAR(c.entityPitch(e, 1), 20, 1e-3);
  EXPECT_NEAR(c.entityYaw(e, 1), 30, 1e-3);
  EXPECT_NEAR(c.entityRoll(e, 1), 40, 1e-3);
  EXPECT_NEAR(c.entityYaw(e, 0), -60, 1e-3);
}

TEST_F(EntityCommands, PointingAndAligningFaceTheTarget) {
  const int32_t parent = c.createPivot(0);
  c.rotateEntity(parent, 10, 50, 0, 0);
  const int32_t e = c.createPivot(parent), target = c.createPivot(0);
  c.positionEntity(e, 1, 1, 1, 1);
  c.positionEntity(target, -4, 6, 1, 1);
  c.pointEntity(e, target, 15);
  const vx::Vector forward{c.getMatElement(e, 2, 0), c.getMatElement(e, 2, 1), c.getMatElement(e, 2, 2)};
  EXPECT_TRUE(near(forward, vx::normalise(vx::Vector{-5, 5, 0}), 1e-5f));
  EXPECT_NEAR(c.entityRoll(e, 1), 15, 1e-3);
  EXPECT_NEAR(c.deltaYaw(e, target), 0, 1e-3);
  EXPECT_NEAR(c.deltaPitch(e, target), 0, 1e-3);
  EXPECT_NEAR(c.entityDistance(e, target), std::sqrt(50.0f), 1e-5);

  c.alignToVector(e, 0, 0, 3, 2, 1);  // the y axis
  EXPECT_TRUE(near(vx::Vector{c.getMatElement(e, 1, 0), c.getMatElement(e, 1, 1), c.getMatElement(e, 1, 2)}, {0, 0, 1}));
  c.alignToVector(e, 0, 1e-7f, 0, 1, 1);  // no direction: unchanged
  EXPECT_TRUE(near(vx::Vector{c.getMatElement(e, 1, 0), c.getMatElement(e, 1, 1), c.getMatElement(e, 1, 2)}, {0, 0, 1}));
}

TEST_F(EntityCommands, DeltaAnglesAndVectorAngles) {
  const int32_t e = c.createPivot(0), target = c.createPivot(0);
  c.positionEntity(target, -1, 0, 1, 0);
  EXPECT_NEAR(c.deltaYaw(e, target), 45, 1e-4);
  c.positionEntity(target, 0, 1, 1, 0);
  EXPECT_NEAR(c.deltaPitch(e, target), -45, 1e-4);
  // Facing backwards, the target behind on the other side of -z: the raw
  // difference is near -353 degrees and wraps.
  c.rotateEntity(e, 0, 179, 0, 0);
  c.positionEntity(target, 1, 0, -10, 0);
  EXPECT_NEAR(c.deltaYaw(e, target), 1 + std::atan2(1.0f, 10.0f) * vx::kRadToDeg, 1e-3);
  EXPECT_EQ(c.deltaYaw(e, 12345), 0);

  EXPECT_NEAR(c.vectorYaw(-1, 0, 0), 90, 1e-4);
  EXPECT_NEAR(c.vectorPitch(0, 1, 1), -45, 1e-4);
}

TEST_F(EntityCommands, MatrixElementsAndTFormsBetweenSpaces) {
  EXPECT_EQ(c.tformed(), vx::Vector{});
  const int32_t e = c.createPivot(0);
  c.positionEntity(e, 1, 2, 3, 0);
  c.rotateEntity(e, 0, 90, 0, 0);
  c.scaleEntity(e, 2, 1, 1, 0);
  EXPECT_NEAR(c.getMatElement(e, 0, 2), 2, 1e-5);  // i = (0, 0, 2)
  EXPECT_EQ(c.getMatElement(e, 3, 1), 2);
  EXPECT_EQ(c.getMatElement(e, 9, 2), 3);  // any row above 2 is the position
  EXPECT_EQ(c.getMatElement(e, -1, 0), 0);
  EXPECT_EQ(c.getMatElement(e, 0, 3), 0);

  c.tformPoint(1, 0, 1, e, 0);
  EXPECT_TRUE(near(c.tformed(), {0, 2, 5}));
  c.tformPoint(0, 2, 5, 0, e);
  EXPECT_TRUE(near(c.tformed(), {1, 0, 1}));
  c.tformVector(1, 0, 1, e, 0);
  EXPECT_TRUE(near(c.tformed(), {-1, 0, 2}));

  const int32_t other = c.createPivot(0);
  c.rotateEntity(other, 0, -90, 0, 0);
  c.tformPoint(1, 0, 0, e, other);  // world (1, 2, 5) in other's space
  EXPECT_TRUE(near(c.tformed(), {-5, 2, 1}));

  // A normal of a plane stays perpendicular to it through non-uniform scale.
  c.rotateEntity(e, 0, 0, 0, 0);
  c.scaleEntity(e, 1, 4, 1, 0);
  c.tformNormal(1, 1, 0, e, 0);
  const vx::Vector n = c.tformed();
  EXPECT_NEAR(vx::length(n), 1, 1e-5);
  EXPECT_NEAR(vx::dot(n, {1, -4, 0}), 0, 1e-5);  // the tangent (1, -1, 0) scaled
  c.tformNormal(n.x, n.y, n.z, 0, e);
  EXPECT_TRUE(near(c.tformed(), vx::normalise(vx::Vector{1, 1, 0})));

  c.tformPoint(7, 7, 7, 12345, 0);  // an unknown entity leaves the result
  EXPECT_TRUE(near(c.tformed(), vx::normalise(vx::Vector{1, 1, 0})));
}

TEST_F(EntityCommands, ReparentingKeepsWorldOrLocalValues) {
  const int32_t p = c.createPivot(0);
  c.positionEntity(p, 0, 10, 0, 0);
  c.rotateEntity(p, 0, 90, 0, 0);
  const int32_t global = c.createPivot(0), local = c.createPivot(0);
  for (int32_t e : {global, local}) c.positionEntity(e, 1, 0, 0, 0);
  c.entityParent(global, p, 1);
  EXPECT_TRUE(near(c.position(global, 1), {1, 0, 0}, 1e-5f));
  c.entityParent(local, p, 0);
  EXPECT_TRUE(near(c.position(local, 0), {1, 0, 0}));
  EXPECT_TRUE(near(c.position(local, 1), {0, 10, 1}, 1e-5f));

  // To the same parent: nothing changes, not even a reset.
  objectOf(local)->velocity = {3, 0, 0};
  c.entityParent(local, p, 1);
  EXPECT_EQ(objectOf(local)->velocity, (vx::Vector{3, 0, 0}));
  c.entityParent(local, 0, 0);
  EXPECT_EQ(objectOf(local)->velocity, vx::Vector{});

  // Without the debugging flag a cycle is refused too.
  const int32_t child = c.createPivot(p);
  c.entityParent(p, child, 1);
  EXPECT_EQ(c.getParent(p), 0);
  c.entityParent(p, p, 1);
  EXPECT_EQ(c.getParent(p), 0);
  EXPECT_EQ(c.getParent(child), p);
}

TEST_F(EntityCommands, CopiesAreWholeVisibleSubtreesWithTheirOwnHandles) {
  const int32_t root = c.createPivot(0);
  const int32_t child = c.createPivot(root);
  const int32_t grandchild = c.createPivot(child);
  c.nameEntity(grandchild, vx::newString("tip"));
  c.positionEntity(grandchild, 0, 0, 3, 0);
  c.hideEntity(root);
  c.hideEntity(grandchild);
  const int32_t parent = c.createPivot(0);
  c.positionEntity(parent, 100, 0, 0, 0);

  const int32_t copy = c.copyEntity(root, parent);
  ASSERT_NE(copy, 0);
  EXPECT_NE(copy, root);
  EXPECT_EQ(c.getParent(copy), parent);
  const int32_t tip = c.findChild(copy, vx::newString("tip"));
  ASSERT_NE(tip, 0);
  EXPECT_NE(tip, grandchild);
  EXPECT_EQ(c.getParent(c.getParent(tip)), copy);
  EXPECT_TRUE(near(c.position(tip, 1), {100, 0, 3}));
  auto* tipEntity = vx::world3D()->entities.find(tip);
  EXPECT_TRUE(tipEntity->visible && tipEntity->enabled);
  EXPECT_TRUE(vx::world3D()->entities.find(copy)->visible);
  EXPECT_FALSE(vx::world3D()->entities.find(root)->visible);

  c.freeEntity(copy);
  EXPECT_FALSE(vx::world3D()->entities.contains(tip));
  EXPECT_EQ(c.countChildren(parent), 0);
  EXPECT_EQ(c.findChild(root, vx::newString("tip")), grandchild);
  c.freeEntity(0);
  c.freeEntity(tip);  // no longer live: ignored without the debugging flag
}

TEST_F(EntityCommands, ShowingResetsAndClearingFreesEverything) {
  const int32_t e = c.createPivot(0);
  c.hideEntity(e);
  objectOf(e)->velocity = {1, 0, 0};
  c.positionEntity(e, 4, 0, 0, 0);
  c.showEntity(e);
  EXPECT_EQ(objectOf(e)->velocity, vx::Vector{});
  EXPECT_TRUE(near(objectOf(e)->previousTransform.pos, {4, 0, 0}));

  c.createPivot(e);
  c.clearWorld(0, 1, 1);
  EXPECT_EQ(vx::world3D()->entities.size(), 2u);
  c.clearWorld(1, 1, 1);
  EXPECT_EQ(vx::world3D()->entities.size(), 0u);
  EXPECT_EQ(vx::Entity::roots().first, nullptr);
  EXPECT_EQ(c.countChildren(e), 0);
  EXPECT_EQ(c.stats3D(0), 0);
  EXPECT_EQ(c.stats3D(1000000), 0);
}

TEST_F(EntityCommands, NothingWorksWithoutAWorld) {
  const int32_t e = c.createPivot(0);
  vx::endWorld3D();
  EXPECT_EQ(c.createPivot(0), 0);
  EXPECT_EQ(c.entityX(e, 0), 0);
  c.positionEntity(e, 1, 1, 1, 0);
  c.tformPoint(1, 2, 3, 0, 0);
  EXPECT_EQ(c.tformedX(), 0);
  vx::startWorld3D();
}

TEST(EntityCommandChecks, DebuggingReportsEachFault) {
  EXPECT_EQ(messageOf([] {
              vx::endWorld3D();
              commands().createPivot(0);
            }),
            "3D Graphics mode not set");
  EXPECT_EQ(messageOf([] { commands().entityX(4, 0); }), "Entity does not exist");
  EXPECT_EQ(messageOf([] { commands().createPivot(4); }), "Parent entity does not exist");
  EXPECT_EQ(messageOf([] {
              const int32_t e = commands().createPivot(0);
              commands().entityDistance(e, 4);
            }),
            "Entity does not exist");
  EXPECT_EQ(messageOf([] {
              const int32_t e = commands().createPivot(0);
              commands().entityParent(e, commands().createPivot(commands().createPivot(e)), 1);
            }),
            "Entity cannot be parented to itself!");
  EXPECT_EQ(messageOf([] { commands().entityAutoFade(commands().createPivot(0), 1, 2); }), "Entity is not a model");
  EXPECT_EQ(messageOf([] { commands().entityOrder(commands().createPivot(0), 1); }),
            "Entity is not a model or camera");
  // TForm commands take 0 as the world without a check; DeltaYaw checks nothing.
  EXPECT_EQ(messageOf([] {
              commands().tformPoint(1, 2, 3, 0, 0);
              commands().deltaYaw(4, 8);
            }),
            "Program has ended");
}
