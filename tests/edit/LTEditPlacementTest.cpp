// Where the editor puts text and the caret after edits that empty a list
// item, paste a fragment or make the document taller than the window; what
// one Undo takes back (an insertion, a style change, a typed word); and the
// operations embedding programs call: InsertTextWithTagA, Clear.

#include "edit/LTEdit.h"
#include "model/LTMarker.h"
#include "platform/LTSysUtils.h"
#include "tests/edit/LTEditFixture.h"

#include <gtest/gtest.h>

#include <string>

namespace lectern {
namespace {

using namespace lectern::testing;

struct Editor : TEditorFixture<Editor> {
  void Key(int key, TLTShiftState keys = {}) {
    Win.SetKeys(keys);
    Win.Key(key);
    Win.SetKeys({});
  }
  void Type(std::u16string_view text) { Win.Type(text); }
  void Caret(int item, int offs) { E.SetSelectionBounds(item, offs, item, offs); }
  std::string Text() {
    std::string s = Utf16ToUtf8(E.LTData().GetPlainText(0));
    for (size_t at = s.find("\r\n"); at != std::string::npos; at = s.find("\r\n", at)) s.replace(at, 2, "|");
    return s;
  }
  std::pair<int, int> Where() { return {E.CurrentItemNo(), E.CurrentItemOffset()}; }
  /// A numbered list of the items' texts.
  Editor& List(std::initializer_list<std::u16string_view> items) {
    if (Style.ListStyles().Count() == 0) {
      TLTListLevel& level = Style.ListStyles().Add().Levels.Add();
      level.ListType = ltlstDecimal;
      level.FormatString = u"%0:s.";
    }
    for (std::u16string_view t : items) {
      E.LTData().AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 0, false));
      More(t);
    }
    return *this;
  }
};

using P = std::pair<int, int>;

TEST(LTEditPlacement, AListItemEmptiedKeepsTheCaretForWhatIsTypedNext) {
  // Items: 0 "intro", 1 marker, 2 "one", 3 marker, 4 "two".
  {
    Editor e;
    e.Para(u"intro").List({u"one", u"two"}).Ready();
    e.E.SetSelectionBounds(2, 1, 2, 4);
    e.Type(u"X");
    EXPECT_EQ(e.Text(), "intro|1. X|2. two");
  }
  for (const int key : {vkBack, vkDelete}) {
    Editor e;
    e.Para(u"intro").List({u"one", u"two"}).Ready();
    e.E.SetSelectionBounds(2, 1, 2, 4);
    e.Key(key);
    EXPECT_EQ(e.Where(), P(2, 1)) << key;
    e.Type(u"Y");
    EXPECT_EQ(e.Text(), "intro|1. Y|2. two") << key;
  }
  {
    // Character by character, in the document's last list item.
    Editor e;
    e.Para(u"intro").List({u"one", u"two"}).Ready();
    e.Key(vkEnd, {ssCtrl});
    e.Key(vkReturn);
    e.Type(u"a");
    e.Key(vkBack);
    EXPECT_EQ(e.Where(), P(6, 1));
    e.Type(u"b");
    EXPECT_EQ(e.Text(), "intro|1. one|2. two|3. b");
    e.Caret(2, 1);
    for (int k = 0; k < 3; ++k) e.Key(vkDelete);
    e.Type(u"Z");
    EXPECT_EQ(e.Text(), "intro|1. Z|2. two|3. b");
    EXPECT_EQ(e.Refusals, 0);
  }
}

TEST(LTEditPlacement, BackspaceAtTheStartOfTheDocumentsFirstListItemLeavesTheList) {
  Editor e;
  e.List({u"one", u"two"}).Ready();
  e.Caret(1, 1);
  e.Key(vkBack);
  EXPECT_EQ(e.Text(), "one|1. two");
  EXPECT_EQ(e.Where(), P(0, 1));
  // A page break before it goes first.
  Editor b;
  b.List({u"one", u"two"});
  b.E.LTData().GetItem(0).SetFlag(ltifNewPage, true);
  b.Ready();
  b.Caret(1, 1);
  b.Key(vkBack);
  EXPECT_EQ(b.Text(), "1. one|2. two");
  EXPECT_FALSE(b.E.LTData().GetItem(0).HasFlag(ltifNewPage));
  b.Key(vkBack);
  EXPECT_EQ(b.Text(), "one|1. two");
}

