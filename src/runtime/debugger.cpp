#include "runtime/debugger.h"

#include <cstdio>

#include "platform/message_box.h"

namespace vx {

namespace {

class NullDebugger final : public Debugger {
 public:
  void onMessage(const char* text, int32_t serious) override {
    if (serious) showMessageBox("Error!", text, MessageBoxButtons::Ok);
  }
};

class ConsoleDebugger final : public Debugger {
 public:
  void onLog(const char* text) override {
    std::fputs(text, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
  void onMessage(const char* text, int32_t) override {
    std::fflush(stdout);
    std::fputs(text, stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
  }
};

}  // namespace

Debugger& nullDebugger() {
  static NullDebugger d;
  return d;
}

Debugger& consoleDebugger() {
  static ConsoleDebugger d;
  return d;
}

}  // namespace vx
