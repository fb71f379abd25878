#include "streams/start_game_dialog.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "lib2d/graphics_module.h"
#include "platform/canvas.h"
#include "platform/clock.h"
#include "platform/font.h"
#include "platform/graphics_device.h"
#include "platform/input_system.h"
#include "platform/message_box.h"
#include "platform/platform_runtime.h"

namespace vx {

namespace {

constexpr char kCaption[] = "Start Multiplayer Game";
constexpr char kErrorCaption[] = "DirPlay Error";
constexpr char kRequestCaption[] = "DirectPlay Request";
constexpr char kNoConnection[] = "<no connection>";
constexpr char kNoGames[] = "<no games found>";
constexpr uint32_t kRefreshMs = 1000;
constexpr int32_t kSearchMs = 250;
constexpr uint32_t kDoubleClickMs = 500;
constexpr uint32_t kBlinkMs = 500;

// Key codes and the characters the keyboard gives for them.
constexpr int kLeftShift = 42, kRightShift = 54;
enum Character { kHome = 1, kEnd = 2, kDelete = 4, kBackspace = 8, kTab = 9, kEnter = 13, kEscape = 27,
                 kUp = 28, kDown = 29, kRight = 30, kLeft = 31, kSpace = 32 };

// The colours of a classic dialog.
constexpr uint32_t kFace = 0xFFC0C0C0, kShadow = 0xFF808080, kLight = 0xFFFFFFFF, kDark = 0xFF000000;
constexpr uint32_t kTitle = 0xFF000080, kField = 0xFFFFFFFF, kSelection = 0xFF000080;

CanvasRect rectAt(int32_t x, int32_t y, int32_t w, int32_t h) { return {x, y, x + w, y + h}; }

// Where everything is, for a canvas and font height.
struct Layout {
  static constexpr int kPad = 8;
  CanvasRect frame, title, close, connectionLabel, connection, gamesLabel, games, nameLabel, name, create, cancel;
  int32_t line = 0;     // height of a row or a one-line field
  int32_t gameRows = 0;  // rows the games list shows

  Layout(int32_t canvasWidth, int32_t canvasHeight, int32_t fontHeight) {
    line = fontHeight + 4;
    const int32_t width = std::min<int32_t>(300, canvasWidth);
    for (gameRows = 5;; --gameRows) {
      place(width, 0, 0, fontHeight);
      if (gameRows == 1 || frame.height() <= canvasHeight) break;
    }
    place(width, std::max(0, (canvasWidth - width) / 2), std::max(0, (canvasHeight - frame.height()) / 2),
          fontHeight);
  }

 private:
  void place(int32_t width, int32_t left, int32_t top, int32_t fontHeight) {
    const int32_t inner = width - 2 * kPad, x = left + kPad;
    title = rectAt(left + 2, top + 2, width - 4, line + 2);
    close = rectAt(title.right - line, title.top + 2, line - 2, line - 2);
    int32_t y = title.bottom + kPad;
    auto labelled = [&](CanvasRect& label, CanvasRect& field, int32_t height) {
      label = rectAt(x, y, inner, fontHeight);
      y += fontHeight + 2;
      field = rectAt(x, y, inner, height);
      y += height + kPad;
    };
    labelled(connectionLabel, connection, line);
    labelled(gamesLabel, games, gameRows * line + 4);
    labelled(nameLabel, name, line);
    const int32_t createWidth = (inner - kPad) * 3 / 5;
    create = rectAt(x, y, createWidth, line + 4);
    cancel = rectAt(x + createWidth + kPad, y, inner - createWidth - kPad, line + 4);
    frame = rectAt(left, top, width, create.bottom + kPad - top);
  }
};

class StartGameDialog {
 public:
  StartGameDialog(PlatformRuntime& platform, GraphicsDevice& device, InputSystem& input)
      : platform_(platform), device_(device), input_(input), canvas_(device.frontCanvas()),
        font_(device.defaultFont()),
        layout_(canvas_.width(), canvas_.height(), font_ ? font_->height() : 12) {
    connections_.push_back(kNoConnection);
    for (std::string& name : NetSession::connections()) connections_.push_back(std::move(name));
  }

