// Movie programs: short movies made with the ffmpeg program (10 frames at
// 20 frames a second, each frame one flat colour, with and without a sound
// track that goes on for two seconds), cut-off and damaged copies, and files that are no movies, played
// headless and checked through the pixels DrawMovie leaves in the buffer.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "../unit/sound_media.h"
#include "program_run.h"

using vxtest::modulePath;
using vxtest::ProgramRun;
using vxtest::RunOptions;
using vxtest::runProgram;
using vxtest::ScratchDir;
using vxtest::vxrunPath;

namespace {

using vxtest::readFile;
using vxtest::writeFile;

// The offsets of the video chunks ("00dc") of an AVI file's movie list.
std::vector<size_t> videoChunks(const std::string& avi) {
  std::vector<size_t> chunks;
  size_t movi = avi.find("movi");
  if (movi == std::string::npos) return chunks;
  for (size_t at = movi + 4; at + 8 <= avi.size();) {
    const uint32_t size = uint8_t(avi[at + 4]) | uint8_t(avi[at + 5]) << 8 | uint8_t(avi[at + 6]) << 16 |
                          uint32_t(uint8_t(avi[at + 7])) << 24;
    if (avi.compare(at, 4, "00dc") == 0) chunks.push_back(at);
    else if (avi.compare(at, 4, "01wb") != 0) break;
    at += 8 + size + (size & 1);
  }
  return chunks;
}

// The movies every test uses, made once.
class Movies : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new ScratchDir;
    const std::string colours =
        "color=c=black:s=32x24:r=20:d=0.5,format=rgb24,geq=r='N*25':g='128':b='255-N*25'";
    const std::string quiet = "ffmpeg -nostdin -hide_banner -loglevel error -y ";
    made_ = std::system((quiet + "-f lavfi -i \"" + colours + "\" -c:v mjpeg -q:v 2 " + (*dir_ / "movie.avi"))
                            .c_str()) == 0 &&
            std::system((quiet + "-f lavfi -i \"" + colours +
                         "\" -f lavfi -i sine=frequency=440:duration=2 -c:v mjpeg -q:v 2 -c:a pcm_s16le " +
                         (*dir_ / "sound.avi"))
                            .c_str()) == 0 &&
            std::system((quiet + "-f lavfi -i sine=frequency=440:duration=0.2 " + (*dir_ / "tone.wav")).c_str()) ==
                0;
    if (!made_) return;
    const std::string movie = readFile(*dir_ / "movie.avi");
    const std::vector<size_t> chunks = videoChunks(movie);
    if (chunks.size() != 10) {
      made_ = false;
      return;
    }
    // Cut in the middle of frame 6: frames 0 to 5 are whole.
    writeFile(*dir_ / "cut.avi", movie.substr(0, chunks[6] + (chunks[7] - chunks[6]) / 2));
    // The header kept, everything after it noise.
    std::mt19937 random(7);
    std::string headless = movie.substr(0, chunks[0]);
    while (headless.size() < movie.size()) headless.push_back(char(random()));
    writeFile(*dir_ / "headless.avi", headless);
    std::string garbage;
    while (garbage.size() < 5000) garbage.push_back(char(random()));
    writeFile(*dir_ / "garbage.avi", garbage);
    writeFile(*dir_ / "empty.avi", "");
    writeFile(*dir_ / "alsoft.conf", vxtest::waveOutputConfig(*dir_ / "heard.wav"));
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override {
    if (!made_) GTEST_SKIP() << "the ffmpeg program could not make the test movies";
  }

  // Sound goes to nothing, or with output "wave" into heard.wav.
  ProgramRun run(const std::string& scenario, std::vector<std::string> env = {"VX_DEBUG=1"},
                 const std::string& output = "null") {
    RunOptions options;
    env.push_back("VX_TEST_DIR=" + dir_->path());
    env.push_back("ALSOFT_DRIVERS=" + output);
    env.push_back("ALSOFT_CONF=" + (*dir_ / "alsoft.conf"));
    options.environment = std::move(env);
    return runProgram({vxrunPath(), modulePath("movies"), scenario}, options);
  }

  void expectRun(const std::string& scenario, const std::string& out) {
    SCOPED_TRACE(scenario);
    ProgramRun r = run(scenario);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.err, "Program has ended\n");
    EXPECT_EQ(r.out, out);
  }

  static ScratchDir* dir_;
  static bool made_;
};

ScratchDir* Movies::dir_ = nullptr;
bool Movies::made_ = false;

std::string frames(int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += "frame " + std::to_string(i) + "\n";
  return out;
}

// Opened, 32 by 24, playing; every frame; no draw showing anything else;
// ended; drawing after the end draws nothing; closed.
std::string played(int count) { return "1\n32\n24\n1\n" + frames(count) + "0\n0\n0\n0\n0\nsurvived\n"; }

}  // namespace

TEST_F(Movies, EveryFrameShowsAtItsTimeAndThenTheMovieEnds) {
  expectRun("play", played(10));
}

TEST_F(Movies, FramesAreConvertedToBuffersOfEveryDepth) {
  expectRun("play16", played(10));
  expectRun("play24", played(10));
}

TEST_F(Movies, TheSoundTrackIsHeardFromTheStartUntilTheMovieCloses) {
  std::remove((*dir_ / "heard.wav").c_str());
  ProgramRun r = run("sound", {"VX_DEBUG=1"}, "wave");
  ASSERT_EQ(r.out, played(10)) << r.err;
  vxtest::Heard heard = vxtest::readWave(*dir_ / "heard.wav");
  ASSERT_GT(heard.frames(), 0u);
  EXPECT_NEAR(heard.frequency(), 440, 10);
  // The track is two seconds long; closing the movie after its last frame
  // (half a second) stops it.
  EXPECT_NEAR(heard.soundingSeconds(), 0.5, 0.15);

  std::remove((*dir_ / "heard.wav").c_str());
  r = run("play", {"VX_DEBUG=1"}, "wave");
  ASSERT_EQ(r.out, played(10)) << r.err;
  EXPECT_LT(vxtest::readWave(*dir_ / "heard.wav").level(), 0.001);

  // Without a sound device the movie plays all the same.
  EXPECT_EQ(run("sound", {"VX_DEBUG=1"}, "no-such-output").out, played(10));
}

TEST_F(Movies, ACutOffFilePlaysItsWholeFramesAndEnds) {
  expectRun("cut", played(6));
}

TEST_F(Movies, TheClockDecidesWhichFrameShowsAndWhenTheMovieEnds) {
  expectRun("pace", "1\n1\n1\n1\n0\nsurvived\n");
}

TEST_F(Movies, DrawingIntoRectangles) {
  expectRun("rects",
            "1\n0\n0\n0\n0\n"  // stretched to 40 by 30 at (100, 60)
            "1\n0\n"           // reaching outside: nothing drawn
            "1\n0\n0\n0\nsurvived\n");  // 8 by 8 at (0, 0) whatever the origin
}

TEST_F(Movies, FilesThatAreNoMoviesGiveZero) {
  expectRun("bad_files", "0\n0\n0\n0\n0\nsurvived\n");
  ProgramRun r = run("bad_files", {});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.err, "");
}

TEST_F(Movies, ModeChangesFreeMovies) {
  expectRun("mode_change", "1\n0\n0\n0\nsurvived\n");
}

TEST_F(Movies, AMovieLeftOpenEndsWithTheProgram) {
  expectRun("left_open", "1\nsurvived\n");
  ProgramRun r = run("left_open", {});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.signal, 0);
}
