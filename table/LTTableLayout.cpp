// Table layout and painting: column widths from the cells' minimal widths
// and the best widths, row heights from the cells' documents, spans spread
// over their columns and rows, cells formatted at their widths; the
// background, borders, grid and cell documents painted where they stand.

#include "platform/LTColors.h"
#include "platform/LTSysUtils.h"
#include "table/LTTable.h"
#include "view/LTPaint.h"

#include <algorithm>
#include <numeric>

namespace lectern {

TLTPointI TLTTableCellData::GetOriginInControl() const {
  const TLTTableItemInfo* table = Table();
  const auto* owner = dynamic_cast<const TCustomLTFormattedData*>(GetParentData());
  if (!table || !owner) return {};
  const int piece = table->FirstDrawItem;
  if (piece < 0 || piece >= owner->DrawItems.Count()) return {};
  const TLTDrawLineInfo& p = owner->DrawItems[piece];
  const TLTPointI o = owner->GetOriginInControl();
  return {o.X + p.Left + Left + table->CellHPadding,
          o.Y + p.Top + Top + table->CellVPadding + table->ContentOffset(*this)};
}

void TLTTableItemInfo::CollectJumps(std::vector<TLTJumpInfo>& out) const {
  for (int r = 0; r < NumRows(); ++r)
    for (int c = 0; c < NumColumns(); ++c)
      if (const TLTTableCellData* cell = Cells(r, c)) out.insert(out.end(), cell->Jumps.begin(), cell->Jumps.end());
}

TLTCanvas* TLTTableCellData::GetFormatCanvas() const {
  const TLTTableItemInfo* table = Table();
  return table ? table->LayoutCanvas : nullptr;
}

namespace {

/// The lengths of one layout pass, scaled to the device.
class TTableMetrics {
 public:
  TTableMetrics(const TLTTableItemInfo& t, const TLTDeviceScale& s) : s_(s) {
    C = t.NumColumns();
    R = t.NumRows();
    P = sx(2 * t.CellHPadding);
    Q = sx(t.CellHSpacing + 2 * t.CellHPadding + 2 * t.CellBorderWidth);
    G = sx(t.CellHSpacing + 2 * t.CellBorderWidth);
    B = sx((C - 1) * t.CellHSpacing + 2 * (t.BorderWidth + t.BorderHSpacing) + 2 * C * t.CellBorderWidth);
  }
  int sx(int64_t v) const { return s_.X(static_cast<int>(std::clamp<int64_t>(v, -1000000, 1000000))); }
  int sy(int64_t v) const { return s_.Y(static_cast<int>(std::clamp<int64_t>(v, -1000000, 1000000))); }
  int C = 0, R = 0, P = 0, Q = 0, G = 0, B = 0;

