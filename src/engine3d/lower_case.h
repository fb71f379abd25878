#pragma once
// Names of files and extensions are compared without regard to ASCII case.

#include <string>
#include <string_view>

namespace vx {

inline std::string lowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

}  // namespace vx
