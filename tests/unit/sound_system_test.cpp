// The sound library on real OpenAL Soft, its output written by the wave
// backend to a file, which each test reads back to check what was heard.

#include "sound/sound_system.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "sound/decoder.h"
#include "sound_media.h"

using namespace vx::sound;
using vxtest::Heard;
namespace fs = std::filesystem;

namespace {

std::string scratch;
std::string wavePath;

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class SoundSystemTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!scratch.empty()) return;
    std::string pattern = ::testing::TempDir() + "vxsoundXXXXXX";
    scratch = mkdtemp(pattern.data());
    wavePath = scratch + "/heard.wav";
    vxtest::writeFile(scratch + "/alsoft.conf", vxtest::waveOutputConfig(wavePath));
    setenv("ALSOFT_CONF", (scratch + "/alsoft.conf").c_str(), 1);
    setenv("ALSOFT_DRIVERS", "wave", 1);
    vxtest::writeSineWav(path("sine440.wav"), 440, 0.4);
    vxtest::writeSineWav(path("sine440long.wav"), 440, 1.5);
  }

  static std::string path(const std::string& name) { return scratch + "/" + name; }

  void SetUp() override {
    system_ = SoundSystem::open(44100, 1024);
    ASSERT_TRUE(system_) << "no OpenAL device";
  }

  // Closes the device, which finishes the wave file, and reads it.
  Heard heard() {
    system_.reset();
    return vxtest::readWave(wavePath);
  }

  // Waits until the channel stops; false when it still plays after ms.
  bool waitUntilDone(int channel, int ms = 3000) {
    for (int waited = 0; waited < ms; waited += 10) {
      if (!system_->isPlaying(channel)) return true;
      sleepMs(10);
    }
    return false;
  }

  std::unique_ptr<SoundSystem> system_;
};

TEST_F(SoundSystemTest, SamplePlaysToItsEndAndIsHeard) {
  Sample* sample = system_->loadSample(path("sine440.wav"), SampleKind::Plain);
  ASSERT_NE(sample, nullptr);
  SampleDefaults d = system_->defaults(sample);
  EXPECT_EQ(d.frequency, 44100);
  EXPECT_EQ(d.volume, 255);
  int channel = system_->play(sample);
  ASSERT_GE(channel, 0);
  EXPECT_TRUE(system_->isPlaying(channel));
  EXPECT_TRUE(waitUntilDone(channel));
  sleepMs(100);
  Heard h = heard();
  ASSERT_EQ(h.rate, 44100);
  EXPECT_GT(h.level(), 0.1);
  EXPECT_NEAR(h.soundingSeconds(), 0.4, 0.05);
  EXPECT_NEAR(h.frequency(), 440, 10);
  // Centred: both sides alike.
  EXPECT_NEAR(h.leftLevel() / h.rightLevel(), 1.0, 0.1);
}

TEST_F(SoundSystemTest, FrequencyIsHeardAsPitchAndShortensTheSound) {
  Sample* sample = system_->loadSample(path("sine440.wav"), SampleKind::Plain);
  int channel = system_->play(sample, true);
  system_->setFrequency(channel, 88200);
  system_->setPaused(channel, false);
  EXPECT_TRUE(waitUntilDone(channel));
  sleepMs(100);
  Heard h = heard();
  EXPECT_NEAR(h.frequency(), 880, 20);
  EXPECT_NEAR(h.soundingSeconds(), 0.2, 0.05);
}

TEST_F(SoundSystemTest, PanIsHeardAsBalanceAndVolumeAsLevel) {
  Sample* sample = system_->loadSample(path("sine440.wav"), SampleKind::Plain);
  SampleDefaults d = system_->defaults(sample);
  d.pan = 0;
  system_->setDefaults(sample, d);
  EXPECT_TRUE(waitUntilDone(system_->play(sample)));
  d.pan = 255;
  d.volume = 64;
  system_->setDefaults(sample, d);
  int right = system_->play(sample);
  EXPECT_TRUE(waitUntilDone(right));
  sleepMs(100);
  Heard h = heard();
  // The first half second is the left sound, the rest the right one.
  size_t split = h.rate / 2 + h.rate / 10;
  Heard first{h.rate, {h.left.begin(), h.left.begin() + split}, {h.right.begin(), h.right.begin() + split}};
  Heard second{h.rate, {h.left.begin() + split, h.left.end()}, {h.right.begin() + split, h.right.end()}};
  EXPECT_GT(first.leftLevel(), 3 * first.rightLevel());
  EXPECT_GT(second.rightLevel(), 3 * second.leftLevel());
  EXPECT_NEAR(second.rightLevel() / first.leftLevel(), 64.0 / 255.0, 0.08);
}

