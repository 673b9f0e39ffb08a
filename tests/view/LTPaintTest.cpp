// Painting decisions on the recording canvas: what is drawn, where and in
// which state. The headless canvas draws every character 7 pixels wide and
// the default text 13 pixels high.

#include "platform/headless/LTHeadlessCanvas.h"
#include "tests/support/PaintDoc.h"
#include "view/LTPaint.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace lectern {
namespace {

using testing::PaintDoc;
using testing::W;

TEST(LTPaint, PartlySelectedPieceDrawsTheSelectionOverTheWholeRun) {
  PaintDoc d;
  d.Doc.AddTextW(u"abcdef", 0, 0);
  d.Doc.FormatAll({.Force = true});
  d.Selection = {&d.Doc, {0, 3}, {0, 5}};  // "cd"
  d.Paint();
  auto t = d.Texts();
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].Text, u"abcdef");
  EXPECT_EQ(t[0].Font.Color, d.Style.TextStyles()[0].Color);
  EXPECT_EQ(t[1].Text, u"cd");
  EXPECT_EQ(t[1].Rect.Left, 2 * W);
  EXPECT_EQ(t[1].Font.Color, d.Style.InactiveSelTextColor);  // the control has no focus
  EXPECT_EQ(t[1].Brush.Color, d.Style.InactiveSelColor);

  // Printing never shows the selection.
  d.Paint(true);
  t = d.Texts();
  ASSERT_EQ(t.size(), 1u);
}

TEST(LTPaint, SelectionInAMixedRunCoversTheSelectedGlyphsWhereTheyAreDrawn) {
  // "ab", three Hebrew letters drawn reversed (the first at 35..42), "cd".
  PaintDoc d;
  d.Doc.AddTextW(u"ab \u05D0\u05D1\u05D2 cd", 0, 0);
  d.Selection = {&d.Doc, {0, 4}, {0, 6}};  // the first two Hebrew letters
  d.Paint();
  auto t = d.Texts();
  ASSERT_EQ(t.size(), 2u);
  // The whole run again in the selection's colours, shown only over them.
  EXPECT_EQ(t[1].Text, t[0].Text);
  EXPECT_EQ(t[1].Font.Color, d.Style.InactiveSelTextColor);
  ASSERT_TRUE(t[1].Clip.has_value());
  EXPECT_EQ(t[1].Clip->Left, 4 * W);
  EXPECT_EQ(t[1].Clip->Right, 6 * W);
}

TEST(LTPaint, JustifiedRightToLeftWordsDrawTheirGapOnTheirRight) {
  // Four Hebrew words of four letters on a line 20 wide: the gaps (7
  // pixels over three) lie between the words, right of each word.
  PaintDoc d;
  d.Doc.ClientWidth = 20 * W;
  TParaInfo& rtl = d.Style.ParaStyles().Add();
  rtl.BiDiMode = ltbdRightToLeft;
  rtl.Alignment = ltaJustify;
  const std::u16string w(4, u'\u05D0');
  d.Doc.AddTextW(w + u" " + w + u" " + w + u" " + w + u" " + w, 0, d.Style.ParaStyles().Count() - 1);
  d.Paint();
  auto t = d.Texts();
  ASSERT_EQ(t.size(), 5u);
  // Each word's text starts at its piece's left; its space and gap follow.
  for (int i = 1; i < 4; ++i) {
    EXPECT_GT(d.Doc.DrawItems[i].JustifyExtra, 0) << i;
    EXPECT_EQ(t[static_cast<size_t>(i)].Rect.Left, d.Doc.DrawItems[i].Left) << i;
  }
  EXPECT_EQ(t[3].Rect.Left, 0);
}

TEST(LTPaint, HoveredHyperlinkTakesItsHoverColour) {
  PaintDoc d;
  TFontInfo& link = d.Style.TextStyles().Add();
  link.Jump = true;
  link.HoverColor = MakeColor(0x00AA00);
  d.Doc.AddTextW(u"go", 6, 0);
  d.Doc.FormatAll({.Force = true});
  ASSERT_EQ(d.Doc.GetItem(0).LinkIndex, 0);
  d.HoverJumpId = 0;
  d.Paint();
  ASSERT_EQ(d.Texts().size(), 1u);
  EXPECT_EQ(d.Texts()[0].Font.Color, MakeColor(0x00AA00));
}

