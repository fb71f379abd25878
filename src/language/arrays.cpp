#include "language/arrays.h"

#include <new>

#include "language/allocation_list.h"
#include "language/runtime_string.h"

namespace vx {

namespace {

// Storage the process can address: element counts beyond this are not
// allocated (the byte count would not fit a 32-bit size).
constexpr int64_t kMaxElements = INT32_MAX / 4;

int32_t* allocateElements(int64_t count) {
  if (count > kMaxElements) throw std::bad_alloc();
  return static_cast<int32_t*>(runAllocations().allocate(static_cast<size_t>(count) * 4));
}

int32_t dimArray(ArrayDescriptor* array) {
  int32_t* sizes = array->sizes();
  int64_t total = 1;
  for (int32_t i = 0; i < array->dimensions; ++i) {
    // A bound below -1 counts as no elements, like -1 itself.
    int64_t count = sizes[i] < 0 ? 0 : static_cast<int64_t>(sizes[i]) + 1;
    total *= count;
    if (total > kMaxElements) throw std::bad_alloc();
    sizes[i] = static_cast<int32_t>(total);
  }
  array->storage = allocateElements(total);
  return 0;
}

void undimArray(ArrayDescriptor* array) {
  if (!array->storage) return;
  int32_t total = array->dimensions > 0 ? array->sizes()[array->dimensions - 1] : 1;
  releaseElements(array->storage, total, array->elementCode);
  runAllocations().release(array->storage);
  array->storage = nullptr;
}

void arrayBoundsEx() { raiseError("Array index out of bounds"); }

int32_t* vecAlloc(VectorType* type) { return allocateVector(type); }

void vecFree(int32_t* storage, VectorType* type) { freeVector(storage, type); }

void vecBoundsEx() { raiseError("Vexel array index out of bounds"); }

}  // namespace

void releaseElements(int32_t* elements, int32_t count, int32_t elementCode) {
  if (elementCode == kStringCode) {
    for (int32_t i = 0; i < count; ++i)
      releaseString(reinterpret_cast<RuntimeString*>(static_cast<intptr_t>(elements[i])));
  } else if (elementCode == kObjectCode) {
    for (int32_t i = 0; i < count; ++i)
      releaseObject(reinterpret_cast<ObjectRecord*>(static_cast<intptr_t>(elements[i])));
  }
}

int32_t* allocateVector(const VectorType* type) { return allocateElements(type->count < 0 ? 0 : type->count); }

void freeVector(int32_t* storage, const VectorType* type) {
  if (!storage) return;
  releaseElements(storage, type->count, *type->elementType);
  runAllocations().release(storage);
}

void linkArrayRoutines(Registry& r) {
  r.routine<"_vxDimArray", dimArray>();
  r.routine<"_vxUndimArray", undimArray>();
  r.routine<"_vxArrayBoundsEx", arrayBoundsEx>();
  r.routine<"_vxVecAlloc", vecAlloc>();
  r.routine<"_vxVecFree", vecFree>();
  r.routine<"_vxVecBoundsEx", vecBoundsEx>();
}

}  // namespace vx
