#include "world3d/x_parser.h"

#include <zlib.h>

#include <array>
#include <cmath>
#include <cstring>

namespace vx {

namespace {

using namespace x_text;

constexpr size_t kHeaderSize = 16;
// Objects nested deeper are skipped: objects are read recursively.
constexpr int kDeepestObject = 400;
// Compressed files never inflate past this, whatever their blocks claim.
constexpr size_t kLargestInflated = 256u << 20;
constexpr size_t kInflateWindow = 32768;

constexpr std::string_view kStandardTemplates[] = {
    "Animation", "AnimationKey", "AnimationOptions", "AnimationSet", "AnimTicksPerSecond", "Boolean", "Boolean2d",
    "ColorRGB", "ColorRGBA", "CompressedAnimationSet", "Coords2d", "DeclData", "EffectDWord", "EffectFloats",
    "EffectInstance", "EffectParamDWord", "EffectParamFloats", "EffectParamString", "EffectString", "FaceAdjacency",
    "FloatKeys", "Frame", "FrameTransformMatrix", "FVFData", "Guid", "Header", "IndexedColor", "Material",
    "MaterialWrap", "Matrix4x4", "Mesh", "MeshFace", "MeshFaceWraps", "MeshMaterialList", "MeshNormals",
    "MeshTextureCoords", "MeshVertexColors", "Patch", "PatchMesh", "PatchMesh9", "PMAttributeRange", "PMInfo",
    "PMVSplitRecord", "SkinWeights", "StringProperty", "PropertyBag", "TextureFilename", "TimedFloatKeys", "Vector",
    "VertexDuplicationIndices", "VertexElement", "XSkinMeshHeader",
};

enum class Token { kEnd, kName, kString, kNumber, kOpenBrace, kCloseBrace, kGuid, kTemplate, kOther };

// Text tokens. Separators and comments are passed over; a number is read
// with the numbers and separators after it as one run, whose values are not
// worked out here.
class TextLexer {
 public:
  TextLexer(const uint8_t* data, const uint8_t* end) : p_(data), end_(end) {}

  Token next(std::string& text, XNumbers* run) {
    p_ = skipSeparators(p_, end_);
    if (p_ == end_) return Token::kEnd;
    const uint8_t c = *p_;
    if (c == '{') return ++p_, Token::kOpenBrace;
    if (c == '}') return ++p_, Token::kCloseBrace;
    if (c == '"') {
      const void* close = std::memchr(p_ + 1, '"', end_ - p_ - 1);
      if (!close) return p_ = end_, Token::kEnd;
      const auto* stop = static_cast<const uint8_t*>(close);
      text.assign(reinterpret_cast<const char*>(p_ + 1), stop - p_ - 1);
      p_ = stop + 1;
      return Token::kString;
    }
    if (c == '<') {
      const void* close = std::memchr(p_, '>', end_ - p_);
      p_ = close ? static_cast<const uint8_t*>(close) + 1 : end_;
      return Token::kGuid;
    }
    if (startsNumber(c)) {
      const uint8_t* start = p_;
      uint32_t count;
      p_ = scanNumberRun(p_, end_, count);
      if (run) *run = {start, p_, count, XNumbers::kText};
      return Token::kNumber;
    }
    if (isNameChar(c)) {
      const uint8_t* start = p_;
      while (p_ != end_ && (isNameChar(*p_) || (*p_ >= '0' && *p_ <= '9') || *p_ == '-' || *p_ == '.')) ++p_;
      text.assign(reinterpret_cast<const char*>(start), p_ - start);
      return text == "template" ? Token::kTemplate : Token::kName;
    }
    ++p_;
    return Token::kOther;
  }

 private:
  static bool isNameChar(uint8_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80;
  }

  const uint8_t* p_;
  const uint8_t* end_;
};

// Binary tokens: 16-bit codes, some followed by their data. A number or
// list of numbers is one run, read where it lies.
class BinaryLexer {
 public:
  BinaryLexer(const uint8_t* data, const uint8_t* end, bool doubles) : p_(data), end_(end), doubles_(doubles) {}

