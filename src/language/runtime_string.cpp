#include "language/runtime_string.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "language/allocation_list.h"

namespace vx {

namespace {

constexpr int kBlockStrings = 512;
constexpr uint32_t kLocalCapacity = sizeof(RuntimeString::local) - 1;

// The in-use list is doubly linked so that any string can leave it at once;
// the free list is a stack through the next links.
struct Pool {
  RuntimeString* inUse;
  RuntimeString* free;
  int32_t live;
};

constinit Pool pool{nullptr, nullptr, 0};

inline void addBlock() {
  auto* block = static_cast<RuntimeString*>(runAllocations().allocate(sizeof(RuntimeString) * kBlockStrings));
  for (int i = 0; i < kBlockStrings; ++i) {
    block[i].next = pool.free;
    pool.free = &block[i];
  }
}

inline RuntimeString* take() {
  if (!pool.free) addBlock();
  RuntimeString* s = pool.free;
  pool.free = s->next;
  s->prev = nullptr;
  s->next = pool.inUse;
  if (pool.inUse) pool.inUse->prev = s;
  pool.inUse = s;
  s->data = s->local;
  s->size = 0;
  s->capacity = kLocalCapacity;
  ++pool.live;
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
  if (length) std::memmove(data, bytes, length);
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
  s->assign(bytes, length);
  return s;
}

RuntimeString* newString(std::string_view text) { return newString(text.data(), text.size()); }

RuntimeString* newStringFromC(const char* chars) {
  RuntimeString* s = take();
  // One pass while the text fits in place; longer texts are measured.
  uint32_t n = 0;
  while (n < kLocalCapacity && chars[n]) {
    s->local[n] = chars[n];
    ++n;
  }
  if (n < kLocalCapacity || !chars[n]) {
    s->local[n] = 0;
    s->size = n;
    return s;
  }
  s->assign(chars, std::strlen(chars));
  return s;
}

void releaseString(RuntimeString* s) {
  if (!s) return;
  if (s->data != s->local) std::free(s->data);
  if (s->prev)
    s->prev->next = s->next;
  else
    pool.inUse = s->next;
  if (s->next) s->next->prev = s->prev;
  s->next = pool.free;
  pool.free = s;
  --pool.live;
}

void resetStringPool() {
  for (RuntimeString* s = pool.inUse; s; s = s->next)
    if (s->data != s->local) std::free(s->data);
  pool = Pool{nullptr, nullptr, 0};
}

int32_t liveStringCount() { return pool.live; }

}  // namespace vx
