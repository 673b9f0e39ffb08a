// The RTF of a table: per row its properties and cell definitions, then
// the cells, each cell's document written by the same writer one nesting
// level deeper. A table inside a cell takes the nested form, with its row
// properties after its cells, so that readers that know only top-level
// tables still find the nested cells' text.

#include "table/LTTable.h"

#include "model/LTRTFWriter.h"

#include <algorithm>
#include <cmath>

namespace lectern {

namespace {

/// The right edge of each column (pixels from the table's left), from the
/// layout, or laid out here at the width a page offers when the table was
/// never laid out: fixed columns take their widths, the others share the
/// rest. A top-level table whose width follows the text's (a percentage,
/// or automatic with a column that is not fixed) was laid out at the
/// window's width; it is scaled to the page's, else it runs off the page
/// in every word processor.
std::vector<int> ColumnRights(const TLTTableItemInfo& t, int availableWidth, bool topLevel) {
  const int cols = t.NumColumns();
  std::vector<int> rights(static_cast<size_t>(cols));
  const int pad = 2 * (t.CellHPadding + t.CellBorderWidth);
  if (!t.LayoutInvalid && t.TableWidth > 0 && t.ColumnLefts.size() == static_cast<size_t>(cols) &&
      t.ColumnWidths.size() == static_cast<size_t>(cols)) {
    for (int c = 0; c < cols; ++c)
      rights[static_cast<size_t>(c)] = t.ColumnLefts[static_cast<size_t>(c)] + t.ColumnWidths[static_cast<size_t>(c)] + pad;
    const bool relative = t.BestWidth < 0 || (t.BestWidth == 0 && !t.AllColumnsFixed());
    if (topLevel && relative) {
      const int percent = t.BestWidth < 0 ? std::min(100, -t.BestWidth) : 100;
      const double scale = static_cast<double>(availableWidth) * percent / 100 / t.TableWidth;
      for (int& r : rights) r = static_cast<int>(std::lround(r * scale));
    }
    return rights;
  }
  const int edge = t.BorderWidth + t.BorderHSpacing;
  int width = t.BestWidth > 0 ? t.BestWidth : t.BestWidth < 0 ? availableWidth * -t.BestWidth / 100 : availableWidth;
  const int inner = std::max(cols, width - 2 * edge - (cols - 1) * t.CellHSpacing);
  std::vector<int> widths(static_cast<size_t>(cols), 0);
  int fixed = 0, free = 0;
  for (int c = 0; c < cols; ++c) {
    int w = t.ColumnBestPixelWidth(c);
    if (w <= 0) w = t.ColumnPercentWidth(c, inner);
    if (w > 0) {
      widths[static_cast<size_t>(c)] = w + pad;
      fixed += w + pad;
    } else {
      ++free;
    }
  }
  int rest = std::max(0, inner - fixed);
  for (int c = 0; c < cols && free > 0; ++c) {
    if (widths[static_cast<size_t>(c)] > 0) continue;
    const int share = std::max(pad + 1, rest / free);
    widths[static_cast<size_t>(c)] = share;
    rest -= share;
    --free;
  }
  int x = edge;
  for (int c = 0; c < cols; ++c) {
    x += widths[static_cast<size_t>(c)];
    rights[static_cast<size_t>(c)] = x;
    x += t.CellHSpacing;
  }
  return rights;
}

struct TBorderLook {
  int Width = 0;
  TLTTableBorderStyle Style = lttbColor;
  TColor Color = clNone;
  TColor LightColor = clNone;
  const TLTBooleanRect* Visible = nullptr;
};

void PutBorders(TLTRTFWriter& w, std::string_view prefix, const TBorderLook& b) {
  if (b.Width <= 0) return;
  static constexpr std::string_view kSides[] = {"brdrl", "brdrt", "brdrr", "brdrb"};
  const bool visible[] = {b.Visible->Left, b.Visible->Top, b.Visible->Right, b.Visible->Bottom};
  for (int side = 0; side < 4; ++side) {
    if (!visible[side]) continue;
    w.Put("\\");
    w.Put(prefix);
    w.Put(kSides[side]);
    const bool leftTop = side < 2;
    switch (b.Style) {
      case lttbRaised: w.Put("\\brdroutset\\brdrw", w.Twips(b.Width)); break;
      case lttbLowered: w.Put("\\brdrinset\\brdrw", w.Twips(b.Width)); break;
      default: {
        const bool light = leftTop ? b.Style == lttbRaisedColor : b.Style == lttbLoweredColor;
        w.Put("\\brdrs\\brdrw", w.Twips(b.Width));
        w.Put("\\brdrcf", w.ColorIndex(light ? b.LightColor : b.Color));
      }
    }
  }
}

void PutWidth(TLTRTFWriter& w, std::string_view prefix, int32_t best, int32_t pixels) {
  constexpr int kPercentUnits = 50;  // fiftieths of a percent
  if (best < 0) {
    w.Put(prefix == "tr" ? "\\trwWidth" : "\\clwWidth", int64_t{-best} * kPercentUnits);
    w.Put(prefix == "tr" ? "\\trftsWidth2" : "\\clftsWidth2");
  } else if (best == 0) {
    w.Put(prefix == "tr" ? "\\trftsWidth1" : "\\clftsWidth1");
  } else {
    w.Put(prefix == "tr" ? "\\trwWidth" : "\\clwWidth", w.Twips(pixels));
    w.Put(prefix == "tr" ? "\\trftsWidth3" : "\\clftsWidth3");
  }
}

TColor CellBackground(const TLTTableItemInfo& t, const TLTTableCellData& cell) {
  if (cell.Color != clNone) return cell.Color;
  return t.Color == clWindow ? clNone : t.Color;
}

}  // namespace

void TLTTableItemInfo::CollectRTFColors(TLTRTFWriter& w) const {
  for (TColor c : {BorderColor, BorderLightColor, CellBorderColor, CellBorderLightColor, Color}) w.AddColor(c);
  for (int r = 0; r < NumRows(); ++r)
    for (int c = 0; c < Rows[r].Count(); ++c)
      if (const TLTTableCellData* cell = Cells(r, c))
        for (TColor k : {cell->Color, cell->BorderColor, cell->BorderLightColor}) w.AddColor(k);
}

bool TLTTableItemInfo::SaveRTF(TLTRTFWriter& w, const TCustomLTData& /*owner*/, int /*itemNo*/) const {
  const int rows = NumRows(), cols = NumColumns();
  if (rows == 0 || cols == 0) return false;
  const int level = w.Level();
  const bool nested = level > 0;
  const int itap = level + 1;
  const std::vector<int> rights = ColumnRights(*this, w.DefaultTextWidth(), !nested);
  const TLTAlignment align = w.Style().ParaStyles()[ParaNo].Alignment;
  // Overlapping borders take negative spacing, which RTF has no form for.
  const int hSpacing = std::max(0, CellHSpacing), vSpacing = std::max(0, CellVSpacing);
  const int borderVSpacing = std::max(0, BorderVSpacing);
  auto rowProps = [&](int r) {
    w.Put("\\trowd");
    if (align == ltaRight) w.Put("\\trqr");
    if (align == ltaCenter) w.Put("\\trqc");
    w.Put("\\trgaph", w.Twips(((CellHPadding + CellBorderWidth) * 2 + hSpacing) / 2.0));
    w.Put("\\trleft0\\itap", itap);
    if (r < HeadingRowCount) w.Put("\\trhdr");
    int32_t height = 0;
    for (int c = 0; c < cols; ++c)
      if (const TLTTableCellData* cell = Cells(r, c); cell && cell->RowsSpanned == 1)
        height = std::max(height, cell->BestHeight);
    if (height > 0) w.Put("\\trrh", w.Twips(height));
    w.Put("\\trpaddl", w.Twips(CellHPadding));
    w.Put("\\trpaddt", w.Twips(CellVPadding));
    w.Put("\\trpaddr", w.Twips(CellHPadding));
    w.Put("\\trpaddb", w.Twips(CellVPadding));
    w.Put("\\trpaddfl3\\trpaddft3\\trpaddfr3\\trpaddfb3");
    w.Put("\\trspdl", w.Twips(hSpacing / 2.0));
    w.Put("\\trspdr", w.Twips(hSpacing / 2.0));
    w.Put("\\trspdfl3\\trspdfr3");
    w.Put("\\trspdt", w.Twips((r == 0 ? borderVSpacing : vSpacing) / 2.0));
    w.Put("\\trspdft3\\trspdb", w.Twips((r == rows - 1 ? borderVSpacing : vSpacing) / 2.0));
    w.Put("\\trspdfb3");
    if (BestWidth > 0)
      PutWidth(w, "tr", BestWidth, BestWidth + 2 * BorderWidth);
    else
      PutWidth(w, "tr", BestWidth, 0);
    if (BestWidth == 0 && Options.Contains(lttoRTFAllowAutofit)) w.Put("\\trautofit1");
    if (!PrintOptions.Contains(lttoRowsSplit)) w.Put("\\trkeep\\trkeepfollow");
    // Readers close a table at its last row, nested ones too.
    if (r == rows - 1) w.Put("\\lastrow");
    w.Put("\\lecterntbw", BestWidth);
    PutBorders(w, "tr", {BorderWidth, BorderStyle, BorderColor, BorderLightColor, &VisibleBorders});
    w.PutExtra(lt_rtfs_RowProps, -1, r);
    for (int c = 0; c < cols; ++c) {
      int mr = r, mc = c;
      const TLTTableCellData* cell = GetMainCell(r, c, mr, mc);
      if (!cell || mc < c) continue;
      const int last = std::min(cols - 1, mc + std::max(1, cell->ColumnsSpanned) - 1);
      if (mr < r) {
        w.Put("\\clvmrg");
      } else {
        if (cell->RowsSpanned > 1) w.Put("\\clvmgf");
        if (cell->BestWidth > 0 && !Options.Contains(lttoRTFSaveCellPixelBestWidth)) {
          w.Put("\\clwWidth0");
        } else {
          PutWidth(w, "cl", cell->BestWidth, cell->BestWidth);
        }
        w.Put("\\lecterncbw", cell->BestWidth);
        w.Put("\\lecterncbh", cell->BestHeight);
      }
      const TColor borderColor = cell->BorderColor != clNone ? cell->BorderColor : CellBorderColor;
      const TColor lightColor = cell->BorderLightColor != clNone ? cell->BorderLightColor : CellBorderLightColor;
      PutBorders(w, "cl", {CellBorderWidth, CellBorderStyle, borderColor, lightColor, &cell->VisibleBorders});
      if (const TColor back = CellBackground(*this, *cell); back != clNone) w.Put("\\clcbpat", w.ColorIndex(back));
      const TLTCellVAlign valign = cell->VAlign == ltcVDefault ? Rows[r].VAlign : cell->VAlign;
      if (valign == ltcMiddle) w.Put("\\clvertalc");
      if (valign == ltcBottom) w.Put("\\clvertalb");
      w.PutExtra(lt_rtfs_CellProps, c, r);
      w.Put("\\cellx", w.Twips(rights[static_cast<size_t>(last)] + hSpacing / 2.0));
    }
  };
  auto cellsOf = [&](int r) {
    for (int c = 0; c < cols; ++c) {
      int mr = r, mc = c;
      const TLTTableCellData* cell = GetMainCell(r, c, mr, mc);
      if (cell && mc < c) continue;
      w.Put("{\\pard\\intbl\\itap", itap);
      w.Put(' ');
      if (cell && mr == r) {
        w.WriteDocument(CellContent(*cell), itap);
        // The cell mark ends the cell's last paragraph, which must be at
        // this table's level also after a nested table.
        w.Put("\\pard\\intbl\\itap", itap);
      }
      w.Put(nested ? "\\nestcell}" : "\\cell}");
    }
  };
  for (int r = 0; r < rows; ++r) {
    w.Put("\r\n");
    if (!nested) {
      w.Put('{');
      rowProps(r);
      cellsOf(r);
      w.Put("\\row}");
    } else {
      cellsOf(r);
      w.Put("{\\*\\nesttableprops ");
      rowProps(r);
      w.Put("\\nestrow}{\\nonesttables\\par}");
    }
  }
  // Back to the paragraph level the table stands at.
  w.Put("\r\n\\pard");
  if (level >= 1) w.Put("\\intbl\\itap", level);
  w.Put(' ');
  return true;
}

}  // namespace lectern
