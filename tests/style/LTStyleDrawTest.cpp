// Drawing with styles on the headless canvas: fonts and colours put on the
// canvas, styled runs with their underlines, borders, backgrounds, tab
// stops and marks.

#include "platform/headless/LTHeadlessCanvas.h"
#include "style/LTStyle.h"

#include <gtest/gtest.h>

#include <numeric>

namespace lectern {
namespace {

std::vector<TLTDrawCall> Of(const TLTHeadlessCanvas& c, TLTDrawKind kind) {
  std::vector<TLTDrawCall> out;
  for (const TLTDrawCall& call : c.Calls())
    if (call.Kind == kind) out.push_back(call);
  return out;
}

TEST(LTStyleDraw, ApplyTextStylePutsFontScaleAndSpacingOnTheCanvas) {
  TLTStyle style;
  TLTHeadlessCanvas c;
  TFontInfo& f = style.TextStyles()[0];
  f.Size = 12;
  f.Style = {fsBold};
  f.CharSpacing = 2;
  style.ApplyTextStyle(c, 0, ltbdUnspecified);
  EXPECT_EQ(c.Font().Height, -16);
  EXPECT_TRUE(c.Font().Style.Contains(fsBold));
  EXPECT_EQ(c.CharacterExtra(), 2);
  style.ApplyTextStyle(c, 0, ltbdLeftToRight);
  EXPECT_EQ(c.CharacterExtra(), 0);

  // Character scale: the average width scaled, held within 1..1000 percent.
  f.CharScale = 200;
  style.ApplyTextStyle(c, 0, ltbdUnspecified);
  EXPECT_EQ(c.Font().Width, 16);
  f.CharScale = 0;
  style.ApplyTextStyle(c, 0, ltbdUnspecified);
  EXPECT_EQ(c.Font().Width, 1);

  // Subscript at two thirds; an explicit height wins.
  f.CharScale = 100;
  f.SubSuperScriptType = ltsssSubscript;
  style.ApplyTextStyle(c, 0, ltbdUnspecified);
  EXPECT_EQ(c.Font().Height, -11);
  style.ApplyTextStyle(c, 0, ltbdUnspecified, false, 9);
  EXPECT_EQ(c.Font().Height, -9);

  // A handler may take over.
  int after = 0;
  style.OnApplyStyle = [](TLTStyle&, TLTCanvas& cv, int, bool& doDefault) {
    cv.SetFontColor(MakeColor(0x123456));
    doDefault = false;
  };
  style.OnAfterApplyStyle = [&](TLTStyle&, TLTCanvas&, int) { ++after; };
  style.ApplyTextStyle(c, 0, ltbdUnspecified);
  EXPECT_EQ(c.Font().Color, MakeColor(0x123456));
  EXPECT_EQ(after, 0);
}

TEST(LTStyleDraw, ColoursForStatesAndOutputModes) {
  TLTStyle style;
  TLTHeadlessCanvas c;
  TFontInfo& f = style.TextStyles()[0];
  f.Color = MakeColor(0x0000FF);
  f.BackColor = MakeColor(0x00FFFF);
  f.HoverEffects = {ltheUnderline};
  f.HoverColor = MakeColor(0x00FF00);

  style.ApplyTextStyleColor(c, 0, {lttsHover});
  EXPECT_TRUE(c.Font().Style.Contains(fsUnderline));
  EXPECT_EQ(c.Font().Color, MakeColor(0x00FF00));
  EXPECT_EQ(c.Brush().Style, bsClear);  // HoverBackColor is none

  style.ApplyTextStyleColor(c, 0, {lttsSelected, lttsControlFocused});
  EXPECT_EQ(c.Font().Color, style.SelTextColor);
  EXPECT_EQ(c.Brush().Color, style.SelColor);

  style.ApplyTextStyleColor(c, 0, {}, true, ltocGray);
  EXPECT_EQ(c.Font().Color, MakeColor(0x4C4C4C));  // 0.3 * 255 = 76.5, to even
  EXPECT_EQ(c.Brush().Color, MakeColor(0xE3E3E3));

  // Two-tone: the lighter colour becomes white, the darker black.
  style.ApplyTextStyleColor(c, 0, {}, true, ltocTwoTone);
  EXPECT_EQ(c.Font().Color, MakeColor(0));
  EXPECT_EQ(c.Brush().Color, MakeColor(0xFFFFFF));
  style.ApplyTextStyleColor(c, 0, {}, true, ltocBlackText);
  EXPECT_EQ(c.Brush().Style, bsClear);

  EXPECT_TRUE(style.IsHoverSensitive(0));
  style.OnStyleHoverSensitive = [](const TLTStyle&, int, bool& s) { s = false; };
  EXPECT_FALSE(style.IsHoverSensitive(0));
}

TEST(LTStyleDraw, FitToWidthSpreadsThePixelsAndSkipsSingleCharacters) {
  TLTStyle style;
  TLTHeadlessCanvas c;
  style.ApplyTextStyle(c, 0, ltbdUnspecified);
  TLTStyleTextRun run;
  run.Text = u"abcd";
  run.Width = 4 * 7 + 6;
  run.Height = 13;
  run.Printing = true;
  run.FitToWidth = true;
  style.PaintStyleText(c, 0, run);
  auto adv = Of(c, TLTDrawKind::TextAdvances);
  ASSERT_EQ(adv.size(), 1u);
  EXPECT_EQ(adv[0].Positions.back(), run.Width);
  EXPECT_EQ(adv[0].Positions, (std::vector<int>{8, 17, 26, 34}));

  // Narrower than measured: the pixels come off again.
  c.ClearCalls();
  run.Width = 4 * 7 - 3;
  style.PaintStyleText(c, 0, run);
  adv = Of(c, TLTDrawKind::TextAdvances);
  ASSERT_EQ(adv.size(), 1u);
  EXPECT_EQ(adv[0].Positions.back(), run.Width);

  c.ClearCalls();
  run.Text = u"a";
  run.Width = 40;
  style.PaintStyleText(c, 0, run);
  EXPECT_TRUE(Of(c, TLTDrawKind::TextAdvances).empty());
  EXPECT_EQ(Of(c, TLTDrawKind::Text).size(), 1u);
}

TEST(LTStyleDraw, CustomUnderlinesStayInsideTheRun) {
  TLTStyle style;
  TLTHeadlessCanvas c;
  TFontInfo& f = style.TextStyles()[0];
  f.Style = {fsUnderline};
  for (TLTUnderlineType type :
       {ltutDotted, ltutThickDashed, ltutLongDashed, ltutDashDotted, ltutDashDotDotted, ltutDouble, ltutThick}) {
    f.UnderlineType = type;
    c.ClearCalls();
    style.ApplyTextStyle(c, 0, ltbdUnspecified);
    TLTStyleTextRun run;
    run.Text = u"abcdefg";
    run.Left = 10;
    run.Top = 0;
    run.Width = 49;
    run.Height = 13;
    style.PaintStyleText(c, 0, run);
    const auto bands = Of(c, TLTDrawKind::FillRect);
    ASSERT_FALSE(bands.empty()) << type;
    for (const TLTDrawCall& b : bands) {
      EXPECT_GE(b.Rect.Left, 10);
      EXPECT_LE(b.Rect.Right, 59);
      EXPECT_GT(b.Rect.Height(), 0);
    }
    // The text itself goes out without the font's own underline.
    const auto text = Of(c, TLTDrawKind::Text);
    ASSERT_EQ(text.size(), 1u);
    EXPECT_FALSE(text[0].Font.Style.Contains(fsUnderline));
    EXPECT_TRUE(c.Font().Style.Contains(fsUnderline));  // restored afterwards
  }
}

TEST(LTStyleDraw, SpecialCharactersAreMarkedInTheirCells) {
  TLTStyle style;
  TLTHeadlessCanvas c;
  style.ApplyTextStyle(c, 0, ltbdUnspecified);
  TLTStyleTextRun run;
  run.Text = u"a b\u00A0";
  run.Width = 28;
  run.Height = 13;
  run.State = {lttsSpecialCharacters};
  style.PaintStyleText(c, 0, run);
  const auto text = Of(c, TLTDrawKind::Text);
  ASSERT_EQ(text.size(), 3u);
  EXPECT_EQ(text[1].Text, u"\u00B7");
  EXPECT_EQ(text[1].Rect.Left, 7);
  EXPECT_EQ(text[2].Text, u"\u00B0");
  EXPECT_EQ(text[2].Rect.Left, 21);
}

TEST(LTStyleDraw, BordersAndBackgrounds) {
  TLTHeadlessCanvas c;
  TLTBackgroundRect back;
  back.BorderOffsets.Left = 2;
  for (TLTOutputColorMode m : {ltocAsIs, ltocGray, ltocTwoTone}) back.Draw(c, {0, 0, 10, 10}, m);
  EXPECT_TRUE(c.Calls().empty());  // no colour: nothing in any mode
  back.Color = MakeColor(0x00FF00);
  TLTDeviceScale printer;
  printer.DevicePPIX = printer.DevicePPIY = 192;
  const TLTRectI r = back.Grow({10, 10, 20, 20}, printer);
  EXPECT_EQ(r.Left, 6);
  back.Draw(c, r, ltocAsIs);
  ASSERT_EQ(c.Calls().size(), 1u);
  EXPECT_EQ(c.Calls()[0].Rect, (TLTRectI{6, 10, 21, 21}));

  c.ClearCalls();
  TLTBorder border;
  border.Style = ltbDouble;
  border.Width = 1;
  border.InternalWidth = 2;
  EXPECT_EQ(border.TotalWidth(), 4);
  border.Draw(c, {10, 10, 50, 30}, ltocAsIs, TLTDeviceScale{});
  const auto lines = Of(c, TLTDrawKind::Line);
  ASSERT_EQ(lines.size(), 16u);  // two frames, four sides, both directions
  EXPECT_EQ(lines[0].Rect, (TLTRectI{10, 10, 50, 10}));
  EXPECT_EQ(lines[8].Rect, (TLTRectI{7, 7, 53, 7}));  // grown by 1 + InternalWidth
}

TEST(LTStyleDraw, TabStops) {
  TLTStyle style;
  const TLTDeviceScale screen;
  // No tabs: the next default stop strictly after x.
  EXPECT_EQ(style.FindNextTabStop(0, 48, 0, 0, 0, ltbdUnspecified, screen).Position, 96);
  EXPECT_EQ(style.FindNextTabStop(0, 10, 5, 0, 0, ltbdUnspecified, screen).Position, 53);
  TParaInfo& p = style.ParaStyles()[0];
  p.Tabs.Add(100, lttaRight, u".");
  auto stop = style.FindNextTabStop(0, 20, 0, 0, 0, ltbdUnspecified, screen);
  EXPECT_EQ(stop.Position, 100);
  EXPECT_EQ(stop.Align, lttaRight);
  EXPECT_EQ(stop.Leader, u".");
  // A hanging indent's implicit stop comes before a later tab.
  stop = style.FindNextTabStop(0, 20, 0, 40, 40, ltbdUnspecified, screen);
  EXPECT_EQ(stop.Position, 40);
  EXPECT_EQ(stop.Align, lttaLeft);
  // A non-positive default width never stalls the search.
  style.DefTabWidth = 0;
  EXPECT_EQ(style.FindNextTabStop(0, 200, 0, 0, 0, ltbdUnspecified, screen).Position, 201);
}

TEST(LTStyleDraw, CheckpointAndPageBreakMarks) {
  TLTStyle style;
  TLTHeadlessCanvas c;
  style.PaintCheckpoint(c, 30, 12, 3, 0, false, 200);
  ASSERT_EQ(Of(c, TLTDrawKind::Ellipse).size(), 1u);
  const auto lines = Of(c, TLTDrawKind::Line);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].Pen.Style, psDot);
  EXPECT_EQ(lines[0].Pen.Color, style.CheckpointColor);
  c.ClearCalls();
  style.PaintPageBreak(c, 50, 0, ltpbPageBreak, 200);
  const auto poly = Of(c, TLTDrawKind::Polygon);
  ASSERT_EQ(poly.size(), 1u);
  EXPECT_EQ(poly[0].Rect, (TLTRectI{192, 50, 200, 58}));
  c.ClearCalls();
  style.OnDrawPageBreak = [](TLTStyle&, TLTCanvas&, int, int, TLTPageBreakType, const TCustomLTData*, bool& d) {
    d = false;
  };
  style.PaintPageBreak(c, 50, 0, ltpbPageBreak, 200);
  EXPECT_TRUE(c.Calls().empty());
}

}  // namespace
}  // namespace lectern
