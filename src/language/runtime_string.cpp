#include "language/runtime_string.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "language/allocation_list.h"

namespace vx {

namespace {

constexpr int kBlockStrings = 512;
constexpr uint32_t kLocalCapacity = sizeof(RuntimeString::local) - 1;

struct Pool {
  RuntimeString inUse;  // sentinels of two circular lists
  RuntimeString free;
  int32_t live = 0;

  Pool() { clearLists(); }

  void clearLists() {
    inUse.next = inUse.prev = &inUse;
    free.next = free.prev = &free;
    live = 0;
  }
};

Pool& pool() {
  static Pool p;
  return p;
}

inline void unlink(RuntimeString* s) {
  s->prev->next = s->next;
  s->next->prev = s->prev;
}

inline void linkAfter(RuntimeString* head, RuntimeString* s) {
  s->next = head->next;
  s->prev = head;
  head->next->prev = s;
  head->next = s;
}

void addBlock(Pool& p) {
  auto* block = static_cast<RuntimeString*>(runAllocations().allocate(sizeof(RuntimeString) * kBlockStrings));
  for (int i = 0; i < kBlockStrings; ++i) linkAfter(&p.free, &block[i]);
}

inline void resetText(RuntimeString* s) {
  s->data = s->local;
  s->size = 0;
  s->capacity = kLocalCapacity;
  s->local[0] = 0;
}

inline RuntimeString* take() {
  Pool& p = pool();
  if (p.free.next == &p.free) addBlock(p);
  RuntimeString* s = p.free.next;
  unlink(s);
  linkAfter(&p.inUse, s);
  resetText(s);
  ++p.live;
  return s;
}

void grow(RuntimeString* s, size_t needed, bool keep) {
  if (needed > UINT32_MAX - 1) throw std::bad_alloc();
  size_t capacity = s->capacity * 2 > needed ? s->capacity * 2 : needed;
  if (capacity > UINT32_MAX - 1) capacity = needed;
  auto* storage = static_cast<char*>(std::malloc(capacity + 1));
  if (!storage) throw std::bad_alloc();
  if (keep) std::memcpy(storage, s->data, s->size);
  if (s->data != s->local) std::free(s->data);
  s->data = storage;
  s->capacity = static_cast<uint32_t>(capacity);
}

}  // namespace

void RuntimeString::append(const char* bytes, size_t length) {
  size_t total = size + length;
  if (total > capacity) {
    // bytes may point into this string's own storage.
    if (bytes >= data && bytes < data + size) {
      size_t offset = bytes - data;
      grow(this, total, true);
      bytes = data + offset;
    } else {
      grow(this, total, true);
    }
  }
  std::memmove(data + size, bytes, length);
  size = static_cast<uint32_t>(total);
  data[size] = 0;
}

void RuntimeString::assign(const char* bytes, size_t length) {
  if (length > capacity) grow(this, length, false);
  std::memmove(data, bytes, length);
  size = static_cast<uint32_t>(length);
  data[size] = 0;
}

char* RuntimeString::resize(size_t length) {
  if (length > capacity) grow(this, length, false);
  size = static_cast<uint32_t>(length);
  data[size] = 0;
  return data;
}

RuntimeString* newString(const char* bytes, size_t length) {
  RuntimeString* s = take();
  if (length) s->assign(bytes, length);
  return s;
}

RuntimeString* newString(std::string_view text) { return newString(text.data(), text.size()); }

void releaseString(RuntimeString* s) {
  if (!s) return;
  Pool& p = pool();
  if (s->data != s->local) std::free(s->data);
  s->data = s->local;
  s->size = 0;
  unlink(s);
  linkAfter(&p.free, s);
  --p.live;
}

void resetStringPool() {
  Pool& p = pool();
  for (RuntimeString* s = p.inUse.next; s != &p.inUse; s = s->next)
    if (s->data != s->local) std::free(s->data);
  p.clearLists();
}

int32_t liveStringCount() { return pool().live; }

}  // namespace vx
