#pragma once
// Writes DirectX files object by object, for tests and benchmarks: the same
// calls make a text or a binary file (with 32- or 64-bit floats), and either
// can then be compressed into blocks of raw deflate data.

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace vxtest {

class XWriter {
 public:
  enum Format { kText, kBinary };
  explicit XWriter(Format format, bool doubles = false) : format_(format), doubles_(doubles) {}

  XWriter& open(const std::string& type, const std::string& name = "") {
    if (format_ == kText) return text(type + " " + name + " {\n");
    name_(type);
    if (!name.empty()) name_(name);
    return token(kOpenBrace);
  }
  XWriter& close() { return format_ == kText ? text("}\n") : token(kCloseBrace); }
  XWriter& ints(std::initializer_list<uint32_t> values) { return ints(std::vector<uint32_t>(values)); }
  XWriter& ints(const std::vector<uint32_t>& values) {
    if (format_ == kText) return list(values);
    token(kIntegerList).word(static_cast<uint32_t>(values.size()));
    for (uint32_t v : values) word(v);
    return *this;
  }
  XWriter& floats(std::initializer_list<double> values) { return floats(std::vector<double>(values)); }
  XWriter& floats(const std::vector<double>& values) {
    if (format_ == kText) return list(values);
    token(kFloatList).word(static_cast<uint32_t>(values.size()));
    for (double v : values) {
      if (doubles_) {
        put(&v, 8);
      } else {
        const float f = static_cast<float>(v);
        put(&f, 4);
      }
    }
    return *this;
  }
  XWriter& string(const std::string& value) {
    if (format_ == kText) return text("\"" + value + "\";\n");
    token(kString).word(static_cast<uint32_t>(value.size()));
    put(value.data(), value.size());
    return token(kSemicolon);
  }
  XWriter& ref(const std::string& name) {
    if (format_ == kText) return text("{ " + name + " }\n");
    token(kOpenBrace);
    name_(name);
    return token(kCloseBrace);
  }
  // Declares a template of one DWORD member n.
  XWriter& declare(const std::string& name) {
    if (format_ == kText) return text("template " + name + " {\n <3D82AB43-62DA-11cf-AB39-0020AF71E433>\n DWORD n;\n}\n");
    token(kTemplate);
    name_(name);
    token(kOpenBrace).token(kGuid);
    body_.insert(body_.end(), 16, 0x5A);
    token(kDword);
    name_("n");
    return token(kSemicolon).token(kCloseBrace);
  }
  XWriter& text(const std::string& value) {
    body_.insert(body_.end(), value.begin(), value.end());
    return *this;
  }

  std::vector<uint8_t> bytes() const {
    std::vector<uint8_t> file = header(format_ == kText ? "txt " : "bin ");
    file.insert(file.end(), body_.begin(), body_.end());
    return file;
  }
  // The file as "tzip" or "bzip": its size, then blocks of at most 32 KiB
  // of the body, each deflated with the 32 KiB before it as history.
  std::vector<uint8_t> compressed() const {
    std::vector<uint8_t> file = header(format_ == kText ? "tzip" : "bzip");
    const uint32_t total = static_cast<uint32_t>(body_.size() + 16);
    append(file, &total, 4);
    for (size_t at = 0; at < body_.size(); at += kBlock) {
      const size_t size = std::min(kBlock, body_.size() - at);
      z_stream z{};
      deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
      const size_t history = std::min(at, kBlock);
      deflateSetDictionary(&z, body_.data() + at - history, static_cast<uInt>(history));
      std::vector<uint8_t> out(deflateBound(&z, size));
      z.next_in = const_cast<uint8_t*>(body_.data() + at);
      z.avail_in = static_cast<uInt>(size);
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      deflate(&z, Z_FINISH);
      const uint16_t plain = static_cast<uint16_t>(size), stored = static_cast<uint16_t>(z.total_out + 2);
      deflateEnd(&z);
      append(file, &plain, 2);
      append(file, &stored, 2);
      append(file, "CK", 2);
      append(file, out.data(), z.total_out);
    }
    return file;
  }

  static void save(const std::vector<uint8_t>& bytes, const std::string& path) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }

 private:
  enum Token : uint16_t {
    kName = 1, kString = 2, kGuid = 5, kIntegerList = 6, kFloatList = 7, kOpenBrace = 10, kCloseBrace = 11,
    kSemicolon = 20, kTemplate = 31, kDword = 41,
  };
  static constexpr size_t kBlock = 32768;

  std::vector<uint8_t> header(const char* format) const {
    const std::string h = std::string("xof 0303") + format + (doubles_ ? "0064" : "0032");
    return {h.begin(), h.end()};
  }
  static void append(std::vector<uint8_t>& to, const void* data, size_t size) {
    to.insert(to.end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
  }
  XWriter& put(const void* data, size_t size) {
    append(body_, data, size);
    return *this;
  }
  XWriter& word(uint32_t value) { return put(&value, 4); }
  XWriter& token(uint16_t code) { return put(&code, 2); }
  void name_(const std::string& name) {
    token(kName).word(static_cast<uint32_t>(name.size()));
    put(name.data(), name.size());
  }
  template <typename Value>
  XWriter& list(const std::vector<Value>& values) {
    std::string line;
    for (size_t n = 0; n < values.size(); ++n) line += std::to_string(values[n]) + (n + 1 < values.size() ? "," : ";");
    return text(line + ";\n");
  }

  Format format_;
  bool doubles_;
  std::vector<uint8_t> body_;
};

}  // namespace vxtest
