// Editing inside table cells: the cell editor's lifecycle, moves between
// cells and out of the table, the multi-cell selection, changes to several
// cells, and how one outer Undo takes back what was done in a cell.

#include "TableEditFixture.h"

#include "model/LTDocument.h"
#include "platform/LTStream.h"
#include "platform/headless/LTHeadlessCanvas.h"
#include "platform/LTSysUtils.h"
#include "table/LTTable.h"
#include "table/LTTableEdit.h"

#include <gtest/gtest.h>

#include <random>

namespace lectern {
namespace {

using testing::TableEditor;

using P = std::pair<int, int>;

TEST(TableEdit, TypingGoesIntoTheCellWhileTheDocumentKeepsItsCaretAtTheTable) {
  TableEditor e;
  ASSERT_TRUE(e.T->EditCell(-1, 1, 0, {.CaretAtEnd = true}));
  EXPECT_NE(&e.In(), &e.E);
  e.Win.Type(u"x");
  e.E.TypeText(u"y");  // a public operation goes down to the cell editor too
  EXPECT_EQ(e.CellText(1, 0), "10xy");
  EXPECT_EQ(e.E.CurrentItemNo(), 1);
  EXPECT_TRUE(e.E.Modified);
  // While the editor holds them the cell's own document is empty; closing
  // gives the items back.
  EXPECT_EQ(e.T->Cells(1, 0)->ItemCount(), 0);
  e.E.EndNestedEditing();
  EXPECT_EQ(e.T->InplaceEditor(), nullptr);
  EXPECT_EQ(e.Edited(), P(-1, -1));
  EXPECT_EQ(Utf16ToUtf8(e.T->Cells(1, 0)->GetPlainText(0)), "10xy");
  EXPECT_EQ(&e.In(), &e.E);
}

TEST(TableEdit, TabAndShiftTabMoveBetweenCellsAndTabInTheLastCellAppendsARow) {
  TableEditor e;
  e.T->Cells(1, 0)->GetItem(0).ParaNo = 1;
  e.T->Rows[1].VAlign = ltcBottom;
  ASSERT_TRUE(e.T->EditCell(-1, 0, 0));
  // Tab and Shift+Tab are the table's, not the window's focus keys.
  EXPECT_TRUE(e.E.WantsKey(vkTab, {ssShift}));
  EXPECT_FALSE(e.E.WantsKey(vkF1 + 1, {}));
  EXPECT_TRUE(e.Win.Key(vkTab));
  EXPECT_EQ(e.Edited(), P(0, 1));
  e.Key(vkTab);
  e.Key(vkTab);
  EXPECT_EQ(e.Edited(), P(1, 1));
  e.Key(vkTab, {ssShift});
  EXPECT_EQ(e.Edited(), P(1, 0));
  e.Key(vkTab);
  e.Key(vkTab);
  // A new row in the look of the last one, entered at its first cell.
  ASSERT_EQ(e.T->NumRows(), 3);
  EXPECT_EQ(e.T->Rows[2].VAlign, ltcBottom);
  EXPECT_EQ(e.Edited(), P(2, 0));
  EXPECT_EQ(e.CellText(2, 0), "");
  EXPECT_EQ(e.In().CurrentParaStyle(), 1);
  e.Win.Type(u"n");
  EXPECT_EQ(e.CellText(2, 0), "n");
  // Undo takes back the typing, then the row.
  EXPECT_TRUE(e.E.Undo());
  EXPECT_EQ(e.T->NumRows(), 3);
  EXPECT_TRUE(e.E.Undo());
  EXPECT_EQ(e.T->NumRows(), 2);
  EXPECT_TRUE(e.E.Redo());
  EXPECT_EQ(e.T->NumRows(), 3);
}

TEST(TableEdit, TabBeepsAtEitherEndWhenNothingIsThere) {
  TableEditor e;
  ASSERT_TRUE(e.T->EditCell(-1, 0, 0));
  e.Key(vkTab, {ssShift});
  EXPECT_EQ(e.Refusals, 1);
  EXPECT_EQ(e.Edited(), P(0, 0));
  TableTabAppendsRow = false;
  ASSERT_TRUE(e.T->EditCell(-1, 1, 1));
  e.Key(vkTab);
  TableTabAppendsRow = true;
  EXPECT_EQ(e.Refusals, 2);
  EXPECT_EQ(e.T->NumRows(), 2);
  EXPECT_EQ(e.Edited(), P(1, 1));
  // Ctrl+Tab types a tab in the cell, also where the document takes no tabs.
  e.E.EndNestedEditing();
  e.E.EditorOptions.Exclude(ltoWantTabs);
  ASSERT_TRUE(e.T->EditCell(-1, 1, 1));
  e.Key(vkTab, {ssCtrl});
  EXPECT_EQ(e.In().LTData().ItemCount(), 2);
}

TEST(TableEdit, ArrowsCrossCellEdgesAndLeaveTheTableAtItsEnds) {
  TableEditor e;
  // Right from before the table enters its first cell.
  e.E.SetSelectionBounds(1, 0, 1, 0);
  e.Key(vkRight);
  EXPECT_EQ(e.Edited(), P(0, 0));
  EXPECT_EQ(e.In().CurrentItemOffset(), 1);
  e.Key(vkRight);
  e.Key(vkRight);
  e.Key(vkRight);  // past "00": the next cell, at its start
  EXPECT_EQ(e.Edited(), P(0, 1));
  EXPECT_EQ(e.In().CurrentItemOffset(), 1);
  e.Key(vkLeft);  // back: the cell before, at its end
  EXPECT_EQ(e.Edited(), P(0, 0));
  EXPECT_EQ(e.In().CurrentItemOffset(), 3);
  e.Key(vkDown);
  EXPECT_EQ(e.Edited(), P(1, 0));
  e.Key(vkUp);
  EXPECT_EQ(e.Edited(), P(0, 0));
  e.In().SetCaretAt(0, 1);
  e.Key(vkLeft);  // before the first cell: before the table
  EXPECT_EQ(e.T->InplaceEditor(), nullptr);
  EXPECT_EQ(P(e.E.CurrentItemNo(), e.E.CurrentItemOffset()), P(1, 0));
  // Left from after the table enters the last cell at its end; Right at
  // the end of the last cell leaves after the table.
  e.E.SetSelectionBounds(1, 1, 1, 1);
  e.Key(vkLeft);
  EXPECT_EQ(e.Edited(), P(1, 1));
  EXPECT_EQ(e.In().CurrentItemOffset(), 3);
  e.Key(vkRight);
  EXPECT_EQ(e.T->InplaceEditor(), nullptr);
  EXPECT_EQ(P(e.E.CurrentItemNo(), e.E.CurrentItemOffset()), P(1, 1));
  // Down from the line above enters the cell under the caret, Up from the
  // line below the cell of the last row.
  e.E.SetSelectionBounds(0, 1, 0, 1);
  e.Key(vkDown);
  EXPECT_EQ(e.Edited(), P(0, 0));
  e.E.SetSelectionBounds(2, 1, 2, 1);
  e.Key(vkUp);
  EXPECT_EQ(e.Edited(), P(1, 0));
}

TEST(TableEdit, OuterUndoReopensTheCellAndTakesTypingBackOneCharacterAtATime) {
  TableEditor e;
  ASSERT_TRUE(e.T->EditCell(-1, 1, 1, {.CaretAtEnd = true}));
  e.Win.Type(u"a");
  e.Win.Type(u"b");
  e.E.EndNestedEditing();
  EXPECT_EQ(e.E.UndoName(), u"Typing");
  ASSERT_TRUE(e.E.Undo());
  EXPECT_EQ(e.Edited(), P(1, 1));
  EXPECT_EQ(e.CellText(1, 1), "11a");
  e.E.EndNestedEditing();  // leaving again folds what is left back
  ASSERT_TRUE(e.E.Undo());
  EXPECT_EQ(e.CellText(1, 1), "11");
  // Nothing left in the cell: the document's own steps come next.
  EXPECT_FALSE(e.E.Undo());
  EXPECT_EQ(e.T->InplaceEditor(), nullptr);
  ASSERT_TRUE(e.E.Redo());
  ASSERT_TRUE(e.E.Redo());
  EXPECT_EQ(e.CellText(1, 1), "11ab");
}

TEST(TableEdit, TypingInACellClearsWhatTheDocumentCouldRedo) {
  TableEditor e;
  e.E.SetSelectionBounds(0, 7, 0, 7);
  e.Win.Type(u"!");
  ASSERT_TRUE(e.E.Undo());
  ASSERT_TRUE(e.T->EditCell(-1, 0, 0));
  e.Win.Type(u"z");
  e.E.EndNestedEditing();
  ASSERT_TRUE(e.E.Undo());
  EXPECT_EQ(e.CellText(0, 0), "00");
  e.E.EndNestedEditing();
  ASSERT_TRUE(e.E.Redo());
  EXPECT_EQ(e.CellText(0, 0), "z00");
  EXPECT_FALSE(e.E.Redo());  // the "!" undone before is gone for good
}

TEST(TableEdit, ShiftArrowAtACellEdgeSelectsCellsAndShrinkingBackReopensTheEditor) {
  TableEditor e;
  ASSERT_TRUE(e.T->EditCell(-1, 0, 0, {.CaretAtEnd = true}));
  e.In().SetSelectionBounds(0, 2, 0, 3);
  e.Key(vkRight, {ssShift});  // already at the end: out of the cell
  TLTCellRect r;
  ASSERT_TRUE(e.T->GetSelectedCellsRect(r));
  EXPECT_EQ(P(r.Cols, r.Rows), P(2, 1));
  EXPECT_EQ(e.T->InplaceEditor(), nullptr);
  EXPECT_TRUE(e.T->IsCellSelected(0, 1));
  EXPECT_FALSE(e.T->IsCellSelected(1, 1));
  e.Key(vkDown, {ssShift});
  EXPECT_TRUE(e.T->IsCellSelected(1, 1));
  e.Key(vkDown, {ssShift});  // never beyond the last row
  ASSERT_TRUE(e.T->GetSelectedCellsRect(r));
  EXPECT_EQ(r.Rows, 2);
  // Typing beeps while cells are selected.
  e.Win.Type(u"q");
  EXPECT_EQ(e.Refusals, 1);
  e.Key(vkUp, {ssShift});
  e.Key(vkLeft, {ssShift});
  EXPECT_FALSE(e.T->HasMultiCellSelection());
  ASSERT_EQ(e.Edited(), P(0, 0));
  const TLTItemRange s = e.In().SelectionRange(false);
  EXPECT_EQ(P(s.FirstOffs, s.LastOffs), P(2, 3));
}

TEST(TableEdit, AStyleOverSeveralCellsChangesEachAndIsOneUndoStep) {
  TableEditor e;
  e.T->SelectCells(0, 0, 1, 1);
  ASSERT_TRUE(e.T->HasMultiCellSelection());
  e.E.ApplyParaStyle(1);
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 2; ++c) EXPECT_EQ(e.T->Cells(r, c)->GetItem(0).ParaNo, 1) << r << c;
  EXPECT_EQ(e.E.LTData().GetItem(0).ParaNo, 0);
  ASSERT_TRUE(e.E.Undo());
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 2; ++c) EXPECT_EQ(e.T->Cells(r, c)->GetItem(0).ParaNo, 0) << r << c;
  ASSERT_TRUE(e.E.Redo());
  EXPECT_EQ(e.T->Cells(1, 1)->GetItem(0).ParaNo, 1);
}