TEST_F(SoundSystemTest, StereoSamplesPanToOneSide) {
  vxtest::writeSineWav(path("stereo.wav"), 440, 0.3, 2);
  Sample* sample = system_->loadSample(path("stereo.wav"), SampleKind::Plain);
  ASSERT_NE(sample, nullptr);
  int channel = system_->play(sample, true);
  system_->setPan(channel, 255);
  system_->setPaused(channel, false);
  EXPECT_TRUE(waitUntilDone(channel));
  Heard h = heard();
  EXPECT_GT(h.rightLevel(), 3 * h.leftLevel());
}

TEST_F(SoundSystemTest, LoopingSamplePlaysUntilStoppedAndPausedChannelsKeepTheirPlace) {
  Sample* sample = system_->loadSample(path("sine440.wav"), SampleKind::Plain);
  system_->setLoop(sample, true);
  int channel = system_->play(sample);
  sleepMs(900);
  EXPECT_TRUE(system_->isPlaying(channel));
  system_->setPaused(channel, true);
  EXPECT_TRUE(system_->isPlaying(channel));  // paused still counts
  sleepMs(300);
  system_->setPaused(channel, false);
  sleepMs(200);
  system_->stop(channel);
  EXPECT_FALSE(system_->isPlaying(channel));
  sleepMs(100);
  Heard h = heard();
  // 0.9 s, a 0.3 s gap, 0.2 s more.
  EXPECT_NEAR(h.soundingSeconds(), 1.4, 0.1);
  size_t silentFrom = static_cast<size_t>(1.0 * h.rate), silentTo = static_cast<size_t>(1.1 * h.rate);
  size_t firstSound = 0;
  while (firstSound < h.frames() && std::fabs(h.left[firstSound]) < 0.02f) ++firstSound;
  Heard gap{h.rate, {h.left.begin() + firstSound + silentFrom, h.left.begin() + firstSound + silentTo}, {}};
  EXPECT_LT(gap.leftLevel(), 0.01);
}

TEST_F(SoundSystemTest, IdsOfEndedChannelsNoLongerReachTheirVoice) {
  Sample* sample = system_->loadSample(path("sine440.wav"), SampleKind::Plain);
  int old = system_->play(sample);
  system_->stop(old);
  int next = system_->play(sample);
  EXPECT_NE(old, next);
  system_->stop(old);
  system_->setVolume(old, 0);
  EXPECT_FALSE(system_->isPlaying(old));
  EXPECT_TRUE(system_->isPlaying(next));
  for (int bad : {-1, 0x7FFFFFFF, 123456}) {
    system_->stop(bad);
    system_->setPan(bad, 0);
    EXPECT_FALSE(system_->isPlaying(bad));
  }
}

TEST_F(SoundSystemTest, ChannelsBeyondTheRealVoicesPlayVirtuallyAndAreHeardLater) {
  system_.reset();
  system_ = SoundSystem::open(44100, 2);
  Sample* sample = system_->loadSample(path("sine440.wav"), SampleKind::Plain);
  std::vector<int> channels;
  for (int i = 0; i < 3; ++i) channels.push_back(system_->play(sample));
  // A looping sound of higher priority takes a real voice at once.
  Sample* important = system_->loadSample(path("sine440long.wav"), SampleKind::Plain);
  SampleDefaults d = system_->defaults(important);
  d.priority = 200;
  system_->setDefaults(important, d);
  int kept = system_->play(important);
  for (int channel : channels) EXPECT_TRUE(system_->isPlaying(channel));
  EXPECT_EQ(system_->audibleChannels(), 2);
  // The channels made virtual go on from where they were and end on time.
  for (int channel : channels) EXPECT_TRUE(waitUntilDone(channel, 1500));
  EXPECT_TRUE(system_->isPlaying(kept));
  system_->stop(kept);
}

TEST_F(SoundSystemTest, VirtualChannelIsHeardWhenAVoiceFrees) {
  system_.reset();
  system_ = SoundSystem::open(44100, 1);
  Sample* sample = system_->loadSample(path("sine440.wav"), SampleKind::Plain);
  int first = system_->play(sample);
  sleepMs(200);
  int second = system_->play(sample);  // no voice: virtual, 200 ms behind
  EXPECT_EQ(system_->audibleChannels(), 1);
  EXPECT_TRUE(waitUntilDone(first));
  sleepMs(60);
  EXPECT_EQ(system_->audibleChannels(), 1);
  EXPECT_TRUE(waitUntilDone(second));
  sleepMs(100);
  // The second is heard from the place it had reached, so it ends 200 ms
  // after the first.
  EXPECT_NEAR(heard().soundingSeconds(), 0.6, 0.05);
}