TEST(LTEditPlacement, APastedWordJoinsTheTextOfItsStyleAroundIt) {
  Editor e;
  e.Para(u"testing it").Ready();
  e.E.SetSelectionBounds(0, 5, 0, 8);
  ASSERT_TRUE(e.E.CutCommand());
  ASSERT_TRUE(e.E.PasteCommand());
  EXPECT_EQ(e.E.LTData().ItemCount(), 1);
  EXPECT_EQ(e.Text(), "testing it");
  EXPECT_EQ(e.Where(), P(0, 8));
  // Into the middle of a word: the three pieces are one again.
  e.Caret(0, 3);
  ASSERT_TRUE(e.E.PasteCommand());
  EXPECT_EQ(e.E.LTData().ItemCount(), 1);
  EXPECT_EQ(e.Text(), "teingsting it");
  // Text of another style stays apart.
  e.Style.TextStyles().Add().Style = {fsBold};
  e.E.SetSelectionBounds(0, 1, 0, 3);
  e.E.ApplyTextStyle(1);
  e.E.CopyDefault();
  e.Key(vkEnd);
  ASSERT_TRUE(e.E.PasteCommand());
  EXPECT_EQ(e.E.LTData().ItemCount(), 3);
  EXPECT_EQ(e.Text(), "teingsting itte");
}

TEST(LTEditPlacement, EachInsertionAndStyleChangeIsOneStepToUndo) {
  Editor e;
  e.Para(u"one two").Para(u"three").Ready();
  e.Style.TextStyles().Add().Style = {fsItalic};
  const std::string start = e.Text();
  // A copied fragment of two paragraphs, pasted over a selection.
  e.E.SetSelectionBounds(0, 5, 1, 3);
  e.E.CopyDefault();
  e.E.SetSelectionBounds(0, 1, 0, 4);
  ASSERT_TRUE(e.E.PasteCommand());
  ASSERT_NE(e.Text(), start);
  e.E.Undo();
  EXPECT_EQ(e.Text(), start);
  // Text with line ends, a tagged word, a style over a selection.
  e.Caret(1, 3);
  e.E.InsertText(u"a\nb\nc");
  e.E.Undo();
  EXPECT_EQ(e.Text(), start);
  e.E.InsertTextWithTagA("caf\xE9", TLTTag::FromInt(7));
  e.E.Undo();
  EXPECT_EQ(e.Text(), start);
  e.E.SetSelectionBounds(0, 2, 1, 2);
  e.E.ApplyTextStyle(1);
  EXPECT_GT(e.E.LTData().ItemCount(), 2);
  e.E.Undo();
  EXPECT_EQ(e.E.LTData().ItemCount(), 2);
  EXPECT_EQ(e.E.UndoAction(), ltukNone);
}

TEST(LTEditPlacement, InsertTextWithTagAInsertsOneTaggedItemInTheCurrentStyle) {
  Editor e;
  e.Para(u"ab").Ready();
  e.Caret(0, 2);
  const int before = e.E.CurrentTextStyle();
  ASSERT_TRUE(e.E.InsertTextWithTagA("caf\xE9", TLTTag::FromInt(7)));
  ASSERT_EQ(e.E.LTData().ItemCount(), 3);
  EXPECT_EQ(e.E.LTData().GetItemTextW(1), u"caf\u00E9");
  EXPECT_TRUE(e.E.LTData().GetItem(1).Tag == TLTTag::FromInt(7));
  EXPECT_EQ(e.E.LTData().GetItem(1).StyleNo, before);
  EXPECT_EQ(e.E.CurrentTextStyle(), before);
  EXPECT_EQ(e.Where(), P(1, 5));
}

TEST(LTEditPlacement, AnEditThatBringsTheVerticalBarLaysTheTextOutForTheNarrowerWindow) {
  Editor e;
  // 10 lines fit; a paragraph that fills the whole width, and a rule.
  e.Para(u"aaaa bbbb cccc dddd eeee ffff gggg hhhhh");
  e.Add(std::make_unique<TLTBreakItemInfo>());
  for (int k = 0; k < 6; ++k) e.Para(u"line");
  e.Ready();
  ASSERT_FALSE(e.Win.ScrollBar(TLTScrollBarKind::Vertical).IsShown());
  e.Key(vkEnd, {ssCtrl});
  for (int k = 0; k < 4; ++k) e.Key(vkReturn);
  ASSERT_TRUE(e.Win.ScrollBar(TLTScrollBarKind::Vertical).IsShown());
  EXPECT_FALSE(e.Win.ScrollBar(TLTScrollBarKind::Horizontal).IsShown());
  const int width = e.Win.ClientSize().Width;
  for (int d = 0; d < e.E.LTData().DrawItems.Count(); ++d) {
    const TLTDrawLineInfo& p = e.E.LTData().DrawItems[d];
    EXPECT_LE(p.Left + p.Width, width) << "piece " << d << " of item " << p.ItemNo;
  }
  // And back: undoing the lines takes the bar away and gives the width back.
  for (int k = 0; k < 4; ++k) e.E.Undo();
  EXPECT_FALSE(e.Win.ScrollBar(TLTScrollBarKind::Vertical).IsShown());
  EXPECT_EQ(e.E.LTData().DrawItems[1].Width, e.Win.ClientSize().Width);
}

