#include "platform/file_system.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <memory>
#include <vector>

namespace vx {

namespace {

bool exists(const std::string& path) {
  struct stat64 info;
  return lstat64(path.c_str(), &info) == 0;
}

std::string withSlashes(std::string_view path) {
  std::string p(path);
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

// The entry of directory that equals name but for ASCII case; the first in
// byte order when several do, "" when none does.
std::string matchIgnoringCase(const std::string& directory, std::string_view name) {
  DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
  if (!dir) return {};
  std::string best;
  std::string wanted(name);
  while (dirent* entry = readdir(dir)) {
    if (strcasecmp(entry->d_name, wanted.c_str()) != 0) continue;
    if (best.empty() || best > entry->d_name) best = entry->d_name;
  }
  closedir(dir);
  return best;
}

}  // namespace

std::string nativePath(std::string_view path) {
  std::string p = withSlashes(path);
  if (p.empty() || exists(p)) return p;
  std::string out;
  size_t i = 0;
  if (p[0] == '/') {
    out = "/";
    i = 1;
  }
  while (i <= p.size()) {
    size_t slash = p.find('/', i);
    if (slash == std::string::npos) slash = p.size();
    std::string_view part = std::string_view(p).substr(i, slash - i);
    if (!part.empty() && part != "." && part != ".." && !exists(out + std::string(part))) {
      std::string match = matchIgnoringCase(out, part);
      if (match.empty()) return out + p.substr(i);
      out += match;
    } else {
      out += part;
    }
    if (slash < p.size()) out += '/';
    i = slash + 1;
  }
  return out;
}

Dir::~Dir() {
  if (dir_) closedir(dir_);
}

std::string Dir::next() {
  if (!dir_) return {};
  if (dirent* entry = readdir(dir_)) return entry->d_name;
  closedir(dir_);
  dir_ = nullptr;
  return {};
}

FileSystem::~FileSystem() {
  dirs_.clear([](Dir* d) { delete d; });
}

bool FileSystem::createDir(std::string_view path) { return mkdir(nativePath(path).c_str(), 0777) == 0; }

bool FileSystem::deleteDir(std::string_view path) { return rmdir(nativePath(path).c_str()) == 0; }

bool FileSystem::deleteFile(std::string_view path) {
  std::string p = nativePath(path);
  struct stat64 info;
  // Directories are deleted by deleteDir only.
  if (lstat64(p.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
  return unlink(p.c_str()) == 0;
}

bool FileSystem::copyFile(std::string_view from, std::string_view to) {
  std::string source = nativePath(from);
  std::string target = nativePath(to);
  int in = open(source.c_str(), O_RDONLY | O_CLOEXEC | O_LARGEFILE);
  if (in < 0) return false;
  struct stat64 sourceInfo, targetInfo;
  if (fstat64(in, &sourceInfo) != 0 || S_ISDIR(sourceInfo.st_mode) ||
      (stat64(target.c_str(), &targetInfo) == 0 && targetInfo.st_dev == sourceInfo.st_dev &&
       targetInfo.st_ino == sourceInfo.st_ino)) {
    close(in);
    return false;
  }
  int out = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_LARGEFILE, sourceInfo.st_mode & 0777);
  if (out < 0) {
    close(in);
    return false;
  }
  std::unique_ptr<char[]> buffer(new char[65536]);
  bool ok = true;
  for (;;) {
    ssize_t n = read(in, buffer.get(), 65536);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    for (ssize_t done = 0; done < n;) {
      ssize_t w = write(out, buffer.get() + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        ok = false;
        break;
      }
      done += w;
    }
    if (!ok) break;
  }
  close(in);
  if (close(out) != 0) ok = false;
  return ok;
}

bool FileSystem::setCurrentDir(std::string_view path) {
  std::string p = nativePath(path);
  return !p.empty() && chdir(p.c_str()) == 0;
}

std::string FileSystem::currentDir() {
  std::vector<char> buffer(PATH_MAX + 1);
  if (!getcwd(buffer.data(), buffer.size())) return {};
  std::string dir = buffer.data();
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

int32_t FileSystem::fileSize(std::string_view path) {
  struct stat64 info;
  if (stat64(nativePath(path).c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return 0;
  return static_cast<int32_t>(static_cast<uint32_t>(info.st_size & 0xFFFFFFFF));
}

int32_t FileSystem::fileType(std::string_view path) {
  std::string p = nativePath(path);
  struct stat64 info;
  if (p.empty() || stat64(p.c_str(), &info) != 0) return 0;
  return S_ISDIR(info.st_mode) ? 2 : 1;
}

Dir* FileSystem::openDir(std::string_view path) {
  std::string directory = withSlashes(path);
  if (directory.empty() || directory.back() != '/') directory += '/';
  DIR* dir = opendir(nativePath(directory).c_str());
  if (!dir) return nullptr;
  auto* listing = new Dir(dir);
  dirs_.add(listing);
  return listing;
}

void FileSystem::closeDir(int32_t handle) {
  if (Dir* dir = dirs_.find(handle)) {
    dirs_.remove(dir);
    delete dir;
  }
}

FileSystem* openFileSystem() { return new FileSystem(); }

void closeFileSystem(FileSystem* fileSystem) { delete fileSystem; }

}  // namespace vx
