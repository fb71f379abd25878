// The main thread's cost of PlaySound and of channel updates (ChannelVolume,
// ChannelPan and ChannelPitch on every channel) with 64 and with 256 looping
// sounds playing, through the registered audio commands, against the same
// playback written directly on OpenAL in the same run; and the CPU share of
// the threads behind each (OpenAL's mixer, and the sound library's own
// thread) while the sounds play. Runs on OpenAL Soft's null output unless
// ALSOFT_DRIVERS says otherwise.

#include <AL/al.h>
#include <AL/alc.h>
#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "language/basic_module.h"
#include "language/runtime_string.h"
#include "platform/audio_module.h"
#include "runtime/registry.h"
#include "runtime/run_step.h"

namespace {

using vx::RuntimeString;
using Load = int32_t(VX_STDCALL*)(RuntimeString*);
using Play = int32_t(VX_STDCALL*)(int32_t);
using Loop = void(VX_STDCALL*)(int32_t);
using Stop = void(VX_STDCALL*)(int32_t);
using SetFloat = void(VX_STDCALL*)(int32_t, float);
using SetInt = void(VX_STDCALL*)(int32_t, int32_t);
using Const = RuntimeString*(VX_STDCALL*)(const char*);

// Function pointers the optimiser cannot see through, like calls from a module.
Load volatile loadSound;
Play volatile playSound;
Loop volatile loopSound;
Stop volatile stopChannel;
SetFloat volatile channelVolume, channelPan;
SetInt volatile channelPitch;
Const volatile strConst;

constexpr int kRounds = 20;        // plays of every sound, from silence
constexpr int kUpdateFrames = 200;  // frames of updates to every channel
constexpr int kListenMs = 2000;
constexpr int kRate = 44100;

std::string wavPath;

void* lookup(vx::Registry& registry, const char* text) {
  for (const vx::Registration& r : registry.entries())
    if (std::string(r.text) == text) return r.address;
  std::printf("not registered: %s\n", text);
  std::exit(1);
}

double since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// CPU seconds of the threads of this process other than the calling one.
struct ThreadTimes {
  double mixer = 0;  // OpenAL's threads
  double sound = 0;  // the sound library's thread
};

ThreadTimes threadTimes() {
  ThreadTimes times;
  const long ticks = sysconf(_SC_CLK_TCK);
  const int self = static_cast<int>(gettid());
  DIR* dir = opendir("/proc/self/task");
  while (dirent* entry = readdir(dir)) {
    int tid = std::atoi(entry->d_name);
    if (tid <= 0 || tid == self) continue;
    std::string base = std::string("/proc/self/task/") + entry->d_name;
    std::string name;
    std::getline(std::ifstream(base + "/comm"), name);
    std::string stat;
    std::getline(std::ifstream(base + "/stat"), stat);
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    double cpu = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
      if (i == 14 || i == 15) cpu += std::stod(field) / ticks;
    // Every other thread here is OpenAL's.
    (name == "vx-sound" ? times.sound : times.mixer) += cpu;
  }
  closedir(dir);
  return times;
}

struct Figures {
  double playUs = 0;    // one PlaySound
  double updateUs = 0;  // one channel's three updates
  double mixerShare = 0;
  double soundShare = 0;
};

ThreadTimes listen() {
  ThreadTimes before = threadTimes();
  std::this_thread::sleep_for(std::chrono::milliseconds(kListenMs));
  ThreadTimes after = threadTimes();
  return {after.mixer - before.mixer, after.sound - before.sound};
}

// ---- Through the audio commands ----

int soundCount;
Figures commandFigures;

void commandProgram() {
  int32_t sound = loadSound(strConst(wavPath.c_str()));
  if (!sound) {
    std::printf("no sound device, or the sound did not load\n");
    return;
  }
  loopSound(sound);
  std::vector<int32_t> channels(soundCount);
  double playTime = 0;
  for (int round = 0; round < kRounds; ++round) {
    for (int32_t c : channels)
      if (c) stopChannel(c);
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < soundCount; ++i) channels[i] = playSound(sound);
    playTime += since(start);
  }
  auto start = std::chrono::steady_clock::now();
  for (int frame = 0; frame < kUpdateFrames; ++frame)
    for (int i = 0; i < soundCount; ++i) {
      channelVolume(channels[i], 0.5f + 0.5f * std::sin(frame * 0.1f + i));
      channelPan(channels[i], std::sin(frame * 0.05f + i));
      channelPitch(channels[i], kRate + (frame + i) % 2000);
    }
  double updateTime = since(start);
  ThreadTimes cpu = listen();
  for (int32_t c : channels) stopChannel(c);
  commandFigures = {playTime * 1e6 / (kRounds * soundCount), updateTime * 1e6 / (kUpdateFrames * soundCount),
                    cpu.mixer / (kListenMs / 1000.0), cpu.sound / (kListenMs / 1000.0)};
}

// ---- Directly on OpenAL ----

std::vector<int16_t> sinePcm() {
  std::vector<int16_t> pcm(kRate);
  for (int i = 0; i < kRate; ++i) pcm[i] = static_cast<int16_t>(16000 * std::sin(2 * M_PI * 440 * i / kRate));
  return pcm;
}

