// The Qt canvas on the offscreen platform: measuring and painting agree to
// the pixel, fills and lines cover half-open pixel ranges, clips hold.

#include "platform/LTColors.h"
#include "platform/qt/LTQtCanvas.h"

#include <QImage>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lectern {
namespace {

TLTCanvasFont MakeFont(const char16_t* name, int height, TFontStyles style = {}, int width = 0) {
  TLTCanvasFont f;
  f.Name = name;
  f.Height = height;
  f.Style = style;
  f.Width = width;
  f.Color = clBlack;
  return f;
}

struct QtCanvas : ::testing::Test {
  QtCanvas() : image(MakeImage()), canvas(image) {}
  static QImage MakeImage() {
    EnsureQtGuiApplication();
    QImage img(400, 80, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
  }
  bool IsDark(int x, int y) const { return qGray(image.pixel(x, y)) < 160; }
  bool IsWhite(int x, int y) const { return image.pixel(x, y) == qRgb(255, 255, 255); }
  // Columns that hold at least one dark pixel.
  std::vector<int> DarkColumns() const {
    std::vector<int> cols;
    for (int x = 0; x < image.width(); ++x)
      for (int y = 0; y < image.height(); ++y)
        if (IsDark(x, y)) {
          cols.push_back(x);
          break;
        }
    return cols;
  }
  // First column of every run of dark columns.
  std::vector<int> InkStarts() const {
    std::vector<int> starts;
    int previous = -2;
    for (int x : DarkColumns()) {
      if (x != previous + 1) starts.push_back(x);
      previous = x;
    }
    return starts;
  }
  int Count(QRgb rgb) const {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == rgb;
    return n;
  }
  QImage image;
  TLTQtCanvas canvas;
};

struct RunCase {
  const char16_t* Face;
  int Height;
  TFontStyles Style;
  int Width;
  int Extra;
};

const RunCase kRunCases[] = {
    {u"Arial", -13, {}, 0, 0},           {u"Arial", -20, {fsBold}, 0, 0},     {u"Arial", -31, {}, 0, 3},
    {u"Times New Roman", -17, {}, 0, 1}, {u"Courier New", -15, {}, 0, 0},     {u"Arial", -16, {}, 4, 0},
    {u"Arial", -16, {}, 14, 2},          {u"Liberation Serif", 24, {}, 0, 0},
};

const char16_t* const kRunTexts[] = {u"Hello World", u"Minimum 2024", u"e\u0301te\u0301 na\u0308ive",
                                     u"\u0391\u03b8\u03ae\u03bd\u03b1 \u041c\u0438\u0440"};

// ---- Measuring ---------------------------------------------------------------------------

TEST_F(QtCanvas, ExtentIsTheLastPartialExtent) {
  std::vector<int> p;
  for (const RunCase& rc : kRunCases)
    for (const char16_t* text : kRunTexts) {
      canvas.SetFont(MakeFont(rc.Face, rc.Height, rc.Style, rc.Width));
      canvas.SetCharacterExtra(rc.Extra);
      canvas.PartialExtents(text, p);
      ASSERT_EQ(p.size(), std::u16string_view(text).size());
      EXPECT_EQ(canvas.TextWidth(text), p.back()) << std::u16string_view(text).size();
      for (size_t i = 1; i < p.size(); ++i) EXPECT_GE(p[i], p[i - 1]);
      EXPECT_EQ(canvas.TextExtent(text).Height, canvas.TextMetrics().Height);
    }
}

TEST_F(QtCanvas, TableAndLayoutMeasureTheSamePrefix) {
  // "Hello" is measured from the per-character table; with a combining mark
  // appended the run goes through a text layout. The prefix must not move.
  std::vector<int> table, layout;
  for (const RunCase& rc : kRunCases) {
    canvas.SetFont(MakeFont(rc.Face, rc.Height, rc.Style, rc.Width));
    canvas.SetCharacterExtra(rc.Extra);
    canvas.PartialExtents(u"Hello, world", table);
    canvas.PartialExtents(u"Hello, world\u0301", layout);
    ASSERT_EQ(layout.size(), table.size() + 1);
    for (size_t i = 0; i + 1 < table.size(); ++i) EXPECT_EQ(table[i], layout[i]) << i;
  }
}

TEST_F(QtCanvas, PartialExtentsKeepClustersWhole) {
  canvas.SetFont(MakeFont(u"Arial", -20));
  std::vector<int> p;
  canvas.PartialExtents(u"e\u0301x", p);
  ASSERT_EQ(p.size(), 3u);
  EXPECT_GT(p[0], 0);
  EXPECT_EQ(p[0], p[1]);
  EXPECT_GT(p[2], p[1]);
  canvas.PartialExtents(u"a\U0001F600b", p);
  ASSERT_EQ(p.size(), 4u);
  EXPECT_EQ(p[1], p[2]);
  canvas.SetCharacterExtra(5);
  canvas.PartialExtents(u"\U0001F469\u200D\U0001F467", p);  // one cluster, one extra
  ASSERT_EQ(p.size(), 5u);
  for (int v : p) EXPECT_EQ(v, p.back());
  canvas.PartialExtents(u"", p);
  EXPECT_TRUE(p.empty());
}

TEST_F(QtCanvas, CharacterExtraIsAddedOncePerCluster) {
  canvas.SetFont(MakeFont(u"Arial", -13));
  const int plain = canvas.TextWidth(u"abc\u0301");
  canvas.SetCharacterExtra(4);
  EXPECT_EQ(canvas.TextWidth(u"abc\u0301"), plain + 12);
}

TEST_F(QtCanvas, RightToLeftRunMeasuresItsLogicalAdvances) {
  canvas.SetFont(MakeFont(u"Arial", -16));
  canvas.SetReadingOrder(TLTReadingOrder::RightToLeft);
  const std::u16string_view hebrew = u"\u05e9\u05dc\u05d5\u05dd";
  std::vector<int> p;
  canvas.PartialExtents(hebrew, p);
  ASSERT_EQ(p.size(), 4u);
  for (size_t i = 1; i < p.size(); ++i) EXPECT_GT(p[i], p[i - 1]);
  EXPECT_EQ(canvas.TextWidth(hebrew), p.back());
}

TEST_F(QtCanvas, HeightsInPixelsCellsAndDefault) {
  canvas.SetFont(MakeFont(u"Arial", -13));
  const TLTTextMetrics m13 = canvas.TextMetrics();
  EXPECT_EQ(m13.Height, m13.Ascent + m13.Descent);
  EXPECT_GE(m13.Height, 13);
  EXPECT_EQ(m13.InternalLeading, m13.Height - 13);
  canvas.SetFont(MakeFont(u"Arial", 0));
  EXPECT_EQ(canvas.TextMetrics().Height, m13.Height);
  canvas.SetFont(MakeFont(u"Arial", 40));
  EXPECT_NEAR(canvas.TextMetrics().Height, 40, 1);
  canvas.SetFont(MakeFont(u"Arial", INT32_MIN));  // clamped, not overflowed
  EXPECT_GT(canvas.TextMetrics().Height, 0);
}

TEST_F(QtCanvas, WidthScalesTheFaceHorizontally) {
  canvas.SetFont(MakeFont(u"Arial", -20));
  const int natural = canvas.TextWidth(u"Scaling the face");
  const int average = canvas.TextMetrics().AveCharWidth;
  const int height = canvas.TextMetrics().Height;
  canvas.SetFont(MakeFont(u"Arial", -20, {}, 2 * average));
  EXPECT_EQ(canvas.TextMetrics().AveCharWidth, 2 * average);
  // The average is itself rounded, so the scale is 2 give or take 1/average.
  EXPECT_NEAR(canvas.TextWidth(u"Scaling the face"), 2 * natural, 2 * natural / average + 1);
  EXPECT_EQ(canvas.TextMetrics().Height, height);
}

TEST_F(QtCanvas, OutlineMeasuresComeFromTheFace) {
  canvas.SetFont(MakeFont(u"Arial", -100));
  TLTOutlineMetrics m;
  ASSERT_TRUE(canvas.OutlineMetrics(m));
  EXPECT_LT(m.UnderscorePosition, 0);
  EXPECT_GE(m.UnderscoreSize, 1);
  EXPECT_GT(m.StrikeoutPosition, 10);
  EXPECT_LT(m.StrikeoutPosition, 50);
  EXPECT_GT(m.SubscriptSizeY, 40);
  EXPECT_LT(m.SubscriptSizeY, 100);
  EXPECT_GT(m.SubscriptOffsetY, 0);  // downwards
  EXPECT_GT(m.SuperscriptOffsetY, 0);
}

// ---- Painting text ---------------------------------------------------------------------

TEST_F(QtCanvas, PaintedRunStaysInsideItsMeasuredExtent) {
  const int x = 20, y = 10;
  for (const RunCase& rc : kRunCases)
    for (const char16_t* text : kRunTexts) {
      image.fill(Qt::white);
      canvas.SetFont(MakeFont(rc.Face, rc.Height, rc.Style, rc.Width));
      canvas.SetCharacterExtra(rc.Extra);
      canvas.SetBrushStyle(bsClear);
      const int width = canvas.TextWidth(text);
      canvas.TextOut(x, y, text);
      const std::vector<int> cols = DarkColumns();
      ASSERT_FALSE(cols.empty());
      EXPECT_GE(cols.front(), x);
      // A scaled face has fractional advances and the run is their rounded
      // sum, so the last glyph's antialiased edge may reach one column on.
      const int bleed = rc.Width ? 1 : 0;
      EXPECT_LT(cols.back(), x + width + bleed) << "height " << rc.Height << " width " << rc.Width;
      // The ink reaches both ends: a painter that ignored the scale or the
      // extra would fall short or run over.
      EXPECT_LE(cols.front(), x + 4);
      EXPECT_GE(cols.back(), x + width - rc.Extra - 5);
    }
}

TEST_F(QtCanvas, GlyphsSitAtTheMeasuredPositions) {
  const int widths[] = {0, 5, 13};
  for (int w : widths) {
    image.fill(Qt::white);
    canvas.SetFont(MakeFont(u"Arial", -18, {}, w));
    canvas.SetCharacterExtra(2);
    canvas.SetBrushStyle(bsClear);
    std::vector<int> p;
    canvas.PartialExtents(u"HHHH", p);
    canvas.TextOut(10, 10, u"HHHH");
    const std::vector<int> starts = InkStarts();
    ASSERT_EQ(starts.size(), 4u) << w;
    for (size_t k = 1; k < 4; ++k) EXPECT_NEAR(starts[k] - starts[0], p[k - 1], w ? 1 : 0) << w << " " << k;
  }
}

TEST_F(QtCanvas, ExplicitAdvancesPlaceTheCharacters) {
  canvas.SetFont(MakeFont(u"Arial", -18));
  canvas.SetBrushStyle(bsClear);
  canvas.TextOutAdvances(10, 10, u"HHH", {30, 45, 0});
  const std::vector<int> starts = InkStarts();
  ASSERT_EQ(starts.size(), 3u);
  EXPECT_EQ(starts[1] - starts[0], 30);
  EXPECT_EQ(starts[2] - starts[0], 75);
}

TEST_F(QtCanvas, SolidBrushFillsTheCellFirst) {
  canvas.SetFont(MakeFont(u"Arial", -16));
  canvas.SetBrushColor(clYellow);
  const TLTSizeI size = canvas.TextExtent(u"Fill");
  canvas.TextOut(30, 5, u"Fill");
  const QRgb yellow = qRgb(255, 255, 0);
  EXPECT_EQ(image.pixel(30, 5), yellow);
  EXPECT_EQ(image.pixel(30 + size.Width - 1, 5 + size.Height - 1), yellow);
  EXPECT_TRUE(IsWhite(30 + size.Width, 5));
  EXPECT_TRUE(IsWhite(30, 5 + size.Height));
  EXPECT_TRUE(IsWhite(29, 5));
}

TEST_F(QtCanvas, TheFillReachesAsFarAsTheInk) {
  // No ink may stand beside the box of a final "y" or an italic run, as in
  // a field code or a selection: every column with ink has some fill.
  for (TFontStyles style : {TFontStyles{}, TFontStyles{fsItalic}}) {
    image.fill(Qt::white);
    canvas.SetFont(MakeFont(u"Arial", -13, style));
    canvas.SetBrushColor(clYellow);
    canvas.TextOut(30, 5, u"fCountry");
    int first = image.width(), last = -1;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (image.pixel(x, y) == qRgb(255, 255, 0)) {
          first = std::min(first, x);
          last = std::max(last, x);
        }
    const std::vector<int> ink = DarkColumns();
    ASSERT_FALSE(ink.empty());
    EXPECT_GE(ink.front(), first) << (style.Contains(fsItalic) ? "italic" : "upright");
    EXPECT_LE(ink.back(), last) << (style.Contains(fsItalic) ? "italic" : "upright");
  }
}

TEST_F(QtCanvas, UnderlineSpansTheRun) {
  canvas.SetFont(MakeFont(u"Arial", -20, {fsUnderline}));
  canvas.SetBrushStyle(bsClear);
  const int width = canvas.TextWidth(u"a b");
  canvas.TextOut(10, 10, u"a b");
  const std::vector<int> cols = DarkColumns();
  ASSERT_FALSE(cols.empty());
  EXPECT_EQ(cols.front(), 10);
  EXPECT_EQ(cols.back(), 10 + width - 1);
  EXPECT_EQ(static_cast<int>(cols.size()), width);
}

TEST_F(QtCanvas, TextCanBeEmptyOrOfControlCharacters) {
  canvas.SetFont(MakeFont(u"Arial", -16));
  canvas.TextOut(5, 5, u"");
  canvas.TextOut(5, 5, u"a\tb\nc\u2028d");
  std::vector<int> p;
  canvas.PartialExtents(u"a\u2028d", p);
  ASSERT_EQ(p.size(), 3u);
  EXPECT_GT(p[2], p[1]);  // the character after the break is measured too
  canvas.TextOutAdvances(5, 5, u"abc", {});
}

// ---- Shapes and clipping ---------------------------------------------------------------------

TEST_F(QtCanvas, FillCoversHalfOpenPixels) {
  canvas.SetBrushColor(clRed);
  canvas.FillRect({10, 20, 15, 23});
  EXPECT_EQ(Count(qRgb(255, 0, 0)), 15);
  EXPECT_EQ(image.pixel(14, 22), qRgb(255, 0, 0));
  EXPECT_TRUE(IsWhite(15, 22));
  EXPECT_TRUE(IsWhite(14, 23));
  canvas.FillRect({30, 30, 20, 40});  // inverted: nothing
  EXPECT_EQ(Count(qRgb(255, 0, 0)), 15);
}

TEST_F(QtCanvas, ClipHoldsUntilRestore) {
  canvas.SetBrushColor(clBlue);
  canvas.Save();
  canvas.IntersectClip({10, 10, 30, 20});
  canvas.IntersectClip({20, 0, 100, 100});
  canvas.FillRect({0, 0, 400, 80});
  EXPECT_EQ(Count(qRgb(0, 0, 255)), 10 * 10);
  canvas.Restore();
  canvas.FillRect({0, 0, 1, 1});
  EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 255));
  canvas.Restore();  // unmatched: harmless
  canvas.FillRect({1, 0, 2, 1});
  EXPECT_EQ(image.pixel(1, 0), qRgb(0, 0, 255));
}

