#pragma once
// Loads a module (code, symbols, relative and absolute relocations) into
// executable memory and patches every relocation site, looking names up
// among the module's own symbols first and the runtime's second.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "runtime/symbol_table.h"

namespace vx {

struct LinkResult {
  enum class Status { Linked, Damaged, MissingSymbol };
  Status status = Status::Damaged;
  uint8_t* code = nullptr;  // the loaded code block; lives until the process ends
  uint32_t codeSize = 0;
  std::string missingName;  // for MissingSymbol
};

// Checks the whole module against its size before anything is written: a
// table or record that runs past the end, a symbol outside the code or a
// relocation field not wholly inside it is a damaged module.
LinkResult linkModule(std::span<const uint8_t> module, const SymbolTable& runtimeSymbols);

// Frees the code block of a linked module (tests; a running program keeps it).
void freeModuleCode(const LinkResult& result);

}  // namespace vx
