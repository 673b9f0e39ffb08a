// Editing inside tables: opening and closing the editor of one cell, the
// moves between cells, the multi-cell selection, changes applied to several
// cells, appended rows, and taking back what was done in cells.
//
// Design notes. While a cell is edited its items live in the cell editor's
// document; the table lays that document out and paints it where the cell's
// content would be (CellContent), so that layout, painting and hit testing
// need not know that an editor is open. The cell editor is a nested editor
// without a window of its own (TLTNestedWindow): the editor the table lies
// in routes input down to it, and draws its caret. Work that would free the
// cell editor while its own handler runs (a key leaving the cell, Tab) is
// queued with AfterEvent and runs once the event is over; a closed editor
// is itself freed that way. A cell editor's history is folded into the
// outer history as one composite record when it closes, so that the outer
// history keeps the order in which things were done; undoing that record
// opens the cell again and takes the last step back there, at once.

#include "table/LTTableEdit.h"

#include "style/LTStyle.h"

#include <algorithm>
#include <optional>

namespace lectern {

bool TableTabAppendsRow = true;

struct TLTTableItemInfo::TInplace {
  // The editor goes before the window it lives in.
  std::unique_ptr<TLTNestedWindow> Window;
  std::unique_ptr<TLTTableInplaceEdit> Editor;
};

namespace {

/// What an editor nested in outer takes from it.
void TakeSettings(TCustomLecternEdit& e, TCustomLecternEdit& outer) {
  e.SetStyle(outer.Style());
  e.Context().Options = outer.Context().Options;
  e.Context().LTFOptions = outer.Context().LTFOptions;
  e.Context().DocParameters = outer.Context().DocParameters;
  e.SetBiDiMode(outer.BiDiMode());
  e.Delimiters = outer.Delimiters;
  e.Cursor = outer.Cursor;
  e.EditorOptions = outer.EditorOptions;
  e.EditorOptions.Include(ltoWantTabs);
  e.CustomCaretInterval = outer.CustomCaretInterval;
  e.SetUndoLimit(outer.UndoLimit() == 0 ? 0 : -1);
  e.LeftMargin = e.RightMargin = e.TopMargin = e.BottomMargin = 0;
  e.SetReadOnly(outer.ReadOnly());
}

/// The handlers that change what is typed or shown go to the root editor's,
/// raised with the root editor.
void RouteConversions(TCustomLecternEdit& e, TCustomLecternEdit* root) {
  e.OnStyleConversion = [root](TCustomLecternEdit&, int32_t s, int u, bool t, int32_t& n) {
    if (root->OnStyleConversion) root->OnStyleConversion(*root, s, u, t, n);
  };
  e.OnParaStyleConversion = [root](TCustomLecternEdit&, int32_t s, int u, bool t, int32_t& n) {
    if (root->OnParaStyleConversion) root->OnParaStyleConversion(*root, s, u, t, n);
  };
  e.OnItemTextEdit = [root](TCustomLecternEdit&, const TLTRawByteString& old, TCustomLTData& d, int i, TLTTag& tag,
                            int32_t& s) {
    if (root->OnItemTextEdit) root->OnItemTextEdit(*root, old, d, i, tag, s);
  };
  e.OnTypeAtItemEdge = [root](TCustomLecternEdit&, const TCustomLTData& d, int i, bool& canJoin) {
    if (root->OnTypeAtItemEdge) root->OnTypeAtItemEdge(*root, d, i, canJoin);
  };
}

/// Every event of a cell editor reaches the root editor's handlers; the
/// ones that come from the mouse after the cell editor has finished with it.
void RouteEvents(TCustomLecternEdit& e, TCustomLecternEdit* root) {
  RouteConversions(e, root);
  e.OnCaretMove = [root](TCustomLecternEdit&) {
    if (root->OnCaretMove) root->OnCaretMove(*root);
  };
  e.OnChange = [root](TCustomLecternEdit&) {
    if (root->OnChange) root->OnChange(*root);
  };
  e.OnChanging = [root](TCustomLecternEdit&, bool& can) {
    if (root->OnChanging) root->OnChanging(*root, can);
  };
  e.OnCurTextStyleChanged = [root](TCustomLecternEdit&) {
    if (root->OnCurTextStyleChanged) root->OnCurTextStyleChanged(*root);
  };
  e.OnCurParaStyleChanged = [root](TCustomLecternEdit&) {
    if (root->OnCurParaStyleChanged) root->OnCurParaStyleChanged(*root);
  };
  e.OnRefused = [root](TCustomLecternEdit&) {
    if (root->OnRefused) root->OnRefused(*root);
  };
  e.OnItemResize = [root](TCustomLecternEdit&, TCustomLTData& d, int i) {
    if (root->OnItemResize) root->OnItemResize(*root, d, i);
  };
  e.OnJump = [root](TCustomLectern&, int id) {
    root->AfterEvent([root, id] {
      if (root->OnJump) root->OnJump(*root, id);
    });
  };
  e.OnLTDblClick = [root](TCustomLectern&, const TLTString& word, int style) {
    root->AfterEvent([root, word, style] {
      if (root->OnLTDblClick) root->OnLTDblClick(*root, word, style);
    });
  };
  e.OnLTMouseMove = [root](TCustomLectern&, int id) {
    if (root->OnLTMouseMove) root->OnLTMouseMove(*root, id);
  };
  e.OnSelect = [root](TCustomLectern&) {
    if (root->OnSelect) root->OnSelect(*root);
  };
  e.OnLTRightClick = [root](TCustomLectern&, const TLTString& word, int style, int x, int y) {
    if (root->OnLTRightClick) root->OnLTRightClick(*root, word, style, x, y);
  };
  e.OnContextPopup = [root, &e](TCustomLectern&, int x, int y, bool& handled) {
    const TLTPointI p = e.ToRootClient({x, y});
    if (root->OnContextPopup) root->OnContextPopup(*root, p.X, p.Y, handled);
  };
  e.OnItemHint = [root](TCustomLectern&, TCustomLTData& d, int i, TLTString& hint) {
    if (root->OnItemHint) root->OnItemHint(*root, d, i, hint);
  };
}

/// A cell's content in an editor of its own for the length of one change:
/// the items go back to the cell whatever happens, and the table's layout
/// is asked for again.
class TTemporaryEditor {
 public:
  TTemporaryEditor(TLTTableItemInfo& table, TLTTableCellData& cell, TCustomLecternEdit& outer)
      : table_(table), cell_(cell) {
    TLTTableCellData* c = &cell;
    window_ = std::make_unique<TLTNestedWindow>(
        outer.Window(), [c] { return TLTRectI{0, 0, std::max(1, c->LayoutClientWidth), std::max(1, c->DocumentHeight)}; });
    editor_ = std::make_unique<TLecternEdit>(*window_);
    TakeSettings(*editor_, outer);
    RouteConversions(*editor_, &outer.RootEditor());
    editor_->LTData().MoveItemsFrom(cell);
    editor_->FormatAs({.Force = true, .NoScroll = true});
  }
  ~TTemporaryEditor() {
    cell_.MoveItemsFrom(editor_->LTData());
    editor_.reset();
    table_.LayoutInvalid = true;
  }
  TTemporaryEditor(const TTemporaryEditor&) = delete;
  TTemporaryEditor& operator=(const TTemporaryEditor&) = delete;
  TLecternEdit& Editor() { return *editor_; }

