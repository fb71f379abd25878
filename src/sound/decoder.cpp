#include "sound/decoder.h"

#include <sndfile.h>

#include <cstdio>
#include <string_view>

namespace vx::sound {

namespace {

bool endsWith(std::string_view name, std::string_view ending) {
  if (name.size() < ending.size()) return false;
  for (size_t i = 0; i < ending.size(); ++i) {
    char c = name[name.size() - ending.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != ending[i]) return false;
  }
  return true;
}

using Opener = std::unique_ptr<Decoder> (*)(const std::string&);

// MPEG audio found by content: an ID3 tag or a frame sync at the start.
// The MPEG reader resynchronises on anything, so other files are not
// offered to it unless their name asks for it.
std::unique_ptr<Decoder> openMpegByContent(const std::string& path) {
  unsigned char head[3] = {};
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return nullptr;
  size_t got = std::fread(head, 1, sizeof head, file);
  std::fclose(file);
  bool tagged = got == 3 && head[0] == 'I' && head[1] == 'D' && head[2] == '3';
  bool synced = got >= 2 && head[0] == 0xFF && (head[1] & 0xE0) == 0xE0;
  return tagged || synced ? openMpegFile(path) : nullptr;
}

// A decoder that reads libsndfile's formats; raw files use its headerless
// reader with a fixed layout.
class SndfileDecoder final : public Decoder {
 public:
  explicit SndfileDecoder(SNDFILE* file, const SF_INFO& info) : file_(file) {
    rate_ = info.samplerate;
    channels_ = info.channels;
  }
  ~SndfileDecoder() override { sf_close(file_); }

  size_t read(int16_t* out, size_t frames) override {
    sf_count_t got = sf_readf_short(file_, out, static_cast<sf_count_t>(frames));
    return got > 0 ? static_cast<size_t>(got) : 0;
  }
  bool rewind() override { return sf_seek(file_, 0, SEEK_SET) == 0; }

 private:
  SNDFILE* file_;
};

std::unique_ptr<Decoder> openWithInfo(const std::string& path, SF_INFO& info) {
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return nullptr;
  if (info.channels < 1 || info.channels > 2 || info.samplerate <= 0 || info.frames <= 0) {
    sf_close(file);
    return nullptr;
  }
  return std::make_unique<SndfileDecoder>(file, info);
}

}  // namespace

std::unique_ptr<Decoder> openSndfile(const std::string& path) {
  SF_INFO info{};
  return openWithInfo(path, info);
}

std::unique_ptr<Decoder> openRawFile(const std::string& path) {
  SF_INFO info{};
  info.samplerate = 44100;
  info.channels = 1;
  info.format = SF_FORMAT_RAW | SF_FORMAT_PCM_16 | SF_ENDIAN_LITTLE;
  return openWithInfo(path, info);
}

std::unique_ptr<Decoder> openSoundFile(const std::string& path) {
  Opener first = openSndfile;
  if (endsWith(path, ".mp1") || endsWith(path, ".mp2") || endsWith(path, ".mp3")) first = openMpegFile;
  else if (endsWith(path, ".wma") || endsWith(path, ".asf")) first = openFfmpegFile;
  else if (endsWith(path, ".raw")) return openRawFile(path);
  if (auto decoder = first(path)) return decoder;
  if (first == openMpegFile) first = openMpegByContent;
  for (Opener other : {openSndfile, openMpegByContent, openFfmpegFile})
    if (other != first)
      if (auto decoder = other(path)) return decoder;
  return nullptr;
}

std::unique_ptr<Decoder> openMusicFile(const std::string& path) {
  if (auto midi = openMidiFile(path)) return midi;
  return openTrackerModule(path);
}

}  // namespace vx::sound
