// Line layout on the headless canvas, whose fixed metrics make every
// position computable by hand: the default text style (10 points at 96 dpi)
// is 13 pixels high, ascent 10, descent 3, and every character 7 wide.

#include "layout/CLTFData.h"
#include "layout/LTLineBreak.h"
#include "model/LTMarker.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "platform/headless/LTHeadlessCanvas.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace lectern {
namespace {

constexpr int W = 7;  // character width
constexpr int H = 13;

template <class TDoc = TLTFormattedDocument>
struct LayoutDocOf {
  TLTStyle Style;
  TLTDocumentContext Context;
  TLTHeadlessCanvas Canvas;
  TDoc Doc;

  explicit LayoutDocOf(int textWidth = 40 * W) {
    Context.Style = &Style;
    Doc.SetContext(&Context);
    Doc.Canvas = &Canvas;
    Doc.LeftMargin = Doc.RightMargin = Doc.TopMargin = Doc.BottomMargin = 0;
    Doc.ClientWidth = textWidth;
  }
  void Format() { Doc.FormatAll({.Force = true}); }
  const TLTDrawLineInfo& P(int i) const { return Doc.DrawItems[i]; }

  /// The text of every piece ("#" for other items), lines separated by "|".
  std::string Pieces() const {
    std::string s;
    for (int i = 0; i < Doc.DrawItems.Count(); ++i) {
      const TLTDrawLineInfo& p = Doc.DrawItems[i];
      if (i > 0) s += p.StartsLine ? "|" : " ";
      s += Doc.GetItem(p.ItemNo).IsText() ? Utf16ToUtf8(PieceText(p, Doc)) : "#";
    }
    return s;
  }
};
using LayoutDoc = LayoutDocOf<>;

TEST(LTLineBreakTable, ClassesAndPairs) {
  EXPECT_EQ(LineBreakClass(u'('), lbOP);
  EXPECT_EQ(LineBreakClass(u'%'), lbPO);
  EXPECT_EQ(LineBreakClass(0x00AD), lbBA);
  EXPECT_EQ(LineBreakClass(0x200B), lbZW);
  EXPECT_EQ(LineBreakClass(0x2014), lbB2);
  EXPECT_EQ(LineBreakClass(0x4E00), lbID);
  EXPECT_EQ(LineBreakClass(0x0301), lbCM);
  EXPECT_EQ(LineBreakClass(0x2060), lbGL);
  EXPECT_EQ(LineBreakClass(0xAC00), lbID);  // Hangul syllables stay ideographic
  for (int r = 0; r < kLineBreakClassCount; ++r)
    EXPECT_EQ(LineBreakAction(lbOP, static_cast<TLTLineBreakClass>(r)), r == lbCM ? 1 : 2);
  // "well-known": after the hyphen; "50%" stays whole; "50 %" breaks at the space.
  EXPECT_EQ(FindUnicodeBreak(u"well-known", 7), 4);
  EXPECT_EQ(FindUnicodeBreak(u"ab 50%", 5), 2);
  EXPECT_EQ(FindUnicodeBreak(u"50 %", 3), 2);
  EXPECT_EQ(FindUnicodeBreak(u"x (abc", 4), 1);
  // Ideographs break anywhere; a surrogate pair is never split.
  EXPECT_EQ(FindUnicodeBreak(u"\u4E00\u4E01\u4E02", 2), 1);
  EXPECT_EQ(FindUnicodeBreak(u"a \U00020000\U00020001", 4), 3);
  EXPECT_EQ(DisplayText(u"a\u00ADb\u2011", false, true, false), u"a\u200Bb-");
  EXPECT_EQ(DisplayText(u"stra\u00DFe", true, true, true), u"STRA\u00DFE");  // length kept
}

TEST(LTFormat, WrapsAtSpacesAndSwallowsTheWrapSpace) {
  LayoutDoc d(8 * W);
  d.Doc.AddTextW(u"aaa bbb ccc", 0, 0);
  d.Format();
  EXPECT_EQ(d.Pieces(), "aaa bbb|ccc");
  EXPECT_EQ(d.P(0).Width, 7 * W);
  EXPECT_EQ(d.P(1).Offset, 9);  // the space at the wrap belongs to no line
  EXPECT_EQ(d.P(1).Top, H);
  EXPECT_EQ(d.Doc.DocumentHeight, 2 * H);

  // Without swallowing the space is trimmed from the line's end instead.
  LayoutDoc k(8 * W);
  k.Doc.ControlFlags = ltcfRegisterJumps;
  k.Doc.AddTextW(u"aaa bbb ccc", 0, 0);
  k.Format();
  EXPECT_EQ(k.Pieces(), "aaa bbb|ccc");
  EXPECT_EQ(k.P(0).Width, 7 * W);
}

TEST(LTFormat, BreaksFollowThePairTable) {
  LayoutDoc d(8 * W);
  d.Doc.AddTextW(u"well-known", 0, 0);
  d.Doc.AddTextW(u"abcd 100%", 0, 1);
  d.Format();
  EXPECT_EQ(d.Pieces(), "well-|known|abcd|100%");
  // The narrowest width holds the widest run between opportunities, also a
  // word that ends at a space.
  EXPECT_EQ(d.Doc.CalcMinWidth(0, d.Canvas), 5 * W);
  LayoutDoc e;
  e.Doc.AddTextW(u"alphabet be", 0, 0);
  EXPECT_EQ(e.Doc.CalcMinWidth(0, e.Canvas), 8 * W);
}

TEST(LTFormat, LongWordsWidenTheDocumentOrAreCutAtTheTextWidth) {
  LayoutDoc d(8 * W);
  d.Doc.AddTextW(u"abcdefghijklmnopqrst", 0, 0);
  d.Format();
  EXPECT_EQ(d.Pieces(), "abcdefghijklmnopqrst");
  EXPECT_EQ(d.Doc.DocumentWidth, 20 * W);
  d.Doc.MaxTextWidth = 8 * W;
  d.Format();
  EXPECT_EQ(d.Pieces(), "abcdefgh|ijklmnop|qrst");
}

TEST(LTFormat, SoftHyphenShowsADashOnlyAtTheWrap) {
  LayoutDoc d(4 * W);
  d.Doc.AddTextW(u"abc\u00ADdef", 0, 0);
  d.Doc.AddTextW(u"x\u00ADy", 0, 1);
  d.Format();
  ASSERT_EQ(d.Pieces(), "abc\u00AD|def|x\u00ADy");
  EXPECT_EQ(d.P(0).Width, 4 * W);  // three letters and the shown hyphen
  EXPECT_EQ(d.P(2).Width, 2 * W);  // inside a line the soft hyphen is invisible
}

TEST(LTFormat, MaxLengthLimitsCharactersPerLine) {
  LayoutDoc d(100 * W);
  d.Doc.MaxLength = 10;
  d.Doc.AddTextW(u"aaaa bbbb cccc dddd eeeeeeeeeeeeeee", 0, 0);
  d.Format();
  for (int i = 0; i < d.Doc.DrawItems.Count(); ++i) EXPECT_LE(d.P(i).Length, 10) << d.Pieces();
  EXPECT_EQ(d.Pieces(), "aaaa bbbb|cccc dddd|eeeeeeeeee|eeeee");
}

TEST(LTFormat, LineSpacingKinds) {
  LayoutDoc d(3 * W);
  TParaInfo& p150 = d.Style.ParaStyles().Add();
  p150.LineSpacing = 150;
  TParaInfo& p40 = d.Style.ParaStyles().Add();
  p40.LineSpacing = 40;
  TParaInfo& exact = d.Style.ParaStyles().Add();
  exact.LineSpacingType = ltlsLineHeightExact;
  exact.LineSpacing = 20;
  TParaInfo& between = d.Style.ParaStyles().Add();
  between.LineSpacingType = ltlsSpaceBetween;
  between.LineSpacing = 5;
  d.Doc.AddTextW(u"aa bb", 0, 2);
  d.Doc.AddTextW(u"cc", 0, 3);
  d.Doc.AddTextW(u"dd ee", 0, 4);
  d.Doc.AddTextW(u"ff", 0, 5);
  d.Format();
  ASSERT_EQ(d.Pieces(), "aa|bb|cc|dd|ee|ff");
  EXPECT_EQ(d.P(0).SpaceBelow, H / 2);
  EXPECT_EQ(d.P(1).Top, H + H / 2);
  EXPECT_EQ(d.P(2).SpaceBelow, 0);  // below 50 percent is ignored
  // Exact 20: 16 above and 4 below the baseline whatever the font.
  const int cTop = d.P(2).Top + H;
  EXPECT_EQ(d.P(3).Top - d.P(3).SpaceAbove, cTop);
  EXPECT_EQ(d.P(3).SpaceAbove, 16 - 10);
  EXPECT_EQ(d.P(3).SpaceBelow, 4 - 3);
  EXPECT_EQ(d.P(4).Top - d.P(3).Top, 20);
  EXPECT_EQ(d.P(5).Top - d.P(4).Top, 10 + 4);
  EXPECT_EQ(d.P(5).SpaceBelow, 5);
}

TEST(LTFormat, AlignmentAndJustification) {
  LayoutDoc d(10 * W);
  TParaInfo& right = d.Style.ParaStyles().Add();
  right.Alignment = ltaRight;
  TParaInfo& center = d.Style.ParaStyles().Add();
  center.Alignment = ltaCenter;
  TParaInfo& justify = d.Style.ParaStyles().Add();
  justify.Alignment = ltaJustify;
  d.Doc.AddTextW(u"abc", 0, 2);
  d.Doc.AddTextW(u"abcd", 0, 3);
  d.Doc.AddTextW(u"aa bb cc dd ee ff", 0, 4);
  d.Doc.AddTextW(u"x y", 0, 4);
  d.Format();
  EXPECT_EQ(d.P(0).Left, 7 * W);
  EXPECT_EQ(d.P(1).Left, 3 * W);
  // "aa bb cc" fills 8 of 10 characters: the two gaps take 7 pixels each.
  ASSERT_EQ(d.Pieces(), "abc|abcd|aa  bb  cc|dd  ee  ff|x  y");
  EXPECT_EQ(d.P(2).JustifyExtra, 0);
  EXPECT_EQ(d.P(3).JustifyExtra, W);
  EXPECT_EQ(d.P(4).JustifyExtra, W);
  EXPECT_EQ(d.P(4).Left + d.P(4).Width, 10 * W);
  // The paragraph's last line and a one-line paragraph are not stretched.
  EXPECT_EQ(d.P(6).JustifyExtra, 0);
  EXPECT_EQ(d.P(9).JustifyExtra, 0);
  EXPECT_EQ(d.P(9).Left + d.P(9).Width, 3 * W);
}

TEST(LTFormat, OverflowingLineIsNeverShiftedLeftOfItsMargin) {
  LayoutDoc d(3 * W);
  TParaInfo& right = d.Style.ParaStyles().Add();
  right.Alignment = ltaRight;
  right.Options.Include(ltpaoNoWrap);
  d.Doc.AddTextW(u"abcdef", 0, 2);
  d.Format();
  EXPECT_EQ(d.P(0).Left, 0);
  EXPECT_EQ(d.Doc.DocumentWidth, 6 * W);  // the minimal width grows the document
}

TEST(LTFormat, RightAndCenterTabs) {
  LayoutDoc d(40 * W);
  TParaInfo& p = d.Style.ParaStyles().Add();
  p.Tabs.Add(100, lttaRight);
  p.Tabs.Add(200, lttaCenter);
  d.Doc.AddTextW(u"a\t123\tmid", 0, 2);
  d.Format();
  ASSERT_EQ(d.Pieces(), "a # 123 # mid");
  EXPECT_EQ(d.P(2).Left + d.P(2).Width, 100);
  EXPECT_EQ(d.P(4).Left + d.P(4).Width / 2, 200 - 1);  // 21 wide: centred within a pixel
  // Default stops: the next multiple of DefTabWidth strictly after x.
  LayoutDoc k;
  k.Doc.AddTextW(u"abcdefg\tx", 0, 0);
  k.Format();
  EXPECT_EQ(k.P(2).Left, 96);
}

TEST(LTFormat, ListParagraphIndents) {
  LayoutDoc d(10 * W);
  TLTListInfo& list = d.Style.ListStyles().Add();
  TLTListLevel& level = list.Levels.Add();
  level.ListType = ltlstDecimal;
  level.FormatString = u"%0:s.";
  level.MarkerIndent = 5;
  level.LeftIndent = 30;
  level.FirstIndent = 0;
  d.Doc.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 0, false));
  d.Doc.AddTextW(u"aaa bbb ccc", 0, -1);
  d.Format();
  ASSERT_EQ(d.Pieces(), "# aaa|bbb|ccc");
  EXPECT_EQ(d.P(0).Left, 5);
  EXPECT_EQ(d.P(1).Left, 30);  // the marker "1." is 14 wide: text at LeftIndent
  EXPECT_EQ(d.P(2).Left, 30);
}