 private:
  TLTTableItemInfo& table_;
  TLTTableCellData& cell_;
  std::unique_ptr<TLTNestedWindow> window_;
  std::unique_ptr<TLecternEdit> editor_;
};

/// The name the outer history shows for steps made in cells: the last one's.
TLTString LastGroupName(const TLTUndoList& list) {
  const TLTUndoInfos* g = list.Last();
  if (!g) return {};
  return g->Caption.empty() ? UndoKindName(g->Kind) : g->Caption;
}

int ArrowKey(TLTGetOutDirection d) {
  switch (d) {
    case ltdLeft:
      return vkLeft;
    case ltdUp:
      return vkUp;
    case ltdRight:
      return vkRight;
    default:
      return vkDown;
  }
}

}  // namespace

// ---- The cell editor ------------------------------------------------------------------------------

TLTTableInplaceEdit::TLTTableInplaceEdit(ILTWindow& window, TLTTableItemInfo& table, int row, int col)
    : TLecternEdit(window), table_(table), row_(row), col_(col) {}

void TLTTableInplaceEdit::LayOutAsCell(TLTCanvas& canvas, int firstJumpNo) {
  FormatAs({.Force = true, .NoScroll = true, .Canvas = &canvas, .FirstJumpNo = firstJumpNo});
  laidOutHeight_ = LTData().DocumentHeight;
  laidOutWidth_ = LTData().DocumentWidth;
}

bool TLTTableInplaceEdit::KeyDown(int key, TLTShiftState shift) {
  // Tab moves between cells (of the innermost table being edited); Ctrl+Tab
  // types a tab.
  if (!NestedEditor() && key == vkTab && !shift.Contains(ssCtrl) && !shift.Contains(ssAlt)) {
    TLTTableItemInfo* table = &table_;
    std::weak_ptr<char> alive = table_.life_;
    const TLTCellMove move = shift.Contains(ssShift) ? ltcmPrevious : ltcmNext;
    const int row = row_, col = col_;
    AfterEvent([table, alive, move, row, col] {
      if (!alive.expired() && table->InplaceEditor() && table->EditedRow() == row && table->EditedCol() == col)
        table->MoveFromCell(move);
    });
    return true;
  }
  return TLecternEdit::KeyDown(key, shift);
}

bool TLTTableInplaceEdit::WantsKey(int key, TLTShiftState shift) {
  if (!NestedEditor() && key == vkTab && !shift.Contains(ssAlt)) return true;
  return TLecternEdit::WantsKey(key, shift);
}

void TLTTableInplaceEdit::MouseDown(TLTMouseButton button, TLTShiftState shift, int x, int y) {
  TLecternEdit::MouseDown(button, shift, x, y);
  // A press that stayed in this cell may go on to select cells.
  if (button == TLTMouseButton::Left && !shift.Contains(ssDouble) && !NestedEditing() &&
      table_.InplaceEditor() == this)
    table_.StartMouseCellSelection();
}

void TLTTableInplaceEdit::ContentChanged() {
  const TLecternLTData& d = LTData();
  if (d.DocumentHeight == laidOutHeight_ && d.DocumentWidth == laidOutWidth_) return;
  // The cell grew or shrank: the table is laid out again once the change
  // is over.
  TLTTableItemInfo* table = &table_;
  std::weak_ptr<char> alive = table_.life_;
  AfterEvent([table, alive] {
    if (!alive.expired()) table->Relayout();
  });
}

void TLTTableInplaceEdit::CaretGotOut(TLTGetOutDirection direction) {
  TLTTableItemInfo* table = &table_;
  std::weak_ptr<char> alive = table_.life_;
  const int row = row_, col = col_;
  auto stillHere = [table, alive, row, col] {
    return !alive.expired() && table->InplaceEditor() && table->EditedRow() == row && table->EditedCol() == col;
  };
  if (!IsExtendingMove()) {
    const auto move = static_cast<TLTCellMove>(direction);
    AfterEvent([table, stillHere, move] {
      if (stillHere()) table->MoveFromCell(move);
    });
    return;
  }
  // Shift at the cell's edge selects this cell and its neighbour.
  if (direction > ltdDown) return;
  const int key = ArrowKey(direction);
  AfterEvent([table, stillHere, row, col, key] {
    if (!stillHere()) return;
    table->StartCellSelection(row, col, true);
    table->PartSelectionKey(key, {ssShift});
  });
}

bool TLTTableInplaceEdit::ExecuteCommand(TLTCommand command) {
  // The keys of Undo and Redo do what the menu does: the root editor's
  // step, which is this cell's own while it has one and the document's
  // (a table operation, a cell left before) when it has none.
  if (command == ltecUndo || command == ltecRedo) {
    TCustomLecternEdit& root = RootEditor();
    if (&root != this) {
      if (command == ltecUndo)
        root.Undo();
      else
        root.Redo();
      return true;
    }
  }
  return TLecternEdit::ExecuteCommand(command);
}

// ---- Opening and closing ----------------------------------------------------------------------------

TLTTableInplaceEdit* TLTTableItemInfo::InplaceEditor() const { return inplace_ ? inplace_->Editor.get() : nullptr; }

TCustomLecternEdit* TLTTableItemInfo::NestedEditor() const { return InplaceEditor(); }

TCustomLTFormattedData& TLTTableItemInfo::CellContent(TLTTableCellData& cell) {
  if (inplace_ && Cells(editRow_, editCol_) == &cell) return inplace_->Editor->LTData();
  return cell;
}

const TCustomLTFormattedData& TLTTableItemInfo::CellContent(const TLTTableCellData& cell) const {
  if (inplace_ && Cells(editRow_, editCol_) == &cell) return inplace_->Editor->LTData();
  return cell;
}

TCustomLecternEdit* TLTTableItemInfo::Editor() const {
  auto* d = dynamic_cast<TLecternLTData*>(container_);
  return d ? dynamic_cast<TCustomLecternEdit*>(&d->Owner()) : nullptr;
}

int TLTTableItemInfo::OwnIndex(int itemNo) const {
  if (itemNo >= 0) return itemNo;
  return container_ ? container_->FindItemIndex(this) : -1;
}

void TLTTableItemInfo::Register(TCustomLecternEdit& editor) {
  if (host_ == &editor && editor.NestedEditing() == this) return;
  Unregister();
  host_ = &editor;
  editor.SetNestedEditing(this);
}

void TLTTableItemInfo::Unregister() {
  if (host_ && host_->NestedEditing() == this) host_->SetNestedEditing(nullptr);
  host_ = nullptr;
}

TLTRectI TLTTableItemInfo::NestedBounds() const {
  const TLTTableCellData* cell = Cells(editRow_, editCol_);
  const auto* owner = dynamic_cast<const TCustomLTFormattedData*>(container_);
  TCustomLecternEdit* editor = Editor();
  if (!cell || !owner || !editor || FirstDrawItem < 0 || FirstDrawItem >= owner->DrawItems.Count()) return {};
  const TLTDrawLineInfo& piece = owner->DrawItems[FirstDrawItem];
  const TLTPointI at = editor->DocumentToClient(
      {piece.Left + cell->Left + CellHPadding, piece.Top + cell->Top + CellVPadding + ContentOffset(*cell)});
  const int height = std::max(1, CellContent(*cell).DocumentHeight);
  return {at.X, at.Y, at.X + std::max(1, cell->LayoutClientWidth), at.Y + height};
}

bool TLTTableItemInfo::EditCell(int itemNo, int row, int col, const TLTEditCellOptions& options) {
  TCustomLecternEdit* editor = Editor();
  itemNo = OwnIndex(itemNo);
  if (!editor || itemNo < 0 || !Options.Contains(lttoEditing) || busy_ > 0) return false;
  // The cell's items move: the word checker keeps away meanwhile.
  TCustomLecternEdit::TEventScope scope(*editor);
  int mr = 0, mc = 0;
  TLTTableCellData* cell = GetMainCell(row, col, mr, mc);
  if (!cell) return false;
  TLTTableInplaceEdit* open = InplaceEditor();
  if (!open || editRow_ != mr || editCol_ != mc) {
    if (!options.SkipEvent && OnCellEditing) {
      bool allow = true;
      OnCellEditing(*this, mr, mc, false, allow);
      if (!allow) return false;
    }
    ++busy_;
    struct TBusy {
      int& n;
      ~TBusy() { --n; }
    } busy{busy_};
    // Another item editing in this editor stops first.
    if (ILTNestedEditing* other = editor->NestedEditing(); other && other != this) other->EndNestedEditing(false);
    CloseEditor(false);
    multiCell_ = false;
    mouseCellSel_ = false;
    selRow_ = selCol_ = -1;
    selRowOffs_ = selColOffs_ = 0;
    // The outer caret stands at the table while a cell is edited.
    if (editor->NestedEditing() != this) editor->SetCaretAt(itemNo, editor->LTData().GetOffsBeforeItem(itemNo), false);

    auto in = std::make_shared<TInplace>();
    TLTTableItemInfo* self = this;
    in->Window = std::make_unique<TLTNestedWindow>(editor->Window(), [self] { return self->NestedBounds(); });
    in->Editor = std::make_unique<TLTTableInplaceEdit>(*in->Window, *this, mr, mc);
    TLTTableInplaceEdit& e = *in->Editor;
    TakeSettings(e, *editor);
    RouteEvents(e, &editor->RootEditor());
    // The editor's document takes the cell's place before the items move,
    // so that they are numbered where they stand in the document.
    inplace_ = std::move(in);
    editRow_ = mr;
    editCol_ = mc;
    e.LTData().SetStandInFor(cell);
    e.LTData().MoveItemsFrom(*cell);
    Register(*editor);
    e.LayOutAsCell(editor->Window().FormatCanvas(), 0);
    if (editor->Window().IsFocused()) e.FocusChanged(true, TLTFocusReason::Other);
    editor->Window().InvalidateAll();
    open = &e;
  }
  ChosenRow = mr;
  ChosenCol = mc;
  const int n = open->LTData().ItemCount();
  if (options.CaretAtEnd && n > 0)
    open->SetCaretAtItemEdge(n - 1, true);
  else if (options.CaretAtStart && n > 0)
    open->SetCaretAtItemEdge(0, false);
  else
    open->EnsureNotEmpty();
  return true;
}

void TLTTableItemInfo::CloseEditor(bool clearing) {
  if (!inplace_) return;
  std::shared_ptr<TInplace> in = inplace_;
  TLTTableInplaceEdit& e = *in->Editor;
  // A table being edited inside this cell closes first.
  e.EndNestedEditing();
  FoldUndo();
  const int row = editRow_, col = editCol_;
  TLTTableCellData* cell = Cells(row, col);
  TCustomLecternEdit* editor = host_ ? host_ : Editor();
  std::optional<TCustomLecternEdit::TEventScope> scope;
  if (editor && !clearing) scope.emplace(*editor);
  // The editor stops drawing and blinking before its items go back.
  e.FocusChanged(false, TLTFocusReason::Other);
  inplace_.reset();
  editRow_ = editCol_ = -1;
  // The items leave the document's numbering from where they stood, and
  // join it again in the cell.
  if (cell)
    cell->MoveItemsFrom(e.LTData());
  else
    e.LTData().Clear();
  e.LTData().SetStandInFor(nullptr);
  if (!multiCell_) Unregister();
  LayoutInvalid = true;
  if (!clearing) Relayout();
  if (OnCellEndEdit) OnCellEndEdit(*this, row, col, clearing);
  // The editor may be in the middle of its own handler: it goes once the
  // event is over.
  if (!clearing && editor && editor->IsInEvent()) editor->AfterEvent([in] {});
}

void TLTTableItemInfo::FoldUndo() {
  TLTTableInplaceEdit* e = InplaceEditor();
  TCustomLecternEdit* outer = host_ ? host_ : Editor();
  if (!e || !outer) return;
  const int itemNo = OwnIndex(-1);
  TLTEditLTData& inner = e->EditData();
  TLTEditLTData& od = outer->EditData();
  for (const bool redo : {false, true}) {
    TLTUndoList& from = redo ? static_cast<TLTUndoList&>(inner.RedoList()) : inner.UndoList();
    TLTUndoList& to = redo ? static_cast<TLTUndoList&>(od.RedoList()) : od.UndoList();
    from.DropEmptyLast();
    if (from.Empty()) continue;
    if (to.Limit == 0 || itemNo < 0) {
      from.Clear();
      continue;
    }
    auto record = std::make_unique<TLTUndoCellModify>(itemNo, editRow_, editCol_, e->CurrentItemNo(),
                                                      e->CurrentItemOffset(), redo);
    const TLTString caption = LastGroupName(from);
    record->List.Limit = from.Limit;
    record->List.TakeGroupsFrom(from);
    to.AppendGroup(ltukItemChange, itemNo, 0, caption);
    to.Add(std::move(record));
  }
}

void TLTTableItemInfo::FoldNestedUndo() { FoldUndo(); }

void TLTTableItemInfo::StoreEditorState() {
  TLTTableInplaceEdit* e = InplaceEditor();
  if (!e) return;
  stored_.Stored = true;
  stored_.Row = editRow_;
  stored_.Col = editCol_;
  stored_.Selection = e->SelectionRange(false);
  if (stored_.Selection.FirstItem < 0) {
    const int item = e->CurrentItemNo(), offs = e->CurrentItemOffset();
    stored_.Selection = {item, offs, item, offs};
  }
}

void TLTTableItemInfo::DestroyCellEditor() {
  if (!inplace_) return;
  if (mouseCellSel_) throw ELecternError("Cannot destroy cell inplace editor at this time");
  StoreEditorState();
  CloseEditor(false);
}

void TLTTableItemInfo::ReopenCellEditor() {
  if (!stored_.Stored) return;
  const TStoredEditor s = stored_;
  stored_.Stored = false;
  if (!EditCell(-1, s.Row, s.Col, {.SkipEvent = true})) return;
  TLTTableInplaceEdit* e = InplaceEditor();
  if (e && s.Selection.FirstItem >= 0)
    e->SetSelectionBounds(s.Selection.FirstItem, s.Selection.FirstOffs, s.Selection.LastItem, s.Selection.LastOffs);
}

void TLTTableItemInfo::EndNestedEditing(bool clearing) {
  CloseEditor(clearing);
  const bool repaint = multiCell_ && !clearing;
  multiCell_ = mouseCellSel_ = false;
  selRow_ = selCol_ = -1;
  selRowOffs_ = selColOffs_ = 0;
  stored_.Stored = false;
  TCustomLecternEdit* editor = host_;
  Unregister();
  if (repaint && editor) editor->Window().InvalidateAll();
}

void TLTTableItemInfo::Relayout() {
  TCustomLecternEdit* editor = Editor();
  const int itemNo = OwnIndex(-1);
  LayoutInvalid = true;
  if (editor && itemNo >= 0) editor->RelayoutItems(itemNo, itemNo);
}

// ---- Moving between cells ---------------------------------------------------------------------------

bool TLTTableItemInfo::StepCell(int& row, int& col, bool forward) const {
  const int cols = NumColumns(), total = NumRows() * cols;
  for (int index = row * cols + col + (forward ? 1 : -1); index >= 0 && index < total; index += forward ? 1 : -1)
    if (Cells(index / cols, index % cols)) {
      row = index / cols;
      col = index % cols;
      return true;
    }
  return false;
}

bool TLTTableItemInfo::TakeCaret(TLTCaretEntry from, int x) {
  if (!Editor() || !Options.Contains(lttoEditing) || NumRows() == 0 || NumColumns() == 0) return false;
  int row = 0, col = 0;
  switch (from) {
    case ltceFromBefore:
      return EditCell(-1, 0, 0, {.CaretAtStart = true});
    case ltceFromAfter:
      row = NumRows() - 1;
      col = NumColumns();
      StepCell(row, col, false);
      return EditCell(-1, row, col, {.CaretAtEnd = true});
    case ltceFromAbove:
    case ltceFromBelow:
      for (int c = 0; c < NumColumns() && c < static_cast<int>(ColumnLefts.size()); ++c)
        if (ColumnLefts[static_cast<size_t>(c)] <= x) col = c;
      row = from == ltceFromAbove ? 0 : NumRows() - 1;
      return EditCell(-1, row, col, {.CaretAtEnd = from == ltceFromBelow, .CaretAtStart = from == ltceFromAbove});
  }
  return false;
}

void TLTTableItemInfo::MoveFromCell(TLTCellMove move) {
  TCustomLecternEdit* editor = Editor();
  TLTTableCellData* cell = Cells(editRow_, editCol_);
  const int itemNo = OwnIndex(-1);
  if (!editor || !cell || itemNo < 0) return;
  const int row = editRow_, col = editCol_;
  // Out of the table: the caret stands before or after it in the document.
  auto leave = [&](bool after) {
    EndNestedEditing(false);
    editor->SetCaretAtItemEdge(itemNo, after);
  };
  int r = row, c = col, mr = 0, mc = 0;
  switch (move) {
    case ltcmTop:
    case ltcmBottom:
      EndNestedEditing(false);
      editor->MoveCaret(move == ltcmTop ? ltecDocStart : ltecDocEnd);
      return;
    case ltcmLeft:
      if (col > 0 && GetMainCell(row, col - 1, mr, mc)) {
        EditCell(itemNo, mr, mc, {.CaretAtEnd = true});
      } else if (StepCell(r, c, false)) {
        EditCell(itemNo, r, c, {.CaretAtEnd = true});
      } else {
        leave(false);
      }
      return;
    case ltcmUp:
      if (row > 0 && GetMainCell(row - 1, col, mr, mc))
        EditCell(itemNo, mr, mc, {.CaretAtEnd = true});
      else
        leave(false);
      return;
    case ltcmRight: {
      const int next = col + cell->ColumnsSpanned;
      if (next < NumColumns() && GetMainCell(row, next, mr, mc))
        EditCell(itemNo, mr, mc, {.CaretAtStart = true});
      else if (row + cell->RowsSpanned < NumRows() && StepCell(r, c, true))
        EditCell(itemNo, r, c, {.CaretAtStart = true});
      else
        leave(true);
      return;
    }
    case ltcmDown: {
      const int next = row + cell->RowsSpanned;
      if (next < NumRows() && GetMainCell(next, col, mr, mc))
        EditCell(itemNo, mr, mc, {.CaretAtStart = true});
      else
        leave(true);
      return;
    }
    case ltcmNext:
      if (StepCell(r, c, true)) {
        EditCell(itemNo, r, c, {.CaretAtStart = true});
      } else if (TableTabAppendsRow && editor->CanChange()) {
        const int rows = NumRows();
        if (AppendRowsEd(1)) EditCell(itemNo, rows, 0, {.CaretAtStart = true});
      } else {
        editor->Refuse();
      }
      return;
    case ltcmPrevious:
      if (StepCell(r, c, false))
        EditCell(itemNo, r, c, {.CaretAtEnd = true});
      else
        editor->Refuse();
      return;
  }
}

// ---- The mouse --------------------------------------------------------------------------------------

bool TLTTableItemInfo::EditorMouseDown(TLTMouseButton button, TLTShiftState shift, int x, int y) {
  if (NumRows() == 0 || NumColumns() == 0 || busy_ > 0 || button == TLTMouseButton::Middle || !Editor()) return false;
  int row = 0, col = 0;
  if (!CellAt(x, y, row, col)) return BorderMouseDown(button, shift, x, y);
  if (!Options.Contains(lttoEditing)) return false;
  // A right click keeps a selection of cells it falls in.
  if (button == TLTMouseButton::Right && multiCell_ && IsCellSelected(row, col)) return true;
  if (!(InplaceEditor() && editRow_ == row && editCol_ == col))
    EditCell(-1, row, col,
             {.FromMouse = button == TLTMouseButton::Left, .CtrlJumpMode = KeyModifiers(shift) == TLTShiftState{ssCtrl}});
  // Refused or not, the press was the table's.
  return true;
}

void TLTTableItemInfo::StartMouseCellSelection() {
  TCustomLecternEdit* editor = Editor();
  if (!editor || !editor->AllowSelection() || Options.Contains(lttoNoCellSelect) || !InplaceEditor()) return;
  mouseCellSel_ = true;
  selRow_ = editRow_;
  selCol_ = editCol_;
  selRowOffs_ = selColOffs_ = 0;
}

void TLTTableItemInfo::TrackMouseMove(TLTShiftState /*shift*/, int x, int y) {
  if (resizing_ != TResizing::None) {
    TrackResize(x, y, false);
    return;
  }
  TCustomLecternEdit* editor = Editor();
  const auto* owner = dynamic_cast<const TCustomLTFormattedData*>(container_);
  if (!mouseCellSel_ || !editor || !owner || FirstDrawItem < 0 || FirstDrawItem >= owner->DrawItems.Count()) return;
  const TLTDrawLineInfo& piece = owner->DrawItems[FirstDrawItem];
  const TLTPointI d = editor->ClientToDocument({x, y});
  int row = 0, col = 0;
  if (!CellAt(d.X - piece.Left, d.Y - piece.Top, row, col)) return;
  const int dr = row - selRow_, dc = col - selCol_;
  if (dr == 0 && dc == 0) {
    // Back in the cell it started from: the editor comes back as it was.
    if (multiCell_) {
      multiCell_ = false;
      selRowOffs_ = selColOffs_ = 0;
      editor->Window().InvalidateAll();
      if (stored_.Stored) ReopenCellEditor();
    }
    return;
  }
  if (multiCell_ && dr == selRowOffs_ && dc == selColOffs_) return;
  if (InplaceEditor()) {
    StoreEditorState();
    const bool keep = mouseCellSel_;
    CloseEditor(false);
    mouseCellSel_ = keep;
  }
  selRowOffs_ = dr;
  selColOffs_ = dc;
  multiCell_ = true;
  Register(*editor);
  editor->Window().InvalidateAll();
}

void TLTTableItemInfo::TrackMouseUp(TLTMouseButton /*button*/, TLTShiftState /*shift*/, int x, int y) {
  if (resizing_ != TResizing::None) {
    TrackResize(x, y, true);
    return;
  }
  mouseCellSel_ = false;
  stored_.Stored = false;
  if (!multiCell_ && !InplaceEditor()) Unregister();
}

// ---- The multi-cell selection ----------------------------------------------------------------------

void TLTTableItemInfo::StartCellSelection(int row, int col, bool fromKeyboard) {
  TCustomLecternEdit* editor = Editor();
  if (!editor || !editor->AllowSelection() || Options.Contains(lttoNoCellSelect)) return;
  if (InplaceEditor()) {
    StoreEditorState();
    CloseEditor(false);
  }
  selRow_ = row;
  selCol_ = col;
  selRowOffs_ = selColOffs_ = 0;
  mouseCellSel_ = !fromKeyboard;
  Register(*editor);
}

void TLTTableItemInfo::SelectCells(int startRow, int startCol, int colOffs, int rowOffs) {
  TCustomLecternEdit* editor = Editor();
  if (!editor || !editor->AllowSelection() || NumRows() == 0) return;
  CheckIndex(startRow, startCol);
  CheckIndex(startRow + rowOffs, startCol + colOffs);
  CloseEditor(false);
  selRow_ = startRow;
  selCol_ = startCol;
  selRowOffs_ = rowOffs;
  selColOffs_ = colOffs;
  multiCell_ = true;
  const int itemNo = OwnIndex(-1);
  if (editor->NestedEditing() != this && itemNo >= 0) {
    if (ILTNestedEditing* other = editor->NestedEditing()) other->EndNestedEditing(false);
    editor->SetCaretAt(itemNo, editor->LTData().GetOffsBeforeItem(itemNo), false);
  }
  Register(*editor);
  editor->Window().InvalidateAll();
  if (editor->OnSelect) editor->OnSelect(*editor);
}

void TLTTableItemInfo::SelectRows(int first, int count) {
  if (count > 0) SelectCells(first, 0, NumColumns() - 1, count - 1);
}

void TLTTableItemInfo::SelectCols(int first, int count) {
  if (count > 0) SelectCells(0, first, count - 1, NumRows() - 1);
}

void TLTTableItemInfo::DeselectCells() {
  TCustomLecternEdit* editor = host_;
  EndNestedEditing(false);
  if (editor) editor->Window().InvalidateAll();
}

bool TLTTableItemInfo::GetSelectedCellsRect(TLTCellRect& rect) const {
  if (!multiCell_) return false;
  const int r1 = std::min(selRow_, selRow_ + selRowOffs_), r2 = std::max(selRow_, selRow_ + selRowOffs_);
  const int c1 = std::min(selCol_, selCol_ + selColOffs_), c2 = std::max(selCol_, selCol_ + selColOffs_);
  rect = {r1, c1, r2 - r1 + 1, c2 - c1 + 1};
  return true;
}

bool TLTTableItemInfo::IsCellSelected(int row, int col) const {
  TLTCellRect s;
  const TLTTableCellData* cell = Cells(row, col);
  if (!cell || !GetSelectedCellsRect(s)) return false;
  return row < s.Row + s.Rows && row + cell->RowsSpanned > s.Row && col < s.Col + s.Cols &&
         col + cell->ColumnsSpanned > s.Col;
}

std::vector<std::pair<int, int>> TLTTableItemInfo::SelectedMainCells() const {
  std::vector<std::pair<int, int>> out;
  for (int r = 0; r < NumRows(); ++r)
    for (int c = 0; c < NumColumns(); ++c)
      if (IsCellSelected(r, c)) out.emplace_back(r, c);
  return out;
}

bool TLTTableItemInfo::PartSelectionKey(int key, TLTShiftState /*shift*/) {
  TCustomLecternEdit* editor = Editor();
  if (!editor || selRow_ < 0) return false;
  int dr = selRowOffs_, dc = selColOffs_;
  switch (key) {
    case vkLeft:
      --dc;
      break;
    case vkRight:
      ++dc;
      break;
    case vkUp:
      --dr;
      break;
    case vkDown:
      ++dr;
      break;
    default:
      return false;
  }
  // Never beyond the first or last row or column.
  dr = std::clamp(dr, -selRow_, NumRows() - 1 - selRow_);
  dc = std::clamp(dc, -selCol_, NumColumns() - 1 - selCol_);
  selRowOffs_ = dr;
  selColOffs_ = dc;
  editor->Window().InvalidateAll();
  if (dr != 0 || dc != 0) {
    multiCell_ = true;
    Register(*editor);
    return true;
  }
  // Back to one cell: its editor comes back where it was.
  multiCell_ = false;
  if (stored_.Stored)
    ReopenCellEditor();
  else
    EditCell(-1, selRow_, selCol_, {.CaretAtStart = true});
  return true;
}

// ---- Changes in several cells ------------------------------------------------------------------------

bool TLTTableItemInfo::ApplyToSelectedParts(const std::function<void(TCustomLecternEdit&)>& change) {
  TCustomLecternEdit* editor = Editor();
  const int itemNo = OwnIndex(-1);
  if (!editor || !multiCell_ || itemNo < 0 || !editor->BeforeChange()) return false;
  auto record = std::make_unique<TLTUndoMultiCellsModify>(itemNo);
  bool changed = false;
  TLTString caption;
  for (const auto& [r, c] : SelectedMainCells()) {
    if (OnCellEditing) {
      bool allow = true;
      OnCellEditing(*this, r, c, true, allow);
      if (!allow) continue;
    }
    TTemporaryEditor temp(*this, *Cells(r, c), *editor);
    TLecternEdit& e = temp.Editor();
    e.SelectAll();
    change(e);
    changed = changed || e.Modified;
    TLTUndoList& u = e.EditData().UndoList();
    u.DropEmptyLast();
    if (u.Empty()) continue;
    if (caption.empty()) caption = LastGroupName(u);
    record->Rows.push_back(r);
    record->Cols.push_back(c);
    record->Counts.push_back(u.Count());
    record->List.TakeGroupsFrom(u);
  }
  if (!changed) {
    Relayout();
    return false;
  }
  editor->BeginOwnUndoGroup(ltukItemChange, caption);
  if (!record->Counts.empty()) editor->EditData().Record(std::move(record));
  Relayout();
  editor->MarkChanged(true);
  return true;
}

bool TLTTableItemInfo::ClearSelectedParts() {
  return ApplyToSelectedParts([](TCustomLecternEdit& e) { e.DeleteSelection(); });
}

void TLTTableItemInfo::UndoMultiCells(TLTUndoMultiCellsModify& record, TLTEditLTData& outer) {
  TCustomLecternEdit* editor = Editor();
  if (!editor) return;
  auto inverse = std::make_unique<TLTUndoMultiCellsModify>(record.ItemNo);
  // The cells in the opposite order, each with its own steps.
  for (size_t i = record.Counts.size(); i-- > 0;) {
    TLTTableCellData* cell = Cells(record.Rows[i], record.Cols[i]);
    if (!cell) {
      // The cell went with a change of the grid: its steps go too.
      TLTUndoList gone;
      gone.TakeGroupsFrom(record.List, record.Counts[i]);
      continue;
    }
    TTemporaryEditor temp(*this, *cell, *editor);
    TLecternEdit& e = temp.Editor();
    e.EditData().UndoList().TakeGroupsFrom(record.List, record.Counts[i]);
    for (int k = 0; k < record.Counts[i]; ++k) e.Undo();
    TLTUndoList& redo = e.EditData().RedoList();
    redo.DropEmptyLast();
    if (redo.Empty()) continue;
    inverse->Rows.push_back(record.Rows[i]);
    inverse->Cols.push_back(record.Cols[i]);
    inverse->Counts.push_back(redo.Count());
    inverse->List.TakeGroupsFrom(redo);
  }
  record.Counts.clear();
  LayoutInvalid = true;
  if (!inverse->Counts.empty()) outer.Record(std::move(inverse));
}

void TLTTableItemInfo::UndoCellModify(TLTUndoCellModify& record) {
  if (!(InplaceEditor() && editRow_ == record.Row && editCol_ == record.Col) &&
      !EditCell(record.ItemNo, record.Row, record.Col, {.SkipEvent = true}))
    return;
  TLTTableInplaceEdit& e = *InplaceEditor();
  TLTUndoList& list = record.Redo ? static_cast<TLTUndoList&>(e.EditData().RedoList()) : e.EditData().UndoList();
  list.TakeGroupsFrom(record.List);
  if (record.CaretItem >= 0) e.SetCaretAt(record.CaretItem, record.CaretOffs, false);
  if (record.Redo)
    e.Redo();
  else
    e.Undo();
}

// ---- Rows: taken out, put back, appended by Tab ----------------------------------------------------------------------------

std::vector<std::unique_ptr<TLTTableRow>> TLTTableItemInfo::TakeRows(int index, int count) {
  std::vector<std::unique_ptr<TLTTableRow>> out;
  index = std::clamp(index, 0, NumRows());
  count = std::clamp(count, 0, NumRows() - index);
  for (int r = index; r < index + count; ++r)
    for (const auto& cell : Rows[r].Cells)
      if (cell)
        for (int i = 0; i < cell->ItemCount(); ++i) cell->GetItem(i).Removing(*cell);
  auto first = Rows.Items.begin() + index;
  out.assign(std::make_move_iterator(first), std::make_move_iterator(first + count));
  Rows.Items.erase(first, first + count);
  LayoutInvalid = true;
  return out;
}

void TLTTableItemInfo::PutRows(int index, std::vector<std::unique_ptr<TLTTableRow>> rows) {
  index = std::clamp(index, 0, NumRows());
  // The rows are back before their cells join the numbering: a cell finds
  // the marker before it in the grid it is part of.
  std::vector<TLTTableRow*> back;
  for (auto& row : rows) {
    back.push_back(row.get());
    Rows.Items.insert(Rows.Items.begin() + index++, std::move(row));
  }
  for (TLTTableRow* row : back)
    for (const auto& cell : row->Cells)
      if (cell) {
        if (container_) cell->SetParent(container_, this);
        cell->AttachItemsToDocument();
      }
  LayoutInvalid = true;
}

bool TLTTableItemInfo::AppendRowsEd(int count) {
  TCustomLecternEdit* editor = Editor();
  const int itemNo = OwnIndex(-1);
  if (!editor || itemNo < 0 || count <= 0 || NumColumns() == 0) return false;
  // The cell's steps come before the new rows in the history.
  CloseEditor(false);
  if (!editor->BeforeChange()) return false;
  InsertRows(NumRows(), count, NumRows() - 1, false);
  return true;
}

// ---- Undo records -----------------------------------------------------------------------------------

namespace {

TLTTableItemInfo* TableAt(TLTEditLTData& data, int itemNo) {
  if (itemNo < 0 || itemNo >= data.ItemCount()) return nullptr;
  return dynamic_cast<TLTTableItemInfo*>(&data.GetItem(itemNo));
}

}  // namespace

void TLTUndoCellModify::Undo(TLTEditLTData& data) {
  if (TLTTableItemInfo* table = TableAt(data, ItemNo)) table->UndoCellModify(*this);
  // Whatever could not be taken back goes: the record is spent.
  List.Clear();
}

void TLTUndoMultiCellsModify::Undo(TLTEditLTData& data) {
  if (TLTTableItemInfo* table = TableAt(data, ItemNo)) table->UndoMultiCells(*this, data);
  List.Clear();
}

}  // namespace lectern
