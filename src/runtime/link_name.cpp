#include "runtime/link_name.h"

namespace vx {

namespace {
bool isAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
}  // namespace

std::string linkName(std::string_view text) {
  if (!text.empty() && text[0] == '_') return "_" + std::string(text);
  if (!text.empty() && !isAlnum(text[0])) text.remove_prefix(1);
  std::string name = "_f";
  for (char c : text) {
    if (!isAlnum(c) && c != '_') break;
    name += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return name;
}

}  // namespace vx
