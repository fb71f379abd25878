#include "language/data_statements.h"

#include <cstring>

#include "language/number_text.h"
#include "language/objects.h"
#include "language/runtime_string.h"

namespace vx {

namespace {

const DataItem* position = nullptr;

// The item under the read position, checked; the position moves on only
// once the item has been converted.
const DataItem& nextItem() {
  // A program that reads before any restore finds no data.
  if (!position || position->code == 0) raiseError("Out of data");
  if (position->code != kIntCode && position->code != kFloatCode && position->code != kCStringCode)
    raiseError("Bad data type");
  return *position;
}

float floatOf(const DataItem& item) {
  float value;
  std::memcpy(&value, &item.value, sizeof value);
  return value;
}

const char* charsOf(const DataItem& item) {
  const char* chars = reinterpret_cast<const char*>(static_cast<intptr_t>(item.value));
  return chars ? chars : "";
}

// Toward zero; NaN and values outside the integer range give INT32_MIN, as
// the processor's truncating conversion does.
int32_t truncate(float value) {
  if (!(value > -2147483904.0f && value < 2147483648.0f)) return INT32_MIN;
  return static_cast<int32_t>(value);
}

void restore(DataItem* item) { position = item; }

int32_t readInt() {
  const DataItem& item = nextItem();
  int32_t value;
  switch (item.code) {
    case kIntCode:
      value = item.value;
      break;
    case kFloatCode:
      value = truncate(floatOf(item));
      break;
    default: {
      const char* chars = charsOf(item);
      value = parseInt(chars, std::strlen(chars));
      break;
    }
  }
  ++position;
  return value;
}

float readFloat() {
  const DataItem& item = nextItem();
  float value;
  switch (item.code) {
    case kIntCode:
      value = static_cast<float>(item.value);
      break;
    case kFloatCode:
      value = floatOf(item);
      break;
    default: {
      const char* chars = charsOf(item);
      value = parseFloat(chars, std::strlen(chars));
      break;
    }
  }
  ++position;
  return value;
}

RuntimeString* readStr() {
  const DataItem& item = nextItem();
  RuntimeString* value;
  char text[kFloatTextCapacity];
  switch (item.code) {
    case kIntCode:
      value = newString(text, static_cast<size_t>(formatInt(item.value, text)));
      break;
    case kFloatCode:
      value = newString(text, static_cast<size_t>(formatFloat(floatOf(item), text)));
      break;
    default:
      value = newStringFromC(charsOf(item));
      break;
  }
  ++position;
  return value;
}

}  // namespace

void resetDataPosition() { position = nullptr; }

void linkDataRoutines(Registry& r) {
  r.routine<"_vxRestore", restore>();
  r.routine<"_vxReadInt", readInt>();
  r.routine<"_vxReadFloat", readFloat>();
  r.routine<"_vxReadStr", readStr>();
}

}  // namespace vx
