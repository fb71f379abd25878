#include <gtest/gtest.h>

#include <string>

#include "language/allocation_list.h"
#include "language/basic_module.h"
#include "language/objects.h"
#include "registered.h"

using vx::ObjectRecord;
using vx::ObjectType;
using vx::RuntimeString;
using vxtest::registered;

namespace {

const int32_t kInt = 1, kFloat = 2, kStr = 3;
const vx::VectorType kThreeStrings = {6, 3, &kStr};

// An ObjectType as the compiler lays it out, with room for its field list.
struct Type {
  ObjectType type;
  const int32_t* fields[4];

  Type(std::initializer_list<const int32_t*> list) {
    type.code = 5;
    for (ObjectRecord* s : {&type.used, &type.free}) *s = {nullptr, s, s, nullptr, -1};
    type.fieldCount = static_cast<int32_t>(list.size());
    int i = 0;
    for (const int32_t* f : list) fields[i++] = f;
  }
  // Makes a field list that refers to the type itself.
  Type& selfField(int i) {
    fields[i] = &type.code;
    return *this;
  }
  operator ObjectType*() { return &type; }
};

template <typename T>
T& word(ObjectRecord* r, int i) {
  return *reinterpret_cast<T*>(&r->fields[i]);
}

class Objects : public ::testing::Test {
 protected:
  void SetUp() override { vx::basicModule.create(); }
  void TearDown() override { vx::basicModule.destroy(); }

  std::string text(ObjectRecord* r) {
    RuntimeString* s = toStr(r);
    std::string t(vx::viewOf(s));
    vx::releaseString(s);
    return t;
  }

  ObjectRecord*(VX_STDCALL* make)(ObjectType*) = registered<decltype(make)>("_vxObjNew");
  void(VX_STDCALL* del)(ObjectRecord*) = registered<decltype(del)>("_vxObjDelete");
  void(VX_STDCALL* delEach)(ObjectType*) = registered<decltype(delEach)>("_vxObjDeleteEach");
  void(VX_STDCALL* release)(ObjectRecord*) = registered<decltype(release)>("_vxObjRelease");
  void(VX_STDCALL* store)(ObjectRecord**, ObjectRecord*) = registered<decltype(store)>("_vxObjStore");
  int32_t(VX_STDCALL* compare)(ObjectRecord*, ObjectRecord*) = registered<decltype(compare)>("_vxObjCompare");
  ObjectRecord*(VX_STDCALL* next)(ObjectRecord*) = registered<decltype(next)>("_vxObjNext");
  ObjectRecord*(VX_STDCALL* prev)(ObjectRecord*) = registered<decltype(prev)>("_vxObjPrev");
  ObjectRecord*(VX_STDCALL* first)(ObjectType*) = registered<decltype(first)>("_vxObjFirst");
  ObjectRecord*(VX_STDCALL* last)(ObjectType*) = registered<decltype(last)>("_vxObjLast");
  ObjectRecord*(VX_STDCALL* insBefore)(ObjectRecord*, ObjectRecord*) =
      registered<decltype(insBefore)>("_vxObjInsBefore");
  ObjectRecord*(VX_STDCALL* insAfter)(ObjectRecord*, ObjectRecord*) = registered<decltype(insAfter)>("_vxObjInsAfter");
  RuntimeString*(VX_STDCALL* toStr)(ObjectRecord*) = registered<decltype(toStr)>("_vxObjToStr");
  int32_t(VX_STDCALL* toHandle)(ObjectRecord*) = registered<decltype(toHandle)>("_vxObjToHandle");
  ObjectRecord*(VX_STDCALL* fromHandle)(int32_t, ObjectType*) = registered<decltype(fromHandle)>("_vxObjFromHandle");
};

}  // namespace

TEST_F(Objects, NewRecordsComeFromBlocksOf512AndJoinTheListInOrder) {
  Type t{&kInt, &kThreeStrings.code};
  ObjectRecord* a = make(t);
  EXPECT_EQ(a->fields, a->fieldWords());
  EXPECT_EQ(a->type, &t.type);
  EXPECT_EQ(a->references, 1);
  auto* vector = reinterpret_cast<int32_t*>(a->fields[1]);
  EXPECT_EQ(vector[0] | vector[1] | vector[2], 0);
  EXPECT_EQ(t.type.used.next, a);
  EXPECT_EQ(a->next, &t.type.used);
  size_t blocks = vx::runAllocations().blockCount();  // the record block and one vector
  EXPECT_EQ(blocks, 2u);
  for (int i = 1; i < 512; ++i) make(t);
  EXPECT_EQ(vx::runAllocations().blockCount(), blocks + 511);
  ObjectRecord* overflow = make(t);  // the 513th record opens a second block
  EXPECT_EQ(vx::runAllocations().blockCount(), blocks + 511 + 2);
  EXPECT_EQ(last(t), overflow);
  EXPECT_EQ(vx::liveObjectCount(), 513);
}