  StartGameChoice run() {
    if (!font_) return {};
    SavedCanvas saved(device_, canvas_, layout_.frame);
    input_.keyboard().flush();
    input_.mouse().flush();
    while (!choice_.session && !cancelled_) {
      takeKeys();
      takeClicks();
      refreshGames();
      draw();
      if (!platform_.delay(15)) break;
    }
    return std::move(choice_);
  }

 private:
  enum Focus { kConnection, kGames, kName, kCreate, kCancel, kFocusCount };

  // The canvas's settings and the pixels under the dialog, put back on
  // leaving.
  class SavedCanvas {
   public:
    SavedCanvas(GraphicsDevice& device, Canvas& canvas, const CanvasRect& area)
        : device_(device), canvas_(canvas), area_(area), origin_(canvas.origin()), viewport_(canvas.viewport()),
          color_(canvas.color()), font_(canvas.font()),
          pixels_(device.createCanvas(std::max(1, area.width()), std::max(1, area.height()), 0)) {
      canvas_.setOrigin(0, 0);
      canvas_.setViewport(0, 0, canvas_.width(), canvas_.height());
      if (pixels_) pixels_->blit(0, 0, canvas_, area.left, area.top, area.width(), area.height(), true);
    }
    ~SavedCanvas() {
      canvas_.setOrigin(0, 0);
      canvas_.setViewport(0, 0, canvas_.width(), canvas_.height());
      if (pixels_) {
        canvas_.blit(area_.left, area_.top, *pixels_, 0, 0, area_.width(), area_.height(), true);
        device_.freeCanvas(pixels_);
      }
      canvas_.setOrigin(origin_.x, origin_.y);
      canvas_.setViewport(viewport_.left, viewport_.top, viewport_.width(), viewport_.height());
      canvas_.setColor(color_);
      canvas_.setFont(font_);
      if (PlatformRuntime* platform = PlatformRuntime::current()) platform->present();
    }

   private:
    GraphicsDevice& device_;
    Canvas& canvas_;
    CanvasRect area_;
    CanvasPoint origin_;
    CanvasRect viewport_;
    uint32_t color_;
    CanvasFont* font_;
    Canvas* pixels_;
  };

  bool connected() const { return connection_ != 0; }
  bool enabled(int focus) const { return connected() || focus == kConnection || focus == kCancel; }

  // Keyboard

  void takeKeys() {
    InputDevice& keyboard = input_.keyboard();
    while (int32_t code = keyboard.next()) {
      const int character = input_.toAscii(code);
      if (character) key(character, keyboard.isDown(kLeftShift) || keyboard.isDown(kRightShift));
      if (choice_.session || cancelled_) return;
    }
  }

  void key(int character, bool shift) {
    if (character == kTab) {
      dropped_ = false;
      do focus_ = (focus_ + (shift ? kFocusCount - 1 : 1)) % kFocusCount;
      while (!enabled(focus_));
      return;
    }
    if (character == kEscape) {
      if (dropped_) dropped_ = false;
      else cancelled_ = true;
      return;
    }
    switch (focus_) {
      case kConnection:
        if (character == kUp || character == kDown) {
          const int next = connection_ + (character == kDown ? 1 : -1);
          if (next >= 0 && next < static_cast<int>(connections_.size())) chooseConnection(next);
        } else if (character == kEnter || character == kSpace) {
          dropped_ = !dropped_;
        }
        break;
      case kGames:
        if ((character == kUp || character == kDown) && !games_.empty()) {
          const int last = static_cast<int>(games_.size()) - 1;
          selectedGame_ = std::clamp(selectedGame_ + (character == kDown ? 1 : -1), 0, last);
        } else if (character == kEnter) {
          joinSelected();
        }
        break;
      case kName:
        if (character == kEnter) createGame();
        else edit(character);
        break;
      case kCreate:
        if (character == kEnter || character == kSpace) createGame();
        break;
      case kCancel:
        if (character == kEnter || character == kSpace) cancelled_ = true;
        break;
    }
  }

