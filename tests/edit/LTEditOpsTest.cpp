// Editing operations and undo on the headless platform: typing, Enter,
// Backspace and Delete at each kind of boundary, protection refusals,
// styles, inserting text, items and stored documents, and a long random
// walk of edits where every Undo must give back the document as it was.

#include "edit/LTEdit.h"
#include "model/LTMarker.h"
#include "platform/LTControl.h"
#include "platform/LTGraphic.h"
#include "platform/LTStream.h"
#include "platform/LTSysUtils.h"
#include "platform/headless/LTHeadlessWindow.h"
#include "table/LTTable.h"
#include "tests/edit/LTEditFixture.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

namespace lectern {
namespace {

using namespace lectern::testing;

struct Editor : TEditorFixture<Editor> {
  int Changes = 0;

  Editor() {
    E.OnChange = [this](TCustomLecternEdit&) { ++Changes; };
  }
  void Key(int key, TLTShiftState keys = {}) {
    Win.SetKeys(keys);
    Win.Key(key);
    Win.SetKeys({});
  }
  void Type(std::u16string_view text) { Win.Type(text); }
  void Caret(int item, int offs) { E.SetSelectionBounds(item, offs, item, offs); }
  std::string Text() {
    std::string s = Utf16ToUtf8(E.LTData().GetPlainText(0));
    for (size_t at = s.find("\r\n"); at != std::string::npos; at = s.find("\r\n", at)) s.erase(at, 1);
    return s;
  }
  int Items() { return E.LTData().ItemCount(); }
  std::pair<int, int> Where() { return {E.CurrentItemNo(), E.CurrentItemOffset()}; }
  std::string Ltf() {
    TLTMemoryStream out;
    E.LTData().SaveLTFToStream(out);
    return out.Data();
  }
  /// The layout an edit left must be the layout a full pass makes.
  void ExpectLaidOutWhole() {
    std::vector<std::pair<int, int>> pieces;
    for (int d = 0; d < E.LTData().DrawItems.Count(); ++d)
      pieces.emplace_back(E.LTData().DrawItems[d].ItemNo, E.LTData().DrawItems[d].Top);
    E.Format();
    std::vector<std::pair<int, int>> again;
    for (int d = 0; d < E.LTData().DrawItems.Count(); ++d)
      again.emplace_back(E.LTData().DrawItems[d].ItemNo, E.LTData().DrawItems[d].Top);
    EXPECT_EQ(pieces, again);
  }
};

using P = std::pair<int, int>;

// ---- Typing ------------------------------------------------------------------------------------

TEST(LTEditOps, TypingGoesIntoTheItemAndMergesIntoOneUndoStepTakenBackCharacterByCharacter) {
  Editor e;
  e.Para(u"ad").Ready();
  e.Caret(0, 2);
  e.Type(u"b");
  e.Type(u"c");
  EXPECT_EQ(e.Text(), "abcd");
  EXPECT_EQ(e.Where(), P(0, 4));
  EXPECT_TRUE(e.E.Modified);
  EXPECT_EQ(e.E.EditData().UndoList().Count(), 1);
  EXPECT_EQ(e.E.UndoAction(), ltukTyping);
  e.ExpectLaidOutWhole();

  ASSERT_TRUE(e.E.Undo());
  EXPECT_EQ(e.Text(), "abd");
  EXPECT_EQ(e.Where(), P(0, 3));
  ASSERT_TRUE(e.E.Undo());
  EXPECT_EQ(e.Text(), "ad");
  EXPECT_EQ(e.E.UndoAction(), ltukNone);
  EXPECT_FALSE(e.E.Undo());  // nothing left: a beep
  EXPECT_EQ(e.Refusals, 1);

  ASSERT_TRUE(e.E.Redo());
  EXPECT_EQ(e.Text(), "abd");
  ASSERT_TRUE(e.E.Redo());
  EXPECT_EQ(e.Text(), "abcd");
  EXPECT_EQ(e.Where(), P(0, 4));
  EXPECT_EQ(e.E.RedoAction(), ltukNone);
  // Redone typing merges back into one step.
  EXPECT_EQ(e.E.EditData().UndoList().Count(), 1);
}

TEST(LTEditOps, AKeystrokeRepaintsTheLinesItChangedAndNoMore) {
  Editor e;
  // Five lines of 40 characters in one paragraph, one more paragraph below.
  std::u16string text;
  for (int i = 0; i < 5; ++i) text += u"aaaa bbbb cccc dddd eeee ffff gggg hhh ";
  e.Para(text).Para(u"below").Ready();
  auto painted = [&] {
    TLTRectI all;
    for (const TLTRectI& r : e.Win.Invalidated)
      all = all.IsEmpty() ? r
                          : TLTRectI{std::min(all.Left, r.Left), std::min(all.Top, r.Top), std::max(all.Right, r.Right),
                                     std::max(all.Bottom, r.Bottom)};
    return all;
  };
  // In the third line, where the line keeps its breaks: that line alone.
  e.Caret(0, 2 * 39 + 3);
  e.Win.Invalidated.clear();
  e.Win.InvalidatedAll = 0;
  e.Type(u"x");
  EXPECT_EQ(e.Win.InvalidatedAll, 0);
  TLTRectI r = painted();
  EXPECT_LE(r.Top, 2 * H);
  EXPECT_GE(r.Bottom, 3 * H);
  EXPECT_LT(r.Bottom, 5 * H) << "the lines below did not change";
  EXPECT_GE(r.Top, 0);
  // At the end of a later line of the paragraph: that line is painted.
  e.Caret(0, 4 * 39 + 20);
  e.Win.Invalidated.clear();
  e.Type(u"y");
  r = painted();
  EXPECT_LE(r.Top, 4 * H);
  EXPECT_GE(r.Bottom, 5 * H);
  // A word that no longer fits moves on, and every line it pushes along
  // is painted again.
  e.Caret(0, 3);
  e.Win.Invalidated.clear();
  e.Type(u"zzzzzzzz");
  r = painted();
  EXPECT_LE(r.Top, 0);
  EXPECT_GE(r.Bottom, 5 * H);
}

TEST(LTEditOps, TypingElsewhereOpensASecondStepAndAnyChangeClearsRedo) {
  Editor e;
  e.Para(u"abc").Ready();
  e.Caret(0, 1);
  e.Type(u"x");
  e.Caret(0, 4);
  e.Type(u"y");
  EXPECT_EQ(e.Text(), "xabyc");
  EXPECT_EQ(e.E.EditData().UndoList().Count(), 2);
  e.E.Undo();
  EXPECT_EQ(e.E.RedoAction(), ltukTyping);
  e.Type(u"z");
  EXPECT_EQ(e.E.RedoAction(), ltukNone);
}

TEST(LTEditOps, TypingInAnotherStyleMakesNewItemsAndContinuesANeighbourOfThatStyle) {
  Editor e;
  e.Para(u"abcd").More(u"ef", 1).Ready();
  // In the middle of an item of another style: three items.
  e.Caret(0, 3);
  e.E.SetCurrentTextStyle(1);
  e.Type(u"X");
  ASSERT_EQ(e.Items(), 4);
  EXPECT_EQ(e.Text(), "abXcdef");
  EXPECT_EQ(e.E.LTData().GetItem(1).StyleNo, 1);
  EXPECT_EQ(e.E.LTData().GetItem(2).StyleNo, 0);
  e.E.Undo();
  EXPECT_EQ(e.Items(), 2);
  EXPECT_EQ(e.Text(), "abcdef");

  // At the end of an item, the next one of the current style takes it.
  e.Caret(0, 5);
  e.E.SetCurrentTextStyle(1);
  e.Type(u"Y");
  EXPECT_EQ(e.Items(), 2);
  EXPECT_EQ(Utf16ToUtf8(e.E.LTData().GetItemTextW(1)), "Yef");
}

TEST(LTEditOps, TypingIntoAnEmptyParagraphGivesItTheCurrentParagraphStyle) {
  Editor e;
  e.Para(u"").Ready();
  e.E.SetCurrentParaStyle(1);
  e.Type(u"a");
  EXPECT_EQ(e.E.LTData().GetItem(0).ParaNo, 1);
  e.E.Undo();
  EXPECT_EQ(e.E.LTData().GetItem(0).ParaNo, 0);
  EXPECT_EQ(e.Text(), "");
}

TEST(LTEditOps, AnApplicationRetaggingTypedTextMakesTheKeystrokeAStepOfItsOwn) {
  Editor e;
  e.Para(u"ab").Ready();
  e.E.SetItemTagUndoable(0, TLTTag::FromInt(5));
  e.Caret(0, 3);
  std::string seen;
  e.E.OnItemTextEdit = [&](TCustomLecternEdit&, const TLTRawByteString& old, TCustomLTData&, int itemNo, TLTTag& tag,
                           int32_t&) {
    seen += std::to_string(itemNo) + ":" + std::to_string(old.size()) + " ";
    if (e.E.LTData().GetItemTextW(itemNo).size() > 3) tag = {};
  };
  e.Type(u"c");  // kept: merges as typing
  e.Type(u"d");  // the tag goes
  EXPECT_EQ(seen, "0:4 0:6 ");
  EXPECT_TRUE(e.E.LTData().GetItemTag(0).IsEmpty());
  e.E.Undo();
  EXPECT_EQ(e.Text(), "abc");
  EXPECT_EQ(e.E.LTData().GetItemTag(0).Int(), 5);
  e.E.Undo();
  EXPECT_EQ(e.Text(), "ab");
}

TEST(LTEditOps, CharactersOfTwoUnitsStayWholeAndHalvesAreDropped) {
  Editor e;
  e.Para(u"ab").Ready();
  e.Caret(0, 2);
  e.Type(u"\U0001F600");
  EXPECT_EQ(e.E.LTData().GetItemTextW(0), u"a\U0001F600b");
  EXPECT_EQ(e.E.UndoAction(), ltukOtherTyping);
  EXPECT_EQ(e.Where(), P(0, 4));
  // Backspace takes the pair as one character.
  e.Key(vkBack);
  EXPECT_EQ(e.E.LTData().GetItemTextW(0), u"ab");
  const char16_t lone[] = {0xD83D, u'c'};
  e.E.TypeText(std::u16string_view(lone, 2));
  EXPECT_EQ(e.E.LTData().GetItemTextW(0), u"acb");
  e.E.InsertText(std::u16string_view(lone, 1));
  EXPECT_EQ(e.E.LTData().GetItemTextW(0), u"acb");
}

TEST(LTEditOps, EightBitTextTakesTypedCharactersThroughItsCodePage) {
  Editor e;
  e.Style.TextStyles()[0].Unicode = false;
  e.Style.DefUnicodeStyle = -1;
  e.E.LTData().AddTextA("ab", 0, 0);
  e.Ready();
  e.Caret(0, 2);
  e.Type(u"\u00e9");
  EXPECT_EQ(e.E.LTData().GetItemTextW(0), u"a\u00e9b");
  EXPECT_FALSE(e.E.LTData().GetItem(0).IsWide());
}

// ---- Enter -------------------------------------------------------------------------------------

TEST(LTEditOps, EnterSplitsAParagraphAndAddsEmptyOnesAtItsEdges) {
  Editor e;
  e.Para(u"abcd").Ready();
  e.Caret(0, 3);
  e.Key(vkReturn);
  EXPECT_EQ(e.Text(), "ab\ncd");
  EXPECT_EQ(e.Where(), P(1, 1));
  EXPECT_TRUE(e.E.LTData().IsParaStart(1));
  EXPECT_EQ(e.E.UndoAction(), ltukOtherTyping);
  e.ExpectLaidOutWhole();
  // At the end: an empty paragraph after it, the caret in it.
  e.Caret(1, 3);
  e.Key(vkReturn);
  EXPECT_EQ(e.Text(), "ab\ncd\n");
  EXPECT_EQ(e.Where(), P(2, 1));
  e.Type(u"e");
  EXPECT_EQ(e.Text(), "ab\ncd\ne");
  // At the start: an empty paragraph before it, the caret stays with the text.
  e.Caret(0, 1);
  e.Key(vkReturn);
  EXPECT_EQ(e.Text(), "\nab\ncd\ne");
  EXPECT_EQ(e.Where(), P(1, 1));
  for (int i = 0; i < 4; ++i) e.E.Undo();
  EXPECT_EQ(e.Text(), "abcd");
  EXPECT_EQ(e.Items(), 1);
}

TEST(LTEditOps, ShiftEnterBreaksTheLineInsideTheParagraph) {
  Editor e;
  e.Para(u"abcd").Ready();
  e.Caret(0, 3);
  e.Key(vkReturn, {ssShift});
  ASSERT_EQ(e.Items(), 2);
  EXPECT_TRUE(e.E.LTData().GetItem(1).HasFlag(ltifNewLine));
  EXPECT_FALSE(e.E.LTData().IsParaStart(1));
  // Backspace at the start of the line joins it again.
  e.Key(vkBack);
  EXPECT_EQ(e.Items(), 1);
  EXPECT_EQ(e.Text(), "abcd");
  EXPECT_EQ(e.Where(), P(0, 3));
}

TEST(LTEditOps, EnterInAListCopiesTheMarkerAndOnAnEmptyItemLeavesTheList) {
  Editor e;
  TLTListLevel& level = e.Style.ListStyles().Add().Levels.Add();
  level.ListType = ltlstDecimal;
  level.FormatString = u"%0:s.";
  e.E.LTData().AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 0, false));
  e.More(u"one");
  e.Ready();
  e.Caret(1, 4);
  e.Key(vkReturn);
  ASSERT_EQ(e.Items(), 4);
  EXPECT_TRUE(e.E.LTData().GetItem(2).GetBoolValue(iqListMarker));
  EXPECT_EQ(e.Where(), P(3, 1));
  // Enter on the new, empty list item ends the list there.
  e.Key(vkReturn);
  EXPECT_FALSE(e.E.LTData().GetItem(2).GetBoolValue(iqListMarker));
  e.E.Undo();
  e.E.Undo();
  EXPECT_EQ(e.Items(), 2);
}

