#pragma once
// Runs a program (vxrun with a module) headless and collects what it did.

#include <functional>
#include <string>
#include <vector>

namespace vxtest {

struct ProgramRun {
  int exitStatus = -1;  // -1 when killed or timed out
  int signal = 0;       // the signal that ended it, if one did
  int exitMsAfterSignal = -1;  // from the signal sent (RunOptions) to its end
  std::string out;
  std::string err;
};

struct RunOptions {
  std::vector<std::string> environment;  // NAME=value, added to a headless base
  int timeoutMs = 20000;
  // When standard output or error contains this text, send the signal to
  // the program.
  std::string signalWhenSeen;
  int signalToSend = 0;
  // In a window of the test X server instead of headless (only in tests
  // declared WINDOWED).
  bool windowed = false;
  // Called with all of standard output so far whenever more arrives, while
  // the program runs.
  std::function<void(const std::string& out)> onOutput;
};

// The test X server's display (":N"); the test fails without one.
std::string testDisplay();

ProgramRun runProgram(const std::vector<std::string>& argv, const RunOptions& options = {});

// Runs a test program's module with arguments; by default with the
// console debugger, so that its log is standard output.
ProgramRun runModule(const std::string& name, const std::vector<std::string>& args = {},
                     const std::vector<std::string>& environment = {"VX_DEBUG=1"});

// A directory of its own for one test, removed with everything in it.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The module file of a test program by name.
std::string modulePath(const std::string& name);
// vxrun's path.
std::string vxrunPath();

}  // namespace vxtest
