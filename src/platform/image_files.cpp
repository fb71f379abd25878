#include "platform/image_files.h"

#include <FreeImage.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <span>
#include <vector>

#include "platform/canvas.h"
#include "platform/native_file.h"

namespace vx {

namespace {

// The file's bytes, read through FreeImage's IO hooks. Reads that find the
// data exhausted are counted: that is how a truncated file shows itself.
struct FileBytes {
  std::span<const uint8_t> data;
  long position = 0;
  int shortReads = 0;  // fewer bytes than asked for
  int emptyReads = 0;  // nothing left at all

  void rewind() {
    position = 0;
    shortReads = emptyReads = 0;
  }

  static unsigned DLL_CALLCONV read(void* buffer, unsigned size, unsigned count, fi_handle handle) {
    FileBytes& f = *static_cast<FileBytes*>(handle);
    const uint64_t wanted = uint64_t(size) * count;
    const uint64_t left = f.position < long(f.data.size()) ? f.data.size() - size_t(f.position) : 0;
    const uint64_t n = std::min(wanted, left);
    if (n < wanted) {
      ++f.shortReads;
      if (left == 0) ++f.emptyReads;
    }
    if (n) std::memcpy(buffer, f.data.data() + f.position, size_t(n));
    f.position += long(n);
    return size ? unsigned(n / size) : 0;
  }
  static unsigned DLL_CALLCONV write(void*, unsigned, unsigned, fi_handle) { return 0; }
  static int DLL_CALLCONV seek(fi_handle handle, long offset, int origin) {
    FileBytes& f = *static_cast<FileBytes*>(handle);
    const int64_t base = origin == SEEK_SET ? 0 : origin == SEEK_CUR ? f.position : int64_t(f.data.size());
    const int64_t target = base + offset;
    if (target < 0 || target > LONG_MAX) return -1;
    f.position = long(target);
    return 0;
  }
  static long DLL_CALLCONV tell(fi_handle handle) { return static_cast<FileBytes*>(handle)->position; }
};

constexpr uint64_t kMaxFileBytes = 256 << 20;

// Decoders report damaged data they have worked around through FreeImage's
// message hook, on the thread that decodes: images decode on more than one.
thread_local int messagesSeen = 0;

void DLL_CALLCONV countMessage(FREE_IMAGE_FORMAT, const char*) { ++messagesSeen; }

void initialiseFreeImage() {
  static std::once_flag once;
  std::call_once(once, [] {
    FreeImage_Initialise(FALSE);
    FreeImage_SetOutputMessage(countMessage);
  });
}

// Unloads the bitmaps it holds.
struct Bitmaps {
  FIBITMAP* loaded = nullptr;
  FIBITMAP* converted = nullptr;
  ~Bitmaps() {
    if (converted && converted != loaded) FreeImage_Unload(converted);
    if (loaded) FreeImage_Unload(loaded);
  }
};

FREE_IMAGE_FORMAT formatOf(const std::string& file, FreeImageIO& io, FileBytes& bytes) {
  FREE_IMAGE_FORMAT fif = FreeImage_GetFileTypeFromHandle(&io, &bytes, 0);
  bytes.rewind();
  if (fif != FIF_UNKNOWN) return fif;
  const size_t dot = file.find('.');
  if (dot == std::string::npos) return FIF_UNKNOWN;
  return FreeImage_GetFIFFromFilename(file.c_str() + dot + 1);
}

// A TGA file too short for the pixels its header announces. Its decoder
// reads the whole file at once and does not always notice.
bool truncatedTarga(std::span<const uint8_t> d) {
  if (d.size() < 18) return true;
  auto u16 = [&](size_t at) { return size_t(d[at] | (d[at + 1] << 8)); };
  const size_t pixelBytes = (size_t(d[16]) + 7) / 8;
  const size_t pixels = u16(12) * u16(14);
  size_t at = 18 + d[0] + (d[1] ? u16(5) * ((size_t(d[7]) + 7) / 8) : 0);
  switch (d[2]) {
    case 1: case 2: case 3:
      return at + pixels * pixelBytes > d.size();
    case 9: case 10: case 11:
      for (size_t done = 0; done < pixels;) {
        if (at >= d.size()) return true;
        const uint8_t packet = d[at++];
        const size_t run = (packet & 0x7F) + 1;
        at += (packet & 0x80) ? pixelBytes : run * pixelBytes;
        done += run;
        if (at > d.size()) return true;
      }
      return false;
    default:
      return false;
  }
}

// A decoder that had to make up for missing or damaged data. JPEG and TGA
// decoders read ahead in blocks, so a short last read is normal for them;
// the JPEG decoder reports minor damage it repairs, which is accepted, but
// running out of data is not.
bool damaged(FREE_IMAGE_FORMAT fif, const FileBytes& bytes, int messages) {
  if (bytes.emptyReads) return true;
  if (fif == FIF_TARGA && truncatedTarga(bytes.data)) return true;
  if (fif != FIF_JPEG && messages) return true;
  return fif != FIF_JPEG && fif != FIF_TARGA && bytes.shortReads;
}

// A pixel's alpha byte as the flags ask (ARGB; the image's own alpha
// aside).
uint32_t withAlpha(uint32_t argb, int32_t flags) {
  const uint32_t rgb = argb & 0xFFFFFF;
  if (!(flags & kCanvasAlpha)) return rgb | 0xFF000000u;
  if (flags & kCanvasMasked) return rgb | (rgb ? 0xFF000000u : 0);
  const uint32_t brightness = (((rgb >> 16) & 0xFF) + ((rgb >> 8) & 0xFF) + (rgb & 0xFF)) / 3;
  return (flags & kCanvasColor ? rgb : 0xFFFFFFu) | (brightness << 24);
}

// The alpha byte of every 32-bit pixel (ARGB in memory order B, G, R, A).
void prepareAlpha(Surface& image, int32_t flags, bool imageHasAlpha) {
  const bool alpha = flags & kCanvasAlpha;
  if (alpha && !(flags & kCanvasMasked) && imageHasAlpha) return;
  for (int y = 0; y < image.height(); ++y) {
    uint8_t* p = image.row(y);
    for (int x = 0; x < image.width(); ++x, p += 4) storePixel32(p, withAlpha(loadPixel32(p), flags));
  }
}

// A 24-bit image (bytes B, G, R, rows from the bottom) into a surface of
// its size in one pass a row: the rows turned upright, the pixels given
// their alpha and converted to the surface's format. Opaque pixels into
// 32-bit surfaces, the common case, are written straight from the bytes,
// four pixels out of three 32-bit words.
void copyUpright24(FIBITMAP* dib, Surface& destination, int32_t flags) {
  const int width = destination.width(), height = destination.height();
  const PixelFormat& format = destination.format();
  const bool opaque32 = !(flags & kCanvasAlpha) && (format == PixelFormat::argb8888() || format == PixelFormat::xrgb8888());
  if (opaque32) {
    const uint32_t alpha = format == PixelFormat::argb8888() ? 0xFF000000u : 0;
    for (int y = 0; y < height; ++y) {
      const uint8_t* p = FreeImage_GetScanLine(dib, height - 1 - y);
      auto* out = reinterpret_cast<uint32_t*>(destination.row(y));
      int x = 0;
      for (; x + 4 <= width; x += 4, p += 12) {
        uint32_t w[3];
        std::memcpy(w, p, 12);
        out[x] = (w[0] & 0xFFFFFF) | alpha;
        out[x + 1] = (w[0] >> 24) | ((w[1] & 0xFFFF) << 8) | alpha;
        out[x + 2] = (w[1] >> 16) | ((w[2] & 0xFF) << 16) | alpha;
        out[x + 3] = (w[2] >> 8) | alpha;
      }
      for (; x < width; ++x, p += 3) out[x] = p[0] | (p[1] << 8) | (uint32_t(p[2]) << 16) | alpha;
    }
    return;
  }
  std::vector<uint32_t> row(width);
  for (int y = 0; y < height; ++y) {
    const uint8_t* p = FreeImage_GetScanLine(dib, height - 1 - y);
    for (int x = 0; x < width; ++x, p += 3) row[x] = withAlpha(p[0] | (p[1] << 8) | (uint32_t(p[2]) << 16), flags);
    format.fromArgbRow(row.data(), destination.row(y), width);
  }
}

void put16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
  put16(p, v);
  put16(p + 2, v >> 16);
}

}  // namespace

