// MPEG audio layers 1 to 3 through libmpg123, always as 16-bit samples.
#include <mpg123.h>

#include <mutex>

#include "sound/decoder.h"

namespace vx::sound {

namespace {

class MpegDecoder final : public Decoder {
 public:
  MpegDecoder(mpg123_handle* handle, long rate, int channels) : handle_(handle) {
    rate_ = static_cast<int>(rate);
    channels_ = channels;
  }
  ~MpegDecoder() override {
    mpg123_close(handle_);
    mpg123_delete(handle_);
  }

  size_t read(int16_t* out, size_t frames) override {
    const size_t frameBytes = sizeof(int16_t) * channels_;
    unsigned char* bytes = reinterpret_cast<unsigned char*>(out);
    size_t done = 0, wanted = frames * frameBytes;
    while (done < wanted) {
      size_t got = 0;
      int status = mpg123_read(handle_, bytes + done, wanted - done, &got);
      done += got;
      // A format change inside the stream is not followed: the layout
      // was fixed when the file was opened.
      if (status == MPG123_NEW_FORMAT) continue;
      if (status != MPG123_OK || got == 0) break;
    }
    return done / frameBytes;
  }

  bool rewind() override { return mpg123_seek(handle_, 0, SEEK_SET) >= 0; }

 private:
  mpg123_handle* handle_;
};

}  // namespace

std::unique_ptr<Decoder> openMpegFile(const std::string& path) {
  static std::once_flag initialised;
  std::call_once(initialised, [] { mpg123_init(); });
  mpg123_handle* handle = mpg123_new(nullptr, nullptr);
  if (!handle) return nullptr;
  mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  mpg123_param(handle, MPG123_RESYNC_LIMIT, 4096, 0);
  long rate = 0;
  int channels = 0, encoding = 0;
  bool ok = mpg123_open(handle, path.c_str()) == MPG123_OK &&
            mpg123_getformat(handle, &rate, &channels, &encoding) == MPG123_OK && rate > 0 &&
            (channels == 1 || channels == 2);
  if (ok) {
    mpg123_format_none(handle);
    ok = mpg123_format(handle, rate, channels, MPG123_ENC_SIGNED_16) == MPG123_OK;
  }
  if (!ok) {
    mpg123_close(handle);
    mpg123_delete(handle);
    return nullptr;
  }
  return std::make_unique<MpegDecoder>(handle, rate, channels);
}

}  // namespace vx::sound
