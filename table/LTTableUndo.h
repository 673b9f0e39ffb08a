#pragma once
// The undo records of table operations. Each record is one elementary
// change of the grid, done in a direction; undoing does it in the other
// direction and records the same kind of record with the direction
// flipped, so that redo needs no code of its own. Records own the rows and
// cells they took out of the table until they are freed with their group.

#include "edit/LTUndo.h"
#include "table/LTTable.h"

#include <memory>
#include <vector>

namespace lectern {

/// Base of the grid records: Perform does the change in a direction;
/// Flipped makes the record of the other direction, taking over what this
/// one owns.
class TLTUndoTableOp : public TLTUndoModifyItemProps {
 public:
  TLTUndoTableOp(int itemNo, bool forward, bool affectsWidth)
      : TLTUndoModifyItemProps(TLTPropTarget{itemNo}, true, affectsWidth), Forward(forward) {}
  void Undo(TLTEditLTData& data) override;
  /// Does the change in the record's own direction (the first time).
  virtual void Perform(TLTTableItemInfo& table, bool forward) = 0;
  virtual std::unique_ptr<TLTUndoTableOp> Flipped() = 0;
  bool Forward;
};

/// Rows of new cells inserted (forward) or taken out again.
class TLTUndoInsertTableRows : public TLTUndoTableOp {
 public:
  TLTUndoInsertTableRows(int itemNo, int first, int count, bool forward = true)
      : TLTUndoTableOp(itemNo, forward, false), First(first), Count(count) {}
  void Perform(TLTTableItemInfo& t, bool forward) override;
  std::unique_ptr<TLTUndoTableOp> Flipped() override;
  int First, Count;
};

/// One new cell inserted into a row at a column (forward), or taken out.
class TLTUndoInsertTableCell : public TLTUndoTableOp {
 public:
  TLTUndoInsertTableCell(int itemNo, int row, int col, bool forward = true)
      : TLTUndoTableOp(itemNo, forward, true), Row(row), Col(col) {}
  void Perform(TLTTableItemInfo& t, bool forward) override;
  std::unique_ptr<TLTUndoTableOp> Flipped() override;
  int Row, Col;
};

/// Covered slots inserted in rows Row..Row+Rows-1 at Col (forward), or taken out.
class TLTUndoInsertEmptyCell : public TLTUndoTableOp {
 public:
  TLTUndoInsertEmptyCell(int itemNo, int row, int col, int rows, int cols, bool forward = true)
      : TLTUndoTableOp(itemNo, forward, true), Row(row), Col(col), Rows(rows), Cols(cols) {}
  void Perform(TLTTableItemInfo& t, bool forward) override;
  std::unique_ptr<TLTUndoTableOp> Flipped() override;
  int Row, Col, Rows, Cols;
};

/// A cell's row or column span set (forward: to New, else back to Old).
class TLTUndoSpan : public TLTUndoTableOp {
 public:
  TLTUndoSpan(int itemNo, int row, int col, bool columns, int newSpan, int oldSpan, bool forward = true)
      : TLTUndoTableOp(itemNo, forward, columns), Row(row), Col(col), Columns(columns), New(newSpan), Old(oldSpan) {}
  void Perform(TLTTableItemInfo& t, bool forward) override;
  std::unique_ptr<TLTUndoTableOp> Flipped() override;
  int Row, Col;
  bool Columns;
  int New, Old;
};

/// The new cells of a rectangle freed, their slots left covered (forward),
/// or new empty cells made there again.
class TLTUndoFreeEmptyCell : public TLTUndoTableOp {
 public:
  TLTUndoFreeEmptyCell(int itemNo, int row, int col, int rows, int cols, bool forward = true)
      : TLTUndoTableOp(itemNo, forward, false), Row(row), Col(col), Rows(rows), Cols(cols) {}
  void Perform(TLTTableItemInfo& t, bool forward) override;
  std::unique_ptr<TLTUndoTableOp> Flipped() override;
  int Row, Col, Rows, Cols;
};

/// A cell spread over the empty cells to its right, freeing them
/// (forward), or taken back to one column with new cells beside it.
class TLTUndoSpreadOverEmptyCells : public TLTUndoTableOp {
 public:
  TLTUndoSpreadOverEmptyCells(int itemNo, int row, int col, int span, bool forward = true)
      : TLTUndoTableOp(itemNo, forward, true), Row(row), Col(col), Span(span) {}
  void Perform(TLTTableItemInfo& t, bool forward) override;
  std::unique_ptr<TLTUndoTableOp> Flipped() override;
  int Row, Col, Span;
};

/// A cell split at row At (forward: an empty cell takes the rows from At
/// on), or joined back.
class TLTUndoCellSpitHorz : public TLTUndoTableOp {
 public:
  TLTUndoCellSpitHorz(int itemNo, int row, int col, int at, int32_t oldBest, bool forward = true)
      : TLTUndoTableOp(itemNo, forward, false), Row(row), Col(col), At(at), OldBest(oldBest) {}
  void Perform(TLTTableItemInfo& t, bool forward) override;
  std::unique_ptr<TLTUndoTableOp> Flipped() override;
  int Row, Col, At;
  int32_t OldBest;
};

/// The same with columns.
class TLTUndoCellSpitVert : public TLTUndoTableOp {
 public:
  TLTUndoCellSpitVert(int itemNo, int row, int col, int at, int32_t oldBest, bool forward = true)
      : TLTUndoTableOp(itemNo, forward, true), Row(row), Col(col), At(at), OldBest(oldBest) {}
  void Perform(TLTTableItemInfo& t, bool forward) override;
  std::unique_ptr<TLTUndoTableOp> Flipped() override;
  int Row, Col, At;
  int32_t OldBest;
};

/// Rows taken out (forward, kept here) or put back.
class TLTUndoDeleteRows : public TLTUndoTableOp {
 public:
  TLTUndoDeleteRows(int itemNo, int first, int count, bool forward = true)
      : TLTUndoTableOp(itemNo, forward, false), First(first), Count(count) {}
  void Perform(TLTTableItemInfo& t, bool forward) override;
  std::unique_ptr<TLTUndoTableOp> Flipped() override;
  int First, Count;
  std::vector<std::unique_ptr<TLTTableRow>> Kept;
};

/// Records that keep cells.
class TCustomLTUndoWithCells : public TLTUndoTableOp {
 public:
  using TLTUndoTableOp::TLTUndoTableOp;
  std::vector<std::unique_ptr<TLTTableCellData>> Cells;
};

/// Columns taken out (forward; their slots kept row by row) or put back.
class TLTUndoDeleteCols : public TCustomLTUndoWithCells {
 public:
  TLTUndoDeleteCols(int itemNo, int first, int count, bool forward = true)
      : TCustomLTUndoWithCells(itemNo, forward, true), First(first), Count(count) {}
  void Perform(TLTTableItemInfo& t, bool forward) override;
  std::unique_ptr<TLTUndoTableOp> Flipped() override;
  int First, Count;
};

/// Cells exchanged with the ones kept here: cleared cells for their old
/// selves and back, so that both directions are the same exchange.
class TLTUndoCellsClear : public TCustomLTUndoWithCells {
 public:
  TLTUndoCellsClear(int itemNo, bool forward = true) : TCustomLTUndoWithCells(itemNo, forward, false) {}
  void Perform(TLTTableItemInfo& t, bool forward) override;
  std::unique_ptr<TLTUndoTableOp> Flipped() override;
  std::vector<int> RowList, ColList;
};

/// One cell merged into another: where it stood, the cell, and how many of
/// its items went to the end of the merged cell.
struct TLTUndoMergeItem {
  int Row = 0, Col = 0;
  std::unique_ptr<TLTTableCellData> Cell;
  int ItemCount = 0;
};

/// A rectangle merged into its top-left cell (forward), or split back.
class TLTUndoMerge : public TLTUndoTableOp {
 public:
  TLTUndoMerge(int itemNo, int row, int col, int rows, int cols, bool forward = true)
      : TLTUndoTableOp(itemNo, forward, true), Row(row), Col(col), NewRows(rows), NewCols(cols) {}
  void Perform(TLTTableItemInfo& t, bool forward) override;
  std::unique_ptr<TLTUndoTableOp> Flipped() override;
  int Row, Col, NewRows, NewCols;
  int OldRows = 1, OldCols = 1;
  int32_t OldBestWidth = 0, NewBestWidth = 0;
  bool RecomputeWidth = false;
  std::vector<TLTUndoMergeItem> Items;
};

/// The single empty item of a new cell takes text and paragraph styles
/// (forward), or the ones before.
class TLTUndoChangeEmptyCellStyles : public TLTUndoTableOp {
 public:
  TLTUndoChangeEmptyCellStyles(int itemNo, int row, int col, int32_t style, int32_t para, bool forward = true)
      : TLTUndoTableOp(itemNo, forward, false), Row(row), Col(col), Style(style), Para(para) {}
  void Perform(TLTTableItemInfo& t, bool forward) override;
  std::unique_ptr<TLTUndoTableOp> Flipped() override;
  int Row, Col;
  int32_t Style, Para;
};

/// A cell's visible borders exchanged with the ones kept here.
class TLTUndoModifyVisibleBorders : public TLTUndoTableOp {
 public:
  TLTUndoModifyVisibleBorders(int itemNo, int row, int col, TLTBooleanRect borders, bool forward = true)
      : TLTUndoTableOp(itemNo, forward, false), Row(row), Col(col), Borders(borders) {}
  void Perform(TLTTableItemInfo& t, bool forward) override;
  std::unique_ptr<TLTUndoTableOp> Flipped() override;
  int Row, Col;
  TLTBooleanRect Borders;
};

/// A background picture (of a cell, or of the table with Row -1)
/// exchanged with the one kept here.
class TLTUndoModifyBackgroundImage : public TLTUndoTableOp {
 public:
  TLTUndoModifyBackgroundImage(int itemNo, int row, int col, std::unique_ptr<TGraphic> image, bool forward = true)
      : TLTUndoTableOp(itemNo, forward, false), Row(row), Col(col), Image(std::move(image)) {}
  void Perform(TLTTableItemInfo& t, bool forward) override;
  std::unique_ptr<TLTUndoTableOp> Flipped() override;
  int Row, Col;
  std::unique_ptr<TGraphic> Image;
};

/// A string property of a cell (its hint, its picture's file name)
/// exchanged with the value kept here.
class TLTUndoModifyCellStrProperty : public TLTUndoTableOp {
 public:
  TLTUndoModifyCellStrProperty(int itemNo, int row, int col, std::string name, TLTString value, bool forward = true)
      : TLTUndoTableOp(itemNo, forward, false), Row(row), Col(col), Name(std::move(name)), Value(std::move(value)) {}
  void Perform(TLTTableItemInfo& t, bool forward) override;
  std::unique_ptr<TLTUndoTableOp> Flipped() override;
  int Row, Col;
  std::string Name;
  TLTString Value;
};

/// Published integer properties of a cell set back by name.
class TLTUndoModifyCellIntProperty : public TLTUndoModifyItemIntProperty {
 public:
  using TLTUndoModifyItemIntProperty::TLTUndoModifyItemIntProperty;
};
class TLTUndoModifyCellIntProperties : public TLTUndoModifyItemIntProperties {
 public:
  using TLTUndoModifyItemIntProperties::TLTUndoModifyItemIntProperties;
};

}  // namespace lectern
