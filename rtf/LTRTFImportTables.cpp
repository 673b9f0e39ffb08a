// RTF import: tables. The cells of a row are read into scratch
// containers; when the table ends, the column boundaries of all its rows
// (\trleft and \cellx, two that differ by at most one twip being one) give
// the grid, the cells take their contents and properties, and merged cells
// are joined with the table operations.

#include "rtf/LTRTFImportRun.h"

#include "table/LTTable.h"

#include <cmath>

namespace lectern {

namespace {

/// A table gets at most this many columns; more boundaries are merged.
constexpr int kMaxColumns = 256;

/// The boundaries of a grid: sorted positions, neighbours within
/// `tolerance` twips being one.
std::vector<int32_t> Cluster(std::vector<int32_t> positions, int32_t tolerance) {
  std::sort(positions.begin(), positions.end());
  std::vector<int32_t> out;
  for (int32_t v : positions)
    if (out.empty() || v - out.back() > tolerance) out.push_back(v);
  return out;
}

int ColumnOf(const std::vector<int32_t>& b, int32_t v) {
  auto it = std::lower_bound(b.begin(), b.end(), v);
  if (it == b.end()) return static_cast<int>(b.size()) - 1;
  if (it != b.begin() && (*it - v) > (v - *(it - 1))) --it;
  return static_cast<int>(it - b.begin());
}

}  // namespace

std::unique_ptr<TCustomLTData> TLTRTFImportRun::NewScratch() const {
  auto d = std::make_unique<TCustomLTData>();
  d->SetContext(Target.GetRootData().GetContext());
  return d;
}

bool TLTRTFImportRun::OnTable(TLTRTFTableEventKind what) {
  if (Aborted) return true;
  switch (what) {
    case ltf_tbl_TableStart: {
      auto b = std::make_unique<TTableBuild>();
      b->SavedContainer = Cur;
      b->SavedIndex = InsertIndex;
      b->Scratch.push_back(NewScratch());
      Cur = b->Scratch[0].get();
      LastMarker = nullptr;
      Tables.push_back(std::move(b));
      return true;
    }
    case ltf_tbl_CellEnd: {
      if (Tables.empty()) return true;
      TTableBuild* b = Tables.back().get();
      if (b->LastRowSeen && b->CellIndex == 0 && !b->Rows.empty()) {
        // A cell after the last row begins another table.
        std::unique_ptr<TCustomLTData> first = std::move(b->Scratch[0]);
        b->Scratch[0] = NewScratch();
        FinishTable(false);
        OnTable(ltf_tbl_TableStart);
        b = Tables.back().get();
        b->Scratch[0] = std::move(first);
        Cur = b->Scratch[0].get();
      }
      if (Cur->ItemCount() == 0) {
        auto empty = EmptyParagraph();
        Insert(std::move(empty), rtf_ts_NewPara);
      }
      ++b->CellIndex;
      if (static_cast<int>(b->Scratch.size()) <= b->CellIndex) b->Scratch.push_back(NewScratch());
      Cur = b->Scratch[static_cast<size_t>(b->CellIndex)].get();
      LastMarker = nullptr;
      return true;
    }
    case ltf_tbl_RowEnd: {
      if (Tables.empty()) return true;
      TTableBuild& b = *Tables.back();
      TTableBuild::TRow row;
      row.Props = R.RowProps(R.OpenTableLevel());
      for (int i = 0; i < static_cast<int>(b.Scratch.size()); ++i) {
        if (i >= b.CellIndex && b.Scratch[static_cast<size_t>(i)]->ItemCount() == 0) break;
        row.Cells.push_back(std::move(b.Scratch[static_cast<size_t>(i)]));
      }
      b.LastRowSeen = row.Props.LastRow;
      b.Rows.push_back(std::move(row));
      b.Scratch.clear();
      b.Scratch.push_back(NewScratch());
      b.CellIndex = 0;
      b.RowCompleted = true;
      Cur = b.Scratch[0].get();
      LastMarker = nullptr;
      return true;
    }
    case ltf_tbl_TableEnd:
      if (Tables.empty()) return true;
      if (!Tables.back()->RowCompleted) return false;
      FinishTable(false);
      return true;
    case ltf_tbl_TableForcedEnd:
      if (Tables.empty()) return true;
      FinishTable(true);
      return true;
  }
  return true;
}

void TLTRTFImportRun::FinishTable(bool /*forced*/) {
  std::unique_ptr<TTableBuild> b = std::move(Tables.back());
  Tables.pop_back();
  Cur = b->SavedContainer;
  InsertIndex = b->SavedIndex;
  LastMarker = nullptr;
  // A break pending inside the cells moves to the table.
  bool pageBreak = false;
  for (const auto& cell : b->Scratch) pageBreak = pageBreak || cell.get() == PageBreakIn;
  for (const auto& row : b->Rows)
    for (const auto& cell : row.Cells) pageBreak = pageBreak || cell.get() == PageBreakIn;
  if (pageBreak) PageBreakIn = nullptr;

  // The grid.
  std::vector<int32_t> positions;
  for (TTableBuild::TRow& row : b->Rows) {
    std::vector<TLTRTFCellProperties>& defs = row.Props.Cells;
    while (defs.size() < row.Cells.size()) {
      TLTRTFCellProperties extra;
      extra.Right = (defs.empty() ? row.Props.Left : defs.back().Right) + 1440;
      defs.push_back(extra);
    }
    int32_t prev = row.Props.Left;
    positions.push_back(prev);
    for (TLTRTFCellProperties& d : defs) {
      d.Right = std::max(d.Right, prev + 1);
      prev = d.Right;
      positions.push_back(d.Right);
    }
  }
  std::vector<int32_t> bounds;
  for (int32_t tolerance = 1;; tolerance *= 2) {
    bounds = Cluster(positions, tolerance);
    if (static_cast<int>(bounds.size()) - 1 <= kMaxColumns) break;
  }
  // Cells narrower than the tolerance still make one column.
  if (bounds.size() == 1) bounds.push_back(bounds.back() + 1440);
  const int cols = static_cast<int>(bounds.size()) - 1;
  const int rows = static_cast<int>(b->Rows.size());
  if (rows > 0 && cols > 0) {
    auto table = std::make_unique<TLTTableItemInfo>(rows, cols);
    table->SetContainer(Cur);
    table->Color = clNone;
    table->BorderStyle = lttbRaisedColor;
    table->CellBorderStyle = lttbLoweredColor;
    table->BorderColor = table->BorderLightColor = clWindowText;
    table->CellBorderColor = table->CellBorderLightColor = clWindowText;

    struct TSpan {
      int Row, Col, Rows, Cols;
    };
    std::vector<TSpan> spans;
    std::vector<int> lastMain(static_cast<size_t>(cols), -1);
    bool anyWidth = false, privateWidths = false;
    for (const auto& row : b->Rows)
      for (const auto& d : row.Props.Cells) anyWidth = anyWidth || (d.HasWidth && (d.WidthType == 2 || d.WidthType == 3));
    int64_t hPad = 0, vPad = 0, hPadN = 0, vPadN = 0, cellBorder = 0, cellBorderN = 0, rowBorder = 0, rowBorderN = 0;
    int64_t hSpace = 0, vSpace = 0;
    bool hSeen = false, vSeen = false;
    int32_t width = 0;
    int32_t privateTable = -1;
    int align = -1;
    for (int r = 0; r < rows; ++r) {
      TTableBuild::TRow& row = b->Rows[static_cast<size_t>(r)];
      const TLTRTFRowProperties& p = row.Props;
      if (r == 0) align = p.Align;
      if (p.Header) table->HeadingRowCount = r + 1;
      if (p.HasPrivateWidths) {
        privateWidths = true;
        if (p.PrivateTableWidth >= -100 && p.PrivateTableWidth != -1) privateTable = p.PrivateTableWidth;
      }
      hPad += p.Padding[0] + p.Padding[2];
      vPad += p.Padding[1] + p.Padding[3];
      hPadN += 2;
      vPadN += 2;
      if (p.HasSpacing[0] || p.HasSpacing[2]) hSeen = true;
      if (p.HasSpacing[1] || p.HasSpacing[3]) vSeen = true;
      hSpace += std::max(0, p.Spacing[0]) + std::max(0, p.Spacing[2]);
      if (r > 0) vSpace += p.Spacing[1];
      if (r < rows - 1) vSpace += std::max(0, p.Spacing[3]);
      for (int side = 0; side < 4; ++side)
        if (p.Borders[side].Present) {
          rowBorder += p.Borders[side].Width;
          ++rowBorderN;
        }
      if (r == 0) {
        table->VisibleBorders.Top = p.Borders[1].Present;
        table->VisibleBorders.Left = p.Borders[0].Present;
        table->VisibleBorders.Right = p.Borders[2].Present;
      }
      table->VisibleBorders.Bottom = p.Borders[3].Present;
      if (p.WidthUnit == 3 && p.Width > 0 && p.Width > width) width = p.Width;
      if (p.WidthUnit == 2 && p.Width > 0 && -p.Width < width) width = -p.Width;
      if (p.WidthUnit == 2 && p.Width > 0 && width >= 0 && width == 0) width = -p.Width;

      // Columns the row does not cover keep empty cells without borders.
      const int firstCol = ColumnOf(bounds, p.Left);
      int prevEnd = firstCol;
      int lastInRow = -1;
      for (int c = 0; c < firstCol; ++c) table->Cells(r, c)->VisibleBorders = {};
      for (size_t i = 0; i < p.Cells.size(); ++i) {
        const TLTRTFCellProperties& d = p.Cells[i];
        const int start = prevEnd;
        const int end = std::max(start + 1, ColumnOf(bounds, d.Right));
        prevEnd = std::min(end, cols);
        std::unique_ptr<TCustomLTData> content = i < row.Cells.size() ? std::move(row.Cells[i]) : nullptr;
        if (start >= cols) {
          // Past the last column: the text joins the row's last cell.
          if (content && content->ItemCount() > 0 && lastInRow >= 0) {
            const TSpan& s = spans[static_cast<size_t>(lastInRow)];
            table->Cells(s.Row, s.Col)->AppendFrom(*content);
          }
          continue;
        }
        if (d.MergeH == 2 && lastInRow >= 0) {
          TSpan& s = spans[static_cast<size_t>(lastInRow)];
          s.Cols = std::min(end, cols) - s.Col;
          if (content && content->ItemCount() > 0)
            table->Cells(s.Row, s.Col)->AppendFrom(*content);
          continue;
        }
        if (d.MergeV == 2 && lastMain[static_cast<size_t>(start)] >= 0) {
          TSpan& s = spans[static_cast<size_t>(lastMain[static_cast<size_t>(start)])];
          if (s.Col == start) {
            s.Rows = r - s.Row + 1;
            continue;
          }
        }
        TLTTableCellData* cell = table->Cells(r, start);
        spans.push_back({r, start, 1, std::min(end, cols) - start});
        lastInRow = static_cast<int>(spans.size()) - 1;
        lastMain[static_cast<size_t>(start)] = lastInRow;
        if (content && content->ItemCount() > 0) {
          // A new cell's own empty paragraph gives way to what was read.
          cell->Clear();
          cell->AppendFrom(*content);
        }
        cell->Color = d.Color;
        cell->VAlign = d.VAlign == 2 ? ltcMiddle : d.VAlign == 1 ? ltcBottom : ltcTop;
        cell->VisibleBorders.Left = d.Borders[0].Present;
        cell->VisibleBorders.Top = d.Borders[1].Present;
        cell->VisibleBorders.Right = d.Borders[2].Present;
        cell->VisibleBorders.Bottom = d.Borders[3].Present;
        for (const TLTRTFBorderSide& bs : d.Borders)
          if (bs.Present) {
            cellBorder += bs.Width;
            ++cellBorderN;
          }
        const TLTRTFBorderSide* first = d.Borders[0].Present ? &d.Borders[0] : d.Borders[1].Present ? &d.Borders[1] : nullptr;
        const TLTRTFBorderSide* second = d.Borders[2].Present ? &d.Borders[2] : d.Borders[3].Present ? &d.Borders[3] : nullptr;
        cell->BorderColor = first ? first->Color : clNone;
        cell->BorderLightColor = second ? second->Color : clNone;
        if (p.HasPrivateWidths) {
          cell->BestWidth = std::max(0, d.PrivateWidth);
          cell->BestHeight = std::max(0, d.PrivateHeight);
        } else {
          if (anyWidth && d.HasWidth && d.WidthType == 3)
            cell->BestWidth = Px(d.Width);
          else if (anyWidth && d.HasWidth && d.WidthType == 2)
            cell->BestWidth = -d.Width / 50;
          else
            cell->BestWidth = Px(static_cast<int64_t>(d.Right) - (start == firstCol && i == 0 ? p.Left : bounds[static_cast<size_t>(start)]));
          if (p.Height > 0) cell->BestHeight = Px(p.Height);
        }
      }
      for (int c = prevEnd; c < cols; ++c)
        if (TLTTableCellData* cell = table->Cells(r, c)) cell->VisibleBorders = {};
    }
    // The table operations join what the rows merged.
    for (const TSpan& s : spans)
      if (s.Rows > 1 || s.Cols > 1) table->MergeCells(s.Row, s.Col, s.Rows, s.Cols, false);
    table->DeleteEmptyRows();

    // Padding, spacing, widths and borders of the whole table.
    if (S.UseSingleCellPadding) {
      if (hPadN + vPadN > 0) table->SetCellPadding(Px((hPad + vPad) / (hPadN + vPadN)));
    } else {
      if (hPadN > 0) table->CellHPadding = Px(hPad / hPadN);
      if (vPadN > 0) table->CellVPadding = Px(vPad / vPadN);
    }
    for (int r = 0; r < table->NumRows(); ++r)
      for (int c = 0; c < table->NumColumns(); ++c) {
        TLTTableCellData* cell = table->Cells(r, c);
        if (!cell) continue;
        if (!privateWidths && cell->BestWidth > 2 * table->CellHPadding) cell->BestWidth -= 2 * table->CellHPadding;
        if (cell->ItemCount() == 0) cell->InsertItemAt(0, {}, EmptyParagraph());
      }
    if (vSeen && table->NumRows() > 1) {
      table->CellVSpacing = Px(vSpace / (table->NumRows() - 1));
      table->BorderVSpacing = Px(b->Rows.front().Props.Spacing[1] + b->Rows.back().Props.Spacing[3]);
    } else if (!vSeen) {
      // Without spacing, neighbouring cells share their borders.
      table->CellVSpacing = table->BorderVSpacing = -1;
    }
    table->CellHSpacing = hSeen ? Px(hSpace / std::max(1, rows)) : -1;
    table->BorderHSpacing = table->CellHSpacing;
    const int32_t avgRowBorder = rowBorderN > 0 ? static_cast<int32_t>(rowBorder / rowBorderN) : 0;
    if (privateTable >= -100 && privateTable != -1)
      table->BestWidth = privateTable;
    else if (width > 0)
      table->BestWidth = rowBorderN > 0 ? Px(width - avgRowBorder) : Px(width);
    else if (width < 0)
      table->BestWidth = width / 50;
    const int64_t avgCell = cellBorderN > 0 ? cellBorder / cellBorderN : 0;
    table->CellBorderWidth = std::max(Px(avgCell), avgCell > 4 ? 1 : 0);
    table->BorderWidth = std::max(Px(avgRowBorder), avgRowBorder > 4 ? 1 : 0);
    if (!hSeen && !vSeen && table->BorderWidth == table->CellBorderWidth) {
      table->BorderWidth = 0;
      table->BorderHSpacing = table->BorderVSpacing = 0;
    }
    if (table->BorderColor == table->BorderLightColor) table->BorderStyle = lttbColor;
    table->CellBorderStyle = lttbColor;
    if (S.AutoHideTableGridLines) table->Options.Include(lttoHideGridLines);
    if (table->NumRows() > 0 && table->NumColumns() > 0) {
      table->ParaNo = TableParaStyle(std::max(0, align));
      if (pageBreak) table->SetFlag(ltifNewPage, true);
      Insert(std::move(table), rtf_ts_NewPara);
    }
  }
  // Text of a row that never ended stays, as paragraphs after the table.
  Reinserting = true;
  for (auto& cell : b->Scratch) {
    if (!cell || cell->ItemCount() == 0) continue;
    std::vector<std::unique_ptr<TCustomLTItemInfo>> items = cell->ExtractItems(0, cell->ItemCount());
    for (auto& item : items) {
      const TLTRTFPosition pos = item->HasFlag(ltifJoinPrev) ? rtf_ts_ContinuePara
                                 : item->HasFlag(ltifNewLine) ? rtf_ts_NewLine
                                                              : rtf_ts_NewPara;
      Insert(std::move(item), pos);
    }
  }
  Reinserting = false;
}

}  // namespace lectern
