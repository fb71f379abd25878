#include "platform/font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/file_system.h"
#include "platform/graphics_device.h"

namespace vx {

namespace {

// The characters 128 to 159 of the Windows Western code page; the rest of
// 32..255 are the same code points in Unicode.
constexpr uint16_t kWesternHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

uint32_t codePointOf(int c) { return c >= 128 && c < 160 ? kWesternHigh[c - 128] : uint32_t(c); }

FT_Library library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    return FT_Init_FreeType(&l) == 0 ? l : nullptr;
  }();
  return lib;
}

struct FaceFile {
  std::string path;
  int index = 0;
};

// The file of the face fontconfig matches best to the name and style.
bool matchFace(const std::string& name, bool bold, bool italic, FaceFile& found) {
  if (!FcInit()) return false;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  FcChar8* file = nullptr;
  int index = 0;
  const bool ok = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
  FcPatternGetInteger(match, FC_INDEX, 0, &index);
  if (ok) found = {reinterpret_cast<const char*>(file), index};
  FcPatternDestroy(match);
  return ok;
}

struct Face {
  FT_Face face = nullptr;
  ~Face() {
    if (face) FT_Done_Face(face);
  }
};

// A rendered glyph: its monochrome bitmap, where it starts relative to the
// pen, and how far the pen moves.
struct Glyph {
  int left = 0, top = 0, width = 0, rows = 0, advance = 0;
  std::vector<uint8_t> bits;  // one byte a pixel, 1 for ink
};

bool renderGlyph(FT_Face face, uint32_t codePoint, bool bold, bool italic, Glyph& g) {
  const FT_UInt index = FT_Get_Char_Index(face, codePoint);
  if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO) != 0) return false;
  FT_GlyphSlot slot = face->glyph;
  if (italic && !(face->style_flags & FT_STYLE_FLAG_ITALIC)) FT_GlyphSlot_Oblique(slot);
  if (bold && !(face->style_flags & FT_STYLE_FLAG_BOLD)) FT_GlyphSlot_Embolden(slot);
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return false;
  const FT_Bitmap& b = slot->bitmap;
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  g.width = int(b.width);
  g.rows = int(b.rows);
  g.advance = int((slot->advance.x + 32) >> 6);
  g.bits.assign(size_t(g.width) * g.rows, 0);
  for (int y = 0; y < g.rows; ++y) {
    const uint8_t* row = b.buffer + y * b.pitch;
    for (int x = 0; x < g.width; ++x)
      if (b.pixel_mode == FT_PIXEL_MODE_MONO ? (row[x >> 3] >> (7 - (x & 7))) & 1 : row[x] >= 128)
        g.bits[size_t(y) * g.width + x] = 1;
  }
  return true;
}

}  // namespace

