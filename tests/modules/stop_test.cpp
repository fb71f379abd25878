// Stopping a program from outside: SIGINT, SIGTERM and SIGHUP end it
// promptly wherever it is, with its open files written out and the status
// 128 + the signal, and nothing it started is left behind.

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "program_run.h"

using vxtest::modulePath;
using vxtest::ProgramRun;
using vxtest::RunOptions;
using vxtest::ScratchDir;
using vxtest::vxrunPath;

namespace {

// Generous for a loaded machine; a signal that is not acted on takes the
// whole time-out.
constexpr int kPromptlyMs = 3000;

std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string linesUpTo1000() {
  std::string lines;
  for (int i = 0; i < 1000; ++i) lines += std::to_string(i) + "\r\n";
  return lines;
}

// Processes whose environment holds the tag: whatever a run started.
int processesTagged(const std::string& tag) {
  int found = 0;
  DIR* proc = opendir("/proc");
  while (dirent* entry = proc ? readdir(proc) : nullptr) {
    std::string environment = fileText(std::string("/proc/") + entry->d_name + "/environ");
    if (environment.find(tag) != std::string::npos) ++found;
  }
  if (proc) closedir(proc);
  return found;
}

// Whatever the run started has gone, or goes within a second.
bool nothingLeftOf(const std::string& tag) {
  for (int i = 0; i < 20 && processesTagged(tag) > 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  return processesTagged(tag) == 0;
}

struct Stopped {
  ProgramRun run;
  std::string left;  // the file the program left open
  std::string tag;
};

Stopped stop(const std::string& how, int signal, bool windowed = false, bool debug = true,
             const std::string& when = "waiting\n") {
  ScratchDir dir;
  Stopped s;
  s.tag = "VX_STOP_TEST=" + std::to_string(getpid()) + "-" + how + "-" + std::to_string(signal);
  RunOptions options;
  options.environment = {"VX_TEST_DIR=" + dir.path(), s.tag};
  if (debug) options.environment.push_back("VX_DEBUG=1");
  options.signalWhenSeen = when;
  options.signalToSend = signal;
  options.timeoutMs = 15000;
  options.windowed = windowed;
  s.run = vxtest::runProgram({vxrunPath(), modulePath("stop_me"), how}, options);
  s.left = fileText(dir / "left.txt");
  return s;
}

void expectStoppedPromptly(const Stopped& s, int signal, const std::string& how) {
  EXPECT_EQ(s.run.exitStatus, 128 + signal) << how << " " << s.run.err;
  EXPECT_GE(s.run.exitMsAfterSignal, 0) << how;
  EXPECT_LT(s.run.exitMsAfterSignal, kPromptlyMs) << how;
  EXPECT_EQ(s.left, linesUpTo1000()) << how;
  EXPECT_EQ(s.run.out.find("not stopped"), std::string::npos) << how;
  EXPECT_TRUE(nothingLeftOf(s.tag)) << how;
}

}  // namespace

TEST(StopSignals, EndSpinningAndWaitingProgramsWithTheirFilesWritten) {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    for (const char* how : {"spin", "delay"}) {
      Stopped s = stop(how, signal);
      expectStoppedPromptly(s, signal, how);
      EXPECT_EQ(s.run.out, "waiting\n") << how;
      EXPECT_EQ(s.run.err, "") << how;
    }
  }
}

TEST(StopSignals, EndEveryKindOfWait) {
  const struct {
    const char* how;
    int signal;
  } waits[] = {{"calls", SIGTERM}, {"timer", SIGINT}, {"key", SIGHUP}, {"stop", SIGTERM}, {"exec", SIGINT}};
  for (const auto& w : waits) expectStoppedPromptly(stop(w.how, w.signal), w.signal, w.how);
}

// A close prompt answers the window's close button, never a signal; a
// message box nobody answers does not hold the end up, and its helper goes.
TEST(StopSignals, WindowedProgramsEndDespitePromptsAndBoxes) {
  expectStoppedPromptly(stop("prompt", SIGTERM, true), SIGTERM, "prompt");
  Stopped boxed = stop("box", SIGTERM, true, false, "Error!: waiting in a box\n");
  expectStoppedPromptly(boxed, SIGTERM, "box");
}
