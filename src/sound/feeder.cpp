#include "sound/feeder.h"

namespace vx::sound {

namespace {

constexpr size_t kBlockFrames = 4096;  // about 93 ms at 44100 Hz a buffer

ALenum formatOf(const Decoder& decoder) { return decoder.channels() == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16; }

}  // namespace

Feeder::Feeder(std::unique_ptr<Decoder> decoder) : decoder_(std::move(decoder)) {
  alGenBuffers(4, buffers_);
  spare_.assign(buffers_, buffers_ + 4);
  block_.resize(kBlockFrames * 2);
}

Feeder::~Feeder() {
  detach();
  alDeleteBuffers(4, buffers_);
}

void Feeder::setLoop(bool loop) {
  std::lock_guard lock(mutex_);
  loop_ = loop;
}

void Feeder::setNext(std::function<std::unique_ptr<Decoder>()> next) {
  std::lock_guard lock(mutex_);
  next_ = std::move(next);
}

void Feeder::setDecoder(std::unique_ptr<Decoder> decoder) {
  std::lock_guard lock(mutex_);
  haltLocked();
  decoder_ = std::move(decoder);
}

bool Feeder::hasDecoder() {
  std::lock_guard lock(mutex_);
  return decoder_ != nullptr;
}

void Feeder::attach(ALuint source) {
  std::lock_guard lock(mutex_);
  haltLocked();
  source_ = source;
}

ALuint Feeder::detach() {
  std::lock_guard lock(mutex_);
  haltLocked();
  ALuint source = source_;
  source_ = 0;
  return source;
}

void Feeder::haltLocked() {
  active_ = false;
  ended_ = false;
  waiting_.reset();
  if (!source_) return;
  alSourceStop(source_);
  alSourcei(source_, AL_BUFFER, 0);  // unqueues every buffer
  spare_.assign(buffers_, buffers_ + 4);
}

void Feeder::halt() {
  std::lock_guard lock(mutex_);
  haltLocked();
}

void Feeder::reset() {
  std::lock_guard lock(mutex_);
  haltLocked();
  if (decoder_) decoder_->rewind();
}

void Feeder::start() {
  std::lock_guard lock(mutex_);
  haltLocked();
  if (!source_ || !decoder_) return;
  alSourcei(source_, AL_LOOPING, AL_FALSE);
  active_ = true;
  paused_ = false;
  while (!spare_.empty() && fill(spare_.back())) spare_.pop_back();
  alSourcePlay(source_);
}

void Feeder::restart() {
  {
    std::lock_guard lock(mutex_);
    haltLocked();
    if (decoder_) decoder_->rewind();
  }
  start();
}

void Feeder::setPaused(bool paused) {
  std::lock_guard lock(mutex_);
  paused_ = paused;
  if (!source_ || !active_) return;
  if (paused) {
    alSourcePause(source_);
  } else {
    ALint queued = 0;
    alGetSourcei(source_, AL_BUFFERS_QUEUED, &queued);
    if (queued > 0) alSourcePlay(source_);
  }
}

// Takes the decoder that follows this one; false when there is none or it
// cannot share the queue with the buffers still in it.
bool Feeder::nextDecoder() {
  if (loop_) return decoder_->rewind();
  if (!next_) return false;
  std::unique_ptr<Decoder> next = next_();
  if (!next) return false;
  if (formatOf(*next) != formatOf(*decoder_) || next->rate() != decoder_->rate()) {
    waiting_ = std::move(next);
    return false;
  }
  decoder_ = std::move(next);
  return true;
}

bool Feeder::fill(ALuint buffer) {
  if (ended_) return false;
  size_t frames = decoder_->read(block_.data(), kBlockFrames);
  // A decoder that gives nothing again after going back would spin here.
  if (frames == 0 && nextDecoder()) frames = decoder_->read(block_.data(), kBlockFrames);
  if (frames == 0) {
    ended_ = true;
    return false;
  }
  alBufferData(buffer, formatOf(*decoder_), block_.data(),
               static_cast<ALsizei>(frames * decoder_->channels() * sizeof(int16_t)), decoder_->rate());
  alSourceQueueBuffers(source_, 1, &buffer);
  return true;
}

void Feeder::service() {
  std::lock_guard lock(mutex_);
  if (!active_ || !source_) return;
  ALint processed = 0;
  alGetSourcei(source_, AL_BUFFERS_PROCESSED, &processed);
  while (processed-- > 0) {
    ALuint buffer = 0;
    alSourceUnqueueBuffers(source_, 1, &buffer);
    spare_.push_back(buffer);
  }
  while (!spare_.empty() && fill(spare_.back())) spare_.pop_back();
  ALint state = 0, queued = 0;
  alGetSourcei(source_, AL_SOURCE_STATE, &state);
  alGetSourcei(source_, AL_BUFFERS_QUEUED, &queued);
  if (state == AL_PLAYING || state == AL_PAUSED || paused_) return;
  if (queued > 0) {
    alSourcePlay(source_);  // ran dry before the queue was refilled
  } else if (ended_ && waiting_) {
    // The next decoder has another format: the queue is empty now.
    alSourcei(source_, AL_BUFFER, 0);
    spare_.assign(buffers_, buffers_ + 4);
    decoder_ = std::move(waiting_);
    ended_ = false;
    while (!spare_.empty() && fill(spare_.back())) spare_.pop_back();
    alSourcePlay(source_);
  }
}

bool Feeder::finished() {
  std::lock_guard lock(mutex_);
  if (!active_ || !source_) return true;
  if (!ended_ || waiting_ || paused_) return false;
  ALint state = 0;
  alGetSourcei(source_, AL_SOURCE_STATE, &state);
  return state != AL_PLAYING && state != AL_PAUSED;
}

}  // namespace vx::sound
