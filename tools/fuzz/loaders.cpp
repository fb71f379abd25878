// A libFuzzer target over the readers of files the runtime is handed: model
// files, BSP levels, MD2 models, module files and the executables that
// carry modules. VX_FUZZ_FORMAT picks the reader (x, xmesh, 3ds, v3d, md2,
// bsp, module, pe). Built and run by tools/fuzz.sh with the address and
// undefined-behaviour sanitizers: a crash, an out-of-bounds read, a huge
// allocation or a reader that runs for seconds on a small input is a fault.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>

#include "engine3d/world.h"
#include "runtime/linker.h"
#include "runtime/module_source.h"
#include "runtime/symbol_table.h"
#include "world3d/bsp_level.h"
#include "world3d/md2_loader.h"
#include "world3d/model_files.h"
#include "world3d/three_ds_file.h"
#include "world3d/v3d_file.h"
#include "world3d/vexel3d_module.h"
#include "world3d/x_file.h"

namespace {

std::string format;
const vx::RuntimeSymbols* runtimeSymbols = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* chosen = std::getenv("VX_FUZZ_FORMAT");
  format = chosen ? chosen : "";
  // Models are built as entities of a world without graphics.
  vx::startWorld3D();
  runtimeSymbols = new vx::RuntimeSymbols(vx::gatherRuntimeSymbols());
  if (format == "x" || format == "xmesh" || format == "3ds" || format == "v3d" || format == "md2" ||
      format == "bsp" || format == "module" || format == "pe")
    return 0;
  std::fprintf(stderr, "VX_FUZZ_FORMAT must be x, xmesh, 3ds, v3d, md2, bsp, module or pe\n");
  std::exit(2);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  const vx::ModelLoad load{*vx::world3D(), "", format == "xmesh" ? vx::kLoadMesh : vx::kLoadAnimMesh, {}};
  if (format == "x" || format == "xmesh") {
    vx::readX(load, bytes);
  } else if (format == "3ds") {
    vx::read3DS(load, bytes);
  } else if (format == "v3d") {
    vx::readV3D(load, bytes);
  } else if (format == "md2") {
    vx::readMD2(data, size);
  } else if (format == "bsp") {
    vx::readBSPLevel(bytes, nullptr);
  } else if (format == "module") {
    vx::freeModuleCode(vx::linkModule(bytes, runtimeSymbols->table()));
  } else {
    vx::findPeResource(bytes, vx::kModuleResourceType, vx::kModuleResourceId);
  }
  return 0;
}
