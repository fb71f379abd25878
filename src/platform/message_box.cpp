#include "platform/message_box.h"

#include <SDL.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/helper_processes.h"
#include "runtime/stop_signals.h"

extern char** environ;

namespace vx {

bool haveDisplay() {
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  if (driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0)) return false;
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 && *x11) || (wayland && *wayland);
}

namespace {

constexpr const char kHelperName[] = "vxrun-message-box";
// The helper's exit status for each answer; anything else: no box shown.
constexpr int kAnsweredOk = 0;
constexpr int kAnsweredCancel = 1;
constexpr int kNotShown = 2;
constexpr int kAnswerPollMs = 20;

std::string helperExecutable;

void writeToConsole(const char* caption, const char* text) {
  std::fflush(stdout);
  if (caption && *caption)
    std::fprintf(stderr, "%s: %s\n", caption, text);
  else
    std::fprintf(stderr, "%s\n", text);
  std::fflush(stderr);
}

// SDL's box; the helper's exit status for its answer.
int showWithSdl(const char* caption, const char* text, bool okCancel) {
  const SDL_MessageBoxButtonData withCancel[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "OK"},
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "Cancel"},
  };
  const SDL_MessageBoxButtonData ok[] = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "OK"}};
  SDL_MessageBoxData data{};
  data.flags = okCancel ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION;
  data.title = caption;
  data.message = text;
  data.numbuttons = okCancel ? 2 : 1;
  data.buttons = okCancel ? withCancel : ok;
  int pressed = 0;
  if (SDL_ShowMessageBox(&data, &pressed) != 0) return kNotShown;
  return pressed == 1 ? kAnsweredOk : kAnsweredCancel;
}

// Starts the helper in a process group of its own and waits for its answer,
// looking for a stop between polls.
int showThroughHelper(const char* caption, const char* text, bool okCancel) {
  char* argv[] = {const_cast<char*>(kHelperName), const_cast<char*>(caption), const_cast<char*>(text),
                  const_cast<char*>(okCancel ? "2" : "1"), nullptr};
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  posix_spawnattr_setpgroup(&attributes, 0);
  sigset_t none, stops;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  sigemptyset(&stops);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stops, s);
  posix_spawnattr_setsigdefault(&attributes, &stops);
  pid_t pid;
  const int failed = posix_spawn(&pid, helperExecutable.c_str(), nullptr, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  if (failed != 0) return kNotShown;
  addHelperProcess(pid);

  int status = 0;
  for (;;) {
    const pid_t ended = waitpid(pid, &status, WNOHANG);
    if (ended == pid) break;
    if (ended < 0 && errno != EINTR) {
      status = 0;
      break;
    }
    if (stopRequested()) {
      kill(-pid, SIGKILL);
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      forgetHelperProcess(pid);
      return kAnsweredCancel;
    }
    usleep(kAnswerPollMs * 1000);
  }
  forgetHelperProcess(pid);
  return WIFEXITED(status) ? WEXITSTATUS(status) : kNotShown;
}

}  // namespace

MessageBoxAnswer showMessageBox(const char* caption, const char* text, MessageBoxButtons buttons) {
  writeToConsole(caption, text);
  if (!haveDisplay()) return MessageBoxAnswer::Ok;
  const bool okCancel = buttons == MessageBoxButtons::OkCancel;
  const int answer = helperExecutable.empty() ? showWithSdl(caption ? caption : "", text, okCancel)
                                              : showThroughHelper(caption ? caption : "", text, okCancel);
  return answer == kAnsweredCancel ? MessageBoxAnswer::Cancel : MessageBoxAnswer::Ok;
}

void showMessageBoxesThrough(const char* executable) { helperExecutable = executable ? executable : ""; }

bool isMessageBoxHelper(int argc, char** argv) { return argc == 4 && std::strcmp(argv[0], kHelperName) == 0; }

int runMessageBoxHelper(int, char** argv) {
  return showWithSdl(argv[1], argv[2], std::strcmp(argv[3], "2") == 0);
}

}  // namespace vx