  Token next(std::string& text, XNumbers* run) {
    uint16_t code;
    if (!read(code, 2)) return Token::kEnd;
    uint32_t count;
    switch (code) {
      case kNameCode:
      case kStringCode:
        if (!read(count, 4) || count > remaining()) return end();
        text.assign(reinterpret_cast<const char*>(p_), count);
        p_ += count;
        if (code == kNameCode) return text == "template" ? Token::kTemplate : Token::kName;
        // A string is ended by a separator's code.
        if (remaining() >= 2) p_ += 2;
        return Token::kString;
      case kIntegerCode:
        if (remaining() < 4) return end();
        if (run) *run = {p_, p_ + 4, 1, XNumbers::kIntegers};
        p_ += 4;
        return Token::kNumber;
      case kGuidCode:
        return remaining() < 16 ? end() : (p_ += 16, Token::kGuid);
      case kIntegerListCode:
      case kFloatListCode: {
        const size_t size = code == kIntegerListCode || !doubles_ ? 4 : 8;
        if (!read(count, 4) || count > remaining() / size) return end();
        const XNumbers::Form form =
            code == kIntegerListCode ? XNumbers::kIntegers : doubles_ ? XNumbers::kDoubles : XNumbers::kFloats;
        if (run) *run = {p_, p_ + size * count, count, form};
        p_ += size * count;
        return Token::kNumber;
      }
      case kOpenBraceCode:
        return Token::kOpenBrace;
      case kCloseBraceCode:
        return Token::kCloseBrace;
      case kTemplateCode:
        return Token::kTemplate;
      default:
        return Token::kOther;
    }
  }

 private:
  enum Code : uint16_t {
    kNameCode = 1,
    kStringCode = 2,
    kIntegerCode = 3,
    kGuidCode = 5,
    kIntegerListCode = 6,
    kFloatListCode = 7,
    kOpenBraceCode = 10,
    kCloseBraceCode = 11,
    kTemplateCode = 31,
  };

  size_t remaining() const { return static_cast<size_t>(end_ - p_); }
  Token end() {
    p_ = end_;
    return Token::kEnd;
  }
  template <typename Value>
  bool read(Value& value, size_t size) {
    if (remaining() < size) return false;
    std::memcpy(&value, p_, size);
    p_ += size;
    return true;
  }

  const uint8_t* p_;
  const uint8_t* end_;
  bool doubles_;
};

template <typename Lexer>
class Parser {
 public:
  Parser(Lexer lexer, XFile& file) : lexer_(lexer), file_(file) {}

  void parse() {
    for (;;) {
      const Token token = lexer_.next(text_, nullptr);
      if (token == Token::kEnd) return;
      if (token == Token::kTemplate) {
        declareTemplate();
      } else if (token == Token::kName) {
        std::string type = text_;
        parseObject(std::move(type), file_.objects, 0);
      }
    }
  }

 private:
  // "template Name { <GUID> members }": only its name is kept.
  void declareTemplate() {
    if (lexer_.next(text_, nullptr) != Token::kName) return;
    file_.declaredTemplates.insert(text_);
    if (lexer_.next(text_, nullptr) == Token::kOpenBrace) skipBlock();
  }

  // Passes the rest of a block whose opening brace was read.
  void skipBlock() {
    for (int open = 1; open > 0;) {
      const Token token = lexer_.next(text_, nullptr);
      if (token == Token::kEnd) return;
      open += token == Token::kOpenBrace ? 1 : token == Token::kCloseBrace ? -1 : 0;
    }
  }

  bool known(std::string_view type) const {
    for (std::string_view standard : kStandardTemplates)
      if (standard == type) return true;
    return file_.declaredTemplates.contains(type);
  }

  // "Type [Name] [<GUID>] { content }", its type read; the object is added
  // to into when its template is known.
  void parseObject(std::string type, std::vector<XObject>& into, int depth) {
    XObject object;
    object.type = std::move(type);
    Token token = lexer_.next(text_, nullptr);
    if (token == Token::kName) {
      object.name = text_;
      token = lexer_.next(text_, nullptr);
    }
    if (token == Token::kGuid) token = lexer_.next(text_, nullptr);
    if (token != Token::kOpenBrace) return;
    const bool keep = known(object.type) && depth < kDeepestObject;
    if (!keep) return skipBlock();
    for (;;) {
      XNumbers run;
      token = lexer_.next(text_, &run);
      if (token == Token::kEnd || token == Token::kCloseBrace) break;
      if (token == Token::kNumber) {
        object.numbers.push_back(run);
        object.numberCount += run.count;
      } else if (token == Token::kString) {
        object.strings.push_back(text_);
      } else if (token == Token::kName) {
        std::string childType = text_;
        parseObject(std::move(childType), object.children, depth + 1);
      } else if (token == Token::kOpenBrace) {
        parseReference(object.children);
      }
    }
    into.push_back(std::move(object));
  }

