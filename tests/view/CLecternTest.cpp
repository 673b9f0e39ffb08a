// The viewer control on the headless window and canvas. Every position is
// computable by hand: margins 5, every character 7 wide, lines 13 high, so
// character k of line n starts at (5 + 7k, 5 + 13n).

#include "platform/LTGraphic.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "platform/headless/LTHeadlessWindow.h"
#include "style/LTStyle.h"
#include "view/CLectern.h"

#include <gtest/gtest.h>

#include <cctype>
#include <stdexcept>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace lectern {
namespace {

constexpr int W = 7;
constexpr int H = 13;
constexpr int kLink = 4;  // "Jump 1" of the default sheet

/// A point just after the left edge of character k on line n.
int X(int k) { return 5 + W * k + 1; }
int Y(int n) { return 5 + H * n + 6; }

struct Viewer {
  TLTStyle Style;
  TLTHeadlessWindow Win{300, 100};
  TLectern V{Win};

  Viewer() {
    Style.SelectionMode = ltsmChar;
    V.SetStyle(&Style);
  }
  Viewer& Para(std::u16string_view text, int style = 0) {
    V.LTData().AddTextW(text, style, 0);
    return *this;
  }
  Viewer& More(std::u16string_view text, int style = 0) {
    V.LTData().AddTextW(text, style, -1);
    return *this;
  }
  void Lines(int n) {
    for (int i = 0; i < n; ++i) Para(u"line");
    V.Format();
  }
  std::string Selected() {
    int start, length;
    V.GetSelectionCharPositions(start, length);
    return Utf16ToUtf8(V.TextBetween(start, start + length));
  }
};

// ---- Scrolling ---------------------------------------------------------------------------

/// The scroller alone, with the document size set by hand.
struct BareScroller : TLTScroller {
  using TLTScroller::SetDocumentSize;
  using TLTScroller::TLTScroller;
  void Paint(TLTCanvas&, const TLTRectI&) override {}
  void Resized() override {}
  void MouseDown(TLTMouseButton, TLTShiftState, int, int) override {}
  void MouseMove(TLTShiftState, int, int) override {}
  void MouseUp(TLTMouseButton, TLTShiftState, int, int) override {}
  void DoubleClick(TLTMouseButton, TLTShiftState, int, int) override {}
  void MouseLeave() override {}
  bool KeyDown(int, TLTShiftState) override { return false; }
  bool WantsKey(int, TLTShiftState) override { return false; }
  void FocusChanged(bool, TLTFocusReason) override {}
  void CaptureLost() override {}
  void Timer(int) override {}
};

TEST(LTScroller, UnitGrowsForVeryTallDocumentsAndReturnsToTen) {
  TLTHeadlessWindow win(100, 100);
  BareScroller s(win);
  s.SetDocumentSize(50, 640000);
  EXPECT_EQ(s.ScrollUnit(), 20);
  s.SetDocumentSize(50, 640001);
  EXPECT_EQ(s.ScrollUnit(), 21);
  s.SetDocumentSize(50, 320001);
  EXPECT_EQ(s.ScrollUnit(), 11);
  s.SetVScrollPosition(1000);  // 11000 pixels down
  s.SetDocumentSize(50, 320000);
  EXPECT_EQ(s.ScrollUnit(), 10);
  EXPECT_EQ(s.VScrollPosition(), 1100);
  // Without the vertical bar the unit stays.
  s.SetVScrollVisible(false);
  s.SetDocumentSize(50, 640000);
  EXPECT_EQ(s.ScrollUnit(), 10);
  EXPECT_FALSE(win.ScrollBar(TLTScrollBarKind::Vertical).IsShown());
}

TEST(LTScroller, RangesFollowTheDocumentAndPositionsStayInThem) {
  Viewer v;
  v.Lines(30);  // 5 + 30 * 13 + 5 = 400 pixels
  const TLTScrollBarInfo bar = v.Win.ScrollBar(TLTScrollBarKind::Vertical);
  EXPECT_EQ(bar.Range, 40);
  EXPECT_EQ(bar.Page, 10);
  v.V.SetVScrollPosition(1000);
  EXPECT_EQ(v.V.VScrollPosition(), 30);
  // A shorter document pulls the position back.
  v.V.Clear();
  EXPECT_EQ(v.V.VScrollPosition(), 0);
  EXPECT_FALSE(v.Win.ScrollBar(TLTScrollBarKind::Vertical).IsShown());
}

TEST(LTScroller, WheelScrollsTwoUnitsPerNotchAndZeroStepLeavesIt) {
  Viewer v;
  v.Lines(30);
  EXPECT_TRUE(v.Win.Wheel(-LTWheelDelta));
  EXPECT_EQ(v.V.VScrollPosition(), 2);
  ASSERT_EQ(v.Win.Scrolls.size(), 1u);
  EXPECT_EQ(v.Win.Scrolls[0], (TLTPointI{0, -20}));
  // Half notches add up.
  EXPECT_TRUE(v.Win.Wheel(-60));
  EXPECT_EQ(v.V.VScrollPosition(), 2);
  EXPECT_TRUE(v.Win.Wheel(-60));
  EXPECT_EQ(v.V.VScrollPosition(), 4);
  v.Win.WheelLines = -1;  // a page per notch
  v.Win.Wheel(-LTWheelDelta);
  EXPECT_EQ(v.V.VScrollPosition(), 14);
  v.V.WheelStep = 0;
  EXPECT_FALSE(v.Win.Wheel(LTWheelDelta));
  EXPECT_EQ(v.V.VScrollPosition(), 14);
}

TEST(LTScroller, KeysAndBarCommandsScroll) {
  Viewer v;
  v.Para(std::u16string(60, u'x'));
  v.Lines(30);
  v.Win.Key(vkNext);
  EXPECT_EQ(v.V.VScrollPosition(), 10);
  v.Win.Key(vkDown);
  EXPECT_EQ(v.V.VScrollPosition(), 11);
  v.Win.Key(vkEnd);
  EXPECT_EQ(v.V.VScrollPosition(), v.V.VScrollMax());
  v.Win.Key(vkHome);
  EXPECT_EQ(v.V.VScrollPosition(), 0);
  v.Win.Key(vkRight);
  EXPECT_EQ(v.V.HScrollPosition(), 10);
  v.V.Tracking = false;
  v.Win.ScrollBarCommand(TLTScrollBarKind::Vertical, TLTScrollCode::ThumbTrack, 7);
  EXPECT_EQ(v.V.VScrollPosition(), 0);
  v.Win.ScrollBarCommand(TLTScrollBarKind::Vertical, TLTScrollCode::ThumbPosition, 7);
  EXPECT_EQ(v.V.VScrollPosition(), 7);
}

TEST(LTScroller, ScrollingMovesPixelsUnlessTheBackgroundStaysInPlace) {
  Viewer v;
  v.Lines(30);
  v.Win.ClearRecord();
  v.V.SetVScrollPosition(3);
  ASSERT_EQ(v.Win.Scrolls.size(), 1u);
  EXPECT_EQ(v.Win.Scrolls[0], (TLTPointI{0, -30}));
  EXPECT_EQ(v.Win.Invalidated.back(), (TLTRectI{0, 70, 300, 100}));  // only the band
  EXPECT_EQ(v.Win.InvalidatedAll, 0);

  TBitmap pic;
  pic.SetPixels({2, 2, std::vector<uint32_t>(4, 0xFF00FF00u)});
  v.V.SetBackgroundBitmap(&pic);
  v.V.SetBackgroundStyle(bsCentered);
  v.Win.ClearRecord();
  v.V.SetVScrollPosition(5);
  EXPECT_TRUE(v.Win.Scrolls.empty());
  EXPECT_EQ(v.Win.InvalidatedAll, 1);
}

TEST(LTScroller, ResizingToAnotherWidthLaysOutAgain) {
  Viewer v;
  v.Para(u"aaa bbb ccc");
  v.V.Format();
  EXPECT_EQ(v.V.LTData().DrawItems.Count(), 1);
  v.Win.SetSize(5 + 8 * W + 5, 100);
  EXPECT_EQ(v.V.LTData().DrawItems.Count(), 2);
}

TEST(LTScroller, TheSelectionSurvivesALayoutForAnotherWidth) {
  Viewer v;
  v.Para(u"aaa bbb ccc").Para(u"xyz");
  v.V.Format();
  v.V.SetSelectionCharPositions(14, 2);
  // The first paragraph takes two lines: "xyz" is another drawing item now.
  v.Win.SetSize(5 + 8 * W + 5, 100);
  ASSERT_EQ(v.V.LTData().DrawItems.Count(), 3);
  EXPECT_EQ(v.Selected(), "yz");
}

TEST(LTScroller, CentredShortDocumentIsPaintedAndHitInTheMiddle) {
  Viewer v;
  v.Para(u"one, two");
  v.V.SetVAlign(tlCenter);
  v.V.Format();
  const int shift = (100 - (5 + H + 5)) / 2;
  TLTHeadlessCanvas c = v.Win.Paint();
  bool found = false;
  for (const TLTDrawCall& call : c.Calls())
    if (call.Kind == TLTDrawKind::Text && call.Text.find(u"one") != TLTString::npos) {
      EXPECT_EQ(call.Rect.Top, 5 + shift);
      found = true;
    }
  EXPECT_TRUE(found);
  v.Win.DoubleClick(X(6), Y(0) + shift);
  EXPECT_EQ(v.Selected(), "two");
}

// ---- Mouse selection ---------------------------------------------------------------------

TEST(LTMouseSelection, DragSelectsCharactersAndReportsOnRelease) {
  Viewer v;
  v.Para(u"abcdefgh");
  v.V.Format();
  int selects = 0;
  v.V.OnSelect = [&](TCustomLectern&) { ++selects; };
  v.Win.Press(X(1), Y(0));
  v.Win.Move(X(4), Y(0));
  EXPECT_EQ(v.Selected(), "bcd");
  EXPECT_EQ(selects, 0);
  v.Win.Release(X(5), Y(0));
  EXPECT_EQ(v.Selected(), "bcde");
  EXPECT_EQ(selects, 1);
  // Dragging backwards keeps the anchor; bounds come out normalized.
  v.Win.Press(X(6), Y(0));
  v.Win.Release(X(2), Y(0));
  int si, so, ei, eo;
  v.V.GetSelectionBounds(si, so, ei, eo, true);
  EXPECT_EQ(so, 3);
  EXPECT_EQ(eo, 7);
  v.V.GetSelectionBounds(si, so, ei, eo, false);
  EXPECT_EQ(so, 7);
}

TEST(LTMouseSelection, ShiftClickExtendsAndAMoveWithoutTheButtonEndsSelecting) {
  Viewer v;
  v.Para(u"abcdefgh");
  v.V.Format();
  v.Win.Click(X(2), Y(0));
  v.Win.SetKeys({ssShift});
  v.Win.Click(X(5), Y(0));
  EXPECT_EQ(v.Selected(), "cde");
  v.Win.SetKeys({});
  // The release happened elsewhere: the next move ends the selection mode.
  v.Win.Press(X(0), Y(0));
  v.Win.SetButtonState(TLTMouseButton::Left, false);
  v.Win.Move(X(7), Y(0));
  EXPECT_FALSE(v.V.HasSelection());
}

TEST(LTMouseSelection, WordModeGrowsByWholeWordsOutsideTheFirstWord) {
  Viewer v;
  v.Style.SelectionMode = ltsmWord;
  v.Para(u"alpha beta gamma");
  v.V.Format();
  v.Win.Press(X(1), Y(0));
  v.Win.Move(X(3), Y(0));
  EXPECT_EQ(v.Selected(), "lp");  // inside the first word: characters
  v.Win.Move(X(7), Y(0));
  EXPECT_EQ(v.Selected(), "alpha beta");
  v.Win.Release(X(12), Y(0));
  EXPECT_EQ(v.Selected(), "alpha beta gamma");
}

TEST(LTMouseSelection, ParagraphModeSelectsWholeParagraphs) {
  Viewer v;
  v.Style.SelectionMode = ltsmParagraph;
  v.Para(u"first").More(u" part").Para(u"second").Para(u"third");
  v.V.Format();
  v.Win.Press(X(2), Y(1));
  EXPECT_EQ(v.Selected(), "second");
  v.Win.Release(X(1), Y(2));
  EXPECT_EQ(v.Selected(), "second\r\nthird");
  v.V.Deselect();
  v.Win.Press(X(2), Y(1));
  v.Win.Release(X(1), Y(0));
  EXPECT_EQ(v.Selected(), "first part\r\nsecond");
}

TEST(LTMouseSelection, LeftMarginShowsTheFlipCursorAndSelectsLines) {
  Viewer v;
  v.Para(u"one").Para(u"two").Para(u"three");
  v.V.Format();
  v.Win.Move(2, Y(1));
  EXPECT_EQ(v.Win.Cursor, crFlipArrow);
  v.Win.Press(2, Y(1));
  EXPECT_EQ(v.Selected(), "two");
  v.Win.Release(2, Y(2));
  EXPECT_EQ(v.Selected(), "two\r\nthree");
  v.Style.LineSelectCursor = -1;
  v.Win.Move(2, Y(1));
  EXPECT_EQ(v.Win.Cursor, crDefault);
}

TEST(LTMouseSelection, DoubleClickSelectsTheWordBetweenDelimiters) {
  Viewer v;
  v.Para(u"one,two three");
  v.V.Format();
  std::vector<std::string> words;
  v.V.OnLTDblClick = [&](TCustomLectern&, const TLTString& w, int style) {
    words.push_back(Utf16ToUtf8(w));
    EXPECT_EQ(style, 0);
  };
  v.Win.DoubleClick(X(5), Y(0));
  EXPECT_EQ(v.Selected(), "two");
  v.Win.DoubleClick(X(3), Y(0));  // on the comma
  EXPECT_FALSE(v.V.HasSelection());
  EXPECT_EQ(words, (std::vector<std::string>{"two", ""}));
}

TEST(LTMouseSelection, WordAtTheEndOfAnItemReadsNothingPastItsText) {
  Viewer v;
  v.Para(u"end").More(u"next", 1);
  v.V.Format();
  TLTString word;
  int itemNo, style;
  // Right of the middle of the last letter: the position after the text.
  ASSERT_TRUE(v.V.GetWordAt(X(2) + 5, Y(0), word, itemNo, style));
  EXPECT_EQ(itemNo, 0);
  EXPECT_EQ(word, u"");
  ASSERT_TRUE(v.V.GetWordAt(X(4), Y(0), word, itemNo, style));
  EXPECT_EQ(word, u"next");
  EXPECT_EQ(style, 1);
}

TEST(LTMouseSelection, RightClickOutsideTheSelectionRemovesItInsideKeepsIt) {
  Viewer v;
  v.Para(u"abcdefghij");
  v.V.Format();
  v.V.SetSelectionCharPositions(2, 4);
  v.Win.Click(X(3), Y(0), TLTMouseButton::Right);
  EXPECT_EQ(v.Selected(), "cdef");
  v.Win.Click(X(8), Y(0), TLTMouseButton::Right);
  EXPECT_FALSE(v.V.HasSelection());
  v.V.SetSelectionCharPositions(2, 4);
  v.V.SetOptions(v.V.Options() - TLTOptions{ltoRClickDeselects});
  v.Win.Click(X(8), Y(0), TLTMouseButton::Right);
  EXPECT_EQ(v.Selected(), "cdef");
}

TEST(LTMouseSelection, ClickInsideTheSelectionWithoutDragCollapsesIt) {
  Viewer v;
  v.Para(u"abcdefghij");
  v.V.Format();
  v.V.SetSelectionCharPositions(2, 4);
  v.Win.Press(X(3), Y(0));
  EXPECT_EQ(v.Selected(), "cdef");  // a drag could start here
  v.Win.Release(X(3), Y(0));
  EXPECT_FALSE(v.V.HasSelection());
}

TEST(LTMouseSelection, DraggingTheSelectionOutOffersItsFlavoursForCopying) {
  Viewer v;
  v.Para(u"abcdefghij");
  v.V.Format();
  v.V.SetSelectionCharPositions(2, 4);
  // Less than the platform's distance is still a click.
  v.Win.Press(X(3), Y(0));
  v.Win.Move(X(3) + 3, Y(0));
  EXPECT_TRUE(v.Win.Dragged.empty());
  v.Win.Move(X(3) + 4, Y(0));
  ASSERT_EQ(v.Win.Dragged.size(), 1u);
  EXPECT_EQ(v.Win.DragAllowed, TLTDropEffects{ltdeCopy});
  const TLTClipboardData& data = v.Win.Dragged[0];
  EXPECT_EQ(*data.Find(LTMimeText), "cdef");
  std::string fragment;
  ASSERT_TRUE(UnpackLTFFlavour(*data.Find(LTMimeLTF), fragment));
  {
    TLTHeadlessWindow win2;
    TLectern other(win2);
    other.SetStyle(&v.Style);
    TLTMemoryStream s(fragment);
    ASSERT_TRUE(other.LTData().LoadLTFFromStream(s));
    EXPECT_EQ(other.LTData().GetItemTextW(0), u"cdef");
  }
  EXPECT_FALSE(v.Win.HasCapture());
  // The drag is over: the selection stays, and the release selects nothing.
  v.Win.Release(X(6), Y(0));
  EXPECT_EQ(v.Selected(), "cdef");

  // Where dragging is not allowed the press selects instead.
  v.V.SetOptions(v.V.Options().Include(ltoDisallowDrag));
  v.Win.Press(X(3), Y(0));
  v.Win.Move(X(8), Y(0));
  v.Win.Release(X(8), Y(0));
  EXPECT_EQ(v.Win.Dragged.size(), 1u);
  EXPECT_EQ(v.Selected(), "defgh");

  // A native-format flavour whose length runs past its bytes is refused.
  EXPECT_FALSE(UnpackLTFFlavour(std::string("\x10\0\0\0abc", 7), fragment));
  EXPECT_FALSE(UnpackLTFFlavour("ab", fragment));
  ASSERT_TRUE(UnpackLTFFlavour(PackLTFFlavour("xyz"), fragment));
  EXPECT_EQ(fragment, "xyz");
}

/// A picture that keeps what the mouse told it and asks for a cursor of its own.
struct MouseItem : TLTGraphicItemInfo {
  std::vector<std::string> Events;
  void MouseDown(TLTMouseButton, TLTShiftState, int x, int y) override { Log("down", x, y); }
  void MouseMove(TLTShiftState, int x, int y) override { Log("move", x, y); }
  void MouseUp(TLTMouseButton, TLTShiftState, int x, int y) override { Log("up", x, y); }
  TLTCursorId CursorAt(int x, int) const override { return x < 5 ? crCross : crDefault; }
  void Log(const char* what, int x, int y) {
    Events.push_back(std::string(what) + " " + std::to_string(x) + "," + std::to_string(y));
  }
};

TEST(LTMouseSelection, TheItemUnderTheMouseHearsOfItAtItsOwnPointsAndMayChooseTheCursor) {
  Viewer v;
  v.Para(u"ab");
  auto item = std::make_unique<MouseItem>();
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetPixels({20, 10, std::vector<uint32_t>(200, 0xFF000000u)});
  item->Image = std::move(bmp);
  item->ParaNo = -1;
  item->SetJoinPrev(true);
  MouseItem* pic = item.get();
  v.V.LTData().AddItem({}, std::move(item));
  v.V.Format();
  const TLTDrawLineInfo& piece = v.V.LTData().DrawItems[1];
  const int x = piece.Left + 2, y = piece.Top + 3;
  v.Win.Move(x, y);
  EXPECT_EQ(v.Win.Cursor, crCross);
  v.Win.Move(x + 10, y);
  EXPECT_EQ(v.Win.Cursor, crDefault);
  v.Win.Press(x, y);
  v.Win.Release(x, y);
  EXPECT_EQ(pic->Events, (std::vector<std::string>{"move 2,3", "move 12,3", "down 2,3", "up 2,3"}));
  // Text around it tells it nothing.
  v.Win.Move(X(0), Y(0));
  EXPECT_EQ(pic->Events.size(), 4u);
}

// ---- Automatic scrolling -----------------------------------------------------------------

TEST(LTAutoScroll, PointerBelowScrollsAndTheSelectionFollows) {
  Viewer v;
  v.Lines(30);
  v.Win.Press(X(1), Y(0));
  ASSERT_TRUE(v.Win.IsTimerRunning(LTAutoScrollTimer));
  EXPECT_EQ(v.Win.TimerInterval(LTAutoScrollTimer), LTAutoScrollInterval);
  v.Win.Move(X(1), 105);  // just below: one unit per tick
  v.Win.FireTimer(LTAutoScrollTimer);
  EXPECT_EQ(v.V.VScrollPosition(), 1);
  v.Win.Move(X(1), 130);  // far below: ten units per tick
  v.Win.FireTimer(LTAutoScrollTimer);
  EXPECT_EQ(v.V.VScrollPosition(), 11);
  int si, so, ei, eo;
  v.V.GetSelectionBounds(si, so, ei, eo, false);
  EXPECT_EQ(ei, (11 * 10 + 99 - 5) / H);  // the line at the bottom edge
  v.Win.Release(X(1), 130);
  EXPECT_FALSE(v.Win.IsTimerRunning(LTAutoScrollTimer));
}

TEST(LTAutoScroll, TimerStopsOnFocusLossCaptureLossAndAReleasedButton) {
  Viewer v;
  v.Lines(30);
  v.Win.SetFocused(true);
  v.Win.Press(X(1), Y(0));
  v.Win.SetFocused(false);
  EXPECT_FALSE(v.Win.IsTimerRunning(LTAutoScrollTimer));

  v.Win.Press(X(1), Y(0));
  v.Win.LoseCapture();
  EXPECT_FALSE(v.Win.IsTimerRunning(LTAutoScrollTimer));

  v.Win.Press(X(1), Y(0));
  v.Win.Move(X(1), 130);
  v.Win.SetButtonState(TLTMouseButton::Left, false);
  v.Win.FireTimer(LTAutoScrollTimer);
  EXPECT_FALSE(v.Win.IsTimerRunning(LTAutoScrollTimer));
  EXPECT_EQ(v.V.VScrollPosition(), 0);
}

// ---- Hyperlinks --------------------------------------------------------------------------

/// "go link and more": two hyperlinks, "link" (characters 3..6) and "more"
/// (12..15).
struct LinkViewer : Viewer {
  std::vector<int> Jumps, Moves;
  LinkViewer() {
    Para(u"go ").More(u"link", kLink).More(u" and ").More(u"more", kLink);
    V.Format();
    V.OnJump = [this](TCustomLectern&, int id) { Jumps.push_back(id); };
    V.OnLTMouseMove = [this](TCustomLectern&, int id) { Moves.push_back(id); };
  }
};

TEST(LTHyperlinks, ClickRaisesOnJumpWithFirstJumpNoAdded) {
  LinkViewer v;
  v.V.SetFirstJumpNo(100);
  v.Win.Click(X(4), Y(0));
  v.Win.Click(X(13), Y(0));
  EXPECT_EQ(v.Jumps, (std::vector<int>{100, 101}));
  TCustomLTData* data;
  int itemNo;
  ASSERT_TRUE(v.V.GetJumpLocation(101, data, itemNo));
  EXPECT_EQ(data, &v.V.LTData());
  EXPECT_EQ(itemNo, 3);
  EXPECT_FALSE(v.V.GetJumpLocation(1, data, itemNo));
  EXPECT_EQ(itemNo, -1);
}

TEST(LTHyperlinks, NoJumpAfterSelectingOrWhenReleasedElsewhere) {
  LinkViewer v;
  v.Win.Press(X(3), Y(0));
  v.Win.Move(X(9), Y(0));
  v.Win.Release(X(5), Y(0));  // back on the link, text selected
  EXPECT_TRUE(v.V.HasSelection());
  v.Win.Press(X(4), Y(0));
  v.Win.Release(X(13), Y(0));  // on the other link
  v.V.Deselect();
  v.Win.Press(X(4), Y(0));
  v.Win.Release(X(9), Y(0));  // off every link
  EXPECT_TRUE(v.Jumps.empty());
}

TEST(LTHyperlinks, HoverRaisesOneEventPerLinkAndRepaintsOnlySensitiveLinks) {
  LinkViewer v;
  v.Win.Move(X(4), Y(0));
  v.Win.Move(X(5), Y(0));
  EXPECT_EQ(v.Win.Cursor, crJump);
  EXPECT_EQ(v.V.HoverJumpId(), 0);
  EXPECT_FALSE(v.V.IsHoverShown());
  EXPECT_TRUE(v.Win.Invalidated.empty());
  v.Win.Move(X(9), Y(0));
  EXPECT_EQ(v.Win.Cursor, crDefault);
  EXPECT_EQ(v.Moves, (std::vector<int>{0, -1}));

  v.Style.HoverColor = clRed;
  v.Win.ClearRecord();
  v.Win.Move(X(13), Y(0));
  EXPECT_TRUE(v.V.IsHoverShown());
  ASSERT_EQ(v.Win.Invalidated.size(), 1u);
  EXPECT_EQ(v.Win.Invalidated[0], (TLTRectI{5 + 12 * W - 5, 0, 5 + 16 * W + 5, 5 + H + 5}));
  v.Win.Leave();
  EXPECT_EQ(v.V.HoverJumpId(), -1);
  EXPECT_EQ(v.Moves.back(), -1);
  EXPECT_EQ(v.Win.Invalidated.size(), 2u);
}

TEST(LTHyperlinks, AfterAClickTheFocusFrameStaysInsideTheLinksLine) {
  // Lines of an exact height of 10 pixels, lower than their text (13): a
  // piece reaches out of its line, the frame around the link must not.
  Viewer v;
  TParaInfo& tight = v.Style.ParaStyles().Add();
  tight.LineSpacingType = ltlsLineHeightExact;
  tight.LineSpacing = 10;
  const int para = v.Style.ParaStyles().Count() - 1;
  v.V.LTData().AddTextW(u"first line", 0, para);
  v.V.LTData().AddTextW(u"go ", 0, para);
  v.V.LTData().AddTextW(u"link", kLink, -1);
  v.V.Format();
  const int d = v.V.LTData().GetItem(2).FirstDrawItem;
  ASSERT_GE(d, 0);
  const TLTLineBox line = v.V.LTData().LineOf(d);
  const TLTDrawLineInfo& piece = v.V.LTData().DrawItems[d];
  ASSERT_LT(piece.Top, line.Top);  // the case at hand
  v.Win.Click(piece.Left + 2, line.Top + 3);
  ASSERT_EQ(v.V.FocusedJump(), 0);
  TLTHeadlessCanvas c = v.Win.Paint();
  ASSERT_FALSE(c.Calls().empty());
  const TLTDrawCall& frame = c.Calls().back();
  ASSERT_EQ(frame.Kind, TLTDrawKind::Rectangle);
  EXPECT_EQ(frame.Rect.Left, piece.Left);
  EXPECT_EQ(frame.Rect.Right, piece.Left + piece.Width);
  EXPECT_EQ(frame.Rect.Top, line.Top);
  EXPECT_EQ(frame.Rect.Bottom, line.Bottom);
}

TEST(LTHyperlinks, TabWalksTheLinksEnterJumpsAndTheLastTabLeaves) {
  LinkViewer v;
  EXPECT_TRUE(v.Win.WantsKey(vkTab));
  EXPECT_TRUE(v.Win.Key(vkTab));
  EXPECT_EQ(v.V.FocusedJump(), 0);
  EXPECT_TRUE(v.Win.Key(vkTab));
  EXPECT_EQ(v.V.FocusedJump(), 1);
  EXPECT_TRUE(v.Win.Key(vkReturn));
  EXPECT_EQ(v.Jumps, (std::vector<int>{1}));
  // The focus frame is drawn over the document, around the focused link.
  TLTHeadlessCanvas c = v.Win.Paint();
  ASSERT_FALSE(c.Calls().empty());
  const TLTDrawCall& last = c.Calls().back();
  EXPECT_EQ(last.Kind, TLTDrawKind::Rectangle);
  EXPECT_EQ(last.Pen.Style, psDot);
  EXPECT_EQ(last.Rect.Left, 5 + 12 * W);
  EXPECT_FALSE(v.Win.Key(vkTab));
  EXPECT_EQ(v.V.FocusedJump(), -1);
  // Arriving by Shift+Tab starts from the last link.
  v.Win.SetFocused(true, TLTFocusReason::Backtab);
  EXPECT_EQ(v.V.FocusedJump(), 1);
  v.V.TabNavigation = lttnCtrlTab;
  EXPECT_FALSE(v.Win.WantsKey(vkTab));
  v.Win.SetKeys({ssCtrl, ssShift});
  EXPECT_TRUE(v.Win.Key(vkTab));
  EXPECT_EQ(v.V.FocusedJump(), 0);
}

// ---- Embedded controls ------------------------------------------------------------------------

/// A control of a fixed height whose width the document may set.
class TFakeControl : public TLTControl {
 public:
  TFakeControl(int w, int h) : w_(w), h_(h) {}
  std::string_view ClassName() const override { return "TFakeControl"; }
  int Width() const override { return w_; }
  int Height() const override { return h_; }
  bool Visible() const override { return visible_; }
  void SetVisible(bool v) override { visible_ = v; }
  bool CanFocus() const override { return true; }
  void SetWidth(int w) override { w_ = w; }
  void SetSize(int w, int h) override {
    w_ = w;
    h_ = h;
  }