Figures directFigures(int count) {
  ALCdevice* device = alcOpenDevice(nullptr);
  const ALCint attributes[] = {ALC_FREQUENCY, kRate, ALC_MONO_SOURCES, 1024 + 64, ALC_STEREO_SOURCES, 64, 0};
  ALCcontext* context = alcCreateContext(device, attributes);
  alcMakeContextCurrent(context);
  ALuint buffer;
  alGenBuffers(1, &buffer);
  std::vector<int16_t> pcm = sinePcm();
  alBufferData(buffer, AL_FORMAT_MONO16, pcm.data(), static_cast<ALsizei>(pcm.size() * 2), kRate);
  std::vector<ALuint> sources(1024);
  alGenSources(1024, sources.data());
  size_t cursor = 0;
  // The least a game would do: take the next source that is not playing.
  auto play = [&]() -> ALuint {
    for (size_t looked = 0; looked < sources.size(); ++looked) {
      ALuint s = sources[cursor];
      cursor = (cursor + 1) % sources.size();
      ALint state;
      alGetSourcei(s, AL_SOURCE_STATE, &state);
      if (state == AL_PLAYING) continue;
      alSourcei(s, AL_BUFFER, static_cast<ALint>(buffer));
      alSourcei(s, AL_LOOPING, AL_TRUE);
      alSourcei(s, AL_SOURCE_RELATIVE, AL_TRUE);
      alSourcef(s, AL_ROLLOFF_FACTOR, 0);
      alSourcef(s, AL_PITCH, 1);
      alSourcef(s, AL_GAIN, 1);
      alSource3f(s, AL_POSITION, 0, 0, -1);
      alSourcePlay(s);
      return s;
    }
    return 0;
  };
  std::vector<ALuint> playing(count);
  double playTime = 0;
  for (int round = 0; round < kRounds; ++round) {
    for (ALuint s : playing)
      if (s) alSourceStop(s);
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) playing[i] = play();
    playTime += since(start);
  }
  auto start = std::chrono::steady_clock::now();
  for (int frame = 0; frame < kUpdateFrames; ++frame)
    for (int i = 0; i < count; ++i) {
      float pan = std::sin(frame * 0.05f + i);
      alSourcef(playing[i], AL_GAIN, 0.5f + 0.5f * std::sin(frame * 0.1f + i));
      alSource3f(playing[i], AL_POSITION, pan, 0, -std::sqrt(1 - pan * pan));
      alSourcef(playing[i], AL_PITCH, static_cast<float>(kRate + (frame + i) % 2000) / kRate);
    }
  double updateTime = since(start);
  ThreadTimes cpu = listen();
  alDeleteSources(1024, sources.data());
  alDeleteBuffers(1, &buffer);
  alcMakeContextCurrent(nullptr);
  alcDestroyContext(context);
  alcCloseDevice(device);
  return {playTime * 1e6 / (kRounds * count), updateTime * 1e6 / (kUpdateFrames * count),
          cpu.mixer / (kListenMs / 1000.0), 0};
}

void writeSine(const std::string& path) {
  std::vector<int16_t> pcm = sinePcm();
  uint32_t bytes = static_cast<uint32_t>(pcm.size() * 2);
  std::ofstream out(path, std::ios::binary);
  auto put = [&](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) out.put(static_cast<char>(v >> (8 * i)));
  };
  out << "RIFF";
  put(36 + bytes, 4);
  out << "WAVEfmt ";
  put(16, 4), put(1, 2), put(1, 2), put(kRate, 4), put(kRate * 2, 4), put(2, 2), put(16, 2);
  out << "data";
  put(bytes, 4);
  out.write(reinterpret_cast<const char*>(pcm.data()), bytes);
}

}  // namespace

int main() {
  setenv("ALSOFT_DRIVERS", "null", 0);
  const char* tmp = std::getenv("TMPDIR");
  wavPath = std::string(tmp && *tmp ? tmp : "/tmp") + "/vx_audio_benchmark_" + std::to_string(getpid()) + ".wav";
  writeSine(wavPath);

  static const vx::RuntimeModule modules[] = {vx::basicModule, vx::audioModule};
  vx::Registry registry;
  vx::registerAll(modules, registry);
  loadSound = reinterpret_cast<Load>(lookup(registry, "%LoadSound$filename"));
  playSound = reinterpret_cast<Play>(lookup(registry, "%PlaySound%sound"));
  loopSound = reinterpret_cast<Loop>(lookup(registry, "LoopSound%sound"));
  stopChannel = reinterpret_cast<Stop>(lookup(registry, "StopChannel%channel"));
  channelVolume = reinterpret_cast<SetFloat>(lookup(registry, "ChannelVolume%channel#volume"));
  channelPan = reinterpret_cast<SetFloat>(lookup(registry, "ChannelPan%channel#pan"));
  channelPitch = reinterpret_cast<SetInt>(lookup(registry, "ChannelPitch%channel%pitch"));
  strConst = reinterpret_cast<Const>(lookup(registry, "_vxStrConst"));

  std::printf("output: %s; PlaySound averaged over %d rounds, updates over %d frames, CPU over %d ms\n",
              std::getenv("ALSOFT_DRIVERS"), kRounds, kUpdateFrames, kListenMs);
  std::printf("%-8s %-10s %12s %16s %12s %12s\n", "sounds", "through", "PlaySound us", "update/chan us",
              "mixer CPU %", "sound thr %");
  for (int count : {64, 256}) {
    soundCount = count;
    vx::executeProgram(commandProgram, "", nullptr, modules);
    Figures direct = directFigures(count);
    const Figures& ours = commandFigures;
    std::printf("%-8d %-10s %12.2f %16.3f %12.1f %12.1f\n", count, "commands", ours.playUs, ours.updateUs,
                ours.mixerShare * 100, ours.soundShare * 100);
    std::printf("%-8d %-10s %12.2f %16.3f %12.1f %12s\n", count, "OpenAL", direct.playUs, direct.updateUs,
                direct.mixerShare * 100, "-");
    std::printf("%-8d %-10s %12.2f %16.2f %12.2f\n", count, "ratio", ours.playUs / direct.playUs,
                ours.updateUs / direct.updateUs, ours.mixerShare / direct.mixerShare);
  }
  unlink(wavPath.c_str());
  return 0;
}
