// Table layout: column widths from the cells' minimal widths and the best
// widths, row heights from the cells' documents, spans spread over their
// columns and rows, every cell formatted at its width and placed.
//
// Design notes. Lengths are device pixels of the formatting pass; the
// table's own properties are screen pixels scaled by sx and sy. Sums and
// products are taken in 64 bits and results are held within kMaxLength, so
// that damaged or extreme properties cannot overflow. While the width is
// distributed every column has a kind, free, pixel (it took a pixel best
// width) or percent, and the kinds decide who takes what is left over.
// Nesting is bounded: a table inside LTMaxTableNesting tables or more lays
// out as its outer border only, so that nested formatting passes cannot
// recurse without end.

#include "platform/LTSysUtils.h"
#include "table/LTTable.h"
#include "table/LTTableEdit.h"

#include <algorithm>
#include <cstdlib>
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
      if (const TLTTableCellData* cell = Cells(r, c)) {
        const TCustomLTFormattedData& content = CellContent(*cell);
        out.insert(out.end(), content.Jumps.begin(), content.Jumps.end());
      }
}

TLTCanvas* TLTTableCellData::GetFormatCanvas() const {
  // During the table's layout, the canvas it is laid out with; at any other
  // time (hit tests, re-layout of a paragraph) its document's.
  const TLTTableItemInfo* table = Table();
  if (table && table->LayoutCanvas) return table->LayoutCanvas;
  const auto* owner = dynamic_cast<const TCustomLTFormattedData*>(GetParentData());
  return owner ? owner->GetFormatCanvas() : nullptr;
}

TLTFontInfoCache& TLTTableCellData::GetFontCache() {
  const TLTTableItemInfo* table = Table();
  if (table && table->LayoutFontCache) return *table->LayoutFontCache;
  return TCustomLTFormattedData::GetFontCache();
}

namespace {

constexpr int64_t kMaxLength = 1000000;

int32_t Hold(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, -kMaxLength, kMaxLength)); }

/// a * b / c rounded half away from zero, in 64 bits; 0 when c is 0.
int64_t MulDiv64(int64_t a, int64_t b, int64_t c) {
  if (c == 0) return 0;
  const int64_t p = a * b;
  const int64_t q = (std::llabs(p) + std::llabs(c) / 2) / std::llabs(c);
  return (p < 0) != (c < 0) ? -q : q;
}

/// The lengths of one layout pass, scaled to the device.
class TTableMetrics {
 public:
  TTableMetrics(const TLTTableItemInfo& t, const TLTDeviceScale& s) : s_(s) {
    C = t.NumColumns();
    R = t.NumRows();
    const int64_t c = C;
    P = sx(2 * int64_t{t.CellHPadding});
    Q = sx(int64_t{t.CellHSpacing} + 2 * int64_t{t.CellHPadding} + 2 * int64_t{t.CellBorderWidth});
    G = sx(int64_t{t.CellHSpacing} + 2 * int64_t{t.CellBorderWidth});
    B = sx((c - 1) * t.CellHSpacing + 2 * (int64_t{t.BorderWidth} + t.BorderHSpacing) + 2 * c * t.CellBorderWidth);
  }
  int sx(int64_t v) const { return s_.X(Hold(v)); }
  int sy(int64_t v) const { return s_.Y(Hold(v)); }
  int C = 0, R = 0;
  int64_t P = 0, Q = 0, G = 0, B = 0;

 private:
  const TLTDeviceScale& s_;
};

int64_t CellMinWidth(TCustomLTFormattedData& cell, TLTCanvas& canvas, const TLTStyle& style, const TTableMetrics& m) {
  if (cell.ItemCount() == 0) return 0;
  if (cell.ItemCount() == 1 && cell.GetItem(0).IsText() && cell.GetItem(0).TextLength() == 0) {
    const TParaInfo& p = style.ParaStyles()[cell.GetItem(0).ParaNo];
    return std::max(0, m.sx(int64_t{p.FirstIndent} + p.LeftIndent + p.RightIndent));
  }
  const int w = cell.CalcMinWidth(0, canvas);
  return w == 0 ? 10 : std::min<int64_t>(w, kMaxLength);
}