  void edit(int character) {
    switch (character) {
      case kHome: caret_ = 0; break;
      case kEnd: caret_ = name_.size(); break;
      case kLeft: if (caret_ > 0) --caret_; break;
      case kRight: if (caret_ < name_.size()) ++caret_; break;
      case kBackspace: if (caret_ > 0) name_.erase(--caret_, 1); break;
      case kDelete: if (caret_ < name_.size()) name_.erase(caret_, 1); break;
      default:
        if (Font::has(static_cast<uint8_t>(character)) && name_.size() < NetSession::kMaxNameBytes)
          name_.insert(caret_++, 1, static_cast<char>(character));
        break;
    }
  }

  // Mouse

  void takeClicks() {
    InputDevice& mouse = input_.mouse();
    while (int32_t button = mouse.next()) {
      if (button == 1) click(static_cast<int32_t>(mouse.axis(0)), static_cast<int32_t>(mouse.axis(1)));
      if (choice_.session || cancelled_) return;
    }
  }

  void click(int32_t x, int32_t y) {
    const Layout& l = layout_;
    if (dropped_) {
      dropped_ = false;
      const CanvasRect list = dropList();
      if (list.contains(x, y)) chooseConnection((y - list.top) / l.line);
      if (list.contains(x, y) || l.connection.contains(x, y)) return;
    }
    if (l.close.contains(x, y)) {
      cancelled_ = true;
    } else if (l.connection.contains(x, y)) {
      focus_ = kConnection;
      dropped_ = true;
    } else if (l.games.contains(x, y) && connected()) {
      focus_ = kGames;
      const int row = topGame_ + (y - l.games.top - 2) / l.line;
      if (row < 0 || row >= static_cast<int>(games_.size())) return;
      const uint32_t now = monotonicMillis();
      const bool twice = row == selectedGame_ && row == lastClickRow_ && now - lastClickMs_ <= kDoubleClickMs;
      selectedGame_ = lastClickRow_ = row;
      lastClickMs_ = now;
      if (twice) joinSelected();
    } else if (l.name.contains(x, y) && connected()) {
      focus_ = kName;
      caret_ = name_.size();
    } else if (l.create.contains(x, y) && connected()) {
      focus_ = kCreate;
      createGame();
    } else if (l.cancel.contains(x, y)) {
      cancelled_ = true;
    }
  }

  // Sessions

  void chooseConnection(int index) {
    if (index == connection_) return;
    connection_ = index;
    games_.clear();
    selectedGame_ = -1;
    nextSearchMs_ = monotonicMillis();
  }

  // Starts a search every second while a connection is chosen and takes
  // in the answers of the last one when they are in.
  void refreshGames() {
    if (search_.valid() && search_.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
      std::vector<NetSessionInfo> found = search_.get();
      if (connected()) showGames(std::move(found));
    }
    if (!connected() || search_.valid() || static_cast<int32_t>(monotonicMillis() - nextSearchMs_) < 0) return;
    nextSearchMs_ = monotonicMillis() + kRefreshMs;
    const uint16_t port = NetSession::sessionPort();
    search_ = std::async(std::launch::async, [port] { return NetSession::find(0, port, kSearchMs); });
  }

  // Keeps the chosen game chosen when it is still there.
  void showGames(std::vector<NetSessionInfo> found) {
    uint64_t chosen = selectedGame_ >= 0 ? games_[selectedGame_].instance : 0;
    games_ = std::move(found);
    selectedGame_ = games_.empty() ? -1 : 0;
    for (size_t i = 0; i < games_.size(); ++i)
      if (games_[i].instance == chosen) selectedGame_ = static_cast<int>(i);
  }

  void joinSelected() {
    if (selectedGame_ < 0) return;
    choice_.session = NetSession::join(games_[selectedGame_]);
    if (choice_.session) choice_.result = StartGameChoice::kJoined;
    else showMessageBox(kErrorCaption, "Unable to join game", MessageBoxButtons::Ok);
  }

