#include "platform/movie.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include "platform/audio_device.h"
#include "platform/audio_module.h"
#include "platform/canvas.h"
#include "platform/graphics_device.h"
#include "sound/decoder.h"
#include "sound/ffmpeg_stream.h"
#include "sound/sound_system.h"

namespace vx {

namespace {

// The FFmpeg layout of a display format, which frame canvases have.
AVPixelFormat layoutOf(const PixelFormat& format) {
  if (format == PixelFormat::xrgb8888()) return AV_PIX_FMT_BGR0;
  if (format == PixelFormat::rgb888()) return AV_PIX_FMT_BGR24;
  return AV_PIX_FMT_RGB565LE;
}

// Frame rates beyond this are timestamps rather than rates (a stream that
// only gives its time base).
constexpr double kMaxFrameRate = 1000;
constexpr double kDefaultInterval = 1.0 / 25;

// How long a frame shows, in units of its stream's time base; 0 unknown.
int64_t frameDuration(const AVFrame& frame) {
#if LIBAVUTIL_VERSION_MAJOR >= 58
  return frame.duration;
#else
  return frame.pkt_duration;
#endif
}

}  // namespace

std::unique_ptr<Movie> Movie::open(GraphicsDevice& device, const std::string& path, AudioDevice* audio) {
  std::unique_ptr<Movie> movie(new Movie());
  if (!movie->openVideo(path)) return nullptr;
  movie->frame_ = Canvas::create(&device, movie->width_, movie->height_, 0, device.surfaceContext());
  if (!movie->frame_) return nullptr;
  // Not one whole frame: nothing to play.
  if (!movie->decodeNext()) return nullptr;
  movie->audio_ = audio;
  movie->startSound(path);
  movie->start_ = Clock::now();
  return movie;
}

Movie::~Movie() {
  // The audio module goes before the graphics module when the run ends,
  // taking its streams with it; then there is nothing left to close.
  if (soundStream_ && audio_ && audioDevice() == audio_) audio_->system().closeStream(soundStream_);
  sws_freeContext(scaler_);
  av_frame_free(&shown_);
  av_frame_free(&next_);
}

bool Movie::openVideo(const std::string& path) {
  video_ = std::make_unique<sound::FfmpegStream>();
  // Only the video stream is read here; the sound track has its own reader.
  const bool opened = video_->open(path, AVMEDIA_TYPE_VIDEO, [](AVCodecContext& codec) {
    // Slices only: frame threads would hold frames back.
    codec.thread_count = 0;
    codec.thread_type = FF_THREAD_SLICE;
    // A frame the decoder knows to be damaged is left out rather than shown.
    codec.flags &= ~AV_CODEC_FLAG_OUTPUT_CORRUPT;
  });
  if (!opened) return false;
  width_ = video_->codec()->width;
  height_ = video_->codec()->height;
  if (width_ <= 0 || height_ <= 0) return false;
  AVStream* stream = video_->stream();
  timeBase_ = av_q2d(stream->time_base);
  const AVRational rate = av_guess_frame_rate(video_->format(), stream, nullptr);
  const double fps = rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 0;
  frameInterval_ = fps > 0 && fps <= kMaxFrameRate ? 1 / fps : kDefaultInterval;
  next_ = av_frame_alloc();
  shown_ = av_frame_alloc();
  return next_ && shown_;
}

void Movie::startSound(const std::string& path) {
  // The sound track is read by a decoder of its own, on the sound thread.
  if (!audio_ || av_find_best_stream(video_->format(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) < 0) return;
  std::unique_ptr<sound::Decoder> decoder = sound::openFfmpegFile(path);
  if (!decoder) return;
  soundStream_ = audio_->system().openStream(std::move(decoder));
  if (soundStream_) audio_->system().playStream(soundStream_);
}

bool Movie::decodeNext() {
  haveNext_ = false;
  while (video_->receive(next_)) {
    const bool damaged = next_->decode_error_flags != 0 || (next_->flags & AV_FRAME_FLAG_CORRUPT) ||
                         next_->width <= 0 || next_->height <= 0;
    if (damaged) {
      av_frame_unref(next_);
      continue;
    }
    const int64_t pts = next_->best_effort_timestamp;
    double t;
    if (pts == AV_NOPTS_VALUE || timeBase_ <= 0) {
      t = lastTime_ < 0 ? 0 : lastTime_ + frameInterval_;
    } else {
      if (firstPts_ == INT64_MIN) firstPts_ = pts;
      t = double(pts - firstPts_) * timeBase_;
    }
    if (t < lastTime_) t = lastTime_;
    lastTime_ = nextTime_ = t;
    haveNext_ = true;
    return true;
  }
  return false;
}

void Movie::convertShown() {
  Canvas& canvas = *frame_;
  scaler_ = sws_getCachedContext(scaler_, shown_->width, shown_->height, AVPixelFormat(shown_->format), width_,
                                 height_, layoutOf(canvas.format()), SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!scaler_) return;
  uint8_t* planes[4] = {canvas.bits(), nullptr, nullptr, nullptr};
  int pitches[4] = {canvas.pitch(), 0, 0, 0};
  sws_scale(scaler_, shown_->data, shown_->linesize, 0, shown_->height, planes, pitches);
  canvas.markModified({0, 0, width_, height_});
}

bool Movie::playing() {
  catchUp();
  return playing_;
}

void Movie::catchUp() {
  if (!playing_) return;
  const double now = std::chrono::duration<double>(Clock::now() - start_).count();
  // Every frame due by now is decoded; the last of them is the one to show.
  while (haveNext_ && nextTime_ <= now) {
    av_frame_unref(shown_);
    av_frame_move_ref(shown_, next_);
    const double duration = frameDuration(*shown_) > 0 && timeBase_ > 0 ? frameDuration(*shown_) * timeBase_ : 0;
    shownEnd_ = nextTime_ + (duration > 0 ? duration : frameInterval_);
    shownConverted_ = false;
    decodeNext();
  }
  if (!haveNext_ && now >= shownEnd_) playing_ = false;
}

bool Movie::draw(Canvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h) {
  catchUp();
  if (!playing_) return false;
  if (!shownConverted_) {
    convertShown();
    shownConverted_ = true;
  }

  // Drawn without the canvas's origin and viewport; a rectangle that leaves
  // the canvas draws nothing, as a failed blit.
  if (w <= 0 || h <= 0 || x < 0 || y < 0 || int64_t(x) + w > canvas.width() || int64_t(y) + h > canvas.height())
    return true;
  GraphicsDevice::stretchCopy(canvas, x, y, w, h, *frame_, 0, 0, width_, height_);
  return true;
}

}  // namespace vx
