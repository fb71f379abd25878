#pragma once
// The sound library: samples, channels, streams, music, CD tracks and 3D
// sound over OpenAL Soft. One SoundSystem per process.
//
// Channels. Playing a sample gives a channel id. The system has as many
// real voices (OpenAL sources) as the software channel count it was opened
// with; beyond that a channel plays virtually: it keeps time, reports that
// it plays, finishes when its sound would have, and is heard as soon as a
// real voice is free. A sample of higher priority takes the real voice of
// the lowest-priority one, which goes on virtually. Ids carry a use count,
// so an id whose channel has since been taken by another sound does
// nothing. Negative ids stand for no channel.
//
// Threads. Every operation may be called from one main thread. The system's
// own thread refills the queues of streams, music and CD tracks, and gives
// virtual channels their real voices; OpenAL mixes on a thread of its own.
//
// Coordinates are left-handed (x right, y up, z forward), as the runtime's
// 3D world; they are turned into OpenAL's right-handed ones here.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vx::sound {

struct Vec3 {
  float x = 0, y = 0, z = 0;
};

// How a sample plays: Plain samples are 2D sounds placed by their pan;
// Mono3D samples are mixed down to one channel and placed in 3D.
enum class SampleKind { Plain, Mono3D };

enum class CdMode { Once, Loop, ToEnd };

struct SampleDefaults {
  int frequency = 44100;  // Hz
  int volume = 255;       // 0..255
  int pan = 128;          // 0 left .. 255 right
  int priority = 128;     // 0..255, higher is kept longer
};

struct Sample;
struct Stream;
struct Music;
class Feeder;
class Decoder;

class SoundSystem {
 public:
  // Opens the default output device mixing at mixRate with softwareChannels
  // real voices; null when no device opens.
  static std::unique_ptr<SoundSystem> open(int mixRate, int softwareChannels);
  ~SoundSystem();
  SoundSystem(const SoundSystem&) = delete;
  SoundSystem& operator=(const SoundSystem&) = delete;

  // Samples. Null when the file cannot be read; every call takes null.
  Sample* loadSample(const std::string& path, SampleKind kind);
  // Stops every channel playing the sample first.
  void freeSample(Sample* sample);
  SampleDefaults defaults(const Sample* sample) const;
  void setDefaults(Sample* sample, const SampleDefaults& defaults);
  // Channels started afterwards loop the sample (or not).
  void setLoop(Sample* sample, bool loop);
  int play(Sample* sample, bool paused = false);

  // Channels; an id that stands for no channel is ignored.
  void stop(int channel);
  void setPaused(int channel, bool paused);
  void setFrequency(int channel, int hz);
  void setVolume(int channel, int volume);
  void setPan(int channel, int pan);
  // Only for channels of Mono3D samples.
  void set3D(int channel, Vec3 position, Vec3 velocity);
  // Playing or paused.
  bool isPlaying(int channel);

  // Streams: decoded while they play. Null when the file cannot be read.
  Stream* openStream(const std::string& path);
  // A stream of a decoder opened elsewhere (a movie's sound track).
  Stream* openStream(std::unique_ptr<Decoder> decoder);
  // Plays from the beginning on a channel of its own, which a sample of any
  // priority gives up for it; the channel id or -1. A stream plays on one
  // channel at a time: playing it again stops it first.
  int playStream(Stream* stream);
  void stopStream(Stream* stream);
  void closeStream(Stream* stream);

  // Music: tracker modules and MIDI files, played once to their end.
  Music* loadMusic(const std::string& path);
  // From where it was stopped or reset; restart() goes back to the start.
  void playMusic(Music* music);
  void restartMusic(Music* music);
  void stopMusic(Music* music);
  void setMusicPaused(Music* music, bool paused);
  void setMusicVolume(Music* music, int volume);
  // Stopped, never played, or played to the end.
  bool musicFinished(Music* music);
  void freeMusic(Music* music);

  // CD audio, drive 0: track N plays the first file named trackNN.* (ogg,
  // mp3, wav, flac and the other sound files, any case) in the first of the
  // directories that has one. Without such a file the CD is silent.
  void setCdDirectories(std::vector<std::string> directories);
  void playCdTrack(int track);
  void stopCd();
  void setCdMode(CdMode mode);
  void setCdPaused(bool paused);
  void setCdVolume(int volume);
  // The track playing now, 0 when none.
  int cdTrack();

  // 3D: factors for the rolloff, the doppler effect and the units to a
  // metre; the listener. Both take effect at apply3D().
  void set3DFactors(float rolloff, float doppler, float distance);
  void setListener(Vec3 position, Vec3 velocity, Vec3 forward, Vec3 up);
  void apply3D();

  // How many channels are heard now; for tests and measurements.
  int audibleChannels();
  // The operating system's id of the system's own thread.
  int threadId() const { return threadId_.load(); }

 private:
  struct Voice;
  SoundSystem(void* device, void* context, int softwareChannels);

  Voice* voiceOf(int id);
  int idOf(int index) const;
  // A busy voice with everything else as a new one has it.
  int newVoice(unsigned source, int rate, int channels);
  // A real voice for a new channel of the priority; 0 when there is none
  // (force: from a sample channel of any priority).
  unsigned takeSource(int priority, bool force);
  void reclaimSources();
  void makeVirtual(Voice& voice);
  void setUpSource(Voice& voice, double offsetFrames);
  void placeSource(const Voice& voice);
  void advance(Voice& voice);
  bool refresh(Voice& voice);
  void release(Voice& voice);
  void promoteVirtual();
  void run();
  std::string findTrack(int track);

  void* device_;
  void* context_;
  int softwareChannels_;
  int sourcesMade_ = 0;
  std::vector<Voice> voices_;
  std::vector<int> freeVoices_;
  std::vector<unsigned> freeSources_;
  int virtualCount_ = 0;
  std::chrono::steady_clock::time_point lastReclaim_;
  std::vector<Sample*> samples_;
  std::vector<std::shared_ptr<Feeder>> feeders_;
  std::vector<Stream*> streams_;
  std::vector<Music*> music_;

  float rolloff_ = 1, doppler_ = 1, distance_ = 1;
  Vec3 listenerPosition_, listenerVelocity_, listenerForward_{0, 0, 1}, listenerUp_{0, 1, 0};

  std::vector<std::string> cdDirectories_;
  std::shared_ptr<Feeder> cd_;
  unsigned cdSource_ = 0;
  CdMode cdMode_ = CdMode::Once;
  std::shared_ptr<std::atomic<int>> cdNow_ = std::make_shared<std::atomic<int>>(0);

  std::mutex mutex_;
  std::condition_variable wake_;
  bool quit_ = false;
  std::atomic<int> threadId_{0};
  std::thread thread_;
};

}  // namespace vx::sound
