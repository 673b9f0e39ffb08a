// Table painting: the background with its picture, the rules, the outer
// border, and for every cell its background, its document and its border;
// a light grid where borders are missing, so that a borderless table stays
// visible while it is edited.
//
// Design notes. Painting is driven by the clip rectangle: the first row is
// found by binary search on RowTops and the walk stops at the first row
// below and the first column right of the clip, so that a long table costs
// what its visible part costs. Cells that start above the first visible
// row but reach into it are painted first. Painting reads the screen
// layout and never measures. A table with no layout of its grid (empty,
// nested too deeply, or not laid out yet) paints its background and outer
// border only.

#include "platform/LTColors.h"
#include "table/LTTable.h"
#include "table/LTTableEdit.h"
#include "view/LTPaint.h"

#include <algorithm>

namespace lectern {

namespace {

const TColor kWhite = MakeColor(0xFFFFFF);

// Backgrounds turn white on two-tone and black-text output.
TColor FillColor(TColor c, TLTOutputColorMode mode) {
  if (c != clNone && (mode == ltocTwoTone || mode == ltocBlackText)) return kWhite;
  return OutputColor(c, mode);
}

// Lines keep white on two-tone and black-text output, unlike text.
TColor LineColor(TColor c, TLTOutputColorMode mode) {
  if (c != clNone && (mode == ltocTwoTone || mode == ltocBlackText) && ColorToRGB(ResolveSystemColor(c)) == kWhite)
    return kWhite;
  return OutputColor(c, mode);
}

TLTRectI Intersect(const TLTRectI& a, const TLTRectI& b) {
  return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
}

/// The last index whose value is below limit, 0 when none; values are
/// ascending in a sane layout, and an unsorted one still gives an index.
int LastBelow(const std::vector<int32_t>& values, int64_t limit) {
  int lo = 0, hi = static_cast<int>(values.size());  // the answer + 1 lies in [lo, hi]
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (values[static_cast<size_t>(mid)] < limit)
      lo = mid + 1;
    else
      hi = mid;
  }
  return std::max(lo - 1, 0);
}

/// Leaves the pen style solid when the scope ends, whatever a border drew
/// with or an event handler left behind.
class TSolidPenOnExit {
 public:
  explicit TSolidPenOnExit(TLTCanvas& c) : c_(c) {}
  ~TSolidPenOnExit() {
    TLTPen pen = c_.Pen();
    pen.Style = psSolid;
    c_.SetPen(pen);
  }
  TSolidPenOnExit(const TSolidPenOnExit&) = delete;
  TSolidPenOnExit& operator=(const TSolidPenOnExit&) = delete;

 private:
  TLTCanvas& c_;
};

/// The control's background painter, with the table's placement kinds.
void PaintBack(TLTCanvas& canvas, const TLTRectI& area, const TLTRectI& place, TColor color, const TGraphic* picture,
               TLTItemBackgroundStyle style) {
  static constexpr TBackgroundStyle kAs[] = {bsNoBitmap, bsStretched, bsTiled, bsCentered};
  PaintBackgroundIn(canvas, area, place, color, picture, kAs[std::min<size_t>(style, 3)]);
}

/// The colour behind a table: its cell's (or that cell's table's) when it
/// lies in a cell, else the document's.
TColor BackgroundBehind(const TLTTableItemInfo& t) {
  for (const TCustomLTData* d = t.Container(); d; d = d->GetParentData()) {
    const auto* cell = dynamic_cast<const TLTTableCellData*>(d);
    if (!cell) {
      const TLTStyle* style = d->GetStyle();
      return style ? style->Color : clWindow;
    }
    if (cell->Color != clNone) return cell->Color;
    if (const TLTTableItemInfo* outer = cell->Table(); outer && outer->Color != clNone) return outer->Color;
  }
  return clWindow;
}

}  // namespace

