// Numbers in and around tables through edits and undo: list markers,
// sequence fields and footnotes in cells number as part of the document
// whether a cell is open or not, and structure operations and their undo
// give cells back whole and counted once. The model-based walk over
// random documents and steps (tests/support/TableWalk.h) runs here too,
// with the inputs the fuzz target found kept as files.

#include "tests/support/TableWalk.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace lectern {
namespace {

using testing::TByteChoices;
using testing::TSeededChoices;
using testing::TTableWalk;

/// An editor over "before", a table, and list items after it, in a sheet
/// with a decimal list ("1.") and a bold text style.
struct ListTable {
  TLTStyle Style;
  TLTHeadlessWindow Win{56 * 7, 24 * 13};
  TLecternEdit E{Win};
  TLTTableItemInfo* T = nullptr;

  ListTable(int rows, int cols) {
    RegisterTableItemKind();
    RegisterSpecialItemKinds();
    Style.SelectionMode = ltsmChar;
    while (Style.TextStyles().Count() < 2) Style.TextStyles().Add();
    Style.TextStyles()[1].Style.Include(fsBold);
    TLTListLevel& level = Style.ListStyles().Add().Levels.Add();
    level.ListType = ltlstDecimal;
    level.FormatString = u"%s.";
    E.LeftMargin = E.RightMargin = E.TopMargin = E.BottomMargin = 0;
    E.SetStyle(&Style);
    auto table = std::make_unique<TLTTableItemInfo>(rows, cols);
    T = table.get();
    table->ParaNo = 0;
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < cols; ++c) T->Cells(r, c)->Clear();
    E.LTData().AddItem({}, std::move(table));
  }
  static void ListItem(TCustomLTData& d, std::u16string_view text) {
    auto marker = std::make_unique<TLTMarkerItemInfo>(0, 0, 0, false);
    marker->ParaNo = 0;
    d.AddItem({}, std::move(marker));
    d.AddTextW(text, 0, -1);
  }
  TLTTableCellData& Cell(int r, int c) { return *T->Cells(r, c); }
  void Ready() {
    E.Format();
    Win.SetFocused(true);
  }
  void Key(int key, TLTShiftState shift = {}) {
    Win.SetKeys(shift);
    Win.Key(key);
    Win.SetKeys({});
  }
  /// The document's text as the editor shows it, a cell open or not.
  std::string Text() {
    std::string s = Utf16ToUtf8(E.LTData().GetPlainText(0));
    for (size_t at = s.find("\r\n"); at != std::string::npos; at = s.find("\r\n", at)) s.replace(at, 2, "/");
    return s;
  }
  std::string CellText(int r, int c) {
    std::string s = Utf16ToUtf8(T->CellContent(Cell(r, c)).GetPlainText(0));
    for (size_t at = s.find("\r\n"); at != std::string::npos; at = s.find("\r\n", at)) s.replace(at, 2, "/");
    return s;
  }
  std::string Ltf() {
    E.EndNestedEditing();
    TLTMemoryStream out;
    E.LTData().SaveLTFToStream(out);
    return out.Data();
  }
};

TEST(TableNumbering, UndoOfAMergeGivesBackEachCellsParagraphsRunsAndListItemsCountedOnce) {
  ListTable t(1, 2);
  t.Cell(0, 0).AddTextW(u"a", 0, 0);
  TLTTableCellData& second = t.Cell(0, 1);
  second.AddTextW(u"plain ", 0, 0);
  second.AddTextW(u"bold", 1, -1);
  second.AddTextW(u" tail", 0, -1);
  ListTable::ListItem(second, u"one");
  ListTable::ListItem(t.E.LTData(), u"two");
  ListTable::ListItem(t.E.LTData(), u"three");
  t.Ready();
  const std::string start = t.Ltf();
  const std::string text = t.Text();
  EXPECT_EQ(text, "a/plain bold tail/1. one//2. two/3. three");

  ASSERT_TRUE(t.T->MergeCells(0, 0, 1, 2));
  const std::string merged = t.Ltf();
  EXPECT_EQ(t.CellText(0, 0), "a/plain bold tail/1. one");
  ASSERT_TRUE(t.E.Undo());
  EXPECT_EQ(t.CellText(0, 1), "plain bold tail/1. one") << "the runs stay one paragraph, the list item one";
  EXPECT_EQ(t.Text(), text) << "the restored marker is counted once";
  EXPECT_EQ(t.Ltf(), start);
  ASSERT_TRUE(t.E.Redo());
  EXPECT_EQ(t.Ltf(), merged) << "redo is the merge itself";
  ASSERT_TRUE(t.E.Undo());

  // With the table gone the list after it starts again at 1.
  ASSERT_TRUE(t.T->EditCell(-1, 0, 0));
  ASSERT_TRUE(RunTableCommand(t.E, TLTTableCommand::DeleteTable));
  EXPECT_EQ(t.Text(), "/1. two/2. three");
}

