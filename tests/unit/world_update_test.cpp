// The world update's walk: which objects it visits and in what order, what
// it hands their animators, and the velocity and start of the next sweep
// it leaves on each.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "engine3d/world.h"
#include "math3d_expect.h"
#include "world3d/vexel3d_module.h"
#include "world3d/world_update.h"

using vx::Vector;
using vxtest::near;

namespace {

// Notes which pivot it animated, with what, and moves it as it goes.
class Mover : public vx::Animator {
 public:
  Mover(vx::Object& owner, std::vector<std::pair<vx::Object*, float>>& log) : owner_(owner), log_(log) {}
  void animate(float elapsed) override {
    log_.emplace_back(&owner_, elapsed);
    owner_.setLocalPosition(owner_.localPosition() + Vector{elapsed, 0, 0});
  }
  std::unique_ptr<vx::Animator> copyFor(vx::Object&) const override { return nullptr; }

 private:
  vx::Object& owner_;
  std::vector<std::pair<vx::Object*, float>>& log_;
};

vx::Object* pivot(vx::Entity* parent, std::vector<std::pair<vx::Object*, float>>& log) {
  auto* p = new vx::Pivot;
  vx::addEntity(p, parent);
  p->animator = std::make_unique<Mover>(*p, log);
  return p;
}

}  // namespace

TEST(WorldUpdate, VisitsEnabledObjectsInTreeOrderAndKeepsTheirVelocity) {
  vx::startWorld3D();
  std::vector<std::pair<vx::Object*, float>> log;
  vx::Object* a = pivot(nullptr, log);
  vx::Object* hidden = pivot(nullptr, log);
  vx::Object* b = pivot(nullptr, log);
  vx::Object* underA = pivot(a, log);
  vx::Object* underHidden = pivot(hidden, log);
  hidden->visible = hidden->enabled = false;

  vx::updateWorld(0.5f);
  const std::vector<std::pair<vx::Object*, float>> expected{{a, 0.5f}, {underA, 0.5f}, {b, 0.5f}};
  EXPECT_EQ(log, expected);
  // Each moved itself by 0.5 (the child twice, with its parent), in 0.5.
  EXPECT_TRUE(near(a->velocity, {1, 0, 0}));
  EXPECT_TRUE(near(underA->velocity, {2, 0, 0}));
  EXPECT_TRUE(near(underA->previousTransform.pos, {1, 0, 0}));
  EXPECT_TRUE(near(underHidden->velocity, {0, 0, 0}));
  EXPECT_FLOAT_EQ(b->elapsed, 0.5f);

  // No time, no velocity rather than a division by it.
  vx::updateWorld(0);
  EXPECT_TRUE(near(a->velocity, {0, 0, 0}));
  vx::endWorld3D();
}