TEST(LTFormat, AListParagraphsNarrowestWidthKeepsTheIndentOppositeItsMarker) {
  // The level's indent (30), the paragraph's indent on the far side (left
  // to right the right indent, 10; right to left the left one, 4) and the
  // widest run: the marker "1." (14) with "aaa" (21), which cannot be
  // parted from it.
  for (const TLTBiDiMode dir : {ltbdLeftToRight, ltbdRightToLeft}) {
    LayoutDoc d(40 * W);
    TLTListLevel& level = d.Style.ListStyles().Add().Levels.Add();
    level.ListType = ltlstDecimal;
    level.MarkerIndent = 5;
    level.LeftIndent = 30;
    TParaInfo& para = d.Style.ParaStyles().Add();
    para.LeftIndent = 4;
    para.RightIndent = 10;
    para.BiDiMode = dir;
    const int paraNo = d.Style.ParaStyles().Count() - 1;
    auto marker = std::make_unique<TLTMarkerItemInfo>(0, 0, 0, false);
    marker->ParaNo = paraNo;
    d.Doc.AddItem({}, std::move(marker));
    d.Doc.AddTextW(u"aaa bb", 0, -1);
    EXPECT_EQ(d.Doc.CalcMinWidth(0, d.Canvas), 30 + (dir == ltbdRightToLeft ? 4 : 10) + 2 * W + 3 * W) << dir;
  }
}