TEST_F(QtCanvas, LineLeavesOutItsEndPoint) {
  canvas.SetPen({clBlack, 1, psSolid});
  canvas.Line(10, 10, 20, 10);
  EXPECT_EQ(image.pixel(10, 10), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(19, 10), qRgb(0, 0, 0));
  EXPECT_TRUE(IsWhite(20, 10));
  EXPECT_EQ(Count(qRgb(0, 0, 0)), 10);
}

TEST_F(QtCanvas, DottedPenIsThreeOnThreeOff) {
  canvas.SetPen({clBlack, 1, psDot});
  canvas.Line(0, 5, 12, 5);
  for (int x = 0; x < 12; ++x) EXPECT_EQ(IsDark(x, 5), (x / 3) % 2 == 0) << x;
}

TEST_F(QtCanvas, FrameBandsStayInsideTheRectangle) {
  canvas.SetPen({clRed, 3, psInsideFrame});
  canvas.SetBrushColor(clLime);
  canvas.Rectangle({10, 10, 30, 25});
  EXPECT_EQ(Count(qRgb(255, 0, 0)), 20 * 15 - 14 * 9);
  EXPECT_EQ(Count(qRgb(0, 255, 0)), 14 * 9);
  EXPECT_TRUE(IsWhite(30, 10));
  EXPECT_TRUE(IsWhite(10, 25));
}

