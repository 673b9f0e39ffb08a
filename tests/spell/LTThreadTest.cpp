// The background word checker in an editor: where its marks land after a
// walk over items, cells and notes, and after typing, deleting, splitting
// and joining; how it survives the cell it stands in being deleted.

#include "SpellFixture.h"
#include "items/LTNote.h"
#include "table/LTTable.h"
#include "table/LTTableEdit.h"

#include <thread>

namespace lectern::testing {
namespace {

std::string Words(std::u16string_view text, bool apostrophes) {
  const bool was = LTApostropheInWords;
  LTApostropheInWords = apostrophes;
  std::string out;
  size_t pos = 0, start = 0, length = 0;
  while (LTNextWord(text, pos, LTDefaultDelimiters, start, length)) {
    if (!out.empty()) out += '|';
    out += Utf16ToUtf8(text.substr(start, length));
  }
  LTApostropheInWords = was;
  return out;
}

TEST(LTWordEnumThread, WordsEndAtDelimitersAndKeepApostrophesBetweenLetters) {
  EXPECT_EQ(Words(u"don't it's cats' &co (teh)", true), "don't|it's|cats|co|teh");
  EXPECT_EQ(Words(u"don\u2019t end\u2019", true), "don\u2019t|end");
  // Without the switch U+2019 is an ordinary delimiter and U+0027 a letter.
  EXPECT_EQ(Words(u"don\u2019t cats'", false), "don|t|cats'");
}

TEST(LTWordEnumThread, MarksTheMisspelledWordsOfItemsCellsAndNotes) {
  CheckedEditor e;
  RegisterTableItemKind();
  RegisterSpecialItemKinds();
  e.Style.TextStyles().Add();
  e.Para(u"the cat sat on teh mat");
  // Items end words: a word split between two styles is two words.
  e.More(u" hel", 1).More(u"lo world", 0);
  auto table = std::make_unique<TLTTableItemInfo>(1, 2);
  TLTTableItemInfo* t = table.get();
  t->Cells(0, 0)->Clear();
  t->Cells(0, 0)->AddTextW(u"a tabel", 0, 0);
  t->Cells(0, 1)->Clear();
  t->Cells(0, 1)->AddTextW(u"cells", 0, 0);
  e.Add(std::move(table));
  auto note = std::make_unique<TLTFootnoteItemInfo>();
  note->SetNoteText(u" a noet", 0, e.E.LTData());
  TLTFootnoteItemInfo* n = note.get();
  e.Para(u"after");
  e.Add(std::move(note));
  e.Ready();
  e.Start();
  EXPECT_EQ(e.Marked(), "0:teh 1:hel 2:lo");
  EXPECT_EQ(MarkedWords(*t->Cells(0, 0)), "0:tabel");
  EXPECT_EQ(MarkedWords(*t->Cells(0, 1)), "");
  EXPECT_NE(MarkedWords(n->Document()).find(":noet"), std::string::npos);
  e.E.StopWordChecking();
  EXPECT_FALSE(e.E.IsWordChecking());
  EXPECT_EQ(e.Marked(), "");
  EXPECT_EQ(MarkedWords(*t->Cells(0, 0)), "");
}

TEST(LTWordEnumThread, AddressesInHyperlinksAndSymbolTextAreNotWalked) {
  CheckedEditor e;
  const int link = e.Style.TextStyles().Count();
  e.Style.TextStyles().Add().Jump = true;
  e.Style.TextStyles().Add().Charset = 2;
  e.Para(u"www.teh.com", link).Para(u"www.teh.com", 0).Para(u"teh", link + 1).Para(u"me@teh.org", link).Ready();
  e.Start();
  EXPECT_EQ(e.Marked(), "1:www 1:teh 1:com");
  // What counts as an address, in any case.
  EXPECT_TRUE(LTIsAddress(u"HTTPS://example.org"));
  EXPECT_TRUE(LTIsAddress(u"mailto:me"));
  EXPECT_FALSE(LTIsAddress(u"wwwhat"));
  EXPECT_FALSE(LTIsAddress(u"me.at@home"));
}

TEST(LTWordEnumThread, NoHandlerOrManualStartMeansNoWorkerWhileEditing) {
  CheckedEditor e;
  e.Para(u"teh").Ready();
  e.E.OnSpellingCheck = nullptr;
  e.Caret(0, 4);
  e.E.TypeText(u"x");
  EXPECT_FALSE(e.E.IsWordChecking());
  CheckedEditor m;
  m.Para(u"teh").Ready();
  m.E.LiveSpellingMode = ltlspManualStart;
  m.Caret(0, 4);
  m.E.TypeText(u" ");
  EXPECT_FALSE(m.E.IsWordChecking());
  m.Start();
  EXPECT_EQ(m.Marked(), "0:teh");
  // The first edit starts it in the usual mode.
  CheckedEditor c;
  c.Para(u"teh cat").Ready();
  c.Caret(0, 8);
  c.E.TypeText(u"s");
  EXPECT_TRUE(c.E.IsWordChecking());
  c.Settle();
  EXPECT_EQ(c.Marked(), "0:teh");
}

TEST(LTWordEnumThread, TypingMovesMarksAndChecksAChangedWordAgain) {
  CheckedEditor e;
  e.Para(u"the teh mat").Ready();
  e.Start();
  TCustomLTItemInfo& item = e.E.LTData().GetItem(0);
  // A space just before the marked word moves its mark right.
  e.Caret(0, 5);
  e.E.TypeText(u" ");
  EXPECT_TRUE(item.IsMisspelledAt(6));
  EXPECT_FALSE(item.IsMisspelledAt(5));
  e.Settle();
  EXPECT_EQ(e.Marked(), "0:teh");
  // A letter inside it takes the mark away until the word is checked again.
  e.Caret(0, 8);
  e.E.TypeText(u"x");
  EXPECT_FALSE(item.IsMisspelledAt(6));
  e.Settle();
  EXPECT_EQ(e.Marked(), "0:texh");
  // A letter after a good word is checked when the caret leaves the word.
  e.Caret(0, 14);
  e.E.TypeText(u"sx");
  e.Settle();
  EXPECT_EQ(e.Marked(), "0:texh");
  e.Caret(0, 1);
  e.Settle();
  EXPECT_EQ(e.Marked(), "0:texh 0:matsx");
}

TEST(LTWordEnumThread, DeletingMovesMarksLeftOrJoinsTheWordsItTouches) {
  CheckedEditor e;
  e.Para(u"the cat teh").Ready();
  e.Start();
  TCustomLTItemInfo& item = e.E.LTData().GetItem(0);
  ASSERT_TRUE(item.IsMisspelledAt(9));
  e.Caret(0, 4);
  for (int i = 0; i < 3; ++i) e.E.Backspace(false);
  EXPECT_TRUE(item.IsMisspelledAt(6));
  EXPECT_FALSE(item.IsMisspelledAt(5));
  e.Settle();
  EXPECT_EQ(e.Marked(), "0:teh");
  // Deleting the space between two words makes one word of them.
  e.Caret(0, 5);
  e.E.DeleteKey(false);
  EXPECT_FALSE(item.IsMisspelledAt(5));
  e.Settle();
  EXPECT_EQ(e.Marked(), "0:catteh");
}

TEST(LTWordEnumThread, SplittingAndJoiningParagraphsKeepsEveryMarkOnItsWord) {
  CheckedEditor e;
  e.Para(u"teh cat wrod sat").Para(u"a mat").Ready();
  e.Start();
  EXPECT_EQ(e.Marked(), "0:teh 0:wrod");
  e.Caret(0, 9);
  e.E.NewParagraph(false);
  e.Settle();
  EXPECT_EQ(e.Marked(), "0:teh 1:wrod");
  e.Caret(1, 1);
  e.E.Backspace(false);
  e.Settle();
  EXPECT_EQ(e.Marked(), "0:teh 0:wrod");
  // Undo puts the split back; the marks follow.
  e.E.Undo();
  e.Settle();
  EXPECT_EQ(e.Marked(), "0:teh 1:wrod");
}

TEST(LTWordEnumThread, DeletingTheCellsTheWorkerWalksLeavesNoMarkBehind) {
  // A large table keeps the worker busy inside its cells while they go.
  for (int round = 0; round < 6; ++round) {
    CheckedEditor e;
    RegisterTableItemKind();
    e.Para(u"teh start");
    auto table = std::make_unique<TLTTableItemInfo>(30, 3);
    TLTTableItemInfo* t = table.get();
    for (int r = 0; r < 30; ++r)
      for (int c = 0; c < 3; ++c) {
        t->Cells(r, c)->Clear();
        std::u16string text;
        for (int w = 0; w < 40; ++w) text += w % 7 == 0 ? u"wrod " : u"the cat ";
        t->Cells(r, c)->AddTextW(text, 0, 0);
      }
    e.Add(std::move(table)).Para(u"end teh").Ready();
    e.E.StartWordChecking();
    std::this_thread::sleep_for(std::chrono::milliseconds(round * 3));
    e.E.WaitForWordChecking(round);
    if (round % 2 == 0) {
      ASSERT_TRUE(t->EditCell(-1, 1, 0));
      ASSERT_TRUE(RunTableCommand(e.E, TLTTableCommand::DeleteTable));
      e.Settle();
      EXPECT_EQ(e.Marked(), "0:teh 2:teh");
    } else {
      ASSERT_TRUE(t->EditCell(-1, 0, 0));
      ASSERT_TRUE(RunTableCommand(e.E, TLTTableCommand::DeleteRows));
      e.E.EndNestedEditing();
      e.Settle();
      EXPECT_EQ(e.Marked(), "0:teh 2:teh");
      EXPECT_EQ(MarkedWords(*t->Cells(0, 0)), "0:wrod 0:wrod 0:wrod 0:wrod 0:wrod 0:wrod");
    }
  }
}

}  // namespace
}  // namespace lectern::testing
