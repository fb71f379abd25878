// The world's step: every enabled object is animated, and every one with a
// collision type is swept as an ellipsoid from where the last step left it
// to where the program put it, against the targets the rules name, and
// stopped or slid along what it hits.
//
// Objects are visited in tree order, and each one's collision list is
// emptied at its own turn: a record that a mover leaves on a target later
// in the order is lost, and a mover meets targets earlier in the order at
// their new places and later ones where the last step left them.

#include "world3d/world_update.h"

#include <cmath>

#include "engine3d/world.h"
#include "world3d/collision_state.h"
#include "world3d/entity_collision.h"

namespace vx {

namespace {

constexpr float kTinyMove = 0.000001f;
constexpr float kBackOff = 0.001f;
constexpr int32_t kHitLimit = 100;

enum Response { kStop = 1, kSlide = 2, kSlideNotDown = 3 };

struct SlidePlane {
  Vector n;
  float d = 0;
  float distance(Vector p) const { return dot(n, p) + d; }
};

float horizontalLength(Vector v) { return std::sqrt(v.x * v.x + v.z * v.z); }

bool movedTiny(Vector a, Vector b) {
  return std::fabs(a.x - b.x) <= kTinyMove && std::fabs(a.y - b.y) <= kTinyMove && std::fabs(a.z - b.z) <= kTinyMove;
}

void record(CollisionState& state, Object& on, Object& other, Vector point, const CollisionInfo& info) {
  CollisionRecord* r = state.records.take();
  r->other = &other;
  r->point = point;
  r->info = info;
  on.collisions.push_back(r);
}

// The mover's sweep, in a space squashed along y so that its ellipsoid is a
// sphere of its x radius.
class Sweep {
 public:
  Sweep(CollisionState& state, Object& mover) : state_(state), mover_(mover) {}

  void run() {
    const Vector start = mover_.previousTransform.pos;
    Vector end = mover_.worldPosition();
    if (movedTiny(start, end)) {
      if (!(start == end)) mover_.setWorldPosition(start);
      return;
    }
    // An ellipsoid without width or height is left as it is.
    if (mover_.xRadius != mover_.yRadius && mover_.xRadius > 0 && mover_.yRadius > 0)
      k_ = mover_.xRadius / mover_.yRadius;
    radius_ = mover_.xRadius;
    const Vector s{start.x, start.y * k_, start.z};
    end.y *= k_;

    CollisionLine line{s, end - s};
    const Vector requested = line.direction;
    float left = length(line.direction);
    float leftHorizontal = horizontalLength(line.direction);
    SlidePlane planes[2];
    int kept = 0;
    int32_t hits = 0;
    const std::vector<CollisionRule>& rules = state_.rules[mover_.collisionType];

    for (;;) {
      CollisionInfo info;
      Object* target = nullptr;
      const CollisionRule* rule = nullptr;
      for (const CollisionRule& r : rules)
        for (Object* candidate : state_.typeLists[r.destination]) {
          if (candidate == &mover_) continue;
          if (collisionTest(line, radius_, *candidate, candidate->previousTransform, r.method, info, k_)) {
            target = candidate;
            rule = &r;
          }
        }
      if (!target) break;
      ++hits;

      const Vector centre = line.origin + line.direction * info.time;
      Vector contact = centre - info.normal * radius_;
      contact.y /= k_;
      record(state_, mover_, *target, contact, info);
      record(state_, *target, mover_, contact, info);

      // Back off to just before the contact.
      const SlidePlane plane{info.normal, -dot(info.normal, centre) - kBackOff};
      const float approach = dot(plane.n, line.direction);
      if (std::fabs(approach) > kTinyMove) {
        const float u = -plane.distance(line.origin) / approach;
        if (u > 0) {
          line.origin += line.direction * u;
          left *= 1 - info.time;
          leftHorizontal *= 1 - info.time;
        }
      }
      if (rule->response == kStop) {
        end = line.origin;
        break;
      }

      const Vector along = end - plane.n * plane.distance(end);
      if (kept == 0) {
        end = along;
      } else if (kept == 1) {
        if (planes[0].distance(along) >= 0) {
          end = along;
          kept = 0;
        } else if (std::fabs(dot(planes[0].n, plane.n)) >= 0.999999f) {
          // Wedged between parallel planes: nowhere to go.
          mover_.setWorldPosition(start);
          return;
        } else {
          end = alongCrease(plane, planes[0], end);
        }
      } else {
        if (planes[0].distance(along) < 0 || planes[1].distance(along) < 0) {
          end = line.origin;
          break;
        }
        end = along;
        kept = 0;
      }

      Vector move = end - line.origin;
      if (dot(requested, move) <= 0) {
        end = line.origin;
        break;
      }
      if (rule->response == kSlideNotDown) {
        const float h = horizontalLength(move);
        if (h <= kTinyMove) {
          end = line.origin;
          break;
        }
        if (h > leftHorizontal) move *= leftHorizontal / h;
      } else {
        const float size = length(move);
        if (size <= kTinyMove) {
          end = line.origin;
          break;
        }
        if (rule->response == kSlide && size > left) move *= left / size;
      }
      line.direction = move;
      end = line.origin + move;
      planes[kept++] = plane;
      if (hits >= kHitLimit) break;
    }

    if (hits == 0) return;
    if (hits >= kHitLimit) {
      mover_.setWorldPosition(start);
      return;
    }
    end.y /= k_;
    mover_.setWorldPosition(end);
  }

 private:
  // The place along the line where both planes meet nearest to end.
  static Vector alongCrease(const SlidePlane& plane, const SlidePlane& first, Vector end) {
    const Vector crease = normalise(cross(plane.n, first.n));
    const Vector onPlane = plane.n * -plane.d;
    const Vector across = cross(plane.n, crease);
    const Vector point = onPlane + across * (-first.distance(onPlane) / dot(first.n, across));
    return point + crease * (dot(end - point, crease) / dot(crease, crease));
  }

  CollisionState& state_;
  Object& mover_;
  float k_ = 1;
  float radius_ = 1;
};

}  // namespace

void updateWorld(float elapsed) {
  World* world = worldOrFail();
  CollisionState* state = collisionState();
  if (!world || !state) return;
  world->stats[0] = 0;
  state->records.returnAll();
  std::vector<Object*>& listed = state->listed;
  listEnabledObjects(listed, true);
  const auto collides = [](const Object* o) { return o->collisionType != 0 && CollisionState::isType(o->collisionType); };
  for (Object* object : listed)
    if (collides(object)) state->typeLists[object->collisionType].push_back(object);

  for (Object* object : listed) {
    object->elapsed = elapsed;
    object->collisions.clear();
    object->animate(elapsed);
    if (collides(object)) Sweep(*state, *object).run();
    const Transform& now = object->worldTransform();
    object->velocity = elapsed != 0 ? (now.pos - object->previousTransform.pos) / elapsed : Vector{};
    object->previousTransform = now;
  }

  for (Object* object : listed)
    if (collides(object)) state->typeLists[object->collisionType].clear();
}

}  // namespace vx
