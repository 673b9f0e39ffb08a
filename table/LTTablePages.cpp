// Where a table may end on a page: between rows, or inside rows between
// the lines of their cells, so that no line of a cell is ever cut in two.

#include "table/LTTable.h"

#include <algorithm>

namespace lectern {

namespace {

bool IsLaidOut(const TLTTableItemInfo& t) {
  return t.NumRows() > 0 && t.NumColumns() > 0 && static_cast<int>(t.RowTops.size()) == t.NumRows() &&
         static_cast<int>(t.RowContentHeights.size()) == t.NumRows();
}

/// Whether a cell spanning several rows runs across the border above row r.
bool SpanCrosses(const TLTTableItemInfo& t, int r) {
  for (int row = 0; row < r; ++row)
    for (int c = 0; c < t.NumColumns(); ++c)
      if (const TLTTableCellData* cell = t.Cells(row, c); cell && row + cell->RowsSpanned > r) return true;
  return false;
}

}  // namespace

int TLTTableItemInfo::RowBoundary(int r) const {
  const int top = RowTops[static_cast<size_t>(r)];
  // The lowest bottom of the cells of the row above that end there.
  int bottom = INT32_MIN;
  for (int c = 0; c < NumColumns(); ++c)
    if (const TLTTableCellData* cell = Cells(r - 1, c); cell && cell->RowsSpanned == 1)
      bottom = std::max(bottom, cell->Top + cell->Height);
  if (bottom == INT32_MIN || bottom > top) return top;
  return bottom + (top - bottom + 1) / 2;
}

int TLTTableItemInfo::PageRepeatHeight() const {
  if (!IsLaidOut(*this) || HeadingRowCount <= 0 || HeadingRowCount >= NumRows()) return 0;
  return RowBoundary(HeadingRowCount);
}

int TLTTableItemInfo::LineSafeCut(int y) const {
  // Every move goes up, so the walk ends; a line of one cell moved above may
  // cut a line of another, hence the rounds.
  for (bool moved = true; moved;) {
    moved = false;
    for (int r = 0; r < NumRows(); ++r)
      for (int c = 0; c < NumColumns(); ++c) {
        const TLTTableCellData* cell = Cells(r, c);
        if (!cell || y <= cell->Top || y >= cell->Top + cell->Height) continue;
        const TCustomLTFormattedData& content = CellContent(*cell);
        const int origin = cell->Top + CellVPadding + ContentOffset(*cell);
        for (int k = 0; k < content.DrawItems.Count(); ++k) {
          const TLTDrawLineInfo& p = content.DrawItems[k];
          const int top = origin + p.Top;
          if (top >= y) break;
          if (top + p.Height > y) {
            y = std::min(y, origin + p.LineTop());
            moved = true;
          }
        }
      }
  }
  return y;
}

int TLTTableItemInfo::PageCut(int from, int limit, int height) const {
  if (!IsLaidOut(*this)) return TCustomLTItemInfo::PageCut(from, limit, height);
  const int rows = NumRows();
  for (int r = 1; r < rows; ++r) {
    if (!Rows[r].PageBreakBefore) continue;
    const int b = RowBoundary(r);
    if (b > from && b <= limit) return b;
  }
  if (limit >= height) return height;
  // A page holding nothing but the heading rows is of no use.
  const int floor = std::max(from, PageRepeatHeight());
  for (int r = rows - 1; r >= 1; --r) {
    const int b = RowBoundary(r);
    if (b > limit) continue;
    if (b <= floor) break;
    if (!SpanCrosses(*this, r)) {
      if (!PrintOptions.Contains(lttoRowsSplit)) return b;
      // The row below the border may start here and go on.
      const int cut = LineSafeCut(limit);
      return cut > b ? cut : b;
    }
  }
  if (PrintOptions.Contains(lttoRowsSplit)) {
    const int cut = LineSafeCut(limit);
    if (cut > floor) return cut;
  }
  return from;
}

}  // namespace lectern
