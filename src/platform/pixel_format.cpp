#include "platform/pixel_format.h"

#include <algorithm>
#include <bit>

namespace vx {

namespace {

constexpr int kChannelBase[4] = {24, 16, 8, 0};

constexpr int lowBit(uint32_t mask) { return mask ? std::countr_zero(mask) : 0; }
constexpr int runWidth(uint32_t mask) { return mask ? std::countr_one(mask >> lowBit(mask)) : 0; }

// A layout known when compiling: every shift and mask is a constant.
template <uint32_t A, uint32_t R, uint32_t G, uint32_t B, int Bytes>
struct FixedCodec {
  static constexpr uint32_t kMasks[4] = {A, R, G, B};
  static constexpr uint32_t kMissing =
      (A ? 0 : 0xFF000000u) | (R ? 0 : 0x00FF0000u) | (G ? 0 : 0x0000FF00u) | (B ? 0 : 0x000000FFu);

  template <int C>
  static constexpr uint32_t channelToNative(uint32_t argb) {
    constexpr uint32_t mask = kMasks[C];
    if constexpr (mask == 0) {
      return 0;
    } else {
      constexpr int down = 8 - runWidth(mask) + kChannelBase[C];
      return ((argb >> down) << lowBit(mask)) & mask;
    }
  }
  template <int C>
  static constexpr uint32_t channelToArgb(uint32_t native) {
    constexpr uint32_t mask = kMasks[C];
    if constexpr (mask == 0) {
      return 0;
    } else {
      constexpr int down = 8 - runWidth(mask) + kChannelBase[C];
      return ((native & mask) >> lowBit(mask)) << down;
    }
  }

  static uint32_t toNative(const PixelFormat&, uint32_t argb) {
    return channelToNative<0>(argb) | channelToNative<1>(argb) | channelToNative<2>(argb) |
           channelToNative<3>(argb);
  }
  static uint32_t toArgb(const PixelFormat&, uint32_t native) {
    return kMissing | channelToArgb<0>(native) | channelToArgb<1>(native) | channelToArgb<2>(native) |
           channelToArgb<3>(native);
  }
  static uint32_t read(const PixelFormat& f, const uint8_t* p) { return toArgb(f, loadPixelOf<Bytes>(p)); }
  static void write(const PixelFormat& f, uint8_t* p, uint32_t argb) { storePixelOf<Bytes>(p, toNative(f, argb)); }
  static void toArgbRow(const PixelFormat& f, const uint8_t* p, uint32_t* argb, int count) {
    for (int i = 0; i < count; ++i) argb[i] = toArgb(f, loadPixelOf<Bytes>(p + i * Bytes));
  }
  static void fromArgbRow(const PixelFormat& f, const uint32_t* argb, uint8_t* p, int count) {
    for (int i = 0; i < count; ++i) storePixelOf<Bytes>(p + i * Bytes, toNative(f, argb[i]));
  }
};

}  // namespace

// Any other layout: compiled for its size, shifts read from the format.
struct PixelCodecs {
  static uint32_t channelToNative(const PixelFormat::Channel& c, uint32_t argb) {
    return c.mask ? ((argb >> c.downShift) << c.low) & c.mask : 0;
  }
  static uint32_t channelToArgb(const PixelFormat::Channel& c, uint32_t native) {
    return c.mask ? ((native & c.mask) >> c.low) << c.downShift : 0;
  }
  static uint32_t toNative(const PixelFormat& f, uint32_t argb) {
    return channelToNative(f.channels_[0], argb) | channelToNative(f.channels_[1], argb) |
           channelToNative(f.channels_[2], argb) | channelToNative(f.channels_[3], argb);
  }
  static uint32_t toArgb(const PixelFormat& f, uint32_t native) {
    return f.missingBits_ | channelToArgb(f.channels_[0], native) | channelToArgb(f.channels_[1], native) |
           channelToArgb(f.channels_[2], native) | channelToArgb(f.channels_[3], native);
  }
  template <int Bytes>
  static uint32_t read(const PixelFormat& f, const uint8_t* p) {
    return toArgb(f, loadPixelOf<Bytes>(p));
  }
  template <int Bytes>
  static void write(const PixelFormat& f, uint8_t* p, uint32_t argb) {
    storePixelOf<Bytes>(p, toNative(f, argb));
  }
  template <int Bytes>
  static void toArgbRow(const PixelFormat& f, const uint8_t* p, uint32_t* argb, int count) {
    for (int i = 0; i < count; ++i) argb[i] = toArgb(f, loadPixelOf<Bytes>(p + i * Bytes));
  }
  template <int Bytes>
  static void fromArgbRow(const PixelFormat& f, const uint32_t* argb, uint8_t* p, int count) {
    for (int i = 0; i < count; ++i) storePixelOf<Bytes>(p + i * Bytes, toNative(f, argb[i]));
  }