TEST_F(SoundSystemTest, FreeingASampleStopsItsChannels) {
  Sample* sample = system_->loadSample(path("sine440long.wav"), SampleKind::Plain);
  int channel = system_->play(sample);
  system_->freeSample(sample);
  EXPECT_FALSE(system_->isPlaying(channel));
}

TEST_F(SoundSystemTest, StreamsOfMp3AndOggAreDecodedWhilePlaying) {
  ASSERT_TRUE(vxtest::convertWithFfmpeg(path("sine440long.wav"), path("sine.mp3")));
  ASSERT_TRUE(vxtest::convertWithFfmpeg(path("sine440.wav"), path("sine.ogg")));
  Stream* mp3 = system_->openStream(path("sine.mp3"));
  Stream* ogg = system_->openStream(path("sine.ogg"));
  ASSERT_NE(mp3, nullptr);
  ASSERT_NE(ogg, nullptr);
  int channel = system_->playStream(mp3);
  ASSERT_GE(channel, 0);
  sleepMs(300);
  system_->stopStream(mp3);
  EXPECT_FALSE(system_->isPlaying(channel));
  channel = system_->playStream(ogg);
  system_->setFrequency(channel, 88200);
  EXPECT_TRUE(waitUntilDone(channel));
  system_->closeStream(mp3);
  system_->closeStream(ogg);
  sleepMs(100);
  Heard h = heard();
  EXPECT_GT(h.level(), 0.1);
  // 0.3 s of the MP3, then 0.2 s of the Ogg file at twice its speed.
  EXPECT_NEAR(h.soundingSeconds(), 0.5, 0.08);
}

TEST_F(SoundSystemTest, TrackerModuleAndMidiPlayToTheirEnd) {
  vxtest::writeModule(path("tune.mod"));
  vxtest::writeMidi(path("tune.mid"));
  Music* module = system_->loadMusic(path("tune.mod"));
  ASSERT_NE(module, nullptr);
  EXPECT_TRUE(system_->musicFinished(module));
  system_->playMusic(module);
  EXPECT_FALSE(system_->musicFinished(module));
  system_->setMusicPaused(module, true);
  sleepMs(200);
  EXPECT_FALSE(system_->musicFinished(module));
  system_->setMusicPaused(module, false);
  for (int i = 0; i < 300 && !system_->musicFinished(module); ++i) sleepMs(10);
  EXPECT_TRUE(system_->musicFinished(module));
  system_->freeMusic(module);

  ASSERT_FALSE(midiSoundFont().empty());
  Music* midi = system_->loadMusic(path("tune.mid"));
  ASSERT_NE(midi, nullptr);
  system_->playMusic(midi);
  for (int i = 0; i < 600 && !system_->musicFinished(midi); ++i) sleepMs(10);
  EXPECT_TRUE(system_->musicFinished(midi));
  Heard h = heard();
  EXPECT_GT(h.level(), 0.02);
  // About 0.5 s of module and 0.5 s of MIDI note.
  EXPECT_GT(h.soundingSeconds(0.005f), 0.8);
}

TEST_F(SoundSystemTest, DamagedAndForeignFilesAreRefused) {
  vxtest::writeFile(path("text.wav"), "this is not a sound at all, only words\n");
  vxtest::writeFile(path("text.mp3"), "this is not a sound at all, only words\n");
  vxtest::writeFile(path("empty.ogg"), "");
  std::string wav = vxtest::readFile(path("sine440.wav"));
  vxtest::writeFile(path("cut.wav"), wav.substr(0, 30));
  std::string garbled = wav;
  for (size_t i = 8; i < 44; ++i) garbled[i] = static_cast<char>(0xA5);
  vxtest::writeFile(path("garbled.wav"), garbled);
  for (const char* name : {"text.wav", "text.mp3", "empty.ogg", "cut.wav", "garbled.wav", "missing.wav"}) {
    EXPECT_EQ(system_->loadSample(path(name), SampleKind::Plain), nullptr) << name;
    EXPECT_EQ(system_->openStream(path(name)), nullptr) << name;
    EXPECT_EQ(system_->loadMusic(path(name)), nullptr) << name;
  }
  // An MP3 is not music for the tracker player.
  ASSERT_TRUE(vxtest::convertWithFfmpeg(path("sine440.wav"), path("music.mp3")));
  EXPECT_EQ(system_->loadMusic(path("music.mp3")), nullptr);
  // Every call takes nothing.
  EXPECT_EQ(system_->play(nullptr), -1);
  EXPECT_EQ(system_->playStream(nullptr), -1);
  EXPECT_TRUE(system_->musicFinished(nullptr));
  system_->freeSample(nullptr);
  system_->closeStream(nullptr);
  system_->freeMusic(nullptr);
}

