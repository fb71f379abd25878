#include "sound/sound_system.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <dirent.h>
#include <dlfcn.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "sound/decoder.h"
#include "sound/feeder.h"

namespace vx::sound {

using Clock = std::chrono::steady_clock;

struct Sample {
  ALuint buffer = 0;
  int rate = 44100;
  int channels = 1;
  size_t frames = 0;
  SampleKind kind = SampleKind::Plain;
  SampleDefaults defaults;
  bool loop = false;
};

struct Stream {
  std::shared_ptr<Feeder> feeder;
  int rate = 44100;
  int channels = 1;
  int channel = -1;  // the id it plays on, -1 when it does not
};

struct Music {
  std::shared_ptr<Feeder> feeder;
  ALuint source = 0;
};

struct SoundSystem::Voice {
  uint32_t generation = 0;
  bool busy = false;
  ALuint source = 0;  // 0 while the channel plays virtually
  Sample* sample = nullptr;
  Stream* stream = nullptr;
  int rate = 44100;
  int channels = 1;
  double totalFrames = 0;
  bool paused = false;
  bool looping = false;
  bool is3D = false;
  int priority = 128;
  int frequency = 44100;
  int volume = 255;
  int pan = 128;
  Vec3 position, velocity;
  double frames = 0;  // where a virtual channel is, in frames of its sample
  Clock::time_point since;
};

namespace {

constexpr int kIndexBits = 20;
constexpr int kIndexMask = (1 << kIndexBits) - 1;
constexpr uint32_t kGenerationMask = 0x7FF;  // keeps ids positive
constexpr float kPi = 3.14159265f;
constexpr int kStreamPriority = 256;  // above every sample
constexpr auto kTick = std::chrono::milliseconds(10);
constexpr const char* kTrackEndings[] = {"ogg", "mp3", "wav", "flac", "mp2", "wma", "aif", "aiff"};

int clampByte(int value) { return std::clamp(value, 0, 255); }

std::string lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// The file of a track: trackNN.<ending> in any letter case, the endings in
// the order above, in the first directory that has one.
std::string findTrackIn(const std::vector<std::string>& directories, int track) {
  if (track < 1 || track > 99) return "";
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "track%02d.", track);
  for (const std::string& directory : directories) {
    DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
    if (!dir) continue;
    std::string best;
    size_t bestRank = std::size(kTrackEndings);
    while (dirent* entry = readdir(dir)) {
      std::string name = lower(entry->d_name);
      if (name.rfind(prefix, 0) != 0) continue;
      std::string ending = name.substr(std::strlen(prefix));
      for (size_t rank = 0; rank < bestRank; ++rank)
        if (ending == kTrackEndings[rank]) {
          best = entry->d_name;
          bestRank = rank;
        }
    }
    closedir(dir);
    if (!best.empty()) return directory.empty() || directory.back() == '/' ? directory + best : directory + "/" + best;
  }
  return "";
}

// A quiet, centred source for music and CD tracks.
void setUpPlainSource(ALuint source) {
  alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
  alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
  alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
}

void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// A machine without a sound card is no reason to write to standard error:
// OpenAL Soft reports the backends it could not open unless told not to
// (ALSOFT_LOGLEVEL, left alone when set), and ALSA writes its own
// complaints unless it is given a handler of its own.
void quietenBackends() {
  setenv("ALSOFT_LOGLEVEL", "0", 0);
  if (void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL)) {
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler"))) set(ignoreAlsaError);
    // Stays loaded: OpenAL opens the same library.
  }
}

}  // namespace

std::unique_ptr<SoundSystem> SoundSystem::open(int mixRate, int softwareChannels) {
  quietenBackends();
  ALCdevice* device = alcOpenDevice(nullptr);
  if (!device) return nullptr;
  const ALCint attributes[] = {ALC_FREQUENCY, mixRate, ALC_MONO_SOURCES, softwareChannels + 64,
                               ALC_STEREO_SOURCES, 64, 0};
  ALCcontext* context = alcCreateContext(device, attributes);
  if (!context || !alcMakeContextCurrent(context)) {
    if (context) alcDestroyContext(context);
    alcCloseDevice(device);
    return nullptr;
  }
  return std::unique_ptr<SoundSystem>(new SoundSystem(device, context, softwareChannels));
}

