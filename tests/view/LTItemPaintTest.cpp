// Items painting themselves through the document painter: every built-in
// kind's look and selection, and a kind registered from outside that lays
// itself out and paints with nothing of layout or painting knowing it.
// The document is 30 characters (210 pixels) wide without margins; a rule's
// piece is 11 pixels high (5 above and below its middle pixel).

#include "model/LTMarker.h"
#include "platform/headless/LTHeadlessCanvas.h"
#include "tests/support/PaintDoc.h"
#include "view/LTPaint.h"

#include <gtest/gtest.h>

#include <memory>

namespace lectern {
namespace {

using testing::PaintDoc;
using testing::W;

constexpr int kWidth = 30 * W;

TLTBreakItemInfo& AddRule(PaintDoc& d, TLTBreakStyle style, uint8_t width = 1, TColor color = clNone) {
  auto rule = std::make_unique<TLTBreakItemInfo>();
  rule->Style = style;
  rule->LineWidth = width;
  rule->Color = color;
  TLTBreakItemInfo& r = *rule;
  d.Doc.AddItem({}, std::move(rule));
  return r;
}

std::vector<TLTRectI> Rects(const std::vector<TLTDrawCall>& calls) {
  std::vector<TLTRectI> out;
  for (const TLTDrawCall& c : calls) out.push_back(c.Rect);
  return out;
}

TEST(LTItemPaint, RuleStylesDrawTheirLineAcrossTheTextWidth) {
  {
    // Without a colour of its own a rule takes text style 0's.
    PaintDoc d;
    AddRule(d, ltbsSolid);
    d.Paint();
    const auto fills = d.Calls(TLTDrawKind::FillRect);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].Rect, (TLTRectI{0, 5, kWidth, 6}));
    EXPECT_EQ(fills[0].Brush.Color, d.Style.TextStyles()[0].Color);
  }
  {
    // A thicker line is centred on the middle pixel.
    PaintDoc d;
    AddRule(d, ltbsSolid, 3, MakeColor(0x0000FF));
    d.Paint();
    const auto fills = d.Calls(TLTDrawKind::FillRect);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].Rect, (TLTRectI{0, 4, kWidth, 7}));
    EXPECT_EQ(fills[0].Brush.Color, MakeColor(0x0000FF));
  }
  {
    PaintDoc d;
    AddRule(d, ltbsFrame, 1, MakeColor(0x00FF00));
    d.Paint();
    const auto frames = d.Calls(TLTDrawKind::Rectangle);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].Rect, (TLTRectI{0, 4, kWidth, 7}));
    EXPECT_EQ(frames[0].Pen.Color, MakeColor(0x00FF00));
  }
  {
    // Shadow above, highlight below.
    PaintDoc d;
    AddRule(d, ltbs3D, 2);
    d.Paint();
    const auto fills = d.Calls(TLTDrawKind::FillRect);
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(fills[0].Rect, (TLTRectI{0, 4, kWidth, 5}));
    EXPECT_EQ(fills[0].Brush.Color, MakeColor(0x808080));
    EXPECT_EQ(fills[1].Rect, (TLTRectI{0, 5, kWidth, 6}));
    EXPECT_EQ(fills[1].Brush.Color, MakeColor(0xFFFFFF));
  }
  {
    // Dots: one pixel on, one off.
    PaintDoc d;
    AddRule(d, ltbsDots);
    d.Paint();
    const auto fills = d.Calls(TLTDrawKind::FillRect);
    ASSERT_EQ(fills.size(), static_cast<size_t>(kWidth / 2));
    EXPECT_EQ(fills[0].Rect, (TLTRectI{0, 5, 1, 6}));
    EXPECT_EQ(fills[1].Rect, (TLTRectI{2, 5, 3, 6}));
  }
  {
    // Dashes: three on, two off; the last one stops at the right edge.
    PaintDoc d;
    d.Doc.ClientWidth = 12;
    AddRule(d, ltbsDashes);
    d.Paint();
    EXPECT_EQ(Rects(d.Calls(TLTDrawKind::FillRect)),
              (std::vector<TLTRectI>{{0, 5, 3, 6}, {5, 5, 8, 6}, {10, 5, 12, 6}}));
  }
}