void TLTTableItemInfo::Paint(TLTCanvas& canvas, const TLTItemPaintInfo& info) const {
  PaintTable(canvas, info.Box.Left, info.Box.Top, Intersect(info.Box, info.Clip), info.State, info.ColorMode,
             *info.Style, info.Context);
  info.FrameSelection(canvas, info.Box);
}

void TLTTableItemInfo::DumpFields(std::string& out) const {
  out += " rows=" + std::to_string(NumRows()) + " cols=" + std::to_string(NumColumns());
}

void TLTTableItemInfo::PaintTable(TLTCanvas& canvas, int x, int y, const TLTRectI& clip, TLTItemDrawState state,
                                  TLTOutputColorMode mode, const TLTStyle& style,
                                  const TLTPaintContext* context) const {
  const bool printing = state.Contains(ltidsPrinting) || canvas.IsPrinter();
  const bool selected = state.Contains(ltidsSelected) && !printing;
  const bool editable = IsInEditableDocument();
  const TLTRectI box{x, y, x + TableWidth, y + TableHeight};
  TLTCanvasSaver keep(canvas);

  PaintBack(canvas, Intersect(box, clip), box, FillColor(Color, mode), BackgroundImage.get(), BackgroundStyle);
  canvas.SetPen({canvas.Pen().Color, 1, psSolid});
  const int rows = NumRows(), cols = NumColumns();
  const bool laidOut = rows > 0 && cols > 0 && static_cast<int>(RowTops.size()) == rows &&
                       static_cast<int>(ColumnLefts.size()) == cols && NestingLevel() < LTMaxTableNesting;
  if (laidOut) PaintRules(canvas, x, y, mode, &clip);

  TLTDrawBorderParams outer;
  outer.Left = box.Left;
  outer.Top = box.Top;
  outer.Right = box.Right;
  outer.Bottom = box.Bottom;
  outer.Width = BorderWidth;
  outer.Color = BorderColor;
  outer.LightColor = BorderLightColor;
  outer.Style = BorderStyle;
  outer.BackgroundColor = BackgroundBehind(*this);
  outer.Printing = printing;
  outer.VisibleBorders = &VisibleBorders;
  DrawBorder(canvas, outer, clip, editable, mode);
  if (!laidOut) return;

  // The cells' documents are painted as the document around them is; a
  // table selected as a whole selects every cell.
  TCellPainting p;
  p.X = x;
  p.Y = y;
  p.Clip = clip;
  if (context) p.Inner = *context;
  p.Inner.State = state - TLTItemDrawState{ltidsSelected, ltidsHover, ltidsCurrent, ltidsRightToLeft};
  if (printing) p.Inner.State.Include(ltidsPrinting);
  p.Inner.ColorMode = mode;
  p.Inner.WhollySelected = selected || (context && context->WhollySelected);
  p.Editable = editable;
  p.Selected = selected;
  p.SelColor = state.Contains(ltidsFocused) ? style.SelColor : style.InactiveSelColor;

  // The first row that can show: the last one starting above the clip.
  const int fr = LastBelow(RowTops, int64_t{clip.Top} - y - BorderWidth);
  // Cells that start above it and reach into it, right to left.
  if (fr > 0)
    for (int c = cols - 1; c >= 0;) {
      int mr = 0, mc = 0;
      if (!GetMainCell(fr, c, mr, mc)) {
        --c;
        continue;
      }
      if (mr < fr) PaintCell(canvas, mr, mc, p);
      c = mc - 1;
    }
  TLTStyle* sheet = container_ ? container_->GetStyle() : nullptr;
  const bool pageBreaks = sheet && container_->GetOptions().Contains(ltoShowPageBreaks);
  for (int r = fr; r < rows; ++r) {
    if (int64_t{y} + RowTops[static_cast<size_t>(r)] - CellBorderWidth > clip.Bottom) break;
    for (int c = 0; c < cols; ++c) {
      if (int64_t{x} + ColumnLefts[static_cast<size_t>(c)] - CellBorderWidth > clip.Right) break;
      if (Cells(r, c)) PaintCell(canvas, r, c, p);
    }
    if (r > 0 && pageBreaks && Rows[r].PageBreakBefore) {
      TLTCanvasSaver keepMark(canvas);
      sheet->PaintPageBreak(canvas, y + RowTops[static_cast<size_t>(r)], -x, ltpbPageBreak, TableWidth, container_);
    }
  }
  TLTPen pen = canvas.Pen();
  pen.Width = 1;
  canvas.SetPen(pen);
}

