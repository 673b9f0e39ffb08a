// The headless canvas's fixed metrics, its record and its raster, and the
// cluster boundaries every canvas measures by.

#include "platform/LTColors.h"
#include "platform/headless/LTHeadlessCanvas.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>

namespace lectern {
namespace {

TLTCanvasFont FontOfHeight(int height) {
  TLTCanvasFont f;
  f.Height = height;
  return f;
}

// ---- Cluster boundaries ---------------------------------------------------------------

TEST(CanvasClusters, CombiningMarksStayWithTheirBase) {
  const std::u16string_view t = u"e\u0301\u0323x";
  EXPECT_EQ(TLTCanvas::NextClusterBoundary(t, 0), 3);
  EXPECT_EQ(TLTCanvas::NextClusterBoundary(t, 1), 3);
  EXPECT_EQ(TLTCanvas::PrevClusterBoundary(t, 3), 0);
  EXPECT_EQ(TLTCanvas::PrevClusterBoundary(t, 2), 0);
  EXPECT_EQ(TLTCanvas::NextClusterBoundary(t, 3), 4);
}

TEST(CanvasClusters, SurrogatePairsAreNeverSplit) {
  const std::u16string_view t = u"a\U0001D49Cb";  // mathematical script A
  EXPECT_EQ(TLTCanvas::NextClusterBoundary(t, 1), 3);
  EXPECT_EQ(TLTCanvas::PrevClusterBoundary(t, 3), 1);
  EXPECT_EQ(TLTCanvas::PrevClusterBoundary(t, 2), 1);
}

TEST(CanvasClusters, EmojiZwjSequenceIsOneCluster) {
  const std::u16string_view t = u"\U0001F469\u200D\U0001F469\u200D\U0001F467!";  // family, 8 units
  EXPECT_EQ(TLTCanvas::NextClusterBoundary(t, 0), 8);
  EXPECT_EQ(TLTCanvas::PrevClusterBoundary(t, 8), 0);
  EXPECT_EQ(TLTCanvas::NextClusterBoundary(t, 8), 9);
}

TEST(CanvasClusters, OutOfRangeIndexesClampInsteadOfReadingPastTheText) {
  const std::u16string_view t = u"ab";
  EXPECT_EQ(TLTCanvas::NextClusterBoundary(t, -5), 0);
  EXPECT_EQ(TLTCanvas::NextClusterBoundary(t, 2), 2);
  EXPECT_EQ(TLTCanvas::NextClusterBoundary(t, 99), 2);
  EXPECT_EQ(TLTCanvas::PrevClusterBoundary(t, 0), 0);
  EXPECT_EQ(TLTCanvas::PrevClusterBoundary(t, 99), 2);
  EXPECT_EQ(TLTCanvas::NextClusterBoundary(u"", 0), 0);
  EXPECT_EQ(TLTCanvas::PrevClusterBoundary(u"", 0), 0);
}

TEST(CanvasClusters, LoneSurrogatesAreClustersOfTheirOwn) {
  const char16_t t[] = {u'a', 0xD800, u'b', 0xDC00};
  const std::u16string_view v(t, 4);
  EXPECT_EQ(TLTCanvas::NextClusterBoundary(v, 1), 2);
  EXPECT_EQ(TLTCanvas::NextClusterBoundary(v, 3), 4);
}

// ---- Metrics ------------------------------------------------------------------------------

TEST(HeadlessCanvasMetrics, FollowTheFaceHeight) {
  TLTHeadlessCanvas c;
  c.SetFont(FontOfHeight(-13));
  const TLTTextMetrics m = c.TextMetrics();
  EXPECT_EQ(m.Height, 13);
  EXPECT_EQ(m.Ascent, 10);  // round(10.4)
  EXPECT_EQ(m.Descent, 3);
  EXPECT_EQ(m.AveCharWidth, 7);
  EXPECT_EQ(c.TextExtent(u"abc"), (TLTSizeI{21, 13}));
}

TEST(HeadlessCanvasMetrics, CellHeightMeasuresLikeCharacterHeight) {
  TLTHeadlessCanvas c;
  c.SetFont(FontOfHeight(20));
  EXPECT_EQ(c.TextMetrics().Ascent, 16);
  EXPECT_EQ(c.TextMetrics().Descent, 4);
  EXPECT_EQ(c.TextWidth(u"ab"), 20);
}

TEST(HeadlessCanvasMetrics, ZeroHeightIsTenPointsAtTheResolution) {
  TLTHeadlessCanvas c;
  c.SetFont(FontOfHeight(0));
  EXPECT_EQ(c.TextMetrics().Height, 13);
  EXPECT_GT(c.TextWidth(u"a"), 0);
  c.SetPixelsPerInch(192, 192);
  EXPECT_EQ(c.TextMetrics().Height, 27);
}

TEST(HeadlessCanvasMetrics, ExtremeHeightsAreClamped) {
  TLTHeadlessCanvas c;
  c.SetFont(FontOfHeight(INT_MIN));
  EXPECT_EQ(c.TextMetrics().Height, LTHeadlessMaxFontHeight);
  c.SetFont(FontOfHeight(INT_MAX));
  EXPECT_EQ(c.TextMetrics().Height, LTHeadlessMaxFontHeight);
}

TEST(HeadlessCanvasMetrics, ResolutionBelowOneBecomesOne) {
  TLTHeadlessCanvas c(0);
  EXPECT_EQ(c.PixelsPerInchX(), 1);
  c.SetPixelsPerInch(-3, 600);
  EXPECT_EQ(c.PixelsPerInchX(), 1);
  EXPECT_EQ(c.PixelsPerInchY(), 600);
}

TEST(HeadlessCanvasMetrics, WidthOverridesTheAverageCharacter) {
  TLTHeadlessCanvas c;
  TLTCanvasFont f = FontOfHeight(-13);
  f.Width = 4;
  c.SetFont(f);
  EXPECT_EQ(c.TextWidth(u"abc"), 12);
  EXPECT_EQ(c.TextMetrics().AveCharWidth, 4);
}

TEST(HeadlessCanvasMetrics, OutlineMeasures) {
  TLTHeadlessCanvas c;
  c.SetFont(FontOfHeight(-24));  // ascent 19, descent 5
  TLTOutlineMetrics m;
  ASSERT_TRUE(c.OutlineMetrics(m));
  EXPECT_EQ(m.UnderscoreSize, 2);
  EXPECT_EQ(m.UnderscorePosition, -2);
  EXPECT_EQ(m.StrikeoutSize, 2);
  EXPECT_EQ(m.StrikeoutPosition, 7);
  EXPECT_EQ(m.SubscriptSizeY, 16);
  EXPECT_EQ(m.SubscriptOffsetY, 4);
  EXPECT_EQ(m.SuperscriptSizeY, 16);
  EXPECT_EQ(m.SuperscriptOffsetY, 8);
  c.SetFont(FontOfHeight(-5));
  ASSERT_TRUE(c.OutlineMetrics(m));
  EXPECT_EQ(m.UnderscoreSize, 1);
  EXPECT_EQ(m.UnderscorePosition, -1);
}

TEST(HeadlessCanvasMetrics, PartialExtentsCountCharactersNotCodeUnits) {
  TLTHeadlessCanvas c;  // 7 pixels a character
  std::vector<int> p;
  c.PartialExtents(u"e\u0301x", p);
  EXPECT_EQ(p, (std::vector<int>{7, 7, 14}));
  c.PartialExtents(u"\U0001F600a", p);
  EXPECT_EQ(p, (std::vector<int>{7, 7, 14}));
  c.PartialExtents(u"\U0001F469\u200D\U0001F467", p);
  EXPECT_EQ(p, (std::vector<int>(5, 7)));
  c.PartialExtents(u"a\r\nb", p);
  EXPECT_EQ(p, (std::vector<int>{7, 14, 14, 21}));
  c.PartialExtents(u"", p);
  EXPECT_TRUE(p.empty());
  EXPECT_EQ(c.TextExtent(u""), (TLTSizeI{0, 13}));
}

TEST(HeadlessCanvasMetrics, CharacterExtraFollowsEveryCharacter) {
  TLTHeadlessCanvas c;
  c.SetCharacterExtra(2);
  std::vector<int> p;
  c.PartialExtents(u"ab\u0301c", p);
  EXPECT_EQ(p, (std::vector<int>{9, 18, 18, 27}));
  EXPECT_EQ(c.TextWidth(u"ab\u0301c"), 27);
}

// ---- The record -------------------------------------------------------------------------

TEST(HeadlessCanvasRecord, TextCallKeepsCellPositionsAndState) {
  TLTHeadlessCanvas c;
  TLTCanvasFont f = FontOfHeight(-10);  // 5 wide
  f.Color = clRed;
  c.SetFont(f);
  c.SetBrushColor(clYellow);
  c.SetCharacterExtra(1);
  c.TextOut(3, 4, u"hi");
  ASSERT_EQ(c.Calls().size(), 1u);
  const TLTDrawCall& call = c.Calls()[0];
  EXPECT_EQ(call.Kind, TLTDrawKind::Text);
  EXPECT_EQ(call.Rect, (TLTRectI{3, 4, 15, 14}));
  EXPECT_EQ(call.Text, u"hi");
  EXPECT_EQ(call.Positions, (std::vector<int>{6, 12}));
  EXPECT_EQ(call.Font.Color, clRed);
  EXPECT_EQ(call.Brush.Color, clYellow);
  EXPECT_EQ(call.CharacterExtra, 1);
  EXPECT_FALSE(call.Clip.has_value());
}

TEST(HeadlessCanvasRecord, ShortAdvanceVectorKeepsMeasuredAdvances) {
  TLTHeadlessCanvas c;  // 7 wide
  c.TextOutAdvances(0, 0, u"abc", {10});
  ASSERT_EQ(c.Calls().size(), 1u);
  EXPECT_EQ(c.Calls()[0].Kind, TLTDrawKind::TextAdvances);
  EXPECT_EQ(c.Calls()[0].Positions, (std::vector<int>{10, 17, 24}));
  EXPECT_EQ(c.Calls()[0].Rect.Right, 24);
}

TEST(HeadlessCanvasRecord, SaveAndRestoreBringBackTheWholeState) {
  TLTHeadlessCanvas c;
  c.SetPen({clBlue, 3, psDot});
  c.Save();
  c.SetFontStyle({fsBold});
  c.SetPen({clRed, 1, psSolid});
  c.SetBrushStyle(bsClear);
  c.SetCharacterExtra(5);
  c.SetReadingOrder(TLTReadingOrder::RightToLeft);
  c.IntersectClip({0, 0, 10, 10});
  c.Restore();
  EXPECT_TRUE(c.Font().Style.Empty());
  EXPECT_EQ(c.Pen(), (TLTPen{clBlue, 3, psDot}));
  EXPECT_EQ(c.Brush().Style, bsSolid);
  EXPECT_EQ(c.CharacterExtra(), 0);
  EXPECT_EQ(c.ReadingOrder(), TLTReadingOrder::LeftToRight);
  EXPECT_FALSE(c.Clip().has_value());
}

TEST(HeadlessCanvasRecord, UnmatchedRestoreChangesNothing) {
  TLTHeadlessCanvas c;
  c.SetCharacterExtra(4);
  c.Restore();
  EXPECT_EQ(c.CharacterExtra(), 4);
}

TEST(HeadlessCanvasRecord, ClipsNestAndAreRecorded) {
  TLTHeadlessCanvas c;
  c.IntersectClip({0, 0, 50, 50});
  {
    TLTCanvasSaver saver(c);
    c.IntersectClip({20, 30, 100, 100});
    c.FillRect({0, 0, 5, 5});
    c.IntersectClip({60, 0, 70, 10});  // disjoint: nothing left
    c.Line(0, 0, 1, 1);
  }
  c.FillRect({1, 2, 3, 4});
  ASSERT_EQ(c.Calls().size(), 3u);
  EXPECT_EQ(c.Calls()[0].Clip, (TLTRectI{20, 30, 50, 50}));
  ASSERT_TRUE(c.Calls()[1].Clip.has_value());
  EXPECT_TRUE(c.Calls()[1].Clip->IsEmpty());
  EXPECT_EQ(c.Calls()[1].Rect, (TLTRectI{0, 0, 1, 1}));
  EXPECT_EQ(c.Calls()[2].Clip, (TLTRectI{0, 0, 50, 50}));
}

TEST(HeadlessCanvasRecord, PolygonRecordsPointsAndBounds) {
  TLTHeadlessCanvas c;
  c.Polygon({{5, 1}, {9, 7}, {2, 4}});
  ASSERT_EQ(c.Calls().size(), 1u);
  EXPECT_EQ(c.Calls()[0].Points.size(), 3u);
  EXPECT_EQ(c.Calls()[0].Rect, (TLTRectI{2, 1, 9, 7}));
  c.Polygon({});
  EXPECT_EQ(c.Calls().size(), 2u);
}

// ---- The raster ---------------------------------------------------------------------------

struct RasterCanvas : ::testing::Test {
  RasterCanvas() { c.EnableRaster(40, 30); }
  int CountColour(TColor rgb) const {
    int n = 0;
    for (int y = 0; y < c.RasterHeight(); ++y)
      for (int x = 0; x < c.RasterWidth(); ++x) n += c.PixelAt(x, y) == rgb;
    return n;
  }
  TLTHeadlessCanvas c;
};

TEST_F(RasterCanvas, FillExcludesRightAndBottomEdges) {
  c.SetBrushColor(clRed);
  c.FillRect({2, 3, 5, 7});
  EXPECT_EQ(c.PixelAt(2, 3), clRed);
  EXPECT_EQ(c.PixelAt(4, 6), clRed);
  EXPECT_EQ(c.PixelAt(5, 6), clWhite);
  EXPECT_EQ(c.PixelAt(4, 7), clWhite);
  EXPECT_EQ(CountColour(clRed), 12);
}

TEST_F(RasterCanvas, ClipLimitsDrawingUntilRestore) {
  c.SetBrushColor(clBlue);
  c.Save();
  c.IntersectClip({10, 10, 20, 20});
  c.FillRect({0, 0, 40, 30});
  EXPECT_EQ(CountColour(clBlue), 100);
  c.Restore();
  c.FillRect({0, 0, 1, 1});
  EXPECT_EQ(c.PixelAt(0, 0), clBlue);
}

TEST_F(RasterCanvas, OutOfRangeDrawingIsDropped) {
  c.SetBrushColor(clRed);
  c.FillRect({-100, -100, 1000, 1000});
  EXPECT_EQ(CountColour(clRed), 40 * 30);
  EXPECT_EQ(c.PixelAt(-1, 0), clNone);
  EXPECT_EQ(c.PixelAt(40, 0), clNone);
}

TEST_F(RasterCanvas, LineLeavesOutItsEndPoint) {
  c.SetPen({clBlack, 1, psSolid});
  c.Line(2, 5, 8, 5);
  EXPECT_EQ(CountColour(clBlack), 6);
  EXPECT_EQ(c.PixelAt(2, 5), clBlack);
  EXPECT_EQ(c.PixelAt(8, 5), clWhite);
  c.Line(20, 20, 20, 20);  // a point: nothing
  EXPECT_EQ(CountColour(clBlack), 6);
  c.Line(30, 10, 20, 0);  // backwards diagonal
  EXPECT_EQ(c.PixelAt(30, 10), clBlack);
  EXPECT_EQ(c.PixelAt(21, 1), clBlack);
  EXPECT_EQ(c.PixelAt(20, 0), clWhite);
}

TEST_F(RasterCanvas, DottedPenIsThreeOnThreeOff) {
  c.SetPen({clBlack, 1, psDot});
  c.Line(0, 0, 12, 0);
  for (int x = 0; x < 12; ++x) EXPECT_EQ(c.PixelAt(x, 0), (x / 3) % 2 == 0 ? clBlack : clWhite) << x;
}

TEST_F(RasterCanvas, HugeLineCoordinatesFinishQuickly) {
  const auto start = std::chrono::steady_clock::now();
  c.Line(INT_MIN, 5, INT_MAX, 5);
  c.Line(5, INT_MAX, 5, INT_MIN);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(c.PixelAt(0, 5), clBlack);
  EXPECT_EQ(c.PixelAt(39, 5), clBlack);
  EXPECT_EQ(c.PixelAt(5, 0), clBlack);
}

TEST_F(RasterCanvas, WidePenFrameStaysInside) {
  c.SetPen({clRed, 2, psSolid});
  c.SetBrushColor(clLime);
  c.Rectangle({5, 5, 15, 12});
  EXPECT_EQ(c.PixelAt(4, 5), clWhite);
  EXPECT_EQ(c.PixelAt(5, 5), clRed);
  EXPECT_EQ(c.PixelAt(6, 6), clRed);
  EXPECT_EQ(c.PixelAt(7, 7), clLime);
  EXPECT_EQ(c.PixelAt(14, 11), clRed);
  EXPECT_EQ(c.PixelAt(15, 11), clWhite);
  EXPECT_EQ(CountColour(clLime), 6 * 3);
}

TEST_F(RasterCanvas, HatchBrushPaintsOnlyItsLines) {
  c.SetBrush({clBlack, bsHorizontal});
  c.FillRect({0, 0, 10, 20});
  EXPECT_EQ(c.PixelAt(3, 0), clBlack);
  EXPECT_EQ(c.PixelAt(3, 1), clWhite);
  EXPECT_EQ(c.PixelAt(3, 8), clBlack);
  EXPECT_EQ(CountColour(clBlack), 30);
  c.SetBrushStyle(bsClear);
  c.FillRect({0, 0, 40, 30});
  EXPECT_EQ(CountColour(clBlack), 30);
}

TEST_F(RasterCanvas, TextDrawsOneBoxPerVisibleCharacter) {
  TLTCanvasFont f = FontOfHeight(-10);  // 5 wide, ascent 8
  f.Color = clBlack;
  c.SetFont(f);
  c.SetBrushColor(clYellow);
  c.SetCharacterExtra(1);
  c.TextOut(2, 3, u"a b");
  // Cell 18 x 10 in yellow, boxes at columns 2..6 and 14..18, rows 3..10.
  EXPECT_EQ(CountColour(clBlack), 2 * 5 * 8);
  EXPECT_EQ(CountColour(clYellow), 18 * 10 - 2 * 5 * 8);
  EXPECT_EQ(c.PixelAt(2, 3), clBlack);
  EXPECT_EQ(c.PixelAt(6, 10), clBlack);
  EXPECT_EQ(c.PixelAt(7, 3), clYellow);  // the extra
  EXPECT_EQ(c.PixelAt(8, 3), clYellow);  // the space
  EXPECT_EQ(c.PixelAt(14, 3), clBlack);
  EXPECT_EQ(c.PixelAt(2, 11), clYellow);  // below the baseline
  EXPECT_EQ(c.PixelAt(20, 3), clWhite);
}

TEST_F(RasterCanvas, RightToLeftTextStartsAtTheRight) {
  TLTCanvasFont f = FontOfHeight(-10);
  f.Color = clBlack;
  c.SetFont(f);
  c.SetBrushStyle(bsClear);
  c.SetReadingOrder(TLTReadingOrder::RightToLeft);
  c.SetCharacterExtra(1);
  c.TextOut(0, 0, u"a ");  // 12 wide: 'a' occupies 7..11
  EXPECT_EQ(c.PixelAt(7, 0), clBlack);
  EXPECT_EQ(c.PixelAt(11, 0), clBlack);
  EXPECT_EQ(c.PixelAt(6, 0), clWhite);
  EXPECT_EQ(CountColour(clBlack), 5 * 8);
}

TEST_F(RasterCanvas, UnderlineSpansTheCell) {
  TLTCanvasFont f = FontOfHeight(-24);  // ascent 19, underline 2 rows at 21..22
  f.Color = clBlack;
  f.Style = {fsUnderline};
  c.SetFont(f);
  c.SetBrushStyle(bsClear);
  c.TextOut(0, 0, u" ");
  EXPECT_EQ(c.PixelAt(0, 21), clBlack);
  EXPECT_EQ(c.PixelAt(11, 22), clBlack);
  EXPECT_EQ(c.PixelAt(12, 21), clWhite);
  EXPECT_EQ(CountColour(clBlack), 24);
}

TEST_F(RasterCanvas, PixelsStretchAndBlend) {
  TLTPixels p;
  p.Width = 2;
  p.Height = 1;
  p.Data = {0xFFFF0000u, 0x000000FFu};  // opaque red, fully transparent blue
  c.DrawPixels({0, 0, 4, 2}, p);
  EXPECT_EQ(c.PixelAt(0, 0), clRed);
  EXPECT_EQ(c.PixelAt(1, 1), clRed);
  EXPECT_EQ(c.PixelAt(2, 0), clWhite);
  EXPECT_EQ(c.PixelAt(4, 0), clWhite);
}

TEST_F(RasterCanvas, PixelsShorterThanTheirSizeAreNotRead) {
  TLTPixels p;
  p.Width = 100;
  p.Height = 100;
  p.Data = {0xFF000000u};
  c.DrawPixels({0, 0, 40, 30}, p);
  EXPECT_EQ(CountColour(clWhite), 40 * 30);
  EXPECT_EQ(c.Calls().back().PixelsSize, (TLTSizeI{100, 100}));
}

TEST_F(RasterCanvas, PolygonFillsByPixelCentres) {
  c.SetPen({clBlack, 1, psClear});
  c.SetBrushColor(clBlue);
  c.Polygon({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
  EXPECT_EQ(CountColour(clBlue), 100);
}

TEST_F(RasterCanvas, EllipseStaysInItsRectangle) {
  c.SetPen({clBlack, 1, psSolid});
  c.SetBrushColor(clBlue);
  c.Ellipse({10, 10, 20, 16});
  int inside = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      if (c.PixelAt(x, y) == clWhite) continue;
      ++inside;
      EXPECT_TRUE((TLTRectI{10, 10, 20, 16}).Contains(x, y)) << x << "," << y;
    }
  EXPECT_GT(CountColour(clBlack), 0);
  EXPECT_GT(CountColour(clBlue), 0);
  EXPECT_EQ(c.PixelAt(15, 13), clBlue);
  EXPECT_LT(inside, 60);
}

}  // namespace
}  // namespace lectern

namespace lectern {
namespace {

TEST(CanvasTextState, StampMovesWithWhatMeasuresButNotWithTheColour) {
  TLTHeadlessCanvas c;
  const uint64_t start = c.TextStateStamp();
  TLTCanvasFont f = c.Font();
  f.Color = MakeColor(0x0000FF);
  c.SetFont(f);
  c.SetFontColor(MakeColor(0x00FF00));
  EXPECT_EQ(c.TextStateStamp(), start) << "a colour measures nothing";
  c.SetCharacterExtra(0);
  c.SetReadingOrder(c.ReadingOrder());
  EXPECT_EQ(c.TextStateStamp(), start) << "setting what is there changes nothing";

  f.Height = -20;
  c.SetFont(f);
  const uint64_t bigger = c.TextStateStamp();
  EXPECT_NE(bigger, start);
  c.SetCharacterExtra(2);
  EXPECT_NE(c.TextStateStamp(), bigger);
  c.SetCharacterExtra(0);
  c.SetReadingOrder(TLTReadingOrder::RightToLeft);
  EXPECT_NE(c.TextStateStamp(), bigger);
}

TEST(CanvasTextState, RestoreBringsBackTheStampOfTheStateItRestores) {
  TLTHeadlessCanvas c;
  const uint64_t before = c.TextStateStamp();
  c.Save();
  TLTCanvasFont f = c.Font();
  f.Name = u"Courier New";
  c.SetFont(f);
  c.Save();
  c.SetCharacterExtra(3);
  const uint64_t inner = c.TextStateStamp();
  c.Restore();
  EXPECT_NE(c.TextStateStamp(), inner);
  EXPECT_EQ(c.Font().Name, u"Courier New");
  c.Restore();
  EXPECT_EQ(c.TextStateStamp(), before);
  // A state changed again after a restore is never taken for an old one.
  f.Name = u"Times New Roman";
  c.SetFont(f);
  EXPECT_NE(c.TextStateStamp(), before);
  EXPECT_NE(c.TextStateStamp(), inner);
  c.Restore();  // without a Save: nothing
  EXPECT_EQ(c.Font().Name, u"Times New Roman");
}

}  // namespace
}  // namespace lectern