 private:
  const TLTDeviceScale& s_;
};

int CellMinWidth(TLTTableCellData& cell, TLTCanvas& canvas, const TLTStyle& style, const TTableMetrics& m) {
  if (cell.ItemCount() == 0) return 0;
  if (cell.ItemCount() == 1 && cell.GetItem(0).IsText() && cell.GetItem(0).TextLength() == 0) {
    const TParaInfo& p = style.ParaStyles()[cell.GetItem(0).ParaNo];
    return std::max(0, m.sx(static_cast<int64_t>(p.FirstIndent) + p.LeftIndent + p.RightIndent));
  }
  const int w = cell.CalcMinWidth(0, canvas);
  return w == 0 ? 10 : w;
}

/// Spreads a spanning cell's need over its columns so that the span is
/// wide enough; only the taking columns grow, none shrinks.
void Spread(std::vector<int32_t>& widths, int first, int n, int64_t need, const TTableMetrics& m,
            const std::vector<bool>* taking, bool minimalMode, int64_t* rest = nullptr) {
  for (int rep = 0; rep <= 30; ++rep) {
    int64_t present = -m.G;
    for (int i = first; i < first + n; ++i) present += widths[static_cast<size_t>(i)] + m.Q;
    int64_t shortfall = need + m.P - present;
    if (shortfall <= 0) return;
    if (rest) {
      // Best widths only take what is still free.
      shortfall = std::min(shortfall, *rest);
      if (shortfall <= 0) return;
      *rest -= shortfall;
    }
    std::vector<int> cols;
    for (int i = first; i < first + n; ++i)
      if (!taking || (*taking)[static_cast<size_t>(i)]) cols.push_back(i);
    if (cols.empty()) return;
    auto w = [&](int i) -> int64_t { return widths[static_cast<size_t>(i)] + m.P; };
    if (!minimalMode || rep == 30) {
      // In proportion to the present widths (a column of 0 counts as 1).
      int64_t d = 0;
      for (int i : cols) d += std::max<int64_t>(w(i), 1);
      int64_t total = d + shortfall;
      for (int i : cols) {
        const int64_t wi = std::max<int64_t>(w(i), 1);
        const int64_t s = d > 0 ? total * wi / d : 0;
        widths[static_cast<size_t>(i)] =
            static_cast<int32_t>(std::max<int64_t>(s - m.P, widths[static_cast<size_t>(i)]));
        total -= s;
        d -= wi;
      }
      return;
    }
    int64_t total = shortfall;
    for (int i : cols) total += w(i);
    int k = static_cast<int>(cols.size());
    std::vector<bool> settled(cols.size(), false);
    for (size_t c = 0; c < cols.size() && k > 0 && total > 0; ++c) {
      if (w(cols[c]) >= RoundHalfEven(static_cast<double>(total) / k)) {
        settled[c] = true;
        total -= w(cols[c]);
        --k;
      }
    }
    for (size_t c = 0; c < cols.size() && k > 0 && total > 0; ++c) {
      if (settled[c]) continue;
      const int64_t s = RoundHalfEven(static_cast<double>(total) / k);
      if (w(cols[c]) < s) {
        widths[static_cast<size_t>(cols[c])] = static_cast<int32_t>(s - m.P);
        total -= s;
        --k;
      }
    }
  }
}

struct TColumnInfo {
  std::vector<int32_t> MinWidths;
  std::vector<int32_t> BestPixels;  // unscaled
  std::vector<bool> HasPercent;
};

}  // namespace

bool TLTTableItemInfo::CellAt(int x, int y, int& row, int& col) const {
  const int rows = NumRows(), cols = NumColumns();
  if (rows == 0 || cols == 0 || static_cast<int>(RowTops.size()) != rows ||
      static_cast<int>(ColumnLefts.size()) != cols)
    return false;
  auto inside = [&](const TLTTableCellData& c) {
    return x > c.Left && x < c.Left + c.Width - 1 && y > c.Top && y < c.Top + c.Height - 1;
  };
  if (LastCellRow >= 0 && LastCellRow < rows && LastCellCol >= 0 && LastCellCol < cols) {
    if (const TLTTableCellData* c = Cells(LastCellRow, LastCellCol); c && inside(*c)) {
      row = LastCellRow;
      col = LastCellCol;
      return true;
    }
  }
  const TLTTableCellData* first = Cells(0, 0);
  if (!first || x <= first->Left || y <= first->Top || x >= TableWidth - first->Left - 1 ||
      y >= TableHeight - first->Top - 1)
    return false;
  int r = rows - 1, c = cols - 1;
  for (int i = 0; i + 1 < rows; ++i)
    if (y < RowTops[static_cast<size_t>(i + 1)]) {
      r = i;
      break;
    }
  for (int i = 0; i + 1 < cols; ++i)
    if (x < ColumnLefts[static_cast<size_t>(i + 1)]) {
      c = i;
      break;
    }
  int mr = 0, mc = 0;
  const TLTTableCellData* cell = GetMainCell(r, c, mr, mc);
  if (!cell || !inside(*cell)) return false;
  row = LastCellRow = mr;
  col = LastCellCol = mc;
  return true;
}

bool TLTTableItemInfo::AllColumnsFixed() const {
  const int rows = NumRows(), cols = NumColumns();
  std::vector<bool> starts(static_cast<size_t>(cols), false), fixedEnd(static_cast<size_t>(cols), false);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      const TLTTableCellData* cell = Cells(r, c);
      if (!cell) continue;
      if (cell->BestWidth < 0) return false;
      starts[static_cast<size_t>(c)] = true;
      if (cell->BestWidth > 0)
        fixedEnd[static_cast<size_t>(std::min(cols - 1, c + std::max(cell->ColumnsSpanned, 1) - 1))] = true;
    }
  for (int c = 0; c < cols; ++c)
    if (!starts[static_cast<size_t>(c)] || !fixedEnd[static_cast<size_t>(c)]) return false;
  return cols > 0;
}

int TLTTableItemInfo::ContentOffset(const TLTTableCellData& cell) const {
  TLTCellVAlign va = cell.VAlign;
  if (va == ltcVDefault && cell.Row()) va = cell.Row()->VAlign;
  if (va == ltcVDefault) va = ltcMiddle;
  const int d = cell.DocumentHeight;
  switch (va) {
    case ltcTop:
      return 0;
    case ltcBottom:
      return cell.Height - d - 2 * CellVPadding;
    default:
      return (cell.Height - d) / 2 - CellVPadding;
  }
}