std::shared_ptr<Surface> loadSurface(const std::string& file, int32_t flags, const SurfaceContext& context) {
  initialiseFreeImage();
  FileView view;
  if (!view.open(file, kMaxFileBytes)) return nullptr;
  FileBytes bytes{view.bytes()};
  FreeImageIO io{FileBytes::read, FileBytes::write, FileBytes::seek, FileBytes::tell};
  const FREE_IMAGE_FORMAT fif = formatOf(file, io, bytes);
  if (fif == FIF_UNKNOWN || !FreeImage_FIFSupportsReading(fif)) return nullptr;
  Bitmaps bitmaps;
  const int messagesBefore = messagesSeen;
  bitmaps.loaded = FreeImage_LoadFromHandle(fif, &io, &bytes, 0);
  if (!bitmaps.loaded || damaged(fif, bytes, messagesSeen - messagesBefore)) return nullptr;
  const bool imageHasAlpha = FreeImage_GetBPP(bitmaps.loaded) == 32 || FreeImage_IsTransparent(bitmaps.loaded);
  const int width = int(FreeImage_GetWidth(bitmaps.loaded)), height = int(FreeImage_GetHeight(bitmaps.loaded));
  std::shared_ptr<Surface> destination = createSurface(width, height, flags, context, Surface::kWrittenFirst);
  if (!destination) return nullptr;
  if (FreeImage_GetImageType(bitmaps.loaded) == FIT_BITMAP && FreeImage_GetBPP(bitmaps.loaded) == 24 &&
      !imageHasAlpha && destination->width() == width && destination->height() == height) {
    copyUpright24(bitmaps.loaded, *destination, flags);
    return destination;
  }
  bitmaps.converted = FreeImage_ConvertTo32Bits(bitmaps.loaded);
  if (!bitmaps.converted) bitmaps.converted = bitmaps.loaded;
  // Only 32-bit pixels can be read as such: a bitmap that could not be
  // converted to them is not used.
  FIBITMAP* dib = bitmaps.converted;
  if (FreeImage_GetImageType(dib) != FIT_BITMAP || FreeImage_GetBPP(dib) != 32) return nullptr;

  std::unique_ptr<Surface> image =
      Surface::wrap(FreeImage_GetBits(dib), int32_t(FreeImage_GetPitch(dib)), int(FreeImage_GetWidth(dib)),
                    int(FreeImage_GetHeight(dib)), PixelFormat::argb8888());
  if (!image) return nullptr;
  prepareAlpha(*image, flags, imageHasAlpha);
  // Turned upright: the image's rows go up from the bottom.
  stretchCopy(*destination, 0, 0, destination->width(), destination->height(), *image, 0, image->height() - 1,
              image->width(), -image->height());
  return destination;
}

