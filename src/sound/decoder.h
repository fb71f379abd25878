#pragma once
// Decoders turn a sound file into 16-bit interleaved PCM, one block at a
// time. Samples read a decoder to the end once; streams, music and CD tracks
// keep reading it on the sound thread.
//
// Which decoder opens a file:
//   - names ending in .mp1, .mp2, .mp3: libmpg123;
//   - names ending in .wma, .asf: FFmpeg;
//   - names ending in .raw: headerless 16-bit signed little-endian mono
//     at 44100 Hz;
//   - anything else: libsndfile (WAV, Ogg Vorbis, FLAC, AIFF and others);
// and when the first choice cannot read the file, the others in turn, so a
// file is judged by its contents in the end. Tracker modules (libopenmpt)
// and MIDI files (FluidSynth) have their own opener.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vx::sound {

class Decoder {
 public:
  virtual ~Decoder() = default;
  int rate() const { return rate_; }
  int channels() const { return channels_; }
  // Reads up to frames frames into out (frames * channels() values); fewer
  // only at the end, 0 once everything has been read.
  virtual size_t read(int16_t* out, size_t frames) = 0;
  // Back to the first frame; false when the source cannot go back.
  virtual bool rewind() = 0;

 protected:
  int rate_ = 44100;
  int channels_ = 1;  // 1 or 2
};

// Sampled sound: the decoders named above. Null when no decoder reads the
// file, or it holds no frames.
std::unique_ptr<Decoder> openSoundFile(const std::string& path);

// Music: a MIDI file through FluidSynth, or any tracker module format
// libopenmpt reads (MOD, S3M, XM, IT and more). Null when neither reads it.
std::unique_ptr<Decoder> openMusicFile(const std::string& path);

// The decoders, for the openers above.
std::unique_ptr<Decoder> openSndfile(const std::string& path);
std::unique_ptr<Decoder> openRawFile(const std::string& path);
std::unique_ptr<Decoder> openMpegFile(const std::string& path);
std::unique_ptr<Decoder> openFfmpegFile(const std::string& path);
std::unique_ptr<Decoder> openTrackerModule(const std::string& path);
std::unique_ptr<Decoder> openMidiFile(const std::string& path);

// The sound font MIDI files are played with: $VX_SOUNDFONT when it names a
// file, else the system's General MIDI font; "" when there is none.
std::string midiSoundFont();

}  // namespace vx::sound
