#include "language/string_commands.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>
#include <string_view>

namespace vx {

namespace {

void requirePositive(int32_t value) {
  if (value < 0) raiseError("parameter must be positive");
}

void requireAboveZero(int32_t value) {
  if (value <= 0) raiseError("parameter must be greater than 0");
}

// The argument's own storage, cut down to length bytes from offset.
RuntimeString* keepPart(StrArg& s, size_t offset, size_t length) {
  RuntimeString* r = s.take();
  if (offset != 0 || length != r->size) r->assign(r->data + offset, length);
  return r;
}

void appendBlanks(RuntimeString* r, size_t count) {
  static constexpr char kBlanks[] = "                                ";
  constexpr size_t kChunk = sizeof kBlanks - 1;
  for (; count > kChunk; count -= kChunk) r->append(kBlanks, kChunk);
  r->append(kBlanks, count);
}

RuntimeString* repeatString(StrArg s, int32_t repeat) {
  size_t size = s.size();
  if (repeat <= 0 || size == 0) return newString();
  size_t count = static_cast<size_t>(repeat);
  if (size > (UINT32_MAX - 1) / count) throw std::bad_alloc();
  RuntimeString* r = newString();
  char* out = r->resize(size * count);
  std::memcpy(out, s.view().data(), size);
  // Doubling copies: the filled part is copied onto what follows it.
  for (size_t filled = size, total = size * count; filled < total;) {
    size_t n = filled < total - filled ? filled : total - filled;
    std::memcpy(out + filled, out, n);
    filled += n;
  }
  return r;
}

RuntimeString* left(StrArg s, int32_t count) {
  requirePositive(count);
  size_t n = static_cast<size_t>(count);
  return keepPart(s, 0, n < s.size() ? n : s.size());
}

RuntimeString* right(StrArg s, int32_t count) {
  requirePositive(count);
  size_t n = static_cast<size_t>(count);
  if (n > s.size()) n = s.size();
  return keepPart(s, s.size() - n, n);
}

// Occurrences are found left to right and the search goes on after the
// inserted text, so it is never searched again. An empty search text has no
// occurrences to replace: the string comes back unchanged.
RuntimeString* replace(StrArg s, StrArg from, StrArg to) {
  std::string_view text = s.view(), find = from.view(), with = to.view();
  if (find.empty()) return s.take();
  size_t at = text.find(find);
  if (at == std::string_view::npos) return s.take();
  RuntimeString* r = newString();
  size_t done = 0;
  for (; at != std::string_view::npos; at = text.find(find, done)) {
    r->append(text.data() + done, at - done);
    r->append(with.data(), with.size());
    done = at + find.size();
  }
  r->append(text.data() + done, text.size() - done);
  return r;
}

int32_t instr(StrArg s, StrArg find, int32_t from) {
  requireAboveZero(from);
  size_t start = static_cast<size_t>(from) - 1;
  if (start > s.size()) return 0;
  if (find.empty()) return from;
  size_t at = s.view().find(find.view(), start);
  return at == std::string_view::npos ? 0 : static_cast<int32_t>(at + 1);
}

RuntimeString* mid(StrArg s, int32_t start, int32_t count) {
  requireAboveZero(start);
  size_t size = s.size();
  size_t begin = static_cast<size_t>(start) - 1;
  if (begin > size) begin = size;
  size_t n = size - begin;
  if (count >= 0 && static_cast<size_t>(count) < n) n = static_cast<size_t>(count);
  return keepPart(s, begin, n);
}

// Case and character classes are those of plain ASCII; bytes 128 to 255
// are left as they are.
RuntimeString* upper(StrArg s) {
  RuntimeString* r = s.take();
  for (uint32_t i = 0; i < r->size; ++i)
    if (r->data[i] >= 'a' && r->data[i] <= 'z') r->data[i] = static_cast<char>(r->data[i] - 'a' + 'A');
  return r;
}

RuntimeString* lower(StrArg s) {
  RuntimeString* r = s.take();
  for (uint32_t i = 0; i < r->size; ++i)
    if (r->data[i] >= 'A' && r->data[i] <= 'Z') r->data[i] = static_cast<char>(r->data[i] - 'A' + 'a');
  return r;
}

// Blanks and control characters (0 to 32 and 127) are trimmed; bytes 128
// to 255 belong to the text (they are parts of accented or UTF-8 letters).
bool trimmed(char c) {
  auto b = static_cast<unsigned char>(c);
  return b <= 32 || b == 127;
}

RuntimeString* trim(StrArg s) {
  std::string_view text = s.view();
  size_t begin = 0, end = text.size();
  while (begin < end && trimmed(text[begin])) ++begin;
  while (end > begin && trimmed(text[end - 1])) --end;
  return keepPart(s, begin, end - begin);
}

RuntimeString* lset(StrArg s, int32_t size) {
  requirePositive(size);
  size_t n = static_cast<size_t>(size);
  if (n <= s.size()) return keepPart(s, 0, n);
  size_t blanks = n - s.size();
  RuntimeString* r = s.take();
  appendBlanks(r, blanks);
  return r;
}

RuntimeString* rset(StrArg s, int32_t size) {
  requirePositive(size);
  size_t n = static_cast<size_t>(size);
  if (n <= s.size()) return keepPart(s, s.size() - n, n);
  RuntimeString* r = newString();
  appendBlanks(r, n - s.size());
  r->append(s.view().data(), s.size());
  return r;
}

RuntimeString* chr(int32_t ascii) {
  char c = static_cast<char>(ascii & 255);
  return newString(&c, 1);
}

int32_t asc(StrArg s) { return s.empty() ? -1 : static_cast<unsigned char>(s.view()[0]); }

int32_t len(StrArg s) { return static_cast<int32_t>(s.size()); }

RuntimeString* hex(int32_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  char text[8];
  auto bits = static_cast<uint32_t>(value);
  for (int i = 7; i >= 0; --i, bits >>= 4) text[i] = kDigits[bits & 15];
  return newString(text, sizeof text);
}

RuntimeString* bin(int32_t value) {
  char text[32];
  auto bits = static_cast<uint32_t>(value);
  for (int i = 31; i >= 0; --i, bits >>= 1) text[i] = static_cast<char>('0' + (bits & 1));
  return newString(text, sizeof text);
}

std::tm localNow() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

// "07 Mar 2024": month names are English whatever the locale.
RuntimeString* currentDate() {
  static constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm t = localNow();
  char text[32];
  int n = std::snprintf(text, sizeof text, "%02d %s %04d", t.tm_mday, kMonths[t.tm_mon % 12], t.tm_year + 1900);
  return newString(text, static_cast<size_t>(n));
}

// "14:05:09", 24-hour clock.
RuntimeString* currentTime() {
  std::tm t = localNow();
  char text[32];
  int n = std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
  return newString(text, static_cast<size_t>(n));
}

bool create() { return true; }

void destroy() {}

void link(Registry& r) {
  r.command<"$String$string%repeat", repeatString>();
  r.command<"$Left$string%count", left>();
  r.command<"$Right$string%count", right>();
  r.command<"$Replace$string$from$to", replace>();
  r.command<"%Instr$string$find%from=1", instr>();
  r.command<"$Mid$string%start%count=-1", mid>();
  r.command<"$Upper$string", upper>();
  r.command<"$Lower$string", lower>();
  r.command<"$Trim$string", trim>();
  r.command<"$LSet$string%size", lset>();
  r.command<"$RSet$string%size", rset>();
  r.command<"$Chr%ascii", chr>();
  r.command<"%Asc$string", asc>();
  r.command<"%Len$string", len>();
  r.command<"$Hex%value", hex>();
  r.command<"$Bin%value", bin>();
  r.command<"$CurrentDate", currentDate>();
  r.command<"$CurrentTime", currentTime>();
}

}  // namespace

const RuntimeModule stringModule{"string", create, destroy, link};

}  // namespace vx