 private:
  int w_, h_;
  bool visible_ = true;
};

TEST(LTControls, PercentWidthFollowsTheDocumentAndControlsStandAtTheirPiecesWhileScrolling) {
  Viewer v;
  v.Para(u"ab");
  auto item = std::make_unique<TLTControlItemInfo>();
  item->Control = std::make_unique<TFakeControl>(40, 20);
  item->PercentWidth = 50;
  item->ParaNo = -1;
  TLTControl* control = item->Control.get();
  v.V.LTData().AddItem({}, std::move(item));
  for (int i = 0; i < 20; ++i) v.Para(u"line");
  v.V.Format();
  // Half of the text width, less the spacing of 1 on either side.
  const int textWidth = v.V.LTData().TextWidth;
  EXPECT_EQ(control->Width(), textWidth / 2 - 2);
  const TLTDrawLineInfo& piece = v.V.LTData().DrawItems[1];
  EXPECT_EQ(piece.Width, control->Width() + 2);
  const TLTHeadlessWindow::TPlacedControl* placed = v.Win.PlacedControl(control);
  ASSERT_NE(placed, nullptr);
  EXPECT_EQ(placed->At, (TLTPointI{piece.Left + 1, piece.Top + 1}));
  EXPECT_TRUE(placed->Visible);
  // Scrolling moves it with the document.
  v.V.ScrollTo(30);
  const int top = v.V.VScrollPosition() * v.V.ScrollUnit();
  ASSERT_GT(top, 0);
  EXPECT_EQ(v.Win.PlacedControl(control)->At, (TLTPointI{piece.Left + 1, piece.Top + 1 - top}));
  // A narrower window gives it another width.
  v.Win.SetSize(200, 100);
  EXPECT_EQ(v.V.LTData().TextWidth, textWidth - 100);
  EXPECT_EQ(control->Width(), (textWidth - 100) / 2 - 2);
  // A hidden control stays hidden where it stands.
  static_cast<TLTControlItemInfo&>(v.V.LTData().GetItem(1)).SetVisible(false);
  v.V.Format();
  EXPECT_FALSE(v.Win.PlacedControl(control)->Visible);
}

// ---- Hints and checkpoints ----------------------------------------------------------------

TEST(LTItemHints, HintFollowsTheItemUnderTheMouse) {
  Viewer v;
  v.Para(u"aaa").More(u"bbb", 1).More(u"ccc");
  v.V.LTData().GetItem(0).HintText = u"first";
  v.V.Hint = u"control";
  v.V.Format();
  v.Win.Move(X(1), Y(0));
  EXPECT_EQ(v.Win.HintText, u"");  // hints are off by default
  v.V.SetOptions(v.V.Options() | TLTOptions{ltoShowItemHints});
  v.V.OnItemHint = [](TCustomLectern&, TCustomLTData&, int itemNo, TLTString& hint) {
    if (itemNo == 2) hint = u"third";
  };
  v.Win.Move(X(1), Y(0));
  EXPECT_EQ(v.Win.HintText, u"first");
  v.Win.Move(X(2), Y(0));
  EXPECT_EQ(v.Win.HintsShown, 1);  // the same item
  v.Win.Move(X(4), Y(0));
  EXPECT_EQ(v.Win.HintText, u"control");
  v.Win.Move(X(7), Y(0));
  EXPECT_EQ(v.Win.HintText, u"third");
  v.V.Hint.clear();
  v.Win.Move(X(4), Y(0));
  EXPECT_EQ(v.Win.HintText, u"");
}

TEST(LTCheckpoints, SectionStartIsReportedAsTheViewScrolls) {
  Viewer v;
  v.V.CPEventKind = cpeAsSectionStart;
  std::vector<std::string> seen;
  v.V.OnCheckpointVisible = [&](TCustomLectern&, TLTCPInfo* cp) {
    seen.push_back(cp ? Utf16ToUtf8(cp->CheckpointName) : "-");
  };
  for (int i = 0; i < 30; ++i) {
    if (i == 10) v.V.LTData().AddNamedCheckpoint(u"ten", true);
    if (i == 20) v.V.LTData().AddNamedCheckpoint(u"twenty", true);
    v.Para(u"line");
  }
  v.V.Format();
  v.V.ScrollTo(5 + 10 * H);
  v.V.ScrollTo(5 + 10 * H + 20);
  v.V.ScrollTo(5 + 20 * H + 10);
  v.V.ScrollTo(0);
  EXPECT_EQ(seen, (std::vector<std::string>{"ten", "twenty", "-"}));
}

// ---- Selection by positions ---------------------------------------------------------------

TEST(LTSelectionApi, BoundsAndCharacterPositionsFromOutsideAreClamped) {
  Viewer v;
  v.Para(u"abc").Para(u"defg");
  v.V.Format();
  v.V.SetSelectionBounds(0, -7, 9, 99);
  int si, so, ei, eo;
  v.V.GetSelectionBounds(si, so, ei, eo, true);
  EXPECT_EQ((std::vector<int>{si, so, ei, eo}), (std::vector<int>{0, 1, 1, 5}));
  v.V.SetSelectionCharPositions(-5, 1000);
  EXPECT_EQ(v.Selected(), "abc\r\ndefg");
  v.V.SetSelectionCharPositions(5, -3);  // backwards, across the line end
  EXPECT_EQ(v.Selected(), "c\r\n");
  int start, end;
  v.V.GetSelection(start, end);
  EXPECT_EQ(start, 2);
  EXPECT_EQ(end, 5);
  v.V.SetSelection(0, -1);
  EXPECT_EQ(v.Selected(), "abc\r\ndefg");
  v.V.SetSelection(-1, 0);
  EXPECT_FALSE(v.V.HasSelection());
  char16_t buf[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(v.V.GetTextRange(0, 9, buf, 4), 3);
  EXPECT_EQ(TLTString(buf), u"abc");
  EXPECT_EQ(v.V.GetTextRange(0, 9, buf, 0), 0);
}

// ---- Copy -----------------------------------------------------------------------------------

TEST(LTCopy, NothingWithoutASelection) {
  Viewer v;
  v.Para(u"abc");
  v.V.Format();
  v.Win.SetKeys({ssCtrl});
  EXPECT_TRUE(v.Win.Key('C'));
  EXPECT_EQ(v.Win.ClipboardWrites, 0);
}

TEST(LTCopy, AFlavourNobodyWritesLeavesTheClipboardAlone) {
  // Copying with no flavour asked for must not empty what the clipboard
  // holds.
  Viewer v;
  v.Para(u"abc");
  v.V.Format();
  v.V.SelectAll();
  TLTClipboardData before;
  before.Set(LTMimeText, "kept");
  v.Win.SetClipboard(before);
  const int writes = v.Win.ClipboardWrites;
  v.V.SetOptions({});
  v.Win.SetKeys({ssCtrl});
  EXPECT_TRUE(v.Win.Key('C'));
  EXPECT_FALSE(v.V.CopyDefault());
  v.V.OnCopy = [](TCustomLectern&) {};
  EXPECT_FALSE(v.V.CopyDefault());
  EXPECT_EQ(v.Win.ClipboardWrites, writes);
  ASSERT_NE(v.Win.Clipboard().Find(LTMimeText), nullptr);
  EXPECT_EQ(*v.Win.Clipboard().Find(LTMimeText), "kept");
}

TEST(LTCopy, DefaultOptionsPutTheNativeFormatAndUtf8TextOnTheClipboard) {
  Viewer v;
  v.Para(u"\u03A9\u03BC\u03AD\u03B3\u03B1 \u201Cq\u201D");
  v.V.Format();
  v.V.SelectAll();
  v.Win.SetKeys({ssCtrl});
  v.Win.Key(vkInsert);
  const TLTClipboardData clip = v.Win.Clipboard();
  ASSERT_EQ(clip.Formats.size(), 5u);
  EXPECT_EQ(clip.Formats[0].first, LTMimeLTF);
  EXPECT_EQ(clip.Formats[1].first, LTMimeText);
  EXPECT_EQ(clip.Formats[1].second, "\u03A9\u03BC\u03AD\u03B3\u03B1 \u201Cq\u201D");
  // RTF under both the names programs look for.
  EXPECT_EQ(clip.Formats[2].first, LTMimeRTF);
  EXPECT_EQ(clip.Formats[3].first, LTMimeRTFAlt);
  EXPECT_EQ(clip.Formats[2].second, clip.Formats[3].second);
  EXPECT_NE(clip.Formats[2].second.find("\\u937 ?\\u956 ?"), std::string::npos) << clip.Formats[2].second;
  // And HTML, for the programs that take no RTF.
  EXPECT_EQ(clip.Formats[4].first, LTMimeHTML);
  EXPECT_NE(clip.Formats[4].second.find("\u03A9"), std::string::npos);
  // The copied fragment reads back as the same text.
  TLTHeadlessWindow win2;
  TLectern other(win2);
  other.SetStyle(&v.Style);
  std::string fragment;
  ASSERT_TRUE(UnpackLTFFlavour(clip.Formats[0].second, fragment));
  TLTMemoryStream s(fragment);
  ASSERT_TRUE(other.LTData().LoadLTFFromStream(s));
  EXPECT_EQ(other.LTData().GetItemTextW(0), u"\u03A9\u03BC\u03AD\u03B3\u03B1 \u201Cq\u201D");
  // 8-bit text alone is the same UTF-8 text, never a code page's guess.
  v.V.SetOptions({ltoAutoCopyText});
  v.V.CopyDefault();
  ASSERT_EQ(v.Win.Clipboard().Formats.size(), 1u);
  EXPECT_EQ(*v.Win.Clipboard().Find(LTMimeText), clip.Formats[1].second);
}

TEST(LTCopy, ASelectedPictureGoesAsPngAndOnCopyMayAddFlavours) {
  Viewer v;
  v.Para(u"x");
  auto pic = std::make_unique<TLTGraphicItemInfo>();
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetPixels({2, 1, {0xFFFF0000u, 0xFF0000FFu}});
  pic->Image = std::move(bmp);
  pic->ParaNo = -1;
  pic->SetJoinPrev(true);
  v.V.LTData().AddItem({}, std::move(pic));
  v.V.Format();
  v.V.OnCopy = [](TCustomLectern& c) { c.CopyingClipboard()->Set("text/x-note", "hi"); };
  v.V.SetSelectionBounds(1, 0, 1, 1);
  ASSERT_NE(v.V.SelectedPicture(), nullptr);
  ASSERT_TRUE(v.V.CopyDefault());
  const TLTClipboardData clip = v.Win.Clipboard();
  std::vector<std::string> kinds;
  for (const auto& f : clip.Formats) kinds.push_back(f.first);
  EXPECT_EQ(kinds, (std::vector<std::string>{"text/x-note", "application/x-lectern-ltf", "image/png", "text/plain",
                                              "text/rtf", "application/rtf", "text/html"}));
  std::unique_ptr<TGraphic> png = LoadGraphicFromBytes(*clip.Find(LTMimePNG));
  ASSERT_NE(png, nullptr);
  ASSERT_NE(png->Pixels(), nullptr);
  EXPECT_EQ(png->Pixels()->Data, (std::vector<uint32_t>{0xFFFF0000u, 0xFF0000FFu}));
  // With text selected as well it is not the picture alone.
  v.V.SetSelectionBounds(0, 1, 1, 1);
  EXPECT_EQ(v.V.SelectedPicture(), nullptr);
}

}  // namespace
}  // namespace lectern