  void createGame() {
    if (name_.empty()) {
      showMessageBox(kRequestCaption, "Please enter a name for the new game", MessageBoxButtons::Ok);
      return;
    }
    choice_.session = NetSession::host(name_, NetSession::sessionPort());
    if (choice_.session) choice_.result = StartGameChoice::kCreated;
    else showMessageBox(kErrorCaption, "Unable to create new game", MessageBoxButtons::Ok);
  }

  // Drawing

  CanvasRect dropList() const {
    const CanvasRect& c = layout_.connection;
    return rectAt(c.left, c.bottom, c.width(), static_cast<int32_t>(connections_.size()) * layout_.line);
  }

  void draw() {
    const Layout& l = layout_;
    canvas_.setFont(font_);
    canvas_.setViewport(l.frame.left, l.frame.top, l.frame.width(), l.frame.height());
    fill(l.frame, kFace);
    raised(l.frame);
    fill(l.title, kTitle);
    label(l.title.left + 4, l.title.top + 3, kCaption, kLight, l.title.width() - l.line - 8);
    fill(l.close, kFace);
    raised(l.close);
    label(l.close.left + (l.close.width() - font_->stringWidth("x")) / 2, l.close.top + 1, "x", kDark, l.line);

    label(l.connectionLabel.left, l.connectionLabel.top, "Connection", kDark, l.connectionLabel.width());
    field(l.connection, true, focus_ == kConnection);
    row(l.connection, connections_[connection_], false, true);
    const int32_t arrowLeft = l.connection.right - l.line;
    fill(rectAt(arrowLeft, l.connection.top + 1, l.line - 1, l.line - 2), kFace);
    label(arrowLeft + (l.line - font_->stringWidth("v")) / 2, l.connection.top + 2, "v", kDark, l.line);

    label(l.gamesLabel.left, l.gamesLabel.top, "Games in progress", connected() ? kDark : kShadow,
          l.gamesLabel.width());
    field(l.games, connected(), focus_ == kGames);
    drawGames();

    label(l.nameLabel.left, l.nameLabel.top, "Name for new game", connected() ? kDark : kShadow,
          l.nameLabel.width());
    field(l.name, connected(), focus_ == kName);
    drawName();

    button(l.create, "Create new game", connected(), focus_ == kCreate);
    button(l.cancel, "Cancel", true, focus_ == kCancel);
    if (dropped_) drawDropList();
    platform_.present();
  }

  void drawGames() {
    const Layout& l = layout_;
    const CanvasRect inside = rectAt(l.games.left + 2, l.games.top + 2, l.games.width() - 4, l.line);
    if (!connected()) return;
    if (games_.empty()) {
      row(inside, kNoGames, false, false);
      return;
    }
    if (selectedGame_ < topGame_) topGame_ = selectedGame_;
    if (selectedGame_ >= topGame_ + l.gameRows) topGame_ = selectedGame_ - l.gameRows + 1;
    topGame_ = std::clamp(topGame_, 0, std::max(0, static_cast<int>(games_.size()) - l.gameRows));
    for (int i = 0; i < l.gameRows && topGame_ + i < static_cast<int>(games_.size()); ++i) {
      const int index = topGame_ + i;
      CanvasRect r = inside;
      r.top += i * l.line;
      r.bottom += i * l.line;
      row(r, games_[index].name, index == selectedGame_, true);
    }
  }

  void drawName() {
    const CanvasRect& f = layout_.name;
    const int32_t x = f.left + 3, y = f.top + 2;
    label(x, y, name_, connected() ? kDark : kShadow, f.width() - 6);
    const bool caretOn = focus_ == kName && (monotonicMillis() / kBlinkMs) % 2 == 0;
    if (caretOn) {
      const int32_t caretX = x + font_->stringWidth(std::string_view(name_).substr(0, caret_));
      if (caretX < f.right - 2) fill(rectAt(caretX, y, 1, font_->height()), kDark);
    }
  }

