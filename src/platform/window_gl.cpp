#include "platform/window_gl.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>

#include "platform/canvas.h"

namespace vx {

namespace {

// What showing changes, put back afterwards.
class SavedState {
 public:
  SavedState() {
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFramebuffer_);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer_);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture_);
    glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &unpackBuffer_);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment_);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &unpackRowLength_);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor_);
    scissor_ = glIsEnabled(GL_SCISSOR_TEST);
  }
  ~SavedState() {
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, drawFramebuffer_);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, readFramebuffer_);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, unpackBuffer_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment_);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, unpackRowLength_);
    glClearColor(clearColor_[0], clearColor_[1], clearColor_[2], clearColor_[3]);
    if (scissor_) glEnable(GL_SCISSOR_TEST);
  }

 private:
  GLint drawFramebuffer_ = 0, readFramebuffer_ = 0, texture_ = 0, unpackBuffer_ = 0;
  GLint unpackAlignment_ = 4, unpackRowLength_ = 0;
  GLfloat clearColor_[4] = {};
  GLboolean scissor_ = GL_FALSE;
};

bool versionAtLeast3() {
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  int major = 0;
  return version && std::sscanf(version, "%d", &major) == 1 && major >= 3;
}

}  // namespace

std::unique_ptr<WindowGL> WindowGL::create(SDL_Window* window) {
  if (!(SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL)) return nullptr;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (!context) return nullptr;
  if (!versionAtLeast3()) {
    SDL_GL_DeleteContext(context);
    return nullptr;
  }
  // Flip paces itself; a swap never waits for the display.
  SDL_GL_SetSwapInterval(0);
  std::unique_ptr<WindowGL> gl(new WindowGL());
  gl->window_ = window;
  gl->context_ = context;
  glGenFramebuffers(1, &gl->framebuffer_);
  glGenTextures(1, &gl->texture_);
  return gl;
}

WindowGL::~WindowGL() {
  glDeleteFramebuffers(1, &framebuffer_);
  glDeleteTextures(1, &texture_);
  SDL_GL_DeleteContext(context_);
}

void WindowGL::drawableSize(int& width, int& height) const { SDL_GL_GetDrawableSize(window_, &width, &height); }

// The picture's texture, of the canvas's size, is the colour of the
// framebuffer blits read from.
void WindowGL::prepare(int width, int height) {
  glBindTexture(GL_TEXTURE_2D, texture_);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
  if (width == textureWidth_ && height == textureHeight_) return;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, width, height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
  glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
  textureWidth_ = width;
  textureHeight_ = height;
}

void WindowGL::show(const Canvas& canvas, const SDL_Rect& dest, const uint32_t* xrgb) {
  const int width = canvas.width(), height = canvas.height();
  int outWidth = 0, outHeight = 0;
  drawableSize(outWidth, outHeight);
  {
    SavedState saved;
    prepare(width, height);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const PixelFormat& format = canvas.format();
    if (xrgb) {
      glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
      glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, xrgb);
    } else {
      const bool wide = format.bytesPerPixel() == 4;
      glPixelStorei(GL_UNPACK_ROW_LENGTH, canvas.pitch() / format.bytesPerPixel());
      glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, wide ? GL_BGRA : GL_BGR,
                      wide ? GL_UNSIGNED_INT_8_8_8_8_REV : GL_UNSIGNED_BYTE, canvas.bits());
    }
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    if (dest.x > 0 || dest.y > 0 || dest.w < outWidth || dest.h < outHeight) {
      glClearColor(0, 0, 0, 1);
      glClear(GL_COLOR_BUFFER_BIT);
    }
    // The canvas's top row is the texture's first: the window's rows go up
    // from the bottom, so the copy turns it over.
    glBlitFramebuffer(0, 0, width, height, dest.x, outHeight - dest.y, dest.x + dest.w, outHeight - dest.y - dest.h,
                      GL_COLOR_BUFFER_BIT, GL_NEAREST);
  }
  SDL_GL_SwapWindow(window_);
}

}  // namespace vx
