// The movie commands: movies open on the graphics device, play
// their sound track on the audio device when there is one, and are drawn on
// the current buffer. The commands make no handle checks; a handle that is
// not an open movie of the mode (a closed one, or one of an earlier mode)
// reads as a movie that does not play.

#include "language/string_args.h"
#include "lib2d/graphics_module.h"
#include "platform/audio_module.h"
#include "platform/file_system.h"
#include "platform/graphics_device.h"
#include "platform/movie.h"
#include "platform/platform_runtime.h"
#include "runtime/errors.h"
#include "runtime/registry.h"

namespace vx {

namespace {

Movie* movieOf(int32_t handle) {
  GraphicsDevice* device = graphics().device;
  return device && handle ? device->findMovie(handle) : nullptr;
}

int32_t openMovie(StrArg file) {
  GraphicsDevice* device = graphics().device;
  if (!device) return 0;
  return HandleSet<Movie>::handleOf(device->openMovie(nativePath(file.view()), audioDevice()));
}

int32_t drawMovie(int32_t handle, int32_t x, int32_t y, int32_t w, int32_t h) {
  bool drawn = false;
  Movie* movie = movieOf(handle);
  if (movie && graphics().current) {
    if (w < 0) w = movie->width();
    if (h < 0) h = movie->height();
    drawn = movie->draw(*graphics().current, x, y, w, h);
  }
  idleOrEnd();
  return drawn;
}

int32_t movieWidth(int32_t handle) {
  Movie* movie = movieOf(handle);
  return movie ? movie->width() : 0;
}

int32_t movieHeight(int32_t handle) {
  Movie* movie = movieOf(handle);
  return movie ? movie->height() : 0;
}

int32_t moviePlaying(int32_t handle) {
  Movie* movie = movieOf(handle);
  return movie && movie->playing();
}

void closeMovie(int32_t handle) {
  if (Movie* movie = movieOf(handle)) graphics().device->closeMovie(movie);
}

}  // namespace

void linkMovieCommands(Registry& r) {
  r.command<"%OpenMovie$file", openMovie>();
  r.command<"%DrawMovie%movie%x=0%y=0%w=-1%h=-1", drawMovie>();
  r.command<"%MovieWidth%movie", movieWidth>();
  r.command<"%MovieHeight%movie", movieHeight>();
  r.command<"%MoviePlaying%movie", moviePlaying>();
  r.command<"CloseMovie%movie", closeMovie>();
}

}  // namespace vx
