#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "registered.h"
#include "runtime/runtime.h"

namespace {

std::vector<std::string> readList(const char* path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line.rfind("# ", 0) == 0) continue;
    lines.push_back(line.substr(0, line.find('\t')));
  }
  return lines;
}

std::set<std::string> registeredTexts(vx::SymbolKind kind, bool matchKind) {
  vx::Registry registry;
  vx::registerAll(vx::runtimeModules(), registry);
  std::set<std::string> texts;
  for (const vx::Registration& r : registry.entries())
    if ((r.kind == kind) == matchKind) texts.insert(r.text);
  return texts;
}

}  // namespace

TEST(Signatures, GrammarAndSigilsAreChecked) {
  static_assert(vx::signatureMatches("%LoadMesh$file%parent=0", '%', "$%"));
  static_assert(vx::signatureMatches("AppTitle$title$close_prompt=\"\"", 0, "$$"));
  static_assert(vx::signatureMatches("End", 0, ""));
  static_assert(vx::signatureMatches("#Rnd#from#to=0", '#', "##"));
  static_assert(vx::signatureMatches("Delay%millisecs=-1", 0, "%"));
  static_assert(!vx::signatureMatches("%LoadMesh$file%parent=0", '%', "$$"));  // wrong type
  static_assert(!vx::signatureMatches("%LoadMesh$file", '%', "$%"));           // missing parameter
  static_assert(!vx::signatureMatches("#EntityX%entity", '%', "%"));           // wrong result
  static_assert(!vx::signatureMatches("A%x=1%y", 0, "%%"));  // no default after a default
  static_assert(!vx::signatureMatches("A%x=", 0, "%"));
  static_assert(!vx::signatureMatches("A%", 0, "%"));
  static_assert(!vx::signatureMatches("%1A", '%', ""));
  SUCCEED();
}

TEST(Runtime, EnumerationVisitsEverySymbolInOrderThenStartsAgain) {
  vx::Runtime* runtime = runtimeGetRuntime();
  EXPECT_EQ(runtime->versionNumber(), 65721);
  std::vector<std::string> first;
  while (const char* name = runtime->nextSymbol()) {
    first.push_back(name);
    EXPECT_NE(runtime->symbolValue(name), -1) << name;
  }
  ASSERT_FALSE(first.empty());
  EXPECT_TRUE(std::is_sorted(first.begin(), first.end()));
  EXPECT_EQ(std::set<std::string>(first.begin(), first.end()).size(), first.size());
  EXPECT_EQ(runtime->symbolValue("End"), -1);  // the table is gone after the last name

  const char* again = runtime->nextSymbol();
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(first.front(), again);
  auto* expected = vxtest::registration("RuntimeError$message");
  ASSERT_NE(expected, nullptr);
  EXPECT_EQ(runtime->symbolValue("RuntimeError$message"),
            static_cast<int32_t>(reinterpret_cast<intptr_t>(expected->address)));
  EXPECT_EQ(runtime->symbolValue("runtimeerror$message"), -1);
  while (runtime->nextSymbol()) {
  }
}

TEST(Registry, EveryRegisteredNameBelongsToTheLanguage) {
  std::vector<std::string> commands = readList(VX_COMMAND_SET);
  std::vector<std::string> symbols = readList(VX_INTERNAL_SYMBOLS);
  ASSERT_EQ(commands.size(), 532u);
  ASSERT_EQ(symbols.size(), 55u);
  std::set<std::string> commandSet(commands.begin(), commands.end());
  std::set<std::string> symbolSet(symbols.begin(), symbols.end());
  for (const std::string& text : registeredTexts(vx::SymbolKind::Command, true))
    EXPECT_TRUE(commandSet.count(text)) << "unknown command signature " << text;
  for (const std::string& text : registeredTexts(vx::SymbolKind::Command, false))
    EXPECT_TRUE(symbolSet.count(text)) << "unknown internal symbol " << text;
}

TEST(Registry, ReportsWhatIsStillMissing) {
  std::set<std::string> have = registeredTexts(vx::SymbolKind::Command, true);
  for (const std::string& s : registeredTexts(vx::SymbolKind::Command, false)) have.insert(s);
  std::vector<std::string> missing;
  for (const char* list : {VX_COMMAND_SET, VX_INTERNAL_SYMBOLS})
    for (const std::string& text : readList(list))
      if (!have.count(text)) missing.push_back(text);
  std::printf("registered %zu of 587 names; still missing %zu:\n", have.size(), missing.size());
  for (const std::string& text : missing) std::printf("  %s\n", text.c_str());
  SUCCEED();
}