TEST(LTPaint, SpecialCharactersShowParagraphAndLineBreakMarks) {
  PaintDoc d;
  d.Context.Options.Include(ltoShowSpecialCharacters);
  d.Doc.AddTextW(u"one", 0, 0);
  d.Doc.AddTextW(u"two", 0, 0);
  d.Doc.GetItem(1).SetNewLine(true);
  d.Paint();
  std::vector<std::u16string> texts;
  for (const TLTDrawCall& c : d.Texts()) texts.push_back(c.Text);
  EXPECT_EQ(texts, (std::vector<std::u16string>{u"one", u"\u21B5", u"two", u"\u00B6"}));
  // The pilcrow sits right after the last piece.
  EXPECT_EQ(d.Texts()[3].Rect.Left, 3 * W);
  d.Paint(true);
  EXPECT_EQ(d.Texts().size(), 2u);
}

TEST(LTPaint, APilcrowEndsTheParagraphNotEachLineItWrapsTo) {
  PaintDoc d;
  d.Context.Options.Include(ltoShowSpecialCharacters);
  // Three lines of one item at 30 characters a line, then a paragraph of
  // two items.
  d.Doc.AddTextW(u"aaaa bbbb cccc dddd eeee ffff gggg hhhh iiii jjjj kkkk llll mmmm nnnn oooo pppp qqqq rrrr", 0, 0);
  d.Doc.AddTextW(u"one ", 0, 0);
  d.Doc.AddTextW(u"two", 0, -1);
  d.Paint();
  int lines = 0, marks = 0;
  for (int k = 0; k < d.Doc.DrawItems.Count(); ++k) lines += d.Doc.DrawItems[k].ItemNo == 0;
  for (const TLTDrawCall& c : d.Texts()) marks += c.Text == u"\u00B6";
  ASSERT_GE(lines, 3);
  EXPECT_EQ(marks, 2);
}

TEST(LTPaint, PageBreakMarkOnceAndOnlyWhenShown) {
  PaintDoc d;
  d.Doc.ClientWidth = 5 * W;
  d.Doc.AddTextW(u"aaaa", 0, 0);
  d.Doc.AddTextW(u"bbbb cccc dddd", 0, 0);
  d.Doc.GetItem(1).SetNewPage(true);
  d.Context.Options.Exclude(ltoShowPageBreaks);
  auto polygons = [&] {
    int n = 0;
    for (const TLTDrawCall& c : d.Canvas.Calls()) n += c.Kind == TLTDrawKind::Polygon;
    return n;
  };
  d.Paint();
  EXPECT_EQ(polygons(), 0);
  d.Context.Options.Include(ltoShowPageBreaks);
  d.Paint();
  EXPECT_EQ(polygons(), 1);
}

TEST(LTPaint, ParagraphBackgroundSpansTheTextWidth) {
  PaintDoc d;
  TParaInfo& shaded = d.Style.ParaStyles().Add();
  shaded.Background.Color = MakeColor(0xDDDDDD);
  shaded.RightIndent = 14;
  d.Doc.AddTextW(u"shaded", 0, 2);
  d.Paint();
  ASSERT_FALSE(d.Canvas.Calls().empty());
  const TLTDrawCall& fill = d.Canvas.Calls()[0];
  EXPECT_EQ(fill.Kind, TLTDrawKind::FillRect);
  EXPECT_EQ(fill.Brush.Color, MakeColor(0xDDDDDD));
  EXPECT_EQ(fill.Rect, (TLTRectI{0, 0, 30 * W - 14 + 1, 13 + 1}));
}

TEST(LTPaintControl, MissingStyleSheetAndFailingPaintAreReported) {
  TLTDocumentContext context;
  TLTFormattedDocument doc;
  doc.SetContext(&context);
  TLTHeadlessCanvas c;
  PaintControl(doc, c, {0, 0, 100, 50}, TLTBackground{}, "Viewer1");
  bool named = false;
  for (const TLTDrawCall& call : c.Calls())
    named |= call.Kind == TLTDrawKind::Text && call.Text == u"Create a TLTStyle object and assign it to Viewer1.Style";
  EXPECT_TRUE(named);

  PaintDoc d;
  d.Doc.AddTextW(u"text", 0, 0);
  d.Doc.FormatAll({.Force = true});
  d.Style.OnDrawStyleText = [](TLTStyle&, TLTCanvas&, int, const TLTStyleTextRun&, bool&) {
    throw std::runtime_error("broken item");
  };
  PaintControl(d.Doc, d.Canvas, {0, 0, 100, 50}, TLTBackground{}, "Viewer1");
  EXPECT_EQ(d.Canvas.Calls().back().Text, u"Error: broken item");
}

