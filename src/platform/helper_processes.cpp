#include "platform/helper_processes.h"

#include <signal.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace vx {

namespace {

// Also reached from the thread that ends a stopped run that hangs.
std::mutex lock;
std::vector<pid_t> groups;

}  // namespace

void addHelperProcess(pid_t group) {
  std::lock_guard<std::mutex> held(lock);
  groups.push_back(group);
}

void forgetHelperProcess(pid_t group) {
  std::lock_guard<std::mutex> held(lock);
  std::erase(groups, group);
}

void forgetEndedHelperProcesses() {
  std::lock_guard<std::mutex> held(lock);
  std::erase_if(groups, [](pid_t group) { return kill(-group, 0) != 0; });
}

void signalHelperProcesses(int signal) {
  std::lock_guard<std::mutex> held(lock);
  for (pid_t group : groups) kill(-group, signal);
}

}  // namespace vx
