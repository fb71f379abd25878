#pragma once
// One loaded sample of the audio device, with the frequency, volume, pan and
// priority its channels start with. Changing one of them is written to the
// sample when it next plays.

#include <cstdint>

#include "sound/sound_system.h"

namespace vx {

class AudioDevice;
class Channel;

class Sound {
 public:
  Sound(AudioDevice& device, sound::Sample* sample);
  ~Sound();
  Sound(const Sound&) = delete;
  Sound& operator=(const Sound&) = delete;

  void setLoop(bool loop);
  void setPitch(int32_t hz);
  void setVolume(float volume);  // 0..1
  void setPan(float pan);        // -1..1
  // A channel for the sound now playing, or null when it cannot play.
  Channel* play();
  // The same for a 3D sound placed before it is heard.
  Channel* play3D(sound::Vec3 position, sound::Vec3 velocity);

 private:
  void applyDefaults();

  AudioDevice& device_;
  sound::Sample* sample_;
  bool defaultsApplied_ = true;
  sound::SampleDefaults defaults_;
};

}  // namespace vx
