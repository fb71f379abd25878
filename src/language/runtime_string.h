#pragma once
// The string value of the language. Compiled code holds RuntimeString
// pointers; every routine or command that receives one owns it and releases
// it, and every string result is new and owned by the receiver.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vx {

struct RuntimeString {
  RuntimeString* next;  // pool links: in-use list, or the free stack
  RuntimeString* prev;
  char* data;           // points at local while the text fits there
  uint32_t size;
  uint32_t capacity;    // bytes available in data, terminator excluded
  char local[24];

  std::string_view view() const { return {data, size}; }
  const char* c_str() const { return data; }

  // Appends bytes in place, growing the storage geometrically.
  void append(const char* bytes, size_t length);
  // Replaces the text.
  void assign(const char* bytes, size_t length);
  // Makes room for length bytes, sets the size, and returns the storage for
  // the caller to fill (its old contents are not kept).
  char* resize(size_t length);
};

// A null string reads as the empty string everywhere.
inline std::string_view viewOf(const RuntimeString* s) { return s ? s->view() : std::string_view(); }

// Pool of the running program.
RuntimeString* newString(std::string_view text = {});
RuntimeString* newString(const char* bytes, size_t length);
// From zero-terminated characters.
RuntimeString* newStringFromC(const char* chars);
void releaseString(RuntimeString* s);  // null is ignored

// Called when the basic module is created and destroyed: drops every block.
void resetStringPool();
// Strings created and not yet released.
int32_t liveStringCount();

}  // namespace vx