/// Widens columns first..first+n-1 until a spanning cell whose content
/// needs `need` pixels fits, and returns by how much they grew together.
/// Only the taking columns grow (null: all of them); none shrinks. The
/// minimal mode shares the shortfall in equal shares rounded half to even,
/// sparing columns already wider than a share, and repeats while the span
/// is short; the proportional mode shares it once in proportion to the
/// present widths. rest, when given, limits the shortfall to the width
/// still free and is reduced by what is taken.
int64_t Spread(std::vector<int32_t>& widths, int first, int n, int64_t need, const TTableMetrics& m,
               const std::vector<bool>* taking, bool minimal, int64_t* rest = nullptr) {
  std::vector<int> cols;
  for (int i = first; i < first + n; ++i)
    if (!taking || (*taking)[static_cast<size_t>(i)]) cols.push_back(i);
  if (cols.empty()) return 0;
  auto at = [&](int i) -> int32_t& { return widths[static_cast<size_t>(i)]; };
  auto w = [&](int i) { return int64_t{at(i)} + m.P; };
  int64_t grown = 0;
  auto grow = [&](int i, int64_t to) {
    const int32_t v = std::max(at(i), Hold(to));
    grown += v - at(i);
    at(i) = v;
  };
  for (int rep = 0;; ++rep) {
    int64_t present = -m.G;
    for (int i = first; i < first + n; ++i) present += at(i) + m.Q;
    int64_t shortfall = need + m.P - present;
    if (shortfall <= 0) return grown;
    if (!minimal || rep == 30) {
      // A column of no width takes part as if it were one pixel wide.
      int64_t d = 0, zero = 0;
      for (int i : cols) {
        zero += w(i) <= 0;
        d += std::max<int64_t>(w(i), 1);
      }
      if (rest) {
        shortfall = std::min(shortfall, *rest);
        if (shortfall <= 0) return grown;
        *rest -= shortfall + zero;
      }
      int64_t t = d + shortfall;
      for (int i : cols) {
        const int64_t wi = std::max<int64_t>(w(i), 1);
        const int64_t s = MulDiv64(wi, t, d);
        grow(i, s - m.P);
        t -= s;
        d -= wi;
      }
      return grown;
    }
    int64_t t = shortfall;
    for (int i : cols) t += w(i);
    int64_t k = static_cast<int64_t>(cols.size());
    std::vector<bool> settled(cols.size(), false);
    for (size_t j = 0; j < cols.size() && k > 0 && t > 0; ++j)
      if (w(cols[j]) >= DivRoundHalfEven(t, k)) {
        settled[j] = true;
        t -= w(cols[j]);
        --k;
      }
    for (size_t j = 0; j < cols.size() && k > 0 && t > 0; ++j) {
      if (settled[j]) continue;
      const int64_t s = DivRoundHalfEven(t, k);
      if (w(cols[j]) < s) {
        grow(cols[j], s - m.P);
        t -= s;
        --k;
      }
    }
  }
}

/// Puts the nested-layout mark on the root container for a scope and puts
/// back what it was, also when formatting a cell throws.
class TNestedLayoutMark {
 public:
  explicit TNestedLayoutMark(const TLTTableItemInfo& t) {
    if (TCustomLTData* c = t.Container()) root_ = dynamic_cast<TCustomLTFormattedData*>(&c->GetRootData());
    if (!root_) return;
    was_ = root_->NestedLayout;
    root_->NestedLayout = true;
  }
  ~TNestedLayoutMark() {
    if (root_) root_->NestedLayout = was_;
  }
  TNestedLayoutMark(const TNestedLayoutMark&) = delete;
  TNestedLayoutMark& operator=(const TNestedLayoutMark&) = delete;

 private:
  TCustomLTFormattedData* root_ = nullptr;  // not owned
  bool was_ = false;
};

