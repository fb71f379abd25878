#pragma once
// Fonts: a face found by fontconfig (or read from a font file), rendered
// once with FreeType, monochrome, into a glyph sheet canvas holding every
// character white on black. Text is then drawn with plain canvas blits:
// the string is composed on a line canvas in the text colour with the
// glyphs cut out of it, and the line is blitted onto the target with black
// transparent.
//
// Characters are the bytes 32 to 255 in the Windows Western code page; any
// other byte is drawn and measured as the default character.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/canvas.h"

namespace vx {

class GraphicsDevice;

enum FontFlags : int32_t { kFontBold = 1, kFontItalic = 2, kFontUnderline = 4 };

class Font final : public CanvasFont {
 public:
  static constexpr int kFirstChar = 32;
  static constexpr int kLastChar = 255;
  static constexpr int kDefaultChar = 127;

  // A font of that face name, or of the font file when the name contains
  // a '.'; height is the height of a line in pixels. Null when no face can
  // be found or rendered. The sheet and line canvases are the device's.
  static std::unique_ptr<Font> load(GraphicsDevice& device, const std::string& name, int height, int32_t flags);
  ~Font() override;

  int32_t height() const override { return height_; }
  int32_t width() const { return maxWidth_; }
  int32_t advance(uint8_t character) const override { return cells_[glyphIndex(character)].width; }
  int32_t stringWidth(std::string_view text) const;
  // Whether the character is one of the font's own.
  static bool has(uint8_t character) { return character >= kFirstChar && character <= kLastChar; }
  void render(Canvas& target, int32_t x, int32_t y, std::string_view text, uint32_t argb) override;

  Canvas& sheet() const { return *sheet_; }

 private:
  struct Cell {
    int32_t x = 0, y = 0, width = 0;
  };
  explicit Font(GraphicsDevice& device) : device_(device) {}
  static int glyphIndex(uint8_t c) { return (has(c) ? c : kDefaultChar) - kFirstChar; }

  GraphicsDevice& device_;
  Canvas* sheet_ = nullptr;
  Canvas* line_ = nullptr;
  int32_t height_ = 0;
  int32_t maxWidth_ = 0;
  Cell cells_[kLastChar - kFirstChar + 1];
};

}  // namespace vx