TEST(TableEdit, DeleteClearsTheSelectedCellsAndOnCellEditingMayKeepSomeOut) {
  TableEditor e;
  e.T->OnCellEditing = [](TLTTableItemInfo&, int r, int c, bool automatic, bool& allow) {
    if (automatic && r == 1 && c == 1) allow = false;
  };
  e.T->SelectCells(0, 0, 1, 1);
  e.Key(vkDelete);
  EXPECT_EQ(e.CellText(0, 0), "");
  EXPECT_EQ(e.CellText(1, 0), "");
  EXPECT_EQ(e.CellText(1, 1), "11");
  ASSERT_TRUE(e.E.Undo());
  EXPECT_EQ(e.CellText(0, 0), "00");
  EXPECT_EQ(e.CellText(1, 0), "10");
}

TEST(TableEdit, APressOnACellOpensItAndARightClickKeepsACellSelection) {
  TableEditor e;
  // The table's place: a layout again after a cell changes moves nothing.
  const int left = e.E.LTData().DrawItems[e.T->FirstDrawItem].Left;
  const int top = e.E.LTData().DrawItems[e.T->FirstDrawItem].Top;
  const TLTTableCellData& cell = *e.T->Cells(0, 1);
  const int x = left + cell.Left + e.T->CellHPadding + 1;
  const int y = top + cell.Top + e.T->CellVPadding + 2;
  e.Win.Click(x + testing::W, y);
  EXPECT_EQ(e.Edited(), P(0, 1));
  EXPECT_EQ(e.In().CurrentItemOffset(), 2) << "the press places the caret in the cell";
  // Dragging to the cell below selects both.
  e.Win.Press(x, y);
  const TLTTableCellData& below = *e.T->Cells(1, 1);
  e.Win.Move(x, top + below.Top + 3);
  e.Win.Release(x, top + below.Top + 3);
  ASSERT_TRUE(e.T->HasMultiCellSelection());
  EXPECT_TRUE(e.T->IsCellSelected(1, 1));
  e.Win.Click(x, y, TLTMouseButton::Right);
  EXPECT_TRUE(e.T->HasMultiCellSelection());
  // A left press on a selected cell opens it.
  e.Win.Click(x, top + below.Top + 3);
  EXPECT_FALSE(e.T->HasMultiCellSelection());
  EXPECT_EQ(e.Edited(), P(1, 1));
  // Selecting cells from outside closes the cell editor.
  e.T->SelectCells(0, 0, 1, 0);
  EXPECT_EQ(e.T->InplaceEditor(), nullptr);
  // A press outside the table lets the cells go.
  e.Win.Click(1, 2);
  EXPECT_FALSE(e.T->HasMultiCellSelection());
  EXPECT_EQ(e.T->InplaceEditor(), nullptr);
}

