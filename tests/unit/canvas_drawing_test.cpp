// Lines, rectangles, ovals, cls and text against pictures worked out by hand,
// on every pixel size.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "canvas_test_support.h"

using vx::Canvas;
using vx::PixelFormat;
using vxtest::picture;
using vxtest::rows;

namespace {

class Drawing : public ::testing::TestWithParam<vxtest::NamedFormat> {
 protected:
  std::unique_ptr<Canvas> canvas(int w, int h) {
    auto c = vxtest::makeCanvas(w, h, GetParam().format);
    c->setColor(0xFFFFFF);
    return c;
  }
};

std::string formatName(const ::testing::TestParamInfo<vxtest::NamedFormat>& info) { return info.param.name; }

}  // namespace

INSTANTIATE_TEST_SUITE_P(Formats, Drawing, ::testing::ValuesIn(vxtest::canvasFormats()), formatName);

TEST_P(Drawing, LinesRunBresenhamIncludingBothEnds) {
  auto c = canvas(6, 5);
  c->line(0, 0, 1, 4);  // steep
  c->line(2, 0, 5, 1);  // shallow
  EXPECT_EQ(picture(*c), rows({"#.##..",
                               "#...##",
                               "#.....",
                               ".#....",
                               ".#...."}));
  const uint32_t before = c->modCount();
  c->line(5, 4, 3, 2);
  EXPECT_EQ(c->modCount(), before + 3);  // one per pixel
  c->setOrigin(1, 1);
  c->line(0, 3, 2, 3);
  EXPECT_EQ(picture(*c), rows({"#.##..",
                               "#...##",
                               "#..#..",
                               ".#..#.",
                               ".###.#"}));
}

TEST_P(Drawing, LinesAreClippedBeforeTheyAreDrawn) {
  auto c = canvas(10, 8);
  c->setViewport(2, 2, 6, 4);  // x 2..7, y 2..5
  c->line(0, 0, 9, 9);
  c->line(0, 3, 9, 3);
  EXPECT_EQ(picture(*c), rows({"..........",
                               "..........",
                               "..#.......",
                               "..######..",
                               "....#.....",
                               ".....#....",
                               "..........",
                               ".........."}));

  // The clipped ends are found by truncating interpolation and Bresenham
  // then runs between them: (0,0)-(10,3) clipped to x 3..7 becomes
  // (3,0)-(7,2), not the pixels the whole line would have there.
  auto d = canvas(10, 4);
  d->setViewport(3, 0, 5, 4);
  d->line(0, 0, 10, 3);
  EXPECT_EQ(picture(*d), rows({"...##.....",
                               ".....##...",
                               ".......#..",
                               ".........."}));
}

TEST_P(Drawing, LinesOutsideTheViewportDrawNothing) {
  auto c = canvas(10, 10);
  c->setViewport(4, 4, 4, 4);
  const uint32_t before = c->modCount();
  c->line(0, 0, 9, 0);    // above
  c->line(0, 5, 5, 0);    // passes the corner: moved ends share a side
  c->line(9, 9, 8, 20);   // below and right
  EXPECT_EQ(c->modCount(), before);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(c->getPixelFast(x, y) & 0xFFFFFF, 0u) << x << "," << y;
}

TEST_P(Drawing, LinesThatCollapseToAPointSetThatPixel) {
  auto c = canvas(4, 4);
  const uint32_t before = c->modCount();
  c->line(-5, 5, 5, -5);  // meets the canvas only at (0, 0)
  EXPECT_EQ(c->modCount(), before + 1);
  c->line(2, 3, 2, 3);
  EXPECT_EQ(picture(*c), rows({"#...",
                               "....",
                               "....",
                               "..#."}));
}

TEST_P(Drawing, OutlineRectanglesAreFourClippedStrips) {
  auto c = canvas(7, 5);
  c->rect(1, 1, 4, 3, false);
  c->rect(6, 0, 1, 5, false);  // width 1: a single column
  c->rect(0, 4, 1, 1, false);  // one pixel
  EXPECT_EQ(picture(*c), rows({"......#",
                               ".####.#",
                               ".#..#.#",
                               ".####.#",
                               "#.....#"}));

  auto d = canvas(5, 5);
  d->setViewport(0, 0, 3, 5);
  d->rect(1, 1, 4, 3, false);  // right column outside the viewport
  d->rect(2, 4, 1, 1, true);
  EXPECT_EQ(picture(*d), rows({".....",
                               ".##..",
                               ".#...",
                               ".##..",
                               "..#.."}));
}

