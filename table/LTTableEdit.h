#pragma once
// Editing inside tables: the in-place editor of one cell, the temporary
// editors that apply a change to several cells, and the undo records that
// fold the cells' own histories into the history of the document around
// the table.

#include "edit/LTEdit.h"
#include "table/LTTable.h"

#include <memory>
#include <vector>

namespace lectern {

/// The in-place editor of a table cell: an editor nested in the editor the
/// table lies in, over the cell's content. While it is open the cell's
/// items live in its document; the table lays that document out and paints
/// it in the cell's place, and the outer editor routes keys, the mouse and
/// the caret's drawing to it.
class TLTTableInplaceEdit : public TLecternEdit {
 public:
  TLTTableInplaceEdit(ILTWindow& window, TLTTableItemInfo& table, int row, int col);

  TLTTableItemInfo& Table() const { return table_; }
  int Row() const { return row_; }
  int Col() const { return col_; }
  /// Lays the document out as the table lays its cells out: at the cell's
  /// content width on the table's canvas, the selection kept.
  void LayOutAsCell(TLTCanvas& canvas, int firstJumpNo);
  /// The view state the table paints the document in.
  TLTPaintContext ContentPaintContext() const { return PaintContext(); }

  bool KeyDown(int key, TLTShiftState shift) override;
  /// Tab and Shift+Tab belong to the table, not to the window's focus chain.
  bool WantsKey(int key, TLTShiftState shift) override;
  void MouseDown(TLTMouseButton button, TLTShiftState shift, int x, int y) override;

 protected:
  void ContentChanged() override;
  void CaretGotOut(TLTGetOutDirection direction) override;
  bool ExecuteCommand(TLTCommand command) override;

 private:
  TLTTableItemInfo& table_;
  int row_, col_;
  /// The height and width the table last laid out for the content.
  int laidOutHeight_ = -1, laidOutWidth_ = -1;
};

/// The table the caret of an editor is in: the one whose cell the
/// innermost editor edits, or whose cells are selected there; cells
/// receives the cells meant (the edited cell's span, or the selection).
/// Null when the caret is in no table.
TLTTableItemInfo* TableAtCaret(TCustomLecternEdit& editor, TLTCellRect& cells);

/// The commands of a Table menu.
enum class TLTTableCommand : uint8_t {
  InsertRowAbove,
  InsertRowBelow,
  InsertColumnLeft,
  InsertColumnRight,
  DeleteRows,
  DeleteColumns,
  Merge,
  Split,
  DeleteTable,
};
/// Runs one on the table at the caret, as one undo step; false when the
/// caret is in no table or nothing changed. Structure errors raise
/// ELecternError.
bool RunTableCommand(TCustomLecternEdit& editor, TLTTableCommand command);

/// The edits made in one cell while its editor was open, folded into the
/// outer history when it closed. Undo opens the cell again and takes back
/// the last of them there; the rest stay in the cell editor's history.
class TLTUndoCellModify : public TLTCompositeUndo {
 public:
  TLTUndoCellModify(int itemNo, int row, int col, int caretItem, int caretOffs, bool redo)
      : TLTCompositeUndo(itemNo), Row(row), Col(col), CaretItem(caretItem), CaretOffs(caretOffs), Redo(redo) {}
  void Undo(TLTEditLTData& data) override;
  int Row, Col;
  int CaretItem, CaretOffs;
  /// Folded from the cell editor's redo list (the steps Undo took back).
  bool Redo;
};

/// One change applied to several cells at once: per cell its row, column
/// and how many groups of List are its own, in the order the cells were
/// changed.
class TLTUndoMultiCellsModify : public TLTCompositeUndo {
 public:
  using TLTCompositeUndo::TLTCompositeUndo;
  void Undo(TLTEditLTData& data) override;
  bool RequiresFormat() const override { return true; }
  std::vector<int> Rows, Cols, Counts;
};

}  // namespace lectern
