// The HTML of a table: a table element with its width, border and spacing,
// rows with their alignment, and cells with their spans, sizes and colours;
// each cell's document is written by the same writer one level deeper.

#include "table/LTTable.h"

#include "model/LTHTMLWriter.h"
#include "platform/LTSysUtils.h"

#include <string>

namespace lectern {

namespace {

/// A width or height: pixels, or a percentage for negative values; empty
/// for 0 (the browser decides).
std::string Length(int32_t best) {
  if (best > 0) return IntToStr(best);
  if (best < 0) return IntToStr(-static_cast<int64_t>(best)) + "%";
  return {};
}

std::string CSSLength(int32_t best) { return best > 0 ? IntToStr(best) + "px" : Length(best); }

constexpr std::string_view kVAligns[] = {"top", "middle", "bottom"};

void AddStyle(std::string& style, std::string_view rule) {
  if (!style.empty()) style.push_back(' ');
  style.append(rule);
}

/// The border of the table or of a cell as CSS.
void AddBorder(std::string& style, TLTTableBorderStyle kind, int width, TColor color, TColor light,
               const TLTBooleanRect& visible) {
  if (width <= 0) {
    AddStyle(style, "border-width: 0px;");
    return;
  }
  AddStyle(style, "border-width: " + IntToStr(width) + "px;");
  const std::string c = TLTHTMLWriter::ColorText(color), l = TLTHTMLWriter::ColorText(light);
  switch (kind) {
    case lttbRaised: AddStyle(style, "border-style: outset;"); break;
    case lttbLowered: AddStyle(style, "border-style: inset;"); break;
    case lttbColor:
      if (!c.empty()) AddStyle(style, "border-color: " + c + "; border-style: solid;");
      break;
    case lttbRaisedColor:
    case lttbLoweredColor: {
      const bool raised = kind == lttbRaisedColor;
      const std::string& lt = raised ? l : c;
      const std::string& rb = raised ? c : l;
      if (!lt.empty() && !rb.empty())
        AddStyle(style, "border-color: " + lt + " " + rb + " " + rb + " " + lt + "; border-style: solid;");
      break;
    }
  }
  if (!visible.Top) AddStyle(style, "border-top: none;");
  if (!visible.Right) AddStyle(style, "border-right: none;");
  if (!visible.Bottom) AddStyle(style, "border-bottom: none;");
  if (!visible.Left) AddStyle(style, "border-left: none;");
}

}  // namespace

void TLTTableItemInfo::SaveHTML(TLTHTMLWriter& w, const TCustomLTData& /*owner*/, int /*itemNo*/) const {
  const int rows = NumRows(), cols = NumColumns();
  if (rows == 0 || cols == 0) return;
  const bool css = w.UsesCSSForNonText();
  const bool legacy = !w.IsXHTML() && !w.IsCSS();
  const TColor tableColor = Color == clWindow ? clNone : Color;
  std::string style;
  w.Put("<table");
  // A table without a width of its own takes the whole width it is given
  // unless every column has a fixed width; a browser would shrink it to
  // its content instead.
  const int32_t width = BestWidth == 0 && !AllColumnsFixed() ? -100 : BestWidth;
  if (const std::string text = Length(width); !text.empty()) {
    if (w.IsXHTML()) AddStyle(style, "width: " + CSSLength(width) + ";");
    else w.PutAttr("width", text);
  }
  const int border = BorderWidth == 0 && CellBorderWidth != 0 && css ? 1 : BorderWidth;
  if (!w.IsXHTML()) w.PutAttr("border", int64_t{border});
  w.PutAttr("cellpadding", int64_t{CellVPadding});
  // Negative spacing lets borders overlap; HTML has no such spacing, only
  // collapsed borders.
  const int spacing = RoundHalfEven((CellHSpacing + CellVSpacing) / 2.0);
  if (spacing >= 0) w.PutAttr("cellspacing", int64_t{spacing});
  if (legacy) {
    if (tableColor != clNone) w.PutAttr("bgcolor", TLTHTMLWriter::ColorText(tableColor));
    if (BorderStyle == lttbColor && BorderColor != clNone) w.PutAttr("bordercolor", TLTHTMLWriter::ColorText(BorderColor));
  }
  if (css) {
    AddBorder(style, BorderStyle, border, BorderColor, BorderLightColor, VisibleBorders);
    if (tableColor != clNone) AddStyle(style, "background-color: " + TLTHTMLWriter::ColorText(tableColor) + ";");
    if (spacing < 0) AddStyle(style, "border-collapse: collapse;");
  }
  if (!style.empty()) w.PutAttr("style", style);
  w.Put(">\n");
  for (int r = 0; r < rows; ++r) {
    w.Put("<tr");
    if (Rows[r].VAlign <= ltcBottom) w.PutAttr("valign", kVAligns[Rows[r].VAlign]);
    w.Put('>');
    for (int c = 0; c < Rows[r].Count(); ++c) {
      const TLTTableCellData* cell = Cells(r, c);
      if (!cell) continue;
      w.Put("<td");
      if (cell->ColumnsSpanned > 1) w.PutAttr("colspan", int64_t{cell->ColumnsSpanned});
      if (cell->RowsSpanned > 1) w.PutAttr("rowspan", int64_t{cell->RowsSpanned});
      std::string cellStyle;
      if (w.IsXHTML()) {
        if (cell->BestWidth != 0) AddStyle(cellStyle, "width: " + CSSLength(cell->BestWidth) + ";");
        if (cell->BestHeight > 0) AddStyle(cellStyle, "height: " + CSSLength(cell->BestHeight) + ";");
      } else {
        if (cell->BestHeight > 0) w.PutAttr("height", Length(cell->BestHeight));
        if (cell->BestWidth != 0) w.PutAttr("width", Length(cell->BestWidth));
      }
      if (cell->VAlign <= ltcBottom) w.PutAttr("valign", kVAligns[cell->VAlign]);
      const TColor cellColor = cell->Color != clNone ? cell->Color : tableColor;
      if (legacy && cell->Color != clNone) w.PutAttr("bgcolor", TLTHTMLWriter::ColorText(cell->Color));
      if (css) {
        if (CellBorderWidth > 0)
          AddBorder(cellStyle, CellBorderStyle, CellBorderWidth,
                    cell->BorderColor != clNone ? cell->BorderColor : CellBorderColor,
                    cell->BorderLightColor != clNone ? cell->BorderLightColor : CellBorderLightColor,
                    cell->VisibleBorders);
        if (cell->Color != clNone && cell->Color != tableColor)
          AddStyle(cellStyle, "background-color: " + TLTHTMLWriter::ColorText(cell->Color) + ";");
      }
      if (!cellStyle.empty()) w.PutAttr("style", cellStyle);
      if (!cell->Hint.empty()) w.PutAttr("title", cell->Hint);
      w.Put('>');
      if (cell->ItemCount() == 0) {
        w.Put("<br");
        w.EndEmpty();
      } else {
        w.WriteDocument(*cell, w.Level() + 1, cellColor);
      }
      w.Put("</td>");
    }
    w.Put("</tr>\n");
  }
  w.Put("</table>\n");
}

}  // namespace lectern
