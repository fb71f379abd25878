// A million objects made, stored in a variable, deleted and released through
// the runtime's object routines (called as compiled code calls them),
// against new and delete of a record of the same size; then a For Each walk
// over 100,000 live objects against a walk of the same number of heap
// records linked through a pointer. Prints both and the ratios.

#include <chrono>
#include <cstdio>
#include <string>

#include "language/basic_module.h"
#include "language/objects.h"
#include "runtime/registry.h"
#include "runtime/runtime_modules.h"

namespace {

constexpr int kCycles = 1000000;
constexpr int kLive = 100000;

using vx::ObjectRecord;
using vx::ObjectType;

void* lookup(vx::Registry& registry, const char* text) {
  for (const vx::Registration& r : registry.entries())
    if (std::string(r.text) == text) return r.address;
  return nullptr;
}

using New = ObjectRecord*(VX_STDCALL*)(ObjectType*);
using Delete = void(VX_STDCALL*)(ObjectRecord*);
using Release = void(VX_STDCALL*)(ObjectRecord*);
using Store = void(VX_STDCALL*)(ObjectRecord**, ObjectRecord*);
using EachFirst = int32_t(VX_STDCALL*)(ObjectRecord**, ObjectType*);
using EachNext = int32_t(VX_STDCALL*)(ObjectRecord**);

// Function pointers the optimiser cannot see through, like calls from a module.
New volatile objNew;
Delete volatile objDelete;
Release volatile objRelease;
Store volatile objStore;
EachFirst volatile eachFirst;
EachNext volatile eachNext;

const int32_t kInt = 1, kFloat = 2, kStr = 3;

// Type Thing: id%, speed#, name$, other.Thing
struct Thing {
  ObjectType type;
  const int32_t* fields[4];
} thing;

void resetType() {
  thing.type.code = 5;
  for (ObjectRecord* s : {&thing.type.used, &thing.type.free}) *s = {nullptr, s, s, nullptr, -1};
  thing.type.fieldCount = 4;
  thing.fields[0] = &kInt;
  thing.fields[1] = &kFloat;
  thing.fields[2] = &kStr;
  thing.fields[3] = &thing.type.code;
}

// The same size as a Thing record: five header words and four fields.
struct HeapRecord {
  HeapRecord* next;
  int32_t words[8];
};
static_assert(sizeof(HeapRecord) == sizeof(ObjectRecord) + 16);

HeapRecord* volatile sink;

using Clock = std::chrono::steady_clock;
double since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double objectCycles() {
  auto start = Clock::now();
  ObjectRecord* variable = nullptr;
  for (int i = 0; i < kCycles; ++i) {
    objStore(&variable, objNew(&thing.type));  // Local t.Thing = New Thing
    variable->fields[0] = i;
    objDelete(variable);                       // Delete t
    objRelease(variable);                      // t goes out of scope
    variable = nullptr;
  }
  return since(start);
}

double heapCycles() {
  auto start = Clock::now();
  for (int i = 0; i < kCycles; ++i) {
    sink = new HeapRecord();
    sink->words[0] = i;
    delete sink;
  }
  return since(start);
}

double objectWalk(int64_t& sum) {
  auto start = Clock::now();
  ObjectRecord* t = nullptr;
  if (eachFirst(&t, &thing.type)) do
      sum += t->fields[0];
    while (eachNext(&t));
  return since(start);
}

double heapWalk(HeapRecord* head, int64_t& sum) {
  auto start = Clock::now();
  for (HeapRecord* r = head; r; r = r->next) {
    sink = r;
    sum += sink->words[0];
  }
  return since(start);
}

}  // namespace

int main() {
  vx::Registry registry;
  vx::registerAll(vx::runtimeModules(), registry);
  objNew = reinterpret_cast<New>(lookup(registry, "_vxObjNew"));
  objDelete = reinterpret_cast<Delete>(lookup(registry, "_vxObjDelete"));
  objRelease = reinterpret_cast<Release>(lookup(registry, "_vxObjRelease"));
  objStore = reinterpret_cast<Store>(lookup(registry, "_vxObjStore"));
  eachFirst = reinterpret_cast<EachFirst>(lookup(registry, "_vxObjEachFirst"));
  eachNext = reinterpret_cast<EachNext>(lookup(registry, "_vxObjEachNext"));

  vx::basicModule.create();
  resetType();
  double bestObject = 1e9, bestHeap = 1e9;
  for (int round = 0; round < 5; ++round) {
    bestObject = std::min(bestObject, objectCycles());
    bestHeap = std::min(bestHeap, heapCycles());
  }

  HeapRecord* head = nullptr;
  HeapRecord** tail = &head;
  for (int i = 0; i < kLive; ++i) {
    objNew(&thing.type)->fields[0] = i;
    *tail = new HeapRecord();
    (*tail)->words[0] = i;
    tail = &(*tail)->next;
  }
  double bestEach = 1e9, bestList = 1e9;
  int64_t objectSum = 0, heapSum = 0;
  for (int round = 0; round < 5; ++round) {
    bestEach = std::min(bestEach, objectWalk(objectSum));
    bestList = std::min(bestList, heapWalk(head, heapSum));
  }
  if (objectSum != heapSum || vx::liveObjectCount() != kLive) std::printf("unexpected results\n");
  while (head) {
    HeapRecord* next = head->next;
    delete head;
    head = next;
  }
  vx::basicModule.destroy();

  std::printf("%d cycles of New, store in a variable, Delete, Release (%zu-byte records)\n", kCycles,
              sizeof(HeapRecord));
  std::printf("object routines:    %.1f ms\n", bestObject);
  std::printf("new/delete:         %.1f ms\n", bestHeap);
  std::printf("speed-up:           %.2fx\n", bestHeap / bestObject);
  std::printf("For Each over %d live objects\n", kLive);
  std::printf("object routines:    %.2f ms\n", bestEach);
  std::printf("heap linked list:   %.2f ms\n", bestList);
  std::printf("ratio:              %.2fx (list walk time / For Each time)\n", bestList / bestEach);
  return 0;
}