  template <typename Codec>
  static void use(PixelFormat& f) {
    f.toNative_ = &Codec::toNative;
    f.toArgb_ = &Codec::toArgb;
    f.reader_ = &Codec::read;
    f.writer_ = &Codec::write;
    f.rowToArgb_ = &Codec::toArgbRow;
    f.rowFromArgb_ = &Codec::fromArgbRow;
  }
  template <int Bytes>
  static void useGeneric(PixelFormat& f) {
    f.toNative_ = &toNative;
    f.toArgb_ = &toArgb;
    f.reader_ = &read<Bytes>;
    f.writer_ = &write<Bytes>;
    f.rowToArgb_ = &toArgbRow<Bytes>;
    f.rowFromArgb_ = &fromArgbRow<Bytes>;
  }

  template <uint32_t A, uint32_t R, uint32_t G, uint32_t B, int Bytes>
  static bool tryFixed(PixelFormat& f) {
    const PixelFormat::Channel* c = f.channels_;
    if (f.bytesPerPixel_ != Bytes || c[0].mask != A || c[1].mask != R || c[2].mask != G || c[3].mask != B)
      return false;
    use<FixedCodec<A, R, G, B, Bytes>>(f);
    return true;
  }

  static void choose(PixelFormat& f) {
    if (tryFixed<0, 0xF800, 0x07E0, 0x001F, 2>(f) || tryFixed<0, 0x7C00, 0x03E0, 0x001F, 2>(f) ||
        tryFixed<0x8000, 0x7C00, 0x03E0, 0x001F, 2>(f) || tryFixed<0xF000, 0x0F00, 0x00F0, 0x000F, 2>(f) ||
        tryFixed<0, 0xFF0000, 0xFF00, 0xFF, 3>(f) || tryFixed<0, 0xFF0000, 0xFF00, 0xFF, 4>(f) ||
        tryFixed<0xFF000000, 0xFF0000, 0xFF00, 0xFF, 4>(f))
      return;
    switch (f.bytesPerPixel_) {
      case 2: useGeneric<2>(f); break;
      case 3: useGeneric<3>(f); break;
      default: useGeneric<4>(f); break;
    }
  }
};

PixelFormat PixelFormat::fromMasks(int depth, uint32_t alphaMask, uint32_t redMask, uint32_t greenMask,
                                   uint32_t blueMask) {
  PixelFormat f;
  if (depth != 16 && depth != 24 && depth != 32) return f;
  const uint32_t masks[4] = {alphaMask, redMask, greenMask, blueMask};
  const uint32_t depthBits = depth == 32 ? 0xFFFFFFFFu : (1u << depth) - 1;
  uint32_t seen = 0;
  for (int i = 0; i < 4; ++i) {
    const uint32_t m = masks[i];
    if ((m & ~depthBits) || (m & seen)) return f;
    seen |= m;
    Channel& c = f.channels_[i];
    c.mask = m;
    c.low = lowBit(m);
    c.width = runWidth(m);
    if (c.width > 8) return f;
    c.downShift = (8 - c.width) + kChannelBase[i];
    if (!m) f.missingBits_ |= 0xFFu << kChannelBase[i];
  }
  if (!(redMask | greenMask | blueMask)) return f;
  f.depth_ = depth;
  f.bytesPerPixel_ = depth / 8;
  PixelCodecs::choose(f);
  return f;
}

bool PixelFormat::operator==(const PixelFormat& other) const {
  return depth_ == other.depth_ && channels_[0].mask == other.channels_[0].mask &&
         channels_[1].mask == other.channels_[1].mask && channels_[2].mask == other.channels_[2].mask &&
         channels_[3].mask == other.channels_[3].mask;
}

void convertRow(const PixelFormat& from, const uint8_t* source, const PixelFormat& to, uint8_t* dest, int count) {
  if (from == to) {
    std::memcpy(dest, source, size_t(count) * from.bytesPerPixel());
    return;
  }
  constexpr int kChunk = 256;
  uint32_t argb[kChunk];
  for (int done = 0; done < count; done += kChunk) {
    const int n = std::min(kChunk, count - done);
    from.toArgbRow(source + done * from.bytesPerPixel(), argb, n);
    to.fromArgbRow(argb, dest + done * to.bytesPerPixel(), n);
  }
}

}  // namespace vx
