#pragma once
// Data statements: the module's __DATA table of constants, read in
// sequence from the position the last restore statement set. Items are
// 8 bytes, a type code and a value: 1 an integer, 2 float bits, 4 the
// address of zero-terminated characters; code 0 ends the table.

#include <cstdint>

#include "runtime/registry.h"

namespace vx {

struct DataItem {
  int32_t code;
  int32_t value;
};

static_assert(sizeof(DataItem) == 8);

template <>
inline constexpr bool kAddressWord<DataItem> = true;

// Called when the basic module is created and destroyed: nothing is read
// until the program restores a position.
void resetDataPosition();

void linkDataRoutines(Registry& registry);

}  // namespace vx