TEST(TableEdit, TheCellEditorsDocumentIsPaintedInTheCellWithItsCaret) {
  TableEditor e;
  ASSERT_TRUE(e.T->EditCell(-1, 1, 0, {.CaretAtEnd = true}));
  e.Win.Type(u"Q");
  TLTHeadlessCanvas canvas;
  e.E.Paint(canvas, {0, 0, 1000, 1000});
  bool text = false;
  for (const TLTDrawCall& call : canvas.Calls()) text = text || call.Text == u"10Q";
  EXPECT_TRUE(text);
  // The caret of the cell editor, in the window's coordinates.
  const TLTRectI caret = e.In().CaretRect();
  const TLTPointI at = e.In().ToRootClient({caret.Left, (caret.Top + caret.Bottom) / 2});
  EXPECT_EQ(e.T->NestedBounds().Left + caret.Left, at.X);
  EXPECT_TRUE(e.T->NestedBounds().Contains(at.X, at.Y));
}

TEST(TableEdit, ATableInsideACellIsEditedInAnEditorInsideTheCellEditor) {
  TableEditor e;
  auto inner = std::make_unique<TLTTableItemInfo>(1, 2);
  TLTTableItemInfo* t2 = inner.get();
  inner->ParaNo = 0;
  e.T->Cells(0, 0)->AddItem({}, std::move(inner));
  e.E.Format();
  ASSERT_TRUE(e.T->EditCell(-1, 0, 0));
  ASSERT_TRUE(t2->EditCell(-1, 0, 1));
  EXPECT_EQ(&e.In(), t2->InplaceEditor());
  EXPECT_EQ(&e.In().RootEditor(), &e.E);
  e.E.TypeText(u"deep");
  e.Key(vkTab, {ssShift});
  EXPECT_EQ(P(t2->EditedRow(), t2->EditedCol()), P(0, 0));
  e.E.EndNestedEditing();
  EXPECT_EQ(Utf16ToUtf8(t2->Cells(0, 1)->GetPlainText(0)), "deep");
  ASSERT_TRUE(e.E.Undo());
  EXPECT_EQ(Utf16ToUtf8(t2->CellContent(*t2->Cells(0, 1)).GetPlainText(0)), "dee");
}