void TLTTableItemInfo::PaintCell(TLTCanvas& canvas, int r, int c, const TCellPainting& p) const {
  const TLTTableCellData& cell = *Cells(r, c);
  const TLTOutputColorMode mode = p.Inner.ColorMode;
  const TLTRectI pad{p.X + cell.Left, p.Y + cell.Top, p.X + cell.Left + cell.Width, p.Y + cell.Top + cell.Height};
  const bool bySelection = (p.Selected || IsCellSelected(r, c)) && p.SelColor != clNone;
  const TColor color = FillColor(bySelection ? p.SelColor : cell.Color, mode);
  if (color != clNone || cell.BackgroundImage) {
    TLTRectI area = pad;
    if (Options.Contains(lttoCellBelowBorders)) {
      area.Left -= CellBorderWidth;
      area.Right += CellBorderWidth;
      area.Top -= CellBorderWidth;
      area.Bottom += CellBorderWidth;
    }
    PaintBack(canvas, Intersect(area, p.Clip), area, color, bySelection ? nullptr : cell.BackgroundImage.get(),
              cell.BackgroundStyle);
  }
  if (const TLTRectI visible = Intersect(pad, p.Clip); !visible.IsEmpty()) {
    TLTCanvasSaver keepClip(canvas);
    canvas.IntersectClip(pad);
    TLTPaintContext inner = p.Inner;
    const TCustomLTFormattedData& content = CellContent(cell);
    if (&content != &cell) {
      // The cell being edited shows its editor's selection and caret item.
      const TLTPaintContext e = InplaceEditor()->ContentPaintContext();
      inner.Selection = e.Selection;
      inner.HoverJumpId = e.HoverJumpId;
      inner.CurrentItem = e.CurrentItem;
      inner.WhollySelected = false;
    }
    inner.Clip = visible;
    inner.Origin = {pad.Left + CellHPadding, pad.Top + CellVPadding + ContentOffset(cell)};
    PaintTo(content, canvas, inner);
  }
  TLTDrawBorderParams b;
  b.Left = pad.Left - CellBorderWidth;
  b.Top = pad.Top - CellBorderWidth;
  b.Right = pad.Right + CellBorderWidth;
  b.Bottom = pad.Bottom + CellBorderWidth;
  b.Width = CellBorderWidth;
  b.Color = cell.BorderColor != clNone ? cell.BorderColor : CellBorderColor;
  b.LightColor = cell.BorderLightColor != clNone ? cell.BorderLightColor : CellBorderLightColor;
  b.Style = CellBorderStyle;
  b.BackgroundColor = Color;
  b.Printing = p.Inner.IsPrinting();
  b.VisibleBorders = &cell.VisibleBorders;
  b.Row = r;
  b.Col = c;
  DrawBorder(canvas, b, p.Clip, p.Editable, mode);
}