TEST(TableNumbering, UndoOfDeletedRowsOrColumnsCountsTheRestoredItemsInDocumentOrder) {
  for (const bool columns : {false, true}) {
    ListTable t(columns ? 1 : 3, columns ? 3 : 1);
    const char16_t* texts[] = {u"one", u"two", u"three"};
    for (int k = 0; k < 3; ++k) ListTable::ListItem(t.Cell(columns ? 0 : k, columns ? k : 0), texts[k]);
    ListTable::ListItem(t.E.LTData(), u"four");
    t.Ready();
    const std::string start = t.Ltf();
    const std::string text = t.Text();
    ASSERT_EQ(text, "1. one/2. two/3. three//4. four");
    ASSERT_TRUE(t.T->EditCell(-1, columns ? 0 : 1, columns ? 1 : 0));
    ASSERT_TRUE(RunTableCommand(t.E, columns ? TLTTableCommand::DeleteColumns : TLTTableCommand::DeleteRows));
    EXPECT_EQ(t.Text(), "1. one/2. three//3. four") << "columns " << columns;
    ASSERT_TRUE(t.E.Undo());
    EXPECT_EQ(t.Text(), text) << "columns " << columns;
    EXPECT_EQ(t.Ltf(), start);
  }
}

TEST(TableNumbering, AnOpenCellNumbersItsListsFieldsAndNotesAsPartOfTheDocument) {
  ListTable t(3, 1);
  const char16_t* texts[] = {u"one", u"two", u"three"};
  for (int k = 0; k < 3; ++k) {
    TLTTableCellData& cell = t.Cell(k, 0);
    ListTable::ListItem(cell, texts[k]);
    auto seq = std::make_unique<TLTSeqItemInfo>(u"Figure", ltseqDecimal);
    seq->ParaNo = -1;
    cell.AddItem({}, std::move(seq));
    auto note = std::make_unique<TLTFootnoteItemInfo>();
    note->SetNoteText(u"n", 0, cell);
    note->ParaNo = -1;
    cell.AddItem({}, std::move(note));
  }
  t.Ready();
  const std::string closed = t.Text();
  ASSERT_EQ(closed.substr(0, 24), "1. one11/2. two22/3. thr") << closed;
  ASSERT_TRUE(t.T->EditCell(-1, 1, 0));
  EXPECT_EQ(t.Text(), closed) << "the open cell's marker, field and note keep their numbers";
  // A new list item and field in the open cell count in the document.
  TCustomLecternEdit& in = t.E.InnermostEditor();
  ASSERT_NE(&in, &t.E);
  in.SetCaretAtItemEdge(in.LTData().ItemCount() - 1, true);
  t.Key(vkReturn);
  EXPECT_EQ(t.Text().substr(0, 28), "1. one11/2. two22/3. /4. thr") << t.Text();
  auto seq = std::make_unique<TLTSeqItemInfo>(u"Figure", ltseqDecimal);
  ASSERT_TRUE(in.InsertItem(std::move(seq)));
  EXPECT_EQ(t.CellText(2, 0).substr(0, 6), "4. thr");
  EXPECT_NE(t.Text().find("3. 3/4. three43"), std::string::npos) << t.Text();
  const std::string open = t.Text();
  t.E.EndNestedEditing();
  EXPECT_EQ(t.Text(), open) << "closing the cell changes no number";
}

TEST(TableNumbering, UndoAndRedoKeysInACellDoWhatTheMenuDoes) {
  ListTable t(2, 2);
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 2; ++c) t.Cell(r, c).AddTextW(r ? u"c" : u"a", 0, 0);
  t.Ready();
  const std::string start = t.Ltf();
  // Typed in one cell, left with Tab: the keys in the next cell take it back.
  ASSERT_TRUE(t.T->EditCell(-1, 0, 0));
  t.Win.Type(u"x");
  t.Key(vkTab);
  ASSERT_EQ(t.T->EditedCol(), 1);
  t.Key('Z', {ssCtrl});
  EXPECT_EQ(t.Ltf(), start);
  ASSERT_TRUE(t.T->EditCell(-1, 1, 1));
  t.Key('Y', {ssCtrl});
  EXPECT_EQ(t.CellText(0, 0), "xa");
  t.Key('Z', {ssCtrl});
  // After a table operation that leaves a cell open.
  ASSERT_TRUE(t.T->EditCell(-1, 1, 0));
  ASSERT_TRUE(RunTableCommand(t.E, TLTTableCommand::InsertRowBelow));
  ASSERT_TRUE(t.T->InplaceEditor());
  ASSERT_EQ(t.T->NumRows(), 3);
  t.Key('Z', {ssCtrl});
  EXPECT_EQ(t.T->NumRows(), 2);
  EXPECT_EQ(t.Ltf(), start);
  ASSERT_TRUE(t.T->EditCell(-1, 0, 0));
  t.Key('Y', {ssCtrl});
  EXPECT_EQ(t.T->NumRows(), 3);
}

// ---- The walk ----------------------------------------------------------------------------------

class TableWalk : public ::testing::TestWithParam<unsigned> {};

TEST_P(TableWalk, NumbersUndoRedoAndStorageStayRightThroughRandomEdits) {
  TSeededChoices choices(GetParam(), 1000);
  TTableWalk walk(choices);
  walk.Run(30);
  EXPECT_EQ(walk.Failure, "");
  EXPECT_EQ(walk.Steps, 30);
  EXPECT_GT(walk.Changes, 3);
}

INSTANTIATE_TEST_SUITE_P(Seeds, TableWalk, ::testing::Range(1u, 13u));

TEST(TableWalkInputs, EveryKeptInputWalksWithoutAFailure) {
  const std::filesystem::path dir = std::filesystem::path(LECTERN_TEST_DATA) / "crash" / "table_walk";
  if (!std::filesystem::exists(dir)) GTEST_SKIP() << "no kept inputs";
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string input = bytes.str();
    TByteChoices choices(input);
    TTableWalk walk(choices);
    walk.Run(60);
    EXPECT_EQ(walk.Failure, "") << entry.path();
  }
}

}  // namespace
}  // namespace lectern
