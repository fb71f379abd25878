#include "platform/audio_device.h"

#include <cstdlib>

#include "platform/file_system.h"
#include "platform/shell.h"

namespace vx {

namespace {

constexpr int kMixRate = 44100;
constexpr int kSoftwareChannels = 1024;
constexpr size_t kFirstSlots = 4096;
constexpr const char* kStreamedNames[] = {".raw", ".wav", ".mp2", ".mp3", ".ogg", ".wma", ".asf"};

bool isStreamed(const std::string& file) {
  for (const char* part : kStreamedNames)
    if (file.find(part) != std::string::npos) return true;
  return false;
}

}  // namespace

std::vector<std::string> cdTrackDirectories() {
  std::vector<std::string> directories;
  if (const char* chosen = std::getenv("VX_CD_TRACKS"); chosen && *chosen) directories.push_back(nativePath(chosen));
  std::string appDir = systemProperty("appdir");
  if (!appDir.empty()) {
    directories.push_back(appDir + "cdaudio");
    directories.push_back(appDir);
  }
  return directories;
}

std::unique_ptr<AudioDevice> AudioDevice::open() {
  std::unique_ptr<sound::SoundSystem> system = sound::SoundSystem::open(kMixRate, kSoftwareChannels);
  if (!system) return nullptr;
  return std::unique_ptr<AudioDevice>(new AudioDevice(std::move(system)));
}

AudioDevice::AudioDevice(std::unique_ptr<sound::SoundSystem> system) : system_(std::move(system)) {
  system_->setCdDirectories(cdTrackDirectories());
  slots_.assign(kFirstSlots, nullptr);
  cd_ = keep(std::make_unique<CdChannel>(*system_));
}

AudioDevice::~AudioDevice() {
  while (!channels_.empty()) channels_.pop_back();
  sounds_.clear([](Sound* sound) { delete sound; });
  musicCache_.clear();
  system_.reset();
}

template <typename T>
T* AudioDevice::keep(std::unique_ptr<T> channel) {
  T* kept = channel.get();
  channelHandles_.add(kept);
  channels_.push_back(std::move(channel));
  return kept;
}

Sound* AudioDevice::loadSound(const std::string& file, bool is3D) {
  sound::Sample* sample =
      system_->loadSample(nativePath(file), is3D ? sound::SampleKind::Mono3D : sound::SampleKind::Plain);
  if (!sample) return nullptr;
  auto* sound = new Sound(*this, sample);
  sounds_.add(sound);
  return sound;
}

void AudioDevice::freeSound(int32_t handle) {
  if (Sound* sound = sounds_.find(handle)) {
    sounds_.remove(sound);
    delete sound;
  }
}

Channel* AudioDevice::wrapChannel(int id) {
  SampleChannel* chosen = nullptr;
  const size_t size = slots_.size();
  for (size_t looked = 0; looked < size && !chosen; ++looked) {
    SampleChannel*& slot = slots_[cursor_];
    cursor_ = (cursor_ + 1) % size;
    if (!slot) slot = keep(std::make_unique<SampleChannel>(*system_));
    else if (slot->isPlaying()) continue;
    chosen = slot;
  }
  if (!chosen) {
    slots_.resize(size * 2, nullptr);
    chosen = slots_[size] = keep(std::make_unique<SampleChannel>(*system_));
    cursor_ = size + 1;
  }
  chosen->take(id);
  return chosen;
}

Channel* AudioDevice::playMusic(const std::string& file) {
  if (auto cached = musicCache_.find(file); cached != musicCache_.end()) {
    cached->second->replay();
    return cached->second;
  }
  Channel* channel = nullptr;
  std::string path = nativePath(file);
  if (isStreamed(file)) {
    sound::Stream* stream = system_->openStream(path);
    if (!stream) return nullptr;
    channel = keep(std::make_unique<StreamChannel>(*system_, stream));
  } else {
    sound::Music* music = system_->loadMusic(path);
    if (!music) return nullptr;
    channel = keep(std::make_unique<MusicChannel>(*system_, music));
  }
  musicCache_[file] = channel;
  return channel;
}

Channel* AudioDevice::playCDTrack(int32_t track, int32_t mode) {
  system_->stopCd();
  system_->setCdMode(mode == 2 ? sound::CdMode::Loop : mode == 3 ? sound::CdMode::ToEnd : sound::CdMode::Once);
  system_->playCdTrack(track);
  return cd_;
}

void AudioDevice::set3DFactors(float rolloff, float doppler, float distance) {
  system_->set3DFactors(rolloff, doppler, distance);
}

void AudioDevice::setListener(sound::Vec3 position, sound::Vec3 velocity, sound::Vec3 forward, sound::Vec3 up) {
  system_->setListener(position, velocity, forward, up);
  system_->apply3D();
}

}  // namespace vx