TEST(LTFormat, RectItemsAlignToTheBaselineOrTheLine) {
  LayoutDoc d(40 * W);
  auto pic = [](uint8_t va) {
    auto g = std::make_unique<TLTGraphicItemInfo>();
    g->ImageWidth = 20;
    g->ImageHeight = 30;
    g->VertAlign = va;
    g->ParaNo = -1;
    g->SetJoinPrev(true);
    return g;
  };
  d.Doc.AddTextW(u"ab", 0, 0);
  d.Doc.AddItem({}, pic(0));
  d.Doc.AddItem({}, pic(2));
  d.Doc.AddItem({}, pic(3));
  d.Format();
  // Baseline-aligned: 32 high above the baseline, which moves the text down.
  EXPECT_EQ(d.P(1).Top, 0);
  EXPECT_EQ(d.P(0).Top, 32 - 10);
  EXPECT_EQ(d.P(2).Top, 0);            // line top
  EXPECT_EQ(d.P(3).Top + 32, 32 + 3);  // line bottom (text descent)
  EXPECT_EQ(d.P(1).Left, 2 * W + 0);
}

TEST(LTFormat, BreakAndFullLineItems) {
  LayoutDoc d(30 * W);
  d.Doc.AddTextW(u"a", 0, 0);
  auto rule = std::make_unique<TLTBreakItemInfo>();
  rule->ParaNo = 0;
  d.Doc.AddItem({}, std::move(rule));
  d.Doc.AddTextW(u"b", 0, 0);
  d.Format();
  EXPECT_EQ(d.P(1).Height, 11);
  EXPECT_EQ(d.P(1).Width, d.Doc.TextWidth);
  EXPECT_EQ(d.P(1).Top, H);
  EXPECT_EQ(d.P(2).Top, H + 11);
}

