// Word marks in a table cell open for editing: the worker walks the cell's
// editor document where the cell stands, so that a word the user accepts
// loses its mark at once there as in body text, and keeps none when the
// cell closes.

#include "SpellFixture.h"
#include "table/LTTable.h"
#include "table/LTTableEdit.h"

#include <gtest/gtest.h>

#include <set>

namespace lectern::testing {
namespace {

TEST(CellWordMarks, AWordAddedToTheDictionaryInAnOpenCellLosesItsMarkAtOnce) {
  CheckedEditor e;
  RegisterTableItemKind();
  std::set<std::u16string> added;
  e.E.OnSpellingCheck = [&](TCustomLectern&, const TLTString& word, int32_t, bool& misspelled) {
    misspelled = !added.count(word) && e.Speller.IsMisspelled(word);
  };
  e.Para(u"teh start");
  auto table = std::make_unique<TLTTableItemInfo>(1, 2);
  TLTTableItemInfo* t = table.get();
  table->ParaNo = 0;
  for (int c = 0; c < 2; ++c) {
    t->Cells(0, c)->Clear();
    t->Cells(0, c)->AddTextW(u"teh cat wrod", 0, 0);
  }
  e.Add(std::move(table)).Para(u"end").Ready();
  e.Start();
  ASSERT_EQ(MarkedWords(*t->Cells(0, 0)), "0:teh 0:wrod");
  ASSERT_TRUE(t->EditCell(-1, 0, 0));
  const TCustomLTData& open = e.E.InnermostEditor().LTData();
  ASSERT_EQ(MarkedWords(open), "0:teh 0:wrod");
  // What the window's "Add to dictionary" does.
  added.insert(u"teh");
  e.E.StartWordChecking();
  EXPECT_EQ(MarkedWords(open), "") << "the marks go with the restart";
  e.Settle();
  EXPECT_EQ(MarkedWords(open), "0:wrod") << "the open cell is checked again";
  EXPECT_EQ(e.Marked(), "");
  EXPECT_EQ(MarkedWords(*t->Cells(0, 1)), "0:wrod");
  e.E.EndNestedEditing();
  e.Settle();
  EXPECT_EQ(MarkedWords(*t->Cells(0, 0)), "0:wrod");
}

}  // namespace
}  // namespace lectern::testing
