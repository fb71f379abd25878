#pragma once
// How commands take and give strings. A command declares a parameter of type
// StrArg for each '$' parameter: it owns the string and releases it when the
// command returns (or fails). A '$' result is a new RuntimeString*.

#include <string>
#include <string_view>

#include "language/runtime_string.h"

namespace vx {

class StrArg {
 public:
  explicit StrArg(RuntimeString* s) : s_(s) {}
  StrArg(StrArg&& other) noexcept : s_(other.s_) { other.s_ = nullptr; }
  StrArg(const StrArg&) = delete;
  StrArg& operator=(const StrArg&) = delete;
  ~StrArg() { releaseString(s_); }

  std::string_view view() const { return viewOf(s_); }
  // Zero-terminated text for system calls (stops at an embedded zero byte).
  const char* c_str() const { return s_ ? s_->c_str() : ""; }
  std::string str() const { return std::string(view()); }
  size_t size() const { return s_ ? s_->size : 0; }
  bool empty() const { return size() == 0; }

  // Takes the string over, to reuse its storage for a result.
  RuntimeString* take() {
    RuntimeString* s = s_ ? s_ : newString();
    s_ = nullptr;
    return s;
  }

 private:
  RuntimeString* s_;
};

}  // namespace vx
