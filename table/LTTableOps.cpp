// Table structure operations: inserting and deleting rows and columns with
// the spans that cross them, merging and splitting cells, clearing cells,
// and undoable property changes; and the undo records they are built from.
//
// Design notes. Every operation is a sequence of elementary changes, each
// an undo record that does its change in a direction (ApplyOp): the same
// code does the change, undoes it and redoes it. In an editor the records
// of one operation form one undo group, bracketed so that the property
// changes among them stay together.

#include "table/LTTableUndo.h"

#include "table/LTTableOpScope.h"

#include "edit/LTELTData.h"
#include "platform/LTSysUtils.h"
#include "table/LTTableEdit.h"

#include <algorithm>
#include <exception>

namespace lectern {

namespace {

constexpr char kBadIndex[] = "Invalid row or column index";

/// A property that a table or a cell does not publish.
[[noreturn]] void UnknownProperty(std::string_view name) {
  throw ELecternError("Unknown property " + std::string(name));
}

TLTTableItemInfo* TableAt(TLTEditLTData& data, int itemNo) {
  if (itemNo < 0 || itemNo >= data.ItemCount()) return nullptr;
  return dynamic_cast<TLTTableItemInfo*>(&data.GetItem(itemNo));
}

/// What the document keeps track of inside cells goes with them.
void CellLeaving(TLTTableCellData& cell) {
  for (int i = 0; i < cell.ItemCount(); ++i) cell.GetItem(i).Removing(cell);
}

}  // namespace

void TLTTableItemInfo::ApplyOp(std::unique_ptr<TLTUndoTableOp> op) {
  op->Perform(*this, op->Forward);
  LayoutInvalid = true;
  const int itemNo = OwnIndex(-1);
  TCustomLecternEdit* editor = Editor();
  if (!editor || itemNo < 0) return;
  op->ItemNo = op->Target.ItemNo = itemNo;
  editor->EditData().Record(std::move(op));
}

std::unique_ptr<TLTTableCellData> TLTTableItemInfo::NewCellFor(int row) {
  return NewCell(row >= 0 && row < NumRows() ? Rows.Items[static_cast<size_t>(row)].get() : nullptr);
}

void TLTTableItemInfo::FirstStyles(const TLTTableCellData& cell, int32_t& style, int32_t& para) {
  style = 0;
  para = cell.ItemCount() > 0 ? std::max(0, cell.GetItem(0).ParaNo) : 0;
  for (int i = 0; i < cell.ItemCount(); ++i) {
    const TCustomLTItemInfo& item = cell.GetItem(i);
    if (item.IsText() && item.Tag.IsEmpty()) {
      style = item.StyleNo;
      return;
    }
  }
}

// ---- Inserting ---------------------------------------------------------------------------------

void TLTTableItemInfo::InsertRows(int index, int count, int copyIndex, bool select) {
  const int rows = NumRows(), cols = NumColumns();
  if (index < 0 || index > rows || copyIndex < -1 || copyIndex >= rows) throw ELecternError(kBadIndex);
  if (count <= 0 || cols == 0) return;
  const TStoredEditor kept = KeepEditor();
  EndNestedEditing(false);
  {
    TOperationScope scope(*this);
    // Cells that start above the new rows and reach below them grow over
    // them.
    std::vector<bool> covered(static_cast<size_t>(cols));
    if (index < rows)
      for (int c = cols - 1; c >= 0;) {
        int mr = 0, mc = 0;
        const TLTTableCellData* cell = GetMainCell(index, c, mr, mc);
        if (!cell) {
          --c;
          continue;
        }
        if (mr < index) {
          ApplyOp(std::make_unique<TLTUndoSpan>(-1, mr, mc, false, cell->RowsSpanned + count, cell->RowsSpanned));
          for (int k = mc; k < mc + cell->ColumnsSpanned && k < cols; ++k) covered[static_cast<size_t>(k)] = true;
        }
        c = mc - 1;
      }
    if (copyIndex >= index) copyIndex += count;
    ApplyOp(std::make_unique<TLTUndoInsertTableRows>(-1, index, count));
    for (int c = 0; c < cols;) {
      if (covered[static_cast<size_t>(c)]) {
        ApplyOp(std::make_unique<TLTUndoFreeEmptyCell>(-1, index, c, count, 1));
        ++c;
        continue;
      }
      const TLTTableCellData* source = copyIndex >= 0 ? Cells(copyIndex, c) : nullptr;
      if (!source) {
        ++c;
        continue;
      }
      int32_t style = 0, para = 0;
      FirstStyles(*source, style, para);
      const int span = std::clamp(source->ColumnsSpanned, 1, cols - c);
      for (int r = index; r < index + count; ++r) {
        AssignCellProperties(-1, r, c, *source, std::max(1, source->RowsSpanned), 1);
        ApplyOp(std::make_unique<TLTUndoChangeEmptyCellStyles>(-1, r, c, style, para));
        if (span > 1) ApplyOp(std::make_unique<TLTUndoSpreadOverEmptyCells>(-1, r, c, span));
      }
      c += span;
    }
  }
  if (select)
    SelectRows(index, count);
  else
    ReopenKept(kept, kept.Row >= index ? count : 0, 0);
}

void TLTTableItemInfo::InsertCols(int index, int count, int copyIndex, bool select) {
  const int rows = NumRows(), cols = NumColumns();
  if (index < 0 || index > cols || copyIndex < -1 || copyIndex >= cols) throw ELecternError(kBadIndex);
  if (count <= 0 || rows == 0) return;
  const TStoredEditor kept = KeepEditor();
  EndNestedEditing(false);
  {
    TOperationScope scope(*this);
    std::vector<bool> covered(static_cast<size_t>(rows));
    if (index < cols)
      for (int r = rows - 1; r >= 0;) {
        int mr = 0, mc = 0;
        const TLTTableCellData* cell = GetMainCell(r, index, mr, mc);
        if (!cell) {
          --r;
          continue;
        }
        if (mc < index) {
          ApplyOp(std::make_unique<TLTUndoSpan>(-1, mr, mc, true, cell->ColumnsSpanned + count, cell->ColumnsSpanned));
          for (int k = mr; k < mr + cell->RowsSpanned && k < rows; ++k) covered[static_cast<size_t>(k)] = true;
        }
        r = mr - 1;
      }
    for (int r = 0; r < rows;) {
      if (covered[static_cast<size_t>(r)]) {
        ApplyOp(std::make_unique<TLTUndoInsertEmptyCell>(-1, r, index, 1, count));
        ++r;
        continue;
      }
      // The source is read before this row shifts.
      const TLTTableCellData* source = copyIndex >= 0 ? Cells(r, copyIndex) : nullptr;
      for (int k = 0; k < count; ++k) ApplyOp(std::make_unique<TLTUndoInsertTableCell>(-1, r, index + k));
      if (!source) {
        ++r;
        continue;
      }
      int32_t style = 0, para = 0;
      FirstStyles(*source, style, para);
      const int span = std::clamp(source->RowsSpanned, 1, rows - r);
      for (int k = 0; k < count; ++k) {
        AssignCellProperties(-1, r, index + k, *source, 1, std::max(1, source->ColumnsSpanned));
        ApplyOp(std::make_unique<TLTUndoChangeEmptyCellStyles>(-1, r, index + k, style, para));
        if (span > 1) ApplyOp(std::make_unique<TLTUndoSpan>(-1, r, index + k, false, span, 1));
      }
      if (span > 1) ApplyOp(std::make_unique<TLTUndoInsertEmptyCell>(-1, r + 1, index, span - 1, count));
      r += span;
    }
  }
  if (select)
    SelectCols(index, count);
  else
    ReopenKept(kept, 0, kept.Col >= index ? count : 0);
}

// ---- Deleting ----------------------------------------------------------------------------------

void TLTTableItemInfo::DeleteRows(int index, int count) {
  const int rows = NumRows(), cols = NumColumns();
  if (rows == 0 || cols == 0) return;
  if (index < 0 || index >= rows || count < 1) throw ELecternError(kBadIndex);
  // A count past the last row is cut to the grid, from the first row too.
  count = std::min(count, rows - index);
  int er = editRow_, ec = editCol_;
  if (er > index) er = std::max(index, er - count);
  EndNestedEditing(false);
  const int r1 = index, r2 = index + count - 1;
  {
    TOperationScope scope(*this);
    // Cells that start in the range and reach below it keep their lower
    // part as an empty cell.
    for (int c = cols - 1; c >= 0;) {
      int mr = 0, mc = 0;
      const TLTTableCellData* cell = GetMainCell(r2, c, mr, mc);
      if (!cell) {
        --c;
        continue;
      }
      if (mr >= r1 && mr + cell->RowsSpanned - 1 > r2)
        ApplyOp(std::make_unique<TLTUndoCellSpitHorz>(-1, mr, mc, r2 + 1, cell->BestHeight));
      c = mc - 1;
    }
    // Cells that start above it keep their rows outside it.
    for (int c = cols - 1; c >= 0;) {
      int mr = 0, mc = 0;
      const TLTTableCellData* cell = GetMainCell(r1, c, mr, mc);
      if (!cell) {
        --c;
        continue;
      }
      if (mr < r1) {
        const int span = cell->RowsSpanned;
        const int next = mr + span - 1 > r2 ? span - count : r1 - mr;
        ApplyOp(std::make_unique<TLTUndoSpan>(-1, mr, mc, false, next, span));
      }
      c = mc - 1;
    }
    ApplyOp(std::make_unique<TLTUndoDeleteRows>(-1, r1, count));
  }
  // Only a cell editor that was open comes back: a table built by a reader
  // never opens editors.
  if (er < 0 || NumRows() == 0 || !Options.Contains(lttoEditing) || !Editor()) return;
  int row = er, col = ec;
  row = std::min(row, NumRows() - 1);
  int mr = 0, mc = 0;
  if (GetMainCell(row, std::clamp(col, 0, NumColumns() - 1), mr, mc)) EditCell(-1, mr, mc, {.CaretAtStart = true});
}

void TLTTableItemInfo::DeleteCols(int index, int count) {
  const int rows = NumRows(), cols = NumColumns();
  if (rows == 0 || cols == 0) return;
  if (index < 0 || index >= cols || count < 1) throw ELecternError(kBadIndex);
  count = std::min(count, cols - index);
  int er = editRow_, ec = editCol_;
  if (ec > index) ec = std::max(index, ec - count);
  EndNestedEditing(false);
  const int c1 = index, c2 = index + count - 1;
  {
    TOperationScope scope(*this);
    for (int r = rows - 1; r >= 0;) {
      int mr = 0, mc = 0;
      const TLTTableCellData* cell = GetMainCell(r, c2, mr, mc);
      if (!cell) {
        --r;
        continue;
      }
      if (mc >= c1 && mc + cell->ColumnsSpanned - 1 > c2)
        ApplyOp(std::make_unique<TLTUndoCellSpitVert>(-1, mr, mc, c2 + 1, cell->BestWidth));
      r = mr - 1;
    }
    for (int r = rows - 1; r >= 0;) {
      int mr = 0, mc = 0;
      const TLTTableCellData* cell = GetMainCell(r, c1, mr, mc);
      if (!cell) {
        --r;
        continue;
      }
      if (mc < c1) {
        const int span = cell->ColumnsSpanned;
        const int next = mc + span - 1 > c2 ? span - count : c1 - mc;
        ApplyOp(std::make_unique<TLTUndoSpan>(-1, mr, mc, true, next, span));
      }
      r = mr - 1;
    }
    ApplyOp(std::make_unique<TLTUndoDeleteCols>(-1, c1, count));
  }
  if (er < 0 || NumColumns() == 0 || !Options.Contains(lttoEditing) || !Editor()) return;
  int row = er, col = ec;
  col = std::min(col, NumColumns() - 1);
  int mr = 0, mc = 0;
  if (GetMainCell(std::clamp(row, 0, NumRows() - 1), col, mr, mc)) EditCell(-1, mr, mc, {.CaretAtStart = true});
}

void TLTTableItemInfo::DeleteEmptyRows() {
  for (int r = NumRows() - 1; r >= 0; --r) {
    const auto& cells = Rows[r].Cells;
    if (std::none_of(cells.begin(), cells.end(), [](const auto& c) { return c != nullptr; })) DeleteRows(r, 1);
  }
}

// ---- Merging and splitting ---------------------------------------------------------------------------

bool TLTTableItemInfo::MergeCells(int row, int col, int rowCount, int colCount, bool recomputeWidth) {
  rowCount = std::min(rowCount, NumRows() - row);
  colCount = std::min(colCount, NumColumns() - col);
  if (row < 0 || col < 0 || rowCount <= 0 || colCount <= 0)
    throw ELecternError("Parameters for cell merging are not correct");
  TLTTableCellData* main = Cells(row, col);
  if ((rowCount <= 1 && colCount <= 1) || !main) return false;
  if (main->RowsSpanned >= rowCount && main->ColumnsSpanned >= colCount) return false;
  bool other = false;
  for (int r = row; r < row + rowCount; ++r)
    for (int c = col; c < col + colCount; ++c) {
      int mr = 0, mc = 0;
      const TLTTableCellData* cell = GetMainCell(r, c, mr, mc);
      if (!cell || mr < row || mc < col || mr + cell->RowsSpanned > row + rowCount ||
          mc + cell->ColumnsSpanned > col + colCount) {
        if (TCustomLecternEdit* e = Editor()) e->Refuse();
        return false;
      }
      other = other || cell != main;
    }
  if (!other) {
    if (TCustomLecternEdit* e = Editor()) e->Refuse();
    return false;
  }
  TStoredEditor kept = KeepEditor();
  EndNestedEditing(false);
  {
    TOperationScope scope(*this);
    auto merge = std::make_unique<TLTUndoMerge>(-1, row, col, rowCount, colCount);
    merge->RecomputeWidth = recomputeWidth;
    ApplyOp(std::move(merge));
  }
  // An editor in the rectangle goes on in the merged cell.
  if (kept.Row >= row && kept.Row < row + rowCount && kept.Col >= col && kept.Col < col + colCount)
    ReopenKept(kept, row - kept.Row, col - kept.Col);
  return true;
}

TLTTableItemInfo::TStoredEditor TLTTableItemInfo::KeepEditor() {
  if (!InplaceEditor()) return {};
  StoreEditorState();
  return stored_;
}

void TLTTableItemInfo::ReopenKept(TStoredEditor kept, int rows, int cols) {
  if (!kept.Stored) return;
  kept.Row += rows;
  kept.Col += cols;
  int mr = 0, mc = 0;
  if (!GetMainCell(kept.Row, kept.Col, mr, mc)) return;
  kept.Row = mr;
  kept.Col = mc;
  stored_ = kept;
  ReopenCellEditor();
}

bool TLTTableItemInfo::UnmergeCell(int row, int col) {
  TLTTableCellData* cell = Cells(row, col);
  if (!cell) throw ELecternError(kBadIndex);
  if (cell->RowsSpanned <= 1 && cell->ColumnsSpanned <= 1) return false;
  const TStoredEditor kept = KeepEditor();
  EndNestedEditing(false);
  {
    TOperationScope scope(*this);
    const int rows = cell->RowsSpanned, cols = cell->ColumnsSpanned;
    ApplyOp(std::make_unique<TLTUndoSpan>(-1, row, col, false, 1, rows));
    ApplyOp(std::make_unique<TLTUndoSpan>(-1, row, col, true, 1, cols));
    // The freed slots get empty cells of their own.
    for (int r = row; r < row + rows; ++r)
      for (int c = col; c < col + cols; ++c)
        if (r != row || c != col) ApplyOp(std::make_unique<TLTUndoFreeEmptyCell>(-1, r, c, 1, 1, false));
  }
  ReopenKept(kept, 0, 0);
  return true;
}

// ---- Clearing ------------------------------------------------------------------------------------

bool TLTTableItemInfo::ClearSelectedCells() {
  TCustomLecternEdit* editor = Editor();
  if (!multiCell_ || (editor && !editor->BeforeChange())) return false;
  auto clear = std::make_unique<TLTUndoCellsClear>(-1);
  for (const auto& [r, c] : SelectedMainCells()) {
    if (OnCellEditing) {
      bool allow = true;
      OnCellEditing(*this, r, c, true, allow);
      if (!allow) continue;
    }
    const TLTTableCellData& old = *Cells(r, c);
    std::unique_ptr<TLTTableCellData> fresh = NewCellFor(r);
    fresh->AssignAttributes(old);
    fresh->BestWidth = old.BestWidth;
    fresh->BestHeight = old.BestHeight;
    fresh->RowsSpanned = old.RowsSpanned;
    fresh->ColumnsSpanned = old.ColumnsSpanned;
    int32_t style = 0, para = 0;
    FirstStyles(old, style, para);
    fresh->GetItem(0).StyleNo = style;
    fresh->GetItem(0).ParaNo = para;
    fresh->GetItem(0).SetFlag(ltifWide, fresh->IsUnicodeStyle(style));
    clear->RowList.push_back(r);
    clear->ColList.push_back(c);
    clear->Cells.push_back(std::move(fresh));
  }
  if (clear->Cells.empty()) return false;
  {
    TOperationScope scope(*this);
    ApplyOp(std::move(clear));
  }
  if (editor) editor->Window().InvalidateAll();
  return true;
}

// ---- Properties ----------------------------------------------------------------------------------

bool TLTTableItemInfo::SetCellIntProperty(int itemNo, std::string_view name, int row, int col, int64_t value) {
  TLTTableCellData* cell = Cells(row, col);
  if (!cell) throw ELecternError(kBadIndex);
  const TLTPropInfo* p = cell->ClassInfo().Find(name);
  if (!p || !p->IsOrdinal() || !p->SetOrd) UnknownProperty(name);
  if (value < p->MinValue || value > p->MaxValue) return false;
  const int64_t old = p->GetOrd(*cell);
  if (old == value) return true;
  TCustomLecternEdit* editor = Editor();
  itemNo = OwnIndex(itemNo);
  if (editor && itemNo >= 0) {
    editor->BeginOwnUndoGroup(ltukItemChange);
    editor->EditData().Record(
        std::make_unique<TLTUndoModifyCellIntProperty>(TLTPropTarget{itemNo, row, col}, std::string(name), old));
  }
  p->SetOrd(*cell, value);
  LayoutInvalid = true;
  if (editor && itemNo >= 0) {
    Relayout();
    editor->MarkChanged(true);
  }
  return true;
}

bool TLTTableItemInfo::SetCellStrProperty(int itemNo, std::string_view name, int row, int col, const TLTString& value) {
  TLTTableCellData* cell = Cells(row, col);
  if (!cell) throw ELecternError(kBadIndex);
  const TLTPropInfo* p = cell->ClassInfo().Find(name);
  if (!p || p->Kind != TLTPropKind::String || !p->SetStr) UnknownProperty(name);
  if (p->GetStr(*cell) == value) return true;
  TCustomLecternEdit* editor = Editor();
  itemNo = OwnIndex(itemNo);
  if (editor && itemNo >= 0) {
    editor->BeginOwnUndoGroup(ltukItemChange);
    ApplyOp(std::make_unique<TLTUndoModifyCellStrProperty>(itemNo, row, col, std::string(name), value));
    editor->MarkChanged(true);
  } else {
    p->SetStr(*cell, value);
  }
  return true;
}

void TLTTableItemInfo::AssignCellProperties(int itemNo, int row, int col, const TLTTableCellData& source,
                                            int rowDivisor, int colDivisor) {
  TLTTableCellData* cell = Cells(row, col);
  if (!cell) return;
  itemNo = OwnIndex(itemNo);
  if (!(cell->VisibleBorders == source.VisibleBorders))
    ApplyOp(std::make_unique<TLTUndoModifyVisibleBorders>(itemNo, row, col, source.VisibleBorders));
  if (source.BackgroundImage || cell->BackgroundImage)
    ApplyOp(std::make_unique<TLTUndoModifyBackgroundImage>(
        itemNo, row, col, source.BackgroundImage ? source.BackgroundImage->Clone() : nullptr));
  for (const auto& [name, value] : {std::pair<std::string_view, const TLTString*>{"BackgroundImageFileName",
                                                                                 &source.BackgroundImageFileName},
                                    {"Hint", &source.Hint}})
    if (const TLTPropInfo* p = cell->ClassInfo().Find(name); p && p->GetStr && p->GetStr(*cell) != *value)
      ApplyOp(std::make_unique<TLTUndoModifyCellStrProperty>(itemNo, row, col, std::string(name), *value));
  const std::pair<const char*, int64_t> wanted[] = {
      {"Color", source.Color},
      {"BorderColor", source.BorderColor},
      {"BorderLightColor", source.BorderLightColor},
      {"VAlign", source.VAlign},
      {"BackgroundStyle", source.BackgroundStyle},
      {"BestWidth", source.BestWidth / std::max(1, colDivisor)},
      {"BestHeight", source.BestHeight / std::max(1, rowDivisor)},
  };
  std::vector<std::pair<std::string, int64_t>> old;
  for (const auto& [name, value] : wanted) {
    const TLTPropInfo* p = cell->ClassInfo().Find(name);
    if (!p || !p->GetOrd || p->GetOrd(*cell) == value) continue;
    old.emplace_back(name, p->GetOrd(*cell));
    p->SetOrd(*cell, value);
  }
  LayoutInvalid = true;
  if (old.empty()) return;
  if (TCustomLecternEdit* editor = Editor(); editor && itemNo >= 0)
    editor->EditData().Record(
        std::make_unique<TLTUndoModifyCellIntProperties>(TLTPropTarget{itemNo, row, col}, std::move(old)));
}

bool TLTTableItemInfo::SetTableIntProperty(std::string_view name, int64_t value) {
  const TLTPropInfo* p = ClassInfo().Find(name);
  if (!p || !p->IsOrdinal() || !p->SetOrd) UnknownProperty(name);
  if (value < p->MinValue || value > p->MaxValue) return false;
  const int64_t old = p->GetOrd(*this);
  if (old == value) return true;
  TCustomLecternEdit* editor = Editor();
  const int itemNo = OwnIndex(-1);
  if (editor && itemNo >= 0) {
    // The cell's own steps come first in the history.
    FoldNestedUndo();
    editor->BeginOwnUndoGroup(ltukItemChange);
    editor->EditData().Record(
        std::make_unique<TLTUndoModifyItemIntProperty>(TLTPropTarget{itemNo}, std::string(name), old));
  }
  p->SetOrd(*this, value);
  LayoutInvalid = true;
  if (editor && itemNo >= 0) {
    Relayout();
    editor->MarkChanged(true);
  }
  return true;
}

// ---- The records ---------------------------------------------------------------------------------

void TLTUndoTableOp::Undo(TLTEditLTData& data) {
  TLTTableItemInfo* table = TableAt(data, ItemNo);
  if (!table) return;
  Perform(*table, !Forward);
  table->LayoutInvalid = true;
  data.Record(Flipped());
}

namespace {

/// The record of the same class with the direction flipped.
template <class T>
std::unique_ptr<TLTUndoTableOp> Flip(T& record) {
  auto copy = std::make_unique<T>(std::move(record));
  copy->Forward = !copy->Forward;
  return copy;
}

TLTTableCellData& CellOf(TLTTableItemInfo& t, int row, int col) {
  TLTTableCellData* cell = t.Cells(row, col);
  if (!cell) throw ELecternError(kBadIndex);
  return *cell;
}

std::unique_ptr<TLTTableCellData>& SlotOf(TLTTableItemInfo& t, int row, int col) {
  if (row < 0 || row >= t.NumRows() || col < 0 || col >= t.Rows[row].Count()) throw ELecternError(kBadIndex);
  return t.Rows[row].Cells[static_cast<size_t>(col)];
}

}  // namespace

void TLTUndoInsertTableRows::Perform(TLTTableItemInfo& t, bool forward) {
  if (!forward) {
    t.TakeRows(First, Count);
    return;
  }
  const int cols = t.NumColumns();
  // New rows align as the row they follow (the first row: the one below).
  const int model = First > 0 ? First - 1 : 0;
  const TLTCellVAlign align = model < t.NumRows() ? t.Rows[model].VAlign : ltcTop;
  for (int k = 0; k < Count; ++k) {
    auto row = std::make_unique<TLTTableRow>(&t.Rows);
    row->VAlign = align;
    TLTTableRow* r = row.get();
    t.Rows.Items.insert(t.Rows.Items.begin() + std::clamp(First + k, 0, t.NumRows()), std::move(row));
    for (int c = 0; c < cols; ++c) r->Cells.push_back(t.NewCellFor(First + k));
  }
}
std::unique_ptr<TLTUndoTableOp> TLTUndoInsertTableRows::Flipped() { return Flip(*this); }

void TLTUndoInsertTableCell::Perform(TLTTableItemInfo& t, bool forward) {
  auto& cells = t.Rows[Row].Cells;
  if (Col < 0 || Col > static_cast<int>(cells.size())) throw ELecternError(kBadIndex);
  if (forward) {
    cells.insert(cells.begin() + Col, t.NewCellFor(Row));
  } else {
    if (cells[static_cast<size_t>(Col)]) CellLeaving(*cells[static_cast<size_t>(Col)]);
    cells.erase(cells.begin() + Col);
  }
}
std::unique_ptr<TLTUndoTableOp> TLTUndoInsertTableCell::Flipped() { return Flip(*this); }

void TLTUndoInsertEmptyCell::Perform(TLTTableItemInfo& t, bool forward) {
  for (int r = Row; r < Row + Rows; ++r) {
    auto& cells = t.Rows[r].Cells;
    if (Col < 0 || Col > static_cast<int>(cells.size())) throw ELecternError(kBadIndex);
    if (forward)
      for (int k = 0; k < Cols; ++k) cells.insert(cells.begin() + Col, std::unique_ptr<TLTTableCellData>());
    else
      cells.erase(cells.begin() + Col, cells.begin() + std::min<int>(Col + Cols, static_cast<int>(cells.size())));
  }
}
std::unique_ptr<TLTUndoTableOp> TLTUndoInsertEmptyCell::Flipped() { return Flip(*this); }

void TLTUndoSpan::Perform(TLTTableItemInfo& t, bool forward) {
  TLTTableCellData& cell = CellOf(t, Row, Col);
  (Columns ? cell.ColumnsSpanned : cell.RowsSpanned) = forward ? New : Old;
}
std::unique_ptr<TLTUndoTableOp> TLTUndoSpan::Flipped() { return Flip(*this); }

void TLTUndoFreeEmptyCell::Perform(TLTTableItemInfo& t, bool forward) {
  for (int r = Row; r < Row + Rows; ++r)
    for (int c = Col; c < Col + Cols; ++c) {
      std::unique_ptr<TLTTableCellData>& slot = SlotOf(t, r, c);
      if (forward) {
        if (slot) CellLeaving(*slot);
        slot.reset();
      } else if (!slot) {
        slot = t.NewCellFor(r);
      }
    }
}
std::unique_ptr<TLTUndoTableOp> TLTUndoFreeEmptyCell::Flipped() { return Flip(*this); }

void TLTUndoSpreadOverEmptyCells::Perform(TLTTableItemInfo& t, bool forward) {
  TLTTableCellData& cell = CellOf(t, Row, Col);
  for (int c = Col + 1; c < Col + Span; ++c) {
    std::unique_ptr<TLTTableCellData>& slot = SlotOf(t, Row, c);
    if (forward) {
      if (slot) CellLeaving(*slot);
      slot.reset();
    } else if (!slot) {
      slot = t.NewCellFor(Row);
    }
  }
  cell.ColumnsSpanned = forward ? Span : 1;
}
std::unique_ptr<TLTUndoTableOp> TLTUndoSpreadOverEmptyCells::Flipped() { return Flip(*this); }

namespace {

/// Splits the cell at (row, col) at row (or column) at: an empty cell with
/// its look takes the part from there on; its best height (width) is its
/// share of best.
void SplitCell(TLTTableItemInfo& t, int row, int col, int at, int32_t best, bool columns) {
  TLTTableCellData& cell = CellOf(t, row, col);
  const int start = columns ? col : row;
  const int span = columns ? cell.ColumnsSpanned : cell.RowsSpanned;
  if (at <= start || at >= start + span) throw ELecternError(kBadIndex);
  std::unique_ptr<TLTTableCellData>& slot = SlotOf(t, columns ? row : at, columns ? at : col);
  slot = t.NewCellFor(columns ? row : at);
  TLTTableCellData& part = *slot;
  part.AssignAttributes(cell);
  const int partSpan = start + span - at;
  if (columns) {
    part.BestHeight = cell.BestHeight;
    part.RowsSpanned = cell.RowsSpanned;
    part.ColumnsSpanned = partSpan;
    part.BestWidth = static_cast<int32_t>(int64_t{partSpan} * best / span);
    cell.ColumnsSpanned = span - partSpan;
    cell.BestWidth = best - part.BestWidth;
  } else {
    part.BestWidth = cell.BestWidth;
    part.ColumnsSpanned = cell.ColumnsSpanned;
    part.RowsSpanned = partSpan;
    part.BestHeight = static_cast<int32_t>(int64_t{partSpan} * best / span);
    cell.RowsSpanned = span - partSpan;
    cell.BestHeight = best - part.BestHeight;
  }
}

void JoinCell(TLTTableItemInfo& t, int row, int col, int at, int32_t best, bool columns) {
  TLTTableCellData& cell = CellOf(t, row, col);
  std::unique_ptr<TLTTableCellData>& slot = SlotOf(t, columns ? row : at, columns ? at : col);
  if (!slot) throw ELecternError(kBadIndex);
  if (columns) {
    cell.ColumnsSpanned += slot->ColumnsSpanned;
    cell.BestWidth = best;
  } else {
    cell.RowsSpanned += slot->RowsSpanned;
    cell.BestHeight = best;
  }
  CellLeaving(*slot);
  slot.reset();
}

}  // namespace

void TLTUndoCellSpitHorz::Perform(TLTTableItemInfo& t, bool forward) {
  if (forward)
    SplitCell(t, Row, Col, At, OldBest, false);
  else
    JoinCell(t, Row, Col, At, OldBest, false);
}
std::unique_ptr<TLTUndoTableOp> TLTUndoCellSpitHorz::Flipped() { return Flip(*this); }

void TLTUndoCellSpitVert::Perform(TLTTableItemInfo& t, bool forward) {
  if (forward)
    SplitCell(t, Row, Col, At, OldBest, true);
  else
    JoinCell(t, Row, Col, At, OldBest, true);
}
std::unique_ptr<TLTUndoTableOp> TLTUndoCellSpitVert::Flipped() { return Flip(*this); }

void TLTUndoDeleteRows::Perform(TLTTableItemInfo& t, bool forward) {
  if (forward) {
    Kept = t.TakeRows(First, Count);
  } else {
    t.PutRows(First, std::move(Kept));
    Kept.clear();
  }
}
std::unique_ptr<TLTUndoTableOp> TLTUndoDeleteRows::Flipped() { return Flip(*this); }

void TLTUndoDeleteCols::Perform(TLTTableItemInfo& t, bool forward) {
  if (forward) {
    Cells.clear();
    for (int r = 0; r < t.NumRows(); ++r) {
      auto& cells = t.Rows[r].Cells;
      const int end = std::min<int>(First + Count, static_cast<int>(cells.size()));
      for (int c = First; c < end; ++c) {
        if (cells[static_cast<size_t>(c)]) CellLeaving(*cells[static_cast<size_t>(c)]);
        Cells.push_back(std::move(cells[static_cast<size_t>(c)]));
      }
      cells.erase(cells.begin() + First, cells.begin() + end);
    }
    return;
  }
  // The whole grid first, then the numbering: a cell attached before the
  // cells around it are back would count after the wrong marker.
  size_t k = 0;
  std::vector<TLTTableCellData*> back;
  for (int r = 0; r < t.NumRows(); ++r) {
    auto& cells = t.Rows[r].Cells;
    for (int c = 0; c < Count && k < Cells.size(); ++c, ++k) {
      std::unique_ptr<TLTTableCellData> cell = std::move(Cells[k]);
      if (cell) back.push_back(cell.get());
      cells.insert(cells.begin() + std::min<int>(First + c, static_cast<int>(cells.size())), std::move(cell));
    }
  }
  Cells.clear();
  if (!t.Container()) return;
  for (TLTTableCellData* cell : back) {
    cell->SetParent(t.Container(), &t);
    cell->AttachItemsToDocument();
  }
}
std::unique_ptr<TLTUndoTableOp> TLTUndoDeleteCols::Flipped() { return Flip(*this); }

void TLTUndoCellsClear::Perform(TLTTableItemInfo& t, bool /*forward*/) {
  // The same exchange both ways: what stands in the slots now is kept.
  for (size_t i = 0; i < Cells.size() && i < RowList.size(); ++i) {
    std::unique_ptr<TLTTableCellData>& slot = SlotOf(t, RowList[i], ColList[i]);
    if (slot) CellLeaving(*slot);
    std::swap(slot, Cells[i]);
    if (slot && t.Container()) {
      slot->SetParent(t.Container(), &t);
      slot->AttachItemsToDocument();
    }
    if (t.ChosenRow == RowList[i] && t.ChosenCol == ColList[i]) t.ChosenRow = t.ChosenCol = -1;
  }
}
std::unique_ptr<TLTUndoTableOp> TLTUndoCellsClear::Flipped() { return Flip(*this); }

void TLTUndoMerge::Perform(TLTTableItemInfo& t, bool forward) {
  TLTTableCellData& main = CellOf(t, Row, Col);
  if (!forward) {
    // The cells go back, the last merged first, each with its items as
    // they were: flags and paragraph styles untouched. A cell is filled
    // apart from the document and joins its numbering once it is back in
    // its slot, where the markers before it are the right ones.
    for (auto it = Items.rbegin(); it != Items.rend(); ++it) {
      TLTTableCellData& cell = *it->Cell;
      cell.SetParent(nullptr, nullptr);
      if (it->ItemCount > 0) {
        std::vector<std::unique_ptr<TCustomLTItemInfo>> items =
            main.ExtractItems(main.ItemCount() - it->ItemCount, it->ItemCount);
        for (auto& item : items) {
          TLTRawByteString text = std::move(item->Text);
          cell.InsertItemAt(cell.ItemCount(), std::move(text), std::move(item));
        }
      }
      std::unique_ptr<TLTTableCellData>& slot = SlotOf(t, it->Row, it->Col);
      slot = std::move(it->Cell);
      if (t.Container()) slot->SetParent(t.Container(), &t);
      slot->AttachItemsToDocument();
    }
    Items.clear();
    main.RowsSpanned = OldRows;
    main.ColumnsSpanned = OldCols;
    main.BestWidth = OldBestWidth;
    return;
  }
  OldRows = main.RowsSpanned;
  OldCols = main.ColumnsSpanned;
  OldBestWidth = main.BestWidth;
  if (RecomputeWidth) {
    // Per row the cells' widths add up, percents apart; over the rows a
    // percent wins over pixels, the larger of each kind wins.
    int64_t best = 0;
    for (int r = Row; r < Row + NewRows; ++r) {
      int64_t pixels = 0, percents = 0;
      for (int c = Col; c < Col + NewCols; ++c)
        if (const TLTTableCellData* cell = t.Cells(r, c)) {
          if (cell->BestWidth < 0)
            percents += cell->BestWidth;
          else
            pixels += cell->BestWidth;
        }
      const int64_t value = percents < 0 ? percents : pixels;
      if (value < 0)
        best = best < 0 ? std::min(best, value) : value;
      else if (best >= 0)
        best = std::max(best, value);
    }
    NewBestWidth = static_cast<int32_t>(std::clamp<int64_t>(best, INT32_MIN, INT32_MAX));
  } else {
    NewBestWidth = main.BestWidth;
  }
  Items.clear();
  for (int r = Row; r < Row + NewRows; ++r)
    for (int c = Col; c < Col + NewCols; ++c) {
      if (r == Row && c == Col) continue;
      std::unique_ptr<TLTTableCellData>& slot = SlotOf(t, r, c);
      if (!slot) continue;
      TLTUndoMergeItem item;
      item.Row = r;
      item.Col = c;
      if (!slot->IsEmpty() && !(slot->ItemCount() == 1 && slot->GetItem(0).IsText() &&
                                slot->GetItem(0).Text.empty() && !slot->GetItem(0).Checkpoint)) {
        item.ItemCount = slot->ItemCount();
        main.AppendFrom(*slot);
      }
      CellLeaving(*slot);
      item.Cell = std::move(slot);
      Items.push_back(std::move(item));
    }
  main.RowsSpanned = NewRows;
  main.ColumnsSpanned = NewCols;
  main.BestWidth = NewBestWidth;
}
std::unique_ptr<TLTUndoTableOp> TLTUndoMerge::Flipped() { return Flip(*this); }

void TLTUndoChangeEmptyCellStyles::Perform(TLTTableItemInfo& t, bool /*forward*/) {
  // An exchange: the styles kept here for the item's.
  TLTTableCellData& cell = CellOf(t, Row, Col);
  if (cell.ItemCount() != 1 || !cell.GetItem(0).IsText()) return;
  TCustomLTItemInfo& item = cell.GetItem(0);
  std::swap(item.StyleNo, Style);
  std::swap(item.ParaNo, Para);
  item.SetFlag(ltifWide, cell.IsUnicodeStyle(item.StyleNo));
}
std::unique_ptr<TLTUndoTableOp> TLTUndoChangeEmptyCellStyles::Flipped() { return Flip(*this); }

void TLTUndoModifyVisibleBorders::Perform(TLTTableItemInfo& t, bool /*forward*/) {
  TLTTableCellData& cell = CellOf(t, Row, Col);
  std::swap(cell.VisibleBorders.Left, Borders.Left);
  std::swap(cell.VisibleBorders.Right, Borders.Right);
  std::swap(cell.VisibleBorders.Top, Borders.Top);
  std::swap(cell.VisibleBorders.Bottom, Borders.Bottom);
}
std::unique_ptr<TLTUndoTableOp> TLTUndoModifyVisibleBorders::Flipped() { return Flip(*this); }

void TLTUndoModifyBackgroundImage::Perform(TLTTableItemInfo& t, bool /*forward*/) {
  std::swap(Row < 0 ? t.BackgroundImage : CellOf(t, Row, Col).BackgroundImage, Image);
}
std::unique_ptr<TLTUndoTableOp> TLTUndoModifyBackgroundImage::Flipped() { return Flip(*this); }

void TLTUndoModifyCellStrProperty::Perform(TLTTableItemInfo& t, bool /*forward*/) {
  TLTTableCellData& cell = CellOf(t, Row, Col);
  const TLTPropInfo* p = cell.ClassInfo().Find(Name);
  if (!p || !p->GetStr || !p->SetStr) return;
  TLTString old = p->GetStr(cell);
  p->SetStr(cell, Value);
  Value = std::move(old);
}
std::unique_ptr<TLTUndoTableOp> TLTUndoModifyCellStrProperty::Flipped() { return Flip(*this); }

}  // namespace lectern