// ---- Backspace and Delete ------------------------------------------------------------------------

TEST(LTEditOps, BackspaceAtParagraphStartsJoinsAndMergesAndDeleteIsItsMirror) {
  Editor e;
  e.Para(u"ab").Para(u"cd").Ready();
  e.Caret(1, 1);
  e.Key(vkBack);
  EXPECT_EQ(e.Text(), "abcd");
  EXPECT_EQ(e.Items(), 1);
  EXPECT_EQ(e.Where(), P(0, 3));
  EXPECT_EQ(e.E.UndoAction(), ltukDeletion);
  e.E.Undo();
  EXPECT_EQ(e.Text(), "ab\ncd");
  EXPECT_EQ(e.Items(), 2);

  e.Caret(0, 3);
  e.Key(vkDelete);
  EXPECT_EQ(e.Text(), "abcd");
  e.E.Undo();
  // Characters inside a line.
  e.Caret(1, 2);
  e.Key(vkBack);
  EXPECT_EQ(e.Text(), "ab\nd");
  e.Key(vkDelete);
  EXPECT_EQ(e.Text(), "ab\n");
  EXPECT_EQ(e.Items(), 2);  // the emptied paragraph keeps its item
  e.Key(vkBack);
  EXPECT_EQ(e.Text(), "ab");
  EXPECT_EQ(e.Where(), P(0, 3));
}