TEST(LTItemPaint, ARuleHasNoParagraphBackgroundAndIsFramedWhenSelected) {
  PaintDoc d;
  TParaInfo& shaded = d.Style.ParaStyles().Add();
  shaded.Background.Color = MakeColor(0xDDDDDD);
  TLTBreakItemInfo& rule = AddRule(d, ltbsSolid);
  rule.ParaNo = 2;
  d.Paint();
  for (const TLTDrawCall& c : d.Canvas.Calls()) EXPECT_NE(c.Brush.Color, MakeColor(0xDDDDDD)) << "no background";

  d.SelectAll();
  d.Focused = true;
  d.Paint();
  const auto frames = d.Calls(TLTDrawKind::Rectangle);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].Rect, (TLTRectI{0, 0, kWidth, 11}));
  EXPECT_EQ(frames[0].Pen.Color, d.Style.SelColor);
  EXPECT_EQ(frames[0].Pen.Width, 2);
  EXPECT_EQ(frames[0].Brush.Style, bsClear) << "a frame, not a fill";
  // Printing shows no selection.
  d.Paint(true);
  EXPECT_TRUE(d.Calls(TLTDrawKind::Rectangle).empty());
}

TEST(LTItemPaint, TabLeaderFillsTheTabWithWholeLeadersFlushWithTheStop) {
  PaintDoc d;
  TParaInfo& p = d.Style.ParaStyles().Add();
  p.Tabs.Add(75, lttaLeft, u".");
  d.Doc.AddTextW(u"a\tb", 0, 2);
  d.Paint();
  // The tab runs from 7 to the stop at 75: 68 pixels, nine whole dots of 7.
  ASSERT_EQ(d.Doc.DrawItems.Count(), 3);
  EXPECT_EQ(d.Doc.DrawItems[1].Width, 68);
  const auto texts = d.Texts();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[1].Text, u".........");
  EXPECT_EQ(texts[1].Rect.Left, 75 - 9 * W);
  EXPECT_EQ(texts[1].Font.Color, d.Style.TextStyles()[0].Color);
  EXPECT_EQ(texts[1].Brush.Style, bsClear) << "the leader leaves the tab's background alone";

  // Selected, the tab is filled in the selection colour and its leader
  // drawn in the selected text colour.
  d.Selection = {&d.Doc, {1, 0}, {1, 1}};
  d.Paint();
  bool filled = false;
  for (const TLTDrawCall& c : d.Calls(TLTDrawKind::FillRect))
    filled |= c.Rect == TLTRectI{7, 0, 75, 13} && c.Brush.Color == d.Style.InactiveSelColor;
  EXPECT_TRUE(filled);
  EXPECT_EQ(d.Texts()[1].Font.Color, d.Style.InactiveSelTextColor);
}

TEST(LTItemPaint, BulletsShowTheirImageAndHotspotsTheHotOneUnderTheMouse) {
  TLTImageList list;
  list.Width = list.Height = 4;
  for (uint32_t color : {0xFFFF0000u, 0xFF0000FFu}) list.Images.push_back({4, 4, std::vector<uint32_t>(16, color)});
  PaintDoc d;
  auto bullet = std::make_unique<TLTBulletItemInfo>();
  bullet->ImageList = &list;
  d.Doc.AddItem({}, std::move(bullet));
  auto hotspot = std::make_unique<TLTHotspotItemInfo>();
  hotspot->ImageList = &list;
  hotspot->HotImageIndex = 1;
  hotspot->ParaNo = -1;
  d.Doc.AddItem({}, std::move(hotspot));
  d.Canvas.EnableRaster(40, 20);
  d.Paint();
  // Each is its image with one pixel of spacing around it: 6 wide.
  EXPECT_EQ(Rects(d.Calls(TLTDrawKind::Pixels)), (std::vector<TLTRectI>{{1, 1, 5, 5}, {7, 1, 11, 5}}));
  EXPECT_EQ(d.Canvas.PixelAt(8, 2), MakeColor(0x0000FF));  // red: 0x00BBGGRR
  ASSERT_EQ(d.Doc.GetItem(1).LinkIndex, 0);
  d.HoverJumpId = 0;
  d.Paint();
  EXPECT_EQ(d.Canvas.PixelAt(8, 2), MakeColor(0xFF0000));
  EXPECT_EQ(d.Canvas.PixelAt(2, 2), MakeColor(0x0000FF)) << "a plain bullet has no hot image";

  // An image the list does not have, or no list at all, shows nothing.
  static_cast<TLTHotspotItemInfo&>(d.Doc.GetItem(1)).HotImageIndex = 2;
  static_cast<TLTBulletItemInfo&>(d.Doc.GetItem(0)).ImageList = nullptr;
  d.Paint();
  EXPECT_TRUE(d.Calls(TLTDrawKind::Pixels).empty());
}

