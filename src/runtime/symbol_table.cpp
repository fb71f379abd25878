#include "runtime/symbol_table.h"

#include <cstring>

#include "runtime/link_name.h"
#include "runtime/runtime.h"

namespace vx {

uint32_t SymbolTable::hashOf(std::string_view name) {
  uint32_t h = 2166136261u;  // FNV-1a
  for (unsigned char c : name) h = (h ^ c) * 16777619u;
  return h;
}

void SymbolTable::reserve(size_t count) {
  size_t wanted = 16;
  while (wanted < count * 2) wanted *= 2;
  if (wanted <= slots_.size()) return;
  std::vector<Slot> old;
  old.swap(slots_);
  slots_.assign(wanted, Slot{});
  count_ = 0;
  for (const Slot& s : old)
    if (s.name) insert(std::string_view(s.name, s.length), s.address);
}

void SymbolTable::grow() { reserve(slots_.empty() ? 8 : slots_.size()); }

void SymbolTable::insert(std::string_view name, uint32_t address) {
  if ((count_ + 1) * 2 > slots_.size()) grow();
  uint32_t hash = hashOf(name);
  size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    Slot& s = slots_[i];
    if (!s.name) {
      s = Slot{name.data(), static_cast<uint32_t>(name.size()), hash, address};
      ++count_;
      return;
    }
    if (s.hash == hash && s.length == name.size() && std::memcmp(s.name, name.data(), name.size()) == 0) {
      s.address = address;
      return;
    }
  }
}

bool SymbolTable::find(std::string_view name, uint32_t& address) const {
  if (slots_.empty()) return false;
  uint32_t hash = hashOf(name);
  size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& s = slots_[i];
    if (!s.name) return false;
    if (s.hash == hash && s.length == name.size() && std::memcmp(s.name, name.data(), name.size()) == 0) {
      address = s.address;
      return true;
    }
  }
}

void SymbolTable::clear() {
  slots_.clear();
  count_ = 0;
}

void RuntimeSymbols::add(std::string_view registeredText, uint32_t address) {
  names_.push_back(linkName(registeredText));
  table_.insert(names_.back(), address);
}

RuntimeSymbols gatherRuntimeSymbols() {
  Runtime* runtime = runtimeGetRuntime();
  RuntimeSymbols symbols;
  while (const char* name = runtime->nextSymbol())
    symbols.add(name, static_cast<uint32_t>(runtime->symbolValue(name)));
  return symbols;
}

}  // namespace vx
