#pragma once
// A source fed from a decoder through a few queued buffers: how streams,
// music and CD tracks play. The sound thread calls service() to refill the
// queue; everything else is called from the main thread. Each call takes
// the feeder's own lock, so the two never touch the decoder at once.

#include <AL/al.h>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "sound/decoder.h"

namespace vx::sound {

class Feeder {
 public:
  explicit Feeder(std::unique_ptr<Decoder> decoder);
  ~Feeder();
  Feeder(const Feeder&) = delete;
  Feeder& operator=(const Feeder&) = delete;

  // What happens at the end of the decoder: play it again when looping;
  // else ask next for the decoder to go on with (null: stop there).
  void setLoop(bool loop);
  void setNext(std::function<std::unique_ptr<Decoder>()> next);
  // Replaces the decoder; the feeder is halted first.
  void setDecoder(std::unique_ptr<Decoder> decoder);
  bool hasDecoder();

  // The source it plays on; halts first when it already has one.
  void attach(ALuint source);
  ALuint detach();

  // Starts from the decoder's current place: fills the queue and plays.
  void start();
  // Halts and goes back to the beginning, then starts.
  void restart();
  // Stops the source and empties its queue; the decoder stays where it is.
  void halt();
  // Halts and goes back to the beginning.
  void reset();
  void setPaused(bool paused);

  // Refills what the source has played; restarts a source that ran dry.
  void service();
  // Not started, halted, or everything decoded has been heard.
  bool finished();

 private:
  void haltLocked();
  bool fill(ALuint buffer);
  bool nextDecoder();

  std::mutex mutex_;
  std::unique_ptr<Decoder> decoder_;
  std::unique_ptr<Decoder> waiting_;  // the next decoder, of another format
  std::function<std::unique_ptr<Decoder>()> next_;
  ALuint source_ = 0;
  ALuint buffers_[4] = {};
  std::vector<ALuint> spare_;
  std::vector<int16_t> block_;
  bool loop_ = false;
  bool active_ = false;
  bool paused_ = false;
  bool ended_ = false;
};

}  // namespace vx::sound