/// The canvas the cells measure with while the table lays out, and the
/// font cache of its container, forgotten when the scope ends.
class TLayoutCanvasScope {
 public:
  TLayoutCanvasScope(TLTTableItemInfo& t, TLTCanvas& canvas)
      : t_(t), was_(t.LayoutCanvas), wasCache_(t.LayoutFontCache) {
    t.LayoutCanvas = &canvas;
    auto* owner = dynamic_cast<TCustomLTFormattedData*>(t.Container());
    t.LayoutFontCache = owner ? &owner->GetFontCache() : nullptr;
  }
  ~TLayoutCanvasScope() {
    t_.LayoutCanvas = was_;
    t_.LayoutFontCache = wasCache_;
  }
  TLayoutCanvasScope(const TLayoutCanvasScope&) = delete;
  TLayoutCanvasScope& operator=(const TLayoutCanvasScope&) = delete;

 private:
  TLTTableItemInfo& t_;
  TLTCanvas* was_;              // not owned
  TLTFontInfoCache* wasCache_;  // not owned
};

enum TColumnKind : uint8_t { kFree, kPixel, kPercent };

/// One layout pass over a table: the steps from the minimal widths to the
/// placed rows, with what they share (the cells' minimal widths, measured
/// once; the column kinds; the width still free).
class TTableLayout {
 public:
  TTableLayout(TLTTableItemInfo& t, TLTItemLayoutContext& ctx) : m(t, ctx.Scale), t_(t), ctx_(ctx) {}

  const TTableMetrics m;

  /// The size of a table drawn as its outer border only.
  int64_t BorderWidthOnly() const { return std::max(0, m.sx(2 * (int64_t{t_.BorderWidth} + t_.BorderHSpacing))); }
  void BorderOnly() {
    t_.TableWidth = static_cast<int32_t>(BorderWidthOnly());
    t_.TableHeight = std::max(0, m.sy(2 * (int64_t{t_.BorderWidth} + t_.BorderVSpacing)));
    t_.ColumnWidths.clear();
    t_.ColumnLefts.clear();
    t_.RowContentHeights.clear();
    t_.RowTops.clear();
  }
  int64_t MinTableWidth(bool useBest);
  /// The width the table aims at; 0 for a table whose columns are all
  /// fixed (their sum decides).
  int64_t TargetWidth(int availableWidth, bool allFixed);
  /// Column widths for the target width, and the table's width.
  void Columns(int64_t target, bool allFixed);
  void PlaceColumns();
  /// Formats every cell at its width; jumpNo numbers their hyperlinks.
  void FormatCells(int& jumpNo);
  void Rows();
  void PlaceRows();

 private:
  int64_t MinOf(int r, int c);
  /// Every column at its minimal width, with spread the spanning cells'
  /// minimal widths spread over them; with raise, pixel best widths count
  /// as minimal widths too.
  std::vector<int32_t> MinimalColumns(bool raise, bool spread = true);
  void SpreadMinimalSpans();
  void PercentColumns(int64_t a1);
  void BestSpans(bool percent, int64_t a1, bool limited);
  void PixelColumns(bool allFixed);
  void ShareRest(int64_t a1);
  int64_t ContentHeight(const TLTTableCellData& cell) const;
  int32_t& Width(int c) { return t_.ColumnWidths[static_cast<size_t>(c)]; }
  TColumnKind& Kind(int c) { return kinds_[static_cast<size_t>(c)]; }

  TLTTableItemInfo& t_;
  TLTItemLayoutContext& ctx_;
  std::vector<int64_t> mins_;  // row-major, measured on first use
  std::vector<TColumnKind> kinds_;
  int64_t rest_ = 0;
};

int64_t TTableLayout::MinOf(int r, int c) {
  if (mins_.empty()) {
    mins_.assign(static_cast<size_t>(m.R) * static_cast<size_t>(m.C), 0);
    if (!t_.Options.Contains(lttoIgnoreContentWidth))
      for (int i = 0; i < m.R; ++i)
        for (int j = 0; j < m.C; ++j)
          if (TLTTableCellData* cell = t_.Cells(i, j))
            mins_[static_cast<size_t>(i) * static_cast<size_t>(m.C) + static_cast<size_t>(j)] =
                CellMinWidth(t_.CellContent(*cell), ctx_.Canvas, ctx_.Style, m);
  }
  return mins_[static_cast<size_t>(r) * static_cast<size_t>(m.C) + static_cast<size_t>(c)];
}

