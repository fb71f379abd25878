#pragma once
// Name to address, for linking: an open-addressing hash table over names
// that stay alive while it is used (module bytes, registered texts). A later
// insertion of an equal name replaces the earlier address.

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

class SymbolTable {
 public:
  void reserve(size_t count);
  void insert(std::string_view name, uint32_t address);
  // False when absent.
  bool find(std::string_view name, uint32_t& address) const;
  size_t size() const { return count_; }
  void clear();

 private:
  struct Slot {
    const char* name = nullptr;
    uint32_t length = 0;
    uint32_t hash = 0;
    uint32_t address = 0;
  };
  static uint32_t hashOf(std::string_view name);
  void grow();

  std::vector<Slot> slots_;
  size_t count_ = 0;
};

// The runtime's names for linking: every registration under its link name.
// Owns the transformed names.
class RuntimeSymbols {
 public:
  void add(std::string_view registeredText, uint32_t address);
  const SymbolTable& table() const { return table_; }

 private:
  std::deque<std::string> names_;  // stable storage for the table's views
  SymbolTable table_;
};

// Gathers the names through the Runtime's enumeration (nextSymbol, symbolValue).
RuntimeSymbols gatherRuntimeSymbols();

}  // namespace vx
