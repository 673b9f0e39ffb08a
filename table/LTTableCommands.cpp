// The table commands of a window's Table menu and of edit scripts, on the
// table the caret is in.

#include "table/LTTableEdit.h"

namespace lectern {

TLTTableItemInfo* TableAtCaret(TCustomLecternEdit& editor, TLTCellRect& cells) {
  TCustomLecternEdit& in = editor.InnermostEditor();
  if (auto* t = dynamic_cast<TLTTableItemInfo*>(in.NestedEditing()); t && t->GetSelectedCellsRect(cells)) return t;
  if (TCustomLecternEdit* parent = in.ParentEditor())
    if (auto* t = dynamic_cast<TLTTableItemInfo*>(parent->NestedEditing()); t && t->InplaceEditor()) {
      const TLTTableCellData* cell = t->Cells(t->EditedRow(), t->EditedCol());
      cells = {t->EditedRow(), t->EditedCol(), cell ? cell->RowsSpanned : 1, cell ? cell->ColumnsSpanned : 1};
      return t;
    }
  return nullptr;
}

bool RunTableCommand(TCustomLecternEdit& editor, TLTTableCommand command) {
  TLTCellRect r;
  TLTTableItemInfo* table = TableAtCaret(editor, r);
  if (!table) return false;
  TLTTableItemInfo& t = *table;
  switch (command) {
    case TLTTableCommand::InsertRowAbove:
    case TLTTableCommand::InsertRowBelow: {
      // As many rows as the cells meant span, in the look of the row beside.
      const bool below = command == TLTTableCommand::InsertRowBelow;
      t.InsertRows(below ? r.Row + r.Rows : r.Row, r.Rows, below ? r.Row + r.Rows - 1 : r.Row, false);
      return true;
    }
    case TLTTableCommand::InsertColumnLeft:
    case TLTTableCommand::InsertColumnRight: {
      const bool right = command == TLTTableCommand::InsertColumnRight;
      t.InsertCols(right ? r.Col + r.Cols : r.Col, r.Cols, right ? r.Col + r.Cols - 1 : r.Col, false);
      return true;
    }
    case TLTTableCommand::DeleteRows:
      t.DeleteRows(r.Row, r.Rows);
      return true;
    case TLTTableCommand::DeleteColumns:
      t.DeleteCols(r.Col, r.Cols);
      return true;
    case TLTTableCommand::Merge:
      return t.MergeCells(r.Row, r.Col, r.Rows, r.Cols);
    case TLTTableCommand::Split:
      return t.UnmergeCell(r.Row, r.Col);
    case TLTTableCommand::DeleteTable: {
      TCustomLecternEdit* host = t.Editor();
      const int itemNo = host ? host->LTData().FindItemIndex(&t) : -1;
      if (itemNo < 0) return false;
      host->EndNestedEditing();
      host->SetSelectionBounds(itemNo, 0, itemNo, 1);
      host->DeleteSelection();
      return true;
    }
  }
  return false;
}

}  // namespace lectern