std::vector<int32_t> TTableLayout::MinimalColumns(bool raise, bool spread) {
  std::vector<int32_t> widths(static_cast<size_t>(m.C), 0);
  for (int r = 0; r < m.R; ++r)
    for (int c = 0; c < m.C; ++c)
      if (const TLTTableCellData* cell = t_.Cells(r, c); cell && cell->ColumnsSpanned == 1)
        widths[static_cast<size_t>(c)] = std::max(widths[static_cast<size_t>(c)], Hold(MinOf(r, c)));
  if (raise)
    for (int c = 0; c < m.C; ++c)
      widths[static_cast<size_t>(c)] = std::max(widths[static_cast<size_t>(c)], m.sx(t_.ColumnBestPixelWidth(c)));
  for (int r = 0; r < m.R && spread; ++r)
    for (int c = 0; c < m.C; ++c) {
      const TLTTableCellData* cell = t_.Cells(r, c);
      if (!cell || cell->ColumnsSpanned <= 1) continue;
      int64_t need = MinOf(r, c);
      if (raise) need = std::max<int64_t>(need, m.sx(cell->BestWidth));
      Spread(widths, c, std::min(cell->ColumnsSpanned, m.C - c), need, m, nullptr, true);
    }
  return widths;
}

void TTableLayout::SpreadMinimalSpans() {
  for (int r = 0; r < m.R; ++r)
    for (int c = 0; c < m.C; ++c)
      if (const TLTTableCellData* cell = t_.Cells(r, c); cell && cell->ColumnsSpanned > 1)
        Spread(t_.ColumnWidths, c, std::min(cell->ColumnsSpanned, m.C - c), MinOf(r, c), m, nullptr, true);
}

int64_t TTableLayout::MinTableWidth(bool useBest) {
  if (m.R == 0 || m.C == 0) return BorderWidthOnly();
  const std::vector<int32_t> widths = MinimalColumns(useBest && t_.BestWidth == 0);
  int64_t total = m.B + m.C * m.P + std::accumulate(widths.begin(), widths.end(), int64_t{0});
  if (useBest) total = std::max<int64_t>(total, m.sx(t_.BestWidth));
  return std::clamp<int64_t>(total, 0, kMaxLength);
}

int64_t TTableLayout::TargetWidth(int availableWidth, bool allFixed) {
  if (t_.BestWidth > 0) return m.sx(t_.BestWidth);
  if (t_.BestWidth < 0)
    return std::min(int64_t{std::max(availableWidth, 0)} * -int64_t{t_.BestWidth} / 100, kMaxLength);
  if (allFixed) return 0;
  return std::max<int64_t>(MinTableWidth(true), availableWidth);
}

void TTableLayout::PercentColumns(int64_t a1) {
  // Growing columns give their present widths back and are owed them, so
  // that one percent column cannot take what another needs for its minimum.
  std::vector<int64_t> want(static_cast<size_t>(m.C), 0);
  int64_t owed = 0, d = 0;
  for (int c = 0; c < m.C; ++c) {
    if (!t_.ColumnHasPercentCell(c)) continue;
    const int64_t wnt = std::max<int64_t>(0, t_.ColumnPercentWidth(c, Hold(a1)) - m.P);
    want[static_cast<size_t>(c)] = wnt;
    if (wnt > Width(c)) {
      rest_ += Width(c);
      owed += Width(c);
      d += wnt;
    }
  }
  if (d == 0) return;
  d = std::max(d, rest_);
  for (int c = 0; c < m.C; ++c) {
    const int64_t wnt = want[static_cast<size_t>(c)];
    if (wnt <= 0) continue;
    if (wnt <= Width(c)) {
      Kind(c) = kPercent;
      continue;
    }
    owed -= Width(c);
    int64_t s = MulDiv64(wnt, rest_, d);
    d -= wnt;
    if (s > 0) Kind(c) = kPercent;
    s = std::min(s, rest_ - owed);
    Width(c) = std::max(Width(c), Hold(s));
    rest_ -= Width(c);
    if (rest_ == 0 && owed == 0) break;
  }
}