TEST(LTEditOps, BackspaceOnAPageBreakRemovesOnlyTheBreak) {
  Editor e;
  e.Para(u"ab").Para(u"cd").Ready();
  e.E.LTData().GetItem(1).SetNewPage(true);
  e.Caret(1, 1);
  e.Key(vkBack);
  EXPECT_FALSE(e.E.LTData().PageBreakBefore(1));
  EXPECT_EQ(e.Text(), "ab\ncd");
  EXPECT_EQ(e.E.UndoAction(), ltukDeletion);
  e.E.Undo();
  EXPECT_TRUE(e.E.LTData().PageBreakBefore(1));
}

TEST(LTEditOps, CtrlBackspaceAndCtrlDeleteGoToWordBoundaries) {
  Editor e;
  e.Para(u"one two three").Ready();
  e.Caret(0, 9);  // after "two "
  e.Key(vkBack, {ssCtrl});
  EXPECT_EQ(e.Text(), "one three");
  e.Key(vkDelete, {ssCtrl});
  EXPECT_EQ(e.Text(), "one ");
}

TEST(LTEditOps, BackspaceAndDeleteStopAtRulesAndTables) {
  Editor e;
  e.Para(u"ab");
  e.E.LTData().AddItem({}, std::make_unique<TLTBreakItemInfo>());
  e.Para(u"cd").Ready();
  e.Caret(2, 1);
  e.Key(vkBack);
  EXPECT_EQ(e.Items(), 3);  // the caret moved, nothing joined the rule
  EXPECT_EQ(e.Text(), "ab\n\ncd");
  e.Caret(0, 3);
  e.Key(vkDelete);
  EXPECT_EQ(e.Items(), 3);
}

// ---- Refusals ------------------------------------------------------------------------------------

TEST(LTEditOps, RefusalsBeepOnceAndLeaveDocumentAndUndoUntouched) {
  Editor e;
  e.Para(u"free").Para(u"fixed", 1, 1).Ready();
  e.Style.TextStyles()[1].Protection.Include(ltprModifyProtect);
  e.Style.ParaStyles()[1].Options.Include(ltpaoReadOnly);
  const std::string before = e.Ltf();

  e.Caret(1, 3);
  e.Type(u"x");
  e.Key(vkBack);
  e.Key(vkReturn);
  EXPECT_EQ(e.Refusals, 3);
  e.E.SetSelectionBounds(0, 2, 1, 3);
  e.Key(vkDelete);
  EXPECT_EQ(e.Refusals, 4);
  EXPECT_EQ(e.Ltf(), before);
  EXPECT_EQ(e.E.UndoAction(), ltukNone);
  EXPECT_FALSE(e.E.Modified);

  e.E.SetReadOnly(true);
  e.Caret(0, 2);
  e.Type(u"y");
  EXPECT_EQ(e.Refusals, 5);
  EXPECT_EQ(e.Ltf(), before);

  e.E.SetReadOnly(false);
  bool allow = false;
  e.E.OnChanging = [&](TCustomLecternEdit&, bool& can) { can = allow; };
  e.Type(u"z");
  EXPECT_EQ(e.Refusals, 6);
  allow = true;
  e.Type(u"z");
  EXPECT_EQ(e.Text(), "fzree\nfixed");
}

TEST(LTEditOps, StickingItemsTakeNothingBetweenThem) {
  Editor e;
  e.Para(u"ab").More(u"cd", 1).Ready();
  e.Style.TextStyles()[0].Protection.Include(ltprSticking);
  e.Style.TextStyles()[1].Protection.Include(ltprSticking);
  e.Caret(0, 3);
  EXPECT_FALSE(e.E.InsertTab());
  EXPECT_EQ(e.Items(), 2);
  EXPECT_EQ(e.E.UndoAction(), ltukNone);
}

// ---- Inserting -------------------------------------------------------------------------------------

TEST(LTEditOps, InsertedTextSplitsAtLineEndsCountingCRLFOnce) {
  Editor e;
  e.Para(u"xy").Ready();
  e.Caret(0, 2);
  e.E.InsertText(u"a\r\nb\vc\x2029" u"d");
  EXPECT_EQ(e.Text(), "xa\nb\nc\ndy");
  EXPECT_EQ(e.E.UndoAction(), ltukInsertion);
  EXPECT_EQ(e.E.EditData().UndoList().Count(), 1);
  int lines = 0, paras = 0;
  for (int i = 0; i < e.Items(); ++i) {
    paras += e.E.LTData().IsParaStart(i);
    lines += e.E.LTData().GetItem(i).HasFlag(ltifNewLine);
  }
  EXPECT_EQ(paras, 3);
  EXPECT_EQ(lines, 1);
  e.ExpectLaidOutWhole();
  e.E.Undo();
  EXPECT_EQ(e.Text(), "xy");
  EXPECT_EQ(e.Items(), 1);
  // A byte-swapped order mark turns the rest around.
  e.E.InsertText(u"\xFFFE\x6100");
  EXPECT_EQ(e.Text(), "xay");
}

TEST(LTEditOps, TabKeyInsertsSpacesOrATabItem) {
  Editor e;
  e.Para(u"ab").Ready();
  e.Caret(0, 2);
  e.Style.SpacesInTab = 4;
  e.Key(vkTab);
  EXPECT_EQ(e.Text(), "a    b");
  e.Style.SpacesInTab = 0;
  e.Key(vkTab);
  ASSERT_EQ(e.Items(), 3);
  EXPECT_EQ(e.E.LTData().GetItem(1).StyleNo, ltikTabulator);
}

TEST(LTEditOps, ARuleInTheMiddleOfTextSplitsItAndTheRestStartsAParagraph) {
  Editor e;
  e.Para(u"abcd").Ready();
  e.Caret(0, 3);
  ASSERT_TRUE(e.E.InsertRule());
  ASSERT_EQ(e.Items(), 3);
  EXPECT_EQ(e.E.LTData().GetItem(1).StyleNo, ltikRule);
  EXPECT_TRUE(e.E.LTData().IsParaStart(1));
  EXPECT_TRUE(e.E.LTData().IsParaStart(2));
  EXPECT_EQ(e.Text(), "ab\n\ncd");
  e.E.LTData().GetItem(1).SetJoinPrev(true);
  EXPECT_TRUE(e.E.LTData().IsParaStart(1)) << "a rule never continues a paragraph";
  e.E.Undo();
  EXPECT_EQ(e.Items(), 1);
  EXPECT_EQ(e.Text(), "abcd");
}

