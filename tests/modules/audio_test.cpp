// Programs that load and play sounds, music and CD tracks through vxrun,
// with OpenAL Soft writing what it plays to a WAV file (or to nothing).

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "../unit/sound_media.h"
#include "program_run.h"

using vxtest::modulePath;
using vxtest::ProgramRun;
using vxtest::RunOptions;
using vxtest::runProgram;
using vxtest::vxrunPath;
namespace fs = std::filesystem;

namespace {

class AudioProgram : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string pattern = ::testing::TempDir() + "vxaudioXXXXXX";
    dir_ = mkdtemp(pattern.data());
    vxtest::writeSineWav(at("sine.wav"), 440, 0.4);
    vxtest::writeSineWav(at("long.wav"), 440, 3.0);
    vxtest::writeModule(at("tune.mod"));
    vxtest::writeModule(at("song.MP3"));
    vxtest::writeMidi(at("tune.mid"));
    vxtest::writeFile(at("text.wav"), "not a sound\n");
    vxtest::writeFile(at("text.ogg"), "not a sound\n");
    std::string garbled = vxtest::readFile(at("sine.wav"));
    for (size_t i = 4; i < 44; ++i) garbled[i] = 'x';
    vxtest::writeFile(at("garbled.wav"), garbled);
    ASSERT_TRUE(vxtest::convertWithFfmpeg(at("long.wav"), at("sine.mp3")));
    ASSERT_TRUE(vxtest::convertWithFfmpeg(at("sine.wav"), at("sine.ogg")));
    ASSERT_TRUE(vxtest::convertWithFfmpeg(at("sine.wav"), at("real.mp3")));
    fs::rename(at("real.mp3"), at("real.MP3"));
    vxtest::writeSineWav(at("track02.wav"), 440, 0.3);
    vxtest::writeFile(at("alsoft.conf"), vxtest::waveOutputConfig(at("heard.wav")));
  }
  static void TearDownTestSuite() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  static std::string at(const std::string& name) { return dir_ + "/" + name; }

  // Runs a part of the audio program; output "wave" writes heard.wav.
  static ProgramRun run(const std::string& part, const std::string& output = "null", bool debug = true) {
    RunOptions options;
    options.environment = {"VX_TEST_DIR=" + dir_, "VX_CD_TRACKS=" + dir_, "ALSOFT_DRIVERS=" + output,
                           "ALSOFT_CONF=" + at("alsoft.conf")};
    if (debug) options.environment.push_back("VX_DEBUG=1");
    return runProgram({vxrunPath(), modulePath("audio"), part}, options);
  }

  static std::string dir_;
};

std::string AudioProgram::dir_;

TEST_F(AudioProgram, SoundsLoadPlayLoopAndFinish) {
  ProgramRun r = run("sounds");
  EXPECT_EQ(r.err, "Program has ended\n");
  EXPECT_EQ(r.out,
            "1\n0\n0\n0\n0\n"       // loaded; missing, damaged and garbled give 0; no sound, no channel
            "1\n1\n0\n"             // playing, then done
            "1\n1\n1\n0\n"          // looped on another channel, still playing, paused, stopped
            "0\n"                   // channel 0
            "1\n"                   // the name found in another case
            "sounds done\n");
}

TEST_F(AudioProgram, PanPitchAndVolumeAreHeard) {
  fs::remove(at("heard.wav"));
  ProgramRun r = run("heard", "wave");
  ASSERT_EQ(r.out, "heard done\n") << r.err;
  vxtest::Heard h = vxtest::readWave(at("heard.wav"));
  ASSERT_GT(h.frames(), 0u);
  size_t first = 0;
  while (first < h.frames() && std::fabs(h.left[first]) < 0.02f) ++first;
  size_t split = first + h.rate * 55 / 100;  // in the pause between the two
  ASSERT_LT(split, h.frames());
  vxtest::Heard left{h.rate, {h.left.begin(), h.left.begin() + split}, {h.right.begin(), h.right.begin() + split}};
  vxtest::Heard right{h.rate, {h.left.begin() + split, h.left.end()}, {h.right.begin() + split, h.right.end()}};
  EXPECT_GT(left.leftLevel(), 3 * left.rightLevel());
  EXPECT_GT(right.rightLevel(), 3 * right.leftLevel());
  EXPECT_NEAR(left.frequency(), 440, 10);
  EXPECT_NEAR(right.frequency(), 880, 20);
  EXPECT_NEAR(right.soundingSeconds(), 0.2, 0.05);
  EXPECT_NEAR(right.rightLevel() / left.leftLevel(), 127.0 / 255.0, 0.08);
}

TEST_F(AudioProgram, EverySoundOfMoreThanATableOfChannelsGetsItsOwnHandle) {
  ProgramRun r = run("many");
  EXPECT_EQ(r.out, "4097\n4097\n0\nmany done\n") << r.err;
}

TEST_F(AudioProgram, MusicIsCachedByNameAndCdTracksAlwaysPlay) {
  ProgramRun r = run("music");
  EXPECT_EQ(r.err, "Program has ended\n");
  EXPECT_EQ(r.out,
            "1\n1\n1\n1\n"  // module playing; the same name, the same channel; another name, another
            "1\n0\n"        // song.MP3 is a module; an MP3 is not
            "1\n1\n1\n"     // a streamed MP3, cached, playing
            "1\n0\n1\n"     // Ogg; a damaged one; MIDI
            "1\n0\n1\n1\n"  // paused module plays; then it has ended, the MP3 and the dying MIDI note not
            "1\n1\n0\n"     // played again from the start; stopped
            "1\n1\n1\n1\n"  // the CD channel: one, and always playing
            "music done\n");
}

TEST_F(AudioProgram, WithoutASoundDeviceNothingLoadsAndNothingFails) {
  ProgramRun r = run("nodevice", "no-such-output");
  EXPECT_EQ(r.err, "Program has ended\n");
  EXPECT_EQ(r.out, "0\n0\n0\n0\n0\n0\nno device done\n");
}

TEST_F(AudioProgram, UnknownSoundIsAnErrorOnlyWhileDebugging) {
  EXPECT_EQ(run("unknown").err, "Sound does not exist\n");
  ProgramRun quiet = run("unknown", "null", false);
  EXPECT_EQ(quiet.exitStatus, 0);
  EXPECT_EQ(quiet.err, "");
}

}  // namespace