  void drawDropList() {
    const CanvasRect list = dropList();
    canvas_.setViewport(0, 0, canvas_.width(), canvas_.height());
    fill(list, kField);
    frameOf(list, kDark);
    for (size_t i = 0; i < connections_.size(); ++i) {
      CanvasRect r = rectAt(list.left + 1, list.top + static_cast<int32_t>(i) * layout_.line, list.width() - 2,
                            layout_.line);
      row(r, connections_[i], static_cast<int>(i) == connection_, true);
    }
  }

  void row(const CanvasRect& r, const std::string& text, bool selected, bool active) {
    if (selected) fill(r, kSelection);
    label(r.left + 3, r.top + 2, text, selected ? kLight : active ? kDark : kShadow, r.width() - 6 - layout_.line);
  }

  void field(const CanvasRect& r, bool active, bool focused) {
    fill(r, active ? kField : kFace);
    sunken(r);
    if (focused) frameOf(rectAt(r.left + 1, r.top + 1, r.width() - 2, r.height() - 2), kShadow);
  }

  void button(const CanvasRect& r, const char* text, bool active, bool focused) {
    fill(r, kFace);
    raised(r);
    if (focused) frameOf(rectAt(r.left + 3, r.top + 3, r.width() - 6, r.height() - 6), kDark);
    const int32_t x = r.left + std::max(3, (r.width() - font_->stringWidth(text)) / 2);
    label(x, r.top + (r.height() - font_->height()) / 2, text, active ? kDark : kShadow, r.width() - 6);
  }

  // Text cut to what fits in width pixels.
  void label(int32_t x, int32_t y, const std::string& text, uint32_t color, int32_t width) {
    std::string_view shown = text;
    while (!shown.empty() && font_->stringWidth(shown) > width) shown.remove_suffix(1);
    canvas_.setColor(color);
    canvas_.text(x, y, shown);
  }

  void fill(const CanvasRect& r, uint32_t color) {
    canvas_.setColor(color);
    canvas_.rect(r.left, r.top, r.width(), r.height(), true);
  }

  void frameOf(const CanvasRect& r, uint32_t color) {
    canvas_.setColor(color);
    canvas_.rect(r.left, r.top, r.width(), r.height(), false);
  }

  void edges(const CanvasRect& r, uint32_t topLeft, uint32_t bottomRight) {
    canvas_.setColor(topLeft);
    canvas_.line(r.left, r.top, r.right - 1, r.top);
    canvas_.line(r.left, r.top, r.left, r.bottom - 1);
    canvas_.setColor(bottomRight);
    canvas_.line(r.left, r.bottom - 1, r.right - 1, r.bottom - 1);
    canvas_.line(r.right - 1, r.top, r.right - 1, r.bottom - 1);
  }
  void raised(const CanvasRect& r) { edges(r, kLight, kDark); }
  void sunken(const CanvasRect& r) { edges(r, kShadow, kLight); }

  PlatformRuntime& platform_;
  GraphicsDevice& device_;
  InputSystem& input_;
  Canvas& canvas_;
  Font* font_;
  Layout layout_;

  std::vector<std::string> connections_;
  int connection_ = 0;
  bool dropped_ = false;
  int focus_ = kConnection;

  std::vector<NetSessionInfo> games_;
  int selectedGame_ = -1;
  int topGame_ = 0;
  int lastClickRow_ = -1;
  uint32_t lastClickMs_ = 0;
  uint32_t nextSearchMs_ = 0;
  std::future<std::vector<NetSessionInfo>> search_;

  std::string name_;
  size_t caret_ = 0;

  StartGameChoice choice_;
  bool cancelled_ = false;
};

}  // namespace

StartGameChoice runStartGameDialog() {
  PlatformRuntime* platform = PlatformRuntime::current();
  GraphicsDevice* device = graphics().device;
  if (!platform || !device) return {};
  InputSystem* input = platform->input() ? platform->input() : platform->openInput();
  if (!input) return {};
  if (SDL_Window* window = platform->window()) SDL_RaiseWindow(window);
  return StartGameDialog(*platform, *device, *input).run();
}

}  // namespace vx