namespace {

/// Every cell's minimal width, measured once per pass (row by row, column
/// by column; 0 for slots a span covers and with lttoIgnoreContentWidth).
std::vector<int32_t> CellMinimums(const TLTTableItemInfo& t, TLTItemLayoutContext& ctx, const TTableMetrics& m) {
  std::vector<int32_t> mins(static_cast<size_t>(m.R) * static_cast<size_t>(m.C), 0);
  if (t.Options.Contains(lttoIgnoreContentWidth)) return mins;
  for (int r = 0; r < m.R; ++r)
    for (int c = 0; c < m.C; ++c)
      if (TLTTableCellData* cell = t.Cells(r, c))
        mins[static_cast<size_t>(r) * static_cast<size_t>(m.C) + static_cast<size_t>(c)] =
            CellMinWidth(*cell, ctx.Canvas, ctx.Style, m);
  return mins;
}

/// The columns at their minimal widths with the spans spread over them;
/// with useBest, raised to the pixel best widths of columns and spans.
std::vector<int32_t> MinimalColumns(const TLTTableItemInfo& t, const std::vector<int32_t>& mins, const TTableMetrics& m,
                                    bool useBest) {
  std::vector<int32_t> widths(static_cast<size_t>(m.C), 0);
  auto minOf = [&](int r, int c) {
    return mins[static_cast<size_t>(r) * static_cast<size_t>(m.C) + static_cast<size_t>(c)];
  };
  for (int r = 0; r < m.R; ++r)
    for (int c = 0; c < m.C; ++c)
      if (const TLTTableCellData* cell = t.Cells(r, c); cell && cell->ColumnsSpanned == 1)
        widths[static_cast<size_t>(c)] = std::max(widths[static_cast<size_t>(c)], minOf(r, c));
  if (useBest)
    for (int c = 0; c < m.C; ++c)
      widths[static_cast<size_t>(c)] = std::max(widths[static_cast<size_t>(c)], m.sx(t.ColumnBestPixelWidth(c)));
  for (int r = 0; r < m.R; ++r)
    for (int c = 0; c < m.C; ++c) {
      const TLTTableCellData* cell = t.Cells(r, c);
      if (!cell || cell->ColumnsSpanned <= 1) continue;
      int64_t need = minOf(r, c);
      if (useBest && cell->BestWidth > 0) need = std::max<int64_t>(need, m.sx(cell->BestWidth));
      Spread(widths, c, std::min(cell->ColumnsSpanned, m.C - c), need, m, nullptr, true);
    }
  return widths;
}

/// The smallest width the table can take, from its cells' minimal widths.
int MinimalTableWidth(const TLTTableItemInfo& t, const std::vector<int32_t>& mins, const TTableMetrics& m) {
  const std::vector<int32_t> widths = MinimalColumns(t, mins, m, t.BestWidth == 0);
  int64_t total = m.B + static_cast<int64_t>(m.C) * m.P + std::accumulate(widths.begin(), widths.end(), int64_t{0});
  if (t.BestWidth > 0) total = std::max<int64_t>(total, m.sx(t.BestWidth));
  return static_cast<int>(std::min<int64_t>(total, 1000000));
}

}  // namespace

int TLTTableItemInfo::MinLayoutWidth(TLTItemLayoutContext& ctx) {
  const TTableMetrics m(*this, ctx.Scale);
  if (m.R == 0 || m.C == 0) return m.sx(2 * (BorderWidth + BorderHSpacing));
  LayoutCanvas = &ctx.Canvas;
  const int w = MinimalTableWidth(*this, CellMinimums(*this, ctx, m), m);
  LayoutCanvas = nullptr;
  return w;
}