TEST(LTEditOps, AStoredDocumentGoesInAtTheCaretAsOneStepAndADamagedOneNotAtAll) {
  Editor source;
  source.Para(u"one").Para(u"two").Ready();
  const std::string ltf = source.Ltf();

  Editor e;
  e.Para(u"abcd").Ready();
  e.Caret(0, 3);
  TLTMemoryStream in(ltf);
  ASSERT_TRUE(e.E.InsertLTFAtCaret(in));
  EXPECT_EQ(e.Text(), "abone\ntwocd");
  EXPECT_EQ(e.E.EditData().UndoList().Count(), 1);
  e.ExpectLaidOutWhole();
  e.E.Undo();
  EXPECT_EQ(e.Text(), "abcd");

  const std::string before = e.Ltf();
  TLTMemoryStream damaged(ltf.substr(0, ltf.size() / 2) + "\x01\xff garbage");
  EXPECT_FALSE(e.E.InsertLTFAtCaret(damaged));
  EXPECT_EQ(e.Ltf(), before);
  EXPECT_EQ(e.E.RedoAction(), ltukInsertion);  // the redo step of the first insertion is still there
  EXPECT_EQ(e.E.UndoAction(), ltukNone);
}

TEST(LTEditOps, TextWithTagGoesInAsOneItemAndTagsChangeUndoably) {
  Editor e;
  TLTOptions options = e.E.Options();
  options.Include(ltoTagsArePChars);
  e.E.SetOptions(options);
  e.Para(u"ab").Ready();
  e.Caret(0, 2);
  ASSERT_TRUE(e.E.InsertTextWithTag(u"Capital", TLTTag::FromString(u"Capital|")));
  ASSERT_EQ(e.Items(), 3);
  EXPECT_EQ(*e.E.LTData().GetItemTag(1).String(), u"Capital|");
  const int groups = e.E.EditData().UndoList().Count();
  e.E.SetItemTagUndoable(1, e.E.LTData().GetItemTag(1));  // the same tag: nothing
  EXPECT_EQ(e.E.EditData().UndoList().Count(), groups);
  e.E.BeginUndoGroup(ltukTagChange);
  e.E.SetUndoGroupMode(true);
  e.E.SetItemTagUndoable(1, {});
  e.E.SetItemTagUndoable(0, TLTTag::FromString(u"x"));
  e.E.SetUndoGroupMode(false);
  EXPECT_EQ(e.E.EditData().UndoList().Count(), groups + 1);
  e.E.Undo();
  EXPECT_EQ(*e.E.LTData().GetItemTag(1).String(), u"Capital|");
  EXPECT_TRUE(e.E.LTData().GetItemTag(0).IsEmpty());
}

TEST(LTEditOps, ACheckpointOfDeletedTextStaysWithTheTextThatIsLeft) {
  Editor e;
  e.Para(u"ab");
  e.E.LTData().AddNamedCheckpoint(u"mark", false);
  e.More(u"cd", 1).More(u"ef").Ready();
  ASSERT_NE(e.E.LTData().GetItemCheckpoint(1), nullptr);
  e.E.SetSelectionBounds(0, 2, 1, 3);
  e.Key(vkDelete);
  EXPECT_EQ(e.Text(), "aef");
  ASSERT_NE(e.E.LTData().GetItemCheckpoint(0), nullptr);
  EXPECT_EQ(e.E.LTData().GetItemCheckpoint(0)->CheckpointName, u"mark");
  EXPECT_EQ(e.E.LTData().CheckpointCount(), 1);
  e.E.Undo();
  EXPECT_EQ(e.E.LTData().GetItemCheckpoint(0), nullptr);
  ASSERT_NE(e.E.LTData().GetItemCheckpoint(1), nullptr);
  EXPECT_EQ(e.E.LTData().FirstCheckpoint(), e.E.LTData().GetItemCheckpoint(1));
  EXPECT_THROW(e.E.LTData().DetachCheckpoint(0), ELecternError);
}

// ---- Styles --------------------------------------------------------------------------------------

TEST(LTEditOps, ATextStyleAppliedToPartOfAnItemSplitsItAndUndoJoinsIt) {
  Editor e;
  e.Para(u"abcdef").Ready();
  e.E.SetSelectionBounds(0, 3, 0, 5);
  e.E.ApplyTextStyle(1);
  ASSERT_EQ(e.Items(), 3);
  EXPECT_EQ(Utf16ToUtf8(e.E.LTData().GetItemTextW(1)), "cd");
  EXPECT_EQ(e.E.LTData().GetItem(1).StyleNo, 1);
  EXPECT_EQ(e.E.CurrentTextStyle(), 1);
  int start = 0, length = 0;
  e.E.GetSelectionCharPositions(start, length);
  EXPECT_EQ(P(start, length), P(2, 2));
  EXPECT_EQ(e.E.UndoAction(), ltukTextStyle);
  // Back to the first style: the pieces merge into one item again.
  e.E.ApplyTextStyle(0);
  EXPECT_EQ(e.Items(), 1);
  e.E.Undo();
  e.E.Undo();
  EXPECT_EQ(e.Items(), 1);
  EXPECT_EQ(e.E.LTData().GetItem(0).StyleNo, 0);
}

TEST(LTEditOps, ATabTakesTheStyleAppliedAroundItAndConversionsAskTheApplication) {
  Editor e;
  e.Para(u"ab").Ready();
  e.Caret(0, 2);
  e.E.InsertTab();
  ASSERT_EQ(e.Items(), 3);
  e.E.SelectAll();
  e.E.ApplyTextStyle(3);
  EXPECT_EQ(e.E.LTData().GetItem(1).GetAssociatedTextStyleNo(), 3);
  e.E.Undo();
  EXPECT_EQ(e.E.LTData().GetItem(1).GetAssociatedTextStyleNo(), 0);

  // A conversion: every style one up, as the application says.
  std::vector<int> asked;
  e.E.OnStyleConversion = [&](TCustomLecternEdit&, int32_t s, int, bool toText, int32_t& to) {
    if (toText) asked.push_back(s);
    to = s + 1;
  };
  e.E.SelectAll();
  e.E.ApplyStyleConversion(0);
  EXPECT_EQ(e.E.LTData().GetItem(0).StyleNo, 1);
  EXPECT_EQ(e.E.LTData().GetItem(1).GetAssociatedTextStyleNo(), 1);
  EXPECT_FALSE(asked.empty());
}

TEST(LTEditOps, AStyleWithoutSelectionChangesOnlyTheCurrentStyleOrAnEmptyItem) {
  Editor e;
  e.Para(u"ab").Para(u"").Ready();
  e.Caret(0, 2);
  e.E.ApplyTextStyle(2);
  EXPECT_EQ(e.E.CurrentTextStyle(), 2);
  EXPECT_EQ(e.E.LTData().GetItem(0).StyleNo, 0);
  EXPECT_EQ(e.E.UndoAction(), ltukNone);
  e.Caret(1, 1);
  e.E.ApplyTextStyle(2);
  EXPECT_EQ(e.E.LTData().GetItem(1).StyleNo, 2);
  EXPECT_EQ(e.E.UndoAction(), ltukTextStyle);
}