TEST(LTItemPaint, InTheLinesSelectionStyleSelectedItemsFillTheirLinesBand) {
  PaintDoc d;
  d.Style.SelectionStyle = ltssLines;
  d.Doc.AddTextW(u"ab", 0, 0);
  auto picture = std::make_unique<TLTGraphicItemInfo>();
  picture->ImageWidth = 10;
  picture->ImageHeight = 30;
  picture->ParaNo = -1;
  d.Doc.AddItem({}, std::move(picture));
  // The picture, 12 x 32 with its spacing, stands on the baseline: the line
  // is 32 above and the text's 3 below.
  const TLTRectI band{2 * W, 0, 2 * W + 12, 35};
  auto bandFilled = [&] {
    for (const TLTDrawCall& c : d.Calls(TLTDrawKind::FillRect))
      if (c.Rect == band && c.Brush.Color == d.Style.InactiveSelColor) return true;
    return false;
  };
  d.Paint();
  EXPECT_FALSE(bandFilled());
  d.SelectAll();
  d.Paint();
  EXPECT_TRUE(bandFilled());
  EXPECT_TRUE(d.Calls(TLTDrawKind::Rectangle).empty()) << "whole lines, no frames";
}

TEST(LTItemPaint, APictureThatCannotBeDrawnShowsTheInvalidPictureInItsPlace) {
  PaintDoc d;
  auto picture = std::make_unique<TLTGraphicItemInfo>();
  picture->ImageWidth = 20;
  picture->ImageHeight = 10;
  d.Doc.AddItem({}, std::move(picture));
  d.Paint();
  const auto pixels = d.Calls(TLTDrawKind::Pixels);
  ASSERT_EQ(pixels.size(), 1u);
  EXPECT_EQ(pixels[0].Rect, (TLTRectI{1, 1, 21, 11}));
  EXPECT_EQ(pixels[0].PixelsSize, (TLTSizeI{32, 32}));
  // Selected in the items style, the picture itself is framed.
  d.SelectAll();
  d.Paint();
  const auto frames = d.Calls(TLTDrawKind::Rectangle);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].Rect, (TLTRectI{1, 1, 21, 11}));
  EXPECT_EQ(frames[0].Pen.Color, d.Style.InactiveSelColor);
}

TEST(LTItemPaint, AControlWithoutItsControlKeepsAFramedPlace) {
  PaintDoc d;
  d.Doc.AddItem({}, std::make_unique<TLTControlItemInfo>());
  d.Paint();
  const auto frames = d.Calls(TLTDrawKind::Rectangle);
  ASSERT_EQ(frames.size(), 1u);
  // Nothing but its spacing of 1 on each side.
  EXPECT_EQ(frames[0].Rect, (TLTRectI{0, 0, 2, 2}));
}

TEST(LTItemPaint, AMarkerDrawsItsNumberOnTheBaselineAndNoSelection) {
  PaintDoc d;
  TLTListInfo& list = d.Style.ListStyles().Add();
  TLTListLevel& level = list.Levels.Add();
  level.ListType = ltlstDecimal;
  level.FormatString = u"%0:s.";
  level.FontForWrite().Font.Color = MakeColor(0x0000AA);
  d.Doc.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 0, false));
  d.Doc.AddTextW(u"item", 0, -1);
  d.SelectAll();
  d.Paint();
  const auto texts = d.Texts();
  ASSERT_EQ(texts.size(), 2u);  // the marker, then the text, selected
  EXPECT_EQ(texts[0].Text, u"1.");
  EXPECT_EQ(texts[0].Font.Color, MakeColor(0x0000AA));
  const TLTDrawLineInfo& marker = d.Doc.DrawItems[0];
  EXPECT_EQ(texts[0].Rect.Bottom, marker.Top + marker.Height);
  for (const TLTDrawCall& c : d.Calls(TLTDrawKind::FillRect))
    EXPECT_FALSE(c.Rect.Left < marker.Left + marker.Width && c.Rect.Right > marker.Left) << "no selection on it";
}

/// A kind of the application's own: a box of fixed size standing on the
/// baseline, painted as a filled rectangle.
class TStarItem : public TLTRectItemInfo {
 public:
  static constexpr int32_t kKind = -150;
  TStarItem() { StyleNo = kKind; }
  void OnDocWidthChange(TLTItemLayoutContext&, int available) override {
    Available = available;
    SetBox(30, 12, 2);
  }
  int GetMinWidth(TLTItemLayoutContext&) override { return 250; }
  void Paint(TLTCanvas& canvas, const TLTItemPaintInfo& info) const override {
    TLTCanvasSaver keep(canvas);
    canvas.SetBrush({info.IsSelected() ? MakeColor(0x00FFFF) : MakeColor(0x00AA00), bsSolid});
    canvas.FillRect(info.Box);
  }
  std::string DumpHead() const override { return "star"; }
  int Available = -1;
};

