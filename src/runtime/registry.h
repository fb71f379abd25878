#pragma once
// Registration of everything compiled code can call. A runtime module lists
// its commands and internal symbols in its link step:
//
//   registry.command<"%Len$string", len>();
//   registry.routine<"_vxStrConcat", strConcat>();
//   registry.value("_vxIntType", &intTypeWord);
//
// Each function is reached through a generated stdcall thunk that turns the
// argument words into the function's parameter types and stops any vxEx
// before it can unwind into module frames. The signature's sigils are checked
// against the function's types when the registration is compiled.

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "language/runtime_string.h"
#include "language/string_args.h"
#include "runtime/errors.h"
#include "runtime/stop_signals.h"

#define VX_STDCALL __attribute__((stdcall))

namespace vx {

// Leaves the running program for the run step (which has already been told
// of the message, if any). Never returns.
[[noreturn]] void leaveProgram(const char* message);
// Reports an unexpected C++ exception from a command, then leaves.
[[noreturn]] void leaveOnUnknownException();

enum class SymbolKind : uint8_t { Command, Routine, Value };

// What the registry keeps of a registration: the Runtime uses text and
// address; the SDK generator also uses the C types.
struct Registration {
  const char* text;
  void* address;
  SymbolKind kind;
  const char* resultType;
  const char* const* paramTypes;
  int paramCount;
};

// How a parameter or result type travels as a 32-bit word.
template <typename T>
struct Word;

template <>
struct Word<int32_t> {
  using type = int32_t;
  static constexpr char sigil = '%';
  static constexpr const char* cType = "int";
  static int32_t from(int32_t w) { return w; }
};

template <>
struct Word<float> {
  using type = float;
  static constexpr char sigil = '#';
  static constexpr const char* cType = "float";
  static float from(float w) { return w; }
};

template <>
struct Word<StrArg> {
  using type = RuntimeString*;
  static constexpr char sigil = '$';
  static constexpr const char* cType = "VxString*";
  static StrArg from(RuntimeString* w) { return StrArg(w); }
};

template <>
struct Word<RuntimeString*> {
  using type = RuntimeString*;
  static constexpr char sigil = '$';
  static constexpr const char* cType = "VxString*";
  static RuntimeString* from(RuntimeString* w) { return w; }
};

template <>
struct Word<RuntimeString**> {
  using type = RuntimeString**;
  static constexpr char sigil = 0;
  static constexpr const char* cType = "VxString**";
  static RuntimeString** from(RuntimeString** w) { return w; }
};

template <>
struct Word<const char*> {
  using type = const char*;
  static constexpr char sigil = 0;
  static constexpr const char* cType = "const char*";
  static const char* from(const char* w) { return w; }
};

template <>
struct Word<void*> {
  using type = void*;
  static constexpr char sigil = 0;
  static constexpr const char* cType = "void*";
  static void* from(void* w) { return w; }
};

// Structures that compiled code lays out in its data or holds in its
// variables (type descriptors, object records, array descriptors, data
// items) travel as their addresses. A header opts its structure in with
//   template <> inline constexpr bool kAddressWord<ObjectRecord> = true;
template <typename T>
inline constexpr bool kAddressWord = false;

template <typename T>
  requires kAddressWord<T>
struct Word<T*> {
  using type = T*;
  static constexpr char sigil = 0;
  static constexpr const char* cType = "void*";
  static T* from(T* w) { return w; }
};

template <>
struct Word<void> {
  static constexpr char sigil = 0;
  static constexpr const char* cType = "void";
};

template <auto Fn>
struct Thunk;

template <typename R, typename... A, R (*Fn)(A...)>
struct Thunk<Fn> {
  static R VX_STDCALL call(typename Word<A>::type... words) {
    const char* message;
    try {
      // Back from any command, a stopped program goes no further.
      if constexpr (std::is_void_v<R>) {
        Fn(Word<A>::from(words)...);
        if (stopRequested()) [[unlikely]] endProgram();
        return;
      } else {
        R result = Fn(Word<A>::from(words)...);
        if (stopRequested()) [[unlikely]] endProgram();
        return result;
      }
    } catch (const vxEx& e) {
      message = e.message;
    } catch (...) {
      leaveOnUnknownException();
    }
    leaveProgram(message);
  }

  static constexpr char resultSigil = Word<R>::sigil;
  static constexpr char paramSigils[sizeof...(A) + 1] = {Word<A>::sigil..., 0};
  static constexpr const char* resultType = Word<R>::cType;
  static constexpr const char* paramTypes[sizeof...(A) + 1] = {Word<A>::cType..., nullptr};
  static constexpr int paramCount = sizeof...(A);
};

// A string literal usable as a template argument; its storage is static.
template <size_t N>
struct FixedString {
  char value[N];
  constexpr FixedString(const char (&text)[N]) {
    for (size_t i = 0; i < N; ++i) value[i] = text[i];
  }
};

constexpr bool isSigil(char c) { return c == '%' || c == '#' || c == '$'; }
constexpr bool isNameChar(char c) {
  return c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// True when a command signature follows the grammar and its sigils are
// exactly the given result and parameter sigils.
constexpr bool signatureMatches(const char* sig, char result, const char* params) {
  size_t i = 0;
  char found = 0;
  if (isSigil(sig[i])) found = sig[i++];
  if (found != result) return false;
  if (!(sig[i] == '_' || (sig[i] >= 'a' && sig[i] <= 'z') || (sig[i] >= 'A' && sig[i] <= 'Z'))) return false;
  while (isNameChar(sig[i])) ++i;
  size_t p = 0;
  bool sawDefault = false;
  while (sig[i]) {
    if (!isSigil(sig[i]) || params[p] != sig[i]) return false;
    ++i;
    ++p;
    if (!isNameChar(sig[i])) return false;
    while (isNameChar(sig[i])) ++i;
    if (sig[i] == '=') {
      ++i;
      sawDefault = true;
      if (sig[i] == '"') {
        if (sig[i + 1] != '"') return false;
        i += 2;
      } else {
        if (sig[i] == '-') ++i;
        if (!(sig[i] >= '0' && sig[i] <= '9')) return false;
        while (sig[i] >= '0' && sig[i] <= '9') ++i;
      }
    } else if (sawDefault) {
      return false;
    }
  }
  return params[p] == 0;
}

constexpr bool isInternalName(const char* name) {
  if (name[0] != '_') return false;
  for (size_t i = 1; name[i]; ++i)
    if (!isNameChar(name[i])) return false;
  return true;
}

class Registry {
 public:
  template <FixedString Sig, auto Fn>
  void command() {
    using T = Thunk<Fn>;
    static_assert(Sig.value[0] != '_', "commands do not start with an underscore");
    static_assert(signatureMatches(Sig.value, T::resultSigil, T::paramSigils),
                  "signature does not match the function's parameter and result types");
    add({Sig.value, reinterpret_cast<void*>(&T::call), SymbolKind::Command, T::resultType, T::paramTypes,
         T::paramCount});
  }

  template <FixedString Name, auto Fn>
  void routine() {
    using T = Thunk<Fn>;
    static_assert(isInternalName(Name.value), "internal routines are named _vxName");
    add({Name.value, reinterpret_cast<void*>(&T::call), SymbolKind::Routine, T::resultType, T::paramTypes,
         T::paramCount});
  }

  void value(const char* name, int32_t* word) {
    add({name, word, SymbolKind::Value, "int", nullptr, 0});
  }

  const std::vector<Registration>& entries() const { return entries_; }

 private:
  void add(const Registration& r) { entries_.push_back(r); }
  std::vector<Registration> entries_;
};

}  // namespace vx
