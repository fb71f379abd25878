#include "runtime/runtime.h"

#include <map>
#include <string>

#include "platform/platform_runtime.h"
#include "runtime/registry.h"
#include "runtime/run_step.h"
#include "runtime/runtime_modules.h"

namespace vx {

namespace {

class RuntimeRoot final : public Runtime {
 public:
  int32_t versionNumber() override { return 65721; }

  const char* nextSymbol() override {
    if (symbols_.empty()) {
      Registry registry;
      registerAll(runtimeModules(), registry);
      for (const Registration& r : registry.entries())
        symbols_[r.text] = static_cast<int32_t>(reinterpret_cast<intptr_t>(r.address));
      cursor_ = symbols_.begin();
    }
    if (cursor_ == symbols_.end()) {
      symbols_.clear();
      return nullptr;
    }
    return (cursor_++)->first.c_str();
  }

  int32_t symbolValue(const char* name) override {
    auto it = symbols_.find(name);
    return it == symbols_.end() ? -1 : it->second;
  }

  void startUp(void* instance) override { instance_ = instance; }
  void shutDown() override { symbols_.clear(); }
  void requestSuspend() override { PlatformRuntime::requestSuspend(); }
  void requestResume() override { PlatformRuntime::requestResume(); }
  void requestEnd() override { PlatformRuntime::requestEnd(); }
  void reportMemory(char*) override {}

  void execute(ModuleEntry entry, const char* argumentText, Debugger* debugger) override {
    executeProgram(entry, argumentText, debugger, runtimeModules());
  }

 private:
  void* instance_ = nullptr;
  std::map<std::string, int32_t> symbols_;
  std::map<std::string, int32_t>::iterator cursor_;
};

}  // namespace

}  // namespace vx

extern "C" vx::Runtime* runtimeGetRuntime() {
  static vx::RuntimeRoot root;
  return &root;
}
