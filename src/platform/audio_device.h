#pragma once
// The audio device: loaded sounds, and the channels handed to the program.
//
// Sample channels live in a table of slots (4096 to begin with) searched
// from a cursor: a new sound takes the first slot, from the cursor on, that
// is empty or whose channel no longer plays; when every slot plays, the
// table doubles. Music (streams, tracker modules, MIDI) is kept by its exact
// file name, so playing the same name again restarts the same channel. All
// channels live until the device closes, so their handles stay valid.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/channel.h"
#include "platform/sound.h"
#include "runtime/handles.h"
#include "sound/sound_system.h"

namespace vx {

class AudioDevice {
 public:
  // Null when no sound device opens.
  static std::unique_ptr<AudioDevice> open();
  ~AudioDevice();
  AudioDevice(const AudioDevice&) = delete;
  AudioDevice& operator=(const AudioDevice&) = delete;

  // file is the program's name for it; it is found through the path rules.
  Sound* loadSound(const std::string& file, bool is3D);
  Sound* verifySound(int32_t handle) const { return sounds_.find(handle); }
  // A handle that is not a loaded sound is ignored.
  void freeSound(int32_t handle);
  // Names containing .raw, .wav, .mp2, .mp3, .ogg, .wma or .asf (this very
  // case) are streamed; everything else is music for the tracker and MIDI
  // players. Null when it cannot be played.
  Channel* playMusic(const std::string& file);
  // Mode 2 loops the track, 3 plays on to the last track, others once.
  Channel* playCDTrack(int32_t track, int32_t mode);
  Channel* verifyChannel(int32_t handle) const { return channelHandles_.find(handle); }

  void set3DFactors(float rolloff, float doppler, float distance);
  void setListener(sound::Vec3 position, sound::Vec3 velocity, sound::Vec3 forward, sound::Vec3 up);

  // The channel object for a library channel id, from the slot table.
  Channel* wrapChannel(int id);
  sound::SoundSystem& system() { return *system_; }
  size_t channelSlots() const { return slots_.size(); }

 private:
  explicit AudioDevice(std::unique_ptr<sound::SoundSystem> system);
  template <typename T>
  T* keep(std::unique_ptr<T> channel);

  std::unique_ptr<sound::SoundSystem> system_;
  std::vector<SampleChannel*> slots_;
  size_t cursor_ = 0;
  std::vector<std::unique_ptr<Channel>> channels_;  // every one ever made
  HandleSet<Channel> channelHandles_;
  HandleSet<Sound> sounds_;
  std::map<std::string, Channel*> musicCache_;
  CdChannel* cd_ = nullptr;
};

// Where the CD tracks are looked for: $VX_CD_TRACKS, then the directory
// "cdaudio" beside the program, then the program's own directory.
std::vector<std::string> cdTrackDirectories();

}  // namespace vx
