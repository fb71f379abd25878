// Any audio FFmpeg can demux and decode (here for WMA and ASF), resampled to
// 16-bit interleaved samples at the stream's own rate, at most stereo.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <cstring>
#include <vector>

#include "sound/decoder.h"

namespace vx::sound {

namespace {

class FfmpegDecoder final : public Decoder {
 public:
  ~FfmpegDecoder() override {
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    swr_free(&resampler_);
    avcodec_free_context(&codec_);
    avformat_close_input(&format_);
  }

  bool open(const std::string& path) {
    if (avformat_open_input(&format_, path.c_str(), nullptr, nullptr) < 0) return false;
    if (avformat_find_stream_info(format_, nullptr) < 0) return false;
    const AVCodec* decoder = nullptr;
    stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (stream_ < 0 || !decoder) return false;
    codec_ = avcodec_alloc_context3(decoder);
    if (!codec_ || avcodec_parameters_to_context(codec_, format_->streams[stream_]->codecpar) < 0) return false;
    if (avcodec_open2(codec_, decoder, nullptr) < 0 || codec_->sample_rate <= 0) return false;
    rate_ = codec_->sample_rate;
    channels_ = codec_->ch_layout.nb_channels >= 2 ? 2 : 1;
    AVChannelLayout out{};
    av_channel_layout_default(&out, channels_);
    if (swr_alloc_set_opts2(&resampler_, &out, AV_SAMPLE_FMT_S16, rate_, &codec_->ch_layout, codec_->sample_fmt,
                            codec_->sample_rate, 0, nullptr) < 0 ||
        swr_init(resampler_) < 0)
      return false;
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    return packet_ && frame_;
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
    if (av_seek_frame(format_, stream_, 0, AVSEEK_FLAG_BACKWARD) < 0) return false;
    avcodec_flush_buffers(codec_);
    pending_.clear();
    pendingAt_ = 0;
    draining_ = finished_ = false;
    return true;
  }

 private:
  size_t pendingFrames() const { return pending_.size() / channels_ - pendingAt_; }

  // Decodes the next frame into pending_; false at the end.
  bool decodeMore() {
    pending_.clear();
    pendingAt_ = 0;
    while (!finished_) {
      int status = avcodec_receive_frame(codec_, frame_);
      if (status == 0) {
        convert();
        av_frame_unref(frame_);
        if (!pending_.empty()) return true;
        continue;
      }
      if (status == AVERROR_EOF) {
        finished_ = true;
        break;
      }
      if (draining_) {
        finished_ = true;
        break;
      }
      if (av_read_frame(format_, packet_) < 0) {
        draining_ = true;
        avcodec_send_packet(codec_, nullptr);
        continue;
      }
      if (packet_->stream_index == stream_) avcodec_send_packet(codec_, packet_);
      av_packet_unref(packet_);
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

  AVFormatContext* format_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  SwrContext* resampler_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  int stream_ = -1;
  std::vector<int16_t> pending_;
  size_t pendingAt_ = 0;
  bool draining_ = false;
  bool finished_ = false;
};

}  // namespace

std::unique_ptr<Decoder> openFfmpegFile(const std::string& path) {
  av_log_set_level(AV_LOG_QUIET);
  auto decoder = std::make_unique<FfmpegDecoder>();
  if (!decoder->open(path)) return nullptr;
  return decoder;
}

}  // namespace vx::sound