TEST(LTPaintBackground, ColourComesFromTheControlElseTheSheetElseNothing) {
  TLTStyle style;
  TLTHeadlessCanvas c;
  TLTBackground back;
  PaintBackground(c, {0, 0, 50, 40}, back, &style, 0, 0, 50, 40);
  ASSERT_EQ(c.Calls().size(), 1u);
  EXPECT_EQ(c.Calls()[0].Brush.Color, style.Color);
  c.ClearCalls();
  back.Color = MakeColor(0x112233);
  PaintBackground(c, {0, 0, 50, 40}, back, &style, 0, 0, 50, 40);
  ASSERT_EQ(c.Calls().size(), 1u);
  EXPECT_EQ(c.Calls()[0].Brush.Color, MakeColor(0x112233));
  c.ClearCalls();
  back.Color = clNone;
  style.Color = clNone;
  PaintBackground(c, {0, 0, 50, 40}, back, &style, 0, 0, 50, 40);
  EXPECT_TRUE(c.Calls().empty());
}

TEST(LTPaintBackground, TilesFollowTheScrollOnlyWhenAskedTo) {
  TLTStyle style;
  TLTHeadlessCanvas c;
  TLTBackground back;
  TLTPixels px;
  px.Width = px.Height = 10;
  px.Data.assign(100, 0xFF000000u);
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixels(px);
  back.Image = std::move(bitmap);
  auto firstTile = [&] {
    for (const TLTDrawCall& call : c.Calls())
      if (call.Kind == TLTDrawKind::Pixels) return call.Rect;
    return TLTRectI{};
  };
  back.Style = bsTiledAndScrolled;
  PaintBackground(c, {0, 0, 25, 25}, back, &style, 3, 3, 25, 25);
  EXPECT_EQ(firstTile(), (TLTRectI{-3, -3, 7, 7}));
  c.ClearCalls();
  back.Style = bsTiled;
  PaintBackground(c, {0, 0, 25, 25}, back, &style, 3, 3, 25, 25);
  EXPECT_EQ(firstTile(), (TLTRectI{0, 0, 10, 10}));
  // A picture of no size is never tiled.
  c.ClearCalls();
  back.Image = std::make_unique<TBitmap>();
  PaintBackground(c, {0, 0, 25, 25}, back, &style, 3, 3, 25, 25);
  EXPECT_EQ(c.Calls().size(), 1u);
}

}  // namespace
}  // namespace lectern

namespace lectern {
namespace {

TEST(LTPaint, MisspelledWordsGetAZigzagUnderTheirPartOfEachPiece) {
  PaintDoc d;
  d.Doc.AddTextW(u"good badword good", 0, 0);
  d.Doc.GetItem(0).AddMisspelling(6, 7);
  EXPECT_TRUE(d.Doc.GetItem(0).IsMisspelledAt(12));
  EXPECT_FALSE(d.Doc.GetItem(0).IsMisspelledAt(13));
  d.Paint();
  std::vector<TLTDrawCall> lines;
  for (const TLTDrawCall& c : d.Canvas.Calls())
    if (c.Kind == TLTDrawKind::Line) lines.push_back(c);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front().Pen.Color, d.Style.LiveSpellingColor);
  EXPECT_EQ(lines.front().Rect.Left, 5 * W);   // from the word's left
  EXPECT_EQ(lines.back().Rect.Right, 12 * W);  // to exactly its right edge
  EXPECT_EQ(lines.front().Rect.Top, 13 - 2);   // 2 above the bottom
  EXPECT_EQ(lines.front().Rect.Bottom, 13);
  // Printing shows no marks; clearing them frees the list.
  d.Paint(true);
  for (const TLTDrawCall& c : d.Canvas.Calls()) EXPECT_NE(c.Kind, TLTDrawKind::Line);
  d.Doc.GetItem(0).ClearWordMarks();
  EXPECT_EQ(d.Doc.GetItem(0).MarkList, nullptr);
}

}  // namespace
}  // namespace lectern
