#include "runtime/faults.h"

#include <signal.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace vx {

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE};
constexpr size_t kAltStackSize = 64 * 1024;
// A fault this close to the stack pointer is the stack running out.
constexpr uintptr_t kStackSlack = 64 * 1024;

ProgramLanding landing;
bool translating = false;
pid_t mainThread = 0;
struct sigaction previous[sizeof kSignals / sizeof kSignals[0]];
stack_t previousAltStack;
void* altStackMemory = nullptr;

// A fault with nowhere to go back to: the message, then the end.
[[noreturn]] void endAfterFault(const char* message) {
  char line[64];
  size_t length = std::min(std::strlen(message), sizeof line - 1);
  std::memcpy(line, message, length);
  line[length] = '\n';
  [[maybe_unused]] ssize_t written = write(STDERR_FILENO, line, length + 1);
  _exit(1);
}

void onFault(int signal, siginfo_t* info, void* context) {
  if (!translating || static_cast<pid_t>(syscall(SYS_gettid)) != mainThread) {
    // Not ours to translate: let the default action happen on return.
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigaction(signal, &dfl, nullptr);
    return;
  }
  auto* uc = static_cast<ucontext_t*>(context);
  uintptr_t sp = static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_ESP]);
  uintptr_t addr = reinterpret_cast<uintptr_t>(info->si_addr);
  bool nearStack = (signal == SIGSEGV || signal == SIGBUS) &&
                   (addr > sp ? addr - sp : sp - addr) < kStackSlack;
  const char* message = faultMessage(signal, info->si_code, nearStack);
  if (!landing.armed) endAfterFault(message);
  leaveToLanding(message, false);
}

}  // namespace

ProgramLanding& programLanding() { return landing; }

void leaveToLanding(const char* message, bool reported) {
  landing.armed = 0;
  landing.message = message;
  landing.reported = reported;
  siglongjmp(landing.jump, 1);
}

const char* faultMessage(int signal, int code, bool nearStackPointer) {
  switch (signal) {
    case SIGSEGV:
    case SIGBUS:
      return nearStackPointer ? "Stack overflow!" : "Memory access violation";
    case SIGILL:
      return "Illegal instruction";
    case SIGFPE:
      return code == FPE_INTDIV ? "Integer divide by zero" : "Unknown runtime exception";
    default:
      return "Unknown runtime exception";
  }
}

void installFaultTranslation() {
  translating = true;
  landing.armed = 0;
  mainThread = static_cast<pid_t>(syscall(SYS_gettid));
  if (!altStackMemory) altStackMemory = std::malloc(kAltStackSize);
  stack_t alt{};
  alt.ss_sp = altStackMemory;
  alt.ss_size = kAltStackSize;
  sigaltstack(&alt, &previousAltStack);
  for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) {
    struct sigaction action {};
    action.sa_sigaction = onFault;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    sigaction(kSignals[i], &action, &previous[i]);
  }
}

void removeFaultTranslation() {
  for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) sigaction(kSignals[i], &previous[i], nullptr);
  sigaltstack(&previousAltStack, nullptr);
  landing.armed = 0;
  translating = false;
}

}  // namespace vx
