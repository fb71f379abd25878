#pragma once
// Texture filters: flags that file-loaded textures get by their name. Each
// entry whose text occurs in the lower-case file name adds its flags; the
// empty text matches every name.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

class TextureFilters {
 public:
  // What a 3D mode starts with: colour and mipmaps for every file.
  void reset() {
    entries_.clear();
    add("", 9);
  }
  void clear() { entries_.clear(); }
  void add(std::string_view text, int32_t flags);
  // flags with those of every filter matching the name.
  int32_t apply(std::string_view lowerCaseName, int32_t flags) const;

 private:
  struct Entry {
    std::string text;  // lower case
    int32_t flags;
  };
  std::vector<Entry> entries_;
};

}  // namespace vx
