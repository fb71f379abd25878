#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "language/allocation_list.h"
#include "language/arrays.h"
#include "language/basic_module.h"
#include "language/data_statements.h"
#include "registered.h"

using vx::ArrayDescriptor;
using vx::DataItem;
using vx::ObjectRecord;
using vx::RuntimeString;
using vxtest::registered;

namespace {

// An array descriptor with room for its size words.
struct Array {
  ArrayDescriptor d;
  int32_t sizes[3];
};

class Arrays : public ::testing::Test {
 protected:
  void SetUp() override { vx::basicModule.create(); }
  void TearDown() override { vx::basicModule.destroy(); }

  int32_t(VX_STDCALL* dim)(ArrayDescriptor*) = registered<decltype(dim)>("_vxDimArray");
  void(VX_STDCALL* undim)(ArrayDescriptor*) = registered<decltype(undim)>("_vxUndimArray");
  int32_t*(VX_STDCALL* vecAlloc)(vx::VectorType*) = registered<decltype(vecAlloc)>("_vxVecAlloc");
  void(VX_STDCALL* vecFree)(int32_t*, vx::VectorType*) = registered<decltype(vecFree)>("_vxVecFree");
  ObjectRecord*(VX_STDCALL* objNew)(vx::ObjectType*) = registered<decltype(objNew)>("_vxObjNew");
  void(VX_STDCALL* restore)(DataItem*) = registered<decltype(restore)>("_vxRestore");
  int32_t(VX_STDCALL* readInt)() = registered<decltype(readInt)>("_vxReadInt");
  float(VX_STDCALL* readFloat)() = registered<decltype(readFloat)>("_vxReadFloat");
  RuntimeString*(VX_STDCALL* readStr)() = registered<decltype(readStr)>("_vxReadStr");

  std::string readText() {
    RuntimeString* s = readStr();
    std::string t(vx::viewOf(s));
    vx::releaseString(s);
    return t;
  }
};

int32_t bits(float f) {
  int32_t w;
  std::memcpy(&w, &f, 4);
  return w;
}

}  // namespace

TEST_F(Arrays, DimensioningTurnsBoundsIntoCumulativeSizes) {
  Array a{{nullptr, 1, 2}, {3, 4}};
  EXPECT_EQ(dim(&a.d), 0);
  EXPECT_EQ(a.sizes[0], 4);
  EXPECT_EQ(a.sizes[1], 20);
  ASSERT_NE(a.d.storage, nullptr);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(a.d.storage[i], 0);
  undim(&a.d);
  EXPECT_EQ(a.d.storage, nullptr);
  EXPECT_EQ(vx::runAllocations().blockCount(), 0u);
  undim(&a.d);  // not dimensioned: nothing

  Array empty{{nullptr, 1, 3}, {5, -1, 7}};
  dim(&empty.d);
  EXPECT_EQ(empty.sizes[2], 0);
  EXPECT_NE(empty.d.storage, nullptr);  // an allocation of zero bytes
  Array below{{nullptr, 1, 1}, {-5}};
  dim(&below.d);
  EXPECT_EQ(below.sizes[0], 0);
}

TEST_F(Arrays, ReleasingStorageReleasesStringsAndObjectReferences) {
  Array names{{nullptr, 3, 1}, {9}};
  dim(&names.d);
  for (int i = 0; i < 10; i += 2) names.d.storage[i] = reinterpret_cast<int32_t>(vx::newString("n"));
  undim(&names.d);
  names.sizes[0] = 9;
  dim(&names.d);
  EXPECT_EQ(vx::liveStringCount(), 0);

  vx::ObjectType type{5, {}, {}, 0};
  for (ObjectRecord* s : {&type.used, &type.free}) *s = {nullptr, s, s, nullptr, -1};
  ObjectRecord* o = objNew(&type);
  Array objects{{nullptr, 5, 1}, {2}};
  dim(&objects.d);
  objects.d.storage[0] = objects.d.storage[2] = reinterpret_cast<int32_t>(o);
  o->references += 2;
  undim(&objects.d);
  EXPECT_EQ(o->references, 1);

  const int32_t strType = 3;
  vx::VectorType strings{6, 4, &strType}, objectVector{6, 2, &type.code};
  size_t blocks = vx::runAllocations().blockCount();
  int32_t* v = vecAlloc(&strings);
  v[3] = reinterpret_cast<int32_t>(vx::newString("x"));
  vecFree(v, &strings);
  EXPECT_EQ(vx::liveStringCount(), 0);
  int32_t* w = vecAlloc(&objectVector);
  w[1] = reinterpret_cast<int32_t>(o);
  ++o->references;
  vecFree(w, &objectVector);
  EXPECT_EQ(o->references, 1);
  EXPECT_EQ(vx::runAllocations().blockCount(), blocks);
}

TEST_F(Arrays, DataItemsConvertToEachReadType) {
  static const char digits[] = "12abc";
  DataItem table[] = {{1, -5}, {2, bits(2.7f)}, {2, bits(-2.7f)}, {4, reinterpret_cast<int32_t>(digits)},
                      {1, 7},  {2, bits(2.5f)}, {4, reinterpret_cast<int32_t>(" 1.5e1x")},
                      {1, 42}, {2, bits(0.001f)}, {4, reinterpret_cast<int32_t>(digits)},
                      {2, bits(3e9f)}, {0, 0}};
  restore(table);
  EXPECT_EQ(readInt(), -5);
  EXPECT_EQ(readInt(), 2);
  EXPECT_EQ(readInt(), -2);
  EXPECT_EQ(readInt(), 12);
  EXPECT_EQ(readFloat(), 7.0f);
  EXPECT_EQ(readFloat(), 2.5f);
  EXPECT_EQ(readFloat(), 15.0f);
  EXPECT_EQ(readText(), "42");
  EXPECT_EQ(readText(), "0.001");
  EXPECT_EQ(readText(), "12abc");
  EXPECT_EQ(readInt(), INT32_MIN);  // beyond the integer range
  restore(&table[4]);
  EXPECT_EQ(readText(), "7");
  EXPECT_EQ(vx::liveStringCount(), 0);
}