bool saveBmp(Canvas& canvas, const std::string& file) {
  std::FILE* out = std::fopen(file.c_str(), "wb");
  if (!out) return false;
  const int width = canvas.width(), height = canvas.height();
  const uint32_t rowBytes = (uint32_t(width) * 3 + 3) & ~3u;
  uint8_t header[54] = {'B', 'M'};
  put32(header + 2, 54 + uint32_t(height) * rowBytes);
  put32(header + 10, 54);
  put32(header + 14, 40);
  put32(header + 18, uint32_t(width));
  put32(header + 22, uint32_t(height));
  put16(header + 26, 1);
  put16(header + 28, 24);
  std::fwrite(header, 1, sizeof header, out);

  std::vector<uint8_t> row(rowBytes, 0);
  const bool locked = canvas.lock();
  if (locked) {
    // The file's pixels are bytes B, G, R: the 24-bit layout.
    const Surface& surface = canvas.surface();
    const PixelFormat bgr = PixelFormat::rgb888();
    for (int y = height - 1; y >= 0; --y) {
      convertRow(surface.format(), surface.row(y), bgr, row.data(), width);
      std::fwrite(row.data(), 1, rowBytes, out);
    }
    canvas.unlock();
  }
  const bool failed = !locked || std::ferror(out) != 0;
  return (std::fclose(out) == 0) && !failed;
}

}  // namespace vx
