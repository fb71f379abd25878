// The scene graph: lists, the lazy world transforms and their stale bits,
// world setters under transformed parents, tweening, and freeing.

#include "engine3d/entity.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine3d/world.h"
#include "world3d/vexel3d_module.h"
#include "math3d_expect.h"

using namespace vx;
using vxtest::degrees;
using vxtest::near;
using vxtest::sameRotation;

namespace {

Pivot* pivot(Entity* parent = nullptr) {
  Pivot* p = new Pivot;
  p->setParent(parent);
  return p;
}

std::vector<Entity*> children(const Entity* e) {
  std::vector<Entity*> list;
  for (Entity* c = e->firstChild(); c; c = c->next()) list.push_back(c);
  return list;
}

class SceneGraph : public ::testing::Test {
 protected:
  void TearDown() override { freeAllEntities(); }
};

}  // namespace

TEST_F(SceneGraph, EntitiesAreAppendedAndMovedBetweenLists) {
  Pivot* a = pivot();
  Pivot* b = pivot();
  EXPECT_EQ(Entity::roots().first, a);
  EXPECT_EQ(Entity::roots().last, b);
  Pivot* c1 = pivot(a);
  Pivot* c2 = pivot(a);
  Pivot* c3 = pivot(a);
  EXPECT_EQ(children(a), (std::vector<Entity*>{c1, c2, c3}));

  c2->setParent(b);  // out of the middle
  EXPECT_EQ(children(a), (std::vector<Entity*>{c1, c3}));
  EXPECT_EQ(c3->prev(), c1);
  c1->setParent(nullptr);  // to the end of the roots
  EXPECT_EQ(Entity::roots().last, c1);
  EXPECT_EQ(children(b), (std::vector<Entity*>{c2}));
  EXPECT_TRUE(a->isAncestorOf(c3));
  EXPECT_TRUE(c3->isAncestorOf(c3));
  EXPECT_FALSE(c3->isAncestorOf(a));

  delete a;  // takes c3 with it
  EXPECT_EQ(Entity::roots().first, b);
  EXPECT_EQ(b->next(), c1);
  EXPECT_EQ(c1->next(), nullptr);
}

TEST_F(SceneGraph, SettersMarkStaleAndReadsRefreshAlongTheChain) {
  Pivot* root = pivot();
  Pivot* child = pivot(root);
  root->setLocalPosition({1, 0, 0});
  root->setLocalRotation(degrees(0, 90, 0));
  child->setLocalPosition({0, 0, 2});
  child->setLocalScale({2, 2, 2});
  EXPECT_EQ(child->dirty(), Entity::kLocalStale | Entity::kWorldStale);

  // The child's forward is the parent's -x.
  EXPECT_TRUE(near(child->worldPosition(), {-1, 0, 0}));
  EXPECT_TRUE(near(child->worldTransform().m.k, {-2, 0, 0}));
  EXPECT_EQ(child->dirty(), 0u);
  EXPECT_EQ(root->dirty(), 0u);

  // Moving the parent leaves the child's local transform as it was.
  root->setLocalPosition({0, 5, 0});
  EXPECT_EQ(root->dirty(), Entity::kLocalStale | Entity::kWorldStale);
  EXPECT_EQ(child->dirty(), uint32_t(Entity::kWorldStale));
  EXPECT_TRUE(near(child->worldPosition(), {-2, 5, 0}));
}

TEST_F(SceneGraph, AStaleSubtreeIsSkippedButItsSiblingsAreNot) {
  // root -> a (a1, a2), b (b1). After a read of a1 only, a2 and b are still
  // stale: the next move must skip them and still reach a and a1.
  Pivot* root = pivot();
  Pivot* a = pivot(root);
  Pivot* a1 = pivot(a);
  Pivot* a2 = pivot(a);
  Pivot* b = pivot(root);
  Pivot* b1 = pivot(b);
  for (Entity* e : {(Entity*)a, (Entity*)a1, (Entity*)a2, (Entity*)b, (Entity*)b1}) {
    e->setLocalPosition({1, 0, 0});
    e->worldTransform();
  }
  root->setLocalPosition({0, 10, 0});
  EXPECT_TRUE(near(a1->worldPosition(), {2, 10, 0}));
  EXPECT_EQ(a2->dirty(), uint32_t(Entity::kWorldStale));
  EXPECT_EQ(b1->dirty(), uint32_t(Entity::kWorldStale));

  root->setLocalPosition({0, 20, 0});
  EXPECT_EQ(a->dirty(), uint32_t(Entity::kWorldStale));
  EXPECT_EQ(a1->dirty(), uint32_t(Entity::kWorldStale));
  EXPECT_TRUE(near(a1->worldPosition(), {2, 20, 0}));
  EXPECT_TRUE(near(a2->worldPosition(), {2, 20, 0}));
  EXPECT_TRUE(near(b1->worldPosition(), {2, 20, 0}));

  // A reparented subtree is stale under its new parent.
  b->setParent(a1);
  EXPECT_EQ(b1->dirty(), uint32_t(Entity::kWorldStale));
  EXPECT_TRUE(near(b1->worldPosition(), {4, 20, 0}));
}

TEST_F(SceneGraph, WorldRotationAndScaleComposeLikeTheWorldTransform) {
  Pivot* root = pivot();
  Pivot* mid = pivot(root);
  Pivot* leaf = pivot(mid);
  root->setLocalRotation(degrees(20, 30, 0));
  mid->setLocalRotation(degrees(0, 45, 60));
  leaf->setLocalRotation(degrees(-10, 0, 5));
  root->setLocalScale({2, 2, 2});
  mid->setLocalScale({3, 3, 3});
  leaf->setLocalScale({1, 0.5f, 1});

  const Matrix world = leaf->worldTransform().m;
  const Vector scale = leaf->worldScale();
  EXPECT_TRUE(near(scale, {6, 3, 6}));
  EXPECT_TRUE(near(matrixFromQuat(leaf->worldRotation()),
                   Matrix{world.i / scale.x, world.j / scale.y, world.k / scale.z}));
}

