// Table structure operations in an editor: rows and columns inserted and
// deleted across spans, cells merged and split, cells cleared, properties
// changed; each one undo step that gives the table back byte for byte.

#include "TableEditFixture.h"

#include <gtest/gtest.h>

#include <random>

namespace lectern {
namespace {

using testing::TableEditor;
using P = std::pair<int, int>;

/// The grid as text: per row, each slot's cell as "RxC:text" or "-" when
/// covered.
std::string Grid(const TLTTableItemInfo& t) {
  std::string out;
  for (int r = 0; r < t.NumRows(); ++r) {
    for (int c = 0; c < t.Rows[r].Count(); ++c) {
      const TLTTableCellData* cell = t.Cells(r, c);
      out += c ? " " : "";
      if (!cell) {
        out += "-";
        continue;
      }
      std::string text = Utf16ToUtf8(t.CellContent(*cell).GetPlainText(0));
      for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.replace(at, 2, "/");
      out += std::to_string(cell->RowsSpanned) + "x" + std::to_string(cell->ColumnsSpanned) + ":" + text;
    }
    out += "\n";
  }
  return out;
}

TEST(TableOps, ColumnsInsertedAcrossASpanWidenItAndRowsCopyTheLastRowsLook) {
  TableEditor e;
  EXPECT_FALSE(e.T->MergeCells(0, 0, 1, 1)) << "one cell is nothing to merge";
  // Counts past the grid are cut to it.
  ASSERT_TRUE(e.T->MergeCells(0, 0, 5, 5));
  EXPECT_EQ(Grid(*e.T), "2x2:00/01/10/11 -\n- -\n");
  ASSERT_TRUE(e.E.Undo());
  // A row copying the first one, inserted above it.
  e.T->Cells(0, 0)->Color = clYellow;
  e.T->InsertRows(0, 1, 0, false);
  EXPECT_EQ(e.T->Cells(0, 0)->Color, clYellow);
  e.T->DeleteRows(0, 1);
  ASSERT_TRUE(e.T->MergeCells(0, 0, 1, 2));
  EXPECT_EQ(Grid(*e.T), "1x2:00/01 -\n1x1:10 1x1:11\n");
  e.T->InsertCols(1, 1, -1, false);
  EXPECT_EQ(Grid(*e.T), "1x3:00/01 - -\n1x1:10 1x1: 1x1:11\n");
  // Appending a row copying the last one: colours, alignment, widths,
  // spans, and the first styles of its cells.
  TLTTableCellData& last = *e.T->Cells(1, 0);
  last.Color = clRed;
  last.VAlign = ltcBottom;
  last.BestWidth = 40;
  last.VisibleBorders.Left = false;
  last.GetItem(0).ParaNo = 1;
  ASSERT_TRUE(e.T->MergeCells(1, 1, 1, 2));
  e.T->InsertRows(2, 1, 1, false);
  const TLTTableCellData& copy = *e.T->Cells(2, 0);
  EXPECT_EQ(copy.Color, clRed);
  EXPECT_EQ(copy.VAlign, ltcBottom);
  EXPECT_EQ(copy.BestWidth, 40);
  EXPECT_FALSE(copy.VisibleBorders.Left);
  EXPECT_EQ(copy.GetItem(0).ParaNo, 1);
  EXPECT_EQ(e.T->Cells(2, 1)->ColumnsSpanned, 2);
  EXPECT_EQ(e.T->Cells(2, 2), nullptr);
  // Inserting inside a row span makes the span longer.
  ASSERT_TRUE(e.T->MergeCells(1, 0, 2, 1));
  e.T->InsertRows(2, 2, -1, false);
  EXPECT_EQ(e.T->Cells(1, 0)->RowsSpanned, 4);
  EXPECT_EQ(e.T->Cells(2, 0), nullptr);
  EXPECT_NE(e.T->Cells(2, 1), nullptr);
  // A span over columns only is split back too.
  ASSERT_TRUE(e.T->UnmergeCell(0, 0));
  EXPECT_EQ(e.T->Cells(0, 0)->ColumnsSpanned, 1);
  EXPECT_NE(e.T->Cells(0, 2), nullptr);
}

TEST(TableOps, DeletedRowsShortenSpansOrSplitThem) {
  TableEditor e(3, 2);
  ASSERT_TRUE(e.T->MergeCells(0, 0, 3, 1));
  const std::string merged = Grid(*e.T);
  e.T->DeleteRows(1, 1);
  EXPECT_EQ(Grid(*e.T), "2x1:00/10/20 1x1:01\n- 1x1:21\n");
  ASSERT_TRUE(e.E.Undo());
  EXPECT_EQ(Grid(*e.T), merged);
  // The first row goes: the spanning cell's lower part stays, empty.
  e.T->DeleteRows(0, 1);
  EXPECT_EQ(Grid(*e.T), "2x1: 1x1:11\n- 1x1:21\n");
  e.T->DeleteCols(0, 1);
  EXPECT_EQ(Grid(*e.T), "1x1:11\n1x1:21\n");
  ASSERT_TRUE(e.E.Undo());
  ASSERT_TRUE(e.E.Undo());
  EXPECT_EQ(Grid(*e.T), merged);
}

TEST(TableOps, AMergeKeepsEveryCellsTextInOrderAndUndoGivesTheCellsBack) {
  TableEditor e;
  e.T->Cells(1, 0)->Clear();
  e.T->Cells(1, 0)->AddTextW(u"", 0, 0);  // an empty cell adds nothing
  const std::string before = e.Ltf();
  ASSERT_TRUE(e.T->MergeCells(0, 0, 2, 2));
  EXPECT_EQ(Grid(*e.T), "2x2:00/01/11 -\n- -\n");
  EXPECT_EQ(e.E.UndoName(), u"Item Change");
  ASSERT_TRUE(e.E.Undo());
  EXPECT_EQ(e.Ltf(), before);
  ASSERT_TRUE(e.E.Redo());
  EXPECT_EQ(Grid(*e.T), "2x2:00/01/11 -\n- -\n");
  // A rectangle that cuts a cell, or holds no other cell, beeps.
  EXPECT_FALSE(e.T->MergeCells(0, 0, 1, 1));
  EXPECT_FALSE(e.T->MergeCells(0, 1, 1, 1));
  EXPECT_THROW(e.T->MergeCells(0, 0, 0, 2), ELecternError);
  ASSERT_TRUE(e.T->UnmergeCell(0, 0));
  EXPECT_EQ(Grid(*e.T), "1x1:00/01/11 1x1:\n1x1: 1x1:\n");
}

TEST(TableOps, AMergedCellsBestWidthSumsARowAndTakesTheWidestRowOrAPercent) {
  auto merged = [](int32_t a, int32_t b, bool sideBySide) {
    TableEditor e(3, 2);
    e.T->Cells(2, 0)->BestWidth = 90;  // outside the rectangle: no say
    e.T->Cells(0, 0)->BestWidth = a;
    e.T->Cells(sideBySide ? 0 : 1, sideBySide ? 1 : 0)->BestWidth = b;
    e.T->MergeCells(0, 0, sideBySide ? 1 : 2, sideBySide ? 2 : 1);
    return e.T->Cells(0, 0)->BestWidth;
  };
  EXPECT_EQ(merged(40, 60, true), 100);
  EXPECT_EQ(merged(-20, 60, true), -20);
  EXPECT_EQ(merged(40, 60, false), 60);
  EXPECT_EQ(merged(40, -30, false), -30);
}

TEST(TableOps, IndicesOutsideTheGridRaiseAndChangeNothingAndCountsAreCutToTheGrid) {
  TableEditor e;
  ASSERT_TRUE(e.T->MergeCells(0, 0, 1, 2));
  e.E.ClearUndo();
  e.E.Modified = false;
  const std::string before = e.Ltf();
  EXPECT_THROW(e.T->InsertRows(3, 1, -1, false), ELecternError);
  EXPECT_THROW(e.T->InsertCols(0, 1, 2, false), ELecternError);
  EXPECT_THROW(e.T->InsertRows(-1, 1, -1, false), ELecternError);
  EXPECT_THROW(e.T->DeleteRows(2, 1), ELecternError);
  EXPECT_THROW(e.T->DeleteCols(2, 1), ELecternError);
  EXPECT_THROW(e.T->DeleteCols(0, 0), ELecternError);
  EXPECT_THROW(e.T->SetCellIntProperty(-1, "BestWidth", 0, 1, 5), ELecternError) << "a covered slot";
  EXPECT_THROW(e.T->UnmergeCell(0, 1), ELecternError);
  EXPECT_EQ(e.Ltf(), before);
  EXPECT_EQ(e.E.EditData().UndoList().Count(), 0);
  EXPECT_FALSE(e.E.Modified);
  // Every column, and every row, from the first on: the count is cut.
  e.T->DeleteCols(0, 3);
  EXPECT_EQ(e.T->NumColumns(), 0);
  EXPECT_TRUE(e.E.Modified);
  ASSERT_TRUE(e.E.Undo());
  EXPECT_EQ(e.Ltf(), before);
  e.T->DeleteRows(0, 5);
  EXPECT_EQ(e.T->NumRows(), 0);
  EXPECT_EQ(e.T->InplaceEditor(), nullptr) << "no editor was open, none opens";
  ASSERT_TRUE(e.E.Undo());
  EXPECT_EQ(e.Ltf(), before);
}

TEST(TableOps, PropertyChangesAreUndoneAndTheCellEditorsStepsComeFirst) {
  TableEditor e;
  ASSERT_TRUE(e.T->SetCellIntProperty(-1, "BestWidth", 1, 1, 77));
  ASSERT_TRUE(e.T->SetCellStrProperty(-1, "Hint", 1, 1, u"tip"));
  ASSERT_TRUE(e.T->EditCell(-1, 0, 0));
  e.Win.Type(u"z");
  ASSERT_TRUE(e.T->SetTableIntProperty("CellHPadding", 6));
  EXPECT_EQ(e.T->CellHPadding, 6);
  EXPECT_THROW(e.T->SetTableIntProperty("NoSuchProperty", 1), ELecternError);
  EXPECT_THROW(e.T->SetCellIntProperty(-1, "NoSuchProperty", 0, 0, 1), ELecternError);
  e.E.EndNestedEditing();
  ASSERT_TRUE(e.E.Undo());
  EXPECT_EQ(e.T->CellHPadding, 1);
  ASSERT_TRUE(e.E.Undo());  // the typing, folded before the padding
  EXPECT_EQ(e.CellText(0, 0), "00");
  e.E.EndNestedEditing();
  ASSERT_TRUE(e.E.Undo());
  EXPECT_EQ(e.T->Cells(1, 1)->Hint, u"");
  ASSERT_TRUE(e.E.Undo());
  EXPECT_EQ(e.T->Cells(1, 1)->BestWidth, 0);
}

TEST(TableOps, ClearingSelectedCellsKeepsTheirLookAndIsOneStep) {
  TableEditor e;
  e.T->Cells(0, 1)->Color = clBlue;
  e.T->Cells(0, 1)->GetItem(0).StyleNo = 0;
  e.T->SelectCells(0, 0, 1, 1);
  ASSERT_TRUE(e.T->ClearSelectedCells());
  EXPECT_EQ(Grid(*e.T), "1x1: 1x1:\n1x1: 1x1:\n");
  EXPECT_EQ(e.T->Cells(0, 1)->Color, clBlue);
  ASSERT_TRUE(e.E.Undo());
  EXPECT_EQ(Grid(*e.T), "1x1:00 1x1:01\n1x1:10 1x1:11\n");
}

/// Where the table's point (x, y) lies in the window.
TLTPointI At(TableEditor& e, int x, int y) {
  const TLTDrawLineInfo& piece = e.E.LTData().DrawItems[e.T->FirstDrawItem];
  return e.E.DocumentToClient({piece.Left + x, piece.Top + y});
}

TEST(TableOps, DraggingAColumnBorderMovesItAndTheNextColumnGivesWayUnlessShiftIsHeld) {
  TableEditor e(2, 3);
  const int width0 = e.T->ColumnWidths[0], width1 = e.T->ColumnWidths[1];
  const int line = e.T->ColumnLefts[1] - 1;
  ASSERT_EQ(e.T->ColumnBorderAt(line).Index, 1);
  const int midRow = e.T->RowTops[0] + 3;
  EXPECT_EQ(e.T->CursorAt(line, midRow), crHSplit);
  const TLTPointI p = At(e, line, midRow);
  int resized = 0;
  e.E.OnItemResize = [&](TCustomLecternEdit&, TCustomLTData&, int) { ++resized; };
  e.Win.Press(p.X, p.Y);
  e.Win.Move(p.X + 10, p.Y);
  e.Win.Release(p.X + 21, p.Y);
  EXPECT_EQ(resized, 1);
  EXPECT_EQ(e.T->ColumnWidths[0], width0 + 21);
  EXPECT_EQ(e.T->ColumnWidths[1], width1 - 21);
  EXPECT_EQ(e.T->Cells(0, 0)->BestWidth, e.T->ColumnWidths[0]);
  // One Undo takes back both columns.
  ASSERT_TRUE(e.E.Undo());
  EXPECT_EQ(e.T->Cells(0, 0)->BestWidth, 0);
  EXPECT_EQ(e.T->Cells(1, 1)->BestWidth, 0);
  // With Shift only the dragged column changes; released where pressed,
  // nothing does.
  e.Win.SetKeys({ssShift});
  e.Win.Press(p.X, p.Y);
  e.Win.Release(p.X + 5, p.Y);
  e.Win.SetKeys({});
  EXPECT_EQ(e.T->Cells(0, 1)->BestWidth, 0);
  EXPECT_GT(e.T->Cells(0, 0)->BestWidth, 0);
  e.Win.Press(p.X + 5, p.Y);
  e.Win.Release(p.X + 5, p.Y);
  EXPECT_EQ(resized, 2);
}

TEST(TableOps, DraggingARowBorderSetsTheRowsHeightAndAPressBesideSelectsARow) {
  TableEditor e(3, 2);
  ASSERT_TRUE(e.T->MergeCells(0, 1, 2, 1));
  const int line = e.T->RowTops[1] - 1;
  ASSERT_EQ(e.T->RowBorderAt(line).Index, 1);
  const TLTPointI p = At(e, e.T->ColumnLefts[0] + 4, line);
  e.Win.Press(p.X, p.Y);
  e.Win.Release(p.X, p.Y + 30);
  EXPECT_GT(e.T->Cells(0, 0)->BestHeight, 30);
  EXPECT_EQ(e.T->Cells(0, 1)->BestHeight, 0) << "a cell spanning further keeps no height of its own";
  // Beside the left edge: the whole row.
  const TLTPointI beside = At(e, 0, e.T->RowTops[2] + 3);
  e.Win.Click(beside.X, beside.Y);
  TLTCellRect r;
  ASSERT_TRUE(e.T->GetSelectedCellsRect(r));
  EXPECT_EQ(P(r.Row, r.Rows), P(2, 1));
  EXPECT_EQ(r.Cols, 2);
}

/// Random operations; after each, Undo gives back the stored document byte
/// for byte and Redo the changed one, and every slot is a cell or covered.
class TableOpsWalk : public ::testing::TestWithParam<unsigned> {};

TEST_P(TableOpsWalk, EveryOperationIsUndoneAndRedoneToTheByte) {
  TableEditor e(3, 3);
  std::mt19937 rng(GetParam());
  auto pick = [&](int n) { return n <= 0 ? 0 : static_cast<int>(rng() % static_cast<unsigned>(n)); };
  int changes = 0;
  for (int step = 0; step < 120; ++step) {
    const std::string before = e.Ltf();
    const int rows = e.T->NumRows(), cols = e.T->NumColumns();
    switch (pick(7)) {
      case 0: e.T->InsertRows(pick(rows + 1), 1 + pick(2), pick(rows + 1) - 1, false); break;
      case 1: e.T->InsertCols(pick(cols + 1), 1 + pick(2), pick(cols + 1) - 1, false); break;
      case 2:
        if (rows > 2) e.T->DeleteRows(pick(rows), 1 + pick(2));
        break;
      case 3:
        if (cols > 2) e.T->DeleteCols(pick(cols), 1 + pick(2));
        break;
      case 4: {
        const int r = pick(rows), c = pick(cols);
        e.T->MergeCells(r, c, 1 + pick(3), 1 + pick(3));
        break;
      }
      case 5: {
        const int r = pick(rows), c = pick(cols);
        if (e.T->Cells(r, c)) e.T->UnmergeCell(r, c);
        break;
      }
      default:
        if (e.T->EditCell(-1, pick(rows), pick(cols))) e.Win.Type(u"w");
        break;
    }
    // The grid stays whole: every slot a cell or covered by exactly one.
    std::vector<int> cover(static_cast<size_t>(e.T->NumRows() * e.T->NumColumns()));
    for (int r = 0; r < e.T->NumRows(); ++r) {
      ASSERT_EQ(e.T->Rows[r].Count(), e.T->NumColumns()) << "step " << step;
      for (int c = 0; c < e.T->NumColumns(); ++c)
        if (const TLTTableCellData* cell = e.T->Cells(r, c))
          for (int i = r; i < r + cell->RowsSpanned; ++i)
            for (int j = c; j < c + cell->ColumnsSpanned; ++j) {
              ASSERT_LT(i, e.T->NumRows()) << "step " << step;
              ASSERT_LT(j, e.T->NumColumns()) << "step " << step;
              ++cover[static_cast<size_t>(i * e.T->NumColumns() + j)];
            }
    }
    for (int n : cover) ASSERT_EQ(n, 1) << "step " << step << "\n" << Grid(*e.T);
    const std::string after = e.Ltf();
    if (after == before) continue;
    ++changes;
    int undos = 0;
    while (e.Ltf() != before && undos < 3) {
      ASSERT_TRUE(e.E.Undo()) << "step " << step;
      ++undos;
    }
    ASSERT_EQ(e.Ltf(), before) << "step " << step;
    for (int k = 0; k < undos; ++k) ASSERT_TRUE(e.E.Redo()) << "step " << step;
    ASSERT_EQ(e.Ltf(), after) << "step " << step;
  }
  EXPECT_GT(changes, 40);
}

INSTANTIATE_TEST_SUITE_P(Seeds, TableOpsWalk, ::testing::Values(1u, 20261210u, 99u));

}  // namespace
}  // namespace lectern
