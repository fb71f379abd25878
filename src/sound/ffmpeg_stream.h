#pragma once
// One stream of a media file that FFmpeg reads, with its decoder: opening
// the file, and the loop that reads packets and feeds them to the decoder
// until it gives a frame. Packets of other streams are not read, and a
// packet the demuxer found cut short or damaged is not decoded. Movies
// (their video) and the FFmpeg sound decoder (its audio) read through it.

#include <functional>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace vx::sound {

class FfmpegStream {
 public:
  FfmpegStream() = default;
  ~FfmpegStream();
  FfmpegStream(const FfmpegStream&) = delete;
  FfmpegStream& operator=(const FfmpegStream&) = delete;

  // Opens the best stream of the type; configure may set the decoder up
  // before it opens. False when the file cannot be read or has no such
  // stream that decodes.
  bool open(const std::string& path, AVMediaType type,
            const std::function<void(AVCodecContext&)>& configure = {});

  // The next frame into frame; false at the end of the stream.
  bool receive(AVFrame* frame);
  // Back to the start; false when the file cannot seek.
  bool rewind();

  AVFormatContext* format() const { return format_; }
  AVCodecContext* codec() const { return codec_; }
  AVStream* stream() const { return format_->streams[index_]; }

 private:
  AVFormatContext* format_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  AVPacket* packet_ = nullptr;
  int index_ = -1;
  bool draining_ = false;
  bool ended_ = false;
};

}  // namespace vx::sound