void TLTTableItemInfo::PaintRules(TLTCanvas& canvas, int x, int y, TLTOutputColorMode mode,
                                  const TLTRectI* clipOrNull) const {
  const bool vRules = VRuleWidth != 0 && VRuleColor != clNone;
  const bool hRules = HRuleWidth != 0 && HRuleColor != clNone;
  if (!vRules && !hRules) return;
  const TLTRectI clip = clipOrNull ? *clipOrNull : TLTRectI{x, y, x + TableWidth, y + TableHeight};
  TLTCanvasSaver keep(canvas);
  // A rule of width rw is rw one-pixel lines centred on c; vertical lines
  // reach no further than a pixel beyond the clip.
  auto vertical = [&](int c, int rw, int e) {
    const int top = std::max(y + e, clip.Top - 1), bottom = std::min(y + TableHeight - e, clip.Bottom + 1);
    if (top >= bottom) return;
    for (int k = 0; k < rw; ++k) canvas.FillRect({c - rw / 2 + k, top, c - rw / 2 + k + 1, bottom});
  };
  auto horizontal = [&](int c, int rw, int e) {
    for (int k = 0; k < rw; ++k) canvas.FillRect({x + e, c - rw / 2 + k, x + TableWidth - e, c - rw / 2 + k + 1});
  };
  if (vRules) {
    canvas.SetBrush({LineColor(VRuleColor, mode), bsSolid});
    const int rw = std::abs(VRuleWidth);
    const int half = (CellHSpacing + 2 * CellBorderWidth + 1) / 2;
    const int e = hRules && HOutermostRule ? BorderWidth + BorderVSpacing / 2 : 0;
    const int fc = LastBelow(ColumnLefts, int64_t{clip.Left} - x - (BorderWidth + CellHSpacing + BorderHSpacing));
    if (VOutermostRule && fc == 0) vertical(x + BorderWidth + BorderHSpacing / 2, rw, e);
    for (size_t j = static_cast<size_t>(fc) + 1; j < ColumnLefts.size(); ++j) {
      const int c = x + ColumnLefts[j] - half;
      if (c - rw > clip.Right) break;
      vertical(c, rw, e);
    }
    if (VOutermostRule) vertical(x + TableWidth - (BorderWidth + BorderHSpacing / 2) - (rw % 2), rw, e);
  }
  if (hRules) {
    canvas.SetBrush({LineColor(HRuleColor, mode), bsSolid});
    const int rw = std::abs(HRuleWidth);
    const int half = (CellVSpacing + 2 * CellBorderWidth + 1) / 2;
    const int e = vRules && VOutermostRule ? BorderWidth + BorderHSpacing / 2 : 0;
    const int fr = LastBelow(RowTops, int64_t{clip.Top} - y - BorderWidth);
    if (HOutermostRule && fr < 2) horizontal(y + BorderWidth + BorderVSpacing / 2, rw, e);
    for (size_t i = static_cast<size_t>(fr); i + 1 < RowTops.size(); ++i) {
      const int c = y + RowTops[i + 1] - half;
      if (c - rw > clip.Bottom) break;
      horizontal(c, rw, e);
    }
    if (HOutermostRule) horizontal(y + TableHeight - (BorderWidth + BorderVSpacing / 2) - (rw % 2), rw, e);
  }
}

void TLTTableItemInfo::DrawBorder(TLTCanvas& canvas, const TLTDrawBorderParams& border, const TLTRectI& clip,
                                  bool editable, TLTOutputColorMode mode) const {
  const int left = border.Left, top = border.Top, right = border.Right, bottom = border.Bottom;
  if (right <= clip.Left || left >= clip.Right || bottom <= clip.Top || top >= clip.Bottom) return;
  TSolidPenOnExit solid(canvas);
  if (OnDrawBorder) {
    TLTDrawBorderParams e = border;
    e.Sender = this;
    e.Canvas = &canvas;
    e.DoDefault = true;
    OnDrawBorder(e);
    if (!e.DoDefault) return;
  }
  const TLTPenStyle gridStyle = editable ? TableGridStyle : TableGridReadOnlyStyle;
  const bool grid = !Options.Contains(lttoHideGridLines) && !border.Printing && gridStyle != psClear;
  canvas.SetBrushStyle(bsClear);
  if (border.Width == 0) {
    if (!grid) return;
    canvas.SetPen({TableGridColor, 1, gridStyle});
    canvas.Line(left, top, right - 1, top);
    canvas.Line(right - 1, top, right - 1, bottom - 1);
    canvas.Line(right - 1, bottom - 1, left, bottom - 1);
    canvas.Line(left, bottom - 1, left, top);
    return;
  }
  if (border.Width < 0) return;
  if (grid) DrawGridLines(canvas, border, clip, {TableGridColor, 1, gridStyle});
  // Bands beyond the rectangle's size would only draw outside it.
  const int w = static_cast<int>(
      std::min<int64_t>(border.Width, std::max<int64_t>(int64_t{right} - left, int64_t{bottom} - top) + 1));
  if (border.Style == lttbColor)
    DrawColorBorder(canvas, border, clip, w, mode);
  else
    Draw3DBorder(canvas, border, clip, w, mode);
}