TEST(LTEditOps, ChangingTheUnicodeFlagOfTextKeepsItsCharactersThroughUndo) {
  Editor e;
  e.Style.TextStyles()[1].Unicode = false;
  e.Para(u"caf\u00e9").Ready();
  e.E.SelectAll();
  e.E.ApplyTextStyle(1);
  EXPECT_FALSE(e.E.LTData().GetItem(0).IsWide());
  EXPECT_EQ(e.E.LTData().GetItemTextW(0), u"caf\u00e9");
  e.E.Undo();
  EXPECT_TRUE(e.E.LTData().GetItem(0).IsWide());
  EXPECT_EQ(e.E.LTData().GetItemTextW(0), u"caf\u00e9");
}

TEST(LTEditOps, AParagraphStyleGoesToEveryParagraphTheSelectionTouches) {
  Editor e;
  e.Para(u"a").Para(u"b").More(u"c").Para(u"d").Ready();
  e.E.SetSelectionBounds(0, 1, 1, 1);
  e.E.ApplyParaStyle(1);
  EXPECT_EQ(e.E.LTData().GetItem(0).ParaNo, 1);
  EXPECT_EQ(e.E.LTData().GetItem(2).ParaNo, 1);
  EXPECT_EQ(e.E.LTData().GetItem(3).ParaNo, 0);
  e.E.Undo();
  EXPECT_EQ(e.E.LTData().GetItem(2).ParaNo, 0);
}

// ---- The undo lists --------------------------------------------------------------------------------

