// vxrun: runs the module carried in its own file, else the module file or
// Windows executable named by its first argument; the rest of the command
// line is the program's argument text.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/heap_policy.h"
#include "platform/message_box.h"
#include "platform/shell.h"
#include "runtime/command_line.h"
#include "runtime/debugger.h"
#include "runtime/linker.h"
#include "runtime/module_source.h"
#include "runtime/run_step.h"
#include "runtime/runtime.h"
#include "runtime/stop_signals.h"

namespace {

const char kUsage[] =
    "usage: vxrun MODULE [ARGUMENTS...]\n"
    "  Runs a Vexel Basic program. MODULE is a module file (made by vxmod)\n"
    "  or a Windows executable that carries one; the rest of the command line\n"
    "  is the program's argument text. A stand-alone executable made by\n"
    "  vxbundle runs the module it carries.\n"
    "  VX_DEBUG=1 runs the program with the console debugger.\n"
    "  Exit status: 0 when the program ends normally, 1 after an error\n"
    "  message, 255 when the module cannot be run, 128 + n after signal n.\n";

// The runtime's own message and the reason, on standard error: these come
// before any window, so there is no box to show them in.
[[noreturn]] void failToStart(const std::string& file, const std::string& reason) {
  std::fprintf(stderr, "Unable to run Vexel Basic module\n%s: %s\n", file.c_str(), reason.c_str());
  std::exit(255);
}

vx::Debugger* chooseDebugger() {
  const char* flag = std::getenv("VX_DEBUG");
  return flag && std::string(flag) == "1" ? &vx::consoleDebugger() : nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (vx::isMessageBoxHelper(argc, argv)) return vx::runMessageBoxHelper(argc, argv);
  vx::keepLargeBlocksInHeap();
  vx::showMessageBoxesThrough("/proc/self/exe");
  vx::Runtime* runtime = runtimeGetRuntime();
  runtime->startUp(nullptr);

  std::vector<std::string> words(argv, argv + argc);
  std::string file = words.empty() ? "vxrun" : words[0];
  std::optional<std::vector<uint8_t>> module = vx::readEmbeddedModule("/proc/self/exe");
  vx::setProgramFile("/proc/self/exe");
  if (!module) {
    if (vx::isStandAloneExecutable()) failToStart(file, "stand-alone executable whose module was stripped off");
    // Without a carried module the program is the file named first.
    if (words.size() < 2 || words[1] == "--help" || words[1] == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (words[1] == "--version") {
      std::printf("vxrun, the Vexel Basic runtime, version %d\n", runtime->versionNumber());
      return 0;
    }
    file = words[1];
    std::string problem;
    module = vx::readModuleFile(file, &problem);
    if (!module) failToStart(file, problem);
    words.erase(words.begin());
    vx::setProgramFile(file);
  }

  vx::RuntimeSymbols symbols = vx::gatherRuntimeSymbols();
  vx::LinkResult linked = vx::linkModule(*module, symbols.table());
  module.reset();
  if (linked.status == vx::LinkResult::Status::Damaged) failToStart(file, "not a module, or a damaged one");
  if (linked.status == vx::LinkResult::Status::MissingSymbol) {
    std::fprintf(stderr, "Can't find symbol: %s\n", linked.missingName.c_str());
    std::exit(255);
  }

  vx::setModuleCode(linked.code, linked.codeSize);
  vx::CommandLineParts line = vx::splitCommandLine(vx::joinCommandLine(words));
  runtime->execute(reinterpret_cast<vx::ModuleEntry>(linked.code), line.arguments.c_str(), chooseDebugger());
  runtime->shutDown();
  std::exit(vx::runExitStatus());
}