namespace {

/// Lines of a border inside a clip: vertical lines reach no further than a
/// pixel beyond it, and both ends of a line are drawn.
class TBorderLines {
 public:
  TBorderLines(TLTCanvas& canvas, const TLTRectI& clip) : c_(canvas), clip_(clip) {}
  void V(int x, int y1, int y2) const {
    y1 = std::max(y1, clip_.Top - 1);
    y2 = std::min(y2, clip_.Bottom + 1);
    if (y1 <= y2) c_.Line(x, y1, x, y2 + 1);
  }
  void H(int x1, int x2, int y) const { c_.Line(x1, y, x2 + 1, y); }

 private:
  TLTCanvas& c_;
  const TLTRectI& clip_;
};

const TLTBooleanRect& SidesOf(const TLTDrawBorderParams& border) {
  static const TLTBooleanRect kAllSides;
  return border.VisibleBorders ? *border.VisibleBorders : kAllSides;
}

}  // namespace

void TLTTableItemInfo::DrawGridLines(TLTCanvas& canvas, const TLTDrawBorderParams& border, const TLTRectI& clip,
                                     const TLTPen& pen) const {
  const TLTBooleanRect& sides = SidesOf(border);
  if (sides.Left && sides.Top && sides.Right && sides.Bottom) return;
  // A neighbour's border drawn over this side (negative spacing) leaves no
  // room for a grid line there.
  bool coverTop = false, coverBottom = false, coverLeft = false, coverRight = false;
  if (const TLTTableCellData* cell = Cells(border.Row, border.Col)) {
    const int rows = NumRows(), cols = NumColumns();
    const int lastRow = border.Row + std::max(cell->RowsSpanned, 1) - 1;
    const int lastCol = border.Col + std::max(cell->ColumnsSpanned, 1) - 1;
    const bool outerBorder = BorderWidth > 0;
    auto shows = [&](int r, int c, bool TLTBooleanRect::*side) {
      int mr = 0, mc = 0;
      const TLTTableCellData* n = GetMainCell(r, c, mr, mc);
      return n && n->VisibleBorders.*side;
    };
    coverTop = border.Row == 0 ? BorderVSpacing < 0 && outerBorder && VisibleBorders.Top
                               : CellVSpacing < 0 && shows(border.Row - 1, border.Col, &TLTBooleanRect::Bottom);
    coverBottom = lastRow >= rows - 1 ? BorderVSpacing < 0 && outerBorder && VisibleBorders.Bottom
                                      : CellVSpacing < 0 && shows(lastRow + 1, border.Col, &TLTBooleanRect::Top);
    coverLeft = border.Col == 0 ? BorderHSpacing < 0 && outerBorder && VisibleBorders.Left
                                : CellHSpacing < 0 && shows(border.Row, border.Col - 1, &TLTBooleanRect::Right);
    coverRight = lastCol >= cols - 1 ? BorderHSpacing < 0 && outerBorder && VisibleBorders.Right
                                     : CellHSpacing < 0 && shows(border.Row, lastCol + 1, &TLTBooleanRect::Left);
  }
  canvas.SetPen(pen);
  const TBorderLines lines(canvas, clip);
  const int left = border.Left, top = border.Top, right = border.Right, bottom = border.Bottom;
  if (!sides.Top && !coverTop) canvas.Line(left, top, right, top);
  if (!sides.Bottom && !coverBottom) canvas.Line(left, bottom - 1, right, bottom - 1);
  if (!sides.Left && !coverLeft) lines.V(left, top, bottom - 1);
  if (!sides.Right && !coverRight) lines.V(right - 1, top, bottom - 1);
}