SoundSystem::SoundSystem(void* device, void* context, int softwareChannels)
    : device_(device), context_(context), softwareChannels_(std::max(softwareChannels, 1)) {
  alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
  cd_ = std::make_shared<Feeder>(nullptr);
  alGenSources(1, &cdSource_);
  if (alGetError() == AL_NO_ERROR) {
    setUpPlainSource(cdSource_);
    cd_->attach(cdSource_);
  } else {
    cdSource_ = 0;
  }
  feeders_.push_back(cd_);
  thread_ = std::thread([this] { run(); });
}

SoundSystem::~SoundSystem() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
  thread_.join();
  for (Voice& voice : voices_)
    if (voice.busy) release(voice);
  for (Stream* stream : std::vector<Stream*>(streams_)) closeStream(stream);
  for (Music* music : std::vector<Music*>(music_)) freeMusic(music);
  cd_->detach();
  cd_.reset();
  feeders_.clear();
  if (cdSource_) alDeleteSources(1, &cdSource_);
  for (ALuint source : freeSources_) alDeleteSources(1, &source);
  for (Sample* sample : samples_) {
    alDeleteBuffers(1, &sample->buffer);
    delete sample;
  }
  if (alcGetCurrentContext() == context_) alcMakeContextCurrent(nullptr);
  alcDestroyContext(static_cast<ALCcontext*>(context_));
  alcCloseDevice(static_cast<ALCdevice*>(device_));
}

void SoundSystem::run() {
  pthread_setname_np(pthread_self(), "vx-sound");
  threadId_ = static_cast<int>(syscall(SYS_gettid));
  std::unique_lock lock(mutex_);
  while (!quit_) {
    wake_.wait_for(lock, kTick);
    if (quit_) break;
    if (virtualCount_ > 0) promoteVirtual();
    std::vector<std::shared_ptr<Feeder>> feeders = feeders_;
    lock.unlock();
    for (const auto& feeder : feeders) feeder->service();
    feeders.clear();
    lock.lock();
  }
}

// ---- Samples ----

Sample* SoundSystem::loadSample(const std::string& path, SampleKind kind) {
  std::unique_ptr<Decoder> decoder = openSoundFile(path);
  if (!decoder) return nullptr;
  const int channels = decoder->channels();
  std::vector<int16_t> pcm;
  std::vector<int16_t> block(16384 * channels);
  while (size_t got = decoder->read(block.data(), 16384)) pcm.insert(pcm.end(), block.begin(), block.begin() + got * channels);
  size_t frames = pcm.size() / channels;
  if (frames == 0) return nullptr;
  int outChannels = channels;
  if (kind == SampleKind::Mono3D && channels == 2) {
    for (size_t i = 0; i < frames; ++i) pcm[i] = static_cast<int16_t>((pcm[2 * i] + pcm[2 * i + 1]) / 2);
    pcm.resize(frames);
    outChannels = 1;
  }
  ALuint buffer = 0;
  alGetError();
  alGenBuffers(1, &buffer);
  if (alGetError() != AL_NO_ERROR) return nullptr;
  alBufferData(buffer, outChannels == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16, pcm.data(),
               static_cast<ALsizei>(pcm.size() * sizeof(int16_t)), decoder->rate());
  if (alGetError() != AL_NO_ERROR) {
    alDeleteBuffers(1, &buffer);
    return nullptr;
  }
  auto* sample = new Sample;
  sample->buffer = buffer;
  sample->rate = decoder->rate();
  sample->channels = outChannels;
  sample->frames = frames;
  sample->kind = kind;
  sample->defaults.frequency = sample->rate;
  std::lock_guard lock(mutex_);
  samples_.push_back(sample);
  return sample;
}

void SoundSystem::freeSample(Sample* sample) {
  if (!sample) return;
  std::lock_guard lock(mutex_);
  for (Voice& voice : voices_)
    if (voice.busy && voice.sample == sample) release(voice);
  alDeleteBuffers(1, &sample->buffer);
  std::erase(samples_, sample);
  delete sample;
}

SampleDefaults SoundSystem::defaults(const Sample* sample) const { return sample ? sample->defaults : SampleDefaults{}; }

void SoundSystem::setDefaults(Sample* sample, const SampleDefaults& defaults) {
  if (!sample) return;
  std::lock_guard lock(mutex_);
  sample->defaults = {std::max(defaults.frequency, 0), clampByte(defaults.volume), clampByte(defaults.pan),
                      clampByte(defaults.priority)};
}

