#include "platform/channel.h"

#include <cmath>

namespace vx {

namespace {

// Truncates towards zero; values far out of range (or not numbers) are
// held to what the library clamps anyway.
int32_t truncated(float value) {
  if (!(value == value)) return 0;
  return static_cast<int32_t>(std::fmax(-65536.0f, std::fmin(65536.0f, value)));
}

}  // namespace

int32_t volumeByte(float volume) { return truncated(volume * 255.0f); }
int32_t panByte(float pan) { return truncated((pan + 1.0f) * 127.5f); }

StreamChannel::StreamChannel(sound::SoundSystem& system, sound::Stream* stream) : system_(system), stream_(stream) {
  id_ = system_.playStream(stream_);
}

void StreamChannel::stop() {
  system_.stopStream(stream_);
  id_ = -1;
}

void StreamChannel::replay() {
  system_.stopStream(stream_);
  id_ = system_.playStream(stream_);
}

MusicChannel::MusicChannel(sound::SoundSystem& system, sound::Music* music) : system_(system), music_(music) {
  system_.playMusic(music_);
}

}  // namespace vx
