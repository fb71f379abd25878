// vxsdkgen OUTPUT: writes the C header for modules from the registry, so it
// declares exactly what the runtime registers: every command under its link
// name, every internal routine and value.

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/key_codes.h"
#include "runtime/link_name.h"
#include "runtime/registry.h"
#include "runtime/runtime_modules.h"

namespace {

const std::set<std::string> kCKeywords = {
    "auto",  "break",  "case",     "char",   "const",    "continue", "default",  "do",     "double",
    "else",  "enum",   "extern",   "float",  "for",      "goto",     "if",       "inline", "int",
    "long",  "register", "restrict", "return", "short",  "signed",   "sizeof",   "static", "struct",
    "switch", "typedef", "union",   "unsigned", "void",  "volatile", "while"};

// The parameter names of a command signature, in order.
std::vector<std::string> parameterNames(const std::string& sig) {
  std::vector<std::string> names;
  size_t i = (sig[0] == '%' || sig[0] == '#' || sig[0] == '$') ? 1 : 0;
  while (i < sig.size() && sig[i] != '%' && sig[i] != '#' && sig[i] != '$') ++i;
  while (i < sig.size()) {
    ++i;  // the sigil
    std::string name;
    while (i < sig.size() && vx::isNameChar(sig[i])) name += sig[i++];
    if (kCKeywords.count(name)) name += '_';
    names.push_back(name);
    while (i < sig.size() && sig[i] != '%' && sig[i] != '#' && sig[i] != '$') ++i;
  }
  return names;
}

std::string declaration(const vx::Registration& r) {
  std::string name = vx::linkName(r.text);
  if (r.kind == vx::SymbolKind::Value) return "extern int " + name + ";";
  std::vector<std::string> names;
  if (r.kind == vx::SymbolKind::Command) names = parameterNames(r.text);
  std::string params;
  for (int i = 0; i < r.paramCount; ++i) {
    if (i) params += ", ";
    params += std::string(r.paramTypes[i]) + " " + (i < static_cast<int>(names.size()) ? names[i] : "p" + std::to_string(i));
  }
  if (params.empty()) params = "void";
  return std::string(r.resultType) + " VX_STDCALL " + name + "(" + params + ");";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vxsdkgen OUTPUT\n");
    return 1;
  }
  vx::Registry registry;
  vx::registerAll(vx::runtimeModules(), registry);

  // A later registration under the same link name replaces the earlier one.
  std::map<std::string, const vx::Registration*> byName;
  std::vector<std::string> order;
  for (const vx::Registration& r : registry.entries()) {
    std::string name = vx::linkName(r.text);
    if (!byName.count(name)) order.push_back(name);
    byName[name] = &r;
  }

  FILE* out = std::fopen(argv[1], "w");
  if (!out) {
    std::perror(argv[1]);
    return 1;
  }
  std::fprintf(out,
               "/* The runtime's commands and internal symbols for modules written in C.\n"
               "   Generated from the registry by vxsdkgen: do not edit. */\n"
               "#ifndef VEXEL_H\n#define VEXEL_H\n\n"
               "#define VX_STDCALL __attribute__((stdcall))\n\n"
               "/* A string of the language. Every command and routine that takes one\n"
               "   releases it; every one that returns one hands it to the caller. */\n"
               "typedef struct VxString VxString;\n\n"
               "/* The program's entry: vxmod places it at the first byte of the module. */\n"
               "void __MAIN(void);\n\n");
  std::fprintf(out, "/* Key codes of KeyDown, KeyHit, GetKey and WaitKey: scan codes of the PC\n"
                    "   keyboard, extended keys + 128. */\n");
  for (const vx::NamedKeyCode& key : vx::namedKeyCodes())
    std::fprintf(out, "#define VX_KEY_%s %d\n", key.name, key.code);
  std::fprintf(out, "\n");
  for (const std::string& name : order) {
    const vx::Registration& r = *byName[name];
    if (r.kind == vx::SymbolKind::Command) std::fprintf(out, "/* %s */\n", r.text);
    std::fprintf(out, "%s\n", declaration(r).c_str());
  }
  std::fprintf(out, "\n#endif\n");
  return std::fclose(out) == 0 ? 0 : 1;
}