bool TLTTableItemInfo::LayOutForWidth(TLTItemLayoutContext& ctx, int availableWidth, TLTSizeI& size, int& offset) {
  offset = 0;
  const TTableMetrics m(*this, ctx.Scale);
  if (LayoutInvalid) {
    LayoutInvalid = false;
    TableWidth = 0;
  }
  if (m.R == 0 || m.C == 0) {
    TableWidth = m.sx(2 * (BorderWidth + BorderHSpacing));
    TableHeight = m.sy(2 * (BorderWidth + BorderVSpacing));
    size = {TableWidth, TableHeight};
    return true;
  }
  // The target width; a table whose every column has a pixel width takes
  // the sum of its columns.
  const bool allFixed = BestWidth == 0 && AllColumnsFixed();
  LayoutCanvas = &ctx.Canvas;
  // Measured only when needed: a kept layout of a fixed width needs none.
  std::vector<int32_t> mins;
  int64_t target;
  if (BestWidth > 0)
    target = m.sx(BestWidth);
  else if (BestWidth < 0)
    target = static_cast<int64_t>(availableWidth) * std::min(-BestWidth, 1000) / 100;
  else if (allFixed)
    target = 0;
  else {
    mins = CellMinimums(*this, ctx, m);
    target = std::max<int64_t>(MinimalTableWidth(*this, mins, m), availableWidth);
  }
  // The cells' hyperlinks are numbered in the table's turn: a layout kept
  // as it was must also have numbered them from the same place.
  const int firstJump = ctx.NextJumpNo ? *ctx.NextJumpNo : 0;
  if (target != 0 && target == TableWidth && !ctx.Force && firstJump == JumpNoFrom) {
    if (ctx.NextJumpNo) *ctx.NextJumpNo = JumpNoTo;
    LayoutCanvas = nullptr;
    size = {TableWidth, TableHeight};
    return true;
  }
  int jumpNo = firstJump;
  TableWidth = static_cast<int32_t>(std::min<int64_t>(target, 1000000));
  if (mins.empty()) mins = CellMinimums(*this, ctx, m);

  // Minimal widths of the columns, then what is left is distributed: to
  // percent columns by their percentages, to pixel columns by their best
  // widths, the rest to the free columns.
  const int64_t a1 = allFixed ? 0 : TableWidth - static_cast<int64_t>(m.B);
  const int64_t a2 = allFixed ? 0 : a1 - m.sx(2 * static_cast<int64_t>(m.C) * CellHPadding);
  ColumnWidths = MinimalColumns(*this, mins, m, false);
  const int64_t minSum = std::accumulate(ColumnWidths.begin(), ColumnWidths.end(), int64_t{0});
  int64_t rest = allFixed ? 0 : std::max<int64_t>(0, a2 - minSum);
  enum TKind : uint8_t { kFree, kPixel, kPercent };
  std::vector<TKind> kind(static_cast<size_t>(m.C), kFree);
  // A spanning cell's best width goes to the free columns under it, else
  // to the free and pixel ones, else (percent spans) to all of them; the
  // free columns under it then take its kind.
  auto spreadBest = [&](bool percent, int64_t* restLimit) {
    for (int r = 0; r < m.R; ++r)
      for (int c = 0; c < m.C; ++c) {
        const TLTTableCellData* cell = Cells(r, c);
        if (!cell || cell->ColumnsSpanned <= 1 || (percent ? cell->BestWidth >= 0 : cell->BestWidth <= 0)) continue;
        if (restLimit && *restLimit <= 0) return;
        const int n = std::min(cell->ColumnsSpanned, m.C - c);
        const int64_t need = percent
                                 ? static_cast<int64_t>(MulDiv(-cell->BestWidth, static_cast<int32_t>(a1), 100)) - m.P
                                 : m.sx(cell->BestWidth);
        std::vector<bool> taking(static_cast<size_t>(m.C), false);
        bool any = false;
        for (int k = c; k < c + n; ++k) any |= (taking[static_cast<size_t>(k)] = kind[static_cast<size_t>(k)] == kFree);
        if (!any)
          for (int k = c; k < c + n; ++k)
            any |= (taking[static_cast<size_t>(k)] = kind[static_cast<size_t>(k)] != kPercent);
        if (!any && percent)
          for (int k = c; k < c + n; ++k) any = taking[static_cast<size_t>(k)] = true;
        if (any) Spread(ColumnWidths, c, n, need, m, &taking, false, restLimit);
        for (int k = c; k < c + n; ++k)
          if (kind[static_cast<size_t>(k)] == kFree) kind[static_cast<size_t>(k)] = percent ? kPercent : kPixel;
      }
  };

  // Percent columns take their share, never more than is free.
  if (!allFixed) {
    std::vector<int64_t> want(static_cast<size_t>(m.C), 0);
    int64_t d = 0;
    for (int c = 0; c < m.C; ++c) {
      if (!ColumnHasPercentCell(c)) continue;
      want[static_cast<size_t>(c)] =
          std::max<int64_t>(0, static_cast<int64_t>(ColumnPercentWidth(c, static_cast<int32_t>(a1))) - m.P);
      if (want[static_cast<size_t>(c)] > ColumnWidths[static_cast<size_t>(c)]) {
        rest += ColumnWidths[static_cast<size_t>(c)];
        d += want[static_cast<size_t>(c)];
      } else if (want[static_cast<size_t>(c)] > 0) {
        kind[static_cast<size_t>(c)] = kPercent;
      }
    }
    if (d > 0) {
      const int64_t budget = rest;
      int64_t denom = std::max(d, budget);
      for (int c = 0; c < m.C && rest > 0; ++c) {
        const int64_t wnt = want[static_cast<size_t>(c)];
        int32_t& w = ColumnWidths[static_cast<size_t>(c)];
        if (wnt <= w) continue;
        const int64_t s = denom > 0 ? wnt * budget / denom : 0;
        const int32_t nw = static_cast<int32_t>(std::max<int64_t>(w, std::min(s, rest)));
        rest -= nw;
        w = nw;
        kind[static_cast<size_t>(c)] = kPercent;
      }
      rest = std::max<int64_t>(rest, 0);
    }
  }
  if (!allFixed && rest > 0) spreadBest(true, &rest);
  // Pixel columns: their best widths, scaled down together when short.
  if (allFixed) {
    for (int c = 0; c < m.C; ++c)
      if (const int b = m.sx(ColumnBestPixelWidth(c)); b > 0) {
        kind[static_cast<size_t>(c)] = kPixel;
        ColumnWidths[static_cast<size_t>(c)] = std::max(ColumnWidths[static_cast<size_t>(c)], b);
      }
  } else if (rest > 0) {
    int64_t d = 0;
    std::vector<int64_t> want(static_cast<size_t>(m.C), 0);
    for (int c = 0; c < m.C; ++c) {
      if (kind[static_cast<size_t>(c)] != kFree) continue;
      const int64_t b = m.sx(ColumnBestPixelWidth(c));
      if (b <= 0) continue;
      kind[static_cast<size_t>(c)] = kPixel;
      if (b > ColumnWidths[static_cast<size_t>(c)]) {
        rest += ColumnWidths[static_cast<size_t>(c)];
        want[static_cast<size_t>(c)] = b;
        d += b;
      }
    }
    int64_t num = std::min(rest, d);
    for (int c = 0; c < m.C && d > 0; ++c) {
      const int64_t wnt = want[static_cast<size_t>(c)];
      if (wnt == 0) continue;
      int32_t& w = ColumnWidths[static_cast<size_t>(c)];
      int64_t s = std::min(wnt * num / d, rest);
      s = std::max<int64_t>(s, w);
      rest -= s;
      num -= s;
      d -= wnt;
      w = static_cast<int32_t>(s);
    }
    rest = std::max<int64_t>(rest, 0);
  }
  if (allFixed)
    spreadBest(false, nullptr);
  else if (rest > 0)
    spreadBest(false, &rest);
  // What is still free goes to the free columns in equal shares; without
  // free columns, in proportion: to the percent columns by their wants when
  // there is no pixel column, else to the columns without a percent cell by
  // their best pixel widths.
  if (rest > 0) {
    std::vector<int> free;
    bool anyPixel = false;
    for (int c = 0; c < m.C; ++c) {
      if (kind[static_cast<size_t>(c)] == kFree) free.push_back(c);
      anyPixel |= kind[static_cast<size_t>(c)] == kPixel;
    }
    if (!free.empty()) {
      int left = static_cast<int>(free.size());
      for (int c : free) {
        const int64_t share = rest / left--;
        ColumnWidths[static_cast<size_t>(c)] += static_cast<int32_t>(share);
        rest -= share;
      }
    } else {
      std::vector<std::pair<int, int64_t>> takers;  // column, want
      for (int c = 0; c < m.C; ++c) {
        const bool percent = ColumnHasPercentCell(c);
        if (!anyPixel && percent)
          takers.push_back(
              {c, std::max<int64_t>(1, static_cast<int64_t>(ColumnPercentWidth(c, static_cast<int32_t>(a1))) - m.P)});
        else if (anyPixel && !percent)
          takers.push_back({c, std::max<int64_t>(1, ColumnBestPixelWidth(c))});
      }
      int64_t d = 0;
      for (const auto& t : takers) d += t.second;
      for (const auto& [c, want] : takers) {
        if (rest < 1 || d <= 0) break;
        const int64_t share = std::min(rest * want / d, rest);
        ColumnWidths[static_cast<size_t>(c)] += static_cast<int32_t>(share);
        rest -= share;
        d -= want;
      }
    }
  }
  const int64_t used = m.B + m.sx(2 * static_cast<int64_t>(m.C) * CellHPadding) +
                       std::accumulate(ColumnWidths.begin(), ColumnWidths.end(), int64_t{0});
  TableWidth = static_cast<int32_t>(std::max<int64_t>(used, 0));

  // Columns placed; every cell formatted at its width.
  {
    int64_t h = m.sx(static_cast<int64_t>(m.C) * (2 * (CellHPadding + CellBorderWidth) + CellHSpacing));
    const int64_t hTotal = h;
    int64_t x = m.sx(BorderWidth + BorderHSpacing + CellBorderWidth);
    ColumnLefts.assign(static_cast<size_t>(m.C), 0);
    for (int c = 0; c < m.C; ++c) {
      ColumnLefts[static_cast<size_t>(c)] = static_cast<int32_t>(x);
      const int64_t share = h / (m.C - c);
      h -= share;
      x += ColumnWidths[static_cast<size_t>(c)] + share;
    }
    for (int r = 0; r < m.R; ++r)
      for (int c = 0; c < m.C; ++c) {
        TLTTableCellData* cell = Cells(r, c);
        if (!cell) continue;
        const int n = std::clamp(cell->ColumnsSpanned, 1, m.C - c);
        int64_t w = m.P + hTotal * (n - 1) / m.C;
        for (int k = c; k < c + n; ++k) w += ColumnWidths[static_cast<size_t>(k)];
        cell->Left = ColumnLefts[static_cast<size_t>(c)];
        cell->Width = static_cast<int32_t>(w);
        cell->LayoutClientWidth = static_cast<int32_t>(std::max<int64_t>(0, w - m.P));
        cell->FormatAll(
            {.Force = true, .ForceTables = ctx.Force, .NoScroll = true, .Canvas = &ctx.Canvas, .FirstJumpNo = jumpNo});
        jumpNo = cell->NextJumpNo;
      }
  }

  // Row heights from the documents; row spans spread over their rows.
  auto content = [&](const TLTTableCellData& cell) -> int64_t {
    if (Options.Contains(lttoIgnoreContentHeight) && cell.BestHeight > 0) return cell.BestHeight;
    return std::max<int64_t>(cell.BestHeight, cell.DocumentHeight);
  };
  RowContentHeights.assign(static_cast<size_t>(m.R), 0);
  int64_t height = m.sy(2 * (static_cast<int64_t>(m.R) * CellVPadding + BorderWidth + BorderVSpacing) +
                        static_cast<int64_t>(m.R - 1) * CellVSpacing + 2 * static_cast<int64_t>(m.R) * CellBorderWidth);
  for (int r = 0; r < m.R; ++r) {
    int64_t h = 0;
    for (int c = 0; c < m.C; ++c)
      if (const TLTTableCellData* cell = Cells(r, c); cell && cell->RowsSpanned == 1) h = std::max(h, content(*cell));
    if (h == 0) h = 10;
    RowContentHeights[static_cast<size_t>(r)] = m.sy(h);
    height += RowContentHeights[static_cast<size_t>(r)];
  }
  for (int r = 0; r < m.R; ++r)
    for (int c = 0; c < m.C; ++c) {
      const TLTTableCellData* cell = Cells(r, c);
      if (!cell || cell->RowsSpanned <= 1) continue;
      const int k = std::min(cell->RowsSpanned, m.R - r);
      const int64_t need = m.sy(content(*cell) + 2 * static_cast<int64_t>(CellVPadding));
      int64_t have = static_cast<int64_t>(k) * m.sy(CellVSpacing + 2 * CellVPadding + 2 * CellBorderWidth) -
                     m.sy(CellVSpacing + 2 * CellBorderWidth);
      for (int i = r; i < r + k; ++i) have += RowContentHeights[static_cast<size_t>(i)];
      if (have >= need) continue;
      int64_t extra = need - have;
      height += extra;
      int64_t sum = 0;
      for (int i = r; i < r + k; ++i) sum += std::max(RowContentHeights[static_cast<size_t>(i)], 1);
      for (int i = r; i < r + k; ++i) {
        const int64_t hi = std::max(RowContentHeights[static_cast<size_t>(i)], 1);
        const int64_t s = sum > 0 ? hi * extra / sum : extra;
        RowContentHeights[static_cast<size_t>(i)] += static_cast<int32_t>(s);
        extra -= s;
        sum -= hi;
      }
    }
  TableHeight = static_cast<int32_t>(std::min<int64_t>(height, 1000000));
  {
    int64_t v = m.sy(static_cast<int64_t>(m.R) * (2 * (CellVPadding + CellBorderWidth) + CellVSpacing));
    const int64_t vTotal = v;
    int64_t y = m.sy(BorderWidth + BorderVSpacing + CellBorderWidth);
    RowTops.assign(static_cast<size_t>(m.R), 0);
    for (int r = 0; r < m.R; ++r) {
      RowTops[static_cast<size_t>(r)] = static_cast<int32_t>(y);
      const int64_t share = v / (m.R - r);
      v -= share;
      y += RowContentHeights[static_cast<size_t>(r)] + share;
    }
    for (int r = 0; r < m.R; ++r)
      for (int c = 0; c < m.C; ++c) {
        TLTTableCellData* cell = Cells(r, c);
        if (!cell) continue;
        const int k = std::clamp(cell->RowsSpanned, 1, m.R - r);
        int64_t h = m.sy(2 * static_cast<int64_t>(CellVPadding)) + vTotal * (k - 1) / m.R;
        for (int i = r; i < r + k; ++i) h += RowContentHeights[static_cast<size_t>(i)];
        cell->Top = RowTops[static_cast<size_t>(r)];
        cell->Height = static_cast<int32_t>(h);
        cell->LayoutClientHeight = static_cast<int32_t>(std::max<int64_t>(0, h - m.sy(2 * CellVPadding)));
      }
  }
  LayoutCanvas = nullptr;
  JumpNoFrom = firstJump;
  JumpNoTo = jumpNo;
  if (ctx.NextJumpNo) *ctx.NextJumpNo = jumpNo;
  size = {TableWidth, TableHeight};
  return true;
}

