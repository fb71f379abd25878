#include "language/string_routines.h"

#include <cstring>

#include "language/number_text.h"

namespace vx {

namespace {

RuntimeString* strLoad(RuntimeString** variable) {
  const RuntimeString* held = *variable;
  return held ? newString(held->data, held->size) : newString();
}

void strRelease(RuntimeString* s) { releaseString(s); }

void strStore(RuntimeString** variable, RuntimeString* s) {
  if (*variable != s) releaseString(*variable);
  *variable = s;
}

int32_t strCompare(RuntimeString* a, RuntimeString* b) {
  std::string_view x = viewOf(a), y = viewOf(b);
  size_t common = x.size() < y.size() ? x.size() : y.size();
  int order = common ? std::memcmp(x.data(), y.data(), common) : 0;
  if (order == 0) order = x.size() < y.size() ? -1 : (x.size() > y.size() ? 1 : 0);
  releaseString(a);
  if (b != a) releaseString(b);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

RuntimeString* strConcat(RuntimeString* a, RuntimeString* b) {
  if (!a) return b ? b : newString();
  if (b) {
    a->append(b->data, b->size);
    if (b != a) releaseString(b);
  }
  return a;
}

int32_t strToInt(RuntimeString* s) {
  std::string_view text = viewOf(s);
  int32_t value = parseInt(text.data(), text.size());
  releaseString(s);
  return value;
}

RuntimeString* strFromInt(int32_t value) {
  char text[16];
  int length = formatInt(value, text);
  return newString(text, static_cast<size_t>(length));
}

float strToFloat(RuntimeString* s) {
  std::string_view text = viewOf(s);
  float value = parseFloat(text.data(), text.size());
  releaseString(s);
  return value;
}

RuntimeString* strFromFloat(float value) {
  char text[32];
  int length = formatFloat(value, text);
  return newString(text, static_cast<size_t>(length));
}

RuntimeString* strConst(const char* chars) { return chars ? newStringFromC(chars) : newString(); }

}  // namespace

void linkStringRoutines(Registry& r) {
  r.routine<"_vxStrLoad", strLoad>();
  r.routine<"_vxStrRelease", strRelease>();
  r.routine<"_vxStrStore", strStore>();
  r.routine<"_vxStrCompare", strCompare>();
  r.routine<"_vxStrConcat", strConcat>();
  r.routine<"_vxStrToInt", strToInt>();
  r.routine<"_vxStrFromInt", strFromInt>();
  r.routine<"_vxStrToFloat", strToFloat>();
  r.routine<"_vxStrFromFloat", strFromFloat>();
  r.routine<"_vxStrConst", strConst>();
}

}  // namespace vx
