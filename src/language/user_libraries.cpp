#include "language/user_libraries.h"

#include <dlfcn.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace vx {

namespace {

std::vector<void*> loadedLibraries;

struct CStringBuffer {
  char* text = nullptr;
  size_t capacity = 0;
};
CStringBuffer cStrings[256];
uint32_t cStringCounter = 0;

void userLibNotFound() { raiseError("User lib not found"); }
void userLibFunctionNotFound() { raiseError("User lib function not found"); }

bool endsWithDll(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".dll";
}

// The names a library may go by here: as given, and for a Windows name
// "x.dll" also "x.so" and "libx.so" (the directory part kept).
std::vector<std::string> candidateNames(const std::string& name) {
  std::vector<std::string> names{name};
  if (endsWithDll(name)) {
    std::string stem = name.substr(0, name.size() - 4);
    size_t slash = stem.find_last_of("/\\");
    std::string dir = slash == std::string::npos ? "" : stem.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? stem : stem.substr(slash + 1);
    names.push_back(stem + ".so");
    names.push_back(dir + "lib" + base + ".so");
  }
  return names;
}

void* openLibrary(const std::string& name, const char* installPath) {
  for (const std::string& candidate : candidateNames(name))
    if (void* handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) return handle;
  if (installPath) {
    for (const std::string& candidate : candidateNames(name)) {
      std::string path = std::string(installPath) + "/userlibs/" + candidate;
      if (void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) return handle;
    }
  }
  return nullptr;
}

void storeSlot(const uint8_t* field, void* address) {
  uint32_t slot;
  std::memcpy(&slot, field, 4);
  auto* target = reinterpret_cast<void**>(static_cast<uintptr_t>(slot));
  *target = address;
}

void loadLibs(const char* table) {
  void* const notFound = reinterpret_cast<void*>(&Thunk<userLibNotFound>::call);
  void* const functionNotFound = reinterpret_cast<void*>(&Thunk<userLibFunctionNotFound>::call);
  const char* installPath = std::getenv("vexelpath");
  const char* p = table;
  while (*p) {
    std::string library = p;
    p += library.size() + 1;
    void* handle = openLibrary(library, installPath);
    if (handle) loadedLibraries.push_back(handle);
    while (*p) {
      const char* function = p;
      p += std::strlen(function) + 1;
      void* address = handle ? dlsym(handle, function) : nullptr;
      storeSlot(reinterpret_cast<const uint8_t*>(p), handle ? (address ? address : functionNotFound) : notFound);
      p += 4;
    }
    ++p;  // the end of this library's functions
  }
}

const char* strToCStr(RuntimeString* s) {
  CStringBuffer& buffer = cStrings[cStringCounter++ & 255];
  std::string_view text = viewOf(s);
  if (!buffer.text || buffer.capacity < text.size()) {
    std::free(buffer.text);
    buffer.text = static_cast<char*>(std::malloc(text.size() + 1));
    buffer.capacity = buffer.text ? text.size() : 0;
    if (!buffer.text) throw std::bad_alloc();
  }
  std::memcpy(buffer.text, text.data(), text.size());
  buffer.text[text.size()] = 0;
  releaseString(s);
  return buffer.text;
}

RuntimeString* cStrToStr(const char* chars) { return chars ? newStringFromC(chars) : newString(); }

void freeAll() {
  while (!loadedLibraries.empty()) {
    dlclose(loadedLibraries.back());
    loadedLibraries.pop_back();
  }
  for (CStringBuffer& buffer : cStrings) {
    std::free(buffer.text);
    buffer = CStringBuffer{};
  }
  cStringCounter = 0;
}

bool create() {
  freeAll();
  return true;
}

void link(Registry& r) {
  r.routine<"_vxLoadLibs", loadLibs>();
  r.routine<"_vxStrToCStr", strToCStr>();
  r.routine<"_vxCStrToStr", cStrToStr>();
}

}  // namespace

const RuntimeModule userLibraryModule{"userlibs", create, freeAll, link};

}  // namespace vx
