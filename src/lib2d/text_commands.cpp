// Fonts and text, the console (Write, Print, Input and Locate treat the
// front buffer as a scrolling text screen with a cursor and a line
// editor), and the pointer commands.

#include <string>

#include "language/runtime_string.h"
#include "language/string_args.h"
#include "lib2d/graphics_module.h"
#include "platform/clock.h"
#include "platform/graphics_device.h"
#include "platform/input_system.h"
#include "platform/platform_runtime.h"
#include "runtime/errors.h"
#include "runtime/registry.h"

namespace vx {

namespace {

PlatformRuntime& platform() { return *PlatformRuntime::current(); }
GraphicsDevice& device() { return *graphics().device; }

int32_t fontHeight() { return currentFont() ? currentFont()->height() : 0; }
int32_t widthOf(std::string_view text) { return currentFont() ? currentFont()->stringWidth(text) : 0; }

// Fonts

int32_t loadFont(StrArg name, int32_t height, int32_t bold, int32_t italic, int32_t underline) {
  const int32_t flags = (bold ? kFontBold : 0) | (italic ? kFontItalic : 0) | (underline ? kFontUnderline : 0);
  Font* font = device().loadFont(name.str(), height, flags);
  return font ? HandleSet<Font>::handleOf(font) : 0;
}

void useFont(Font* font) {
  graphics().font = font;
  if (graphics().current) graphics().current->setFont(font);
}

void freeFont(int32_t handle) {
  Font* font = device().font(handle);
  if (!font || font == device().defaultFont()) return;
  if (font == graphics().font) useFont(device().defaultFont());
  device().freeFont(font);
}

void setFont(int32_t handle) {
  if (Font* font = device().font(handle)) useFont(font);
}

int32_t fontWidth() { return currentFont() ? currentFont()->width() : 0; }
int32_t fontHeightCommand() { return fontHeight(); }
int32_t stringWidth(StrArg text) { return widthOf(text.view()); }
int32_t stringHeight(StrArg) { return fontHeight(); }

void text(int32_t x, int32_t y, StrArg text, int32_t centreX, int32_t centreY) {
  if (!graphics().current) return;
  if (centreX) x -= widthOf(text.view()) / 2;
  if (centreY) y -= fontHeight() / 2;
  graphics().current->text(x, y, text.view());
}

// The console

// The front buffer made ready for console text, its settings put back
// when the command is done.
class ConsoleScreen {
 public:
  ConsoleScreen() {
    GraphicsState& g = graphics();
    if (!g.userGraphics) openMode(400, 300, 0, kGraphicsWindowed, false);
    front_ = &device().frontCanvas();
    front_->lock();
    front_->unlock();
    origin_ = front_->origin();
    handle_ = front_->handle();
    viewport_ = front_->viewport();
    front_->setOrigin(0, 0);
    front_->setHandle(0, 0);
    front_->setViewport(0, 0, front_->width(), front_->height());
    if (front_ != g.current) {
      front_->setFont(currentFont());
      front_->setColor(g.drawColor);
    }
    scroll();
  }
  ~ConsoleScreen() {
    front_->setViewport(viewport_.left, viewport_.top, viewport_.width(), viewport_.height());
    front_->setHandle(handle_.x, handle_.y);
    front_->setOrigin(origin_.x, origin_.y);
    if (front_ == graphics().current) front_->setColor(graphics().drawColor);
  }
  ConsoleScreen(const ConsoleScreen&) = delete;
  ConsoleScreen& operator=(const ConsoleScreen&) = delete;

  Canvas& front() { return *front_; }

 private:
  // Text that would reach below the buffer moves everything up by the
  // excess; the band freed at the bottom takes the clear colour.
  void scroll() {
    GraphicsState& g = graphics();
    const int32_t height = front_->height(), fh = fontHeight();
    if (g.cursorY + fh <= height) return;
    const int32_t excess = g.cursorY + fh - height;
    g.cursorY = height - fh;
    front_->blit(0, 0, *front_, 0, excess, front_->width(), height - excess, true);
    front_->setColor(g.clearColor);
    front_->rect(0, height - excess, front_->width(), excess, true);
    front_->setColor(g.drawColor);
  }

  Canvas* front_;
  CanvasPoint origin_, handle_;
  CanvasRect viewport_;
};

void consoleWrite(StrArg text) {
  {
    ConsoleScreen screen;
    screen.front().text(graphics().cursorX, graphics().cursorY, text.view());
    graphics().cursorX += widthOf(text.view());
  }
  idleOrEnd();
}

void consolePrint(StrArg text) {
  {
    ConsoleScreen screen;
    screen.front().text(graphics().cursorX, graphics().cursorY, text.view());
    graphics().cursorX = 0;
    graphics().cursorY += fontHeight();
  }
  idleOrEnd();
}

void locate(int32_t x, int32_t y) {
  Canvas& front = device().frontCanvas();
  graphics().cursorX = x < 0 ? 0 : x > front.width() ? front.width() : x;
  graphics().cursorY = y < 0 ? 0 : y > front.height() ? front.height() : y;
}

// The line editor of Input.
class LineEditor {
 public:
  static constexpr uint32_t kBlinkMs = 320;
  static constexpr uint32_t kFirstRepeatMs = 280;
  static constexpr uint32_t kRepeatMs = 40;

  LineEditor(Canvas& front, Canvas& scratch) : front_(front), scratch_(scratch) {}