/// A full-line kind that measures itself and leaves painting to the default.
class TBarItem : public TLTFullLineItemInfo {
 public:
  static constexpr int32_t kKind = -151;
  TBarItem() { StyleNo = kKind; }
  void OnDocWidthChange(TLTItemLayoutContext&, int) override { SetBox(40, 8); }
};

const TLTItemClass kStarClass{"TStarItem", [] { return std::unique_ptr<TCustomLTItemInfo>(new TStarItem); }};

TEST(LTItemKinds, ARegisteredKindLaysOutAndPaintsItself) {
  RegisterItemKind(TStarItem::kKind, kStarClass);
  PaintDoc d;
  d.Doc.AddTextW(u"ab", 0, 0);
  auto star = ItemFactory(TStarItem::kKind);
  ASSERT_NE(star, nullptr);
  auto* s = static_cast<TStarItem*>(star.get());
  star->ParaNo = -1;
  d.Doc.AddItem({}, std::move(star));
  d.Paint();
  // Its box on the baseline (10 below the line's top for the text), its
  // descent of 2 below it; its minimal width widens the document.
  ASSERT_EQ(d.Doc.DrawItems.Count(), 2);
  const TLTDrawLineInfo& p = d.Doc.DrawItems[1];
  EXPECT_EQ(p.Left, 2 * W);
  EXPECT_EQ(p.Width, 30);
  EXPECT_EQ(p.Top, 10 + 2 - 12);
  EXPECT_EQ(d.Doc.DocumentWidth, 250);
  EXPECT_EQ(s->Available, 250);
  const auto fills = d.Calls(TLTDrawKind::FillRect);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].Rect, (TLTRectI{2 * W, 0, 2 * W + 30, 12}));
  EXPECT_EQ(fills[0].Brush.Color, MakeColor(0x00AA00));
  EXPECT_EQ(d.Doc.GetItem(1).DumpHead(), "star");
  d.SelectAll();
  d.Paint();
  EXPECT_EQ(d.Calls(TLTDrawKind::FillRect).back().Brush.Color, MakeColor(0x00FFFF));
}

const TLTItemClass kBarClass{"TBarItem", [] { return std::unique_ptr<TCustomLTItemInfo>(new TBarItem); }};

TEST(LTItemKinds, AFullLineKindIsPlacedByItsParagraphsAlignmentAndFramedByDefault) {
  RegisterItemKind(TBarItem::kKind, kBarClass);
  PaintDoc d;
  TParaInfo& right = d.Style.ParaStyles().Add();
  right.Alignment = ltaRight;
  right.LeftIndent = 10;
  TParaInfo& centre = d.Style.ParaStyles().Add();
  centre.Alignment = ltaCenter;
  for (int para : {0, 2, 3}) {
    auto bar = ItemFactory(TBarItem::kKind);
    bar->ParaNo = para;
    d.Doc.AddItem({}, std::move(bar));
  }
  d.Paint();
  ASSERT_EQ(d.Doc.DrawItems.Count(), 3);
  EXPECT_EQ(d.Doc.DrawItems[0].Left, 0);
  EXPECT_EQ(d.Doc.DrawItems[1].Left, kWidth - 40);  // the indent leaves the right edge where it is
  EXPECT_EQ(d.Doc.DrawItems[2].Left, (kWidth - 40) / 2);
  EXPECT_EQ(d.Doc.DrawItems[2].Height, 8);
  // A kind that does not paint still shows where it stands, and its
  // selection.
  EXPECT_EQ(d.Calls(TLTDrawKind::Rectangle).size(), 3u);
  d.SelectAll();
  d.Paint();
  EXPECT_EQ(d.Calls(TLTDrawKind::Rectangle).size(), 6u);
}

TEST(LTItemKinds, OnlyAnItemWithNoSizeAtAllTakesTheDefaultSide) {
  PaintDoc d;
  for (int width : {0, 15}) {
    auto picture = std::make_unique<TLTGraphicItemInfo>();
    picture->SetSpacing(0);
    picture->ImageWidth = width;
    d.Doc.AddItem({}, std::move(picture));
  }
  d.Doc.FormatAll({.Force = true});
  ASSERT_EQ(d.Doc.DrawItems.Count(), 2);
  EXPECT_EQ(d.Doc.DrawItems[0].Width, LTDefaultItemSide);
  EXPECT_EQ(d.Doc.DrawItems[0].Height, LTDefaultItemSide);
  EXPECT_EQ(d.Doc.DrawItems[1].Width, 15);
  EXPECT_EQ(d.Doc.DrawItems[1].Height, 0);
}

}  // namespace
}  // namespace lectern
