// Lines of both directions on the headless canvas: every character is 7
// pixels wide, so each piece's place can be computed by hand. Hebrew
// letters stand for right-to-left text (A = U+05D0 ...).

#include "layout/CLTFData.h"
#include "model/LTMarker.h"
#include "platform/LTBiDi.h"
#include "platform/LTCanvas.h"
#include "platform/headless/LTHeadlessCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace lectern {
namespace {

constexpr int W = 7;

// Three Hebrew letters each.
constexpr char16_t kAlef = 0x05D0;
const std::u16string kHeb1{kAlef, kAlef + 1, kAlef + 2};
const std::u16string kHeb2{kAlef + 3, kAlef + 4, kAlef + 5};
const std::u16string kHeb3{kAlef + 6, kAlef + 7, kAlef + 8};

std::u16string Reversed(std::u16string s) {
  std::reverse(s.begin(), s.end());
  return s;
}

struct BiDiDoc {
  TLTStyle Style;
  TLTDocumentContext Context;
  TLTHeadlessCanvas Canvas;
  TLTFormattedDocument Doc;
  int Rtl = -1;  // a right-to-left paragraph style, aligned right

  explicit BiDiDoc(int textWidth, TLTAlignment rtlAlign = ltaRight) {
    Context.Style = &Style;
    Doc.SetContext(&Context);
    Doc.Canvas = &Canvas;
    Doc.LeftMargin = Doc.RightMargin = Doc.TopMargin = Doc.BottomMargin = 0;
    Doc.ClientWidth = textWidth;
    TParaInfo& p = Style.ParaStyles().Add();
    p.BiDiMode = ltbdRightToLeft;
    p.Alignment = rtlAlign;
    Rtl = Style.ParaStyles().Count() - 1;
  }
  void Format() { Doc.FormatAll({.Force = true}); }
  const TLTDrawLineInfo& P(int i) const { return Doc.DrawItems[i]; }
  /// The characters of a line as they are drawn, from left to right: each
  /// piece's text in its reading order from where its text starts (after
  /// the justification gap when it reads left to right).
  std::u16string Shown(int line) const {
    int first = 0, last = -1;
    for (int i = 0, l = -1; i < Doc.DrawItems.Count(); ++i) {
      if (P(i).StartsLine && ++l > line) break;
      if (l != line) continue;
      if (last < 0) first = i;
      last = i;
    }
    std::vector<std::pair<int, char16_t>> glyphs;
    for (int i = first; i <= last; ++i) {
      const TLTDrawLineInfo& p = P(i);
      const std::u16string text = PieceText(p, Doc);
      std::vector<int> positions;
      for (size_t k = 0; k < text.size(); ++k) positions.push_back(static_cast<int>(k + 1) * W);
      std::vector<TLTClusterBox> boxes;
      ArrangeClusters(text, positions, p.RightToLeft, boxes);
      const int origin = p.Left + (p.RightToLeft ? 0 : p.JustifyExtra);
      for (const TLTClusterBox& b : boxes) glyphs.push_back({origin + b.Left, text[static_cast<size_t>(b.Start)]});
    }
    std::stable_sort(glyphs.begin(), glyphs.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::u16string s;
    for (const auto& g : glyphs) s += g.second;
    return s;
  }
  /// The items of the first line from left to right.
  std::vector<int> VisualItems() const {
    int first, last;
    Doc.LineRange(0, first, last);
    std::vector<std::pair<int, int>> byLeft;
    for (int i = first; i <= last; ++i) byLeft.push_back({P(i).Left, P(i).ItemNo});
    std::sort(byLeft.begin(), byLeft.end());
    std::vector<int> items;
    for (const auto& [left, item] : byLeft) items.push_back(item);
    return items;
  }
};

TEST(LTBiDiLayout, LeftToRightItemsInARightToLeftParagraphKeepTheirOrder) {
  BiDiDoc d(40 * W);
  d.Doc.AddTextW(u"one", 0, d.Rtl);
  d.Doc.AddTextW(u" two", 0, -1);
  d.Doc.AddTextW(u" three", 0, -1);
  d.Format();
  EXPECT_EQ(d.VisualItems(), (std::vector<int>{0, 1, 2}));
  // Right-aligned, side by side: 13 characters end at the right margin.
  EXPECT_EQ(d.P(0).Left, 27 * W);
  EXPECT_EQ(d.P(1).Left, 30 * W);
  EXPECT_EQ(d.P(2).Left, 34 * W);
  // Their spaces lie on their left, between the words.
  EXPECT_FALSE(d.P(1).RightToLeft);
  EXPECT_FALSE(d.P(2).RightToLeft);
}

TEST(LTBiDiLayout, RightToLeftItemsReadFromTheRightWithNumbersLeftToRight) {
  BiDiDoc d(40 * W);
  d.Doc.AddTextW(kHeb1, 0, d.Rtl);
  d.Doc.AddTextW(u" " + kHeb2, 0, -1);
  d.Doc.AddTextW(u" " + kHeb3, 0, -1);
  d.Format();
  EXPECT_EQ(d.VisualItems(), (std::vector<int>{2, 1, 0}));
  EXPECT_EQ(d.P(2).Left, 29 * W);
  EXPECT_EQ(d.P(1).Left, 33 * W);
  EXPECT_EQ(d.P(0).Left, 37 * W);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(d.P(i).RightToLeft) << i;

  // Two numbers after a word read right to left as numbers, each left to
  // right: the later number stands left of the earlier.
  BiDiDoc n(40 * W);
  n.Doc.AddTextW(kHeb1, 0, n.Rtl);
  n.Doc.AddTextW(u" 12", 0, -1);
  n.Doc.AddTextW(u" 345", 0, -1);
  n.Format();
  EXPECT_EQ(n.VisualItems(), (std::vector<int>{2, 1, 0}));
}

TEST(LTBiDiLayout, RightToLeftWordsInALeftToRightParagraphAreReversedInPlace) {
  // The document has no direction: the paragraph reads left to right and
  // only the Hebrew words change places.
  BiDiDoc d(40 * W);
  d.Doc.AddTextW(u"abc", 0, 0);
  d.Doc.AddTextW(u" " + kHeb1, 0, -1);
  d.Doc.AddTextW(u" " + kHeb2, 0, -1);
  d.Doc.AddTextW(u" def", 0, -1);
  d.Format();
  // The Hebrew words read as one stretch from the right: the space before
  // the first stands after "abc", the one between them goes with the
  // second, drawn right to left, and the first word's letters are cut
  // from its space to stand rightmost.
  ASSERT_EQ(d.Doc.DrawItems.Count(), 5);
  EXPECT_EQ(d.VisualItems(), (std::vector<int>{0, 1, 2, 1, 3}));
  EXPECT_EQ(d.P(0).Left, 0);
  EXPECT_EQ(d.P(1).Left, 3 * W);
  EXPECT_EQ(d.P(3).Left, 4 * W);
  EXPECT_EQ(d.P(2).Left, 8 * W);
  EXPECT_EQ(d.P(4).Left, 11 * W);
  EXPECT_EQ(d.Shown(0), u"abc " + Reversed(kHeb2) + u" " + Reversed(kHeb1) + u" def");
  // A line of left-to-right text alone keeps its order and reading.
  BiDiDoc plain(40 * W);
  plain.Doc.AddTextW(u"abc", 0, 0);
  plain.Doc.AddTextW(u" def", 0, -1);
  plain.Format();
  EXPECT_EQ(plain.VisualItems(), (std::vector<int>{0, 1}));
}

TEST(LTBiDiLayout, JustificationSpreadsRightToLeftLinesWithoutReversingOrGluingWords) {
  // 20 characters wide: four words of four (19 characters) and 7 pixels
  // to spread over three gaps (2, 2, 3), the last line to the right.
  BiDiDoc d(20 * W, ltaJustify);
  d.Doc.AddTextW(u"aaaa bbbb cccc dddd eeee", 0, d.Rtl);
  d.Format();
  ASSERT_EQ(d.Doc.DrawItems.Count(), 5);
  const int lefts[] = {0, 4 * W, 9 * W + 2, 14 * W + 4};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(d.P(i).Left, lefts[i]) << i;
  for (int i = 1; i < 4; ++i) EXPECT_FALSE(d.P(i).RightToLeft) << i;
  EXPECT_EQ(d.P(3).Left + d.P(3).Width, 20 * W);
  EXPECT_EQ(d.P(4).Left, 16 * W);

  // Hebrew words: the first word rightmost, every gap (space and extra)
  // on the right of its word, where the previous word stands.
  const std::u16string four{kAlef, kAlef, kAlef, kAlef};
  BiDiDoc h(20 * W, ltaJustify);
  h.Doc.AddTextW(four + u" " + four + u" " + four + u" " + four + u" " + four, 0, h.Rtl);
  h.Format();
  ASSERT_EQ(h.Doc.DrawItems.Count(), 5);
  EXPECT_EQ(h.P(3).Left, 0);
  EXPECT_EQ(h.P(3).Width, 5 * W + 3);
  EXPECT_EQ(h.P(2).Left, 5 * W + 3);
  EXPECT_EQ(h.P(1).Left, 10 * W + 5);
  EXPECT_EQ(h.P(0).Left, 16 * W);
  for (int i = 1; i < 4; ++i) EXPECT_TRUE(h.P(i).RightToLeft) << i;
}

TEST(LTBiDiLayout, PhrasesOfTheOtherDirectionKeepTheirPunctuationWhereverPiecesEnd) {
  // "ABC hello end. DEF" in a right-to-left paragraph reads "FED .hello
  // end CBA": the full stop, of the paragraph's direction, shows left of
  // the English phrase. Justified, every word is a piece of its own; the
  // lines wrap before "GHIGHI".
  const std::u16string text = kHeb1 + u" hello end. " + kHeb2 + u" " + kHeb3 + kHeb3;
  const std::u16string shown = Reversed(kHeb2) + u" .hello end " + Reversed(kHeb1);
  BiDiDoc j(20 * W, ltaJustify);
  j.Doc.AddTextW(text, 0, j.Rtl);
  j.Format();
  EXPECT_EQ(j.Shown(0), shown);
  // The line is as wide as before and spread over its three gaps.
  int left = INT32_MAX, right = 0, gaps = 0;
  for (int i = 0; i < j.Doc.DrawItems.Count() && !(i > 0 && j.P(i).StartsLine); ++i) {
    left = std::min(left, j.P(i).Left);
    right = std::max(right, j.P(i).Left + j.P(i).Width);
    gaps += j.P(i).JustifyExtra;
  }
  EXPECT_EQ(left, 0);
  EXPECT_EQ(right, 20 * W);
  EXPECT_EQ(gaps, 2 * W);
  // A click on the drawn full stop's left half is after it.
  int di = -1, off = 0, item = -1, itemOffset = 0;
  const int stop = static_cast<int>(Reversed(kHeb2).size() + 1) * W + 5 + 2;
  ASSERT_TRUE(j.Doc.HitTest(stop, 3, false, di, off));
  ASSERT_TRUE(j.Doc.DrawItemToItem(di, off, item, itemOffset));
  EXPECT_EQ(itemOffset, 15);

  // Unjustified the line is one piece, which the canvas orders alike.
  BiDiDoc r(20 * W);
  r.Doc.AddTextW(text, 0, r.Rtl);
  r.Format();
  EXPECT_EQ(r.Shown(0), shown);
  EXPECT_TRUE(r.P(1).StartsLine);

  // Text items that end inside the English phrase: its words still read
  // left to right, the stop and the spaces where the algorithm puts them.
  BiDiDoc s(40 * W);
  s.Style.TextStyles().Add().Jump = true;
  s.Doc.ControlFlags = ltcfRegisterJumps;
  s.Doc.AddTextW(kHeb1 + u" hello", 0, s.Rtl);
  s.Doc.AddTextW(u" end.", s.Style.TextStyles().Count() - 1, -1);
  s.Doc.AddTextW(u" " + kHeb2, 0, -1);
  s.Format();
  EXPECT_EQ(s.Shown(0), shown);
  // The pieces "ABC ", "hello", " end", ".", " DEF": each part of the
  // hyperlink has its rectangle, and the last item still finds its piece.
  ASSERT_EQ(s.Doc.DrawItems.Count(), 5);
  std::vector<int> linked;
  for (const TLTJumpInfo& jump : s.Doc.Jumps) linked.push_back(jump.DrawItemIndex);
  EXPECT_EQ(linked, (std::vector<int>{2, 3}));
  EXPECT_EQ(s.Doc.GetItem(2).FirstDrawItem, 4);
  BiDiDoc t(40 * W);
  t.Doc.AddTextW(u"one ", 0, t.Rtl);
  t.Doc.AddTextW(u"two", 0, -1);
  t.Format();
  EXPECT_EQ(t.Shown(0), u"one two");
}

TEST(LTBiDiLayout, RightToLeftListIndentsAndMarkerCountFromTheRight) {
  BiDiDoc d(10 * W);
  TLTListInfo& list = d.Style.ListStyles().Add();
  TLTListLevel& level = list.Levels.Add();
  level.ListType = ltlstDecimal;
  level.FormatString = u"%0:s.";
  level.MarkerIndent = 5;
  level.LeftIndent = 30;
  level.FirstIndent = 0;
  auto marker = std::make_unique<TLTMarkerItemInfo>(0, 0, 0, false);
  marker->ParaNo = d.Rtl;
  d.Doc.AddItem({}, std::move(marker));
  d.Doc.AddTextW(u"aaa bbb ccc", 0, -1);
  d.Format();
  ASSERT_EQ(d.Doc.DrawItems.Count(), 4);
  // The marker ("1.", 14 wide, 25 with the gap to the text) ends at its
  // indent from the right edge; the text reads on to its left.
  EXPECT_EQ(d.P(0).Left + d.P(0).Width, 70 - 5);
  EXPECT_EQ(d.P(1).Left + d.P(1).Width, d.P(0).Left);
  // Later lines end at the level's left indent, counted from the right.
  EXPECT_EQ(d.P(2).Left + d.P(2).Width, 70 - 30);
  EXPECT_EQ(d.P(3).Left + d.P(3).Width, 70 - 30);
}

TEST(LTBiDiLayout, HitTestAndCaretFollowTheDrawnOrderInsideAMixedRun) {
  // "ab " + three Hebrew letters + " cd" is drawn "ab", the letters
  // reversed (the first at 35..42), "cd".
  BiDiDoc d(40 * W);
  d.Doc.AddTextW(u"ab " + kHeb1 + u" cd", 0, 0);
  d.Format();
  int di = -1, off = 0;
  // The right half of the first Hebrew letter is before it.
  ASSERT_TRUE(d.Doc.HitTest(40, 3, false, di, off));
  EXPECT_EQ(off, 4);
  // The left half of the third letter is after it.
  ASSERT_TRUE(d.Doc.HitTest(23, 3, false, di, off));
  EXPECT_EQ(off, 7);
  ASSERT_TRUE(d.Doc.HitTest(2, 3, false, di, off));
  EXPECT_EQ(off, 1);
  // The caret before a Hebrew letter stands at its right edge.
  EXPECT_EQ(d.Doc.CaretX(0, 4), 42);
  EXPECT_EQ(d.Doc.CaretX(0, 6), 28);
  EXPECT_EQ(d.Doc.CaretX(0, 2), 7);
  EXPECT_EQ(d.Doc.CaretX(0, 10), 9 * W);
}

}  // namespace
}  // namespace lectern