void TTableLayout::BestSpans(bool percent, int64_t a1, bool limited) {
  // A spanning cell's best width goes to the free columns under it, else to
  // the free and pixel ones, else (percent spans) to all of them; the free
  // columns under it then take its kind.
  for (int r = 0; r < m.R; ++r)
    for (int c = 0; c < m.C; ++c) {
      const TLTTableCellData* cell = t_.Cells(r, c);
      if (!cell || cell->ColumnsSpanned <= 1 || (percent ? cell->BestWidth >= 0 : cell->BestWidth <= 0)) continue;
      if (limited && rest_ <= 0) return;
      const int n = std::min(cell->ColumnsSpanned, m.C - c);
      const int64_t need = percent ? MulDiv64(-int64_t{cell->BestWidth}, a1, 100) - m.P : m.sx(cell->BestWidth);
      std::vector<bool> taking(static_cast<size_t>(m.C), false);
      bool any = false;
      for (int k = c; k < c + n; ++k) any |= (taking[static_cast<size_t>(k)] = Kind(k) == kFree);
      if (!any)
        for (int k = c; k < c + n; ++k) any |= (taking[static_cast<size_t>(k)] = Kind(k) != kPercent);
      if (!any && percent)
        for (int k = c; k < c + n; ++k) any = taking[static_cast<size_t>(k)] = true;
      if (any) Spread(t_.ColumnWidths, c, n, need, m, &taking, false, limited ? &rest_ : nullptr);
      for (int k = c; k < c + n; ++k)
        if (Kind(k) == kFree) Kind(k) = percent ? kPercent : kPixel;
    }
}

void TTableLayout::PixelColumns(bool allFixed) {
  if (allFixed) {
    for (int c = 0; c < m.C; ++c)
      if (const int b = m.sx(t_.ColumnBestPixelWidth(c)); Kind(c) == kFree && b > 0) {
        Kind(c) = kPixel;
        Width(c) = std::max(Width(c), b);
      }
    return;
  }
  // Columns wanting more than they have give their widths back and share
  // what is free in proportion to their wants, never below their minimum.
  std::vector<int64_t> want(static_cast<size_t>(m.C), 0);
  int64_t d = 0;
  for (int c = 0; c < m.C; ++c) {
    if (Kind(c) != kFree) continue;
    const int64_t b = m.sx(t_.ColumnBestPixelWidth(c));
    if (b <= 0) continue;
    Kind(c) = kPixel;
    if (b > Width(c)) {
      rest_ += Width(c);
      want[static_cast<size_t>(c)] = b;
      d += b;
    }
  }
  int64_t num = std::min(rest_, d);
  for (int c = 0; c < m.C && d > 0; ++c) {
    const int64_t wnt = want[static_cast<size_t>(c)];
    if (wnt == 0) continue;
    int64_t s = std::min(MulDiv64(wnt, num, d), rest_);
    s = std::max<int64_t>(s, Width(c));
    rest_ -= s;
    Width(c) = Hold(s);
    d -= wnt;
    num -= s;
  }
}