// ---- Painting ----------------------------------------------------------------------------

namespace {

// Lines keep white on two-tone and black-text output, unlike text.
TColor LineColor(TColor c, TLTOutputColorMode mode) {
  if (c != clNone && (mode == ltocTwoTone || mode == ltocBlackText) &&
      ColorToRGB(ResolveSystemColor(c)) == MakeColor(0xFFFFFF))
    return MakeColor(0xFFFFFF);
  return OutputColor(c, mode);
}

/// Draws a table's or a cell's border, or the grid where it has none.
void DrawTableBorder(TLTCanvas& canvas, const TLTTableItemInfo& t, TLTRectI r, int width, TColor color, TColor light,
                     TLTTableBorderStyle style, TColor background, const TLTBooleanRect& sides, bool printing,
                     TLTOutputColorMode mode) {
  TLTCanvasSaver keep(canvas);
  const bool grid = !t.Options.Contains(lttoHideGridLines) && !printing && TableGridReadOnlyStyle != psClear;
  canvas.SetBrushStyle(bsClear);
  const bool allSides = sides.Left && sides.Top && sides.Right && sides.Bottom;
  if (grid && (width == 0 || !allSides)) {
    canvas.SetPen({TableGridColor, 1, TableGridReadOnlyStyle});
    if (width == 0) {
      canvas.Line(r.Left, r.Top, r.Right - 1, r.Top);
      canvas.Line(r.Right - 1, r.Top, r.Right - 1, r.Bottom - 1);
      canvas.Line(r.Right - 1, r.Bottom - 1, r.Left, r.Bottom - 1);
      canvas.Line(r.Left, r.Bottom - 1, r.Left, r.Top);
    } else {
      if (!sides.Top) canvas.Line(r.Left, r.Top, r.Right, r.Top);
      if (!sides.Bottom) canvas.Line(r.Left, r.Bottom - 1, r.Right, r.Bottom - 1);
      if (!sides.Left) canvas.Line(r.Left, r.Top, r.Left, r.Bottom);
      if (!sides.Right) canvas.Line(r.Right - 1, r.Top, r.Right - 1, r.Bottom);
    }
  }
  if (width <= 0) return;
  const int w = std::max(1, width);
  if (style == lttbColor) {
    if (color == clNone) return;
    canvas.SetBrush({LineColor(color, mode), bsSolid});
    for (int k = 0; k < w; ++k) {
      const int l = r.Left + k, tp = r.Top + k, rt = r.Right - 1 - k, bt = r.Bottom - 1 - k;
      if (sides.Top) canvas.FillRect({l, tp, rt + 1, tp + 1});
      if (sides.Bottom) canvas.FillRect({l, bt, rt + 1, bt + 1});
      if (sides.Left) canvas.FillRect({l, tp, l + 1, bt + 1});
      if (sides.Right) canvas.FillRect({rt, tp, rt + 1, bt + 1});
    }
    return;
  }
  const TColor highlight = ColorToRGB(background) == ColorToRGB(clBtnHighlight) ? clBtnFace : clBtnHighlight;
  TColor first, second;
  switch (style) {
    case lttbRaised:
      first = highlight, second = clBtnShadow;
      break;
    case lttbLowered:
      first = clBtnShadow, second = highlight;
      break;
    case lttbRaisedColor:
      first = light, second = color;
      break;
    default:
      first = color, second = light;
      break;
  }
  first = LineColor(first, mode);
  second = LineColor(second, mode);
  for (int k = 0; k < w; ++k) {
    const int l = r.Left + k, tp = r.Top + k, rt = r.Right - 1 - k, bt = r.Bottom - 1 - k;
    if (first != clNone) {
      canvas.SetBrush({first, bsSolid});
      if (sides.Top) canvas.FillRect({l, tp, rt + 1, tp + 1});
      if (sides.Left) canvas.FillRect({l, tp, l + 1, bt + 1});
    }
    if (second != clNone) {
      canvas.SetBrush({second, bsSolid});
      if (sides.Bottom) canvas.FillRect({l, bt, rt + 1, bt + 1});
      if (sides.Right) canvas.FillRect({rt, tp, rt + 1, bt + 1});
    }
  }
}

}  // namespace