TEST(LTFormat, HitTestAndCoordinatesRoundTrip) {
  LayoutDoc d(8 * W);
  d.Doc.AddTextW(u"aaa bbb ccc", 0, 0);
  d.Doc.AddTextW(u"second", 0, 1);
  d.Format();
  int di = 0, off = 0;
  ASSERT_TRUE(d.Doc.HitTest(2 * W + 2, 5, false, di, off));
  EXPECT_EQ(di, 0);
  EXPECT_EQ(off, 3);
  ASSERT_TRUE(d.Doc.HitTest(3 * W + 4, H + 2, false, di, off));  // past "ccc": its end
  EXPECT_EQ(di, 1);
  EXPECT_EQ(off, 4);
  EXPECT_FALSE(d.Doc.HitTest(5 * W, H + 2, true, di, off));
  EXPECT_EQ(d.Doc.DrawItemAtY(-50), 0);
  EXPECT_EQ(d.Doc.DrawItemAtY(1000), 2);
  for (int item = 0; item < 2; ++item) {
    const int len = d.Doc.GetItem(item).TextLength();
    for (int o = 1; o <= len + 1; ++o) {
      int dd, doff, back, boff;
      ASSERT_TRUE(d.Doc.ItemToDrawItem(item, o, dd, doff));
      ASSERT_TRUE(d.Doc.DrawItemToItem(dd, doff, back, boff));
      EXPECT_EQ(back, item);
      EXPECT_EQ(boff, o);
    }
  }
}

TEST(LTFormat, ReformatRangeMatchesAFullLayout) {
  LayoutDoc d(8 * W);
  TFontInfo& link = d.Style.TextStyles().Add();
  link.Jump = true;
  d.Doc.AddTextW(u"first para", 0, 0);
  d.Doc.AddTextW(u"go", 6, 0);
  d.Doc.AddTextW(u"aaa bbb", 0, 0);
  d.Doc.AddTextW(u"here", 6, 0);
  d.Format();
  ASSERT_EQ(d.Doc.Jumps.size(), 2u);
  // Type into the first paragraph so that it takes one more line.
  d.Doc.SetItemTextRaw(0, Utf16ToBytes(u"first para more"));
  d.Doc.ReformatRange(0, 0, 0);
  const std::string partial = d.Pieces();
  const int height = d.Doc.DocumentHeight;
  std::vector<int> tops, ids;
  for (int i = 0; i < d.Doc.DrawItems.Count(); ++i) tops.push_back(d.P(i).Top);
  for (const TLTJumpInfo& j : d.Doc.Jumps) ids.push_back(j.Id * 100000 + j.Top);
  d.Format();
  std::vector<int> fullTops, fullIds;
  for (int i = 0; i < d.Doc.DrawItems.Count(); ++i) fullTops.push_back(d.P(i).Top);
  for (const TLTJumpInfo& j : d.Doc.Jumps) fullIds.push_back(j.Id * 100000 + j.Top);
  EXPECT_EQ(partial, d.Pieces());
  EXPECT_EQ(tops, fullTops);
  EXPECT_EQ(ids, fullIds);
  EXPECT_EQ(height, d.Doc.DocumentHeight);
}