void TTableLayout::ShareRest(int64_t a1) {
  std::vector<int> free;
  bool anyPixel = false;
  for (int c = 0; c < m.C; ++c) {
    if (Kind(c) == kFree) free.push_back(c);
    anyPixel |= Kind(c) == kPixel;
  }
  if (!free.empty()) {
    int64_t left = static_cast<int64_t>(free.size());
    for (int c : free) {
      if (rest_ <= 0) break;
      const int64_t share = rest_ / left--;
      Width(c) = Hold(Width(c) + share);
      rest_ -= share;
    }
    return;
  }
  // No free column: in proportion, to the percent columns by their wants
  // when there is no pixel column, else to the columns without a percent
  // cell by their best pixel widths.
  std::vector<std::pair<int, int64_t>> takers;
  for (int c = 0; c < m.C; ++c) {
    const bool percent = t_.ColumnHasPercentCell(c);
    if (!anyPixel && percent)
      takers.push_back({c, std::max<int64_t>(1, t_.ColumnPercentWidth(c, Hold(a1)) - m.P)});
    else if (anyPixel && !percent)
      takers.push_back({c, std::max<int64_t>(1, t_.ColumnBestPixelWidth(c))});
  }
  int64_t d = 0;
  for (const auto& taker : takers) d += taker.second;
  for (const auto& [c, wnt] : takers) {
    if (rest_ < 1) break;
    const int64_t s = std::min(MulDiv64(rest_, wnt, d), rest_);
    Width(c) = Hold(Width(c) + s);
    rest_ -= s;
    d -= wnt;
  }
}

void TTableLayout::Columns(int64_t target, bool allFixed) {
  const int64_t a1 = allFixed ? 0 : target - m.B;
  const int64_t a2 = allFixed ? 0 : a1 - m.sx(2 * int64_t{m.C} * t_.CellHPadding);
  kinds_.assign(static_cast<size_t>(m.C), kFree);
  rest_ = 0;
  auto sum = [&] { return std::accumulate(t_.ColumnWidths.begin(), t_.ColumnWidths.end(), int64_t{0}); };
  if (allFixed) {
    // The best widths first; the spans' content widths only where the
    // best widths leave a span too narrow.
    t_.ColumnWidths = MinimalColumns(false, false);
    PixelColumns(true);
    BestSpans(false, a1, false);
    SpreadMinimalSpans();
    t_.TableWidth = Hold(std::max<int64_t>(0, m.B + m.sx(2 * int64_t{m.C} * t_.CellHPadding) + sum()));
    return;
  }
  // The minimal widths with the spans spread over them: their sum is the
  // table's minimal width, which a narrower target cannot go below.
  t_.ColumnWidths = MinimalColumns(false);
  const int64_t minSum = sum();
  const int64_t minimal = m.B + m.C * m.P + minSum;
  if (minimal >= target) {
    t_.TableWidth = Hold(std::max<int64_t>(0, minimal));
    return;
  }
  rest_ = a2 - minSum;
  PercentColumns(a1);
  if (rest_ > 0) BestSpans(true, a1, true);
  if (rest_ > 0) PixelColumns(false);
  if (rest_ > 0) BestSpans(false, a1, true);
  if (rest_ > 0) ShareRest(a1);
  // Never narrower than its columns, so that no cell reaches outside it.
  t_.TableWidth = Hold(std::max(target, m.B + m.sx(2 * int64_t{m.C} * t_.CellHPadding) + sum()));
}

/// Where each track (column or row) starts: the first at start, each
/// further one after its predecessor's size and an even share of what the
/// spacings, paddings and borders of all tracks take.
std::vector<int32_t> TrackStarts(int64_t start, int64_t spacing, const std::vector<int32_t>& sizes) {
  const int n = static_cast<int>(sizes.size());
  std::vector<int32_t> starts(sizes.size());
  int64_t at = start, unshared = spacing;
  for (int i = 0; i < n; ++i) {
    starts[static_cast<size_t>(i)] = Hold(at);
    const int64_t share = unshared / (n - i);
    unshared -= share;
    at += sizes[static_cast<size_t>(i)] + share;
  }
  return starts;
}

void TTableLayout::PlaceColumns() {
  const int64_t h = m.sx(int64_t{m.C} * (2 * (int64_t{t_.CellHPadding} + t_.CellBorderWidth) + t_.CellHSpacing));
  t_.ColumnLefts =
      TrackStarts(m.sx(int64_t{t_.BorderWidth} + t_.BorderHSpacing + t_.CellBorderWidth), h, t_.ColumnWidths);
  for (int r = 0; r < m.R; ++r)
    for (int c = 0; c < m.C; ++c) {
      TLTTableCellData* cell = t_.Cells(r, c);
      if (!cell) continue;
      const int n = std::clamp(cell->ColumnsSpanned, 1, m.C - c);
      int64_t w = m.P + MulDiv64(h, n - 1, m.C);
      for (int k = c; k < c + n; ++k) w += Width(k);
      cell->Left = t_.ColumnLefts[static_cast<size_t>(c)];
      cell->Width = Hold(w);
      cell->LayoutClientWidth = Hold(std::max<int64_t>(0, w - m.P));
    }
}