TEST(LTEditPlacement, TheCaretComesIntoViewWithItsMarginBelow) {
  // Lines of 13 pixels under a view that scrolls by 10: a line whose
  // bottom is not on a unit needs the view rounded up to show the margin.
  Editor e;
  e.E.BottomMargin = 20;
  for (int k = 0; k < 40; ++k) e.Para(u"line");
  e.Ready();
  for (int k = 0; k < 30; ++k) {
    e.Key(vkDown);
    EXPECT_LE(e.E.CaretRect().Bottom + 5, e.Win.ClientSize().Height) << "line " << k + 1;
    EXPECT_GE(e.E.CaretRect().Top, 0);
  }
}

TEST(LTEditPlacement, ClearForgetsWhatWasDoneToTheOldDocument) {
  Editor e;
  e.Para(u"old").Ready();
  e.Caret(0, 4);
  e.Type(u"er");
  e.E.Undo();
  e.E.Clear();
  EXPECT_EQ(e.E.UndoAction(), ltukNone);
  EXPECT_EQ(e.E.RedoAction(), ltukNone);
  EXPECT_FALSE(e.E.Modified);
  e.E.LTData().AddTextW(u"new", 0, 0);
  e.E.Format();
  e.E.Undo();
  e.E.Redo();
  EXPECT_EQ(e.Text(), "new");
}

TEST(LTEditPlacement, WithUndoOffARetaggingHandlerRecordsNothing) {
  Editor e;
  e.Para(u"ab").Ready();
  e.E.SetUndoLimit(0);
  e.E.OnItemTextEdit = [](TCustomLecternEdit&, const TLTRawByteString&, TCustomLTData&, int, TLTTag& tag, int32_t&) {
    tag = TLTTag::FromInt(3);
  };
  e.Caret(0, 3);
  e.Type(u"cd");
  EXPECT_EQ(e.Text(), "abcd");
  EXPECT_EQ(e.E.UndoAction(), ltukNone);
  EXPECT_TRUE(e.E.EditData().UndoList().Empty());
}

TEST(LTEditPlacement, TypingByWordTakesBackAWordAStepAndTheComponentKeepsCharacters) {
  Editor e;
  e.Para(u"").Ready();
  int64_t now = 0;
  e.E.TypingClock = [&] { return now; };
  // The component's own record: one character a step.
  e.Type(u"ab");
  e.E.Undo();
  EXPECT_EQ(e.Text(), "a");
  e.E.Undo();
  e.E.TypingByWord = true;
  e.Type(u"hello world");
  e.E.Undo();
  EXPECT_EQ(e.Text(), "hello ");
  EXPECT_EQ(e.Where(), P(0, 7));
  e.E.Redo();
  EXPECT_EQ(e.Text(), "hello world");
  e.E.Undo();
  e.E.Undo();
  EXPECT_EQ(e.Text(), "");
  // A pause, a caret move and a style change end a step too.
  e.Type(u"ab");
  now += TCustomLecternEdit::TypingPauseMs;
  e.Type(u"cd");
  e.Key(vkLeft);
  e.Key(vkRight);
  e.Type(u"ef");
  e.Style.TextStyles().Add().Style = {fsBold};
  e.E.SetCurrentTextStyle(1);
  e.E.SetCurrentTextStyle(0);
  e.Type(u"gh");
  const char* steps[] = {"abcdef", "abcd", "ab", ""};
  ASSERT_EQ(e.Text(), "abcdefgh");
  for (const char* text : steps) {
    e.E.Undo();
    EXPECT_EQ(e.Text(), text);
  }
}

}  // namespace
}  // namespace lectern
