#include "sound/ffmpeg_stream.h"

namespace vx::sound {

FfmpegStream::~FfmpegStream() {
  av_packet_free(&packet_);
  avcodec_free_context(&codec_);
  avformat_close_input(&format_);
}

bool FfmpegStream::open(const std::string& path, AVMediaType type,
                        const std::function<void(AVCodecContext&)>& configure) {
  av_log_set_level(AV_LOG_QUIET);
  if (avformat_open_input(&format_, path.c_str(), nullptr, nullptr) < 0) return false;
  if (avformat_find_stream_info(format_, nullptr) < 0) return false;
  const AVCodec* decoder = nullptr;
  index_ = av_find_best_stream(format_, type, -1, -1, &decoder, 0);
  if (index_ < 0 || !decoder) return false;
  for (unsigned i = 0; i < format_->nb_streams; ++i)
    if (static_cast<int>(i) != index_) format_->streams[i]->discard = AVDISCARD_ALL;
  codec_ = avcodec_alloc_context3(decoder);
  if (!codec_ || avcodec_parameters_to_context(codec_, stream()->codecpar) < 0) return false;
  if (configure) configure(*codec_);
  if (avcodec_open2(codec_, decoder, nullptr) < 0) return false;
  packet_ = av_packet_alloc();
  return packet_ != nullptr;
}

bool FfmpegStream::receive(AVFrame* frame) {
  while (!ended_) {
    const int status = avcodec_receive_frame(codec_, frame);
    if (status == 0) return true;
    if (status == AVERROR_EOF || draining_) {
      ended_ = true;
      break;
    }
    // EAGAIN, or a frame that failed to decode: feed the next packet.
    if (av_read_frame(format_, packet_) < 0) {
      draining_ = true;
      avcodec_send_packet(codec_, nullptr);
      continue;
    }
    if (packet_->stream_index == index_ && !(packet_->flags & AV_PKT_FLAG_CORRUPT))
      avcodec_send_packet(codec_, packet_);
    av_packet_unref(packet_);
  }
  return false;
}

bool FfmpegStream::rewind() {
  if (av_seek_frame(format_, index_, 0, AVSEEK_FLAG_BACKWARD) < 0) return false;
  avcodec_flush_buffers(codec_);
  draining_ = ended_ = false;
  return true;
}

}  // namespace vx::sound
