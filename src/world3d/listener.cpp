#include "world3d/listener.h"

#include <algorithm>

#include "engine3d/world.h"
#include "platform/audio_device.h"
#include "platform/audio_module.h"
#include "runtime/registry.h"
#include "world3d/world3d_commands.h"

namespace vx {

namespace {

sound::Vec3 vec3(Vector v) { return {v.x, v.y, v.z}; }

}  // namespace

// Freeing the listener the world hears from has just made the world forget
// it; one that another listener has replaced leaves the sound device alone.
Listener::~Listener() {
  AudioDevice* audio = audioDevice();
  World* world = world3D();
  if (heard_ && audio && !(world && world->listener)) audio->setListener({}, {}, {0, 0, 1}, {0, 1, 0});
}

void Listener::hear(float rolloff, float doppler, float distance) {
  heard_ = true;
  if (AudioDevice* audio = audioDevice()) audio->set3DFactors(rolloff, doppler, distance);
  place(worldTransform());
}

void Listener::afterRender() {
  World* world = world3D();
  if (world && world->listener == this) place(renderTransform());
}

void Listener::place(const Transform& at) {
  if (AudioDevice* audio = audioDevice())
    audio->setListener(vec3(at.pos), vec3(velocity), vec3(normalise(at.m.k)), vec3(normalise(at.m.j)));
}

namespace {

int32_t createListener(int32_t parentHandle, float rolloff, float doppler, float distance) {
  Entity* parent;
  if (!placeForNew(parentHandle, parent)) return 0;
  World& world = *world3D();
  if (world.listener && debugging()) raiseError("Listener already created");
  auto* listener = new Listener;
  const int32_t handle = addEntity(listener, parent);
  world.listener = listener;
  listener->hear(rolloff, doppler, distance);
  return handle;
}

// The entity remembers the channel once, in the first free entry.
void remember(Object& object, Channel* channel) {
  auto& channels = object.emittedChannels;
  if (std::find(channels.begin(), channels.end(), channel) != channels.end()) return;
  auto free = std::find(channels.begin(), channels.end(), nullptr);
  if (free != channels.end())
    *free = channel;
  else
    channels.push_back(channel);
}

int32_t emitSound(int32_t soundHandle, int32_t entityHandle) {
  World* world = worldOrFail();
  if (!world || !soundHandle) return 0;
  Object* object = entityKindOf<&Entity::getObject>(entityHandle, "Entity is not an object");
  if (!object) return 0;
  if (!world->listener && debugging()) raiseError("No Listener created");
  AudioDevice* audio = audioDevice();
  Sound* sound = audio ? audio->verifySound(soundHandle) : nullptr;
  if (!sound) {
    if (debugging()) raiseError("Sound does not exist");
    return 0;
  }
  Channel* channel = sound->play3D(vec3(object->worldPosition()), vec3(object->velocity));
  if (!channel) return 0;
  remember(*object, channel);
  return HandleSet<Channel>::handleOf(channel);
}

}  // namespace

void linkListenerCommands(Registry& r) {
  r.command<"%CreateListener%parent#rolloff_factor=1#doppler_scale=1#distance_scale=1", createListener>();
  r.command<"%EmitSound%sound%entity", emitSound>();
}

}  // namespace vx