TEST(LTFormat, AppendedOnlyLaysOutNewItemsAndNothingWhenNoneCame) {
  LayoutDoc d(20 * W);
  d.Doc.AddTextW(u"one", 0, 0);
  d.Format();
  const int h = d.Doc.DocumentHeight;
  d.Doc.FormatAll({.AppendedOnly = true});
  EXPECT_EQ(d.Doc.DrawItems.Count(), 1);
  EXPECT_EQ(d.Doc.DocumentHeight, h);
  d.Doc.AddTextW(u"two", 0, 0);
  d.Doc.FormatAll({.AppendedOnly = true});
  EXPECT_EQ(d.Pieces(), "one|two");
  EXPECT_EQ(d.P(1).Top, H);
  EXPECT_EQ(d.Doc.DocumentHeight, 2 * H);
}

TEST(LTFormat, EmptyDocumentAndEmptyItems) {
  LayoutDoc d;
  d.Doc.TopMargin = 4;
  d.Doc.BottomMargin = 6;
  d.Format();
  EXPECT_EQ(d.Doc.DrawItems.Count(), 0);
  EXPECT_EQ(d.Doc.DocumentHeight, 10);
  d.Doc.AddTextW(u"", 0, 0);
  d.Format();
  ASSERT_EQ(d.Doc.DrawItems.Count(), 1);
  EXPECT_EQ(d.P(0).Width, 0);
  EXPECT_EQ(d.P(0).Height, H);
}

}  // namespace
}  // namespace lectern

namespace lectern {
namespace {

TEST(LTFormat, DoubleByteTextNeverWrapsBetweenLeadAndTrailBytes) {
  LayoutDoc d(5 * W);
  TFontInfo& sjis = d.Style.TextStyles().Add();
  sjis.Unicode = false;
  sjis.Charset = 128;  // Shift-JIS
  // Eight ideographs of two bytes each: "日本語のテキストです" cut to eight.
  const std::string bytes = "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x65\x83\x4c\x83\x58\x83\x67";
  d.Doc.AddTextA(bytes, 6, 0);
  d.Doc.MaxTextWidth = 5 * W;  // 8-bit text breaks at spaces only: cut it
  d.Format();
  ASSERT_GE(d.Doc.DrawItems.Count(), 2);
  int covered = 0;
  for (int i = 0; i < d.Doc.DrawItems.Count(); ++i) {
    const TLTDrawLineInfo& p = d.P(i);
    EXPECT_EQ((p.Offset - 1) % 2, 0) << "piece " << i << " starts inside a character";
    EXPECT_EQ(p.Length % 2, 0);
    EXPECT_LE(p.Width, 5 * W);
    covered += p.Length;
  }
  EXPECT_EQ(covered, 16);
}

TEST(LTFormat, DoubleByteCharacterOfTwoUnitsStaysOneCharacter) {
  // A lead byte before a byte that cannot trail it converts to two
  // characters, a replacement and a space, yet stays one character of two
  // bytes: the caret has one place before it and one after it.
  auto sjisDoc = [](int width) {
    auto d = std::make_unique<LayoutDoc>(width);
    TFontInfo& sjis = d->Style.TextStyles().Add();
    sjis.Unicode = false;
    sjis.Charset = 128;  // Shift-JIS
    return d;
  };
  auto d = sjisDoc(40 * W);
  d->Doc.AddTextA("a\x81 b", 6, 0);
  d->Format();
  ASSERT_EQ(d->Doc.DrawItems.Count(), 1);
  std::vector<int> offsets, xs;
  for (const TLTPieceStop& s : d->Doc.PieceStops(0)) {
    offsets.push_back(s.Offset);
    xs.push_back(s.X);
  }
  EXPECT_EQ(offsets, (std::vector<int>{1, 2, 4, 5}));
  EXPECT_EQ(xs, (std::vector<int>{0, W, 3 * W, 4 * W}));

  // Its space is no place to wrap at, and a line never ends inside it:
  // every byte is on exactly one line.
  for (const char* text : {"aaaa\x81 bbbb", "aaaaa\x81 bbbb"}) {
    auto w = sjisDoc(6 * W);
    w->Doc.AddTextA(text, 6, 0);
    w->Doc.MaxTextWidth = 6 * W;
    w->Format();
    int next = 1;
    for (int i = 0; i < w->Doc.DrawItems.Count(); ++i) {
      EXPECT_EQ(w->P(i).Offset, next) << text << " piece " << i;
      next = w->P(i).Offset + w->P(i).Length;
    }
    EXPECT_EQ(next, static_cast<int>(std::string_view(text).size()) + 1) << text;
  }
}

}  // namespace
}  // namespace lectern

