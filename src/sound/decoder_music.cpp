// Music decoders: tracker modules through libopenmpt, MIDI files through
// FluidSynth with a General MIDI sound font. Both render stereo at 44100 Hz
// and play once to their end; MIDI ends when the last note has died away.
#include <fluidsynth.h>
#include <libopenmpt/libopenmpt.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "sound/decoder.h"

namespace vx::sound {

namespace {

constexpr int kMusicRate = 44100;

bool isFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<char> fileBytes(const std::string& path) {
  std::vector<char> bytes;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return bytes;
  char block[65536];
  size_t got;
  while ((got = std::fread(block, 1, sizeof block, file)) > 0) bytes.insert(bytes.end(), block, block + got);
  std::fclose(file);
  return bytes;
}

class TrackerDecoder final : public Decoder {
 public:
  explicit TrackerDecoder(openmpt_module* module) : module_(module) { channels_ = 2; }
  ~TrackerDecoder() override { openmpt_module_destroy(module_); }

  size_t read(int16_t* out, size_t frames) override {
    return openmpt_module_read_interleaved_stereo(module_, kMusicRate, frames, out);
  }
  bool rewind() override {
    openmpt_module_set_position_seconds(module_, 0.0);
    return true;
  }

 private:
  openmpt_module* module_;
};

class MidiDecoder final : public Decoder {
 public:
  MidiDecoder(std::string path) : path_(std::move(path)) { channels_ = 2; }
  ~MidiDecoder() override {
    if (player_) delete_fluid_player(player_);
    if (synth_) delete_fluid_synth(synth_);
    if (settings_) delete_fluid_settings(settings_);
  }

  bool open(const std::string& font) {
    settings_ = new_fluid_settings();
    if (!settings_) return false;
    fluid_settings_setnum(settings_, "synth.sample-rate", kMusicRate);
    fluid_settings_setint(settings_, "synth.threadsafe-api", 0);
    // FluidSynth's own gain is quiet beside samples and modules.
    fluid_settings_setnum(settings_, "synth.gain", 0.8);
    synth_ = new_fluid_synth(settings_);
    if (!synth_ || fluid_synth_sfload(synth_, font.c_str(), 1) == FLUID_FAILED) return false;
    return startPlayer();
  }

  size_t read(int16_t* out, size_t frames) override {
    if (!player_ || fluid_player_get_status(player_) == FLUID_PLAYER_DONE) return 0;
    if (fluid_synth_write_s16(synth_, static_cast<int>(frames), out, 0, 2, out, 1, 2) != FLUID_OK) return 0;
    return frames;
  }

  bool rewind() override {
    fluid_synth_system_reset(synth_);
    return startPlayer();
  }

 private:
  bool startPlayer() {
    if (player_) delete_fluid_player(player_);
    player_ = new_fluid_player(synth_);
    return player_ && fluid_player_add(player_, path_.c_str()) == FLUID_OK && fluid_player_play(player_) == FLUID_OK;
  }

  std::string path_;
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  fluid_player_t* player_ = nullptr;
};

void quietFluidSynth() {
  for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
    fluid_set_log_function(level, nullptr, nullptr);
}

}  // namespace

std::string midiSoundFont() {
  const char* chosen = std::getenv("VX_SOUNDFONT");
  if (chosen && isFile(chosen)) return chosen;
  for (const char* font : {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
                           "/usr/share/sounds/sf2/FluidR3_GM.sf2"})
    if (isFile(font)) return font;
  return "";
}

std::unique_ptr<Decoder> openTrackerModule(const std::string& path) {
  std::vector<char> bytes = fileBytes(path);
  if (bytes.empty()) return nullptr;
  openmpt_module* module = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr,
                                                              openmpt_error_func_ignore, nullptr, nullptr, nullptr, nullptr);
  if (!module) return nullptr;
  return std::make_unique<TrackerDecoder>(module);
}

std::unique_ptr<Decoder> openMidiFile(const std::string& path) {
  quietFluidSynth();
  if (!fluid_is_midifile(path.c_str())) return nullptr;
  std::string font = midiSoundFont();
  if (font.empty()) return nullptr;
  auto decoder = std::make_unique<MidiDecoder>(path);
  if (!decoder->open(font)) return nullptr;
  return decoder;
}

}  // namespace vx::sound
