#pragma once
// Objects of user-defined types. The compiler lays out each type's
// ObjectType in the module's data and the runtime works on it in place; the
// records live in per-type blocks of 512 taken from the run's allocation
// list. Compiled code reads and writes fields through a record's fields
// pointer, so every layout here is fixed word for word.
//
// A record holds one reference for its type's in-use list (from creation
// until deletion) and one for every variable, field or element that refers
// to it. Deleting empties the fields at once and clears the fields pointer;
// the record stays in the in-use list, skipped by every walk, until its last
// reference is dropped, and only then returns to the free list. A stale
// reference therefore reads as Null instead of seeing a reused record.

#include <cstdint>

#include "runtime/registry.h"

namespace vx {

// Type codes: the first word of every type descriptor.
enum TypeCode : int32_t {
  kIntCode = 1,
  kFloatCode = 2,
  kStringCode = 3,
  kCStringCode = 4,  // data items only
  kObjectCode = 5,   // an ObjectType
  kVectorCode = 6,   // a VectorType
};

struct ObjectType;

struct ObjectRecord {
  int32_t* fields;  // first field word while the object exists; 0 once deleted and in sentinels
  ObjectRecord* next;
  ObjectRecord* prev;
  ObjectType* type;  // 0 marks a list sentinel
  int32_t references;

  int32_t* fieldWords() { return reinterpret_cast<int32_t*>(this + 1); }
  bool live() const { return fields != nullptr; }
};

struct ObjectType {
  int32_t code;  // kObjectCode
  ObjectRecord used;   // sentinel of the in-use list, in creation order
  ObjectRecord free;   // sentinel of the free list
  int32_t fieldCount;
  // followed by fieldCount addresses of field type descriptors

  const int32_t* const* fieldTypes() const { return reinterpret_cast<const int32_t* const*>(this + 1); }
};

// A fixed-size array type: a field of a user-defined type or a variable.
struct VectorType {
  int32_t code;  // kVectorCode
  int32_t count;
  const int32_t* elementType;
};

static_assert(sizeof(void*) == 4, "records and descriptors are 32-bit words");
static_assert(sizeof(ObjectRecord) == 20);
static_assert(sizeof(ObjectType) == 48);
static_assert(sizeof(VectorType) == 12);

template <>
inline constexpr bool kAddressWord<ObjectType> = true;
template <>
inline constexpr bool kAddressWord<ObjectRecord> = true;
template <>
inline constexpr bool kAddressWord<ObjectRecord*> = true;
template <>
inline constexpr bool kAddressWord<VectorType> = true;

// Reference counting as arrays and vectors need it.
void retainObject(ObjectRecord* object);   // null is ignored
void releaseObject(ObjectRecord* object);  // null is ignored

// Objects created and not deleted; records whose reference count is above 0.
int32_t liveObjectCount();
int32_t recordsInUseCount();

// Called when the basic module is created and destroyed, after the run's
// allocations are freed: forgets every handle and resets the counters.
void resetObjects();

void linkObjectRoutines(Registry& registry);

}  // namespace vx
