#include "streams/file_commands.h"

#include "platform/file_system.h"
#include "runtime/run_step.h"
#include "streams/file_stream.h"

namespace vx {

namespace {

FileSystem* fileSystem = nullptr;
// The file streams this module opened, besides their place among all streams.
HandleSet<FileStream> openFiles;

int32_t openWith(StrArg& name, FileAccess access) {
  FileStream* file = FileStream::open(nativePath(name.view()).c_str(), access);
  if (!file) return 0;
  return openFiles.add(file);
}

int32_t openFile(StrArg name) { return openWith(name, FileAccess::ReadWrite); }
int32_t readFile(StrArg name) { return openWith(name, FileAccess::Read); }
int32_t writeFile(StrArg name) { return openWith(name, FileAccess::Write); }

void closeFile(int32_t handle) {
  FileStream* file = openFiles.get(handle, "File does not exist");
  if (!file) return;
  openFiles.remove(file);
  delete file;
}

int32_t filePos(int32_t handle) {
  FileStream* file = openFiles.get(handle, "File does not exist");
  return file ? file->position() : 0;
}

int32_t seekFile(int32_t handle, int32_t position) {
  FileStream* file = openFiles.get(handle, "File does not exist");
  return file ? file->seek(position) : 0;
}

int32_t readDir(StrArg name) { return HandleSet<Dir>::handleOf(fileSystem->openDir(name.view())); }

void closeDir(int32_t handle) { fileSystem->closeDir(handle); }

RuntimeString* nextFile(int32_t handle) {
  Dir* dir = fileSystem->verifyDir(handle);
  if (!dir) {
    if (debugging()) raiseError("Directory does not exist");
    return newString();
  }
  return newString(dir->next());
}

RuntimeString* currentDir() { return newString(fileSystem->currentDir()); }

void changeDir(StrArg dir) { fileSystem->setCurrentDir(dir.view()); }
void createDir(StrArg dir) { fileSystem->createDir(dir.view()); }
void deleteDir(StrArg dir) { fileSystem->deleteDir(dir.view()); }
int32_t fileSize(StrArg file) { return fileSystem->fileSize(file.view()); }
int32_t fileType(StrArg file) { return fileSystem->fileType(file.view()); }
void copyFile(StrArg file, StrArg to) { fileSystem->copyFile(file.view(), to.view()); }
void deleteFile(StrArg file) { fileSystem->deleteFile(file.view()); }

void closeAllFiles() {
  openFiles.clear([](FileStream* file) { delete file; });
}

bool create() {
  closeAllFiles();
  fileSystem = openFileSystem();
  return fileSystem != nullptr;
}

void destroy() {
  closeAllFiles();
  closeFileSystem(fileSystem);
  fileSystem = nullptr;
}

void link(Registry& r) {
  r.command<"%OpenFile$filename", openFile>();
  r.command<"%ReadFile$filename", readFile>();
  r.command<"%WriteFile$filename", writeFile>();
  r.command<"CloseFile%file_stream", closeFile>();
  r.command<"%FilePos%file_stream", filePos>();
  r.command<"%SeekFile%file_stream%pos", seekFile>();
  r.command<"%ReadDir$dirname", readDir>();
  r.command<"CloseDir%dir", closeDir>();
  r.command<"$NextFile%dir", nextFile>();
  r.command<"$CurrentDir", currentDir>();
  r.command<"ChangeDir$dir", changeDir>();
  r.command<"CreateDir$dir", createDir>();
  r.command<"DeleteDir$dir", deleteDir>();
  r.command<"%FileSize$file", fileSize>();
  r.command<"%FileType$file", fileType>();
  r.command<"CopyFile$file$to", copyFile>();
  r.command<"DeleteFile$file", deleteFile>();
}

}  // namespace

const RuntimeModule fileSystemModule{"filesystem", create, destroy, link};

}  // namespace vx
