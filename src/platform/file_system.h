#pragma once
// Files and directories for the file commands, over POSIX.
//
// Programs written for Windows use '\' in paths and do not care about case.
// nativePath() turns such a path into one this system opens: both '\' and
// '/' separate components, and a component that does not exist exactly is
// matched without regard to (ASCII) case in its directory. A component that
// matches nothing is kept as given, with the rest of the path, which is what
// creating a file or directory needs: the new name is the one given.

#include <dirent.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/handles.h"

namespace vx {

std::string nativePath(std::string_view path);

// An open listing of one directory.
class Dir {
 public:
  explicit Dir(DIR* dir) : dir_(dir) {}
  ~Dir();
  Dir(const Dir&) = delete;
  Dir& operator=(const Dir&) = delete;

  // The next entry name in the order the system gives them, the entries
  // "." and ".." included; "" once all have been given, for ever after.
  std::string next();

 private:
  DIR* dir_;  // null once exhausted
};

class FileSystem {
 public:
  FileSystem() = default;
  // Closes every listing still open.
  ~FileSystem();
  FileSystem(const FileSystem&) = delete;
  FileSystem& operator=(const FileSystem&) = delete;

  bool createDir(std::string_view path);
  // The directory must be empty.
  bool deleteDir(std::string_view path);
  bool deleteFile(std::string_view path);
  // Replaces an existing target; copying a file onto itself fails and
  // leaves it alone.
  bool copyFile(std::string_view from, std::string_view to);
  bool setCurrentDir(std::string_view path);
  // The current directory ending in '/'; "" when it cannot be had.
  std::string currentDir();
  // The low 32 bits of a file's size; 0 for a directory or a missing path.
  int32_t fileSize(std::string_view path);
  // 0 missing, 1 a file, 2 a directory.
  int32_t fileType(std::string_view path);

  // A listing of the directory path names, with or without a trailing
  // separator; null when it cannot be listed. "" lists the root, as a
  // Windows listing of "\*" does.
  Dir* openDir(std::string_view path);
  // The dir of a handle when it is an open listing, else null.
  Dir* verifyDir(int32_t handle) const { return dirs_.find(handle); }
  // Closes a listing; anything else is ignored.
  void closeDir(int32_t handle);

 private:
  HandleSet<Dir> dirs_;
};

FileSystem* openFileSystem();
void closeFileSystem(FileSystem* fileSystem);

}  // namespace vx