void SoundSystem::setLoop(Sample* sample, bool loop) {
  if (!sample) return;
  std::lock_guard lock(mutex_);
  sample->loop = loop;
}

int SoundSystem::play(Sample* sample, bool paused) {
  if (!sample) return -1;
  std::lock_guard lock(mutex_);
  ALuint source = takeSource(sample->defaults.priority, false);
  int index = newVoice(source, sample->rate, sample->channels);
  Voice& voice = voices_[index];
  voice.sample = sample;
  voice.totalFrames = static_cast<double>(sample->frames);
  voice.paused = paused;
  voice.looping = sample->loop;
  voice.is3D = sample->kind == SampleKind::Mono3D;
  voice.priority = sample->defaults.priority;
  voice.frequency = sample->defaults.frequency;
  voice.volume = sample->defaults.volume;
  voice.pan = sample->defaults.pan;
  if (source) {
    setUpSource(voice, 0);
    if (!paused) alSourcePlay(source);
  } else {
    ++virtualCount_;
  }
  return idOf(index);
}

// ---- Channels and voices ----

int SoundSystem::idOf(int index) const {
  return static_cast<int>(((voices_[index].generation & kGenerationMask) << kIndexBits) | index);
}

SoundSystem::Voice* SoundSystem::voiceOf(int id) {
  if (id < 0) return nullptr;
  size_t index = static_cast<size_t>(id & kIndexMask);
  if (index >= voices_.size()) return nullptr;
  Voice& voice = voices_[index];
  if (!voice.busy || (voice.generation & kGenerationMask) != static_cast<uint32_t>(id >> kIndexBits)) return nullptr;
  return &voice;
}

int SoundSystem::newVoice(unsigned source, int rate, int channels) {
  int index;
  if (!freeVoices_.empty()) {
    index = freeVoices_.back();
    freeVoices_.pop_back();
  } else {
    index = static_cast<int>(voices_.size());
    voices_.emplace_back();
  }
  Voice& voice = voices_[index];
  uint32_t generation = voice.generation + 1;
  voice = Voice{};
  voice.generation = generation;
  voice.busy = true;
  voice.source = source;
  voice.rate = rate;
  voice.channels = channels;
  voice.frequency = rate;
  voice.since = Clock::now();
  return index;
}

unsigned SoundSystem::takeSource(int priority, bool force) {
  if (freeSources_.empty() && sourcesMade_ < softwareChannels_) {
    ALuint source = 0;
    alGetError();
    alGenSources(1, &source);
    if (alGetError() == AL_NO_ERROR) {
      ++sourcesMade_;
      return source;
    }
    softwareChannels_ = sourcesMade_;  // the device gives no more
  }
  // Looking for ended channels asks OpenAL about every real voice: not
  // more often than every few milliseconds, however many sounds start.
  Clock::time_point now = Clock::now();
  if (freeSources_.empty() && now - lastReclaim_ > std::chrono::milliseconds(2)) {
    lastReclaim_ = now;
    reclaimSources();
  }
  if (freeSources_.empty()) {
    Voice* lowest = nullptr;
    for (Voice& voice : voices_)
      if (voice.busy && voice.source && voice.sample && (!lowest || voice.priority < lowest->priority)) lowest = &voice;
    if (lowest && (force || lowest->priority < priority)) makeVirtual(*lowest);
  }
  if (freeSources_.empty()) return 0;
  ALuint source = freeSources_.back();
  freeSources_.pop_back();
  return source;
}

// Real voices whose sample has ended give their sources back.
void SoundSystem::reclaimSources() {
  for (Voice& voice : voices_)
    if (voice.busy && voice.source && voice.sample) refresh(voice);
}

void SoundSystem::makeVirtual(Voice& voice) {
  ALint offset = 0;
  alGetSourcei(voice.source, AL_SAMPLE_OFFSET, &offset);
  alSourceStop(voice.source);
  alSourcei(voice.source, AL_BUFFER, 0);
  freeSources_.push_back(voice.source);
  voice.source = 0;
  voice.frames = offset;
  voice.since = Clock::now();
  ++virtualCount_;
}

