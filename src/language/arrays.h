#pragma once
// Dimensioned arrays and vectors. The compiler lays out an array's
// descriptor in the module's data and indexes the storage itself; the
// runtime allocates, releases and reports bounds errors. Elements are 32-bit
// words (integer, float bits, an owned string, an object reference) and new
// storage reads as 0, 0.0, "" and Null. All storage is recorded in the run's
// allocation list.

#include <cstdint>

#include "language/objects.h"
#include "runtime/registry.h"

namespace vx {

struct ArrayDescriptor {
  int32_t* storage;  // 0 while not dimensioned
  int32_t elementCode;
  int32_t dimensions;
  // followed by one word per dimension: the declared upper bound until the
  // array is dimensioned, then the number of elements spanned by this and
  // all earlier dimensions (the last word is the total)

  int32_t* sizes() { return reinterpret_cast<int32_t*>(this + 1); }
};

static_assert(sizeof(ArrayDescriptor) == 12);

template <>
inline constexpr bool kAddressWord<ArrayDescriptor> = true;
template <>
inline constexpr bool kAddressWord<int32_t> = true;

// Releases what elements of this type own: strings are released and object
// references dropped; other element words own nothing. The words are left
// as they are.
void releaseElements(int32_t* elements, int32_t count, int32_t elementCode);

// Zeroed storage for a vector, recorded in the allocation list.
int32_t* allocateVector(const VectorType* type);
// Releases the elements and frees the storage; null is ignored.
void freeVector(int32_t* storage, const VectorType* type);

void linkArrayRoutines(Registry& registry);

}  // namespace vx
