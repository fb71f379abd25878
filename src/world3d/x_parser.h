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
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

struct XObject {
  std::string type;  // the template's name
  std::string name;  // empty when unnamed
  // A reference ({ Name }) stands for the object of that name; it has no
  // type and no content.
  bool reference = false;
  std::vector<double> numbers;
  std::vector<std::string> strings;
  std::vector<XObject> children;  // nested objects and references, in order
};

struct XFile {
  std::vector<XObject> objects;  // the top-level data objects
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
