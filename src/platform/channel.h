#pragma once
// What a channel handle stands for: a sample playing on a channel of the
// sound library, a stream, a piece of music (tracker module or MIDI file),
// or the CD. Handles stay valid for the whole run: the audio device deletes
// channels only when it closes. A sample channel may stand for another
// sound later, once its own has stopped.
//
// Volumes run from 0 to 1 and pans from -1 (left) to 1 (right); the sound
// library takes them as 0..255, truncated.

#include <cstdint>

#include "sound/sound_system.h"

namespace vx {

class Channel {
 public:
  virtual ~Channel() = default;
  virtual void stop() = 0;
  virtual void setPaused(bool paused) = 0;
  virtual void setPitch(int32_t hz) = 0;
  virtual void setVolume(float volume) = 0;
  virtual void setPan(float pan) = 0;
  virtual void set3D(sound::Vec3 position, sound::Vec3 velocity) = 0;
  virtual bool isPlaying() = 0;
  // Streams and music start again from the beginning; others do nothing.
  virtual void replay() {}
};

// v * 255 and (p + 1) * 127.5, truncated.
int32_t volumeByte(float volume);
int32_t panByte(float pan);

class SampleChannel final : public Channel {
 public:
  explicit SampleChannel(sound::SoundSystem& system) : system_(system) {}
  void take(int id) { id_ = id; }
  void stop() override { system_.stop(id_); }
  void setPaused(bool paused) override { system_.setPaused(id_, paused); }
  void setPitch(int32_t hz) override { system_.setFrequency(id_, hz); }
  void setVolume(float volume) override { system_.setVolume(id_, volumeByte(volume)); }
  void setPan(float pan) override { system_.setPan(id_, panByte(pan)); }
  void set3D(sound::Vec3 position, sound::Vec3 velocity) override { system_.set3D(id_, position, velocity); }
  bool isPlaying() override { return system_.isPlaying(id_); }

 private:
  sound::SoundSystem& system_;
  int id_ = -1;
};

class StreamChannel final : public Channel {
 public:
  // Takes the stream over and plays it.
  StreamChannel(sound::SoundSystem& system, sound::Stream* stream);
  ~StreamChannel() override { system_.closeStream(stream_); }
  void stop() override;
  void setPaused(bool paused) override { system_.setPaused(id_, paused); }
  void setPitch(int32_t hz) override { system_.setFrequency(id_, hz); }
  void setVolume(float volume) override { system_.setVolume(id_, volumeByte(volume)); }
  void setPan(float pan) override { system_.setPan(id_, panByte(pan)); }
  void set3D(sound::Vec3, sound::Vec3) override {}
  bool isPlaying() override { return system_.isPlaying(id_); }
  void replay() override;

 private:
  sound::SoundSystem& system_;
  sound::Stream* stream_;
  int id_ = -1;
};

class MusicChannel final : public Channel {
 public:
  // Takes the music over and starts it.
  MusicChannel(sound::SoundSystem& system, sound::Music* music);
  ~MusicChannel() override { system_.freeMusic(music_); }
  void stop() override { system_.stopMusic(music_); }
  void setPaused(bool paused) override { system_.setMusicPaused(music_, paused); }
  void setPitch(int32_t) override {}
  void setVolume(float volume) override { system_.setMusicVolume(music_, volumeByte(volume)); }
  void setPan(float) override {}
  void set3D(sound::Vec3, sound::Vec3) override {}
  bool isPlaying() override { return !system_.musicFinished(music_); }
  void replay() override { system_.restartMusic(music_); }

 private:
  sound::SoundSystem& system_;
  sound::Music* music_;
};

// CD drive 0. It reports that it plays whether a track plays or not.
class CdChannel final : public Channel {
 public:
  explicit CdChannel(sound::SoundSystem& system) : system_(system) {}
  void stop() override { system_.stopCd(); }
  void setPaused(bool paused) override { system_.setCdPaused(paused); }
  void setPitch(int32_t) override {}
  void setVolume(float volume) override { system_.setCdVolume(volumeByte(volume)); }
  void setPan(float) override {}
  void set3D(sound::Vec3, sound::Vec3) override {}
  bool isPlaying() override { return true; }

 private:
  sound::SoundSystem& system_;
};

}  // namespace vx