namespace lectern {
namespace {

// ---- Keys ----------------------------------------------------------------------------------

TEST(LTKeyMap, KeysFindTheirCommandWhateverMouseButtonsAreHeld) {
  const TLTKeyMap m = TLTKeyMap::ViewerDefaults();
  EXPECT_EQ(m.Find('C', {ssCtrl}), ltkcCopy);
  EXPECT_EQ(m.Find('C', {ssCtrl, ssLeft}), ltkcCopy);
  EXPECT_EQ(m.Find('C', {}), ltkcNone);
  EXPECT_EQ(m.Find('C', {ssCtrl, ssAlt}), ltkcNone);
  EXPECT_EQ(m.Find(vkInsert, {ssShift}), ltkcPaste);
  EXPECT_EQ(m.Find(vkDown, {ssShift}), ltkcScrollLineDown);
  EXPECT_EQ(m.Find(vkDown, {ssCtrl}), ltkcNone);
  const auto copyKeys = m.KeysOf(ltkcCopy);
  EXPECT_EQ(copyKeys.size(), 2u);
}

/// A viewer with a command of its own, as an editor adds them.
class TCountingViewer : public TLectern {
 public:
  using TLectern::TLectern;
  static constexpr TLTCommand kCount = ltkcLastViewerCommand + 1;
  int Count = 0;

