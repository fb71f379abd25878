#pragma once
// Calls into dynamic libraries by library and function name, for CallDLL.
// Each library is opened and each function looked up once; both stay
// cached until the LibraryCalls goes, which closes the libraries.
//
// A Windows name "x.dll" is also tried as "x.so" and "libx.so"; a name
// without a directory is searched for the way the system searches, then in
// the current directory.

#include <cstdint>
#include <string>
#include <unordered_map>

namespace vx {

class LibraryCalls {
 public:
  LibraryCalls() = default;
  ~LibraryCalls();
  LibraryCalls(const LibraryCalls&) = delete;
  LibraryCalls& operator=(const LibraryCalls&) = delete;

  // Calls function(inData, inSize, outData, outSize) and returns its 32-bit
  // result; 0 when the library or the function cannot be found.
  int32_t call(const std::string& library, const std::string& function, void* inData, int32_t inSize,
               void* outData, int32_t outSize);

 private:
  struct Library {
    void* handle;
    std::unordered_map<std::string, void*> functions;
  };
  std::unordered_map<std::string, Library> libraries_;
};

// Calls a function with four 32-bit arguments pushed right to left. The
// stack pointer is saved before and restored after, so the function may pop
// its arguments (stdcall) or leave them (cdecl).
int32_t callWithFourArguments(void* function, void* a, int32_t b, void* c, int32_t d);

}  // namespace vx