  std::string run() {
    const uint32_t start = monotonicMillis();
    int64_t shownPhase = -1;
    for (;;) {
      const int64_t phase = (monotonicMillis() - start) / kBlinkMs;
      if (phase != shownPhase) {
        shownPhase = phase;
        drawCaret(phase % 2 == 0);
      }
      if (int character = nextCharacter()) {
        if (edit(character)) {
          compose();
          return text_;
        }
        compose();
        shownPhase = -1;
      }
      delayOrEnd(20);
    }
  }

 private:
  // A character typed or repeated, or 0.
  int nextCharacter() {
    InputSystem* input = platform().input();
    if (!input) return 0;
    InputDevice& keyboard = input->keyboard();
    if (int32_t code = keyboard.next()) {
      if (int character = input->toAscii(code)) {
        repeatCode_ = code;
        repeatCharacter_ = character;
        repeatDelay_ = kFirstRepeatMs;
        lastUse_ = monotonicMillis();
        return character;
      }
    }
    if (repeatCode_) {
      if (!keyboard.isDown(repeatCode_)) {
        repeatCode_ = 0;
      } else if (monotonicMillis() - lastUse_ > repeatDelay_) {
        lastUse_ += repeatDelay_;
        repeatDelay_ = kRepeatMs;
        return repeatCharacter_;
      }
    }
    return 0;
  }

  // Applies one character; true when it finishes the line.
  bool edit(int c) {
    switch (c) {
      case 1:
        caret_ = 0;
        break;
      case 2:
        caret_ = text_.size();
        break;
      case 4:
        if (caret_ < text_.size()) text_.erase(caret_, 1);
        break;
      case 8:
        if (caret_ > 0) text_.erase(--caret_, 1);
        break;
      case 13:
        return true;
      case 27:
        text_.clear();
        caret_ = 0;
        break;
      case 30:
        if (caret_ < text_.size()) ++caret_;
        break;
      case 31:
        if (caret_ > 0) --caret_;
        break;
      default:
        if (Font::has(uint8_t(c))) text_.insert(caret_++, 1, char(c));
        break;
    }
    return false;
  }

  // The line drawn off-screen over its saved background, then shown in one
  // copy.
  void compose() {
    const int32_t fh = fontHeight(), width = front_.width();
    scratch_.blit(0, fh, scratch_, 0, 0, width, fh, true);
    scratch_.setColor(graphics().drawColor);
    scratch_.text(graphics().cursorX, fh, text_);
    front_.blit(0, graphics().cursorY, scratch_, 0, fh, width, fh, true);
  }

  void drawCaret(bool inverse) {
    const std::string cell = caret_ < text_.size() ? text_.substr(caret_, 1) : std::string("X");
    const int32_t x = graphics().cursorX + widthOf(std::string_view(text_).substr(0, caret_));
    const int32_t y = graphics().cursorY, w = widthOf(cell), fh = fontHeight();
    GraphicsState& g = graphics();
    if (inverse) {
      front_.setColor(g.clearColor ^ 0xFFFFFF);
      front_.rect(x, y, w, fh, true);
      front_.setColor(g.clearColor);
    } else {
      front_.blit(x, y, scratch_, x, 0, w, fh, true);
      front_.setColor(g.drawColor);
    }
    if (caret_ < text_.size()) front_.text(x, y, cell);
    front_.setColor(g.drawColor);
  }

  Canvas& front_;
  Canvas& scratch_;
  std::string text_;
  size_t caret_ = 0;
  int32_t repeatCode_ = 0;
  int repeatCharacter_ = 0;
  uint32_t repeatDelay_ = kFirstRepeatMs;
  uint32_t lastUse_ = 0;
};

RuntimeString* consoleInput(StrArg prompt) {
  std::string line;
  {
    ConsoleScreen screen;
    Canvas& front = screen.front();
    GraphicsState& g = graphics();
    const int32_t fh = fontHeight();
    if (!g.inputScratch || g.inputScratch->width() < front.width() || g.inputScratch->height() < 2 * fh) {
      device().freeCanvas(g.inputScratch);
      g.inputScratch = device().createCanvas(front.width(), std::max(2 * fh, 1), 0);
    }
    front.text(g.cursorX, g.cursorY, prompt.view());
    g.cursorX += widthOf(prompt.view());
    if (g.inputScratch) {
      Canvas& scratch = *g.inputScratch;
      scratch.setFont(currentFont());
      scratch.blit(0, 0, front, 0, g.cursorY, front.width(), fh, true);
      line = LineEditor(front, scratch).run();
    }
    g.cursorX = 0;
    g.cursorY += fh;
  }
  idleOrEnd();
  return newString(line);
}

// The pointer

void showPointer() { platform().setPointerVisible(true); }
void hidePointer() { platform().setPointerVisible(false); }

}  // namespace

void linkTextCommands(Registry& r) {
  r.command<"%LoadFont$fontname%height=12%bold=0%italic=0%underline=0", loadFont>();
  r.command<"FreeFont%font", freeFont>();
  r.command<"SetFont%font", setFont>();
  r.command<"%FontWidth", fontWidth>();
  r.command<"%FontHeight", fontHeightCommand>();
  r.command<"%StringWidth$string", stringWidth>();
  r.command<"%StringHeight$string", stringHeight>();
  r.command<"Text%x%y$text%centre_x=0%centre_y=0", text>();
  r.command<"Write$string", consoleWrite>();
  r.command<"Print$string=\"\"", consolePrint>();
  r.command<"$Input$prompt=\"\"", consoleInput>();
  r.command<"Locate%x%y", locate>();
  r.command<"ShowPointer", showPointer>();
  r.command<"HidePointer", hidePointer>();
}

}  // namespace vx