void TLTTableItemInfo::PaintRules(TLTCanvas& canvas, int x, int y, TLTOutputColorMode mode) const {
  const bool vRules = VRuleWidth != 0 && VRuleColor != clNone;
  const bool hRules = HRuleWidth != 0 && HRuleColor != clNone;
  TLTCanvasSaver keep(canvas);
  // A rule of width rw is rw one-pixel lines centred on c.
  auto vertical = [&](int c, int rw, int e) {
    for (int k = 0; k < rw; ++k) canvas.FillRect({c - rw / 2 + k, y + e, c - rw / 2 + k + 1, y + TableHeight - e});
  };
  auto horizontal = [&](int c, int rw, int e) {
    for (int k = 0; k < rw; ++k) canvas.FillRect({x + e, c - rw / 2 + k, x + TableWidth - e, c - rw / 2 + k + 1});
  };
  if (vRules) {
    canvas.SetBrush({LineColor(VRuleColor, mode), bsSolid});
    const int rw = std::abs(VRuleWidth);
    const int half = (CellHSpacing + 2 * CellBorderWidth + 1) / 2;
    const int e = hRules && HOutermostRule ? BorderWidth + BorderVSpacing / 2 : 0;
    if (VOutermostRule) vertical(x + BorderWidth + BorderHSpacing / 2, rw, e);
    for (size_t j = 1; j < ColumnLefts.size(); ++j) vertical(x + ColumnLefts[j] - half, rw, e);
    if (VOutermostRule) vertical(x + TableWidth - (BorderWidth + BorderHSpacing / 2) - (rw % 2), rw, e);
  }
  if (hRules) {
    canvas.SetBrush({LineColor(HRuleColor, mode), bsSolid});
    const int rw = std::abs(HRuleWidth);
    const int half = (CellVSpacing + 2 * CellBorderWidth + 1) / 2;
    const int e = vRules && VOutermostRule ? BorderWidth + BorderHSpacing / 2 : 0;
    if (HOutermostRule) horizontal(y + BorderWidth + BorderVSpacing / 2, rw, e);
    for (size_t i = 1; i < RowTops.size(); ++i) horizontal(y + RowTops[i] - half, rw, e);
    if (HOutermostRule) horizontal(y + TableHeight - (BorderWidth + BorderVSpacing / 2) - (rw % 2), rw, e);
  }
}