TEST_F(SoundSystemTest, RawFilesAreSixteenBitMono) {
  std::string wav = vxtest::readFile(path("sine440.wav"));
  vxtest::writeFile(path("sine.raw"), wav.substr(44));
  Sample* sample = system_->loadSample(path("sine.raw"), SampleKind::Plain);
  ASSERT_NE(sample, nullptr);
  EXPECT_TRUE(waitUntilDone(system_->play(sample)));
  Heard h = heard();
  EXPECT_NEAR(h.frequency(), 440, 10);
  EXPECT_NEAR(h.soundingSeconds(), 0.4, 0.05);
}

TEST_F(SoundSystemTest, CdTracksPlayOnceLoopOrOnToTheEnd) {
  fs::create_directory(path("cd"));
  vxtest::writeSineWav(path("cd/Track02.wav"), 440, 0.3);
  vxtest::writeSineWav(path("cd/track03.wav"), 880, 0.3);
  system_->setCdDirectories({path("nothing-here"), path("cd")});
  system_->setCdMode(CdMode::Once);
  system_->playCdTrack(7);  // no such track: silence
  EXPECT_EQ(system_->cdTrack(), 0);
  system_->setCdMode(CdMode::ToEnd);
  system_->playCdTrack(2);
  EXPECT_EQ(system_->cdTrack(), 2);
  sleepMs(450);
  EXPECT_EQ(system_->cdTrack(), 3);
  sleepMs(400);
  EXPECT_EQ(system_->cdTrack(), 0);
  system_->setCdMode(CdMode::Loop);
  system_->playCdTrack(3);
  sleepMs(700);
  EXPECT_EQ(system_->cdTrack(), 3);
  system_->stopCd();
  sleepMs(100);
  Heard h = heard();
  // 0.6 s on to the end and a pause to 0.85 s, then 0.7 s looping.
  EXPECT_NEAR(h.soundingSeconds(), 1.55, 0.15);
}

TEST_F(SoundSystemTest, ThreeDSoundIsPlacedAroundTheListener) {
  Sample* sample = system_->loadSample(path("sine440.wav"), SampleKind::Mono3D);
  system_->set3DFactors(1, 1, 1);
  // Facing +z, a sound at +x is on the right.
  system_->setListener({0, 0, 0}, {0, 0, 0}, {0, 0, 1}, {0, 1, 0});
  system_->apply3D();
  int channel = system_->play(sample, true);
  system_->set3D(channel, {3, 0, 0}, {0, 0, 0});
  system_->setPaused(channel, false);
  EXPECT_TRUE(waitUntilDone(channel));
  Heard h = heard();
  EXPECT_GT(h.rightLevel(), 2 * h.leftLevel());
  // Three units away, a third of the level at one unit.
  EXPECT_LT(h.rightLevel(), 0.5 * 0.5 / std::sqrt(2.0));
}

// Sounds made by others: two effects and a piece of music.
class SoundMediaTest : public SoundSystemTest {
 protected:
  static std::string media(const std::string& name) { return std::string(VX_TEST_MEDIA_DIR) + "/" + name; }
};

TEST_F(SoundMediaTest, EffectsLoadPlayAndFinish) {
  for (const char* name : {"ball.wav", "impact.wav"}) {
    Sample* sample = system_->loadSample(media(name), SampleKind::Plain);
    ASSERT_NE(sample, nullptr) << name;
    Sample* mono = system_->loadSample(media(name), SampleKind::Mono3D);
    ASSERT_NE(mono, nullptr) << name;
    int channel = system_->play(sample);
    ASSERT_GE(channel, 0);
    EXPECT_TRUE(system_->isPlaying(channel));
    EXPECT_TRUE(waitUntilDone(channel)) << name;
  }
  EXPECT_GT(heard().level(), 0.02);
}

TEST_F(SoundMediaTest, OggMusicStreamsAndIsHeard) {
  Stream* stream = system_->openStream(media("IrrlichtTheme.ogg"));
  ASSERT_NE(stream, nullptr);
  int channel = system_->playStream(stream);
  sleepMs(1500);
  EXPECT_TRUE(system_->isPlaying(channel));
  system_->setPaused(channel, true);
  sleepMs(200);
  EXPECT_TRUE(system_->isPlaying(channel));
  system_->stop(channel);
  EXPECT_FALSE(system_->isPlaying(channel));
  Heard h = heard();
  EXPECT_GT(h.level(), 0.02);
}

}  // namespace