TEST_P(Drawing, RectanglesOutsideOrEmptyDrawNothing) {
  auto c = canvas(6, 6);
  c->setViewport(1, 1, 4, 4);
  const uint32_t before = c->modCount();
  c->rect(5, 5, 3, 3, true);
  c->rect(-3, 0, 4, 1, false);
  c->rect(2, 2, -2, 2, true);
  c->rect(2, 2, 2, 0, false);
  EXPECT_EQ(c->modCount(), before);
  c->rect(0, 0, 6, 6, true);
  EXPECT_EQ(picture(*c), rows({"......",
                               ".####.",
                               ".####.",
                               ".####.",
                               ".####.",
                               "......"}));
  EXPECT_EQ(c->modCount(), before + 1);
}

TEST_P(Drawing, EmptyViewportsDrawNothing) {
  auto c = canvas(6, 6);
  c->setViewport(6, 0, 3, 3);
  EXPECT_EQ(c->viewport(), vx::CanvasRect{});
  c->setClsColor(0xFFFFFF);
  c->cls();
  c->plot(0, 0);
  c->line(0, 0, 5, 5);
  c->rect(0, 0, 6, 6, true);
  c->oval(0, 0, 6, 6, true);
  EXPECT_EQ(picture(*c), rows({"......", "......", "......", "......", "......", "......"}));
  c->setViewport(-2, 3, 5, 100);
  EXPECT_EQ(c->viewport(), (vx::CanvasRect{0, 3, 3, 6}));
}

TEST_P(Drawing, ClsFillsTheViewportWithTheClearColour) {
  auto c = canvas(5, 4);
  c->setClsColor(0x00FF00);
  c->setViewport(1, 1, 3, 2);
  c->cls();
  EXPECT_EQ(picture(*c), rows({".....",
                               ".###.",
                               ".###.",
                               "....."}));
  EXPECT_EQ(c->getPixel(2, 1), GetParam().format.toArgb(GetParam().format.toNative(0xFF00FF00)));
}

TEST_P(Drawing, PlotAddsTheOriginAndStaysInTheViewport) {
  auto c = canvas(4, 4);
  c->setOrigin(2, 1);
  c->setViewport(0, 0, 3, 3);
  c->plot(0, 0);
  c->plot(1, 0);   // x 3: outside the viewport
  c->plot(-2, 1);
  EXPECT_EQ(picture(*c), rows({"....",
                               "..#.",
                               "#...",
                               "...."}));
}

TEST_P(Drawing, SmallOvals) {
  auto c = canvas(16, 6);
  c->oval(0, 0, 4, 4, true);
  c->oval(5, 0, 5, 5, true);
  c->oval(11, 0, 1, 5, true);   // one pixel wide
  c->oval(13, 2, 1, 1, true);   // one pixel
  c->oval(14, 0, 2, 6, true);
  EXPECT_EQ(picture(*c), rows({".##...###..#..##",
                               "####.#####.#..##",
                               "####.#####.#.###",
                               ".##..#####.#..##",
                               "......###..#..##",
                               "..............##"}));
}

TEST_P(Drawing, OvalOutlinesJoinEachRowToTheOneBefore) {
  auto c = canvas(23, 5);
  c->oval(0, 0, 4, 4, false);
  c->oval(5, 0, 5, 5, false);
  c->oval(11, 0, 10, 4, false);
  c->oval(22, 0, 1, 5, false);
  EXPECT_EQ(picture(*c), rows({".##...###....######...#",
                               "#..#.#...#.##......##.#",
                               "#..#.#...#.##......##.#",
                               ".##..#...#...######...#",
                               "......###.............#"}));
}

TEST_P(Drawing, ClippedOvalOutlinesKeepTheRowsTheyWouldHave) {
  // The rows left out above and below still give the rows inside their
  // edges, so the clipped outline is the inside of the whole one.
  auto c = canvas(10, 4);
  c->setViewport(0, 1, 10, 2);
  c->oval(0, 0, 10, 4, false);
  EXPECT_EQ(picture(*c), rows({"..........",
                               "##......##",
                               "##......##",
                               ".........."}));
  auto d = canvas(10, 4);
  d->setViewport(3, 0, 4, 4);
  d->oval(0, 0, 10, 4, false);
  EXPECT_EQ(picture(*d), rows({"...####...",
                               "..........",
                               "..........",
                               "...####..."}));
}