TEST_F(QtCanvas, OnePixelFrameCoversTheRectangleEdges) {
  canvas.SetPen({clBlack, 1, psSolid});
  canvas.SetBrushStyle(bsClear);
  canvas.Rectangle({10, 10, 20, 15});
  EXPECT_EQ(Count(qRgb(0, 0, 0)), 2 * 10 + 2 * 3);
  EXPECT_TRUE(IsWhite(20, 10));
}

TEST_F(QtCanvas, HatchBrushLeavesTheBackground) {
  canvas.SetBrush({clBlack, bsHorizontal});
  canvas.FillRect({0, 0, 40, 40});
  const int dark = Count(qRgb(0, 0, 0));
  EXPECT_GT(dark, 0);
  EXPECT_LT(dark, 40 * 40 / 2);
}

TEST_F(QtCanvas, PixelsShorterThanTheirSizeAreNotDrawn) {
  TLTPixels p;
  p.Width = 50;
  p.Height = 50;
  p.Data = {0xFF000000u};
  canvas.DrawPixels({0, 0, 50, 50}, p);
  EXPECT_EQ(Count(qRgb(255, 255, 255)), 400 * 80);
  p.Width = p.Height = 1;
  canvas.DrawPixels({0, 0, 4, 4}, p);
  EXPECT_EQ(Count(qRgb(0, 0, 0)), 16);
}

TEST(QtCanvasDevice, InactiveDeviceStillMeasures) {
  EnsureQtGuiApplication();
  QImage null;
  TLTQtCanvas canvas(null);
  canvas.SetFont(MakeFont(u"Arial", -13));
  EXPECT_GT(canvas.TextWidth(u"abc"), 0);
  canvas.TextOut(0, 0, u"abc");
  canvas.FillRect({0, 0, 10, 10});
  canvas.Save();
  canvas.IntersectClip({0, 0, 1, 1});
  canvas.Restore();
}

}  // namespace
}  // namespace lectern
