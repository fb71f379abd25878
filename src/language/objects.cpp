#include "language/objects.h"

#include <cstring>
#include <string>
#include <unordered_map>

#include "language/allocation_list.h"
#include "language/arrays.h"
#include "language/number_text.h"
#include "language/runtime_string.h"

namespace vx {

namespace {

constexpr int kBlockRecords = 512;
constexpr int kTextDepthLimit = 8;

struct ObjectState {
  int32_t live;
  int32_t inUse;
  int32_t lastHandle;
  // Debug text in progress.
  int textDepth;
  ObjectRecord* textRoot;
};

constinit ObjectState objects{0, 0, 0, 0, nullptr};

// Only objects that were asked for a handle are entered.
struct HandleMaps {
  std::unordered_map<ObjectRecord*, int32_t> handleOf;
  std::unordered_map<int32_t, ObjectRecord*> objectOf;
};

HandleMaps& handles() {
  static HandleMaps maps;
  return maps;
}

inline ObjectRecord* recordAt(int32_t word) { return reinterpret_cast<ObjectRecord*>(static_cast<intptr_t>(word)); }
inline RuntimeString* stringAt(int32_t word) { return reinterpret_cast<RuntimeString*>(static_cast<intptr_t>(word)); }
inline int32_t* wordsAt(int32_t word) { return reinterpret_cast<int32_t*>(static_cast<intptr_t>(word)); }
inline int32_t wordOf(const void* p) { return static_cast<int32_t>(reinterpret_cast<intptr_t>(p)); }

inline void unlink(ObjectRecord* r) {
  r->prev->next = r->next;
  r->next->prev = r->prev;
}

inline void linkBefore(ObjectRecord* r, ObjectRecord* at) {
  r->next = at;
  r->prev = at->prev;
  at->prev->next = r;
  at->prev = r;
}

inline void linkAfter(ObjectRecord* r, ObjectRecord* at) {
  r->prev = at;
  r->next = at->next;
  at->next->prev = r;
  at->next = r;
}

// The nearest record from r onwards (r included) that is live; null at the
// sentinel.
inline ObjectRecord* liveFrom(ObjectRecord* r) {
  while (r->type && !r->live()) r = r->next;
  return r->type ? r : nullptr;
}

inline ObjectRecord* liveBackFrom(ObjectRecord* r) {
  while (r->type && !r->live()) r = r->prev;
  return r->type ? r : nullptr;
}

void addBlock(ObjectType* type) {
  size_t recordSize = sizeof(ObjectRecord) + 4 * static_cast<size_t>(type->fieldCount);
  auto* block = static_cast<char*>(runAllocations().allocate(recordSize * kBlockRecords));
  for (int i = 0; i < kBlockRecords; ++i)
    linkBefore(reinterpret_cast<ObjectRecord*>(block + recordSize * i), &type->free);
}

// Stores `object` in a variable: the new one gains a reference before the
// old one loses its own, so storing the object a variable already holds
// keeps it alive.
inline void store(ObjectRecord** variable, ObjectRecord* object) {
  ObjectRecord* old = *variable;
  if (object) ++object->references;
  *variable = object;
  releaseObject(old);
}

ObjectRecord* objNew(ObjectType* type) {
  if (type->free.next == &type->free) addBlock(type);
  ObjectRecord* r = type->free.next;
  unlink(r);
  r->type = type;
  r->references = 1;
  int32_t* words = r->fieldWords();
  r->fields = words;
  const int32_t* const* fieldTypes = type->fieldTypes();
  for (int32_t i = 0; i < type->fieldCount; ++i) {
    const int32_t* descriptor = fieldTypes[i];
    words[i] = *descriptor == kVectorCode
                   ? wordOf(allocateVector(reinterpret_cast<const VectorType*>(descriptor)))
                   : 0;
  }
  linkBefore(r, &type->used);
  ++objects.live;
  ++objects.inUse;
  return r;
}

void objDelete(ObjectRecord* object) {
  if (!object || !object->live()) return;
  ObjectType* type = object->type;
  int32_t* words = object->fieldWords();
  const int32_t* const* fieldTypes = type->fieldTypes();
  for (int32_t i = 0; i < type->fieldCount; ++i) {
    int32_t word = words[i];
    words[i] = 0;
    switch (*fieldTypes[i]) {
      case kStringCode:
        releaseString(stringAt(word));
        break;
      case kObjectCode:
        releaseObject(recordAt(word));
        break;
      case kVectorCode:
        freeVector(wordsAt(word), reinterpret_cast<const VectorType*>(fieldTypes[i]));
        break;
      default:
        break;
    }
  }
  if (objects.lastHandle) {  // no lookup while no handle has been given
    HandleMaps& h = handles();
    if (auto found = h.handleOf.find(object); found != h.handleOf.end()) {
      h.objectOf.erase(found->second);
      h.handleOf.erase(found);
    }
  }
  object->fields = nullptr;
  --objects.live;
  releaseObject(object);  // the in-use list's own reference
}

void objDeleteEach(ObjectType* type) {
  ObjectRecord* r = liveFrom(type->used.next);
  while (r) {
    // The successor is taken among live records: deleting r may drop the
    // last reference to a deleted record next to it, which then leaves the
    // list, but never a live one.
    ObjectRecord* next = liveFrom(r->next);
    objDelete(r);
    r = next;
  }
}

void objRelease(ObjectRecord* object) { releaseObject(object); }

void objStore(ObjectRecord** variable, ObjectRecord* object) { store(variable, object); }

int32_t objCompare(ObjectRecord* a, ObjectRecord* b) {
  int32_t* x = a ? a->fields : nullptr;
  int32_t* y = b ? b->fields : nullptr;
  return x == y ? 0 : 1;
}

ObjectRecord* objNext(ObjectRecord* object) { return object ? liveFrom(object->next) : nullptr; }
ObjectRecord* objPrev(ObjectRecord* object) { return object ? liveBackFrom(object->prev) : nullptr; }
ObjectRecord* objFirst(ObjectType* type) { return liveFrom(type->used.next); }
ObjectRecord* objLast(ObjectType* type) { return liveBackFrom(type->used.prev); }

ObjectRecord* objInsBefore(ObjectRecord* a, ObjectRecord* b) {
  if (a && b && a != b) {
    unlink(a);
    linkBefore(a, b);
  }
  return a;
}

ObjectRecord* objInsAfter(ObjectRecord* a, ObjectRecord* b) {
  if (a && b && a != b) {
    unlink(a);
    linkAfter(a, b);
  }
  return a;
}

int32_t objEachFirst(ObjectRecord** variable, ObjectType* type) {
  ObjectRecord* found = liveFrom(type->used.next);
  store(variable, found);
  return found ? 1 : 0;
}

int32_t objEachNext(ObjectRecord** variable) {
  // The loop variable's reference keeps its record (even a deleted one) in
  // the list until the successor has been found.
  ObjectRecord* current = *variable;
  ObjectRecord* found = current ? liveFrom(current->next) : nullptr;
  store(variable, found);
  return found ? 1 : 0;
}

void appendText(std::string& text, ObjectRecord* object);

void appendFields(std::string& text, ObjectRecord* object) {
  ObjectType* type = object->type;
  const int32_t* words = object->fields;
  const int32_t* const* fieldTypes = type->fieldTypes();
  text += '[';
  for (int32_t i = 0; i < type->fieldCount; ++i) {
    if (i) text += ',';
    char number[kFloatTextCapacity];
    switch (*fieldTypes[i]) {
      case kIntCode:
        text.append(number, static_cast<size_t>(formatInt(words[i], number)));
        break;
      case kFloatCode: {
        float value;
        std::memcpy(&value, &words[i], sizeof value);
        text.append(number, static_cast<size_t>(formatFloat(value, number)));
        break;
      }
      case kStringCode:
        text += '"';
        text += viewOf(stringAt(words[i]));
        text += '"';
        break;
      case kObjectCode:
        appendText(text, recordAt(words[i]));
        break;
      default:
        text += "???";
        break;
    }
  }
  text += ']';
}

void appendText(std::string& text, ObjectRecord* object) {
  ObjectState& s = objects;
  if (!object || !object->live()) {
    text += "[NULL]";
    return;
  }
  if (object == s.textRoot) {
    text += "[ROOT]";
    return;
  }
  if (s.textDepth == kTextDepthLimit) {
    text += "....";
    return;
  }
  // Depth and root are restored however the nested text ends.
  struct Level {
    ObjectState& s;
    ObjectRecord* root;
    ~Level() {
      --s.textDepth;
      s.textRoot = root;
    }
  } level{s, s.textRoot};
  ++s.textDepth;
  if (!s.textRoot) s.textRoot = object;
  appendFields(text, object);
}

RuntimeString* objToStr(ObjectRecord* object) {
  std::string text;
  appendText(text, object);
  return newString(text);
}

int32_t objToHandle(ObjectRecord* object) {
  if (!object || !object->live()) return 0;
  ObjectState& s = objects;
  HandleMaps& h = handles();
  auto [entry, added] = h.handleOf.try_emplace(object, s.lastHandle + 1);
  if (added) {
    ++s.lastHandle;
    h.objectOf.emplace(s.lastHandle, object);
  }
  return entry->second;
}

ObjectRecord* objFromHandle(int32_t handle, ObjectType* type) {
  HandleMaps& h = handles();
  auto found = h.objectOf.find(handle);
  return found != h.objectOf.end() && found->second->type == type ? found->second : nullptr;
}

void nullObjEx() { raiseError("Object does not exist"); }

}  // namespace

void retainObject(ObjectRecord* object) {
  if (object) ++object->references;
}

void releaseObject(ObjectRecord* object) {
  if (!object || --object->references != 0) return;
  unlink(object);
  linkBefore(object, &object->type->free);
  --objects.inUse;
}

int32_t liveObjectCount() { return objects.live; }
int32_t recordsInUseCount() { return objects.inUse; }

void resetObjects() {
  objects = ObjectState{0, 0, 0, 0, nullptr};
  handles().handleOf.clear();
  handles().objectOf.clear();
}

void linkObjectRoutines(Registry& r) {
  r.routine<"_vxObjNew", objNew>();
  r.routine<"_vxObjDelete", objDelete>();
  r.routine<"_vxObjDeleteEach", objDeleteEach>();
  r.routine<"_vxObjRelease", objRelease>();
  r.routine<"_vxObjStore", objStore>();
  r.routine<"_vxObjCompare", objCompare>();
  r.routine<"_vxObjNext", objNext>();
  r.routine<"_vxObjPrev", objPrev>();
  r.routine<"_vxObjFirst", objFirst>();
  r.routine<"_vxObjLast", objLast>();
  r.routine<"_vxObjInsBefore", objInsBefore>();
  r.routine<"_vxObjInsAfter", objInsAfter>();
  r.routine<"_vxObjEachFirst", objEachFirst>();
  r.routine<"_vxObjEachNext", objEachNext>();
  r.routine<"_vxObjToStr", objToStr>();
  r.routine<"_vxObjToHandle", objToHandle>();
  r.routine<"_vxObjFromHandle", objFromHandle>();
  r.routine<"_vxNullObjEx", nullObjEx>();
}

}  // namespace vx
