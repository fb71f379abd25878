#pragma once
// The listener: the one point of the world that 3D sounds are heard from,
// usually a camera's child. Once created it tells the sound device where
// it is, how fast it moves (the velocity the world update keeps) and which
// way it faces, and again after every RenderWorld from where it was drawn;
// freed, it leaves the sound device's listener at the origin facing +z.
//
// Sounds emitted from an entity play in 3D at the entity and follow it:
// the entity keeps their channels and moves them at every RenderWorld.
// Without a sound device all of it is silent and harmless.

#include "engine3d/entity.h"

namespace vx {

class Listener : public Object {
 public:
  Listener() = default;
  ~Listener() override;
  // A copy is a listener in name only: there is one listener at a time.
  Entity* clone() const override { return new Listener(*this); }
  Listener* getListener() override { return this; }
  void afterRender() override;

  // Makes this the one the sound device hears from, with the 3D factors.
  void hear(float rolloff, float doppler, float distance);

 private:
  Listener(const Listener& source) : Object(source) {}
  void place(const Transform& at);

  bool heard_ = false;
};

}  // namespace vx