void SoundSystem::setUpSource(Voice& voice, double offsetFrames) {
  ALuint source = voice.source;
  if (voice.sample) {
    alSourcei(source, AL_BUFFER, static_cast<ALint>(voice.sample->buffer));
    alSourcei(source, AL_LOOPING, voice.looping ? AL_TRUE : AL_FALSE);
  }
  alSourcef(source, AL_PITCH, static_cast<float>(voice.frequency) / voice.rate);
  alSourcef(source, AL_GAIN, voice.volume / 255.0f);
  placeSource(voice);
  if (offsetFrames > 0) alSourcei(source, AL_SAMPLE_OFFSET, static_cast<ALint>(offsetFrames));
}

void SoundSystem::placeSource(const Voice& voice) {
  ALuint source = voice.source;
  if (voice.is3D) {
    alSourcei(source, AL_SOURCE_RELATIVE, AL_FALSE);
    alSourcef(source, AL_ROLLOFF_FACTOR, rolloff_);
    alSourcef(source, AL_REFERENCE_DISTANCE, distance_ > 0 ? distance_ : 1.0f);
    alSource3f(source, AL_POSITION, voice.position.x, voice.position.y, -voice.position.z);
    alSource3f(source, AL_VELOCITY, voice.velocity.x, voice.velocity.y, -voice.velocity.z);
    return;
  }
  // A 2D channel sits on a circle round the listener: pan 0 hard left,
  // 255 hard right. Stereo sounds turn both their sides that way.
  float x = std::clamp((voice.pan - 127.5f) / 127.5f, -1.0f, 1.0f);
  alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
  alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
  alSource3f(source, AL_VELOCITY, 0.0f, 0.0f, 0.0f);
  alSource3f(source, AL_POSITION, x, 0.0f, -std::sqrt(1.0f - x * x));
  if (voice.channels == 2) {
    float side = x >= 0 ? -kPi / 2 : kPi / 2;
    float t = std::fabs(x);
    ALfloat angles[2] = {kPi / 6 + t * (side - kPi / 6), -kPi / 6 + t * (side + kPi / 6)};
    alSourcefv(source, AL_STEREO_ANGLES, angles);
  }
}

void SoundSystem::advance(Voice& voice) {
  Clock::time_point now = Clock::now();
  if (!voice.source && !voice.paused) {
    voice.frames += std::chrono::duration<double>(now - voice.since).count() * voice.frequency;
    if (voice.looping && voice.totalFrames > 0) voice.frames = std::fmod(voice.frames, voice.totalFrames);
  }
  voice.since = now;
}

bool SoundSystem::refresh(Voice& voice) {
  if (!voice.busy) return false;
  if (voice.stream) {
    if (!voice.stream->feeder->finished()) return true;
  } else if (voice.source) {
    if (voice.paused) return true;
    ALint state = 0;
    alGetSourcei(voice.source, AL_SOURCE_STATE, &state);
    if (state == AL_PLAYING || state == AL_PAUSED) return true;
  } else {
    advance(voice);
    if (voice.looping || voice.frames < voice.totalFrames) return true;
  }
  release(voice);
  return false;
}

void SoundSystem::release(Voice& voice) {
  if (voice.stream) {
    voice.stream->feeder->detach();
    voice.stream->channel = -1;
  }
  if (voice.source) {
    alSourceStop(voice.source);
    alSourcei(voice.source, AL_BUFFER, 0);
    freeSources_.push_back(voice.source);
    voice.source = 0;
  } else {
    --virtualCount_;
  }
  voice.busy = false;
  voice.sample = nullptr;
  voice.stream = nullptr;
  freeVoices_.push_back(static_cast<int>(&voice - voices_.data()));
}

// Ends virtual channels whose time is up, then gives free real voices to
// the virtual channels of highest priority, at the place they have reached.
void SoundSystem::promoteVirtual() {
  reclaimSources();
  for (Voice& voice : voices_)
    if (voice.busy && !voice.source && voice.sample) refresh(voice);
  while (virtualCount_ > 0) {
    Voice* best = nullptr;
    for (Voice& voice : voices_)
      if (voice.busy && !voice.source && voice.sample && (!best || voice.priority > best->priority)) best = &voice;
    if (!best) break;
    ALuint source = takeSource(-1, false);
    if (!source) break;
    advance(*best);
    best->source = source;
    --virtualCount_;
    setUpSource(*best, best->frames);
    if (!best->paused) alSourcePlay(source);
  }
}

void SoundSystem::stop(int channel) {
  std::lock_guard lock(mutex_);
  Voice* voice = voiceOf(channel);
  if (!voice) return;
  if (Stream* stream = voice->stream) {
    release(*voice);
    stream->feeder->reset();
  } else {
    release(*voice);
  }
}

