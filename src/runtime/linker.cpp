#include "runtime/linker.h"

#include <sys/mman.h>

#include <cstring>

namespace vx {

namespace {

// Reads the module's fields with every read checked against its end.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  bool readInt(int32_t& value) {
    if (bytes_.size() - pos_ < 4) return false;
    std::memcpy(&value, bytes_.data() + pos_, 4);
    pos_ += 4;
    return true;
  }

  // A record: zero-terminated name, then a 4-byte offset.
  bool readRecord(std::string_view& name, int32_t& offset) {
    const uint8_t* start = bytes_.data() + pos_;
    const void* zero = std::memchr(start, 0, bytes_.size() - pos_);
    if (!zero) return false;
    size_t length = static_cast<const uint8_t*>(zero) - start;
    name = std::string_view(reinterpret_cast<const char*>(start), length);
    pos_ += length + 1;
    return readInt(offset);
  }

  bool skip(size_t count) {
    if (bytes_.size() - pos_ < count) return false;
    pos_ += count;
    return true;
  }

  size_t position() const { return pos_; }
  size_t remaining() const { return bytes_.size() - pos_; }
  const uint8_t* here() const { return bytes_.data() + pos_; }

 private:
  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
};

constexpr size_t kMinRecord = 5;  // an empty name's zero and the offset

// Reads a count; a count that cannot fit in what is left is damage.
bool readCount(Reader& reader, int32_t& count) {
  if (!reader.readInt(count)) return false;
  if (count < 0) count = 0;  // a negative count means no records
  return static_cast<size_t>(count) <= reader.remaining() / kMinRecord;
}

bool siteInCode(int32_t offset, uint32_t codeSize) {
  return offset >= 0 && static_cast<uint64_t>(offset) + 4 <= codeSize;
}

// Validates one relocation table and leaves the reader after it.
bool checkRelocations(Reader& reader, uint32_t codeSize) {
  int32_t count;
  if (!readCount(reader, count)) return false;
  for (int32_t i = 0; i < count; ++i) {
    std::string_view name;
    int32_t offset;
    if (!reader.readRecord(name, offset) || !siteInCode(offset, codeSize)) return false;
  }
  return true;
}

bool lookup(std::string_view name, const SymbolTable& module, const SymbolTable& runtime, uint32_t& address) {
  return module.find(name, address) || runtime.find(name, address);
}

void addToField(uint8_t* site, uint32_t amount) {
  uint32_t value;
  std::memcpy(&value, site, 4);
  value += amount;
  std::memcpy(site, &value, 4);
}

}  // namespace

LinkResult linkModule(std::span<const uint8_t> module, const SymbolTable& runtimeSymbols) {
  LinkResult result;
  Reader reader(module);

  int32_t codeSize;
  if (!reader.readInt(codeSize) || codeSize < 0 || static_cast<size_t>(codeSize) > reader.remaining())
    return result;
  const uint8_t* codeBytes = reader.here();
  reader.skip(static_cast<size_t>(codeSize));
  const size_t symbolsAt = reader.position();

  int32_t symbolCount;
  if (!readCount(reader, symbolCount)) return result;
  for (int32_t i = 0; i < symbolCount; ++i) {
    std::string_view name;
    int32_t offset;
    if (!reader.readRecord(name, offset)) return result;
    if (offset < 0 || offset >= codeSize) return result;
  }
  const size_t relativeAt = reader.position();
  if (!checkRelocations(reader, static_cast<uint32_t>(codeSize))) return result;
  const size_t absoluteAt = reader.position();
  if (!checkRelocations(reader, static_cast<uint32_t>(codeSize))) return result;

  // The module is sound: load and link it.
  size_t mapped = codeSize > 0 ? static_cast<size_t>(codeSize) : 1;
  void* block = mmap(nullptr, mapped, PROT_READ | PROT_WRITE | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) return result;
  auto* code = static_cast<uint8_t*>(block);
  std::memcpy(code, codeBytes, static_cast<size_t>(codeSize));
  const uint32_t base = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(code));
  result.code = code;
  result.codeSize = static_cast<uint32_t>(codeSize);

  SymbolTable moduleSymbols;
  Reader symbols(module);
  symbols.skip(symbolsAt);
  symbols.readInt(symbolCount);
  if (symbolCount < 0) symbolCount = 0;
  moduleSymbols.reserve(static_cast<size_t>(symbolCount));
  for (int32_t i = 0; i < symbolCount; ++i) {
    std::string_view name;
    int32_t offset = 0;
    symbols.readRecord(name, offset);
    moduleSymbols.insert(name, base + static_cast<uint32_t>(offset));
  }

  for (size_t tableAt : {relativeAt, absoluteAt}) {
    const bool relative = tableAt == relativeAt;
    Reader relocations(module);
    relocations.skip(tableAt);
    int32_t count = 0;
    relocations.readInt(count);
    for (int32_t i = 0; i < count; ++i) {
      std::string_view name;
      int32_t offset = 0;
      relocations.readRecord(name, offset);
      uint32_t target;
      if (!lookup(name, moduleSymbols, runtimeSymbols, target)) {
        result.status = LinkResult::Status::MissingSymbol;
        result.missingName = std::string(name);
        return result;
      }
      uint8_t* site = code + offset;
      uint32_t siteAddress = base + static_cast<uint32_t>(offset);
      addToField(site, relative ? target - siteAddress : target);
    }
  }
  result.status = LinkResult::Status::Linked;
  return result;
}

void freeModuleCode(const LinkResult& result) {
  if (result.code) munmap(result.code, result.codeSize > 0 ? result.codeSize : 1);
}

}  // namespace vx