TEST_F(SceneGraph, WorldSettersWorkUnderATransformedParent) {
  Pivot* parent = pivot();
  parent->setLocalPosition({3, -2, 7});
  parent->setLocalRotation(degrees(25, -60, 40));
  parent->setLocalScale({2, 2, 2});
  Pivot* e = pivot(parent);

  e->setWorldPosition({1, 2, 3});
  EXPECT_TRUE(near(e->worldPosition(), {1, 2, 3}, 1e-4f));
  const Quat q = degrees(10, 100, -30);
  e->setWorldRotation(q);
  EXPECT_TRUE(sameRotation(e->worldRotation(), q));
  e->setWorldScale({4, 1, 2});
  EXPECT_TRUE(near(e->worldScale(), {4, 1, 2}));
  EXPECT_TRUE(near(e->localScale(), {2, 0.5f, 1}));

  const Transform t{scaledAxes(matrixFromQuat(degrees(-40, 15, 80)), {3, 3, 3}), {-5, 6, 1}};
  e->setWorldTransform(t);
  EXPECT_TRUE(near(e->worldTransform().m, t.m, 1e-4f));
  EXPECT_TRUE(near(e->worldTransform().pos, t.pos, 1e-4f));
  EXPECT_TRUE(near(e->localScale(), {1.5f, 1.5f, 1.5f}));
}

TEST_F(SceneGraph, ClonesCopyTheirLocalValuesAndStartStale) {
  Pivot* e = pivot();
  e->name = "thing";
  e->visible = false;
  e->collisionType = 3;
  e->xRadius = 2;
  e->velocity = {1, 1, 1};
  e->setLocalPosition({1, 2, 3});
  e->setLocalRotation(degrees(0, 45, 0));
  e->worldTransform();

  Entity* copy = e->clone();
  EXPECT_EQ(copy->parent(), nullptr);
  EXPECT_EQ(copy->firstChild(), nullptr);
  EXPECT_EQ(copy->name, "thing");
  EXPECT_FALSE(copy->visible);
  EXPECT_EQ(copy->dirty(), Entity::kLocalStale | Entity::kWorldStale);
  EXPECT_TRUE(near(copy->worldPosition(), {1, 2, 3}));
  EXPECT_TRUE(near(copy->worldTransform().m, e->worldTransform().m));
  Object* object = copy->getObject();
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->collisionType, 3);
  EXPECT_EQ(object->xRadius, 2);
  EXPECT_EQ(object->velocity, Vector{});
}

TEST_F(SceneGraph, TweeningInterpolatesLocalValuesUnderTheParentsRenderTransform) {
  Pivot* parent = pivot();
  Pivot* child = pivot(parent);
  parent->setLocalPosition({10, 0, 0});
  child->setLocalPosition({0, 0, 0});
  child->setLocalRotation(degrees(0, 0, 0));
  parent->capture();
  child->capture();
  child->setLocalPosition({0, 4, 0});
  child->setLocalRotation(degrees(0, 90, 0));

  // A factor of 1 takes the world transform as it is.
  ASSERT_TRUE(child->beginRender(1));
  EXPECT_TRUE(near(child->renderTransform().pos, {10, 4, 0}));

  ASSERT_TRUE(parent->beginRender(0.5f));
  ASSERT_TRUE(child->beginRender(0.5f));
  EXPECT_TRUE(near(child->renderTransform().pos, {10, 2, 0}));
  EXPECT_TRUE(near(child->renderTransform().m, matrixFromQuat(degrees(0, 45, 0))));

  // Never captured: not interpolated.
  Pivot* fresh = pivot();
  fresh->setLocalPosition({1, 1, 1});
  fresh->beginRender(0.5f);
  EXPECT_TRUE(near(fresh->renderTransform().pos, {1, 1, 1}));
}

TEST_F(SceneGraph, ResetStartsTheNextSweepWhereTheEntityIs) {
  Pivot* e = pivot();
  e->setLocalPosition({1, 2, 3});
  e->velocity = {5, 0, 0};
  e->collisions.push_back(nullptr);
  e->reset();
  EXPECT_TRUE(e->collisions.empty());
  EXPECT_EQ(e->velocity, Vector{});
  EXPECT_TRUE(near(e->previousTransform.pos, {1, 2, 3}));
}

TEST_F(SceneGraph, FreeingUnregistersTheSubtreeAndForgetsTheListener) {
  startWorld3D();
  World& world = *world3D();
  Pivot* root = pivot();
  Pivot* child = pivot(root);
  Pivot* grandchild = pivot(child);
  Pivot* other = pivot();
  for (Entity* e : {(Entity*)root, (Entity*)child, (Entity*)grandchild, (Entity*)other}) adoptEntity(e);
  world.listener = grandchild;
  const int32_t childHandle = handleOf(child);

  freeEntity(root);
  EXPECT_EQ(world.listener, nullptr);
  EXPECT_FALSE(world.entities.contains(childHandle));
  EXPECT_TRUE(world.entities.contains(handleOf(other)));
  EXPECT_EQ(world.entities.size(), 1u);
  EXPECT_EQ(Entity::roots().first, other);

  endWorld3D();
  EXPECT_EQ(world3D(), nullptr);
  EXPECT_EQ(Entity::roots().first, nullptr);
}