TEST_P(Drawing, OvalsOutsideTheViewportDrawNothing) {
  auto c = canvas(8, 8);
  c->setViewport(0, 0, 4, 4);
  const uint32_t before = c->modCount();
  c->oval(4, 0, 4, 4, true);
  c->oval(0, 4, 4, 4, false);
  c->oval(0, 0, 0, 4, true);
  c->oval(0, 0, 4, -4, false);
  EXPECT_EQ(c->modCount(), before);
  // Huge ovals are only walked over their visible rows.
  c->oval(-1000000000, -1000000000, 2000000000, 2000000000, false);
  c->oval(-1000000000, -1000000000, 2000000000, 2000000000, true);
  EXPECT_EQ(picture(*c), rows({"####....", "####....", "####....", "####....",
                               "........", "........", "........", "........"}));
}

TEST_P(Drawing, FillsCoverExactlyTheirPixelsAtEveryAlignment) {
  // Fills go 16 or 32 bytes at a time in the middle of a row: every start
  // and length must write exactly its pixels.
  const PixelFormat& f = GetParam().format;
  const uint32_t black = f.toArgb(f.toNative(0xFF000000));
  auto c = canvas(224, 3);
  std::vector<int> widths;
  for (int w = 0; w < 62; ++w) widths.push_back(w);
  for (int w = 120; w <= 206; ++w) widths.push_back(w);  // long runs go 32 bytes a store
  for (int left = 0; left < 18; ++left) {
    for (int width : widths) {
      c->setClsColor(0);
      c->cls();
      c->setColor(0x123456);
      c->rect(left, 1, width, 1, true);
      for (int x = 0; x < 224; ++x) {
        const uint32_t expected = (x >= left && x < left + width) ? f.toArgb(f.toNative(0xFF123456)) : black;
        ASSERT_EQ(c->getPixelFast(x, 1), expected) << "left " << left << " width " << width << " x " << x;
        ASSERT_EQ(c->getPixelFast(x, 0), black);
        ASSERT_EQ(c->getPixelFast(x, 2), black);
      }
    }
  }
}

namespace {

// Every character 8 pixels wide and 12 high; remembers what it drew.
class FixedFont : public vx::CanvasFont {
 public:
  int32_t height() const override { return 12; }
  int32_t advance(uint8_t) const override { return 8; }
  void render(Canvas&, int32_t x, int32_t y, std::string_view characters, uint32_t argb) override {
    calls.push_back({x, y, std::string(characters), argb});
  }
  struct Call {
    int32_t x, y;
    std::string text;
    uint32_t argb;
  };
  std::vector<Call> calls;
};

}  // namespace

TEST(CanvasText, OnlyTheCharactersThatReachTheViewportAreRendered) {
  auto c = vxtest::makeCanvas(100, 100);
  FixedFont font;
  c->setFont(&font);
  c->setColor(0x00102030);
  c->setViewport(20, 10, 20, 50);  // x 20..39, y 10..59

  c->text(0, 10, "ABCDEFGH");  // A and B end at or left of x 20
  ASSERT_EQ(font.calls.size(), 1u);
  EXPECT_EQ(font.calls[0].x, 16);
  EXPECT_EQ(font.calls[0].y, 10);
  EXPECT_EQ(font.calls[0].text, "CDE");  // F would start at x 40
  EXPECT_EQ(font.calls[0].argb, 0xFF102030u);

  font.calls.clear();
  c->text(0, 60, "ABCDEFGH");   // at the bottom
  c->text(0, -2, "ABCDEFGH");   // ends at the top
  c->text(40, 20, "ABCDEFGH");  // starts at the right
  c->text(0, 20, "AB");         // all left of the viewport
  EXPECT_TRUE(font.calls.empty());

  c->setOrigin(5, 0);
  c->text(30, -1, "XYZ");
  ASSERT_EQ(font.calls.size(), 1u);
  EXPECT_EQ(font.calls[0].x, 35);
  EXPECT_EQ(font.calls[0].text, "X");
}
