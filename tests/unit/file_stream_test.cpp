// File streams on real files: buffering across the buffer's edges, eof and
// avail, one position shared by reads, writes and seeks, and lines.

#include "streams/file_stream.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "language/runtime_string.h"
#include "temp_dir.h"

using vx::FileAccess;
using vx::FileStream;
using vxtest::fileBytes;
using vxtest::putFile;

namespace {

std::unique_ptr<FileStream> open(const std::string& path, FileAccess access) {
  return std::unique_ptr<FileStream>(FileStream::open(path.c_str(), access));
}

std::string pattern(size_t size) {
  std::string bytes(size, 0);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7919 + i / 251) & 255);
  return bytes;
}

std::string readString(FileStream& file, int32_t size) {
  std::string bytes(static_cast<size_t>(size), 0);
  bytes.resize(static_cast<size_t>(file.read(bytes.data(), size)));
  return bytes;
}

}  // namespace

TEST(FileStream, ChunksOfEverySizeSurviveTheBufferEdges) {
  vxtest::TempDir dir;
  const std::string data = pattern(3 * FileStream::kBufferSize + 12345);
  {
    auto file = open(dir / "data.bin", FileAccess::Write);
    ASSERT_TRUE(file);
    // Odd sizes, some larger than the buffer, so writes straddle its end.
    size_t at = 0;
    for (int32_t step = 1; at < data.size(); step = step * 3 % 100003 + 1) {
      int32_t n = static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(step), data.size() - at));
      ASSERT_EQ(file->write(data.data() + at, n), n);
      at += static_cast<size_t>(n);
    }
    EXPECT_EQ(file->position(), static_cast<int32_t>(data.size()));
  }
  EXPECT_EQ(fileBytes(dir / "data.bin"), data);

  auto file = open(dir / "data.bin", FileAccess::Read);
  std::string back;
  for (int32_t step = 5; back.size() < data.size(); step = step * 7 % 90001 + 1) {
    std::string part = readString(*file, step);
    ASSERT_FALSE(part.empty());
    back += part;
  }
  EXPECT_EQ(back, data);
  EXPECT_EQ(file->read(back.data(), 10), 0);
  EXPECT_EQ(file->eof(), 1);
}

TEST(FileStream, EofAndAvailFollowTheReadBuffer) {
  vxtest::TempDir dir;
  putFile(dir / "three", "abc");
  putFile(dir / "empty", "");

  auto file = open(dir / "three", FileAccess::Read);
  EXPECT_EQ(file->avail(), 0);  // nothing read yet
  EXPECT_EQ(file->eof(), 0);    // a refill delivers data...
  EXPECT_EQ(file->avail(), 3);  // ...which is now buffered
  EXPECT_EQ(readString(*file, 2), "ab");
  EXPECT_EQ(file->avail(), 1);
  EXPECT_EQ(file->eof(), 0);
  EXPECT_EQ(readString(*file, 5), "c");
  EXPECT_EQ(file->avail(), 0);
  EXPECT_EQ(file->eof(), 1);
  EXPECT_EQ(file->eof(), 1);

  EXPECT_EQ(open(dir / "empty", FileAccess::Read)->eof(), 1);

  // Writing only: nothing to give, but no end that stops writing.
  auto out = open(dir / "out", FileAccess::Write);
  EXPECT_EQ(out->eof(), 0);
  EXPECT_EQ(out->avail(), 0);
  char byte;
  EXPECT_EQ(out->read(&byte, 1), 0);
}

TEST(FileStream, ReadsWritesAndSeeksShareOnePosition) {
  vxtest::TempDir dir;
  putFile(dir / "f", "0123456789");
  {
    auto file = open(dir / "f", FileAccess::ReadWrite);
    ASSERT_TRUE(file);
    EXPECT_EQ(readString(*file, 2), "01");  // the whole file is read ahead
    EXPECT_EQ(file->position(), 2);
    EXPECT_EQ(file->write("ab", 2), 2);  // lands at 2, not after the read-ahead
    EXPECT_EQ(file->position(), 4);
    EXPECT_EQ(readString(*file, 1), "4");  // the write is out before this read
    EXPECT_EQ(file->seek(8), 8);
    EXPECT_EQ(file->write("XY", 2), 2);
    EXPECT_EQ(file->eof(), 1);
    EXPECT_EQ(file->position(), 10);
    EXPECT_EQ(file->seek(-1), -1);
    EXPECT_EQ(file->position(), 10);
    EXPECT_EQ(file->seek(12), 12);  // past the end: the gap fills with zeros
    EXPECT_EQ(file->write("Z", 1), 1);
    EXPECT_EQ(file->seek(0), 0);
    EXPECT_EQ(readString(*file, 100), std::string("01ab4567XY\0\0Z", 13));
  }
  EXPECT_EQ(fileBytes(dir / "f"), std::string("01ab4567XY\0\0Z", 13));
}

TEST(FileStream, OpeningNeedsWhatEachAccessNeeds) {
  vxtest::TempDir dir;
  putFile(dir / "kept", "old contents");
  EXPECT_FALSE(open(dir / "missing", FileAccess::Read));
  EXPECT_FALSE(open(dir / "missing", FileAccess::ReadWrite));
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
  EXPECT_FALSE(open(dir / "no/such/dir", FileAccess::Write));
  for (FileAccess access : {FileAccess::Read, FileAccess::Write, FileAccess::ReadWrite})
    EXPECT_FALSE(open(dir.path(), access)) << "a directory is not a file";

  {
    auto file = open(dir / "kept", FileAccess::ReadWrite);  // no truncation
    EXPECT_EQ(file->write("new", 3), 3);
  }
  EXPECT_EQ(fileBytes(dir / "kept"), "new contents");
  auto reading = open(dir / "kept", FileAccess::Read);
  EXPECT_EQ(reading->write("x", 1), 0);
  reading.reset();
  EXPECT_EQ(fileBytes(dir / "kept"), "new contents");
  open(dir / "kept", FileAccess::Write);  // truncates
  EXPECT_EQ(fileBytes(dir / "kept"), "");
}

TEST(FileStream, LinesLongerThanTheBufferKeepEveryByte) {
  vxtest::TempDir dir;
  std::string line;
  for (int i = 0; i < 150000; ++i) line += static_cast<char>('a' + i % 26);
  std::string withReturns = line;
  for (size_t at = 7; at < withReturns.size(); at += 10007) withReturns.insert(at, "\r");
  // A return just before the buffer's edge and one just after.
  withReturns.insert(FileStream::kBufferSize - 1, "\r");
  withReturns.insert(FileStream::kBufferSize + 1, "\r");
  putFile(dir / "lines", withReturns + "\r\nlast");

  auto file = open(dir / "lines", FileAccess::Read);
  auto next = [&] {
    vx::RuntimeString* s = vx::newString();
    file->readLine(s);
    std::string text(s->view());
    vx::releaseString(s);
    return text;
  };
  EXPECT_EQ(next(), line);
  EXPECT_EQ(next(), "last");
  EXPECT_EQ(next(), "");
  EXPECT_EQ(file->eof(), 1);
}