void SoundSystem::setPaused(int channel, bool paused) {
  std::lock_guard lock(mutex_);
  Voice* voice = voiceOf(channel);
  if (!voice || !refresh(*voice) || voice->paused == paused) return;
  advance(*voice);
  voice->paused = paused;
  if (voice->stream) {
    voice->stream->feeder->setPaused(paused);
  } else if (voice->source) {
    if (paused) alSourcePause(voice->source);
    else alSourcePlay(voice->source);
  }
}

void SoundSystem::setFrequency(int channel, int hz) {
  std::lock_guard lock(mutex_);
  Voice* voice = voiceOf(channel);
  if (!voice) return;
  advance(*voice);
  voice->frequency = std::max(hz, 0);
  if (voice->source) alSourcef(voice->source, AL_PITCH, static_cast<float>(voice->frequency) / voice->rate);
}

void SoundSystem::setVolume(int channel, int volume) {
  std::lock_guard lock(mutex_);
  Voice* voice = voiceOf(channel);
  if (!voice) return;
  voice->volume = clampByte(volume);
  if (voice->source) alSourcef(voice->source, AL_GAIN, voice->volume / 255.0f);
}

void SoundSystem::setPan(int channel, int pan) {
  std::lock_guard lock(mutex_);
  Voice* voice = voiceOf(channel);
  if (!voice || voice->is3D) return;
  voice->pan = clampByte(pan);
  if (voice->source) placeSource(*voice);
}

void SoundSystem::set3D(int channel, Vec3 position, Vec3 velocity) {
  std::lock_guard lock(mutex_);
  Voice* voice = voiceOf(channel);
  if (!voice || !voice->is3D) return;
  voice->position = position;
  voice->velocity = velocity;
  if (voice->source) placeSource(*voice);
}

bool SoundSystem::isPlaying(int channel) {
  std::lock_guard lock(mutex_);
  Voice* voice = voiceOf(channel);
  return voice && refresh(*voice);
}

int SoundSystem::audibleChannels() {
  std::lock_guard lock(mutex_);
  int count = 0;
  for (Voice& voice : voices_) {
    if (!voice.busy || !voice.source || voice.paused) continue;
    ALint state = 0;
    alGetSourcei(voice.source, AL_SOURCE_STATE, &state);
    count += state == AL_PLAYING;
  }
  return count;
}

// ---- Streams ----

Stream* SoundSystem::openStream(const std::string& path) { return openStream(openSoundFile(path)); }

Stream* SoundSystem::openStream(std::unique_ptr<Decoder> decoder) {
  if (!decoder) return nullptr;
  auto* stream = new Stream;
  stream->rate = decoder->rate();
  stream->channels = decoder->channels();
  stream->feeder = std::make_shared<Feeder>(std::move(decoder));
  std::lock_guard lock(mutex_);
  streams_.push_back(stream);
  feeders_.push_back(stream->feeder);
  return stream;
}

int SoundSystem::playStream(Stream* stream) {
  if (!stream) return -1;
  std::lock_guard lock(mutex_);
  if (Voice* playing = voiceOf(stream->channel)) release(*playing);
  stream->feeder->reset();
  ALuint source = takeSource(kStreamPriority, true);
  if (!source) return -1;
  int index = newVoice(source, stream->rate, stream->channels);
  Voice& voice = voices_[index];
  voice.stream = stream;
  voice.priority = kStreamPriority;
  setUpSource(voice, 0);
  stream->feeder->attach(source);
  stream->feeder->start();
  stream->channel = idOf(index);
  return stream->channel;
}

void SoundSystem::stopStream(Stream* stream) {
  if (!stream) return;
  std::lock_guard lock(mutex_);
  if (Voice* voice = voiceOf(stream->channel)) release(*voice);
  stream->feeder->reset();
}

void SoundSystem::closeStream(Stream* stream) {
  if (!stream) return;
  stopStream(stream);
  std::lock_guard lock(mutex_);
  std::erase(feeders_, stream->feeder);
  std::erase(streams_, stream);
  delete stream;
}

// ---- Music ----