TEST_F(Objects, DeletionEmptiesFieldsAtOnceButKeepsAReferencedRecord) {
  Type node{&kStr, nullptr, &kThreeStrings.code};
  node.selfField(1);
  ObjectRecord* held = nullptr;
  ObjectRecord* other = make(node);
  ObjectRecord* a = make(node);
  store(&held, a);
  word<RuntimeString*>(a, 0) = vx::newString("name");
  reinterpret_cast<RuntimeString**>(a->fields[2])[1] = vx::newString("element");
  store(reinterpret_cast<ObjectRecord**>(&a->fields[1]), other);
  EXPECT_EQ(other->references, 2);
  size_t blocks = vx::runAllocations().blockCount();

  del(a);
  EXPECT_EQ(a->fields, nullptr);
  EXPECT_EQ(vx::liveStringCount(), 0);
  EXPECT_EQ(other->references, 1);
  EXPECT_EQ(vx::runAllocations().blockCount(), blocks - 1);  // the vector is freed
  EXPECT_EQ(vx::liveObjectCount(), 1);
  EXPECT_EQ(vx::recordsInUseCount(), 2);
  EXPECT_EQ(compare(held, nullptr), 0);
  // Still linked, but every walk passes over it.
  EXPECT_EQ(other->next, a);
  EXPECT_EQ(next(other), nullptr);
  EXPECT_EQ(last(node), other);
  del(a);  // a second delete changes nothing
  EXPECT_EQ(a->references, 1);

  store(&held, nullptr);  // the last reference: back to the end of the free list
  EXPECT_EQ(vx::recordsInUseCount(), 1);
  EXPECT_EQ(node.type.free.prev, a);
  EXPECT_EQ(other->next, &node.type.used);
}

TEST_F(Objects, DeleteEachReachesEveryObjectWhenDeletionFreesItsNeighbour) {
  Type node{nullptr};
  node.selfField(0);
  ObjectRecord* a = make(node);
  ObjectRecord* b = make(node);
  ObjectRecord* c = make(node);
  store(reinterpret_cast<ObjectRecord**>(&a->fields[0]), b);
  del(b);  // held only by a's field; deleting a lets it leave the list
  delEach(node);
  EXPECT_EQ(c->fields, nullptr);
  EXPECT_EQ(vx::liveObjectCount(), 0);
  EXPECT_EQ(vx::recordsInUseCount(), 0);
  EXPECT_EQ(node.type.used.next, &node.type.used);
}

TEST_F(Objects, WalksAndMovesFollowTheListLinks) {
  Type t{&kInt};
  ObjectRecord* r[4];
  for (int i = 0; i < 4; ++i) word<int32_t>(r[i] = make(t), 0) = i;
  EXPECT_EQ(insBefore(r[3], r[0]), r[3]);
  EXPECT_EQ(insAfter(r[0], r[2]), r[0]);
  EXPECT_EQ(insAfter(r[1], r[1]), r[1]);
  std::string order;
  for (ObjectRecord* o = first(t); o; o = next(o)) order += std::to_string(word<int32_t>(o, 0));
  for (ObjectRecord* o = last(t); o; o = prev(o)) order += std::to_string(word<int32_t>(o, 0));
  EXPECT_EQ(order, "31200213");
  EXPECT_EQ(compare(r[1], r[1]), 0);
  EXPECT_EQ(compare(r[1], r[2]), 1);
  EXPECT_EQ(compare(r[1], nullptr), 1);
}

TEST_F(Objects, HandlesAreNeverReusedAndAreCheckedAgainstTheType) {
  Type t{&kInt}, u{&kInt};
  ObjectRecord* a = make(t);
  ObjectRecord* b = make(t);
  EXPECT_EQ(toHandle(nullptr), 0);
  EXPECT_EQ(toHandle(a), 1);
  EXPECT_EQ(toHandle(a), 1);
  EXPECT_EQ(toHandle(b), 2);
  EXPECT_EQ(fromHandle(2, t), b);
  EXPECT_EQ(fromHandle(2, u), nullptr);
  EXPECT_EQ(fromHandle(3, t), nullptr);
  del(a);
  EXPECT_EQ(fromHandle(1, t), nullptr);
  EXPECT_EQ(toHandle(a), 0);
  EXPECT_EQ(toHandle(make(t)), 3);
  vx::basicModule.create();
  Type fresh{&kInt};
  EXPECT_EQ(toHandle(make(fresh)), 1);
}

TEST_F(Objects, DebugTextShowsFieldsRingsAndTheDepthLimit) {
  Type t{&kInt, &kFloat, &kStr, nullptr};
  t.selfField(3);
  ObjectRecord* a = make(t);
  word<int32_t>(a, 0) = -7;
  word<float>(a, 1) = 2.5f;
  EXPECT_EQ(text(a), "[-7,2.5,\"\",[NULL]]");
  word<RuntimeString*>(a, 2) = vx::newString("hi");
  EXPECT_EQ(text(nullptr), "[NULL]");

  store(reinterpret_cast<ObjectRecord**>(&a->fields[3]), a);
  EXPECT_EQ(text(a), "[-7,2.5,\"hi\",[ROOT]]");

  Type withVector{&kThreeStrings.code};
  EXPECT_EQ(text(make(withVector)), "[???]");

  // A chain of ten: eight levels of brackets, then the limit.
  Type link{nullptr};
  link.selfField(0);
  ObjectRecord* head = make(link);
  ObjectRecord* o = head;
  for (int i = 1; i < 10; ++i, o = reinterpret_cast<ObjectRecord*>(o->fields[0]))
    store(reinterpret_cast<ObjectRecord**>(&o->fields[0]), make(link));
  EXPECT_EQ(text(head), "[[[[[[[[....]]]]]]]]");
  EXPECT_EQ(text(a), "[-7,2.5,\"hi\",[ROOT]]");  // depth and root restored
}
