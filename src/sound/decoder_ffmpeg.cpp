// Any audio FFmpeg can demux and decode (here for WMA and ASF), resampled to
// 16-bit interleaved samples at the stream's own rate, at most stereo.
extern "C" {
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <cstring>
#include <vector>

#include "sound/decoder.h"
#include "sound/ffmpeg_stream.h"

namespace vx::sound {

namespace {

class FfmpegDecoder final : public Decoder {
 public:
  ~FfmpegDecoder() override {
    av_frame_free(&frame_);
    swr_free(&resampler_);
  }

  bool open(const std::string& path) {
    if (!input_.open(path, AVMEDIA_TYPE_AUDIO)) return false;
    AVCodecContext* codec = input_.codec();
    if (codec->sample_rate <= 0) return false;
    rate_ = codec->sample_rate;
    channels_ = codec->ch_layout.nb_channels >= 2 ? 2 : 1;
    AVChannelLayout out{};
    av_channel_layout_default(&out, channels_);
    if (swr_alloc_set_opts2(&resampler_, &out, AV_SAMPLE_FMT_S16, rate_, &codec->ch_layout, codec->sample_fmt,
                            codec->sample_rate, 0, nullptr) < 0 ||
        swr_init(resampler_) < 0)
      return false;
    frame_ = av_frame_alloc();
    return frame_ != nullptr;
  }

  size_t read(int16_t* out, size_t frames) override {
    size_t done = 0;
    while (done < frames) {
      if (pendingFrames() > 0) {
        size_t take = std::min(frames - done, pendingFrames());
        std::memcpy(out + done * channels_, pending_.data() + pendingAt_ * channels_,
                    take * channels_ * sizeof(int16_t));
        pendingAt_ += take;
        done += take;
        continue;
      }
      if (!decodeMore()) break;
    }
    return done;
  }

  bool rewind() override {
    if (!input_.rewind()) return false;
    pending_.clear();
    pendingAt_ = 0;
    return true;
  }

 private:
  size_t pendingFrames() const { return pending_.size() / channels_ - pendingAt_; }

  // Decodes the next frame into pending_; false at the end.
  bool decodeMore() {
    pending_.clear();
    pendingAt_ = 0;
    while (input_.receive(frame_)) {
      convert();
      av_frame_unref(frame_);
      if (!pending_.empty()) return true;
    }
    return false;
  }

  void convert() {
    int capacity = swr_get_out_samples(resampler_, frame_->nb_samples);
    if (capacity <= 0) return;
    pending_.resize(static_cast<size_t>(capacity) * channels_);
    uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(pending_.data())};
    int got = swr_convert(resampler_, outPlanes, capacity, const_cast<const uint8_t**>(frame_->extended_data),
                          frame_->nb_samples);
    pending_.resize(got > 0 ? static_cast<size_t>(got) * channels_ : 0);
  }

  FfmpegStream input_;
  SwrContext* resampler_ = nullptr;
  AVFrame* frame_ = nullptr;
  std::vector<int16_t> pending_;
  size_t pendingAt_ = 0;
};

}  // namespace

std::unique_ptr<Decoder> openFfmpegFile(const std::string& path) {
  auto decoder = std::make_unique<FfmpegDecoder>();
  if (!decoder->open(path)) return nullptr;
  return decoder;
}

}  // namespace vx::sound
