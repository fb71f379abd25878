// vxrun: runs the module carried in its own file, else the module file or
// Windows executable named by its first argument; the rest of the command
// line is the program's argument text.

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/shell.h"
#include "runtime/command_line.h"
#include "runtime/debugger.h"
#include "runtime/linker.h"
#include "runtime/module_source.h"
#include "runtime/runtime.h"

namespace {

[[noreturn]] void failToStart() {
  vx::showMessageBox(nullptr, "Unable to run Vexel Basic module", vx::MessageBoxButtons::Ok);
  std::exit(255);
}

vx::Debugger* chooseDebugger() {
  const char* flag = std::getenv("VX_DEBUG");
  return flag && std::string(flag) == "1" ? &vx::consoleDebugger() : nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  vx::Runtime* runtime = runtimeGetRuntime();
  runtime->startUp(nullptr);

  std::vector<std::string> words(argv, argv + argc);
  std::optional<std::vector<uint8_t>> module = vx::readEmbeddedModule("/proc/self/exe");
  vx::setProgramFile("/proc/self/exe");
  if (!module) {
    // Without a carried module the program is the file named first.
    if (words.size() < 2) failToStart();
    module = vx::readModuleFile(words[1]);
    if (!module) failToStart();
    words.erase(words.begin());
    vx::setProgramFile(words[0]);
  }

  vx::RuntimeSymbols symbols = vx::gatherRuntimeSymbols();
  vx::LinkResult linked = vx::linkModule(*module, symbols.table());
  module.reset();
  if (linked.status == vx::LinkResult::Status::Damaged) failToStart();
  if (linked.status == vx::LinkResult::Status::MissingSymbol) {
    std::string text = "Can't find symbol: " + linked.missingName;
    vx::showMessageBox(nullptr, text.c_str(), vx::MessageBoxButtons::Ok);
    std::exit(0);
  }

  vx::CommandLineParts line = vx::splitCommandLine(vx::joinCommandLine(words));
  runtime->execute(reinterpret_cast<vx::ModuleEntry>(linked.code), line.arguments.c_str(), chooseDebugger());
  runtime->shutDown();
  std::exit(0);
}
