#pragma once
// A debugger that remembers what it was told.

#include <string>
#include <vector>

#include "runtime/debugger.h"

namespace vxtest {

class RecordingDebugger final : public vx::Debugger {
 public:
  struct Message {
    std::string text;
    int serious;
  };
  void onRun() override { ++runs; }
  void onStop() override { ++stops; }
  void onStatement(int32_t a, int32_t b) override { statements.push_back(a * 1000 + b); }
  void onEnter(int32_t a, int32_t b, int32_t c) override { enters.push_back(a + b + c); }
  void onLeave() override { ++leaves; }
  void onLog(const char* text) override { logs.push_back(text); }
  void onMessage(const char* text, int32_t serious) override { messages.push_back({text, serious}); }

  int runs = 0, stops = 0, leaves = 0;
  std::vector<int> statements, enters;
  std::vector<std::string> logs;
  std::vector<Message> messages;
};

}  // namespace vxtest
