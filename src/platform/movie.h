#pragma once
// A movie: a video file played through FFmpeg. Frames are decoded on demand
// into the frame canvas, a canvas of the video's size in the device's pixel
// format, and drawn from there wherever the program likes. The movie keeps
// its own time: its clock starts when it opens, and a draw shows the frame
// whose time has come, however often it is called; frames whose time
// passed between two draws are decoded and left out. The sound track, when
// the file has one and an audio device is open, plays as a stream of the
// sound library from the same moment.
//
// The movie plays until the time of its last whole frame is over; from
// then on it no longer plays and draws nothing. Frames that do not decode
// (a damaged or cut-off file) are left out.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

struct AVFrame;
struct SwsContext;

namespace vx {

class AudioDevice;
class Canvas;
class GraphicsDevice;

namespace sound {
class FfmpegStream;
struct Stream;
}

class Movie {
 public:
  // Null when the file cannot be read, holds no video stream, or not one of
  // its frames decodes. The sound track plays on audio, when given.
  static std::unique_ptr<Movie> open(GraphicsDevice& device, const std::string& path, AudioDevice* audio);
  ~Movie();
  Movie(const Movie&) = delete;
  Movie& operator=(const Movie&) = delete;

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  // Until the time of the last frame is over, whether drawn or not.
  bool playing();

  // The frame due now, stretched into the rectangle (x, y, w, h) of the
  // canvas, without its origin, viewport or handle; a rectangle reaching
  // outside the canvas draws nothing. False once the movie has ended.
  bool draw(Canvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h);

 private:
  using Clock = std::chrono::steady_clock;

  Movie() = default;
  bool openVideo(const std::string& path);
  // Decodes the next whole frame into next_ with its time in nextTime_;
  // false at the end of the stream.
  bool decodeNext();
  // Takes the frames due by now from the decoder, and notices the end.
  void catchUp();
  // Converts shown_ into the frame canvas.
  void convertShown();
  void startSound(const std::string& path);

  AudioDevice* audio_ = nullptr;
  sound::Stream* soundStream_ = nullptr;
  std::unique_ptr<Canvas> frame_;

  std::unique_ptr<sound::FfmpegStream> video_;
  AVFrame* next_ = nullptr;   // decoded, not shown yet
  AVFrame* shown_ = nullptr;  // the frame in the frame canvas
  SwsContext* scaler_ = nullptr;
  double timeBase_ = 0;       // seconds per timestamp unit
  double frameInterval_ = 0;  // seconds per frame
  int64_t firstPts_ = INT64_MIN;
  double lastTime_ = -1;      // time of the frame decoded last

  int32_t width_ = 0, height_ = 0;
  bool playing_ = true;
  bool haveNext_ = false;
  bool shownConverted_ = true;  // the frame canvas holds shown_
  double nextTime_ = 0;   // seconds from the start
  double shownEnd_ = 0;   // when the frame shown last stops being due
  Clock::time_point start_;
};

}  // namespace vx