TEST(TableEdit, DestroyingTheTableOrTheEditorWhileACellIsOpenLosesNothing) {
  TableEditor e;
  ASSERT_TRUE(e.T->EditCell(-1, 0, 1));
  e.Win.Type(u"k");
  TLTDocument copy;
  copy.Context.Options = e.E.Context().Options;
  copy.Data.AppendFrom(e.E.LTData());  // the items leave: the cell comes home first
  ASSERT_EQ(copy.Data.ItemCount(), 3);
  auto& t = static_cast<TLTTableItemInfo&>(copy.Data.GetItem(1));
  EXPECT_EQ(Utf16ToUtf8(t.Cells(0, 1)->GetPlainText(0)), "k01");
  EXPECT_EQ(&e.In(), &e.E);

  auto other = std::make_unique<TableEditor>();
  ASSERT_TRUE(other->T->EditCell(-1, 1, 1));
  other.reset();  // the editor goes with a cell open
}

/// Random edits inside and outside the cells; after each, Undo in the
/// document gives back the stored document byte for byte, and Redo the
/// edited one.
class TableEditWalk : public ::testing::TestWithParam<unsigned> {};

TEST_P(TableEditWalk, EveryEditInACellIsUndoneFromTheDocumentToTheByte) {
  TableEditor e(2, 3);
  std::mt19937 rng(GetParam());
  auto pick = [&](int n) { return n <= 0 ? 0 : static_cast<int>(rng() % static_cast<unsigned>(n)); };
  int changes = 0;
  for (int step = 0; step < 150; ++step) {
    const std::string before = e.Ltf();
    if (pick(5) > 0) {
      ASSERT_TRUE(e.T->EditCell(-1, pick(e.T->NumRows()), pick(3)));
      TCustomLecternEdit& in = e.In();
      const int n = in.LTData().ItemCount();
      const int item = pick(n);
      in.SetCaretAt(item, in.LTData().GetOffsAfterItem(item));
    } else {
      e.E.SetSelectionBounds(0, 1 + pick(6), 0, 1 + pick(6));
    }
    switch (pick(9)) {
      case 0: e.Win.Type(pick(2) ? u"a" : u"\u05d0"); break;
      case 1: e.Key(vkBack); break;
      case 2: e.Key(vkReturn); break;
      case 3: e.E.ApplyTextStyle(pick(2)); break;
      case 4: e.E.ApplyParaStyle(pick(2)); break;
      case 5: e.Key(vkTab); e.Win.Type(u"t"); break;
      case 6:
        e.T->SelectCells(0, 0, pick(3), pick(2));
        e.E.ApplyParaStyle(pick(2));
        break;
      case 7: e.E.InsertText(u"x\r\ny"); break;
      default: e.Key(vkDelete); break;
    }
    const std::string after = e.Ltf();
    if (after == before) continue;
    ++changes;
    int undos = 0;
    while (e.Ltf() != before && undos < 6) {
      ASSERT_TRUE(e.E.Undo()) << "step " << step;
      ++undos;
    }
    ASSERT_EQ(e.Ltf(), before) << "step " << step;
    for (int k = 0; k < undos; ++k) ASSERT_TRUE(e.E.Redo()) << "step " << step;
    ASSERT_EQ(e.Ltf(), after) << "step " << step;
  }
  EXPECT_GT(changes, 60);
}

INSTANTIATE_TEST_SUITE_P(Seeds, TableEditWalk, ::testing::Values(20261210u, 11u));

}  // namespace
}  // namespace lectern
