#pragma once
// Sound files that audio tests write for themselves (sine WAVs, a tiny
// tracker module and MIDI file, MP3 and Ogg made with the ffmpeg program),
// and the reading of what OpenAL's wave output heard.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vxtest {

inline void putLe(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

inline void putBe(std::string& out, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A 16-bit PCM WAV of a sine; stereo puts it in the left channel only when
// leftOnly is set.
inline void writeSineWav(const std::string& path, double hz, double seconds, int channels = 1, int rate = 44100,
                         double amplitude = 0.5, bool leftOnly = false) {
  const uint32_t frames = static_cast<uint32_t>(seconds * rate);
  const uint32_t dataBytes = frames * channels * 2;
  std::string out = "RIFF";
  putLe(out, 36 + dataBytes, 4);
  out += "WAVEfmt ";
  putLe(out, 16, 4);
  putLe(out, 1, 2);
  putLe(out, channels, 2);
  putLe(out, rate, 4);
  putLe(out, rate * channels * 2, 4);
  putLe(out, channels * 2, 2);
  putLe(out, 16, 2);
  out += "data";
  putLe(out, dataBytes, 4);
  for (uint32_t i = 0; i < frames; ++i) {
    auto v = static_cast<int16_t>(std::lround(amplitude * 32767 * std::sin(2 * M_PI * hz * i / rate)));
    for (int c = 0; c < channels; ++c) putLe(out, static_cast<uint16_t>(leftOnly && c > 0 ? 0 : v), 2);
  }
  writeFile(path, out);
}

// A four-channel module: one looping square-wave sample, one pattern whose
// first row plays a note and whose fourth row breaks to the end of the
// song; about half a second long.
inline void writeModule(const std::string& path) {
  std::string out(20, '\0');
  out.replace(0, 8, "vxtest m");
  const int sampleWords = 16;
  for (int s = 0; s < 31; ++s) {
    std::string header(22, '\0');
    if (s == 0) {
      header.replace(0, 6, "square");
      putBe(header, sampleWords, 2);
      header.push_back(0);   // finetune
      header.push_back(64);  // volume
      putBe(header, 0, 2);
      putBe(header, sampleWords, 2);
    } else {
      putBe(header, 0, 2);
      header.push_back(0);
      header.push_back(0);
      putBe(header, 0, 2);
      putBe(header, 1, 2);
    }
    out += header;
  }
  out.push_back(1);    // song length
  out.push_back(127);  // restart
  out += std::string(128, '\0');
  out += "M.K.";
  std::string pattern(64 * 4 * 4, '\0');
  const int period = 428;
  pattern[0] = static_cast<char>((1 & 0xF0) | (period >> 8));
  pattern[1] = static_cast<char>(period & 0xFF);
  pattern[2] = static_cast<char>((1 & 0x0F) << 4);
  pattern[3 * 16 + 2] = 0x0D;  // row 3: pattern break
  out += pattern;
  for (int i = 0; i < sampleWords * 2; ++i) out.push_back(static_cast<char>(i < sampleWords ? 100 : -100));
  writeFile(path, out);
}

// A type-0 MIDI file: one piano note of half a second.
inline void writeMidi(const std::string& path) {
  std::string track;
  track += std::string("\x00\xC0\x00", 3);
  track += std::string("\x00\x90\x45\x64", 4);
  track += std::string("\x60\x80\x45\x00", 4);
  track += std::string("\x00\xFF\x2F\x00", 4);
  std::string out = "MThd";
  putBe(out, 6, 4);
  putBe(out, 0, 2);
  putBe(out, 1, 2);
  putBe(out, 96, 2);
  out += "MTrk";
  putBe(out, static_cast<uint32_t>(track.size()), 4);
  out += track;
  writeFile(path, out);
}

// Converts a sound file with the ffmpeg program; false when that fails.
inline bool convertWithFfmpeg(const std::string& from, const std::string& to) {
  std::string command = "ffmpeg -nostdin -loglevel error -y -i '" + from + "' '" + to + "' >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

// What the wave output wrote: 16-bit frames, left and right.
struct Heard {
  int rate = 0;
  std::vector<float> left, right;

  size_t frames() const { return left.size(); }
  // Root mean square level of a channel over the frames that sound.
  static double rms(const std::vector<float>& samples) {
    double sum = 0;
    size_t n = 0;
    for (float v : samples)
      if (std::fabs(v) > 1e-4f) {
        sum += v * v;
        ++n;
      }
    return n ? std::sqrt(sum / n) : 0.0;
  }
  double leftLevel() const { return rms(left); }
  double rightLevel() const { return rms(right); }
  double level() const { return std::max(leftLevel(), rightLevel()); }
  // Seconds from the first to the last frame louder than threshold.
  double soundingSeconds(float threshold = 0.02f) const {
    size_t first = frames(), last = 0;
    for (size_t i = 0; i < frames(); ++i)
      if (std::fabs(left[i]) > threshold || std::fabs(right[i]) > threshold) {
        first = std::min(first, i);
        last = i;
      }
    return first < frames() ? double(last - first + 1) / rate : 0.0;
  }
  // Frequency by rising zero crossings of the louder channel, over the
  // sounding part.
  double frequency(float threshold = 0.02f) const {
    const std::vector<float>& s = leftLevel() >= rightLevel() ? left : right;
    size_t first = s.size(), last = 0;
    for (size_t i = 0; i < s.size(); ++i)
      if (std::fabs(s[i]) > threshold) {
        first = std::min(first, i);
        last = i;
      }
    if (first >= last) return 0;
    int crossings = 0;
    size_t firstCrossing = 0, lastCrossing = 0;
    for (size_t i = first + 1; i <= last; ++i)
      if (s[i - 1] < 0 && s[i] >= 0) {
        if (crossings == 0) firstCrossing = i;
        lastCrossing = i;
        ++crossings;
      }
    if (crossings < 2) return 0;
    return (crossings - 1) * double(rate) / double(lastCrossing - firstCrossing);
  }
};

// Reads a 16-bit WAV file written by OpenAL's wave output.
inline Heard readWave(const std::string& path) {
  Heard heard;
  std::string bytes = readFile(path);
  auto u16 = [&](size_t at) { return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8; };
  auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0) return heard;
  int channels = 0, bits = 0;
  size_t at = 12;
  while (at + 8 <= bytes.size()) {
    std::string id = bytes.substr(at, 4);
    size_t size = u32(at + 4);
    size_t body = at + 8;
    if (id == "fmt ") {
      channels = static_cast<int>(u16(body + 2));
      heard.rate = static_cast<int>(u32(body + 4));
      bits = static_cast<int>(u16(body + 14));
    } else if (id == "data" && channels > 0 && bits == 16) {
      size = std::min(size, bytes.size() - body);
      for (size_t i = body; i + 2 * channels <= body + size; i += 2 * channels) {
        heard.left.push_back(int16_t(u16(i)) / 32768.0f);
        heard.right.push_back(int16_t(u16(i + (channels > 1 ? 2 : 0))) / 32768.0f);
      }
    }
    at = body + size + (size & 1);
  }
  return heard;
}

// The configuration that sends OpenAL Soft's output to a 16-bit stereo
// WAV file at 44100 Hz.
inline std::string waveOutputConfig(const std::string& wavePath) {
  return "[general]\nchannels = stereo\nsample-type = int16\nfrequency = 44100\nperiod_size = 512\n"
         "[wave]\nfile = " + wavePath + "\n";
}

}  // namespace vxtest
