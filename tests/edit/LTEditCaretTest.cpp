// The editor's caret on the headless platform: its stops, the keys that
// move it, the selection it extends, the document's edges, the mouse, and
// how it is drawn. Characters are 7 pixels wide and lines of plain text 13
// high (10 above the baseline); the editor has no margins here.

#include "edit/LTEdit.h"
#include "model/LTMarker.h"
#include "platform/LTSysUtils.h"
#include "platform/headless/LTHeadlessWindow.h"
#include "table/LTTable.h"
#include "tests/edit/LTEditFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace lectern {
namespace {

using namespace lectern::testing;

struct Editor : TEditorFixture<Editor> {
  std::vector<TLTGetOutDirection> Outs;
  int Moves = 0;

  Editor() {
    E.OnCaretGetOut = [this](TCustomLecternEdit&, TLTGetOutDirection d) { Outs.push_back(d); };
    E.OnCaretMove = [this](TCustomLecternEdit&) { ++Moves; };
  }
  std::pair<int, int> Caret() { return {E.CurrentItemNo(), E.CurrentItemOffset()}; }
  bool Key(int key, TLTShiftState keys = {}) {
    Win.SetKeys(keys);
    const bool used = Win.Key(key);
    Win.SetKeys({});
    return used;
  }
  std::string Selected() {
    int start, length;
    E.GetSelectionCharPositions(start, length);
    return Utf16ToUtf8(E.TextBetween(start, start + length));
  }
};

using P = std::pair<int, int>;

// ---- Stops ---------------------------------------------------------------------------------

TEST(LTEditCaret, AnEmptyEditorGetsOneEmptyItemWhenItTakesTheFocus) {
  Editor e;
  e.E.SetCurrentParaStyle(1);
  e.Win.SetFocused(true);
  ASSERT_EQ(e.E.LTData().ItemCount(), 1);
  EXPECT_EQ(e.E.LTData().GetItem(0).ParaNo, 1);
  EXPECT_EQ(e.Caret(), P(0, 1));
  EXPECT_EQ(e.E.CaretStops().size(), 1u);
}

TEST(LTEditCaret, ACharacterWithItsMarksAndASurrogatePairAreOneStopEach) {
  Editor e;
  // e + combining acute, x, a face outside the basic plane (two units).
  e.Para(u"e\u0301x\U0001F600");
  e.Ready();
  EXPECT_EQ(e.E.CaretStops().size(), 4u);
  std::vector<int> offsets;
  for (int k = 0; k < 3; ++k) {
    e.Key(vkRight);
    offsets.push_back(e.E.CurrentItemOffset());
  }
  EXPECT_EQ(offsets, (std::vector<int>{3, 4, 6}));
  // An offset inside a cluster, from outside, goes to the cluster's start.
  e.E.SetSelectionBounds(0, 2, 0, 2);
  EXPECT_EQ(e.Caret(), P(0, 1));
  const TLTItemRange at = e.E.SelectionRange(false);
  EXPECT_EQ(at.LastOffs, 1) << "the selection's end went with the caret";
  e.E.SetCaretAt(0, 5);
  EXPECT_EQ(e.Caret(), P(0, 4));
}

TEST(LTEditCaret, StopsBesidePicturesAndAtTheEndsOfParagraphs) {
  Editor e;
  e.Para(u"ab");
  auto picture = std::make_unique<TLTGraphicItemInfo>();
  picture->ImageWidth = 10;
  picture->ImageHeight = 10;
  e.Add(std::move(picture));
  e.Para(u"");
  e.Para(u"cd");
  e.Ready();
  e.Key(vkEnd);
  EXPECT_EQ(e.Caret(), P(0, 3));
  e.Key(vkRight);  // the picture's line, before it
  EXPECT_EQ(e.Caret(), P(1, 0));
  e.Key(vkRight);
  EXPECT_EQ(e.Caret(), P(1, 1));
  e.Key(vkRight);  // the empty paragraph
  EXPECT_EQ(e.Caret(), P(2, 1));
  EXPECT_EQ(e.E.CaretStops().size(), 1u);
  e.Key(vkRight);
  EXPECT_EQ(e.Caret(), P(3, 1));
  e.Key(vkLeft);
  e.Key(vkLeft);
  EXPECT_EQ(e.Caret(), P(1, 1)) << "back to after the picture";
}

TEST(LTEditCaret, NoCaretStandsOnAListMarker) {
  Editor e;
  TLTListInfo& list = e.Style.ListStyles().Add();
  TLTListLevel& level = list.Levels.Add();
  level.ListType = ltlstDecimal;
  level.FormatString = u"%0:s.";
  e.Para(u"intro");
  e.Add(std::make_unique<TLTMarkerItemInfo>(0, 0, 0, false));
  e.More(u"item");
  e.Ready();
  e.Key(vkDown);
  e.Key(vkHome);
  EXPECT_EQ(e.Caret(), P(2, 1)) << "the line starts after its marker";
  e.Key(vkLeft);
  EXPECT_EQ(e.Caret(), P(0, 6)) << "from there Left goes to the line above";
  // Put on the marker from outside, the caret takes the text after it.
  e.E.SetSelectionBounds(1, 0, 1, 0);
  EXPECT_EQ(e.Caret(), P(2, 1));
}

TEST(LTEditCaret, RulesAndTablesHaveAStopBeforeAndAfter) {
  RegisterTableItemKind();
  Editor e;
  e.Para(u"ab");
  e.Add(std::make_unique<TLTBreakItemInfo>());
  auto table = std::make_unique<TLTTableItemInfo>(1, 1);
  table->Cells(0, 0)->AddTextW(u"cell", 0, 0);
  // A table whose cells cannot be edited is passed over like a rule (one
  // that can takes the caret into its cells).
  table->Options.Exclude(lttoEditing);
  e.Add(std::move(table));
  e.Para(u"cd");
  e.Ready();
  std::vector<P> seen;
  for (int k = 0; k < 8; ++k) {
    seen.push_back(e.Caret());
    e.Key(vkRight);
  }
  EXPECT_EQ(seen, (std::vector<P>{{0, 1}, {0, 2}, {0, 3}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {3, 1}}));
}

// ---- Words, lines, edges -----------------------------------------------------------------

TEST(LTEditCaret, WordsEndAtDelimitersAndSpaces) {
  Editor e;
  e.Para(u"abc def, ghi");
  e.Ready();
  e.E.SetCaretAt(0, 7);  // after "de"
  e.Key(vkLeft, {ssCtrl});
  EXPECT_EQ(e.Caret(), P(0, 5));
  e.Key(vkLeft, {ssCtrl});
  EXPECT_EQ(e.Caret(), P(0, 1));
  e.Key(vkRight, {ssCtrl});
  EXPECT_EQ(e.Caret(), P(0, 5)) << "after the space";
  e.Key(vkRight, {ssCtrl});
  EXPECT_EQ(e.Caret(), P(0, 8)) << "before the comma";
  e.Key(vkRight, {ssCtrl});
  EXPECT_EQ(e.Caret(), P(0, 10));
  e.Key(vkRight, {ssCtrl});
  EXPECT_EQ(e.Caret(), P(0, 13)) << "the item's end";
}

TEST(LTEditCaret, UpAndDownTakeTheCurrentStopsXEachTime) {
  Editor e;
  e.Para(u"abcdef").Para(u"ab").Para(u"abcdef");
  e.Ready();
  e.Key(vkEnd);
  e.Key(vkDown);
  EXPECT_EQ(e.Caret(), P(1, 3));
  e.Key(vkDown);
  EXPECT_EQ(e.Caret(), P(2, 3)) << "the column of the short line, not the first";
  e.Key(vkUp);
  e.Key(vkUp);
  EXPECT_EQ(e.Caret(), P(0, 3));
}

TEST(LTEditCaret, TheDocumentsEdgesLetTheKeysGetOut) {
  Editor e;
  e.Para(u"ab").Para(u"cd");
  e.Ready();
  e.Key(vkLeft);
  EXPECT_EQ(e.Caret(), P(0, 1));
  EXPECT_EQ(e.Outs, (std::vector<TLTGetOutDirection>{ltdLeft}));
  e.Key(vkUp);
  EXPECT_EQ(e.Outs.back(), ltdUp);
  // Ctrl+End moves and always gets out.
  e.Key(vkEnd, {ssCtrl});
  EXPECT_EQ(e.Caret(), P(1, 3));
  EXPECT_EQ(e.Outs.back(), ltdBottom);
  e.Key(vkRight);
  EXPECT_EQ(e.Outs.back(), ltdRight);
  e.Key(vkHome, {ssCtrl});
  EXPECT_EQ(e.Caret(), P(0, 1));
  EXPECT_EQ(e.Outs.back(), ltdTop);

  // Shift+Down on the last line goes to its end, then gets out again.
  e.E.SetCaretAt(1, 2);
  e.Key(vkDown, {ssShift});
  EXPECT_EQ(e.Caret(), P(1, 3));
  EXPECT_EQ(e.Selected(), "d");
  EXPECT_EQ(e.Outs.back(), ltdDown);
  const size_t outs = e.Outs.size();
  e.Key(vkDown, {ssShift});
  EXPECT_EQ(e.Outs.size(), outs + 1);
  EXPECT_EQ(e.Caret(), P(1, 3));
}

TEST(LTEditCaret, ShiftCtrlUpAndDownGoByParagraphsCtrlAloneOnlyScrolls) {
  Editor e;
  e.Para(u"ab cd").Para(u"ef").Para(u"gh");
  e.Ready();
  e.E.SetCaretAt(0, 3);
  e.Key(vkDown, {ssCtrl});
  EXPECT_EQ(e.Caret(), P(0, 3));
  const TLTShiftState para{ssCtrl, ssShift};
  e.Key(vkDown, para);
  EXPECT_EQ(e.Caret(), P(1, 1));
  e.Key(vkDown, para);
  EXPECT_EQ(e.Caret(), P(2, 1));
  e.Key(vkDown, para);
  EXPECT_EQ(e.Caret(), P(2, 3)) << "the last paragraph's end";
  EXPECT_EQ(e.Selected(), " cd\r\nef\r\ngh");
  e.Key(vkUp, para);
  EXPECT_EQ(e.Caret(), P(2, 1)) << "first the start of its own paragraph";
  e.Key(vkUp, para);
  EXPECT_EQ(e.Caret(), P(1, 1));
  // Without Shift, Down on the last line only scrolls.
  e.E.SetCaretAt(2, 2);
  e.Key(vkDown);
  EXPECT_EQ(e.Caret(), P(2, 2));
  EXPECT_EQ(e.Outs.back(), ltdDown);
}

TEST(LTEditCaret, InARightToLeftControlLeftGoesForward) {
  Editor e;
  e.Para(u"ab cd");
  e.E.SetBiDiMode(ltbdRightToLeft);
  e.Ready();
  e.E.SetCaretAt(0, 1);
  e.Key(vkLeft);
  EXPECT_EQ(e.Caret(), P(0, 2));
  e.Key(vkRight);
  EXPECT_EQ(e.Caret(), P(0, 1));
  e.Key(vkLeft, {ssCtrl});
  EXPECT_EQ(e.Caret(), P(0, 4)) << "a word forward";
  e.Key(vkRight, {ssCtrl});
  EXPECT_EQ(e.Caret(), P(0, 1));
}

TEST(LTEditCaret, StopsInMixedTextStandWhereTheirCharactersAreDrawn) {
  // "ab " and three Hebrew letters drawn right to left over characters 3
  // to 6: the first letter's stop is on its right edge.
  const std::u16string mixed = u"ab \u05D0\u05D1\u05D2";
  Editor e;
  e.Para(mixed);
  e.Ready();
  e.E.SetCaretAt(0, 1);
  auto xs = [&e] {
    std::vector<int> out;
    for (const TLTCharPos& s : e.E.CaretStops()) out.push_back(s.StopX);
    return out;
  };
  EXPECT_EQ(xs(), (std::vector<int>{0, W, 2 * W, 6 * W, 5 * W, 4 * W, 3 * W}));
  for (int k = 0; k < 4; ++k) e.Key(vkRight);
  EXPECT_EQ(e.Caret(), P(0, 5)) << "Right goes on in reading order";
  EXPECT_EQ(e.E.CaretStops()[static_cast<size_t>(4)].StopX, 5 * W);

  // In a right-to-left paragraph of a left-to-right control the letters
  // read from the right and Left goes forward.
  Editor r;
  r.Style.ParaStyles()[1].BiDiMode = ltbdRightToLeft;
  r.E.LTData().AddTextW(mixed.substr(3), 0, 1);
  r.Ready();
  r.E.SetCaretAt(0, 1);
  const std::vector<TLTCharPos>& stops = r.E.CaretStops();
  ASSERT_EQ(stops.size(), 4u);
  for (size_t k = 1; k < stops.size(); ++k) EXPECT_EQ(stops[k].StopX, stops[k - 1].StopX - W) << k;
  r.Key(vkLeft);
  EXPECT_EQ(r.Caret(), P(0, 2));
  r.Key(vkRight);
  EXPECT_EQ(r.Caret(), P(0, 1));
}

TEST(LTEditCaret, ShiftGrowsAndShrinksTheSelectionAndAPlainMoveDropsIt) {
  Editor e;
  e.Para(u"abcd").Para(u"ef");
  e.Ready();
  e.Key(vkRight, {ssShift});
  e.Key(vkRight, {ssShift});
  EXPECT_EQ(e.Selected(), "ab");
  e.Key(vkLeft, {ssShift});
  EXPECT_EQ(e.Selected(), "a");
  e.Key(vkDown, {ssShift});
  EXPECT_EQ(e.Selected(), "abcd\r\ne");
  e.Key(vkLeft, {ssShift, ssCtrl});
  EXPECT_EQ(e.Selected(), "abcd\r\n");
  e.Key(vkRight);
  EXPECT_FALSE(e.E.HasSelection());
  EXPECT_EQ(e.Caret(), P(1, 2));
}

TEST(LTEditCaret, PageDownEndsWhateverTheViewsHeight) {
  for (int height : {0, 1, 5 * H}) {
    Editor e;
    for (int k = 0; k < 30; ++k) e.Para(u"line");
    e.Ready();
    e.Win.SetSize(40 * W, height);
    int presses = 0;
    while (e.E.CurrentItemNo() < 29 && presses < 100) {
      const int before = e.E.CurrentItemNo();
      e.Key(vkNext);
      ++presses;
      ASSERT_GT(e.E.CurrentItemNo(), before) << "at least a line per press, height " << height;
    }
    EXPECT_EQ(e.E.CurrentItemNo(), 29);
    e.Key(vkNext);
    EXPECT_EQ(e.Outs.back(), ltdBottom);
    while (e.E.CurrentItemNo() > 0 && presses < 200) {
      e.Key(vkPrior);
      ++presses;
    }
    EXPECT_EQ(e.Caret(), P(0, 1));
  }
}

// ---- The mouse, the styles, refusals -------------------------------------------------------------

TEST(LTEditCaret, TheMousePlacesTheCaretAndShiftClickExtends) {
  Editor e;
  e.Para(u"abcdef").Para(u"ghij");
  e.Ready();
  e.Win.Click(3 * W + 1, 5);
  EXPECT_EQ(e.Caret(), P(0, 4));
  e.Win.SetKeys({ssShift});
  e.Win.Click(2 * W + 1, H + 5);
  e.Win.SetKeys({});
  EXPECT_EQ(e.Caret(), P(1, 3));
  EXPECT_EQ(e.Selected(), "def\r\ngh");
  // Dragging leaves the caret at the drag's end.
  e.Win.Press(W + 1, 5);
  e.Win.Move(4 * W + 1, 5);
  e.Win.Release(4 * W + 1, 5);
  EXPECT_EQ(e.Caret(), P(0, 5));
  EXPECT_EQ(e.Selected(), "bcd");
}

TEST(LTEditCaret, AtAnItemsStartTheCurrentStyleIsTheOneOnTheLeft) {
  Editor e;
  e.Para(u"ab", 0).More(u"cd", 1).Para(u"ef", 2);
  e.Ready();
  e.E.SetCaretAt(1, 1);
  EXPECT_EQ(e.E.CurrentTextStyle(), 0);
  e.E.SetCaretAt(1, 2);
  EXPECT_EQ(e.E.CurrentTextStyle(), 1);
  e.E.SetCaretAt(2, 1);
  EXPECT_EQ(e.E.CurrentTextStyle(), 2) << "a paragraph's start takes its own item";
  // A style that does not switch automatically keeps the last one that does.
  e.Style.TextStyles()[1].Protection.Include(ltprDoNotAutoSwitch);
  e.E.SetCaretAt(1, 2);
  EXPECT_EQ(e.E.CurrentTextStyle(), 2);
}

TEST(LTEditCaret, TheCurrentStylesFollowTheCaretTabsAndBackwardSelections) {
  Editor e;
  e.Para(u"ab", 0).More(u"cd", 1);
  auto tab = std::make_unique<TLTTabItemInfo>();
  tab->TextStyleNo = 2;
  tab->ParaNo = -1;
  e.Add(std::move(tab));
  e.E.LTData().AddTextW(u"ef", 0, 1);
  e.Ready();
  e.E.SetCaretAt(3, 2);
  EXPECT_EQ(e.E.CurrentParaStyle(), 1);
  e.E.SetCaretAt(2, 1);
  EXPECT_EQ(e.E.CurrentTextStyle(), 2) << "a tab switches to the text style it measures with";
  EXPECT_EQ(e.E.CurrentParaStyle(), 0);
  // Forward, the style is the caret's; backward, the selected text's first.
  e.E.SetCaretAt(0, 2);
  e.Key(vkRight, {ssShift});
  EXPECT_EQ(e.E.CurrentTextStyle(), 0);
  e.E.SetCaretAt(1, 3);
  e.Key(vkLeft, {ssShift});
  e.Key(vkLeft, {ssShift});
  EXPECT_EQ(e.Caret(), P(0, 3));
  EXPECT_EQ(e.E.CurrentTextStyle(), 1);
  // A style chosen by hand that does not switch automatically survives a
  // move into more of its kind.
  e.Style.TextStyles()[1].Protection.Include(ltprDoNotAutoSwitch);
  e.E.SetCaretAt(3, 1);
  e.E.SetCurrentTextStyle(1);
  e.E.SetCaretAt(1, 2);
  EXPECT_EQ(e.E.CurrentTextStyle(), 1);
  // The paragraph's default text style stands behind MaxInt.
  e.Style.ParaStyles()[0].DefStyleNo = 2;
  e.E.SetCurrentTextStyle(MaxInt);
  EXPECT_EQ(e.E.ActualCurrentTextStyle(), 2);
}

TEST(LTEditCaret, InARightToLeftParagraphAnObjectsFirstStopIsOnItsRight) {
  Editor e;
  e.Style.ParaStyles()[1].BiDiMode = ltbdRightToLeft;
  auto picture = std::make_unique<TLTGraphicItemInfo>();
  picture->ImageWidth = 10;
  picture->ImageHeight = 10;
  picture->ParaNo = 1;
  e.Add(std::move(picture));
  e.Ready();
  e.E.SetCaretAt(0, 0);
  const TLTDrawLineInfo& p = e.E.LTData().DrawItems[0];
  ASSERT_EQ(e.E.CaretStops().size(), 2u);
  EXPECT_EQ(e.E.CaretStops()[0].StopX, p.Left + p.Width);
  EXPECT_EQ(e.E.CaretStops()[1].StopX, p.Left);
  // A place that does not exist leaves the caret where it was.
  EXPECT_FALSE(e.E.SetCaretAt(1, 0));
  EXPECT_FALSE(e.E.SetCaretAt(-1, 0));
  EXPECT_EQ(e.Caret(), P(0, 0));
  e.E.Clear();
  EXPECT_TRUE(e.E.CaretStops().empty()) << "no stops outlive the document";
}

TEST(LTEditCaret, TypingReplacesTheSelectionAndKeysThatNeverTypeAreNoRefusal) {
  Editor e;
  e.Para(u"abc");
  e.Ready();
  e.Key(vkRight, {ssShift});
  EXPECT_TRUE(e.Win.Type(u"x"));
  EXPECT_EQ(e.E.LTData().GetItemTextW(0), u"xbc");
  EXPECT_EQ(e.Caret(), P(0, 2));
  EXPECT_EQ(e.Selected(), "");
  EXPECT_FALSE(e.Win.Type(u"\x1b"));
  e.E.EditorOptions.Include(ltoDoNotWantReturns);
  EXPECT_FALSE(e.Win.WantsKey(vkReturn));
  EXPECT_FALSE(e.Key(vkReturn));
  EXPECT_EQ(e.Refusals, 0);
  EXPECT_EQ(e.E.LTData().ItemCount(), 1);
}

// ---- Showing the caret ------------------------------------------------------------------------------

std::vector<TLTRectI> CaretBars(TLTHeadlessCanvas& c) {
  std::vector<TLTRectI> bars;
  for (const TLTDrawCall& call : c.Calls())
    if (call.Kind == TLTDrawKind::FillRect && call.Rect.Width() == 1 && call.Brush.Color == clCaret)
      bars.push_back(call.Rect);
  return bars;
}

TEST(LTEditCaret, TheCaretIsABarOverItsPieceThatBlinksOnlyWithTheFocus) {
  Editor e;
  e.Para(u"abc");
  e.Ready();
  e.E.SetCaretAt(0, 2);
  TLTHeadlessCanvas c = e.Win.Paint();
  // Two pixels above the piece, down to its bottom.
  EXPECT_EQ(CaretBars(c), (std::vector<TLTRectI>{{W, -2, W + 1, H}}));
  ASSERT_TRUE(e.Win.IsTimerRunning(LTCaretTimer));
  EXPECT_EQ(e.Win.TimerInterval(LTCaretTimer), 500);
  e.Win.ClearRecord();
  e.Win.FireTimer(LTCaretTimer);
  ASSERT_EQ(e.Win.Invalidated.size(), 1u) << "a blink repaints the caret alone";
  c = e.Win.Paint();
  EXPECT_TRUE(CaretBars(c).empty());
  // A move shows it again at once.
  e.Key(vkRight);
  c = e.Win.Paint();
  EXPECT_EQ(CaretBars(c).size(), 1u);
  e.Win.SetFocused(false);
  EXPECT_FALSE(e.Win.IsTimerRunning(LTCaretTimer));
  c = e.Win.Paint();
  EXPECT_TRUE(CaretBars(c).empty());
}

TEST(LTEditCaret, ACaretInAVeryTallLineIsCappedAndKeepsToTheLinesBottom) {
  Editor e;
  e.Para(u"a");
  auto picture = std::make_unique<TLTGraphicItemInfo>();
  picture->ImageWidth = 10;
  picture->ImageHeight = 1998;
  picture->ParaNo = -1;
  e.Add(std::move(picture));
  e.Ready();
  e.E.SetCaretAt(1, 1);
  EXPECT_EQ(e.E.CaretHeight(), 1000);
  const TLTDrawLineInfo& p = e.E.LTData().DrawItems[1];
  EXPECT_EQ(e.E.CaretRect().Bottom, p.Top + p.Height - e.E.VScrollPosition() * e.E.ScrollUnit());
}

TEST(LTEditCaret, TheInputMethodComposesAtTheCaret) {
  Editor e;
  e.Para(u"abc");
  e.Ready();
  e.E.SetCaretAt(0, 3);
  TLTInputMethodState st = e.E.InputMethodState();
  EXPECT_TRUE(st.Enabled);
  EXPECT_EQ(st.CursorRect, e.E.CaretRect());
  EXPECT_EQ(st.Surrounding, u"abc");
  EXPECT_EQ(st.CursorPos, 2);
  e.Win.Compose(u"ni", 2);
  TLTHeadlessCanvas c = e.Win.Paint();
  bool shown = false;
  for (const TLTDrawCall& call : c.Calls())
    shown |= call.Kind == TLTDrawKind::Text && call.Text == u"ni" && call.Rect.Left == 2 * W;
  EXPECT_TRUE(shown);
  EXPECT_EQ(e.E.LTData().GetItemTextW(0), u"abc") << "a composition is not typed";
  e.Win.Compose(u"", 0, u"\u4F60");
  EXPECT_TRUE(e.E.Preedit().empty());
  EXPECT_EQ(e.E.LTData().GetItemTextW(0), u"ab\u4F60c") << "a committed composition is typed";
  EXPECT_EQ(e.Refusals, 0);
  e.E.SetReadOnly(true);
  EXPECT_FALSE(e.E.InputMethodState().Enabled);
}

}  // namespace
}  // namespace lectern
