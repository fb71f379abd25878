#include "platform/library_calls.h"

#include <dlfcn.h>
#include <strings.h>

#include <vector>

#include "platform/file_system.h"

namespace vx {

namespace {

std::vector<std::string> candidateNames(const std::string& name) {
  std::vector<std::string> names{name};
  if (name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".dll") == 0) {
    std::string stem = name.substr(0, name.size() - 4);
    size_t slash = stem.find_last_of("/\\");
    size_t base = slash == std::string::npos ? 0 : slash + 1;
    names.push_back(stem + ".so");
    names.push_back(stem.substr(0, base) + "lib" + stem.substr(base) + ".so");
  }
  return names;
}

void* openLibrary(const std::string& name) {
  std::vector<std::string> names = candidateNames(name);
  for (const std::string& candidate : names) {
    bool hasDirectory = candidate.find_first_of("/\\") != std::string::npos;
    std::string path = hasDirectory ? nativePath(candidate) : candidate;
    if (void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) return handle;
  }
  for (const std::string& candidate : names) {
    if (candidate.find_first_of("/\\") != std::string::npos) continue;
    if (void* handle = dlopen(nativePath("./" + candidate).c_str(), RTLD_NOW | RTLD_LOCAL)) return handle;
  }
  return nullptr;
}

}  // namespace

int32_t callWithFourArguments(void* function, void* a, int32_t b, void* c, int32_t d) {
  uint32_t words[5] = {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(function)),
                       static_cast<uint32_t>(reinterpret_cast<uintptr_t>(a)), static_cast<uint32_t>(b),
                       static_cast<uint32_t>(reinterpret_cast<uintptr_t>(c)), static_cast<uint32_t>(d)};
  uint32_t* argument = words;
  int32_t result;
  // esi keeps the stack pointer across the call (it is preserved by both
  // conventions); the stack is aligned to 16 bytes at the call.
  asm volatile(
      "movl %%esp, %%esi\n\t"
      "andl $-16, %%esp\n\t"
      "pushl 16(%%edi)\n\t"
      "pushl 12(%%edi)\n\t"
      "pushl 8(%%edi)\n\t"
      "pushl 4(%%edi)\n\t"
      "call *(%%edi)\n\t"
      "movl %%esi, %%esp\n\t"
      : "=a"(result), "+D"(argument)
      :
      : "ecx", "edx", "esi", "memory", "cc");
  return result;
}

LibraryCalls::~LibraryCalls() {
  for (auto& [name, library] : libraries_) dlclose(library.handle);
}

int32_t LibraryCalls::call(const std::string& library, const std::string& function, void* inData, int32_t inSize,
                           void* outData, int32_t outSize) {
  auto found = libraries_.find(library);
  if (found == libraries_.end()) {
    void* handle = openLibrary(library);
    if (!handle) return 0;
    found = libraries_.emplace(library, Library{handle, {}}).first;
  }
  Library& entry = found->second;
  auto known = entry.functions.find(function);
  if (known == entry.functions.end()) {
    void* address = dlsym(entry.handle, function.c_str());
    if (!address) return 0;
    known = entry.functions.emplace(function, address).first;
  }
  return callWithFourArguments(known->second, inData, inSize, outData, outSize);
}

}  // namespace vx