namespace lectern {
namespace {

/// A container whose scroll bar comes and goes with every layout.
struct TFlappingDocument : TLTFormattedDocument {
  int Reports = 0;
  bool DocumentSizeChanged(int, int) override {
    ++Reports;
    ClientWidth = ClientWidth == 100 ? 83 : 100;
    return true;
  }
};

TEST(LTFormat, AScrollBarThatComesAndGoesReformatsAtMostTwice) {
  LayoutDocOf<TFlappingDocument> d(100);
  TFlappingDocument& doc = d.Doc;
  doc.AddTextW(u"some words to wrap at either width", 0, 0);
  doc.FormatAll({.Force = true});
  EXPECT_EQ(doc.Reports, 3);  // the pass and two repetitions
  EXPECT_FALSE(doc.IsFormatting());
}

}  // namespace
}  // namespace lectern

namespace lectern {
namespace {

/// A container with a view that can scroll.
struct TScrolledDocument : TLTFormattedDocument {
  int ViewTop = 0;
  int GetViewTop() const override { return ViewTop; }
  void ScrollToY(int y) override { ViewTop = y; }
};

TEST(LTFormat, KeepPositionKeepsTheTopLineInView) {
  LayoutDocOf<TScrolledDocument> d(20 * W);
  TScrolledDocument& doc = d.Doc;
  for (int i = 0; i < 20; ++i) doc.AddTextW(u"para " + Utf8ToUtf16(IntToStr(i)) + u" with some words in it", 0, 0);
  doc.FormatAll({.Force = true});
  const int item = 12;
  const int top = doc.DrawItems[doc.GetItem(item).FirstDrawItem].Top;
  doc.ViewTop = top + 3;  // three pixels into the paragraph's first line
  doc.ClientWidth = 9 * W;
  doc.FormatAll({.KeepPosition = true});
  EXPECT_EQ(doc.ViewTop, doc.DrawItems[doc.GetItem(item).FirstDrawItem].Top + 3);
  EXPECT_NE(doc.ViewTop, top + 3);  // the lines above did re-wrap
}

}  // namespace
}  // namespace lectern

namespace lectern {
namespace {

TEST(LTFormat, ARunThatWrapsIsMeasuredInItsOwnFont) {
  // Ending the previous line re-measures its last piece in that piece's
  // font and text; the wrapped run must keep its own.
  LayoutDoc d(7 * W);
  TFontInfo& big = d.Style.TextStyles().Add();
  big.Size = 20;  // 27 pixels high, 14 wide
  d.Doc.AddTextW(u"aaaa ", 0, 0);
  d.Doc.AddTextW(u"BB", 6, -1);
  d.Doc.AddTextW(u" cc", 0, -1);
  d.Format();
  ASSERT_EQ(d.Pieces(), "aaaa|BB  cc");
  EXPECT_EQ(d.P(1).Width, 2 * 14);
  EXPECT_EQ(d.P(1).Height, 27);
  EXPECT_EQ(d.P(2).Left, 2 * 14);
}

TEST(LTFormat, EditedOrReplacedStylesAreMeasuredAfresh) {
  LayoutDoc d;
  d.Doc.AddTextW(u"abc", 0, 0);
  d.Format();
  ASSERT_EQ(d.P(0).Width, 3 * W);
  // A style edited in place: 20 points are 27 pixels, 14 wide.
  d.Style.TextStyles()[0].Size = 20;
  d.Format();
  EXPECT_EQ(d.P(0).Width, 3 * 14);
  EXPECT_EQ(d.P(0).Height, 27);
  // The sheet's styles replaced by others of the same number.
  TLTStyle other;
  other.TextStyles()[0].Size = 30;  // 40 pixels, 20 wide
  d.Style.TextStyles().Assign(other.TextStyles());
  d.Format();
  EXPECT_EQ(d.P(0).Width, 3 * 20);
}

/// The headless canvas with characters 6.5 pixels wide: a run's width
/// is its running sum rounded once, as on a real screen, so a word's share
/// of a longer text can be a pixel narrower than the word alone.
class THalfPixelCanvas final : public TLTCanvas {
 public:
  const TLTCanvasFont& Font() const override { return c_.Font(); }
  void SetPen(const TLTPen& pen) override { c_.SetPen(pen); }
  const TLTPen& Pen() const override { return c_.Pen(); }
  void SetBrush(const TLTBrush& brush) override { c_.SetBrush(brush); }
  const TLTBrush& Brush() const override { return c_.Brush(); }
  int CharacterExtra() const override { return c_.CharacterExtra(); }
  TLTReadingOrder ReadingOrder() const override { return c_.ReadingOrder(); }
  int PixelsPerInchX() const override { return c_.PixelsPerInchX(); }
  int PixelsPerInchY() const override { return c_.PixelsPerInchY(); }
  TLTTextMetrics TextMetrics() override { return c_.TextMetrics(); }
  bool OutlineMetrics(TLTOutlineMetrics& m) override { return c_.OutlineMetrics(m); }
  TLTSizeI TextExtent(std::u16string_view text) override {
    return {static_cast<int>((text.size() * 13 + 1) / 2), c_.TextMetrics().Height};
  }
  void PartialExtents(std::u16string_view text, std::vector<int>& out) override {
    out.resize(text.size());
    for (size_t i = 0; i < text.size(); ++i) out[i] = static_cast<int>(((i + 1) * 13 + 1) / 2);
  }
  void TextOut(int x, int y, std::u16string_view text) override { c_.TextOut(x, y, text); }
  void TextOutAdvances(int x, int y, std::u16string_view text, const std::vector<int>& advances) override {
    c_.TextOutAdvances(x, y, text, advances);
  }
  void Line(int x1, int y1, int x2, int y2) override { c_.Line(x1, y1, x2, y2); }
  void FillRect(const TLTRectI& r) override { c_.FillRect(r); }
  void Rectangle(const TLTRectI& r) override { c_.Rectangle(r); }
  void Ellipse(const TLTRectI& r) override { c_.Ellipse(r); }
  void Polygon(const std::vector<TLTPointI>& points) override { c_.Polygon(points); }
  void DrawPixels(const TLTRectI& r, const TLTPixels& pixels) override { c_.DrawPixels(r, pixels); }
  void IntersectClip(const TLTRectI& r) override { c_.IntersectClip(r); }

