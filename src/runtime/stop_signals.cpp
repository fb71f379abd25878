#include "runtime/stop_signals.h"

#include <pthread.h>
#include <semaphore.h>
#include <signal.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <thread>

#include "platform/helper_processes.h"
#include "runtime/faults.h"

namespace vx {

namespace detail {
std::atomic<int> stopSignalNumber{0};
}

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr size_t kStopSignalCount = sizeof kStopSignals / sizeof kStopSignals[0];
// How often the main thread is interrupted until it has left the program,
// and how long the run may take to leave it, then to clean up.
constexpr auto kPokeInterval = std::chrono::milliseconds(40);
constexpr auto kLeaveLimit = std::chrono::milliseconds(1000);
constexpr auto kCleanUpLimit = std::chrono::milliseconds(3000);

uintptr_t codeBegin = 0;
uintptr_t codeEnd = 0;
pid_t mainThreadId = 0;
pthread_t mainThread;
std::atomic<bool> programLeft{false};
std::atomic<bool> quitting{false};
sem_t arrived;
std::thread watchdog;
struct sigaction previous[kStopSignalCount];

void onStop(int signal, siginfo_t*, void* context) {
  int none = 0;
  if (detail::stopSignalNumber.compare_exchange_strong(none, signal)) sem_post(&arrived);
  if (static_cast<pid_t>(syscall(SYS_gettid)) != mainThreadId) return;
  // Module code holds nothing of the runtime's: it can be left anywhere.
  const auto eip = static_cast<uintptr_t>(static_cast<ucontext_t*>(context)->uc_mcontext.gregs[REG_EIP]);
  if (eip >= codeBegin && eip < codeEnd && programLanding().armed) leaveToLanding(nullptr, true);
}

[[noreturn]] void endWithoutCleanUp() {
  const int signal = stopSignal();
  signalHelperProcesses(SIGKILL);
  _exit(128 + signal);
}

// Waits for a stop; then interrupts the main thread until it has left the
// program (a wait inside a command returns early with EINTR, code of the
// module is left from the signal handler), and ends the process if leaving
// or cleaning up takes too long.
void watch() {
  while (sem_wait(&arrived) != 0) {
  }
  const Clock::time_point start = Clock::now();
  while (!quitting) {
    const bool left = programLeft;
    if (!left) pthread_kill(mainThread, stopSignal());
    if (Clock::now() - start > (left ? kCleanUpLimit : kLeaveLimit)) endWithoutCleanUp();
    std::this_thread::sleep_for(kPokeInterval);
  }
}

}  // namespace

void installStopSignals() {
  detail::stopSignalNumber = 0;
  programLeft = false;
  quitting = false;
  mainThreadId = static_cast<pid_t>(syscall(SYS_gettid));
  mainThread = pthread_self();
  sem_init(&arrived, 0, 0);
  watchdog = std::thread(watch);
  for (size_t i = 0; i < kStopSignalCount; ++i) {
    struct sigaction action {};
    action.sa_sigaction = onStop;
    // No SA_RESTART: a blocking call of the main thread returns early.
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int s : kStopSignals) sigaddset(&action.sa_mask, s);
    sigaction(kStopSignals[i], &action, &previous[i]);
  }
}

void removeStopSignals() {
  quitting = true;
  sem_post(&arrived);
  watchdog.join();
  for (size_t i = 0; i < kStopSignalCount; ++i) sigaction(kStopSignals[i], &previous[i], nullptr);
  sem_destroy(&arrived);
}

void setModuleCode(const void* code, size_t size) {
  codeBegin = reinterpret_cast<uintptr_t>(code);
  codeEnd = codeBegin + size;
}

void noteProgramLeft() { programLeft = true; }

}  // namespace vx
