// The FileSystem on real directories: Windows-style paths, listings, sizes
// beyond 32 bits, and copying; whole files viewed for loaders.

#include "platform/file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <utility>

#include "platform/native_file.h"
#include "temp_dir.h"

using vx::nativePath;
using vxtest::fileBytes;
using vxtest::putFile;
namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

std::multiset<std::string> listAll(vx::FileSystem& files, const std::string& path) {
  vx::Dir* dir = files.openDir(path);
  std::multiset<std::string> names;
  if (!dir) return names;
  for (std::string name = dir->next(); !name.empty(); name = dir->next()) names.insert(name);
  return names;
}

// Restores the working directory the test found.
struct KeepCurrentDir {
  fs::path saved = fs::current_path();
  ~KeepCurrentDir() { fs::current_path(saved); }
};

}  // namespace

TEST(NativePath, BackslashesAndCaseFindWhatExists) {
  vxtest::TempDir dir;
  fs::create_directories(dir / "Data/Sub");
  putFile(dir / "Data/Sub/File.TXT", "x");

  const std::string exact = dir / "Data/Sub/File.TXT";
  EXPECT_EQ(nativePath(exact), exact);
  EXPECT_EQ(nativePath(dir.path() + "\\data\\SUB\\file.txt"), exact);
  EXPECT_EQ(nativePath(dir.path() + "/DATA//sub/./FILE.txt"), dir.path() + "/Data//Sub/./File.TXT");
  EXPECT_EQ(nativePath(dir.path() + "\\data\\sub\\"), dir.path() + "/Data/Sub/");
  // What does not exist keeps the name given, below the parts that do.
  EXPECT_EQ(nativePath(dir.path() + "\\DATA\\New.txt"), dir.path() + "/Data/New.txt");
  EXPECT_EQ(nativePath(dir.path() + "\\Nowhere\\SUB\\x"), dir.path() + "/Nowhere/SUB/x");

  KeepCurrentDir keep;
  fs::current_path(dir.path());
  EXPECT_EQ(nativePath("data\\sub\\file.txt"), "Data/Sub/File.TXT");
  EXPECT_EQ(nativePath("..\\" + fs::path(dir.path()).filename().string() + "\\DATA"), "../" +
            fs::path(dir.path()).filename().string() + "/Data");
}

TEST(NativePath, AnExactMatchWinsAndTiesGoByByteOrder) {
  vxtest::TempDir dir;
  putFile(dir / "abc", "lower");
  putFile(dir / "ABC", "upper");
  putFile(dir / "aBc", "mixed");
  EXPECT_EQ(nativePath(dir / "abc"), dir / "abc");
  EXPECT_EQ(nativePath(dir / "aBc"), dir / "aBc");
  EXPECT_EQ(nativePath(dir / "Abc"), dir / "ABC");
}

TEST(FileSystem, ListingsGiveEveryEntryThenNothingForEver) {
  vxtest::TempDir dir;
  vx::FileSystem files;
  fs::create_directory(dir / "empty");
  EXPECT_EQ(listAll(files, dir / "empty"), (std::multiset<std::string>{".", ".."}));

  fs::create_directory(dir / "Full");
  putFile(dir / "Full/one", "1");
  EXPECT_EQ(listAll(files, dir.path() + "/FULL/"), (std::multiset<std::string>{".", "..", "one"}));

  vx::Dir* d = files.openDir(dir / "empty");
  int32_t handle = vx::HandleSet<vx::Dir>::handleOf(d);
  EXPECT_EQ(files.verifyDir(handle), d);
  for (int i = 0; i < 2; ++i) EXPECT_FALSE(d->next().empty());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(d->next(), "");
  files.closeDir(handle);
  EXPECT_EQ(files.verifyDir(handle), nullptr);
  files.closeDir(handle);  // no longer open: ignored
  files.closeDir(12345);

  EXPECT_EQ(files.openDir(dir / "Full/one"), nullptr);
  EXPECT_NE(listAll(files, "").count(".."), 0u);  // the root, as "\*" lists it
}

TEST(FileSystem, SizesBeyondFourGibibytesKeepTheirLowBits) {
  vxtest::TempDir dir;
  vx::FileSystem files;
  // Beyond 4 GiB only the low 32 bits remain (a sparse file takes no room).
  int fd = open((dir / "huge").c_str(), O_WRONLY | O_CREAT | O_LARGEFILE, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate64(fd, (int64_t{1} << 32) + 7), 0);
  close(fd);
  EXPECT_EQ(files.fileSize(dir / "huge"), 7);
  EXPECT_EQ(files.fileType(dir / "HUGE"), 1);
}

TEST(FileSystem, CopyingReplacesTargetsButNeverTheSourceItself) {
  vxtest::TempDir dir;
  vx::FileSystem files;
  std::string big(200000, 'q');
  putFile(dir / "Source", big);
  putFile(dir / "Target", std::string(300000, 't'));
  EXPECT_TRUE(files.copyFile(dir / "source", dir / "TARGET"));
  EXPECT_EQ(fileBytes(dir / "Target"), big);
  EXPECT_FALSE(fs::exists(dir / "TARGET"));

  EXPECT_FALSE(files.copyFile(dir / "Source", dir / "SOURCE"));
  EXPECT_EQ(fileBytes(dir / "Source"), big);
  fs::create_directory(dir / "Dir");
  EXPECT_FALSE(files.copyFile(dir / "Dir", dir / "x"));
  EXPECT_FALSE(files.copyFile(dir / "Source", dir / "Dir"));
}

// Whole files for loaders: read when small, mapped when large, the same
// bytes either way; nothing for what is not a readable regular file within
// the limit.
TEST(FileView, SmallAndLargeFilesGiveTheirBytes) {
  vxtest::TempDir dir;
  std::string small = "a few bytes", large(200000, '\0');
  for (size_t i = 0; i < large.size(); ++i) large[i] = char(i * 7 + i / 251);
  putFile(dir / "small", small);
  putFile(dir / "large", large);
  putFile(dir / "empty", "");
  fs::create_directories(dir / "folder");

  vx::FileView view;
  for (const auto& [name, text] : {std::pair{"small", small}, std::pair{"large", large}, std::pair{"empty", ""s}}) {
    ASSERT_TRUE(view.open(dir / name, 1 << 20)) << name;
    EXPECT_EQ(std::string(view.bytes().begin(), view.bytes().end()), text) << name;
  }
  EXPECT_FALSE(view.open(dir / "large", large.size() - 1));
  EXPECT_TRUE(view.bytes().empty());
  EXPECT_FALSE(view.open(dir / "folder", 1 << 20));
  EXPECT_FALSE(view.open(dir / "missing", 1 << 20));
  EXPECT_TRUE(view.bytes().empty());
}