 protected:
  void DoSetFont(const TLTCanvasFont& font) override { c_.SetFont(font); }
  void DoSetCharacterExtra(int pixels) override { c_.SetCharacterExtra(pixels); }
  void DoSetReadingOrder(TLTReadingOrder order) override { c_.SetReadingOrder(order); }
  void DoSave() override { c_.Save(); }
  void DoRestore() override { c_.Restore(); }

 private:
  TLTHeadlessCanvas c_;
};

TEST(LTFormat, AWordThatWidensTheDocumentFitsOnItsLine) {
  // "cdefghijk" starts at 19.5 pixels into its text: its share is 78 - 20
  // = 58 pixels, alone it is 58.5, drawn 59.
  THalfPixelCanvas canvas;
  LayoutDoc d(10);
  d.Doc.Canvas = &canvas;
  d.Doc.AddTextW(u"ab cdefghijk", 0, 0);
  d.Format();
  EXPECT_EQ(d.Doc.DocumentWidth, 59);
  EXPECT_EQ(d.Pieces(), "ab|cdefghijk");
}

TEST(LTFormat, APagePartContinuesItsListsNumberingAndIndents) {
  // A list of two levels ("1.", "1.1.", ...); the page's part starts
  // inside "2.2.".
  LayoutDoc d(40 * W);
  TLTListInfo& list = d.Style.ListStyles().Add();
  for (int k = 0; k < 2; ++k) {
    TLTListLevel& level = list.Levels.Add();
    level.ListType = ltlstDecimal;
    level.FormatString = k == 0 ? u"%0:s." : u"%0:s.%1:s.";
    level.LeftIndent = 30 * (k + 1);
    level.FirstIndent = 0;
  }
  const std::pair<int, const char16_t*> paras[] = {{0, u"one"},   {1, u"a"},         {0, u"two"},
                                                   {1, u"b"},     {1, u"c cut here"}, {1, u"d"}};
  for (const auto& [lvl, text] : paras) {
    d.Doc.AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, lvl, 0, false));
    d.Doc.AddTextW(text, 0, -1);
  }
  const TLTItemRange part{9, 3, 11, 2};  // "cut here" .. "d"
  d.Context.LTFOptions = {ltfoSaveBinary};
  TLTMemoryStream stream;
  ASSERT_TRUE(d.Doc.SavePagePartToStream(stream, part, TLTLayoutInfo{}));
  // The numbering record: 0, five markers before the part, 17 bytes each.
  const std::string numbering = "-9 2 0 0 2 0 6\r\n\r\n" + std::string("\x5D\0\0\0\0\0\0\0\x05\0\0\0", 12);
  EXPECT_NE(stream.Data().find(numbering), std::string::npos);

  LayoutDoc f(40 * W);
  f.Context.LTFOptions = {ltfoLoadLayout};
  f.Style.ListStyles().Assign(d.Style.ListStyles());
  stream.Seek(0, TLTSeekOrigin::Begin);
  TLTLayoutInfo read;
  ASSERT_TRUE(f.Doc.LoadLTFFromStream(stream, &read));
  ASSERT_EQ(f.Doc.ItemCount(), 3);  // "cut here", the last marker, "d"
  EXPECT_TRUE(read.FirstParaCut);
  EXPECT_FALSE(read.LastParaCut);
  EXPECT_EQ(read.FirstMarkerListNo, 0);
  EXPECT_EQ(read.FirstMarkerLevel, 1);
  // The last marker keeps its number and its parent's from before the part.
  EXPECT_EQ(static_cast<TLTMarkerItemInfo&>(f.Doc.GetItem(1)).DisplayString, u"2.3.");
  // The cut paragraph keeps its level's indent without its marker.
  f.Format();
  ASSERT_EQ(f.Pieces(), "cut here|# d");
  EXPECT_EQ(f.P(0).Left, 60);
}

