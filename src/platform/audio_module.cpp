#include "platform/audio_module.h"

#include <memory>

#include "platform/audio_device.h"

namespace vx {

namespace {

std::unique_ptr<AudioDevice> device;

template <typename T>
int32_t handleOf(T* object) {
  return HandleSet<T>::handleOf(object);
}

// A sound handle as the sound commands check it: an unknown one is an error
// while debugging and ignored otherwise.
Sound* soundOf(int32_t handle) {
  Sound* sound = device ? device->verifySound(handle) : nullptr;
  if (!sound && debugging()) raiseError("Sound does not exist");
  return sound;
}

// Channel commands ignore 0, and any handle that is not one of the
// device's channels.
Channel* channelOf(int32_t handle) { return device && handle ? device->verifyChannel(handle) : nullptr; }

int32_t loadSound(StrArg file) { return device ? handleOf(device->loadSound(file.str(), false)) : 0; }
int32_t load3DSound(StrArg file) { return device ? handleOf(device->loadSound(file.str(), true)) : 0; }

void freeSound(int32_t handle) {
  if (device) device->freeSound(handle);
}

// A sound command: the method on a verified sound.
template <auto Method, typename... A>
void onSound(int32_t handle, A... args) {
  if (Sound* sound = soundOf(handle)) (sound->*Method)(args...);
}

void loopSound(int32_t handle) { onSound<&Sound::setLoop>(handle, true); }

int32_t playSound(int32_t handle) {
  if (!handle) return 0;
  Sound* sound = soundOf(handle);
  return sound ? handleOf(sound->play()) : 0;
}

int32_t playMusic(StrArg file) { return device ? handleOf(device->playMusic(file.str())) : 0; }

int32_t playCDTrack(int32_t track, int32_t mode) { return device ? handleOf(device->playCDTrack(track, mode)) : 0; }

// A channel command: the method on a channel, nothing for 0.
template <auto Method, typename... A>
void onChannel(int32_t handle, A... args) {
  if (Channel* channel = channelOf(handle)) (channel->*Method)(args...);
}

void pauseChannel(int32_t handle) { onChannel<&Channel::setPaused>(handle, true); }
void resumeChannel(int32_t handle) { onChannel<&Channel::setPaused>(handle, false); }

int32_t channelPlaying(int32_t handle) {
  Channel* channel = channelOf(handle);
  return channel && channel->isPlaying() ? 1 : 0;
}

// A missing or failing sound device is not a failure of the module.
bool create() {
  device = AudioDevice::open();
  return true;
}

void destroy() { device.reset(); }

void link(Registry& r) {
  r.command<"%LoadSound$filename", loadSound>();
  r.command<"%Load3DSound$filename", load3DSound>();
  r.command<"FreeSound%sound", freeSound>();
  r.command<"LoopSound%sound", loopSound>();
  r.command<"SoundPitch%sound%pitch", onSound<&Sound::setPitch, int32_t>>();
  r.command<"SoundVolume%sound#volume", onSound<&Sound::setVolume, float>>();
  r.command<"SoundPan%sound#pan", onSound<&Sound::setPan, float>>();
  r.command<"%PlaySound%sound", playSound>();
  r.command<"%PlayMusic$midifile", playMusic>();
  r.command<"%PlayCDTrack%track%mode=1", playCDTrack>();
  r.command<"StopChannel%channel", onChannel<&Channel::stop>>();
  r.command<"PauseChannel%channel", pauseChannel>();
  r.command<"ResumeChannel%channel", resumeChannel>();
  r.command<"ChannelPitch%channel%pitch", onChannel<&Channel::setPitch, int32_t>>();
  r.command<"ChannelVolume%channel#volume", onChannel<&Channel::setVolume, float>>();
  r.command<"ChannelPan%channel#pan", onChannel<&Channel::setPan, float>>();
  r.command<"%ChannelPlaying%channel", channelPlaying>();
}

}  // namespace

AudioDevice* audioDevice() { return device.get(); }

const RuntimeModule audioModule{"audio", create, destroy, link};

}  // namespace vx
