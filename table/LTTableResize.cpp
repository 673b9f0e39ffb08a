// Resizing columns and rows with the mouse: the border under the mouse and
// its cursor, whole rows and columns selected by a press beside the table,
// the line a drag shows, and the best widths and heights a drag gives.
//
// Design notes. Lengths of the layout are device pixels; the table's
// properties are screen pixels, so border widths and spacings are scaled to
// the device for finding borders and the dragged sizes scaled back before
// they become best widths. The line a drag shows is overlay state of the
// table, drawn by the editor after everything else and repainted only
// where it was and where it goes.

#include "table/LTTableOpScope.h"
#include "table/LTTableUndo.h"

#include "edit/LTELTData.h"

#include <algorithm>

namespace lectern {

namespace {

/// The smallest distance at which the mouse is on a border line.
constexpr int kMinBorderZone = 2;

/// The border among lines at positions of the edges and between tracks:
/// tracks start at starts[k] with widths sizes[k]; w is the edge zone and
/// f the zone between two tracks.
TLTTableItemInfo::TBorderHit FindBorder(int v, const std::vector<int32_t>& starts, const std::vector<int32_t>& ends,
                                        int total, int w, int f) {
  TLTTableItemInfo::TBorderHit hit;
  const int n = static_cast<int>(starts.size());
  if (n == 0 || v < 0 || v > total) return hit;
  auto on = [&](int line, int zone) { return std::abs(v - line) <= std::max(kMinBorderZone, zone / 2); };
  if (on(w / 2, w)) return {0, 0, w / 2};
  if (on(total - w / 2, w)) return {n, starts[static_cast<size_t>(n - 1)], total - w / 2};
  for (int k = 1; k < n; ++k) {
    const int line = starts[static_cast<size_t>(k)] - f / 2;
    // Between two tracks the line lies in the gap after the one before.
    if (on(line, f) && v >= ends[static_cast<size_t>(k - 1)] - kMinBorderZone)
      return {k, starts[static_cast<size_t>(k - 1)], starts[static_cast<size_t>(k)] - (f + 1) / 2};
  }
  return hit;
}

}  // namespace

int TLTTableItemInfo::Scaled(int v) const {
  const TCustomLecternEdit* e = Editor();
  const int ppi = e ? const_cast<TCustomLecternEdit*>(e)->Window().FormatCanvas().PixelsPerInchX() : 96;
  return static_cast<int>((int64_t{v} * ppi + 48) / 96);
}

int TLTTableItemInfo::Unscaled(int v) const {
  const TCustomLecternEdit* e = Editor();
  const int ppi = e ? const_cast<TCustomLecternEdit*>(e)->Window().FormatCanvas().PixelsPerInchX() : 96;
  return ppi <= 0 ? v : static_cast<int>((int64_t{v} * 96 + ppi / 2) / ppi);
}

TLTTableItemInfo::TBorderHit TLTTableItemInfo::ColumnBorderAt(int x) const {
  const int cols = static_cast<int>(ColumnLefts.size());
  std::vector<int32_t> ends(static_cast<size_t>(cols));
  const int pad = Scaled(2 * CellHPadding);
  for (int c = 0; c < cols; ++c)
    ends[static_cast<size_t>(c)] = ColumnLefts[static_cast<size_t>(c)] + ColumnWidths[static_cast<size_t>(c)] + pad;
  return FindBorder(x, ColumnLefts, ends, TableWidth, Scaled(BorderWidth + BorderHSpacing + CellBorderWidth),
                    Scaled(2 * CellBorderWidth + CellHSpacing));
}

TLTTableItemInfo::TBorderHit TLTTableItemInfo::RowBorderAt(int y) const {
  const int rows = static_cast<int>(RowTops.size());
  std::vector<int32_t> ends(static_cast<size_t>(rows));
  const int pad = Scaled(2 * CellVPadding);
  for (int r = 0; r < rows && r < static_cast<int>(RowContentHeights.size()); ++r)
    ends[static_cast<size_t>(r)] = RowTops[static_cast<size_t>(r)] + RowContentHeights[static_cast<size_t>(r)] + pad;
  return FindBorder(y, RowTops, ends, TableHeight, Scaled(BorderWidth + BorderVSpacing + CellBorderWidth),
                    Scaled(2 * CellBorderWidth + CellVSpacing));
}

TLTCursorId TLTTableItemInfo::CursorAt(int x, int y) const {
  int row = 0, col = 0;
  if (NumRows() == 0 || NumColumns() == 0 || CellAt(x, y, row, col)) return crDefault;
  const TCustomLecternEdit* editor = Editor();
  const bool selecting = editor && editor->AllowSelection();
  const TBorderHit c = ColumnBorderAt(x), r = RowBorderAt(y);
  if (Options.Contains(lttoRowSelect) && selecting && c.Index == 0) return crRowSelect;
  if (editor && Options.Contains(lttoColSizing) && c.Index > 0) return crHSplit;
  if (Options.Contains(lttoColSelect) && selecting && r.Index == 0) return crColumnSelect;
  if (editor && Options.Contains(lttoRowSizing) && r.Index > 0) return crVSplit;
  return crArrow;
}

bool TLTTableItemInfo::BorderMouseDown(TLTMouseButton button, TLTShiftState shift, int x, int y) {
  TCustomLecternEdit* editor = Editor();
  if (!editor || button != TLTMouseButton::Left) return false;
  const bool colSizing = Options.Contains(lttoColSizing), rowSizing = Options.Contains(lttoRowSizing);
  const TBorderHit c = ColumnBorderAt(x);
  const TBorderHit r = RowBorderAt(y);
  auto start = [&](TResizing kind, const TBorderHit& hit, int at) {
    DestroyCellEditor();
    resizing_ = kind;
    resizeIndex_ = hit.Index;
    resizeStart_ = hit.Start;
    resizeOffset_ = hit.Position - at;
    resizePress_ = trackPos_ = at;
    resizeKeep_ = shift.Contains(ssShift);
    Register(*editor);
    editor->Window().InvalidateAll();
    return true;
  };
  if (colSizing && c.Index > 0) return start(TResizing::Column, c, x);
  if (rowSizing && r.Index > 0) return start(TResizing::Row, r, y);
  // Beside the table: a whole column or row.
  auto trackAt = [](int v, const std::vector<int32_t>& starts, const std::vector<int32_t>& sizes, int pad) {
    for (size_t k = 0; k < starts.size() && k < sizes.size(); ++k)
      if (v >= starts[k] && v < starts[k] + sizes[k] + pad) return static_cast<int>(k);
    return -1;
  };
  if (Options.Contains(lttoColSelect) && r.Index == 0) {
    const int col = trackAt(x, ColumnLefts, ColumnWidths, Scaled(2 * CellHPadding));
    if (col >= 0) SelectCols(col, 1);
    return true;
  }
  if (Options.Contains(lttoRowSelect) && c.Index == 0) {
    const int row = trackAt(y, RowTops, RowContentHeights, Scaled(2 * CellVPadding));
    if (row >= 0) SelectRows(row, 1);
    return true;
  }
  return false;
}

TLTPointI TLTTableItemInfo::ClientOrigin() const {
  const auto* owner = dynamic_cast<const TCustomLTFormattedData*>(container_);
  const TCustomLecternEdit* editor = Editor();
  if (!owner || !editor || FirstDrawItem < 0 || FirstDrawItem >= owner->DrawItems.Count()) return {};
  const TLTDrawLineInfo& piece = owner->DrawItems[FirstDrawItem];
  return editor->DocumentToClient({piece.Left, piece.Top});
}

void TLTTableItemInfo::PaintOverlay(TLTCanvas& canvas, TLTPointI offset) const {
  const TCustomLecternEdit* editor = Editor();
  if (resizing_ == TResizing::None || !editor) return;
  const TLTPointI o = ClientOrigin();
  const TLTSizeI client = const_cast<TCustomLecternEdit*>(editor)->Window().ClientSize();
  TLTCanvasSaver keep(canvas);
  canvas.SetPen({clWindowText, 1, psDot});
  if (resizing_ == TResizing::Column) {
    const int x = offset.X + o.X + std::max(trackPos_, resizeStart_);
    canvas.Line(x, offset.Y, x, offset.Y + client.Height);
  } else {
    const int y = offset.Y + o.Y + std::max(trackPos_, resizeStart_);
    canvas.Line(offset.X, y, offset.X + client.Width, y);
  }
}

void TLTTableItemInfo::TrackResize(int x, int y, bool finish) {
  TCustomLecternEdit* editor = Editor();
  if (!editor) return;
  const TLTPointI d = editor->ClientToDocument({x, y});
  const TLTPointI o = ClientOrigin();
  const TLTPointI doc = editor->ClientToDocument(o);
  const int at = resizing_ == TResizing::Column ? d.X - doc.X : d.Y - doc.Y;
  editor->Window().InvalidateAll();
  if (!finish) {
    trackPos_ = at;
    return;
  }
  const TResizing kind = resizing_;
  resizing_ = TResizing::None;
  const int index = resizeIndex_ - 1;
  const int size = at + resizeOffset_ - resizeStart_;
  if (at != resizePress_ && editor->BeforeChange()) {
    if (kind == TResizing::Column)
      ResizeColumn(index, Unscaled(size), resizeKeep_);
    else
      ResizeRow(index, Unscaled(size));
  }
  if (stored_.Stored)
    ReopenCellEditor();
  else if (!multiCell_ && !InplaceEditor())
    Unregister();
}

void TLTTableItemInfo::SetCellIntRaw(int row, int col, std::string_view name, int64_t value) {
  TLTTableCellData* cell = Cells(row, col);
  const TLTPropInfo* p = cell ? cell->ClassInfo().Find(name) : nullptr;
  if (!p || !p->GetOrd || !p->SetOrd) return;
  value = std::clamp(value, p->MinValue, p->MaxValue);
  const int64_t old = p->GetOrd(*cell);
  if (old == value) return;
  const int itemNo = OwnIndex(-1);
  if (TCustomLecternEdit* editor = Editor(); editor && itemNo >= 0)
    editor->EditData().Record(
        std::make_unique<TLTUndoModifyCellIntProperty>(TLTPropTarget{itemNo, row, col}, std::string(name), old));
  p->SetOrd(*cell, value);
  LayoutInvalid = true;
}

void TLTTableItemInfo::ResizeRow(int row, int height) {
  if (row < 0 || row >= NumRows()) return;
  {
    TOperationScope scope(*this);
    const bool last = row == NumRows() - 1;
    const int content = height - 2 * CellVPadding -
                        (last ? (BorderWidth + BorderVSpacing + CellBorderWidth + 1) / 2
                              : CellVSpacing / 2 + CellBorderWidth);
    bool any = false;
    for (int c = 0; c < NumColumns(); ++c)
      if (const TLTTableCellData* cell = Cells(row, c); cell && cell->RowsSpanned == 1) {
        SetCellIntRaw(row, c, "BestHeight", std::max(0, content));
        any = true;
      }
    // Cells that end in this row, coming from above.
    for (int c = 0; c < NumColumns();) {
      int mr = 0, mc = 0;
      const TLTTableCellData* cell = GetMainCell(row, c, mr, mc);
      if (!cell) {
        ++c;
        continue;
      }
      if (mr < row && mr + cell->RowsSpanned - 1 == row) {
        const int top = RowTops[static_cast<size_t>(mr)] - RowTops[static_cast<size_t>(row)];
        SetCellIntRaw(mr, mc, "BestHeight", any ? 0 : std::max(0, content - Unscaled(top)));
      }
      c = mc + cell->ColumnsSpanned;
    }
  }
  if (TCustomLecternEdit* editor = Editor(); editor && editor->RootEditor().OnItemResize)
    editor->RootEditor().OnItemResize(editor->RootEditor(), *container_, OwnIndex(-1));
}

void TLTTableItemInfo::ResizeColumn(int col, int width, bool keep) {
  const int cols = NumColumns();
  if (col < 0 || col >= cols) return;
  auto percentColumn = [&](int c) {
    for (int r = 0; r < NumRows(); ++r) {
      int mr = 0, mc = 0;
      const TLTTableCellData* cell = GetMainCell(r, c, mr, mc);
      if (cell && mc + cell->ColumnsSpanned - 1 == c && cell->BestWidth < 0) return true;
    }
    return false;
  };
  // The width a column is given as its right border moves, one column.
  auto setColumn = [&](int c, int w) {
    const bool last = c == cols - 1;
    bool any = false;
    const bool percent = percentColumn(c);
    const int64_t fixed = int64_t{cols - 1} * CellHSpacing + 2 * (BorderWidth + BorderHSpacing) +
                          2 * int64_t{cols} * CellBorderWidth;
    const int64_t whole = Unscaled(TableWidth) - fixed;
    // A table with no width beyond its overhead has no percentages to give.
    if (percent && whole <= 0) return;
    auto percentOf = [&](int64_t px) { return std::clamp<int64_t>(-(px * 100 / whole), -100, -1); };
    const int content = percent ? w - (last ? (BorderWidth + BorderHSpacing + CellBorderWidth) / 2
                                            : CellBorderWidth + CellHSpacing / 2)
                                : w - 2 * CellHPadding -
                                      (last ? (BorderWidth + BorderHSpacing + CellBorderWidth + 1) / 2
                                            : CellBorderWidth + CellHSpacing / 2);
    for (int r = 0; r < NumRows(); ++r)
      if (const TLTTableCellData* cell = Cells(r, c); cell && cell->ColumnsSpanned == 1) {
        SetCellIntRaw(r, c, "BestWidth", percent ? percentOf(content) : std::max(1, content));
        any = true;
      }
    const int old = Unscaled(ColumnWidths[static_cast<size_t>(c)]) + 2 * CellHPadding;
    for (int r = 0; r < NumRows();) {
      int mr = 0, mc = 0;
      const TLTTableCellData* cell = GetMainCell(r, c, mr, mc);
      if (!cell) {
        ++r;
        continue;
      }
      if (mc < c && mc + cell->ColumnsSpanned - 1 == c) {
        const int own = Unscaled(cell->Width) + (w - old);
        SetCellIntRaw(mr, mc, "BestWidth",
                      any ? 0
                          : (percent ? percentOf(own) : std::max(1, own - 2 * CellHPadding)));
      }
      r = mr + cell->RowsSpanned;
    }
  };
  {
    TOperationScope scope(*this);
    setColumn(col, width);
    // The next column gives what this one took, so its right border stays:
    // from its new left edge to its old right border line.
    if (!keep && col + 1 < cols && !percentColumn(col + 1)) {
      const int line = Unscaled(ColumnLefts[static_cast<size_t>(col)]) + width;
      const int f = 2 * CellBorderWidth + CellHSpacing, edge = BorderWidth + BorderHSpacing + CellBorderWidth;
      const int right = col + 2 < cols ? Unscaled(ColumnLefts[static_cast<size_t>(col + 2)]) - f / 2
                                       : Unscaled(TableWidth) - edge / 2;
      const int left = line + (CellHSpacing + 1) / 2 + CellBorderWidth;
      setColumn(col + 1, std::max(1, right - left));
    }
  }
  if (TCustomLecternEdit* editor = Editor(); editor && editor->RootEditor().OnItemResize)
    editor->RootEditor().OnItemResize(editor->RootEditor(), *container_, OwnIndex(-1));
}

}  // namespace lectern