Music* SoundSystem::loadMusic(const std::string& path) {
  std::unique_ptr<Decoder> decoder = openMusicFile(path);
  if (!decoder) return nullptr;
  ALuint source = 0;
  alGetError();
  alGenSources(1, &source);
  if (alGetError() != AL_NO_ERROR) return nullptr;
  setUpPlainSource(source);
  auto* music = new Music;
  music->source = source;
  music->feeder = std::make_shared<Feeder>(std::move(decoder));
  music->feeder->attach(source);
  std::lock_guard lock(mutex_);
  music_.push_back(music);
  feeders_.push_back(music->feeder);
  return music;
}

void SoundSystem::playMusic(Music* music) {
  if (music) music->feeder->start();
}

void SoundSystem::restartMusic(Music* music) {
  if (music) music->feeder->restart();
}

void SoundSystem::stopMusic(Music* music) {
  if (music) music->feeder->halt();
}

void SoundSystem::setMusicPaused(Music* music, bool paused) {
  if (music) music->feeder->setPaused(paused);
}

void SoundSystem::setMusicVolume(Music* music, int volume) {
  if (music) alSourcef(music->source, AL_GAIN, clampByte(volume) / 255.0f);
}

bool SoundSystem::musicFinished(Music* music) { return !music || music->feeder->finished(); }

void SoundSystem::freeMusic(Music* music) {
  if (!music) return;
  music->feeder->detach();
  alDeleteSources(1, &music->source);
  std::lock_guard lock(mutex_);
  std::erase(feeders_, music->feeder);
  std::erase(music_, music);
  delete music;
}

// ---- CD audio ----

void SoundSystem::setCdDirectories(std::vector<std::string> directories) { cdDirectories_ = std::move(directories); }

void SoundSystem::setCdMode(CdMode mode) {
  cdMode_ = mode;
  cd_->setLoop(mode == CdMode::Loop);
  if (mode != CdMode::ToEnd) {
    cd_->setNext(nullptr);
    return;
  }
  // Each track that ends is followed by the next one there is.
  cd_->setNext([directories = cdDirectories_, now = cdNow_]() -> std::unique_ptr<Decoder> {
    std::string path = findTrackIn(directories, *now + 1);
    if (path.empty()) return nullptr;
    ++*now;
    return openSoundFile(path);
  });
}

void SoundSystem::playCdTrack(int track) {
  std::string path = findTrackIn(cdDirectories_, track);
  std::unique_ptr<Decoder> decoder = path.empty() ? nullptr : openSoundFile(path);
  *cdNow_ = decoder ? track : 0;
  cd_->setDecoder(std::move(decoder));
  setCdMode(cdMode_);
  cd_->start();
}

void SoundSystem::stopCd() {
  cd_->halt();
  *cdNow_ = 0;
}

void SoundSystem::setCdPaused(bool paused) { cd_->setPaused(paused); }

void SoundSystem::setCdVolume(int volume) {
  if (cdSource_) alSourcef(cdSource_, AL_GAIN, clampByte(volume) / 255.0f);
}

int SoundSystem::cdTrack() { return cd_->finished() ? 0 : cdNow_->load(); }

// ---- 3D ----

void SoundSystem::set3DFactors(float rolloff, float doppler, float distance) {
  std::lock_guard lock(mutex_);
  rolloff_ = std::max(rolloff, 0.0f);
  doppler_ = std::max(doppler, 0.0f);
  distance_ = distance > 0 ? distance : 1.0f;
}

void SoundSystem::setListener(Vec3 position, Vec3 velocity, Vec3 forward, Vec3 up) {
  std::lock_guard lock(mutex_);
  listenerPosition_ = position;
  listenerVelocity_ = velocity;
  listenerForward_ = forward;
  listenerUp_ = up;
}

void SoundSystem::apply3D() {
  std::lock_guard lock(mutex_);
  alListener3f(AL_POSITION, listenerPosition_.x, listenerPosition_.y, -listenerPosition_.z);
  alListener3f(AL_VELOCITY, listenerVelocity_.x, listenerVelocity_.y, -listenerVelocity_.z);
  const ALfloat orientation[6] = {listenerForward_.x, listenerForward_.y, -listenerForward_.z,
                                  listenerUp_.x,      listenerUp_.y,      -listenerUp_.z};
  alListenerfv(AL_ORIENTATION, orientation);
  alDopplerFactor(doppler_);
  alSpeedOfSound(343.3f * distance_);
  for (Voice& voice : voices_)
    if (voice.busy && voice.source && voice.is3D) placeSource(voice);
}

}  // namespace vx::sound
