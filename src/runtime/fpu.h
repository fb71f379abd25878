#pragma once
// The x87 state module code runs with: single precision, round to nearest,
// every exception masked (so float division by zero gives infinities).

#include <cstdint>

namespace vx {

inline uint16_t readFpuControl() {
  uint16_t cw;
  asm volatile("fnstcw %0" : "=m"(cw));
  return cw;
}

inline void writeFpuControl(uint16_t cw) { asm volatile("fldcw %0" : : "m"(cw)); }

// Precision control 00 (24 bits), rounding 00 (nearest), masks 0x3F.
constexpr uint16_t kModuleFpuControl = 0x007F;

// Empties the x87 register stack, which code left in the middle of a
// calculation may have filled, and sets the module's control word.
inline void resetFpu() {
  asm volatile("fninit");
  writeFpuControl(kModuleFpuControl);
}

}  // namespace vx
