#include "platform/sound.h"

#include "platform/audio_device.h"
#include "platform/channel.h"

namespace vx {

Sound::Sound(AudioDevice& device, sound::Sample* sample)
    : device_(device), sample_(sample), defaults_(device.system().defaults(sample)) {}

Sound::~Sound() { device_.system().freeSample(sample_); }

void Sound::setLoop(bool loop) { device_.system().setLoop(sample_, loop); }

void Sound::setPitch(int32_t hz) {
  defaults_.frequency = hz;
  defaultsApplied_ = false;
}

void Sound::setVolume(float volume) {
  defaults_.volume = volumeByte(volume);
  defaultsApplied_ = false;
}

void Sound::setPan(float pan) {
  defaults_.pan = panByte(pan);
  defaultsApplied_ = false;
}

void Sound::applyDefaults() {
  if (defaultsApplied_) return;
  device_.system().setDefaults(sample_, defaults_);
  defaultsApplied_ = true;
}

Channel* Sound::play() {
  applyDefaults();
  int id = device_.system().play(sample_);
  return id < 0 ? nullptr : device_.wrapChannel(id);
}

Channel* Sound::play3D(sound::Vec3 position, sound::Vec3 velocity) {
  applyDefaults();
  sound::SoundSystem& system = device_.system();
  int id = system.play(sample_, true);
  if (id < 0) return nullptr;
  system.set3D(id, position, velocity);
  system.setPaused(id, false);
  return device_.wrapChannel(id);
}

}  // namespace vx
