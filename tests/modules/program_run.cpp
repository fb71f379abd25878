#include "program_run.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

extern char** environ;

namespace vxtest {

namespace {

// Where each thread of a program that does not end is, when a debugger is
// at hand: a run cut off at its time limit says what it was waiting in.
std::string threadsOf(pid_t pid) {
  const std::string command =
      "timeout 60 gdb -p " + std::to_string(pid) + " -batch -ex 'thread apply all bt 25' 2>/dev/null";
  std::string threads;
  if (FILE* gdb = popen(command.c_str(), "r")) {
    char line[1024];
    while (fgets(line, sizeof line, gdb))
      if (line[0] == '#' || std::strncmp(line, "Thread", 6) == 0) threads += line;
    pclose(gdb);
  }
  return threads;
}

}  // namespace

std::string modulePath(const std::string& name) { return std::string(VX_MODULE_DIR) + "/" + name + ".vxm"; }
std::string vxrunPath() { return VX_VXRUN; }

ProgramRun runModule(const std::string& name, const std::vector<std::string>& args,
                     const std::vector<std::string>& environment) {
  RunOptions options;
  options.environment = environment;
  std::vector<std::string> argv = {vxrunPath(), modulePath(name)};
  argv.insert(argv.end(), args.begin(), args.end());
  return runProgram(argv, options);
}

std::string testDisplay() {
  const char* file = getenv("VX_TEST_DISPLAY_FILE");
  std::string display;
  if (file) std::getline(std::ifstream(file), display);
  EXPECT_FALSE(display.empty()) << "no test X server (run the test through ctest)";
  return display;
}

ProgramRun runProgram(const std::vector<std::string>& argv, const RunOptions& options) {
  int outPipe[2], errPipe[2];
  if (pipe(outPipe) != 0 || pipe(errPipe) != 0) return {};

  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    if (entry.rfind("VX_DEBUG=", 0) == 0 || entry.rfind("DISPLAY=", 0) == 0 ||
        entry.rfind("WAYLAND_DISPLAY=", 0) == 0 || entry.rfind("SDL_VIDEODRIVER=", 0) == 0)
      continue;
    env.push_back(entry);
  }
  if (options.windowed)
    env.push_back("DISPLAY=" + testDisplay());
  else
    env.push_back("SDL_VIDEODRIVER=dummy");
  for (const std::string& e : options.environment) env.push_back(e);

  pid_t pid = fork();
  if (pid == 0) {
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    close(outPipe[0]);
    close(errPipe[0]);
    std::vector<char*> args, envp;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    execve(args[0], args.data(), envp.data());
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);

  ProgramRun run;
  bool signalled = false;
  std::chrono::steady_clock::time_point signalledAt;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(options.timeoutMs);
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  int open = 2;
  while (open > 0) {
    int left = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count());
    if (left <= 0) {
      run.err += "\n[the program did not end in " + std::to_string(options.timeoutMs) + " ms; its threads:]\n" +
                 threadsOf(pid);
      kill(pid, SIGKILL);
      break;
    }
    if (poll(fds, 2, left) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buffer[4096];
      ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
        continue;
      }
      (i == 0 ? run.out : run.err).append(buffer, static_cast<size_t>(n));
      if (i == 0 && options.onOutput) options.onOutput(run.out);
    }
    if (!signalled && !options.signalWhenSeen.empty() &&
        (run.out.find(options.signalWhenSeen) != std::string::npos ||
         run.err.find(options.signalWhenSeen) != std::string::npos)) {
      kill(pid, options.signalToSend);
      signalled = true;
      signalledAt = std::chrono::steady_clock::now();
    }
  }
  for (pollfd& f : fds)
    if (f.fd >= 0) close(f.fd);
  int status = 0;
  waitpid(pid, &status, 0);
  if (signalled)
    run.exitMsAfterSignal = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                 std::chrono::steady_clock::now() - signalledAt)
                                                 .count());
  if (WIFEXITED(status)) run.exitStatus = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
  return run;
}

ScratchDir::ScratchDir() {
  std::string pattern = ::testing::TempDir() + "vxscratchXXXXXX";
  if (mkdtemp(pattern.data())) path_ = std::filesystem::canonical(pattern).string();
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace vxtest
