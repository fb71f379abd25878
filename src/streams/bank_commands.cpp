#include "streams/bank_commands.h"

#include <cstring>

#include "platform/platform_runtime.h"
#include "runtime/run_step.h"
#include "streams/bank.h"
#include "streams/stream.h"

namespace vx {

namespace {

HandleSet<vxBank> banks;

vxBank* bankOf(int32_t handle) { return banks.get(handle, "vxBank does not exist"); }

// The bank of a handle when count bytes from offset lie inside it.
vxBank* rangeOf(int32_t handle, int32_t offset, int32_t count) {
  vxBank* bank = bankOf(handle);
  if (!bank) return nullptr;
  if (!bank->contains(offset, count)) {
    if (debugging()) raiseError("Offset out of range");
    return nullptr;
  }
  return bank;
}

template <typename T>
T peek(int32_t handle, int32_t offset) {
  T value{};
  if (vxBank* bank = rangeOf(handle, offset, sizeof(T))) std::memcpy(&value, bank->data() + offset, sizeof(T));
  return value;
}

template <typename T>
void poke(int32_t handle, int32_t offset, T value) {
  if (vxBank* bank = rangeOf(handle, offset, sizeof(T))) std::memcpy(bank->data() + offset, &value, sizeof(T));
}

int32_t createBank(int32_t size) { return banks.add(new vxBank(size)); }

void freeBank(int32_t handle) {
  if (vxBank* bank = banks.find(handle)) {
    banks.remove(bank);
    delete bank;
  }
}

int32_t bankSize(int32_t handle) {
  vxBank* bank = bankOf(handle);
  return bank ? bank->size() : 0;
}

void resizeBank(int32_t handle, int32_t size) {
  if (vxBank* bank = bankOf(handle)) bank->resize(size);
}

void copyBank(int32_t sourceHandle, int32_t sourceOffset, int32_t destinationHandle, int32_t destinationOffset,
              int32_t count) {
  vxBank* source = rangeOf(sourceHandle, sourceOffset, count);
  if (!source) return;
  vxBank* destination = rangeOf(destinationHandle, destinationOffset, count);
  if (!destination || count == 0) return;
  std::memmove(destination->data() + destinationOffset, source->data() + sourceOffset, static_cast<size_t>(count));
}

int32_t peekByte(int32_t bank, int32_t offset) { return peek<uint8_t>(bank, offset); }
int32_t peekShort(int32_t bank, int32_t offset) { return peek<uint16_t>(bank, offset); }
int32_t peekInt(int32_t bank, int32_t offset) { return peek<int32_t>(bank, offset); }
float peekFloat(int32_t bank, int32_t offset) { return peek<float>(bank, offset); }
void pokeByte(int32_t bank, int32_t offset, int32_t value) { poke<uint8_t>(bank, offset, static_cast<uint8_t>(value)); }
void pokeShort(int32_t bank, int32_t offset, int32_t value) {
  poke<uint16_t>(bank, offset, static_cast<uint16_t>(value));
}
void pokeInt(int32_t bank, int32_t offset, int32_t value) { poke<int32_t>(bank, offset, value); }
void pokeFloat(int32_t bank, int32_t offset, float value) { poke<float>(bank, offset, value); }

int32_t readBytes(int32_t handle, int32_t streamHandle, int32_t offset, int32_t count) {
  vxBank* bank = rangeOf(handle, offset, count);
  if (!bank) return 0;
  Stream* stream = streamOf(streamHandle);
  return stream && count > 0 ? stream->read(bank->data() + offset, count) : 0;
}

int32_t writeBytes(int32_t handle, int32_t streamHandle, int32_t offset, int32_t count) {
  vxBank* bank = rangeOf(handle, offset, count);
  if (!bank) return 0;
  Stream* stream = streamOf(streamHandle);
  return stream && count > 0 ? stream->write(bank->data() + offset, count) : 0;
}

// A library function gets (data, size) of each bank, or (null, 0) for none.
// A handle that is not a bank refuses the call.
int32_t callDll(StrArg library, StrArg function, int32_t inHandle, int32_t outHandle) {
  vxBank* in = inHandle ? bankOf(inHandle) : nullptr;
  if (inHandle && !in) return 0;
  vxBank* out = outHandle ? bankOf(outHandle) : nullptr;
  if (outHandle && !out) return 0;
  return PlatformRuntime::current()->callDll(library.str(), function.str(), in ? in->data() : nullptr,
                                             in ? in->size() : 0, out ? out->data() : nullptr,
                                             out ? out->size() : 0);
}

bool create() { return true; }

void destroy() {
  banks.clear([](vxBank* bank) { delete bank; });
}

void link(Registry& r) {
  r.command<"%CreateBank%size=0", createBank>();
  r.command<"FreeBank%bank", freeBank>();
  r.command<"%BankSize%bank", bankSize>();
  r.command<"ResizeBank%bank%size", resizeBank>();
  r.command<"CopyBank%src_bank%src_offset%dest_bank%dest_offset%count", copyBank>();
  r.command<"%PeekByte%bank%offset", peekByte>();
  r.command<"%PeekShort%bank%offset", peekShort>();
  r.command<"%PeekInt%bank%offset", peekInt>();
  r.command<"#PeekFloat%bank%offset", peekFloat>();
  r.command<"PokeByte%bank%offset%value", pokeByte>();
  r.command<"PokeShort%bank%offset%value", pokeShort>();
  r.command<"PokeInt%bank%offset%value", pokeInt>();
  r.command<"PokeFloat%bank%offset#value", pokeFloat>();
  r.command<"%ReadBytes%bank%file%offset%count", readBytes>();
  r.command<"%WriteBytes%bank%file%offset%count", writeBytes>();
  r.command<"%CallDLL$dll_name$func_name%in_bank=0%out_bank=0", callDll>();
}

}  // namespace

const RuntimeModule bankModule{"bank", create, destroy, link};

}  // namespace vx