TEST(LTEditOps, UndoLimitsKeepTheLatestGroupsOrNone) {
  Editor e;
  e.Para(u"abc").Ready();
  e.E.SetUndoLimit(0);
  e.Caret(0, 1);
  e.Type(u"x");
  EXPECT_EQ(e.Text(), "xabc");
  EXPECT_EQ(e.E.UndoAction(), ltukNone);

  e.E.SetUndoLimit(3);
  for (int i = 0; i < 4; ++i) {
    e.Caret(0, 1);
    e.Key(vkReturn);
  }
  EXPECT_EQ(e.E.EditData().UndoList().Count(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(e.E.Undo());
  EXPECT_FALSE(e.E.Undo());
  EXPECT_EQ(e.Text(), "\nxabc");
  // A lowered limit trims with the next group.
  for (int i = 0; i < 3; ++i) e.E.Redo();
  e.E.SetUndoLimit(1);
  EXPECT_EQ(e.E.EditData().UndoList().Count(), 3);
  e.Caret(0, 1);
  e.Key(vkReturn);
  EXPECT_EQ(e.E.EditData().UndoList().Count(), 1);
}

TEST(LTEditOps, GroupModeCollectsActionsButTypingKeepsItsOwnGroupAndEmptyGroupsVanish) {
  Editor e;
  e.Para(u"abc").Ready();
  e.E.BeginUndoGroup(ltukInsertion);
  e.E.SetUndoGroupMode(true);
  e.E.SetUndoGroupMode(false);
  EXPECT_EQ(e.E.UndoAction(), ltukNone);

  e.E.BeginUndoGroup(ltukInsertion);
  e.E.SetUndoGroupMode(true);
  e.Caret(0, 1);
  e.E.InsertTab();
  e.E.InsertTab();
  e.Type(u"x");
  e.E.SetUndoGroupMode(false);
  EXPECT_EQ(e.E.EditData().UndoList().Count(), 2);
  e.E.Undo();
  e.E.Undo();
  EXPECT_EQ(e.Text(), "abc");
}

TEST(LTEditOps, RecordsRefuseToGoWhereNoGroupTakesThem) {
  TLTUndoList list;
  EXPECT_THROW(list.Add(std::make_unique<TLTUndoTagInfo>(0, TLTTag{})), ELecternError);
  list.AppendGroup(ltukTyping, 0, 1, {});
  list.Last()->Records.push_back(std::make_unique<TLTUndoTypingInfo>(0, 1, true));
  EXPECT_THROW(list.Add(std::make_unique<TLTUndoTagInfo>(0, TLTTag{})), ELecternError);
  TLTUndoList empty;
  EXPECT_THROW(empty.PopLast(), ELecternError);
}

// ---- What the planted faults showed ------------------------------------------------------------

TEST(LTEditOps, FilesAndPicturesThatCannotBeHadInsertNothingAndSaySo) {
  Editor e;
  e.Para(u"ab").Ready();
  const std::string before = e.Ltf();
  EXPECT_FALSE(e.E.InsertLTFFileAtCaret("/nowhere/at/all.ltf"));
  EXPECT_FALSE(e.E.InsertTextFileAtCaret("/nowhere/at/all.txt"));
  EXPECT_FALSE(e.E.InsertPicture("p", nullptr, 0));
  EXPECT_EQ(e.Ltf(), before);
  EXPECT_EQ(e.E.UndoAction(), ltukNone);
  EXPECT_TRUE(e.E.UndoName().empty());
  e.Type(u"x");
  EXPECT_EQ(e.E.UndoName(), u"Typing");
  e.E.Undo();
  EXPECT_EQ(e.E.RedoName(), u"Typing");
}

TEST(LTEditOps, RefusedKeysKeepTheCaretWhereItWas) {
  Editor e;
  e.Para(u"fixed", 0, 1).Para(u"free").Para(u"after").Ready();
  e.Style.ParaStyles()[1].Options.Include(ltpaoReadOnly);
  e.Style.TextStyles()[2].Protection.Include(ltprParaStartProtect);
  // Backspace may not join a paragraph to a read-only one.
  e.Caret(1, 1);
  e.Key(vkBack);
  EXPECT_EQ(e.Refusals, 1);
  EXPECT_EQ(e.Where(), P(1, 1));
  // Delete may not pull a read-only paragraph up, nor Enter split text
  // that may not start a paragraph.
  e.E.LTData().GetItem(2).ParaNo = 1;
  e.Caret(1, 5);
  e.Key(vkDelete);
  EXPECT_EQ(e.Refusals, 2);
  EXPECT_EQ(e.Where(), P(1, 5));
  e.E.LTData().GetItem(2).ParaNo = 0;
  e.E.LTData().GetItem(1).StyleNo = 2;
  e.Caret(1, 5);
  e.Key(vkReturn);
  EXPECT_EQ(e.Refusals, 3);
  EXPECT_EQ(e.Text(), "fixed\nfree\nafter");
}

TEST(LTEditOps, BackspaceTakesAnEmptyParagraphAboveAway) {
  Editor e;
  e.Para(u"ab").Para(u"").Para(u"cd", 0, 1).Ready();
  e.Caret(2, 1);
  e.Key(vkBack);
  EXPECT_EQ(e.Text(), "ab\ncd");
  EXPECT_EQ(e.Where(), P(1, 1));
  EXPECT_TRUE(e.E.Modified);
  EXPECT_EQ(e.E.LTData().GetItem(1).ParaNo, 0) << "the paragraph takes the style of the one it replaces";
  e.ExpectLaidOutWhole();
}

TEST(LTEditOps, ASelectionAcrossParagraphsLeavesOneParagraph) {
  Editor e;
  e.Para(u"abc").Para(u"def").Para(u"ghi").Ready();
  e.E.SetSelectionBounds(0, 2, 1, 3);
  e.Key(vkDelete);
  EXPECT_EQ(e.Text(), "af\nghi");
  EXPECT_EQ(e.Items(), 2) << "the ends merge into one item";
  EXPECT_EQ(e.Where(), P(0, 2));
  e.ExpectLaidOutWhole();
  // A wholly selected protected item at the end refuses the deletion.
  e.E.Undo();
  e.Style.TextStyles()[1].Protection.Include(ltprDeleteProtect);
  e.E.LTData().GetItem(2).StyleNo = 1;
  e.E.SetSelectionBounds(0, 2, 2, 4);
  e.Key(vkDelete);
  EXPECT_EQ(e.Refusals, 1);
  EXPECT_EQ(e.Text(), "abc\ndef\nghi");
}

TEST(LTEditOps, DeletingATabBetweenTextOfOneStyleMakesOneItem) {
  Editor e;
  e.Para(u"ab").Ready();
  e.Caret(0, 2);
  e.E.InsertTab();
  ASSERT_EQ(e.Items(), 3);
  e.Caret(0, 2);
  e.Key(vkDelete);
  EXPECT_EQ(e.Items(), 1);
  EXPECT_EQ(e.Text(), "ab");
}

TEST(LTEditOps, InsertedTextLeavesTheCaretAfterItOrBeforeIt) {
  Editor e;
  e.Para(u"xy").Ready();
  e.Caret(0, 2);
  e.E.InsertText(u"abc");
  EXPECT_EQ(e.Items(), 1);
  EXPECT_EQ(e.Where(), P(0, 5));
  e.Caret(0, 2);
  e.E.InsertText(u"12", true);
  EXPECT_EQ(e.Text(), "x12abcy");
  EXPECT_EQ(e.Where(), P(0, 2));
  // Text whose last line meets the text after the caret: the caret stands
  // in the merged item, after what was inserted.
  e.Caret(0, 2);
  e.E.InsertText(u"p\nq");
  EXPECT_EQ(e.Where(), P(1, 2));
  EXPECT_EQ(e.Text(), "xp\nq12abcy");
  e.E.Undo();
  // A piece that is empty inside a line leaves no empty item behind.
  e.Caret(0, 2);
  e.E.InsertText(u"\tb");
  ASSERT_EQ(e.Items(), 3);
  EXPECT_EQ(Utf16ToUtf8(e.E.LTData().GetItemTextW(0)), "x");
  EXPECT_EQ(Utf16ToUtf8(e.E.LTData().GetItemTextW(2)), "b12abcy");
  e.E.Undo();
  // Half a character at the end of typed text is dropped, not read past.
  const char16_t tail[] = {u'q', 0xD83D};
  e.E.TypeText(std::u16string_view(tail, 2));
  EXPECT_EQ(e.Text(), "xq12abcy");
}

TEST(LTEditOps, GroupModeNeverGoesBelowOffAndEmptyGroupsDoNotPileUp) {
  Editor e;
  e.Para(u"ab").Ready();
  e.E.SetUndoGroupMode(false);
  e.E.SetUndoGroupMode(false);
  EXPECT_EQ(e.E.EditData().UndoList().GroupMode, 0);
  e.E.BeginUndoGroup(ltukInsertion);
  e.E.BeginUndoGroup(ltukTagChange);
  EXPECT_EQ(e.E.EditData().UndoList().Count(), 1);
  EXPECT_EQ(e.E.UndoAction(), ltukTagChange);
  // Outside any group the primitives change the document and record nothing.
  e.E.EditData().UndoList().Clear();
  e.E.EditData().InsertChars(0, 1, Utf16ToBytes(u"z"));
  EXPECT_EQ(e.E.UndoAction(), ltukNone);
}

TEST(LTEditOps, RedoneKeystrokesStayOneStepAndEditsForgetMisspellings) {
  Editor e;
  e.Para(u"word").Ready();
  e.E.LTData().GetItem(0).AddMisspelling(1, 4);
  e.Caret(0, 5);
  e.Type(u"abc");
  EXPECT_FALSE(e.E.LTData().GetItem(0).IsMisspelledAt(1));
  e.E.LTData().GetItem(0).AddMisspelling(1, 4);
  for (int i = 0; i < 3; ++i) e.E.Undo();
  EXPECT_FALSE(e.E.LTData().GetItem(0).IsMisspelledAt(1));
  EXPECT_EQ(e.E.EditData().RedoList().Count(), 1);
  e.E.LTData().GetItem(0).AddMisspelling(1, 4);
  e.E.Redo();
  EXPECT_FALSE(e.E.LTData().GetItem(0).IsMisspelledAt(1));
}

TEST(LTEditOps, PageBreaksComeAndGoUndoably) {
  Editor e;
  e.Para(u"one").Para(u"two").Ready();
  e.Caret(0, 2);
  e.E.SetPageBreak(true);
  EXPECT_FALSE(e.E.LTData().PageBreakBefore(0)) << "nothing comes before the first page";
  e.Caret(1, 2);
  e.E.SetPageBreak(true);
  EXPECT_TRUE(e.E.LTData().PageBreakBefore(1));
  EXPECT_EQ(e.E.UndoAction(), ltukItemChange);
  e.E.RemoveCurrentPageBreak();
  EXPECT_FALSE(e.E.LTData().PageBreakBefore(1));
  EXPECT_EQ(e.E.UndoAction(), ltukPageBreakRemoval);
  e.E.Undo();
  EXPECT_TRUE(e.E.LTData().PageBreakBefore(1));
}

// ---- Clipboard and mouse selection -------------------------------------------------------------

TEST(LTEditOps, CutPasteAndTheDesktopsMouseSelection) {
  Editor e;
  e.Style.TextStyles().Add();
  e.Para(u"one two").More(u" bold", 1).Para(u"three").Ready();
  TLTOptions o = e.E.Options();
  e.E.SetOptions(o.Include(ltoAutoCopyText).Include(ltoAutoCopyLTF));
  // A drag selects; the selection is offered to middle clicks, lines
  // ending in LF.
  e.Win.Press(0, H / 2);
  e.Win.Move(4 * W, H + H / 2);
  e.Win.Release(4 * W, H + H / 2);
  EXPECT_EQ(e.Win.Primary, u"one two bold\nthre");
  e.Win.TripleClick(W, H + H / 2);
  EXPECT_EQ(e.E.SelectedText(), u"three") << "a third click takes the whole paragraph";
  EXPECT_EQ(e.Win.Primary, u"three");
  e.Win.Click(2 * W, H / 2, TLTMouseButton::Middle);
  EXPECT_EQ(e.Text(), "onthreee two bold\nthree");
  e.E.Undo();

  // Cut takes the styled text away, Paste gives it back with its style.
  e.E.SetSelectionBounds(0, 5, 1, 6);
  ASSERT_TRUE(e.E.CutCommand());
  EXPECT_EQ(e.Text(), "one \nthree");
  const TLTClipboardData cut = e.Win.Clipboard();
  const std::string* text = cut.Find(LTMimeText);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(*text, "two bold") << "no CR on this platform";
  e.Caret(1, 1);
  ASSERT_TRUE(e.E.PasteCommand());
  EXPECT_EQ(e.Text(), "one \ntwo boldthree");
  bool bold = false;
  for (int i = 0; i < e.Items(); ++i) bold = bold || e.E.LTData().GetItem(i).StyleNo == 1;
  EXPECT_TRUE(bold) << "the native flavour keeps the style";
  // Only text on the clipboard: it goes in as text; nothing: a beep.
  TLTClipboardData plain;
  plain.Set(LTMimeText, "x\ny");
  e.Win.SetClipboard(plain);
  ASSERT_TRUE(e.E.PasteCommand());
  EXPECT_EQ(e.Text(), "one \ntwo boldx\nythree");
  e.Win.SetClipboard({});
  EXPECT_FALSE(e.E.CanPaste());
  EXPECT_FALSE(e.E.PasteCommand());
  e.E.SetReadOnly(true);
  e.E.SetSelectionBounds(0, 1, 0, 3);
  EXPECT_FALSE(e.E.CutCommand());
  EXPECT_EQ(e.Refusals, 2);
}

// ---- Item properties ----------------------------------------------------------------------------

/// A control of the size the document gives it.
class TSizedControl : public TLTControl {
 public:
  std::string_view ClassName() const override { return "TSizedControl"; }
  int Width() const override { return w_; }
  int Height() const override { return h_; }
  bool Visible() const override { return true; }
  void SetVisible(bool) override {}
  bool CanFocus() const override { return false; }
  void SetWidth(int w) override { w_ = w; }
  void SetSize(int w, int h) override {
    w_ = w;
    h_ = h;
  }

 private:
  int w_ = 20, h_ = 10;
};

TEST(LTEditOps, ResizingPicturesAndControlsIsOneStepAndWidensTheDocument) {
  Editor e;
  e.Para(u"ab");
  auto picture = std::make_unique<TLTGraphicItemInfo>(Pixels(4, 4), 0);
  picture->SetExtraIntProperty(ltepSpacing, 2);
  e.Add(std::move(picture));
  auto control = std::make_unique<TLTControlItemInfo>();
  control->Control = std::make_unique<TSizedControl>();
  e.Add(std::move(control));
  e.Ready();
  const std::string before = e.Ltf();
  const int docWidth = e.E.LTData().DocumentWidth;
  e.Caret(0, 1);
  // The frame includes the spacing on both sides; the content never
  // shrinks below a pixel.
  ASSERT_TRUE(e.E.ResizeItem(1, 80 * W, 34));
  int32_t w = 0, h = 0;
  e.E.LTData().GetItem(1).GetExtraIntProperty(ltepImageWidth, w);
  e.E.LTData().GetItem(1).GetExtraIntProperty(ltepImageHeight, h);
  EXPECT_EQ(P(w, h), P(80 * W - 4, 30));
  EXPECT_GT(e.E.LTData().DocumentWidth, docWidth) << "a picture wider than the window widens the document";
  EXPECT_EQ(e.E.UndoAction(), ltukItemChange);
  EXPECT_FALSE(e.E.ResizeItem(1, 80 * W, 34)) << "the same size again changes nothing";
  EXPECT_FALSE(e.E.ResizeItem(0, 10, 10)) << "text has no size of its own";
  ASSERT_TRUE(e.E.ResizeItem(2, 50, -3));
  EXPECT_EQ(e.E.LTData().GetItem(2).GetImageHeight(nullptr), 1);
  e.E.Undo();
  EXPECT_EQ(e.E.LTData().GetItem(2).GetImageWidth(nullptr), 20);
  e.E.Undo();
  EXPECT_EQ(e.Ltf(), before);
  EXPECT_EQ(e.E.LTData().DocumentWidth, docWidth) << "undo lays the whole document out again";
  e.E.Redo();
  e.ExpectLaidOutWhole();

  e.E.SetReadOnly(true);
  EXPECT_FALSE(e.E.ResizeItem(2, 40, 40));
  EXPECT_FALSE(e.E.SetItemExtraStrPropertyEd(1, ltespHint, u"x"));
  EXPECT_EQ(e.Refusals, 2);
  e.E.SetReadOnly(false);
  ASSERT_TRUE(e.E.SetItemExtraStrPropertyEd(1, ltespHint, u"a red square"));
  EXPECT_FALSE(e.E.SetItemExtraIntPropertyEd(0, ltepImageWidth, 5)) << "text has no picture width";
  e.E.Undo();
  TLTString hint;
  e.E.LTData().GetItem(1).GetExtraStrProperty(ltespHint, hint);
  EXPECT_EQ(hint, u"");
}

TEST(LTEditOps, TablePropertiesChangeByNameAsOneBracketedStep) {
  Editor e;
  e.Para(u"x");
  e.Add(std::make_unique<TLTTableItemInfo>(2, 2));
  e.Ready();
  const std::string before = e.Ltf();
  auto& table = static_cast<TLTTableItemInfo&>(e.E.LTData().GetItem(1));
  ASSERT_TRUE(e.E.SetItemIntPropertiesEd({1}, {{"BestWidth", 120}, {"CellHPadding", 5}}));
  ASSERT_TRUE(e.E.SetItemIntPropertiesEd({1, 0, 1}, {{"BestWidth", 40}}));
  EXPECT_EQ(table.BestWidth, 120);
  EXPECT_EQ(table.Cells(0, 1)->BestWidth, 40);
  EXPECT_EQ(e.E.EditData().UndoList().Count(), 2);
  const std::string changed = e.Ltf();
  // An unknown name, a value out of range or a missing cell changes
  // nothing, not even the names before it.
  EXPECT_FALSE(e.E.SetItemIntPropertiesEd({1}, {{"BestWidth", 7}, {"NoSuchThing", 1}}));
  EXPECT_FALSE(e.E.SetItemIntPropertiesEd({1, 5, 0}, {{"BestWidth", 7}}));
  EXPECT_FALSE(e.E.SetItemIntPropertiesEd({0}, {{"BestWidth", 7}})) << "text publishes no properties";
  EXPECT_FALSE(e.E.EditData().SetIntProperty({9}, "BestWidth", 7)) << "no such item";
  EXPECT_FALSE(e.E.SetItemIntPropertiesEd({1}, {{"BestWidth", int64_t{5'000'000'000}}})) << "beyond the field";
  EXPECT_TRUE(e.E.SetItemIntPropertiesEd({1}, {{"BestWidth", 120}})) << "already so";
  EXPECT_EQ(e.Ltf(), changed);
  EXPECT_EQ(e.E.EditData().UndoList().Count(), 2);
  e.E.Undo();
  EXPECT_EQ(table.Cells(0, 1)->BestWidth, 0);
  e.E.Undo();
  EXPECT_EQ(e.Ltf(), before);
  e.E.Redo();
  e.E.Redo();
  EXPECT_EQ(e.Ltf(), changed);
  e.ExpectLaidOutWhole();
  // One property alone records its own kind of record.
  e.E.BeginUndoGroup(ltukItemChange);
  ASSERT_TRUE(e.E.EditData().SetIntProperty({1}, "HeadingRowCount", 1));
  EXPECT_EQ(table.HeadingRowCount, 1);
  e.E.Undo();
  EXPECT_EQ(table.HeadingRowCount, 0);
  e.E.Redo();
  EXPECT_EQ(table.HeadingRowCount, 1);
}

TEST(LTEditOps, UndoUnderTheReformatLockLaysOutOnceWhenItEnds) {
  Editor e;
  e.Para(u"one").Para(u"two").Ready();
  const std::string before = e.Ltf();
  e.Caret(0, 4);
  e.Key(vkReturn);
  e.Type(u"x");
  e.Caret(1, 2);
  e.E.DeleteKey(false);
  e.E.SetReformatLock(true);
  e.E.SetReformatLock(true);
  for (int k = 0; k < 3; ++k) ASSERT_TRUE(e.E.Undo());
  EXPECT_EQ(e.E.LTData().DrawItems.Count(), 0) << "nothing is laid out while locked";
  EXPECT_EQ(e.Ltf(), before);
  e.E.SetReformatLock(false);
  EXPECT_EQ(e.E.LTData().DrawItems.Count(), 0) << "the locks are counted";
  e.E.SetReformatLock(false);
  EXPECT_GT(e.E.LTData().DrawItems.Count(), 0);
  e.ExpectLaidOutWhole();
  EXPECT_EQ(e.Where(), P(0, 4)) << "the caret goes where the last undone step began";
}

TEST(LTEditOps, ACompositeRecordTakesBackItsNestedGroupAndRedoesIt) {
  Editor e;
  e.Para(u"abc").Ready();
  TLTEditLTData& d = e.E.EditData();
  auto composite = std::make_unique<TLTCompositeUndo>(0);
  composite->List.AppendGroup(ltukInsertion, 0, 1, {});
  {
    TLTEditLTData::TRecordInto into(d, composite->List);
    d.InsertChars(0, 2, std::string("X\0Y\0", 4));  // wide text: UTF-16 units
    d.SetTag(0, TLTTag::FromInt(5));
  }
  ASSERT_EQ(composite->List.Last()->Records.size(), 2u);
  e.E.BeginUndoGroup(ltukItemChange);
  d.Record(std::move(composite));
  EXPECT_EQ(e.Text(), "aXYbc");
  ASSERT_TRUE(e.E.Undo());
  EXPECT_EQ(e.Text(), "abc");
  EXPECT_TRUE(d.GetItem(0).Tag.IsEmpty());
  ASSERT_TRUE(e.E.Redo());
  EXPECT_EQ(e.Text(), "aXYbc");
  EXPECT_EQ(d.GetItem(0).Tag.Int(), 5);
  ASSERT_TRUE(e.E.Undo());
  EXPECT_EQ(e.Text(), "abc");
}

// ---- A long walk -----------------------------------------------------------------------------------

/// Random edits; after each, Undo must give back the stored document as it
/// was before and Redo as it was after, byte for byte.
class LTEditWalk : public ::testing::TestWithParam<unsigned> {};

TEST_P(LTEditWalk, EveryRandomEditIsUndoneAndRedoneToTheByte) {
  Editor source;
  source.Para(u"stored ").More(u"doc", 1).Para(u"ument").Ready();
  const std::string stored = source.Ltf();

  Editor e;
  e.Para(u"The quick brown fox").Para(u"jumps over", 1, 1);
  e.E.LTData().AddNamedCheckpoint(u"lazy", false);
  e.More(u" the lazy", 2).Para(u"dog.");
  TLTListLevel& level = e.Style.ListStyles().Add().Levels.Add();
  level.ListType = ltlstDecimal;
  level.FormatString = u"%0:s.";
  e.E.LTData().AddItem({}, std::make_unique<TLTMarkerItemInfo>(0, 0, 0, false));
  e.More(u"listed");
  e.Ready();
  std::mt19937 rng(GetParam());
  int changes = 0;
  auto pick = [&](int n) { return n <= 0 ? 0 : static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto randomPlace = [&](int& item, int& offs) {
    item = pick(e.Items());
    const TCustomLTItemInfo& it = e.E.LTData().GetItem(item);
    offs = it.IsText() ? 1 + pick(it.TextLength() + 1) : pick(2);
  };
  const char16_t* words[] = {u"a", u"Z", u" ", u"\u05d0", u"\U0001F600", u"x y"};
  for (int step = 0; step < 400; ++step) {
    int item = 0, offs = 0;
    randomPlace(item, offs);
    e.Caret(item, offs);
    if (pick(4) == 0) {
      int item2 = 0, offs2 = 0;
      randomPlace(item2, offs2);
      e.E.SetSelectionBounds(item, offs, item2, offs2);
    }
    const std::string before = e.Ltf();
    const int groups = e.E.EditData().UndoList().Count();
    switch (pick(14)) {
      case 0: e.Type(words[pick(6)]); break;
      case 1: e.Key(vkBack); break;
      case 2: e.Key(vkDelete); break;
      case 3: e.Key(vkReturn); break;
      case 4: e.Key(vkReturn, {ssShift}); break;
      case 5: e.E.ApplyTextStyle(pick(3)); break;
      case 6: e.E.ApplyParaStyle(pick(2)); break;
      case 7: {
        TLTMemoryStream in(stored);
        e.E.InsertLTFAtCaret(in);
        break;
      }
      case 8: {
        auto bmp = std::make_unique<TBitmap>();
        TLTPixels px;
        px.Width = px.Height = 2;
        px.Data.assign(4, 0xFF00FF00u);
        bmp->SetPixels(px);
        e.E.InsertPicture("p", std::move(bmp), 0);
        break;
      }
      case 9: e.E.DeleteSelection(); break;
      case 10: e.E.InsertText(u"one\r\ntwo\tthree"); break;
      case 11:
      case 12:
        for (int k = 0; k < e.Items(); ++k)
          if (dynamic_cast<TLTGraphicItemInfo*>(&e.E.LTData().GetItem(k))) {
            if (pick(2))
              e.E.ResizeItem(k, 1 + pick(60), 1 + pick(30));
            else
              e.E.SetItemExtraStrPropertyEd(k, ltespHint, pick(2) ? u"hint" : u"");
            break;
          }
        break;
      default: e.Key(pick(2) ? vkBack : vkDelete, {ssCtrl}); break;
    }
    const std::string after = e.Ltf();
    if (after == before) continue;
    ++changes;
    ASSERT_GT(e.E.EditData().UndoList().Count() + (groups > 0), 0);
    // Typing groups give back one character per Undo: undo until the
    // document is as it was.
    int undos = 0;
    while (e.Ltf() != before && undos < 4) {
      ASSERT_TRUE(e.E.Undo()) << "step " << step;
      ++undos;
    }
    ASSERT_EQ(e.Ltf(), before) << "step " << step;
    for (int k = 0; k < undos; ++k) ASSERT_TRUE(e.E.Redo()) << "step " << step;
    ASSERT_EQ(e.Ltf(), after) << "step " << step;
    if (step % 50 == 0) e.ExpectLaidOutWhole();
  }
  EXPECT_GT(changes, 200) << "the walk must change the document most of the time";
}

INSTANTIATE_TEST_SUITE_P(Seeds, LTEditWalk, ::testing::Values(20261209u, 7u, 1234567u));

}  // namespace
}  // namespace lectern
