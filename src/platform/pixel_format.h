#pragma once
// The pixel formats of canvases: 16 bits (565, 555 and the 1555 and 4444
// texture layouts), 24 bits and 32 bits with or without alpha, and the
// converters between a format's native values and 32-bit ARGB.
//
// For each channel with mask m: low = index of the lowest set bit, width =
// the contiguous set bits from there, downShift = (8 - width) + base (base 24
// alpha, 16 red, 8 green, 0 blue).
//   ARGB -> native: OR of ((argb >> downShift) << low) & m
//   native -> ARGB: missingBits OR of ((native & m) >> low) << downShift
// missingBits holds 0xFF in the byte of every channel the format lacks. The
// low bits of a channel narrower than 8 bits come back as zeros.
//
// The converters, the pixel reader and writer and the row converters are
// chosen once, when the format is built: the common layouts get code
// compiled for their masks and size, any other layout code compiled for its
// size that reads the shifts from the format. Nothing that runs per pixel
// asks which format it has, and whole rows convert without a call per pixel.

#include <cstdint>
#include <cstring>

namespace vx {

class PixelFormat {
 public:
  using ToNative = uint32_t (*)(const PixelFormat&, uint32_t argb);
  using ToArgb = uint32_t (*)(const PixelFormat&, uint32_t native);
  using Reader = uint32_t (*)(const PixelFormat&, const uint8_t* pixel);
  using Writer = void (*)(const PixelFormat&, uint8_t* pixel, uint32_t argb);
  using RowToArgb = void (*)(const PixelFormat&, const uint8_t* pixels, uint32_t* argb, int count);
  using RowFromArgb = void (*)(const PixelFormat&, const uint32_t* argb, uint8_t* pixels, int count);

  struct Channel {
    uint32_t mask = 0;
    int low = 0;
    int width = 0;
    int downShift = 0;
  };

  // An invalid format (depth 0): nothing can be made with it.
  PixelFormat() = default;

  // A format from its depth (16, 24 or 32) and channel masks. Invalid when
  // the depth is another, a mask reaches beyond the depth, masks overlap, a
  // channel is wider than 8 bits, or there is no colour channel at all.
  static PixelFormat fromMasks(int depth, uint32_t alphaMask, uint32_t redMask, uint32_t greenMask,
                               uint32_t blueMask);

  static PixelFormat rgb565() { return fromMasks(16, 0, 0xF800, 0x07E0, 0x001F); }
  static PixelFormat rgb555() { return fromMasks(16, 0, 0x7C00, 0x03E0, 0x001F); }
  static PixelFormat argb1555() { return fromMasks(16, 0x8000, 0x7C00, 0x03E0, 0x001F); }
  static PixelFormat argb4444() { return fromMasks(16, 0xF000, 0x0F00, 0x00F0, 0x000F); }
  static PixelFormat rgb888() { return fromMasks(24, 0, 0xFF0000, 0xFF00, 0xFF); }
  static PixelFormat xrgb8888() { return fromMasks(32, 0, 0xFF0000, 0xFF00, 0xFF); }
  static PixelFormat argb8888() { return fromMasks(32, 0xFF000000, 0xFF0000, 0xFF00, 0xFF); }

  bool valid() const { return depth_ != 0; }
  int depth() const { return depth_; }
  int bytesPerPixel() const { return bytesPerPixel_; }
  const Channel& alpha() const { return channels_[0]; }
  const Channel& red() const { return channels_[1]; }
  const Channel& green() const { return channels_[2]; }
  const Channel& blue() const { return channels_[3]; }
  bool hasAlpha() const { return channels_[0].mask != 0; }
  // The bits of a native value that carry red, green and blue.
  uint32_t colorBits() const { return channels_[1].mask | channels_[2].mask | channels_[3].mask; }
  uint32_t missingBits() const { return missingBits_; }

  uint32_t toNative(uint32_t argb) const { return toNative_(*this, argb); }
  uint32_t toArgb(uint32_t native) const { return toArgb_(*this, native); }
  uint32_t read(const uint8_t* pixel) const { return reader_(*this, pixel); }
  void write(uint8_t* pixel, uint32_t argb) const { writer_(*this, pixel, argb); }
  Reader reader() const { return reader_; }
  Writer writer() const { return writer_; }
  // count pixels of a row to ARGB values, and back.
  void toArgbRow(const uint8_t* pixels, uint32_t* argb, int count) const { rowToArgb_(*this, pixels, argb, count); }
  void fromArgbRow(const uint32_t* argb, uint8_t* pixels, int count) const {
    rowFromArgb_(*this, argb, pixels, count);
  }

  // The raw native value of one pixel (2, 3 or 4 bytes, little-endian).
  uint32_t load(const uint8_t* pixel) const;
  void store(uint8_t* pixel, uint32_t native) const;

  // Same depth and masks.
  bool operator==(const PixelFormat& other) const;

 private:
  int depth_ = 0;
  int bytesPerPixel_ = 0;
  Channel channels_[4];  // alpha, red, green, blue
  uint32_t missingBits_ = 0;
  ToNative toNative_ = nullptr;
  ToArgb toArgb_ = nullptr;
  Reader reader_ = nullptr;
  Writer writer_ = nullptr;
  RowToArgb rowToArgb_ = nullptr;
  RowFromArgb rowFromArgb_ = nullptr;

  friend struct PixelCodecs;
};

// count pixels of one format written in another, through ARGB; a plain copy
// when the formats are the same. The rows do not overlap.
void convertRow(const PixelFormat& from, const uint8_t* source, const PixelFormat& to, uint8_t* dest, int count);

// Raw little-endian pixel access by size.
inline uint32_t loadPixel16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
inline uint32_t loadPixel24(const uint8_t* p) { return p[0] | (p[1] << 8) | (uint32_t(p[2]) << 16); }
inline uint32_t loadPixel32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void storePixel16(uint8_t* p, uint32_t v) {
  uint16_t w = static_cast<uint16_t>(v);
  std::memcpy(p, &w, 2);
}
inline void storePixel24(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
}
inline void storePixel32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

// The same, with the size known when compiling.
template <int Bytes>
inline uint32_t loadPixelOf(const uint8_t* p) {
  if constexpr (Bytes == 2)
    return loadPixel16(p);
  else if constexpr (Bytes == 3)
    return loadPixel24(p);
  else
    return loadPixel32(p);
}
template <int Bytes>
inline void storePixelOf(uint8_t* p, uint32_t v) {
  if constexpr (Bytes == 2)
    storePixel16(p, v);
  else if constexpr (Bytes == 3)
    storePixel24(p, v);
  else
    storePixel32(p, v);
}

inline uint32_t PixelFormat::load(const uint8_t* pixel) const {
  return bytesPerPixel_ == 2 ? loadPixel16(pixel) : bytesPerPixel_ == 3 ? loadPixel24(pixel) : loadPixel32(pixel);
}
inline void PixelFormat::store(uint8_t* pixel, uint32_t native) const {
  if (bytesPerPixel_ == 2)
    storePixel16(pixel, native);
  else if (bytesPerPixel_ == 3)
    storePixel24(pixel, native);
  else
    storePixel32(pixel, native);
}

}  // namespace vx