// ---- Indents, paragraph spacing and lines filled to the pixel ---------------------------

TEST(LTFormat, OnlyTheFirstLineOfAParagraphTakesTheFirstIndent) {
  // 10 characters wide; the first line starts 5 + 14 in and holds 7
  // characters, the others start at the left indent.
  LayoutDoc d(10 * W);
  TParaInfo& indented = d.Style.ParaStyles().Add();
  indented.LeftIndent = 5;
  indented.FirstIndent = 2 * W;
  const int para = d.Style.ParaStyles().Count() - 1;
  d.Doc.AddTextW(u"aaa bbb ccc ddd eee fff", 0, para);
  // A hanging first line: out by 14 from the left indent.
  TParaInfo& hanging = d.Style.ParaStyles().Add();
  hanging.LeftIndent = 2 * W;
  hanging.FirstIndent = -2 * W;
  d.Doc.AddTextW(u"ggg hhh iii jjj", 0, para + 1);
  d.Format();
  ASSERT_EQ(d.Pieces(), "aaa bbb|ccc ddd|eee fff|ggg hhh|iii jjj");
  EXPECT_EQ(d.P(0).Left, 5 + 2 * W);
  EXPECT_EQ(d.P(1).Left, 5);
  EXPECT_EQ(d.P(2).Left, 5);
  EXPECT_EQ(d.P(3).Left, 0);
  EXPECT_EQ(d.P(4).Left, 2 * W);
}

TEST(LTFormat, ParagraphsAreApartByTheSpaceAfterThePreviousAndBeforeTheNext) {
  LayoutDoc d(10 * W);
  TParaInfo& after = d.Style.ParaStyles().Add();
  after.SpaceAfter = 6;
  TParaInfo& before = d.Style.ParaStyles().Add();
  before.SpaceBefore = 4;
  const int a = d.Style.ParaStyles().Count() - 2, b = a + 1;
  d.Doc.AddTextW(u"one", 0, a);
  d.Doc.AddTextW(u"two", 0, b);
  d.Doc.AddTextW(u"three", 0, a);
  // A rule after a paragraph is spaced the same way.
  auto rule = std::make_unique<TLTBreakItemInfo>();
  rule->ParaNo = b;
  d.Doc.AddItem({}, std::move(rule));
  d.Doc.AddTextW(u"four", 0, a);
  d.Doc.AddTextW(u"five", 0, 0);
  d.Format();
  EXPECT_EQ(d.P(0).Top, 0);
  EXPECT_EQ(d.P(1).Top, H + 6 + 4);
  EXPECT_EQ(d.P(2).Top, d.P(1).Top + H);
  EXPECT_EQ(d.P(3).Top, d.P(2).Top + H + 6 + 4);
  EXPECT_EQ(d.P(4).Top, d.P(3).Top + d.P(3).Height);
  EXPECT_EQ(d.P(5).Top, d.P(4).Top + H + 6);
}

TEST(LTFormat, APictureOrTabThatExactlyFillsTheLineStaysOnIt) {
  // "abcd" is 28 wide; a picture 40 wide with 1 pixel of spacing on either
  // side takes the remaining 42 of 70.
  auto picture = [](int width) {
    auto g = std::make_unique<TLTGraphicItemInfo>();
    g->ImageWidth = width;
    g->ImageHeight = 10;
    g->ParaNo = -1;
    g->SetJoinPrev(true);
    return g;
  };
  for (const auto& [width, pieces] : {std::pair{40, "abcd #"}, std::pair{41, "abcd|#"}}) {
    LayoutDoc d(10 * W);
    d.Doc.AddTextW(u"abcd", 0, 0);
    d.Doc.AddItem({}, picture(width));
    d.Format();
    EXPECT_EQ(d.Pieces(), pieces) << width;
    if (width == 40) EXPECT_EQ(d.P(1).Left + d.P(1).Width, 10 * W);
  }
  // The default stop after "abcdefg" (49) is 96: a line of 96 holds the tab.
  for (const auto& [width, pieces] : {std::pair{96, "abcdefg #|x"}, std::pair{95, "abcdefg|# x"}}) {
    LayoutDoc d(width);
    d.Doc.AddTextW(u"abcdefg\tx", 0, 0);
    d.Format();
    EXPECT_EQ(d.Pieces(), pieces) << width;
    if (width == 96) {
      EXPECT_EQ(d.P(1).Left, 7 * W);
      EXPECT_EQ(d.P(1).Width, 96 - 7 * W);
    }
  }
}

}  // namespace
}  // namespace lectern