bool TLTTableItemInfo::PaintAt(TLTCanvas& canvas, const TLTRectI& piece, uint16_t state, const TLTStyle& style) {
  const bool printing = (state & 0x800) != 0;
  const bool selected = (state & 0x01) != 0;
  const bool focused = (state & 0x40) != 0;
  const TLTOutputColorMode mode = ltocAsIs;
  const int x = piece.Left, y = piece.Top;
  const TLTRectI box{x, y, x + TableWidth, y + TableHeight};
  if (Color != clNone) {
    TLTCanvasSaver keep(canvas);
    canvas.SetBrush({Color, bsSolid});
    canvas.FillRect(box);
  }
  PaintRules(canvas, x, y, mode);
  DrawTableBorder(canvas, *this, box, BorderWidth, BorderColor, BorderLightColor, BorderStyle, Color, VisibleBorders,
                  printing, mode);
  const TColor selColor = focused ? style.SelColor : style.InactiveSelColor;
  for (int r = 0; r < NumRows(); ++r)
    for (int c = 0; c < NumColumns(); ++c) {
      TLTTableCellData* cell = Cells(r, c);
      if (!cell) continue;
      const TLTRectI pad{x + cell->Left, y + cell->Top, x + cell->Left + cell->Width, y + cell->Top + cell->Height};
      TColor fill = selected && selColor != clNone ? selColor : cell->Color;
      if (fill != clNone) {
        TLTCanvasSaver keep(canvas);
        TLTRectI area = pad;
        if (Options.Contains(lttoCellBelowBorders)) {
          area.Left -= CellBorderWidth;
          area.Right += CellBorderWidth;
          area.Top -= CellBorderWidth;
          area.Bottom += CellBorderWidth;
        }
        canvas.SetBrush({fill, bsSolid});
        canvas.FillRect(area);
      }
      {
        TLTCanvasSaver keep(canvas);
        canvas.IntersectClip(pad);
        const bool wasWhole = cell->WhollySelected;
        if (selected) cell->WhollySelected = true;
        TLTPaintParams p;
        p.Clip = pad;
        // Painting adds the cell's origin in the control; the canvas wants
        // the cell where the table is painted.
        const TLTPointI origin = cell->GetOriginInControl();
        p.ExtraX = pad.Left + CellHPadding - origin.X;
        p.ExtraY = pad.Top + CellVPadding + ContentOffset(*cell) - origin.Y;
        p.Printing = printing;
        PaintTo(*cell, canvas, p);
        cell->WhollySelected = wasWhole;
      }
      const TLTRectI border{pad.Left - CellBorderWidth, pad.Top - CellBorderWidth, pad.Right + CellBorderWidth,
                            pad.Bottom + CellBorderWidth};
      DrawTableBorder(canvas, *this, border, CellBorderWidth,
                      cell->BorderColor != clNone ? cell->BorderColor : CellBorderColor,
                      cell->BorderLightColor != clNone ? cell->BorderLightColor : CellBorderLightColor, CellBorderStyle,
                      Color, cell->VisibleBorders, printing, mode);
    }
  return true;
}

}  // namespace lectern
