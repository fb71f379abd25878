#include "platform/shell.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/helper_processes.h"
#include "runtime/command_line.h"

extern char** environ;

namespace vx {

namespace {

std::string programFile;
std::vector<pid_t> startedPrograms;  // not reaped yet

std::string withSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

// Splits parameters into words: blanks separate, double quotes group.
std::vector<std::string> splitParameters(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false, quoted = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if (c == ' ' && !quoted) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

bool isExecutableFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

bool spawn(const std::vector<std::string>& argv, bool searchPath) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  // A group of its own: what the program starts in turn (a viewer that
  // xdg-open hands the document to) is stopped with it.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  pid_t pid;
  int failed = searchPath ? posix_spawnp(&pid, args[0], nullptr, &attributes, args.data(), environ)
                          : posix_spawn(&pid, args[0], nullptr, &attributes, args.data(), environ);
  posix_spawnattr_destroy(&attributes);
  if (failed != 0) return false;
  startedPrograms.push_back(pid);
  addHelperProcess(pid);
  return true;
}

}  // namespace

void setProgramFile(const std::string& path) {
  char resolved[PATH_MAX];
  programFile = realpath(path.c_str(), resolved) ? resolved : path;
}

bool executeFile(std::string_view command) {
  reapStartedPrograms();
  while (!command.empty() && command.front() == ' ') command.remove_prefix(1);
  std::string file;
  std::string_view parameters;
  if (!command.empty() && command.front() == '"') {
    size_t close = command.find('"', 1);
    file = std::string(command.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    if (close != std::string_view::npos) parameters = command.substr(close + 1);
  } else {
    size_t blank = command.find(' ');
    file = std::string(command.substr(0, blank));
    if (blank != std::string_view::npos) parameters = command.substr(blank + 1);
  }
  if (file.empty()) return false;
  for (char& c : file)
    if (c == '\\') c = '/';

  std::vector<std::string> argv{file};
  for (std::string& word : splitParameters(trimBlanks(parameters))) argv.push_back(std::move(word));

  // A program beside the current directory runs as Windows would run it;
  // a bare name is looked up on the path; anything else is a document.
  bool hasSlash = file.find('/') != std::string::npos;
  if (isExecutableFile(file)) {
    if (!hasSlash) argv[0] = "./" + file;
    return spawn(argv, false);
  }
  struct stat st;
  if (stat(file.c_str(), &st) == 0) return spawn({"xdg-open", file}, true);
  if (!hasSlash) return spawn(argv, true);
  return false;
}

void reapStartedPrograms() {
  std::erase_if(startedPrograms, [](pid_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; });
  forgetEndedHelperProcesses();
}

std::string systemProperty(std::string_view name) {
  if (name == "cpu") return "Intel";
  if (name == "os") {
    struct utsname u;
    if (uname(&u) != 0) return "";
    return std::string(u.sysname) + " " + u.release;
  }
  if (name == "appdir") {
    size_t slash = programFile.find_last_of('/');
    return slash == std::string::npos ? "" : programFile.substr(0, slash + 1);
  }
  if (name == "windowsdir") return "/usr/share/";
  if (name == "systemdir") return "/usr/lib/";
  if (name == "tempdir") {
    const char* tmp = std::getenv("TMPDIR");
    return withSlash(tmp && *tmp ? tmp : "/tmp");
  }
  return "";
}

}  // namespace vx
