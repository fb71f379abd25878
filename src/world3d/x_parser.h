#pragma once
// DirectX files: a 16-byte header ("xof ", a version, the format "txt ",
// "bin ", "tzip" or "bzip" and the float size "0032" or "0064"), then
// template declarations and data objects in text or binary tokens, the
// compressed forms being blocks of raw deflate data.
//
// Data objects are read into a tree without their templates' member
// layout: each object keeps its numbers and its strings in the order they
// came, its nested objects, and its references to named objects. The
// standard templates and those the file declares are known; objects of
// any other template are skipped whole, with everything inside them.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "world3d/x_text_numbers.h"

namespace vx {

// A run of an object's numbers where the file holds them: text of decimal
// numbers between separators and comments, or a binary list of 32-bit
// integers, 32-bit floats or 64-bit floats. Numbers are read only when a
// reader asks for them.
struct XNumbers {
  enum Form : uint8_t { kText, kIntegers, kFloats, kDoubles };
  const uint8_t* data = nullptr;
  const uint8_t* end = nullptr;
  uint32_t count = 0;
  Form form = kText;
};

struct XObject {
  std::string type;  // the template's name
  std::string name;  // empty when unnamed
  // A reference ({ Name }) stands for the object of that name; it has no
  // type and no content.
  bool reference = false;
  std::vector<XNumbers> numbers;  // in order
  size_t numberCount = 0;         // in all its runs
  std::vector<std::string> strings;
  std::vector<XObject> children;  // nested objects and references, in order
};

// An object's numbers in order, never past their end.
class XNumberReader {
 public:
  explicit XNumberReader(const XObject& object)
      : run_(object.numbers.data()), runsEnd_(run_ + object.numbers.size()), remaining_(object.numberCount) {}

  size_t remaining() const { return remaining_; }
  // The next number; 0 past the end.
  double next() {
    if (!advance()) return 0;
    switch (form_) {
      case XNumbers::kIntegers:
        return static_cast<double>(read<uint32_t>());
      case XNumbers::kFloats:
        return read<float>();
      case XNumbers::kDoubles:
        return read<double>();
      default:
        return nextText<double>();
    }
  }
  // The next number as a float (rounded from its double value).
  float nextFloat() {
    if ((form_ == XNumbers::kFloats || form_ == XNumbers::kText) && left_ != 0) {
      --left_, --remaining_;
      return form_ == XNumbers::kFloats ? read<float>() : nextText<float>();
    }
    return static_cast<float>(next());
  }
  // The next number when it is a whole number below 2^31, else -1.
  int32_t nextIndex() {
    if (form_ == XNumbers::kText && left_ != 0) {
      // Up to nine plain digits are the index they spell.
      const uint8_t* p = x_text::skipSeparators(p_, end_);
      const uint8_t* q = p;
      uint32_t value = 0;
      while (q != end_ && q - p < 9 && *q >= '0' && *q <= '9') value = value * 10 + (*q++ - '0');
      if (q != p && (q == end_ || !((*q >= '0' && *q <= '9') || *q == '.' || *q == 'e' || *q == 'E'))) {
        --left_, --remaining_;
        p_ = q;
        return static_cast<int32_t>(value);
      }
    }
    if (form_ == XNumbers::kIntegers && left_ != 0) {
      --left_, --remaining_;
      const uint32_t value = read<uint32_t>();
      return value < 0x80000000u ? static_cast<int32_t>(value) : -1;
    }
    const double value = next();
    const bool whole = value >= 0 && value < 2147483648.0 && value == static_cast<int32_t>(value);
    return whole ? static_cast<int32_t>(value) : -1;
  }

 private:
  // Moves to the next number, into the next run where one ends; false past
  // the end.
  bool advance() {
    while (left_ == 0) {
      if (run_ == runsEnd_) return false;
      p_ = run_->data, end_ = run_->end, left_ = run_->count, form_ = run_->form;
      ++run_;
    }
    --left_, --remaining_;
    return true;
  }
  template <typename Value>
  Value read() {
    Value value;
    std::memcpy(&value, p_, sizeof value);
    p_ += sizeof value;
    return value;
  }
  template <typename Value>
  Value nextText() {
    Value value;
    p_ = x_text::scanNumber(x_text::skipSeparators(p_, end_), end_, &value);
    return value;
  }

  const XNumbers* run_;
  const XNumbers* runsEnd_;
  const uint8_t* p_ = nullptr;
  const uint8_t* end_ = nullptr;
  uint32_t left_ = 0;  // in the run being read
  XNumbers::Form form_ = XNumbers::kText;
  size_t remaining_;
};

// Objects keep their numbers where the file holds them: the bytes parsed
// must outlive the file read from them (a compressed file's inflated bytes
// are kept in it).
struct XFile {
  std::vector<XObject> objects;  // the top-level data objects
  std::vector<uint8_t> inflated;
  std::set<std::string, std::less<>> declaredTemplates;

  // The first object of a name anywhere in the file (references are not
  // objects); null when there is none.
  const XObject* find(std::string_view name) const;
  // What an object stands for: the named object for a reference (null when
  // none has the name), else the object itself.
  const XObject* resolve(const XObject& object) const;
};

// Reads a whole file's bytes; false when the header is not one of the
// forms above or compressed data does not inflate. A damaged body keeps
// what was read before the damage.
bool parseXFile(const uint8_t* data, size_t size, XFile& file);

}  // namespace vx