void TLTTableItemInfo::DrawColorBorder(TLTCanvas& canvas, const TLTDrawBorderParams& border, const TLTRectI& clip,
                                       int w, TLTOutputColorMode mode) const {
  if (border.Color == clNone) return;
  const TLTBooleanRect& sides = SidesOf(border);
  const TColor color = LineColor(border.Color, mode);
  const int left = border.Left, top = border.Top, right = border.Right, bottom = border.Bottom;
  if (sides.Left && sides.Top && sides.Right && sides.Bottom) {
    // The pen stays inside the rectangle.
    canvas.SetPen({color, w, psInsideFrame});
    canvas.Rectangle({left, top, right, bottom});
    return;
  }
  const TBorderLines lines(canvas, clip);
  const int r1 = right - 1, b1 = bottom - 1;
  canvas.SetPen({color, 1, psSolid});
  for (int k = 0; k < w; ++k) {
    if (Options.Contains(lttoOverlappingCorners)) {
      // Every side a full-length band; the bands overlap in the corners.
      if (sides.Left) lines.V(left + k, top, b1);
      if (sides.Right) lines.V(r1 - k, top, b1);
      if (sides.Top) lines.H(left, r1, top + k);
      if (sides.Bottom) lines.H(left, r1, b1 - k);
    } else {
      // Nested outlines: the sides meet in mitred corners.
      if (sides.Top) lines.H(left + k, r1 - k, top + k);
      if (sides.Bottom) lines.H(left + k, r1 - k, b1 - k);
      if (sides.Left) lines.V(left + k, top + k, b1 - k);
      if (sides.Right) lines.V(r1 - k, top + k, b1 - k);
    }
  }
}

void TLTTableItemInfo::Draw3DBorder(TLTCanvas& canvas, const TLTDrawBorderParams& border, const TLTRectI& clip, int w,
                                    TLTOutputColorMode mode) const {
  // A highlight that would vanish on its own colour is drawn in the face
  // colour instead.
  const TColor highlight =
      ColorToRGB(border.BackgroundColor) == ColorToRGB(clBtnHighlight) ? clBtnFace : clBtnHighlight;
  TColor first, second;
  switch (border.Style) {
    case lttbRaised:
      first = highlight, second = clBtnShadow;
      break;
    case lttbLowered:
      first = clBtnShadow, second = highlight;
      break;
    case lttbRaisedColor:
      first = border.LightColor, second = border.Color;
      break;
    default:
      first = border.Color, second = border.LightColor;
      break;
  }
  first = LineColor(first, mode);
  second = LineColor(second, mode);
  const TLTBooleanRect& sides = SidesOf(border);
  const TBorderLines lines(canvas, clip);
  const int left = border.Left, top = border.Top, r1 = border.Right - 1, b1 = border.Bottom - 1;
  if (first != clNone) {
    canvas.SetPen({first, 1, psSolid});
    for (int k = 0; k < w; ++k) {
      if (sides.Top) lines.H(left + k, r1 - k, top + k);
      if (sides.Left) lines.V(left + k, top + k, b1 - k);
    }
  }
  if (second != clNone) {
    canvas.SetPen({second, 1, psSolid});
    for (int k = 0; k < w; ++k) {
      if (sides.Bottom) lines.H(left + k, r1 - k, b1 - k);
      if (sides.Right) lines.V(r1 - k, top + k, b1 - k);
    }
  }
}

}  // namespace lectern