void TTableLayout::FormatCells(int& jumpNo) {
  TNestedLayoutMark mark(t_);
  for (int r = 0; r < m.R; ++r)
    for (int c = 0; c < m.C; ++c)
      if (TLTTableCellData* cell = t_.Cells(r, c)) {
        // The cell being edited is laid out in its editor, as itself.
        TCustomLTFormattedData& content = t_.CellContent(*cell);
        if (TLTTableInplaceEdit* e = t_.InplaceEditor(); e && &content != cell)
          e->LayOutAsCell(ctx_.Canvas, jumpNo);
        else
          cell->FormatAll({.Force = true,
                           .ForceTables = ctx_.Force,
                           .NoScroll = true,
                           .Canvas = &ctx_.Canvas,
                           .FirstJumpNo = jumpNo});
        jumpNo = content.NextJumpNo;
      }
}

// Device pixels: the best height is scaled, the document's height already
// is in the device's pixels and must not be scaled again.
int64_t TTableLayout::ContentHeight(const TLTTableCellData& cell) const {
  const int64_t content =
      t_.Options.Contains(lttoIgnoreContentHeight) && cell.BestHeight > 0 ? 0 : int64_t{t_.CellContent(cell).DocumentHeight};
  return std::max<int64_t>(m.sy(cell.BestHeight), content);
}

void TTableLayout::Rows() {
  std::vector<int32_t>& heights = t_.RowContentHeights;
  heights.assign(static_cast<size_t>(m.R), 0);
  const int64_t r = m.R;
  int64_t total = m.sy(2 * (r * t_.CellVPadding + t_.BorderWidth + t_.BorderVSpacing) + (r - 1) * t_.CellVSpacing +
                       2 * r * t_.CellBorderWidth);
  for (int i = 0; i < m.R; ++i) {
    int64_t h = 0;
    for (int c = 0; c < m.C; ++c)
      if (const TLTTableCellData* cell = t_.Cells(i, c); cell && cell->RowsSpanned == 1)
        h = std::max(h, ContentHeight(*cell));
    if (h == 0) h = m.sy(10);
    heights[static_cast<size_t>(i)] = Hold(h);
    total += heights[static_cast<size_t>(i)];
  }
  // A tall spanning cell gives what it lacks to the rows of its span that
  // no other cell ends in, else to all of them, in proportion to their
  // heights.
  for (int i = 0; i < m.R; ++i)
    for (int c = 0; c < m.C; ++c) {
      const TLTTableCellData* cell = t_.Cells(i, c);
      if (!cell || cell->RowsSpanned <= 1) continue;
      const int k = std::min(cell->RowsSpanned, m.R - i);
      const int64_t need = ContentHeight(*cell) + m.sy(2 * int64_t{t_.CellVPadding});
      int64_t have =
          k * int64_t{m.sy(int64_t{t_.CellVSpacing} + 2 * int64_t{t_.CellVPadding} + 2 * int64_t{t_.CellBorderWidth})} -
          m.sy(int64_t{t_.CellVSpacing} + 2 * int64_t{t_.CellBorderWidth});
      for (int j = i; j < i + k; ++j) have += heights[static_cast<size_t>(j)];
      if (have >= need) continue;
      int64_t extra = need - have;
      total += extra;
      std::vector<int> takers;
      for (int j = i + 1; j < i + k; ++j) {
        bool free = true;
        for (int cc = 0; cc < m.C && free; ++cc)
          if (const TLTTableCellData* other = t_.Cells(j, cc); other && j + other->RowsSpanned <= i + k) free = false;
        if (free) takers.push_back(j);
      }
      if (takers.empty())
        for (int j = i; j < i + k; ++j) takers.push_back(j);
      int64_t sum = 0;
      for (int j : takers) sum += std::max(heights[static_cast<size_t>(j)], 1);
      for (int j : takers) {
        const int64_t hj = std::max(heights[static_cast<size_t>(j)], 1);
        const int64_t s = MulDiv64(hj, extra, sum);
        heights[static_cast<size_t>(j)] = Hold(heights[static_cast<size_t>(j)] + s);
        extra -= s;
        sum -= hj;
      }
    }
  t_.TableHeight = Hold(std::max<int64_t>(0, total));
}