 protected:
  bool ExecuteCommand(TLTCommand command) override {
    if (command != kCount) return TLectern::ExecuteCommand(command);
    ++Count;
    return true;
  }
};

TEST(LTKeyMap, KeysCanBeRemappedAndNewCommandsBound) {
  TLTStyle style;
  TLTHeadlessWindow win{300, 100};
  TCountingViewer v{win};
  v.SetStyle(&style);
  v.LTData().AddTextW(u"some words", 0, 0);
  v.Format();
  v.SelectAll();

  // Copying moves to Ctrl+K; Ctrl+C no longer touches the clipboard.
  v.KeyMap.Clear('C', {ssCtrl});
  v.KeyMap.Assign('K', {ssCtrl}, ltkcCopy);
  win.SetKeys({ssCtrl});
  EXPECT_FALSE(win.Key('C'));
  EXPECT_FALSE(win.Clipboard().Has(LTMimeText));
  EXPECT_TRUE(win.Key('K'));
  EXPECT_EQ(*win.Clipboard().Find(LTMimeText), "some words");

  // A command the viewer does not know reaches the control that does.
  v.KeyMap.Assign('J', {ssCtrl, ssShift}, TCountingViewer::kCount);
  win.SetKeys({ssCtrl, ssShift});
  EXPECT_TRUE(win.Key('J'));
  EXPECT_EQ(v.Count, 1);
}

// ---- Formats on the clipboard ------------------------------------------------------------------

TEST(LTCopy, EveryRegisteredFlavourTheOptionsAskForIsCopied) {
  Viewer v;
  v.Para(u"abc");
  v.V.Format();
  v.V.SelectAll();
  TLTDocumentFormat upper{"upper-test", "", "the selection in capitals", "text/x-upper", {ltoAutoCopyRTF}};
  upper.Write = [](const TCustomLTData& from, const TLTItemRange* range, TLTStream& out, const TLTWriteSettings&,
                   TLTFormatReport&) {
    std::string s = Utf16ToUtf8(from.GetPlainText(0, range));
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out.WriteAll(s.data(), s.size());
  };
  RegisterDocumentFormat(upper);
  ASSERT_TRUE(v.V.CopyDefault());
  UnregisterDocumentFormat("upper-test");
  ASSERT_TRUE(v.Win.Clipboard().Has("text/x-upper"));
  EXPECT_EQ(*v.Win.Clipboard().Find("text/x-upper"), "ABC");

  // With no option that a format answers, the clipboard keeps what it had.
  v.V.SetOptions(TLTOptions{ltoAllowSelection});
  v.Win.SetClipboard({});
  v.Win.SetClipboard([] {
    TLTClipboardData c;
    c.Set(LTMimeText, "kept");
    return c;
  }());
  EXPECT_FALSE(v.V.CopyDefault());
  EXPECT_EQ(*v.Win.Clipboard().Find(LTMimeText), "kept");
}

TEST(LecternHTML, APageTakesTheApplicationsMarkupAndPictureLocationsAndReplacesAFileOnlyWhole) {
  Viewer v;
  v.Para(u"text");
  auto png = std::make_unique<TPNGImage>();
  TLTPixels px;
  px.Width = px.Height = 1;
  px.Data.assign(1, 0xFF000000u);
  png->SetPixels(px);
  v.V.LTData().AddItem({}, std::make_unique<TLTGraphicItemInfo>(std::move(png), 0));
  TLTDocumentContext& ctx = *v.V.LTData().GetContext();
  ctx.OnSaveHTMLExtra = [](TLTHTMLSaveArea area, bool, TLTString& code) {
    static constexpr const char16_t* kCode[] = {u"<meta name=\"x\">", u"class=\"b\"", u"<!--start-->", u"<!--end-->"};
    code = kCode[area];
  };
  ctx.OnHTMLSaveImage = [](const TCustomLTData&, int itemNo, const std::string&, TColor, TLTString& location,
                           bool& doDefault) {
    location = u"pictures/" + Utf8ToUtf16(std::to_string(itemNo)) + u".png";
    doDefault = false;
  };
  TPNGImage picture;
  picture.SetPixels(px);
  v.V.SetBackgroundBitmap(&picture);
  v.V.SetBackgroundStyle(bsBottomRight);
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("lectern-save-html-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::create_directories(dir);
  const std::string path = (dir / "page.html").string();
  std::string error;
  ASSERT_TRUE(v.V.SaveHTML(path, u"T", "img", {lthoUTF8}, true, &error)) << error;
  std::ifstream in(path, std::ios::binary);
  const std::string page{std::istreambuf_iterator<char>(in), {}};
  EXPECT_NE(page.find("<meta name=\"x\"></head>\n<body class=\"b\">\n<!--start-->"), std::string::npos) << page;
  EXPECT_NE(page.find("<!--end--></body></html>"), std::string::npos) << page;
  EXPECT_NE(page.find("src=\"pictures/1.png\""), std::string::npos) << page;
  EXPECT_NE(page.find("background-image: url('pictures/-1.png');\n  background-repeat: no-repeat;\n"
                      "  background-attachment: fixed;\n  background-position: bottom right;"),
            std::string::npos)
      << page;
  EXPECT_FALSE(fs::exists(dir / "img1.png"));
  // A write that fails part-way keeps the page that was there.
  ctx.OnSaveHTMLExtra = [](TLTHTMLSaveArea area, bool, TLTString&) {
    if (area == lt_thms_End) throw std::runtime_error("no more");
  };
  EXPECT_FALSE(v.V.SaveHTML(path, u"T", "img", {}, false, &error));
  EXPECT_NE(error.find("no more"), std::string::npos) << error;
  std::ifstream again(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(again), {}), page);
  fs::remove_all(dir);
}

// ---- Word selection and what lies behind items -----------------------------------------------

TEST(CLectern, AClickPastALinesEndInWordSelectionSelectsNothing) {
  Viewer v;
  v.Style.SelectionMode = ltsmWord;
  v.Para(u"Key facts").Para(u"body.");
  v.V.Format();
  // Right of both lines: the one that ends in a word and the one that
  // ends in a full stop.
  for (int line : {0, 1}) {
    v.Win.Click(280, Y(line));
    EXPECT_FALSE(v.V.HasSelection()) << "line " << line;
  }
  // Inside a word a press still selects by words as it is dragged.
  v.Win.Press(X(1), Y(0));
  v.Win.Move(X(6), Y(0));
  v.Win.Release(X(6), Y(0));
  EXPECT_EQ(v.Selected(), "Key facts");
}

TEST(CLectern, AnItemsBackgroundIsItsParagraphsColourElseTheControls) {
  Viewer v;
  TParaInfo& shaded = v.Style.ParaStyles().Add();
  shaded.Background.Color = MakeColor(0x336699);
  v.V.LTData().AddTextW(u"plain", 0, 0);
  v.V.LTData().AddTextW(u"shaded", 0, v.Style.ParaStyles().Count() - 1);
  v.V.SetColor(MakeColor(0x00FF00));
  v.V.Format();
  TBitmap bmp;
  ASSERT_TRUE(v.V.GetItemBackground(1, 4, 3, bmp));
  ASSERT_EQ(bmp.Width(), 4);
  ASSERT_EQ(bmp.Height(), 3);
  for (uint32_t p : bmp.Pixels()->Data) EXPECT_EQ(p, 0xFF996633u);  // 0x00BBGGRR read as red 99
  ASSERT_TRUE(v.V.GetItemBackground(0, 2, 2, bmp));
  for (uint32_t p : bmp.Pixels()->Data) EXPECT_EQ(p, 0xFF00FF00u);
  EXPECT_FALSE(v.V.GetItemBackground(2, 2, 2, bmp));
  EXPECT_FALSE(v.V.GetItemBackground(0, 0, 2, bmp));
}

}  // namespace
}  // namespace lectern