  // "{ Name [<GUID>] }" or "{ <GUID> }", the brace read; anything else in
  // braces is passed over.
  void parseReference(std::vector<XObject>& into) {
    XObject reference;
    reference.reference = true;
    Token token = lexer_.next(text_, nullptr);
    if (token == Token::kName) {
      reference.name = text_;
      token = lexer_.next(text_, nullptr);
    }
    if (token == Token::kGuid) token = lexer_.next(text_, nullptr);
    if (token == Token::kCloseBrace) {
      if (!reference.name.empty()) into.push_back(std::move(reference));
    } else if (token == Token::kOpenBrace) {
      skipBlock();
      skipBlock();
    } else if (token != Token::kEnd) {
      skipBlock();
    }
  }

  Lexer lexer_;
  XFile& file_;
  std::string text_;
};

// The body of a compressed file: after the size it will have, blocks of an
// inflated size (16-bit), a stored size (16-bit) and that many bytes: "CK"
// and raw deflate data, which may refer back into the blocks before. False
// when no block inflates.
bool inflateBlocks(const uint8_t* data, const uint8_t* end, std::vector<uint8_t>& out) {
  if (end - data < 4) return false;
  data += 4;  // the total size, only a hint
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
  bool any = false;
  while (end - data >= 4 && out.size() < kLargestInflated) {
    uint16_t inflated, stored;
    std::memcpy(&inflated, data, 2);
    std::memcpy(&stored, data + 2, 2);
    data += 4;
    if (stored < 2 || stored > end - data || data[0] != 'C' || data[1] != 'K') break;
    inflateReset(&stream);
    const size_t history = std::min(out.size(), kInflateWindow);
    if (history) inflateSetDictionary(&stream, out.data() + out.size() - history, static_cast<uInt>(history));
    const size_t start = out.size();
    out.resize(start + inflated);
    stream.next_in = const_cast<uint8_t*>(data + 2);
    stream.avail_in = stored - 2u;
    stream.next_out = out.data() + start;
    stream.avail_out = inflated;
    const int result = inflate(&stream, Z_FINISH);
    out.resize(start + (inflated - stream.avail_out));
    data += stored;
    if (result != Z_STREAM_END && result != Z_BUF_ERROR && result != Z_OK) break;
    any = true;
  }
  inflateEnd(&stream);
  return any;
}

}  // namespace

const XObject* XFile::find(std::string_view name) const {
  // Breadth first over the tree, by an explicit list: files nest deeply.
  std::vector<const std::vector<XObject>*> lists{&objects};
  for (size_t n = 0; n < lists.size(); ++n)
    for (const XObject& object : *lists[n]) {
      if (!object.reference && object.name == name) return &object;
      if (!object.children.empty()) lists.push_back(&object.children);
    }
  return nullptr;
}

const XObject* XFile::resolve(const XObject& object) const {
  return object.reference ? find(object.name) : &object;
}

bool parseXFile(const uint8_t* data, size_t size, XFile& file) {
  if (size < kHeaderSize || std::memcmp(data, "xof ", 4) != 0) return false;
  const std::string_view format(reinterpret_cast<const char*>(data) + 8, 4);
  const std::string_view floats(reinterpret_cast<const char*>(data) + 12, 4);
  if (floats != "0032" && floats != "0064") return false;
  const bool doubles = floats == "0064";
  const uint8_t* body = data + kHeaderSize;
  const uint8_t* end = data + size;
  if (format == "txt ") {
    Parser<TextLexer>(TextLexer(body, end), file).parse();
  } else if (format == "bin ") {
    Parser<BinaryLexer>(BinaryLexer(body, end, doubles), file).parse();
  } else if (format == "tzip" || format == "bzip") {
    if (!inflateBlocks(body, end, file.inflated)) return false;
    const uint8_t* first = file.inflated.data();
    const uint8_t* last = first + file.inflated.size();
    if (format == "tzip")
      Parser<TextLexer>(TextLexer(first, last), file).parse();
    else
      Parser<BinaryLexer>(BinaryLexer(first, last, doubles), file).parse();
  } else {
    return false;
  }
  return true;
}

}  // namespace vx