std::unique_ptr<Font> Font::load(GraphicsDevice& device, const std::string& name, int height, int32_t flags) {
  const bool bold = flags & kFontBold, italic = flags & kFontItalic, underline = flags & kFontUnderline;
  if (height <= 0 || height > 2048 || !library()) return nullptr;
  // A name with a '.' is a font file, read as it is.
  FaceFile file;
  if (name.find('.') != std::string::npos)
    file.path = nativePath(name);
  else if (!matchFace(name, bold, italic, file))
    return nullptr;
  Face face;
  if (FT_New_Face(library(), file.path.c_str(), file.index, &face.face) != 0) return nullptr;
  FT_Select_Charmap(face.face, FT_ENCODING_UNICODE);
  // The height is that of a whole line, ascent and descent together.
  FT_Size_RequestRec request{FT_SIZE_REQUEST_TYPE_CELL, 0, FT_Long(height) << 6, 0, 0};
  if (FT_IS_SCALABLE(face.face) ? FT_Request_Size(face.face, &request) != 0
                                : FT_Select_Size(face.face, 0) != 0)
    return nullptr;
  const int ascent = int(std::ceil(face.face->size->metrics.ascender / 64.0));

  std::vector<Glyph> glyphs(kLastChar - kFirstChar + 1);
  for (int c = kFirstChar; c <= kLastChar; ++c)
    if (!renderGlyph(face.face, codePointOf(c), bold, italic, glyphs[c - kFirstChar])) glyphs[c - kFirstChar] = {};

  std::unique_ptr<Font> font(new Font(device));
  font->height_ = height;
  // Cells: the advance, widened by ink that reaches left of the pen or
  // right of the advance; rows wrap at the width of the mode.
  const int wrapAt = std::max(device.width(), 1);
  std::vector<int> pads(glyphs.size(), 0);
  int x = 0, y = 0, sheetWidth = 1;
  for (size_t i = 0; i < glyphs.size(); ++i) {
    const Glyph& g = glyphs[i];
    const int a = g.left, c = g.advance - (g.left + g.width);
    pads[i] = a < 0 ? -a : 0;
    const int width = std::max(g.advance + pads[i] + (c < 0 ? -c : 0), 0);
    if (x != 0 && x + width > wrapAt) {
      y += height;
      x = 0;
    }
    font->cells_[i] = {x, y, width};
    font->maxWidth_ = std::max(font->maxWidth_, width);
    x += width;
    sheetWidth = std::max(sheetWidth, x);
  }
  font->sheet_ = device.createCanvas(sheetWidth, y + height, 0);
  if (!font->sheet_) return nullptr;
  Canvas& sheet = *font->sheet_;
  const int underlineTop = ascent - int(std::lround(face.face->underline_position * face.face->size->metrics.y_scale / 65536.0 / 64.0));
  const int underlineRows =
      std::max(1, int(std::lround(face.face->underline_thickness * face.face->size->metrics.y_scale / 65536.0 / 64.0)));
  sheet.lock();
  for (size_t i = 0; i < glyphs.size(); ++i) {
    const Glyph& g = glyphs[i];
    const Cell& cell = font->cells_[i];
    const int penX = cell.x + pads[i];
    for (int gy = 0; gy < g.rows; ++gy)
      for (int gx = 0; gx < g.width; ++gx)
        if (g.bits[size_t(gy) * g.width + gx]) {
          const int px = penX + g.left + gx, py = cell.y + ascent - g.top + gy;
          if (px >= cell.x && px < cell.x + cell.width && py >= cell.y && py < cell.y + height)
            sheet.setPixelFast(px, py, 0xFFFFFFFF);
        }
    if (underline)
      for (int r = 0; r < underlineRows; ++r)
        for (int ux = cell.x; ux < cell.x + cell.width; ++ux)
          if (underlineTop + r < height) sheet.setPixelFast(ux, cell.y + underlineTop + r, 0xFFFFFFFF);
  }
  sheet.unlock();
  sheet.markModified({0, 0, sheet.width(), sheet.height()});
  sheet.setMask(0xFFFFFF);
  font->line_ = device.createCanvas(wrapAt, height, 0);
  if (!font->line_) return nullptr;
  return font;
}

Font::~Font() {
  device_.freeCanvas(line_);
  device_.freeCanvas(sheet_);
}

int32_t Font::stringWidth(std::string_view text) const {
  int64_t width = 0;
  for (char c : text) width += advance(uint8_t(c));
  return static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX));
}

void Font::render(Canvas& target, int32_t x, int32_t y, std::string_view text, uint32_t argb) {
  const int32_t width = stringWidth(text);
  if (width <= 0) return;
  if (line_->width() < width) {
    Canvas* wider = device_.createCanvas(width, height_, 0);
    if (!wider) return;
    device_.freeCanvas(line_);
    line_ = wider;
  }
  // Black is the line's mask colour: black text is drawn in the nearest
  // colour that is not.
  line_->setColor(argb);
  if ((line_->color() & 0xFFFFFF) == 0) line_->setColor(0x000010);
  line_->rect(0, 0, width, height_, true);
  int32_t pen = 0;
  for (char c : text) {
    const Cell& cell = cells_[glyphIndex(uint8_t(c))];
    line_->blit(pen, 0, *sheet_, cell.x, cell.y, cell.width, height_, false);
    pen += cell.width;
  }
  // (x, y) is already a point of the target's pixels.
  const CanvasPoint origin = target.origin();
  target.setOrigin(0, 0);
  target.blit(x, y, *line_, 0, 0, width, height_, false);
  target.setOrigin(origin.x, origin.y);
}

}  // namespace vx