void TTableLayout::PlaceRows() {
  const int64_t v = m.sy(int64_t{m.R} * (2 * (int64_t{t_.CellVPadding} + t_.CellBorderWidth) + t_.CellVSpacing));
  t_.RowTops =
      TrackStarts(m.sy(int64_t{t_.BorderWidth} + t_.BorderVSpacing + t_.CellBorderWidth), v, t_.RowContentHeights);
  const int64_t padding = m.sy(2 * int64_t{t_.CellVPadding});
  for (int r = 0; r < m.R; ++r)
    for (int c = 0; c < m.C; ++c) {
      TLTTableCellData* cell = t_.Cells(r, c);
      if (!cell) continue;
      const int k = std::clamp(cell->RowsSpanned, 1, m.R - r);
      int64_t h = padding + MulDiv64(v, k - 1, m.R);
      for (int i = r; i < r + k; ++i) h += t_.RowContentHeights[static_cast<size_t>(i)];
      cell->Top = t_.RowTops[static_cast<size_t>(r)];
      cell->Height = Hold(h);
      cell->LayoutClientHeight = Hold(std::max<int64_t>(0, h - padding));
    }
}

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
  const int d = CellContent(cell).DocumentHeight;
  switch (va) {
    case ltcTop:
      return 0;
    case ltcBottom:
      return cell.Height - d - 2 * CellVPadding;
    default:
      return (cell.Height - d) / 2 - CellVPadding;
  }
}

int TLTTableItemInfo::CalcMinTableWidth(TLTItemLayoutContext& ctx, bool useBestWidths) {
  TTableLayout l(*this, ctx);
  if (NestingLevel() >= LTMaxTableNesting) return static_cast<int>(l.BorderWidthOnly());
  TLayoutCanvasScope canvas(*this, ctx.Canvas);
  return static_cast<int>(l.MinTableWidth(useBestWidths));
}

void TLTTableItemInfo::OnDocWidthChange(TLTItemLayoutContext& ctx, int availableWidth) {
  if (LayoutInvalid) {
    LayoutInvalid = false;
    TableWidth = 0;
    // The grid may have changed under the remembered cell.
    LastCellRow = LastCellCol = -1;
  }
  TTableLayout l(*this, ctx);
  if (l.m.R == 0 || l.m.C == 0 || NestingLevel() >= LTMaxTableNesting) {
    l.BorderOnly();
    return;
  }
  TLayoutCanvasScope canvas(*this, ctx.Canvas);
  // A fixed table width is kept unless the table is not all-fixed; then
  // the columns' sum decides.
  const bool allFixed = BestWidth == 0 && AllColumnsFixed();
  const int64_t target = l.TargetWidth(availableWidth, allFixed);
  // The cells' hyperlinks are numbered in the table's turn: a layout kept
  // as it was must also have numbered them from the same place.
  const int firstJump = ctx.NextJumpNo ? *ctx.NextJumpNo : 0;
  if (target != 0 && target == TableWidth && !ctx.Force && firstJump == JumpNoFrom) {
    if (ctx.NextJumpNo) *ctx.NextJumpNo = JumpNoTo;
    return;
  }
  TableWidth = Hold(target);
  l.Columns(target, allFixed);
  l.PlaceColumns();
  int jumpNo = firstJump;
  l.FormatCells(jumpNo);
  l.Rows();
  l.PlaceRows();
  JumpNoFrom = firstJump;
  JumpNoTo = jumpNo;
  if (ctx.NextJumpNo) *ctx.NextJumpNo = jumpNo;
}

}  // namespace lectern
